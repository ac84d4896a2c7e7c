#pragma once

#include "CSafeFile.h"

#include <QByteArray>
#include <condition_variable>
#include <mutex>

// Hands the records of a contact file from the thread that makes them to the thread that writes
// them, a piece at a time, in two buffers used in turn: while one is being written the other is
// filled, so the records are never whole in memory. One thread makes, one writes.
class CRecordStream {
public:
    explicit CRecordStream(qsizetype pieceSize = 512 * 1024);

    // The maker: room for `need` bytes after the records made so far (waits while both buffers
    // are full), then where the records now end.
    char* Room(qsizetype need);
    void Commit(char* pEnd);
    // No more records; `bOk` false abandons the file.
    void Close(bool bOk);

    // The writer: the next piece (More), or End once every piece is handed out after Close, or
    // Failed when the maker abandoned the file. The piece handed out before is written by then,
    // so its buffer is filled again.
    CSafeFile::Piece Next(QByteArray& piece);
    // The writer stops taking pieces: from now on the maker's records are dropped, and it never
    // waits.
    void Abandon();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_buffers[2];
    qsizetype m_sizes[2] = {0, 0};
    bool m_bFull[2] = {false, false};   // handed to the writer, not yet written
    bool m_bMapped[2] = {false, false}; // the buffer's pages are mapped
    int m_nFill = 0;                    // the buffer being filled
    int m_nOut = 0;                     // the buffer whose piece goes out next
    int m_nHanded = -1;                 // the buffer whose piece the writer holds
    bool m_bClosed = false;
    bool m_bOk = true;
    bool m_bAbandoned = false;
};
