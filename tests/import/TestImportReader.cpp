#include "CFieldSplitter.h"
#include "CImportRecord.h"
#include "CLineReader.h"

#include <QBuffer>
#include <QTest>

using Lines = QList<QByteArray>;

class TestImportReader : public QObject {
    Q_OBJECT
private slots:
    void readLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Lines>("expected");
        QTest::newRow("empty file") << QByteArray() << Lines{};
        QTest::newRow("LF") << QByteArray("a\nb\n") << Lines{"a", "b"};
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << Lines{"a", "b"};
        QTest::newRow("last line without end") << QByteArray("a\nb") << Lines{"a", "b"};
        QTest::newRow("lone CR kept") << QByteArray("a\rb\nc\r\r\n") << Lines{"a\rb", "c\r"};
        QTest::newRow("CR at the very end") << QByteArray("a\nb\r") << Lines{"a", "b\r"};
        QTest::newRow("empty lines inside")
            << QByteArray("a\n\n\r\nb\n") << Lines{"a", "", "", "b"};
        QTest::newRow("only a line end") << QByteArray("\n") << Lines{""};
        QTest::newRow("Ctrl-Z ends the text") << QByteArray("a\nb\x1a"
                                                            "c\nd\n")
                                              << Lines{"a", "b"};
        QTest::newRow("Ctrl-Z at start") << QByteArray("\x1a"
                                                       "a\n")
                                         << Lines{};
        QTest::newRow("Ctrl-Z after line end") << QByteArray("a\n\x1a") << Lines{"a"};
        QTest::newRow("NUL is text") << QByteArray("a\0b\n", 4) << Lines{QByteArray("a\0b", 3)};
    }
    void readLines() {
        QFETCH(QByteArray, text);
        QFETCH(Lines, expected);
        QCOMPARE(CLineReader::SplitText(text), expected);
        // The same, arriving one byte at a time (a CR LF pair cut in two included).
        Lines lines;
        CLineReader reader(lines);
        for (char c : text)
            reader.Feed(QByteArray(1, c));
        reader.Finish();
        QCOMPARE(lines, expected);
        // And through a device.
        QBuffer buffer(&text);
        buffer.open(QIODevice::ReadOnly);
        Lines fromDevice{"kept"};
        QVERIFY(CLineReader::ReadLines(buffer, fromDevice));
        QCOMPARE(fromDevice, Lines{"kept"} + expected);
    }

    void longLine() {
        const QByteArray line(3 << 20, 'x');
        QBuffer buffer;
        buffer.setData(line + "\r\nend");
        buffer.open(QIODevice::ReadOnly);
        Lines lines;
        QVERIFY(CLineReader::ReadLines(buffer, lines));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], line);
        QCOMPARE(lines[1], QByteArray("end"));
    }

    void buildDelimiters_data() {
        QTest::addColumn<bool>("tab");
        QTest::addColumn<bool>("semicolon");
        QTest::addColumn<bool>("comma");
        QTest::addColumn<bool>("space");
        QTest::addColumn<bool>("other");
        QTest::addColumn<QString>("otherChar");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tab alone") << true << false << false << false << false << ""
                                   << "\t";
        QTest::newRow("all, in order") << true << true << true << true << true << "|"
                                       << "\t;, |";
        QTest::newRow("other ticked, box empty") << false << true << false << false << true << ""
                                                 << ";";
        QTest::newRow("other char, box not ticked")
            << false << false << true << false << false << "|"
            << ",";
        QTest::newRow("none") << false << false << false << false << false << ""
                              << "";
    }
    void buildDelimiters() {
        QFETCH(bool, tab);
        QFETCH(bool, semicolon);
        QFETCH(bool, comma);
        QFETCH(bool, space);
        QFETCH(bool, other);
        QFETCH(QString, otherChar);
        QFETCH(QString, expected);
        QCOMPARE(CFieldSplitter::BuildDelimiters(tab, semicolon, comma, space, other, otherChar),
                 expected);
    }

    void splitLine_data() {
        QTest::addColumn<QString>("delimiters");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<Lines>("fields");
        QTest::newRow("a;b;c") << ";" << QByteArray("a;b;c") << Lines{"a", "b", "c"};
        QTest::newRow("a;;c") << ";" << QByteArray("a;;c") << Lines{"a", "", "c"};
        QTest::newRow(";a") << ";" << QByteArray(";a") << Lines{"", "a"};
        QTest::newRow("a;") << ";" << QByteArray("a;") << Lines{"a"};
        QTest::newRow("a;;") << ";" << QByteArray("a;;") << Lines{"a", ""};
        QTest::newRow("only a delimiter") << ";" << QByteArray(";") << Lines{""};
        QTest::newRow("empty line") << ";" << QByteArray() << Lines{};
        QTest::newRow("comma and space")
            << ", " << QByteArray("Smith, John") << Lines{"Smith", "", "John"};
        QTest::newRow("no delimiter") << "" << QByteArray("a;b, c\td") << Lines{"a;b, c\td"};
        QTest::newRow("blanks stay") << "\t" << QByteArray(" a \t b ") << Lines{" a ", " b "};
        QTest::newRow("quotes are text")
            << "," << QByteArray("\"Doe, Jane\",x") << Lines{"\"Doe", " Jane\"", "x"};
        QTest::newRow("lone CR is text") << "\t" << QByteArray("a\r\tb") << Lines{"a\r", "b"};
        QTest::newRow("other char") << "|" << QByteArray("a|b") << Lines{"a", "b"};
        QTest::newRow("non-ASCII other char")
            << QString::fromUtf8("§") << QByteArray("a§bc§") << Lines{"a", "bc"};
        QTest::newRow("UTF-8 kept") << "\t" << QByteArray("Zoë\tKöln") << Lines{"Zoë", "Köln"};
        QTest::newRow("Windows-1252 converted")
            << "\t" << QByteArray("Zo\xeb\tK\xf6ln\t\x80 5") << Lines{"Zoë", "Köln", "€ 5"};
        QTest::newRow("mixed: each field on its own")
            << "\t" << QByteArray("Zoë\tK\xf6ln") << Lines{"Zoë", "Köln"};
    }
    void splitLine() {
        QFETCH(QString, delimiters);
        QFETCH(QByteArray, line);
        QFETCH(Lines, fields);
        Lines result;
        CFieldSplitter(delimiters).SplitLine(line, result);
        QCOMPARE(result, fields);
    }

    void parseStartRow_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("blanks and sign") << "  +12" << 12;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("trailing letters") << "7abc" << 7;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("huge") << "999999999999" << 0x7fffffff;
    }
    void parseStartRow() {
        QFETCH(QString, text);
        QFETCH(int, row);
        QCOMPARE(CFieldSplitter::ParseStartRow(text), row);
    }

    void buildRecords_data() {
        QTest::addColumn<QString>("startRow");
        QTest::addColumn<int>("records");
        QTest::addColumn<QByteArray>("firstName");
        QTest::newRow("row 1") << "1" << 10 << QByteArray("n1");
        QTest::newRow("row 3 of 10") << "3" << 8 << QByteArray("n3");
        QTest::newRow("last row") << "10" << 1 << QByteArray("n10");
        QTest::newRow("past the last") << "11" << 0 << QByteArray();
        QTest::newRow("far past") << "500" << 0 << QByteArray();
        QTest::newRow("letters") << "abc" << 10 << QByteArray("n1");
        QTest::newRow("zero") << "0" << 10 << QByteArray("n1");
        QTest::newRow("negative") << "-4" << 10 << QByteArray("n1");
    }
    void buildRecords() {
        QFETCH(QString, startRow);
        QFETCH(int, records);
        QFETCH(QByteArray, firstName);
        Lines lines;
        for (int i = 1; i <= 10; ++i)
            lines.append("n" + QByteArray::number(i) + "\tx");
        CImportRecord collection;
        // What an earlier pass left is thrown away.
        collection.NewEntry()->m_pFields = {"old"};
        int steps = 0;
        CFieldSplitter("\t").BuildRecords(lines, CFieldSplitter::ParseStartRow(startRow),
                                          collection, [&] { ++steps; });
        QCOMPARE(collection.GetCount(), records);
        QCOMPARE(steps, records);
        if (records > 0) {
            QCOMPARE(collection.At(0)->m_pFields, (Lines{firstName, "x"}));
            QCOMPARE(collection.At(0)->m_bMapped, 0);
            QVERIFY(collection.At(0)->m_pMapping.isEmpty());
            QCOMPARE(*collection.At(0)->m_pPerson, CPerson());
        }
    }

    void recordCursor() {
        CImportRecord records;
        QVERIFY(!records.HasNext());
        QVERIFY(records.Next() == nullptr);
        ImportEntry* a = records.NewEntry();
        ImportEntry* b = records.NewEntry();
        records.AddField(b, "x");
        QCOMPARE(records.GetCount(), 2);
        QCOMPARE(records.CountWithFields(), 1);
        records.Reset();
        QVERIFY(records.HasNext());
        QCOMPARE(records.Next(), a);
        QVERIFY(records.Previous() == nullptr);
        QCOMPARE(records.Next(), b);
        QVERIFY(!records.HasNext());
        QVERIFY(records.Next() == nullptr);
        QCOMPARE(records.Previous(), a);
        records.RemoveAll();
        QCOMPARE(records.GetCount(), 0);
        QVERIFY(!records.HasNext());
    }
};

QTEST_GUILESS_MAIN(TestImportReader)
#include "TestImportReader.moc"
