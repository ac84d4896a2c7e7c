#include "CRecordMerger.h"

#include "CText.h"
#include "CVornDoc.h"

#include <algorithm>

namespace {

// Splits a multi-line text at CR LF, a lone CR or a lone LF.
QList<QByteArray> SplitLines(const QByteArray& text) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.append(text.mid(start));
    return lines;
}

} // namespace

const std::array<QByteArray CPerson::*, 6>& CRecordMerger::ChoiceFields() {
    static const std::array<QByteArray CPerson::*, 6> fields = {
        &CPerson::m_strName, &CPerson::m_strCity,    &CPerson::m_strState,
        &CPerson::m_strZip,  &CPerson::m_strCountry, &CPerson::m_strEmail};
    return fields;
}

const std::array<QByteArray CPerson::*, 3>& CRecordMerger::LineFields() {
    static const std::array<QByteArray CPerson::*, 3> fields = {
        &CPerson::m_strAddress, &CPerson::m_strPhone, &CPerson::m_strNotes};
    return fields;
}

QList<QByteArray> CRecordMerger::Candidates(const std::vector<const CPerson*>& people,
                                            QByteArray CPerson::*field) {
    QList<QByteArray> values;
    for (const CPerson* pPerson : people) {
        const QByteArray& value = pPerson->*field;
        if (!value.isEmpty() && !values.contains(value))
            values.append(value);
    }
    return values;
}

QByteArray CRecordMerger::DefaultValue(const std::vector<const CPerson*>& people,
                                       QByteArray CPerson::*field) {
    const QList<QByteArray> values = Candidates(people, field);
    QByteArray best;
    qsizetype nBestCount = 0;
    qsizetype nBestLength = 0;
    for (const QByteArray& value : values) {
        const qsizetype n = std::count_if(people.begin(), people.end(),
                                          [&](const CPerson* p) { return p->*field == value; });
        // Length as the user sees it: an accented letter is one character, not two bytes.
        const qsizetype length = CText::ToDisplay(value).size();
        if (n > nBestCount || (n == nBestCount && length > nBestLength)) {
            best = value;
            nBestCount = n;
            nBestLength = length;
        }
    }
    return best;
}

QByteArray CRecordMerger::UniteLines(const std::vector<const CPerson*>& people,
                                     QByteArray CPerson::*field) {
    QList<QByteArray> lines;
    QList<QByteArray> seen;
    bool bCrLf = false;
    bool bLineFeed = false;
    for (const CPerson* pPerson : people) {
        const QByteArray& text = pPerson->*field;
        if (text.contains("\r\n"))
            bCrLf = true;
        else if (text.contains('\n'))
            bLineFeed = true;
        for (const QByteArray& line : SplitLines(text)) {
            const QByteArray key = line.trimmed();
            if (key.isEmpty() || seen.contains(key))
                continue;
            seen.append(key);
            lines.append(line);
        }
    }
    return lines.join(bLineFeed && !bCrLf ? QByteArray("\n") : QByteArray("\r\n"));
}

QList<QByteArray> CRecordMerger::UniteGroups(const std::vector<const CPerson*>& people) {
    QList<QByteArray> groups;
    for (const CPerson* pPerson : people) {
        for (const QByteArray& group : pPerson->m_groups) {
            if (!groups.contains(group))
                groups.append(group);
        }
    }
    return groups;
}

CPerson CRecordMerger::Defaults(const std::vector<const CPerson*>& people) {
    CPerson merged;
    for (QByteArray CPerson::*field : ChoiceFields())
        merged.*field = DefaultValue(people, field);
    for (QByteArray CPerson::*field : LineFields())
        merged.*field = UniteLines(people, field);
    merged.m_groups = UniteGroups(people);
    return merged;
}

CRecordMerger::CResult CRecordMerger::Merge(CVornDoc& doc, const std::vector<CPerson*>& set,
                                            const CPerson& merged) {
    CResult result;
    std::vector<const CPerson*> members(set.begin(), set.end());
    std::sort(members.begin(), members.end());
    members.erase(std::unique(members.begin(), members.end()), members.end());
    // The set's entries in document order, found in one pass.
    std::vector<size_t> positions;
    for (size_t i = 0; i < doc.m_personList.size(); ++i) {
        if (std::binary_search(members.begin(), members.end(), doc.m_personList[i].get()))
            positions.push_back(i);
    }
    if (positions.size() < 2)
        return result;

    result.m_pKept = doc.m_personList[positions.front()].get();
    result.m_before = *result.m_pKept;
    *result.m_pKept = merged;
    for (size_t k = 1; k < positions.size(); ++k)
        result.m_listRemoved.emplace_back(positions[k], std::move(doc.m_personList[positions[k]]));
    std::erase_if(doc.m_personList, [](const std::unique_ptr<CPerson>& p) { return !p; });
    return result;
}

void CRecordMerger::Unmerge(CVornDoc& doc, CResult& result) {
    if (!result.m_pKept)
        return;
    *result.m_pKept = result.m_before;
    // Ascending positions: each one is right once the ones before it are back.
    for (auto& [position, pPerson] : result.m_listRemoved) {
        const size_t at = std::min(position, doc.m_personList.size());
        doc.m_personList.insert(doc.m_personList.begin() + qsizetype(at), std::move(pPerson));
    }
    result.m_listRemoved.clear();
    result.m_pKept = nullptr;
}
