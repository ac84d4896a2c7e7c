#include "CSessionSyncJob.h"

#include "CSyncSession.h"

namespace {

ISyncJob::Factory& CurrentFactory() {
    static ISyncJob::Factory factory;
    return factory;
}

} // namespace

ISyncJob* ISyncJob::Create(CVornDoc& doc, const QString& strPath, const CSyncAccount& account) {
    if (const Factory& factory = CurrentFactory())
        return factory(doc, strPath, account);
    return new CSessionSyncJob(doc, strPath, account);
}

void ISyncJob::SetFactory(Factory factory) {
    CurrentFactory() = std::move(factory);
}

CSessionSyncJob::CSessionSyncJob(CVornDoc& doc, const QString& strPath, const CSyncAccount& account,
                                 QObject* parent)
    : ISyncJob(parent), m_pSession(new CSyncSession(doc, strPath, account, this)) {
    connect(m_pSession, &CSyncSession::progress, this, &ISyncJob::progress);
    connect(m_pSession, &CSyncSession::finished, this, &ISyncJob::finished);
}

CSessionSyncJob::~CSessionSyncJob() = default;

void CSessionSyncJob::Start() {
    m_pSession->Start();
}

void CSessionSyncJob::Cancel() {
    m_pSession->Cancel();
}
