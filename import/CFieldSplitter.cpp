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

qsizetype CFieldSplitter::FindDelimiter(const QByteArray& line, qsizetype pos,
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

void CFieldSplitter::Split(const QByteArray& line, QList<QByteArray>& fields, bool bViews) const {
    const qsizetype firstField = fields.size();
    auto part = [&](qsizetype from, qsizetype length) {
        return bViews ? QByteArray::fromRawData(line.constData() + from, length)
                      : line.mid(from, length);
    };
    qsizetype pos = 0;
    while (pos < line.size()) {
        qsizetype length = 0;
        const qsizetype found = FindDelimiter(line, pos, &length);
        if (found < 0) {
            fields.append(part(pos, line.size() - pos));
            break;
        }
        fields.append(part(pos, found - pos));
        pos = found + length;
    }
    // Splitting valid UTF-8 at whole characters leaves every field valid, so only a line that
    // is not valid UTF-8 needs its fields looked at one by one.
    if (CText::IsValidUtf8(line))
        return;
    for (qsizetype i = firstField; i < fields.size(); ++i) {
        if (!CText::IsValidUtf8(fields[i]))
            fields[i] = CText::FromWindows1252(fields[i]).toUtf8();
    }
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
