#include "CBatchImport.h"

#include "CFieldMapper.h"
#include "CFieldSplitter.h"
#include "CImportDoc.h"
#include "CImportRecord.h"
#include "CLineReader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

void PrintTo(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

bool CBatchImport::IsBatchCommandLine(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--batch") || arg.startsWith(QLatin1String("--batch=")) ||
            arg == QLatin1String("--help") || arg == QLatin1String("-h") ||
            arg == QLatin1String("--version"))
            return true;
    }
    return false;
}

QString CBatchImport::HelpText() {
    return QStringLiteral(
        "Usage: import                  start the import wizard\n"
        "       import FILE             start the wizard with FILE as its open document\n"
        "                               (named in the title; the file to import is still\n"
        "                               chosen on the first page)\n"
        "       import --batch INPUT --output OUT.vby [options]\n"
        "\n"
        "Turns a delimited text file into a Velloby contact file. With --batch no window is\n"
        "shown: every line from the start row on becomes one contact, its fields mapped the\n"
        "way the wizard's \"Process all records using default mappings\" maps them. Fields\n"
        "are split at every delimiter character; quote characters are ordinary text. Text\n"
        "that is not UTF-8 is read as Windows-1252. An existing OUT.vby is replaced.\n"
        "\n"
        "Options:\n"
        "  --batch INPUT         import INPUT without the wizard\n"
        "  --output, -o OUT.vby  the contact file to write (required with --batch)\n"
        "  --delimiters LIST     the delimiters, a comma-separated list of tab, semicolon,\n"
        "                        comma and space, or none (default: tab)\n"
        "  --other CHAR          one more delimiter character\n"
        "  --start-row N         start at line N, counted from 1 (default: 1)\n"
        "  --one-line            city, state and ZIP are in one field (\"Springfield, IL "
        "62701\")\n"
        "  --same-mapping        map every record the way the first one is mapped\n"
        "  -h, --help            show this text\n"
        "  --version             show the version\n"
        "\n"
        "Exit status: 0 when the file was written; 1 when the import failed (the input\n"
        "cannot be read, there is nothing to import, more than 65,535 records, the output\n"
        "cannot be written); 2 for a mistake in the command line.\n");
}

