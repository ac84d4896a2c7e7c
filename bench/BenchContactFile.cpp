// Reading and writing the largest contact file: 65,535 sample entries. Each step prints its
// median time and the median number of page faults it took (a page touched for the first time
// costs far more than the instructions around it), and opening prints what the data costs in
// memory.
#include "CContactFilePieces.h"
#include "CSafeFile.h"
#include "CSampleData.h"
#include "CVornDoc.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

long PageFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// Processor time used by the process so far (user and system), in milliseconds: unlike the
// wall time it does not grow while other programs have the processor.
double ProcessorMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Bytes the heap hands out now: small blocks plus the large ones mapped on their own.
size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Pages of the process resident now, in bytes.
long ResidentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4096 : 0;
}

template <typename T> T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs `body` `runs` times after one warm-up run, `setup` untimed before each, and prints the
// median, minimum and maximum time and the median page faults of the timed part.
double Measure(const char* name, int runs, const std::function<void()>& body,
               const std::function<void()>& setup = {}) {
    std::vector<double> times;
    std::vector<double> processor;
    std::vector<long> faults;
    for (int i = 0; i <= runs; ++i) {
        if (setup)
            setup();
        const long faultsBefore = PageFaults();
        const double processorBefore = ProcessorMs();
        QElapsedTimer timer;
        timer.start();
        body();
        const double ms = timer.nsecsElapsed() / 1e6;
        if (i == 0)
            continue;
        times.push_back(ms);
        processor.push_back(ProcessorMs() - processorBefore);
        faults.push_back(PageFaults() - faultsBefore);
    }
    const double median = Median(times);
    std::printf("%s: median %.2f ms (min %.2f, max %.2f, %d runs), median processor time %.2f ms, "
                "median %ld page faults\n",
                name, median, *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), runs, Median(processor),
                Median(faults));
    std::fflush(stdout);
    return median;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("big.vby");
    if (!CSampleData::WriteContactFile(path, 65535)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    const qint64 fileSize = QFile(path).size();
    std::printf("contact file: 65535 entries, %lld bytes\n", static_cast<long long>(fileSize));
    // Let the heap give back what writing the sample file used, so the first open below starts
    // from a heap like that of a program that has just started.
    malloc_trim(0);

    // What one open costs in memory: the heap's growth and the pages made resident, measured
    // around the first open into a new document, before any other document has been freed.
    CNotesLabel label;
    {
        auto first = std::make_unique<CVornDoc>(label);
        const size_t heapBefore = HeapInUse();
        const long residentBefore = ResidentBytes();
        const long faultsBefore = PageFaults();
        const double processorBefore = ProcessorMs();
        QElapsedTimer timer;
        timer.start();
        if (!first->OnOpenDocument(path))
            std::abort();
        const double ms = timer.nsecsElapsed() / 1e6;
        const double processor = ProcessorMs() - processorBefore;
        const long faults = PageFaults() - faultsBefore;
        const double heap = double(HeapInUse() - heapBefore);
        const double resident = double(ResidentBytes() - residentBefore);
        std::printf("memory of the open document: heap %.1f MB (%.2f times the file), resident "
                    "%.1f MB (%.2f times); the first open took %.2f ms (processor %.2f ms) and %ld "
                    "page faults\n",
                    heap / 1e6, heap / double(fileSize), resident / 1e6,
                    resident / double(fileSize), ms, processor, faults);
    }

    const int runs = 21;
    // A plain read of the same bytes, for the ratio.
    Measure("read the file's bytes", runs, [&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        if (bytes.isEmpty())
            std::abort();
    });

    // Opening into an empty document, as at start-up; the previous run's document is freed
    // outside the timing.
    std::unique_ptr<CVornDoc> doc;
    Measure(
        "open into a document", runs,
        [&] {
            if (!doc->OnOpenDocument(path))
                std::abort();
        },
        [&] {
            doc.reset();
            doc = std::make_unique<CVornDoc>(label);
        });

    // Saving: the bytes built in memory, whole and in the pieces a save writes one after the
    // other, then the safe write (temporary file, fsync, rename, fsync of the folder) on its
    // own, whose forced writes depend on the disk, then the save itself, which builds and
    // writes the pieces in turn. The disk is noisy: the steps that use it run more often.
    const int diskRuns = 41;
    QByteArray bytes;
    Measure("save: build the file's bytes", runs, [&] { bytes = doc->SaveToBytes(); });
    Measure("save: build the file's pieces (no disk)", runs, [&] {
        CContactFilePieces pieces(*doc);
        QByteArray piece;
        qsizetype size = 0;
        for (;;) {
            piece.resize(0);
            const CSafeFile::Piece next = pieces.Next(piece);
            size += piece.size();
            if (next != CSafeFile::Piece::More)
                break;
        }
        if (size != bytes.size())
            std::abort();
    });
    const QString copy = dir.filePath("copy.vby");
    Measure("save: safe write to disk (with fsync)", diskRuns, [&] {
        if (!CSafeFile::Write(copy, bytes))
            std::abort();
    });
    bytes.clear();
    const auto save = [&] {
        if (!doc->OnSaveDocument(copy))
            std::abort();
    };
    Measure("save the document", diskRuns, save);
    // Saves one after the other overlap with the freeing of the file each one replaced (its
    // cached pages and blocks, let go after the save); saves by hand come seconds apart.
    Measure("save the document, saves 50 ms apart", diskRuns, save,
            [] { std::this_thread::sleep_for(std::chrono::milliseconds(50)); });
    // Opening over a document that already holds the same file frees every old entry first.
    Measure("open over an open document", runs, [&] {
        if (!doc->OnOpenDocument(path))
            std::abort();
    });
    doc.reset();
    std::printf("peak resident memory of the benchmark: %.1f MB\n", PeakResidentKb() / 1e3);
    return 0;
}
