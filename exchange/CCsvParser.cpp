#include "CCsvParser.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The first byte from `i` up to `end` that is `a`, `b` or `c`, else `end`. Sixteen bytes are
// compared at a time where the processor can; elsewhere eight, as one word: a byte equal to one
// of them shows as a zero byte of the word XOR that byte repeated, and the lowest zero byte of
// a word is found exactly.
inline qsizetype FindAny(const char* p, qsizetype i, qsizetype end, char a, char b, char c) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    for (; end - i >= 16; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, va), _mm_cmpeq_epi8(bytes, vb)),
                         _mm_cmpeq_epi8(bytes, vc));
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits)))
            return i + std::countr_zero(mask);
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        constexpr quint64 kOnes = 0x0101010101010101ULL;
        constexpr quint64 kHighs = 0x8080808080808080ULL;
        const quint64 wa = kOnes * static_cast<unsigned char>(a);
        const quint64 wb = kOnes * static_cast<unsigned char>(b);
        const quint64 wc = kOnes * static_cast<unsigned char>(c);
        const auto zeros = [](quint64 v) { return (v - kOnes) & ~v & kHighs; };
        for (; end - i >= 8; i += 8) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            const quint64 found = zeros(word ^ wa) | zeros(word ^ wb) | zeros(word ^ wc);
            if (found)
                return i + std::countr_zero(found) / 8;
        }
    }
    while (i < end && p[i] != a && p[i] != b && p[i] != c)
        ++i;
    return i;
}

} // namespace

CCsvParser::CCsvParser(const QByteArray& text, char delimiter, qsizetype start, qsizetype line,
                       bool bViews)
    : m_strText(text), m_cDelimiter(delimiter), m_nPos(start), m_nLine(line), m_nRowLine(line),
      m_bViews(bViews) {}

inline void CCsvParser::Keep(QByteArrayView cell, ECell kind) {
    if (m_cells.size() < size_t(kMaxFields)) {
        m_cells.push_back(cell);
        m_kinds.push_back(kind);
    } else {
        m_bOverflow = true;
    }
}

void CCsvParser::EndRow() {
    if (m_bOverflow && m_warnings.size() < 20)
        m_warnings.append(QStringLiteral("The row at line %1 has more than %2 fields; the rest "
                                         "were left out.")
                              .arg(m_nRowLine)
                              .arg(kMaxFields));
    m_bOverflow = false;
    // The rebuilt cells get their addresses now that their bytes no longer move.
    for (const auto& [cell, offset] : m_built)
        m_cells[cell] = QByteArrayView(m_strBuilt.data() + offset, m_cells[cell].size());
}

bool CCsvParser::Next(QList<QByteArray>& fields) {
    fields.clear();
    if (!Scan())
        return false;
    Fields(fields);
    return true;
}

bool CCsvParser::NextCells() {
    return Scan();
}

void CCsvParser::Fields(QList<QByteArray>& fields) const {
    fields.clear();
    fields.reserve(qsizetype(m_cells.size()));
    for (size_t k = 0; k < m_cells.size(); ++k) {
        const QByteArrayView cell = m_cells[k];
        switch (m_kinds[k]) {
        case ECell::Plain:
            fields.append(m_bViews ? QByteArray::fromRawData(cell.data(), cell.size())
                                   : QByteArray(cell.data(), cell.size()));
            break;
        case ECell::Quoted:
            // Without views an empty quoted field stays a null array, as it always was.
            if (m_bViews)
                fields.append(QByteArray::fromRawData(cell.data(), cell.size()));
            else
                fields.append(cell.isEmpty() ? QByteArray() : QByteArray(cell.data(), cell.size()));
            break;
        case ECell::Built:
            fields.append(QByteArray(cell.data(), cell.size()));
            break;
        case ECell::None:
            fields.append(QByteArray());
            break;
        }
    }
}

bool CCsvParser::Scan() {
    m_cells.clear();
    m_kinds.clear();
    m_strBuilt.clear();
    m_built.clear();
    m_bRowBreaks = false;
    const char* p = m_strText.constData();
    const qsizetype n = m_strText.size();
    if (m_nPos >= n)
        return false;
    m_nRowLine = m_nLine;
    qsizetype pos = m_nPos;
    const char delimiter = m_cDelimiter;
    for (;;) {
        // One field starts at `pos`.
        if (pos < n && p[pos] == '"' && !m_bPlain) {
            // A field with doubled quotes is rebuilt at the end of m_strBuilt.
            const size_t built = m_strBuilt.size();
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
                        m_strBuilt.append(p + chunk, size_t(i - chunk));
                        bDoubled = true;
                        m_strBuilt += '"';
                        i += 2;
                        chunk = i;
                        bTryJump = true;
                        continue;
                    }
                    bClosed = true;
                    ++i;
                    break;
                }
                // Most quoted fields hold no line break: straight to the next quote when no
                // break stands before it and it lies within the bytes a field may take.
                if (bTryJump && c != '\n' && c != '\r') {
                    bTryJump = false;
                    const qsizetype limit = std::min(n, pos + kMaxQuotedBytes + 1);
                    const qsizetype j = FindAny(p, i, limit, '"', '\n', '\r');
                    if (j < limit ? p[j] == '"' : j == n && n - pos <= kMaxQuotedBytes) {
                        i = j;
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
                // Text after the closing quote up to the delimiter belongs to the field; mostly
                // the delimiter or the line end comes right after it.
                const qsizetype start = i;
                if (i < n && p[i] != delimiter && p[i] != '\n' && p[i] != '\r')
                    i = FindAny(p, i, n, delimiter, '\n', '\r');
                if (!bDoubled && i == start) {
                    Keep(QByteArrayView(p + chunk, start - 1 - chunk), ECell::Quoted);
                } else {
                    m_strBuilt.append(p + chunk, size_t(start - 1 - chunk));
                    m_strBuilt.append(p + start, size_t(i - start));
                    // Its address is set when the row is complete.
                    if (m_cells.size() < size_t(kMaxFields))
                        m_built.emplace_back(m_cells.size(), built);
                    Keep(QByteArrayView(p, qsizetype(m_strBuilt.size() - built)), ECell::Built);
                }
                // Line breaks inside the field count for the line numbers. Every carriage return
                // or line feed counted one, or is the return of a pair counted at its feed.
                m_bRowBreaks = m_bRowBreaks || lines > 0;
                for (qsizetype k = pos; lines > 0 && k < start; ++k)
                    if (p[k] == '\n' || (p[k] == '\r' && (k + 1 >= n || p[k + 1] != '\n')))
                        ++m_nLine;
                pos = i;
            } else {
                m_strBuilt.resize(built);
                m_bPlain = true;
                m_warnings.append(
                    QStringLiteral("An unclosed quote at line %1 was read as plain text.")
                        .arg(m_nLine));
                continue; // read this field again, the quote as a plain character
            }
        } else {
            const qsizetype i = FindAny(p, pos, n, delimiter, '\n', '\r');
            Keep(QByteArrayView(p + pos, i - pos), ECell::Plain);
            pos = i;
        }
        // After a field: a delimiter, a line end or the end of the text.
        if (pos >= n) {
            m_nPos = n;
            EndRow();
            return true;
        }
        if (p[pos] == delimiter) {
            ++pos;
            if (pos >= n) {
                Keep(QByteArrayView(), ECell::None);
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
