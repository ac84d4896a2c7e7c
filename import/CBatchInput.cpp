#include "CBatchInput.h"

#include "CDelimitedBatch.h"
#include "CHugePages.h"

#include <QFile>
#include <algorithm>
#include <thread>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void CBatchInput::SCounts::Add(const char* p, qsizetype from, qsizetype to) {
    qsizetype i = from;
#if defined(__SSE2__)
    // Sixteen bytes at a time: each match subtracts one from its byte's counter (a compare
    // gives all ones), and the counters are summed before any of them can overflow.
    const __m128i feed = _mm_set1_epi8('\n');
    const __m128i ret = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    __m128i high = zero; // every byte's top bit seen
    __m128i nul = zero;  // a NUL byte seen
    while (to - i >= 16) {
        const qsizetype steps = std::min<qsizetype>((to - i) / 16, 255);
        __m128i feeds = zero;
        __m128i returns = zero;
        __m128i pairs = zero;
        for (qsizetype k = 0; k < steps; ++k, i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 1));
            const __m128i isFeed = _mm_cmpeq_epi8(bytes, feed);
            feeds = _mm_sub_epi8(feeds, isFeed);
            returns = _mm_sub_epi8(returns, _mm_cmpeq_epi8(bytes, ret));
            pairs = _mm_sub_epi8(pairs, _mm_and_si128(isFeed, _mm_cmpeq_epi8(before, ret)));
            high = _mm_or_si128(high, bytes);
            nul = _mm_or_si128(nul, _mm_cmpeq_epi8(bytes, zero));
        }
        const auto sum = [&](__m128i counts) {
            const __m128i sums = _mm_sad_epu8(counts, zero);
            return qsizetype(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
        };
        nFeeds += sum(feeds);
        nReturns += sum(returns);
        nPairs += sum(pairs);
    }
    bAscii = bAscii && _mm_movemask_epi8(high) == 0 && _mm_movemask_epi8(nul) == 0;
#else
    constexpr qsizetype kBlock = 64;
    // Blocks of a constant size, so the compiler compares many bytes at once.
    for (; i + kBlock <= to; i += kBlock) {
        unsigned char feeds = 0;
        unsigned char returns = 0;
        unsigned char pairs = 0;
        unsigned char highest = 0;
        unsigned char lowest = 0xFF;
        for (qsizetype k = 0; k < kBlock; ++k) {
            const auto c = static_cast<unsigned char>(p[i + k]);
            const auto before = static_cast<unsigned char>(p[i + k - 1]);
            feeds += c == '\n';
            returns += c == '\r';
            pairs += (c == '\n') & (before == '\r');
            highest |= c;
            lowest = std::min(lowest, c);
        }
        nFeeds += feeds;
        nReturns += returns;
        nPairs += pairs;
        bAscii = bAscii && highest < 0x80 && lowest != 0;
    }
#endif
    for (; i < to; ++i) {
        AddOne(p[i]);
        nPairs += p[i] == '\n' && p[i - 1] == '\r';
    }
}

void CBatchInput::SCounts::AddOne(char c) {
    const auto byte = static_cast<unsigned char>(c);
    nFeeds += byte == '\n';
    nReturns += byte == '\r';
    bAscii = bAscii && byte < 0x80 && byte != 0;
}

bool CBatchInput::ReadRange(int fd, char* p, qsizetype from, qsizetype to, SCounts& counts) {
    // Counted a megabyte at a time, while the bytes just read are in the cache.
    constexpr qsizetype kChunk = 1024 * 1024;
    CHugePages::Populate(p + from, size_t(to - from));
    qsizetype at = from;
    while (at < to) {
        const ssize_t got = ::pread(fd, p + at, size_t(std::min(kChunk, to - at)), off_t(at));
        if (got <= 0)
            return false;
        qsizetype counted = at;
        if (at == from) {
            // The byte before the first one may not be read yet: its pair is counted by the
            // caller.
            counts.AddOne(p[from]);
            ++counted;
        }
        at += got;
        counts.Add(p, counted, at);
    }
    return true;
}

