#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

class CImportRecord;

// Splits lines into fields at any of a set of delimiter characters. There is no trimming: blanks
// stay part of the fields. Quote characters are ordinary text unless quoted fields are asked for:
// then a field that starts with a double quote runs to its closing quote, a doubled quote inside
// it stands for one, and delimiters and line breaks inside it belong to the field.
class CFieldSplitter {
public:
    // A quoted field may run over at most this many lines or bytes; a quote left open longer is
    // taken for a stray one, and the lines from there on are read as plain text.
    static constexpr qsizetype kMaxQuotedLines = 1000;
    static constexpr qsizetype kMaxQuotedBytes = 64 * 1024;

    // The delimiter set: each character of `delimiters` separates fields equally.
    explicit CFieldSplitter(const QString& delimiters);

    // The delimiter set in its fixed order: tab, semicolon, comma, blank, then the other
    // character (nothing when it is empty).
    static QString BuildDelimiters(bool bTab, bool bSemicolon, bool bComma, bool bSpace,
                                   bool bOther, const QString& strOtherChar);

    // Appends the fields of `line` to `fields`. A delimiter at the start gives an empty first
    // field, two in a row an empty field between them, one at the end no field after it; an
    // empty line gives no fields. Every field is UTF-8: one that is not valid UTF-8 is read as
    // Windows-1252 and converted.
    void SplitLine(const QByteArray& line, QList<QByteArray>& fields) const;
    // The same with quoted fields; a line break may stand inside a quoted field. Returns false
    // when the line ends inside an open quote (the open field then runs to the end).
    bool SplitQuotedLine(const QByteArray& line, QList<QByteArray>& fields) const;
    // Appends the fields of `line` as SplitLine finds them, as views into `line`, with no
    // conversion of text that is not UTF-8.
    void SplitViews(QByteArrayView line, std::vector<QByteArrayView>& fields) const;

    // Whether the text holds quoted fields: a double quote at the start of a line or right after
    // a tab, semicolon or comma, closed later by a double quote followed by one of those or by
    // the line end. Blanks do not count, since a nickname in quotes inside a name is common.
    // Looks at the first lines only.
    static bool HasQuotedFields(const QList<QByteArray>& lines);

    // The start row as typed: the decimal number at its start, after any blanks and a sign; 0
    // when there are no digits.
    static int ParseStartRow(const QString& text);

    // Empties `records`, then makes one record of every line from `nStartRow` on (all lines
    // when it is 1 or less). `fnStep` runs once per record made, before its line is split.
    // Each record keeps its line, and its fields point into it: a large file is split without
    // copying every field.
    void BuildRecords(const QList<QByteArray>& lines, int nStartRow, CImportRecord& records,
                      const std::function<void()>& fnStep = {}) const;
    // The same with quoted fields when `bQuotes`: a line that ends inside an open quote is joined
    // with the lines after it (by a line feed) until the quote closes, so one record may span
    // several lines; the start row still counts the lines of the file. `pnPlainFrom` (when
    // given) receives the line, counted from 1, from which the text was read as plain text
    // after a quote that never closed, or 0.
    void BuildRecords(const QList<QByteArray>& lines, int nStartRow, bool bQuotes,
                      CImportRecord& records, const std::function<void()>& fnStep = {},
                      qsizetype* pnPlainFrom = nullptr) const;

private:
    // Splits `line`; with `bViews` the fields point into the bytes of `line` instead of copying
    // them, so `line` must outlive them.
    void Split(const QByteArray& line, QList<QByteArray>& fields, bool bViews) const;
    // Where the next delimiter starts at or after `pos`, and its length; -1 when none.
    qsizetype FindDelimiter(QByteArrayView line, qsizetype pos, qsizetype* pLength) const;
    // The length of the delimiter that starts at `pos`, or 0 when none does.
    qsizetype DelimiterAt(const QByteArray& line, qsizetype pos) const;
    // Whether `text` ends inside a quoted field; `bInQuote` tells whether it starts inside one
    // (the text after a line break in a quoted field).
    bool EndsInQuote(const QByteArray& text, bool bInQuote) const;
    // Quoted split of `line` into `fields`; false when it ends inside an open quote.
    bool SplitQuoted(const QByteArray& line, QList<QByteArray>& fields) const;
    // Fields that are not valid UTF-8 are read as Windows-1252 and converted.
    static void ToUtf8(QList<QByteArray>& fields, qsizetype firstField);

    // Single-byte delimiters (ASCII), looked up by byte.
    bool m_bByte[256] = {};
    // Delimiters outside ASCII, as their UTF-8 bytes.
    std::vector<QByteArray> m_multiByte;
};
