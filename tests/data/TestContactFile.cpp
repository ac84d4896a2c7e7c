#include "CArchive.h"
#include "CVornDoc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

std::unique_ptr<CPerson> Person(const QByteArray& name, const QByteArray& email = {},
                                QList<QByteArray> groups = {}) {
    auto person = std::make_unique<CPerson>();
    person->m_strName = name;
    person->m_strEmail = email;
    person->m_groups = std::move(groups);
    return person;
}

// A document with its own label and a clock that the test sets.
struct Fixture {
    CNotesLabel label;
    CVornDoc doc{label};
    quint32 now = 0x01020304;
    Fixture() {
        doc.m_fnCurrentTime = [this] { return now; };
        doc.OnNewDocument();
    }
};

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

class TestContactFile : public QObject {
    Q_OBJECT
private slots:
    void emptyFileIs22Bytes() {
        Fixture f;
        const QByteArray bytes = f.doc.SaveToBytes();
        QCOMPARE(bytes, Hex("0f000000 0000 0000 00000000 054e6f746573 04030201"));
        QCOMPARE(bytes.size(), 22);
    }

    void roundTripKeepsEverything() {
        Fixture f;
        f.doc.m_groupList = {"Work", "", "Family"};
        f.doc.m_personList.push_back(Person("Zed", "z@example.org", {"Family", "Work"}));
        f.doc.m_personList.push_back(Person("al", {}, {}));
        f.doc.m_personList.back()->m_strAddress = "1 Road\r\nTown";
        f.label.m_bUseCustomLabel = 1;
        f.label.m_strCustomLabel = "Birthday";
        const QByteArray bytes = f.doc.SaveToBytes();

        Fixture g;
        QVERIFY(g.doc.LoadFromBytes(bytes));
        QCOMPARE(g.doc.m_groupList, f.doc.m_groupList);
        QCOMPARE(g.doc.m_personList.size(), size_t(2));
        QCOMPARE(*g.doc.m_personList[0], *f.doc.m_personList[0]);
        QCOMPARE(*g.doc.m_personList[1], *f.doc.m_personList[1]);
        QCOMPARE(g.label.m_bUseCustomLabel, 1u);
        QCOMPARE(g.label.m_strCustomLabel, QByteArray("Birthday"));
        QCOMPARE(g.doc.m_timeCreated, 0x01020304u);
        // Written again, the bytes are the same.
        QCOMPARE(g.doc.SaveToBytes(), bytes);
    }

    void emptyStoredLabelReadsAsNotes() {
        Fixture f;
        QVERIFY(f.doc.LoadFromBytes(Hex("0f000000 0000 0000 01000000 00 00000000")));
        QCOMPARE(f.label.m_strCustomLabel, QByteArray("Notes"));
        QCOMPARE(f.label.m_bUseCustomLabel, 1u);
    }

    void olderFileOpensAndSavesAsNewer() {
        // Groups "A"; one record "Al" in the older layout (no e-mail), groups "A"; time 5.
        const QByteArray old = Hex("0100 0141 0100 02416c 00000000000000 0100 0141 05000000");
        Fixture f;
        f.label.m_bUseCustomLabel = 1;
        QVERIFY(f.doc.LoadFromBytes(old));
        QCOMPARE(f.doc.m_nVersion, 11);
        QCOMPARE(f.doc.m_groupList, QList<QByteArray>{"A"});
        QCOMPARE(f.doc.m_personList.size(), size_t(1));
        QVERIFY(f.doc.m_personList[0]->m_strEmail.isEmpty());
        QCOMPARE(f.label.m_bUseCustomLabel, 0u);
        QCOMPARE(f.label.m_strCustomLabel, QByteArray("Notes"));
        QCOMPARE(f.doc.m_timeCreated, 5u);

        const QByteArray saved = f.doc.SaveToBytes();
        QCOMPARE(f.doc.m_nVersion, 15);
        QCOMPARE(saved, Hex("0f000000 0100 0141 0100 02416c 0000000000000000 0100 0141"
                            "00000000 054e6f746573 05000000"));
        Fixture g;
        QVERIFY(g.doc.LoadFromBytes(saved));
        QCOMPARE(*g.doc.m_personList[0], *f.doc.m_personList[0]);
        QCOMPARE(g.doc.m_groupList, f.doc.m_groupList);
    }

