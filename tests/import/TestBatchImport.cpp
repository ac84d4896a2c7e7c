#include "CImportMapDlg.h"
#include "CImportView.h"
#include "CMainFrame.h"
#include "CScriptedFileDialogs.h"
#include "CVornDoc.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct Result {
    int nExit = -1;
    QString strOut;
    QString strErr;
};

// Runs the import program itself, by its full path.
Result RunImport(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(IMPORT_EXE), arguments);
    Result result;
    if (!process.waitForFinished(60000))
        return result;
    result.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.strOut = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.strErr = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QString WriteText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The records of a contact file, or none when it cannot be read.
std::vector<CPerson> ReadContacts(const QString& path) {
    CNotesLabel label;
    CVornDoc doc(label);
    std::vector<CPerson> people;
    if (doc.OnOpenDocument(path))
        for (const auto& person : doc.m_personList)
            people.push_back(*person);
    return people;
}

} // namespace

class TestBatchImport : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void quotesEmptyLinesAndStartRow() {
        const QString input =
            WriteText(m_dir.filePath("quotes.txt"), "\"Name\"\t\"Street\"\t\"Phone\"\r\n"
                                                    "\r\n"
                                                    "\"Doe, Jane\"\t\"12 Elm St\"\t\"555-1234\"\r\n"
                                                    "\n"
                                                    "O'Brien \"Bob\"\tK\xf6ln\t(555) 222-3333\r\n");
        const QString output = m_dir.filePath("quotes.vby");
        const Result result = RunImport(
            {"--batch", input, "--output", output, "--start-row", "2", "--delimiters", "tab"});
        QCOMPARE(result.nExit, 0);
        QVERIFY(result.strErr.isEmpty());
        QVERIFY(result.strOut.contains("2 records"));
        const std::vector<CPerson> people = ReadContacts(output);
        QCOMPARE(people.size(), size_t(2));
        // Quote characters are ordinary text; the empty lines are not records.
        QCOMPARE(people[0].m_strName, QByteArray("\"Doe, Jane\""));
        QCOMPARE(people[0].m_strPhone, QByteArray("\"555-1234\""));
        QCOMPARE(people[0].m_strNotes, QByteArray("\"12 Elm St\""));
        QCOMPARE(people[1].m_strName, QByteArray("O'Brien \"Bob\""));
        // Not UTF-8: read as Windows-1252 and stored as UTF-8.
        QCOMPARE(people[1].m_strState, QByteArray("Köln"));
        QVERIFY(people[1].m_groups.isEmpty());
    }

    void options_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<QByteArray>>("second"); // name, address, city, state, ZIP, notes
        const QByteArray semi = "Ann Lee;1 Elm St;Salem, OR 97301;555-1234\n"
                                "Bob Ray;2 Oak Ave;Troy, NY 12180;555-2222;bob@example.org\n";
        QTest::newRow("tab by default: one field a line")
            << semi << QStringList{}
            << QList<QByteArray>{
                   "Bob Ray;2 Oak Ave;Troy, NY 12180;555-2222;bob@example.org", "", "", "", "", ""};
        QTest::newRow("semicolon, one line")
            << semi << QStringList{"--delimiters", "semicolon", "--one-line"}
            << QList<QByteArray>{"Bob Ray", "2 Oak Ave", "Troy", "NY ", "12180", ""};
        QTest::newRow("semicolon, not one line")
            << semi << QStringList{"--delimiters", "semicolon"}
            << QList<QByteArray>{"Bob Ray", "", "", "", "", "2 Oak Ave\nTroy, NY 12180"};
        QTest::newRow("other character")
            << QByteArray("Ann Lee|X\nBob Ray|Quiet street\n") << QStringList{"--other", "|"}
            << QList<QByteArray>{"Bob Ray", "", "", "", "", "Quiet street"};
        QTest::newRow("two delimiters")
            << QByteArray("Ann Lee;X\nBob Ray,Quiet street\n")
            << QStringList{"--delimiters", "semicolon, comma"}
            << QList<QByteArray>{"Bob Ray", "", "", "", "", "Quiet street"};
        QTest::newRow("same mapping as the first")
            << QByteArray("Ann Lee,note one\nBob Ray,bob@example.org\n")
            << QStringList{"--delimiters", "comma", "--same-mapping"}
            << QList<QByteArray>{"Bob Ray", "", "", "", "", "bob@example.org"};
    }
    void options() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, options);
        QFETCH(QList<QByteArray>, second);
        const QString input = WriteText(m_dir.filePath("options.txt"), text);
        const QString output = m_dir.filePath("options.vby");
        const Result result = RunImport(QStringList{"--batch", input, "-o", output} + options);
        QCOMPARE(result.nExit, 0);
        const std::vector<CPerson> people = ReadContacts(output);
        QCOMPARE(people.size(), size_t(2));
        const CPerson& bob = people[1];
        QCOMPARE((QList<QByteArray>{bob.m_strName, bob.m_strAddress, bob.m_strCity, bob.m_strState,
                                    bob.m_strZip, bob.m_strNotes}),
                 second);
    }

    void recordCountLimit() {
        QByteArray text = "header line\n";
        for (int i = 0; i < 65536; ++i)
            text +=
                "Person " + QByteArray::number(i) + "\t555-" + QByteArray::number(i % 10000) + '\n';
        const QString input = WriteText(m_dir.filePath("big.txt"), text);
        const QString output = m_dir.filePath("big.vby");
        WriteText(output, "old contents");
        // 65,537 records: refused before anything is written.
        Result result = RunImport({"--batch", input, "--output", output});
        QCOMPARE(result.nExit, 1);
        QVERIFY2(result.strErr.contains("65,537") && result.strErr.contains("65,535"),
                 qPrintable(result.strErr));
        QCOMPARE(ReadBytes(output), QByteArray("old contents"));
        // From row 3 on, 65,535 fit exactly.
        result = RunImport({"--batch", input, "--output", output, "--start-row", "3"});
        QCOMPARE(result.nExit, 0);
        const QByteArray bytes = ReadBytes(output);
        QCOMPARE(bytes.left(8), QByteArray::fromHex("0f000000 0000 ffff"));
        const std::vector<CPerson> people = ReadContacts(output);
        QCOMPARE(people.size(), size_t(65535));
        QCOMPARE(people.back().m_strName, QByteArray("Person 65535"));
    }

    void failures_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing input")
            << QStringList{"--batch", "@missing", "--output", "@out"} << 1 << "Cannot open";
        QTest::newRow("no output") << QStringList{"--batch", "@in"} << 2 << "--output";
        QTest::newRow("unknown option")
            << QStringList{"--batch", "@in", "-o", "@out", "--fast"} << 2 << "fast";
        QTest::newRow("unknown delimiter")
            << QStringList{"--batch", "@in", "-o", "@out", "--delimiters", "tab,pipe"} << 2
            << "pipe";
        QTest::newRow("two other characters")
            << QStringList{"--batch", "@in", "-o", "@out", "--other", "ab"} << 2 << "one character";
        QTest::newRow("start row not a number")
            << QStringList{"--batch", "@in", "-o", "@out", "--start-row", "two"} << 2 << "two";
        QTest::newRow("start row past the end")
            << QStringList{"--batch", "@in", "-o", "@out", "--start-row", "3"} << 1
            << "nothing to import";
        QTest::newRow("folder missing")
            << QStringList{"--batch", "@in", "-o", "@nofolder/out.vby"} << 1 << "Cannot save";
        QTest::newRow("stray argument")
            << QStringList{"--batch", "@in", "-o", "@out", "extra"} << 2 << "extra";
    }
    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        WriteText(m_dir.filePath("in"), "Ann Lee\t555-1234\n\n");
        QFile::remove(m_dir.filePath("out"));
        for (QString& argument : arguments)
            if (argument.startsWith('@'))
                argument = m_dir.filePath(argument.mid(1));
        const Result result = RunImport(arguments);
        QCOMPARE(result.nExit, exitCode);
        QVERIFY2(result.strErr.contains(message), qPrintable(result.strErr));
        QVERIFY(!QFile::exists(m_dir.filePath("out")));
    }

    void help() {
        const Result result = RunImport({"--help"});
        QCOMPARE(result.nExit, 0);
        for (const char* option : {"--batch INPUT", "--output", "--delimiters", "--other",
                                   "--start-row", "--one-line", "--same-mapping"})
            QVERIFY2(result.strOut.contains(option), option);
    }

    // The wizard, finished with "&Done" on its first record, and the batch import write the same
    // records for the same input.
    void wizardAndBatchAgree() {
        const QString input = WriteText(m_dir.filePath("agree.txt"),
                                        "Zo\xeb Lee\t1 Elm St\rrear\tSalem\tOR\t97301\t555-1\n"
                                        "\tonly\t\n"
                                        "Bo Ray\tbo@example.org\tUSA\n");
        const QString batchOut = m_dir.filePath("agree-batch.vby");
        QCOMPARE(RunImport({"--batch", input, "--output", batchOut}).nExit, 0);

        const QString wizardOut = m_dir.filePath("agree-wizard.vby");
        CScriptedFileDialogs files;
        files.QueueAnswer(wizardOut);
        CMainFrame frame;
        CImportView* view = frame.View();
        view->m_editFileName->setText(input);
        int pages = 0;
        std::function<void()> answer = [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) {
                QTimer::singleShot(10, answer);
                return;
            }
            ++pages;
            const char* button = pages == 1 ? "nextButton" : "doneButton";
            QTest::mouseClick(modal->findChild<QPushButton*>(button), Qt::LeftButton);
            if (pages == 1)
                QTimer::singleShot(10, answer);
        };
        QTimer::singleShot(0, answer);
        QVERIFY(view->OnNext());
        QCOMPARE(pages, 2);

        const std::vector<CPerson> fromBatch = ReadContacts(batchOut);
        QCOMPARE(fromBatch.size(), size_t(3));
        QCOMPARE(fromBatch[0].m_strName, QByteArray("Zoë Lee"));
        QCOMPARE(fromBatch[0].m_strAddress, QByteArray("1 Elm St\rrear"));
        QVERIFY(fromBatch == ReadContacts(wizardOut));
        // Byte for byte, but for the time of writing.
        QCOMPARE(ReadBytes(batchOut).chopped(4), ReadBytes(wizardOut).chopped(4));
    }
};

QTEST_MAIN(TestBatchImport)
#include "TestBatchImport.moc"
