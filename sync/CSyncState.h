#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <vector>

// What a contact file's sync remembers between runs, kept in the sidecar file beside it: the
// account (no password), the address book found for it, the collection's sync token, and for each
// entry known on both sides its server address, ETag, UID, the digest of the entry as last synced
// and the server's last card of it.
//
// The sidecar is a text file of one record per line, each field percent-encoded, and ends with a
// line holding the number of entries and a SHA-256 of everything before it. A sidecar that is
// cut short, damaged or of another version loses only the sync state (the next sync matches the
// entries by content); the account lines are read whenever they are sound.
class CSyncState {
public:
    struct Entry {
        QByteArray strHref; // the server's path of the card
        QByteArray strEtag; // empty: not known to be on the server (see strPendingCard)
        QByteArray strUid;
        QByteArray strDigest; // of the entry whose contents match the server's card
        QByteArray strName;   // the entry's name then, to find it again after a local edit
        QByteArray strCard;   // the server's card as last seen (or as sent)
        // A change sent whose answer may not have arrived (the sync stopped): the digest of the
        // entry sent and the card sent. The next sync compares the server's card with it.
        QByteArray strPendingDigest;
        QByteArray strPendingCard;
        // The entry came from the server in the last sync; the contact file may not have been
        // saved since, so until it is seen in the file it is not taken for a local delete.
        // strPrevDigest: the digest the entry had before the server's version replaced it.
        bool bArrived = false;
        QByteArray strPrevDigest;
        // The server deleted it; the entry is removed from the file (again, if the file was not
        // saved) unless it was changed locally.
        bool bGone = false;
    };

    QUrl m_url;
    QString m_strUser;
    bool m_bSyncOnOpenSave = false;
    // The user accepted plain http to another machine for m_url.
    bool m_bPlainHttpConfirmed = false;
    // The address book the state below belongs to (found from m_url) and the account URL it was
    // found for.
    QUrl m_collection;
    QUrl m_stateUrl;
    QByteArray m_strSyncToken;
    std::vector<Entry> m_entries;
    // Set by Load when the sidecar was there but its sync state could not be trusted.
    bool m_bDamaged = false;
    // The bytes Load read, so that a sync that changed nothing need not write them again.
    QByteArray m_strLoaded;

    // Reads the sidecar at `path`; false when there is none (the state is then empty).
    bool Load(const QString& path);
    bool Save(const QString& path, QString* pError = nullptr) const;
    QByteArray ToBytes() const;
    void FromBytes(const QByteArray& bytes);
    // Forgets the address book and everything synced with it (the account stays).
    void ClearState();
};
