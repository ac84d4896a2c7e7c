// The search rule: which entries a set of criteria finds in each of the four modes, and the word
// test behind the partial matches.
#include "CPerson.h"

#include <QTest>

namespace {

enum Mode { Exact = 1085, Good = 1086, Fair = 1087, Poor = 1088 };

// A record from "field=value" pairs separated by '|'; "groups=A,B" gives the groups.
CPerson Make(const QByteArray& fields) {
    CPerson person;
    if (fields.isEmpty())
        return person;
    for (const QByteArray& pair : fields.split('|')) {
        const qsizetype eq = pair.indexOf('=');
        const QByteArray key = pair.left(eq);
        QByteArray value = pair.mid(eq + 1);
        value.replace("\\n", "\r\n");
        if (key == "name")
            person.m_strName = value;
        else if (key == "address")
            person.m_strAddress = value;
        else if (key == "city")
            person.m_strCity = value;
        else if (key == "state")
            person.m_strState = value;
        else if (key == "zip")
            person.m_strZip = value;
        else if (key == "country")
            person.m_strCountry = value;
        else if (key == "phone")
            person.m_strPhone = value;
        else if (key == "email")
            person.m_strEmail = value;
        else if (key == "notes")
            person.m_strNotes = value;
        else if (key == "groups")
            person.m_groups = value.split(',');
        else
            qFatal("unknown field %s", key.constData());
    }
    return person;
}

} // namespace

class TestMatching : public QObject {
    Q_OBJECT
private slots:
    void matchCriteria_data();
    void matchCriteria();
    void partialMatch_data();
    void partialMatch();
    void unknownModeFindsNothing();
};

void TestMatching::matchCriteria_data() {
    QTest::addColumn<QByteArray>("criteria");
    QTest::addColumn<QByteArray>("entry");
    // The expected hit in Exact, Good, Fair and Poor, as four letters: E G F P or '-'.
    QTest::addColumn<QByteArray>("hits");

    QTest::newRow("same name, other case: exact everywhere")
        << QByteArray("name=smith") << QByteArray("name=Smith") << QByteArray("EGFP");
    QTest::newRow("all words occur, nothing exact")
        << QByteArray("name=jo sm") << QByteArray("name=John Smith") << QByteArray("--FP");
    QTest::newRow("one exact, one partial")
        << QByteArray("name=John Smith|city=bos") << QByteArray("name=john smith|city=Boston")
        << QByteArray("-GFP");
    QTest::newRow("one exact, one missing")
        << QByteArray("name=xyz|city=Boston") << QByteArray("name=Ann|city=Boston")
        << QByteArray("---P");
    QTest::newRow("nothing matches") << QByteArray("name=xyz|city=Paris")
                                     << QByteArray("name=Ann|city=Boston") << QByteArray("----");
    QTest::newRow("trailing space: partial, not exact")
        << QByteArray("name=john ") << QByteArray("name=John") << QByteArray("--FP");
    QTest::newRow("two spaces match an empty field")
        << QByteArray("city=a  b") << QByteArray("name=Ann") << QByteArray("--FP");
    QTest::newRow("leading space matches an empty field")
        << QByteArray("city= x") << QByteArray("name=Ann") << QByteArray("--FP");
    QTest::newRow("blanks are a given criterion")
        << QByteArray("name=   ") << QByteArray("name=Ann") << QByteArray("--FP");
    QTest::newRow("criterion on an empty field, no empty word")
        << QByteArray("zip=123") << QByteArray("name=Ann") << QByteArray("----");
    QTest::newRow("nothing given")
        << QByteArray("") << QByteArray("name=Ann|groups=Work") << QByteArray("----");

    // Groups only: Exact wants every group, Fair takes everyone, Good and Poor nobody.
    QTest::newRow("groups only, member of all")
        << QByteArray("groups=Work,Club") << QByteArray("name=Ann|groups=Club,Work,Family")
        << QByteArray("E-F-");
    QTest::newRow("groups only, member of one")
        << QByteArray("groups=Work,Club") << QByteArray("name=Ann|groups=Work")
        << QByteArray("--F-");
    QTest::newRow("groups only, no groups")
        << QByteArray("groups=Work") << QByteArray("name=Ann") << QByteArray("--F-");
    QTest::newRow("groups compare with case")
        << QByteArray("groups=work") << QByteArray("name=Ann|groups=Work") << QByteArray("--F-");
    QTest::newRow("exact fields but a group missing")
        << QByteArray("name=ann|groups=Work") << QByteArray("name=Ann|groups=Club")
        << QByteArray("-GFP");
    QTest::newRow("exact fields and the group")
        << QByteArray("name=ann|groups=Work") << QByteArray("name=Ann|groups=Club,Work")
        << QByteArray("EGFP");

    // Multi-line values: the line break is an ordinary character.
    QTest::newRow("word in the second line")
        << QByteArray("address=apt") << QByteArray("name=Ann|address=1 Main St\\nApt 2")
        << QByteArray("--FP");
    QTest::newRow("whole multi-line value, other case")
        << QByteArray("address=1 MAIN ST\\nAPT 2")
        << QByteArray("name=Ann|address=1 Main St\\nApt 2") << QByteArray("EGFP");
    QTest::newRow("a word does not span the line break")
        << QByteArray("address=St\\nApt") << QByteArray("name=Ann|address=1 Main St Apt 2")
        << QByteArray("----");
    QTest::newRow("nothing is trimmed")
        << QByteArray("phone=555 ") << QByteArray("name=Ann|phone=555") << QByteArray("--FP");

    // Every field takes part.
    QTest::newRow("all nine fields exact")
        << QByteArray("name=a|address=b|city=c|state=d|zip=e|country=f|phone=g|email=h|notes=i")
        << QByteArray("name=A|address=B|city=C|state=D|zip=E|country=F|phone=G|email=H|notes=I")
        << QByteArray("EGFP");
    QTest::newRow("one of nine fields only partial")
        << QByteArray("name=a|address=b|city=c|state=d|zip=e|country=f|phone=g|email=h|notes=i")
        << QByteArray("name=A|address=B|city=C|state=D|zip=E|country=F|phone=G|email=H|notes=xIx")
        << QByteArray("-GFP");
    QTest::newRow("e-mail and notes compared with their own fields")
        << QByteArray("email=x@y|notes=hello") << QByteArray("name=Ann|email=hello|notes=x@y")
        << QByteArray("----");
    // Bytes beyond ASCII are not folded.
    QTest::newRow("accented letters compare as bytes")
        << QByteArray("name=\xc3\xa9mile") << QByteArray("name=\xc3\x89mile") << QByteArray("----");
    QTest::newRow("accented letters, same bytes, ASCII folded")
        << QByteArray("name=\xc3\xa9MILE") << QByteArray("name=\xc3\xa9mile") << QByteArray("EGFP");
}

