#pragma once

#include "CSyncAccount.h"
#include "CSyncResult.h"
#include "CSyncState.h"

#include <CPerson.h>

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <atomic>
#include <functional>
#include <map>
#include <vector>

class CDavClient;

// The work of one sync, without the document: it gets a copy of the entries, talks to the
// server, keeps the sidecar up to date as the server accepts each change, and hands back what the
// document must do (entries to replace, remove and add), to be done all at once by the caller.
// It runs in a thread of its own, so it only touches what it was given.
class CSyncEngine {
public:
    struct SChanges {
        std::map<size_t, CPerson> replaced; // index into the entries given -> new contents
        std::vector<size_t> removed;        // indexes into the entries given
        std::vector<CPerson> added;
    };

    CSyncEngine(std::vector<CPerson> entries, const QString& strContactPath,
                const CSyncAccount& account, const std::atomic<bool>& bCancel);
    ~CSyncEngine();

    // Runs the whole sync; `Changes()` are only meaningful when the result is ok.
    CSyncResult Run();
    const SChanges& Changes() const { return m_changes; }

    std::function<void(const QString&, int, int)> m_fnProgress;

    // The digest an entry is matched by between runs.
    static QByteArray Digest(const CPerson& person);
    // The same entry but for the kind of line breaks (a server may store any break as one kind).
    static bool SamePerson(const CPerson& a, const CPerson& b);
    // The entry a card gives; false when the card holds no contact.
    static bool CardToPerson(const QByteArray& card, CPerson& person);
    // The text that begins the Notes of a server's version kept beside a local one.
    static QByteArray ConflictNote(const QDateTime& when);

private:
    struct Fail {
        QString strError;
        bool bAuth = false;
        bool bCancelled = false;
    };
    struct ServerItem;

    CSyncResult RunSteps();
    bool CheckUrl(const QUrl& url, Fail& fail) const;
    bool FindCollection(Fail& fail);
    bool ListServer(Fail& fail, std::map<QByteArray, QByteArray>& etags,
                    std::vector<QByteArray>& removed, bool& bFull);
    bool Fetch(const std::vector<QByteArray>& hrefs, std::map<QByteArray, ServerItem>& items,
               Fail& fail);
    QByteArray Key(const QByteArray& href, const QUrl& base) const;
    QUrl UrlOf(const QByteArray& key) const;
    bool SaveState(QString* pError);
    void Progress(const QString& step, int nDone, int nTotal);

    std::vector<CPerson> m_entries;
    QString m_strContactPath;
    QString m_strSidecar;
    CSyncAccount m_account;
    const std::atomic<bool>& m_bCancel;
    CSyncState m_state;
    CDavClient* m_pClient = nullptr;
    SChanges m_changes;
    bool m_bServerSyncCollection = true;
};
