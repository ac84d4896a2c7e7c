// velloby --sync as a script runs it: the real program, its exit status, what it prints and
// what it leaves on disk, for mistakes and failures that need no server.
#include "CKeychainSecretStore.h"
#include "CNotesLabel.h"
#include "CPerson.h"
#include "CSyncSession.h"
#include "CVornDoc.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct SRun {
    int nExit = -1;
    QString strOut;
    QString strErr;
};

// Runs velloby with `arguments`, no desktop session bus (so no secret store) and, when
// `password` is not null, the password in the environment.
SRun RunVelloby(const QStringList& arguments, const QString& runtimeDir,
                const char* password = nullptr) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("VELLOBY_SYNC_PASSWORD"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    if (password)
        env.insert(QStringLiteral("VELLOBY_SYNC_PASSWORD"), QString::fromUtf8(password));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VELLOBY_EXE), arguments);
    SRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.strOut = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.strErr = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A contact file of two entries at `path`.
void WriteContactFile(const QString& path) {
    CNotesLabel label;
    CVornDoc doc(label);
    for (const char* name : {"Ann Lee", "Bob Ray"}) {
        auto person = std::make_unique<CPerson>();
        person->m_strName = name;
        doc.m_personList.push_back(std::move(person));
    }
    QString error;
    QVERIFY2(doc.OnSaveDocument(path, &error), qPrintable(error));
}

} // namespace

