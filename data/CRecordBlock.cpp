#include "CRecordBlock.h"

#include "CHugePages.h"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(p, size) ((void)(p), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(p, size) ((void)(p), (void)(size))
#endif

namespace {

// Where a region's objects start: past the block's own fields in the first region (the other
// regions leave the same bytes after their word), 8 bytes past a multiple of 16.
constexpr size_t kObjectsStart = (sizeof(CRecordBlock) + 7) / 16 * 16 + 8;

} // namespace

CRecordBlock::CRecordBlock(size_t count, size_t size, size_t perRegion, size_t bytes)
    : m_pSelf(this), m_nCount(count), m_nSize(size), m_nPerRegion(perRegion), m_nBytes(bytes) {}

std::unique_ptr<CRecordBlock, void (*)(CRecordBlock*)> CRecordBlock::Create(size_t count,
                                                                            size_t size) {
    static_assert(sizeof(CRecordBlock) <= kObjectsStart && kObjectsStart % 16 == 8);
    // Sizes that would not keep every object 8 bytes past a multiple of 16, or that no region
    // holds, get a block without room: every Take() fails and the caller allocates alone.
    const size_t perRegion = size % 16 == 0 && size > 0 ? (kRegion - kObjectsStart) / size : 0;
    if (perRegion == 0)
        count = 0;
    const size_t regions = count == 0 ? 1 : (count + perRegion - 1) / perRegion;
    // The last region ends with its last object.
    const size_t last = count == 0 ? 0 : count - (regions - 1) * perRegion;
    const size_t bytes = (regions - 1) * kRegion + kObjectsStart + last * size;
    void* p = nullptr;
    if (posix_memalign(&p, kRegion, bytes) != 0)
        throw std::bad_alloc();
    CHugePages::Prepare(p, bytes);
    auto* pBlock = new (p) CRecordBlock(count, size, perRegion, bytes);
    // Each region after the first begins with the block's address, as the first does.
    for (size_t r = 1; r < regions; ++r)
        *reinterpret_cast<CRecordBlock**>(static_cast<char*>(p) + r * kRegion) = pBlock;
    return {pBlock, &CRecordBlock::Drop};
}

void* CRecordBlock::Take() noexcept {
    if (m_nTaken == m_nCount)
        return nullptr;
    const size_t region = m_nTaken / m_nPerRegion;
    const size_t index = m_nTaken % m_nPerRegion;
    ++m_nTaken;
    return Base() + region * kRegion + kObjectsStart + index * m_nSize;
}

void CRecordBlock::Drop(CRecordBlock* pBlock) noexcept {
    pBlock->Let(kCreatorHold - pBlock->m_nTaken);
}

void CRecordBlock::Release(void* p) noexcept {
    const auto region = reinterpret_cast<uintptr_t>(p) & ~uintptr_t(kRegion - 1);
    CRecordBlock* pBlock = *reinterpret_cast<CRecordBlock* const*>(region);
    // Under the address sanitizer the room given back is marked unusable, so an object used
    // after its deletion is caught as it would be for an allocation of its own.
    ASAN_POISON_MEMORY_REGION(p, pBlock->m_nSize);
    pBlock->Let(1);
}

void CRecordBlock::Let(size_t holds) noexcept {
    if (holds == 0 || m_nHolds.fetch_sub(holds, std::memory_order_acq_rel) != holds)
        return;
    // The allocation goes back whole, as it came.
    ASAN_UNPOISON_MEMORY_REGION(Base(), m_nBytes);
    this->~CRecordBlock();
    std::free(this);
}
