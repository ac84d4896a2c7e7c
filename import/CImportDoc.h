#pragma once

#include <QList>
#include <QString>
#include <functional>

class CArchive;
class CImportRecord;
class CPerson;

// The contact file an import writes: the records in import order, no group names, the Notes
// label off and called "Notes", and the time of writing. The records belong to the import
// records; the document only points at them.
class CImportDoc {
public:
    // The record count is 16 bits, so a contact file holds at most this many records.
    static constexpr qsizetype kMaxRecords = 65535;

    CImportDoc();

    // Gathers the contacts of `records` in order. An entry made from an empty line (no fields)
    // whose contact is still empty has nothing to import and is left out.
    void AddRecords(CImportRecord& records);
    // Writes the layout of a contact file. Throws CArchiveException, writing nothing, when there
    // are more records than the count can hold.
    void Serialize(CArchive& ar) const;
    // Writes the file through a temporary file beside it, so a failed save leaves nothing
    // damaged behind. False with `pError` set on failure (too many records included).
    bool OnSaveDocument(const QString& path, QString* pError = nullptr) const;

    // Whether the contact of an entry without fields is empty.
    static bool IsEmptyPerson(const CPerson& person);
    // The message for an import with more records than a contact file holds.
    static QString TooManyRecordsMessage(qsizetype count);
    // Why the records of a pass cannot make a contact file (none to import, or more than the
    // count holds); empty when they can. Entries without fields do not count.
    static QString CheckRecordCount(const CImportRecord& records, int nStartRow);
    // The same for `count` records with fields.
    static QString CheckCount(qsizetype count, int nStartRow);

    QList<CPerson*> m_personList;
    // The group names of the file. The delimited-text import fills no groups; contacts read from
    // a vCard or CSV file may belong to some, and every group an entry names is listed here.
    QList<QByteArray> m_groupList;
    // The clock for the time value; tests may replace it.
    std::function<quint32()> m_fnCurrentTime;
};
