// Saving a document a slice of entries at a time: the pieces put together are the bytes of the
// whole file, whatever the sizes of the entries; a save of many pieces that fails part way
// leaves the old file and says why.
#include "CContactFilePieces.h"
#include "CFaultyFileSystem.h"
#include "CVornDoc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

enum class Kind { Empty, OneEntry, ManySmall, MixedLengths };

std::unique_ptr<CPerson> Person(int n, qsizetype nNotes = 0) {
    auto person = std::make_unique<CPerson>();
    person->m_strName = "Person " + QByteArray::number(n);
    person->m_strAddress = "Street " + QByteArray::number(n * 7) + "\r\nTown";
    person->m_strCity = n % 3 ? "Lyon" : QByteArray();
    person->m_strPhone = QByteArray::number(5550000 + n);
    person->m_strEmail = "p" + QByteArray::number(n) + "@example.org";
    person->m_strNotes = QByteArray(nNotes, char('a' + n % 26));
    if (n % 4 == 0)
        person->m_groups = {"Friends", "Work " + QByteArray::number(n % 5)};
    return person;
}

struct Fixture {
    CNotesLabel label;
    CVornDoc doc{label};
    Fixture() {
        doc.m_fnCurrentTime = [] { return quint32(0x01020304); };
        doc.OnNewDocument();
    }

    void Fill(Kind kind) {
        auto& list = doc.m_personList;
        switch (kind) {
        case Kind::Empty:
            break;
        case Kind::OneEntry:
            list.push_back(Person(4, 10));
            doc.m_groupList = {"Friends", "Work 4"};
            label.m_bUseCustomLabel = 1;
            label.m_strCustomLabel = "Birthday";
            doc.m_timeCreated = 0x11223344;
            break;
        case Kind::ManySmall:
            for (int n = 0; n < 30000; ++n)
                list.push_back(Person(n));
            break;
        case Kind::MixedLengths:
            // Every form of the stored length, and an entry larger than a piece, among
            // small ones.
            for (int n = 0; n < 6000; ++n) {
                static const qsizetype kNotes[] = {254, 255, 256, 65533, 65534, 65535, 70000};
                const qsizetype nNotes = n == 3001      ? 3 * CContactFilePieces::kPieceSize
                                         : n % 500 == 7 ? kNotes[(n / 500) % 7]
                                                        : 0;
                list.push_back(Person(n, nNotes));
            }
            break;
        }
    }
};

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestContactFilePieces : public QObject {
    Q_OBJECT
private slots:
    void piecesMakeTheWholeFile_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("nMinPieces");
        QTest::newRow("empty document") << Kind::Empty << 1;
        QTest::newRow("one entry, groups, label and time") << Kind::OneEntry << 1;
        QTest::newRow("many small entries") << Kind::ManySmall << 4;
        QTest::newRow("texts of every length form, one larger than a piece")
            << Kind::MixedLengths << 2;
    }
    void piecesMakeTheWholeFile() {
        QFETCH(Kind, kind);
        QFETCH(int, nMinPieces);
        Fixture f;
        f.Fill(kind);
        const QByteArray whole = f.doc.SaveToBytes();
        qsizetype nLargest = 0;
        for (const auto& person : f.doc.m_personList)
            nLargest = std::max(nLargest, person->StoredSize());

        CContactFilePieces pieces(f.doc);
        QByteArray joined;
        QByteArray piece;
        QList<qsizetype> sizes;
        QList<const char*> memory;
        for (;;) {
            // As the safe write hands it back: empty, its memory kept.
            piece.resize(0);
            const CSafeFile::Piece next = pieces.Next(piece);
            QVERIFY(next != CSafeFile::Piece::Failed);
            joined.append(piece.constData(), piece.size());
            sizes.append(piece.size());
            memory.append(piece.constData());
            if (next == CSafeFile::Piece::End)
                break;
            QVERIFY(sizes.size() < 1000);
        }
        QCOMPARE(joined, whole);
        QVERIFY2(sizes.size() >= nMinPieces, qPrintable(QString::number(sizes.size())));
        // Pieces are neither tiny nor larger than asked: every one but the last is full up to
        // an entry, and none passes the piece size unless one entry does.
        const qsizetype nLimit = std::max(CContactFilePieces::kPieceSize, nLargest);
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            if (i + 1 < sizes.size())
                QVERIFY(sizes[i] > CContactFilePieces::kPieceSize - nLargest);
            QVERIFY(sizes[i] <= nLimit + 4096);
        }
        // Entries of like size are built in the memory of the piece before.
        if (kind == Kind::ManySmall)
            QCOMPARE(memory.count(memory.first()), memory.size());

        // The document saves the same bytes, and reads them back.
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        QString error;
        QVERIFY2(f.doc.OnSaveDocument(path, &error), qPrintable(error));
        QCOMPARE(ReadFile(path), whole);
        CNotesLabel label;
        CVornDoc check(label);
        QVERIFY(check.OnOpenDocument(path));
        QCOMPARE(check.m_personList.size(), f.doc.m_personList.size());
    }

    // A save of many pieces that fails after some were written: the old file stays, the
    // document stays modified, and the message is the one any failed save gives.
    void failurePartWay_data() {
        QTest::addColumn<CFaultyFileSystem::Fault>("fault");
        QTest::addColumn<qint64>("failAt");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full in a later piece")
            << CFaultyFileSystem::FailWrite << qint64(CContactFilePieces::kPieceSize * 2 + 10)
            << ENOSPC << "the disk is full";
        QTest::newRow("fsync") << CFaultyFileSystem::FailSync << qint64(0) << EIO
                               << "the disk reported an error";
    }
    void failurePartWay() {
        QFETCH(CFaultyFileSystem::Fault, fault);
        QFETCH(qint64, failAt);
        QFETCH(int, error);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("the old file");
        }
        Fixture f;
        f.Fill(Kind::ManySmall);
        f.doc.SetModifiedFlag(true);
        QString message;
        {
            CFaultyFileSystem fs(fault, failAt);
            fs.m_nError = error;
            QVERIFY(!f.doc.OnSaveDocument(path, &message));
        }
        QCOMPARE(message, QStringLiteral("Cannot save \"%1\": %2. The file on disk was left as it "
                                         "was.")
                              .arg(QDir::toNativeSeparators(path), reason));
        QVERIFY(f.doc.IsModified());
        QCOMPARE(ReadFile(path), QByteArray("the old file"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"contacts.vby"});
    }
};

QTEST_GUILESS_MAIN(TestContactFilePieces)
#include "TestContactFilePieces.moc"
