#include "CText.h"

#include <QTest>

class TestText : public QObject {
    Q_OBJECT
private slots:
    void display_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ascii") << QByteArray("Smith") << QStringLiteral("Smith");
        QTest::newRow("utf-8") << QByteArray("M\xc3\xbcller") << QStringLiteral("M\u00fcller");
        QTest::newRow("latin") << QByteArray("M\xfcller") << QStringLiteral("M\u00fcller");
        QTest::newRow("1252 quotes")
            << QByteArray("\x93hi\x94 \x80") << QStringLiteral("\u201chi\u201d \u20ac");
        // The typographic quotes, dashes and symbols of 0x80 to 0x9F, each in its own place.
        QTest::newRow("1252 single quotes")
            << QByteArray("\x91it\x92s") << QStringLiteral("\u2018it\u2019s");
        QTest::newRow("1252 low quotes") << QByteArray("\x82"
                                                       "a\x84")
                                         << QStringLiteral("\u201a"
                                                           "a\u201e");
        QTest::newRow("1252 dashes and ellipsis") << QByteArray("a\x96"
                                                                "b\x97"
                                                                "c\x85")
                                                  << QStringLiteral("a\u2013"
                                                                    "b\u2014"
                                                                    "c\u2026");
        QTest::newRow("1252 symbols") << QByteArray("\x99\x95\x8a\x9a\x9f")
                                      << QStringLiteral("\u2122\u2022\u0160\u0161\u0178");
        QTest::newRow("undefined byte") << QByteArray("a\x81") << QStringLiteral("a\u0081");
    }
    void display() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(CText::ToDisplay(bytes), shown);
    }

    void everyByteSurvivesAsCharacter() {
        QByteArray all;
        for (int b = 0x80; b < 0x100; ++b)
            all.append(static_cast<char>(b));
        const QString shown = CText::ToDisplay(all);
        QCOMPARE(shown.size(), all.size());
        QCOMPARE(QSet<QChar>(shown.begin(), shown.end()).size(), 128);
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "TestText.moc"
