#pragma once

#include "IProfileStore.h"

#include <QSettings>

// The profile kept by QSettings under organisation "Quorvane", application "Velloby"
// (~/.config/Quorvane/Velloby.conf).
class CSettingsProfile : public IProfileStore {
public:
    CSettingsProfile();
    int GetProfileInt(const QString& section, const QString& key, int nDefault) override;
    QString GetProfileString(const QString& section, const QString& key,
                             const QString& strDefault) override;
    void WriteProfileInt(const QString& section, const QString& key, int nValue) override;
    void WriteProfileString(const QString& section, const QString& key,
                            const QString& strValue) override;
    bool HasKey(const QString& section, const QString& key) override;

private:
    QSettings m_settings;
};
