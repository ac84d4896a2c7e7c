// The batch import writes the common rows of a CSV file straight from their cells; every other
// row goes through the general reading. These tests read each file both ways and compare the
// contact files' bytes, so a row the quick way takes wrongly, or maps differently, shows here.
#include "CBatchImport.h"
#include "CContactFileWriter.h"
#include "CContactReader.h"
#include "CDelimitedBatch.h"

#include <CPerson.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kWideHeader =
    "\"Name\",\"E-mail\",\"Phone\",\"Nickname\",\"Notes\",\"Address\",\"Address 2\",\"City\","
    "\"State\",\"ZIP\",\"Country\",\"Work Phone\",\"Fax\",\"Mobile\",\"Web Page\",\"Anniversary\"";

const QByteArray kOutlookHeader =
    "Title,First Name,Middle Name,Last Name,Suffix,Company,Department,Job Title,Business Street,"
    "Business Street 2,Business City,Business State,Business Postal Code,Business Country/Region,"
    "Home Street,Home City,Home State,Home Postal Code,Home Country/Region,Business Fax,"
    "Business Phone,Mobile Phone,Pager,Anniversary,Birthday,Categories,E-mail Address,E-mail Type,"
    "E-mail 2 Address,Gender,Notes,Priority,Private,Sensitivity,Web Page,Spouse,User 1";

const QByteArray kGoogleHeader =
    "Name,Given Name,Family Name,Nickname,Birthday,Notes,Group Membership,E-mail 1 - Type,"
    "E-mail 1 - Value,E-mail 2 - Value,Phone 1 - Type,Phone 1 - Value,Phone 2 - Value,"
    "Address 1 - Street,Address 1 - City,Address 1 - Region,Address 1 - Postal Code,"
    "Address 2 - Street,Address 2 - City,Organization 1 - Name,Organization 1 - Title,"
    "Website 1 - Value,Custom Field 1 - Type,Custom Field 1 - Value";

const QByteArray kThunderbirdHeader =
    "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,"
    "Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,Home Address,Home Address 2,"
    "Home City,Home State,Home ZipCode,Home Country,Work Address,Work Address 2,Work City,"
    "Work State,Work ZipCode,Work Country,Job Title,Department,Organization,Web Page 1,"
    "Web Page 2,Birth Year,Birth Month,Birth Day,Custom 1,Custom 2,Notes";

qsizetype CountColumns(const QByteArray& header) {
    return header.count(header.contains(';') ? ';' : ',') + 1;
}

// A cell as CSV writes it: in quotes, quotes inside doubled.
QByteArray Cell(QByteArray text) {
    text.replace('"', "\"\"");
    return '"' + text + '"';
}

// The contact file both ways: `quick` with the common rows written from their texts.
QByteArray ContactFile(const QByteArray& csv, bool bQuick, qsizetype* pnQuick = nullptr) {
    CContactFileWriter writer(csv.size() * 2);
    CContactReader::Result result;
    qsizetype quick = 0;
    const auto take = [&](CPerson& person) { writer.Add(person); };
    const auto takeTexts = [&](const QByteArrayView* pTexts) {
        ++quick;
        writer.Add(pTexts);
    };
    QString error;
    const bool bOk = bQuick
                         ? CContactReader::ReadEach(csv, EContactFormat::Csv, result, take,
                                                    takeTexts, &error, {})
                         : CContactReader::ReadEach(csv, EContactFormat::Csv, result, take, &error);
    if (!bOk)
        return "failed: " + error.toUtf8();
    if (pnQuick)
        *pnQuick = quick;
    // The bytes belong to the writer, which goes away here.
    const QByteArray file = writer.Finish({}, 1234);
    return QByteArray(file.constData(), file.size());
}

