#pragma once

#include "ISecretStore.h"

// The desktop's secret store (GNOME Keyring, KWallet or any Secret Service) through QtKeychain.
// The keychain's jobs are asynchronous; each call here waits for its job in a local event loop,
// so a window stays painted meanwhile. Nothing is ever written in plain text: with no store
// running every read reports Unavailable.
class CKeychainSecretStore : public ISecretStore {
public:
    // The service name the passwords are filed under.
    static const QString kService;

    Status Read(const QString& key, QString& strPassword) override;
    bool Write(const QString& key, const QString& strPassword, QString* pError = nullptr) override;
    bool Remove(const QString& key) override;
    bool IsAvailable() override;

private:
    // Whether a desktop session bus is there to reach a store through; without one the
    // keychain is not tried, which would only fail after a wait.
    static bool HasSessionBus();
    // Set once a job found no store running, so later calls do not try again.
    bool m_bUnavailable = false;
};
