#include "CEarlyOpen.h"

#include "CArchive.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// What tells one version of a file from another without reading it: a file replaced (a new
// inode), rewritten (its times) or grown or cut (its size).
struct SIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static SIdentity Of(const struct stat& st) {
        return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const SIdentity& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

struct SEarly {
    QString strPath;
    QByteArray localPath;
    std::thread reader;
    // Written by the reader, read after it is joined.
    bool bGood = false;
    SIdentity identity;
    CVornDoc::SContents contents;

    void Read() {
        // Without waiting: opening a pipe would wait for a writer, and only plain files are read
        // here (no wait on a plain file's reads either way).
        const int fd = ::open(localPath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return;
        struct stat st {};
        QByteArray bytes;
        bool bRead = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
        if (bRead) {
            try {
                bytes = CArchive::NewBuffer(qsizetype(st.st_size));
            } catch (const std::bad_alloc&) {
                bRead = false;
            }
        }
        qsizetype got = 0;
        while (bRead && got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                bRead = false;
            else
                got += n;
        }
        // A file that grew while it was read is left to the normal open.
        char extra = 0;
        if (bRead && ::read(fd, &extra, 1) != 0)
            bRead = false;
        ::close(fd);
        if (!bRead)
            return;
        identity = SIdentity::Of(st);
        try {
            CArchive ar(bytes);
            // The buffer is this thread's alone: the texts are kept in it.
            ar.CompactTexts();
            CVornDoc::ReadContents(ar, contents);
            ar.ReleaseUnusedSource();
            bGood = true;
        } catch (const CArchiveException&) {
            contents = CVornDoc::SContents();
        } catch (const std::bad_alloc&) {
            contents = CVornDoc::SContents();
        }
    }
};

std::unique_ptr<SEarly> g_pEarly;
// The thread that frees early reads nobody took.
std::thread g_freer;

void FreeAside(std::unique_ptr<SEarly> pEarly) {
    if (!pEarly)
        return;
    if (g_freer.joinable())
        g_freer.join();
    g_freer = std::thread([pEarly = std::move(pEarly)]() mutable {
        if (pEarly->reader.joinable())
            pEarly->reader.join();
        pEarly.reset();
    });
}

} // namespace

void CEarlyOpen::Start(const QString& path) {
    Discard();
    if (path.isEmpty())
        return;
    auto pEarly = std::make_unique<SEarly>();
    pEarly->strPath = QFileInfo(path).absoluteFilePath();
    pEarly->localPath = QFile::encodeName(pEarly->strPath);
    SEarly* p = pEarly.get();
    try {
        p->reader = std::thread([p] { p->Read(); });
    } catch (const std::system_error&) {
        return;
    }
    g_pEarly = std::move(pEarly);
}

bool CEarlyOpen::Take(const QString& path, CVornDoc::SContents& contents) {
    std::unique_ptr<SEarly> pEarly = std::move(g_pEarly);
    if (!pEarly)
        return false;
    if (QFileInfo(path).absoluteFilePath() != pEarly->strPath) {
        FreeAside(std::move(pEarly));
        return false;
    }
    if (pEarly->reader.joinable())
        pEarly->reader.join();
    struct stat st {};
    if (!pEarly->bGood || ::stat(pEarly->localPath.constData(), &st) != 0 ||
        !(SIdentity::Of(st) == pEarly->identity)) {
        FreeAside(std::move(pEarly));
        return false;
    }
    contents = std::move(pEarly->contents);
    return true;
}

void CEarlyOpen::Wait() {
    if (g_pEarly && g_pEarly->reader.joinable())
        g_pEarly->reader.join();
}

void CEarlyOpen::Discard() {
    FreeAside(std::move(g_pEarly));
}

void CEarlyOpen::Finish() {
    Discard();
    if (g_freer.joinable())
        g_freer.join();
}
