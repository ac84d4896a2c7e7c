#include "CFieldSplitter.h"

#include "CImportRecord.h"
#include "CText.h"

#include <cstring>

CFieldSplitter::CFieldSplitter(const QString& delimiters) {
    for (const QChar ch : delimiters) {
        if (ch.unicode() < 0x80)
            m_bByte[ch.unicode()] = true;
        else
            m_multiByte.push_back(QString(ch).toUtf8());
    }
}

QString CFieldSplitter::BuildDelimiters(bool bTab, bool bSemicolon, bool bComma, bool bSpace,
                                        bool bOther, const QString& strOtherChar) {
    QString set;
    if (bTab)
        set += QLatin1Char('\t');
    if (bSemicolon)
        set += QLatin1Char(';');
    if (bComma)
        set += QLatin1Char(',');
    if (bSpace)
        set += QLatin1Char(' ');
    if (bOther)
        set += strOtherChar;
    return set;
}

qsizetype CFieldSplitter::FindDelimiter(QByteArrayView line, qsizetype pos,
                                        qsizetype* pLength) const {
    const auto* p = reinterpret_cast<const unsigned char*>(line.constData());
    const qsizetype size = line.size();
    for (qsizetype i = pos; i < size; ++i) {
        if (m_bByte[p[i]]) {
            *pLength = 1;
            return i;
        }
        if (p[i] >= 0x80) {
            for (const QByteArray& delimiter : m_multiByte) {
                if (size - i >= delimiter.size() &&
                    std::memcmp(p + i, delimiter.constData(), delimiter.size()) == 0) {
                    *pLength = delimiter.size();
                    return i;
                }
            }
        }
    }
    return -1;
}

void CFieldSplitter::SplitLine(const QByteArray& line, QList<QByteArray>& fields) const {
    Split(line, fields, false);
}

void CFieldSplitter::SplitViews(QByteArrayView line, std::vector<QByteArrayView>& fields) const {
    qsizetype pos = 0;
    while (pos < line.size()) {
        qsizetype length = 0;
        const qsizetype found = FindDelimiter(line, pos, &length);
        if (found < 0) {
            fields.push_back(line.sliced(pos));
            break;
        }
        fields.push_back(line.sliced(pos, found - pos));
        pos = found + length;
    }
}

void CFieldSplitter::Split(const QByteArray& line, QList<QByteArray>& fields, bool bViews) const {
    const qsizetype firstField = fields.size();
    thread_local std::vector<QByteArrayView> views;
    views.clear();
    SplitViews(line, views);
    for (const QByteArrayView view : views) {
        const qsizetype from = view.data() - line.constData();
        fields.append(bViews ? QByteArray::fromRawData(line.constData() + from, view.size())
                             : line.mid(from, view.size()));
    }
    // Splitting valid UTF-8 at whole characters leaves every field valid, so only a line that
    // is not valid UTF-8 needs its fields looked at one by one.
    if (!CText::IsValidUtf8(line))
        ToUtf8(fields, firstField);
}

void CFieldSplitter::ToUtf8(QList<QByteArray>& fields, qsizetype firstField) {
    for (qsizetype i = firstField; i < fields.size(); ++i) {
        if (!CText::IsValidUtf8(fields[i]))
            fields[i] = CText::FromWindows1252(fields[i]).toUtf8();
    }
}

qsizetype CFieldSplitter::DelimiterAt(const QByteArray& line, qsizetype pos) const {
    const auto* p = reinterpret_cast<const unsigned char*>(line.constData());
    if (m_bByte[p[pos]])
        return 1;
    if (p[pos] >= 0x80) {
        for (const QByteArray& delimiter : m_multiByte) {
            if (line.size() - pos >= delimiter.size() &&
                std::memcmp(p + pos, delimiter.constData(), delimiter.size()) == 0)
                return delimiter.size();
        }
    }
    return 0;
}

bool CFieldSplitter::EndsInQuote(const QByteArray& text, bool bInQuote) const {
    enum { FieldStart, Unquoted, Quoted } state = bInQuote ? Quoted : FieldStart;
    const char* p = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        if (state == Quoted) {
            const auto* pQuote = static_cast<const char*>(std::memchr(p + i, '"', size - i));
            if (!pQuote)
                return true;
            i = pQuote - p + 1;
            // A doubled quote stands for one and keeps the field open.
            if (i < size && p[i] == '"')
                ++i;
            else
                state = Unquoted;
            continue;
        }
        if (const qsizetype length = DelimiterAt(text, i)) {
            state = FieldStart;
            i += length;
            continue;
        }
        if (state == FieldStart && p[i] == '"')
            state = Quoted;
        else
            state = Unquoted;
        ++i;
    }
    return state == Quoted;
}

bool CFieldSplitter::SplitQuotedLine(const QByteArray& line, QList<QByteArray>& fields) const {
    return SplitQuoted(line, fields);
}

