#pragma once

#include <cstddef>

// Touching fresh memory costs a page fault for every 4 KB page, which for a buffer of megabytes
// costs more than reading or writing its bytes. Large buffers that are filled at once are
// therefore backed by huge pages (2 MB) where the system offers them.
class CHugePages {
public:
    // Buffers from this size on hold at least one whole, aligned huge page.
    static constexpr size_t kMinSize = 4 * 1024 * 1024;

    // Asks for huge pages for the whole huge pages inside [p, p + size), which nothing must
    // have touched yet, and maps the whole range at once rather than page by page as it is
    // first touched: for memory about to be filled. Smaller ranges, and systems without these
    // services, are left as they are.
    static void Prepare(void* p, size_t size);
    // Maps the whole pages inside [p, p + size), which nothing must have touched yet, ready
    // for writing in one call, at any size: for a buffer about to be filled that is too small
    // for huge pages. One call costs far less than a fault for each page.
    static void Populate(void* p, size_t size);
};