class TestHeadlessSync : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_strFile;
    QString Runtime() const { return m_dir.filePath(QStringLiteral("runtime")); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
        m_strFile = m_dir.filePath(QStringLiteral("contacts.vby"));
        WriteContactFile(m_strFile);
    }

    // Mistakes in the command line: exit 2, the reason and the usage on stderr, nothing
    // written.
    void usageMistakes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        const QString f = QStringLiteral("FILE");
        QTest::newRow("no file") << QStringList{"--sync"} << "sync";
        QTest::newRow("empty file") << QStringList{"--sync", ""} << "--sync needs";
        QTest::newRow("extra argument") << QStringList{"--sync", f, "other.vby"} << "other.vby";
        QTest::newRow("unknown option") << QStringList{"--sync", f, "--pasword", "x"} << "pasword";
        QTest::newRow("export as well") << QStringList{"--sync", f, "--export", f} << "export";
        QTest::newRow("url without value") << QStringList{"--sync", f, "--url"} << "url";
        QTest::newRow("url of another scheme")
            << QStringList{"--sync", f, "--url", "ftp://dav.example.org/"} << "--url takes";
        QTest::newRow("url without scheme")
            << QStringList{"--sync", f, "--url", "dav.example.org"} << "--url takes";
        QTest::newRow("url with credentials")
            << QStringList{"--sync", f, "--url", "https://ann:pw@dav.example.org/"}
            << "--url takes";
        QTest::newRow("empty user") << QStringList{"--sync", f, "--user", " "} << "--user needs";
        QTest::newRow("file twice") << QStringList{"--sync", f, "--sync", f} << "more than once";
    }
    void usageMistakes() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        arguments.replaceInStrings(QStringLiteral("FILE"), m_strFile);
        const QByteArray before = ReadBytes(m_strFile);
        const SRun run = RunVelloby(arguments, Runtime(), "not-shown-pw");
        QCOMPARE(run.nExit, 2);
        QVERIFY2(run.strErr.contains(reason), qPrintable(run.strErr));
        QVERIFY2(run.strErr.contains("Usage: velloby --sync FILE.vby"), qPrintable(run.strErr));
        QVERIFY(!run.strErr.contains("not-shown-pw"));
        QCOMPARE(ReadBytes(m_strFile), before);
        QVERIFY(!QFile::exists(CSyncSession::SidecarPath(m_strFile)));
    }

    // Failures before or during the sync: exit 1 with the reason on stderr, the contact file
    // byte for byte as it was, and the password never printed.
    void failures_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withPassword");
        QTest::addColumn<QString>("reason");
        const QString f = QStringLiteral("FILE");
        QTest::newRow("file missing")
            << QStringList{"--sync", "MISSING", "--url", "http://127.0.0.1:1/ab/", "--user", "u"}
            << true << "missing.vby";
        QTest::newRow("no address book set up")
            << QStringList{"--sync", f} << true << "no address book";
        QTest::newRow("no user known")
            << QStringList{"--sync", f, "--url", "http://127.0.0.1:1/ab/"} << true << "--user";
        QTest::newRow("no password and no secret store")
            << QStringList{"--sync", f, "--url", "http://127.0.0.1:1/ab/", "--user", "ann"} << false
            << "VELLOBY_SYNC_PASSWORD";
        // Nothing listens on port 1.
        QTest::newRow("server unreachable")
            << QStringList{"--sync", f, "--url", "http://127.0.0.1:1/ab/", "--user", "ann"} << true
            << "Sync failed";
    }
    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, withPassword);
        QFETCH(QString, reason);
        QFile::remove(CSyncSession::SidecarPath(m_strFile));
        arguments.replaceInStrings(QStringLiteral("MISSING"),
                                   m_dir.filePath(QStringLiteral("missing.vby")));
        arguments.replaceInStrings(QStringLiteral("FILE"), m_strFile);
        const QByteArray before = ReadBytes(m_strFile);
        const char* password = "Secret-Sync-Pw-42";
        const SRun run = RunVelloby(arguments, Runtime(), withPassword ? password : nullptr);
        QCOMPARE(run.nExit, 1);
        QVERIFY2(run.strErr.contains(reason), qPrintable(run.strErr));
        QVERIFY2(!run.strErr.contains(password), qPrintable(run.strErr));
        QVERIFY(!run.strOut.contains(password));
        QVERIFY(!run.strErr.contains("Usage:"));
        QCOMPARE(ReadBytes(m_strFile), before);
        // No sidecar holds the password either.
        QVERIFY(!ReadBytes(CSyncSession::SidecarPath(m_strFile)).contains(password));
    }

    // Where no secret store runs, reading and writing fail cleanly and at once: the password
    // is then asked for (or given in the environment), never kept elsewhere.
    void noSecretStore() {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", Runtime().toLocal8Bit());
        CKeychainSecretStore store;
        QString password = QStringLiteral("untouched");
        const QString key = ISecretStore::SyncKey("https://dav.example.org/ab/", "ann");
        QCOMPARE(store.Read(key, password), ISecretStore::Status::Unavailable);
        QCOMPARE(password, QString("untouched"));
        QString error;
        QVERIFY(!store.Write(key, QStringLiteral("pw"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!store.IsAvailable());
    }

    // One password per user and address book, whichever way the URL ends.
    void syncKey() {
        QCOMPARE(ISecretStore::SyncKey("https://h/ab/", "ann"),
                 ISecretStore::SyncKey("https://h/ab", "ann"));
        QVERIFY(ISecretStore::SyncKey("https://h/ab/", "ann") !=
                ISecretStore::SyncKey("https://h/ab/", "bob"));
        QVERIFY(ISecretStore::SyncKey("https://h/ab/", "ann") !=
                ISecretStore::SyncKey("https://h/other/", "ann"));
    }

    // A confirmation of plain http to another machine holds for the URL it was given for only:
    // another --url is refused before anything goes over the network.
    void plainHttpConfirmationFollowsTheUrl() {
        CSyncAccount account;
        account.url = QUrl("http://dav.example.test/ab/");
        account.strUser = QStringLiteral("ann");
        account.bPlainHttpConfirmed = true;
        QVERIFY(CSyncSession::SaveAccount(m_strFile, account));
        const QByteArray before = ReadBytes(m_strFile);
        const SRun run = RunVelloby({"--sync", m_strFile, "--url", "http://other.example.test/ab/"},
                                    Runtime(), "pw-1234");
        QCOMPARE(run.nExit, 1);
        QVERIFY2(run.strErr.contains("Plain http to other.example.test is refused"),
                 qPrintable(run.strErr));
        QCOMPARE(ReadBytes(m_strFile), before);
        QVERIFY(CSyncSession::LoadAccount(m_strFile, account));
        QCOMPARE(account.url, QUrl("http://other.example.test/ab/"));
        QCOMPARE(account.bPlainHttpConfirmed, false);
    }

    // --url and --user are kept in the sidecar for the next run without them.
    void urlAndUserAreKept() {
        QFile::remove(CSyncSession::SidecarPath(m_strFile));
        const SRun first = RunVelloby(
            {"--sync", m_strFile, "--url", "http://127.0.0.1:1/kept/", "--user", "kept-user"},
            Runtime(), "pw-1234");
        QCOMPARE(first.nExit, 1);
        CSyncAccount account;
        QVERIFY(CSyncSession::LoadAccount(m_strFile, account));
        QCOMPARE(account.url, QUrl("http://127.0.0.1:1/kept/"));
        QCOMPARE(account.strUser, QString("kept-user"));
        // The next run takes them from there: it gets as far as the server.
        const SRun second = RunVelloby({"--sync", m_strFile}, Runtime(), "pw-1234");
        QCOMPARE(second.nExit, 1);
        QVERIFY2(second.strErr.contains("Sync failed"), qPrintable(second.strErr));
    }
};

QTEST_GUILESS_MAIN(TestHeadlessSync)
#include "TestHeadlessSync.moc"
