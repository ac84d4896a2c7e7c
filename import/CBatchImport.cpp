#include "CBatchImport.h"

#include "CFieldMapper.h"
#include "CFieldSplitter.h"
#include "CImportDoc.h"
#include "CImportRecord.h"
#include "CLineReader.h"
#include "CTextDecoder.h"

#include "CBatchInput.h"
#include "CContactFileWriter.h"
#include "CDelimitedBatch.h"
#include "CRecordStream.h"
#include "CSafeFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

void PrintTo(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void CBatchImport::SetApplicationNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Import"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELLOBY_VERSION));
}

int CBatchImport::Main(int argc, char** argv, const char* wizardRelative) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (!IsBatchCommandLine(arguments)) {
        // The wizard is a program of its own beside this one (in the build) or in the folder
        // `wizardRelative` names from here (installed); it gets the same command line.
        char self[4096];
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        std::string dir = length > 0 ? std::string(self, size_t(length)) : std::string(argv[0]);
        dir = dir.substr(0, dir.rfind('/') + 1);
        int error = ENOENT;
        for (const std::string& path : {dir + "import-wizard", dir + wizardRelative}) {
            execv(path.c_str(), argv);
            if (errno != ENOENT)
                error = errno;
        }
        std::fprintf(stderr, "import: cannot start the import wizard: %s\n", std::strerror(error));
        return 1;
    }
    QCoreApplication app(argc, argv);
    SetApplicationNames();
    return Run(QCoreApplication::arguments());
}

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
        "Turns a vCard file, a CSV file or any delimited text file into a Velloby contact\n"
        "file. With --batch no window is shown. Unless --delimiters, --other or --start-row\n"
        "is given, the kind of file is found out from its contents: a vCard file (2.1, 3.0\n"
        "or 4.0) and a CSV file whose first row names its columns are read value by value;\n"
        "other text is delimited text, whose quoted fields are recognised. UTF-16 and UTF-8\n"
        "are recognised too; other text is read as Windows-1252. In delimited text every\n"
        "line from the start row on becomes one contact, its fields mapped the way the\n"
        "wizard's \"Process all records using default mappings\" maps them; with the\n"
        "delimiters or the start row given, fields are split at every delimiter character\n"
        "and quote characters are ordinary text. An existing OUT.vby is replaced. What could\n"
        "not be kept (photos, sounds, keys) is told on the standard error.\n"
        "\n"
        "Options:\n"
        "  --batch INPUT         import INPUT without the wizard\n"
        "  --output, -o OUT.vby  the contact file to write (required with --batch)\n"
        "  --format FORMAT       read INPUT as vcard, csv (a header row names the columns)\n"
        "                        or delimited text, whatever its contents\n"
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
        "The options from --delimiters to --same-mapping are for delimited text only.\n"
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
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption help(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions(
        {batch, output, delimiters, other, startRow, oneLine, sameMapping, format, help, version});
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
    options.bLayoutGiven =
        parser.isSet(delimiters) || parser.isSet(other) || parser.isSet(startRow);
    if (parser.isSet(format)) {
        const QString name = parser.value(format).trimmed().toLower();
        if (name == QLatin1String("vcard"))
            options.format = EContactFormat::VCard;
        else if (name == QLatin1String("csv"))
            options.format = EContactFormat::Csv;
        else if (name == QLatin1String("delimited"))
            options.format = EContactFormat::Delimited;
        else {
            *pError = QStringLiteral("Unknown format '%1': use vcard, csv or delimited.")
                          .arg(parser.value(format));
            return false;
        }
        const bool bDelimitedOptions =
            options.bLayoutGiven || options.bOneLine || options.bSameMapping;
        if (options.format != EContactFormat::Delimited && bDelimitedOptions) {
            *pError = QStringLiteral("--format %1 reads the columns by their names; --delimiters, "
                                     "--other, --start-row, --one-line and --same-mapping are "
                                     "for delimited text only.")
                          .arg(name);
            return false;
        }
    }
    return true;
}

namespace {

// The contacts of one part of a vCard or CSV file, written as records as they are read, with
// the groups they name in the order first named. The first part of a file whose contacts can
// have no groups streams its records to the writing thread instead of keeping them. The two
// parts' writers take rows on two threads at once: each has cache lines of its own.
class alignas(64) CPartWriter : public CContactReader::IPartSink {
public:
    // `release`: the bytes whose memory may go back to the system as this part reads them
    // (empty: kept). `pStream`: where the records go when the file has no groups and
    // `fewRows` says it cannot hold too many contacts (null: always kept).
    CPartWriter(qsizetype expectedSize, QByteArrayView release, CRecordStream* pStream,
                std::future<bool> fewRows = {})
        : m_writer(expectedSize), m_pReleased(release.data()),
          m_pEnd(release.data() + release.size()), m_pStream(pStream),
          m_fewRows(std::move(fewRows)) {
        if (pStream)
            m_streaming = m_decided.get_future();
    }

