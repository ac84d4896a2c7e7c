#include "CFieldMapper.h"
#include "CImportRecord.h"

#include <QTest>

using Lines = QList<QByteArray>;
using Targets = QList<unsigned>;

namespace {

enum : unsigned { N, A, C, S, Z, P, Co, E, No, CSZ };

// The nine values in target order: Name, Address, City, State, ZIP, Phone, Country, E-mail,
// Notes.
Lines Values(const CFieldMapper& m) {
    return {m.m_strName,  m.m_strAddress, m.m_strCity,  m.m_strState, m.m_strZip,
            m.m_strPhone, m.m_strCountry, m.m_strEmail, m.m_strNotes};
}

Lines Values(const CPerson& p) {
    return {p.m_strName,  p.m_strAddress, p.m_strCity,  p.m_strState, p.m_strZip,
            p.m_strPhone, p.m_strCountry, p.m_strEmail, p.m_strNotes};
}

void Fill(CImportRecord& records, const QList<Lines>& lines) {
    for (const Lines& fields : lines)
        records.NewEntry()->m_pFields = fields;
}

} // namespace

class TestFieldMapper : public QObject {
    Q_OBJECT
private slots:
    void autoMap_data() {
        QTest::addColumn<Lines>("fields");
        QTest::addColumn<bool>("oneLine");
        QTest::addColumn<Lines>("values");
        QTest::addColumn<Targets>("targets");
        const Lines jane{"Jane Doe", "12 Elm St", "Apt 4",         "Springfield",
                         "IL",       "62701",     "(555) 123-4567"};
        QTest::newRow("separate city, state, ZIP") << jane << false << Lines{"Jane Doe",
                                                                             "12 Elm St\nApt 4",
                                                                             "Springfield",
                                                                             "IL",
                                                                             "62701",
                                                                             "(555) 123-4567",
                                                                             "",
                                                                             "",
                                                                             ""}
                                                   << Targets{N, A, A, C, S, Z, P};
        QTest::newRow("one line") << Lines{"Jane Doe", "12 Elm St", "Apt 4",
                                           "Springfield, IL 62701", "(555) 123-4567"}
                                  << true << Lines{"Jane Doe",
                                                   "12 Elm St\nApt 4",
                                                   "Springfield",
                                                   "IL ",
                                                   "62701",
                                                   "(555) 123-4567",
                                                   "",
                                                   "",
                                                   ""}
                                  << Targets{N, A, A, CSZ, P};
        QTest::newRow("one line, comma field without two blanks is the city")
            << Lines{"Ann", "1 Main St", "Salem, OR", "555-1234"} << true
            << Lines{"Ann", "", "Salem, OR", "", "", "555-1234", "", "", "1 Main St"}
            << Targets{N, No, C, P};
        QTest::newRow("one line, two-character tail is the state")
            << Lines{"Ann", "X,Y", "Salem, OR 97301"} << true
            << Lines{"Ann", "X,Y", "Salem", "OR ", "97301", "", "", "", ""} << Targets{N, A, CSZ};
        QTest::newRow("one line, separate fields are not split")
            << jane << true << Lines{"Jane Doe", "", "",
                                     "",         "", "(555) 123-4567",
                                     "",         "", "12 Elm St\nApt 4\nSpringfield\nIL\n62701"}
            << Targets{N, No, No, No, No, No, P};
        QTest::newRow("everything between the phones is phone")
            << Lines{"Bo", "1 Rue-Haute", "Lyon", "555-1234", "bob@y.fr"} << false
            << Lines{"Bo", "", "", "", "", "1 Rue-Haute\nLyon\n555-1234", "", "bob@y.fr", ""}
            << Targets{N, P, P, P, E};
        QTest::newRow("hyphenated street is phone")
            << Lines{"Ann Lee", "4 Saint-Denis Rd", "Paris", "75001"} << false
            << Lines{"Ann Lee", "", "", "", "", "4 Saint-Denis Rd", "", "", "Paris\n75001"}
            << Targets{N, P, No, No};
        QTest::newRow("ZIP+4 has a hyphen, so it is phone")
            << Lines{"Ann Lee", "Salem", "OR", "62701-1234"} << false
            << Lines{"Ann Lee", "Salem", "", "OR", "", "62701-1234", "", "", ""}
            << Targets{N, A, S, P};
        QTest::newRow("state needs fewer than 5 characters, trimmed; s = 2 finds no city")
            << Lines{"Ann Lee", "1 Elm Street", " OR ", " 97301 "} << false
            << Lines{"Ann Lee", "1 Elm Street", "", "OR", "97301", "", "", "", ""}
            << Targets{N, A, S, Z};
        QTest::newRow("the last short field is the state")
            << Lines{"Ann Lee", "NY", "1 Elm Street", "OR", "97301", "555-1234"} << false
            << Lines{"Ann Lee", "NY", "1 Elm Street", "OR", "97301", "555-1234", "", "", ""}
            << Targets{N, A, C, S, Z, P};
        QTest::newRow("city before the state, address before the city")
            << Lines{"Ann Lee", "1 Elm Street", "Salem", "OR", "97301"} << false
            << Lines{"Ann Lee", "1 Elm Street", "Salem", "OR", "97301", "", "", "", ""}
            << Targets{N, A, C, S, Z};
        QTest::newRow("no state: no city, no address, the rest to notes")
            << Lines{"Alice Smith", "Long Street Name", "Springfield", "(555) 123-4567"} << false
            << Lines{"Alice Smith",
                     "",
                     "",
                     "",
                     "",
                     "(555) 123-4567",
                     "",
                     "",
                     "Long Street Name\nSpringfield"}
            << Targets{N, No, No, P};
        QTest::newRow("no state: a five-letter name is also the ZIP")
            << Lines{"Alice", "Springfield", "555-1234"} << false
            << Lines{"Alice", "", "", "", "Alice", "555-1234", "", "", "Springfield"}
            << Targets{Z, No, P};
        QTest::newRow("e-mail by the last full stop, the last wins; P.O. is a note")
            << Lines{"Ann Lee", "555-1234", "Box 12.", "P.O.", "ann@example.org"} << false
            << Lines{"Ann Lee", "", "", "", "", "555-1234", "", "ann@example.org", "P.O."}
            << Targets{N, P, E, No, E};
        QTest::newRow("P.O. before the phones is short, so a state")
            << Lines{"Ann Lee", "P.O.", "555-1234"} << false
            << Lines{"Ann Lee", "", "", "P.O.", "", "555-1234", "", "", ""} << Targets{N, S, P};
        QTest::newRow("Box 12. becomes e-mail")
            << Lines{"Ann Lee", "Box 12."} << false
            << Lines{"Ann Lee", "", "", "", "", "", "", "Box 12.", ""} << Targets{N, E};
        QTest::newRow("countries: case counts, the last wins")
            << Lines{"Ann Lee", "555-1234", "United Kingdom", "united states", "USA"} << false
            << Lines{"Ann Lee", "", "", "", "", "555-1234", "USA", "", "united states"}
            << Targets{N, P, Co, No, Co};
        QTest::newRow("characters, not bytes: Köln is short")
            << Lines{"Ann Lee", "Köln", "555-1234"} << false
            << Lines{"Ann Lee", "", "", "Köln", "", "555-1234", "", "", ""} << Targets{N, S, P};
        QTest::newRow("a name alone")
            << Lines{"Ann Lee"} << false << Lines{"Ann Lee", "", "", "", "", "", "", "", ""}
            << Targets{N};
        QTest::newRow("no fields") << Lines{} << false << Lines(9) << Targets{};
        QTest::newRow("no fields, one line") << Lines{} << true << Lines(9) << Targets{};
    }
    void autoMap() {
        QFETCH(Lines, fields);
        QFETCH(bool, oneLine);
        QFETCH(Lines, values);
        QFETCH(Targets, targets);
        ImportEntry entry;
        entry.m_pFields = fields;
        CFieldMapper mapper;
        mapper.m_bOneLine = oneLine;
        mapper.Show(entry);
        QCOMPARE(Values(mapper), values);
        QCOMPARE(mapper.m_targets, targets);
        // The proposal goes into the entry's mapping, which still counts as not stored.
        QCOMPARE(entry.m_pMapping, targets);
        QCOMPARE(entry.m_bMapped, 0);
        QCOMPARE(*entry.m_pPerson, CPerson());
    }

