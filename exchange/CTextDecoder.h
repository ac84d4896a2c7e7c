#pragma once

#include <QByteArray>

// Turns the bytes of a text file into UTF-8: a UTF-8 byte-order mark is dropped; UTF-16 LE or BE
// (with a byte-order mark, or recognised by its pattern of NUL bytes) is decoded; valid UTF-8 stays
// as it is; anything else is read as Windows-1252.
class CTextDecoder {
public:
    static QByteArray ToUtf8(const QByteArray& bytes);

    // True when `size` bytes at `data` are well-formed UTF-8 (no overlongs, no surrogates).
    static bool IsUtf8(const char* data, qsizetype size);
    static bool IsUtf8(const QByteArray& bytes) { return IsUtf8(bytes.constData(), bytes.size()); }
    // Every byte read as Windows-1252, written as UTF-8; the five bytes the code page leaves
    // undefined become the control characters of the same value, so nothing is lost.
    static QByteArray FromWindows1252(const char* data, qsizetype size);
    static QByteArray FromWindows1252(const QByteArray& bytes) {
        return FromWindows1252(bytes.constData(), bytes.size());
    }
    // One value of unknown 8-bit origin: kept when it is valid UTF-8, else read as Windows-1252.
    static QByteArray FixValue(const QByteArray& bytes);
};
