#pragma once

#include <QString>

// The per-user profile: sections holding named integers and texts.
class IProfileStore {
public:
    virtual ~IProfileStore() = default;
    virtual int GetProfileInt(const QString& section, const QString& key, int nDefault) = 0;
    virtual QString GetProfileString(const QString& section, const QString& key,
                                     const QString& strDefault) = 0;
    virtual void WriteProfileInt(const QString& section, const QString& key, int nValue) = 0;
    virtual void WriteProfileString(const QString& section, const QString& key,
                                    const QString& strValue) = 0;
    virtual bool HasKey(const QString& section, const QString& key) = 0;

    // The store in use: the user's settings file unless a test put another in place.
    static IProfileStore& Instance();
    // Puts `store` in place (not owned); null returns to the user's settings file.
    static void SetInstance(IProfileStore* store);
};
