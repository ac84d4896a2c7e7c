#include "CCsvParser.h"
#include "ExchangeTestUtil.h"

namespace {

QByteArray Utf16(const QByteArray& utf8, bool bBigEndian) {
    const QString text = QString::fromUtf8(utf8);
    QByteArray out = bBigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (bBigEndian)
            out += char(u >> 8), out += char(u & 0xFF);
        else
            out += char(u & 0xFF), out += char(u >> 8);
    }
    return out;
}

const QByteArray kOutlookHeader =
    "Title,First Name,Middle Name,Last Name,Suffix,Company,Department,Job Title,Business Street,"
    "Business Street 2,Business City,Business State,Business Postal Code,Business Country/Region,"
    "Home Street,Home City,Home State,Home Postal Code,Home Country/Region,Business Fax,"
    "Business Phone,Mobile Phone,Pager,Anniversary,Birthday,Categories,E-mail Address,E-mail Type,"
    "E-mail 2 Address,Gender,Notes,Priority,Private,Sensitivity,Web Page";

} // namespace

// Where each value of a CSV export lands, one row per layout and quirk.
class TestCsvReading : public QObject {
    Q_OBJECT
private slots:
    void layout_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<CExpected>("expected");

        // Google's old layout: " ::: " inside cells, "* " marking the primary value, quoted
        // formatted addresses with line breaks, group memberships with the system one.
        QTest::newRow("google legacy")
            << QByteArray(
                   "Name,Given Name,Additional Name,Family Name,Yomi Name,Name Prefix,Nickname,"
                   "Birthday,Notes,Group Membership,E-mail 1 - Type,E-mail 1 - Value,"
                   "E-mail 2 - Type,E-mail 2 - Value,IM 1 - Type,IM 1 - Service,IM 1 - Value,"
                   "Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,"
                   "Address 1 - Type,Address 1 - Formatted,Address 1 - Street,Address 1 - City,"
                   "Address 1 - PO Box,Address 1 - Region,Address 1 - Postal Code,"
                   "Address 1 - Country,Address 1 - Extended Address,Address 2 - Type,"
                   "Address 2 - Formatted,Address 2 - Street,Address 2 - City,"
                   "Organization 1 - Type,Organization 1 - Name,Organization 1 - Title,"
                   "Website 1 - Type,Website 1 - Value,Custom Field 1 - Type,"
                   "Custom Field 1 - Value\n"
                   "Kai Wendt,Kai,,Wendt,,,Kw,1975-03-09,Mag Kaffee,Import 1 ::: * myContacts,"
                   "Work,kai@work.test ::: k2@work.test,* Home,kai@home.test,Other,Skype ::: ICQ,"
                   "kai.w ::: 1234,Mobile,0170 1,Work,030 1 ::: 030 2,Work,\"Ring 1\nPostfach 3\n"
                   "10115 Berlin\",Ring 1,Berlin,Postfach 3,,10115,DE,Hof,* Home,\"Weg 2\nBonn\","
                   "Weg 2,Bonn,,Acme,Boss,Blog,http://kai.test,Shoe size,44\n")
            << CExpected{
                   "Kai Wendt",
                   "Weg 2",
                   "Bonn",
                   "",
                   "",
                   "",
                   "0170 1 (Mobile)\r\n030 1 (Work)\r\n030 2 (Work)",
                   "kai@home.test",
                   "Mag Kaffee\r\nOrganization: Acme\r\nE-mail (Work): kai@work.test\r\n"
                   "E-mail (Work): k2@work.test\r\n"
                   "Address (Work): Ring 1, Postfach 3, Hof, Berlin, 10115, DE\r\nNickname: Kw\r\n"
                   "Birthday: 1975-03-09\r\nTitle: Boss\r\nWeb page (Blog): http://kai.test\r\n"
                   "Shoe size: 44\r\nIM (Skype): kai.w\r\nIM (ICQ): 1234",
                   "Import 1"};

