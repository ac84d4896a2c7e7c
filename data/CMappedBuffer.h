#pragma once

#include <QByteArray>
#include <cstddef>

// A buffer for a whole file that is read, parsed and then let go: memory of its own, mapped for
// it alone and given back to the system the moment the buffer goes. Memory from the heap would
// stay with the process after it was freed (or, given back page by page, cost a fault for every
// page the next large allocation touches again); a mapping of its own costs one call each way.
// Large buffers are backed by huge pages and mapped ready for writing at once (CHugePages).
//
// Nothing read from the buffer may keep pointing into it: texts taken from it are copies.
class CMappedBuffer {
public:
    // A buffer of `size` bytes, not initialised; empty when the system has no memory for it.
    explicit CMappedBuffer(size_t size);
    ~CMappedBuffer();
    CMappedBuffer(const CMappedBuffer&) = delete;
    CMappedBuffer& operator=(const CMappedBuffer&) = delete;

    bool IsValid() const { return m_pData != nullptr; }
    char* Data() { return m_pData; }
    size_t Size() const { return m_nSize; }
    // The first `count` bytes (at most the size), without a copy: valid while the buffer lives.
    QByteArray Bytes(size_t count) const;

private:
    char* m_pData = nullptr;
    size_t m_nSize = 0;
    // What was mapped: the size rounded up to whole pages (at least one).
    size_t m_nMapped = 0;
};
