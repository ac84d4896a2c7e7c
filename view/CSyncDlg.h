#pragma once

#include "CSyncAccount.h"

#include <QDialog>
#include <QString>
#include <QUrl>

class QCheckBox;
class QLabel;
class QLineEdit;

// File > Synchronize...: the address book (or server) the contact file syncs with, the user
// name, the password and whether opening and saving the file syncs it. The caller stores what
// the user accepted: the account in the sidecar, the password in the secret store.
class CSyncDlg : public QDialog {
    Q_OBJECT
public:
    // `account` fills the fields; `bStoreAvailable`: a secret store runs, so the password field
    // is offered; `bPasswordStored`: one is kept already (an empty field keeps it).
    CSyncDlg(const CSyncAccount& account, bool bStoreAvailable, bool bPasswordStored,
             QWidget* parent = nullptr);

    // What OK accepted; the password is empty when the user typed none.
    CSyncAccount Account() const;

    // The URL the user typed, with https:// put in front when no scheme was given; an invalid
    // URL when it is no http or https address with a host.
    static QUrl ParseUrl(const QString& strText);
    // Whether `url` is plain http to another machine than this one.
    static bool IsPlainHttpToOtherHost(const QUrl& url);

    QString m_strUrl;
    QString m_strUser;
    QString m_strPassword;
    bool m_bSyncOnOpenSave = false;
    bool m_bPlainHttpConfirmed = false;

public slots:
    void accept() override;

private:
    QLineEdit* m_editUrl = nullptr;
    QLineEdit* m_editUser = nullptr;
    QLineEdit* m_editPassword = nullptr;
    QCheckBox* m_checkSyncOnOpenSave = nullptr;
    QUrl m_urlConfirmed;
};
