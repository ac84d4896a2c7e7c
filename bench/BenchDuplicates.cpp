// Finding duplicates over 65,535 entries, opening the Find Duplicates dialog on them, and
// merging every set at once, measured headless.
#include "BenchUtil.h"
#include "CDuplicateFinder.h"
#include "CDuplicatesDlg.h"
#include "CMemoryProfile.h"
#include "CPeopleListModel.h"
#include "CRecordMerger.h"
#include "CSampleData.h"
#include "CScriptedPrompt.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"

#include <QApplication>
#include <QListWidget>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kEntries = 65535;
// One entry in this many is a second copy of an earlier person, written another way.
constexpr int kCopyEvery = 20;

// A surname of its own for every index, so the sample's few names do not all collide.
QByteArray Surname(int index) {
    static const char* const kSyllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "to",
                                             "vi", "we", "zo", "ba", "de", "fi", "go"};
    QByteArray name;
    int n = index + 14;
    do {
        name += kSyllables[n % 14];
        n /= 14;
    } while (n > 0);
    name[0] = char(name[0] - ('a' - 'A'));
    return name;
}

// Entry `index`: the sample entry with a surname, e-mail and phone number of its own.
CPerson Unique(int index) {
    CPerson person = CSampleData::MakePerson(index);
    const QByteArray first = person.m_strName.left(person.m_strName.indexOf(' '));
    person.m_strName = first + ' ' + Surname(index);
    person.m_strEmail = first.toLower() + '.' + Surname(index).toLower() + "@example.org";
    person.m_strPhone = "Home (555) " + QByteArray::number(1000000 + index).insert(3, '-');
    return person;
}

// The entries, every kCopyEvery-th one a copy of an earlier entry that only one of the ways
// of matching finds: the name in comma form, the e-mail in capitals, or the number written
// another way.
std::vector<CPerson> Entries() {
    std::vector<CPerson> people;
    people.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        if (i % kCopyEvery != kCopyEvery - 1) {
            people.push_back(Unique(i));
            continue;
        }
        const CPerson original = Unique(i - 7);
        CPerson copy = Unique(i);
        switch ((i / kCopyEvery) % 3) {
        case 0: {
            const qsizetype blank = original.m_strName.indexOf(' ');
            copy.m_strName =
                original.m_strName.mid(blank + 1) + ", " + original.m_strName.left(blank);
            break;
        }
        case 1:
            copy.m_strEmail = original.m_strEmail.toUpper();
            break;
        default:
            copy.m_strPhone = "Cell +1 555 " + original.m_strPhone.mid(11);
            break;
        }
        people.push_back(copy);
    }
    return people;
}

void Fill(CVornDoc& doc, const std::vector<CPerson>& people) {
    doc.OnNewDocument();
    doc.m_groupList = CSampleData::Groups();
    for (const CPerson& person : people)
        doc.m_personList.push_back(std::make_unique<CPerson>(person));
}

std::vector<const CPerson*> Pointers(const CVornDoc& doc) {
    std::vector<const CPerson*> people;
    for (const auto& person : doc.m_personList)
        people.push_back(person.get());
    return people;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    CMemoryProfile profile;
    CScriptedPrompt prompt;
    CVornApp app;
    const int runs = 15;

    const std::vector<CPerson> entries = Entries();
    CVornDoc doc(app);
    Fill(doc, entries);
    const std::vector<const CPerson*> people = Pointers(doc);
    size_t nSets = 0;
    Measure(QStringLiteral("find duplicates among %1 entries").arg(kEntries), runs, [&] {
        nSets = CDuplicateFinder::Find(people).size();
        if (nSets == 0)
            std::abort();
    });
    std::printf("  %zu sets found\n", nSets);
    // The processor time of one search, which other programs on a busy machine do not inflate.
    {
        const std::clock_t start = std::clock();
        for (int i = 0; i < runs; ++i)
            nSets = CDuplicateFinder::Find(people).size();
        std::printf("  processor time per search: %.1f ms\n",
                    1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC / runs);
    }

    // The sample entries as they come: a few hundred names shared by thousands of entries.
    CVornDoc crowded(app);
    crowded.OnNewDocument();
    for (int i = 0; i < kEntries; ++i)
        crowded.m_personList.push_back(std::make_unique<CPerson>(CSampleData::MakePerson(i)));
    const std::vector<const CPerson*> crowdedPeople = Pointers(crowded);
    size_t nCrowdedSets = 0;
    Measure(QStringLiteral("find duplicates among %1 entries sharing few names").arg(kEntries),
            runs, [&] { nCrowdedSets = CDuplicateFinder::Find(crowdedPeople).size(); });
    std::printf("  %zu sets found\n", nCrowdedSets);

    // The dialog over the form, until it is shown with its list laid out.
    CVornView view(doc);
    view.resize(1000, 700);
    view.show();
    view.OnInitialUpdate();
    QApplication::processEvents();
    Measure(
        QStringLiteral("open the Find Duplicates dialog on %1 entries").arg(kEntries), runs, [&] {
            CDuplicatesDlg dialog(doc, {}, {}, &view);
            dialog.show();
            QApplication::processEvents();
            auto* pSets = dialog.findChild<QListWidget*>(QStringLiteral("listSets"));
            if (pSets->count() != int(nSets) || !pSets->visualItemRect(pSets->item(0)).isValid())
                std::abort();
            dialog.close();
        });

    // Merge All: every set merged with its defaults, the form refreshed once.
    Measure(
        QStringLiteral("merge all %1 sets").arg(nSets), 5,
        [&] {
            std::vector<std::vector<CPerson*>> sets;
            std::vector<CPerson> merged;
            const std::vector<const CPerson*> now = Pointers(doc);
            for (const CDuplicateFinder::CSet& set : CDuplicateFinder::Find(now)) {
                std::vector<CPerson*> members;
                std::vector<const CPerson*> constMembers;
                for (int i : set.m_listMembers) {
                    members.push_back(doc.m_personList[size_t(i)].get());
                    constMembers.push_back(now[size_t(i)]);
                }
                sets.push_back(std::move(members));
                merged.push_back(CRecordMerger::Defaults(constMembers));
            }
            view.MergeEntrySets(sets, merged);
            QApplication::processEvents();
            if (doc.m_personList.size() != size_t(kEntries) - nSets)
                std::abort();
        },
        [&] {
            Fill(doc, entries);
            view.OnInitialUpdate();
            QApplication::processEvents();
        });
    return 0;
}
