#include "CDialPhoneDlg.h"

#include "CVornApp.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& text, const char* name, QWidget* pBuddy) {
    auto* pLabel = new QLabel(text, parent);
    pLabel->setObjectName(QLatin1String(name));
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    pLabel->setAccessibleName(plain);
    if (pBuddy)
        pLabel->setBuddy(pBuddy);
    return pLabel;
}

} // namespace

CDialPhoneDlg::CDialPhoneDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CDialPhoneDlg"));
    setWindowTitle(QStringLiteral("Select a phone number to dial"));
    setAccessibleName(windowTitle());
    setModal(true);
    if (const CVornApp* pApp = CVornApp::Instance())
        m_strPrefix = pApp->m_strDialPrefix;

    m_checkUsePrefix =
        new QCheckBox(QStringLiteral("Additional numbers to obtain outside line"), this);
    m_checkUsePrefix->setObjectName(QStringLiteral("checkUsePrefix"));
    m_checkUsePrefix->setAccessibleName(
        QStringLiteral("Additional numbers to obtain outside line"));
    m_editPrefix = new QLineEdit(this);
    m_editPrefix->setObjectName(QStringLiteral("editPrefix"));
    m_editPrefix->setAccessibleName(QStringLiteral("Outside line prefix"));
    m_editPrefix->setMaximumWidth(m_editPrefix->fontMetrics().horizontalAdvance(QLatin1Char('0')) *
                                  12);
    m_listNumbers = new QListWidget(this);
    m_listNumbers->setObjectName(QStringLiteral("listNumbers"));
    m_listNumbers->setAccessibleName(QStringLiteral("Please select the number to dial"));
    m_listNumbers->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listNumbers->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editNumber = new QLineEdit(this);
    m_editNumber->setObjectName(QStringLiteral("editNumber"));
    m_editNumber->setAccessibleName(QStringLiteral("Make any adjustments to the phone number"));

    auto* pButtons = new QDialogButtonBox(this);
    pButtons->setObjectName(QStringLiteral("buttons"));
    m_btnDial = pButtons->addButton(QStringLiteral("&Dial"), QDialogButtonBox::AcceptRole);
    m_btnDial->setObjectName(QStringLiteral("btnDial"));
    m_btnDial->setAccessibleName(QStringLiteral("Dial"));
    m_btnDial->setDefault(true);
    QPushButton* pCancel = pButtons->addButton(QDialogButtonBox::Cancel);
    pCancel->setText(QStringLiteral("Cancel"));
    pCancel->setObjectName(QStringLiteral("btnCancel"));
    pCancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &CDialPhoneDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CDialPhoneDlg::reject);

    // Three numbered steps, one under the other.
    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(MakeLabel(this, QStringLiteral("1."), "labelStep1", nullptr), 0, 0);
    pLayout->addWidget(MakeLabel(this, QStringLiteral("Please select the number to dial"),
                                 "labelSelect", m_listNumbers),
                       0, 1);
    auto* pPrefixRow = new QHBoxLayout;
    pPrefixRow->addWidget(m_checkUsePrefix);
    pPrefixRow->addWidget(m_editPrefix);
    pLayout->addLayout(pPrefixRow, 1, 1);
    pLayout->addWidget(m_listNumbers, 2, 1);
    pLayout->addWidget(MakeLabel(this, QStringLiteral("2."), "labelStep2", nullptr), 3, 0);
    pLayout->addWidget(MakeLabel(this, QStringLiteral("Make any adjustments to the phone number"),
                                 "labelAdjust", m_editNumber),
                       3, 1);
    pLayout->addWidget(m_editNumber, 4, 1);
    pLayout->addWidget(MakeLabel(this, QStringLiteral("3."), "labelStep3", nullptr), 5, 0);
    auto* pDialRow = new QHBoxLayout;
    pDialRow->addWidget(
        MakeLabel(this, QStringLiteral("Click here to place the call"), "labelPlace", nullptr));
    pDialRow->addStretch();
    pDialRow->addWidget(pButtons);
    pLayout->addLayout(pDialRow, 5, 1);

    setTabOrder(m_checkUsePrefix, m_editPrefix);
    setTabOrder(m_editPrefix, m_listNumbers);
    setTabOrder(m_listNumbers, m_editNumber);
    setTabOrder(m_editNumber, m_btnDial);
    setTabOrder(m_btnDial, pCancel);

    connect(m_listNumbers, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_nSilent)
            OnSelChangeNumbers();
    });
    connect(m_listNumbers, &QListWidget::itemDoubleClicked, this, [this] {
        if (!m_nSilent)
            OnDblClkNumbers();
    });
    connect(m_checkUsePrefix, &QCheckBox::clicked, this, [this] {
        if (!m_nSilent)
            OnUsePrefix();
    });
    connect(m_editPrefix, &QLineEdit::textChanged, this, [this] {
        if (!m_nSilent)
            OnChangePrefix();
    });
}

