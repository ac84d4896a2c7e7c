#include "CImportView.h"

#include "CFieldSplitter.h"
#include "CImportDoc.h"
#include "CImportMapDlg.h"
#include "CImportParamsDlg.h"
#include "CImportPreviewDlg.h"
#include "CImportProgressDlg.h"
#include "CLineReader.h"
#include "CTextDecoder.h"
#include "IFileDialogs.h"
#include "IPrompt.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>

namespace {

template <typename T> T* Named(T* widget, const char* name, const QString& accessible) {
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

struct CWaitCursor {
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
};

bool IsImportableFile(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

} // namespace

CImportView::CImportView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("importView"));
    setAccessibleName(QStringLiteral("Import"));

    const QString introText = QStringLiteral(
        "The Velloby can import any delimited text file.  Use the following screens to specify "
        "the input format of the file to be imported.");
    auto* intro = Named(new QLabel(introText, this), "introLabel", introText);
    intro->setWordWrap(true);
    auto* chooseLabel = Named(new QLabel(QStringLiteral("Choose the file to import"), this),
                              "chooseLabel", QStringLiteral("Choose the file to import"));
    m_editFileName =
        Named(new QLineEdit(this), "fileNameEdit", QStringLiteral("Choose the file to import"));
    m_editFileName->setMinimumWidth(300);
    chooseLabel->setBuddy(m_editFileName);
    m_btnBrowse = Named(new QPushButton(QStringLiteral("&Browse..."), this), "browseButton",
                        QStringLiteral("Browse"));
    m_btnNext = Named(new QPushButton(QStringLiteral("&Next  >>"), this), "nextButton",
                      QStringLiteral("Next"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(intro, 0, 0, 1, 2);
    layout->addWidget(chooseLabel, 1, 0, 1, 2);
    layout->addWidget(m_editFileName, 2, 0);
    layout->addWidget(m_btnBrowse, 2, 1);
    layout->addWidget(m_btnNext, 3, 1);
    layout->setRowStretch(4, 1);
    setTabOrder(m_editFileName, m_btnBrowse);
    setTabOrder(m_btnBrowse, m_btnNext);

    m_paramsDlg = new CImportParamsDlg(this);
    m_mapDlg = new CImportMapDlg(this);
    m_previewDlg = new CImportPreviewDlg(this);

    connect(m_editFileName, &QLineEdit::textChanged, this, &CImportView::OnChangeFileName);
    connect(m_editFileName, &QLineEdit::returnPressed, this, [this] {
        if (m_btnNext->isEnabled())
            m_btnNext->click();
    });
    connect(m_btnBrowse, &QPushButton::clicked, this, &CImportView::OnBrowse);
    connect(m_btnNext, &QPushButton::clicked, this, [this] { OnNext(); });
    OnInitialUpdate();
}

CImportView::~CImportView() = default;

void CImportView::OnInitialUpdate() {
    m_bLinesRead = false;
    m_btnNext->setEnabled(false);
}

void CImportView::OnChangeFileName() {
    m_fileName = m_editFileName->text();
    m_btnNext->setEnabled(IsImportableFile(m_fileName));
}

void CImportView::OnBrowse() {
    const QString path = IFileDialogs::Instance().GetOpenFileName(
        this, QStringLiteral("Open"), QFileInfo(m_fileName).absolutePath(), QString());
    if (path.isEmpty())
        return;
    m_editFileName->setText(path);
    OnChangeFileName();
    if (m_btnNext->isEnabled())
        m_btnNext->setFocus();
}

QString CImportView::FileErrorMessage() const {
    return QStringLiteral("An error occurred accessing ") + m_fileName + QLatin1Char('.');
}

bool CImportView::ReadLines() {
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        IPrompt::Message(this, FileErrorMessage());
        return false;
    }
    // The lines are read once; a different file chosen after going back is read anew.
    if (!m_bLinesRead || m_strLinesFile != m_fileName) {
        CWaitCursor wait;
        QByteArray bytes;
        bool bRead = true;
        constexpr qint64 kChunk = 1 << 20;
        for (;;) {
            QByteArray chunk(kChunk, Qt::Uninitialized);
            const qint64 got = file.read(chunk.data(), kChunk);
            if (got < 0) {
                bRead = false;
                break;
            }
            if (got == 0)
                break;
            bytes.append(chunk.constData(), got);
        }
        // UTF-16 text is turned into UTF-8 first, and a UTF-8 byte-order mark is no part of the
        // first field. Other text is left as it is: the splitter reads a field that is not UTF-8
        // as Windows-1252.
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") ||
                 bytes.left(4096).contains('\0'))
            bytes = CTextDecoder::ToUtf8(bytes);
        m_paramsDlg->m_lines.clear();
        CLineReader reader(m_paramsDlg->m_lines);
        reader.Feed(bytes);
        // After a read error the complete lines read so far stay; a cut-off line does not.
        if (bRead)
            reader.Finish();
        m_paramsDlg->m_strFileLabel = m_fileName;
        m_paramsDlg->m_bQuotes = CFieldSplitter::HasQuotedFields(m_paramsDlg->m_lines);
        m_bLinesRead = true;
        m_strLinesFile = m_fileName;
        if (!bRead) {
            // The lines read before the error stay and are used.
            QApplication::restoreOverrideCursor();
            IPrompt::Message(this, FileErrorMessage());
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
        ReadContacts(bytes);
    }
    return true;
}

void CImportView::ReadContacts(const QByteArray& bytes) {
    m_bPreview = false;
    m_contacts = CContactReader::Result();
    const EContactFormat format = CContactReader::Detect(bytes);
    if (format != EContactFormat::VCard && format != EContactFormat::Csv)
        return;
    QString error;
    if (!CContactReader::Read(bytes, format, m_contacts, &error)) {
        m_contacts = CContactReader::Result();
        QApplication::restoreOverrideCursor();
        IPrompt::Message(this, error.isEmpty() ? FileErrorMessage() : error);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    m_previewDlg->SetContacts(m_fileName, &m_contacts);
    m_bPreview = true;
}

bool CImportView::BuildRecords() {
    CWaitCursor wait;
    const QString delimiters = m_paramsDlg->BuildDelimiters();
    const int startRow = CFieldSplitter::ParseStartRow(m_paramsDlg->m_strStartRow);
    m_mapDlg->m_nStartRow = startRow;
    m_mapDlg->m_bOneLine = m_paramsDlg->m_bOneLine;

    CImportProgressDlg progress(window());
    progress.SetRange(0, static_cast<int>(qMin<qsizetype>(m_paramsDlg->m_lines.size(), INT_MAX)));
    progress.SetStep(1);
    progress.Create();
    const CFieldSplitter splitter(delimiters);
    qsizetype plainFrom = 0;
    splitter.BuildRecords(
        m_paramsDlg->m_lines, startRow, m_paramsDlg->m_bQuotes, m_mapDlg->m_records,
        [&progress] { progress.StepIt(); }, &plainFrom);
    progress.Destroy();
    if (plainFrom > 0) {
        QApplication::restoreOverrideCursor();
        IPrompt::Message(this,
                         QStringLiteral("The quote opened in line %1 does not close within %2 "
                                        "lines, so the file is read as plain text from that line "
                                        "on: quote characters there are part of the fields.")
                             .arg(plainFrom)
                             .arg(CFieldSplitter::kMaxQuotedLines));
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }

    const QString problem = CImportDoc::CheckRecordCount(m_mapDlg->m_records, startRow);
    if (!problem.isEmpty()) {
        QApplication::restoreOverrideCursor();
        IPrompt::Message(this, problem);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_mapDlg->m_records.RemoveAll();
        return false;
    }
    return true;
}

bool CImportView::OnNext() {
    m_fileName = m_editFileName->text();
    if (!ReadLines())
        return false;
    bool bShowPreview = m_bPreview;
    for (;;) {
        if (bShowPreview) {
            const int result = m_previewDlg->RunModal();
            if (result == QDialog::Accepted) {
                if (!OnSaveContacts())
                    return false; // the save was cancelled: back on the first page
                emit closeRequested();
                return true;
            }
            if (result != CImportPreviewDlg::MapByHand)
                return false; // back on the first page
        }
        if (m_paramsDlg->RunModal() != QDialog::Accepted) {
            // Back to the page the user came from.
            if (m_bPreview) {
                bShowPreview = true;
                continue;
            }
            return false;
        }
        bShowPreview = false;
        if (!BuildRecords())
            continue; // nothing to map: the parameters page again
        if (m_mapDlg->RunModal() != QDialog::Accepted)
            continue; // the parameters page again, over the same lines
        if (!OnSaveOutput())
            return false; // the save was cancelled: back on the first page
        emit closeRequested();
        return true;
    }
}

bool CImportView::OnSaveOutput() {
    CImportDoc doc;
    doc.AddRecords(m_mapDlg->m_records);
    return SaveDocument(doc);
}

bool CImportView::OnSaveContacts() {
    CImportDoc doc;
    doc.m_personList.reserve(static_cast<qsizetype>(m_contacts.people.size()));
    QSet<QByteArray> groups;
    for (CPerson& person : m_contacts.people) {
        doc.m_personList.append(&person);
        for (const QByteArray& group : person.m_groups) {
            if (!groups.contains(group)) {
                groups.insert(group);
                doc.m_groupList.append(group);
            }
        }
    }
    return SaveDocument(doc);
}

bool CImportView::SaveDocument(const CImportDoc& doc) {
    for (;;) {
        const QString path = IFileDialogs::Instance().GetSaveFileName(
            this, QStringLiteral("Save As"), QStringLiteral("import.vby"),
            QStringLiteral("Velloby Files (*.vby)"), QStringLiteral("vby"));
        if (path.isEmpty())
            return false;
        QString error;
        if (doc.OnSaveDocument(path, &error))
            return true;
        // Nothing is lost: the records stay, and another file can be chosen.
        IPrompt::Message(this, error + QStringLiteral("\n\nChoose another file to save the "
                                                      "imported records in."));
    }
}
