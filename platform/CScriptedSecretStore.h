#pragma once

#include "ISecretStore.h"

#include <QHash>
#include <QStringList>

// A secret store for tests: passwords in memory, every read and write recorded. With
// m_bAvailable false it behaves as a desktop where no store runs. It puts itself in place for
// its lifetime.
class CScriptedSecretStore : public ISecretStore {
public:
    CScriptedSecretStore() { ISecretStore::SetInstance(this); }
    ~CScriptedSecretStore() override { ISecretStore::SetInstance(nullptr); }

    Status Read(const QString& key, QString& strPassword) override {
        m_reads.append(key);
        if (!m_bAvailable)
            return Status::Unavailable;
        const auto it = m_passwords.constFind(key);
        if (it == m_passwords.constEnd())
            return Status::NotFound;
        strPassword = *it;
        return Status::Found;
    }
    bool Write(const QString& key, const QString& strPassword, QString* pError) override {
        m_writes.append(key);
        if (!m_bAvailable) {
            if (pError)
                *pError = QStringLiteral("No secret store is running.");
            return false;
        }
        m_passwords.insert(key, strPassword);
        return true;
    }
    bool Remove(const QString& key) override {
        m_passwords.remove(key);
        return true;
    }
    bool IsAvailable() override { return m_bAvailable; }

    bool m_bAvailable = true;
    QHash<QString, QString> m_passwords;
    QStringList m_reads;
    QStringList m_writes;
};
