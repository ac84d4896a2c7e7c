#include "CContactFilePieces.h"

#include "CArchive.h"
#include "CVornDoc.h"

#include <new>
#include <utility>

CContactFilePieces::CContactFilePieces(CVornDoc& doc) : m_doc(doc) {}

CSafeFile::Piece CContactFilePieces::Next(QByteArray& piece) {
    const auto& list = m_doc.m_personList;
    const CNotesLabel& label = m_doc.Label();
    try {
        // Into the memory of the piece before, which has been written: room for a whole piece
        // and the end of the file, so that only an entry larger than a piece needs more.
        CArchive ar;
        ar.StoreInto(std::move(piece));
        ar.Reserve(kPieceSize + kTailRoom);
        qsizetype size = 0;
        if (!m_bStarted) {
            size = 4 + CArchive::StoredSize(m_doc.m_groupList) + 2;
            ar.Reserve(size);
            ar.WriteDWord(static_cast<quint32>(CVornDoc::kVersion));
            ar.WriteStringList(m_doc.m_groupList);
            // The count is 16 bits: the document is checked before a save starts.
            ar.WriteWord(static_cast<quint16>(list.size()));
            m_bStarted = true;
        }
        // Each entry is sized just before it is stored, in one pass, while it is in the cache.
        for (; m_nNext < list.size(); ++m_nNext) {
            CPerson& person = *list[m_nNext];
            const qsizetype entry = person.StoredSize();
            if (size > 0 && size + entry > kPieceSize) {
                piece = ar.Buffer();
                return CSafeFile::Piece::More;
            }
            if (size + entry > kPieceSize)
                ar.Reserve(entry);
            person.Serialize(ar, CVornDoc::kVersion);
            size += entry;
        }
        ar.Reserve(4 + CArchive::StoredSize(label.m_strCustomLabel) + 4);
        ar.WriteDWord(label.m_bUseCustomLabel);
        ar.WriteString(label.m_strCustomLabel);
        // A file keeps the time of its first save; a new one gets the time of each save.
        ar.WriteDWord(m_doc.m_timeCreated != 0 ? m_doc.m_timeCreated : m_doc.m_fnCurrentTime());
        piece = ar.Buffer();
        return CSafeFile::Piece::End;
    } catch (const std::bad_alloc&) {
        m_bOutOfMemory = true;
        return CSafeFile::Piece::Failed;
    }
}
