#pragma once

#include "CTextTable.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

// Raised when the data being read ends early or holds a length that runs past its end.
class CArchiveException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A little-endian archive over a byte buffer, in one direction: loading from bytes or storing to
// bytes. Every read is checked against the bytes left, so no length in a file is ever trusted.
//
// Texts read are not allocated one by one: they are copied, each followed by a NUL (so
// constData() stays NUL-terminated), into a few large reference-counted blocks, and each text
// returned holds a reference to its block. A text can therefore never outlive its bytes, however
// long it is kept after the archive and its source are gone; a text changed later detaches from
// the block on its first change (or, as the last holder of the block, changes it in place).
// Freeing such texts frees no small blocks, only a block once its last text is gone.
class CArchive {
public:
    // An archive that loads from `data` (kept by the archive: the copy is shared, not copied).
    explicit CArchive(const QByteArray& data);
    // An archive that stores into its own buffer.
    CArchive();
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_bLoading; }
    bool IsStoring() const { return !m_bLoading; }

    quint8 ReadByte() {
        Need(1);
        return static_cast<quint8>(m_pData[m_nPos++]);
    }
    quint16 ReadWord() {
        Need(2);
        const auto* p = reinterpret_cast<const quint8*>(m_pData + m_nPos);
        m_nPos += 2;
        return static_cast<quint16>(p[0] | (p[1] << 8));
    }
    quint32 ReadDWord();
    QByteArray ReadString();
    // Reads a string that is likely to repeat across records (a city, a group name): equal
    // texts read through this share one copy, which saves memory for each repeat.
    QByteArray ReadSharedString();
    // Appends the names read to `list`.
    void ReadStringList(QList<QByteArray>& list);
    // Like ReadStringList, for lists that are likely to repeat across records (the groups of
    // an entry): into an empty `list`, lists stored with the same bytes share one list object.
    void ReadSharedStringList(QList<QByteArray>& list);

    // Skips a string or a string list, checked like a read; returns the bytes the texts skipped
    // would take in memory (each non-empty text and its NUL).
    qsizetype SkipString() {
        const quint32 length = ReadLength();
        m_nPos += length;
        return length == 0 ? 0 : qsizetype(length) + 1;
    }
    qsizetype SkipStringList();
    // Makes room for `bytes` of texts (as counted by the Skip functions) in one block, so the
    // texts read next need no other block.
    void ReserveTexts(qsizetype bytes);

    void WriteByte(quint8 value) { *Out(1) = static_cast<char>(value); }
    void WriteWord(quint16 value);
    void WriteDWord(quint32 value);
    void WriteString(const QByteArray& text);
    void WriteStringList(const QList<QByteArray>& list);
    // The bytes WriteString and WriteStringList store for `text` and `list`.
    static qsizetype StoredSize(const QByteArray& text) {
        const qsizetype length = text.size();
        return length + (length < 0xFF ? 1 : length < 0xFFFE ? 3 : 7);
    }
    static qsizetype StoredSize(const QList<QByteArray>& list) {
        qsizetype size = list.size() < 0xFFFF ? 2 : 6;
        for (const QByteArray& text : list)
            size += StoredSize(text);
        return size;
    }

    // Loading from a source that the caller owns alone and does not read after the archive:
    // the texts read by ReadString are moved down within the source, each after the one
    // before and followed by a NUL, instead of being copied into a block of their own, so the
    // file's bytes and a copy of its texts are never both in memory. Every text takes at least
    // one length byte in the source, as much as its NUL, so the texts never overtake the
    // reading. The texts hold the source as they would hold a block. Asked for before the
    // first read.
    void CompactTexts();
    bool CompactsTexts() const { return m_bCompact; }
    // Once everything is read from a source whose texts were compacted: gives the whole pages
    // of the source past its last text back to the system. They hold bytes already read, which
    // no text uses, and would otherwise stay in memory as long as any text of the file does.
    // (A page given back reads as zeros if anything touches it again.)
    void ReleaseUnusedSource();

    // Bytes not yet read, and the reading position.
    qsizetype Remaining() const { return m_nSize - m_nPos; }
    qsizetype Position() const { return m_nPos; }
    void Seek(qsizetype pos);

    // Makes room for `count` more bytes to be stored without growing the buffer again.
    void Reserve(qsizetype count);
    // Before anything is stored: stores into the memory of `buffer` (taken from it), so that a
    // caller building a file piece by piece can hand each piece's memory back for the next.
    void StoreInto(QByteArray&& buffer);

    // The bytes stored so far.
    const QByteArray& Buffer() const;

    // An uninitialised buffer of `size` bytes for a whole file. Buffers this large are backed
    // by huge pages where the system offers them: touching megabytes of fresh memory page by
    // page costs more than reading or writing the bytes.
    static QByteArray NewBuffer(qsizetype size);

