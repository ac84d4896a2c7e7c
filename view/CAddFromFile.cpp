#include "CAddFromFile.h"

#include "CContactReader.h"
#include "CVornDoc.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <unordered_map>

namespace {

QString Number(qsizetype n) {
    return QLocale(QLocale::English).toString(static_cast<qlonglong>(n));
}

// The groups of an entry in a fixed order, so two entries in the same groups compare equal
// whatever order they were joined in.
QList<QByteArray> SortedGroups(const CPerson& person) {
    QList<QByteArray> groups = person.m_groups;
    std::sort(groups.begin(), groups.end());
    return groups;
}

bool SameEntry(const CPerson& a, const CPerson& b) {
    return a.m_strName == b.m_strName && a.m_strAddress == b.m_strAddress &&
           a.m_strCity == b.m_strCity && a.m_strState == b.m_strState && a.m_strZip == b.m_strZip &&
           a.m_strCountry == b.m_strCountry && a.m_strPhone == b.m_strPhone &&
           a.m_strNotes == b.m_strNotes && a.m_strEmail == b.m_strEmail &&
           SortedGroups(a) == SortedGroups(b);
}

size_t EntryHash(const CPerson& person) {
    size_t hash = qHashMulti(0, person.m_strName, person.m_strAddress, person.m_strCity,
                             person.m_strState, person.m_strZip, person.m_strCountry,
                             person.m_strPhone, person.m_strNotes, person.m_strEmail);
    // Order-independent over the groups.
    for (const QByteArray& group : person.m_groups)
        hash += qHash(group);
    return hash;
}

void TrimLeadingBlanks(QByteArray& text) {
    qsizetype n = 0;
    while (n < text.size() && (text[n] == ' ' || text[n] == '\t' || text[n] == '\r' ||
                               text[n] == '\n' || text[n] == '\v' || text[n] == '\f'))
        ++n;
    if (n > 0)
        text.remove(0, n);
}

// The first bytes of a contact file: its version, 15 or 11, as a 32-bit little-endian number.
bool IsContactFile(const QByteArray& bytes) {
    return bytes.startsWith(QByteArray("\x0f\0\0\0", 4)) ||
           bytes.startsWith(QByteArray("\x0b\0\0\0", 4));
}

} // namespace

bool CAddFromFile::ReadFile(const QString& path, SRead& read, QString* pError) {
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *pError = QStringLiteral("Cannot open \"%1\": %2.").arg(shown, file.errorString());
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *pError = QStringLiteral("Cannot read \"%1\": %2.").arg(shown, file.errorString());
        return false;
    }
    file.close();
    read = SRead();

    if (IsContactFile(bytes)) {
        // Its own Notes label stays with it: only the entries and their groups are added.
        CNotesLabel label;
        CVornDoc other(label);
        QString error;
        if (!other.LoadFromBytes(bytes, &error)) {
            *pError = QStringLiteral("\"%1\" cannot be read: %2").arg(shown, error);
            return false;
        }
        read.people.reserve(other.m_personList.size());
        for (auto& pPerson : other.m_personList)
            read.people.push_back(std::move(*pPerson));
        read.report.nContacts = static_cast<qsizetype>(read.people.size());
        return true;
    }

    const EContactFormat format = CContactReader::Detect(bytes);
    if (format != EContactFormat::VCard && format != EContactFormat::Csv) {
        *pError = QStringLiteral("\"%1\" is not a contact file, a vCard file or a CSV file whose "
                                 "first row names its columns. To import other delimited text, "
                                 "use File > Import.")
                      .arg(shown);
        return false;
    }
    CContactReader::Result result;
    QString error;
    if (!CContactReader::Read(bytes, format, result, &error)) {
        *pError = QStringLiteral("\"%1\" cannot be read: %2").arg(shown, error);
        return false;
    }
    read.people = std::move(result.people);
    read.report = result.report;
    return true;
}

CAddFromFile::SAdded CAddFromFile::AddEntries(CVornDoc& doc, std::vector<CPerson> people) {
    SAdded result;
    // Every entry there, and every new one accepted so far, by the hash of its texts and groups.
    std::unordered_multimap<size_t, const CPerson*> known;
    known.reserve(doc.m_personList.size() + people.size());
    for (const auto& pPerson : doc.m_personList)
        known.emplace(EntryHash(*pPerson), pPerson.get());
    const auto isKnown = [&known](const CPerson& person, size_t hash) {
        const auto [first, last] = known.equal_range(hash);
        return std::any_of(first, last,
                           [&](const auto& entry) { return SameEntry(*entry.second, person); });
    };

    std::vector<CPerson*> accepted;
    accepted.reserve(people.size());
    for (CPerson& person : people) {
        TrimLeadingBlanks(person.m_strName);
        if (person.m_strName.isEmpty()) {
            ++result.nWithoutName;
            continue;
        }
        const size_t hash = EntryHash(person);
        if (isKnown(person, hash)) {
            ++result.nAlreadyThere;
            continue;
        }
        known.emplace(hash, &person);
        accepted.push_back(&person);
    }

    result.nWouldHold = qsizetype(doc.m_personList.size() + accepted.size());
    if (result.nWouldHold > CVornDoc::kMaxEntries) {
        result.bTooMany = true;
        return result;
    }

    QSet<QByteArray> groups(doc.m_groupList.begin(), doc.m_groupList.end());
    result.nFirst = doc.m_personList.size();
    doc.m_personList.reserve(doc.m_personList.size() + accepted.size());
    result.added.reserve(accepted.size());
    for (CPerson* pPerson : accepted) {
        for (const QByteArray& group : pPerson->m_groups) {
            if (!groups.contains(group)) {
                groups.insert(group);
                doc.m_groupList.append(group);
                result.newGroups.append(group);
            }
        }
        doc.m_personList.push_back(std::make_unique<CPerson>(std::move(*pPerson)));
        result.added.push_back(doc.m_personList.back().get());
    }
    return result;
}

QString CAddFromFile::StatusText(const SAdded& added) {
    const qsizetype n = qsizetype(added.added.size());
    QString text = n == 1 ? QStringLiteral("Added 1 entry")
                          : QStringLiteral("Added %1 entries").arg(Number(n));
    text += added.nAlreadyThere == 1
                ? QStringLiteral("; 1 was already there")
                : QStringLiteral("; %1 were already there").arg(Number(added.nAlreadyThere));
    if (added.nWithoutName > 0)
        text += added.nWithoutName == 1 ? QStringLiteral("; 1 had no name and was left out")
                                        : QStringLiteral("; %1 had no name and were left out")
                                              .arg(Number(added.nWithoutName));
    return text;
}

QString CAddFromFile::TooManyText(const SAdded& added) {
    return QStringLiteral("Nothing was added: with these entries the file would hold %1 entries, "
                          "but a contact file can hold at most 65,535.")
        .arg(Number(added.nWouldHold));
}
