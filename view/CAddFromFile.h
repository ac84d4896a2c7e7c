#pragma once

#include "CExchangeReport.h"
#include "CPerson.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

class CVornDoc;

// Adding the entries of another file to the open document. No widgets: the form runs it and
// shows what it did.
class CAddFromFile {
public:
    // The entries of a file to add, with what could not be kept of them.
    struct SRead {
        std::vector<CPerson> people;
        CExchangeReport report;
    };
    // Reads `path`: a contact file, a vCard file or a CSV file whose header row names its
    // columns. False with `pError` set when the file cannot be read or is none of these.
    static bool ReadFile(const QString& path, SRead& read, QString* pError);

    // What one addition did.
    struct SAdded {
        // The new records, now the last ones of the document's list, in the file's order.
        std::vector<CPerson*> added;
        // Where in the document's list the new records start.
        size_t nFirst = 0;
        // Entries left out because one equal in all nine fields and its groups was already
        // there (or came earlier in the same file).
        qsizetype nAlreadyThere = 0;
        // Entries left out because they have no name, which no line of the list could show.
        qsizetype nWithoutName = 0;
        // Group names appended to the document's list of groups.
        QList<QByteArray> newGroups;
        // The document would have held more entries than a contact file can: nothing changed.
        bool bTooMany = false;
        // How many entries the document would have held.
        qsizetype nWouldHold = 0;
    };
    // Adds the entries of `people` that are new to `doc` as one operation: appends them to the
    // end of its list and their new group names to its groups. Leading blanks of names go, as
    // the form's list would drop them. Nothing changes when the result would exceed the
    // 65,535 entries a file holds. The modified flag is left to the caller.
    static SAdded AddEntries(CVornDoc& doc, std::vector<CPerson> people);

    // "Added 120 entries; 3 were already there".
    static QString StatusText(const SAdded& added);
    // Why an addition was refused.
    static QString TooManyText(const SAdded& added);
};
