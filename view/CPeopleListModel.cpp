#include "CPeopleListModel.h"

#include "CHugePages.h"
#include "CPerson.h"
#include "CRecordPrefetch.h"
#include "CText.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Removing lines one by one costs a move of the whole tail each time; beyond this many separate
// blocks one rebuild of the list is cheaper.
constexpr size_t kMaxSeparateBlocks = 32;
// The key bytes reserved per line (past the eighth) when the list is rebuilt.
constexpr size_t kKeyBytesPerLine = 16;
// Below this many lines a merge sort is as quick as the radix passes.
constexpr size_t kRadixSortMin = 1024;

} // namespace

namespace {

bool IsAscii(const char* p, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i) {
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    }
    return true;
}

// ASCII letters in lower case; the bytes are shared, not copied, when there is nothing to change.
QByteArray LowerAscii(const QByteArray& text) {
    for (char c : text) {
        if (c >= 'A' && c <= 'Z')
            return text.toLower();
    }
    return text;
}

quint64 PrefixOf(const char* p, qsizetype n) {
    // Big-endian, zero-padded: the numbers order as the bytes do.
    quint64 prefix = 0;
    for (qsizetype i = 0; i < 8; ++i)
        prefix = (prefix << 8) | (i < n ? static_cast<unsigned char>(p[i]) : 0u);
    return prefix;
}

// The bytes of a key of `length` bytes kept past its prefix.
quint32 RestLength(quint32 length) {
    return length > 8 ? length - 8 : 0;
}

// Compares two keys of equal prefixes by what lies past them: `a` and `b` are the bytes past
// the eighth, `na` and `nb` the whole keys' lengths. Equal zero-padded prefixes mean the first
// eight bytes agree as far as the shorter key goes and the longer has zeros beyond it, so the
// bytes past the eighth, then the lengths, decide as a comparison of the whole keys would.
int CompareRest(const char* a, quint32 na, const char* b, quint32 nb) {
    const int c = std::memcmp(a, b, std::min(RestLength(na), RestLength(nb)));
    if (c != 0)
        return c;
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

} // namespace

CPeopleListModel::Entry CPeopleListModel::MakeEntry(CPerson* pPerson) {
    const QByteArray& name = pPerson->m_strName;
    Entry entry;
    entry.pPerson = pPerson;
    entry.nOffset = quint32(m_keys.size());
    if (IsAscii(name.constData(), name.size())) {
        // Most names are plain ASCII: lower-cased straight into the prefix and the key store.
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; };
        const qsizetype n = name.size();
        const char* p = name.constData();
        quint64 prefix = 0;
        for (qsizetype i = 0; i < 8; ++i)
            prefix = (prefix << 8) | (i < n ? static_cast<unsigned char>(lower(p[i])) : 0u);
        for (qsizetype i = 8; i < n; ++i)
            m_keys.push_back(lower(p[i]));
        entry.nPrefix = prefix;
        entry.nLength = quint32(n);
    } else {
        const QByteArray key = SortKey(name);
        if (key.size() > 8)
            m_keys.append(key.constData() + 8, size_t(key.size() - 8));
        entry.nPrefix = PrefixOf(key.constData(), key.size());
        entry.nLength = quint32(key.size());
    }
    return entry;
}

bool CPeopleListModel::Less(const Entry& a, const Entry& b) const {
    if (a.nPrefix != b.nPrefix)
        return a.nPrefix < b.nPrefix;
    const char* keys = m_keys.data();
    return CompareRest(keys + a.nOffset, a.nLength, keys + b.nOffset, b.nLength) < 0;
}

CPeopleListModel::CPeopleListModel(QObject* parent) : QAbstractListModel(parent) {}

QByteArray CPeopleListModel::SortKey(const QByteArray& stored) {
    // Most names are plain ASCII: their key is their bytes in lower case, with no conversion.
    if (IsAscii(stored.constData(), stored.size()))
        return LowerAscii(stored);
    return TextKey(CText::ToDisplay(stored));
}

