#pragma once

#include "CContactReader.h"

#include <QString>
#include <QStringList>

class QTextStream;

// The import without windows, for scripts and large files. A vCard file or a CSV file with a
// header row is read by its own rules; delimited text is split, mapped automatically (or with
// the first record's mapping for all) and written with the same code as the wizard. Unless the
// command line gives the delimiters or the start row, the kind of file, quoted fields and the
// encoding are found out from the file itself.
class CBatchImport {
public:
    // The `import` program: the batch import when the command line asks for it, else the
    // wizard, started as the program `import-wizard` found beside this one or at
    // `wizardRelative` from its folder. Returns the exit code.
    static int Main(int argc, char** argv, const char* wizardRelative);
    // The organisation, name and version of the program, for both of its executables.
    static void SetApplicationNames();
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
        // --format: Auto finds out from the file, unless the delimiters or the start row are
        // given, which mean delimited text read exactly as they say.
        EContactFormat format = EContactFormat::Auto;
        // --delimiters, --other or --start-row was given.
        bool bLayoutGiven = false;
    };
    // Reads the options; false with `pError` set on a mistake. `pbHelp`/`pbVersion` are set
    // when the command line asks for the help or the version and nothing else needs checking.
    static bool ParseArguments(const QStringList& arguments, Options& options, QString* pError,
                               bool* pbHelp, bool* pbVersion);
    // Does the import; false with `pError` set on failure. `pnWritten` receives the number of
    // records written; `pSummary` the lines that tell how the file was read and what could not
    // be kept (none for delimited text read without surprises).
    static bool Import(const Options& options, QString* pError, int* pnWritten = nullptr,
                       QStringList* pSummary = nullptr);
};
