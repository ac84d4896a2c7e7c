#include "CSettingsProfile.h"

namespace {
QString Path(const QString& section, const QString& key) {
    return section + '/' + key;
}
} // namespace

CSettingsProfile::CSettingsProfile()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quorvane"),
                 QStringLiteral("Velloby")) {}

int CSettingsProfile::GetProfileInt(const QString& section, const QString& key, int nDefault) {
    bool ok = false;
    const int value = m_settings.value(Path(section, key)).toInt(&ok);
    return ok ? value : nDefault;
}

QString CSettingsProfile::GetProfileString(const QString& section, const QString& key,
                                           const QString& strDefault) {
    const QVariant value = m_settings.value(Path(section, key));
    return value.isValid() ? value.toString() : strDefault;
}

void CSettingsProfile::WriteProfileInt(const QString& section, const QString& key, int nValue) {
    m_settings.setValue(Path(section, key), nValue);
    m_settings.sync();
}

void CSettingsProfile::WriteProfileString(const QString& section, const QString& key,
                                          const QString& strValue) {
    m_settings.setValue(Path(section, key), strValue);
    m_settings.sync();
}

bool CSettingsProfile::HasKey(const QString& section, const QString& key) {
    return m_settings.contains(Path(section, key));
}

namespace {
IProfileStore* g_pProfile = nullptr;
} // namespace

IProfileStore& IProfileStore::Instance() {
    if (g_pProfile)
        return *g_pProfile;
    static CSettingsProfile settings;
    return settings;
}

void IProfileStore::SetInstance(IProfileStore* store) {
    g_pProfile = store;
}