// The entries each way, to name the first one that differs when the files do.
void CompareEntries(const QByteArray& csv) {
    std::vector<CPerson> general, quick;
    CContactReader::Result result;
    CContactReader::ReadEach(csv, EContactFormat::Csv, result,
                             [&](CPerson& p) { general.push_back(p); });
    CContactReader::ReadEach(
        csv, EContactFormat::Csv, result, [&](CPerson& p) { quick.push_back(p); },
        [&](const QByteArrayView* t) {
            CPerson p;
            QByteArray* fields[9] = {&p.m_strName,  &p.m_strAddress, &p.m_strCity,
                                     &p.m_strState, &p.m_strZip,     &p.m_strCountry,
                                     &p.m_strPhone, &p.m_strNotes,   &p.m_strEmail};
            for (int k = 0; k < 9; ++k)
                *fields[k] = t[k].toByteArray();
            quick.push_back(p);
        },
        nullptr, {});
    QCOMPARE(quick.size(), general.size());
    for (size_t i = 0; i < quick.size(); ++i) {
        const CPerson& a = quick[i];
        const CPerson& b = general[i];
        const QByteArray where = "entry " + QByteArray::number(qsizetype(i));
        QVERIFY2(a.m_strName == b.m_strName, where + " name: " + a.m_strName + " | " + b.m_strName);
        QVERIFY2(a.m_strAddress == b.m_strAddress, where + " address");
        QVERIFY2(a.m_strCity == b.m_strCity && a.m_strState == b.m_strState &&
                     a.m_strZip == b.m_strZip && a.m_strCountry == b.m_strCountry,
                 where + " city/state/zip/country");
        QVERIFY2(a.m_strPhone == b.m_strPhone,
                 where + " phone: " + a.m_strPhone + " | " + b.m_strPhone);
        QVERIFY2(a.m_strNotes == b.m_strNotes,
                 where + " notes: " + a.m_strNotes + " | " + b.m_strNotes);
        QVERIFY2(a.m_strEmail == b.m_strEmail, where + " e-mail");
        QVERIFY2(a.m_groups == b.m_groups, where + " groups");
    }
}

// A generator of the same rows on every run.
struct CRandom {
    quint32 nState = 7781;
    quint32 Next(quint32 below) {
        nState = nState * 214013u + 2531011u;
        return ((nState >> 16) & 0x7FFF) % below;
    }
};

// Rows made of cells of every shape the quick way must tell apart: plain values, blanks,
// values with blanks around them, line breaks, several values in one cell, placeholders,
// quotes, dates, labels with Google's primary mark, group lists.
QByteArray Generated(const QByteArray& header, int rows, quint32 seed) {
    static const QByteArray shapes[] = {
        "",
        " ",
        "Anna Berg",
        "anna@example.org",
        "+49 30 1234",
        "Main St 4",
        "Springfield",
        "IL",
        "62701",
        "Germany",
        "  padded  ",
        "two\r\nlines",
        "lone\nfeed",
        "lone\rreturn",
        "a ::: b",
        "x@y.test ::: z@y.test",
        "normal",
        "False",
        "0.0.00",
        "0/0/00",
        "City",
        "E-mail",
        "Says \"hi\", twice",
        "4.1.2001",
        "1/4/2001",
        "20010104",
        "--0104",
        "* Home",
        "SMTP",
        "Friends;Work",
        "* myContacts ::: Club",
        "M\xC3\xBCller",
        "tab\tinside",
        "ends with tab\t",
        "Anna",
        "Berg",
    };
    const int shapeCount = int(std::size(shapes));
    const qsizetype columns = CountColumns(header);
    CRandom random;
    random.nState = seed;
    QByteArray csv = header + "\r\n";
    for (int r = 0; r < rows; ++r) {
        // Most rows plain, so the quick way is used often; others mixed throughout.
        const bool bPlain = random.Next(3) != 0;
        for (qsizetype c = 0; c < columns; ++c) {
            if (c > 0)
                csv += ',';
            const int pick = !bPlain               ? int(random.Next(quint32(shapeCount)))
                             : random.Next(2) == 0 ? 0
                                                   : 2 + int(random.Next(8));
            csv += Cell(shapes[pick]);
        }
        csv += r % 2 ? "\r\n" : "\n";
    }
    return csv;
}

// The contact file the batch import must write for `csv`: every contact read in order, one
// after the other, with the groups in the order first named.
QByteArray Sequential(const QByteArray& csv, QString* pError) {
    CContactFileWriter writer(csv.size() * 2);
    QList<QByteArray> groups;
    CContactReader::Result result;
    const bool bOk = CContactReader::ReadEach(
        csv, EContactFormat::Auto, result,
        [&](CPerson& person) {
            for (const QByteArray& group : person.m_groups)
                if (!groups.contains(group))
                    groups.append(QByteArray(group.constData(), group.size()));
            writer.Add(person);
        },
        pError);
    if (!bOk)
        return {};
    return CContactFileWriter::Head(groups, writer.Count()) + writer.Records().toByteArray();
}

