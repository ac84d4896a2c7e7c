#include "CVCardParser.h"
#include "CVCardWriter.h"

#include <QTest>

namespace {

CVCardProperty OnlyProperty(const QByteArray& line) {
    const std::vector<CVCard> cards =
        CVCardParser::ParseAll("BEGIN:VCARD\r\n" + line + "\r\nEND:VCARD\r\n");
    if (cards.size() != 1 || cards[0].m_properties.size() != 1)
        return {};
    return cards[0].m_properties[0];
}

QByteArray ParamsText(const CVCardProperty& property) {
    QByteArrayList parts;
    for (const CVCardProperty::Param& param : property.m_params)
        parts.append(param.first + '=' + param.second.join(','));
    return parts.join(';');
}

} // namespace

// The parts of a content line: group, name, parameters and value, and how values unescape.
class TestVCardParser : public QObject {
    Q_OBJECT
private slots:
    void contentLine_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("params");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("plain") << QByteArray("FN:Ann") << QByteArray() << QByteArray("FN")
                               << QByteArray() << QByteArray("Ann");
        QTest::newRow("lower-case name, group kept as written")
            << QByteArray("Item1.tel:1") << QByteArray("Item1") << QByteArray("TEL") << QByteArray()
            << QByteArray("1");
        QTest::newRow("2.1 bare words")
            << QByteArray("TEL;WORK;VOICE;PREF:1") << QByteArray() << QByteArray("TEL")
            << QByteArray("TYPE=WORK;TYPE=VOICE;TYPE=PREF") << QByteArray("1");
        QTest::newRow("bare encoding word")
            << QByteArray("NOTE;quoted-printable:a=3Db") << QByteArray() << QByteArray("NOTE")
            << QByteArray("ENCODING=QUOTED-PRINTABLE") << QByteArray("a=b");
        QTest::newRow("repeated TYPE and comma list")
            << QByteArray("EMAIL;type=INTERNET;TYPE=home,pref:a@b") << QByteArray()
            << QByteArray("EMAIL") << QByteArray("TYPE=INTERNET;TYPE=home,pref")
            << QByteArray("a@b");
        QTest::newRow("quoted parameter with colon and semicolon")
            << QByteArray("ADR;LABEL=\"1 Rd; Town: X\";PREF=1:;;1 Rd") << QByteArray()
            << QByteArray("ADR") << QByteArray("LABEL=1 Rd; Town: X;PREF=1")
            << QByteArray(";;1 Rd");
        QTest::newRow("colon in the value")
            << QByteArray("URL:http://x.test:80/a") << QByteArray() << QByteArray("URL")
            << QByteArray() << QByteArray("http://x.test:80/a");
        QTest::newRow("empty value") << QByteArray("NOTE:") << QByteArray() << QByteArray("NOTE")
                                     << QByteArray() << QByteArray();
    }
    void contentLine() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, group);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, params);
        QFETCH(QByteArray, value);
        const CVCardProperty property = OnlyProperty(line);
        QCOMPARE(property.m_strGroup, group);
        QCOMPARE(property.m_strName, name);
        QCOMPARE(ParamsText(property), params);
        QCOMPARE(property.m_strValue, value);
    }

    void unescaping_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArrayList>("components");
        QTest::newRow("all escapes")
            << QByteArray("a\\nb\\Nc\\,d\\;e\\\\f\\:g") << QByteArray("a\nb\nc,d;e\\f:g")
            << QByteArrayList{"a\nb\nc,d;e\\f:g"};
        QTest::newRow("structured")
            << QByteArray("PO;ext;1 Rd\\; rear;Town") << QByteArray("PO;ext;1 Rd; rear;Town")
            << QByteArrayList{"PO", "ext", "1 Rd; rear", "Town"};
        QTest::newRow("empty parts")
            << QByteArray(";;x;") << QByteArray(";;x;") << QByteArrayList{"", "", "x", ""};
        QTest::newRow("unknown escape and trailing backslash")
            << QByteArray("C:\\temp\\") << QByteArray("C:\\temp\\") << QByteArrayList{"C:\\temp\\"};
    }
    void unescaping() {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, text);
        QFETCH(QByteArrayList, components);
        CVCardProperty property;
        property.m_strValue = value;
        QCOMPARE(property.Text(), text);
        QCOMPARE(property.Components(), components);
        // Escaping what Text gives and reading it back gives the text again.
        property.m_strValue = CVCardProperty::Escape(text);
        QCOMPARE(property.Text(), text);
    }

    void typeLabels_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("label");
        QTest::addColumn<bool>("bPreferred");
        QTest::newRow("silent words go")
            << QByteArray("TEL;TYPE=CELL;TYPE=VOICE;TYPE=pref:1") << QByteArray("cell") << true;
        QTest::newRow("usual words lower-cased, others kept")
            << QByteArray("TEL;TYPE=WORK,Fax,X-Custom:1") << QByteArray("work fax X-Custom")
            << false;
        QTest::newRow("PREF parameter")
            << QByteArray("EMAIL;PREF=1;TYPE=INTERNET:a") << QByteArray() << true;
    }
    void typeLabels() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, label);
        QFETCH(bool, bPreferred);
        const CVCardProperty property = OnlyProperty(line);
        QCOMPARE(property.TypeLabel(), label);
        QCOMPARE(property.IsPreferred(), bPreferred);
    }

    void appleLabels() {
        QCOMPARE(CVCardProperty::ReadableLabel("_$!<HomePage>!$_"), QByteArray("Home page"));
        QCOMPARE(CVCardProperty::ReadableLabel("_$!<Other>!$_"), QByteArray("Other"));
        QCOMPARE(CVCardProperty::ReadableLabel("gym"), QByteArray("gym"));
        QCOMPARE(CVCardProperty::ReadableLabel("_$!<>!$_"), QByteArray("_$!<>!$_"));
    }

    void folding_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("short") << QByteArray("FN:Ann");
        QTest::newRow("exactly 75") << "NOTE:" + QByteArray(70, 'a');
        QTest::newRow("76") << "NOTE:" + QByteArray(71, 'a');
        QTest::newRow("two-byte letters")
            << "NOTE:" + QByteArray(200, 'x').replace("x", "\xC3\xA9");
        QTest::newRow("four-byte letters")
            << "NOTE:a" + QByteArray(300, 'x').replace("x", "\xF0\x9F\x98\x80");
        QTest::newRow("blank at a fold") << "NOTE:" + QByteArray(70, 'a') + "   b";
    }
    void folding() {
        QFETCH(QByteArray, line);
        QByteArray out;
        CVCard::AppendFolded(out, line);
        QVERIFY(out.endsWith("\r\n"));
        for (const QByteArray& physical : out.split('\n')) {
            QVERIFY(physical.size() <= 76);
            if (physical.startsWith(' ') && physical.size() > 1)
                QVERIFY((static_cast<unsigned char>(physical[1]) & 0xC0) != 0x80);
        }
        // Unfolding gives the line back.
        const CVCardProperty property = OnlyProperty(out.chopped(2));
        QCOMPARE(property.m_strName + ':' + property.m_strValue, line);
    }

    void rawAndBinaryOnRequest() {
        const QByteArray text = "BEGIN:VCARD\nNOTE;ENCODING=QUOTED-PRINTABLE:a=3D=\nb\n"
                                "PHOTO;ENCODING=b:QU\n FB\nEND:VCARD\n";
        const std::vector<CVCard> plain = CVCardParser::ParseAll(text);
        QCOMPARE(plain[0].m_properties[0].m_strValue, QByteArray("a=b"));
        QVERIFY(plain[0].m_properties[0].m_strRaw.isEmpty());
        QVERIFY(plain[0].m_properties[1].m_bLeftOut);
        QVERIFY(plain[0].m_properties[1].m_strValue.isEmpty());
        CVCardParser::Options options;
        options.bKeepRaw = true;
        options.bKeepBinary = true;
        const std::vector<CVCard> kept = CVCardParser::ParseAll(text, options);
        QCOMPARE(kept[0].m_properties[0].m_strRaw, QByteArray("a=3Db"));
        QCOMPARE(kept[0].m_properties[1].m_strValue, QByteArray("QUFB"));
        QVERIFY(!kept[0].m_properties[1].m_bLeftOut);
        // Written back, the decoded note loses its transfer encoding.
        QCOMPARE(kept[0].m_properties[0].ToLine(), QByteArray("NOTE:a=b"));
    }

    void cardWrittenBackReadsTheSame() {
        const QByteArray text =
            "BEGIN:VCARD\r\nVERSION:3.0\r\nitem1.X-ABDATE;type=pref:2001-01-01\r\n"
            "item1.X-ABLabel:_$!<Anniversary>!$_\r\nNOTE:a\\nb\\, c\r\n"
            "X-LONG:" +
            QByteArray(200, 'z') + "\r\nEND:VCARD\r\n";
        const std::vector<CVCard> cards = CVCardParser::ParseAll(text);
        const std::vector<CVCard> again = CVCardParser::ParseAll(cards[0].ToBytes());
        QCOMPARE(again.size(), size_t(1));
        QCOMPARE(again[0].m_properties.size(), cards[0].m_properties.size());
        for (size_t i = 0; i < cards[0].m_properties.size(); ++i)
            QCOMPARE(again[0].m_properties[i].ToLine(), cards[0].m_properties[i].ToLine());
        QCOMPARE(cards[0].Version(), QByteArray("3.0"));
    }
};

QTEST_GUILESS_MAIN(TestVCardParser)
#include "TestVCardParser.moc"
