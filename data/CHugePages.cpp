#include "CHugePages.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Maps the pages of a range ready for writing, in one call.
#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23;
#endif

} // namespace

void CHugePages::Prepare(void* p, size_t size) {
#ifdef MADV_HUGEPAGE
    if (size < kMinSize)
        return;
    constexpr uintptr_t kHugePage = 2 * 1024 * 1024;
    const auto start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (start + size) & ~(kHugePage - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    // Whole pages only; a system without this service fails the call, which changes nothing.
    const auto kPage = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t pageStart = (start + kPage - 1) & ~(kPage - 1);
    const uintptr_t pageEnd = (start + size) & ~(kPage - 1);
    if (pageEnd > pageStart)
        madvise(reinterpret_cast<void*>(pageStart), pageEnd - pageStart, kPopulateWrite);
#else
    (void)p;
    (void)size;
#endif
}

void CHugePages::Populate(void* p, size_t size) {
    const auto kPage = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t pageStart = (start + kPage - 1) & ~(kPage - 1);
    const uintptr_t pageEnd = (start + size) & ~(kPage - 1);
    if (pageEnd > pageStart)
        madvise(reinterpret_cast<void*>(pageStart), pageEnd - pageStart, kPopulateWrite);
}
