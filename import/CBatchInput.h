#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QFile;

// The input of a batch import, read whole into one buffer allocated once (in large pages when
// it is large), with what the reading learns of its bytes on the way, while they are in the
// cache: its line breaks and whether it is plain ASCII. A large file is read in two halves at
// once, on two threads.
class CBatchInput {
public:
    // Reads `file` whole into m_bytes; false on a read error (the file's error says which).
    bool Read(QFile& file);

    // At most how many rows `text` can hold, in any encoding the reading takes: every line
    // break holds a line feed or a carriage return byte, whose pairs count once. Counted on
    // the way when `text` is m_bytes as read, or those bytes after a byte-order mark (which
    // holds no break); else counted now.
    qsizetype MostRows(QByteArrayView text) const;
    // Whether m_bytes as read are ASCII without a NUL byte: text read as it is in every
    // encoding. False when it is not known.
    bool IsPlainAscii() const;

    QByteArray m_bytes;

private:
    // The counts of some bytes of the text.
    struct SCounts {
        qsizetype nFeeds = 0;
        qsizetype nReturns = 0;
        qsizetype nPairs = 0; // a carriage return right before a line feed
        bool bAscii = true;   // ASCII without a NUL byte
        // Counts the bytes [from, to) of `p`; a pair at its line feed, which looks at the byte
        // before it, so `from` must be past the first byte of the text.
        void Add(const char* p, qsizetype from, qsizetype to);
        // Counts the byte at `p` alone, without its pair.
        void AddOne(char c);
    };
    static bool ReadRange(int fd, char* p, qsizetype from, qsizetype to, SCounts& counts);
    static qsizetype Rows(const SCounts& counts, QByteArrayView text);

    // Set when the counts are those of m_bytes as read (same data, same size).
    bool m_bKnown = false;
    const char* m_pData = nullptr;
    qsizetype m_nSize = 0;
    SCounts m_counts;
};
