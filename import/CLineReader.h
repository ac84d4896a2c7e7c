#pragma once

#include <QByteArray>
#include <QList>

class QIODevice;

// Cuts the bytes of a text file into lines. A line ends at a line feed; a carriage return right
// before the line feed goes with it, any other carriage return stays in the line. A last line
// without a line end is still a line, and a file ending in a line end has no empty line after it.
// A Ctrl-Z character ends the text. The bytes may arrive in pieces of any size.
class CLineReader {
public:
    explicit CLineReader(QList<QByteArray>& lines) : m_lines(lines) {}

    // Adds the lines completed by `bytes` to the list.
    void Feed(const QByteArray& bytes);
    // Adds the last line, if the text did not end with a line end.
    void Finish();
    // A Ctrl-Z has been seen: whatever follows is ignored.
    bool IsEnded() const { return m_bEnded; }

    // Appends every line of `device` to `lines`. False on a read error; the lines read before
    // it stay in the list.
    static bool ReadLines(QIODevice& device, QList<QByteArray>& lines);
    // The lines of a whole text held in memory.
    static QList<QByteArray> SplitText(const QByteArray& text);

private:
    void AddLine(const char* pBegin, const char* pEnd);

    QList<QByteArray>& m_lines;
    // The start of a line whose end has not arrived yet.
    QByteArray m_pending;
    bool m_bEnded = false;
};
