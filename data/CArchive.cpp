#include "CArchive.h"

#include "CHugePages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Texts read without a reserved block go into blocks of at most this size.
constexpr qsizetype kBlockSize = 64 * 1024;

} // namespace

CArchive::CArchive(const QByteArray& data)
    : m_bLoading(true), m_source(data), m_pData(m_source.constData()), m_nSize(m_source.size()) {}

CArchive::CArchive() : m_bLoading(false) {}

CArchive::~CArchive() {
    Retire(m_texts);
    Retire(m_sharedTexts);
}

void CArchive::Retire(SBlock& block) {
    if (block.bytes.isNull())
        return;
    block.bytes.data_ptr().d_ptr()->ref_.fetchAndSubRelaxed(kHold - block.nTexts);
    block = SBlock();
}

QByteArray CArchive::NewBuffer(qsizetype size) {
    QByteArray buffer(size, Qt::Uninitialized);
    CHugePages::Prepare(buffer.data(), size_t(size));
    return buffer;
}

void CArchive::Fail() {
    throw CArchiveException("the data ends early");
}

void CArchive::Seek(qsizetype pos) {
    if (pos < 0 || pos > m_nSize)
        throw CArchiveException("position out of range");
    m_nPos = pos;
}

quint32 CArchive::ReadDWord() {
    Need(4);
    const auto* p = reinterpret_cast<const quint8*>(m_pData + m_nPos);
    m_nPos += 4;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

quint32 CArchive::ReadLongLength() {
    // One byte below 255; else 0xFF and 16 bits; if those are 0xFFFF, 32 bits follow. The
    // length is then checked against the bytes left.
    quint32 length = ReadByte();
    if (length == 0xFF) {
        length = ReadWord();
        if (length == 0xFFFF)
            length = ReadDWord();
    }
    Need(static_cast<qsizetype>(length));
    return length;
}

void CArchive::NewBlock(SBlock& block, qsizetype bytes) {
    // Every text still to be read takes at least one length byte in the source, which is as
    // much as its NUL here, so the bytes left bound what the block can ever hold.
    const qsizetype size = std::max(bytes, std::min(kBlockSize, Remaining() + 1));
    Retire(block);
    // Texts that do not fit in the source any more (which cannot happen) go to a block.
    if (&block == &m_texts)
        m_bCompact = false;
    block.bytes = NewBuffer(size);
    block.pFree = block.bytes.data();
    block.nLeft = size;
    block.bytes.data_ptr().d_ptr()->ref_.fetchAndAddRelaxed(kHold);
}

void CArchive::CompactTexts() {
    if (!m_bLoading || m_nSize == 0)
        return;
    Retire(m_texts);
    m_texts.bytes = m_source;
    // The caller's copy shares the bytes; they are written through this pointer all the same,
    // as the caller has promised not to read them.
    m_texts.pFree = const_cast<char*>(m_pData);
    m_texts.nLeft = m_nSize;
    m_texts.nTexts = 0;
    m_texts.bytes.data_ptr().d_ptr()->ref_.fetchAndAddRelaxed(kHold);
    m_bCompact = true;
}

void CArchive::ReleaseUnusedSource() {
    // Small sources are not worth a call: a page or two.
    constexpr qsizetype kMinRelease = 64 * 1024;
    if (!m_bCompact || m_texts.bytes.constData() != m_pData || m_nSize < kMinRelease)
        return;
    const auto kPage = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto used = reinterpret_cast<uintptr_t>(m_texts.pFree);
    const auto end = reinterpret_cast<uintptr_t>(m_pData + m_nSize);
    const uintptr_t first = (used + kPage - 1) & ~(kPage - 1);
    const uintptr_t last = end & ~(kPage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

void CArchive::ReserveTexts(qsizetype bytes) {
    if (bytes > m_texts.nLeft)
        NewBlock(m_texts, bytes);
}

QByteArray CArchive::Text(SBlock& block, const char* source, qsizetype count) {
    if (count + 1 > block.nLeft || block.nTexts == kHold)
        NewBlock(block, count + 1);
    char* text = block.pFree;
    // Compacting, the text may overlap where it was read from.
    std::memmove(text, source, size_t(count));
    text[count] = '\0';
    block.pFree += count + 1;
    block.nLeft -= count + 1;
    // The text holds a reference of its own to the block, taken from the archive's hold.
    ++block.nTexts;
    return QByteArray(QByteArray::DataPointer(block.bytes.data_ptr().d_ptr(), text, count));
}

QByteArray CArchive::ReadString() {
    const quint32 length = ReadLength();
    if (length == 0)
        return QByteArray();
    QByteArray text = Text(m_texts, m_pData + m_nPos, length);
    m_nPos += length;
    return text;
}

QByteArray CArchive::ReadSharedString() {
    const quint32 length = ReadLength();
    if (length == 0)
        return QByteArray();
    const std::string_view key(m_pData + m_nPos, length);
    m_nPos += length;
    if (const QByteArray* pText = m_shared.Find(key))
        return *pText;
    QByteArray text = Text(m_sharedTexts, key.data(), length);
    const std::string_view kept(text.constData(), length);
    return m_shared.Insert(kept, std::move(text));
}

void CArchive::ReadStringList(QList<QByteArray>& list) {
    quint32 count = ReadWord();
    if (count == 0xFFFF)
        count = ReadDWord();
    // Every name takes at least its one length byte, so a count larger than the bytes left is
    // damage: refuse it before reserving anything.
    Need(static_cast<qsizetype>(count));
    list.reserve(list.size() + count);
    for (quint32 i = 0; i < count; ++i)
        list.append(ReadSharedString());
}

void CArchive::ReadSharedStringList(QList<QByteArray>& list) {
    const qsizetype start = m_nPos;
    if (!list.isEmpty()) {
        ReadStringList(list);
        return;
    }
    SkipStringList();
    const std::string_view key(m_pData + start, size_t(m_nPos - start));
    // No names: the list stays empty, with nothing allocated.
    if (key.size() == 2 && key[0] == 0 && key[1] == 0)
        return;
    if (const QList<QByteArray>* pList = m_sharedLists.Find(key)) {
        list = *pList;
        return;
    }
    m_nPos = start;
    ReadStringList(list);
    m_sharedLists.Insert(KeepListKey(key), list);
}

std::string_view CArchive::KeepListKey(std::string_view key) {
    if (key.size() > m_nListKeyLeft) {
        constexpr size_t kChunk = 16 * 1024;
        const size_t size = std::max(kChunk, key.size());
        m_listKeys.push_back(std::make_unique_for_overwrite<char[]>(size));
        m_pListKeyFree = m_listKeys.back().get();
        m_nListKeyLeft = size;
    }
    char* p = m_pListKeyFree;
    std::memcpy(p, key.data(), key.size());
    m_pListKeyFree += key.size();
    m_nListKeyLeft -= key.size();
    return {p, key.size()};
}

qsizetype CArchive::SkipStringList() {
    quint32 count = ReadWord();
    if (count == 0xFFFF)
        count = ReadDWord();
    Need(static_cast<qsizetype>(count));
    qsizetype bytes = 0;
    for (quint32 i = 0; i < count; ++i)
        bytes += SkipString();
    return bytes;
}

// ---------------------------------------------------------------------------------------------
// Storing

void CArchive::Grow(qsizetype count) {
    const qsizetype stored = m_pOut ? m_pOut - m_buffer.constData() : 0;
    // Doubling keeps the copies few when nothing was reserved.
    const qsizetype size = stored + std::max({count, stored, qsizetype(256)});
    // A buffer handed out by Buffer() is shared: resizing detaches it, keeping the bytes.
    m_buffer.resize(size);
    m_pOut = m_buffer.data() + stored;
    m_nRoom = size - stored;
}

void CArchive::StoreInto(QByteArray&& buffer) {
    m_buffer = std::move(buffer);
    // All of its memory is room: growing the size within the capacity allocates nothing (and a
    // buffer shared elsewhere is copied first, as any change would).
    m_buffer.resize(m_buffer.capacity());
    m_pOut = m_buffer.data();
    m_nRoom = m_buffer.size();
}

void CArchive::Reserve(qsizetype count) {
    if (count <= m_nRoom)
        return;
    const qsizetype stored = m_pOut ? m_pOut - m_buffer.constData() : 0;
    if (stored == 0)
        m_buffer = NewBuffer(count);
    else
        m_buffer.resize(stored + count);
    m_pOut = m_buffer.data() + stored;
    m_nRoom = m_buffer.size() - stored;
}

const QByteArray& CArchive::Buffer() const {
    // The room not used yet is cut off; the next store grows the buffer again.
    if (m_nRoom > 0) {
        m_buffer.resize(m_pOut - m_buffer.constData());
        m_nRoom = 0;
    }
    return m_buffer;
}

void CArchive::WriteWord(quint16 value) {
    char* p = Out(2);
    p[0] = static_cast<char>(value & 0xFF);
    p[1] = static_cast<char>(value >> 8);
}

void CArchive::WriteDWord(quint32 value) {
    char* p = Out(4);
    p[0] = static_cast<char>(value & 0xFF);
    p[1] = static_cast<char>((value >> 8) & 0xFF);
    p[2] = static_cast<char>((value >> 16) & 0xFF);
    p[3] = static_cast<char>((value >> 24) & 0xFF);
}

void CArchive::WriteString(const QByteArray& text) {
    const qsizetype length = text.size();
    char* p = Out(StoredSize(text));
    if (length < 0xFF) {
        *p++ = static_cast<char>(length);
    } else if (length < 0xFFFE) {
        *p++ = static_cast<char>(0xFF);
        *p++ = static_cast<char>(length & 0xFF);
        *p++ = static_cast<char>((length >> 8) & 0xFF);
    } else {
        const auto value = static_cast<quint32>(length);
        const char prefix[7] = {static_cast<char>(0xFF),
                                static_cast<char>(0xFF),
                                static_cast<char>(0xFF),
                                static_cast<char>(value & 0xFF),
                                static_cast<char>((value >> 8) & 0xFF),
                                static_cast<char>((value >> 16) & 0xFF),
                                static_cast<char>((value >> 24) & 0xFF)};
        std::memcpy(p, prefix, sizeof prefix);
        p += sizeof prefix;
    }
    if (length > 0)
        std::memcpy(p, text.constData(), size_t(length));
}

void CArchive::WriteStringList(const QList<QByteArray>& list) {
    const auto count = static_cast<quint64>(list.size());
    if (count < 0xFFFF) {
        WriteWord(static_cast<quint16>(count));
    } else {
        WriteWord(0xFFFF);
        WriteDWord(static_cast<quint32>(count));
    }
    for (const QByteArray& text : list)
        WriteString(text);
}
