#pragma once

#include "CPerson.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <memory>
#include <utility>
#include <vector>

class CVornDoc;

// Merges entries that stand for one person into one entry. Each single-line field takes one of
// the entries' values (by default the value most entries share, else the longest); the Phone,
// Address and Notes lines and the groups of all the entries are united, in order, without
// repeats. A merge is one step on the document that can be taken back as a whole.
class CRecordMerger {
public:
    // The single-line fields whose value the user picks: Name, City, State, ZIP, Country, E-mail.
    static const std::array<QByteArray CPerson::*, 6>& ChoiceFields();
    // The multi-line fields whose lines are united: Address, Phone, Notes.
    static const std::array<QByteArray CPerson::*, 3>& LineFields();

    // The different non-empty values of `field` among `people`, in the order met.
    static QList<QByteArray> Candidates(const std::vector<const CPerson*>& people,
                                        QByteArray CPerson::*field);
    // The value most of `people` share; among equally shared values the longest (in characters),
    // then the first met. Empty values count only when every entry's value is empty, so a merge
    // never drops a value for an empty one.
    static QByteArray DefaultValue(const std::vector<const CPerson*>& people,
                                   QByteArray CPerson::*field);
    // Every line of `field` of every entry, in order, each once (blanks around a line do not
    // tell lines apart; empty lines are left out). The lines are joined by the entries' own line
    // break: CR LF unless they all use single line feeds.
    static QByteArray UniteLines(const std::vector<const CPerson*>& people,
                                 QByteArray CPerson::*field);
    // Every group of every entry, in order, each once.
    static QList<QByteArray> UniteGroups(const std::vector<const CPerson*>& people);
    // The merged entry with every default: chosen fields by DefaultValue, the rest united.
    static CPerson Defaults(const std::vector<const CPerson*>& people);

    // What one merge did, enough to take it back.
    struct CResult {
        // The entry that now holds the merged values: the set's first in the document's order,
        // which keeps its place and its identity.
        CPerson* m_pKept = nullptr;
        // What the kept entry held before.
        CPerson m_before;
        // The other entries, taken out of the document, with the positions they had in its
        // list (ascending). Owned here until the merge is undone or forgotten.
        std::vector<std::pair<size_t, std::unique_ptr<CPerson>>> m_listRemoved;
    };

    // Merges `set` (entries of `doc`; two or more) into its first entry in document order,
    // which takes the texts and groups of `merged`; the others leave the document's list. The
    // caller marks the document modified. An entry of the set that is not in the document is
    // ignored; with fewer than two left nothing changes and m_pKept is null.
    static CResult Merge(CVornDoc& doc, const std::vector<CPerson*>& set, const CPerson& merged);
    // Takes a merge back: the removed entries return to their places and the kept entry gets
    // its old values again.
    static void Unmerge(CVornDoc& doc, CResult& result);
};
