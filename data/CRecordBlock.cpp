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

CRecordBlock::CRecordBlock(size_t count, size_t size, char* pRoom)
    : m_nCount(count), m_nSize(size), m_pRoom(pRoom) {}

std::unique_ptr<CRecordBlock, void (*)(CRecordBlock*)> CRecordBlock::Create(size_t count,
                                                                            size_t size) {
    // The objects follow the block's own header in the same allocation.
    constexpr size_t kHeader =
        (sizeof(CRecordBlock) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    const size_t bytes = kHeader + count * size;
    void* p = std::malloc(bytes);
    if (!p)
        throw std::bad_alloc();
    CHugePages::Prepare(p, bytes);
    auto* pBlock = new (p) CRecordBlock(count, size, static_cast<char*>(p) + kHeader);
    return {pBlock, &CRecordBlock::Drop};
}

void* CRecordBlock::Take() noexcept {
    if (m_nTaken == m_nCount)
        return nullptr;
    return m_pRoom + m_nSize * m_nTaken++;
}

void CRecordBlock::Drop(CRecordBlock* pBlock) noexcept {
    pBlock->Let(kCreatorHold - pBlock->m_nTaken);
}

void CRecordBlock::Release(void* p) noexcept {
    // Under the address sanitizer the room given back is marked unusable, so an object used
    // after its deletion is caught as it would be for an allocation of its own.
    ASAN_POISON_MEMORY_REGION(p, m_nSize);
    Let(1);
}

void CRecordBlock::Let(size_t holds) noexcept {
    if (holds == 0 || m_nHolds.fetch_sub(holds, std::memory_order_acq_rel) != holds)
        return;
    // The allocation goes back whole, as it came.
    ASAN_UNPOISON_MEMORY_REGION(m_pRoom, m_nCount * m_nSize);
    this->~CRecordBlock();
    std::free(this);
}
