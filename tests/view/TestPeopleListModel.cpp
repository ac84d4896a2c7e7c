// The people list's order on lists long and short: the list sorts small lists and large ones by
// different means, and both must give the order of the lines' sort keys, equal keys in the order
// the records came.
#include "CPeopleListModel.h"
#include "CPerson.h"

#include <QTest>
#include <algorithm>
#include <memory>
#include <vector>

class TestPeopleListModel : public QObject {
    Q_OBJECT
private slots:
    void orderMatchesSortKeys_data();
    void orderMatchesSortKeys();
    void insertAndFindAfterReset();
    void linesTakenFromAnotherList();
};

namespace {

// Names chosen to meet in their first eight bytes, to differ only in case or accents, to be
// shorter than eight bytes, to hold bytes below the letters and bytes that are not UTF-8.
const QByteArray kNames[] = {
    "Anna Smith",
    "anna smith",
    "ANNA SMITH 12",
    "Anna Smith 3",
    "Anna Smithers",
    "Anna Smit",
    "Anna",
    "anna",
    "A",
    "a b",
    "a\tb",
    QByteArray("ab\0c", 4),
    QByteArray("ab", 2),
    "\xc3\x89mile Zola", // Émile, UTF-8
    "Emile Zola",
    "emile zola",
    "\xc9mile Zola", // Émile, Windows-1252
    "Z\xc3\xbcrich Office",
    "Zurich Office",
    "Zoe",
    "zo\xc3\xab",
    "12345678",
    "123456789",
    "1234567",
    "~tilde",
    "Jean-Luc Picard",
    "Jean Luc Picard",
    "jeanluc",
    // Keys that agree past eight and sixteen bytes, or differ only in trailing zero bytes.
    "Anna Smithers-Jones",
    "Anna Smithers-Jonas",
    "anna smithers-jones jr",
    "abcdefgh",
    QByteArray("abcdefgh\0", 9),
    QByteArray("abcdefgh\0\0\0\0\0\0\0\0z", 17),
    "abcdefghi",
    "abcdefgh ij",
    QByteArray("ab\0", 3),
};
// Every name is used (the lines take every fifth name, round the list).
static_assert(std::size(kNames) % 5 != 0);

// The expected order: stable by the sort key of each stored name.
std::vector<CPerson*> Expected(const std::vector<CPerson*>& people) {
    std::vector<std::pair<QByteArray, CPerson*>> keyed;
    for (CPerson* pPerson : people)
        keyed.emplace_back(CPeopleListModel::SortKey(pPerson->m_strName), pPerson);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<CPerson*> order;
    for (const auto& entry : keyed)
        order.push_back(entry.second);
    return order;
}

std::vector<std::unique_ptr<CPerson>> MakePeople(int count) {
    std::vector<std::unique_ptr<CPerson>> people;
    constexpr int kNameCount = int(std::size(kNames));
    for (int i = 0; i < count; ++i) {
        auto person = std::make_unique<CPerson>();
        // Every name many times over (equal keys must keep their order), some with a number.
        person->m_strName = kNames[(i * 5) % kNameCount];
        if (i % 3 == 0)
            person->m_strName += ' ' + QByteArray::number((i * 31) % 97);
        people.push_back(std::move(person));
    }
    return people;
}

std::vector<CPerson*> Pointers(const std::vector<std::unique_ptr<CPerson>>& people) {
    std::vector<CPerson*> pointers;
    for (const auto& person : people)
        pointers.push_back(person.get());
    return pointers;
}

} // namespace

void TestPeopleListModel::orderMatchesSortKeys_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("one line") << 1;
    QTest::newRow("a few lines") << 40;
    QTest::newRow("just below the large-list sort") << 1023;
    QTest::newRow("just at the large-list sort") << 1024;
    QTest::newRow("many lines") << 9000;
}

void TestPeopleListModel::orderMatchesSortKeys() {
    QFETCH(int, count);
    const auto people = MakePeople(count);
    const std::vector<CPerson*> pointers = Pointers(people);
    CPeopleListModel model;
    model.Reset(pointers);
    const std::vector<CPerson*> expected = Expected(pointers);
    QCOMPARE(model.Count(), count);
    for (int row = 0; row < count; ++row) {
        if (model.PersonAt(row) != expected[size_t(row)])
            QFAIL(qPrintable(QStringLiteral("line %1: \"%2\" where \"%3\" belongs")
                                 .arg(row)
                                 .arg(model.TextAt(row),
                                      QString::fromLatin1(expected[size_t(row)]->m_strName))));
    }
}

