// A contact file read on a thread of its own while the program starts is taken by the document
// only when it is still the same file; in every other case the file is opened as usual, with
// the same result and the same message. Under the sanitizers these tests also show that the
// entries read on the other thread are sound to edit, keep and free on this one.
#include "CEarlyOpen.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <functional>
#include <sys/stat.h>

namespace {

// A file of `count` entries with repeated cities and groups, a long note and a custom label.
QByteArray SampleFile(int count, const QByteArray& tag = {}) {
    CNotesLabel label;
    label.m_bUseCustomLabel = 1;
    label.m_strCustomLabel = "Remarks" + tag;
    CVornDoc doc(label);
    doc.m_groupList = {"Work", "Family"};
    for (int i = 0; i < count; ++i) {
        auto person = std::make_unique<CPerson>();
        person->m_strName = "Person " + QByteArray::number(i) + tag;
        person->m_strCity = i % 2 ? "Salem" : "Springfield";
        person->m_strPhone = "555-" + QByteArray::number(1000 + i);
        if (i == 3)
            person->m_strNotes = QByteArray(70000, 'x');
        if (i % 3 == 0)
            person->m_groups = {"Work"};
        doc.m_personList.push_back(std::move(person));
    }
    doc.m_timeCreated = 1700000000;
    return doc.SaveToBytes();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// What a user sees of an open document: every entry's bytes, the groups and the Notes label.
struct SShown {
    QByteArray bytes;
    quint32 bUseCustomLabel = 0;
    QByteArray strLabel;
    int nVersion = 0;
    bool bModified = false;
    bool bOpened = false;
    QString strError;
    bool operator==(const SShown&) const = default;
};

SShown Open(const QString& path) {
    CNotesLabel label;
    CVornDoc doc(label);
    SShown shown;
    shown.bOpened = doc.OnOpenDocument(path, &shown.strError);
    shown.nVersion = doc.m_nVersion;
    shown.bModified = doc.IsModified();
    shown.bUseCustomLabel = label.m_bUseCustomLabel;
    shown.strLabel = label.m_strCustomLabel;
    if (shown.bOpened)
        shown.bytes = doc.SaveToBytes();
    return shown;
}

using Change = std::function<void(const QString& path, const QString& other)>;

} // namespace

class TestEarlyOpen : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { CEarlyOpen::Finish(); }