        // Google's new layout: Labels, "- Label" columns, Organization Name/Title.
        QTest::newRow("google new labels")
            << QByteArray(
                   "First Name,Middle Name,Last Name,Phonetic First Name,Name Prefix,Name Suffix,"
                   "Nickname,File As,Organization Name,Organization Title,Organization Department,"
                   "Birthday,Notes,Photo,Labels,E-mail 1 - Label,E-mail 1 - Value,"
                   "Phone 1 - Label,Phone 1 - Value,Address 1 - Label,Address 1 - Formatted,"
                   "Address 1 - Street,Address 1 - City,Address 1 - PO Box,Address 1 - Region,"
                   "Address 1 - Postal Code,Address 1 - Country,Address 1 - Extended Address\r\n"
                   "Lena,,Vogt,Leena,Dr.,,,,Vogt AG,CEO,,--05-17,,https://photo.test/x,"
                   "Friends ::: * starred ::: myContacts,* Home,lena@home.test,Mobile,+41 1,"
                   "Home,,Seestr. 5,Z\xC3\xBCrich,,ZH,8001,Switzerland,\r\n")
            << CExpected{"Dr. Lena Vogt",
                         "Seestr. 5",
                         "Z\xC3\xBCrich",
                         "ZH",
                         "8001",
                         "Switzerland",
                         "+41 1 (Mobile)",
                         "lena@home.test",
                         "Organization: Vogt AG\r\nTitle: CEO\r\nBirthday: --05-17",
                         "Friends|starred"};

        // Google's Outlook-format export: quoted multi-line values, a trailing comma on the data
        // row only, German dates, categories separated by semicolons.
        QTest::newRow("google outlook format, trailing comma")
            << QByteArray(
                   "First Name,Middle Name,Last Name,Title,Suffix,Web Page,Birthday,Notes,"
                   "E-mail Address,E-mail 2 Address,Primary Phone,Home Phone,Home Address,"
                   "Home Street,Home City,Home Postal Code,Home Country,Company,Categories\n"
                   "Jan,,Roth,,,,31.1.1972,\"Line 1\n\nE-mail Address: old@x.test\nIM: QQ: 1\n\","
                   "jan@x.test,j2@x.test,0361 1,0361 2,\"Anger 1\n99084 Erfurt\",Anger 1,Erfurt,"
                   "99084,DE,Roth GmbH,Importiert am 1.2.;myContacts,\n")
            << CExpected{"Jan Roth",
                         "Anger 1",
                         "Erfurt",
                         "",
                         "99084",
                         "DE",
                         "0361 1 (Primary Phone)\r\n0361 2 (Home Phone)",
                         "jan@x.test",
                         "Line 1\r\n\r\nE-mail Address: old@x.test\r\nIM: QQ: 1\r\n"
                         "Organization: Roth GmbH\r\nE-mail: j2@x.test\r\nBirthday: 1972-01-31",
                         "Importiert am 1.2."};

        // Outlook desktop in Windows-1252, no line end at the end of the file, values that only
        // repeat their column name, M/D/YYYY dates and the "Normal"/"False" defaults.
        QTest::newRow("outlook desktop windows-1252")
            << kOutlookHeader + "\n" +
                   QByteArray(
                       "Prof.,Ute,,Lang,,Contoso,Sales,Job Title,Hauptstr. 1,2. OG,Erfurt,"
                       "Th\xFCringen,99084,Germany,,,,,,Business Fax,555-0100,Mobile Phone,,"
                       "0/0/00,6/5/1984,Kunden;Presse,ute@contoso.test,SMTP,ute2@contoso.test,"
                       "Unspecified,,Normal,False,Normal,http://contoso.test/")
            << CExpected{
                   "Prof. Ute Lang",
                   "Hauptstr. 1\r\n2. OG",
                   "Erfurt",
                   "Th\xC3\xBCringen",
                   "99084",
                   "Germany",
                   "555-0100 (Business Phone)",
                   "ute@contoso.test",
                   "Organization: Contoso\r\nE-mail: ute2@contoso.test\r\nDepartment: Sales\r\n"
                   "Birthday: 1984-06-05\r\nWeb Page: http://contoso.test/",
                   "Kunden|Presse"};

        // Outlook on the web: UTF-8 with a BOM, an empty last line.
        QTest::newRow("outlook web bom")
            << QByteArray(
                   "\xEF\xBB\xBF"
                   "First Name,Middle Name,Last Name,Title,Nickname,Given Yomi,"
                   "E-mail Address,Home Phone,Business Phone,IMAddress,Job Title,Company,"
                   "Business Street,Business City,Business Postal Code,Personal Web Page,"
                   "Birthday,Notes\n"
                   "Rita,,Kranz,,Ri,,rita@x.test,040 1,040 2,rita.im,F\xC3\xBChrung,Kranz KG,"
                   "Kai 3,Hamburg,20457,http://rita.test,1972-01-31,R\xC3\xBC"
                   "ckruf\n\n")
            << CExpected{"Rita Kranz",
                         "Kai 3",
                         "Hamburg",
                         "",
                         "20457",
                         "",
                         "040 1 (Home Phone)\r\n040 2 (Business Phone)",
                         "rita@x.test",
                         "R\xC3\xBC"
                         "ckruf\r\nOrganization: Kranz KG\r\nNickname: Ri\r\nIMAddress: rita.im\r\n"
                         "Title: F\xC3\xBChrung\r\nPersonal Web Page: http://rita.test\r\n"
                         "Birthday: 1972-01-31",
                         ""};

