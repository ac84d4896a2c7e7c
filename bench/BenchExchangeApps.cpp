// The programs over vCard and CSV, each as a whole process from start to the file written:
// import --batch of a 65,535-contact vCard file (about 20 MB) and of a 65,535-row CSV file with
// a header row, and velloby --export of a 65,535-entry contact file to vCard and to CSV. Prints
// the median time of the runs and the peak memory of the program against the size of its input
// and against the program doing nothing.
//
// Each case runs in a child of this program, so the peak memory of its children (getrusage
// RUSAGE_CHILDREN) is the peak of that case alone.
#include "BenchUtil.h"
#include "CCsvWriter.h"
#include "CSampleData.h"
#include "CVCardWriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

constexpr int kEntries = 65535;
constexpr int kRuns = 11;

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void Run(const QString& program, const QStringList& arguments, bool bMustSucceed) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || (bMustSucceed && process.exitCode() != 0)) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        std::abort();
    }
}

// The peak resident size, in KB, of the children waited for so far.
long ChildrenPeakKb() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

// The processor time, user and system, of the children waited for so far, in milliseconds:
// on a machine shared with other work this says more than the wall time.
double ChildrenCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// One case, in this (child) process: times the runs and prints the peak.
int RunCase(const QStringList& args) {
    const QString name = args[0];
    const QString program = args[1];
    const qint64 inputSize = args[2].toLongLong();
    const QStringList arguments = args.mid(3);
    if (inputSize == 0) {
        // The program doing nothing: started and ended with a command-line mistake.
        Run(program, arguments, false);
        std::printf("%s: peak %ld KB\n", qPrintable(name), ChildrenPeakKb());
        return 0;
    }
    Measure(name, kRuns, [&] { Run(program, arguments, true); });
    // Measure runs the program once more first, to warm the caches.
    std::printf("  processor time %.1f ms a run (user and system)\n",
                ChildrenCpuMs() / (kRuns + 1));
    const long peak = ChildrenPeakKb();
    std::printf("  peak %ld KB, input %lld KB: %.2f x the input\n", peak,
                static_cast<long long>(inputSize / 1024), peak * 1024.0 / double(inputSize));
    std::fflush(stdout);
    return 0;
}

void Spawn(const QStringList& caseArgs) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), QStringList{"--case"} + caseArgs);
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        std::abort();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (!args.isEmpty() && args[0] == QLatin1String("--case"))
        return RunCase(args.mid(1));

    QTemporaryDir dir;
    const QString vcf = dir.filePath("people.vcf");
    const QString csv = dir.filePath("people.csv");
    const QString vby = dir.filePath("people.vby");
    {
        std::vector<CPerson> people;
        people.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i)
            people.push_back(CSampleData::MakePerson(i));
        std::vector<const CPerson*> pointers;
        pointers.reserve(people.size());
        for (const CPerson& person : people)
            pointers.push_back(&person);
        if (!WriteFile(vcf, CVCardWriter::Write(pointers)) ||
            !WriteFile(csv, CCsvWriter::Write(pointers)) ||
            !CSampleData::WriteContactFile(vby, kEntries)) {
            std::fprintf(stderr, "cannot write the inputs in %s\n", qPrintable(dir.path()));
            return 1;
        }
    }
    const auto size = [](const QString& path) { return QString::number(QFileInfo(path).size()); };
    std::printf("inputs: %d entries; vCard %s bytes, CSV %s bytes, contact file %s bytes\n",
                kEntries, qPrintable(size(vcf)), qPrintable(size(csv)), qPrintable(size(vby)));
    std::fflush(stdout);

    const QString importExe = QStringLiteral(IMPORT_EXE);
    const QString vellobyExe = QStringLiteral(VELLOBY_EXE);
    Spawn({"import doing nothing (a command-line mistake)", importExe, "0", "--batch"});
    Spawn({"velloby --export doing nothing (a command-line mistake)", vellobyExe, "0", "--export"});
    Spawn({"import --batch, vCard (whole process)", importExe, size(vcf), "--batch", vcf,
           "--output", dir.filePath("from-vcf.vby")});
    Spawn({"import --batch, CSV with a header row (whole process)", importExe, size(csv), "--batch",
           csv, "--output", dir.filePath("from-csv.vby")});
    Spawn({"velloby --export to vCard (whole process)", vellobyExe, size(vby), "--export", vby,
           "--output", dir.filePath("out.vcf")});
    Spawn({"velloby --export to CSV (whole process)", vellobyExe, size(vby), "--export", vby,
           "--output", dir.filePath("out.csv")});
    return 0;
}