    void takenOnlyForTheSameFile_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<bool>("bTaken");
        const Change none = [](const QString&, const QString&) {};
        QTest::newRow("unchanged") << none << true;
        QTest::newRow("opened by another path to it")
            << Change([](const QString& path, const QString&) {
                   QVERIFY(QFile::link(path, path + ".link"));
               })
            << false;
        QTest::newRow("rewritten in place, same size, later time")
            << Change([](const QString& path, const QString&) {
                   QVERIFY(WriteFile(path, SampleFile(40, "B")));
                   QFile file(path);
                   QVERIFY(file.open(QIODevice::ReadWrite));
                   QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                            QFileDevice::FileModificationTime));
               })
            << false;
        QTest::newRow("replaced by another file of the same size")
            << Change([](const QString& path, const QString& other) {
                   QVERIFY(WriteFile(other, SampleFile(40, "C")));
                   QVERIFY(std::rename(QFile::encodeName(other), QFile::encodeName(path)) == 0);
               })
            << false;
        QTest::newRow("grown") << Change([](const QString& path, const QString&) {
            QVERIFY(WriteFile(path, SampleFile(41)));
        }) << false;
        QTest::newRow("removed") << Change([](const QString& path, const QString&) {
            QVERIFY(QFile::remove(path));
        }) << false;
        QTest::newRow("thrown away")
            << Change([](const QString&, const QString&) { CEarlyOpen::Discard(); }) << false;
    }

    void takenOnlyForTheSameFile() {
        QFETCH(Change, change);
        QFETCH(bool, bTaken);
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        const QString other = dir.filePath("other.vby");
        QVERIFY(WriteFile(path, SampleFile(40)));
        const SShown expected = Open(path);
        QVERIFY(expected.bOpened);

        CEarlyOpen::Start(path);
        // The file is changed after it was read early; the early read is then taken for the
        // name it was started with (or, for the link, for another name of the same file).
        CEarlyOpen::Wait();
        change(path, other);
        if (QTest::currentTestFailed())
            return;
        const QString opened = QFile::exists(path + ".link") ? path + ".link" : path;
        CVornDoc::SContents contents;
        QCOMPARE(CEarlyOpen::Take(opened, contents), bTaken);
        QCOMPARE(contents.personList.empty(), !bTaken);
        // Used up either way.
        CVornDoc::SContents again;
        QVERIFY(!CEarlyOpen::Take(opened, again));
        if (bTaken) {
            CNotesLabel label;
            CVornDoc doc(label);
            doc.Adopt(contents);
            QCOMPARE(doc.SaveToBytes(), expected.bytes);
            QCOMPARE(label.m_strCustomLabel, expected.strLabel);
        }
    }

    // Through the document: what it shows after an early read equals a normal open, for files
    // that open and for files that do not (the same message).
    void documentShowsWhatANormalOpenShows_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("bOpens");
        const QByteArray good = SampleFile(300);
        QTest::newRow("entries") << good << true;
        QTest::newRow("no entries") << SampleFile(0) << true;
        QTest::newRow("cut short") << good.left(good.size() / 2) << false;
        QTest::newRow("a length past the end") << good.left(12) + QByteArray(8, '\xFF') << false;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("not a contact file") << QByteArray("hello, world\n") << false;
    }

    void documentShowsWhatANormalOpenShows() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, bOpens);
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        QVERIFY(WriteFile(path, bytes));
        const SShown normal = Open(path);
        QCOMPARE(normal.bOpened, bOpens);
        CEarlyOpen::Start(path);
        QCOMPARE(Open(path), normal);
        CVornDoc::SContents left;
        QVERIFY(!CEarlyOpen::Take(path, left));
    }

    // A pipe named on the command line has no writer: the early read neither waits for one nor
    // keeps the program from ending.
    void pipeIsNotWaitedFor() {
        QTemporaryDir dir;
        const QString path = dir.filePath("pipe.vby");
        QVERIFY(mkfifo(QFile::encodeName(path), 0600) == 0);
        CEarlyOpen::Start(path);
        CVornDoc::SContents contents;
        QVERIFY(!CEarlyOpen::Take(path, contents));
        CEarlyOpen::Start(path);
        CEarlyOpen::Discard();
        CEarlyOpen::Finish();
    }

    // The entries read on the other thread are edited, copied and kept past the document, and
    // the document then opens another file over them.
    void entriesReadEarlyAreSoundHere() {
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        QVERIFY(WriteFile(path, SampleFile(5000)));
        CNotesLabel label;
        CVornDoc doc(label);
        CEarlyOpen::Start(path);
        QVERIFY(doc.OnOpenDocument(path));
        QCOMPARE(doc.m_personList.size(), size_t(5000));
        CPerson kept = *doc.m_personList[7];
        doc.m_personList[8]->m_strName.append(" changed");
        doc.m_personList[9]->m_strCity[0] = 'X';
        QCOMPARE(doc.m_personList[10]->m_strCity, QByteArray("Springfield"));
        QCOMPARE(doc.m_personList[3]->m_strNotes, QByteArray(70000, 'x'));
        // The last text of the file, just before the bytes given back after reading.
        QCOMPARE(doc.m_personList.back()->m_strName, QByteArray("Person 4999"));
        doc.m_personList.back()->m_strName.append(QByteArray(9000, 'y'));
        QCOMPARE(doc.m_personList.back()->m_strName.size(), qsizetype(11 + 9000));
        QByteArray label2 = label.m_strCustomLabel;
        QVERIFY(doc.OnOpenDocument(path));
        QCOMPARE(kept.m_strName, QByteArray("Person 7"));
        QCOMPARE(kept.m_strCity, QByteArray("Salem"));
        QCOMPARE(label2, QByteArray("Remarks"));
        QCOMPARE(doc.m_personList[9]->m_strCity, QByteArray("Salem"));
        doc.DeleteContents();
        QCOMPARE(kept.m_strPhone, QByteArray("555-1007"));
        // An early read thrown away while the reader may still be busy is freed elsewhere.
        CEarlyOpen::Start(path);
        CEarlyOpen::Discard();
        CEarlyOpen::Start(path);
    }
};

QTEST_GUILESS_MAIN(TestEarlyOpen)
#include "TestEarlyOpen.moc"
