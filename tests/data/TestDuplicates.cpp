#include "CDuplicateFinder.h"
#include "CNameFolder.h"
#include "CRecordMerger.h"
#include "CVornDoc.h"

#include <QTest>

namespace {

CPerson Entry(const QByteArray& name, const QByteArray& email = {}, const QByteArray& phone = {}) {
    CPerson person;
    person.m_strName = name;
    person.m_strEmail = email;
    person.m_strPhone = phone;
    return person;
}

std::vector<CDuplicateFinder::CSet> FindIn(const QList<CPerson>& people) {
    std::vector<const CPerson*> pointers;
    for (const CPerson& person : people)
        pointers.push_back(&person);
    return CDuplicateFinder::Find(pointers);
}

std::vector<const CPerson*> Pointers(const QList<CPerson>& people) {
    std::vector<const CPerson*> pointers;
    for (const CPerson& person : people)
        pointers.push_back(&person);
    return pointers;
}

} // namespace

Q_DECLARE_METATYPE(CPerson)

class TestDuplicates : public QObject {
    Q_OBJECT
private slots:
    // Two entries, and whether they form a set and why.
    void pairs_data() {
        QTest::addColumn<CPerson>("a");
        QTest::addColumn<CPerson>("b");
        QTest::addColumn<int>("reasons"); // 0: no set

        using F = CDuplicateFinder;
        QTest::newRow("same name") << Entry("Ann Lee") << Entry("Ann Lee") << int(F::SameName);
        QTest::newRow("case") << Entry("ANN LEE") << Entry("ann lee") << int(F::SameName);
        QTest::newRow("word order") << Entry("Lee Ann") << Entry("Ann Lee") << int(F::SameName);
        QTest::newRow("comma form") << Entry("Lee, Ann") << Entry("Ann Lee") << int(F::SameName);
        QTest::newRow("comma without blank")
            << Entry("Lee,Ann") << Entry("ann lee") << int(F::SameName);
        QTest::newRow("runs of blanks")
            << Entry("  Ann \t  Lee ") << Entry("Ann Lee") << int(F::SameName);
        QTest::newRow("accents") << Entry("Ren\xc3\xa9 M\xc3\xbcller") << Entry("Rene Muller")
                                 << int(F::SameName);
        QTest::newRow("accented capital")
            << Entry("\xc3\x89mile Zola") << Entry("zola, emile") << int(F::SameName);
        QTest::newRow("Windows-1252 accents")
            << Entry("Ren\xe9 Dubois") << Entry("Rene Dubois") << int(F::SameName);
        QTest::newRow("other name") << Entry("Ann Lee") << Entry("Ann Leeds") << 0;
        QTest::newRow("one word more") << Entry("Ann Lee") << Entry("Ann Marie Lee") << 0;
        QTest::newRow("empty names") << Entry("") << Entry("") << 0;
        QTest::newRow("blank names") << Entry("   ") << Entry(" , ") << 0;

        QTest::newRow("same e-mail, case ignored")
            << Entry("A", "Ann@Example.org") << Entry("B", "ann@example.ORG") << int(F::SameEmail);
        QTest::newRow("e-mail with blanks") << Entry("A", " ann@example.org")
                                            << Entry("B", "ann@example.org ") << int(F::SameEmail);
        QTest::newRow("other e-mail")
            << Entry("A", "ann@example.org") << Entry("B", "ann@example.com") << 0;
        QTest::newRow("empty e-mails") << Entry("A", "") << Entry("B", "  ") << 0;

        QTest::newRow("same number, other layout")
            << Entry("A", {}, "(555) 123-4567") << Entry("B", {}, "555.123.4567")
            << int(F::SamePhone);
        QTest::newRow("last 8 digits") << Entry("A", {}, "+44 20 7946 0958")
                                       << Entry("B", {}, "020 7946 0958") << int(F::SamePhone);
        QTest::newRow("exactly 8 digits")
            << Entry("A", {}, "1234-5678") << Entry("B", {}, "9 1234 5678") << int(F::SamePhone);
        QTest::newRow("second line") << Entry("A", {}, "Home 555 111 2222\r\nWork 555 987 6543")
                                     << Entry("B", {}, "Cell 1 555 987 6543") << int(F::SamePhone);
        QTest::newRow("line feeds only") << Entry("A", {}, "x\n555 987 6543")
                                         << Entry("B", {}, "555-987-6543") << int(F::SamePhone);
        QTest::newRow("short numbers")
            << Entry("A", {}, "123-4567") << Entry("B", {}, "1234567") << 0;
        QTest::newRow("short lines do not join")
            << Entry("A", {}, "1234\r\n5678") << Entry("B", {}, "12345678") << 0;
        QTest::newRow("other number")
            << Entry("A", {}, "555 123 4567") << Entry("B", {}, "555 123 4568") << 0;
        QTest::newRow("empty phones") << Entry("A", {}, "") << Entry("B", {}, "") << 0;
        QTest::newRow("every reason") << Entry("Lee, Ann", "ann@x.org", "555 123 4567")
                                      << Entry("Ann Lee", "ANN@x.org", "5551234567")
                                      << int(F::SameName | F::SameEmail | F::SamePhone);
    }
    void pairs() {
        QFETCH(CPerson, a);
        QFETCH(CPerson, b);
        QFETCH(int, reasons);
        const auto sets = FindIn({a, b});
        if (reasons == 0) {
            QCOMPARE(sets.size(), size_t(0));
            return;
        }
        QCOMPARE(sets.size(), size_t(1));
        QCOMPARE(sets[0].m_listMembers, (std::vector<int>{0, 1}));
        QCOMPARE(sets[0].m_nReasons, reasons);
    }

