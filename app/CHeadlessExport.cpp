#include "CHeadlessExport.h"

#include "CArchive.h"
#include "CCsvWriter.h"
#include "CNotesLabel.h"
#include "CPerson.h"
#include "CSafeFile.h"
#include "CVCardWriter.h"
#include "CVornDoc.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cstdint>
#include <cstdio>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <vector>

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

namespace {

// Where the records of a contact file lie, found by reading it through once without keeping
// anything: the layout, the number of records and where the first one starts.
struct SRecords {
    int nVersion = CVornDoc::kVersion;
    quint16 nCount = 0;
    qsizetype nStart = 0;
};

// Checks `bytes` as a contact file, as opening it does, and finds its records; false when the
// file is damaged or is no contact file.
bool FindRecords(const QByteArray& bytes, SRecords& records) {
    try {
        CArchive ar(bytes);
        if (ar.ReadDWord() != quint32(CVornDoc::kVersion)) {
            // The older layout has no version: its first bytes start the group list.
            records.nVersion = CVornDoc::kOldVersion;
            ar.Seek(0);
        }
        ar.SkipStringList();
        records.nCount = ar.ReadWord();
        records.nStart = ar.Position();
        for (quint16 i = 0; i < records.nCount; ++i)
            CPerson::SkipRecord(ar, records.nVersion);
        if (records.nVersion == CVornDoc::kVersion) {
            ar.ReadDWord(); // the Notes label: whether it is in use, and its text
            ar.SkipString();
        }
        ar.ReadDWord(); // the time the file was made
        return true;
    } catch (const CArchiveException&) {
        return false;
    }
}

} // namespace

bool CHeadlessExport::Export(const Options& options, QString* pError, qsizetype* pnWritten) {
    // The records are read a slice at a time from the file's bytes, written, and dropped: neither
    // the entries nor the text they become are ever all in memory at once, only the file.
#ifdef __GLIBC__
    // Each slice's text is freed and the next one made right after: the memory is kept for it
    // rather than given back to the system and faulted in again page by page.
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
#endif
    QByteArray input;
    SRecords records;
    {
        QFile file(options.strInput);
        if (file.open(QIODevice::ReadOnly)) {
            // One buffer of the file's size (backed by large pages where the system has them),
            // then whatever the size did not tell.
            const qint64 size = file.isSequential() ? 0 : file.size();
            if (size > 0) {
                input = CArchive::NewBuffer(size);
                input.truncate(qMax<qint64>(file.read(input.data(), size), 0));
            }
            if (file.error() == QFileDevice::NoError)
                input.append(file.readAll());
        }
        if (file.error() != QFileDevice::NoError || !FindRecords(input, records)) {
            // The document says why the file cannot be opened, in the words the window uses.
            // (Should it open the file after all, its entries are written from it.)
            input.clear();
            return ExportDocument(options, pError, pnWritten);
        }
    }
    const qsizetype count = records.nCount;
    constexpr qsizetype kSlice = 2048;
    // Every slice of CSV starts with the header row; the file has it once.
    const QByteArray header = options.bCsv ? CCsvWriter::Write({}) : QByteArray();
    std::vector<CPerson> slice(size_t(qMin(count, kSlice)));
    std::vector<const CPerson*> pointers;
    pointers.reserve(slice.size());
    CArchive ar(input);
    ar.Seek(records.nStart);
    qsizetype first = 0;
    bool bChanged = false;
    // Each slice's text is written before the next slice is read, so the output (vCard takes
    // about three times the contact file's bytes) is never whole in memory.
    const auto nextSlice = [&](QByteArray& piece) {
        if (count == 0) {
            piece = header;
            return CSafeFile::Piece::End;
        }
        const qsizetype last = qMin(count, first + kSlice);
        pointers.clear();
        try {
            for (qsizetype i = first; i < last; ++i) {
                CPerson& person = slice[size_t(i - first)];
                // A fresh record each time: the older layout has no e-mail to replace the last.
                person = CPerson();
                person.Serialize(ar, records.nVersion);
                pointers.push_back(&person);
            }
        } catch (const CArchiveException&) {
            // The records were checked before: only a file changed under the program gets here.
            bChanged = true;
            return CSafeFile::Piece::Failed;
        }
        const QByteArray part =
            options.bCsv
                ? CCsvWriter::Write(pointers)
                : CVCardWriter::Write(pointers, options.bVCard30 ? CVCardWriter::Version::V30
                                                                 : CVCardWriter::Version::V40);
        piece =
            first > 0 && options.bCsv && part.startsWith(header) ? part.mid(header.size()) : part;
        first = last;
        return first < count ? CSafeFile::Piece::More : CSafeFile::Piece::End;
    };
    CSafeFile::SFailure failure;
    if (!CSafeFile::WritePieces(options.strOutput, nextSlice, &failure)) {
        if (bChanged) {
            slice.clear();
            input.clear();
            return ExportDocument(options, pError, pnWritten);
        }
        if (pError)
            *pError = CSafeFile::Message(options.strOutput, failure);
        return false;
    }
    if (pnWritten)
        *pnWritten = count;
    return true;
}

bool CHeadlessExport::ExportDocument(const Options& options, QString* pError,
                                     qsizetype* pnWritten) {
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
    std::vector<const CPerson*> people;
    people.reserve(pDoc->m_personList.size());
    for (const auto& person : pDoc->m_personList)
        people.push_back(person.get());
    const QByteArray bytes =
        options.bCsv ? CCsvWriter::Write(people)
                     : CVCardWriter::Write(people, options.bVCard30 ? CVCardWriter::Version::V30
                                                                    : CVCardWriter::Version::V40);
    if (!CSafeFile::Write(options.strOutput, bytes, pError))
        return false;
    if (pnWritten)
        *pnWritten = qsizetype(people.size());
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
