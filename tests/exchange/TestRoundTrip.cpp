#include "CContactReader.h"
#include "CCsvWriter.h"
#include "CVCardParser.h"
#include "CVCardWriter.h"
#include "ExchangeTestUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Texts that break naive writers: every character vCard or CSV treats specially, line breaks,
// blanks at the ends, letters beyond ASCII, empty fields.
QList<CPerson> HostilePeople() {
    QList<CPerson> people;
    auto add = [&](QByteArray name, QByteArray address, QByteArray city, QByteArray state,
                   QByteArray zip, QByteArray country, QByteArray phone, QByteArray notes,
                   QByteArray email, QList<QByteArray> groups) {
        CPerson p;
        p.m_strName = name;
        p.m_strAddress = address;
        p.m_strCity = city;
        p.m_strState = state;
        p.m_strZip = zip;
        p.m_strCountry = country;
        p.m_strPhone = phone;
        p.m_strNotes = notes;
        p.m_strEmail = email;
        p.m_groups = groups;
        people.append(p);
    };
    add("O'Brien, \"Jack\"; Jr.", "1 Main St\r\nApt 2; rear, left", "Back\\slash", "a:b", "0",
        "\xC3\x96sterreich", "+1 555 0100 (home)\r\n+1 555 0101 (Work Phone)\r\n(555) 0102",
        "Line one\r\n\r\nLine \"three\", with; all: \\n\\", "jack@x.test",
        {"Friends, close", "Work; old", "back\\slash"});
    add("", "", "", "", "", "", "", "", "", {});
    add("  leading and trailing  ", " ", "\t", "", "", "", "  padded  (home)", "  ", " a@b ",
        {" g "});
    add("\xE6\x9D\x8E\xE5\xB0\x8F\xE9\xBE\x99 \xF0\x9F\x98\x80", "", "", "", "", "", "", "", "",
        {"\xE5\xAE\xB6\xE6\x97\x8F"});
    add("Phones", "", "City only", "", "", "",
        "no label\r\n123 (not a label) x\r\n456 ()\r\n"
        "789 (pref)\r\n(home)\r\n12 (a (b))\r\n99 ( x)\r\n\r\n7 (cell)\r\n",
        "", "", {});
    add("Ends with break\r\n", "street\r\n", "", "", "", "", "1\r\n", "note\r\n", "", {});
    add("Long " + QByteArray(300, 'x') + " \xC3\xA9" + QByteArray(100, 'y'),
        QByteArray(500, 'a') + "\xE2\x82\xAC", "", "", "", "", "", QByteArray(1000, ';'), "", {});
    add("* myContacts", "", "", "", "", "", "", "", "", {"* myContacts", "My Contacts", "* Star"});
    add("tel:1", "", "", "", "", "", "tel:123", "", "mailto:x@y", {"a :: b", ":::"});
    // Line feeds and carriage returns alone (older imports, other systems) come back as such.
    add("lf\nalone", "a\nb\rc\r\nd", "", "", "", "", "1 (home)\n2", "x\ry\n\nz", "", {"g\nh"});
    add("cr", "", "", "", "", "", "1\r2 (cell)", "", "", {});
    return people;
}

std::vector<const CPerson*> Pointers(const QList<CPerson>& people) {
    std::vector<const CPerson*> list;
    for (const CPerson& p : people)
        list.push_back(&p);
    return list;
}

// A python that has vobject, or empty.
QString PythonWithVobject() {
    QStringList candidates;
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (!onPath.isEmpty())
        candidates << onPath;
    candidates << QStringLiteral("/usr/bin/python3");
    for (const QString& python : candidates) {
        QProcess process;
        process.start(python, {QStringLiteral("-c"), QStringLiteral("import vobject")});
        if (process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit &&
            process.exitCode() == 0)
            return python;
    }
    return {};
}

// What another reader gives for a text of ours: every line break a line feed, except a carriage
// return alone, for which vCard has no escape: it reads as the two characters \r.
QByteArray Lf(QByteArray text) {
    text.replace("\r\n", "\n");
    return text.replace("\r", "\\r");
}

} // namespace

class TestRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void hostileTexts_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("vcard 4.0") << 0;
        QTest::newRow("vcard 3.0") << 1;
        QTest::newRow("csv") << 2;
    }
    void hostileTexts() {
        QFETCH(int, format);
        const QList<CPerson> people = HostilePeople();
        const QByteArray bytes =
            format == 2
                ? CCsvWriter::Write(Pointers(people))
                : CVCardWriter::Write(Pointers(people), format == 0 ? CVCardWriter::Version::V40
                                                                    : CVCardWriter::Version::V30);
        const CContactReader::Result result = ReadOk(bytes);
        QCOMPARE(int(result.format),
                 format == 2 ? int(EContactFormat::Csv) : int(EContactFormat::VCard));
        QCOMPARE(result.people.size(), size_t(people.size()));
        for (qsizetype i = 0; i < people.size(); ++i) {
            const CPerson& back = result.people[size_t(i)];
            const CPerson& p = people[i];
            ComparePerson(back, {p.m_strName, p.m_strAddress, p.m_strCity, p.m_strState, p.m_strZip,
                                 p.m_strCountry, p.m_strPhone, p.m_strEmail, p.m_strNotes,
                                 p.m_groups.join('|')});
            if (QTest::currentTestFailed())
                qWarning("entry %lld", qlonglong(i));
            QCOMPARE(back, p);
        }
    }

    void vcardLinesAreFoldedWithinUtf8() {
        const QList<CPerson> people = HostilePeople();
        for (auto version : {CVCardWriter::Version::V30, CVCardWriter::Version::V40}) {
            const QByteArray bytes = CVCardWriter::Write(Pointers(people), version);
            QVERIFY(bytes.endsWith("END:VCARD\r\n"));
            QVERIFY(!bytes.contains("\r\n\r\n"));
            for (const QByteArray& line : bytes.split('\n')) {
                QVERIFY2(line.isEmpty() || line.endsWith('\r'), line.constData()); // CRLF only
                QVERIFY2(line.size() <= 76, line.constData());                     // 75 + CR
                // A continuation never starts inside a UTF-8 character.
                if (line.startsWith(' ') && line.size() > 1)
                    QVERIFY((static_cast<unsigned char>(line[1]) & 0xC0) != 0x80);
            }
        }
    }

    void uidStaysWhileTheEntryDoesNot() {
        const QList<CPerson> people = HostilePeople();
        CPerson a = people[0];
        const QByteArray uid = CVCardWriter::Uid(a);
        QVERIFY(uid.startsWith("urn:uuid:"));
        QCOMPARE(uid.size(), 9 + 36);
        QCOMPARE(CVCardWriter::Uid(a), uid);
        QVERIFY(CVCardWriter::Write({&a}).contains("UID:" + uid + "\r\n"));
        // Each of the ten parts counts, and moving text between fields changes the UID too.
        QList<QByteArray*> fields = {&a.m_strName,  &a.m_strAddress, &a.m_strCity,
                                     &a.m_strState, &a.m_strZip,     &a.m_strCountry,
                                     &a.m_strPhone, &a.m_strNotes,   &a.m_strEmail};
        for (QByteArray* field : fields) {
            CPerson changed = a;
            *(&changed.m_strName + (field - &a.m_strName)) += "x";
            QVERIFY(CVCardWriter::Uid(changed) != uid);
        }
        CPerson regrouped = a;
        regrouped.m_groups.append("new");
        QVERIFY(CVCardWriter::Uid(regrouped) != uid);
        CPerson shifted;
        shifted.m_strName = "ab";
        CPerson shifted2;
        shifted2.m_strName = "a";
        shifted2.m_strAddress = "b";
        QVERIFY(CVCardWriter::Uid(shifted) != CVCardWriter::Uid(shifted2));
    }

    void csvHeaderAndQuoting() {
        CPerson p;
        p.m_strName = "A, B";
        p.m_strNotes = "x\r\ny";
        p.m_groups = {"G1", "G2"};
        const QByteArray csv = CCsvWriter::Write({&p});
        QCOMPARE(csv, QByteArray("Name,Address,City,State,ZIP,Country,Phone,E-mail,Notes,Groups\r\n"
                                 "\"A, B\",,,,,,,,\"x\r\ny\",G1 ::: G2\r\n"));
    }

    // Group names made of the separator's own characters come back whole through our CSV.
    void csvGroupNamesWithSeparators_data() {
        QTest::addColumn<QList<QByteArray>>("groups");
        QTest::addColumn<QByteArray>("cell");
        using L = QList<QByteArray>;
        QTest::newRow("plain") << L{"G1", "G2"} << QByteArray("G1 ::: G2");
        QTest::newRow("separator inside") << L{"a ::: b"} << QByteArray("a :::: b");
        QTest::newRow("ends with colons")
            << L{" j\t;i :::", "x"} << QByteArray(" j\t;i :::: ::: x");
        QTest::newRow("starts with colons") << L{"x", "::: y"} << QByteArray("x ::: :::: y");
        QTest::newRow("only colons")
            << L{":::", "::::", "::", ":"} << QByteArray(":::: ::: ::::: ::: :: ::: :");
        QTest::newRow("blanks at the ends") << L{"a ", " b", " "} << QByteArray("a  :::  b :::  ");
        QTest::newRow("colons touching") << L{"a:", ":b"} << QByteArray("a: ::: :b");
        QTest::newRow("tabs around") << L{"a\t:::\tb", "c"} << QByteArray("a\t::::\tb ::: c");
    }
    void csvGroupNamesWithSeparators() {
        QFETCH(QList<QByteArray>, groups);
        QFETCH(QByteArray, cell);
        CPerson p;
        p.m_strName = "N";
        p.m_groups = groups;
        const QByteArray csv = CCsvWriter::Write({&p});
        // Blanks at the cell's ends are kept by quoting it.
        const bool bQuoted = cell.startsWith(' ') || cell.endsWith(' ');
        QCOMPARE(csv.mid(csv.indexOf('\n') + 1),
                 "N,,,,,,,,," + (bQuoted ? '"' + cell + '"' : cell) + "\r\n");
        const CContactReader::Result result = ReadOk(csv);
        QCOMPARE(result.people.size(), size_t(1));
        QCOMPARE(result.people[0].m_groups, groups);
    }

    // Cells written before names were escaped read as they did: the separators are the same.
    void csvGroupCellsOfOlderFiles_data() {
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<QList<QByteArray>>("groups");
        using L = QList<QByteArray>;
        QTest::newRow("one") << QByteArray("Friends") << L{"Friends"};
        QTest::newRow("three") << QByteArray("A ::: B ::: C") << L{"A", "B", "C"};
        QTest::newRow("no blanks") << QByteArray("a:::b") << L{"a:::b"};
        QTest::newRow("separators in a row") << QByteArray("a ::: ::: b") << L{"a", "::: b"};
        // Only a name with four colons in a row reads differently.
        QTest::newRow("four colons") << QByteArray("a :::: b") << L{"a ::: b"};
    }
    void csvGroupCellsOfOlderFiles() {
        QFETCH(QByteArray, cell);
        QFETCH(QList<QByteArray>, groups);
        const CContactReader::Result result =
            ReadOk("Name,Address,City,State,ZIP,Country,Phone,E-mail,Notes,Groups\r\nN,,,,,,,,,\"" +
                   cell + "\"\r\n");
        QCOMPARE(result.people.size(), size_t(1));
        QCOMPARE(result.people[0].m_groups, groups);
    }

    // Records of older 8-bit programs are written as UTF-8 and read back as the same text.
    void windows1252RecordsAreWrittenAsUtf8() {
        CPerson p;
        p.m_strName = "M\xFCller";
        for (const QByteArray& bytes : {CVCardWriter::Write({&p}), CCsvWriter::Write({&p})}) {
            const CContactReader::Result result = ReadOk(bytes);
            QCOMPARE(result.people.size(), size_t(1));
            QCOMPARE(result.people[0].m_strName, QByteArray("M\xC3\xBCller"));
        }
    }

    void largestFile_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("vcard 4.0") << 0;
        QTest::newRow("vcard 3.0") << 1;
        QTest::newRow("csv") << 2;
    }
    void largestFile() {
        QFETCH(int, format);
        QList<CPerson> people;
        people.reserve(65535);
        for (int i = 0; i < 65535; ++i) {
            CPerson p;
            p.m_strName = "Person " + QByteArray::number(i) + (i % 7 ? "" : ", \"Q\"");
            p.m_strAddress = QByteArray::number(i) + " Elm St" + (i % 3 ? "" : "\r\nApt 4");
            p.m_strCity = i % 5 ? "Springfield" : "K\xC3\xB6ln";
            p.m_strState = "IL";
            p.m_strZip = QByteArray::number(10000 + i);
            p.m_strCountry = i % 2 ? "" : "USA";
            p.m_strPhone =
                "555 " + QByteArray::number(i) + (i % 4 ? " (home)" : "\r\n556 (Work x)");
            p.m_strEmail = "p" + QByteArray::number(i) + "@example.org";
            p.m_strNotes = i % 11 ? QByteArray() : QByteArray("note; with\\ specials");
            if (i % 2)
                p.m_groups = {"Family", i % 3 ? "Work" : "Club, inner"};
            people.append(p);
        }
        const QByteArray bytes =
            format == 2
                ? CCsvWriter::Write(Pointers(people))
                : CVCardWriter::Write(Pointers(people), format == 0 ? CVCardWriter::Version::V40
                                                                    : CVCardWriter::Version::V30);
        const CContactReader::Result result = ReadOk(bytes);
        QCOMPARE(result.people.size(), size_t(65535));
        for (int i = 0; i < 65535; ++i)
            if (!(result.people[size_t(i)] == people[i]))
                QFAIL(qPrintable(QStringLiteral("entry %1 differs").arg(i)));

        // One more entry and the whole file is refused.
        CPerson extra;
        extra.m_strName = "one too many";
        people.append(extra);
        const QByteArray tooMany = format == 2 ? CCsvWriter::Write(Pointers(people))
                                               : CVCardWriter::Write(Pointers(people));
        CContactReader::Result refused;
        QString error;
        QVERIFY(!CContactReader::Read(tooMany, EContactFormat::Auto, refused, &error));
        QVERIFY(refused.people.empty());
        QVERIFY(error.contains(QStringLiteral("65,535")));
    }

    // An independent reader finds the same values in every vCard we write.
    void independentReaderAgrees_data() {
        QTest::addColumn<int>("version");
        QTest::newRow("4.0") << 0;
        QTest::newRow("3.0") << 1;
    }
    void independentReaderAgrees() {
        QFETCH(int, version);
        const QString python = PythonWithVobject();
        if (python.isEmpty())
            QSKIP("python3 with vobject is not installed");
        const QList<CPerson> people = HostilePeople();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.vcf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(CVCardWriter::Write(Pointers(people), version == 0
                                                             ? CVCardWriter::Version::V40
                                                             : CVCardWriter::Version::V30));
        file.close();
        QProcess process;
        process.start(python, {QStringLiteral(VOBJECT_CHECK), path});
        QVERIFY(process.waitForFinished(60000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
        const QJsonArray cards = QJsonDocument::fromJson(process.readAllStandardOutput()).array();
        QCOMPARE(cards.size(), people.size());
        for (qsizetype i = 0; i < people.size(); ++i) {
            const CPerson& p = people[i];
            const QJsonObject card = cards[i].toObject();
            auto s = [](const QJsonValue& v) { return v.toString().toUtf8(); };
            QCOMPARE(s(card["version"]), QByteArray(version == 0 ? "4.0" : "3.0"));
            QCOMPARE(s(card["fn"]), Lf(p.m_strName));
            const QJsonArray adr = card["adr"].toArray();
            if (!adr.isEmpty()) {
                QCOMPARE(s(adr[2]), Lf(p.m_strAddress));
                QCOMPARE(s(adr[3]), p.m_strCity);
                QCOMPARE(s(adr[4]), p.m_strState);
                QCOMPARE(s(adr[5]), p.m_strZip);
                QCOMPARE(s(adr[6]), p.m_strCountry);
            } else {
                QVERIFY((p.m_strAddress + p.m_strCity + p.m_strState + p.m_strZip + p.m_strCountry)
                            .isEmpty());
            }
            QList<QByteArray> phoneLines;
            for (const QJsonValue& tel : card["tel"].toArray()) {
                const QByteArray number = s(tel.toArray()[0]);
                const QByteArray label = s(tel.toArray()[1]);
                phoneLines.append(label.isEmpty() ? number : number + " (" + label + ')');
            }
            // Phone lines parted by CR LF are one TEL each; any other break keeps the text whole.
            QByteArray lines = p.m_strPhone;
            const bool bWhole = lines.replace("\r\n", "").contains('\n') || lines.contains('\r');
            QCOMPARE(phoneLines.join("\r\n"), bWhole ? Lf(p.m_strPhone) : p.m_strPhone);
            const QJsonArray emails = card["email"].toArray();
            QCOMPARE(emails.isEmpty() ? QByteArray() : s(emails[0]), Lf(p.m_strEmail));
            const QJsonArray notes = card["note"].toArray();
            QCOMPARE(notes.isEmpty() ? QByteArray() : s(notes[0]), Lf(p.m_strNotes));
            QList<QByteArray> groups;
            for (const QJsonValue& g : card["categories"].toArray())
                groups.append(s(g));
            QCOMPARE(groups, p.m_groups);
        }
    }

    // A card written back keeps what the entry does not map to and replaces the rest.
    void mergeReplacesOnlyMappedProperties() {
        const QByteArray server =
            "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:server-1\r\nFN:Old Name\r\nN:Name;Old;;;\r\n"
            "item1.TEL:1\r\nitem1.X-ABLabel:gym\r\nitem2.URL:http://x.test\r\n"
            "item2.X-ABLabel:blog\r\nX-CUSTOM;X-PARAM=\"a:b\":kept\\, value\r\n"
            "PHOTO;ENCODING=b;TYPE=JPEG:QUFB\r\nNOTE:old\r\nCATEGORIES:Old\r\nEND:VCARD\r\n";
        CVCardParser::Options options;
        options.bKeepBinary = true;
        const std::vector<CVCard> cards = CVCardParser::ParseAll(server, options);
        QCOMPARE(cards.size(), size_t(1));
        CPerson person;
        person.m_strName = "New Name";
        person.m_strPhone = "2 (cell)";
        person.m_groups = {"New"};
        const QByteArray merged = CVCardWriter::Merge(cards[0], person);
        const std::vector<CVCard> back = CVCardParser::ParseAll(merged, options);
        QCOMPARE(back.size(), size_t(1));
        QStringList lines;
        for (const CVCardProperty& property : back[0].m_properties)
            lines << QString::fromUtf8(property.ToLine());
        QCOMPARE(lines,
                 QStringList({"VERSION:3.0", "UID:server-1", "item2.URL:http://x.test",
                              "item2.X-ABLABEL:blog", "X-CUSTOM;X-PARAM=\"a:b\":kept\\, value",
                              "PHOTO;ENCODING=B;TYPE=JPEG:QUFB", "FN:New Name", "N:Name;New;;;",
                              "TEL;TYPE=cell:2", "CATEGORIES:New"}));
        const CContactReader::Result result = ReadOk(merged);
        QCOMPARE(result.people[0].m_strName, QByteArray("New Name"));
        QCOMPARE(result.people[0].m_strPhone, QByteArray("2 (cell)"));
    }
};

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "TestRoundTrip.moc"
