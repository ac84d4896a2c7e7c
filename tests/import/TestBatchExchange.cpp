#include "CVornDoc.h"

#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

// Batch mode finding out the kind of file by itself, or told it with --format: the real
// program, run as a process.
namespace {

struct Result {
    int nExit = -1;
    QString strOut;
    QString strErr;
};

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

QString WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct SFile {
    std::vector<CPerson> people;
    QList<QByteArray> groups;
};
SFile ReadContactFile(const QString& path) {
    CNotesLabel label;
    CVornDoc doc(label);
    SFile file;
    if (doc.OnOpenDocument(path)) {
        for (const auto& person : doc.m_personList)
            file.people.push_back(*person);
        file.groups = doc.m_groupList;
    }
    return file;
}

QByteArray Utf16Le(const QString& text) {
    QByteArray bytes("\xff\xfe");
    for (const QChar ch : text) {
        bytes += char(ch.unicode() & 0xff);
        bytes += char(ch.unicode() >> 8);
    }
    return bytes;
}

const QByteArray kVCard = "BEGIN:VCARD\r\n"
                          "VERSION:2.1\r\n"
                          "N:Doe;Jane\r\n"
                          "FN:Jane Doe\r\n"
                          "TEL;CELL:+1 555 123 4567\r\n"
                          "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:Caf=C3=A9 on the =\r\n"
                          "corner\r\n"
                          "CATEGORIES:Friends\r\n"
                          "PHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\n"
                          " /2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8U\r\n"
                          "\r\n"
                          "END:VCARD\r\n"
                          "BEGIN:VCARD\r\n"
                          "VERSION:3.0\r\n"
                          "FN:Bob Ray\r\n"
                          "EMAIL:bob@example.org\r\n"
                          "END:VCARD\r\n";

const QByteArray kCsv = "Name,E-mail,Phone,City\r\n"
                        "\"Doe, Jane\",jane@example.org,555-1234,Springfield\r\n"
                        "Bob Ray,bob@example.org,555-2222,Salem\r\n";

} // namespace

