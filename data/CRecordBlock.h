#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// Room for many objects of one size side by side in one allocation, as the entries of a file
// being read: one allocation instead of tens of thousands, backed by huge pages when large, and
// freed at once. Objects still leave one by one, in any order and on any thread; the block
// is freed when the last of them and its creator have let go.
//
// An object needs no word of its own to find its block. The block is cut into regions of
// kRegion bytes on kRegion boundaries, each beginning with the block's address, so the block of
// an object is found from the object's address alone. And every object of a block lies 8 bytes
// past a multiple of 16, where no allocation of 16-byte alignment ever starts: an owner that
// allocates its other objects so aligned tells the two kinds apart by their address (IsInBlock).
class CRecordBlock {
public:
    static constexpr size_t kRegion = 64 * 1024;

    // A block with room for `count` objects of `size` bytes (a multiple of 16, at most what a
    // region holds). The creator holds the block through the returned pointer.
    static std::unique_ptr<CRecordBlock, void (*)(CRecordBlock*)> Create(size_t count, size_t size);

    // Room for the next object, or nullptr when the block is full.
    void* Take() noexcept;
    // True when `p` is where Take() places objects: 8 bytes past a multiple of 16.
    static bool IsInBlock(const void* p) noexcept {
        return (reinterpret_cast<uintptr_t>(p) & 15) == 8;
    }
    // Gives back the room `p` of one object taken from a block (IsInBlock holds for it).
    static void Release(void* p) noexcept;

    CRecordBlock(const CRecordBlock&) = delete;
    CRecordBlock& operator=(const CRecordBlock&) = delete;

private:
    CRecordBlock(size_t count, size_t size, size_t perRegion, size_t bytes);
    static void Drop(CRecordBlock* pBlock) noexcept;
    void Let(size_t holds) noexcept;
    char* Base() noexcept { return reinterpret_cast<char*>(this); }

    // The block's address, first in the first region as in every other: the word each region
    // begins with.
    CRecordBlock* const m_pSelf;
    // The creator's hold counts for more than the block can ever hold objects, so that taking
    // room needs no atomic count: when the creator lets go, it gives back its hold less one for
    // each object taken, and the count is then the objects not yet given back.
    static constexpr size_t kCreatorHold = size_t(1) << (sizeof(size_t) * 8 - 2);
    std::atomic<size_t> m_nHolds{kCreatorHold};
    size_t m_nTaken = 0;
    const size_t m_nCount;
    const size_t m_nSize;
    const size_t m_nPerRegion;
    // The bytes allocated.
    const size_t m_nBytes;
};
