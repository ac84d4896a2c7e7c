#include "CSyncSession.h"

#include "CSyncEngine.h"
#include "CSyncState.h"

#include <CVornDoc.h>

#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <set>

// The engine works in a thread of its own on a copy of the entries; its progress and its end come
// back to the session's thread as queued calls, and only there is the document changed.
class CSyncSession::CImpl {
public:
    CImpl(CVornDoc& doc, const QString& path, const CSyncAccount& account)
        : m_doc(doc), m_strPath(path), m_account(account) {}

    CVornDoc& m_doc;
    QString m_strPath;
    CSyncAccount m_account;
    std::atomic<bool> m_bCancel{false};
    bool m_bRunning = false;
    CSyncResult m_result;
    QThread* m_pThread = nullptr;
    std::unique_ptr<CSyncEngine> m_pEngine;
    std::vector<CPerson*> m_snapshot; // the document's entries when the sync started
};

CSyncSession::CSyncSession(CVornDoc& doc, const QString& strContactPath,
                           const CSyncAccount& account, QObject* parent)
    : QObject(parent), m_pImpl(std::make_unique<CImpl>(doc, strContactPath, account)) {}

CSyncSession::~CSyncSession() {
    if (m_pImpl->m_pThread) {
        m_pImpl->m_bCancel = true;
        m_pImpl->m_pThread->wait();
        delete m_pImpl->m_pThread;
    }
    m_pImpl->m_account.strPassword.fill(QLatin1Char('\0'));
}

bool CSyncSession::IsRunning() const {
    return m_pImpl->m_bRunning;
}

const CSyncResult& CSyncSession::Result() const {
    return m_pImpl->m_result;
}

void CSyncSession::Cancel() {
    m_pImpl->m_bCancel = true;
}

void CSyncSession::Start() {
    CImpl& d = *m_pImpl;
    if (d.m_bRunning)
        return;
    d.m_bRunning = true;
    d.m_bCancel = false;
    d.m_result = CSyncResult();
    std::vector<CPerson> entries;
    entries.reserve(d.m_doc.m_personList.size());
    d.m_snapshot.clear();
    for (const auto& person : d.m_doc.m_personList) {
        entries.push_back(*person);
        d.m_snapshot.push_back(person.get());
    }
    d.m_pEngine =
        std::make_unique<CSyncEngine>(std::move(entries), d.m_strPath, d.m_account, d.m_bCancel);
    QPointer<CSyncSession> self(this);
    d.m_pEngine->m_fnProgress = [self](const QString& step, int nDone, int nTotal) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, step, nDone, nTotal]() {
                if (self && self->IsRunning())
                    emit self->progress(step, nDone, nTotal);
            },
            Qt::QueuedConnection);
    };
    CSyncEngine* engine = d.m_pEngine.get();
    d.m_pThread = QThread::create([this, engine, self]() {
        CSyncResult result = engine->Run();
        QMetaObject::invokeMethod(
            this, [this, result]() { Finish(result); }, Qt::QueuedConnection);
    });
    d.m_pThread->start();
}

void CSyncSession::Finish(CSyncResult result) {
    CImpl& d = *m_pImpl;
    d.m_pThread->wait();
    delete d.m_pThread;
    d.m_pThread = nullptr;
    if (result.bOk && result.bDocumentChanged) {
        // All at once: replacements in place, then removals, then the new entries at the end.
        const CSyncEngine::SChanges& changes = d.m_pEngine->Changes();
        CVornDoc& doc = d.m_doc;
        std::set<CPerson*> removed;
        for (const auto& [index, person] : changes.replaced)
            if (index < d.m_snapshot.size())
                *d.m_snapshot[index] = person;
        for (size_t index : changes.removed)
            if (index < d.m_snapshot.size())
                removed.insert(d.m_snapshot[index]);
        if (!removed.empty()) {
            auto& list = doc.m_personList;
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [&](const std::unique_ptr<CPerson>& p) {
                                          return removed.count(p.get()) > 0;
                                      }),
                       list.end());
        }
        for (const CPerson& person : changes.added) {
            doc.m_personList.push_back(std::make_unique<CPerson>(person));
            // Groups the server's contacts belong to join the file's list of groups.
            for (const QByteArray& group : person.m_groups)
                if (!group.isEmpty() && !doc.m_groupList.contains(group))
                    doc.m_groupList.append(group);
        }
        for (const auto& [index, person] : changes.replaced)
            for (const QByteArray& group : person.m_groups)
                if (!group.isEmpty() && !doc.m_groupList.contains(group))
                    doc.m_groupList.append(group);
        doc.SetModifiedFlag(true);
    }
    d.m_pEngine.reset();
    d.m_snapshot.clear();
    d.m_result = result;
    d.m_bRunning = false;
    emit finished(d.m_result);
}

CSyncResult CSyncSession::RunBlocking(CVornDoc& doc, const QString& strContactPath,
                                      const CSyncAccount& account) {
    CSyncSession session(doc, strContactPath, account);
    QEventLoop loop;
    QObject::connect(&session, &CSyncSession::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    session.Start();
    loop.exec();
    return session.Result();
}

QString CSyncSession::SidecarPath(const QString& strContactPath) {
    return strContactPath + QStringLiteral(".sync");
}

bool CSyncSession::LoadAccount(const QString& strContactPath, CSyncAccount& account) {
    CSyncState state;
    if (!state.Load(SidecarPath(strContactPath)) || !state.m_url.isValid() || state.m_url.isEmpty())
        return false;
    account.url = state.m_url;
    account.strUser = state.m_strUser;
    account.bSyncOnOpenSave = state.m_bSyncOnOpenSave;
    account.bPlainHttpConfirmed = state.m_bPlainHttpConfirmed;
    return true;
}

bool CSyncSession::SaveAccount(const QString& strContactPath, const CSyncAccount& account,
                               QString* pError) {
    CSyncState state;
    state.Load(SidecarPath(strContactPath));
    QUrl url = account.url;
    url.setUserInfo(QString());
    state.m_url = url;
    state.m_strUser = account.strUser;
    state.m_bSyncOnOpenSave = account.bSyncOnOpenSave;
    state.m_bPlainHttpConfirmed = account.bPlainHttpConfirmed;
    return state.Save(SidecarPath(strContactPath), pError);
}
