// Edges of the import that a mutation of the code showed untested: a read error in the middle
// of the text, the exact lengths of a ZIP code and the position of an e-mail's full stop, and
// leading empty lines before the record whose mapping the batch import applies to all.
#include "CBatchImport.h"
#include "CFieldMapper.h"
#include "CImportRecord.h"
#include "CLineReader.h"
#include "CVornDoc.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Lines = QList<QByteArray>;
using Targets = QList<unsigned>;

namespace {

enum : unsigned { N, A, C, S, Z, P, Co, E, No };

// A device that gives its bytes, then fails every read, as a failing disk does.
class CFailingDevice : public QIODevice {
public:
    explicit CFailingDevice(const QByteArray& bytes) : m_bytes(bytes) {}
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_bytes.isEmpty())
            return -1;
        const qint64 n = qMin<qint64>(maxSize, m_bytes.size());
        std::memcpy(data, m_bytes.constData(), size_t(n));
        m_bytes.remove(0, n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
};

} // namespace

class TestImportEdges : public QObject {
    Q_OBJECT
private slots:
    void readErrorIsReported() {
        CFailingDevice device("Ann\tSalem\nBob\r\nCy without its line end");
        QVERIFY(device.open(QIODevice::ReadOnly));
        Lines lines{"kept"};
        QVERIFY(!CLineReader::ReadLines(device, lines));
        // The complete lines before the error stay; the cut-off one is not taken for a line.
        QCOMPARE(lines, (Lines{"kept", "Ann\tSalem", "Bob"}));
    }

    void batchReportsReadError() {
        // Reading a process's memory from its first byte fails with an I/O error.
        QFile memory(QStringLiteral("/proc/self/mem"));
        if (!memory.open(QIODevice::ReadOnly) || memory.read(1).size() == 1)
            QSKIP("no file here fails on reading");
        QTemporaryDir dir;
        CBatchImport::Options options;
        options.strInput = memory.fileName();
        options.strOutput = dir.filePath("out.vby");
        QString error;
        QVERIFY(!CBatchImport::Import(options, &error));
        QVERIFY2(error.startsWith("Cannot read \"/proc/self/mem\""), qPrintable(error));
        QVERIFY(!QFile::exists(options.strOutput));
    }

    // The values of a record with no field shorter than 5 characters before the phone: the ZIP
    // search covers the name too, and a ZIP has exactly 5 or 10 characters.
    void zipLengths_data() {
        QTest::addColumn<Lines>("fields");
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<Targets>("targets");
        QTest::newRow("5 characters") << Lines{"Alice Ross Smith", "12345", "555-1234"}
                                      << QByteArray("12345") << Targets{N, Z, P};
        QTest::newRow("ZIP+4 with a blank, 10 characters")
            << Lines{"Alice Ross Smith", "12345 6789", "555-1234"} << QByteArray("12345 6789")
            << Targets{N, Z, P};
        QTest::newRow("a 10-character name is also the ZIP")
            << Lines{"Alice Ross", "Springfield", "555-1234"} << QByteArray("Alice Ross")
            << Targets{Z, No, P};
        QTest::newRow("9 characters") << Lines{"Alice Ross Smith", "123456789", "555-1234"}
                                      << QByteArray() << Targets{N, No, P};
        QTest::newRow("11 characters") << Lines{"Alice Ross Smith", "12345 67890", "555-1234"}
                                       << QByteArray() << Targets{N, No, P};
        QTest::newRow("6 characters")
            << Lines{"Alice Ross Smith", "123456", "555-1234"} << QByteArray() << Targets{N, No, P};
        QTest::newRow("10 characters, not bytes")
            << Lines{"Alice Ross Smith", "Zoë Müller", "555-1234"} << QByteArray("Zoë Müller")
            << Targets{N, Z, P};
    }
    void zipLengths() {
        QFETCH(Lines, fields);
        QFETCH(QByteArray, zip);
        QFETCH(Targets, targets);
        ImportEntry entry;
        entry.m_pFields = fields;
        CFieldMapper mapper;
        mapper.Show(entry);
        QCOMPARE(mapper.m_strZip, zip);
        QCOMPARE(mapper.m_targets, targets);
    }

    // A field left over is an e-mail address when its last full stop stands at character 4 or
    // later, counted from 0.
    void emailFullStop_data() {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<bool>("email");
        QTest::newRow("at 4") << QByteArray("jo@x.io") << true;
        QTest::newRow("at 3") << QByteArray("j@x.io") << false;
        QTest::newRow("at 5") << QByteArray("joe@x.io") << true;
        QTest::newRow("at 3 in characters, 4 in bytes") << QByteArray("ü@x.io") << false;
        QTest::newRow("none") << QByteArray("jo@xio") << false;
    }
    void emailFullStop() {
        QFETCH(QByteArray, field);
        QFETCH(bool, email);
        ImportEntry entry;
        entry.m_pFields = {"Ann Lee", "555-1234", field};
        CFieldMapper mapper;
        mapper.Show(entry);
        QCOMPARE(mapper.m_targets.value(2), email ? unsigned(E) : unsigned(No));
        QCOMPARE(mapper.m_strEmail, email ? field : QByteArray());
        QCOMPARE(mapper.m_strNotes, email ? QByteArray() : field);
    }

    // With the same mapping for all, the pattern comes from the first record that has fields,
    // not from an empty line before it.
    void batchSameMappingAfterEmptyLines() {
        QTemporaryDir dir;
        const QString input = dir.filePath("in.txt");
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\n\r\n\nAnn Lee,ann@example.org,555-1234\nBob Ray,bob@example.org,555-2222\n");
        file.close();
        CBatchImport::Options options;
        options.strInput = input;
        options.strOutput = dir.filePath("out.vby");
        options.bTab = false;
        options.bComma = true;
        options.bSameMapping = true;
        options.nStartRow = 1;
        QString error;
        int written = 0;
        QVERIFY2(CBatchImport::Import(options, &error, &written), qPrintable(error));
        QCOMPARE(written, 2);
        CNotesLabel label;
        CVornDoc doc(label);
        QVERIFY(doc.OnOpenDocument(options.strOutput));
        QCOMPARE(doc.m_personList.size(), size_t(2));
        for (size_t i = 0; i < 2; ++i) {
            const CPerson& person = *doc.m_personList[i];
            QCOMPARE(person.m_strName, i == 0 ? QByteArray("Ann Lee") : QByteArray("Bob Ray"));
            QVERIFY(person.m_strEmail.endsWith("@example.org"));
            QVERIFY(person.m_strPhone.startsWith("555-"));
        }
    }
};

QTEST_GUILESS_MAIN(TestImportEdges)
#include "TestImportEdges.moc"
