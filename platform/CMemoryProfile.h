#pragma once

#include "IProfileStore.h"

#include <QMap>
#include <QVariant>

// A profile held in memory, for tests. It puts itself in place for its lifetime.
class CMemoryProfile : public IProfileStore {
public:
    CMemoryProfile() { IProfileStore::SetInstance(this); }
    ~CMemoryProfile() override { IProfileStore::SetInstance(nullptr); }

    int GetProfileInt(const QString& section, const QString& key, int nDefault) override {
        const QVariant value = m_values.value(section + '/' + key);
        bool ok = false;
        const int n = value.toInt(&ok);
        return ok ? n : nDefault;
    }
    QString GetProfileString(const QString& section, const QString& key,
                             const QString& strDefault) override {
        const QVariant value = m_values.value(section + '/' + key);
        return value.isValid() ? value.toString() : strDefault;
    }
    void WriteProfileInt(const QString& section, const QString& key, int nValue) override {
        m_values.insert(section + '/' + key, nValue);
    }
    void WriteProfileString(const QString& section, const QString& key,
                            const QString& strValue) override {
        m_values.insert(section + '/' + key, strValue);
    }
    bool HasKey(const QString& section, const QString& key) override {
        return m_values.contains(section + '/' + key);
    }

    QMap<QString, QVariant> m_values;
};
