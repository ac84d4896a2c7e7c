#include "CAddrPropertyPage1.h"

#include "CAddrPropertySheet.h"
#include "CVornApp.h"
#include "IProfileStore.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

const QString CAddrPropertyPage1::kTitle = QStringLiteral("Searching");

namespace {
const QString kSection = QStringLiteral("options");
const QString kKey = QStringLiteral("search");

// Exact to Poor, in the order of the search modes.
const char* const kModeNames[] = {"btnExactMatch", "btnGoodMatch", "btnFairMatch", "btnPoorMatch"};
const QString kModeTexts[] = {
    QStringLiteral("&Exact Match - All fields must have an exact match to produce a hit."),
    QStringLiteral("&Good Match - All fields must have at least a partial match, and at least one "
                   "field must have an exact match to produce a hit."),
    QStringLiteral("&Fair Match - All fields must have at least a partial match to produce a hit."),
    QStringLiteral("&Poor Match - A partial match in any field produces a hit."),
};
} // namespace

CAddrPropertyPage1::CAddrPropertyPage1(CVornApp& app, QWidget* parent)
    : QWidget(parent), m_app(app) {
    setObjectName(QStringLiteral("CAddrPropertyPage1"));
    setAccessibleName(kTitle);

    auto* group = new QGroupBox(QStringLiteral("Search Method"), this);
    group->setObjectName(QStringLiteral("groupSearchMethod"));
    group->setAccessibleName(QStringLiteral("Search Method"));
    auto* groupLayout = new QVBoxLayout(group);

    m_groupModes = new QButtonGroup(this);
    m_groupModes->setObjectName(QStringLiteral("groupModes"));
    for (int i = 0; i < int(m_btnModes.size()); ++i) {
        m_btnModes[i] = new QRadioButton(group);
        m_btnModes[i]->setObjectName(QLatin1String(kModeNames[i]));
        m_groupModes->addButton(m_btnModes[i], i);
        groupLayout->addLayout(
            CAddrPropertySheet::WrappedButton(m_btnModes[i], kModeTexts[i], this));
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();
}

void CAddrPropertyPage1::OnInitDialog() {
    if (m_app.m_nSearchMode >= 0 && m_app.m_nSearchMode < int(m_btnModes.size()))
        m_btnModes[m_app.m_nSearchMode]->setChecked(true);
}

void CAddrPropertyPage1::OnKillActive() {
    StoreCheckedMode();
}

void CAddrPropertyPage1::OnOK() {
    StoreCheckedMode();
}

void CAddrPropertyPage1::StoreCheckedMode() {
    const int nMode = m_groupModes->checkedId();
    if (nMode < 0)
        return;
    m_app.m_nSearchMode = nMode;
    IProfileStore::Instance().WriteProfileInt(kSection, kKey, CVornApp::kSearchProfileBase + nMode);
}

bool CAddrPropertyPage1::eventFilter(QObject* watched, QEvent* event) {
    CAddrPropertySheet::ClickBuddy(watched, event);
    return QWidget::eventFilter(watched, event);
}
