#pragma once

#include "IFileSystem.h"

#include <QByteArray>
#include <QList>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

// A file system for tests: the system's own calls, except that the chosen one fails with the
// chosen error, as a full or broken disk would make it fail. Writes can also be made short and
// interrupted, as a real disk may make them. It puts itself in place for its lifetime.
class CFaultyFileSystem : public IFileSystem {
public:
    enum Fault {
        None,
        // Opening the file to write (the temporary file).
        FailOpen,
        // The write that would carry the file past m_nFailAtByte: it writes the bytes up to
        // that point, and the next write fails. Writes at an offset count as more bytes
        // written, so a fault past the file's size strikes them. 0 fails the first write; a
        // negative value counts back from the end of the data handed to the first write (-1: all
        // but the last byte are written).
        FailWrite,
        // Starting the writeback of written bytes (a hint, whose failure the writer ignores).
        FailWriteback,
        FailSync,
        FailClose,
        FailRename,
    };

    CFaultyFileSystem();
    explicit CFaultyFileSystem(Fault fault, qint64 nFailAtByte = 0);
    ~CFaultyFileSystem() override;
    CFaultyFileSystem(const CFaultyFileSystem&) = delete;
    CFaultyFileSystem& operator=(const CFaultyFileSystem&) = delete;

    int Open(const char* path, int flags, mode_t mode) override;
    ssize_t Write(int fd, const void* data, size_t size) override;
    ssize_t WriteAt(int fd, const void* data, size_t size, off_t offset) override;
    int StartWriteback(int fd, off_t offset, off_t size) override;
    int Sync(int fd) override;
    int Close(int fd) override;
    int Rename(const char* from, const char* to) override;

    Fault m_nFault = None;
    qint64 m_nFailAtByte = 0;
    int m_nError = ENOSPC;
    // Each write takes at most this many bytes (0: all it is given).
    qint64 m_nMaxWrite = 0;
    // Every other write and fsync is interrupted (EINTR) before it is carried out.
    bool m_bInterrupt = false;

    // What the writer did: the calls in order ("open PATH", "write", "write at OFFSET",
    // "writeback OFFSET+SIZE", "sync", "close", "rename"), and the bytes its writes took.
    QList<QByteArray> m_calls;
    qint64 m_nWritten = 0;
    // Each writeback started: its range, and the bytes written by then.
    struct SWriteback {
        qint64 nOffset = 0;
        qint64 nSize = 0;
        qint64 nWrittenBefore = 0;
    };
    QList<SWriteback> m_writebacks;

private:
    bool Interrupted();
    // Whether a write of `size` bytes goes ahead (false: it fails, errno set), and how many of
    // them it takes.
    bool TakeWrite(size_t& size);
    bool m_bInterruptedLast = false;
};

inline CFaultyFileSystem::CFaultyFileSystem() {
    IFileSystem::SetInstance(this);
}

inline CFaultyFileSystem::CFaultyFileSystem(Fault fault, qint64 nFailAtByte)
    : m_nFault(fault), m_nFailAtByte(nFailAtByte) {
    IFileSystem::SetInstance(this);
}

inline CFaultyFileSystem::~CFaultyFileSystem() {
    IFileSystem::SetInstance(nullptr);
}

inline bool CFaultyFileSystem::Interrupted() {
    // Every other call: interrupted, then carried out when repeated.
    if (!m_bInterrupt)
        return false;
    m_bInterruptedLast = !m_bInterruptedLast;
    if (m_bInterruptedLast)
        errno = EINTR;
    return m_bInterruptedLast;
}

inline int CFaultyFileSystem::Open(const char* path, int flags, mode_t mode) {
    const bool bFile = !(flags & O_DIRECTORY);
    if (bFile) {
        if (m_nFault == FailOpen) {
            errno = m_nError;
            return -1;
        }
    }
    m_calls.append("open " + QByteArray(path));
    return ::open(path, flags, mode);
}

inline bool CFaultyFileSystem::TakeWrite(size_t& size) {
    if (Interrupted())
        return false;
    if (m_nFault == FailWrite && m_nFailAtByte < 0)
        m_nFailAtByte += qint64(size);
    if (m_nMaxWrite > 0 && qint64(size) > m_nMaxWrite)
        size = size_t(m_nMaxWrite);
    if (m_nFault == FailWrite) {
        const qint64 room = m_nFailAtByte - m_nWritten;
        if (room <= 0) {
            errno = m_nError;
            return false;
        }
        if (qint64(size) > room)
            size = size_t(room);
    }
    return true;
}

inline ssize_t CFaultyFileSystem::Write(int fd, const void* data, size_t size) {
    if (!TakeWrite(size))
        return -1;
    m_calls.append("write");
    const ssize_t written = ::write(fd, data, size);
    if (written > 0)
        m_nWritten += written;
    return written;
}

inline ssize_t CFaultyFileSystem::WriteAt(int fd, const void* data, size_t size, off_t offset) {
    if (!TakeWrite(size))
        return -1;
    m_calls.append("write at " + QByteArray::number(qint64(offset)));
    const ssize_t written = ::pwrite(fd, data, size, offset);
    if (written > 0)
        m_nWritten += written;
    return written;
}

inline int CFaultyFileSystem::StartWriteback(int fd, off_t offset, off_t size) {
    m_calls.append("writeback " + QByteArray::number(qint64(offset)) + '+' +
                   QByteArray::number(qint64(size)));
    m_writebacks.append({qint64(offset), qint64(size), m_nWritten});
    if (m_nFault == FailWriteback) {
        errno = m_nError;
        return -1;
    }
    return ::sync_file_range(fd, offset, size, SYNC_FILE_RANGE_WRITE);
}

inline int CFaultyFileSystem::Sync(int fd) {
    if (Interrupted())
        return -1;
    m_calls.append("sync");
    if (m_nFault == FailSync) {
        errno = m_nError;
        return -1;
    }
    return ::fsync(fd);
}

inline int CFaultyFileSystem::Close(int fd) {
    m_calls.append("close");
    const int result = ::close(fd);
    if (m_nFault == FailClose && result == 0) {
        errno = m_nError;
        return -1;
    }
    return result;
}

inline int CFaultyFileSystem::Rename(const char* from, const char* to) {
    m_calls.append("rename");
    if (m_nFault == FailRename) {
        errno = m_nError;
        return -1;
    }
    return std::rename(from, to);
}
