#include "CAddrPropertySheet.h"

#include "CAddrPropertyPage1.h"
#include "CAddrPropertyPage2.h"
#include "CAddrPropertyPage3.h"
#include "CVornApp.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

const QString CAddrPropertySheet::kCaption = QStringLiteral("Properties for the Velloby");

CAddrPropertySheet::CAddrPropertySheet(CVornApp& app, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CAddrPropertySheet"));
    setWindowTitle(kCaption);
    setAccessibleName(kCaption);

    m_pageSearching = new CAddrPropertyPage1(app);
    m_pagePasswords = new CAddrPropertyPage2(app);
    m_pageGeneral = new CAddrPropertyPage3(app);

    m_tabPages = new QTabWidget(this);
    m_tabPages->setObjectName(QStringLiteral("tabPages"));
    m_tabPages->setAccessibleName(QStringLiteral("Property pages"));
    m_tabPages->addTab(m_pageSearching, CAddrPropertyPage1::kTitle);
    m_tabPages->addTab(m_pagePasswords, CAddrPropertyPage2::kTitle);
    m_tabPages->addTab(m_pageGeneral, CAddrPropertyPage3::kTitle);
    m_tabPages->setCurrentIndex(0);

    // Plain "OK" and "Cancel" without mnemonics: Enter and Escape reach them, and their letters
    // stay free for the pages' own options.
    m_boxButtons = new QDialogButtonBox(this);
    m_boxButtons->setObjectName(QStringLiteral("boxButtons"));
    m_btnOk = m_boxButtons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_btnOk->setObjectName(QStringLiteral("btnOk"));
    m_btnOk->setAccessibleName(QStringLiteral("OK"));
    m_btnOk->setDefault(true);
    m_btnCancel = m_boxButtons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(m_boxButtons, &QDialogButtonBox::accepted, this, &CAddrPropertySheet::accept);
    connect(m_boxButtons, &QDialogButtonBox::rejected, this, &CAddrPropertySheet::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabPages);
    layout->addWidget(m_boxButtons);
    setMinimumWidth(440);

    // Connected after the tabs exist, so adding them does not count as switching pages.
    connect(m_tabPages, &QTabWidget::currentChanged, this, &CAddrPropertySheet::OnPageChanged);
}

int CAddrPropertySheet::Run(QWidget* parent) {
    CVornApp* app = CVornApp::Instance();
    if (!app)
        return QDialog::Rejected;
    CAddrPropertySheet sheet(*app, parent);
    return sheet.exec();
}

void CAddrPropertySheet::showEvent(QShowEvent* event) {
    InitPage(m_tabPages->currentIndex());
    QDialog::showEvent(event);
}

void CAddrPropertySheet::OnPageChanged(int nIndex) {
    if (nIndex < 0 || nIndex == m_nActivePage)
        return;
    KillActivePage(m_nActivePage);
    m_nActivePage = nIndex;
    InitPage(nIndex);
}

void CAddrPropertySheet::InitPage(int nIndex) {
    if (nIndex < 0 || nIndex >= kPageCount || m_bCreated[nIndex])
        return;
    m_bCreated[nIndex] = true;
    switch (nIndex) {
    case 0:
        m_pageSearching->OnInitDialog();
        break;
    case 1:
        m_pagePasswords->OnInitDialog();
        break;
    default:
        m_pageGeneral->OnInitDialog();
        break;
    }
}

void CAddrPropertySheet::KillActivePage(int nIndex) {
    if (nIndex < 0 || nIndex >= kPageCount || !m_bCreated[nIndex])
        return;
    switch (nIndex) {
    case 0:
        m_pageSearching->OnKillActive();
        break;
    case 1:
        m_pagePasswords->OnKillActive();
        break;
    default:
        m_pageGeneral->OnKillActive();
        break;
    }
}

void CAddrPropertySheet::accept() {
    KillActivePage(m_nActivePage);
    // A page never shown has controls that were never filled: finishing it would store their
    // blank state over the real settings.
    if (m_bCreated[0])
        m_pageSearching->OnOK();
    if (m_bCreated[1])
        m_pagePasswords->OnOK();
    if (m_bCreated[2])
        m_pageGeneral->OnOK();
    QDialog::accept();
}

QHBoxLayout* CAddrPropertySheet::WrappedButton(QAbstractButton* button, const QString& text,
                                               QObject* filterOwner) {
    button->setAccessibleName(WithoutMnemonic(text));
    auto* label = new QLabel(text);
    label->setObjectName(button->objectName() + QStringLiteral("Label"));
    label->setAccessibleName(WithoutMnemonic(text));
    label->setWordWrap(true);
    label->setBuddy(button);
    label->installEventFilter(filterOwner);

    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(button, 0, Qt::AlignTop);
    row->addWidget(label, 1);
    return row;
}

void CAddrPropertySheet::ClickBuddy(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease)
        return;
    auto* label = qobject_cast<QLabel*>(watched);
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (!label || mouse->button() != Qt::LeftButton || !label->isEnabled() ||
        !label->rect().contains(mouse->position().toPoint()))
        return;
    if (auto* button = qobject_cast<QAbstractButton*>(label->buddy());
        button && button->isEnabled()) {
        button->setFocus(Qt::MouseFocusReason);
        button->click();
    }
}

QString CAddrPropertySheet::WithoutMnemonic(const QString& text) {
    QString strPlain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // "&&" stands for one ampersand; a single one only marks the next letter.
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        strPlain += text.at(i);
    }
    return strPlain;
}