QByteArray Repeated(const QByteArray& text, int times) {
    QByteArray out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// Over a megabyte of rows: plain ones, with `middle` at the middle of the file (cells of
// several lines, an unclosed quote...), `rows` in all.
QByteArray LargeCsv(int rows, const QByteArray& middle, bool bGroups) {
    QByteArray csv = bGroups ? "Name,E-mail,Phone,City,Notes,Categories\r\n"
                             : "Name,E-mail,Phone,City,Notes,Web Page\r\n";
    csv.reserve(rows * 80);
    for (int i = 0; i < rows; ++i) {
        if (i == rows / 2)
            csv += middle;
        // Rows of one length, so `middle` stands at the middle of the bytes too.
        const QByteArray n = QByteArray::number(i).rightJustified(6, '0');
        csv += "\"Person " + n + "\",p" + n + "@x.test,\"+1 555 " + n + "\",Town " +
               QByteArray::number(i % 50) + ",\"Note, " + n + "\",";
        csv += bGroups ? "Group " + QByteArray::number((i * 7) % 13) : "http://x.test/" + n;
        csv += "\r\n";
    }
    return csv;
}
} // namespace

class TestCsvQuickPath : public QObject {
    Q_OBJECT
private slots:
    void sameFile_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<qsizetype>("nQuick"); // rows the quick way must take