    // Two parts at once only when the first streams: otherwise the second part's text and
    // records would be held beside the first part's records.
    bool Begin(bool bGroups) override {
        Decide(!bGroups && (!m_fewRows.valid() || m_fewRows.get()));
        return m_bStream;
    }
    // Whether the records stream, once known: set by Begin, or false when the reading ends
    // before it.
    void Decide(bool bStream) {
        if (m_pStream && !m_bDecided) {
            m_bDecided = true;
            m_bStream = bStream;
            m_decided.set_value(bStream);
        }
    }
    bool Streams() { return m_pStream && m_streaming.get(); }

    void TakePerson(CPerson& person) override {
        if (m_bStream) {
            char* p = m_pStream->Room(CContactFileWriter::RecordRoom(person));
            m_pStream->Commit(CContactFileWriter::PutRecord(p, person));
            ++m_nStreamed;
        } else {
            m_writer.Add(person);
        }
        for (const QByteArray& group : person.m_groups) {
            if (!m_seen.contains(group)) {
                // The name may point into the bytes read, which go away.
                const QByteArray name(group.constData(), group.size());
                m_seen.insert(name);
                m_groups.append(name);
            }
        }
    }
    void TakeTexts(const QByteArrayView* pTexts) override {
        if (m_bStream) {
            char* p = m_pStream->Room(CContactFileWriter::RecordRoom(pTexts));
            m_pStream->Commit(CContactFileWriter::PutRecord(p, pTexts));
            ++m_nStreamed;
        } else {
            m_writer.Add(pTexts);
        }
    }
    void Done(const char* pReadTo) override {
        // The rows read are done with: their memory goes back to the system as the reading
        // goes on, so the file read and the file written are not held whole at the same time.
        // The text read is a converted copy when the file is not UTF-8: nothing to give back.
        if (m_pReleased && pReadTo > m_pReleased && pReadTo <= m_pEnd &&
            pReadTo - m_pReleased >= 2 * 1024 * 1024)
            m_pReleased = CDelimitedBatch::ReleaseRead(m_pReleased, pReadTo);
    }
    void Forget() override {
        m_writer.Clear();
        m_seen.clear();
        m_groups.clear();
    }
    qsizetype Count() const { return m_writer.Count() + m_nStreamed; }