bool CBatchInput::Read(QFile& file) {
    m_bKnown = false;
    m_counts = SCounts();
    const qsizetype size = file.isSequential() ? 0 : file.size();
    char* p = nullptr;
    if (size > 0) {
        m_bytes = QByteArray(size, Qt::Uninitialized);
        p = m_bytes.data();
    }
    if (size >= qsizetype(CHugePages::kMinSize)) {
        // The halves meet at a large page's edge, so that each half prepares whole ones.
        constexpr quintptr kLarge = 2 * 1024 * 1024;
        const auto base = reinterpret_cast<quintptr>(p);
        const auto middle =
            qsizetype(((base + quintptr(size / 2) + kLarge - 1) & ~(kLarge - 1)) - base);
        // Large pages for the whole buffer; each half maps its own.
        CDelimitedBatch::AdviseLargePages(p, size);
        SCounts second;
        bool bSecondOk = false;
        const int fd = file.handle();
        std::thread other([&] { bSecondOk = ReadRange(fd, p, middle, size, second); });
        const bool bFirstOk = ReadRange(fd, p, 0, middle, m_counts);
        other.join();
        if (bFirstOk && bSecondOk && file.seek(size)) {
            m_counts.nFeeds += second.nFeeds;
            m_counts.nReturns += second.nReturns;
            m_counts.nPairs += second.nPairs + (p[middle - 1] == '\r' && p[middle] == '\n');
            m_counts.bAscii = m_counts.bAscii && second.bAscii;
            // A file that grew while it was read is read to its end.
            const QByteArray more = file.readAll();
            if (file.error() != QFileDevice::NoError)
                return false;
            m_bKnown = more.isEmpty();
            m_pData = m_bytes.constData();
            m_nSize = m_bytes.size();
            m_bytes += more;
            return true;
        }
        // Read again from the start, the plain way, which tells what went wrong.
        m_counts = SCounts();
        if (!file.seek(0))
            return false;
    } else if (size > 0) {
        CHugePages::Prepare(p, size_t(size));
    }
    qint64 got = 0;
    while (size > 0 && got < size) {
        const qint64 read = file.read(m_bytes.data() + got, size - got);
        if (read < 0)
            return false;
        if (read == 0)
            break;
        got += read;
    }
    if (size > 0) {
        m_bytes.resize(got);
        // A file that grew while it was read is read to its end.
        if (got == size)
            m_bytes += file.readAll();
    } else {
        m_bytes = file.readAll();
    }
    if (file.error() != QFileDevice::NoError)
        return false;
    // Counted after the reading.
    if (!m_bytes.isEmpty()) {
        m_counts.AddOne(m_bytes.front());
        m_counts.Add(m_bytes.constData(), 1, m_bytes.size());
    }
    m_bKnown = true;
    m_pData = m_bytes.constData();
    m_nSize = m_bytes.size();
    return true;
}

qsizetype CBatchInput::Rows(const SCounts& counts, QByteArrayView text) {
    const bool bEndsWithBreak = !text.isEmpty() && (text.back() == '\n' || text.back() == '\r');
    return counts.nFeeds + counts.nReturns - counts.nPairs + (bEndsWithBreak ? 0 : 1);
}

qsizetype CBatchInput::MostRows(QByteArrayView text) const {
    const char* const pEnd = text.data() + text.size();
    if (m_bKnown && m_bytes.constData() == m_pData && m_bytes.size() == m_nSize &&
        pEnd == m_pData + m_nSize && text.data() >= m_pData && text.data() - m_pData <= 3 &&
        !QByteArrayView(m_pData, text.data() - m_pData).contains('\n') &&
        !QByteArrayView(m_pData, text.data() - m_pData).contains('\r'))
        return Rows(m_counts, text);
    SCounts counts;
    if (!text.isEmpty()) {
        counts.AddOne(text.front());
        counts.Add(text.data(), 1, text.size());
    }
    return Rows(counts, text);
}

bool CBatchInput::IsPlainAscii() const {
    return m_bKnown && m_bytes.constData() == m_pData && m_bytes.size() == m_nSize &&
           m_counts.bAscii;
}