        QTest::newRow("wide plain")
            << QByteArray(kWideHeader + "\r\n" +
                          "\"Ann Lee\",\"ann@x.test\",\"(555) 1\",\"Annie\",\"Says \"\"hi\"\"\","
                          "\"1 Elm St\",\"Apt 2\",\"Salem\",\"OR\",\"97301\",\"USA\",\"555 2\","
                          "\"\",\"555 3\",\"https://x.test\",\"4.1.2001\"\r\n"
                          "\"\",\"bo@x.test\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
                          "\"\",\"\",\"\",\"0/0/00\"\r\n"
                          "\"Cy\",\"\",\"\",\"\",\"\",\"\",\"\",\"City\",\"\",\"62701\",\"\",\"\","
                          "\"\",\"\",\"\",\"\"\r\n")
            << qsizetype(3);
        QTest::newRow("wide odd cells")
            << QByteArray(kWideHeader + "\r\n" +
                          "\" Ann \",\"a@x.test ::: b@x.test\",\"1\r\n2\",\"\",\"line\nbreak\","
                          "\"St\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"a ::: b\",\"\"\r\n"
                          "\"Bo\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
                          "\"\",\"1/4/2001\"\r\n"
                          "Unquoted,u@x.test,,,,,,Town,,,,,,,,\r\n")
            << qsizetype(2);
        // A break in a rebuilt cell, a cell that is nothing but a break (no value at all) and
        // a break in a plain column: only the second row is common.
        QTest::newRow("wide line breaks")
            << QByteArray(
                   kWideHeader + "\r\n" +
                   "\"Di\",\"\",\"\",\"\",\"a \"\"b\"\"\nc\",\"\",\"\",\"\",\"\",\"\",\"\","
                   "\"\",\"\",\"\",\"\",\"\"\r\n"
                   "\"Ed\",\"e@x.test\",\"\",\"\",\"\r\n\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
                   "\"\",\"\",\"\",\"\"\r\n"
                   "\"Fa\",\"f@x.test\",\"5\r6\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
                   "\"\",\"\",\"\",\"\"\r\n")
            << qsizetype(1);
        QTest::newRow("outlook two addresses")
            << QByteArray(kOutlookHeader + "\r\n" +
                          "Dr.,Eva,M,Kern,Jr.,Acme,Sales,Boss,Ring 1,Floor 2,Berlin,BE,10115,DE,"
                          "Weg 2,Bonn,NW,53111,DE,030 9,030 1,0170 1,,1.2.2003,3/4/1970,,"
                          "eva@acme.test,SMTP,eva@home.test,Female,Note,Normal,False,Normal,"
                          "acme.test,Max,Own value\r\n"
                          ",,,,,Acme Only,,,,,,,,,,Bonn,,,,,,,,,,,,,,,,,,,,,\r\n"
                          ",,,,,,,,,,,,,,,,,,,,,,,,,Friends;Work,solo@x.test,,,,,,,,,,\r\n")
            << qsizetype(2);
        QTest::newRow("google labels")
            << QByteArray(kGoogleHeader + "\n" +
                          "Kai Wendt,Kai,Wendt,Kw,1975-03-09,Note,* myContacts,* Home,"
                          "kai@home.test,k2@x.test,Mobile,0170,030,Ring 1,Berlin,BE,10115,"
                          "Weg 2,Bonn,Acme,Boss,http://kai.test,Shoe size,44\n"
                          "Lu Chen,Lu,Chen,,,,,,lu@x.test,,,,030 5,Gasse 1,Wien,,,,,,,,,\n")
            << qsizetype(1);
        QTest::newRow("thunderbird latin-1")
            << QByteArray(kThunderbirdHeader + "\r\n" +
                          "J\xFCrgen,M\xFCller,J\xFCrgen M\xFCller,Jue,j@x.test,j2@x.test,jm,"
                          "030 1,030 2,030 3,,0170,Stra\xDF"
                          "e 1,Hinterhaus,K\xF6ln,NW,50667,"
                          "DE,Work 1,,Bonn,,53111,DE,Chef,IT,Firma,http://a.test,http://b.test,"
                          "1970,4,3,c1,c2,Notiz\r\n"
                          "J\xFCrgen,M\xFCller,,,j@x.test,,,,,,,,,,K\xF6ln,,,,,,,,,,,,,,,,,,"
                          ",,\r\n")
            << qsizetype(1); // birth date parts are the general reading's
        QTest::newRow("live mail nickname as name")
            << QByteArray("\xEF\xBB\xBFName;E-Mail-Adresse;Vorname;Nachname;Spitzname;Firma\r\n"
                          "Bobby;b@x.test;Robert;Brown;Bobby;ACME\r\n"
                          "Bobby;b@x.test;;;Bobby;\r\n"
                          ";;;;;Only Company\r\n"
                          "Ann;a@x.test;Ann;;Annie;Ann\r\n")
            << qsizetype(4);
        QTest::newRow("own layout stays general")
            << QByteArray("Name,Address,City,State,ZIP,Country,Phone,E-mail,Notes,Groups\r\n"
                          "A,B,C,D,E,F,G,H,I,\r\n")
            << qsizetype(0);
        // A negative count: at least that many.
        QTest::newRow("generated wide") << Generated(kWideHeader, 1500, 1) << qsizetype(-300);
        QTest::newRow("generated outlook") << Generated(kOutlookHeader, 1500, 2) << qsizetype(-200);
        QTest::newRow("generated google") << Generated(kGoogleHeader, 1500, 3) << qsizetype(-5);
        QTest::newRow("generated thunderbird")
            << Generated(kThunderbirdHeader, 1500, 4) << qsizetype(-50);
    }
    void sameFile() {
        QFETCH(QByteArray, csv);
        QFETCH(qsizetype, nQuick);
        qsizetype quick = 0;
        const QByteArray fast = ContactFile(csv, true, &quick);
        const QByteArray general = ContactFile(csv, false);
        QVERIFY2(!general.startsWith("failed"), general.constData());
        if (fast != general)
            CompareEntries(csv);
        QVERIFY(fast == general);
        if (nQuick >= 0)
            QCOMPARE(quick, nQuick);
        else
            QVERIFY2(quick >= -nQuick, QByteArray::number(quick).constData());
    }
    // A large file is read in two parts at once, and its records may be written while it is
    // read: the file is the one reading it in one go gives, wherever the middle falls.
    void largeFile_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QStringList>("warnings");

        QTest::newRow("plain, streamed") << LargeCsv(20000, {}, false) << QStringList();
        QTest::newRow("groups in both halves") << LargeCsv(20000, {}, true) << QStringList();
        // Not UTF-8: the rows are read from a converted copy, whose memory is not the file's.
        QByteArray latin1 = LargeCsv(40000, {}, false);
        latin1.replace("Person", "Jos\xE9");
        QTest::newRow("Windows-1252, converted") << latin1 << QStringList();
        // The second part starts at a line inside a quoted cell: the first reads on.
        QByteArray lines = "\"Across\",a@x.test,1,Here,\"";
        for (int i = 0; i < 900; ++i)
            lines += "line " + QByteArray::number(i) + " of a note,\r\n\"\"quoted\"\",x,y\n";
        lines += "end\",http://x.test\r\n";
        QTest::newRow("cell of many lines across the middle")
            << LargeCsv(20000, lines, false) << QStringList();
        // An unclosed quote near the middle: the rest is plain text, and the warning names
        // its line counted from the start.
        QTest::newRow("unclosed quote at the middle")
            << LargeCsv(20000,
                        "Open,o@x.test,1,Here,\"never closed\r\n" + Repeated("x,y\r\n", 1001),
                        false)
            << QStringList{"An unclosed quote at line 10002 was read as plain text."};
    }
    void largeFile() {
        QFETCH(QByteArray, csv);
        QFETCH(QStringList, warnings);
        QVERIFY(csv.size() > 1024 * 1024);
        QString error;
        const QByteArray expected = Sequential(csv, &error);
        QVERIFY2(!expected.isEmpty(), qPrintable(error));

        QTemporaryDir dir;
        QFile file(dir.filePath("in.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size());
        file.close();
        CBatchImport::Options options;
        options.strInput = dir.filePath("in.csv");
        options.strOutput = dir.filePath("out.vby");
        int written = 0;
        QStringList summary;
        QVERIFY2(CBatchImport::Import(options, &error, &written, &summary), qPrintable(error));
        QFile out(options.strOutput);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray bytes = out.readAll();
        // The end: the Notes label and the time, which differs.
        const QByteArray tail = CContactFileWriter::Tail(0);
        QCOMPARE(bytes.size(), expected.size() + tail.size());
        QVERIFY(bytes.first(expected.size()) == expected);
        QCOMPARE(bytes.mid(expected.size(), tail.size() - 4), tail.first(tail.size() - 4));
        for (const QString& warning : warnings)
            QVERIFY2(summary.contains(warning), qPrintable(summary.join('\n')));
    }

    // More than a contact file holds is refused with the same message however the rows are
    // read, and no file is left behind; exactly as many are written.
    void tooMany_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("bGroups");
        QTest::addColumn<bool>("bOk");
        QTest::newRow("65,535") << 65535 << false << true;
        QTest::newRow("65,536") << 65536 << false << false;
        QTest::newRow("65,536 with groups") << 65536 << true << false;
        // Blank lines make the rows look too many to stream; the contacts are still few enough.
        QTest::newRow("65,535 and blank lines") << -65535 << false << true;
    }
    void tooMany() {
        QFETCH(int, rows);
        QFETCH(bool, bGroups);
        QFETCH(bool, bOk);
        QByteArray csv = LargeCsv(qAbs(rows), {}, bGroups);
        if (rows < 0)
            csv += QByteArray(100, '\n');
        QTemporaryDir dir;
        QFile file(dir.filePath("in.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size());
        file.close();
        CBatchImport::Options options;
        options.strInput = dir.filePath("in.csv");
        options.strOutput = dir.filePath("out.vby");
        QString error;
        int written = 0;
        QCOMPARE(CBatchImport::Import(options, &error, &written), bOk);
        QCOMPARE(QFile::exists(options.strOutput), bOk);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), bOk ? 2 : 1);
        if (bOk)
            QCOMPARE(written, qAbs(rows));
        else
            QVERIFY2(error.contains("65,535"), qPrintable(error));
    }

    // Tab-separated text of few enough lines has its records written while they are made: the
    // file is the one made whole.
    void delimitedStreamed() {
        QByteArray text;
        for (int i = 0; i < 30000; ++i) {
            text += "Name " + QByteArray::number(i) + "\t" + QByteArray::number(i) + " Main St\t";
            text += i % 7 ? "Springfield\tIL\t62701" : "M\xFCnchen\tBY\t80331";
            text += i % 11 ? "\t555-0100\tn@x.test\n" : "\r\n\n";
        }
        QTemporaryDir dir;
        QFile file(dir.filePath("in.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        CBatchImport::Options options;
        options.strInput = dir.filePath("in.txt");
        options.strOutput = dir.filePath("out.vby");
        QString error;
        int written = 0;
        QVERIFY2(CBatchImport::Import(options, &error, &written), qPrintable(error));

        CDelimitedBatch::Settings settings;
        settings.strDelimiters = QStringLiteral("\t");
        QByteArray expected;
        qsizetype records = 0;
        QVERIFY(CDelimitedBatch::Build(text, settings, expected, &error, &records));
        QCOMPARE(qsizetype(written), records);
        QFile out(options.strOutput);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray bytes = out.readAll();
        QCOMPARE(bytes.size(), expected.size());
        QVERIFY(bytes.first(bytes.size() - 4) == expected.first(expected.size() - 4));
    }
};

QTEST_GUILESS_MAIN(TestCsvQuickPath)
#include "TestCsvQuickPath.moc"
