#include "CImportParamsDlg.h"

#include "CFieldSplitter.h"
#include "CPreviewModel.h"
#include "CStartRowSpin.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
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

CImportParamsDlg::CImportParamsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("importParamsDlg"));
    setAccessibleName(QStringLiteral("Specify parameters for import"));
    setWindowTitle(QStringLiteral("Specify parameters for import"));

    auto* intro = Named(new QLabel(QStringLiteral("Specify the input format of the file."), this),
                        "introLabel", QStringLiteral("Specify the input format of the file."));

    const QString groupText =
        QStringLiteral("Delimiters (check all that apply - if city stat and zip are not "
                       "delimited, check below");
    auto* group = Named(new QGroupBox(groupText, this), "delimitersGroup", groupText);
    auto makeCheck = [&](const QString& text, const char* name) {
        return Named(new QCheckBox(text, group), name, Plain(text));
    };
    m_checkTab = makeCheck(QStringLiteral("&Tab"), "tabCheck");
    m_checkSemicolon = makeCheck(QStringLiteral("&Semicolon"), "semicolonCheck");
    m_checkComma = makeCheck(QStringLiteral("&Comma"), "commaCheck");
    m_checkSpace = makeCheck(QStringLiteral("Sp&ace"), "spaceCheck");
    m_checkOther = makeCheck(QStringLiteral("&Other:"), "otherCheck");
    m_editOther = Named(new QLineEdit(group), "otherCharEdit", QStringLiteral("Other delimiter"));
    m_editOther->setMaxLength(1);
    m_editOther->setMaximumWidth(
        m_editOther->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 3 + 12);
    auto* groupLayout = new QGridLayout(group);
    groupLayout->addWidget(m_checkTab, 0, 0);
    groupLayout->addWidget(m_checkSemicolon, 0, 1);
    groupLayout->addWidget(m_checkComma, 0, 2);
    groupLayout->addWidget(m_checkSpace, 1, 0);
    auto* otherRow = new QHBoxLayout;
    otherRow->addWidget(m_checkOther);
    otherRow->addWidget(m_editOther);
    otherRow->addStretch();
    groupLayout->addLayout(otherRow, 1, 1, 1, 2);

    const QString quotesText = QStringLiteral("Fields may be in &quotes");
    m_checkQuotes = Named(new QCheckBox(quotesText, this), "quotesCheck", Plain(quotesText));

    const QString oneLineText = QStringLiteral("City, state and &ZIP are on one line (Important!)");
    m_checkOneLine = Named(new QCheckBox(oneLineText, this), "oneLineCheck", Plain(oneLineText));

    auto* startLabel = Named(new QLabel(QStringLiteral("Start Import at row"), this),
                             "startRowLabel", QStringLiteral("Start Import at row"));
    m_spinStartRow =
        Named(new CStartRowSpin(this), "startRowSpin", QStringLiteral("Start Import at row"));
    startLabel->setBuddy(m_spinStartRow);

    auto* previewLabel = Named(new QLabel(QStringLiteral("Preview of file"), this), "previewLabel",
                               QStringLiteral("Preview of file"));
    m_labelFile = Named(new QLabel(this), "fileLabel", QStringLiteral("File name"));
    m_labelFile->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_preview = new CPreviewModel(this);
    m_listPreview = Named(new QTreeView(this), "previewList", QStringLiteral("Preview of file"));
    m_listPreview->setModel(m_preview);
    m_listPreview->setRootIsDecorated(false);
    m_listPreview->setUniformRowHeights(true);
    m_listPreview->setSelectionMode(QAbstractItemView::NoSelection);
    m_listPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listPreview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_listPreview->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_listPreview->header()->setStretchLastSection(false);
    m_listPreview->header()->setSectionResizeMode(0, QHeaderView::Fixed);
    m_listPreview->header()->resizeSection(
        0, m_listPreview->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    m_listPreview->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_listPreview->setMinimumSize(560, 180);

    m_btnNext = Named(new QPushButton(QStringLiteral("&Next  >>"), this), "nextButton",
                      QStringLiteral("Next"));
    m_btnNext->setDefault(true);

    auto* startRow = new QHBoxLayout;
    startRow->addWidget(startLabel);
    startRow->addWidget(m_spinStartRow);
    startRow->addStretch();
    auto* previewRow = new QHBoxLayout;
    previewRow->addWidget(previewLabel);
    previewRow->addWidget(m_labelFile, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnNext);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(group);
    layout->addWidget(m_checkQuotes);
    layout->addWidget(m_checkOneLine);
    layout->addLayout(startRow);
    layout->addLayout(previewRow);
    layout->addWidget(m_listPreview, 1);
    layout->addLayout(buttons);

    setTabOrder(m_checkTab, m_checkSemicolon);
    setTabOrder(m_checkSemicolon, m_checkComma);
    setTabOrder(m_checkComma, m_checkSpace);
    setTabOrder(m_checkSpace, m_checkOther);
    setTabOrder(m_checkOther, m_editOther);
    setTabOrder(m_editOther, m_checkQuotes);
    setTabOrder(m_checkQuotes, m_checkOneLine);
    setTabOrder(m_checkOneLine, m_spinStartRow);
    setTabOrder(m_spinStartRow, m_listPreview);
    setTabOrder(m_listPreview, m_btnNext);

    connect(m_checkOther, &QCheckBox::clicked, this, &CImportParamsDlg::OnOther);
    connect(m_btnNext, &QPushButton::clicked, this, &CImportParamsDlg::OnNext);
}

