#include "CTextDecoder.h"

#include <QString>
#include <cstring>

namespace {

// Windows-1252 characters for the bytes 0x80 to 0x9F.
constexpr char16_t kHigh1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(QByteArray& out, char32_t c) {
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD, an odd last byte is dropped.
QByteArray FromUtf16(const char* data, qsizetype size, bool bBigEndian) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const qsizetype units = size / 2;
    auto unit = [&](qsizetype i) -> char16_t {
        return bBigEndian ? char16_t(p[2 * i] << 8 | p[2 * i + 1])
                          : char16_t(p[2 * i + 1] << 8 | p[2 * i]);
    };
    QByteArray out;
    out.reserve(units + units / 4);
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
            const char16_t low = unit(i + 1);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u < 0xE000)
            AppendUtf8(out, 0xFFFD);
        else
            AppendUtf8(out, u);
    }
    return out;
}

// UTF-16 without a byte-order mark shows as a NUL in every other byte of a mostly-Latin text:
// 0 when the file is not UTF-16, 1 for little-endian, 2 for big-endian.
int SniffUtf16(const QByteArray& bytes) {
    const qsizetype n = std::min<qsizetype>(bytes.size(), 4096) & ~qsizetype(1);
    if (n < 16) // too short to tell a pattern from a few stray NULs
        return 0;
    qsizetype evenZeros = 0, oddZeros = 0;
    for (qsizetype i = 0; i < n; i += 2) {
        evenZeros += bytes[i] == 0;
        oddZeros += bytes[i + 1] == 0;
    }
    const qsizetype pairs = n / 2;
    if (oddZeros * 10 >= pairs * 4 && evenZeros * 20 <= pairs)
        return 1;
    if (evenZeros * 10 >= pairs * 4 && oddZeros * 20 <= pairs)
        return 2;
    return 0;
}

QByteArray WithoutNuls(QByteArray bytes) {
    if (std::memchr(bytes.constData(), 0, size_t(bytes.size())))
        bytes.replace(QByteArray(1, '\0'), QByteArray());
    return bytes;
}

} // namespace

bool CTextDecoder::IsUtf8(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* end = p + size;
    while (p < end) {
        // Eight ASCII bytes at a time.
        while (end - p >= 8) {
            quint64 block;
            std::memcpy(&block, p, 8);
            if (block & 0x8080808080808080ULL)
                break;
            p += 8;
        }
        if (p >= end)
            break;
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int len;
        char32_t min;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            min = 0x10000;
        } else {
            return false;
        }
        if (end - p < len)
            return false;
        char32_t cp = c & (0x7F >> len);
        for (int i = 1; i < len; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
            return false;
        p += len;
    }
    return true;
}

QByteArray CTextDecoder::FromWindows1252(const char* data, qsizetype size) {
    QByteArray out;
    out.reserve(size + size / 8);
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte < 0x80)
            out.append(char(byte));
        else if (byte < 0xA0)
            AppendUtf8(out, kHigh1252[byte - 0x80]);
        else
            AppendUtf8(out, byte);
    }
    return out;
}

QByteArray CTextDecoder::FixValue(const QByteArray& bytes) {
    return IsUtf8(bytes) ? bytes : FromWindows1252(bytes);
}

QByteArray CTextDecoder::ToUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE)
        return WithoutNuls(FromUtf16(bytes.constData() + 2, n - 2, false));
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF)
        return WithoutNuls(FromUtf16(bytes.constData() + 2, n - 2, true));
    if (const int utf16 = SniffUtf16(bytes))
        return WithoutNuls(FromUtf16(bytes.constData(), n, utf16 == 2));

    const qsizetype start = (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) ? 3 : 0;
    const char* data = bytes.constData() + start;
    const qsizetype size = n - start;
    if (IsUtf8(data, size))
        return WithoutNuls(start ? bytes.mid(start) : bytes);

    // Not UTF-8 as a whole. A file of 8-bit text is Windows-1252 throughout; a UTF-8 file with a
    // few stray bytes keeps its good lines and reads only the broken ones as Windows-1252.
    QByteArray out;
    out.reserve(size + size / 8);
    qsizetype pos = 0;
    while (pos < size) {
        const char* nl =
            static_cast<const char*>(std::memchr(data + pos, '\n', size_t(size - pos)));
        const qsizetype end = nl ? nl - data + 1 : size;
        if (IsUtf8(data + pos, end - pos))
            out.append(data + pos, end - pos);
        else
            out.append(FromWindows1252(data + pos, end - pos));
        pos = end;
    }
    return WithoutNuls(out);
}
