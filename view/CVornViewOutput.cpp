// The formatted report of the people list, and printing of the entry the form shows (print,
// preview and printer setup).
#include "CVornView.h"

#include "CFormPrinter.h"
#include "CPeopleListModel.h"
#include "CPrintInfoDlg.h"
#include "CReportWriter.h"
#include "CSafeFile.h"
#include "CommandIds.h"
#include "IDesktopServices.h"
#include "IFileDialogs.h"
#include "IPrompt.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

const QString kReportFileName = QStringLiteral("export.txt");
const QString kReportFilter = QStringLiteral("Text Files (*.txt)");
const QString kReportSuffix = QStringLiteral("txt");
// The desktop's default program for the finished report.
const QString kTextViewer = QStringLiteral("xdg-open");

struct CWaitCursor {
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

void CVornView::ConnectOutputCommands(const QHash<int, QAction*>& actions) {
    const std::pair<int, void (CVornView::*)()> commands[] = {
        {CommandId::FileFormattedReport, &CVornView::OnFormattedReport},
        {CommandId::FilePrint, &CVornView::OnFilePrint},
        {CommandId::FilePrintPreview, &CVornView::OnFilePrintPreview},
        {CommandId::FilePrintSetup, &CVornView::OnFilePrintSetup},
        {CommandId::FileImport, &CVornView::OnImport},
    };
    for (const auto& [id, handler] : commands) {
        QAction* pAction = actions.value(id);
        if (!pAction)
            continue;
        // These commands are always available.
        pAction->setEnabled(true);
        connect(pAction, &QAction::triggered, this, handler);
    }
}

// ---------------------------------------------------------------------------------------------
// The formatted report

void CVornView::OnFormattedReport() {
    CPrintInfoDlg dlg(window());
    const bool bOptions = dlg.exec() == QDialog::Accepted;
    // The file is asked for whatever the first dialog returned.
    const QString path = IFileDialogs::Instance().GetSaveFileName(
        this, QStringLiteral("Save As"), kReportFileName, kReportFilter, kReportSuffix);
    if (!bOptions || path.isEmpty()) {
        FocusName();
        return;
    }

    // The lines of the people list as shown, first to last, selected or not.
    std::vector<CPerson*> people;
    people.reserve(size_t(m_pPeopleModel->Count()));
    for (int row = 0; row < m_pPeopleModel->Count(); ++row)
        people.push_back(m_pPeopleModel->PersonAt(row));

    // The whole report is built, then written through a temporary file that replaces the old
    // one only once it is complete and on disk: a full disk leaves the old report as it was.
    bool bWritten;
    CSafeFile::SFailure failure;
    {
        CWaitCursor wait;
        CReportWriter writer(dlg.Options());
        bWritten = CSafeFile::Write(path, writer.Build(people), &failure);
    }
    if (!bWritten) {
        QString text = failure.nStep == CSafeFile::Step::Create
                           ? QStringLiteral("Cannot create the report file \"%1\": %2.")
                           : QStringLiteral("Writing the report file \"%1\" failed: %2.");
        text = text.arg(Native(path), failure.strReason);
        if (failure.bOldFileKept)
            text += QStringLiteral(" The file on disk was left as it was.");
        IPrompt::Message(this, text, IPrompt::Critical);
        FocusName();
        return;
    }

    if (dlg.m_bShowViewer)
        IDesktopServices::Instance().StartProgram(kTextViewer,
                                                  {QFileInfo(path).absoluteFilePath()});
    FocusName();
}

// ---------------------------------------------------------------------------------------------
// Printing

QPrinter& CVornView::Printer() {
    // One printer for the form's lifetime, so the setup carries over to the next print.
    if (!m_pPrinter)
        m_pPrinter = std::make_shared<QPrinter>(QPrinter::HighResolution);
    return *m_pPrinter;
}

QStringList CVornView::PrintedLines() {
    // What the form shows, committed or not.
    ReadForm();
    CFormPrinter::SEntry entry;
    entry.strName = m_strName;
    entry.strAddress = m_strAddress;
    entry.strCity = m_strCity;
    entry.strState = m_strState;
    entry.strZip = m_strZip;
    entry.strCountry = m_strCountry;
    entry.strPhone = m_strPhone;
    entry.strEmail = m_strEmail;
    entry.strNotes = m_strNotes;
    return CFormPrinter::Lines(entry);
}

bool CVornView::PrintEntry(QPrinter& printer) {
    if (CFormPrinter::Print(printer, PrintedLines()))
        return true;
    const QString file = printer.outputFileName();
    IPrompt::Message(this,
                     file.isEmpty()
                         ? QStringLiteral("The entry could not be printed: the printer \"%1\" "
                                          "cannot be reached.")
                               .arg(printer.printerName())
                         : QStringLiteral("The entry could not be printed to \"%1\": the file "
                                          "cannot be written.")
                               .arg(Native(file)),
                     IPrompt::Critical);
    return false;
}

void CVornView::OnFilePrint() {
    QPrinter& printer = Printer();
    QPrintDialog dlg(&printer, window());
    dlg.setObjectName(QStringLiteral("printDialog"));
    dlg.setAccessibleName(QStringLiteral("Print"));
    // The entry always fills one page: page 1 is the only one offered.
    dlg.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                   QAbstractPrintDialog::PrintShowPageSize);
    dlg.setMinMax(1, 1);
    dlg.setFromTo(1, 1);
    if (dlg.exec() == QDialog::Accepted)
        PrintEntry(printer);
    FocusName();
}

void CVornView::OnFilePrintPreview() {
    QPrintPreviewDialog preview(&Printer(), window());
    preview.setObjectName(QStringLiteral("printPreviewDialog"));
    preview.setAccessibleName(QStringLiteral("Print Preview"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* pPrinter) { CFormPrinter::Print(*pPrinter, PrintedLines()); });
    preview.exec();
    FocusName();
}

void CVornView::OnFilePrintSetup() {
    QPageSetupDialog dlg(&Printer(), window());
    dlg.setObjectName(QStringLiteral("printSetupDialog"));
    dlg.setAccessibleName(QStringLiteral("Print Setup"));
    dlg.exec();
}
