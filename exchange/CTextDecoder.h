#pragma once

#include <QByteArray>

// Turns the bytes of a text file into UTF-8: a UTF-8 byte-order mark is dropped; UTF-16 LE or BE
// (with a byte-order mark, or recognised by its pattern of NUL bytes) is decoded; valid UTF-8 stays
// as it is; anything else is read as Windows-1252.
class CTextDecoder {
public:
    static QByteArray ToUtf8(const QByteArray& bytes);
};