    CContactFileWriter m_writer;
    QSet<QByteArray> m_seen;
    QList<QByteArray> m_groups;

private:
    const char* m_pReleased;
    const char* m_pEnd;
    CRecordStream* m_pStream;
    std::future<bool> m_fewRows;
    std::promise<bool> m_decided;
    std::future<bool> m_streaming;
    bool m_bDecided = false;
    bool m_bStream = false;
    qsizetype m_nStreamed = 0;
};

// A vCard or CSV file: its contacts as the exchange library reads them, with their groups. Each
// contact is written as soon as it is read, and `bytes` is let go of once read. A large CSV file
// is read in two parts at once, on two threads. When the file can have no groups and cannot
// hold too many contacts, this thread writes the first part's records as they come; otherwise
// the records are kept until the groups, which stand before them in the file, and the count
// are known, and nothing is written before.
bool ImportContacts(const CBatchImport::Options& options, QByteArray& bytes, EContactFormat format,
                    const CBatchInput& input, QString* pError, int* pnWritten,
                    QStringList* pSummary) {
    const bool bAscii = input.IsPlainAscii();
    CContactReader::Result result;
    QString error;
    CRecordStream stream;
    std::promise<bool> fewRows;
    // A CSV row often grows into labelled lines of Notes, so room is made for more than the
    // input; room not written to costs nothing.
    CPartWriter first(bytes.size() + bytes.size() / 2, bytes, &stream, fewRows.get_future());
    CPartWriter second(bytes.size(), {}, nullptr);
    bool bRead = false;
    std::thread reader([&] {
        bRead = CContactReader::ReadInParts(bytes, format, result, first, second, &error, bAscii);
        first.Decide(false);
        stream.Close(bRead);
    });
    // Known from the reading of the file (counted now only when it is not); the first part
    // waits for it before its first contact, and so before any of the bytes are given back. One
    // row is the header, so a file of at most that many rows more holds too few contacts to be
    // refused for their number.
    fewRows.set_value(input.MostRows(bytes) <= CImportDoc::kMaxRecords + 1);
    const bool bStream = first.Streams();
    if (!bStream)
        reader.join();
    const auto groups = [&] {
        QList<QByteArray> list = first.m_groups;
        for (const QByteArray& group : std::as_const(second.m_groups))
            if (!first.m_seen.contains(group))
                list.append(group);
        return list;
    };
    const auto total = [&] { return first.Count() + second.Count(); };
    if (!bStream && bRead && total() > CImportDoc::kMaxRecords) {
        *pError = CImportDoc::TooManyRecordsMessage(total());
        return false;
    }

    // The pieces of the file: the start, the records of the first part, of the second, the end.
    // Streamed, the start is written with no count first and again at the end.
    QByteArray head =
        bStream ? CContactFileWriter::Head({}, 0) : CContactFileWriter::Head(groups(), total());
    const QByteArray tail =
        CContactFileWriter::Tail(static_cast<quint32>(QDateTime::currentSecsSinceEpoch()));
    int next = 0;
    const auto fnNext = [&](QByteArray& piece) {
        switch (next) {
        case 0:
            ++next;
            piece = head;
            return CSafeFile::Piece::More;
        case 1:
            if (bStream) {
                const CSafeFile::Piece got = stream.Next(piece);
                if (got != CSafeFile::Piece::End)
                    return got;
                reader.join();
            } else {
                const QByteArrayView records = first.m_writer.Records();
                piece = QByteArray::fromRawData(records.data(), records.size());
            }
            ++next;
            return CSafeFile::Piece::More;
        case 2: {
            ++next;
            const QByteArrayView records = second.m_writer.Records();
            piece = QByteArray::fromRawData(records.data(), records.size());
            return CSafeFile::Piece::More;
        }
        default:
            piece = tail;
            return CSafeFile::Piece::End;
        }
    };
    // Streamed, the file has no groups, so the start keeps its length.
    const auto fnHead = [&](QByteArray& start) {
        start = CContactFileWriter::Head(groups(), total());
        return true;
    };
    bool bWritten = false;
    CSafeFile::SFailure failure;
    if (bRead || bStream)
        bWritten = CSafeFile::WritePieces(options.strOutput, fnNext,
                                          bStream ? fnHead : CSafeFile::FnHead(), &failure);
    if (reader.joinable()) {
        // The write stopped early: the reading goes on to its end without a writer.
        stream.Abandon();
        reader.join();
    }
    bytes = QByteArray();
    if (!bRead) {
        *pError = error.isEmpty()
                      ? QStringLiteral("Nothing could be read from \"%1\".").arg(options.strInput)
                      : error;
        return false;
    }
    if (!bWritten) {
        *pError = CSafeFile::Message(options.strOutput, failure);
        return false;
    }
    const qsizetype count = total();
    if (pnWritten)
        *pnWritten = static_cast<int>(count);
    if (pSummary) {
        const QString number = QLocale(QLocale::English).toString(static_cast<qlonglong>(count));
        pSummary->append(
            QStringLiteral("%1 %2 written to %3 (read as a %4 file)")
                .arg(number, count == 1 ? QStringLiteral("contact") : QStringLiteral("contacts"),
                     options.strOutput,
                     result.format == EContactFormat::VCard ? QStringLiteral("vCard")
                                                            : QStringLiteral("CSV")));
        const QStringList leftOut = result.report.Summary();
        if (leftOut.isEmpty())
            pSummary->append(QStringLiteral("nothing was left out"));
        else
            pSummary->append(leftOut);
    }
    return true;
}

} // namespace

