#pragma once

#include <QString>

// The desktop's store of secrets (passwords). Every password the program keeps goes through
// here and nowhere else: never into the profile, a sidecar file or a log. Tests put a double in
// place.
class ISecretStore {
public:
    enum class Status {
        Found,      // the password is there
        NotFound,   // the store runs but holds no password for the key
        Unavailable // no store runs (or it refused): the user has to be asked each time
    };

    virtual ~ISecretStore() = default;
    // Reads the password kept under `key`; `strPassword` is set only when Found.
    virtual Status Read(const QString& key, QString& strPassword) = 0;
    // Keeps `strPassword` under `key`; false (with the reason) when it could not be stored.
    virtual bool Write(const QString& key, const QString& strPassword,
                       QString* pError = nullptr) = 0;
    // Forgets the password under `key`; true when none is left.
    virtual bool Remove(const QString& key) = 0;
    // Whether a store runs at all, so the user can be offered to keep a password.
    virtual bool IsAvailable() = 0;

    // The store in use: the desktop's unless a test put another in place.
    static ISecretStore& Instance();
    // Puts `store` in place (not owned); null returns to the desktop's store.
    static void SetInstance(ISecretStore* store);

    // The key of a sync account's password: one password per user and address book, whichever
    // contact file uses it.
    static QString SyncKey(const QString& strUrl, const QString& strUser);
};