    void fifteenGroupsReadAsNewerVersion() {
        // An older file with fifteen empty group names and no records starts 0F 00 00 00, so it
        // is taken for the newer layout: its bytes then read as no groups, no records, the flag
        // off, an empty label and time 0.
        QByteArray old = QByteArray::fromHex("0f00") + QByteArray(15, '\0');
        old += QByteArray::fromHex("0000 07000000");
        Fixture f;
        QVERIFY(f.doc.LoadFromBytes(old));
        QCOMPARE(f.doc.m_nVersion, 15);
        QVERIFY(f.doc.m_groupList.isEmpty());
        QCOMPARE(f.label.m_strCustomLabel, QByteArray("Notes"));
        QCOMPARE(f.doc.m_timeCreated, 0u);
    }

    void timeRule() {
        Fixture f;
        QTemporaryDir dir;
        const QString path = dir.filePath("t.vby");
        // New document: every save writes the time of that save.
        f.now = 100;
        QVERIFY(f.doc.OnSaveDocument(path));
        QCOMPARE(ReadFile(path).right(4), Hex("64000000"));
        f.now = 200;
        QVERIFY(f.doc.OnSaveDocument(path));
        QCOMPARE(ReadFile(path).right(4), Hex("c8000000"));
        QCOMPARE(f.doc.m_timeCreated, 0u);
        // Once read back, the stored time stays through any number of saves.
        QVERIFY(f.doc.OnOpenDocument(path));
        QCOMPARE(f.doc.m_timeCreated, 200u);
        f.now = 300;
        QVERIFY(f.doc.OnSaveDocument(path));
        QVERIFY(f.doc.OnSaveDocument(path));
        QCOMPARE(ReadFile(path).right(4), Hex("c8000000"));
        // A stored 0 gets the current time at the next save.
        WriteFile(path, Hex("0f000000 0000 0000 00000000 054e6f746573 00000000"));
        QVERIFY(f.doc.OnOpenDocument(path));
        QVERIFY(f.doc.OnSaveDocument(path));
        QCOMPARE(ReadFile(path).right(4), Hex("2c010000"));
    }

    void newDocumentResetsLabelTextOnly() {
        Fixture f;
        f.label.m_bUseCustomLabel = 1;
        f.label.m_strCustomLabel = "Birthday";
        f.doc.m_personList.push_back(Person("x"));
        f.doc.m_groupList = {"g"};
        f.doc.m_timeCreated = 9;
        f.doc.SetModifiedFlag(true);
        QVERIFY(f.doc.OnNewDocument());
        QCOMPARE(f.label.m_strCustomLabel, QByteArray("Notes"));
        QCOMPARE(f.label.m_bUseCustomLabel, 1u);
        QVERIFY(f.doc.m_personList.empty());
        QVERIFY(f.doc.m_groupList.isEmpty());
        QCOMPARE(f.doc.m_timeCreated, 0u);
        QVERIFY(!f.doc.IsModified());
        QCOMPARE(f.doc.m_nVersion, 15);
    }

    void saveIsAtomic() {
        Fixture f;
        QTemporaryDir dir;
        const QString path = dir.filePath("keep.vby");
        f.doc.m_personList.push_back(Person("Kept"));
        QVERIFY(f.doc.OnSaveDocument(path));
        const QByteArray before = ReadFile(path);
        // A folder that cannot be written: the save fails and the old file is untouched.
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        f.doc.m_personList.push_back(Person("Lost"));
        f.doc.SetModifiedFlag(true);
        QString error;
        const bool saved = f.doc.OnSaveDocument(path, &error);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (saved)
            QSKIP("running with rights that ignore folder permissions");
        QVERIFY(error.contains(path));
        QVERIFY(f.doc.IsModified());
        QCOMPARE(ReadFile(path), before);
    }

