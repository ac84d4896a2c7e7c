#include "CContactFileWriter.h"

#include "CArchive.h"
#include "CDelimitedBatch.h"
#include "CHugePages.h"
#include "CNotesLabel.h"
#include "CPerson.h"

#include <cstring>

namespace {

// Copies n bytes, sizeof(T) <= n <= 2 * sizeof(T), as a first and a last word that may overlap.
template <typename T> void CopyHeadAndTail(char* p, const char* s, size_t n) {
    T head;
    T tail;
    std::memcpy(&head, s, sizeof(T));
    std::memcpy(&tail, s + n - sizeof(T), sizeof(T));
    std::memcpy(p, &head, sizeof(T));
    std::memcpy(p + n - sizeof(T), &tail, sizeof(T));
}

} // namespace

CContactFileWriter::CContactFileWriter(qsizetype expectedSize) {
    const qsizetype capacity = kHeadRoom + qMax<qsizetype>(expectedSize, 0) + 4096;
    m_buffer = QByteArray(capacity, Qt::Uninitialized);
    CDelimitedBatch::AdviseLargePages(m_buffer.data(), capacity);
}

char* CContactFileWriter::PutLength(char* p, qsizetype length) {
    const auto n = static_cast<quint64>(length);
    if (n < 0xFF) {
        *p++ = static_cast<char>(n);
    } else if (n < 0xFFFE) {
        *p++ = '\xFF';
        *p++ = static_cast<char>(n & 0xFF);
        *p++ = static_cast<char>(n >> 8);
    } else {
        const char bytes[7] = {'\xFF',
                               '\xFF',
                               '\xFF',
                               static_cast<char>(n & 0xFF),
                               static_cast<char>((n >> 8) & 0xFF),
                               static_cast<char>((n >> 16) & 0xFF),
                               static_cast<char>((n >> 24) & 0xFF)};
        std::memcpy(p, bytes, sizeof bytes);
        p += sizeof bytes;
    }
    return p;
}

char* CContactFileWriter::PutText(char* p, QByteArrayView text) {
    p = PutLength(p, text.size());
    // Most texts are short: copied as two words that may overlap, or a few bytes, which costs
    // less than a call to copy them.
    const char* const s = text.data();
    const size_t n = size_t(text.size());
    if (n > 16) {
        std::memcpy(p, s, n);
    } else if (n >= 8) {
        CopyHeadAndTail<quint64>(p, s, n);
    } else if (n >= 4) {
        CopyHeadAndTail<quint32>(p, s, n);
    } else if (n > 0) {
        p[0] = s[0];
        p[n / 2] = s[n / 2];
        p[n - 1] = s[n - 1];
    }
    return p + n;
}

char* CContactFileWriter::Room(qsizetype count) {
    if (!m_bMapped) {
        // The pages before the first large page of a large buffer are small ones, about a
        // megabyte of them: mapped in one call when the first record comes.
        m_bMapped = true;
        if (m_buffer.size() >= qsizetype(CHugePages::kMinSize)) {
            constexpr quintptr kLarge = 2 * 1024 * 1024;
            const auto start = reinterpret_cast<quintptr>(m_buffer.data());
            const quintptr large = (start + kLarge - 1) & ~(kLarge - 1);
            CHugePages::Populate(m_buffer.data(), size_t(large - start));
        }
    }
    if (m_nUsed + count > m_buffer.size()) {
        const qsizetype capacity = qMax(m_buffer.size() * 2, m_nUsed + count);
        QByteArray bigger(capacity, Qt::Uninitialized);
        CDelimitedBatch::AdviseLargePages(bigger.data(), capacity);
        std::memcpy(bigger.data(), m_buffer.constData(), size_t(m_nUsed));
        m_buffer = std::move(bigger);
    }
    return m_buffer.data() + m_nUsed;
}

