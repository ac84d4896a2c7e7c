#include "CHeadlessSync.h"

#include "CNotesLabel.h"
#include "CSyncSession.h"
#include "CVornDoc.h"
#include "ISecretStore.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cstdio>
#include <cstring>

const char* const CHeadlessSync::kPasswordVariable = "VELLOBY_SYNC_PASSWORD";

namespace {

void PrintTo(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// The URL given on the command line, or an invalid one when it is no http or https address
// with a host.
QUrl ParseUrl(const QString& text) {
    QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty() || !url.userInfo().isEmpty())
        return QUrl();
    return url;
}

} // namespace

bool CHeadlessSync::IsSyncCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sync") == 0 || std::strncmp(argv[i], "--sync=", 7) == 0)
            return true;
    }
    return false;
}

QString CHeadlessSync::UsageText() {
    return QStringLiteral(
        "Usage: velloby --sync FILE.vby [--url URL] [--user NAME]\n"
        "\n"
        "Syncs the contact file FILE.vby with its CardDAV address book without opening a\n"
        "window. The address book's URL and the user name are the ones kept beside the file\n"
        "in FILE.vby.sync; --url and --user replace them there. The password is read from\n"
        "the environment variable VELLOBY_SYNC_PASSWORD, else from the desktop's secret\n"
        "store. FILE.vby is saved when the sync changed it.\n"
        "\n"
        "Exit status: 0 when the file is synced; 1 when the sync failed (the reason goes to\n"
        "stderr, the file is left as it was); 2 for a mistake in the command line.\n");
}

bool CHeadlessSync::ParseArguments(const QStringList& arguments, Options& options,
                                   QString* pError) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption file(QStringLiteral("sync"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption url(QStringLiteral("url"), QString(), QStringLiteral("URL"));
    const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("NAME"));
    parser.addOptions({file, url, user});
    if (!parser.parse(arguments)) {
        *pError = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *pError = QStringLiteral("Unexpected argument '%1'.")
                      .arg(parser.positionalArguments().constFirst());
        return false;
    }
    for (const QCommandLineOption* pOption : {&file, &url, &user}) {
        if (parser.values(*pOption).size() > 1) {
            *pError = QStringLiteral("--%1 is given more than once.").arg(pOption->names()[0]);
            return false;
        }
    }
    options.strFile = parser.value(file);
    if (options.strFile.isEmpty()) {
        *pError = QStringLiteral("--sync needs the contact file to sync.");
        return false;
    }
    if (parser.isSet(url)) {
        options.strUrl = parser.value(url).trimmed();
        if (!ParseUrl(options.strUrl).isValid()) {
            *pError = QStringLiteral("--url takes the http or https address of the address book "
                                     "or of the server, not '%1'.")
                          .arg(parser.value(url));
            return false;
        }
    }
    if (parser.isSet(user)) {
        options.strUser = parser.value(user).trimmed();
        if (options.strUser.isEmpty()) {
            *pError = QStringLiteral("--user needs the user name.");
            return false;
        }
    }
    return true;
}

bool CHeadlessSync::Sync(const Options& options, QString* pError, CSyncResult* pResult) {
    const QString path = QFileInfo(options.strFile).absoluteFilePath();
    const QString shown = QDir::toNativeSeparators(options.strFile);
    CNotesLabel label;
    CVornDoc doc(label);
    QString error;
    if (!doc.OnOpenDocument(path, &error)) {
        *pError = error.isEmpty() ? QStringLiteral("Cannot read \"%1\".").arg(shown) : error;
        return false;
    }
    doc.SetPathName(path);

    CSyncAccount account;
    const bool bKnown = CSyncSession::LoadAccount(path, account);
    if (!options.strUrl.isEmpty()) {
        const QUrl url = ParseUrl(options.strUrl);
        // A confirmation of plain http was given for the URL it was given for.
        if (url != account.url)
            account.bPlainHttpConfirmed = false;
        account.url = url;
    }
    if (!options.strUser.isEmpty())
        account.strUser = options.strUser;
    if ((!bKnown && options.strUrl.isEmpty()) || account.url.isEmpty()) {
        *pError = QStringLiteral("\"%1\" has no address book to sync with yet: give --url and "
                                 "--user, or set one up with File > Synchronize... in Velloby.")
                      .arg(shown);
        return false;
    }
    if (account.strUser.isEmpty()) {
        *pError = QStringLiteral("No user name is known for %1: give --user.")
                      .arg(account.url.toString());
        return false;
    }
    if (!options.strUrl.isEmpty() || !options.strUser.isEmpty()) {
        if (!CSyncSession::SaveAccount(path, account, &error)) {
            *pError = QStringLiteral("The sync settings were not stored. %1").arg(error);
            return false;
        }
    }

    if (qEnvironmentVariableIsSet(kPasswordVariable)) {
        account.strPassword = qEnvironmentVariable(kPasswordVariable);
    } else {
        const QString key = ISecretStore::SyncKey(account.url.toString(), account.strUser);
        if (ISecretStore::Instance().Read(key, account.strPassword) !=
            ISecretStore::Status::Found) {
            *pError = QStringLiteral("No password for %1 at %2: set %3, or keep it in the "
                                     "secret store with File > Synchronize... in Velloby.")
                          .arg(account.strUser, account.url.host(),
                               QString::fromLatin1(kPasswordVariable));
            return false;
        }
    }

    const CSyncResult result = CSyncSession::RunBlocking(doc, path, account);
    const QString password = account.strPassword;
    account.strPassword.fill(QLatin1Char(' '));
    *pResult = result;
    if (!result.bOk) {
        QString reason = result.Summary();
        // However the reason was made, the password is not printed (a password of one or two
        // characters would only garble the text, and says little on its own).
        if (password.size() > 2)
            reason.replace(password, QStringLiteral("********"));
        *pError = reason;
        return false;
    }
    if (result.bDocumentChanged && !doc.OnSaveDocument(path, &error)) {
        *pError = error.isEmpty() ? QStringLiteral("Cannot save \"%1\".").arg(shown) : error;
        return false;
    }
    return true;
}

int CHeadlessSync::Run(const QStringList& arguments) {
    Options options;
    QString error;
    if (!ParseArguments(arguments, options, &error)) {
        PrintTo(stderr, QStringLiteral("velloby: %1\n\n%2").arg(error, UsageText()));
        return UsageError;
    }
    CSyncResult result;
    if (!Sync(options, &error, &result)) {
        PrintTo(stderr, QStringLiteral("velloby: %1\n").arg(error));
        return Failed;
    }
    PrintTo(stdout, QStringLiteral("velloby: %1\n").arg(result.Summary()));
    return Synced;
}