QStringList CDialPhoneDlg::NumbersFromPhone(const QString& phone) {
    QStringList numbers;
    for (QStringView line : QStringView(phone).split(QLatin1Char('\n'))) {
        QString digits;
        // A '+' just before the first digit (blanks may stand between) marks an international
        // number and stays in front of it: without it a tel: address dials a wrong local
        // number. Every other character that is not a digit is dropped.
        bool bPlus = false;
        for (QChar c : line.left(kMaxLineLength)) {
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
                if (digits.isEmpty() && bPlus)
                    digits += QLatin1Char('+');
                digits += c;
            } else if (digits.isEmpty() && c != QLatin1Char(' ') && c != QLatin1Char('\t')) {
                bPlus = c == QLatin1Char('+');
            }
        }
        if (!digits.isEmpty())
            numbers.append(digits);
    }
    return numbers;
}

void CDialPhoneDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CDialPhoneDlg::DoDataExchange(bool bSave) {
    if (bSave) {
        m_strNumber = m_editNumber->text();
        m_bUsePrefix = m_checkUsePrefix->isChecked();
        m_strPrefix = m_editPrefix->text();
        return;
    }
    ++m_nSilent;
    // Only what differs is written, so the cursor of the field being typed in stays put.
    if (m_editNumber->text() != m_strNumber)
        m_editNumber->setText(m_strNumber);
    m_checkUsePrefix->setChecked(m_bUsePrefix);
    if (m_editPrefix->text() != m_strPrefix)
        m_editPrefix->setText(m_strPrefix);
    --m_nSilent;
}

void CDialPhoneDlg::ComposeNumber() {
    const QListWidgetItem* pSelected = m_listNumbers->currentItem();
    const QString number = pSelected && pSelected->isSelected() ? pSelected->text() : QString();
    m_strNumber = (m_bUsePrefix ? m_strPrefix : QString()) + number;
    DoDataExchange(false);
}

void CDialPhoneDlg::OnInitDialog() {
    DoDataExchange(false);
    m_editPrefix->setEnabled(m_bUsePrefix);
    ++m_nSilent;
    m_listNumbers->clear();
    m_listNumbers->addItems(m_numbers);
    if (m_listNumbers->count() > 0)
        m_listNumbers->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    --m_nSilent;
    ComposeNumber();
}

void CDialPhoneDlg::OnSelChangeNumbers() {
    m_editNumber->setEnabled(true);
    ComposeNumber();
}

void CDialPhoneDlg::OnDblClkNumbers() {
    m_editNumber->setEnabled(true);
    ComposeNumber();
}

void CDialPhoneDlg::OnUsePrefix() {
    DoDataExchange(true);
    m_editPrefix->setEnabled(m_bUsePrefix);
    m_editPrefix->setFocus(Qt::OtherFocusReason);
    ComposeNumber();
}

void CDialPhoneDlg::OnChangePrefix() {
    DoDataExchange(true);
    ComposeNumber();
}

void CDialPhoneDlg::accept() {
    DoDataExchange(true);
    if (CVornApp* pApp = CVornApp::Instance())
        pApp->m_strDialPrefix = m_strPrefix;
    QDialog::accept();
}
