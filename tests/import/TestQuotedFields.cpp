#include "CFieldSplitter.h"
#include "CImportRecord.h"

#include <QTest>

using Lines = QList<QByteArray>;
using Records = QList<Lines>;

namespace {

Records FieldsOf(const CImportRecord& records) {
    Records out;
    for (int i = 0; i < records.GetCount(); ++i)
        out.append(records.At(i)->m_pFields);
    return out;
}

} // namespace

// Quoted fields for the wizard's "Fields may be in quotes" and for batch mode: how a line is
// split, how lines are joined while a quote is open, and how far a stray quote may reach.
class TestQuotedFields : public QObject {
    Q_OBJECT
private slots:
    void splitQuoted_data() {
        QTest::addColumn<QString>("delimiters");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<Lines>("fields");
        QTest::addColumn<bool>("closed");
        QTest::newRow("comma inside quotes") << "," << QByteArray("\"Doe, Jane\",555-1234")
                                             << Lines{"Doe, Jane", "555-1234"} << true;
        QTest::newRow("doubled quote")
            << ";" << QByteArray("\"say \"\"hi\"\"\";x") << Lines{"say \"hi\"", "x"} << true;
        QTest::newRow("empty quoted field")
            << "," << QByteArray("a,\"\",c") << Lines{"a", "", "c"} << true;
        QTest::newRow("quoted field last, then delimiter")
            << "," << QByteArray("a,\"b\",") << Lines{"a", "b"} << true;
        QTest::newRow("quote inside a plain field is text")
            << "," << QByteArray("5\" disk,x") << Lines{"5\" disk", "x"} << true;
        QTest::newRow("text after the closing quote stays")
            << "," << QByteArray("\"a\"b,c") << Lines{"ab", "c"} << true;
        QTest::newRow("line break inside quotes") << "," << QByteArray("\"12 Elm St\nApt 4\",x")
                                                  << Lines{"12 Elm St\nApt 4", "x"} << true;
        QTest::newRow("tab and blank delimiters in quotes")
            << "\t " << QByteArray("\"a b\tc\" d") << Lines{"a b\tc", "d"} << true;
        QTest::newRow("open quote runs to the end")
            << "," << QByteArray("a,\"b,c") << Lines{"a", "b,c"} << false;
        QTest::newRow("not UTF-8 is read as Windows-1252")
            << ";" << QByteArray("\"K\xf6ln\";x") << Lines{"Köln", "x"} << true;
        QTest::newRow("empty line") << "," << QByteArray() << Lines{} << true;
    }
    void splitQuoted() {
        QFETCH(QString, delimiters);
        QFETCH(QByteArray, line);
        QFETCH(Lines, fields);
        QFETCH(bool, closed);
        const CFieldSplitter splitter(delimiters);
        Lines got;
        QCOMPARE(splitter.SplitQuotedLine(line, got), closed);
        QCOMPARE(got, fields);
    }

    void buildRecords_data() {
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<Records>("records");
        QTest::addColumn<qsizetype>("plainFrom");
        QTest::newRow("unquoted lines as before")
            << Lines{"a,b", "c"} << 1 << Records{{"a", "b"}, {"c"}} << qsizetype(0);
        QTest::newRow("quoted line break joins two lines")
            << Lines{"\"Ann\",\"1 Elm St", "Apt 4\",555", "\"Bob\",x"} << 1
            << Records{{"Ann", "1 Elm St\nApt 4", "555"}, {"Bob", "x"}} << qsizetype(0);
        QTest::newRow("field closed on a later line, next field opened again")
            << Lines{"\"a", "b\",\"c", "d\",e"} << 1 << Records{{"a\nb", "c\nd", "e"}}
            << qsizetype(0);
        QTest::newRow("doubled quote at a line end keeps the field open")
            << Lines{"\"a\"\"", "b\""} << 1 << Records{{"a\"\nb"}} << qsizetype(0);
        QTest::newRow("start row counts the file's lines")
            << Lines{"Name,Street", "\"Ann\",\"1 Elm", "St\""} << 2 << Records{{"Ann", "1 Elm\nSt"}}
            << qsizetype(0);
        QTest::newRow("quote never closed: plain text from there on")
            << Lines{"a,b", "\"open,c", "d,e"} << 1
            << Records{{"a", "b"}, {"\"open", "c"}, {"d", "e"}} << qsizetype(2);
    }
    void buildRecords() {
        QFETCH(Lines, lines);
        QFETCH(int, startRow);
        QFETCH(Records, records);
        QFETCH(qsizetype, plainFrom);
        const CFieldSplitter splitter(QStringLiteral(","));
        CImportRecord built;
        int steps = 0;
        qsizetype plain = -1;
        splitter.BuildRecords(
            lines, startRow, true, built, [&steps] { ++steps; }, &plain);
        QCOMPARE(FieldsOf(built), records);
        QCOMPARE(steps, built.GetCount());
        QCOMPARE(plain, plainFrom);
    }

    // A quote left open is looked for no further than the bound: a million lines after it are
    // read as plain text, not gathered into one field.
    void openQuoteIsBounded() {
        Lines lines{"\"stray,x"};
        for (int i = 0; i < 5000; ++i)
            lines.append("Name " + QByteArray::number(i) + ",555");
        const CFieldSplitter splitter(QStringLiteral(","));
        CImportRecord built;
        qsizetype plain = 0;
        splitter.BuildRecords(lines, 1, true, built, {}, &plain);
        QCOMPARE(built.GetCount(), 5001);
        QCOMPARE(plain, qsizetype(1));
        QCOMPARE(built.At(0)->m_pFields, (Lines{"\"stray", "x"}));
        QCOMPARE(built.At(5000)->m_pFields, (Lines{"Name 4999", "555"}));

        // One very long line with an open quote is bounded by its bytes.
        Lines longLines{"\"" + QByteArray(CFieldSplitter::kMaxQuotedBytes + 10, 'x'), "a,b"};
        splitter.BuildRecords(longLines, 1, true, built, {}, &plain);
        QCOMPARE(built.GetCount(), 2);
        QCOMPARE(plain, qsizetype(1));

        // A field that spans many lines but closes within the bound is one record.
        Lines joined{"\"first"};
        for (int i = 0; i < 500; ++i)
            joined.append("line");
        joined.append("last\",x");
        splitter.BuildRecords(joined, 1, true, built, {}, &plain);
        QCOMPARE(built.GetCount(), 1);
        QCOMPARE(plain, qsizetype(0));
        QCOMPARE(built.At(0)->m_pFields.size(), 2);
        QCOMPARE(built.At(0)->m_pFields[0].count('\n'), qsizetype(501));
    }

    void hasQuotedFields_data() {
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<bool>("quoted");
        QTest::newRow("plain") << Lines{"a,b", "c;d"} << false;
        QTest::newRow("quoted first field") << Lines{"\"a\",b"} << true;
        QTest::newRow("quoted last field") << Lines{"a;\"b\""} << true;
        QTest::newRow("closed on a later line") << Lines{"a,\"b", "c\",d"} << true;
        QTest::newRow("inch mark") << Lines{"5\" disk,3\" disk"} << false;
        QTest::newRow("quote opened, never closed") << Lines{"a,\"b"} << false;
        QTest::newRow("quoted word after a blank") << Lines{"O'Brien \"Bob\" Ray,x"} << false;
    }
    void hasQuotedFields() {
        QFETCH(Lines, lines);
        QFETCH(bool, quoted);
        QCOMPARE(CFieldSplitter::HasQuotedFields(lines), quoted);
    }
};

QTEST_MAIN(TestQuotedFields)
#include "TestQuotedFields.moc"
