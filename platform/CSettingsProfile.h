#pragma once

#include "IProfileStore.h"

#include <QSettings>
#include <QVariant>
#include <sys/types.h>

// The profile kept by QSettings under organisation "Quorvane", application "Velloby"
// (~/.config/Quorvane/Velloby.conf). Every write is synced to the file at once, except a write
// of the value the file already holds.
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
    // What identifies one version of the settings file: every sync replaces the file by
    // renaming a new one over it, so a write by anyone changes at least the file's number.
    struct SFileState {
        bool bExists = false;
        dev_t nDevice = 0;
        ino_t nInode = 0;
        off_t nSize = 0;
        long long nModifiedNs = 0;
        bool operator==(const SFileState&) const = default;
    };
    static SFileState StateOf(const QString& path);
    // A state no file has: nothing is skipped until the next sync succeeds.
    static constexpr SFileState kUnknownFile{true, dev_t(-1), ino_t(-1), -1, -1};
    // Stores `value` (shown in the file as `text`) and syncs, unless the file holds it already.
    void Write(const QString& path, const QVariant& value, const QString& text);

    // The file as it was when this profile last read or wrote it; taken before QSettings reads
    // it, so a change made in between counts as a change.
    SFileState m_fileState;
    QSettings m_settings;
};