void TestPeopleListModel::insertAndFindAfterReset() {
    // After a large reset, lines added later and the quick find rely on the same order.
    const auto people = MakePeople(3000);
    CPeopleListModel model;
    model.Reset(Pointers(people));
    CPerson added;
    added.m_strName = "anna smith";
    const int row = model.Insert(&added);
    // After every line of equal name.
    QCOMPARE(model.PersonAt(row), &added);
    QVERIFY(CPeopleListModel::SortKey(model.PersonAt(row - 1)->m_strName) == "anna smith");
    QVERIFY(CPeopleListModel::SortKey(model.PersonAt(row + 1)->m_strName) > "anna smith");
    const struct {
        const char* prefix;
        const char* firstKey;
    } cases[] = {{"ANNA SMITH", "anna smith"},
                 {"anna smithe", "anna smithers"},
                 {"\u00c9mile", "emile zola"},
                 {"1234567", "1234567"},
                 {"12345678", "12345678"},
                 {"zz", nullptr},
                 // Prefixes ending within the first eight bytes of a key, at the eighth and
                 // past it, and differing only past it.
                 {"", ""},
                 {"a", "a"},
                 {"abcdefgh", "abcdefgh"},
                 {"abcdefghi", "abcdefghi"},
                 {"anna smithers-jon", "anna smithers-jonas"},
                 {"anna smithz", nullptr},
                 {"anna smithers-jz", nullptr}};
    for (const auto& c : cases) {
        const int found = model.FindPrefix(QString::fromUtf8(c.prefix));
        if (!c.firstKey) {
            QCOMPARE(found, -1);
            continue;
        }
        QVERIFY2(found >= 0, c.prefix);
        QVERIFY2(CPeopleListModel::SortKey(model.PersonAt(found)->m_strName).startsWith(c.firstKey),
                 c.prefix);
        // The first such line: the one before sorts lower.
        if (found > 0)
            QVERIFY2(CPeopleListModel::SortKey(model.PersonAt(found - 1)->m_strName) <
                         CPeopleListModel::TextKey(QString::fromUtf8(c.prefix)),
                     c.prefix);
    }
}

void TestPeopleListModel::linesTakenFromAnotherList() {
    // Search results take lines of the whole list with their keys, and later merge more in:
    // the order and the quick find must work on the keys taken as on keys made.
    const auto people = MakePeople(3000);
    CPeopleListModel all;
    all.Reset(Pointers(people));
    std::vector<int> some;
    std::vector<int> others;
    for (int row = 0; row < all.Count(); ++row)
        (row % 3 == 0 ? some : others).push_back(row);
    CPeopleListModel results;
    results.AssignRows(all, some);
    QCOMPARE(results.Count(), int(some.size()));
    for (int i = 0; i < results.Count(); ++i)
        QCOMPARE(results.PersonAt(i), all.PersonAt(some[size_t(i)]));
    results.MergeRows(all, others);
    QCOMPARE(results.Count(), all.Count());
    for (int row = 1; row < results.Count(); ++row) {
        QVERIFY(CPeopleListModel::SortKey(results.PersonAt(row - 1)->m_strName) <=
                CPeopleListModel::SortKey(results.PersonAt(row)->m_strName));
    }
    for (const char* prefix : {"anna smithers-jon", "abcdefghi", "zo"}) {
        const QByteArray key = CPeopleListModel::TextKey(QString::fromUtf8(prefix));
        const int found = results.FindPrefix(QString::fromUtf8(prefix));
        QVERIFY2(found >= 0, prefix);
        QVERIFY2(CPeopleListModel::SortKey(results.PersonAt(found)->m_strName).startsWith(key),
                 prefix);
        QVERIFY2(found == 0 ||
                     CPeopleListModel::SortKey(results.PersonAt(found - 1)->m_strName) < key,
                 prefix);
    }
    // A line added to the results lands among equal names, after them.
    CPerson added;
    added.m_strName = "Anna Smithers-Jones";
    const int row = results.Insert(&added);
    QCOMPARE(CPeopleListModel::SortKey(results.PersonAt(row - 1)->m_strName),
             QByteArray("anna smithers-jones"));
    QVERIFY(row + 1 == results.Count() ||
            CPeopleListModel::SortKey(results.PersonAt(row + 1)->m_strName) >
                "anna smithers-jones");
}

QTEST_MAIN(TestPeopleListModel)
#include "TestPeopleListModel.moc"
