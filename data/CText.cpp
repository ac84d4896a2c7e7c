#include "CText.h"

#include <QStringDecoder>

namespace {

// Windows-1252 characters for the bytes 0x80 to 0x9F. The five bytes the code page leaves
// undefined map to the control characters of the same value, so they survive too.
constexpr char16_t kHigh1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

bool CText::IsValidUtf8(const QByteArray& bytes) {
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return true;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

QString CText::FromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(kHigh1252[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QString CText::ToDisplay(const QByteArray& bytes) {
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return FromWindows1252(bytes);
}

QByteArray CText::FromDisplay(const QString& text) {
    return text.toUtf8();
}
