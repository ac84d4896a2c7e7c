#include "CAddGroupDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CAddGroupDlg::CAddGroupDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("addGroupDlg"));
    setWindowTitle(QStringLiteral("Create a Group"));
    setAccessibleName(windowTitle());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* pLabel = new QLabel(QStringLiteral("New Group Name"), this);
    pLabel->setObjectName(QStringLiteral("labelGroupName"));
    pLabel->setAccessibleName(pLabel->text());
    m_editGroupName = new QLineEdit(this);
    m_editGroupName->setObjectName(QStringLiteral("editGroupName"));
    m_editGroupName->setAccessibleName(pLabel->text());
    m_editGroupName->setMinimumWidth(m_editGroupName->fontMetrics().averageCharWidth() * 26);
    pLabel->setBuddy(m_editGroupName);

    m_btnOK = new QPushButton(QStringLiteral("OK"), this);
    m_btnOK->setObjectName(QStringLiteral("btnOK"));
    m_btnOK->setAccessibleName(QStringLiteral("OK"));
    m_btnOK->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(m_btnOK, &QPushButton::clicked, this, &CAddGroupDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CAddGroupDlg::reject);

    // The name on the left, the buttons stacked on the right.
    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(pLabel, 0, 0);
    pLayout->addWidget(m_editGroupName, 1, 0);
    pLayout->addWidget(m_btnOK, 0, 1);
    pLayout->addWidget(m_btnCancel, 1, 1);
    pLayout->setColumnStretch(0, 1);
    setTabOrder(m_editGroupName, m_btnOK);
    setTabOrder(m_btnOK, m_btnCancel);
    m_editGroupName->setFocus();
}

void CAddGroupDlg::accept() {
    m_strGroupName = m_editGroupName->text();
    QDialog::accept();
}
