#include "CContactFilePieces.h"

#include "CArchive.h"
#include "CVornDoc.h"

#include <algorithm>
#include <new>
#include <utility>

CContactFilePieces::CContactFilePieces(CVornDoc& doc) : m_doc(doc) {}

CSafeFile::Piece CContactFilePieces::Next(QByteArray& piece) {
    const auto& list = m_doc.m_personList;
    const CNotesLabel& label = m_doc.Label();
    try {
        // The piece's exact size first, so its bytes go into one buffer allocated once. The
        // entries are sized just before they are stored, while they are still in the cache.
        qsizetype size = 0;
        if (!m_bStarted)
            size += 4 + CArchive::StoredSize(m_doc.m_groupList) + 2;
        size_t end = m_nNext;
        while (end < list.size() && size < kPieceSize)
            size += list[end++]->StoredSize();
        const bool bLast = end == list.size();
        if (bLast)
            size += 4 + CArchive::StoredSize(label.m_strCustomLabel) + 4;

        // Into the memory of the piece before, which has been written.
        CArchive ar;
        ar.StoreInto(std::move(piece));
        // A piece runs past kPieceSize by its last entry: room for a little more lets the
        // next pieces fit in the same memory.
        ar.Reserve(std::max(size, kPieceSize + kPieceSize / 8));
        if (!m_bStarted) {
            ar.WriteDWord(static_cast<quint32>(CVornDoc::kVersion));
            ar.WriteStringList(m_doc.m_groupList);
            // The count is 16 bits: the document is checked before a save starts.
            ar.WriteWord(static_cast<quint16>(list.size()));
            m_bStarted = true;
        }
        for (; m_nNext < end; ++m_nNext)
            list[m_nNext]->Serialize(ar, CVornDoc::kVersion);
        if (bLast) {
            ar.WriteDWord(label.m_bUseCustomLabel);
            ar.WriteString(label.m_strCustomLabel);
            // A file keeps the time of its first save; a new one gets the time of each save.
            ar.WriteDWord(m_doc.m_timeCreated != 0 ? m_doc.m_timeCreated : m_doc.m_fnCurrentTime());
        }
        piece = ar.Buffer();
        return bLast ? CSafeFile::Piece::End : CSafeFile::Piece::More;
    } catch (const std::bad_alloc&) {
        m_bOutOfMemory = true;
        return CSafeFile::Piece::Failed;
    }
}
