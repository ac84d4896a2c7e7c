#include "CAddrPropertyPage2.h"

#include "CAddrPropertySheet.h"
#include "CVornApp.h"
#include "IProfileStore.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

const QString CAddrPropertyPage2::kTitle = QStringLiteral("Passwords");

namespace {
const QString kSection = QStringLiteral("options");
const QString kKey = QStringLiteral("password");
const QString kOnText =
    QStringLiteral("O&n - a password must be entered at startup to run the Velloby.");
const QString kOffText = QStringLiteral("O&ff - No password is required to run the Velloby.");
} // namespace

CAddrPropertyPage2::CAddrPropertyPage2(CVornApp& app, QWidget* parent)
    : QWidget(parent), m_app(app) {
    setObjectName(QStringLiteral("CAddrPropertyPage2"));
    setAccessibleName(kTitle);

    auto* group = new QGroupBox(QStringLiteral("Password Protection"), this);
    group->setObjectName(QStringLiteral("groupPasswordProtection"));
    group->setAccessibleName(QStringLiteral("Password Protection"));

    // The two buttons share their group box, which makes them exclusive.
    m_btnOn = new QRadioButton(kOnText, group);
    m_btnOn->setObjectName(QStringLiteral("btnOn"));
    m_btnOn->setAccessibleName(CAddrPropertySheet::WithoutMnemonic(kOnText));
    m_btnOff = new QRadioButton(kOffText, group);
    m_btnOff->setObjectName(QStringLiteral("btnOff"));
    m_btnOff->setAccessibleName(CAddrPropertySheet::WithoutMnemonic(kOffText));
    // clicked, not toggled: filling the page must not count as the user's choice.
    connect(m_btnOn, &QRadioButton::clicked, this, &CAddrPropertyPage2::OnPasswordOn);
    connect(m_btnOff, &QRadioButton::clicked, this, &CAddrPropertyPage2::OnPasswordOff);

    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_btnOn);
    groupLayout->addWidget(m_btnOff);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();
}

void CAddrPropertyPage2::OnInitDialog() {
    (m_app.m_bPassword ? m_btnOn : m_btnOff)->setChecked(true);
}

void CAddrPropertyPage2::OnPasswordOn() {
    StorePassword(true);
}

void CAddrPropertyPage2::OnPasswordOff() {
    StorePassword(false);
}

void CAddrPropertyPage2::OnKillActive() {
    StorePassword(m_btnOn->isChecked());
}

void CAddrPropertyPage2::OnOK() {
    StorePassword(m_btnOn->isChecked());
}

void CAddrPropertyPage2::StorePassword(bool bOn) {
    m_app.m_bPassword = bOn;
    IProfileStore::Instance().WriteProfileInt(kSection, kKey, bOn ? 1 : 0);
}
