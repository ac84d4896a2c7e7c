#include "CImportRecord.h"

ImportEntry* CImportRecord::NewEntry() {
    m_entries.push_back(std::make_unique<ImportEntry>());
    return m_entries.back().get();
}

ImportEntry* CImportRecord::Next() {
    if (!HasNext())
        return nullptr;
    return At(++m_nCursor);
}

ImportEntry* CImportRecord::Previous() {
    if (m_nCursor <= 0)
        return nullptr;
    return At(--m_nCursor);
}

void CImportRecord::RemoveAll() {
    m_entries.clear();
    m_nCursor = -1;
}

int CImportRecord::CountWithFields() const {
    int count = 0;
    for (const auto& entry : m_entries)
        if (!entry->m_pFields.isEmpty())
            ++count;
    return count;
}
