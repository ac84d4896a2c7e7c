#pragma once

#include <QString>

// What one sync did, for the status bar and for `velloby --sync`.
struct CSyncResult {
    bool bOk = false;
    // Why the sync failed (empty when it succeeded); never holds a password.
    QString strError;
    // The sync was cancelled; the file and the sidecar are as consistent as after a failure.
    bool bCancelled = false;
    // The password was refused by the server (so the caller may ask again).
    bool bAuthFailed = false;
    // Entries created, changed or deleted on the server.
    int nSent = 0;
    // Entries added, changed or deleted in the document from the server.
    int nReceived = 0;
    // Server versions kept as a second entry because both sides had changed.
    int nConflicts = 0;
    // The document's entries were changed, so it needs saving and the view a refill.
    bool bDocumentChanged = false;

    // "Synced: 12 sent, 4 received, 1 conflict kept as a copy" (the conflict part only when there
    // were conflicts; "conflicts ... copies" for more than one), or "Sync failed: REASON".
    QString Summary() const;
};
