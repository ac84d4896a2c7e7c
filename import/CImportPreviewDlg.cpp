#include "CImportPreviewDlg.h"

#include "CContactPreviewModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

template <typename T> T* Named(T* widget, const char* name, const QString& accessible) {
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

} // namespace

CImportPreviewDlg::CImportPreviewDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("importPreviewDlg"));
    setAccessibleName(QStringLiteral("Contacts to import"));
    setWindowTitle(QStringLiteral("Contacts to import"));

    const QString introText = QStringLiteral(
        "The file says what each value is, so every value goes to its own field. Check the "
        "contacts below, then choose Next to save them. To split the lines and map the fields "
        "yourself, choose Map by Hand.");
    auto* intro = Named(new QLabel(introText, this), "introLabel", introText);
    intro->setWordWrap(true);

    m_labelFile = Named(new QLabel(this), "fileLabel", QStringLiteral("File name"));
    m_labelFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_labelFormat = Named(new QLabel(this), "formatLabel", QStringLiteral("Kind of file"));

    auto* listLabel = Named(new QLabel(QStringLiteral("&Contacts as they will be written:"), this),
                            "contactsLabel", QStringLiteral("Contacts as they will be written"));
    m_pModel = new CContactPreviewModel(this);
    m_listContacts = Named(new QTreeView(this), "contactsList",
                           QStringLiteral("Contacts as they will be written"));
    m_listContacts->setModel(m_pModel);
    m_listContacts->setRootIsDecorated(false);
    m_listContacts->setUniformRowHeights(true);
    m_listContacts->setAlternatingRowColors(true);
    m_listContacts->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listContacts->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listContacts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listContacts->header()->setStretchLastSection(true);
    m_listContacts->setMinimumSize(680, 240);
    listLabel->setBuddy(m_listContacts);

    m_labelCount = Named(new QLabel(this), "countLabel", QStringLiteral("Number of contacts"));
    m_labelLeftOut = Named(new QLabel(this), "leftOutLabel", QStringLiteral("What is left out"));
    m_labelLeftOut->setWordWrap(true);
    m_labelLeftOut->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_btnMapByHand = Named(new QPushButton(QStringLiteral("Map by &Hand..."), this),
                           "mapByHandButton", QStringLiteral("Map by Hand"));
    m_btnMapByHand->setAutoDefault(false);
    m_btnNext = Named(new QPushButton(QStringLiteral("&Next  >>"), this), "nextButton",
                      QStringLiteral("Next"));
    m_btnNext->setDefault(true);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_labelFile, 1);
    fileRow->addWidget(m_labelFormat);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnMapByHand);
    buttons->addStretch();
    buttons->addWidget(m_btnNext);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(fileRow);
    layout->addWidget(listLabel);
    layout->addWidget(m_listContacts, 1);
    layout->addWidget(m_labelCount);
    layout->addWidget(m_labelLeftOut);
    layout->addLayout(buttons);

    setTabOrder(m_listContacts, m_btnMapByHand);
    setTabOrder(m_btnMapByHand, m_btnNext);

    connect(m_btnNext, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnMapByHand, &QPushButton::clicked, this, [this] { done(MapByHand); });
}

QString CImportPreviewDlg::CountText(qsizetype count) {
    if (count == 1)
        return QStringLiteral("1 contact will be written.");
    return QStringLiteral("%1 contacts will be written.")
        .arg(QLocale(QLocale::English).toString(static_cast<qlonglong>(count)));
}

QString CImportPreviewDlg::FormatText(EContactFormat format) {
    switch (format) {
    case EContactFormat::VCard:
        return QStringLiteral("vCard file");
    case EContactFormat::Csv:
        return QStringLiteral("CSV file with a header row");
    default:
        return QStringLiteral("Delimited text");
    }
}

void CImportPreviewDlg::SetContacts(const QString& fileName,
                                    const CContactReader::Result* pResult) {
    m_labelFile->setText(fileName);
    m_labelFormat->setText(pResult ? FormatText(pResult->format) : QString());
    m_pModel->SetPeople(pResult ? &pResult->people : nullptr);
    m_labelCount->setText(CountText(pResult ? qsizetype(pResult->people.size()) : 0));
    const QStringList leftOut = pResult ? pResult->report.Summary() : QStringList();
    m_labelLeftOut->setText(leftOut.isEmpty() ? QStringLiteral("Nothing in the file is left out.")
                                              : leftOut.join(QLatin1Char('\n')));
    // Fixed widths: measuring tens of thousands of rows would keep the page from opening.
    const int em = m_listContacts->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    m_listContacts->header()->resizeSection(CContactPreviewModel::ColName, 14 * em);
    m_listContacts->header()->resizeSection(CContactPreviewModel::ColEmail, 14 * em);
    m_listContacts->header()->resizeSection(CContactPreviewModel::ColPhone, 12 * em);
}

int CImportPreviewDlg::RunModal() {
    m_listContacts->setFocus();
    if (m_pModel->rowCount() > 0)
        m_listContacts->setCurrentIndex(m_pModel->index(0, 0));
    return exec();
}
