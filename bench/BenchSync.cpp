// Sync of a contact file with a local Radicale (started here through the test script):
// - the first upload of entries to an empty address book: the wall time, and the client's share
//   of it (the processor time of this process: building and reading cards and XML, the sidecar,
//   the network code). Radicale takes long for each card added to a large collection, so the
//   default is 2,000 entries; VELLOBY_BENCH_UPLOAD=10000 runs the full size (for hours);
// - the first download of 10,000 entries put into the server's storage directly;
// - a sync with nothing to do, 10,000 entries on both sides, in process (CSyncSession::RunBlocking)
//   and as a whole process (velloby --sync FILE --url URL --user velloby, the password in
//   VELLOBY_SYNC_PASSWORD), when the program beside this one takes --sync.
#include "BenchUtil.h"
#include "CSampleData.h"
#include "CSyncSession.h"
#include "CVCardWriter.h"

#include <CNotesLabel.h>
#include <CVornDoc.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

constexpr int kEntries = 10000;
constexpr int kRuns = 7;

double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

QString ReadLine(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

bool Script(const QString& command, const QString& dir) {
    return QProcess::execute(QStringLiteral(VELLOBY_RADICALE_SCRIPT), {command, dir}) == 0;
}

CSyncAccount Account(const QString& url) {
    CSyncAccount account;
    account.url = QUrl(url);
    account.strUser = QStringLiteral("velloby");
    account.strPassword = QStringLiteral("velloby-test");
    return account;
}

// The server's folder, so that a failure stops the server before the benchmark ends.
QString g_strServerDir;

void Check(const CSyncResult& result) {
    if (!result.bOk) {
        std::fprintf(stderr, "%s\n", qPrintable(result.Summary()));
        Script(QStringLiteral("stop"), g_strServerDir);
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir dir;
    const QString serverDir = dir.filePath(QStringLiteral("server"));
    g_strServerDir = serverDir;
    if (!Script(QStringLiteral("start"), serverDir)) {
        std::fprintf(stderr, "the Radicale server did not start\n");
        return 1;
    }
    const QString base = ReadLine(serverDir + QStringLiteral("/url"));

    // The first upload, into an address book of its own.
    const int nUpload = qEnvironmentVariableIsSet("VELLOBY_BENCH_UPLOAD")
                            ? qEnvironmentVariableIntValue("VELLOBY_BENCH_UPLOAD")
                            : 2000;
    {
        const QString uploadBook = base + QStringLiteral("velloby/upload/");
        QProcess mkbook;
        mkbook.start(QStringLiteral(VELLOBY_RADICALE_SCRIPT),
                     {QStringLiteral("mkbook"), serverDir, QStringLiteral("upload")});
        mkbook.waitForFinished();
        CNotesLabel label;
        CVornDoc doc(label);
        for (int i = 0; i < nUpload; ++i)
            doc.m_personList.push_back(std::make_unique<CPerson>(CSampleData::MakePerson(i)));
        QElapsedTimer wall;
        const double cpuBefore = CpuMs();
        wall.start();
        const CSyncResult upload = CSyncSession::RunBlocking(
            doc, dir.filePath(QStringLiteral("upload.vby")), Account(uploadBook));
        const double uploadMs = double(wall.elapsed());
        const double clientMs = CpuMs() - cpuBefore;
        Check(upload);
        std::printf("first upload of %d entries: %.0f ms (%d sent, %.1f ms each); client "
                    "processor time %.0f ms, %.1f%% of it\n",
                    nUpload, uploadMs, upload.nSent, uploadMs / qMax(1, upload.nSent), clientMs,
                    100.0 * clientMs / uploadMs);
    }

    // 10,000 cards put straight into the server's storage, then fetched by a first sync.
    const QString book = ReadLine(serverDir + QStringLiteral("/addressbook"));
    const QString storage =
        serverDir + QStringLiteral("/collections/collection-root/velloby/contacts/");
    for (int i = 0; i < kEntries; ++i) {
        const CPerson person = CSampleData::MakePerson(100000 + i);
        QFile card(storage + QStringLiteral("seed-%1.vcf").arg(i));
        if (!card.open(QIODevice::WriteOnly) ||
            card.write(CVCardWriter::Write({&person}, CVCardWriter::Version::V30)) <= 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(card.fileName()));
            return 1;
        }
    }
    const QString path = dir.filePath(QStringLiteral("bench.vby"));
    CNotesLabel label;
    CVornDoc doc(label);
    QElapsedTimer wall;
    const double cpuBefore = CpuMs();
    wall.start();
    const CSyncResult download = CSyncSession::RunBlocking(doc, path, Account(book));
    const double downloadMs = double(wall.elapsed());
    const double clientMs = CpuMs() - cpuBefore;
    Check(download);
    std::printf("first download of %d entries: %.0f ms (%d received); client processor time "
                "%.0f ms\n",
                kEntries, downloadMs, download.nReceived, clientMs);
    QString error;
    if (!doc.OnSaveDocument(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    Check(CSyncSession::RunBlocking(doc, path, Account(book)));

    double cpuNothing = 0;
    Measure(QStringLiteral("sync with nothing to do, %1 entries, in process").arg(kEntries), kRuns,
            [&] {
                const double cpu = CpuMs();
                const CSyncResult result = CSyncSession::RunBlocking(doc, path, Account(book));
                cpuNothing = CpuMs() - cpu;
                Check(result);
                if (result.nSent + result.nReceived != 0) {
                    std::fprintf(stderr, "a sync with nothing to do did something\n");
                    Script(QStringLiteral("stop"), g_strServerDir);
                    std::exit(1);
                }
            });
    std::printf("  client processor time of the last run: %.0f ms\n", cpuNothing);

    const QString velloby = QCoreApplication::applicationDirPath() + QStringLiteral("/velloby");
    if (QFileInfo::exists(velloby)) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELLOBY_SYNC_PASSWORD"), QStringLiteral("velloby-test"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const QStringList arguments{QStringLiteral("--sync"), path,
                                    QStringLiteral("--url"),  book,
                                    QStringLiteral("--user"), QStringLiteral("velloby")};
        bool bSupported = true;
        Measure(QStringLiteral("velloby --sync with nothing to do, %1 entries, whole process")
                    .arg(kEntries),
                kRuns, [&] {
                    if (!bSupported)
                        return;
                    QProcess process;
                    process.setProcessEnvironment(env);
                    process.start(velloby, arguments);
                    process.waitForFinished(120000);
                    if (process.exitCode() != 0) {
                        std::fprintf(stderr, "velloby --sync: exit %d: %s\n", process.exitCode(),
                                     process.readAllStandardError().constData());
                        bSupported = false;
                    }
                });
        if (!bSupported)
            std::printf("  (the velloby program here does not sync yet; the figure is void)\n");
    } else {
        std::printf("velloby --sync: no velloby program beside this benchmark\n");
    }
    Script(QStringLiteral("stop"), serverDir);
    return 0;
}