private:
    // Throws unless `count` more bytes are there to be read.
    void Need(qsizetype count) const {
        if (count < 0 || count > m_nSize - m_nPos)
            Fail();
    }
    [[noreturn]] static void Fail();
    // The length prefix of a string, checked against the bytes left.
    quint32 ReadLength() {
        // Lengths below 255 take one byte: the usual case, read here.
        if (m_nPos < m_nSize) {
            const auto length = static_cast<quint8>(m_pData[m_nPos]);
            if (length != 0xFF && length < m_nSize - m_nPos) {
                ++m_nPos;
                return length;
            }
        }
        return ReadLongLength();
    }
    quint32 ReadLongLength();
    // Room for `count` bytes to be stored; the caller writes them all.
    char* Out(qsizetype count) {
        if (count > m_nRoom)
            Grow(count);
        char* p = m_pOut;
        m_pOut += count;
        m_nRoom -= count;
        return p;
    }
    void Grow(qsizetype count);

    bool m_bLoading;
    QByteArray m_source;
    const char* m_pData = nullptr;
    qsizetype m_nSize = 0;
    qsizetype m_nPos = 0;

    // A block texts are copied into, the next free byte in it and the bytes left there.
    // While the archive fills a block it holds kHold references to it, so that handing out a
    // text costs no atomic count: when the block is done with, the archive gives back its hold
    // less one for each text handed out, which leaves the count at the texts still alive.
    struct SBlock {
        QByteArray bytes;
        char* pFree = nullptr;
        qsizetype nLeft = 0;
        int nTexts = 0;
    };
    static constexpr int kHold = 1 << 30;
    static void Retire(SBlock& block);
    // A text of `count` bytes copied from `source` into `block`.
    QByteArray Text(SBlock& block, const char* source, qsizetype count);
    void NewBlock(SBlock& block, qsizetype bytes);
    // Texts of their own, and the first copy of each shared text: apart, so that a block
    // reserved for the first kind is filled exactly.
    SBlock m_texts;
    SBlock m_sharedTexts;
    // True when m_texts is the source itself (CompactTexts).
    bool m_bCompact = false;
    // Texts read by ReadSharedString, keyed by the bytes of their first copy (which that copy
    // keeps alive), and lists read by ReadSharedStringList, keyed by their stored bytes copied
    // into m_listKeys: no key points into the source, whose bytes CompactTexts overwrites.
    CTextTable<QByteArray> m_shared;
    CTextTable<QList<QByteArray>> m_sharedLists;
    // Chunks the list keys are copied into; a chunk never moves once keys point into it.
    std::vector<std::unique_ptr<char[]>> m_listKeys;
    char* m_pListKeyFree = nullptr;
    size_t m_nListKeyLeft = 0;
    std::string_view KeepListKey(std::string_view key);

    // Storing: the buffer (its size may run ahead of the bytes stored), where the next byte
    // goes and the room left before the buffer must grow.
    mutable QByteArray m_buffer;
    char* m_pOut = nullptr;
    mutable qsizetype m_nRoom = 0;
};
