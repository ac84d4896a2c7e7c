#include "CCsvParser.h"

#include <cstring>

CCsvParser::CCsvParser(const QByteArray& text, char delimiter, qsizetype start, qsizetype line,
                       bool bViews)
    : m_strText(text), m_cDelimiter(delimiter), m_nPos(start), m_nLine(line), m_nRowLine(line),
      m_bViews(bViews) {}

void CCsvParser::Keep(QList<QByteArray>& fields, QByteArray&& field) {
    if (fields.size() < kMaxFields)
        fields.append(std::move(field));
    else
        m_bOverflow = true;
}

void CCsvParser::EndRow() {
    if (m_bOverflow && m_warnings.size() < 20)
        m_warnings.append(QStringLiteral("The row at line %1 has more than %2 fields; the rest "
                                         "were left out.")
                              .arg(m_nRowLine)
                              .arg(kMaxFields));
    m_bOverflow = false;
}

bool CCsvParser::Next(QList<QByteArray>& fields) {
    fields.clear();
    const char* p = m_strText.constData();
    const qsizetype n = m_strText.size();
    if (m_nPos >= n)
        return false;
    m_nRowLine = m_nLine;
    qsizetype pos = m_nPos;
    for (;;) {
        // One field starts at `pos`.
        if (pos < n && p[pos] == '"' && !m_bPlain) {
            QByteArray field;
            qsizetype i = pos + 1;
            qsizetype lines = 0;
            bool bClosed = false;
            bool bDoubled = false;
            // The jump below is tried once from the start and once after each doubled quote,
            // so a field full of line breaks is not searched again at every byte.
            bool bTryJump = true;
            qsizetype chunk = i;
            while (i < n) {
                const char c = p[i];
                if (c == '"') {
                    if (i + 1 < n && p[i + 1] == '"') {
                        field.append(p + chunk, i - chunk);
                        bDoubled = true;
                        field.append('"');
                        i += 2;
                        chunk = i;
                        bTryJump = true;
                        continue;
                    }
                    // The field as written needs no copy of its own when views are asked for.
                    if (bDoubled || !m_bViews)
                        field.append(p + chunk, i - chunk);
                    bClosed = true;
                    ++i;
                    break;
                }
                // Most quoted fields hold no line break: straight to the next quote when no
                // break stands before it and it lies within the bytes a field may take.
                if (bTryJump && c != '\n' && c != '\r') {
                    bTryJump = false;
                    const auto* pQuote =
                        static_cast<const char*>(std::memchr(p + i, '"', size_t(n - i)));
                    const qsizetype next = pQuote ? pQuote - p : n;
                    if (next - pos <= kMaxQuotedBytes &&
                        !std::memchr(p + i, '\n', size_t(next - i)) &&
                        !std::memchr(p + i, '\r', size_t(next - i))) {
                        i = next;
                        continue;
                    }
                }
                if (c == '\n' || (c == '\r' && (i + 1 >= n || p[i + 1] != '\n')))
                    ++lines;
                if (i - pos > kMaxQuotedBytes || lines > kMaxQuotedLines)
                    break;
                ++i;
            }
            if (bClosed) {
                // Text after the closing quote up to the delimiter belongs to the field.
                const qsizetype start = i;
                while (i < n && p[i] != m_cDelimiter && p[i] != '\n' && p[i] != '\r')
                    ++i;
                if (!bDoubled && m_bViews) {
                    if (i == start)
                        field = QByteArray::fromRawData(p + chunk, start - 1 - chunk);
                    else
                        field = QByteArray(p + chunk, start - 1 - chunk);
                }
                if (i > start)
                    field.append(p + start, i - start);
                // Line breaks inside the field count for the line numbers.
                for (qsizetype k = pos; lines > 0 && k < start; ++k)
                    if (p[k] == '\n' || (p[k] == '\r' && (k + 1 >= n || p[k + 1] != '\n')))
                        ++m_nLine;
                Keep(fields, std::move(field));
                pos = i;
            } else {
                m_bPlain = true;
                m_warnings.append(
                    QStringLiteral("An unclosed quote at line %1 was read as plain text.")
                        .arg(m_nLine));
                continue; // read this field again, the quote as a plain character
            }
        } else {
            qsizetype i = pos;
            while (i < n && p[i] != m_cDelimiter && p[i] != '\n' && p[i] != '\r')
                ++i;
            if (fields.size() < kMaxFields)
                fields.append(m_bViews ? QByteArray::fromRawData(p + pos, i - pos)
                                       : QByteArray(p + pos, i - pos));
            else
                m_bOverflow = true;
            pos = i;
        }
        // After a field: a delimiter, a line end or the end of the text.
        if (pos >= n) {
            m_nPos = n;
            EndRow();
            return true;
        }
        if (p[pos] == m_cDelimiter) {
            ++pos;
            if (pos >= n) {
                Keep(fields, QByteArray());
                m_nPos = n;
                EndRow();
                return true;
            }
            continue;
        }
        if (p[pos] == '\r')
            ++pos;
        if (pos < n && p[pos] == '\n')
            ++pos;
        ++m_nLine;
        m_nPos = pos;
        EndRow();
        return true;
    }
}

char CCsvParser::SniffDelimiter(const QByteArray& text) {
    qsizetype counts[3] = {0, 0, 0};
    const char delimiters[3] = {',', ';', '\t'};
    bool bQuoted = false;
    for (char c : text) {
        if (c == '"')
            bQuoted = !bQuoted;
        if (bQuoted)
            continue;
        if (c == '\n' || c == '\r')
            break;
        for (int k = 0; k < 3; ++k)
            counts[k] += c == delimiters[k];
    }
    int best = 0;
    for (int k = 1; k < 3; ++k)
        if (counts[k] > counts[best])
            best = k;
    return delimiters[best];
}
