#pragma once

#include "CPerson.h"

#include <QByteArray>
#include <QList>
#include <memory>
#include <vector>

// One line of the input file on its way to becoming a contact.
struct ImportEntry {
    // The line the fields were split from; fields may point into its bytes, so it lives as
    // long as the entry.
    QByteArray m_strLine;
    // The fields of the line, in order, as UTF-8.
    QList<QByteArray> m_pFields;
    // The contact being built from the line; starts empty.
    std::unique_ptr<CPerson> m_pPerson = std::make_unique<CPerson>();
    // The target of each field; empty until the entry is first mapped.
    QList<unsigned> m_pMapping;
    // 0 until the mapping page has stored this entry once, then 1.
    int m_bMapped = 0;
};

// The records of one import pass, in line order, with a cursor that walks them.
class CImportRecord {
public:
    // Appends a new, empty entry and returns it.
    ImportEntry* NewEntry();
    void AddField(ImportEntry* pEntry, const QByteArray& field) { pEntry->m_pFields.append(field); }
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    ImportEntry* At(int index) const { return m_entries[static_cast<size_t>(index)].get(); }

    // Puts the cursor before the first entry.
    void Reset() { m_nCursor = -1; }
    // Moves to the following entry and returns it; null (cursor unchanged) when there is none.
    ImportEntry* Next();
    // Moves to the preceding entry and returns it; null (cursor unchanged) when there is none.
    ImportEntry* Previous();
    bool HasNext() const { return m_nCursor + 1 < GetCount(); }
    // Index of the entry the cursor stands on; -1 before the first.
    int CursorIndex() const { return m_nCursor; }

    // Deletes every entry with its fields, contact and mapping.
    void RemoveAll();
    void Reserve(int count) { m_entries.reserve(static_cast<size_t>(count)); }

    // Entries with at least one field. An empty line gives an entry with no fields.
    int CountWithFields() const;

private:
    std::vector<std::unique_ptr<ImportEntry>> m_entries;
    int m_nCursor = -1;
};
