#pragma once

#include <QByteArray>
#include <QList>
#include <cstddef>

class CArchive;
class CRecordBlock;

// One entry of a contact file: nine texts and the names of the groups it belongs to. Texts are
// byte strings, kept exactly as given.
class CPerson {
public:
    // The newest record layout; the only one ever written.
    static constexpr int kCurrentVersion = 15;

    CPerson() = default;

    // The entries of a file are read into one block (one allocation, freed with its last
    // entry, CRecordBlock), others are allocated alone, on a multiple of 16 bytes, where no
    // entry of a block lies. Deleting an entry works the same for both.
    static void* operator new(size_t size);
    static void* operator new(size_t size, CRecordBlock& block);
    static void operator delete(void* p) noexcept;
    static void operator delete(void* p, CRecordBlock& block) noexcept;
    // Construction in place (containers of entries by value) stays as it is everywhere.
    static void* operator new(size_t, void* p) noexcept { return p; }
    static void operator delete(void*, void*) noexcept {}
    // The room one entry takes in a block.
    static size_t BlockSlotSize();

    // Stores in the current layout, or loads in the layout of `nVersion` (15, else 11).
    // Loaded texts replace the members; loaded group names are appended to m_groups.
    void Serialize(CArchive& ar, int nVersion);

    // Skips one record stored in the layout of `nVersion`, checked as in loading, and returns
    // the bytes that its texts of their own (all but the shared city, state, country and
    // groups) take once loaded, so that a whole file's texts can be placed in one block.
    static qsizetype SkipRecord(CArchive& ar, int nVersion);
    // The bytes Serialize stores for this entry.
    qsizetype StoredSize() const;

    // Renames the first group equal to `oldName` (exact bytes); false when there is none.
    bool RenameGroup(const QByteArray& oldName, const QByteArray& newName);

    // True when this entry is a hit for the search `criteria` in the search mode `nMode`
    // (1085 Exact, 1086 Good, 1087 Fair, 1088 Poor; any other number finds nothing). A criterion
    // field counts when it is not empty; it matches exactly when equal with case ignored, else
    // partially when PartialMatch holds. Exact needs every field exact and every group of the
    // criteria; Good every field at least partial and one exact; Fair every field at least
    // partial; Poor one field at least partial. Criteria without fields or groups find nothing.
    bool MatchCriteria(const CPerson& criteria, int nMode) const;
    // True when at least one word of `criterion` (split at each space; two spaces in a row or a
    // leading space make an empty word, which occurs everywhere) occurs in `value`, case ignored.
    // Case is folded for the ASCII letters; every other byte must match as it is.
    static bool PartialMatch(QByteArray criterion, QByteArray value);

    bool operator==(const CPerson& other) const = default;

    QByteArray m_strName;
    QByteArray m_strAddress;
    QByteArray m_strCity;
    QByteArray m_strState;
    QByteArray m_strZip;
    QByteArray m_strCountry;
    QByteArray m_strPhone;
    QByteArray m_strNotes;
    QByteArray m_strEmail;
    QList<QByteArray> m_groups;
};
