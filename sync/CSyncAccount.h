#pragma once

#include <QString>
#include <QUrl>

// Where a contact file syncs to and as whom. The URL and user name are kept in the sidecar file
// beside the contact file; the password never is (it lives in the desktop's secret store, or is
// asked for each time).
struct CSyncAccount {
    // The address book's URL, or the server's (then it is found through /.well-known/carddav and
    // the principal's address-book home set).
    QUrl url;
    QString strUser;
    // Held in memory only for the length of a sync.
    QString strPassword;
    // Whether opening and saving the contact file also syncs it.
    bool bSyncOnOpenSave = false;
    // The user confirmed plain http to a host other than this machine.
    bool bPlainHttpConfirmed = false;
};
