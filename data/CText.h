#pragma once

#include <QByteArray>
#include <QString>

// Converts between the byte strings of a contact file and the text the user sees. Stored bytes
// that are valid UTF-8 show as UTF-8; anything else shows as Windows-1252 (files written by older
// 8-bit programs), with every byte mapped to a character so that nothing is lost.
class CText {
public:
    static QString ToDisplay(const QByteArray& bytes);
    // What the user typed, as it is stored: UTF-8.
    static QByteArray FromDisplay(const QString& text);
    static bool IsValidUtf8(const QByteArray& bytes);
    static QString FromWindows1252(const QByteArray& bytes);
};
