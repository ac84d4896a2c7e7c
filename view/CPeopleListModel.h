#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

class CPerson;

// The lines of the people list: pointers to records of the document (not owned), kept sorted by
// name without regard to case. Each line carries a sort key computed once when the line is made,
// so sorting and searching never convert or fold texts again. Lines of equal names keep the order
// in which they were added.
class CPeopleListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CPeopleListModel(QObject* parent = nullptr);

    // The key a stored text sorts by: its shown text, case-folded, accents set aside. Keys
    // compare as plain bytes.
    static QByteArray SortKey(const QByteArray& stored);
    // The same for a text as shown.
    static QByteArray TextKey(const QString& text);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    int Count() const { return int(m_entries.size()); }
    CPerson* PersonAt(int row) const;
    // The line's text: the record's name as shown.
    QString TextAt(int row) const;

    // Replaces every line with one line per record, sorted.
    void Reset(const std::vector<CPerson*>& people);
    // Removes every line.
    void Clear();
    // Adds a line for `pPerson` at its sorted place (after lines of equal name); returns its row.
    int Insert(CPerson* pPerson);
    // Removes one line.
    void RemoveRow(int row);
    // Removes the given lines (rows in ascending order, no duplicates).
    void RemoveRows(const std::vector<int>& rows);
    // The line carrying `pPerson`, or -1. `nHint` is tried first.
    int FindPerson(const CPerson* pPerson, int nHint = -1) const;
    // The first line whose text begins with `prefix`, case ignored, or -1.
    int FindPrefix(const QString& prefix) const;

    // Lines taken from another list (search results), whose sort keys are reused as they are.
    // `rows` are lines of `source` in ascending order. Both replace the lines in one reset.
    // Makes the lines those of `rows`.
    void AssignRows(const CPeopleListModel& source, const std::vector<int>& rows);
    // Adds the lines of `rows` at their sorted places (after lines of equal name).
    void MergeRows(const CPeopleListModel& source, const std::vector<int>& rows);

private:
    // A line: its record and its sort key. The key's first eight bytes are kept as one number,
    // so most comparisons need no memcmp, and only the bytes past them lie in m_keys, from
    // nOffset on; nLength is the whole key's length.
    struct Entry {
        CPerson* pPerson = nullptr;
        quint64 nPrefix = 0;
        quint32 nOffset = 0;
        quint32 nLength = 0;
    };
    Entry MakeEntry(CPerson* pPerson);
    // Copies the entries of `rows` of `source`, keys included, to the end of this list.
    void AppendRows(const CPeopleListModel& source, const std::vector<int>& rows);
    bool Less(const Entry& a, const Entry& b) const;
    // Sorts the lines by Less, lines of equal keys keeping their order.
    void SortEntries();
    // Orders lines whose keys agree in their first `depth` bytes; leaves nPrefix changed.
    void SortTies(Entry* first, Entry* last, quint32 depth);

    std::vector<Entry> m_entries;
    // Every line's key past its first eight bytes, one after the other: no allocation per line.
    std::string m_keys;
};