int CImportParamsDlg::RunModal() {
    OnInitDialog();
    return exec();
}

void CImportParamsDlg::OnInitDialog() {
    m_spinStartRow->SetRange(1, qMax<int>(1, static_cast<int>(m_lines.size())));
    m_preview->SetLines(&m_lines);
    m_strStartRow = QStringLiteral("1");
    UpdateData(false);
    // The character box opens disabled, even with "Other" ticked; clicking "Other" enables it.
    m_editOther->setEnabled(false);
    m_checkTab->setFocus();
}

void CImportParamsDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_strStartRow = m_spinStartRow->Text().left(CStartRowSpin::kMaxLength);
        m_bTab = m_checkTab->isChecked();
        m_bSemicolon = m_checkSemicolon->isChecked();
        m_bComma = m_checkComma->isChecked();
        m_bSpace = m_checkSpace->isChecked();
        m_bOther = m_checkOther->isChecked();
        m_strOtherChar = m_editOther->text().left(1);
        m_bOneLine = m_checkOneLine->isChecked();
        m_bQuotes = m_checkQuotes->isChecked();
        return;
    }
    m_spinStartRow->SetText(m_strStartRow);
    m_labelFile->setText(m_strFileLabel);
    m_checkTab->setChecked(m_bTab);
    m_checkSemicolon->setChecked(m_bSemicolon);
    m_checkComma->setChecked(m_bComma);
    m_checkSpace->setChecked(m_bSpace);
    m_checkOther->setChecked(m_bOther);
    m_editOther->setText(m_strOtherChar);
    m_checkOneLine->setChecked(m_bOneLine);
    m_checkQuotes->setChecked(m_bQuotes);
}

QString CImportParamsDlg::BuildDelimiters() const {
    return CFieldSplitter::BuildDelimiters(m_bTab, m_bSemicolon, m_bComma, m_bSpace, m_bOther,
                                           m_strOtherChar);
}

void CImportParamsDlg::OnOther() {
    UpdateData(true);
    m_editOther->setEnabled(m_bOther);
    if (m_bOther)
        m_editOther->setFocus();
}

void CImportParamsDlg::OnNext() {
    UpdateData(true);
    accept();
}

void CImportParamsDlg::reject() {
    UpdateData(true);
    QDialog::reject();
}
