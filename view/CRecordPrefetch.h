#pragma once

#include "CPerson.h"

#include <cstddef>
#include <span>

// Scans over every record of a large file (filtering, searching, sorting the people list) are
// bound by memory, not by work: each record lies apart from the others, and the data-dependent
// branches of the scan keep the processor from reaching ahead by itself. Asking for the records a
// few steps ahead, and one step later for the texts they point to, keeps the scan busy.
class CRecordPrefetch {
public:
    // How far ahead the record itself, and the texts it points to, are asked for.
    static constexpr size_t kRecordAhead = 16;
    static constexpr size_t kTextAhead = 8;

    // At step `i` of a scan over `count` records, where `at(j)` gives record j: asks for the
    // record kRecordAhead steps on and for the bytes of `texts` of the record kTextAhead steps
    // on (that record has been asked for already, so reading its members costs little).
    template <typename At>
    static void Ahead(size_t i, size_t count, At at,
                      std::span<QByteArray CPerson::*const> texts = {}) {
        if (i + kRecordAhead < count) {
            const char* p = reinterpret_cast<const char*>(at(i + kRecordAhead));
            for (size_t offset = 0; offset < sizeof(CPerson); offset += kLine)
                Touch(p + offset);
        }
        if (i + kTextAhead < count) {
            const CPerson* pNear = at(i + kTextAhead);
            for (QByteArray CPerson::*pText : texts)
                Touch((pNear->*pText).constData());
        }
    }

    // The same, asking for the record's name and its list of group names.
    template <typename At> static void AheadGroups(size_t i, size_t count, At at) {
        static constexpr QByteArray CPerson::*kName[] = {&CPerson::m_strName};
        Ahead(i, count, at, kName);
        if (i + kTextAhead < count)
            Touch(at(i + kTextAhead)->m_groups.constData());
    }

private:
    static constexpr size_t kLine = 64;

    // Asks for the cache line at `p`; reads nothing and cannot fault.
    static void Touch(const void* p) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
        // The instruction itself: GCC 12 drops __builtin_prefetch as dead code once the scan
        // is inlined into its caller.
        asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(p)));
#else
        __builtin_prefetch(p);
#endif
    }
};
