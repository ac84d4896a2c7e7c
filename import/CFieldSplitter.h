#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

class CImportRecord;

// Splits lines into fields at any of a set of delimiter characters. There is no quoting and no
// trimming: quote characters are ordinary text and blanks stay part of the fields.
class CFieldSplitter {
public:
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

    // The start row as typed: the decimal number at its start, after any blanks and a sign; 0
    // when there are no digits.
    static int ParseStartRow(const QString& text);

    // Empties `records`, then makes one record of every line from `nStartRow` on (all lines
    // when it is 1 or less). `fnStep` runs once per record made, before its line is split.
    // Each record keeps its line, and its fields point into it: a large file is split without
    // copying every field.
    void BuildRecords(const QList<QByteArray>& lines, int nStartRow, CImportRecord& records,
                      const std::function<void()>& fnStep = {}) const;

private:
    // Splits `line`; with `bViews` the fields point into the bytes of `line` instead of copying
    // them, so `line` must outlive them.
    void Split(const QByteArray& line, QList<QByteArray>& fields, bool bViews) const;
    // Where the next delimiter starts at or after `pos`, and its length; -1 when none.
    qsizetype FindDelimiter(const QByteArray& line, qsizetype pos, qsizetype* pLength) const;

    // Single-byte delimiters (ASCII), looked up by byte.
    bool m_bByte[256] = {};
    // Delimiters outside ASCII, as their UTF-8 bytes.
    std::vector<QByteArray> m_multiByte;
};
