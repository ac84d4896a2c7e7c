// Sync from the user's side against the real CardDAV server the sync tests start: Synchronize
// Now in the window, and velloby --sync as a separate process.
#include "CNotesLabel.h"
#include "CScriptedPrompt.h"
#include "CScriptedSecretStore.h"
#include "CSyncSession.h"
#include "CVornDoc.h"
#include "CommandIds.h"
#include "SyncUiTestUtil.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

using namespace SyncUi;

namespace {

const QString kUser = QStringLiteral("velloby");
const QString kPassword = QStringLiteral("velloby-test");

QString ServerBase() {
    QFile file(qEnvironmentVariable("VELLOBY_TEST_RADICALE_DIR") + QStringLiteral("/url"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString base = QString::fromUtf8(file.readAll()).trimmed();
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base;
}

// One request as another client would make it; the HTTP status.
int Http(const QByteArray& method, const QUrl& url, const QByteArray& body,
         const QByteArray& contentType) {
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setRawHeader("Authorization",
                         "Basic " + (kUser + QLatin1Char(':') + kPassword).toUtf8().toBase64());
    request.setRawHeader("Content-Type", contentType);
    QNetworkReply* reply = manager.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    delete reply;
    return status;
}

// A new, empty address book of this test's own.
QUrl NewBook() {
    const QUrl url(ServerBase() + kUser + QLatin1Char('/') +
                   QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1Char('/'));
    const int status =
        Http("MKCOL", url,
             "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
             "<D:mkcol xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:set>"
             "<D:prop><D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>"
             "</D:prop></D:set></D:mkcol>",
             "application/xml");
    if (status != 201)
        qWarning("MKCOL %s gave %d", qPrintable(url.toString()), status);
    return url;
}

void PutCard(const QUrl& book, const QByteArray& uid, const QByteArray& name) {
    const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name +
                            "\r\nN:" + name + ";;;;\r\nEND:VCARD\r\n";
    QCOMPARE(Http("PUT", book.resolved(QUrl(QString::fromLatin1(uid + ".vcf"))), card,
                  "text/vcard; charset=utf-8"),
             201);
}

QStringList SortedNames(const QByteArray& fileBytes) {
    CNotesLabel label;
    CVornDoc doc(label);
    if (!doc.LoadFromBytes(fileBytes))
        return {QStringLiteral("<unreadable>")};
    QStringList names = DocNames(doc);
    names.sort();
    return names;
}

struct SRun {
    int nExit = -1;
    QString strOut;
    QString strErr;
};

SRun RunSync(const QStringList& arguments, const QString& password) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.insert(QStringLiteral("VELLOBY_SYNC_PASSWORD"), password);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VELLOBY_EXE), QStringList{"--sync"} + arguments);
    SRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.strOut = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.strErr = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

class TestSyncEndToEnd : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        if (ServerBase().isEmpty())
            QSKIP("No test server: VELLOBY_TEST_RADICALE_DIR names no folder with its url.");
    }

    // Entries on both sides: Synchronize Now sends the file's, brings the server's, says so in
    // the status bar, shows them in the list and saves the file.
    void windowSyncNow() {
        const QUrl book = NewBook();
        PutCard(book, "srv-1", "Server Sam");
        PutCard(book, "srv-2", "Server Sue");
        const QString path = m_dir.filePath(QStringLiteral("window.vby"));
        SWindow window({Person("Local Ann"), Person("Local Bob")}, path);
        CSyncAccount account;
        account.url = book;
        account.strUser = kUser;
        QVERIFY(CSyncSession::SaveAccount(path, account));
        CScriptedPrompt prompt;
        CScriptedSecretStore store;
        store.m_passwords.insert(ISecretStore::SyncKey(book.toString(), kUser), kPassword);

        window.Command(CommandId::FileSyncNow);
        QTRY_VERIFY_WITH_TIMEOUT(!window.view->IsSyncRunning(), 60000);
        QCOMPARE(prompt.m_texts, QStringList());
        QCOMPARE(window.Status(), QString("Synced: 2 sent, 2 received"));
        QStringList listed = window.ListNames();
        QCOMPARE(listed, QStringList({"Local Ann", "Local Bob", "Server Sam", "Server Sue"}));
        QVERIFY(!window.doc.IsModified());
        QCOMPARE(SortedNames(ReadBytes(path)), listed);

        // Nothing new on either side: nothing sent, nothing received, the file as it was.
        const QByteArray saved = ReadBytes(path);
        window.Command(CommandId::FileSyncNow);
        QTRY_VERIFY_WITH_TIMEOUT(!window.view->IsSyncRunning(), 60000);
        QCOMPARE(window.Status(), QString("Synced: 0 sent, 0 received"));
        QCOMPARE(ReadBytes(path), saved);
    }

    // velloby --sync as a process: the right password syncs and saves the changed file; a
    // wrong one fails with exit 1, leaves the file byte for byte and is never printed.
    void headless() {
        const QUrl book = NewBook();
        PutCard(book, "srv-3", "Server Tom");
        const QString path = m_dir.filePath(QStringLiteral("headless.vby"));
        {
            CNotesLabel label;
            CVornDoc doc(label);
            doc.m_personList.push_back(std::make_unique<CPerson>(Person("Local Cy")));
            QVERIFY(doc.OnSaveDocument(path));
        }

        const QString wrong = QStringLiteral("Wrong-Password-9876");
        const QByteArray before = ReadBytes(path);
        const SRun refused = RunSync({path, "--url", book.toString(), "--user", kUser}, wrong);
        QCOMPARE(refused.nExit, 1);
        QVERIFY2(!refused.strErr.isEmpty(), "no reason given");
        QVERIFY2(!refused.strErr.contains(wrong), qPrintable(refused.strErr));
        QVERIFY(!refused.strOut.contains(wrong));
        QCOMPARE(ReadBytes(path), before);

        // The URL and user of the failed run were kept: this run needs neither.
        const SRun synced = RunSync({path}, kPassword);
        QCOMPARE(synced.nExit, 0);
        QVERIFY2(synced.strOut.contains("Synced: 1 sent, 1 received"), qPrintable(synced.strOut));
        QVERIFY(!synced.strOut.contains(kPassword) && !synced.strErr.contains(kPassword));
        QCOMPARE(SortedNames(ReadBytes(path)), QStringList({"Local Cy", "Server Tom"}));
        QVERIFY(!ReadBytes(CSyncSession::SidecarPath(path)).contains(kPassword.toUtf8()));
    }
};

QTEST_MAIN(TestSyncEndToEnd)
#include "TestSyncEndToEnd.moc"