    void isPhoneLike_data() {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<bool>("phone");
        QTest::newRow("555-1234") << QByteArray("555-1234") << true;
        QTest::newRow("(555) 123 4567") << QByteArray("(555) 123 4567") << true;
        QTest::newRow("(55) 123") << QByteArray("(55) 123") << false;
        QTest::newRow("closing bracket alone at 3") << QByteArray("abc) x") << true;
        QTest::newRow("plain digits") << QByteArray("555 1234") << false;
        QTest::newRow("multi-byte inside brackets") << QByteArray("(ü12) 3") << true;
    }
    void isPhoneLike() {
        QFETCH(QByteArray, field);
        QFETCH(bool, phone);
        QCOMPARE(CFieldMapper::IsPhoneLike(field), phone);
    }

    void removePart_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("part");
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("last part") << QByteArray("first line\nsecond line")
                                   << QByteArray("second line") << QByteArray("first line");
        QTest::newRow("first part") << QByteArray("first line\nsecond line")
                                    << QByteArray("first line") << QByteArray("second line");
        QTest::newRow("middle part")
            << QByteArray("a\nb\nc") << QByteArray("b") << QByteArray("a\nc");
        QTest::newRow("the whole value") << QByteArray("abc") << QByteArray("abc") << QByteArray();
        QTest::newRow("not there") << QByteArray("a\nb") << QByteArray("x") << QByteArray("a\nb");
        QTest::newRow("first occurrence only")
            << QByteArray("ab\nab") << QByteArray("ab") << QByteArray("ab");
        QTest::newRow("inside another part")
            << QByteArray("Elm St 12\nElm St") << QByteArray("Elm St") << QByteArray("12\nElm St");
        // The character taken with a part found inside a longer text is a whole character.
        QTest::newRow("prefix of a part ending in a multi-byte character")
            << QByteArray("Café\nCaf") << QByteArray("Caf") << QByteArray("\nCaf");
        QTest::newRow("suffix of a part starting with a multi-byte character")
            << QByteArray("x\néab") << QByteArray("ab") << QByteArray("x\n");
        QTest::newRow("inside a part before a multi-byte character")
            << QByteArray("x\nRuß\ny") << QByteArray("Ru") << QByteArray("x\n\ny");
        QTest::newRow("empty part takes nothing")
            << QByteArray("a\nb") << QByteArray() << QByteArray("a\nb");
    }
    void removePart() {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, part);
        QFETCH(QByteArray, result);
        QCOMPARE(CFieldMapper::RemovePart(value, part), result);
    }

    void splitCityStateZip_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("requireComma");
        QTest::addColumn<bool>("splits");
        QTest::addColumn<Lines>("parts");
        QTest::newRow("state keeps its blank") << QByteArray("Springfield, IL 62701") << true
                                               << true << Lines{"Springfield", "IL ", "62701"};
        QTest::newRow("city of several words") << QByteArray("Salt Lake City, UT 84101") << true
                                               << true << Lines{"Salt Lake City", "UT ", "84101"};
        QTest::newRow("state of two words") << QByteArray("Bismarck, North Dakota 58501") << true
                                            << true << Lines{"Bismarck", "North Dakota ", "58501"};
        QTest::newRow("two blanks before the ZIP")
            << QByteArray("Troy, NY  12180") << true << true << Lines{"Troy", "NY  ", "12180"};
        QTest::newRow("one blank") << QByteArray("Springfield, IL") << true << false << Lines(3);
        QTest::newRow("no blank after the comma")
            << QByteArray("Springfield,IL 62701") << true << false << Lines(3);
        QTest::newRow("no comma") << QByteArray("Springfield IL 62701") << false << false
                                  << Lines(3);
        QTest::newRow("leading comma refused")
            << QByteArray(", IL 62701") << true << false << Lines(3);
        QTest::newRow("leading comma accepted")
            << QByteArray(", IL 62701") << false << true << Lines{"", "IL ", "62701"};
    }
    void splitCityStateZip() {
        QFETCH(QByteArray, text);
        QFETCH(bool, requireComma);
        QFETCH(bool, splits);
        QFETCH(Lines, parts);
        Lines result(3);
        QCOMPARE(
            CFieldMapper::SplitCityStateZip(text, requireComma, result[0], result[1], result[2]),
            splits);
        QCOMPARE(result, parts);
    }

    void manualMapping_data() {
        QTest::addColumn<Lines>("fields");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<unsigned>("target");
        QTest::addColumn<Lines>("values");
        QTest::addColumn<Targets>("targets");
        const Lines fields{"Ann Lee", "1 Elm Street", "Apartment 4", "Springfield, IL 62701"};
        // Automatically, the three fields after the name all go to Notes.
        QTest::newRow("two rows to Address join in order")
            << fields << QList<int>{1, 2} << unsigned(A)
            << Lines{"Ann Lee", "1 Elm Street\nApartment 4", "", "", "", "", "",
                     "",        "Springfield, IL 62701"}
            << Targets{N, A, A, No};
        QTest::newRow("two rows to Name: the second wins")
            << fields << QList<int>{1, 2} << unsigned(N)
            << Lines{"Apartment 4", "", "", "", "", "", "", "", "Springfield, IL 62701"}
            << Targets{N, N, N, No};
        QTest::newRow("to the split target")
            << fields << QList<int>{3} << unsigned(CSZ)
            << Lines{"Ann Lee", "",      "Springfield",
                     "IL ",     "62701", "",
                     "",        "",      "1 Elm Street\nApartment 4"}
            << Targets{N, No, No, CSZ};
        QTest::newRow("split target leaves a text it cannot split")
            << fields << QList<int>{1} << unsigned(CSZ)
            << Lines{"Ann Lee", "", "", "", "", "", "", "", "Apartment 4\nSpringfield, IL 62701"}
            << Targets{N, CSZ, No, No};
        QTest::newRow("name row to E-mail empties the name")
            << fields << QList<int>{0} << unsigned(E)
            << Lines{"", "",        "",
                     "", "",        "",
                     "", "Ann Lee", "1 Elm Street\nApartment 4\nSpringfield, IL 62701"}
            << Targets{E, No, No, No};
    }
    void manualMapping() {
        QFETCH(Lines, fields);
        QFETCH(QList<int>, rows);
        QFETCH(unsigned, target);
        QFETCH(Lines, values);
        QFETCH(Targets, targets);
        ImportEntry entry;
        entry.m_pFields = fields;
        CFieldMapper mapper;
        mapper.Show(entry);
        mapper.MapRows(rows, target);
        QCOMPARE(Values(mapper), values);
        QCOMPARE(mapper.m_targets, targets);
    }

    void moveBetweenJoinedTargets() {
        ImportEntry entry;
        entry.m_pFields = {"Ann Lee", "first street line", "second street line"};
        CFieldMapper mapper;
        mapper.Show(entry);
        mapper.MapRows({1, 2}, A);
        QCOMPARE(mapper.m_strAddress, QByteArray("first street line\nsecond street line"));
        QCOMPARE(mapper.m_strNotes, QByteArray());
        mapper.MapRows({2}, No);
        QCOMPARE(mapper.m_strAddress, QByteArray("first street line"));
        QCOMPARE(mapper.m_strNotes, QByteArray("second street line"));
        // Off the split target empties all three.
        entry.m_pFields = {"Ann Lee", "Salem, OR 97301"};
        mapper.m_bOneLine = true;
        mapper.Show(entry);
        QCOMPARE(mapper.m_strCity, QByteArray("Salem"));
        mapper.MapRows({1}, No);
        QCOMPARE(Values(mapper), (Lines{"Ann Lee", "", "", "", "", "", "", "", "Salem, OR 97301"}));
    }

    void atMostFiftyRows() {
        ImportEntry entry;
        entry.m_pFields = {"Ann Lee"};
        QList<int> rows;
        for (int i = 1; i <= 60; ++i) {
            entry.m_pFields.append("f" + QByteArray::number(i));
            rows.append(i);
        }
        CFieldMapper mapper;
        mapper.Show(entry);
        // Automatically: f60 is the state, f59 the city, f1 to f58 the address.
        QCOMPARE(mapper.m_targets[51], unsigned(A));
        mapper.MapRows(rows, No);
        QCOMPARE(mapper.m_strNotes.count('\n'), 49);
        QVERIFY(mapper.m_strNotes.startsWith("f1\nf2\n"));
        QVERIFY(mapper.m_strNotes.endsWith("\nf50"));
        QCOMPARE(mapper.m_targets[50], unsigned(No));
        QCOMPARE(mapper.m_targets[51], unsigned(A));
        QVERIFY(mapper.m_strAddress.startsWith("f51\n"));
    }

    void storeAndShowStored() {
        ImportEntry entry;
        entry.m_pFields = {"Ann Lee", "555-1234", "Notes here"};
        CFieldMapper mapper;
        mapper.Show(entry);
        mapper.m_strName = "Typed";
        mapper.MapRows({2}, A);
        mapper.StoreCurrent(entry);
        QCOMPARE(entry.m_bMapped, 1);
        QCOMPARE(entry.m_pPerson->m_strName, QByteArray("Typed"));
        QCOMPARE(entry.m_pPerson->m_strAddress, QByteArray("Notes here"));
        QCOMPARE(entry.m_pMapping, (Targets{N, P, A}));
        // Shown again: as stored, never mapped automatically again.
        CFieldMapper other;
        other.Show(entry);
        QCOMPARE(Values(other), Values(*entry.m_pPerson));
        QCOMPARE(other.m_targets, (Targets{N, P, A}));
    }

    void processDefault() {
        CImportRecord records;
        Fill(records, {{"Al One", "555-1111"}, {"B Two", "b@example.org"}, {}, {"C Three", "OR"}});
        // Record 1 was stored by hand before; it keeps what was stored.
        records.At(1)->m_pPerson->m_strName = "Stored B";
        records.At(1)->m_pMapping = {N, N};
        records.At(1)->m_bMapped = 1;
        CFieldMapper mapper;
        mapper.Show(*records.At(0));
        int steps = 0;
        mapper.ProcessRemaining(records, 0, false, [&] { ++steps; });
        QCOMPARE(steps, 3);
        QCOMPARE(Values(*records.At(0)->m_pPerson),
                 (Lines{"Al One", "", "", "", "", "555-1111", "", "", ""}));
        QCOMPARE(Values(*records.At(1)->m_pPerson),
                 (Lines{"Stored B", "", "", "", "", "", "", "", ""}));
        QCOMPARE(Values(*records.At(2)->m_pPerson), Lines(9));
        QCOMPARE(Values(*records.At(3)->m_pPerson),
                 (Lines{"C Three", "", "", "OR", "", "", "", "", ""}));
        for (int i = 0; i < records.GetCount(); ++i)
            QCOMPARE(records.At(i)->m_bMapped, 1);
        QCOMPARE(records.At(3)->m_pMapping, (Targets{N, S}));
    }

    void processFromTheMiddle() {
        CImportRecord records;
        Fill(records, {{"Al One"}, {"B Two"}, {"C Three", "c@example.org"}});
        CFieldMapper mapper;
        mapper.Show(*records.At(0));
        mapper.StoreCurrent(*records.At(0));
        mapper.Show(*records.At(1));
        mapper.m_strNotes = "typed";
        int steps = 0;
        mapper.ProcessRemaining(records, 1, false, [&] { ++steps; });
        QCOMPARE(steps, 1);
        QCOMPARE(records.At(1)->m_pPerson->m_strNotes, QByteArray("typed"));
        QCOMPARE(records.At(2)->m_pPerson->m_strEmail, QByteArray("c@example.org"));
        // Past the end: nothing happens.
        mapper.ProcessRemaining(records, 3, false);
        CImportRecord none;
        mapper.ProcessRemaining(none, 0, true);
        QCOMPARE(none.GetCount(), 0);
    }

    void processSameMapping() {
        CImportRecord records;
        Fill(records, {{"Ann Lee", "1 Elm St", "Salem, OR 97301", "555-1234"},
                       {"Bob Ray", "2 Oak Ave", "Troy, NY 12180", "555-2222", "extra"},
                       {"Cy Doe", "3 Pine Rd"},
                       {"Di, X"}});
        // Record 2 was stored before: its values stay under the new ones.
        CPerson& cy = *records.At(2)->m_pPerson;
        cy.m_strAddress = "old address";
        cy.m_strCity = "Old City";
        cy.m_strNotes = "note";
        records.At(2)->m_pMapping = {N, N};
        records.At(2)->m_bMapped = 1;
        CFieldMapper mapper;
        mapper.m_bOneLine = true;
        mapper.Show(*records.At(0));
        QCOMPARE(mapper.m_targets, (Targets{N, A, CSZ, P}));
        int steps = 0;
        mapper.ProcessRemaining(records, 0, true, [&] { ++steps; });
        QCOMPARE(steps, 3);
        QCOMPARE(Values(*records.At(1)->m_pPerson),
                 (Lines{"Bob Ray", "2 Oak Ave", "Troy", "NY ", "12180", "555-2222", "", "", ""}));
        QCOMPARE(Values(cy), (Lines{"Cy Doe", "old address\n3 Pine Rd", "Old City", "", "", "", "",
                                    "", "note"}));
        QCOMPARE(records.At(3)->m_pPerson->m_strName, QByteArray("Di, X"));
        // Records reached this way keep their mapping and stored flag.
        QCOMPARE(records.At(1)->m_bMapped, 0);
        QCOMPARE(records.At(2)->m_pMapping, (Targets{N, N}));
        QCOMPARE(records.At(0)->m_bMapped, 1);
    }
};

QTEST_GUILESS_MAIN(TestFieldMapper)
#include "TestFieldMapper.moc"
