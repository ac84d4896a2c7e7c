#include "CDuplicateFinder.h"

#include "CNameFolder.h"
#include "CPerson.h"
#include "CText.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

// Entries joined into sets, each set known by one root entry.
class CUnion {
public:
    explicit CUnion(size_t n) : m_parent(n) { std::iota(m_parent.begin(), m_parent.end(), 0); }
    int Root(int i) {
        while (m_parent[size_t(i)] != i) {
            m_parent[size_t(i)] = m_parent[size_t(m_parent[size_t(i)])];
            i = m_parent[size_t(i)];
        }
        return i;
    }
    void Join(int a, int b) {
        a = Root(a);
        b = Root(b);
        if (a != b)
            m_parent[size_t(std::max(a, b))] = std::min(a, b);
    }

private:
    std::vector<int> m_parent;
};

// One shared value between two entries: which kind, and its first entry; for a phone, the
// number's last 8 digits.
struct CLink {
    int nFirst;
    int nOther;
    CDuplicateFinder::Reason reason;
    quint32 nNumber;
};

// Calls `fn` with the last 8 digits, as a number, of every line of `phone` that holds 8 or more
// digits.
template <typename Fn> void ForEachPhoneKey(const QByteArray& phone, Fn fn) {
    quint32 number = 0;
    int digits = 0;
    for (char c : phone) {
        if (c == '\r' || c == '\n') {
            if (digits >= 8)
                fn(number);
            number = 0;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            number = (number * 10 + quint32(c - '0')) % 100000000u;
            ++digits;
        }
    }
    if (digits >= 8)
        fn(number);
}

QByteArray EightDigits(quint32 number) {
    return QByteArray::number(number).rightJustified(8, '0');
}

// The e-mail key into `key`, without allocating for plain addresses.
void EmailKeyTo(const QByteArray& email, std::string& key) {
    key.clear();
    const char* p = email.constData();
    const char* end = p + email.size();
    // The blanks QByteArray::trimmed takes away, as EmailKey does.
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (p < end && blank(*p))
        ++p;
    while (end > p && blank(end[-1]))
        --end;
    for (const char* q = p; q < end; ++q) {
        if (static_cast<unsigned char>(*q) >= 0x80) {
            const QByteArray folded = CDuplicateFinder::EmailKey(email);
            key.assign(folded.constData(), size_t(folded.size()));
            return;
        }
    }
    for (; p < end; ++p)
        key += (*p >= 'A' && *p <= 'Z') ? char(*p + ('a' - 'A')) : *p;
}

} // namespace

QList<QByteArray> CDuplicateFinder::PhoneKeys(const QByteArray& phone) {
    QList<QByteArray> keys;
    ForEachPhoneKey(phone, [&keys](quint32 number) {
        QByteArray key = EightDigits(number);
        if (!keys.contains(key))
            keys.append(std::move(key));
    });
    return keys;
}

QByteArray CDuplicateFinder::EmailKey(const QByteArray& email) {
    const QByteArray trimmed = email.trimmed();
    if (trimmed.isEmpty())
        return {};
    const bool bAscii = std::all_of(trimmed.begin(), trimmed.end(),
                                    [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (bAscii)
        return trimmed.toLower();
    return CText::ToDisplay(trimmed).toCaseFolded().toUtf8();
}

QString CDuplicateFinder::ReasonText(int nReasons) {
    QStringList parts;
    if (nReasons & SameName)
        parts.append(QStringLiteral("Same name"));
    if (nReasons & SameEmail)
        parts.append(QStringLiteral("Same e-mail"));
    if (nReasons & SamePhone)
        parts.append(QStringLiteral("Same phone"));
    return parts.join(QStringLiteral(", "));
}

std::vector<CDuplicateFinder::CSet>
CDuplicateFinder::Find(const std::vector<const CPerson*>& people) {
    const int count = int(people.size());
    // Each key remembers the first entry that had it; a later entry with the same key links to
    // that one. The three kinds of key never meet: each has a table of its own. Names and
    // e-mail addresses are looked up by a 64-bit hash of their key, and a hit is confirmed on
    // the keys themselves, so two different keys never link; a phone key is its 8 digits.
    // A table of keys: the hash of each key seen, with the first entry that had it and the key
    // itself (most keys are short enough to be kept without an allocation).
    struct CKeyTable {
        struct CFirst {
            int nEntry;
            std::string key;
        };
        std::unordered_map<quint64, size_t> map;
        std::vector<CFirst> firsts;
        // The first entry with `key`, or -1 after noting entry `i` as the first.
        int Note(const std::string& key, int i) {
            const auto [it, bNew] =
                map.try_emplace(std::hash<std::string_view>()(key), firsts.size());
            if (bNew) {
                firsts.push_back({i, key});
                return -1;
            }
            const CFirst& first = firsts[it->second];
            return first.key == key ? first.nEntry : -1;
        }
    };
    CKeyTable names;
    CKeyTable emails;
    std::unordered_map<quint32, int> phones;
    names.map.reserve(size_t(count));
    emails.map.reserve(size_t(count));
    phones.reserve(size_t(count));
    std::vector<CLink> links;
    std::string key;
    for (int i = 0; i < count; ++i) {
        const CPerson& person = *people[size_t(i)];
        CNameFolder::FoldTo(person.m_strName, key);
        if (!key.empty()) {
            if (const int first = names.Note(key, i); first >= 0)
                links.push_back({first, i, SameName, 0});
        }
        EmailKeyTo(person.m_strEmail, key);
        if (!key.empty()) {
            if (const int first = emails.Note(key, i); first >= 0)
                links.push_back({first, i, SameEmail, 0});
        }
        if (!person.m_strPhone.isEmpty()) {
            ForEachPhoneKey(person.m_strPhone, [&](quint32 number) {
                const auto [it, bNew] = phones.try_emplace(number, i);
                // One entry may hold the same number on two lines.
                if (!bNew && it->second != i)
                    links.push_back({it->second, i, SamePhone, number});
            });
        }
    }
    if (links.empty())
        return {};

    CUnion sets{size_t(count)};
    for (const CLink& link : links)
        sets.Join(link.nFirst, link.nOther);

    // One set per root, in the order of the roots (each root is its set's first member).
    QHash<int, size_t> setOfRoot;
    std::vector<CSet> result;
    std::vector<int> linked;
    linked.reserve(links.size() * 2);
    for (const CLink& link : links) {
        linked.push_back(link.nFirst);
        linked.push_back(link.nOther);
    }
    std::sort(linked.begin(), linked.end());
    linked.erase(std::unique(linked.begin(), linked.end()), linked.end());
    for (int i : linked) {
        const int root = sets.Root(i);
        auto it = setOfRoot.find(root);
        if (it == setOfRoot.end()) {
            it = setOfRoot.insert(root, result.size());
            result.emplace_back();
        }
        result[it.value()].m_listMembers.push_back(i);
    }
    for (const CLink& link : links) {
        CSet& set = result[setOfRoot.value(sets.Root(link.nFirst))];
        if (set.m_nReasons & link.reason)
            continue;
        set.m_nReasons |= link.reason;
        const CPerson& first = *people[size_t(link.nFirst)];
        if (link.reason == SameName)
            set.m_strName = first.m_strName;
        else if (link.reason == SameEmail)
            set.m_strEmail = first.m_strEmail.trimmed();
        else
            set.m_strPhone = EightDigits(link.nNumber);
    }
    return result;
}
