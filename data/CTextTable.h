#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

// A map from texts to values for the repeated texts of a file being read (cities, group
// names, group lists): open addressing over one array, a hash that takes eight bytes a step,
// and keys that are views of bytes the caller keeps alive. Tens of thousands of look-ups of
// short texts take a fraction of what a node-based map takes.
template <typename Value> class CTextTable {
public:
    // The value for `key`, or nullptr.
    Value* Find(std::string_view key) {
        if (m_slots.empty())
            return nullptr;
        const uint64_t hash = Hash(key);
        for (size_t i = Start(hash);; i = (i + 1) & m_nMask) {
            SSlot& slot = m_slots[i];
            if (!slot.bUsed)
                return nullptr;
            if (slot.hash == hash && slot.key == key)
                return &slot.value;
        }
    }

    // Adds `key`, which must not be there yet, with `value`; returns the value stored.
    Value& Insert(std::string_view key, Value value) {
        // At most half full, so that a search meets an empty slot soon.
        if ((m_nUsed + 1) * 2 > m_slots.size())
            Grow();
        ++m_nUsed;
        return Place(key, Hash(key), std::move(value));
    }

private:
    struct SSlot {
        std::string_view key;
        uint64_t hash = 0;
        bool bUsed = false;
        Value value{};
    };

    static uint64_t Load(const char* p, size_t bytes) {
        uint64_t word = 0;
        std::memcpy(&word, p, bytes);
        return word;
    }

    static uint64_t Hash(std::string_view key) {
        constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
        const char* p = key.data();
        size_t n = key.size();
        uint64_t h = n * kMul;
        for (; n > 8; n -= 8, p += 8) {
            h = (h ^ Load(p, 8)) * kMul;
            h ^= h >> 29;
        }
        // The last one to eight bytes in loads of fixed size (a copy of a varying size is a
        // call, and stalls the load that follows it): a long key's last eight bytes, which may
        // overlap bytes already taken; else two four-byte loads, or three single bytes.
        uint64_t word = 0;
        if (key.size() >= 8)
            word = Load(p + n - 8, 8);
        else if (n >= 4)
            word = Load(p, 4) | (Load(p + n - 4, 4) << 32);
        else if (n > 0)
            word = Load(p, 1) | (Load(p + n / 2, 1) << 8) | (Load(p + n - 1, 1) << 16);
        h = (h ^ word) * kMul;
        h ^= h >> 29;
        return (h ^ (h >> 32)) * kMul;
    }

    // The multiply leaves its best bits at the top.
    size_t Start(uint64_t hash) const { return size_t(hash >> m_nShift) & m_nMask; }

    Value& Place(std::string_view key, uint64_t hash, Value value) {
        for (size_t i = Start(hash);; i = (i + 1) & m_nMask) {
            SSlot& slot = m_slots[i];
            if (!slot.bUsed) {
                slot.key = key;
                slot.hash = hash;
                slot.bUsed = true;
                slot.value = std::move(value);
                return slot.value;
            }
        }
    }

    void Grow() {
        std::vector<SSlot> old = std::move(m_slots);
        m_slots = std::vector<SSlot>(old.empty() ? 64 : old.size() * 2);
        m_nMask = m_slots.size() - 1;
        m_nShift = 64 - std::bit_width(m_nMask);
        for (SSlot& slot : old) {
            if (slot.bUsed)
                Place(slot.key, slot.hash, std::move(slot.value));
        }
    }

    std::vector<SSlot> m_slots;
    size_t m_nMask = 0;
    int m_nShift = 63;
    size_t m_nUsed = 0;
};
