#include "CSafeFile.h"

#include "IFileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

// The system's own calls, in use unless a test puts a double in place.
namespace {

class CSystemFileSystem : public IFileSystem {
public:
    int Open(const char* path, int flags, mode_t mode) override {
        return ::open(path, flags, mode);
    }
    ssize_t Write(int fd, const void* data, size_t size) override {
        return ::write(fd, data, size);
    }
    ssize_t WriteAt(int fd, const void* data, size_t size, off_t offset) override {
        return ::pwrite(fd, data, size, offset);
    }
    int StartWriteback(int fd, off_t offset, off_t size) override {
        return ::sync_file_range(fd, offset, size, SYNC_FILE_RANGE_WRITE);
    }
    int Sync(int fd) override { return ::fsync(fd); }
    int Close(int fd) override { return ::close(fd); }
    int Rename(const char* from, const char* to) override { return std::rename(from, to); }
};

CSystemFileSystem g_system;
IFileSystem* g_pInstance = nullptr;

} // namespace

IFileSystem& IFileSystem::Instance() {
    return g_pInstance ? *g_pInstance : g_system;
}

void IFileSystem::SetInstance(IFileSystem* fileSystem) {
    g_pInstance = fileSystem;
}

namespace {

using Step = CSafeFile::Step;

bool Fail(CSafeFile::SFailure* pFailure, Step step, int error, bool bOldFileKept) {
    if (pFailure) {
        pFailure->nStep = step;
        pFailure->nError = error;
        pFailure->strReason = CSafeFile::Reason(error);
        pFailure->bOldFileKept = bOldFileKept;
    }
    return false;
}

// Writes all of `size` bytes at `data` to `fd`, at its current position or, when `offset` is
// not negative, at that offset: a write may take fewer bytes than asked, or be interrupted before
// it takes any, so it is repeated until everything is written or it fails. Returns 0, or the
// error.
int WriteAll(IFileSystem& fs, int fd, const char* data, qsizetype size, off_t offset = -1) {
    qsizetype left = size;
    while (left > 0) {
        const ssize_t written = offset < 0 ? fs.Write(fd, data, size_t(left))
                                           : fs.WriteAt(fd, data, size_t(left), offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        // Nothing written and no error: the device takes no more.
        if (written == 0)
            return ENOSPC;
        data += written;
        left -= written;
        if (offset >= 0)
            offset += written;
    }
    return 0;
}

// The disk is started on written bytes once this many have gathered, and a large piece is
// written in slices of this size, so that the disk writes the start of the file while the rest
// is still being built and copied, and the final fsync has little left to wait for. Fewer,
// larger steps cost fewer calls; smaller ones start the disk sooner.
constexpr qsizetype kWritebackStep = 1024 * 1024;
// Writeback is started on whole pages only: a page still being filled would be written twice.
constexpr off_t kPageSize = 4096;

// Writes a file's bytes one piece after another, starting the disk on them as they come.
class CStream {
public:
    CStream(IFileSystem& fs, int fd, bool bWriteback)
        : m_fs(fs), m_fd(fd), m_bWriteback(bWriteback) {}

    // Appends `bytes`; 0, or the error.
    int Write(const QByteArray& bytes) {
        const char* data = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            const qsizetype size = m_bWriteback ? std::min(left, kWritebackStep) : left;
            if (const int error = WriteAll(m_fs, m_fd, data, size))
                return error;
            data += size;
            left -= size;
            m_nWritten += size;
            StartWriteback();
        }
        return 0;
    }

private:
    void StartWriteback() {
        const off_t end = m_nWritten / kPageSize * kPageSize;
        if (!m_bWriteback || end - m_nStarted < kWritebackStep)
            return;
        // Only a hint: where it fails, the fsync writes everything all the same, and reports
        // any failure of the disk.
        m_fs.StartWriteback(m_fd, m_nStarted, end - m_nStarted);
        m_nStarted = end;
    }

    IFileSystem& m_fs;
    const int m_fd;
    const bool m_bWriteback;
    off_t m_nWritten = 0;
    off_t m_nStarted = 0;
};

// Writes every piece `fnNext` hands out, then (when `fnHead` is given) the new start of the file
// over the first piece; 0, or the error (ECANCELED when the source failed, or the new start was
// refused or is not as long as the first piece).
int WritePiecesTo(IFileSystem& fs, int fd, const CSafeFile::FnNextPiece& fnNext,
                  const CSafeFile::FnHead& fnHead, bool bWriteback) {
    CStream stream(fs, fd, bWriteback);
    QByteArray piece;
    // The size of the first piece that had bytes: the start the head replaces.
    qsizetype nFirst = -1;
    for (;;) {
        piece.resize(0);
        const CSafeFile::Piece next = fnNext(piece);
        if (next == CSafeFile::Piece::Failed)
            return ECANCELED;
        if (nFirst < 0 && !piece.isEmpty())
            nFirst = piece.size();
        if (const int error = stream.Write(piece))
            return error;
        if (next == CSafeFile::Piece::End)
            break;
    }
    if (!fnHead)
        return 0;
    // The last piece may be large: give its memory back before the head is built.
    piece = QByteArray();
    QByteArray head;
    if (!fnHead(head) || head.size() != qMax<qsizetype>(nFirst, 0))
        return ECANCELED;
    return WriteAll(fs, fd, head.constData(), head.size(), 0);
}

// The file being replaced, held open across the rename. The rename drops the old file's last
// name, and the system then frees its cached pages and its blocks at once, inside the rename:
// milliseconds for a file of megabytes, which the save would wait for. Held open, the old file
// is freed only when it is let go, which a thread of its own does once the save is done.
// Small files are not held: a thread costs more than freeing them.
class COldFile {
public:
    COldFile(const QByteArray& path, off_t size)
        : m_fd(size >= kHeldSize ? ::open(path.constData(), O_RDONLY | O_CLOEXEC) : -1) {}
    ~COldFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    COldFile(const COldFile&) = delete;
    COldFile& operator=(const COldFile&) = delete;

