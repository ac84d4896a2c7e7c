// Start-up of the contact manager as a whole process: velloby started on an empty contact file
// and on the largest one (65,535 entries), from the start of the process until its main window
// has painted itself with the file in it. The two runs alternate, so load on the machine falls
// on both alike. Prints both medians, their difference and the peak resident memory of each.
//
// The program runs on the offscreen platform with a throw-away HOME, and ends by itself after
// its first paint (VELLOBY_QUIT_WHEN_SHOWN). The time until the window shows is read from the
// moment of that paint, which the program writes to its standard output; the time to the end of
// the process, which adds the exit (settings written, memory let go), is printed beside it. Each
// run is waited for with wait4, whose resource use gives that run's own peak memory and page
// faults. A child started with posix_spawn shares this process's memory until it starts velloby,
// and the kernel counts that memory in the child's peak: so the contact files are written by a
// child of their own ("--write DIR"), and this process stays small.
#include "CSampleData.h"
#include "CVornDoc.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kEntries = 65535;
constexpr int kRuns = 21;

struct SRun {
    double ms = 0;
    // Until the window's first paint, which the program reports; the rest of `ms` is its exit.
    double shownMs = 0;
    // Processor time, user and system: on a machine shared with other work it says more than
    // the wall time.
    double cpuMs = 0;
    long nPeakKb = 0;
    long nFaults = 0;
};

double NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Runs `arguments` (the program first) once and waits for it to end; its standard output goes to
// `output` when given, else it is dropped like its errors.
SRun RunOnce(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
             const std::string& output = std::string()) {
    const std::string& program = arguments.front();
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    SRun run;
    const double start = NowMs();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.empty() ? "/dev/null" : output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(error));
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("wait4");
            std::exit(1);
        }
    }
    run.ms = NowMs() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s %s did not end normally (status %d)\n", program.c_str(),
                     arguments.back().c_str(), status);
        std::exit(1);
    }
    run.cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.nPeakKb = usage.ru_maxrss;
    run.nFaults = usage.ru_minflt + usage.ru_majflt;
    if (!output.empty()) {
        // "shown MS" on the monotonic clock this process reads too.
        double shown = 0;
        FILE* file = std::fopen(output.c_str(), "r");
        if (!file || std::fscanf(file, "shown %lf", &shown) != 1) {
            std::fprintf(stderr, "%s %s did not report its first paint\n", program.c_str(),
                         arguments.back().c_str());
            std::exit(1);
        }
        std::fclose(file);
        run.shownMs = shown - start;
    }
    return run;
}

template <typename T> T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Print(const char* name, const std::vector<SRun>& runs) {
    std::vector<double> shown;
    std::vector<double> ms;
    std::vector<double> cpu;
    std::vector<long> peaks;
    std::vector<long> faults;
    for (const SRun& run : runs) {
        shown.push_back(run.shownMs);
        ms.push_back(run.ms);
        cpu.push_back(run.cpuMs);
        peaks.push_back(run.nPeakKb);
        faults.push_back(run.nFaults);
    }
    std::printf("%s: median %.2f ms (min %.2f, max %.2f, %d runs); to the end of the process "
                "%.2f ms; processor %.2f ms; peak %ld KB (largest %ld KB); %ld page faults\n",
                name, Median(shown), *std::min_element(shown.begin(), shown.end()),
                *std::max_element(shown.begin(), shown.end()), int(runs.size()), Median(ms),
                Median(cpu), Median(peaks), *std::max_element(peaks.begin(), peaks.end()),
                Median(faults));
}

// The difference of the medians of `field` between the two kinds of run, and the median of the
// paired differences (runs of both kinds alternate).
void PrintDifference(const char* what, const std::vector<SRun>& emptyRuns,
                     const std::vector<SRun>& bigRuns, double SRun::*field) {
    std::vector<double> empty;
    std::vector<double> big;
    std::vector<double> differences;
    for (size_t i = 0; i < emptyRuns.size() && i < bigRuns.size(); ++i) {
        empty.push_back(emptyRuns[i].*field);
        big.push_back(bigRuns[i].*field);
        differences.push_back(bigRuns[i].*field - emptyRuns[i].*field);
    }
    std::printf("65535 entries cost %.2f ms more %s (difference of the medians; median of the "
                "paired differences %.2f ms)\n",
                Median(big) - Median(empty), what, Median(differences));
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
        const QDir dir(QString::fromLocal8Bit(argv[2]));
        return CSampleData::WriteContactFile(dir.filePath("empty.vby"), 0) &&
                       CSampleData::WriteContactFile(dir.filePath("big.vby"), kEntries)
                   ? 0
                   : 1;
    }
    QTemporaryDir dir;
    const QString emptyPath = dir.filePath("empty.vby");
    const QString bigPath = dir.filePath("big.vby");
    const QString home = dir.filePath("home");
    if (!dir.isValid() || !QDir().mkpath(home)) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(dir.path()));
        return 1;
    }
    // Exits the benchmark when the files cannot be written.
    RunOnce({"/proc/self/exe", "--write", dir.path().toStdString()}, {});
    std::printf("contact files: empty %lld bytes, %d entries %lld bytes\n",
                static_cast<long long>(QFileInfo(emptyPath).size()), kEntries,
                static_cast<long long>(QFileInfo(bigPath).size()));

    // The environment of this program, with the platform, HOME and the measuring aid set.
    std::vector<std::string> environment;
    const auto replaced = [](const std::string& entry) {
        for (const char* name : {"QT_QPA_PLATFORM=", "HOME=", "VELLOBY_QUIT_WHEN_SHOWN=",
                                 "XDG_CONFIG_HOME=", "XDG_DATA_HOME=", "XDG_CACHE_HOME="}) {
            if (entry.rfind(name, 0) == 0)
                return true;
        }
        return false;
    };
    for (char** p = environ; *p; ++p) {
        if (!replaced(*p))
            environment.emplace_back(*p);
    }
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    environment.push_back("HOME=" + home.toStdString());
    environment.push_back("VELLOBY_QUIT_WHEN_SHOWN=1");

    // Another build of velloby may be named, to compare it with this one on the same files.
    const std::string program = argc == 2 ? argv[1] : VELLOBY_EXE;
    const std::string empty = emptyPath.toStdString();
    const std::string big = bigPath.toStdString();
    // One run of each first, to warm the caches (and to write the settings a first run writes).
    const std::vector<std::string> onEmpty{program, "--nosplash", empty};
    const std::vector<std::string> onBig{program, "--nosplash", big};
    // velloby writes the moment of its first paint here.
    const std::string shownPath = dir.filePath("shown").toStdString();
    RunOnce(onEmpty, environment, shownPath);
    RunOnce(onBig, environment, shownPath);
    std::vector<SRun> emptyRuns;
    std::vector<SRun> bigRuns;
    for (int i = 0; i < kRuns; ++i) {
        emptyRuns.push_back(RunOnce(onEmpty, environment, shownPath));
        bigRuns.push_back(RunOnce(onBig, environment, shownPath));
    }
    Print("velloby on an empty file until its window shows", emptyRuns);
    Print("velloby on 65535 entries until its window shows", bigRuns);
    PrintDifference("until the window shows", emptyRuns, bigRuns, &SRun::shownMs);
    PrintDifference("to the end of the process", emptyRuns, bigRuns, &SRun::ms);
    PrintDifference("of processor time", emptyRuns, bigRuns, &SRun::cpuMs);
    return 0;
}
