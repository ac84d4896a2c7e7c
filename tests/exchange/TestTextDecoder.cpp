#include "CTextDecoder.h"

#include <QStringEncoder>
#include <QTest>

namespace {

QByteArray Utf16(const QString& text, bool bBigEndian, bool bBom) {
    QByteArray out;
    if (bBom)
        out += bBigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (bBigEndian)
            out += char(u >> 8), out += char(u & 0xFF);
        else
            out += char(u & 0xFF), out += char(u >> 8);
    }
    return out;
}

} // namespace

class TestTextDecoder : public QObject {
    Q_OBJECT
private slots:
    void decode_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("utf8");
        const QString text =
            QStringLiteral("Name,E-Mail\r\nJ\u00fcrgen M\u00fcller,j@x.de\r\n\u20ac 5");
        const QByteArray utf8 = text.toUtf8();
        QTest::newRow("utf-8 stays") << utf8 << utf8;
        QTest::newRow("utf-8 bom dropped") << QByteArray("\xEF\xBB\xBF") + utf8 << utf8;
        QTest::newRow("utf-16 le bom") << Utf16(text, false, true) << utf8;
        QTest::newRow("utf-16 be bom") << Utf16(text, true, true) << utf8;
        QTest::newRow("utf-16 le by its nuls") << Utf16(text, false, false) << utf8;
        QTest::newRow("utf-16 be by its nuls") << Utf16(text, true, false) << utf8;
        QTest::newRow("utf-16 surrogate pair") << Utf16(QStringLiteral("a\U0001F600b"), false, true)
                                               << QByteArray("a\xF0\x9F\x98\x80"
                                                             "b");
        QTest::newRow("utf-16 lone surrogate") << QByteArray("\xFF\xFE\x00\xD8\x41\x00", 6)
                                               << QByteArray("\xEF\xBF\xBD"
                                                             "A");
        QTest::newRow("windows-1252")
            << QByteArray("Th\xFCringen \x80 \x93q\x94")
            << QByteArray("Th\xC3\xBCringen \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
        QTest::newRow("utf-8 with one broken line")
            << QByteArray("K\xC3\xB6ln\nK\xF6ln\n") << QByteArray("K\xC3\xB6ln\nK\xC3\xB6ln\n");
        QTest::newRow("overlong utf-8 is not utf-8")
            << QByteArray("\xC0\xAF") << QByteArray("\xC3\x80\xC2\xAF");
        QTest::newRow("surrogate in utf-8 is not utf-8")
            << QByteArray("\xED\xA0\x80") << QByteArray("\xC3\xAD\xC2\xA0\xE2\x82\xAC");
        QTest::newRow("nul bytes dropped") << QByteArray("a\0b\0c", 5) << QByteArray("abc");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, utf8);
        QCOMPARE(CTextDecoder::ToUtf8(bytes), utf8);
    }

    void validatorAgreesWithQt() {
        // Every two-byte and many three-byte sequences: our fast check and Qt's decoder agree.
        for (int a = 0x80; a < 0x100; ++a) {
            for (int b = 0; b < 0x100; b += 3) {
                const QByteArray bytes =
                    QByteArray(1, char(a)) + char(b) + char(0x80 + (a + b) % 64);
                QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
                const QString ignored = decoder(bytes);
                QCOMPARE(CTextDecoder::IsUtf8(bytes), !decoder.hasError());
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTextDecoder)
#include "TestTextDecoder.moc"
