#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

class CPerson;

// Writes a contact file record by record into one buffer, for the batch import: no record is
// kept once written, and the buffer is allocated once (in large pages) and grows only when the
// records outrun the room first made for them. The group names and the record count stand before
// the records in the file but are known only after the last one, so the records are written
// after room left for them, and the start is filled in at the end.
class CContactFileWriter {
public:
    // Makes room for about `expectedSize` bytes of records.
    explicit CContactFileWriter(qsizetype expectedSize);

    // Writes one record, in the current layout.
    void Add(const CPerson& person);
    // Writes one record without groups from its nine texts, in the order the file stores them.
    void Add(const QByteArrayView* pTexts);
    // The records written so far.
    qsizetype Count() const { return m_nCount; }
    // Their bytes: good while the writer lives and nothing more is added.
    QByteArrayView Records() const {
        return QByteArrayView(m_buffer.constData() + kHeadRoom, m_nUsed - kHeadRoom);
    }
    // Forgets the records written.
    void Clear() {
        m_nUsed = kHeadRoom;
        m_nCount = 0;
    }
    // The start of a file of `count` records: the layout version, `groups` and the count.
    static QByteArray Head(const QList<QByteArray>& groups, qsizetype count);
    // The end of the file, after the records: the Notes label and `time`.
    static QByteArray Tail(quint32 time);
    // The whole file: the layout version, `groups`, the count, the records, the Notes label
    // and `time`. Its bytes belong to the writer: good while the writer lives and nothing more
    // is added.
    QByteArray Finish(const QList<QByteArray>& groups, quint32 time);

    // Puts the length of a text the way a contact file stores it at `p`; returns the end. One
    // byte below 255, else 255 and a 16-bit length below 65,534, else 255, 65,535 and a 32-bit
    // length: at most 7 bytes.
    static char* PutLength(char* p, qsizetype length);
    // The length and the bytes of `text` at `p`; returns the end.
    static char* PutText(char* p, QByteArrayView text);
    // The most bytes the record of `person` takes, and the record itself at `p` (returns the
    // end).
    static qsizetype RecordRoom(const CPerson& person);
    static char* PutRecord(char* p, const CPerson& person);
    // The same for a record without groups given as its nine texts.
    static qsizetype RecordRoom(const QByteArrayView* pTexts);
    static char* PutRecord(char* p, const QByteArrayView* pTexts);

private:
    // Makes sure `count` more bytes fit after the records.
    char* Room(qsizetype count);

    // Room for the start of the file (version, group names, count) before the records.
    static constexpr qsizetype kHeadRoom = 64 * 1024;
    QByteArray m_buffer;
    qsizetype m_nUsed = kHeadRoom;
    qsizetype m_nCount = 0;
    bool m_bMapped = false; // the small pages at the start are mapped
};