    // Lets go of the file on another thread, where the system frees it.
    void ReleaseLater() {
        if (m_fd < 0)
            return;
        try {
            std::thread([fd = m_fd] { ::close(fd); }).detach();
            m_fd = -1;
        } catch (const std::system_error&) {
            // No thread to be had: the destructor closes it here.
        }
    }

private:
    static constexpr off_t kHeldSize = 1024 * 1024;
    int m_fd;
};

// A source of one piece: the whole of `bytes`.
CSafeFile::FnNextPiece Whole(const QByteArray& bytes) {
    return [&bytes](QByteArray& piece) {
        piece = bytes;
        return CSafeFile::Piece::End;
    };
}

int SyncFile(IFileSystem& fs, int fd) {
    for (;;) {
        if (fs.Sync(fd) == 0)
            return 0;
        if (errno != EINTR)
            return errno;
    }
}

// The file a path stands for: a symbolic link is followed, so saving through a link replaces
// the file it points at and keeps the link.
QString ResolveTarget(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.absoluteFilePath();
}

// Writes straight into something that is not a regular file (a device, a pipe): it has no old
// contents to keep, and it must not be replaced by a regular file.
bool WriteInPlace(IFileSystem& fs, const QByteArray& target, const CSafeFile::FnNextPiece& fnNext,
                  const CSafeFile::FnHead& fnHead, CSafeFile::SFailure* pFailure) {
    const int fd = fs.Open(target.constData(), O_WRONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return Fail(pFailure, Step::Create, errno, false);
    if (const int error = WritePiecesTo(fs, fd, fnNext, fnHead, false)) {
        fs.Close(fd);
        return Fail(pFailure, Step::Write, error, false);
    }
    // Pipes and many devices cannot be synced; that is no failure of the write.
    if (const int error = SyncFile(fs, fd);
        error && error != EINVAL && error != EROFS && error != ENOTSUP) {
        fs.Close(fd);
        return Fail(pFailure, Step::Sync, error, false);
    }
    if (fs.Close(fd) != 0 && errno != EINTR)
        return Fail(pFailure, Step::Close, errno, false);
    return true;
}

} // namespace

QString CSafeFile::Reason(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("the disk is full");
    case EDQUOT:
        return QStringLiteral("your disk quota is used up");
    case EACCES:
    case EPERM:
        return QStringLiteral("you do not have permission to write there");
    case EROFS:
        return QStringLiteral("the disk is read-only");
    case ENOENT:
        return QStringLiteral("its folder does not exist");
    case ENOTDIR:
        return QStringLiteral("a part of its path is not a folder");
    case EISDIR:
        return QStringLiteral("it is a folder");
    case EIO:
        return QStringLiteral("the disk reported an error");
    case EFBIG:
        return QStringLiteral("the file is too large for the disk");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString CSafeFile::Message(const QString& path, const SFailure& failure) {
    QString text = QStringLiteral("Cannot save \"%1\": %2.")
                       .arg(QDir::toNativeSeparators(path), failure.strReason);
    if (failure.bOldFileKept)
        text += QStringLiteral(" The file on disk was left as it was.");
    return text;
}

bool CSafeFile::Write(const QString& path, const QByteArray& bytes, QString* pError) {
    SFailure failure;
    if (Write(path, bytes, &failure))
        return true;
    if (pError)
        *pError = Message(path, failure);
    return false;
}

bool CSafeFile::Write(const QString& path, const QByteArray& bytes, SFailure* pFailure) {
    return WritePieces(path, Whole(bytes), pFailure);
}

bool CSafeFile::WritePieces(const QString& path, const FnNextPiece& fnNext, SFailure* pFailure) {
    return WritePieces(path, fnNext, FnHead(), pFailure);
}

bool CSafeFile::WritePieces(const QString& path, const FnNextPiece& fnNext, const FnHead& fnHead,
                            SFailure* pFailure) {
    IFileSystem& fs = IFileSystem::Instance();
    const QString resolved = ResolveTarget(path);
    const QFileInfo info(resolved);
    const QByteArray target = QFile::encodeName(resolved);

    struct stat old {};
    const bool bExists = ::stat(target.constData(), &old) == 0;
    if (bExists && S_ISDIR(old.st_mode))
        return Fail(pFailure, Step::Create, EISDIR, false);
    if (bExists && !S_ISREG(old.st_mode))
        return WriteInPlace(fs, target, fnNext, fnHead, pFailure);

    // The temporary file: hidden, beside the target, so the rename stays on one file system.
    const QByteArray prefix =
        QFile::encodeName(info.absolutePath()) + "/." + QFile::encodeName(info.fileName()) + '.';
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = prefix + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        // A new file gets the usual permissions (the umask applies); a replaced one keeps its
        // own, below.
        fd = fs.Open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return Fail(pFailure, Step::Create, errno, bExists);
    }
    if (fd < 0)
        return Fail(pFailure, Step::Create, EEXIST, bExists);

    auto abandon = [&](Step step, int error) {
        fs.Close(fd);
        ::unlink(temp.constData());
        return Fail(pFailure, step, error, bExists);
    };
    if (bExists) {
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            return abandon(Step::Create, errno);
        // Keep the owner where we may (saving someone else's file as root); otherwise the file
        // becomes ours, as any new file would.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)::fchown(fd, old.st_uid, old.st_gid);
    }
    if (const int error = WritePiecesTo(fs, fd, fnNext, fnHead, true))
        return abandon(Step::Write, error);
    // The data must be on disk before the rename makes it the file: otherwise a power cut could
    // leave the new name on blocks never written.
    if (const int error = SyncFile(fs, fd))
        return abandon(Step::Sync, error);
    // Some file systems report a failed write only at the close. Interrupted, the descriptor
    // is released all the same, and the data was already synced.
    if (fs.Close(fd) != 0 && errno != EINTR) {
        const int error = errno;
        ::unlink(temp.constData());
        return Fail(pFailure, Step::Close, error, bExists);
    }
    COldFile oldFile(target, bExists ? old.st_size : 0);
    if (fs.Rename(temp.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return Fail(pFailure, Step::Rename, error, bExists);
    }
    // The rename lasts through a power cut only once the folder is on disk. If that fails the
    // save still succeeded: the new file is complete, and a lost rename would leave the old,
    // complete file.
    const int dirFd = fs.Open(QFile::encodeName(info.absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dirFd >= 0) {
        SyncFile(fs, dirFd);
        fs.Close(dirFd);
    }
    oldFile.ReleaseLater();
    return true;
}
