#include "CDesktopServices.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

IDesktopServices::MailResult CDesktopServices::SendMail(QWidget*, const QString& recipient) {
    // The recipient goes as typed; the mail client resolves it.
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(recipient);
    return QDesktopServices::openUrl(url) ? MailSent : MailNoClient;
}

int CDesktopServices::MakeCall(const QString& number, const QString&, const QString&,
                               const QString&) {
    if (number.isEmpty())
        return kCallBadAddress;
    QUrl url;
    url.setScheme(QStringLiteral("tel"));
    url.setPath(number);
    return QDesktopServices::openUrl(url) ? kCallPlaced : kCallNoHandler;
}

int CDesktopServices::StartProgram(const QString& program, const QStringList& arguments) {
    // A program named with a folder must exist there; a bare name is looked up in PATH.
    if (program.contains('/') && !QFileInfo(program).isExecutable())
        return kStartNotFound;
    return QProcess::startDetached(program, arguments) ? kStarted : kStartFailed;
}

namespace {
IDesktopServices* g_pServices = nullptr;
} // namespace

IDesktopServices& IDesktopServices::Instance() {
    if (g_pServices)
        return *g_pServices;
    static CDesktopServices desktop;
    return desktop;
}

void IDesktopServices::SetInstance(IDesktopServices* services) {
    g_pServices = services;
}
