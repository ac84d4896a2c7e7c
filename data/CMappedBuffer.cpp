#include "CMappedBuffer.h"

#include "CHugePages.h"

#include <algorithm>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr size_t kHugePage = 2 * 1024 * 1024;

} // namespace

CMappedBuffer::CMappedBuffer(size_t size) {
    const auto kPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_t rounded = std::max(kPage, (size + kPage - 1) & ~(kPage - 1));
    // A size so large that rounding it up wraps around cannot be mapped either.
    if (rounded < size || rounded > SIZE_MAX - 2 * kHugePage)
        return;
    // A large buffer takes whole huge pages, the first on a huge page's boundary: one more huge
    // page is mapped, and what lies before the first boundary and past the last huge page is
    // given back at once. (Its last huge page is only partly used, but a part of one would be
    // mapped page by page, at a fault for each.)
    const bool bHuge = size >= CHugePages::kMinSize;
    if (bHuge)
        rounded = (rounded + kHugePage - 1) & ~(kHugePage - 1);
    const size_t mapped = bHuge ? rounded + kHugePage : rounded;
    void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return;
    auto* pStart = static_cast<char*>(p);
    if (bHuge) {
        const auto start = reinterpret_cast<uintptr_t>(p);
        const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
        const size_t head = aligned - start;
        if (head > 0)
            munmap(p, head);
        munmap(reinterpret_cast<char*>(aligned) + rounded, kHugePage - head);
        pStart = reinterpret_cast<char*>(aligned);
    }
    m_pData = pStart;
    m_nSize = size;
    m_nMapped = rounded;
    CHugePages::Prepare(m_pData, m_nMapped);
}

CMappedBuffer::~CMappedBuffer() {
    if (m_pData)
        munmap(m_pData, m_nMapped);
}

QByteArray CMappedBuffer::Bytes(size_t count) const {
    return QByteArray::fromRawData(m_pData, qsizetype(std::min(count, m_nSize)));
}
