#include "CArchive.h"

#include <cstring>

CArchive::CArchive(const QByteArray& data)
    : m_bLoading(true), m_source(data), m_pData(m_source.constData()), m_nSize(m_source.size()) {}

CArchive::CArchive() : m_bLoading(false) {}

void CArchive::Need(qsizetype count) const {
    if (count < 0 || count > m_nSize - m_nPos)
        throw CArchiveException("the data ends early");
}

void CArchive::Seek(qsizetype pos) {
    if (pos < 0 || pos > m_nSize)
        throw CArchiveException("position out of range");
    m_nPos = pos;
}

quint8 CArchive::ReadByte() {
    Need(1);
    return static_cast<quint8>(m_pData[m_nPos++]);
}

quint16 CArchive::ReadWord() {
    Need(2);
    const auto* p = reinterpret_cast<const quint8*>(m_pData + m_nPos);
    m_nPos += 2;
    return static_cast<quint16>(p[0] | (p[1] << 8));
}

quint32 CArchive::ReadDWord() {
    Need(4);
    const auto* p = reinterpret_cast<const quint8*>(m_pData + m_nPos);
    m_nPos += 4;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

QByteArray CArchive::ReadString() {
    // One byte below 255; else 0xFF and 16 bits; if those are 0xFFFF, 32 bits follow.
    quint32 length = ReadByte();
    if (length == 0xFF) {
        length = ReadWord();
        if (length == 0xFFFF)
            length = ReadDWord();
    }
    if (length == 0)
        return QByteArray();
    Need(static_cast<qsizetype>(length));
    QByteArray text(m_pData + m_nPos, static_cast<qsizetype>(length));
    m_nPos += length;
    return text;
}

QByteArray CArchive::ReadSharedString() {
    QByteArray text = ReadString();
    if (text.isEmpty())
        return text;
    const auto [it, inserted] =
        m_shared.try_emplace(std::string_view(text.constData(), size_t(text.size())), text);
    return inserted ? text : it->second;
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

void CArchive::WriteByte(quint8 value) {
    m_buffer.append(static_cast<char>(value));
}

void CArchive::WriteWord(quint16 value) {
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    m_buffer.append(bytes, 2);
}

void CArchive::WriteDWord(quint32 value) {
    const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                           static_cast<char>((value >> 16) & 0xFF),
                           static_cast<char>((value >> 24) & 0xFF)};
    m_buffer.append(bytes, 4);
}

void CArchive::WriteString(const QByteArray& text) {
    const auto length = static_cast<quint64>(text.size());
    if (length < 0xFF) {
        WriteByte(static_cast<quint8>(length));
    } else if (length < 0xFFFE) {
        WriteByte(0xFF);
        WriteWord(static_cast<quint16>(length));
    } else {
        WriteByte(0xFF);
        WriteWord(0xFFFF);
        WriteDWord(static_cast<quint32>(length));
    }
    m_buffer.append(text);
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