bool CBatchImport::ParseArguments(const QStringList& arguments, Options& options, QString* pError,
                                  bool* pbHelp, bool* pbVersion) {
    *pbHelp = false;
    *pbVersion = false;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption batch(QStringLiteral("batch"), QString(), QStringLiteral("INPUT"));
    const QCommandLineOption output(QStringList{QStringLiteral("output"), QStringLiteral("o")},
                                    QString(), QStringLiteral("OUT"));
    const QCommandLineOption delimiters(QStringLiteral("delimiters"), QString(),
                                        QStringLiteral("LIST"));
    const QCommandLineOption other(QStringLiteral("other"), QString(), QStringLiteral("CHAR"));
    const QCommandLineOption startRow(QStringLiteral("start-row"), QString(), QStringLiteral("N"));
    const QCommandLineOption oneLine(QStringLiteral("one-line"));
    const QCommandLineOption sameMapping(QStringLiteral("same-mapping"));
    const QCommandLineOption help(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions(
        {batch, output, delimiters, other, startRow, oneLine, sameMapping, help, version});
    if (!parser.parse(arguments)) {
        *pError = parser.errorText();
        return false;
    }
    if (parser.isSet(help)) {
        *pbHelp = true;
        return true;
    }
    if (parser.isSet(version)) {
        *pbVersion = true;
        return true;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *pError = QStringLiteral("Unexpected argument '%1'.")
                      .arg(parser.positionalArguments().constFirst());
        return false;
    }
    if (!parser.isSet(batch) || parser.value(batch).isEmpty()) {
        *pError = QStringLiteral("--batch needs the file to import.");
        return false;
    }
    if (!parser.isSet(output) || parser.value(output).isEmpty()) {
        *pError = QStringLiteral("--output needs the contact file to write.");
        return false;
    }
    options.strInput = parser.value(batch);
    options.strOutput = parser.value(output);

    if (parser.isSet(delimiters)) {
        options.bTab = false;
        const QString list = parser.value(delimiters).trimmed();
        if (list != QLatin1String("none")) {
            for (const QString& raw : list.split(QLatin1Char(','))) {
                const QString name = raw.trimmed().toLower();
                if (name == QLatin1String("tab"))
                    options.bTab = true;
                else if (name == QLatin1String("semicolon"))
                    options.bSemicolon = true;
                else if (name == QLatin1String("comma"))
                    options.bComma = true;
                else if (name == QLatin1String("space"))
                    options.bSpace = true;
                else {
                    *pError = QStringLiteral("Unknown delimiter '%1': use tab, semicolon, "
                                             "comma, space or none.")
                                  .arg(raw.trimmed());
                    return false;
                }
            }
        }
    }
    if (parser.isSet(other)) {
        const QString value = parser.value(other);
        if (value.size() > 1) {
            *pError = QStringLiteral("--other takes one character, not '%1'.").arg(value);
            return false;
        }
        options.bOther = true;
        options.strOtherChar = value;
    }
    if (parser.isSet(startRow)) {
        bool bOk = false;
        options.nStartRow = parser.value(startRow).trimmed().toInt(&bOk);
        if (!bOk) {
            *pError =
                QStringLiteral("--start-row needs a number, not '%1'.").arg(parser.value(startRow));
            return false;
        }
    }
    options.bOneLine = parser.isSet(oneLine);
    options.bSameMapping = parser.isSet(sameMapping);
    return true;
}

bool CBatchImport::Import(const Options& options, QString* pError, int* pnWritten) {
    QFile file(options.strInput);
    if (!file.open(QIODevice::ReadOnly)) {
        *pError =
            QStringLiteral("Cannot open \"%1\": %2.").arg(options.strInput, file.errorString());
        return false;
    }
    QList<QByteArray> lines;
    if (!CLineReader::ReadLines(file, lines)) {
        *pError =
            QStringLiteral("Cannot read \"%1\": %2.").arg(options.strInput, file.errorString());
        return false;
    }
    file.close();

    const CFieldSplitter splitter(
        CFieldSplitter::BuildDelimiters(options.bTab, options.bSemicolon, options.bComma,
                                        options.bSpace, options.bOther, options.strOtherChar));
    CImportRecord records;
    splitter.BuildRecords(lines, options.nStartRow, records);
    lines.clear();
    const QString problem = CImportDoc::CheckRecordCount(records, options.nStartRow);
    if (!problem.isEmpty()) {
        *pError = problem;
        return false;
    }

    // Leading empty lines have nothing to map; the first record with fields is the one whose
    // mapping the others follow.
    int first = 0;
    while (first < records.GetCount() && records.At(first)->m_pFields.isEmpty())
        ++first;
    CFieldMapper mapper;
    mapper.m_bOneLine = options.bOneLine;
    mapper.Show(*records.At(first));
    mapper.ProcessRemaining(records, first, options.bSameMapping);

    CImportDoc doc;
    doc.AddRecords(records);
    if (!doc.OnSaveDocument(options.strOutput, pError))
        return false;
    if (pnWritten)
        *pnWritten = static_cast<int>(doc.m_personList.size());
    return true;
}

int CBatchImport::Run(const QStringList& arguments) {
    Options options;
    QString error;
    bool bHelp = false;
    bool bVersion = false;
    if (!ParseArguments(arguments, options, &error, &bHelp, &bVersion)) {
        PrintTo(stderr, QStringLiteral("import: %1\nTry 'import --help'.\n").arg(error));
        return 2;
    }
    if (bHelp) {
        PrintTo(stdout, HelpText());
        return 0;
    }
    if (bVersion) {
        PrintTo(stdout, QStringLiteral("import %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    int written = 0;
    if (!Import(options, &error, &written)) {
        PrintTo(stderr, QStringLiteral("import: %1\n").arg(error));
        return 1;
    }
    PrintTo(
        stdout,
        QStringLiteral("import: %1 records written to %2\n").arg(written).arg(options.strOutput));
    return 0;
}
