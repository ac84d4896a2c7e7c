#include "CArchive.h"
#include "CImportDoc.h"
#include "CImportRecord.h"
#include "CVornDoc.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

CPerson Person(const QByteArray& name, const QByteArray& address = {}) {
    CPerson person;
    person.m_strName = name;
    person.m_strAddress = address;
    return person;
}

} // namespace

class TestImportOutput : public QObject {
    Q_OBJECT
private slots:
    void layout() {
        CPerson people[3] = {Person("Al"), Person("Bo", "1 Elm St\nApt 4"), Person("")};
        CImportDoc doc;
        doc.m_fnCurrentTime = [] { return 0x0A0B0C0Du; };
        for (CPerson& person : people)
            doc.m_personList.append(&person);
        CArchive ar;
        doc.Serialize(ar);
        const QByteArray bytes = ar.Buffer();
        QVERIFY(bytes.startsWith(QByteArray::fromHex("0f000000 0000 0300")));
        QVERIFY(bytes.endsWith(QByteArray::fromHex("00000000 054e6f746573 0d0c0b0a")));
        // Al: name, eight empty texts, no groups.
        QCOMPARE(bytes.mid(8, 13), QByteArray::fromHex("02416c 0000000000000000 0000"));
        // Bo's address: two parts with one line feed between them.
        QVERIFY(bytes.contains(QByteArray::fromHex("0e") + "1 Elm St\nApt 4"));
        // An entirely empty record: nine empty strings and an empty group list.
        QCOMPARE(bytes.mid(bytes.size() - 14 - 11, 11),
                 QByteArray::fromHex("000000000000000000 0000"));
    }

    void readBackByTheContactFileReader() {
        QTemporaryDir dir;
        CImportRecord records;
        const QList<CPerson> expected = {Person("Ann Lee", "1 Elm St\nApt 4"), Person("Bo Ray")};
        for (const CPerson& person : expected) {
            ImportEntry* entry = records.NewEntry();
            entry->m_pFields = {person.m_strName};
            *entry->m_pPerson = person;
        }
        records.At(1)->m_pPerson->m_strEmail = "bo@example.org";
        CImportDoc doc;
        doc.AddRecords(records);
        const QString path = dir.filePath("out.vby");
        QString error;
        QVERIFY2(doc.OnSaveDocument(path, &error), qPrintable(error));

        CNotesLabel label;
        label.m_bUseCustomLabel = 1;
        CVornDoc reader(label);
        QVERIFY2(reader.OnOpenDocument(path, &error), qPrintable(error));
        QCOMPARE(reader.m_personList.size(), size_t(2));
        QCOMPARE(*reader.m_personList[0], expected[0]);
        QCOMPARE(reader.m_personList[1]->m_strEmail, QByteArray("bo@example.org"));
        QVERIFY(reader.m_groupList.isEmpty());
        QVERIFY(reader.m_personList[1]->m_groups.isEmpty());
        QCOMPARE(label.m_bUseCustomLabel, 0u);
        QCOMPARE(label.m_strCustomLabel, QByteArray("Notes"));
        QVERIFY(reader.m_timeCreated != 0);
    }

    void emptyLinesLeftOut() {
        CImportRecord records;
        records.NewEntry()->m_pFields = {"Al"};
        records.NewEntry();                                 // an empty line, left empty
        records.NewEntry()->m_pPerson->m_strName = "Typed"; // an empty line the user filled in
        records.NewEntry()->m_pFields = {""};               // a field, though empty
        for (int i : {0, 3})
            records.At(i)->m_pPerson->m_strName = records.At(i)->m_pFields[0];
        CImportDoc doc;
        doc.AddRecords(records);
        QCOMPARE(doc.m_personList.size(), 3);
        QCOMPARE(doc.m_personList[0]->m_strName, QByteArray("Al"));
        QCOMPARE(doc.m_personList[1]->m_strName, QByteArray("Typed"));
        QCOMPARE(doc.m_personList[2]->m_strName, QByteArray());
    }

    void recordCountLimit_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("fits");
        QTest::newRow("65,535") << 65535 << true;
        QTest::newRow("65,536") << 65536 << false;
    }
    void recordCountLimit() {
        QFETCH(int, count);
        QFETCH(bool, fits);
        QTemporaryDir dir;
        CImportRecord records;
        for (int i = 0; i < count; ++i)
            records.NewEntry()->m_pFields = {"x"};
        QCOMPARE(CImportDoc::CheckRecordCount(records, 1).isEmpty(), fits);
        std::vector<CPerson> people(static_cast<size_t>(count));
        CImportDoc doc;
        for (CPerson& person : people)
            doc.m_personList.append(&person);
        const QString path = dir.filePath("big.vby");
        QString error;
        QCOMPARE(doc.OnSaveDocument(path, &error), fits);
        QCOMPARE(QFile::exists(path), fits);
        if (fits) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.read(8), QByteArray::fromHex("0f000000 0000 ffff"));
        } else {
            QVERIFY2(error.contains("65,536") && error.contains("65,535"), qPrintable(error));
            CArchive ar;
            QVERIFY_THROWS_EXCEPTION(CArchiveException, doc.Serialize(ar));
        }
    }

    void nothingToImport() {
        CImportRecord records;
        QVERIFY(CImportDoc::CheckRecordCount(records, 4).contains("row 4"));
        records.NewEntry();
        QVERIFY(!CImportDoc::CheckRecordCount(records, 1).isEmpty());
        records.NewEntry()->m_pFields = {"x"};
        QVERIFY(CImportDoc::CheckRecordCount(records, 1).isEmpty());
    }

    void failedSaveNamesTheFile() {
        QTemporaryDir dir;
        CPerson person = Person("Al");
        CImportDoc doc;
        doc.m_personList.append(&person);
        QString error;
        QVERIFY(!doc.OnSaveDocument(dir.filePath("missing/folder/out.vby"), &error));
        QVERIFY2(error.contains("missing/folder/out.vby"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestImportOutput)
#include "TestImportOutput.moc"