QByteArray CPeopleListModel::TextKey(const QString& text) {
    bool bAscii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            bAscii = false;
            break;
        }
    }
    if (bAscii)
        return text.toLatin1().toLower();
    // Accents do not decide the order: letters sort with their plain forms (\u00c9mile with
    // Emile). The key is UTF-8, whose byte order is the order of the characters.
    QString plain = text.normalized(QString::NormalizationForm_D);
    plain.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return plain.toCaseFolded().toUtf8();
}

int CPeopleListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant CPeopleListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return TextAt(index.row());
    return {};
}

CPerson* CPeopleListModel::PersonAt(int row) const {
    return row >= 0 && row < Count() ? m_entries[size_t(row)].pPerson : nullptr;
}

QString CPeopleListModel::TextAt(int row) const {
    const CPerson* pPerson = PersonAt(row);
    return pPerson ? CText::ToDisplay(pPerson->m_strName) : QString();
}

void CPeopleListModel::Reset(const std::vector<CPerson*>& people) {
    beginResetModel();
    m_entries.clear();
    m_keys.clear();
    // A list of many lines is filled at once: its pages are mapped in one call rather than a
    // fault at a time (a freshly reserved list; a list that held as many lines before costs
    // nothing here).
    const size_t nOldCapacity = m_entries.capacity();
    m_entries.reserve(people.size());
    if (m_entries.capacity() != nOldCapacity)
        CHugePages::Populate(m_entries.data(), m_entries.capacity() * sizeof(Entry));
    // Room for names of average length; a longer list grows as usual. Measuring the names first
    // would cost a pass over every record.
    m_keys.reserve(people.size() * kKeyBytesPerLine);
    // Records lie apart in memory: the pass asks for the ones it reaches soon.
    const auto at = [&people](size_t i) { return people[i]; };
    static constexpr QByteArray CPerson::*kName[] = {&CPerson::m_strName};
    for (size_t i = 0; i < people.size(); ++i) {
        CRecordPrefetch::Ahead(i, people.size(), at, kName);
        m_entries.push_back(MakeEntry(people[i]));
    }
    SortEntries();
    endResetModel();
}

void CPeopleListModel::SortEntries() {
    const auto less = [this](const Entry& a, const Entry& b) { return Less(a, b); };
    const size_t count = m_entries.size();
    if (count < kRadixSortMin) {
        std::stable_sort(m_entries.begin(), m_entries.end(), less);
        return;
    }
    // Most lines differ in the first eight bytes of their keys, the prefix: a stable radix sort
    // on it, one byte a pass from the last, orders them with a few sequential passes instead of
    // a comparison for every step of a merge. Lines of equal prefixes are then ordered by their
    // whole keys. The result is the same as sorting with Less, equal keys in their order.
    std::array<std::array<size_t, 256>, 8> counts{};
    for (const Entry& entry : m_entries) {
        for (size_t b = 0; b < 8; ++b)
            ++counts[b][(entry.nPrefix >> (8 * b)) & 0xff];
    }
    // The other half of each pass: uninitialised, its pages mapped in one call.
    std::unique_ptr<Entry, void (*)(void*)> buffer(
        static_cast<Entry*>(std::malloc(count * sizeof(Entry))), &std::free);
    if (!buffer)
        throw std::bad_alloc();
    CHugePages::Populate(buffer.get(), count * sizeof(Entry));
    Entry* pFrom = m_entries.data();
    Entry* pTo = buffer.get();
    for (size_t b = 0; b < 8; ++b) {
        const unsigned shift = unsigned(8 * b);
        // A byte that is the same in every prefix changes nothing.
        if (counts[b][(pFrom[0].nPrefix >> shift) & 0xff] == count)
            continue;
        std::array<size_t, 256> next;
        size_t sum = 0;
        for (size_t digit = 0; digit < 256; ++digit) {
            next[digit] = sum;
            sum += counts[b][digit];
        }
        for (size_t i = 0; i < count; ++i)
            pTo[next[(pFrom[i].nPrefix >> shift) & 0xff]++] = pFrom[i];
        std::swap(pFrom, pTo);
    }
    if (pFrom != m_entries.data())
        std::memcpy(m_entries.data(), pFrom, count * sizeof(Entry));
    buffer.reset();
    Entry* const pEnd = m_entries.data() + count;
    for (Entry* first = m_entries.data(); first != pEnd;) {
        Entry* last = first + 1;
        while (last != pEnd && last->nPrefix == first->nPrefix)
            ++last;
        if (last - first > 1) {
            const quint64 nPrefix = first->nPrefix;
            SortTies(first, last, 8);
            for (Entry* p = first; p != last; ++p)
                p->nPrefix = nPrefix;
        }
        first = last;
    }
}

