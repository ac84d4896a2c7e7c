#pragma once

#include "CSafeFile.h"

#include <QByteArray>
#include <cstddef>

class CVornDoc;

// Hands out the bytes of a document's contact file a slice of entries at a time, as
// CSafeFile::WritePieces asks for them: each slice goes to the disk while the next one is built,
// and the whole file is never in memory at once. Put together, the pieces are the bytes
// CVornDoc::SaveToBytes gives.
class CContactFilePieces {
public:
    // A piece holds as many entries as fit in this many bytes; an entry is never split, so one
    // larger than this makes a piece of its own.
    static constexpr qsizetype kPieceSize = 512 * 1024;

    // The document must not change while its pieces are handed out.
    explicit CContactFilePieces(CVornDoc& doc);

    // The next piece, for CSafeFile::WritePieces. Failed when there is no memory for it.
    CSafeFile::Piece Next(QByteArray& piece);
    // A piece failed for want of memory.
    bool OutOfMemory() const { return m_bOutOfMemory; }

private:
    // Room kept beyond a piece for the end of the file (the Notes label and the time).
    static constexpr qsizetype kTailRoom = 4096;
    CVornDoc& m_doc;
    // The next entry to store; the start of the file is stored with the first piece.
    size_t m_nNext = 0;
    bool m_bStarted = false;
    bool m_bOutOfMemory = false;
};