bool CFieldSplitter::SplitQuoted(const QByteArray& line, QList<QByteArray>& fields) const {
    const qsizetype firstField = fields.size();
    const char* p = line.constData();
    const qsizetype size = line.size();
    bool bClosed = true;
    qsizetype pos = 0;
    while (pos < size) {
        qsizetype length = 0;
        if (p[pos] != '"') {
            const qsizetype found = FindDelimiter(line, pos, &length);
            if (found < 0) {
                fields.append(line.mid(pos));
                break;
            }
            fields.append(line.mid(pos, found - pos));
            pos = found + length;
            continue;
        }
        // A quoted field: up to the quote that is not doubled.
        QByteArray field;
        ++pos;
        bool bOpen = true;
        while (pos < size) {
            const auto* pQuote = static_cast<const char*>(std::memchr(p + pos, '"', size - pos));
            const qsizetype quote = pQuote ? pQuote - p : size;
            field.append(p + pos, quote - pos);
            pos = quote;
            if (pos == size)
                break;
            if (pos + 1 < size && p[pos + 1] == '"') {
                field += '"';
                pos += 2;
                continue;
            }
            ++pos;
            bOpen = false;
            break;
        }
        if (bOpen) {
            // The quote never closes: the field runs to the end.
            fields.append(field);
            bClosed = false;
            break;
        }
        // Anything between the closing quote and the next delimiter stays with the field.
        const qsizetype found = FindDelimiter(line, pos, &length);
        if (found < 0) {
            field.append(p + pos, size - pos);
            fields.append(field);
            break;
        }
        field.append(p + pos, found - pos);
        fields.append(field);
        pos = found + length;
    }
    ToUtf8(fields, firstField);
    return bClosed;
}

bool CFieldSplitter::HasQuotedFields(const QList<QByteArray>& lines) {
    constexpr qsizetype kLinesLooked = 1000;
    const auto isSeparator = [](char ch) { return ch == '\t' || ch == ';' || ch == ','; };
    bool bOpened = false;
    const qsizetype count = qMin(lines.size(), kLinesLooked);
    for (qsizetype n = 0; n < count; ++n) {
        const QByteArray& line = lines[n];
        const qsizetype size = line.size();
        for (qsizetype i = line.indexOf('"'); i >= 0; i = line.indexOf('"', i + 1)) {
            const bool bEnd = i + 1 == size || isSeparator(line[i + 1]);
            if (bOpened && bEnd)
                return true;
            if (i == 0 || isSeparator(line[i - 1]))
                bOpened = true;
        }
    }
    return false;
}

int CFieldSplitter::ParseStartRow(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        bNegative = text[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > 0x7fffffff)
            value = 0x7fffffff;
    }
    return static_cast<int>(bNegative ? -value : value);
}

void CFieldSplitter::BuildRecords(const QList<QByteArray>& lines, int nStartRow,
                                  CImportRecord& records,
                                  const std::function<void()>& fnStep) const {
    const qsizetype skip = nStartRow > 1 ? qMin<qsizetype>(nStartRow - 1, lines.size()) : 0;
    records.RemoveAll();
    records.Reserve(static_cast<int>(lines.size() - skip));
    for (qsizetype i = skip; i < lines.size(); ++i) {
        ImportEntry* pEntry = records.NewEntry();
        if (fnStep)
            fnStep();
        pEntry->m_strLine = lines[i];
        Split(pEntry->m_strLine, pEntry->m_pFields, true);
    }
}

void CFieldSplitter::BuildRecords(const QList<QByteArray>& lines, int nStartRow, bool bQuotes,
                                  CImportRecord& records, const std::function<void()>& fnStep,
                                  qsizetype* pnPlainFrom) const {
    if (pnPlainFrom)
        *pnPlainFrom = 0;
    if (!bQuotes) {
        BuildRecords(lines, nStartRow, records, fnStep);
        return;
    }
    const qsizetype skip = nStartRow > 1 ? qMin<qsizetype>(nStartRow - 1, lines.size()) : 0;
    records.RemoveAll();
    records.Reserve(static_cast<int>(lines.size() - skip));
    bool bPlain = false;
    for (qsizetype i = skip; i < lines.size(); ++i) {
        ImportEntry* pEntry = records.NewEntry();
        if (fnStep)
            fnStep();
        const QByteArray& line = lines[i];
        pEntry->m_strLine = line;
        if (bPlain || !line.contains('"')) {
            Split(pEntry->m_strLine, pEntry->m_pFields, true);
            continue;
        }
        if (!EndsInQuote(line, false)) {
            SplitQuoted(line, pEntry->m_pFields);
            continue;
        }
        // A quoted field with line breaks: the lines up to its closing quote make one record.
        QByteArray joined = line;
        qsizetype last = i;
        bool bClosed = false;
        while (last + 1 < lines.size() && last - i < kMaxQuotedLines &&
               joined.size() <= kMaxQuotedBytes) {
            ++last;
            joined += '\n';
            joined += lines[last];
            if (!EndsInQuote(lines[last], true)) {
                bClosed = true;
                break;
            }
        }
        if (bClosed) {
            pEntry->m_strLine = joined;
            SplitQuoted(joined, pEntry->m_pFields);
            i = last;
            continue;
        }
        // The quote never closes: a stray one. The rest of the file is read as plain text, so
        // one stray quote costs one look ahead, not one per line.
        bPlain = true;
        if (pnPlainFrom)
            *pnPlainFrom = i + 1;
        Split(pEntry->m_strLine, pEntry->m_pFields, true);
    }
}
