#include "ExchangeTestUtil.h"

// Where each value of a vCard lands, one row per quirk of the exporters.
class TestVCardReading : public QObject {
    Q_OBJECT
private slots:
    void card_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<CExpected>("expected");
        QTest::addColumn<int>("photos");

        // Android 2.1: bare type words, QP with soft breaks (one continuation starting with a
        // blank), two addresses with QP labels, a photo whose base64 ends with an empty line,
        // no line end after the last END.
        QTest::newRow("android 2.1 qp and photo")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Blum;Ada;Maria;Dr.;\r\n"
                   "FN:Ada Blum\r\nORG:Blum Bakery;Ovens\\;Front\r\nTITLE:Baker\r\n"
                   "TEL;WORK;VOICE:(111) 555-0100\r\nTEL;CELL:0170 1111\r\nTEL;VOICE:0800 22\r\n"
                   "ADR;WORK:;;1 Mill Rd;Exton;PA;19341;USA\r\n"
                   "LABEL;WORK;ENCODING=QUOTED-PRINTABLE:1 Mill Rd=0D=0AExton=\r\n, PA\r\n"
                   "ADR;HOME;PREF:;;9 Elm St;Lyon;;69001;France\r\n"
                   "EMAIL;PREF;INTERNET:ada@bakery.test\r\nEMAIL;CELL:ada@cell.test\r\n"
                   "NOTE;ENCODING=QUOTED-PRINTABLE:First part =\r\nsecond part=\r\n third.\r\n\r\n"
                   "PHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n /9j/4AAQSkZJRgABAQ\r\n EASABIAAD\r\n\r\n"
                   "BDAY:19800101\r\nREV:20090101T000000Z\r\nX-CLASS:PUBLIC\r\nEND:VCARD")
            << CExpected{"Ada Blum",
                         "9 Elm St",
                         "Lyon",
                         "",
                         "69001",
                         "France",
                         "(111) 555-0100 (work)\r\n0170 1111 (cell)\r\n0800 22",
                         "ada@bakery.test",
                         "First part second part third.\r\nOrganization: Blum Bakery, "
                         "Ovens;Front\r\n"
                         "E-mail (cell): ada@cell.test\r\nAddress (work): 1 Mill Rd, Exton, PA "
                         "19341, USA\r\n"
                         "Title: Baker\r\nBirthday: 1980-01-01",
                         ""}
            << 1;

        // Android with CHARSET=UTF-8 and soft breaks whose continuation has no leading blank;
        // no N and no FN, so the organisation names the entry; a property in lower case.
        QTest::newRow("android utf-8 qp, no name")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nORG:Rad Werk\r\n"
                   "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;Hafenstra=C3=9Fe 2=0A=\r\n"
                   "Hinterhaus;Kiel;;24103;\r\n"
                   "Note;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Mo 8=E2=80=93=\r\n=31=32=0ADi "
                   "zu\r\n"
                   "END:VCARD\r\n")
            << CExpected{"Rad Werk",
                         "Hafenstra\xC3\x9F"
                         "e 2\r\nHinterhaus",
                         "Kiel",
                         "",
                         "24103",
                         "",
                         "",
                         "",
                         "Mo 8\xE2\x80\x93"
                         "12\r\nDi zu",
                         ""}
            << 0;

        // iOS: every line ends in CR CR LF; item groups with and without X-ABLabel; type=pref.
        QTest::newRow("ios cr cr lf and item groups")
            << QByteArray(
                   "BEGIN:VCARD\r\r\nVERSION:3.0\r\r\nN:Rossi;Luca;;;\r\r\nFN:Luca Rossi\r\r\n"
                   "ORG:Rossi Tyres;\r\r\n"
                   "item1.EMAIL;type=INTERNET;type=pref:luca@tyres.test\r\r\n"
                   "TEL;type=CELL;type=VOICE;type=pref:(650) 555-0123\r\r\n"
                   "item2.URL:www.tyres.test\r\r\nitem2.X-ABLabel:_$!<HomePage>!$_\r\r\n"
                   "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ\r\r\n SkZJRg\r\r\nEND:VCARD\r\r\n")
            << CExpected{"Luca Rossi",
                         "",
                         "",
                         "",
                         "",
                         "",
                         "(650) 555-0123 (cell)",
                         "luca@tyres.test",
                         "Organization: Rossi Tyres\r\nHome page: www.tyres.test",
                         ""}
            << 1;

        // macOS: photo value on the next lines, folded with two blanks and with blanks inside
        // the base64; item1.ADR with X-ABADR; type=pref on the address.
        QTest::newRow("macos two-blank folded photo")
            << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Sand;Mia;;;\r\nFN:Mia Sand\r\n"
                          "EMAIL;type=INTERNET;type=WORK;type=pref:mia@work.test\r\n"
                          "TEL;type=WORK;type=pref:777-555-0199\r\n"
                          "item1.ADR;type=WORK;type=pref:;;12 Quay St;Sunnyside;CA;99999;USA\r\n"
                          "item1.X-ABADR:us\r\nPHOTO;BASE64:\r\n  TU0AKgAAAAgA\r\n  AAx sl RxwC\r\n"
                          "  AAAA\r\nUID:1234-5678\r\nEND:VCARD\r\n")
            << CExpected{"Mia Sand", "12 Quay St",          "Sunnyside",     "CA", "99999",
                         "USA",      "777-555-0199 (work)", "mia@work.test", "",   ""}
            << 1;

        // CardBook 4.0: LF only, empty line between cards handled by the second row, PREF=1,
        // repeated TYPE, upper-case group with an Apple anniversary, an invalid date kept.
        QTest::newRow("cardbook 4.0")
            << QByteArray(
                   "BEGIN:VCARD\nVERSION:4.0\nPRODID:-//Thunderbird.net/NONSGML CardBook//EN\n"
                   "FN:Kr\xC3\xBCger Jonas\nN:Kr\xC3\xBCger;Jonas;;;\nNICKNAME:Joe,JJ\n"
                   "EMAIL;TYPE=WORK:j@work.test\nEMAIL;PREF=1;TYPE=HOME:j@home.test\n"
                   "TEL;TYPE=FAX;TYPE=HOME:Fax privat\nBDAY:19723101\nGENDER:M\n"
                   "ITEM1.X-ABDATE:20190707\nITEM1.X-ABLABEL:Hochzeitstag\n"
                   "CATEGORIES:Familie,Freunde\nEND:VCARD\n")
            << CExpected{"Kr\xC3\xBCger Jonas",
                         "",
                         "",
                         "",
                         "",
                         "",
                         "Fax privat (fax home)",
                         "j@home.test",
                         "E-mail (work): j@work.test\r\nNickname: Joe, JJ\r\nBirthday: 19723101\r\n"
                         "Gender: M\r\nHochzeitstag: 2019-07-07",
                         "Familie|Freunde"}
            << 0;

        // Outlook 2.1: LANGUAGE parameter, PREF address with a QP label line that is only a
        // soft break, photo with an empty line after it, a long unfolded X-MS-OL-DESIGN line.
        QTest::newRow("outlook 2.1")
            << QByteArray(
                   "BEGIN:VCARD\nVERSION:2.1\nN;LANGUAGE=de:Brandt;Olaf;;Herr;\n"
                   "FN:Olaf Brandt\nTEL;WORK;VOICE:+49 611 1\nTEL;WORK;FAX:+49 611 2\n"
                   "ADR;WORK;PREF:;;Weg 1;Wiesbaden;Hessen;65201;Deutschland\n"
                   "LABEL;WORK;PREF;ENCODING=QUOTED-PRINTABLE:Weg 1=0D=0A=\n=0D=0A=\nWiesbaden\n"
                   "X-MS-OL-DEFAULT-POSTAL-ADDRESS:2\nEMAIL;PREF;INTERNET:olaf@firma.test\n"
                   "X-MS-IMADDRESS:olaf.chat\nPHOTO;TYPE=JPEG;ENCODING=BASE64:\n /9j/4AAQ\n "
                   "Zg==\n\n"
                   "X-MS-OL-DESIGN;CHARSET=utf-8:<card xmlns=\"http://schemas.test/\">" +
                   QByteArray(1300, 'x') + "</card>\nREV:20200101T000000Z\nEND:VCARD\n")
            << CExpected{"Olaf Brandt",
                         "Weg 1",
                         "Wiesbaden",
                         "Hessen",
                         "65201",
                         "Deutschland",
                         "+49 611 1 (work)\r\n+49 611 2 (work fax)",
                         "olaf@firma.test",
                         "IM: olaf.chat",
                         ""}
            << 1;

        // Gmail 3.0: five-part N, PO box and extended address, a street ending in \n, escaped
        // colons in URLs, custom labels by item groups, a NOTE with an escaped line break.
        QTest::newRow("gmail 3.0")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Mr. Tom 2 Lee Jr.\r\nN:Lee;Tom;2;Mr.;Jr.\r\n"
                   "EMAIL;TYPE=INTERNET;TYPE=HOME:tom@home.test\r\n"
                   "item1.EMAIL;TYPE=INTERNET:tom@custom.test\r\nitem1.X-ABLabel:gym\r\n"
                   "TEL;TYPE=CELL:0151 1\r\nitem2.TEL:0151 2\r\nitem2.X-ABLabel:GRAND_CENTRAL\r\n"
                   "ADR;TYPE=HOME:PO 7;flat 3;1 Long Rd\\n;Leeds;;LS1;UK\r\n"
                   "item3.URL:http\\://blog.test\r\nitem3.X-ABLabel:BLOG\r\n"
                   "item4.X-ABRELATEDNAMES:Ann\r\nitem4.X-ABLabel:_$!<Spouse>!$_\r\n"
                   "X-SKYPE:tom.lee\r\nNOTE:Line one\\nkey: value\r\nEND:VCARD\r\n")
            << CExpected{"Mr. Tom 2 Lee Jr.",
                         "1 Long Rd\r\nPO 7\r\nflat 3",
                         "Leeds",
                         "",
                         "LS1",
                         "UK",
                         "0151 1 (cell)\r\n0151 2 (GRAND_CENTRAL)",
                         "tom@home.test",
                         "Line one\r\nkey: value\r\nE-mail (gym): tom@custom.test\r\n"
                         "BLOG: http://blog.test\r\nSpouse: Ann\r\nIM (Skype): tom.lee",
                         ""}
            << 0;

        // 4.0 with a quoted LABEL parameter and a fold before the colon; tel: URI value.
        QTest::newRow("4.0 fold before the colon")
            << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Eva Stein\r\n"
                          "TEL;TYPE=work,voice;VALUE=uri:tel:+49-221-1\r\n"
                          "ADR;TYPE=home;LABEL=\"Heidestr. 1\\n50667 K\xC3\xB6ln\"\r\n"
                          " :;;Heidestr. 1;K\xC3\xB6ln;;50667;Germany\r\nEND:VCARD\r\n")
            << CExpected{"Eva Stein",
                         "Heidestr. 1",
                         "K\xC3\xB6ln",
                         "",
                         "50667",
                         "Germany",
                         "+49-221-1 (work)",
                         "",
                         "",
                         ""}
            << 0;

        // Name fall-backs: N parts when there is no FN; the first e-mail when nothing else.
        QTest::newRow("name from N")
            << QByteArray("BEGIN:VCARD\nVERSION:3.0\nN:Ortiz;Ana;;;\nEND:VCARD\n")
            << CExpected{"Ana Ortiz", "", "", "", "", "", "", "", "", ""} << 0;
        QTest::newRow("name from e-mail")
            << QByteArray("BEGIN:VCARD\nVERSION:3.0\nEMAIL:x@y.test\nEMAIL:z@y.test\nEND:VCARD\n")
            << CExpected{"x@y.test", "", "", "", "", "", "", "x@y.test", "E-mail: z@y.test", ""}
            << 0;
        // Google's system memberships are left out and "* " prefixes go.
        QTest::newRow("categories")
            << QByteArray(
                   "BEGIN:VCARD\nVERSION:3.0\nFN:A\nCATEGORIES:* myContacts,Work,My Contacts,"
                   "* Starred,Work,Club\\, inner\nEND:VCARD\n")
            << CExpected{"A", "", "", "", "", "", "", "", "", "Work|Starred|Club, inner"} << 0;
        // Sounds and keys are counted apart from photos; a photo by URL counts too.
        QTest::newRow("logo by url and escaped specials")
            << QByteArray("BEGIN:VCARD\nVERSION:3.0\nfn:Semi\\; Colon\\, Back\\\\slash\n"
                          "LOGO;VALUE=URL:http://x.test/logo.png\nEND:VCARD\n")
            << CExpected{"Semi; Colon, Back\\slash", "", "", "", "", "", "", "", "", ""} << 1;
    }
    void card() {
        QFETCH(QByteArray, file);
        QFETCH(CExpected, expected);
        QFETCH(int, photos);
        QCOMPARE(CContactReader::Detect(file), EContactFormat::VCard);
        const CContactReader::Result result = ReadOk(file);
        QCOMPARE(result.format, EContactFormat::VCard);
        QCOMPARE(result.people.size(), size_t(1));
        ComparePerson(result.people[0], expected);
        QCOMPARE(result.report.nPhotos, photos);
    }

    void lineEnds_data() {
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("crlf") << QByteArray("\r\n");
        QTest::newRow("lf") << QByteArray("\n");
        QTest::newRow("cr cr lf") << QByteArray("\r\r\n");
        QTest::newRow("cr") << QByteArray("\r");
    }
    void lineEnds() {
        QFETCH(QByteArray, end);
        // Two cards with an empty line between them and a folded NOTE (fold with a tab too).
        QByteArray file = "BEGIN:VCARD|VERSION:3.0|FN:One|NOTE:ab|  cd|\tef|END:VCARD||"
                          "BEGIN:VCARD|VERSION:3.0|FN:Two|TEL:1|END:VCARD|";
        file.replace('|', end);
        const CContactReader::Result result = ReadOk(file);
        QCOMPARE(result.people.size(), size_t(2));
        QCOMPARE(result.people[0].m_strNotes, QByteArray("ab cdef"));
        QCOMPARE(result.people[1].m_strName, QByteArray("Two"));
        QCOMPARE(result.people[1].m_strPhone, QByteArray("1"));
    }

    void reportCounts() {
        const QByteArray file = "BEGIN:VCARD\nVERSION:3.0\nFN:A\nPHOTO;VALUE=uri:http://p\n"
                                "SOUND;ENCODING=b:AAAA\nKEY;ENCODING=b:AAAA\nKEY;ENCODING=b:BBBB\n"
                                "END:VCARD\nBEGIN:VCARD\nVERSION:3.0\nFN:B\nPHOTO;ENCODING=b:AAAA\n"
                                "END:VCARD\n";
        const CContactReader::Result result = ReadOk(file);
        QCOMPARE(result.report.nContacts, 2);
        QCOMPARE(result.report.nPhotos, 2);
        QCOMPARE(result.report.nSounds, 1);
        QCOMPARE(result.report.nKeys, 2);
        QCOMPARE(
            result.report.Summary(),
            QStringList({"2 photos were not imported: the contact file has no place for pictures",
                         "1 sound was not imported: the contact file has no place for sounds",
                         "2 keys were not imported: the contact file has no place for keys"}));
    }
};

QTEST_GUILESS_MAIN(TestVCardReading)
#include "TestVCardReading.moc"
