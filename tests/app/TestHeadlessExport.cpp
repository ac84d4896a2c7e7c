#include "CArchive.h"
#include "CContactReader.h"
#include "CCsvWriter.h"
#include "CVCardWriter.h"
#include "CVornDoc.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

// `velloby --export`: the real program as a process, with no display at all.
namespace {

struct Result {
    int nExit = -1;
    QString strOut;
    QString strErr;
};

Result RunVelloby(const QStringList& arguments) {
    QProcess process;
    // No window system: the export must not need one.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VELLOBY_EXE), arguments);
    Result result;
    if (!process.waitForFinished(60000))
        return result;
    result.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.strOut = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.strErr = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestHeadlessExport : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_strInput;
    std::vector<CPerson> m_people;

private slots:
    void initTestCase() {
        CNotesLabel label;
        CVornDoc doc(label);
        doc.OnNewDocument();
        CPerson ann;
        ann.m_strName = "O'Brien, \"Ann\"";
        ann.m_strAddress = "12 Elm St\r\nApt 4"; // as the form stores line breaks
        ann.m_strCity = "Köln";
        ann.m_strPhone = "555-1234";
        ann.m_strNotes = "semi; colon: back\\slash";
        ann.m_groups = {"Friends"};
        CPerson bob;
        bob.m_strName = "Bob Ray";
        bob.m_strEmail = "bob@example.org";
        m_people = {ann, bob};
        for (const CPerson& person : m_people)
            doc.m_personList.push_back(std::make_unique<CPerson>(person));
        doc.m_groupList = {"Friends"};
        m_strInput = m_dir.filePath("people.vby");
        QVERIFY(doc.OnSaveDocument(m_strInput));
    }

    void written_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("begins");
        QTest::newRow("vCard 4.0")
            << "out.vcf" << QStringList{} << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\n");
        QTest::newRow("vCard 3.0") << "out.vcard" << QStringList{"--vcard-version", "3.0"}
                                   << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\n");
        QTest::newRow("CSV") << "OUT.CSV" << QStringList{}
                             << QByteArray("Name,Address,City,State,ZIP,Country,Phone,E-mail,"
                                           "Notes,Groups\r\n");
    }
    void written() {
        QFETCH(QString, output);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, begins);
        const QString path = m_dir.filePath(output);
        const Result result =
            RunVelloby(QStringList{"--export", m_strInput, "--output", path} + options);
        QVERIFY2(result.nExit == 0, qPrintable(result.strErr));
        QVERIFY2(result.strErr.isEmpty(), qPrintable(result.strErr));
        QVERIFY2(result.strOut.contains("2 entries written"), qPrintable(result.strOut));
        const QByteArray bytes = ReadBytes(path);
        QVERIFY2(bytes.startsWith(begins), bytes.left(60).constData());
        CContactReader::Result read;
        QVERIFY(CContactReader::Read(bytes, EContactFormat::Auto, read));
        QCOMPARE(read.people.size(), m_people.size());
        for (size_t i = 0; i < m_people.size(); ++i)
            QVERIFY2(read.people[i] == m_people[i], read.people[i].m_strName.constData());
    }

    // The export reads the records a slice at a time: the output must be what the writers make
    // of the whole file at once, in both layouts of the contact file.
    void sameAsWholeFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<std::vector<CPerson>>("people");
        std::vector<CPerson> many;
        for (int i = 0; i < 5000; ++i) {
            CPerson person;
            person.m_strName = "Entry " + QByteArray::number(i);
            // E-mail and groups on some only, so a record's values cannot pass to the next.
            if (i % 3 == 0)
                person.m_strEmail = "e" + QByteArray::number(i) + "@example.org";
            if (i % 4 == 0)
                person.m_groups = {"Work", i % 8 == 0 ? "Club" : "Family"};
            person.m_strCity = i % 2 ? "Bath" : "York";
            person.m_strNotes = i % 5 ? QByteArray() : "line one\r\nline two, \"quoted\"";
            many.push_back(person);
        }
        CNotesLabel label;
        CVornDoc doc(label);
        doc.OnNewDocument();
        for (const CPerson& person : many)
            doc.m_personList.push_back(std::make_unique<CPerson>(person));
        doc.m_groupList = {"Work", "Club", "Family"};
        QTest::newRow("entries over several slices") << doc.SaveToBytes() << many;

        // The older layout: no version, and no e-mail in its records.
        std::vector<CPerson> older(3);
        older[0].m_strName = "Ann Old";
        older[0].m_strAddress = "1 Road\r\nFlat 2";
        older[0].m_groups = {"Family"};
        older[1].m_strName = "Bob Old";
        older[2].m_strName = "C\xc3\xa9 Old";
        older[2].m_groups = {"Work", "Family"};
        CArchive ar;
        ar.WriteStringList({"Family", "Work"});
        ar.WriteWord(quint16(older.size()));
        for (const CPerson& person : older) {
            for (const QByteArray& text :
                 {person.m_strName, person.m_strAddress, person.m_strCity, person.m_strState,
                  person.m_strZip, person.m_strCountry, person.m_strPhone, person.m_strNotes})
                ar.WriteString(text);
            ar.WriteStringList(person.m_groups);
        }
        ar.WriteDWord(123456);
        QTest::newRow("older layout") << ar.Buffer() << older;
    }
    void sameAsWholeFile() {
        QFETCH(QByteArray, file);
        QFETCH(std::vector<CPerson>, people);
        const QString input = m_dir.filePath("whole.vby");
        QFile out(input);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();
        std::vector<const CPerson*> pointers;
        for (const CPerson& person : people)
            pointers.push_back(&person);
        const struct {
            const char* output;
            QStringList options;
            QByteArray expected;
        } cases[] = {
            {"whole.csv", {}, CCsvWriter::Write(pointers)},
            {"whole.vcf", {}, CVCardWriter::Write(pointers, CVCardWriter::Version::V40)},
            {"whole3.vcf",
             {"--vcard-version", "3.0"},
             CVCardWriter::Write(pointers, CVCardWriter::Version::V30)},
        };
        for (const auto& c : cases) {
            const QString path = m_dir.filePath(c.output);
            const Result result =
                RunVelloby(QStringList{"--export", input, "--output", path} + c.options);
            QVERIFY2(result.nExit == 0, qPrintable(result.strErr));
            const QByteArray bytes = ReadBytes(path);
            QVERIFY2(bytes == c.expected, c.output);
        }
    }

    void failures_data() {
        QTest::addColumn<QStringList>("arguments"); // @name: a file in the test's folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("contact file missing")
            << QStringList{"--export", "@missing.vby", "--output", "@x.vcf"} << 1 << "missing.vby";
        QTest::newRow("not a contact file")
            << QStringList{"--export", "@junk.vby", "--output", "@x.vcf"} << 1 << "junk.vby";
        QTest::newRow("output cannot be written")
            << QStringList{"--export", "@people.vby", "--output", "@no/folder/x.vcf"} << 1
            << "x.vcf";
        QTest::newRow("no output") << QStringList{"--export", "@people.vby"} << 2 << "--output";
        QTest::newRow("unknown extension")
            << QStringList{"--export", "@people.vby", "--output", "@x.txt"} << 2 << ".vcf";
        QTest::newRow("unknown version")
            << QStringList{"--export", "@people.vby", "-o", "@x.vcf", "--vcard-version", "2.1"} << 2
            << "3.0 or 4.0";
        QTest::newRow("version for CSV")
            << QStringList{"--export", "@people.vby", "-o", "@x.csv", "--vcard-version", "3.0"} << 2
            << "not for CSV";
        QTest::newRow("unknown option")
            << QStringList{"--export", "@people.vby", "-o", "@x.vcf", "--fast"} << 2 << "fast";
        QTest::newRow("stray argument")
            << QStringList{"--export", "@people.vby", "-o", "@x.vcf", "extra"} << 2 << "extra";
    }
    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QFile junk(m_dir.filePath("junk.vby"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a contact file at all");
        junk.close();
        QFile::remove(m_dir.filePath("x.vcf"));
        for (QString& argument : arguments)
            if (argument.startsWith('@'))
                argument = m_dir.filePath(argument.mid(1));
        const Result result = RunVelloby(arguments);
        QCOMPARE(result.nExit, exitCode);
        QVERIFY2(result.strErr.startsWith("velloby: ") && result.strErr.contains(message),
                 qPrintable(result.strErr));
        // A command-line mistake shows the usage.
        QCOMPARE(result.strErr.contains("Usage: velloby --export"), exitCode == 2);
        QVERIFY(result.strOut.isEmpty());
        QVERIFY(!QFile::exists(m_dir.filePath("x.vcf")));
    }

    // A failed export leaves an existing output as it was.
    void failureKeepsTheOldOutput() {
        const QString path = m_dir.filePath("keep.vcf");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();
        const Result result = RunVelloby({"--export", m_dir.filePath("missing.vby"), "-o", path});
        QCOMPARE(result.nExit, 1);
        QCOMPARE(ReadBytes(path), QByteArray("old contents"));
    }
};

QTEST_MAIN(TestHeadlessExport)
#include "TestHeadlessExport.moc"
