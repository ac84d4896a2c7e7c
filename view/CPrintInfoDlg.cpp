#include "CPrintInfoDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* MakeButton(QWidget* parent, const QString& text, const char* name) {
    auto* pButton = new T(text, parent);
    pButton->setObjectName(QLatin1String(name));
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    pButton->setAccessibleName(plain);
    return pButton;
}

} // namespace

CPrintInfoDlg::CPrintInfoDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CPrintInfoDlg"));
    setWindowTitle(QStringLiteral("Print a Formatted Report"));
    setAccessibleName(windowTitle());
    setModal(true);

    auto* pFormatBox = new QGroupBox(QStringLiteral("Format Options"), this);
    pFormatBox->setObjectName(QStringLiteral("groupFormat"));
    pFormatBox->setAccessibleName(pFormatBox->title());
    m_radioLineBreaks = MakeButton<QRadioButton>(
        pFormatBox, QStringLiteral("Print with line breaks, suitable for a word processor"),
        "radioLineBreaks");
    m_radioTabStops = MakeButton<QRadioButton>(
        pFormatBox, QStringLiteral("Print with tab stops, suitable for a spreadsheet"),
        "radioTabStops");
    auto* pFormatLayout = new QVBoxLayout(pFormatBox);
    pFormatLayout->addWidget(m_radioLineBreaks);
    pFormatLayout->addWidget(m_radioTabStops);

    auto* pItemsBox = new QGroupBox(QStringLiteral("Items to include"), this);
    pItemsBox->setObjectName(QStringLiteral("groupItems"));
    pItemsBox->setAccessibleName(pItemsBox->title());
    m_checkAddress = MakeButton<QCheckBox>(pItemsBox, QStringLiteral("Address"), "checkAddress");
    m_checkCity = MakeButton<QCheckBox>(pItemsBox, QStringLiteral("City"), "checkCity");
    m_checkState = MakeButton<QCheckBox>(pItemsBox, QStringLiteral("State"), "checkState");
    m_checkZip = MakeButton<QCheckBox>(pItemsBox, QStringLiteral("ZIP"), "checkZip");
    m_checkCountry = MakeButton<QCheckBox>(pItemsBox, QStringLiteral("Country"), "checkCountry");
    m_checkPhone = MakeButton<QCheckBox>(pItemsBox, QStringLiteral("Phone"), "checkPhone");
    m_checkEmail = MakeButton<QCheckBox>(pItemsBox, QStringLiteral("E-mail"), "checkEmail");
    m_checkNotes = MakeButton<QCheckBox>(pItemsBox, QStringLiteral("Notes"), "checkNotes");
    // Two columns, read down then across, in the order the report writes the fields.
    auto* pItemsLayout = new QGridLayout(pItemsBox);
    QCheckBox* const items[] = {m_checkAddress, m_checkCity,  m_checkState, m_checkZip,
                                m_checkCountry, m_checkPhone, m_checkEmail, m_checkNotes};
    for (int i = 0; i < 8; ++i)
        pItemsLayout->addWidget(items[i], i % 4, i / 4);

    m_checkShowViewer =
        MakeButton<QCheckBox>(this, QStringLiteral("Show in text viewer"), "checkShowViewer");

    auto* pButtons = new QDialogButtonBox(this);
    pButtons->setObjectName(QStringLiteral("buttons"));
    m_btnOK = pButtons->addButton(QDialogButtonBox::Ok);
    m_btnOK->setText(QStringLiteral("OK"));
    m_btnOK->setObjectName(QStringLiteral("btnOK"));
    m_btnOK->setAccessibleName(QStringLiteral("OK"));
    m_btnOK->setDefault(true);
    QPushButton* pCancel = pButtons->addButton(QDialogButtonBox::Cancel);
    pCancel->setText(QStringLiteral("Cancel"));
    pCancel->setObjectName(QStringLiteral("btnCancel"));
    pCancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &CPrintInfoDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CPrintInfoDlg::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pFormatBox);
    pLayout->addWidget(pItemsBox);
    pLayout->addWidget(m_checkShowViewer);
    pLayout->addWidget(pButtons);

    setTabOrder(m_radioLineBreaks, m_radioTabStops);
    QWidget* previous = m_radioTabStops;
    for (QCheckBox* pCheck : {m_checkAddress, m_checkCity, m_checkState, m_checkZip, m_checkCountry,
                              m_checkPhone, m_checkEmail, m_checkNotes, m_checkShowViewer}) {
        setTabOrder(previous, pCheck);
        previous = pCheck;
    }
    setTabOrder(previous, m_btnOK);
    setTabOrder(m_btnOK, pCancel);

    DoDataExchange(false);
}

void CPrintInfoDlg::DoDataExchange(bool bSave) {
    const std::pair<QCheckBox*, bool*> checks[] = {
        {m_checkAddress, &m_bAddress}, {m_checkCity, &m_bCity},
        {m_checkCountry, &m_bCountry}, {m_checkNotes, &m_bNotes},
        {m_checkPhone, &m_bPhone},     {m_checkState, &m_bState},
        {m_checkZip, &m_bZip},         {m_checkShowViewer, &m_bShowViewer},
        {m_checkEmail, &m_bEmail},
    };
    for (const auto& [pCheck, pValue] : checks) {
        if (bSave)
            *pValue = pCheck->isChecked();
        else
            pCheck->setChecked(*pValue);
    }
    if (bSave) {
        m_nFormat =
            m_radioTabStops->isChecked() ? CReportWriter::TabStops : CReportWriter::LineBreaks;
    } else {
        m_radioTabStops->setChecked(m_nFormat == CReportWriter::TabStops);
        m_radioLineBreaks->setChecked(m_nFormat != CReportWriter::TabStops);
    }
}

void CPrintInfoDlg::accept() {
    DoDataExchange(true);
    QDialog::accept();
}

CReportWriter::SOptions CPrintInfoDlg::Options() const {
    CReportWriter::SOptions options;
    options.bAddress = m_bAddress;
    options.bCity = m_bCity;
    options.bState = m_bState;
    options.bZip = m_bZip;
    options.bCountry = m_bCountry;
    options.bPhone = m_bPhone;
    options.bEmail = m_bEmail;
    options.bNotes = m_bNotes;
    options.nFormat = m_nFormat;
    return options;
}