    void neverWritesAWrappedCount() {
        Fixture f;
        for (qsizetype i = 0; i < CVornDoc::kMaxEntries; ++i)
            f.doc.m_personList.push_back(std::make_unique<CPerson>());
        QVERIFY(!f.doc.CanAddEntry());
        QTemporaryDir dir;
        QVERIFY(f.doc.OnSaveDocument(dir.filePath("full.vby")));
        Fixture g;
        QVERIFY(g.doc.OnOpenDocument(dir.filePath("full.vby")));
        QCOMPARE(g.doc.m_personList.size(), size_t(65535));

        f.doc.m_personList.push_back(std::make_unique<CPerson>());
        QString error;
        QVERIFY(!f.doc.OnSaveDocument(dir.filePath("over.vby"), &error));
        QVERIFY(error.contains("65535"));
        QVERIFY(!QFile::exists(dir.filePath("over.vby")));
    }

    void reopeningALargeFile() {
        // Large contents are freed aside while the next file is read; every open must still
        // give the file's records, and listeners hear before each deletion.
        Fixture f;
        for (int i = 0; i < 5000; ++i)
            f.doc.m_personList.push_back(Person("P" + QByteArray::number(i), "e@x", {"g"}));
        QTemporaryDir dir;
        const QString path = dir.filePath("large.vby");
        QVERIFY(f.doc.OnSaveDocument(path));
        int warnings = 0;
        connect(&f.doc, &CVornDoc::contentsAboutToBeDeleted, this, [&] { ++warnings; });
        for (int round = 0; round < 3; ++round) {
            QVERIFY(f.doc.OnOpenDocument(path));
            QCOMPARE(f.doc.m_personList.size(), size_t(5000));
            QCOMPARE(f.doc.m_personList[4999]->m_strName, QByteArray("P4999"));
        }
        QVERIFY(warnings >= 3);
        QVERIFY(f.doc.OnNewDocument());
        QVERIFY(f.doc.m_personList.empty());
    }

    void failedOpenKeepsTheLabelFlag() {
        // The flag is read, then the file ends inside the label text: the open is abandoned
        // whole, and the flag stays what it was before (only the text returns to "Notes").
        const QByteArray cut = Hex("0f000000 0000 0000 01000000 0a4269727468");
        for (const quint32 before : {0u, 1u}) {
            Fixture f;
            f.label.m_bUseCustomLabel = before;
            f.label.m_strCustomLabel = "Birthday";
            QString error;
            QVERIFY(!f.doc.LoadFromBytes(cut, &error));
            QVERIFY(!error.isEmpty());
            QCOMPARE(f.label.m_bUseCustomLabel, before);
            QCOMPARE(f.label.m_strCustomLabel, QByteArray("Notes"));
            QVERIFY(f.doc.m_personList.empty());
            QCOMPARE(f.doc.m_nVersion, 15);
        }
        // A file that opens sets it, on or off.
        Fixture g;
        QVERIFY(g.doc.LoadFromBytes(Hex("0f000000 0000 0000 01000000 00 00000000")));
        QCOMPARE(g.label.m_bUseCustomLabel, 1u);
        QVERIFY(g.doc.LoadFromBytes(Hex("0f000000 0000 0000 00000000 00 00000000")));
        QCOMPARE(g.label.m_bUseCustomLabel, 0u);
    }

    void openFailuresNameTheFile() {
        Fixture f;
        QTemporaryDir dir;
        QString error;
        const QString missing = dir.filePath("missing.vby");
        QVERIFY(!f.doc.OnOpenDocument(missing, &error));
        QVERIFY(error.contains(missing));
        QVERIFY(error.contains("does not exist"));

        const QString damaged = dir.filePath("damaged.vby");
        WriteFile(damaged, Hex("0f000000 0000 0300 05"));
        QVERIFY(!f.doc.OnOpenDocument(damaged, &error));
        QVERIFY(error.contains(damaged));
        QVERIFY(error.contains("damaged"));
    }
};

QTEST_GUILESS_MAIN(TestContactFile)
#include "TestContactFile.moc"
