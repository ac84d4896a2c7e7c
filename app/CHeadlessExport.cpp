#include "CHeadlessExport.h"

#include "CCsvWriter.h"
#include "CNotesLabel.h"
#include "CSafeFile.h"
#include "CVCardWriter.h"
#include "CVornDoc.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <cstdio>
#include <cstring>

namespace {

void PrintTo(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

bool CHeadlessExport::IsExportCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--export") == 0 || std::strncmp(argv[i], "--export=", 9) == 0)
            return true;
    }
    return false;
}

QString CHeadlessExport::UsageText() {
    return QStringLiteral(
        "Usage: velloby --export FILE.vby --output OUT.vcf|OUT.csv [--vcard-version 3.0|4.0]\n"
        "\n"
        "Writes every entry of the contact file FILE.vby, with its groups, to OUT without\n"
        "opening a window. OUT ending in .vcf or .vcard gets vCard (4.0 unless\n"
        "--vcard-version 3.0 is given); OUT ending in .csv gets UTF-8 CSV with the header\n"
        "row Name,Address,City,State,ZIP,Country,Phone,E-mail,Notes,Groups. An existing OUT\n"
        "is replaced only once the new file is completely written.\n"
        "\n"
        "Exit status: 0 when OUT was written; 1 when it was not (the contact file cannot be\n"
        "read, OUT cannot be written); 2 for a mistake in the command line.\n");
}

bool CHeadlessExport::ParseArguments(const QStringList& arguments, Options& options,
                                     QString* pError) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption exportFile(QStringLiteral("export"), QString(),
                                        QStringLiteral("FILE"));
    const QCommandLineOption output(QStringList{QStringLiteral("output"), QStringLiteral("o")},
                                    QString(), QStringLiteral("OUT"));
    const QCommandLineOption version(QStringLiteral("vcard-version"), QString(),
                                     QStringLiteral("VERSION"));
    parser.addOptions({exportFile, output, version});
    if (!parser.parse(arguments)) {
        *pError = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *pError = QStringLiteral("Unexpected argument '%1'.")
                      .arg(parser.positionalArguments().constFirst());
        return false;
    }
    if (parser.value(exportFile).isEmpty()) {
        *pError = QStringLiteral("--export needs the contact file to export.");
        return false;
    }
    if (parser.value(output).isEmpty()) {
        *pError = QStringLiteral("--output needs the file to write.");
        return false;
    }
    options.strInput = parser.value(exportFile);
    options.strOutput = parser.value(output);
    const QString suffix = QFileInfo(options.strOutput).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        options.bCsv = true;
    else if (suffix != QLatin1String("vcf") && suffix != QLatin1String("vcard")) {
        *pError = QStringLiteral("The output '%1' must end in .vcf or .vcard (vCard) or in .csv "
                                 "(CSV).")
                      .arg(options.strOutput);
        return false;
    }
    if (parser.isSet(version)) {
        const QString value = parser.value(version).trimmed();
        if (options.bCsv) {
            *pError = QStringLiteral("--vcard-version is for vCard output, not for CSV.");
            return false;
        }
        if (value == QLatin1String("3.0"))
            options.bVCard30 = true;
        else if (value != QLatin1String("4.0")) {
            *pError = QStringLiteral("--vcard-version takes 3.0 or 4.0, not '%1'.").arg(value);
            return false;
        }
    }
    return true;
}

bool CHeadlessExport::Export(const Options& options, QString* pError, qsizetype* pnWritten) {
    // The program ends right after: the document is not freed, which would only delay the exit
    // by the time it takes to free every record.
    CNotesLabel* pLabel = new CNotesLabel;
    CVornDoc* pDoc = new CVornDoc(*pLabel);
    QString error;
    if (!pDoc->OnOpenDocument(options.strInput, &error)) {
        *pError = error.isEmpty() ? QStringLiteral("Cannot read \"%1\".")
                                        .arg(QDir::toNativeSeparators(options.strInput))
                                  : error;
        return false;
    }
    // The entries are written a slice at a time, and each slice's records are freed once
    // written, so the records and the text they become are not held whole side by side.
    const qsizetype count = qsizetype(pDoc->m_personList.size());
    constexpr qsizetype kSlice = 2048;
    // Room for the whole text at once: vCard takes about three times the contact file's bytes,
    // CSV about as many. Pages reserved but never written cost no memory.
    const qint64 inputSize = QFileInfo(options.strInput).size();
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(
        qMin<qint64>(inputSize * (options.bCsv ? 2 : 4) + 4096, qint64(1) << 30)));
    // Every slice of CSV starts with the header row; the file has it once.
    const QByteArray header = options.bCsv ? CCsvWriter::Write({}) : QByteArray();
    if (count == 0)
        bytes = options.bCsv ? header : QByteArray();
    std::vector<const CPerson*> slice;
    slice.reserve(kSlice);
    for (qsizetype first = 0; first < count; first += kSlice) {
        const qsizetype last = qMin(count, first + kSlice);
        slice.clear();
        for (qsizetype i = first; i < last; ++i)
            slice.push_back(pDoc->m_personList[size_t(i)].get());
        const QByteArray part =
            options.bCsv
                ? CCsvWriter::Write(slice)
                : CVCardWriter::Write(slice, options.bVCard30 ? CVCardWriter::Version::V30
                                                              : CVCardWriter::Version::V40);
        if (first > 0 && options.bCsv && part.startsWith(header))
            bytes.append(part.constData() + header.size(), part.size() - header.size());
        else
            bytes.append(part);
        for (qsizetype i = first; i < last; ++i)
            pDoc->m_personList[size_t(i)].reset();
    }
    if (!CSafeFile::Write(options.strOutput, bytes, pError))
        return false;
    if (pnWritten)
        *pnWritten = count;
    return true;
}

int CHeadlessExport::Run(const QStringList& arguments) {
    Options options;
    QString error;
    if (!ParseArguments(arguments, options, &error)) {
        PrintTo(stderr, QStringLiteral("velloby: %1\n\n%2").arg(error, UsageText()));
        return UsageError;
    }
    qsizetype written = 0;
    if (!Export(options, &error, &written)) {
        PrintTo(stderr, QStringLiteral("velloby: %1\n").arg(error));
        return Failed;
    }
    PrintTo(stdout, QStringLiteral("velloby: %1 %2 written to %3\n")
                        .arg(QLocale(QLocale::English).toString(static_cast<qlonglong>(written)),
                             written == 1 ? QStringLiteral("entry") : QStringLiteral("entries"),
                             QDir::toNativeSeparators(options.strOutput)));
    return Written;
}
