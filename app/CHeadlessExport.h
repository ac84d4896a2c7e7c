#pragma once

#include <QString>
#include <QStringList>

// `velloby --export FILE.vby --output OUT.vcf|OUT.csv [--vcard-version 3.0|4.0]`: writes the
// entries of a contact file as vCard or CSV without opening a window, for scripts. The format
// follows the output's extension: .vcf or .vcard for vCard, .csv for CSV.
class CHeadlessExport {
public:
    // Exit codes.
    enum { Written = 0, Failed = 1, UsageError = 2 };

    // Whether the command line (the program first) asks for the export.
    static bool IsExportCommandLine(int argc, char** argv);
    // Runs it; the reason for a failure, or the usage after a mistake, goes to stderr.
    static int Run(const QStringList& arguments);
    static QString UsageText();

    struct Options {
        QString strInput;
        QString strOutput;
        bool bCsv = false;
        bool bVCard30 = false;
    };
    // False with `pError` set on a command-line mistake.
    static bool ParseArguments(const QStringList& arguments, Options& options, QString* pError);
    // False with `pError` set when the contact file cannot be read or the output not written.
    // `pnWritten` receives the number of entries written.
    static bool Export(const Options& options, QString* pError, qsizetype* pnWritten = nullptr);

private:
    // The same through the document, which gives the reason a file cannot be opened.
    static bool ExportDocument(const Options& options, QString* pError, qsizetype* pnWritten);
};