void CPeopleListModel::SortTies(Entry* first, Entry* last, quint32 depth) {
    // The keys of these lines agree in their first `depth` bytes (zero-padded). Lists of many
    // people of one name share long prefixes: they are ordered by the next eight bytes of
    // their keys, as numbers, and only lines that agree there too go on to the eight after.
    // nPrefix holds those eight bytes meanwhile; the caller puts the prefix back.
    bool bLonger = false;
    bool bSameLength = true;
    const char* keys = m_keys.data();
    for (Entry* p = first; p != last; ++p) {
        // The store holds each key from its ninth byte on (depth is at least eight).
        p->nPrefix =
            p->nLength > depth ? PrefixOf(keys + p->nOffset + (depth - 8), p->nLength - depth) : 0;
        bLonger = bLonger || p->nLength > depth + 8;
        bSameLength = bSameLength && p->nLength == first->nLength;
    }
    if (!bLonger) {
        // Every key ends within these eight bytes. Keys of one length that agree here are
        // equal and keep their order; keys that differ only in trailing zero bytes are left to
        // the whole comparison.
        if (bSameLength) {
            std::stable_sort(first, last,
                             [](const Entry& a, const Entry& b) { return a.nPrefix < b.nPrefix; });
        } else {
            std::stable_sort(first, last, [keys](const Entry& a, const Entry& b) {
                return CompareRest(keys + a.nOffset, a.nLength, keys + b.nOffset, b.nLength) < 0;
            });
        }
        return;
    }
    std::stable_sort(first, last,
                     [](const Entry& a, const Entry& b) { return a.nPrefix < b.nPrefix; });
    for (Entry* run = first; run != last;) {
        Entry* end = run + 1;
        while (end != last && end->nPrefix == run->nPrefix)
            ++end;
        if (end - run > 1)
            SortTies(run, end, depth + 8);
        run = end;
    }
}

void CPeopleListModel::Clear() {
    beginResetModel();
    m_entries.clear();
    m_keys.clear();
    endResetModel();
}

int CPeopleListModel::Insert(CPerson* pPerson) {
    const Entry entry = MakeEntry(pPerson);
    const auto it = std::upper_bound(m_entries.begin(), m_entries.end(), entry,
                                     [this](const Entry& a, const Entry& b) { return Less(a, b); });
    const int row = int(it - m_entries.begin());
    beginInsertRows(QModelIndex(), row, row);
    m_entries.insert(it, entry);
    endInsertRows();
    return row;
}

