#pragma once

#include <QString>
#include <QStringList>

struct CSyncResult;

// `velloby --sync FILE.vby [--url URL] [--user NAME]`: syncs a contact file with its CardDAV
// address book without opening a window, for a timer or cron. The password comes from
// VELLOBY_SYNC_PASSWORD, else from the desktop's secret store; it is never printed.
class CHeadlessSync {
public:
    // Exit codes.
    enum { Synced = 0, Failed = 1, UsageError = 2 };
    // The environment variable a script gives the password in.
    static const char* const kPasswordVariable;

    // Whether the command line (the program first) asks for a sync.
    static bool IsSyncCommandLine(int argc, char** argv);
    // Runs it; the reason for a failure, or the usage after a mistake, goes to stderr.
    static int Run(const QStringList& arguments);
    static QString UsageText();

    struct Options {
        QString strFile;
        // Empty when not given: the sidecar's are used.
        QString strUrl;
        QString strUser;
    };
    // False with `pError` set on a command-line mistake.
    static bool ParseArguments(const QStringList& arguments, Options& options, QString* pError);
    // Syncs; false with `pError` set when the file cannot be read, no address book or password
    // is known, the sync fails or the changed file cannot be saved. A failed sync leaves the
    // contact file as it was.
    static bool Sync(const Options& options, QString* pError, CSyncResult* pResult);
};
