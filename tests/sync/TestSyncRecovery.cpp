// A sync that stops halfway (server killed, program killed, file not saved, sidecar damaged)
// leaves the file and the sidecar consistent, and the next sync finishes the work with nothing
// lost and nothing doubled. These tests run a server of their own, which they stop and start.
#include "CSyncEngine.h"
#include "CSyncState.h"
#include "SyncTestUtil.h"

#include <QTemporaryDir>

using namespace synctest;

class TestSyncRecovery : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_strServerDir;
    QString m_strScript;
    QString m_strBase;
    int m_nFile = 0;

    bool Server(const char* command) {
        return QProcess::execute(m_strScript, {QString::fromLatin1(command), m_strServerDir}) == 0;
    }
    std::unique_ptr<SFile> NewFile() {
        auto file = std::make_unique<SFile>();
        file->strPath = m_dir.filePath(QStringLiteral("file%1.vby").arg(++m_nFile));
        return file;
    }
    static CSyncResult Sync(SFile& file, const QUrl& url) {
        return CSyncSession::RunBlocking(file.doc(), file.strPath, Account(url));
    }
    static QList<QByteArray> ServerNames(const QUrl& book) {
        QList<QByteArray> names;
        for (const QByteArray& card : Cards(book)) {
            CPerson person;
            if (CSyncEngine::CardToPerson(card, person))
                names.append(person.m_strName);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static QByteArray ReadAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void WriteAll(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    // Runs a sync and calls `atSending` once, when the first change has gone out.
    static CSyncResult SyncWith(SFile& file, const QUrl& url, int nAfter,
                                const std::function<void()>& atSending) {
        CSyncSession session(file.doc(), file.strPath, Account(url));
        bool bCalled = false;
        QObject::connect(
            &session, &CSyncSession::progress, [&](const QString& step, int nDone, int) {
                if (!bCalled && step.startsWith(QStringLiteral("Sending")) && nDone >= nAfter) {
                    bCalled = true;
                    atSending();
                }
            });
        QEventLoop loop;
        QObject::connect(&session, &CSyncSession::finished, &loop, &QEventLoop::quit);
        session.Start();
        loop.exec();
        return session.Result();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_strScript = qEnvironmentVariable("VELLOBY_TEST_RADICALE_SCRIPT");
        QVERIFY(!m_strScript.isEmpty());
        m_strServerDir = m_dir.filePath(QStringLiteral("server"));
        QVERIFY(Server("start"));
        m_strBase = ReadLine(m_strServerDir + QStringLiteral("/url"));
    }
    void cleanupTestCase() { Server("stop"); }

    void serverStoppedMidSync() {
        const QUrl book = NewBook(m_strBase);
        auto file = NewFile();
        for (int i = 0; i < 400; ++i)
            file->Add(Person(i));
        const CSyncResult broken = SyncWith(*file, book, 60, [&] { QVERIFY(Server("stop")); });
        QVERIFY(!broken.bOk);
        QVERIFY(!broken.strError.isEmpty());
        QVERIFY(!broken.bDocumentChanged);
        QCOMPARE(file->doc().m_personList.size(), size_t(400));
        QVERIFY(Server("start"));
        const qsizetype nArrived = Cards(book).size();
        QVERIFY(nArrived > 0 && nArrived < 400);

        file->Reopen();
        CSyncResult result = Sync(*file, book);
        QVERIFY2(result.bOk, qPrintable(result.Summary()));
        QCOMPARE(result.nSent, 400 - int(nArrived));
        QCOMPARE(result.nReceived, 0);
        QCOMPARE(ServerNames(book), file->Names());
        result = Sync(*file, book);
        QVERIFY(result.bOk);
        QCOMPARE(result.nSent + result.nReceived, 0);
    }

    // Cancel while sending: the file stays as it was and the next sync finishes the work.
    void cancelledThenRepeated() {
        const QUrl book = NewBook(m_strBase);
        auto file = NewFile();
        for (int i = 0; i < 120; ++i)
            file->Add(Person(i));
        CSyncSession session(file->doc(), file->strPath, Account(book));
        QObject::connect(&session, &CSyncSession::progress,
                         [&](const QString& step, int nDone, int) {
                             if (step.startsWith(QStringLiteral("Sending")) && nDone >= 20)
                                 session.Cancel();
                         });
        QEventLoop loop;
        QObject::connect(&session, &CSyncSession::finished, &loop, &QEventLoop::quit);
        session.Start();
        QVERIFY(session.IsRunning());
        loop.exec();
        QVERIFY(!session.IsRunning());
        QVERIFY(!session.Result().bOk);
        QVERIFY(session.Result().bCancelled);
        QVERIFY(!session.Result().bDocumentChanged);
        QCOMPARE(file->doc().m_personList.size(), size_t(120));
        QVERIFY(Cards(book).size() < 120);

        const CSyncResult result = Sync(*file, book);
        QVERIFY2(result.bOk, qPrintable(result.Summary()));
        QCOMPARE(ServerNames(book), file->Names());
    }

    // The program killed after the server took the changes but before the sidecar said so: the
    // sidecar as it was when sending began.
    void killedAfterServerAccepted() {
        const QUrl book = NewBook(m_strBase);
        const QByteArray foreign = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Other//EN\r\n"
                                   "UID:foreign-1\r\nFN:Foreign One\r\nX-KEEP:yes\r\n"
                                   "NOTE:from elsewhere\r\nEND:VCARD\r\n";
        QCOMPARE(PutCard(book, "foreign-1.vcf", foreign).nStatus / 100, 2);
        auto file = NewFile();
        for (int i = 0; i < 20; ++i)
            file->Add(Person(i));
        QVERIFY(Sync(*file, book).bOk);
        file->Reopen();

        file->Find("Foreign One")->m_strCity = "Edited";
        file->Find("Person 3")->m_strCity = "Edited too";
        for (int i = 20; i < 30; ++i)
            file->Add(Person(i));
        const QString sidecar = CSyncSession::SidecarPath(file->strPath);
        QByteArray atSending;
        const CSyncResult result = SyncWith(*file, book, 1, [&] { atSending = ReadAll(sidecar); });
        QVERIFY(result.bOk);
        QCOMPARE(result.nSent, 12);
        QVERIFY(!atSending.isEmpty());
        WriteAll(sidecar, atSending);

        const CSyncResult again = Sync(*file, book);
        QVERIFY2(again.bOk, qPrintable(again.Summary()));
        QCOMPARE(again.nConflicts, 0);
        QCOMPARE(again.nSent, 0);
        QCOMPARE(again.nReceived, 0);
        QCOMPARE(file->doc().m_personList.size(), size_t(31));
        QCOMPARE(ServerNames(book), file->Names());
        QVERIFY(Cards(book).value(QUrl(book).path().toUtf8() + "foreign-1.vcf").contains("X-KEEP"));
    }

    // What came from the server is taken again when the file was not saved after the sync, and
    // never deleted from the server for being missing from the file.
    void fileNotSavedAfterSync() {
        const QUrl book = NewBook(m_strBase);
        auto file = NewFile();
        for (int i = 0; i < 5; ++i)
            file->Add(Person(i));
        QVERIFY(Sync(*file, book).bOk);
        file->Reopen();

        const QByteArray fresh = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:late\r\nFN:Late Arrival\r\n"
                                 "END:VCARD\r\n";
        QCOMPARE(PutCard(book, "late.vcf", fresh).nStatus / 100, 2);
        const auto cards = Cards(book);
        for (auto it = cards.begin(); it != cards.end(); ++it) {
            CPerson person;
            QVERIFY(CSyncEngine::CardToPerson(it.value(), person));
            if (person.m_strName == "Person 1") {
                QByteArray changed = it.value();
                changed.replace("Springfield", "Server City");
                QCOMPARE(PutCard(book, it.key(), changed).nStatus / 100, 2);
            } else if (person.m_strName == "Person 2") {
                QCOMPARE(Http("DELETE", book.resolved(QUrl(QString::fromUtf8(it.key())))).nStatus,
                         200);
            }
        }
        CSyncResult result = Sync(*file, book);
        QVERIFY(result.bOk);
        QCOMPARE(result.nReceived, 3);
        // Not saved: the file on disk is as before the sync.
        auto reread = std::make_unique<CVornDoc>(file->label);
        QVERIFY(reread->OnOpenDocument(file->strPath));
        file->pDoc = std::move(reread);
        QCOMPARE(file->doc().m_personList.size(), size_t(5));

        result = Sync(*file, book);
        QVERIFY2(result.bOk, qPrintable(result.Summary()));
        QCOMPARE(result.nSent, 0);
        QCOMPARE(result.nConflicts, 0);
        QVERIFY(file->Find("Late Arrival"));
        QCOMPARE(file->Find("Person 1")->m_strCity, QByteArray("Server City"));
        QVERIFY(!file->Find("Person 2"));
        QCOMPARE(ServerNames(book), file->Names());
        file->Reopen();
        result = Sync(*file, book);
        QVERIFY(result.bOk);
        QCOMPARE(result.nSent + result.nReceived, 0);
    }

    // A damaged or lost sidecar: the entries are matched by content, nothing doubles.
    void damagedSidecarMatchesByContent_data() {
        QTest::addColumn<int>("nCut");
        QTest::newRow("cut in half") << 2;
        QTest::newRow("lost") << 0;
        QTest::newRow("a byte changed") << -1;
    }
    void damagedSidecarMatchesByContent() {
        QFETCH(int, nCut);
        const QUrl book = NewBook(m_strBase);
        auto file = NewFile();
        for (int i = 0; i < 50; ++i)
            file->Add(Person(i));
        QVERIFY(Sync(*file, book).bOk);
        file->Reopen();
        const QString sidecar = CSyncSession::SidecarPath(file->strPath);
        QByteArray bytes = ReadAll(sidecar);
        if (nCut > 0)
            bytes.truncate(bytes.size() / nCut);
        else if (nCut == 0)
            bytes.clear();
        else
            bytes[bytes.size() / 2] = bytes[bytes.size() / 2] == 'x' ? 'y' : 'x';
        WriteAll(sidecar, bytes);
        file->Add(Person(50));
        const CSyncResult result = Sync(*file, book);
        QVERIFY2(result.bOk, qPrintable(result.Summary()));
        QCOMPARE(result.nSent, 1);
        QCOMPARE(result.nReceived, 0);
        QCOMPARE(file->doc().m_personList.size(), size_t(51));
        QCOMPARE(ServerNames(book), file->Names());
    }
};

QTEST_GUILESS_MAIN(TestSyncRecovery)
#include "TestSyncRecovery.moc"
