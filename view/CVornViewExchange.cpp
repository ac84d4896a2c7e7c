// Exchange with other contact programs: File > Export... writes the entries as vCard or CSV,
// File > Add From File... adds the entries of a contact, vCard or CSV file to the open document.
#include "CVornView.h"

#include "CAddFromFile.h"
#include "CCsvWriter.h"
#include "CExportDlg.h"
#include "CPeopleListModel.h"
#include "CSafeFile.h"
#include "CVCardWriter.h"
#include "CVornDoc.h"
#include "CommandIds.h"
#include "IFileDialogs.h"
#include "IPrompt.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMainWindow>
#include <QStatusBar>

namespace {

const QString kAddFilter =
    QStringLiteral("Contact Files (*.vby *.vcf *.vcard *.csv);;Velloby Files (*.vby);;vCard "
                   "Files (*.vcf *.vcard);;CSV Files (*.csv);;All Files (*)");

struct CWaitCursor {
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

// Shows `text` in the status bar of the main window the form sits in, if any.
void ShowStatus(QWidget* pView, const QString& text) {
    if (auto* pFrame = qobject_cast<QMainWindow*>(pView->window()))
        pFrame->statusBar()->showMessage(text);
}

QString Number(qsizetype n) {
    return QLocale(QLocale::English).toString(static_cast<qlonglong>(n));
}

} // namespace

void CVornView::ConnectExchangeCommands(const QHash<int, QAction*>& actions) {
    const std::pair<int, void (CVornView::*)()> commands[] = {
        {CommandId::FileExport, &CVornView::OnExport},
        {CommandId::FileAddFromFile, &CVornView::OnAddFromFile},
    };
    for (const auto& [id, handler] : commands) {
        QAction* pAction = actions.value(id);
        if (!pAction)
            continue;
        pAction->setEnabled(true);
        connect(pAction, &QAction::triggered, this, handler);
    }
}

void CVornView::OnExport() {
    CExportDlg dlg(window());
    if (dlg.exec() != QDialog::Accepted) {
        FocusName();
        return;
    }
    // The suggested name: the contact file's own, or "contacts", with the format's suffix.
    const QString suffix = CExportDlg::Suffix(dlg.m_nFormat);
    const QString docPath = m_doc.GetPathName();
    const QString suggested =
        docPath.isEmpty() ? QStringLiteral("contacts.") + suffix
                          : QFileInfo(docPath).absoluteDir().filePath(
                                QFileInfo(docPath).completeBaseName() + QLatin1Char('.') + suffix);
    const QString path = IFileDialogs::Instance().GetSaveFileName(
        this, QStringLiteral("Export"), suggested, CExportDlg::Filter(dlg.m_nFormat), suffix);
    if (path.isEmpty()) {
        FocusName();
        return;
    }

    // All entries in the file's order, or the lines of the people list as shown.
    std::vector<const CPerson*> people;
    if (dlg.m_bShownOnly) {
        people.reserve(size_t(m_pPeopleModel->Count()));
        for (int row = 0; row < m_pPeopleModel->Count(); ++row)
            people.push_back(m_pPeopleModel->PersonAt(row));
    } else {
        people.reserve(m_doc.m_personList.size());
        for (const auto& pPerson : m_doc.m_personList)
            people.push_back(pPerson.get());
    }
    QString error;
    bool bWritten;
    {
        CWaitCursor wait;
        const QByteArray bytes =
            dlg.m_nFormat == CExportDlg::Csv
                ? CCsvWriter::Write(people)
                : CVCardWriter::Write(people, dlg.m_nFormat == CExportDlg::VCard30
                                                  ? CVCardWriter::Version::V30
                                                  : CVCardWriter::Version::V40);
        bWritten = CSafeFile::Write(path, bytes, &error);
    }
    if (!bWritten) {
        IPrompt::Message(this, QStringLiteral("The entries were not exported. %1").arg(error),
                         IPrompt::Critical);
        FocusName();
        return;
    }
    ShowStatus(this,
               people.size() == 1
                   ? QStringLiteral("Exported 1 entry to %1").arg(QDir::toNativeSeparators(path))
                   : QStringLiteral("Exported %1 entries to %2")
                         .arg(Number(qsizetype(people.size())), QDir::toNativeSeparators(path)));
    FocusName();
}

void CVornView::OnAddFromFile() {
    const QString dir =
        m_doc.GetPathName().isEmpty() ? QString() : QFileInfo(m_doc.GetPathName()).absolutePath();
    const QString path = IFileDialogs::Instance().GetOpenFileName(
        this, QStringLiteral("Add From File"), dir, kAddFilter);
    if (path.isEmpty()) {
        FocusName();
        return;
    }
    // The lists are rebuilt afterwards, which drops what the form holds but has not stored.
    ReadForm();
    if (m_bChanged &&
        IPrompt::Ask(this,
                     QStringLiteral("The entry in the form has changes that are not stored. "
                                    "Adding entries from a file rebuilds the lists and drops "
                                    "these changes. Add the entries all the same?"),
                     IPrompt::YesNo) != IPrompt::AnswerYes) {
        FocusName();
        return;
    }

    CAddFromFile::SRead read;
    QString error;
    CAddFromFile::SAdded added;
    {
        CWaitCursor wait;
        if (CAddFromFile::ReadFile(path, read, &error))
            added = AddNewEntries(std::move(read.people));
    }
    if (!error.isEmpty()) {
        IPrompt::Message(this, error, IPrompt::Warning);
        FocusName();
        return;
    }
    if (added.bTooMany) {
        IPrompt::Message(this, CAddFromFile::TooManyText(added), IPrompt::Warning);
        FocusName();
        return;
    }
    const QString status = CAddFromFile::StatusText(added);
    ShowStatus(this, status);
    // What the contact file has no place for is told, not dropped silently.
    const QStringList leftOut = read.report.Summary();
    if (!leftOut.isEmpty())
        IPrompt::Message(this, status + QStringLiteral(".\n\n") + leftOut.join(QLatin1Char('\n')),
                         IPrompt::Information);
    FocusName();
}

CAddFromFile::SAdded CVornView::AddNewEntries(std::vector<CPerson> people) {
    CAddFromFile::SAdded added = CAddFromFile::AddEntries(m_doc, std::move(people));
    if (added.bTooMany || (added.added.empty() && added.newGroups.isEmpty()))
        return added;
    m_undo.RecordAddEntries(added.nFirst, CUndoHistory::Kind::AddFromFile, added.newGroups.size());
    OnUpdate();
    m_doc.SetModifiedFlag();
    return added;
}