qsizetype CContactFileWriter::RecordRoom(const CPerson& person) {
    qsizetype need = 6;
    for (const QByteArray* pText : {&person.m_strName, &person.m_strAddress, &person.m_strCity,
                                    &person.m_strState, &person.m_strZip, &person.m_strCountry,
                                    &person.m_strPhone, &person.m_strNotes, &person.m_strEmail})
        need += 7 + pText->size();
    for (const QByteArray& group : person.m_groups)
        need += 7 + group.size();
    return need;
}

char* CContactFileWriter::PutRecord(char* p, const CPerson& person) {
    for (const QByteArray* pText : {&person.m_strName, &person.m_strAddress, &person.m_strCity,
                                    &person.m_strState, &person.m_strZip, &person.m_strCountry,
                                    &person.m_strPhone, &person.m_strNotes, &person.m_strEmail})
        p = PutText(p, *pText);
    // The group count: 16 bits, or 65,535 and 32 bits when it does not fit.
    const auto groups = static_cast<quint64>(person.m_groups.size());
    if (groups < 0xFFFF) {
        *p++ = static_cast<char>(groups & 0xFF);
        *p++ = static_cast<char>(groups >> 8);
    } else {
        const char bytes[6] = {'\xFF',
                               '\xFF',
                               static_cast<char>(groups & 0xFF),
                               static_cast<char>((groups >> 8) & 0xFF),
                               static_cast<char>((groups >> 16) & 0xFF),
                               static_cast<char>((groups >> 24) & 0xFF)};
        std::memcpy(p, bytes, sizeof bytes);
        p += sizeof bytes;
    }
    for (const QByteArray& group : person.m_groups)
        p = PutText(p, group);
    return p;
}

qsizetype CContactFileWriter::RecordRoom(const QByteArrayView* pTexts) {
    qsizetype need = 2;
    for (int k = 0; k < 9; ++k)
        need += 7 + pTexts[k].size();
    return need;
}

char* CContactFileWriter::PutRecord(char* p, const QByteArrayView* pTexts) {
    for (int k = 0; k < 9; ++k)
        p = PutText(p, pTexts[k]);
    *p++ = 0; // no groups
    *p++ = 0;
    return p;
}

void CContactFileWriter::Add(const CPerson& person) {
    char* p = PutRecord(Room(RecordRoom(person)), person);
    m_nUsed = p - m_buffer.constData();
    ++m_nCount;
}

void CContactFileWriter::Add(const QByteArrayView* pTexts) {
    char* p = PutRecord(Room(RecordRoom(pTexts)), pTexts);
    m_nUsed = p - m_buffer.constData();
    ++m_nCount;
}

QByteArray CContactFileWriter::Head(const QList<QByteArray>& groups, qsizetype count) {
    CArchive head;
    head.WriteDWord(CPerson::kCurrentVersion);
    head.WriteStringList(groups);
    head.WriteWord(static_cast<quint16>(count));
    return head.Buffer();
}

QByteArray CContactFileWriter::Tail(quint32 time) {
    CArchive tail;
    tail.WriteDWord(0);
    tail.WriteString(CNotesLabel::DefaultLabel());
    tail.WriteDWord(time);
    return tail.Buffer();
}

QByteArray CContactFileWriter::Finish(const QList<QByteArray>& groups, quint32 time) {
    const QByteArray start = Head(groups, m_nCount);
    const QByteArray end = Tail(time);
    char* p = Room(end.size());
    std::memcpy(p, end.constData(), size_t(end.size()));
    m_nUsed += end.size();
    const QByteArrayView records(m_buffer.constData() + kHeadRoom, m_nUsed - kHeadRoom);
    if (start.size() > kHeadRoom)
        return start + records.toByteArray();
    char* pStart = m_buffer.data() + kHeadRoom - start.size();
    std::memcpy(pStart, start.constData(), size_t(start.size()));
    return QByteArray::fromRawData(pStart, start.size() + records.size());
}
