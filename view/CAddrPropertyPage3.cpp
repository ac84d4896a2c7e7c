#include "CAddrPropertyPage3.h"

#include "CAddrPropertySheet.h"
#include "CNotesLabel.h"
#include "CText.h"
#include "CVornApp.h"
#include "IProfileStore.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

const QString CAddrPropertyPage3::kTitle = QStringLiteral("General");

namespace {
const QString kSection = QStringLiteral("options");
const QString kConfirmDeleteKey = QStringLiteral("ConfirmDelete");
const QString kAutoUpdateKey = QStringLiteral("AutoUpdate");
const QString kUseCustomLabelText = QStringLiteral("Use &custom label for Notes Field:");
const QString kConfirmDeleteText =
    QStringLiteral("Confirm on &delete - before an entry or group of entries can be deleted, the "
                   "user must confirm the delete request.");
const QString kAutoUpdateText =
    QStringLiteral("&Automatic updates - entries are updated without prompting for verification.");
} // namespace

CAddrPropertyPage3::CAddrPropertyPage3(CVornApp& app, QWidget* parent)
    : QWidget(parent), m_app(app) {
    setObjectName(QStringLiteral("CAddrPropertyPage3"));
    setAccessibleName(kTitle);

    auto* group = new QGroupBox(QStringLiteral("General Preferences"), this);
    group->setObjectName(QStringLiteral("groupGeneralPreferences"));
    group->setAccessibleName(QStringLiteral("General Preferences"));

    m_btnUseCustomLabel = new QCheckBox(kUseCustomLabelText, group);
    m_btnUseCustomLabel->setObjectName(QStringLiteral("btnUseCustomLabel"));
    m_btnUseCustomLabel->setAccessibleName(
        CAddrPropertySheet::WithoutMnemonic(kUseCustomLabelText));
    m_editLabel = new QLineEdit(group);
    m_editLabel->setObjectName(QStringLiteral("editLabel"));
    m_editLabel->setAccessibleName(QStringLiteral("Custom label for Notes Field"));
    m_editLabel->setMaxLength(kMaxLabelLength);

    m_btnConfirmDelete = new QCheckBox(group);
    m_btnConfirmDelete->setObjectName(QStringLiteral("btnConfirmDelete"));
    m_btnAutoUpdate = new QCheckBox(group);
    m_btnAutoUpdate->setObjectName(QStringLiteral("btnAutoUpdate"));

    // clicked, not toggled: filling the page must not count as the user's choice.
    connect(m_btnConfirmDelete, &QCheckBox::clicked, this, &CAddrPropertyPage3::OnConfirmDelete);
    connect(m_btnUseCustomLabel, &QCheckBox::clicked, this, &CAddrPropertyPage3::OnUseCustomLabel);
    connect(m_btnAutoUpdate, &QCheckBox::clicked, this, &CAddrPropertyPage3::OnAutoUpdate);
    connect(m_editLabel, &QLineEdit::textChanged, this, &CAddrPropertyPage3::OnLabelEdited);
    connect(m_editLabel, &QLineEdit::editingFinished, this, &CAddrPropertyPage3::OnLabelChange);

    auto* labelRow = new QHBoxLayout;
    labelRow->addWidget(m_btnUseCustomLabel);
    labelRow->addWidget(m_editLabel, 1);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(labelRow);
    groupLayout->addLayout(
        CAddrPropertySheet::WrappedButton(m_btnConfirmDelete, kConfirmDeleteText, this));
    groupLayout->addLayout(
        CAddrPropertySheet::WrappedButton(m_btnAutoUpdate, kAutoUpdateText, this));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();
}

void CAddrPropertyPage3::OnInitDialog() {
    m_bAutoUpdate = m_app.m_bAutoUpdate;
    m_bConfirmDelete = m_app.m_bConfirmDelete;
    m_bUseCustomLabel = m_app.m_bUseCustomLabel != 0;
    if (m_app.m_strCustomLabel.isEmpty()) {
        // The box then shows "Notes", and the application holds what the box shows.
        m_app.m_strCustomLabel = CNotesLabel::DefaultLabel();
    }
    m_strLabel = CText::ToDisplay(m_app.m_strCustomLabel);
    m_bLabelChanged = false;
    m_editLabel->setEnabled(m_bUseCustomLabel);
    UpdateData(false);
    m_editLabel->setCursorPosition(0);
}

void CAddrPropertyPage3::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_bConfirmDelete = m_btnConfirmDelete->isChecked();
        m_bUseCustomLabel = m_btnUseCustomLabel->isChecked();
        m_strLabel = m_editLabel->text();
        m_bAutoUpdate = m_btnAutoUpdate->isChecked();
        return;
    }
    m_btnConfirmDelete->setChecked(m_bConfirmDelete);
    m_btnUseCustomLabel->setChecked(m_bUseCustomLabel);
    {
        // Showing the label is not a change by the user.
        const QSignalBlocker blocker(m_editLabel);
        m_editLabel->setText(m_strLabel);
    }
    m_btnAutoUpdate->setChecked(m_bAutoUpdate);
}

void CAddrPropertyPage3::OnConfirmDelete() {
    UpdateData(true);
    m_app.m_bConfirmDelete = m_bConfirmDelete;
    IProfileStore::Instance().WriteProfileInt(kSection, kConfirmDeleteKey, m_bConfirmDelete);
}

void CAddrPropertyPage3::OnAutoUpdate() {
    UpdateData(true);
    m_app.m_bAutoUpdate = m_bAutoUpdate;
    IProfileStore::Instance().WriteProfileInt(kSection, kAutoUpdateKey, m_bAutoUpdate);
}

void CAddrPropertyPage3::OnUseCustomLabel() {
    UpdateData(true);
    m_editLabel->setEnabled(m_bUseCustomLabel);
    m_app.m_bUseCustomLabel = m_bUseCustomLabel ? 1 : 0;
    m_editLabel->setFocus(Qt::OtherFocusReason);
}

void CAddrPropertyPage3::OnLabelEdited() {
    m_bLabelChanged = true;
    OnLabelChange();
}

void CAddrPropertyPage3::OnLabelChange() {
    // A label the user has not touched is left as the file gave it: the box may show only the
    // start of a label longer than it accepts.
    if (!m_bLabelChanged)
        return;
    UpdateData(true);
    m_app.m_strCustomLabel = CText::FromDisplay(m_strLabel);
}

bool CAddrPropertyPage3::eventFilter(QObject* watched, QEvent* event) {
    CAddrPropertySheet::ClickBuddy(watched, event);
    return QWidget::eventFilter(watched, event);
}
