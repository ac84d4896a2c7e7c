#include "CSyncDlg.h"

#include "COkCancelButtons.h"
#include "IPrompt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* Named(T* widget, const char* name, const QString& accessible) {
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

// The label of `pField`, named after it ("urlEdit" gives "urlLabel").
QLabel* Buddy(const QString& text, QWidget* pField, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(pField);
    QString name = pField->objectName();
    name.replace(QLatin1String("Edit"), QLatin1String("Label"));
    label->setObjectName(name);
    label->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return label;
}

} // namespace

CSyncDlg::CSyncDlg(const CSyncAccount& account, bool bStoreAvailable, bool bPasswordStored,
                   QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("syncDlg"));
    setAccessibleName(QStringLiteral("Synchronize"));
    setWindowTitle(QStringLiteral("Synchronize"));

    m_editUrl = Named(new QLineEdit(account.url.toString(), this), "urlEdit",
                      QStringLiteral("Address book or server URL"));
    m_editUrl->setPlaceholderText(QStringLiteral("https://dav.example.org/"));
    m_editUrl->setMinimumWidth(360);
    m_editUser =
        Named(new QLineEdit(account.strUser, this), "userEdit", QStringLiteral("User name"));
    m_editPassword = Named(new QLineEdit(this), "passwordEdit", QStringLiteral("Password"));
    m_editPassword->setEchoMode(QLineEdit::Password);
    m_editPassword->setEnabled(bStoreAvailable);
    if (bPasswordStored)
        m_editPassword->setPlaceholderText(QStringLiteral("(kept in the secret store)"));

    auto* form = new QFormLayout;
    form->addRow(Buddy(QStringLiteral("Address book or server &URL:"), m_editUrl, this), m_editUrl);
    form->addRow(Buddy(QStringLiteral("User &name:"), m_editUser, this), m_editUser);
    form->addRow(Buddy(QStringLiteral("&Password:"), m_editPassword, this), m_editPassword);

    // Where no store runs a password could only be kept in plain text, which it never is.
    auto* note = Named(new QLabel(bStoreAvailable
                                      ? QStringLiteral("The password is kept in the desktop's "
                                                       "secret store, never in the contact file "
                                                       "or beside it.")
                                      : QStringLiteral("No secret store runs on this desktop: "
                                                       "the password is asked for at each sync."),
                                  this),
                       "passwordNote", QStringLiteral("About the password"));
    note->setWordWrap(true);

    m_checkSyncOnOpenSave =
        Named(new QCheckBox(QStringLiteral("&Sync when the file is opened and saved"), this),
              "syncOnOpenSaveCheck", QStringLiteral("Sync when the file is opened and saved"));
    m_checkSyncOnOpenSave->setChecked(account.bSyncOnOpenSave);

    QDialogButtonBox* buttons = COkCancelButtons::Create(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(m_checkSyncOnOpenSave);
    layout->addWidget(buttons);

    // Tab follows the order the controls were made in: URL, user, password, the check box, the
    // buttons.
    m_editUrl->setFocus();

    // A URL confirmed before stays confirmed while it is unchanged.
    if (account.bPlainHttpConfirmed)
        m_urlConfirmed = account.url;
}

QUrl CSyncDlg::ParseUrl(const QString& strText) {
    QString text = strText.trimmed();
    if (text.isEmpty())
        return QUrl();
    if (!text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("https://"));
    QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty() || !url.userInfo().isEmpty())
        return QUrl();
    url.setScheme(scheme);
    return url;
}

bool CSyncDlg::IsPlainHttpToOtherHost(const QUrl& url) {
    if (url.scheme().toLower() != QLatin1String("http"))
        return false;
    const QString host = url.host().toLower();
    if (host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost")) ||
        host == QLatin1String("::1"))
        return false;
    // 127.0.0.0/8 is this machine.
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() == 4 && parts[0] == QLatin1String("127")) {
        bool bNumeric = true;
        for (const QString& part : parts) {
            bool bOk = false;
            const int n = part.toInt(&bOk);
            bNumeric = bNumeric && bOk && n >= 0 && n <= 255;
        }
        if (bNumeric)
            return false;
    }
    return true;
}

void CSyncDlg::accept() {
    const QUrl url = ParseUrl(m_editUrl->text());
    if (!url.isValid()) {
        IPrompt::Message(this,
                         QStringLiteral("Enter the URL of the address book or of the server, "
                                        "such as https://dav.example.org/."),
                         IPrompt::Warning);
        m_editUrl->setFocus();
        m_editUrl->selectAll();
        return;
    }
    if (m_editUser->text().trimmed().isEmpty()) {
        IPrompt::Message(this, QStringLiteral("Enter the user name for the address book."),
                         IPrompt::Warning);
        m_editUser->setFocus();
        return;
    }
    m_bPlainHttpConfirmed = false;
    if (IsPlainHttpToOtherHost(url)) {
        if (url != m_urlConfirmed &&
            IPrompt::Ask(this,
                         QStringLiteral("%1 uses plain http: the password and the contacts go "
                                        "over the network unencrypted, and anyone on the way "
                                        "can read or change them. Use it all the same?")
                             .arg(url.toString()),
                         IPrompt::YesNo) != IPrompt::AnswerYes) {
            m_editUrl->setFocus();
            return;
        }
        m_bPlainHttpConfirmed = true;
    }
    m_strUrl = url.toString();
    m_strUser = m_editUser->text().trimmed();
    m_strPassword = m_editPassword->isEnabled() ? m_editPassword->text() : QString();
    m_bSyncOnOpenSave = m_checkSyncOnOpenSave->isChecked();
    QDialog::accept();
}

CSyncAccount CSyncDlg::Account() const {
    CSyncAccount account;
    account.url = QUrl(m_strUrl);
    account.strUser = m_strUser;
    account.bSyncOnOpenSave = m_bSyncOnOpenSave;
    account.bPlainHttpConfirmed = m_bPlainHttpConfirmed;
    return account;
}