    void foldedKeys_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("ascii") << QByteArray("  Lee,  ANN ") << QByteArray("ann lee");
        QTest::newRow("accents") << QByteArray("\xc3\x85sa \xc3\x96"
                                               "berg")
                                 << QByteArray("asa oberg");
        QTest::newRow("blanks only") << QByteArray(" \t, ") << QByteArray();
    }
    void foldedKeys() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, key);
        QCOMPARE(CNameFolder::Fold(name), key);
    }

    // Matches chain: A and B share a name, B and C a phone, so all three are one set; D is
    // alone; E and F share an e-mail. Sets come in document order and say what was shared.
    void setsChainAndSayWhy() {
        const QList<CPerson> people = {Entry("Ann Lee", "a@x.org", "555 000 1111"),
                                       Entry("Bob Ray", "bob@x.org"),
                                       Entry("Lee, Ann", {}, "555 222 3333"),
                                       Entry("Cy Young", {}, "(555) 222-3333"),
                                       Entry("Dee Fox", "DEE@x.org"),
                                       Entry("Dora Fox", "dee@x.org"),
                                       Entry("Eve Orr")};
        const auto sets = FindIn(people);
        QCOMPARE(sets.size(), size_t(2));
        QCOMPARE(sets[0].m_listMembers, (std::vector<int>{0, 2, 3}));
        QCOMPARE(sets[0].m_nReasons, int(CDuplicateFinder::SameName | CDuplicateFinder::SamePhone));
        QCOMPARE(sets[0].m_strName, QByteArray("Ann Lee"));
        QCOMPARE(sets[0].m_strPhone, QByteArray("52223333"));
        QCOMPARE(CDuplicateFinder::ReasonText(sets[0].m_nReasons),
                 QStringLiteral("Same name, Same phone"));
        QCOMPARE(sets[1].m_listMembers, (std::vector<int>{4, 5}));
        QCOMPARE(sets[1].m_strEmail, QByteArray("DEE@x.org"));
        QCOMPARE(CDuplicateFinder::ReasonText(sets[1].m_nReasons), QStringLiteral("Same e-mail"));
    }

    void defaultValues_data() {
        QTest::addColumn<QList<QByteArray>>("values");
        QTest::addColumn<QByteArray>("chosen");
        QTest::newRow("most shared")
            << QList<QByteArray>{"Boston", "Bostonia", "Boston"} << QByteArray("Boston");
        QTest::newRow("else the longest")
            << QList<QByteArray>{"NY", "New York", "N.Y."} << QByteArray("New York");
        QTest::newRow("tie goes to the longer")
            << QList<QByteArray>{"NY", "NY", "NYC", "NYC"} << QByteArray("NYC");
        QTest::newRow("equal length: the first")
            << QList<QByteArray>{"Ohio", "Utah"} << QByteArray("Ohio");
        QTest::newRow("empties never win")
            << QList<QByteArray>{"", "", "Salem"} << QByteArray("Salem");
        QTest::newRow("all empty") << QList<QByteArray>{"", ""} << QByteArray();
        QTest::newRow("length in characters")
            << QList<QByteArray>{"R\xc3\xa9mi", "Remis"} << QByteArray("Remis");
        QTest::newRow("case tells apart")
            << QList<QByteArray>{"salem", "Salem", "Salem"} << QByteArray("Salem");
    }
    void defaultValues() {
        QFETCH(QList<QByteArray>, values);
        QFETCH(QByteArray, chosen);
        QList<CPerson> people;
        for (const QByteArray& value : values) {
            CPerson person;
            person.m_strCity = value;
            people.append(person);
        }
        QCOMPARE(CRecordMerger::DefaultValue(Pointers(people), &CPerson::m_strCity), chosen);
    }

    // The merged entry field by field: single-line fields by their defaults, lines and groups
    // united in order without repeats.
    void defaultsFieldByField() {
        CPerson a = Entry("Ann Lee", "ann@x.org", "Home 555 123 4567\r\nWork 555 000 1111");
        a.m_strAddress = "1 Elm St\r\nApt 2";
        a.m_strCity = "Salem";
        a.m_strState = "OR";
        a.m_strNotes = "Met in 1999.";
        a.m_groups = {"Work", "Club"};
        CPerson b = Entry("Lee, Ann", "ANN@x.org", "Work 555 000 1111 \r\nCell 555 999 8888");
        b.m_strAddress = "1 Elm St";
        b.m_strCity = "Salem";
        b.m_strZip = "97301";
        b.m_strCountry = "United States";
        b.m_groups = {"Family", "Work"};
        CPerson c = Entry("Ann Lee", {}, {});
        c.m_strCity = "Portland";
        c.m_strState = "Oregon";
        c.m_strNotes = "Prefers mail.\nMet in 1999.";
        c.m_groups = {"Club", "Neighbours"};

        const CPerson merged = CRecordMerger::Defaults({&a, &b, &c});
        QCOMPARE(merged.m_strName, QByteArray("Ann Lee"));
        QCOMPARE(merged.m_strEmail, QByteArray("ann@x.org"));
        QCOMPARE(merged.m_strCity, QByteArray("Salem"));
        QCOMPARE(merged.m_strState, QByteArray("Oregon"));
        QCOMPARE(merged.m_strZip, QByteArray("97301"));
        QCOMPARE(merged.m_strCountry, QByteArray("United States"));
        QCOMPARE(merged.m_strAddress, QByteArray("1 Elm St\r\nApt 2"));
        QCOMPARE(merged.m_strPhone,
                 QByteArray("Home 555 123 4567\r\nWork 555 000 1111\r\nCell 555 999 8888"));
        // Only single line feeds among the notes: the united lines keep them.
        QCOMPARE(merged.m_strNotes, QByteArray("Met in 1999.\nPrefers mail."));
        QCOMPARE(merged.m_groups, (QList<QByteArray>{"Work", "Club", "Family", "Neighbours"}));

        QCOMPARE(CRecordMerger::Candidates({&a, &b, &c}, &CPerson::m_strState),
                 (QList<QByteArray>{"OR", "Oregon"}));
    }

    void linesKeepSingleLineFeeds() {
        CPerson a;
        a.m_strPhone = "111 2222\n333 4444";
        CPerson b;
        b.m_strPhone = "555 6666";
        QCOMPARE(CRecordMerger::UniteLines({&a, &b}, &CPerson::m_strPhone),
                 QByteArray("111 2222\n333 4444\n555 6666"));
    }

    // A merge keeps the set's first entry in its place with the chosen values, takes the others
    // out, and can be taken back to the very same list.
    void mergeAndUnmerge() {
        CNotesLabel label;
        CVornDoc doc(label);
        doc.OnNewDocument();
        for (const char* name : {"Ann Lee", "Bob Ray", "Lee, Ann", "Cy Young", "ann lee"}) {
            auto person = std::make_unique<CPerson>(Entry(name));
            doc.m_personList.push_back(std::move(person));
        }
        std::vector<CPerson*> before;
        for (const auto& p : doc.m_personList)
            before.push_back(p.get());
        const CPerson original = *before[0];
        const QByteArray fileBefore = doc.SaveToBytes();

        CPerson chosen = Entry("Ann Lee", "ann@x.org");
        chosen.m_groups = {"Work"};
        // Given out of order and with an entry twice: still the first in the document is kept.
        CRecordMerger::CResult result =
            CRecordMerger::Merge(doc, {before[4], before[2], before[0], before[2]}, chosen);
        QCOMPARE(result.m_pKept, before[0]);
        QCOMPARE(result.m_before, original);
        QCOMPARE(*doc.m_personList[0], chosen);
        QCOMPARE(doc.m_personList.size(), size_t(3));
        QCOMPARE(doc.m_personList[1].get(), before[1]);
        QCOMPARE(doc.m_personList[2].get(), before[3]);
        QCOMPARE(result.m_listRemoved.size(), size_t(2));
        QCOMPARE(result.m_listRemoved[0].first, size_t(2));
        QCOMPARE(result.m_listRemoved[1].first, size_t(4));

        CRecordMerger::Unmerge(doc, result);
        QCOMPARE(doc.m_personList.size(), size_t(5));
        for (size_t i = 0; i < before.size(); ++i)
            QCOMPARE(doc.m_personList[i].get(), before[i]);
        QCOMPARE(doc.SaveToBytes(), fileBefore);
    }

    void mergeNeedsTwoEntriesOfTheDocument() {
        CNotesLabel label;
        CVornDoc doc(label);
        doc.OnNewDocument();
        doc.m_personList.push_back(std::make_unique<CPerson>(Entry("Ann Lee")));
        CPerson stranger = Entry("Ann Lee");
        const auto result =
            CRecordMerger::Merge(doc, {doc.m_personList[0].get(), &stranger}, Entry("X"));
        QVERIFY(!result.m_pKept);
        QCOMPARE(doc.m_personList.size(), size_t(1));
        QCOMPARE(doc.m_personList[0]->m_strName, QByteArray("Ann Lee"));
    }
};

QTEST_GUILESS_MAIN(TestDuplicates)
#include "TestDuplicates.moc"