void TestMatching::matchCriteria() {
    QFETCH(QByteArray, criteria);
    QFETCH(QByteArray, entry);
    QFETCH(QByteArray, hits);
    const CPerson wanted = Make(criteria);
    const CPerson person = Make(entry);
    const int modes[] = {Exact, Good, Fair, Poor};
    QByteArray got;
    for (int i = 0; i < 4; ++i)
        got += person.MatchCriteria(wanted, modes[i]) ? "EGFP"[i] : '-';
    QCOMPARE(got, hits);
}

void TestMatching::partialMatch_data() {
    QTest::addColumn<QByteArray>("criterion");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("match");

    QTest::newRow("substring") << QByteArray("mit") << QByteArray("Smith") << true;
    QTest::newRow("case folded both ways") << QByteArray("SMI") << QByteArray("smith") << true;
    QTest::newRow("any one word suffices") << QByteArray("xyz mit") << QByteArray("Smith") << true;
    QTest::newRow("no word occurs") << QByteArray("xyz abc") << QByteArray("Smith") << false;
    QTest::newRow("the whole is not needed")
        << QByteArray("john smith") << QByteArray("Smithers") << true;
    QTest::newRow("empty value, plain word") << QByteArray("a") << QByteArray() << false;
    QTest::newRow("two spaces: an empty word") << QByteArray("x  y") << QByteArray() << true;
    QTest::newRow("leading space: an empty word") << QByteArray(" x") << QByteArray("abc") << true;
    QTest::newRow("trailing space: no empty word")
        << QByteArray("x ") << QByteArray("abc") << false;
    QTest::newRow("trailing space, word occurs")
        << QByteArray("john ") << QByteArray("John") << true;
    QTest::newRow("a single space: one empty word") << QByteArray(" ") << QByteArray("abc") << true;
    QTest::newRow("tab is part of a word") << QByteArray("a\tb") << QByteArray("a b") << false;
    QTest::newRow("tab in the value") << QByteArray("a\tb") << QByteArray("xa\tBx") << true;
    QTest::newRow("word longer than value")
        << QByteArray("smithers") << QByteArray("Smith") << false;
    QTest::newRow("match at the very end") << QByteArray("TH") << QByteArray("Smith") << true;
    QTest::newRow("line feed is ordinary")
        << QByteArray("st\r\napt") << QByteArray("Main St\r\nApt 2") << true;
    QTest::newRow("bytes above ASCII not folded")
        << QByteArray("\xc3\x89") << QByteArray("\xc3\xa9") << false;
    QTest::newRow("8-bit letters are bytes")
        << QByteArray("m\xfc") << QByteArray("M\xfcller") << true;
}

void TestMatching::partialMatch() {
    QFETCH(QByteArray, criterion);
    QFETCH(QByteArray, value);
    QFETCH(bool, match);
    QCOMPARE(CPerson::PartialMatch(criterion, value), match);
}

void TestMatching::unknownModeFindsNothing() {
    const CPerson person = Make("name=Ann");
    const CPerson wanted = Make("name=ann");
    QVERIFY(person.MatchCriteria(wanted, Exact));
    QVERIFY(!person.MatchCriteria(wanted, 1084));
    QVERIFY(!person.MatchCriteria(wanted, 1089));
    QVERIFY(!person.MatchCriteria(wanted, 0));
}

QTEST_GUILESS_MAIN(TestMatching)
#include "TestMatching.moc"
