#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

// Room for many objects of one size side by side in one allocation, as the entries of a file
// being read: one allocation instead of tens of thousands, backed by huge pages when large, and
// freed at once. Objects still leave one by one, in any order and on any thread; the block
// is freed when the last of them and its creator have let go.
class CRecordBlock {
public:
    // A block with room for `count` objects of `size` bytes (a multiple of the pointer size).
    // The creator holds the block through the returned pointer.
    static std::unique_ptr<CRecordBlock, void (*)(CRecordBlock*)> Create(size_t count, size_t size);

    // Room for the next object, or nullptr when the block is full.
    void* Take() noexcept;
    // Gives back the room `p` of one object taken from this block.
    void Release(void* p) noexcept;

    CRecordBlock(const CRecordBlock&) = delete;
    CRecordBlock& operator=(const CRecordBlock&) = delete;

private:
    CRecordBlock(size_t count, size_t size, char* pRoom);
    static void Drop(CRecordBlock* pBlock) noexcept;
    void Let(size_t holds) noexcept;

    // The creator's hold counts for more than the block can ever hold objects, so that taking
    // room needs no atomic count: when the creator lets go, it gives back its hold less one for
    // each object taken, and the count is then the objects not yet given back.
    static constexpr size_t kCreatorHold = size_t(1) << (sizeof(size_t) * 8 - 2);
    std::atomic<size_t> m_nHolds{kCreatorHold};
    size_t m_nTaken = 0;
    const size_t m_nCount;
    const size_t m_nSize;
    char* const m_pRoom;
};
