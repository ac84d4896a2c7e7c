#include "CPerson.h"

#include "CArchive.h"
#include "CRecordBlock.h"

#include <new>

namespace {

// Entries allocated alone start on a multiple of 16, which no entry in a block does.
constexpr std::align_val_t kAlone{16};

} // namespace

void* CPerson::operator new(size_t size) {
    return ::operator new(size, kAlone);
}

void* CPerson::operator new(size_t size, CRecordBlock& block) {
    if (void* p = block.Take())
        return p;
    return CPerson::operator new(size);
}

void CPerson::operator delete(void* p) noexcept {
    if (!p)
        return;
    if (CRecordBlock::IsInBlock(p))
        CRecordBlock::Release(p);
    else
        ::operator delete(p, kAlone);
}

void CPerson::operator delete(void* p, CRecordBlock&) noexcept {
    CPerson::operator delete(p);
}

size_t CPerson::BlockSlotSize() {
    // A block keeps its objects 8 bytes past a multiple of 16, which suits the alignment of an
    // entry, and takes sizes that keep them there.
    static_assert(alignof(CPerson) <= 8 && sizeof(CPerson) % 16 == 0);
    return sizeof(CPerson);
}

void CPerson::Serialize(CArchive& ar, int nVersion) {
    if (ar.IsStoring()) {
        ar.WriteString(m_strName);
        ar.WriteString(m_strAddress);
        ar.WriteString(m_strCity);
        ar.WriteString(m_strState);
        ar.WriteString(m_strZip);
        ar.WriteString(m_strCountry);
        ar.WriteString(m_strPhone);
        ar.WriteString(m_strNotes);
        ar.WriteString(m_strEmail);
        ar.WriteStringList(m_groups);
        return;
    }
    m_strName = ar.ReadString();
    m_strAddress = ar.ReadString();
    m_strCity = ar.ReadSharedString();
    m_strState = ar.ReadSharedString();
    m_strZip = ar.ReadString();
    m_strCountry = ar.ReadSharedString();
    m_strPhone = ar.ReadString();
    m_strNotes = ar.ReadString();
    // The older layout has no e-mail; the member keeps its value.
    if (nVersion == kCurrentVersion)
        m_strEmail = ar.ReadString();
    // Most entries belong to the same few groups: equal lists share one list object.
    ar.ReadSharedStringList(m_groups);
}

qsizetype CPerson::SkipRecord(CArchive& ar, int nVersion) {
    qsizetype bytes = ar.SkipString() + ar.SkipString(); // name, address
    ar.SkipString();                                     // city
    ar.SkipString();                                     // state
    bytes += ar.SkipString();                            // ZIP
    ar.SkipString();                                     // country
    bytes += ar.SkipString() + ar.SkipString();          // phone, notes
    if (nVersion == kCurrentVersion)
        bytes += ar.SkipString(); // e-mail
    ar.SkipStringList();
    return bytes;
}

qsizetype CPerson::StoredSize() const {
    return CArchive::StoredSize(m_strName) + CArchive::StoredSize(m_strAddress) +
           CArchive::StoredSize(m_strCity) + CArchive::StoredSize(m_strState) +
           CArchive::StoredSize(m_strZip) + CArchive::StoredSize(m_strCountry) +
           CArchive::StoredSize(m_strPhone) + CArchive::StoredSize(m_strNotes) +
           CArchive::StoredSize(m_strEmail) + CArchive::StoredSize(m_groups);
}

bool CPerson::RenameGroup(const QByteArray& oldName, const QByteArray& newName) {
    const qsizetype index = m_groups.indexOf(oldName);
    if (index < 0)
        return false;
    m_groups[index] = newName;
    return true;
}

namespace {

// The search modes, as the profile stores them.
constexpr int kModeExact = 1085;
constexpr int kModeGood = 1086;
constexpr int kModeFair = 1087;
constexpr int kModePoor = 1088;

// Case is folded for the ASCII letters only: the stored bytes may be UTF-8 or an 8-bit code
// page, and folding any other byte could join letters of one with parts of the other.
inline unsigned char Fold(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + ('a' - 'A')) : b;
}

bool EqualIgnoringCase(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    const char* pa = a.constData();
    const char* pb = b.constData();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (Fold(pa[i]) != Fold(pb[i]))
            return false;
    }
    return true;
}

// Whether `word` (nWord bytes) occurs in `value`, case ignored. Searching in place keeps the
// scan over a whole file free of copies.
bool ContainsIgnoringCase(const char* value, qsizetype nValue, const char* word, qsizetype nWord) {
    if (nWord == 0)
        return true;
    const unsigned char first = Fold(word[0]);
    for (qsizetype start = 0; start + nWord <= nValue; ++start) {
        if (Fold(value[start]) != first)
            continue;
        qsizetype i = 1;
        while (i < nWord && Fold(value[start + i]) == Fold(word[i]))
            ++i;
        if (i == nWord)
            return true;
    }
    return false;
}

// The word test of PartialMatch on the texts in place: a scan over the whole file takes no
// copies, not even shared ones (their reference counts are atomic, which stalls the scan).
bool AnyWordOccurs(const QByteArray& criterion, const QByteArray& value) {
    // Words end at a space (and only a space); the text after the last space is the last word
    // unless it is empty.
    const char* text = criterion.constData();
    const qsizetype nText = criterion.size();
    qsizetype start = 0;
    while (start < nText) {
        qsizetype end = start;
        while (end < nText && text[end] != ' ')
            ++end;
        if (ContainsIgnoringCase(value.constData(), value.size(), text + start, end - start))
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

bool CPerson::PartialMatch(QByteArray criterion, QByteArray value) {
    return AnyWordOccurs(criterion, value);
}

bool CPerson::MatchCriteria(const CPerson& criteria, int nMode) const {
    static constexpr QByteArray CPerson::*kFields[] = {
        &CPerson::m_strName,  &CPerson::m_strAddress, &CPerson::m_strCity,
        &CPerson::m_strState, &CPerson::m_strZip,     &CPerson::m_strCountry,
        &CPerson::m_strPhone, &CPerson::m_strEmail,   &CPerson::m_strNotes,
    };
    if (nMode < kModeExact || nMode > kModePoor)
        return false;
    int nGiven = 0;
    int nExact = 0;
    int nPartial = 0;
    for (QByteArray CPerson::*pField : kFields) {
        const QByteArray& wanted = criteria.*pField;
        if (wanted.isEmpty())
            continue;
        ++nGiven;
        const QByteArray& mine = this->*pField;
        if (EqualIgnoringCase(wanted, mine))
            ++nExact;
        else if (nMode != kModeExact && AnyWordOccurs(wanted, mine))
            ++nPartial;
    }
    const qsizetype nGroups = criteria.m_groups.size();
    if (nGiven == 0 && nGroups == 0)
        return false;
    switch (nMode) {
    case kModeExact: {
        if (nExact != nGiven)
            return false;
        // Every group of the criteria, compared as exact bytes.
        for (const QByteArray& group : criteria.m_groups) {
            if (!m_groups.contains(group))
                return false;
        }
        return true;
    }
    case kModeGood:
        return nExact + nPartial == nGiven && nExact >= 1;
    case kModeFair:
        return nExact + nPartial == nGiven;
    case kModePoor:
        return nExact + nPartial >= 1;
    default:
        return false;
    }
}
