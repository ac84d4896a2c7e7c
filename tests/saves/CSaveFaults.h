#pragma once

#include "CFaultyFileSystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <unistd.h>

// The ways a save can fail, as rows of a table that every program's save path is driven
// through: the file system double fails the chosen call, and the user must be told the reason.
Q_DECLARE_METATYPE(CFaultyFileSystem::Fault)

namespace SaveFaults {

inline void AddColumns() {
    QTest::addColumn<CFaultyFileSystem::Fault>("fault");
    QTest::addColumn<qint64>("failAt");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
}

inline void AddRows() {
    using F = CFaultyFileSystem;
    QTest::newRow("temporary file refused")
        << F::FailOpen << qint64(0) << EACCES << "you do not have permission to write there";
    QTest::newRow("first write") << F::FailWrite << qint64(0) << ENOSPC << "the disk is full";
    QTest::newRow("middle") << F::FailWrite << qint64(4) << ENOSPC << "the disk is full";
    QTest::newRow("last byte") << F::FailWrite << qint64(-1) << ENOSPC << "the disk is full";
    QTest::newRow("fsync") << F::FailSync << qint64(0) << EIO << "the disk reported an error";
    QTest::newRow("final close") << F::FailClose << qint64(0) << EIO
                                 << "the disk reported an error";
    QTest::newRow("rename") << F::FailRename << qint64(0) << EROFS << "the disk is read-only";
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Everything in a folder, hidden files included: a temporary file left behind shows here.
inline QStringList Entries(const QString& folder) {
    QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                 QDir::NoDotAndDotDot);
    entries.sort();
    return entries;
}

// A small tmpfs mounted on a temporary folder for the life of the object, so a test can fill
// a real disk. Mounting needs root; Mount() says why it cannot.
class CTmpfs {
public:
    explicit CTmpfs(int nKilobytes) : m_nKilobytes(nKilobytes) {}
    ~CTmpfs() {
        if (m_bMounted)
            QProcess::execute(QStringLiteral("umount"), {m_dir.path()});
    }
    CTmpfs(const CTmpfs&) = delete;
    CTmpfs& operator=(const CTmpfs&) = delete;

    bool Mount(QString* pWhyNot) {
        if (::geteuid() != 0) {
            *pWhyNot = QStringLiteral("mounting a small tmpfs needs root");
            return false;
        }
        QProcess mount;
        mount.start(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=%1k,mode=0755").arg(m_nKilobytes),
                     QStringLiteral("velloby-test"), m_dir.path()});
        if (!mount.waitForFinished(20000) || mount.exitStatus() != QProcess::NormalExit ||
            mount.exitCode() != 0) {
            *pWhyNot = QStringLiteral("mount refused a tmpfs here: ") +
                       QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
            return false;
        }
        m_bMounted = true;
        return true;
    }

    QString FilePath(const QString& name) const { return m_dir.filePath(name); }
    QString Path() const { return m_dir.path(); }

    // Fills the disk with a file of its own until no more than `nLeft` bytes are free.
    bool Fill(qint64 nLeft) {
        QFile filler(FilePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        // Give back whole blocks until the room asked for is free.
        const qint64 size = QFileInfo(filler).size();
        return nLeft == 0 || filler.resize(qMax<qint64>(0, size - nLeft));
    }

private:
    QTemporaryDir m_dir;
    int m_nKilobytes;
    bool m_bMounted = false;
};

} // namespace SaveFaults
