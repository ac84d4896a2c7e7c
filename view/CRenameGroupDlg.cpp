#include "CRenameGroupDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Blanks around a name are never part of it.
QString TrimBlanks(const QString& text) {
    return text.trimmed();
}

} // namespace

CRenameGroupDlg::CRenameGroupDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("renameGroupDlg"));
    setWindowTitle(QStringLiteral("Rename Group"));
    setAccessibleName(windowTitle());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* pCurrentCaption = new QLabel(QStringLiteral("Current Group Name:"), this);
    pCurrentCaption->setObjectName(QStringLiteral("labelCurrentCaption"));
    pCurrentCaption->setAccessibleName(pCurrentCaption->text());
    m_labelCurrentName = new QLabel(QStringLiteral("Current Group Name"), this);
    m_labelCurrentName->setObjectName(QStringLiteral("labelCurrentName"));
    m_labelCurrentName->setAccessibleName(QStringLiteral("Current Group Name"));
    m_labelCurrentName->setTextFormat(Qt::PlainText);
    auto* pNewCaption = new QLabel(QStringLiteral("New Group Name"), this);
    pNewCaption->setObjectName(QStringLiteral("labelNewName"));
    pNewCaption->setAccessibleName(pNewCaption->text());
    m_editNewName = new QLineEdit(this);
    m_editNewName->setObjectName(QStringLiteral("editNewName"));
    m_editNewName->setAccessibleName(pNewCaption->text());
    m_editNewName->setMinimumWidth(m_editNewName->fontMetrics().averageCharWidth() * 26);
    pNewCaption->setBuddy(m_editNewName);
    connect(m_editNewName, &QLineEdit::textChanged, this, &CRenameGroupDlg::OnNewNameChange);

    m_btnOK = new QPushButton(QStringLiteral("OK"), this);
    m_btnOK->setObjectName(QStringLiteral("btnOK"));
    m_btnOK->setAccessibleName(QStringLiteral("OK"));
    m_btnOK->setDefault(true);
    m_btnOK->setEnabled(false);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(m_btnOK, &QPushButton::clicked, this, &CRenameGroupDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CRenameGroupDlg::reject);

    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(pCurrentCaption, 0, 0);
    pLayout->addWidget(m_labelCurrentName, 1, 0);
    pLayout->addWidget(pNewCaption, 2, 0);
    pLayout->addWidget(m_editNewName, 3, 0);
    pLayout->addWidget(m_btnOK, 0, 1);
    pLayout->addWidget(m_btnCancel, 1, 1);
    pLayout->setColumnStretch(0, 1);
    pLayout->setRowMinimumHeight(2, pNewCaption->sizeHint().height() * 2);
    setTabOrder(m_editNewName, m_btnOK);
    setTabOrder(m_btnOK, m_btnCancel);
    m_editNewName->setFocus();
}

void CRenameGroupDlg::showEvent(QShowEvent* event) {
    m_labelCurrentName->setText(m_strCurrentName);
    if (m_editNewName->text() != m_strNewName)
        m_editNewName->setText(m_strNewName);
    OnNewNameChange();
    QDialog::showEvent(event);
}

void CRenameGroupDlg::OnNewNameChange() {
    m_strNewName = m_editNewName->text();
    // The name is judged as it will be stored, without its surrounding blanks: a name of blanks
    // only would make a group without a name, and " Work" would duplicate "Work".
    const QString name = TrimBlanks(m_strNewName);
    m_btnOK->setEnabled(!name.isEmpty() && !m_existingNames.contains(name, Qt::CaseSensitive));
}

void CRenameGroupDlg::accept() {
    OnNewNameChange();
    if (!m_btnOK->isEnabled())
        return;
    m_strNewName = TrimBlanks(m_editNewName->text());
    m_editNewName->setText(m_strNewName);
    QDialog::accept();
}
