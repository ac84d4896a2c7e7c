#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;

// Asks for the password of a sync account when none is kept, or when the server refused the
// one given. "Remember" keeps it in the secret store, offered only where a store runs.
class CSyncPasswordDlg : public QDialog {
    Q_OBJECT
public:
    // `strPrompt` says for whom and why the password is asked.
    CSyncPasswordDlg(const QString& strPrompt, bool bStoreAvailable, QWidget* parent = nullptr);

    QString m_strPassword;
    bool m_bRemember = false;

public slots:
    void accept() override;

private:
    QLineEdit* m_editPassword = nullptr;
    QCheckBox* m_checkRemember = nullptr;
};
