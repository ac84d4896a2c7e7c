#include "CKeychainSecretStore.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <qt6keychain/keychain.h>

const QString CKeychainSecretStore::kService = QStringLiteral("Velloby");

namespace {

ISecretStore* g_pStore = nullptr;

// A store that unlocks asks the user first; after this long the answer counts as no store.
constexpr int kJobTimeoutMs = 120 * 1000;

struct SJobResult {
    bool bDone = false;
    QKeychain::Error error = QKeychain::NoError;
    QString strError;
    QString strPassword;
};

// Starts `pJob` (which deletes itself once finished) and waits for it in a local event loop.
SJobResult RunJob(QKeychain::Job* pJob) {
    auto pResult = std::make_shared<SJobResult>();
    QEventLoop loop;
    QPointer<QEventLoop> pLoop(&loop);
    // Never a plain-text file in place of the store.
    pJob->setInsecureFallback(false);
    pJob->setAutoDelete(true);
    QObject::connect(pJob, &QKeychain::Job::finished, pJob, [pResult, pLoop](QKeychain::Job* p) {
        pResult->bDone = true;
        pResult->error = p->error();
        pResult->strError = p->errorString();
        if (auto* pRead = qobject_cast<QKeychain::ReadPasswordJob*>(p))
            pResult->strPassword = pRead->textData();
        if (pLoop)
            pLoop->quit();
    });
    QTimer::singleShot(kJobTimeoutMs, &loop, &QEventLoop::quit);
    pJob->start();
    if (!pResult->bDone)
        loop.exec();
    if (!pResult->bDone) {
        pResult->error = QKeychain::NoBackendAvailable;
        pResult->strError = QStringLiteral("The secret store did not answer.");
    }
    return *pResult;
}

bool IsNoStore(QKeychain::Error error) {
    return error == QKeychain::NoBackendAvailable || error == QKeychain::NotImplemented;
}

} // namespace

ISecretStore& ISecretStore::Instance() {
    if (g_pStore)
        return *g_pStore;
    static CKeychainSecretStore keychain;
    return keychain;
}

void ISecretStore::SetInstance(ISecretStore* store) {
    g_pStore = store;
}

QString ISecretStore::SyncKey(const QString& strUrl, const QString& strUser) {
    // The URL without a trailing slash, so "https://host/dav" and "https://host/dav/" share one
    // password.
    QString url = strUrl.trimmed();
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return QStringLiteral("sync:%1@%2").arg(strUser, url);
}

bool CKeychainSecretStore::HasSessionBus() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("bus")));
}

ISecretStore::Status CKeychainSecretStore::Read(const QString& key, QString& strPassword) {
    if (m_bUnavailable || !HasSessionBus())
        return Status::Unavailable;
    auto* pJob = new QKeychain::ReadPasswordJob(kService);
    pJob->setKey(key);
    const SJobResult result = RunJob(pJob);
    switch (result.error) {
    case QKeychain::NoError:
        strPassword = result.strPassword;
        return Status::Found;
    case QKeychain::EntryNotFound:
        return Status::NotFound;
    default:
        if (IsNoStore(result.error))
            m_bUnavailable = true;
        return Status::Unavailable;
    }
}

bool CKeychainSecretStore::Write(const QString& key, const QString& strPassword, QString* pError) {
    if (m_bUnavailable || !HasSessionBus()) {
        if (pError)
            *pError = QStringLiteral("No secret store is running on this desktop.");
        return false;
    }
    auto* pJob = new QKeychain::WritePasswordJob(kService);
    pJob->setKey(key);
    pJob->setTextData(strPassword);
    const SJobResult result = RunJob(pJob);
    if (result.error == QKeychain::NoError)
        return true;
    if (IsNoStore(result.error))
        m_bUnavailable = true;
    if (pError)
        *pError = result.strError.isEmpty() ? QStringLiteral("The secret store refused it.")
                                            : result.strError;
    return false;
}

bool CKeychainSecretStore::Remove(const QString& key) {
    if (m_bUnavailable || !HasSessionBus())
        return true;
    auto* pJob = new QKeychain::DeletePasswordJob(kService);
    pJob->setKey(key);
    const SJobResult result = RunJob(pJob);
    return result.error == QKeychain::NoError || result.error == QKeychain::EntryNotFound;
}

bool CKeychainSecretStore::IsAvailable() {
    if (m_bUnavailable || !HasSessionBus())
        return false;
    // One look for a key nobody writes tells whether a store answers at all.
    QString unused;
    return Read(QStringLiteral("velloby-store-check"), unused) != Status::Unavailable;
}
