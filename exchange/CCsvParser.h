#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringList>
#include <string>
#include <utility>
#include <vector>

// Splits delimited text into rows of fields (RFC 4180): fields in double quotes may hold the
// delimiter, line breaks and doubled quotes; CRLF, LF and a lone CR end a row. A quoted field
// that runs on for more than 64 KB or 1,000 lines without its closing quote is taken as an
// unclosed quote: the text from that quote on is read as plain text, quotes included, and a
// warning says so. Linear in the size of the text on any bytes. Two parsers may read parts of
// one text on two threads, each changing its position at every row: each has cache lines of
// its own.
class alignas(64) CCsvParser {
public:
    static constexpr qsizetype kMaxQuotedBytes = 64 * 1024;
    static constexpr qsizetype kMaxQuotedLines = 1000;
    // Fields of one row beyond this many are left out (with a warning), so a line of nothing
    // but delimiters cannot blow up memory.
    static constexpr qsizetype kMaxFields = 20000;

    // Reads `text` from the byte `start` on, which is on line `line`. With `bViews`, a field
    // that is the text as written (no doubled quote, nothing after its closing quote) points
    // into the bytes of `text` instead of being copied, so `text` must outlive the fields.
    CCsvParser(const QByteArray& text, char delimiter, qsizetype start = 0, qsizetype line = 1,
               bool bViews = false);

    // The next row; false at the end of the text. Rows that are wholly empty are returned too
    // (as one empty field), so line numbers stay right; callers skip them.
    bool Next(QList<QByteArray>& fields);
    // The same row as views, without a QByteArray for each field: a field as written points
    // into `text`, one that had to be rebuilt (doubled quotes, text after the closing quote)
    // into this parser's own bytes. Good until the next call. Fields(...) gives the fields of
    // the row read last as Next(QList) gives them.
    bool NextCells();
    const std::vector<QByteArrayView>& Cells() const { return m_cells; }
    // Whether a cell of the row read last holds a line break (only a quoted one can).
    bool RowHasBreaks() const { return m_bRowBreaks; }
    void Fields(QList<QByteArray>& fields) const;
    // The line the last row started on, from 1.
    qsizetype Line() const { return m_nRowLine; }
    // Where the next row starts, and its line.
    qsizetype Position() const { return m_nPos; }
    qsizetype NextLine() const { return m_nLine; }
    const QStringList& Warnings() const { return m_warnings; }
    // True after an unclosed quote: from there on quotes are read as plain characters.
    bool ReadsQuotesAsText() const { return m_bPlain; }

    // The delimiter of the first line of `text` among comma, semicolon and tab: the one that occurs
    // most often outside quotes (comma when none does).
    static char SniffDelimiter(const QByteArray& text);

private:
    // How a cell was read, for the QByteArray Next gives for it.
    enum class ECell : char {
        Plain,  // unquoted text as written
        Quoted, // the text between quotes as written
        Built,  // rebuilt in m_strBuilt
        None,   // the empty field after a delimiter at the very end of the text
    };
    // Reads one row into m_cells and m_kinds.
    bool Scan();
    void Keep(QByteArrayView cell, ECell kind);
    void EndRow();

    const QByteArray& m_strText;
    char m_cDelimiter;
    qsizetype m_nPos = 0;
    qsizetype m_nLine = 1;
    qsizetype m_nRowLine = 1;
    bool m_bPlain = false; // after an unclosed quote, quotes are plain characters
    bool m_bOverflow = false;
    bool m_bViews = false;
    bool m_bRowBreaks = false;
    QStringList m_warnings;
    // The last row: its cells, how each was read, and the bytes of the rebuilt ones, which
    // get their addresses when the row is complete (m_strBuilt grows while it is read): the
    // cell and its offset in m_strBuilt.
    std::vector<QByteArrayView> m_cells;
    std::vector<ECell> m_kinds;
    std::string m_strBuilt;
    std::vector<std::pair<size_t, size_t>> m_built;
};