bool CBatchImport::Import(const Options& options, QString* pError, int* pnWritten,
                          QStringList* pSummary) {
    QFile file(options.strInput);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *pError =
            QStringLiteral("Cannot open \"%1\": %2.").arg(options.strInput, file.errorString());
        return false;
    }
    CBatchInput input;
    if (!input.Read(file)) {
        *pError =
            QStringLiteral("Cannot read \"%1\": %2.").arg(options.strInput, file.errorString());
        return false;
    }
    file.close();
    QByteArray& bytes = input.m_bytes;
    // The delimiters or the start row given, and no format: delimited text, read exactly as
    // they say.
    const bool bAsGiven = options.format == EContactFormat::Auto && options.bLayoutGiven;
    QByteArrayView text = bytes;
    bool bQuotes = false;
    if (!bAsGiven) {
        EContactFormat format = options.format;
        if (format == EContactFormat::Auto)
            format = CContactReader::Detect(bytes);
        if (format == EContactFormat::VCard || format == EContactFormat::Csv)
            return ImportContacts(options, bytes, format, input, pError, pnWritten, pSummary);
        // Delimited text: UTF-16 becomes UTF-8 and a byte-order mark is dropped; other text is
        // left as it is, since the splitter reads a field that is not UTF-8 as Windows-1252.
        if (bytes.startsWith("\xEF\xBB\xBF")) {
            text = text.sliced(3);
        } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") ||
                   QByteArrayView(bytes)
                       .first(qMin<qsizetype>(bytes.size(), 4096))
                       .contains('\0')) {
            bytes = CTextDecoder::ToUtf8(bytes);
            text = bytes;
        }
        bQuotes = CDelimitedBatch::HasQuotedFields(text);
    }
    const QString delimiters =
        CFieldSplitter::BuildDelimiters(options.bTab, options.bSemicolon, options.bComma,
                                        options.bSpace, options.bOther, options.strOtherChar);
    if (!bQuotes) {
        // Straight from the text's bytes to the file's bytes.
        CDelimitedBatch::Settings settings;
        settings.strDelimiters = delimiters;
        settings.nStartRow = options.nStartRow;
        settings.bOneLine = options.bOneLine;
        settings.bSameMapping = options.bSameMapping;
        settings.nTime = static_cast<quint32>(QDateTime::currentSecsSinceEpoch());
        settings.bReleaseText = true;
        qsizetype records = 0;
        // Text of few enough lines cannot hold too many records: they are written while they
        // are made, and the count at the start of the file is filled in at the end.
        if (input.MostRows(text) <= CImportDoc::kMaxRecords) {
            CRecordStream stream;
            settings.pStream = &stream;
            bool bBuilt = false;
            QString problem;
            std::thread maker([&] {
                QByteArray none;
                bBuilt = CDelimitedBatch::Build(text, settings, none, &problem, &records);
                stream.Close(bBuilt);
            });
            const QByteArray tail = CContactFileWriter::Tail(settings.nTime);
            int next = 0;
            const auto fnNext = [&](QByteArray& piece) {
                if (next == 0) {
                    ++next;
                    piece = CContactFileWriter::Head({}, 0);
                    return CSafeFile::Piece::More;
                }
                if (next == 1) {
                    const CSafeFile::Piece got = stream.Next(piece);
                    if (got != CSafeFile::Piece::End)
                        return got;
                    maker.join();
                    ++next;
                }
                piece = tail;
                return CSafeFile::Piece::End;
            };
            const auto fnHead = [&](QByteArray& start) {
                start = CContactFileWriter::Head({}, records);
                return true;
            };
            CSafeFile::SFailure failure;
            const bool bWritten =
                CSafeFile::WritePieces(options.strOutput, fnNext, fnHead, &failure);
            if (maker.joinable()) {
                // The write stopped early: the records are made to the end without a writer.
                stream.Abandon();
                maker.join();
            }
            bytes = QByteArray();
            if (!bBuilt) {
                *pError = problem;
                return false;
            }
            if (!bWritten) {
                *pError = CSafeFile::Message(options.strOutput, failure);
                return false;
            }
            if (pnWritten)
                *pnWritten = static_cast<int>(records);
            return true;
        }
        QByteArray out;
        if (!CDelimitedBatch::Build(text, settings, out, pError, &records))
            return false;
        bytes = QByteArray();
        if (!CSafeFile::Write(options.strOutput, out, pError))
            return false;
        if (pnWritten)
            *pnWritten = static_cast<int>(records);
        return true;
    }

    // Quoted fields may hold line breaks and delimiters: the wizard's own reading.
    QList<QByteArray> lines =
        CLineReader::SplitText(QByteArray::fromRawData(text.data(), text.size()));
    bytes = QByteArray();
    const CFieldSplitter splitter(delimiters);
    CImportRecord records;
    qsizetype plainFrom = 0;
    splitter.BuildRecords(lines, options.nStartRow, bQuotes, records, {}, &plainFrom);
    lines.clear();
    if (plainFrom > 0 && pSummary)
        pSummary->append(QStringLiteral("the quote opened in line %1 does not close within %2 "
                                        "lines; from there on the file was read as plain text")
                             .arg(plainFrom)
                             .arg(CFieldSplitter::kMaxQuotedLines));
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
    QStringList summary;
    if (!Import(options, &error, &written, &summary)) {
        PrintTo(stderr, QStringLiteral("import: %1\n").arg(error));
        return 1;
    }
    for (const QString& line : summary)
        PrintTo(stderr, QStringLiteral("import: %1\n").arg(line));
    PrintTo(
        stdout,
        QStringLiteral("import: %1 records written to %2\n").arg(written).arg(options.strOutput));
    return 0;
}