class TestBatchExchange : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    // What the file holds and what the command line says; the names written, the exit code and
    // what the standard error tells.
    void formats_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<QByteArray>>("names");
        QTest::addColumn<QStringList>("told"); // parts of the standard error, in any order
        QTest::newRow("vCard found")
            << kVCard << QStringList{} << QList<QByteArray>{"Jane Doe", "Bob Ray"}
            << QStringList{"2 contacts written", "vCard", "photo"};
        QTest::newRow("vCard forced")
            << kVCard << QStringList{"--format", "vcard"}
            << QList<QByteArray>{"Jane Doe", "Bob Ray"} << QStringList{"2 contacts written"};
        QTest::newRow("CSV header found")
            << kCsv << QStringList{} << QList<QByteArray>{"Doe, Jane", "Bob Ray"}
            << QStringList{"2 contacts written", "CSV", "nothing was left out"};
        QTest::newRow("CSV in UTF-16 with a byte-order mark")
            << Utf16Le(QString::fromUtf8(kCsv).replace("Bob Ray", "Zoë Ray")) << QStringList{}
            << QList<QByteArray>{"Doe, Jane", "Zoë Ray"} << QStringList{"2 contacts written"};
        QTest::newRow("CSV read as delimited text when told")
            << kCsv << QStringList{"--format", "delimited"}
            << QList<QByteArray>{"Name,E-mail,Phone,City",
                                 "Doe, Jane,jane@example.org,555-1234,Springfield",
                                 "Bob Ray,bob@example.org,555-2222,Salem"}
            << QStringList{};
        QTest::newRow("delimiters given: as today, quotes are text")
            << kCsv << QStringList{"--delimiters", "comma", "--start-row", "2"}
            << QList<QByteArray>{"\"Doe", "Bob Ray"} << QStringList{};
        QTest::newRow("no header: quoted fields recognised")
            << QByteArray("\"Doe, Jane\"\t\"12 Elm St\"\n\"Ray, Bob\"\t555-2222\n") << QStringList{}
            << QList<QByteArray>{"Doe, Jane", "Ray, Bob"} << QStringList{};
    }
    void formats() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(QList<QByteArray>, names);
        QFETCH(QStringList, told);
        const QString input = WriteBytes(m_dir.filePath("input.txt"), bytes);
        const QString output = m_dir.filePath("output.vby");
        QFile::remove(output);
        const Result result = RunImport(QStringList{"--batch", input, "-o", output} + options);
        QCOMPARE(result.nExit, 0);
        QVERIFY2(result.strOut.contains(QString("%1 records written").arg(names.size())),
                 qPrintable(result.strOut));
        for (const QString& part : told)
            QVERIFY2(result.strErr.contains(part), qPrintable(result.strErr));
        if (told.isEmpty())
            QVERIFY2(result.strErr.isEmpty(), qPrintable(result.strErr));
        const SFile written = ReadContactFile(output);
        QList<QByteArray> got;
        for (const CPerson& person : written.people)
            got.append(person.m_strName);
        QCOMPARE(got, names);
    }

    // The values of a vCard land where they belong, groups included.
    void vCardValues() {
        const QString input = WriteBytes(m_dir.filePath("values.vcf"), kVCard);
        const QString output = m_dir.filePath("values.vby");
        QCOMPARE(RunImport({"--batch", input, "--output", output}).nExit, 0);
        const SFile written = ReadContactFile(output);
        QCOMPARE(written.people.size(), size_t(2));
        const CPerson& jane = written.people[0];
        QVERIFY2(jane.m_strPhone.startsWith("+1 555 123 4567"), jane.m_strPhone.constData());
        QVERIFY2(jane.m_strNotes.contains("Café on the corner"), jane.m_strNotes.constData());
        QCOMPARE(jane.m_groups, QList<QByteArray>{"Friends"});
        QCOMPARE(written.groups, QList<QByteArray>{"Friends"});
        QCOMPARE(written.people[1].m_strEmail, QByteArray("bob@example.org"));
    }

    void failures_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown format")
            << kCsv << QStringList{"--format", "xml"} << 2 << "Unknown format 'xml'";
        QTest::newRow("format with delimiters")
            << kCsv << QStringList{"--format", "csv", "--delimiters", "comma"} << 2
            << "for delimited text only";
        QTest::newRow("format vcard with a start row")
            << kVCard << QStringList{"--format", "vcard", "--start-row", "2"} << 2
            << "for delimited text only";
        QTest::newRow("vCard forced on plain text")
            << QByteArray("Ann Lee\t555-1234\n") << QStringList{"--format", "vcard"} << 1 << "";
        QTest::newRow("CSV forced without a header row")
            << QByteArray("") << QStringList{"--format", "csv"} << 1 << "";
    }
    void failures() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString input = WriteBytes(m_dir.filePath("bad.txt"), bytes);
        const QString output = m_dir.filePath("bad.vby");
        WriteBytes(output, "old contents");
        const Result result = RunImport(QStringList{"--batch", input, "-o", output} + options);
        QCOMPARE(result.nExit, exitCode);
        QVERIFY2(result.strErr.startsWith("import: "), qPrintable(result.strErr));
        QVERIFY2(result.strErr.contains(message), qPrintable(result.strErr));
        QCOMPARE(ReadBytes(output), QByteArray("old contents"));
    }

    // More cards than a contact file holds: refused before anything is written.
    void tooManyContacts() {
        QByteArray bytes;
        bytes.reserve(65536 * 40);
        for (int i = 0; i < 65536; ++i)
            bytes +=
                "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:P" + QByteArray::number(i) + "\r\nEND:VCARD\r\n";
        const QString input = WriteBytes(m_dir.filePath("many.vcf"), bytes);
        const QString output = m_dir.filePath("many.vby");
        WriteBytes(output, "old contents");
        const Result result = RunImport({"--batch", input, "--output", output});
        QCOMPARE(result.nExit, 1);
        QVERIFY2(result.strErr.contains("65,535") || result.strErr.contains("65535"),
                 qPrintable(result.strErr));
        QCOMPARE(ReadBytes(output), QByteArray("old contents"));
    }

    void helpNamesTheFormat() {
        const Result result = RunImport({"--help"});
        QCOMPARE(result.nExit, 0);
        QVERIFY(result.strOut.contains("--format FORMAT"));
        QVERIFY(result.strOut.contains("vcard, csv"));
    }
};

QTEST_MAIN(TestBatchExchange)
#include "TestBatchExchange.moc"