        // Thunderbird in German, Latin-1, header and row ending in a comma, the birthday in
        // three columns.
        QTest::newRow("thunderbird german latin-1")
            << QByteArray(
                   "Vorname,Nachname,Anzeigename,Spitzname,Prim\xE4re E-Mail-Adresse,"
                   "Sekund\xE4re E-Mail-Adresse,Tel. dienstlich,Mobil-Tel.-Nr.,Privat: Adresse,"
                   "Privat: Adresse 2,Privat: Ort,Privat: Bundesland,Privat: PLZ,Privat: Land,"
                   "Dienstlich: Adresse,Dienstlich: Ort,Arbeitstitel,Organisation,Webseite 1,"
                   "Geburtsjahr,Geburtsmonat,Geburtstag,Benutzerdef. 1,Notizen,\n"
                   "Udo,Berg,Udo Berg,,udo@p.test,udo@d.test,0341 1,0172 2,Gasse 8,Hinterhof,"
                   "Leipzig,Sachsen,04109,DE,Amtsweg 1,Halle,Leiter,Stadt,www.udo.test,1966,4,2,"
                   ",Gr\xFC\xDF"
                   "e,\n")
            << CExpected{"Udo Berg",
                         "Gasse 8\r\nHinterhof",
                         "Leipzig",
                         "Sachsen",
                         "04109",
                         "DE",
                         "0341 1 (Tel. dienstlich)\r\n0172 2 (Mobil-Tel.-Nr.)",
                         "udo@p.test",
                         "Gr\xC3\xBC\xC3\x9F"
                         "e\r\nOrganization: Stadt\r\nE-mail: udo@d.test\r\n"
                         "Address (Dienstlich): Amtsweg 1, Halle\r\nTitle: Leiter\r\n"
                         "Webseite 1: www.udo.test\r\nBirthday: 1966-04-02",
                         ""};

        // Windows Live Mail in German: semicolons, BOM, a Name column holding the nickname.
        QTest::newRow("windows live mail german")
            << QByteArray("\xEF\xBB\xBFVorname;Nachname;2. Vorname;Name;Spitzname;E-Mail-Adresse;"
                          "Stra\xC3\x9F"
                          "e (privat);Ort (privat);Postleitzahl (privat);Telefon (privat);"
                          "Mobiltelefon;Webseite (privat);Firma;Notizen\n"
                          "Eva;Mohn;;Evi;Evi;eva@m.test;Feldweg 3;Jena;07743;03641 1;0160 2;"
                          "http://eva.test;Mohn & Co;Hallo\n")
            << CExpected{"Eva Mohn",
                         "Feldweg 3",
                         "Jena",
                         "",
                         "07743",
                         "",
                         "03641 1 (Telefon (privat))\r\n0160 2 (Mobiltelefon)",
                         "eva@m.test",
                         "Hallo\r\nOrganization: Mohn & Co\r\nNickname: Evi\r\n"
                         "Webseite (privat): http://eva.test",
                         ""};

        // LinkedIn: a "Notes:" preamble with a quoted paragraph and an empty line.
        QTest::newRow("linkedin preamble")
            << QByteArray(
                   "Notes:\n\"When exporting your connection data, you may notice that some of "
                   "the email addresses are missing, because of settings.\"\n\n"
                   "First Name,Last Name,URL,Email Address,Company,Position,Connected On\n"
                   "Omar,Haddad,https://www.linkedin.com/in/omar,,Haddad Ltd,CTO,12 Mar 2021\n")
            << CExpected{"Omar Haddad",
                         "",
                         "",
                         "",
                         "",
                         "",
                         "",
                         "",
                         "Organization: Haddad Ltd\r\nURL: https://www.linkedin.com/in/omar\r\n"
                         "Title: CTO\r\nConnected On: 12 Mar 2021",
                         ""};

