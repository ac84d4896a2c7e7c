#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

// Raised when the data being read ends early or holds a length that runs past its end.
class CArchiveException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A little-endian archive over a byte buffer, in one direction: loading from bytes or storing to
// bytes. Every read is checked against the bytes left, so no length in a file is ever trusted.
class CArchive {
public:
    // An archive that loads from `data` (kept by the archive: the copy is shared, not copied).
    explicit CArchive(const QByteArray& data);
    // An archive that stores into its own buffer.
    CArchive();

    bool IsLoading() const { return m_bLoading; }
    bool IsStoring() const { return !m_bLoading; }

    quint8 ReadByte();
    quint16 ReadWord();
    quint32 ReadDWord();
    QByteArray ReadString();
    // Reads a string that is likely to repeat across records (a city, a group name): equal
    // texts read through this share one copy, which saves an allocation for each repeat.
    QByteArray ReadSharedString();
    // Appends the names read to `list`.
    void ReadStringList(QList<QByteArray>& list);

    void WriteByte(quint8 value);
    void WriteWord(quint16 value);
    void WriteDWord(quint32 value);
    void WriteString(const QByteArray& text);
    void WriteStringList(const QList<QByteArray>& list);

    // Bytes not yet read, and the reading position.
    qsizetype Remaining() const { return m_nSize - m_nPos; }
    qsizetype Position() const { return m_nPos; }
    void Seek(qsizetype pos);

    // Makes room for `count` more bytes to be stored without growing the buffer again.
    void Reserve(qsizetype count) { m_buffer.reserve(m_buffer.size() + count); }

    // The bytes stored so far.
    const QByteArray& Buffer() const { return m_buffer; }

private:
    void Need(qsizetype count) const;

    bool m_bLoading;
    QByteArray m_source;
    const char* m_pData = nullptr;
    qsizetype m_nSize = 0;
    qsizetype m_nPos = 0;
    QByteArray m_buffer;
    // Texts read by ReadSharedString, keyed by their own bytes (which stay put while shared).
    std::unordered_map<std::string_view, QByteArray> m_shared;
};
