#include "CExportDlg.h"

#include "COkCancelButtons.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* Named(T* widget, const char* name, const QString& accessible) {
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

QString Plain(const QString& text) {
    QString plain = text;
    return plain.remove(QLatin1Char('&'));
}

} // namespace

CExportDlg::CExportDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("exportDlg"));
    setAccessibleName(QStringLiteral("Export"));
    setWindowTitle(QStringLiteral("Export"));

    auto* formatGroup = Named(new QGroupBox(QStringLiteral("Format"), this), "formatGroup",
                              QStringLiteral("Format"));
    auto radio = [](QWidget* parent, const QString& text, const char* name) {
        return Named(new QRadioButton(text, parent), name, Plain(text));
    };
    m_radioVCard40 = radio(formatGroup, QStringLiteral("vCard &4.0"), "vcard40Radio");
    m_radioVCard30 =
        radio(formatGroup, QStringLiteral("vCard &3.0 (for older programs)"), "vcard30Radio");
    m_radioCsv = radio(formatGroup, QStringLiteral("&CSV (comma-separated values)"), "csvRadio");
    auto* formatLayout = new QVBoxLayout(formatGroup);
    formatLayout->addWidget(m_radioVCard40);
    formatLayout->addWidget(m_radioVCard30);
    formatLayout->addWidget(m_radioCsv);

    auto* scopeGroup = Named(new QGroupBox(QStringLiteral("Entries"), this), "scopeGroup",
                             QStringLiteral("Entries"));
    m_radioAll = radio(scopeGroup, QStringLiteral("&All entries of the file"), "allRadio");
    m_radioShown =
        radio(scopeGroup, QStringLiteral("Only the entries the list &shows"), "shownRadio");
    auto* scopeLayout = new QVBoxLayout(scopeGroup);
    scopeLayout->addWidget(m_radioAll);
    scopeLayout->addWidget(m_radioShown);

    QDialogButtonBox* buttons = COkCancelButtons::Create(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(formatGroup);
    layout->addWidget(scopeGroup);
    layout->addWidget(buttons);

    m_radioVCard40->setChecked(true);
    m_radioAll->setChecked(true);
    m_radioVCard40->setFocus();
}

void CExportDlg::accept() {
    m_nFormat = m_radioCsv->isChecked() ? Csv : m_radioVCard30->isChecked() ? VCard30 : VCard40;
    m_bShownOnly = m_radioShown->isChecked();
    QDialog::accept();
}

QString CExportDlg::Suffix(int nFormat) {
    return nFormat == Csv ? QStringLiteral("csv") : QStringLiteral("vcf");
}

QString CExportDlg::Filter(int nFormat) {
    return nFormat == Csv ? QStringLiteral("CSV Files (*.csv)")
                          : QStringLiteral("vCard Files (*.vcf *.vcard)");
}
