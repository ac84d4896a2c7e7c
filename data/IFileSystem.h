#pragma once

#include <sys/types.h>

// The few system calls a file is written with: open, write, a write at an offset, the start of
// writeback, fsync, close and rename, with the system's conventions (-1 and errno on failure).
// Every file either program writes goes through here, so a test can put a double in place that
// makes any of them fail.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    virtual int Open(const char* path, int flags, mode_t mode) = 0;
    virtual ssize_t Write(int fd, const void* data, size_t size) = 0;
    // Writes at `offset` without moving the file's position (pwrite).
    virtual ssize_t WriteAt(int fd, const void* data, size_t size, off_t offset) = 0;
    // Starts writing `size` bytes at `offset` of the file to disk without waiting for them
    // (sync_file_range with SYNC_FILE_RANGE_WRITE): a hint that makes the later Sync shorter,
    // and no promise that anything is on disk.
    virtual int StartWriteback(int fd, off_t offset, off_t size) = 0;
    virtual int Sync(int fd) = 0;
    virtual int Close(int fd) = 0;
    virtual int Rename(const char* from, const char* to) = 0;

    // The calls in use: the system's own unless a test put another in place.
    static IFileSystem& Instance();
    // Puts `fileSystem` in place (not owned); null returns to the system's own calls.
    static void SetInstance(IFileSystem* fileSystem);
};
