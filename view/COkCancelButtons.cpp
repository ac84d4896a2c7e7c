#include "COkCancelButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox* COkCancelButtons::Create(QDialog* pDialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, pDialog);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    buttons->setAccessibleName(QStringLiteral("Buttons"));
    QPushButton* pOk = buttons->button(QDialogButtonBox::Ok);
    pOk->setObjectName(QStringLiteral("okButton"));
    pOk->setAccessibleName(QStringLiteral("OK"));
    QPushButton* pCancel = buttons->button(QDialogButtonBox::Cancel);
    pCancel->setObjectName(QStringLiteral("cancelButton"));
    pCancel->setAccessibleName(QStringLiteral("Cancel"));
    // accept and reject are virtual: a dialog's own versions run.
    QObject::connect(buttons, &QDialogButtonBox::accepted, pDialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, pDialog, &QDialog::reject);
    return buttons;
}