void CPeopleListModel::RemoveRow(int row) {
    if (row < 0 || row >= Count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_entries.erase(m_entries.begin() + row);
    endRemoveRows();
}

void CPeopleListModel::RemoveRows(const std::vector<int>& rows) {
    if (rows.empty())
        return;
    // Split into blocks of consecutive rows.
    std::vector<std::pair<int, int>> blocks; // first, last
    for (int row : rows) {
        if (!blocks.empty() && blocks.back().second + 1 == row)
            blocks.back().second = row;
        else
            blocks.push_back({row, row});
    }
    if (blocks.size() <= kMaxSeparateBlocks) {
        for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
            beginRemoveRows(QModelIndex(), it->first, it->second);
            m_entries.erase(m_entries.begin() + it->first, m_entries.begin() + it->second + 1);
            endRemoveRows();
        }
        return;
    }
    beginResetModel();
    size_t next = 0;
    size_t out = 0;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (next < rows.size() && size_t(rows[next]) == i) {
            ++next;
            continue;
        }
        if (out != i)
            m_entries[out] = std::move(m_entries[i]);
        ++out;
    }
    m_entries.resize(out);
    endResetModel();
}

int CPeopleListModel::FindPerson(const CPerson* pPerson, int nHint) const {
    if (!pPerson)
        return -1;
    if (nHint >= 0 && nHint < Count() && m_entries[size_t(nHint)].pPerson == pPerson)
        return nHint;
    // The record's name may have changed since its line was made, so its key cannot be trusted
    // here: look the pointer up directly.
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].pPerson == pPerson)
            return int(i);
    }
    return -1;
}

int CPeopleListModel::FindPrefix(const QString& prefix) const {
    const QByteArray key = TextKey(prefix);
    const quint64 nPrefix = PrefixOf(key.constData(), key.size());
    const char* keys = m_keys.data();
    // Every key beginning with `key` sorts at or after it, and they all stand together.
    const auto length = quint32(key.size());
    const char* rest = key.constData() + std::min<qsizetype>(key.size(), 8);
    const auto it = std::lower_bound(
        m_entries.begin(), m_entries.end(), key, [&](const Entry& e, const QByteArray&) {
            if (e.nPrefix != nPrefix)
                return e.nPrefix < nPrefix;
            return CompareRest(keys + e.nOffset, e.nLength, rest, length) < 0;
        });
    if (it == m_entries.end() || it->nLength < length)
        return -1;
    // The line's key begins with `key`: in its prefix, as far as `key` goes, and past it.
    if (length < 8) {
        const unsigned shift = 8 * (8 - length);
        return length == 0 || (it->nPrefix >> shift) == (nPrefix >> shift)
                   ? int(it - m_entries.begin())
                   : -1;
    }
    if (it->nPrefix != nPrefix ||
        std::memcmp(keys + it->nOffset, rest, size_t(RestLength(length))) != 0)
        return -1;
    return int(it - m_entries.begin());
}

void CPeopleListModel::AppendRows(const CPeopleListModel& source, const std::vector<int>& rows) {
    m_entries.reserve(m_entries.size() + rows.size());
    m_keys.reserve(m_keys.size() + rows.size() * kKeyBytesPerLine);
    for (int row : rows) {
        Entry entry = source.m_entries[size_t(row)];
        const quint32 nOffset = quint32(m_keys.size());
        m_keys.append(source.m_keys, entry.nOffset, RestLength(entry.nLength));
        entry.nOffset = nOffset;
        m_entries.push_back(entry);
    }
}

void CPeopleListModel::AssignRows(const CPeopleListModel& source, const std::vector<int>& rows) {
    beginResetModel();
    m_entries.clear();
    m_keys.clear();
    AppendRows(source, rows);
    endResetModel();
}

void CPeopleListModel::MergeRows(const CPeopleListModel& source, const std::vector<int>& rows) {
    beginResetModel();
    const size_t nOld = m_entries.size();
    AppendRows(source, rows);
    // Both parts are sorted; on equal keys the lines already present come first.
    std::inplace_merge(m_entries.begin(), m_entries.begin() + std::ptrdiff_t(nOld), m_entries.end(),
                       [this](const Entry& a, const Entry& b) { return Less(a, b); });
    endResetModel();
}
