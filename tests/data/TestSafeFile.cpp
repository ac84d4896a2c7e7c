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
        // The pieces add up to 2336 bytes; the last one starts at byte 2208.
        QTest::newRow("disk full in the last piece") << 40 << -1 << qint64(2300) << false << ENOSPC;
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

    // A file whose start is written again once every piece is out (a header with counts known
    // only at the end): the new start lands over the first piece and before the sync; a start of
    // the wrong length, a refused one, a disk that fills during the patch, or a failing source
    // leave the old file and no temporary one.
    void headPatched_data() {
        QTest::addColumn<int>("nHeadDelta");
        QTest::addColumn<bool>("bHeadGiven");
        QTest::addColumn<bool>("bLeadingEmpty");
        QTest::addColumn<int>("nFailedSourceAt");
        QTest::addColumn<qint64>("nDiskFullPastEnd");
        QTest::addColumn<qint64>("nMaxWrite");
        QTest::addColumn<int>("error");
        QTest::newRow("head patched") << 0 << true << false << -1 << qint64(-1) << qint64(0) << 0;
        QTest::newRow("head after an empty first piece")
            << 0 << true << true << -1 << qint64(-1) << qint64(0) << 0;
        QTest::newRow("head patched by short, interrupted writes")
            << 0 << true << false << -1 << qint64(-1) << qint64(3) << 0;
        QTest::newRow("head longer")
            << 1 << true << false << -1 << qint64(-1) << qint64(0) << ECANCELED;
        QTest::newRow("head shorter")
            << -1 << true << false << -1 << qint64(-1) << qint64(0) << ECANCELED;
        QTest::newRow("head refused")
            << 0 << false << false << -1 << qint64(-1) << qint64(0) << ECANCELED;
        QTest::newRow("disk full during the patch")
            << 0 << true << false << -1 << qint64(5) << qint64(0) << ENOSPC;
        QTest::newRow("disk full at the patch's first byte")
            << 0 << true << false << -1 << qint64(0) << qint64(0) << ENOSPC;
        QTest::newRow("pieces failing")
            << 0 << true << false << 12 << qint64(-1) << qint64(0) << ECANCELED;
    }
    void headPatched() {
        QFETCH(int, nHeadDelta);
        QFETCH(bool, bHeadGiven);
        QFETCH(bool, bLeadingEmpty);
        QFETCH(int, nFailedSourceAt);
        QFETCH(qint64, nDiskFullPastEnd);
        QFETCH(qint64, nMaxWrite);
        QFETCH(int, error);
        const int nPieces = 30;
        const QByteArray placeholder = "COUNT 0000 SUM 00000000\n";
        QByteArray body;
        for (int n = 0; n < nPieces; ++n)
            body += "entry " + QByteArray::number(n) + '\n';
        const QByteArray head =
            "COUNT " + QByteArray::number(nPieces).rightJustified(4, '0') + " SUM " +
            QByteArray::number(qChecksum(body), 16).rightJustified(8, '0') + '\n';
        QCOMPARE(head.size(), placeholder.size());

        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        WriteOld(path);
        CFaultyFileSystem fs(nDiskFullPastEnd >= 0 ? Fault::FailWrite : Fault::None,
                             placeholder.size() + body.size() + nDiskFullPastEnd);
        fs.m_nMaxWrite = nMaxWrite;
        fs.m_bInterrupt = nMaxWrite > 0;
        int nAsked = 0;
        int nBodyPieces = 0;
        QByteArray written;
        const auto next = [&](QByteArray& piece) {
            const int n = nAsked++;
            if (nBodyPieces == nFailedSourceAt)
                return CSafeFile::Piece::Failed;
            if (n == 0 && bLeadingEmpty)
                return CSafeFile::Piece::More;
            if (written.isEmpty()) {
                piece = placeholder;
            } else {
                piece = "entry " + QByteArray::number(nBodyPieces++) + '\n';
            }
            written += piece;
            return nBodyPieces < nPieces ? CSafeFile::Piece::More : CSafeFile::Piece::End;
        };
        int nHeadAsked = 0;
        const auto newHead = [&](QByteArray& bytes) {
            ++nHeadAsked;
            // Asked once, after the last piece, with nothing in hand.
            if (!bytes.isEmpty() || nBodyPieces != nPieces)
                return false;
            bytes = nHeadDelta < 0 ? head.chopped(1) : nHeadDelta > 0 ? head + '\n' : head;
            return bHeadGiven;
        };
        CSafeFile::SFailure failure;
        const bool bWritten = CSafeFile::WritePieces(path, next, newHead, &failure);
        QCOMPARE(bWritten, error == 0);
        QCOMPARE(nHeadAsked, nFailedSourceAt < 0 ? 1 : 0);
        if (bWritten) {
            QCOMPARE(ReadFile(path), head + body);
            // The patch goes to disk with the rest: after every piece, before the sync.
            const qsizetype nSync = fs.m_calls.indexOf("sync");
            QVERIFY(nSync > 0);
            QVERIFY(fs.m_calls.lastIndexOf("write") < nSync);
            QVERIFY(fs.m_calls.indexOf("write at 0") > fs.m_calls.lastIndexOf("write"));
            for (qsizetype n = nSync; n < fs.m_calls.size(); ++n)
                QVERIFY(!fs.m_calls[n].startsWith("write"));
        } else {
            QCOMPARE(failure.nStep, Step::Write);
            QCOMPARE(failure.nError, error);
            QVERIFY(failure.bOldFileKept);
            QCOMPARE(ReadFile(path), kOld);
            QVERIFY(!fs.m_calls.contains("sync"));
        }
        QCOMPARE(Entries(dir.path()), QStringList{"contacts.vby"});
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

    // A large file: the disk is started on the bytes as they are written, in whole pages that
    // follow each other from the start, each only once written and all before the fsync; the
    // hint failing changes nothing. A small file is written and synced alone.
    void writebackStartedAsWritten_data() {
        QTest::addColumn<qint64>("nSize");
        QTest::addColumn<int>("nPieceSize");
        QTest::addColumn<bool>("bHintFails");
        QTest::newRow("small file") << qint64(5000) << 5000 << false;
        QTest::newRow("one large piece") << qint64(3500001) << 3500001 << false;
        QTest::newRow("pieces of odd sizes") << qint64(3000000) << 77777 << false;
        QTest::newRow("hint refused") << qint64(3000000) << 300001 << true;
    }
    void writebackStartedAsWritten() {
        QFETCH(qint64, nSize);
        QFETCH(int, nPieceSize);
        QFETCH(bool, bHintFails);
        QByteArray bytes(nSize, Qt::Uninitialized);
        for (qint64 i = 0; i < nSize; ++i)
            bytes[i] = char('a' + (i * 7 + i / 4096) % 26);
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        WriteOld(path);
        CFaultyFileSystem fs(bHintFails ? Fault::FailWriteback : Fault::None);
        fs.m_nError = ENOSYS;
        qint64 nHanded = 0;
        const auto next = [&](QByteArray& piece) {
            piece = bytes.mid(nHanded, nPieceSize);
            nHanded += piece.size();
            return nHanded < nSize ? CSafeFile::Piece::More : CSafeFile::Piece::End;
        };
        CSafeFile::SFailure failure;
        QVERIFY2(CSafeFile::WritePieces(path, next, &failure), qPrintable(failure.strReason));
        QCOMPARE(ReadFile(path), bytes);

        qint64 nStarted = 0;
        for (const auto& writeback : fs.m_writebacks) {
            QCOMPARE(writeback.nOffset, nStarted);
            QVERIFY(writeback.nSize > 0);
            QCOMPARE((writeback.nOffset + writeback.nSize) % 4096, 0);
            QVERIFY(writeback.nOffset + writeback.nSize <= writeback.nWrittenBefore);
            nStarted += writeback.nSize;
        }
        if (nSize < 1024 * 1024) {
            QVERIFY(fs.m_writebacks.isEmpty());
        } else {
            // Most of the file was under way before the fsync was asked for.
            QVERIFY2(nStarted > nSize / 2, qPrintable(QString::number(nStarted)));
            qsizetype nLastHint = -1;
            for (qsizetype n = 0; n < fs.m_calls.size(); ++n)
                if (fs.m_calls[n].startsWith("writeback"))
                    nLastHint = n;
            QVERIFY(fs.m_calls.indexOf("sync") > nLastHint);
        }
        QCOMPARE(Entries(dir.path()), QStringList{"contacts.vby"});
    }

    // Replacing a large file lets go of the old one once the save is done: no descriptor of a
    // replaced file is left open, however many saves there were.
    void replacedFilesLetGo() {
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        QByteArray bytes(3 * 1024 * 1024, 'x');
        for (int i = 0; i < 4; ++i) {
            bytes[0] = char('0' + i);
            QVERIFY(CSafeFile::Write(path, bytes));
        }
        QCOMPARE(ReadFile(path), bytes);
        // Descriptors of this process open on a file of the folder, the replaced ones included.
        const auto openDeleted = [&dir] {
            int nOpen = 0;
            const QDir fds(QStringLiteral("/proc/self/fd"));
            for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System)) {
                char target[4096];
                const ssize_t size = ::readlink(QFile::encodeName(fds.filePath(fd)).constData(),
                                                target, sizeof target);
                if (size > 0 && QByteArray(target, size).startsWith(QFile::encodeName(dir.path())))
                    ++nOpen;
            }
            return nOpen;
        };
        QTRY_COMPARE_WITH_TIMEOUT(openDeleted(), 0, 5000);
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
        // A pipe's start cannot be written again: a write that needs it fails.
        const auto one = [](QByteArray& piece) {
            piece = "start";
            return CSafeFile::Piece::End;
        };
        const auto head = [](QByteArray& bytes) {
            bytes = "START";
            return true;
        };
        const int reader2 = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader2 >= 0);
        QVERIFY(!CSafeFile::WritePieces(dir.filePath("pipe"), one, head, &failure));
        QCOMPARE(failure.nStep, Step::Write);
        QCOMPARE(failure.nError, ESPIPE);
        ::close(reader2);
        struct stat info {};
        QCOMPARE(::stat(fifo.constData(), &info), 0);
        QVERIFY(S_ISFIFO(info.st_mode));
        QCOMPARE(Entries(dir.path()), QStringList{"pipe"});
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "TestSafeFile.moc"
