#pragma once

#include "CSyncAccount.h"
#include "CSyncResult.h"

#include <QObject>
#include <QString>
#include <memory>

class CVornDoc;

// One sync of an open contact file with its CardDAV address book. The network work runs in a
// thread of its own on a copy of the entries; progress and the end arrive as events on the
// caller's event loop, so a window stays responsive; the document is changed
// only at the end, all at once, after the server's side is done, and the sidecar
// (`CSyncSession::SidecarPath(contact file)`) is written atomically after each step that the
// next sync must know about. While a session runs the caller must not change the document.
class CSyncSession : public QObject {
    Q_OBJECT
public:
    // `strContactPath` is the contact file's path (the sidecar lives beside it). The document must
    // outlive the session.
    CSyncSession(CVornDoc& doc, const QString& strContactPath, const CSyncAccount& account,
                 QObject* parent = nullptr);
    ~CSyncSession() override;

    // Starts the sync; `finished` is sent once, also after Cancel or a failure.
    void Start();
    // Stops at the next safe point; `finished` follows with bCancelled set.
    void Cancel();
    bool IsRunning() const;
    const CSyncResult& Result() const;

    // Runs a whole sync in a local event loop and returns its result (for `velloby --sync`).
    static CSyncResult RunBlocking(CVornDoc& doc, const QString& strContactPath,
                                   const CSyncAccount& account);

    // FILE.vby.sync for FILE.vby.
    static QString SidecarPath(const QString& strContactPath);
    // The URL, user and sync-on-open-and-save choice kept in the sidecar (no password); false
    // when there is no sidecar or it names no address book.
    static bool LoadAccount(const QString& strContactPath, CSyncAccount& account);
    // Stores them in the sidecar (atomically), keeping the sync state already there.
    static bool SaveAccount(const QString& strContactPath, const CSyncAccount& account,
                            QString* pError = nullptr);

signals:
    // `strStep` is a short text for the status bar ("Sending 120 of 1000..."); nTotal may be 0
    // when not known yet.
    void progress(const QString& strStep, int nDone, int nTotal);
    void finished(const CSyncResult& result);

private:
    // Takes the engine's result on the session's thread: changes the document and says so.
    void Finish(CSyncResult result);

    class CImpl;
    std::unique_ptr<CImpl> m_pImpl;
};
