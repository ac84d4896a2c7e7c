#include "CDuplicateFinder.h"

#include "CNameFolder.h"
#include "CPerson.h"
#include "CText.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <numeric>

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

// One shared value between two entries: which kind, and its first entry.
struct CLink {
    int nFirst;
    int nOther;
    CDuplicateFinder::Reason reason;
    QByteArray shared;
};

} // namespace

QList<QByteArray> CDuplicateFinder::PhoneKeys(const QByteArray& phone) {
    QList<QByteArray> keys;
    QByteArray digits;
    auto endLine = [&] {
        if (digits.size() >= 8) {
            QByteArray key = digits.right(8);
            if (!keys.contains(key))
                keys.append(std::move(key));
        }
        digits.clear();
    };
    for (char c : phone) {
        if (c == '\r' || c == '\n')
            endLine();
        else if (c >= '0' && c <= '9')
            digits.append(c);
    }
    endLine();
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
    // that one. The three kinds of key never meet: each has a table of its own.
    QHash<QByteArray, int> names;
    QHash<QByteArray, int> emails;
    QHash<QByteArray, int> phones;
    names.reserve(count);
    emails.reserve(count);
    phones.reserve(count);
    std::vector<CLink> links;
    auto note = [&links](QHash<QByteArray, int>& table, QByteArray key, int i, Reason reason) {
        const auto it = table.constFind(key);
        if (it == table.constEnd())
            table.insert(std::move(key), i);
        else
            links.push_back({it.value(), i, reason, std::move(key)});
    };
    for (int i = 0; i < count; ++i) {
        const CPerson& person = *people[size_t(i)];
        QByteArray name = CNameFolder::Fold(person.m_strName);
        if (!name.isEmpty())
            note(names, std::move(name), i, SameName);
        QByteArray email = EmailKey(person.m_strEmail);
        if (!email.isEmpty())
            note(emails, std::move(email), i, SameEmail);
        if (!person.m_strPhone.isEmpty()) {
            for (QByteArray& key : PhoneKeys(person.m_strPhone))
                note(phones, std::move(key), i, SamePhone);
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
            set.m_strPhone = link.shared;
    }
    return result;
}
