#include "CCsvParser.h"
#include "CTextDecoder.h"
#include "CVCardParser.h"
#include "ExchangeTestUtil.h"

#include <QElapsedTimer>

namespace {

// A fixed generator, so a failure repeats.
quint32 g_nState = 7781;
quint32 Next() {
    g_nState = g_nState * 214013u + 2531011u;
    return (g_nState >> 16) & 0x7FFF;
}

CContactReader::Result ReadAny(const QByteArray& bytes, EContactFormat format,
                               bool* pOk = nullptr) {
    CContactReader::Result result;
    QString error;
    const bool bOk = CContactReader::Read(bytes, format, result, &error);
    if (pOk)
        *pOk = bOk;
    if (!bOk && result.people.size() != 0)
        qWarning("a failed read returned entries");
    return result;
}

} // namespace

// Broken and hostile files: each gives a sound import of what is readable, with a count or a
// warning of what was not, or a clear failure; never a crash, a hang or runaway memory.
class TestHostileInput : public QObject {
    Q_OBJECT
private slots:
    void brokenCards_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArrayList>("names");
        QTest::addColumn<QByteArray>("notes"); // of the first entry
        QTest::addColumn<bool>("bWarned");
        QTest::newRow("no END") << QByteArray("BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nNOTE:kept\n")
                                << QByteArrayList{"Ann"} << QByteArray("kept") << true;
        QTest::newRow("nested BEGIN")
            << QByteArray("BEGIN:VCARD\nFN:Outer\nBEGIN:VCARD\nFN:Inner\nEND:VCARD\nNOTE:lost\n"
                          "END:VCARD\nBEGIN:VCARD\nFN:Third\nEND:VCARD\n")
            << QByteArrayList{"Outer", "Inner", "Third"} << QByteArray() << true;
        static const char nuls[] = "BEGIN:VCARD\nFN:A\0n\0n\nNOTE:x\0y\nEND:VCARD\n";
        QTest::newRow("nul bytes") << QByteArray(nuls, sizeof nuls - 1) << QByteArrayList{"Ann"}
                                   << QByteArray("xy") << false;
        QTest::newRow("broken quoted-printable")
            << QByteArray("BEGIN:VCARD\nFN:Q\nNOTE;ENCODING=QUOTED-PRINTABLE:a=ZZb=4\nEND:VCARD\n")
            << QByteArrayList{"Q"} << QByteArray("a=ZZb=4") << false;
        QTest::newRow("soft break before END keeps the END")
            << QByteArray("BEGIN:VCARD\nFN:S\nNOTE;ENCODING=QUOTED-PRINTABLE:tail=\nEND:VCARD\n"
                          "BEGIN:VCARD\nFN:T\nEND:VCARD\n")
            << QByteArrayList{"S", "T"} << QByteArray("tail=") << false;
        QTest::newRow("unknown charset")
            << QByteArray("BEGIN:VCARD\nFN:U\nNOTE;CHARSET=X-KLINGON;ENCODING=QUOTED-PRINTABLE:"
                          "K=C3=B6ln\nEND:VCARD\n")
            << QByteArrayList{"U"} << QByteArray("K\xC3\xB6ln") << true;
        QTest::newRow("latin-1 qp charset")
            << QByteArray("BEGIN:VCARD\nFN:L\nNOTE;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:"
                          "K=F6ln\nEND:VCARD\n")
            << QByteArrayList{"L"} << QByteArray("K\xC3\xB6ln") << false;
        QTest::newRow("invalid utf-8")
            << QByteArray("BEGIN:VCARD\nFN:M\xFCller\nNOTE:ok \xC3\xA9\nEND:VCARD\n")
            << QByteArrayList{"M\xC3\xBCller"} << QByteArray("ok \xC3\xA9") << false;
        QTest::newRow("lines that are no properties")
            << QByteArray("BEGIN:VCARD\nFN:J\njunk without colon\n:no name\nEND:VCARD\n")
            << QByteArrayList{"J"} << QByteArray() << true;
        QTest::newRow("unclosed parameter quote")
            << QByteArray("BEGIN:VCARD\nFN;X=\"open:Name\nEND:VCARD\n") << QByteArrayList{"Name"}
            << QByteArray() << false;
        QTest::newRow("empty cards are skipped")
            << QByteArray("BEGIN:VCARD\nEND:VCARD\nBEGIN:VCARD\nVERSION:4.0\nEND:VCARD\n"
                          "BEGIN:VCARD\nFN:E\nEND:VCARD\n")
            << QByteArrayList{"E"} << QByteArray() << false;
    }
    void brokenCards() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArrayList, names);
        QFETCH(QByteArray, notes);
        QFETCH(bool, bWarned);
        bool bOk = false;
        const CContactReader::Result result = ReadAny(file, EContactFormat::VCard, &bOk);
        QVERIFY(bOk);
        QByteArrayList got;
        for (const CPerson& person : result.people)
            got.append(person.m_strName);
        QCOMPARE(got, names);
        QCOMPARE(result.people[0].m_strNotes, notes);
        QCOMPARE(!result.report.warnings.isEmpty(), bWarned);
    }

    // Thousands of one-character folds before a colon that never comes: linear, then skipped.
    void manyShortFolds() {
        QByteArray file = "BEGIN:VCARD\nFN:F\nX-JUNK";
        for (int i = 0; i < 200000; ++i)
            file += "\n a";
        file += "\nNOTE:after\nEND:VCARD\n";
        QElapsedTimer timer;
        timer.start();
        const CContactReader::Result result = ReadAny(file, EContactFormat::Auto);
        QCOMPARE(result.people.size(), size_t(1));
        QCOMPARE(result.people[0].m_strNotes, QByteArray("after"));
        QVERIFY2(timer.elapsed() < 20000, "folds were scanned again and again");
    }

    void manyGroupsOnOneCard() {
        QByteArray file = "BEGIN:VCARD\nFN:G\nCATEGORIES:";
        for (int i = 0; i < 100000; ++i)
            file += "g" + QByteArray::number(i % 50000) + ',';
        file += "\nEND:VCARD\n";
        const CContactReader::Result result = ReadAny(file, EContactFormat::Auto);
        QCOMPARE(result.people.size(), size_t(1));
        QCOMPARE(result.people[0].m_groups.size(), 50000); // each once
    }

    void emptyCardsAreCounted() {
        const CContactReader::Result result =
            ReadAny("BEGIN:VCARD\nEND:VCARD\nBEGIN:VCARD\nFN:E\nEND:VCARD\n", EContactFormat::Auto);
        QCOMPARE(result.report.nSkipped, 1);
        QVERIFY(result.report.Summary().contains(
            QStringLiteral("1 card or row could not be read and was skipped")));
    }

    // A 50 MB photo is stepped over, never copied: the parser keeps no value for it.
    void hugePhoto() {
        QByteArray file = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Big\r\nPHOTO;ENCODING=b;TYPE=JPEG:";
        const QByteArray line = " " + QByteArray(74, 'A') + "\r\n";
        file.reserve(52 * 1024 * 1024);
        while (file.size() < 50 * 1024 * 1024)
            file += line;
        file += "NOTE:after\r\nEND:VCARD\r\n";
        QElapsedTimer timer;
        timer.start();
        CVCardParser parser(file);
        CVCard card;
        QVERIFY(parser.Next(card));
        QCOMPARE(card.m_properties.size(), size_t(4));
        QVERIFY(card.m_properties[2].m_bLeftOut);
        QVERIFY(card.m_properties[2].m_strValue.isEmpty());
        QCOMPARE(card.m_properties[3].Text(), QByteArray("after"));
        const CContactReader::Result result = ReadAny(file, EContactFormat::Auto);
        QCOMPARE(result.people.size(), size_t(1));
        QCOMPARE(result.people[0].m_strNotes, QByteArray("after"));
        QCOMPARE(result.report.nPhotos, 1);
        QVERIFY2(timer.elapsed() < 20000, "stepping over the photo took far too long");
    }

    // One 100 MB line without a line break, as junk inside a card and as a whole file.
    void hugeLine() {
        QByteArray file = "BEGIN:VCARD\nFN:Line\n";
        file += QByteArray(100 * 1024 * 1024, 'x');
        QCOMPARE(CContactReader::Detect(file), EContactFormat::VCard);
        const CContactReader::Result result = ReadAny(file, EContactFormat::Auto);
        QCOMPARE(result.people.size(), size_t(1));
        QCOMPARE(result.people[0].m_strName, QByteArray("Line"));
        QVERIFY(!result.report.warnings.isEmpty());

        file = QByteArray(100 * 1024 * 1024, ';');
        QCOMPARE(CContactReader::Detect(file), EContactFormat::Delimited);
        bool bOk = true;
        ReadAny(file, EContactFormat::Csv, &bOk);
        QVERIFY(!bOk);
        // Under a header, such a row keeps a bounded number of fields and says so.
        const CContactReader::Result result2 =
            ReadAny("Name;E-Mail\n" + file.left(1024 * 1024) + "\nAnn;a@x.test\n",
                    EContactFormat::Auto, &bOk);
        QVERIFY(bOk);
        QCOMPARE(result2.people.back().m_strName, QByteArray("Ann"));
        QVERIFY(result2.report.warnings.join(' ').contains(QStringLiteral("20000 fields")));
    }

    void csvUnclosedQuote() {
        QByteArray file = "Name,E-mail,Notes\nAnn,ann@x.test,\"never closed\n";
        for (int i = 0; i < 1500; ++i)
            file += "Row" + QByteArray::number(i) + ",r" + QByteArray::number(i) + "@x.test,n\n";
        bool bOk = false;
        const CContactReader::Result result = ReadAny(file, EContactFormat::Auto, &bOk);
        QVERIFY(bOk);
        QCOMPARE(result.people.size(), size_t(1501));
        QCOMPARE(result.people[0].m_strNotes, QByteArray("\"never closed"));
        QCOMPARE(result.people[1500].m_strEmail, QByteArray("r1499@x.test"));
        QCOMPARE(result.report.warnings,
                 QStringList{"An unclosed quote at line 2 was read as plain text."});
    }

    void csvQuoteBoundedBySize() {
        // A quote that runs past 64 KB on one line is given up as well.
        QByteArray text = "a,\"" + QByteArray(70 * 1024, 'q') + "\",b\nc,d\n";
        CCsvParser parser(text, ',');
        QList<QByteArray> fields;
        QVERIFY(parser.Next(fields));
        QCOMPARE(fields.size(), 3);
        QCOMPARE(fields[1].size(), 70 * 1024 + 2);
        QVERIFY(parser.Next(fields));
        QCOMPARE(fields, QList<QByteArray>({"c", "d"}));
        QCOMPARE(parser.Warnings().size(), 1);
    }

    void csvRaggedRows() {
        const QByteArray file = "Name,E-mail,Phone\nA\nB,b@x.test,1,extra,more\n,,,\nC,c@x.test\n";
        const CContactReader::Result result = ReadAny(file, EContactFormat::Auto);
        QCOMPARE(result.people.size(), size_t(3));
        QCOMPARE(result.people[0].m_strName, QByteArray("A"));
        QCOMPARE(result.people[1].m_strPhone, QByteArray("1 (Phone)"));
        QCOMPARE(result.people[2].m_strEmail, QByteArray("c@x.test"));
    }

    void csvTenThousandColumns() {
        QByteArray header = "Name,E-mail";
        QByteArray row = "Wide,w@x.test";
        for (int i = 2; i < 10000; ++i) {
            header += ',';
            row += ",v";
        }
        const CContactReader::Result result =
            ReadAny(header + '\n' + row + '\n', EContactFormat::Auto);
        QCOMPARE(result.people.size(), size_t(1));
        QCOMPARE(result.people[0].m_strEmail, QByteArray("w@x.test"));
        // The same width of plain data is no header.
        QCOMPARE(CContactReader::Detect(row + '\n' + row + '\n'), EContactFormat::Delimited);
    }

    // Random bytes and damaged copies of good files: whatever comes back, nothing breaks.
    void garbage() {
        const QByteArray good =
            "BEGIN:VCARD\r\nVERSION:2.1\r\nN:A;B;;;\r\nTEL;HOME:1\r\nNOTE;ENCODING=QUOTED-PRINTABLE"
            ":x=3D=\r\ny\r\nPHOTO;ENCODING=BASE64:\r\n AAAA\r\n\r\nEND:VCARD\r\n"
            "Name,E-mail,\"Phone\"\r\n\"A,\"\"b\",c@d,1\r\n";
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes;
            if (round % 2) {
                bytes = good;
                const int edits = 1 + int(Next() % 8);
                for (int e = 0; e < edits; ++e) {
                    const qsizetype at = Next() % bytes.size();
                    switch (Next() % 3) {
                    case 0:
                        bytes[at] = char(Next() & 0xFF);
                        break;
                    case 1:
                        bytes.remove(at, 1 + Next() % 8);
                        break;
                    default:
                        bytes.insert(at, bytes.mid(Next() % bytes.size(), Next() % 16));
                    }
                    if (bytes.isEmpty())
                        bytes = good;
                }
            } else {
                const int size = int(Next() % 300);
                for (int i = 0; i < size; ++i)
                    bytes += char("\r\n:;,\"=\\ AB.\0\xC3\xFF"[Next() % 16]);
            }
            CContactReader::Result result;
            const EContactFormat format = CContactReader::Detect(bytes);
            const bool bOk = CContactReader::Read(bytes, EContactFormat::Auto, result);
            QCOMPARE(bOk, !result.people.empty());
            QVERIFY(result.people.size() <= size_t(bytes.size()));
            CContactReader::Read(bytes, EContactFormat::VCard, result);
            CContactReader::Read(bytes, EContactFormat::Csv, result);
            Q_UNUSED(format);
            // Everything stored is UTF-8.
            for (const CPerson& person : result.people)
                QVERIFY(CTextDecoder::IsUtf8(person.m_strName + person.m_strNotes));
        }
    }

    void tooManyCardsRefused() {
        QByteArray file;
        file.reserve(65536 * 40);
        for (int i = 0; i < 65536; ++i)
            file += "BEGIN:VCARD\nFN:" + QByteArray::number(i) + "\nEND:VCARD\n";
        CContactReader::Result result;
        QString error;
        QVERIFY(!CContactReader::Read(file, EContactFormat::Auto, result, &error));
        QVERIFY(result.people.empty());
        QVERIFY(!error.isEmpty());
        file.chop(file.size() - file.lastIndexOf("BEGIN:VCARD"));
        QVERIFY(CContactReader::Read(file, EContactFormat::Auto, result, &error));
        QCOMPARE(result.people.size(), size_t(65535));
    }
};

QTEST_GUILESS_MAIN(TestHostileInput)
#include "TestHostileInput.moc"
