#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The import without windows, for scripts and large files: reads, splits, maps automatically
// (or with the first record's mapping for all) and writes the contact file with the same code
// as the wizard.
class CBatchImport {
public:
    // Whether `arguments` (the program name first) ask for the batch import or its help.
    static bool IsBatchCommandLine(const QStringList& arguments);
    // Runs the command line; returns the exit code. Errors go to stderr, the summary to stdout.
    static int Run(const QStringList& arguments);
    // The --help text.
    static QString HelpText();

    struct Options {
        QString strInput;
        QString strOutput;
        bool bTab = true;
        bool bSemicolon = false;
        bool bComma = false;
        bool bSpace = false;
        bool bOther = false;
        QString strOtherChar;
        int nStartRow = 1;
        bool bOneLine = false;
        bool bSameMapping = false;
    };
    // Reads the options; false with `pError` set on a mistake. `pbHelp`/`pbVersion` are set
    // when the command line asks for the help or the version and nothing else needs checking.
    static bool ParseArguments(const QStringList& arguments, Options& options, QString* pError,
                               bool* pbHelp, bool* pbVersion);
    // Does the import; false with `pError` set on failure. `pnWritten` receives the number of
    // records written.
    static bool Import(const Options& options, QString* pError, int* pnWritten = nullptr);
};
