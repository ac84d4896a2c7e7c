#include "CSyncPasswordDlg.h"

#include "COkCancelButtons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
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

} // namespace

CSyncPasswordDlg::CSyncPasswordDlg(const QString& strPrompt, bool bStoreAvailable, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("syncPasswordDlg"));
    setAccessibleName(QStringLiteral("Sync password"));
    setWindowTitle(QStringLiteral("Synchronize"));

    m_editPassword = Named(new QLineEdit(this), "passwordEdit", QStringLiteral("Password"));
    m_editPassword->setEchoMode(QLineEdit::Password);
    m_editPassword->setMinimumWidth(280);
    auto* label = Named(new QLabel(strPrompt, this), "promptLabel", strPrompt);
    label->setWordWrap(true);
    auto* passwordLabel = Named(new QLabel(QStringLiteral("&Password:"), this), "passwordLabel",
                                QStringLiteral("Password:"));
    passwordLabel->setBuddy(m_editPassword);

    m_checkRemember = Named(new QCheckBox(QStringLiteral("&Remember the password"), this),
                            "rememberCheck", QStringLiteral("Remember the password"));
    m_checkRemember->setEnabled(bStoreAvailable);
    if (!bStoreAvailable)
        m_checkRemember->setToolTip(
            QStringLiteral("No secret store runs on this desktop to keep it in."));

    QDialogButtonBox* buttons = COkCancelButtons::Create(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(passwordLabel);
    layout->addWidget(m_editPassword);
    layout->addWidget(m_checkRemember);
    layout->addWidget(buttons);
    m_editPassword->setFocus();
}

void CSyncPasswordDlg::accept() {
    m_strPassword = m_editPassword->text();
    m_bRemember = m_checkRemember->isEnabled() && m_checkRemember->isChecked();
    QDialog::accept();
}
