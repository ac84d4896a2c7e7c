#pragma once

#include "ISyncJob.h"

class CSyncSession;

// The sync job of the program: a CSyncSession whose signals it passes on.
class CSessionSyncJob : public ISyncJob {
    Q_OBJECT
public:
    CSessionSyncJob(CVornDoc& doc, const QString& strPath, const CSyncAccount& account,
                    QObject* parent = nullptr);
    ~CSessionSyncJob() override;

    void Start() override;
    void Cancel() override;

private:
    CSyncSession* m_pSession = nullptr;
};
