// The batch import of 65,535 tab-separated lines (name, street, city, state, ZIP, phone,
// e-mail): the whole program as a process, from start to the file written, with its page faults
// and peak memory, then in process the one pass the batch import makes and the steps of the
// wizard's path over the same lines. Then the same for 65,535 rows of a wide CSV file (16
// quoted columns under a header row, the file bench/compare.sh gives both programs): the whole
// process, and in process the rows read and written as records on one thread.
#include "BenchUtil.h"
#include "CContactFileWriter.h"
#include "CContactReader.h"
#include "CDelimitedBatch.h"
#include "CFieldMapper.h"
#include "CFieldSplitter.h"
#include "CImportDoc.h"
#include "CImportRecord.h"
#include "CLineReader.h"
#include "CSampleData.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

void RunImport(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(IMPORT_EXE), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() == 1) {
        std::fprintf(stderr, "import failed: %s\n", process.readAllStandardError().constData());
        std::abort();
    }
}

rusage Children() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage;
}

// The whole process runs, in a child of the benchmark that holds nothing else.
int RunCase(const QString& input, const QString& output, int runs) {
    // The program doing nothing first: its peak is the program's own size.
    RunImport({QStringLiteral("--batch")});
    const long emptyPeak = Children().ru_maxrss;
    const rusage before = Children();
    Measure("batch import, whole process (import --batch)", runs, [&] {
        RunImport({QStringLiteral("--batch"), input, QStringLiteral("--output"), output});
    });
    const rusage after = Children();
    // Measure runs the program once more first, to warm the caches.
    std::printf("  page faults %ld a run; processor time %.1f ms a run (user and system)\n",
                (after.ru_minflt + after.ru_majflt - before.ru_minflt - before.ru_majflt) /
                    (runs + 1),
                ((after.ru_utime.tv_sec - before.ru_utime.tv_sec) * 1e3 +
                 (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e3 +
                 (after.ru_stime.tv_sec - before.ru_stime.tv_sec) * 1e3 +
                 (after.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1e3) /
                    (runs + 1));
    std::printf("  peak %ld KB; the program doing nothing %ld KB; input %lld KB\n", after.ru_maxrss,
                emptyPeak, static_cast<long long>(QFile(input).size() / 1024));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--case"))
        return RunCase(args[2], args[3], args[4].toInt());
    QTemporaryDir dir;
    const QString input = dir.filePath("people.txt");
    const QString output = dir.filePath("people.vby");
    {
        QByteArray text;
        for (int i = 0; i < 65535; ++i)
            text += CSampleData::TabLine(i) + '\n';
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(input));
            return 1;
        }
    }
    std::printf("input: 65535 lines, %lld bytes\n", static_cast<long long>(QFile(input).size()));
    const int runs = 21;

    // The whole process runs are timed from a small child of this program: a child started by
    // a process inherits its parent's size for its peak memory, and this one holds the input.
    const auto runCase = [&](const QString& in, const QString& out) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--case"), in, out, QString::number(runs)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            std::abort();
        std::printf("output: %lld bytes\n", static_cast<long long>(QFile(out).size()));
    };
    runCase(input, output);

    // Inside the process: the one pass of the batch import, from the text to the file's bytes.
    QByteArray text;
    {
        QFile file(input);
        file.open(QIODevice::ReadOnly);
        text = file.readAll();
    }
    QByteArray bytes;
    Measure(
        "  one pass from the text to the file's bytes", runs,
        [&] {
            CDelimitedBatch::Settings settings;
            settings.strDelimiters = QStringLiteral("\t");
            if (!CDelimitedBatch::Build(text, settings, bytes, nullptr))
                std::abort();
        },
        [&] { bytes = QByteArray(); });

    // The wizard's path over the same lines, step by step.
    QList<QByteArray> lines;
    Measure("  read the lines", runs, [&] {
        lines.clear();
        QFile file(input);
        file.open(QIODevice::ReadOnly);
        CLineReader::ReadLines(file, lines);
    });
    CImportRecord records;
    const CFieldSplitter splitter(QStringLiteral("\t"));
    Measure("  split into records", runs, [&] { splitter.BuildRecords(lines, 1, records); });
    Measure(
        "  map automatically", runs,
        [&] {
            CFieldMapper mapper;
            mapper.Show(*records.At(0));
            mapper.ProcessRemaining(records, 0, false);
        },
        [&] { splitter.BuildRecords(lines, 1, records); });
    Measure("  write the contact file", runs, [&] {
        CImportDoc doc;
        doc.AddRecords(records);
        if (!doc.OnSaveDocument(output))
            std::abort();
    });

    // The wide CSV file, as bench/compare.sh makes it.
    {
        QProcess inputs;
        inputs.start(QStringLiteral(COMPARE_INPUTS_EXE), {dir.path()});
        if (!inputs.waitForFinished(60000) || inputs.exitCode() != 0)
            std::abort();
    }
    const QString wide = dir.filePath("wide.csv");
    std::printf("\nwide CSV: 65535 rows of 16 quoted columns, %lld bytes\n",
                static_cast<long long>(QFile(wide).size()));
    runCase(wide, dir.filePath("wide.vby"));
    QByteArray csv;
    {
        QFile file(wide);
        file.open(QIODevice::ReadOnly);
        csv = file.readAll();
    }
    qsizetype people = 0;
    Measure("  the rows read and written as records, one thread", runs, [&] {
        CContactFileWriter writer(csv.size() + csv.size() / 2);
        CContactReader::Result result;
        const bool bOk = CContactReader::ReadEach(
            csv, EContactFormat::Csv, result,
            [&](CPerson& person) {
                ++people;
                writer.Add(person);
            },
            [&](const QByteArrayView* pTexts) { writer.Add(pTexts); }, nullptr, {});
        if (!bOk || writer.Count() != 65535)
            std::abort();
    });
    // Rows the common-row path does not take are read as contacts, which costs far more.
    std::printf("  rows read as contacts: %lld a run\n",
                static_cast<long long>(people / (runs + 1)));
    return 0;
}
