#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class CRecordStream;

// The batch import of delimited text in one pass from the text's bytes to the contact file's
// bytes. It makes the very file the wizard's path makes (lines cut by CLineReader, split by
// CFieldSplitter without quoted fields, mapped by CFieldMapper as "Process all records" maps
// them, written by CImportDoc), but no line, field or contact is copied on the way: fields are
// views into the text, and the values are written from them straight into one buffer.
class CDelimitedBatch {
public:
    struct Settings {
        // Each character separates fields.
        QString strDelimiters;
        int nStartRow = 1;
        bool bOneLine = false;
        bool bSameMapping = false;
        // The time value the file records.
        quint32 nTime = 0;
        // The text is the caller's to give up: the memory of the lines done is handed back to
        // the system as the pass goes on (their bytes read as zeros afterwards), so the text
        // and the file are not held whole at the same time.
        bool bReleaseText = false;
        // Where the records go as they are made, instead of into `out` (which then stays
        // empty): the caller writes the file's start and end around them.
        CRecordStream* pStream = nullptr;
    };

    // Replaces `out` with the contact file made of `text`. False, with `pError` set and `out`
    // empty, when the lines cannot make a contact file (none with text, or more than it holds).
    // `pnRecords` (when given) receives the number of records written.
    static bool Build(QByteArrayView text, const Settings& settings, QByteArray& out,
                      QString* pError, qsizetype* pnRecords = nullptr);
    // CFieldSplitter::HasQuotedFields over the lines of `text`.
    static bool HasQuotedFields(QByteArrayView text);

    // Asks for large memory pages over the whole 2 MB blocks of a large buffer that is about to
    // be filled, so filling it costs far fewer page faults.
    static void AdviseLargePages(void* pData, qsizetype size);
    // Hands the memory of the whole 2 MB blocks from `pBegin` up to `pEnd` back to the system;
    // returns where the next block starts. Their bytes read as zeros afterwards, so the caller
    // must own them and be done with them.
    static const char* ReleaseRead(const char* pBegin, const char* pEnd);
};
