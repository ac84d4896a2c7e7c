// Writing a file so that it is replaced whole or not at all: a failure at every step leaves the
// old file byte for byte and no temporary file; the calls happen in the order that makes the
// new file durable; short and interrupted writes still write everything.
#include "CFaultyFileSystem.h"
#include "CSafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Fault = CFaultyFileSystem::Fault;
using Step = CSafeFile::Step;

const QByteArray kOld = "the old, good contents\n";

QByteArray NewBytes() {
    QByteArray bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += "line " + QByteArray::number(i) + '\n';
    return bytes;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteOld(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(kOld), kOld.size());
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace

Q_DECLARE_METATYPE(CFaultyFileSystem::Fault)
Q_DECLARE_METATYPE(CSafeFile::Step)

class TestSafeFile : public QObject {
    Q_OBJECT
private slots:
    void failureKeepsOldFile_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<qint64>("failAt");
        QTest::addColumn<int>("error");
        QTest::addColumn<Step>("step");
        QTest::addColumn<QString>("reason");
        const qint64 size = NewBytes().size();
        QTest::newRow("temporary file refused")
            << Fault::FailOpen << qint64(0) << EACCES << Step::Create
            << "you do not have permission to write there";
        QTest::newRow("first write")
            << Fault::FailWrite << qint64(0) << ENOSPC << Step::Write << "the disk is full";
        QTest::newRow("middle") << Fault::FailWrite << size / 2 << ENOSPC << Step::Write
                                << "the disk is full";
        QTest::newRow("last byte") << Fault::FailWrite << size - 1 << EDQUOT << Step::Write
                                   << "your disk quota is used up";
        QTest::newRow("fsync") << Fault::FailSync << qint64(0) << EIO << Step::Sync
                               << "the disk reported an error";
        QTest::newRow("final close")
            << Fault::FailClose << qint64(0) << EIO << Step::Close << "the disk reported an error";
        QTest::newRow("rename") << Fault::FailRename << qint64(0) << EROFS << Step::Rename
                                << "the disk is read-only";
    }
    void failureKeepsOldFile() {
        QFETCH(Fault, fault);
        QFETCH(qint64, failAt);
        QFETCH(int, error);
        QFETCH(Step, step);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        const QString fresh = dir.filePath("fresh.vby");
        WriteOld(path);
        for (const QString& target : {path, fresh}) {
            CFaultyFileSystem fs(fault, failAt);
            fs.m_nError = error;
            CSafeFile::SFailure failure;
            QVERIFY(!CSafeFile::Write(target, NewBytes(), &failure));
            QCOMPARE(failure.nStep, step);
            QCOMPARE(failure.nError, error);
            QCOMPARE(failure.strReason, reason);
            QCOMPARE(failure.bOldFileKept, target == path);
        }
        QCOMPARE(ReadFile(path), kOld);
        // No temporary file left behind, and no new file where there was none.
        QCOMPARE(Entries(dir.path()), QStringList{"contacts.vby"});

        CFaultyFileSystem fs(fault, failAt);
        fs.m_nError = error;
        QString message;
        QVERIFY(!CSafeFile::Write(path, NewBytes(), &message));
        QCOMPARE(message, QStringLiteral("Cannot save \"%1\": %2. The file on disk was left as it "
                                         "was.")
                              .arg(QDir::toNativeSeparators(path), reason));
    }

    // A file written a piece at a time: every piece lands in order; a source that fails, or a
    // disk that fills after some pieces were written, leaves the old file and no temporary one.
    void pieces_data() {
        QTest::addColumn<int>("nPieces");
        QTest::addColumn<int>("nFailedSourceAt");
        QTest::addColumn<qint64>("nDiskFullAt");
        QTest::addColumn<bool>("bWritten");
        QTest::addColumn<int>("error");
        QTest::newRow("one piece") << 1 << -1 << qint64(-1) << true << 0;
        QTest::newRow("many pieces, empty ones among them") << 40 << -1 << qint64(-1) << true << 0;
        QTest::newRow("source fails at once") << 40 << 0 << qint64(-1) << false << ECANCELED;
        QTest::newRow("source fails after pieces were written")
            << 40 << 25 << qint64(-1) << false << ECANCELED;
        QTest::newRow("disk full in a later piece") << 40 << -1 << qint64(1500) << false << ENOSPC;
    }
    void pieces() {
        QFETCH(int, nPieces);
        QFETCH(int, nFailedSourceAt);
        QFETCH(qint64, nDiskFullAt);
        QFETCH(bool, bWritten);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vcf");
        WriteOld(path);
        QByteArray expected;
        int nAsked = 0;
        bool bStartedEmpty = true;
        const auto next = [&](QByteArray& piece) {
            bStartedEmpty = bStartedEmpty && piece.isEmpty();
            const int n = nAsked++;
            if (n == nFailedSourceAt)
                return CSafeFile::Piece::Failed;
            // Every seventh piece is empty: that ends nothing.
            if (n % 7 != 3)
                piece = "piece " + QByteArray::number(n) + ": " + QByteArray(n * 3, 'x') + '\n';
            expected += piece;
            return n + 1 < nPieces ? CSafeFile::Piece::More : CSafeFile::Piece::End;
        };
        std::unique_ptr<CFaultyFileSystem> pFs;
        if (nDiskFullAt >= 0)
            pFs = std::make_unique<CFaultyFileSystem>(Fault::FailWrite, nDiskFullAt);
        CSafeFile::SFailure failure;
        QCOMPARE(CSafeFile::WritePieces(path, next, &failure), bWritten);
        pFs.reset();
        QVERIFY(bStartedEmpty);
        if (bWritten) {
            QCOMPARE(nAsked, nPieces);
            QCOMPARE(ReadFile(path), expected);
        } else {
            QCOMPARE(failure.nStep, Step::Write);
            QCOMPARE(failure.nError, error);
            QVERIFY(failure.bOldFileKept);
            QCOMPARE(ReadFile(path), kOld);
            // The source was not asked again after the failure.
            if (nFailedSourceAt >= 0)
                QCOMPARE(nAsked, nFailedSourceAt + 1);
        }
        QCOMPARE(Entries(dir.path()), QStringList{"contacts.vcf"});
    }

    // The data reaches the disk before the rename makes it the file, and the folder after it.
    void durableOrder() {
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        WriteOld(path);
        CFaultyFileSystem fs;
        QVERIFY(CSafeFile::Write(path, "new", static_cast<QString*>(nullptr)));
        QCOMPARE(fs.m_calls.size(), 8);
        QVERIFY(fs.m_calls[0].startsWith("open " + QFile::encodeName(dir.path()) + "/."));
        QCOMPARE(fs.m_calls.mid(1, 4), (QList<QByteArray>{"write", "sync", "close", "rename"}));
        QCOMPARE(fs.m_calls.mid(5),
                 (QList<QByteArray>{"open " + QFile::encodeName(dir.path()), "sync", "close"}));
        QCOMPARE(ReadFile(path), QByteArray("new"));
        QCOMPARE(Entries(dir.path()), QStringList{"contacts.vby"});
    }

    void shortAndInterruptedWrites_data() {
        QTest::addColumn<qint64>("maxWrite");
        QTest::addColumn<bool>("interrupt");
        QTest::newRow("short writes") << qint64(7) << false;
        QTest::newRow("interrupted") << qint64(0) << true;
        QTest::newRow("both") << qint64(1000) << true;
    }
    void shortAndInterruptedWrites() {
        QFETCH(qint64, maxWrite);
        QFETCH(bool, interrupt);
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        WriteOld(path);
        CFaultyFileSystem fs;
        fs.m_nMaxWrite = maxWrite;
        fs.m_bInterrupt = interrupt;
        QString error;
        QVERIFY2(CSafeFile::Write(path, NewBytes(), &error), qPrintable(error));
        QCOMPARE(ReadFile(path), NewBytes());
        QCOMPARE(fs.m_nWritten, NewBytes().size());
    }

    void keepsPermissionsAndLinks() {
        QTemporaryDir dir;
        const QString path = dir.filePath("private.vby");
        WriteOld(path);
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(CSafeFile::Write(path, "one"));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
        // Saving through a link replaces the file it points at and keeps the link.
        const QString link = dir.filePath("link.vby");
        QVERIFY(QFile::link(path, link));
        QVERIFY(CSafeFile::Write(link, "two"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadFile(path), QByteArray("two"));
        QCOMPARE(Entries(dir.path()), (QStringList{"link.vby", "private.vby"}));
    }

    void targetsThatAreNoRegularFile() {
        QTemporaryDir dir;
        // A folder is refused.
        CSafeFile::SFailure failure;
        QVERIFY(!CSafeFile::Write(dir.path(), "x", &failure));
        QCOMPARE(failure.nError, EISDIR);
        // A pipe is written into, not replaced by a file.
        const QByteArray fifo = QFile::encodeName(dir.filePath("pipe"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        QVERIFY(CSafeFile::Write(dir.filePath("pipe"), "through the pipe"));
        char buffer[64] = {};
        QCOMPARE(::read(reader, buffer, sizeof buffer), qsizetype(16));
        ::close(reader);
        QCOMPARE(QByteArray(buffer), QByteArray("through the pipe"));
        struct stat info {};
        QCOMPARE(::stat(fifo.constData(), &info), 0);
        QVERIFY(S_ISFIFO(info.st_mode));
        QCOMPARE(Entries(dir.path()), QStringList{"pipe"});
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "TestSafeFile.moc"
