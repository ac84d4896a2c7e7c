#include "CSettingsProfile.h"

#include <QFile>
#include <QStandardPaths>
#include <sys/stat.h>

namespace {
QString Path(const QString& section, const QString& key) {
    return section + '/' + key;
}

// The file QSettings uses for the user's profile, known before it exists.
QString ProfilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quorvane/Velloby.conf");
}
} // namespace

CSettingsProfile::CSettingsProfile()
    : m_fileState(StateOf(ProfilePath())),
      m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quorvane"),
                 QStringLiteral("Velloby")) {
    // Should QSettings ever read another file than the one looked at, nothing is skipped.
    if (m_settings.fileName() != ProfilePath())
        m_fileState = kUnknownFile;
}

CSettingsProfile::SFileState CSettingsProfile::StateOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {true, info.st_dev, info.st_ino, info.st_size,
            static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

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

void CSettingsProfile::Write(const QString& path, const QVariant& value, const QString& text) {
    // Each sync rewrites the whole file, syncs it to disk and renames it, which costs
    // milliseconds; start-up and closing write a dozen values that rarely change. A value that
    // this profile already holds as `text` is skipped, but only while the file is the one this
    // profile last read or wrote: when another instance has written since, the sync reads its
    // values and this value must still be written over them, as before.
    const QVariant stored = m_settings.value(path);
    if (stored.isValid() && stored.toString() == text &&
        stored.metaType().id() != QMetaType::QStringList &&
        StateOf(m_settings.fileName()) == m_fileState)
        return;
    m_settings.setValue(path, value);
    m_settings.sync();
    // A sync that failed is tried again by the next write, whatever its value.
    m_fileState =
        m_settings.status() == QSettings::NoError ? StateOf(m_settings.fileName()) : kUnknownFile;
}

void CSettingsProfile::WriteProfileInt(const QString& section, const QString& key, int nValue) {
    Write(Path(section, key), nValue, QString::number(nValue));
}

void CSettingsProfile::WriteProfileString(const QString& section, const QString& key,
                                          const QString& strValue) {
    Write(Path(section, key), strValue, strValue);
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