        // Yahoo: bare Home/Work/Mobile phone columns, Category.
        QTest::newRow("yahoo")
            << QByteArray(
                   "First,Middle,Last,Nickname,Email,Category,Home,Work,Mobile,Title,Company,"
                   "Home Address,Home City,Home State,Home ZIP,Home Country,Comments\n"
                   "Sue,,Park,,sue@y.test,Golf,555 1,,555 3,Chef,Park Inc,5 Oak,Reno,NV,89501,"
                   "USA,hi\n")
            << CExpected{"Sue Park",
                         "5 Oak",
                         "Reno",
                         "NV",
                         "89501",
                         "USA",
                         "555 1 (Home)\r\n555 3 (Mobile)",
                         "sue@y.test",
                         "hi\r\nOrganization: Park Inc\r\nTitle: Chef",
                         "Golf"};

        // Plain headers.
        QTest::newRow("plain german semicolons")
            << QByteArray("Name;E-Mail;Telefon\r\nAnna Beck;anna@b.test;0711 1\r\n")
            << CExpected{"Anna Beck",   "", "", "", "", "", "0711 1 (Telefon)",
                         "anna@b.test", "", ""};
        QTest::newRow("plain english commas, quoted comma and doubled quotes")
            << QByteArray("Name,Email,Phone,Address,City\n\"Doe, \"\"JD\"\" John\",jd@x.test,1,"
                          "\"1 Main St\r\nSuite 2\",Springfield\n")
            << CExpected{"Doe, \"JD\" John",
                         "1 Main St\r\nSuite 2",
                         "Springfield",
                         "",
                         "",
                         "",
                         "1 (Phone)",
                         "jd@x.test",
                         "",
                         ""};
        QTest::newRow("plain tab header")
            << QByteArray("Name\tE-mail\tCity\nMax\tm@x.test\tUlm\n")
            << CExpected{"Max", "", "Ulm", "", "", "", "", "m@x.test", "", ""};
        QTest::newRow("utf-16 le")
            << Utf16("Name,Email,City\r\nJ\xC3\xBCrg,j@x.test,K\xC3\xB6ln\r\n", false)
            << CExpected{"J\xC3\xBCrg", "", "K\xC3\xB6ln", "", "", "", "", "j@x.test", "", ""};
        QTest::newRow("utf-16 be")
            << Utf16("Name;E-Mail;Ort\nJ\xC3\xBCrg;j@x.test;K\xC3\xB6ln\n", true)
            << CExpected{"J\xC3\xBCrg", "", "K\xC3\xB6ln", "", "", "", "", "j@x.test", "", ""};
    }
    void layout() {
        QFETCH(QByteArray, file);
        QFETCH(CExpected, expected);
        QCOMPARE(CContactReader::Detect(file), EContactFormat::Csv);
        const CContactReader::Result result = ReadOk(file);
        QCOMPARE(result.format, EContactFormat::Csv);
        QCOMPARE(result.people.size(), size_t(1));
        ComparePerson(result.people[0], expected);
    }

    // Rows of data, however regular, are never taken for a header.
    void plainDataIsDelimited_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("tab data") << QByteArray("Jane Doe\t12 Elm St\tSpringfield\tIL\t62701\n"
                                                "John Roe\t3 Oak Ave\tRiverton\tCA\t90210\n");
        QTest::newRow("semicolon data")
            << QByteArray("M\xFCller;Hans;Hauptstr. 1;Berlin\nSchmidt;Eva;Ring 2;Bonn\n");
        QTest::newRow("comma data with e-mails")
            << QByteArray("Jane Doe,jane@x.test,555-1234\nJohn Roe,john@x.test,555-9876\n");
        QTest::newRow("one word of a header is not enough") << QByteArray("Name\nJane\nJohn\n");
        QTest::newRow("empty") << QByteArray();
    }
    void plainDataIsDelimited() {
        QFETCH(QByteArray, file);
        QCOMPARE(CContactReader::Detect(file), EContactFormat::Delimited);
        CContactReader::Result result;
        QString error;
        QVERIFY(!CContactReader::Read(file, EContactFormat::Auto, result, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(result.people.empty());
    }

    void splitting_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<char>("delimiter");
        QTest::addColumn<QList<QList<QByteArray>>>("rows");
        using Rows = QList<QList<QByteArray>>;
        QTest::newRow("crlf and lf")
            << QByteArray("a,b\r\nc,d\ne,f") << ',' << Rows{{"a", "b"}, {"c", "d"}, {"e", "f"}};
        QTest::newRow("quoted delimiter and line breaks")
            << QByteArray("\"a;b\";\"c\r\nd\";\"e\nf\"\n") << ';'
            << Rows{{"a;b", "c\r\nd", "e\nf"}};
        QTest::newRow("doubled quotes")
            << QByteArray("\"say \"\"hi\"\"\",x\n") << ',' << Rows{{"say \"hi\"", "x"}};
        QTest::newRow("trailing delimiter") << QByteArray("a,b,\n") << ',' << Rows{{"a", "b", ""}};
        QTest::newRow("ragged rows")
            << QByteArray("a\tb\tc\nd\ne\tf\n") << '\t' << Rows{{"a", "b", "c"}, {"d"}, {"e", "f"}};
        QTest::newRow("empty line is one empty field")
            << QByteArray("a\n\nb\n") << ',' << Rows{{"a"}, {""}, {"b"}};
        QTest::newRow("text after closing quote")
            << QByteArray("\"ab\"cd,e\n") << ',' << Rows{{"abcd", "e"}};
        QTest::newRow("quote inside a field is plain")
            << QByteArray("ab\"c,d\n") << ',' << Rows{{"ab\"c", "d"}};
        QTest::newRow("unclosed quote at the end read as plain text")
            << QByteArray("a,\"b,c\nd,e\n") << ',' << Rows{{"a", "\"b", "c"}, {"d", "e"}};
        // Rebuilt fields of one row, long enough to move the bytes they are rebuilt in.
        const QByteArray longText(300, 'x');
        QTest::newRow("several rebuilt fields in a row")
            << QByteArray("\"" + longText + "\"\"1\",\"a\"\"b\"c,\"\" \"\"\",\"" + longText +
                          "\"tail\n")
            << ',' << Rows{{longText + "\"1", "a\"bc", " \"\"\"", longText + "tail"}};
        QTest::newRow("empty quoted fields and a lone CR inside quotes")
            << QByteArray("\"\",\"a\rb\",\"\"\r\"c\"\r") << ',' << Rows{{"", "a\rb", ""}, {"c"}};
        // The closing quote, delimiter or line end at every place of an eight-byte block.
        Rows places;
        QByteArray text;
        for (int k = 0; k < 17; ++k) {
            const QByteArray value(k, char('a' + k));
            text += "\"" + value + "\"," + value + ";" + QByteArray(k % 3, ' ') + "\r\n";
            places.append({value, value + ";" + QByteArray(k % 3, ' ')});
        }
        QTest::newRow("ends at every place of a block") << text << ',' << places;
    }
    void splitting() {
        QFETCH(QByteArray, text);
        QFETCH(char, delimiter);
        QFETCH(QList<QList<QByteArray>>, rows);
        // Copies and views give the same fields, and the cells of a row are those fields.
        for (bool bViews : {false, true}) {
            CCsvParser parser(text, delimiter, 0, 1, bViews);
            QList<QList<QByteArray>> got;
            QList<QByteArray> fields;
            while (parser.Next(fields))
                got.append(fields);
            QCOMPARE(got, rows);

            CCsvParser cells(text, delimiter, 0, 1, bViews);
            QList<QList<QByteArray>> gotCells;
            while (cells.NextCells()) {
                QList<QByteArray> row;
                for (QByteArrayView cell : cells.Cells())
                    row.append(cell.toByteArray());
                gotCells.append(row);
            }
            QCOMPARE(gotCells, rows);
            QCOMPARE(cells.Position(), parser.Position());
            QCOMPARE(cells.NextLine(), parser.NextLine());
        }
    }

    void manyRowsKeepTheirOrder() {
        QByteArray file = "Name,Phone,E-mail\n";
        for (int i = 0; i < 500; ++i)
            file += "P" + QByteArray::number(i) + ",\"" + QByteArray::number(i) + "\n" +
                    QByteArray::number(i + 1) + "\",p" + QByteArray::number(i) + "@x.test\n";
        const CContactReader::Result result = ReadOk(file);
        QCOMPARE(result.people.size(), size_t(500));
        QCOMPARE(result.people[499].m_strName, QByteArray("P499"));
        QCOMPARE(result.people[499].m_strPhone, QByteArray("499 (Phone)\r\n500 (Phone)"));
    }
};

QTEST_GUILESS_MAIN(TestCsvReading)
#include "TestCsvReading.moc"
