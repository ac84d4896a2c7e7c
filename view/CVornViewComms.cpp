// Mail to the shown entry, dialling one of its numbers, and starting the import program.
#include "CVornView.h"

#include "CDialPhoneDlg.h"
#include "IDesktopServices.h"
#include "IPrompt.h"

#include <QApplication>
#include <QCoreApplication>

namespace {

const QString kAppName = QStringLiteral("Velloby");

const QString kMailNoClient =
    QStringLiteral("The mail system could not be started: no mail program is set up on this "
                   "desktop. Install a mail program and make it the desktop's program for "
                   "e-mail, then try again.");
const QString kMailInvalid =
    QStringLiteral("The mail program set up on this desktop is not valid: it cannot take a new "
                   "message.");
const QString kMailFailed = QStringLiteral("Sending the message failed.");

const QString kImportNoResources = QStringLiteral("System is out of memory or resources");
const QString kImportNotFound = QStringLiteral(
    "File not found.  Make sure that the file \"import\" is in the same directory as the Velloby.");
const QString kImportFailed = QStringLiteral("An unknown error occurred.");

// What each telephony failure tells the user; other codes pass silently.
QString CallFailureText(int code) {
    switch (code) {
    case IDesktopServices::kCallNoHandler:
        return QStringLiteral("No recipient application is available to handle the request. The "
                              "user should start the recipient application and try again.");
    case IDesktopServices::kCallQueueFull:
        return QStringLiteral("A recipient application is active, but the request queue is full "
                              "or there is insufficient memory to expand the queue. The "
                              "application can try again later.");
    case IDesktopServices::kCallBadAddress:
        return QStringLiteral("The pointer to the destination address is not valid, is NULL, or "
                              "the destination address string is too long.");
    case IDesktopServices::kCallFailed:
        return QStringLiteral("The request failed for unspecified reasons");
    case IDesktopServices::kCallBadPointer:
        return QStringLiteral("The pointer does not reference a valid memory location. One or "
                              "more of the pointers lpszDestAddress, lpszAppName, "
                              "lpszCalledParty, or lpszComment have been specified but are "
                              "invalid.");
    default:
        return QString();
    }
}

struct CWaitCursor {
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace

void CVornView::OnSendMail() {
    // The E-mail field as typed, committed or not.
    ReadForm();
    IDesktopServices::MailResult result;
    {
        CWaitCursor wait;
        result = IDesktopServices::Instance().SendMail(window(), m_strEmail);
    }
    switch (result) {
    case IDesktopServices::MailNoClient:
        IPrompt::Message(this, kMailNoClient, IPrompt::Warning);
        return;
    case IDesktopServices::MailClientInvalid:
        IPrompt::Message(this, kMailInvalid, IPrompt::Warning);
        return;
    case IDesktopServices::MailFailed:
        IPrompt::Message(this, kMailFailed, IPrompt::Warning);
        break;
    case IDesktopServices::MailSent:
    case IDesktopServices::MailCancelled:
        break;
    }
    FocusName();
}

void CVornView::OnDial() {
    // The Phone field as typed, committed or not.
    ReadForm();
    const QStringList numbers = CDialPhoneDlg::NumbersFromPhone(m_strPhone);
    if (numbers.isEmpty())
        return;
    CDialPhoneDlg dlg(window());
    dlg.m_numbers = numbers;
    if (dlg.exec() == QDialog::Accepted) {
        const int code =
            IDesktopServices::Instance().MakeCall(dlg.m_strNumber, kAppName, m_strName, QString());
        const QString failure = CallFailureText(code);
        if (!failure.isEmpty())
            IPrompt::Message(this, failure, IPrompt::Warning);
    }
    FocusName();
}

QString CVornView::ImportProgram() {
    // Always the import program beside this one: a bare "import" looked up in PATH is often an
    // unrelated screenshot tool.
    return QCoreApplication::applicationDirPath() + QStringLiteral("/import");
}

void CVornView::OnImport() {
    const int result = IDesktopServices::Instance().StartProgram(ImportProgram(), {});
    if (result > 31)
        return;
    const QString text = result == IDesktopServices::kStartNoResources ? kImportNoResources
                         : result == IDesktopServices::kStartNotFound  ? kImportNotFound
                                                                       : kImportFailed;
    IPrompt::Message(this, text, IPrompt::Warning);
}
