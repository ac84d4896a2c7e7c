#include "CSafeFile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool Fail(QString* pError, const QString& path, const QString& why) {
    if (pError)
        *pError = QStringLiteral("Cannot save \"%1\": %2.").arg(path, why);
    return false;
}

} // namespace

bool CSafeFile::Write(const QString& path, const QByteArray& bytes, QString* pError) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    // A new file gets the usual permissions; a replaced one keeps its own.
    struct stat old {};
    mode_t mode = 0;
    if (::stat(target.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    QByteArray temp = QFile::encodeName(folder) + "/." + QFile::encodeName(info.fileName()) +
                      ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return Fail(pError, path, Reason(errno));
    auto abandon = [&](int error) {
        ::close(fd);
        ::unlink(temp.constData());
        return Fail(pError, path, Reason(error));
    };
    if (::fchmod(fd, mode) != 0)
        return abandon(errno);
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return abandon(errno);
        }
        if (written == 0)
            return abandon(ENOSPC);
        data += written;
        left -= written;
    }
    if (::fsync(fd) != 0)
        return abandon(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return Fail(pError, path, Reason(error));
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return Fail(pError, path, Reason(error));
    }
    // The rename is only durable once the folder itself is on disk.
    const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
