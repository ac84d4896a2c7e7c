#include "CUndoHistory.h"

#include "CVornDoc.h"

#include <algorithm>
#include <utility>

namespace {

using Kind = CUndoHistory::Kind;
using SChange = CUndoHistory::SChange;

// A record out of the document, with the place it had there.
struct SHeld {
    size_t nIndex = 0;
    std::unique_ptr<CPerson> pPerson;
};

// Takes the records of `sorted` (pointers in ascending order) out of the document in one pass;
// the others keep their order. The records come back in document order with their places.
std::vector<SHeld> TakeOut(CVornDoc& doc, const std::vector<CPerson*>& sorted) {
    std::vector<SHeld> held;
    held.reserve(sorted.size());
    auto& list = doc.m_personList;
    size_t nKept = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (std::binary_search(sorted.begin(), sorted.end(), list[i].get()))
            held.push_back({i, std::move(list[i])});
        else
            list[nKept++] = std::move(list[i]);
    }
    list.resize(nKept);
    return held;
}

// Puts records taken out by TakeOut back at their places, in one pass.
void PutBack(CVornDoc& doc, std::vector<SHeld>& held) {
    auto& list = doc.m_personList;
    std::vector<std::unique_ptr<CPerson>> merged;
    merged.reserve(list.size() + held.size());
    size_t nOld = 0;
    size_t nHeld = 0;
    while (nOld < list.size() || nHeld < held.size()) {
        if (nHeld < held.size() && (held[nHeld].nIndex <= merged.size() || nOld == list.size()))
            merged.push_back(std::move(held[nHeld++].pPerson));
        else
            merged.push_back(std::move(list[nOld++]));
    }
    list = std::move(merged);
    held.clear();
}

bool AllIn(const std::vector<const CPerson*>& records, const std::vector<CPerson*>& people) {
    return std::all_of(people.begin(), people.end(), [&records](const CPerson* p) {
        return std::binary_search(records.begin(), records.end(), p);
    });
}

// A record carrying a group, and where the name stands in its list.
struct SMember {
    CPerson* pPerson = nullptr;
    qsizetype nAt = 0;
};

std::vector<SMember> MembersOf(const CVornDoc& doc, const QByteArray& name) {
    std::vector<SMember> members;
    for (const auto& pPerson : doc.m_personList) {
        const qsizetype nAt = pPerson->m_groups.indexOf(name);
        if (nAt >= 0)
            members.push_back({pPerson.get(), nAt});
    }
    return members;
}

std::vector<CPerson*> PeopleOf(const std::vector<SMember>& members) {
    std::vector<CPerson*> people;
    people.reserve(members.size());
    for (const SMember& member : members)
        people.push_back(member.pPerson);
    return people;
}

// Removes the name at `nAt` of `list` when it is there, else its first occurrence.
void RemoveName(QList<QByteArray>& list, qsizetype nAt, const QByteArray& name) {
    if (nAt >= 0 && nAt < list.size() && list[nAt] == name)
        list.removeAt(nAt);
    else
        list.removeOne(name);
}

void InsertName(QList<QByteArray>& list, qsizetype nAt, const QByteArray& name) {
    list.insert(std::clamp<qsizetype>(nAt, 0, list.size()), name);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Commands

class CUndoHistory::CCommand {
public:
    explicit CCommand(Kind kind) : m_kind(kind) {}
    virtual ~CCommand() = default;
    virtual void Undo(CVornDoc& doc, SChange& change) = 0;
    virtual void Redo(CVornDoc& doc, SChange& change) = 0;
    virtual QString Label() const = 0;
    // Whether the records an undo (or a redo) works on are all in the document, whose records
    // are `records` (in ascending order). A command that changes records without recording it
    // would leave the history pointing at records that are gone.
    virtual bool Finds(const std::vector<const CPerson*>& records, bool bUndo) const = 0;
    Kind GetKind() const { return m_kind; }

private:
    Kind m_kind;
};

namespace {

// Records that entered the document together (added, pasted, added from a file) or left it
// (deleted). While they are out of the document the command owns them.
class CRecordsCommand : public CUndoHistory::CCommand {
public:
    // `sorted`: the records, pointers in ascending order.
    CRecordsCommand(Kind kind, std::vector<CPerson*> sorted)
        : CCommand(kind), m_people(std::move(sorted)) {}

    // For a delete: takes the records out now.
    void TakeOutNow(CVornDoc& doc) { m_held = TakeOut(doc, m_people); }
    // Group names that came with the records: `names`, from position `nAt` of the document's.
    void SetNewGroups(QList<QByteArray> names, qsizetype nAt) {
        m_groups = std::move(names);
        m_nGroupAt = nAt;
    }

    void Undo(CVornDoc& doc, SChange& change) override {
        if (GetKind() == Kind::Delete)
            Enter(doc, change);
        else
            Leave(doc, change);
    }
    void Redo(CVornDoc& doc, SChange& change) override {
        if (GetKind() == Kind::Delete)
            Leave(doc, change);
        else
            Enter(doc, change);
    }
    bool Finds(const std::vector<const CPerson*>& records, bool bUndo) const override {
        // The records are in the document exactly when the command is done, except for a
        // delete, where it is the other way round; those out are held here.
        return (bUndo == (GetKind() == Kind::Delete)) || AllIn(records, m_people);
    }
    QString Label() const override {
        switch (GetKind()) {
        case Kind::Paste:
            return QStringLiteral("Paste");
        case Kind::AddFromFile:
            return QStringLiteral("Add From File");
        case Kind::Delete:
            return m_people.size() == 1 ? QStringLiteral("Delete Entry")
                                        : QStringLiteral("Delete %1 Entries").arg(m_people.size());
        default:
            return QStringLiteral("Add");
        }
    }

private:
    void Enter(CVornDoc& doc, SChange& change) {
        PutBack(doc, m_held);
        change.entered.insert(change.entered.end(), m_people.begin(), m_people.end());
        for (qsizetype i = 0; i < m_groups.size(); ++i)
            InsertName(doc.m_groupList, m_nGroupAt + i, m_groups[i]);
        change.bGroups = change.bGroups || !m_groups.isEmpty();
    }
    void Leave(CVornDoc& doc, SChange& change) {
        m_held = TakeOut(doc, m_people);
        change.left.insert(change.left.end(), m_people.begin(), m_people.end());
        for (qsizetype i = m_groups.size(); i-- > 0;)
            RemoveName(doc.m_groupList, m_nGroupAt + i, m_groups[i]);
        change.bGroups = change.bGroups || !m_groups.isEmpty();
    }

    std::vector<CPerson*> m_people;
    std::vector<SHeld> m_held;
    QList<QByteArray> m_groups;
    qsizetype m_nGroupAt = 0;
};

// One record changed in place: the command holds the other version and swaps.
class CUpdateCommand : public CUndoHistory::CCommand {
public:
    explicit CUpdateCommand(CPerson* pPerson)
        : CCommand(Kind::Update), m_pPerson(pPerson), m_other(*pPerson) {}

    void Undo(CVornDoc&, SChange& change) override { Swap(change); }
    void Redo(CVornDoc&, SChange& change) override { Swap(change); }
    QString Label() const override { return QStringLiteral("Update"); }
    bool Finds(const std::vector<const CPerson*>& records, bool) const override {
        return AllIn(records, {m_pPerson});
    }

private:
    void Swap(SChange& change) {
        std::swap(*m_pPerson, m_other);
        change.changed.push_back(m_pPerson);
    }

    CPerson* m_pPerson;
    CPerson m_other;
};

// Merges: in each, one entry took the merged values and the others left the document. While
// they are out the command owns them; the kept entry's other values are swapped in and out.
class CMergeCommand : public CUndoHistory::CCommand {
public:
    explicit CMergeCommand(std::vector<CRecordMerger::CResult> results) : CCommand(Kind::Merge) {
        for (CRecordMerger::CResult& result : results) {
            if (!result.m_pKept)
                continue;
            SMerge merge;
            merge.pKept = result.m_pKept;
            merge.other = std::move(result.m_before);
            for (auto& [nIndex, pPerson] : result.m_listRemoved) {
                merge.people.push_back(pPerson.get());
                merge.held.push_back({nIndex, std::move(pPerson)});
            }
            std::sort(merge.people.begin(), merge.people.end());
            m_merges.push_back(std::move(merge));
        }
    }
    bool IsEmpty() const { return m_merges.empty(); }

    void Undo(CVornDoc& doc, SChange& change) override {
        for (auto it = m_merges.rbegin(); it != m_merges.rend(); ++it) {
            PutBack(doc, it->held);
            std::swap(*it->pKept, it->other);
            change.entered.insert(change.entered.end(), it->people.begin(), it->people.end());
            change.changed.push_back(it->pKept);
        }
    }
    void Redo(CVornDoc& doc, SChange& change) override {
        for (SMerge& merge : m_merges) {
            std::swap(*merge.pKept, merge.other);
            merge.held = TakeOut(doc, merge.people);
            change.left.insert(change.left.end(), merge.people.begin(), merge.people.end());
            change.changed.push_back(merge.pKept);
        }
    }
    QString Label() const override { return QStringLiteral("Merge"); }
    bool Finds(const std::vector<const CPerson*>& records, bool bUndo) const override {
        for (const SMerge& merge : m_merges) {
            if (!AllIn(records, {merge.pKept}) || (!bUndo && !AllIn(records, merge.people)))
                return false;
        }
        return true;
    }

private:
    struct SMerge {
        CPerson* pKept = nullptr;
        CPerson other;
        // The merged-away entries: pointers in ascending order, and the records while out.
        std::vector<CPerson*> people;
        std::vector<SHeld> held;
    };
    std::vector<SMerge> m_merges;
};

class CNewGroupCommand : public CUndoHistory::CCommand {
public:
    CNewGroupCommand(const QByteArray& name, qsizetype nAt)
        : CCommand(Kind::NewGroup), m_name(name), m_nAt(nAt) {}

    void Undo(CVornDoc& doc, SChange& change) override {
        RemoveName(doc.m_groupList, m_nAt, m_name);
        change.bGroups = true;
    }
    void Redo(CVornDoc& doc, SChange& change) override {
        InsertName(doc.m_groupList, m_nAt, m_name);
        change.bGroups = true;
    }
    QString Label() const override { return QStringLiteral("New Group"); }
    bool Finds(const std::vector<const CPerson*>&, bool) const override { return true; }

private:
    QByteArray m_name;
    qsizetype m_nAt;
};

// A group deleted: its place among the group names and in each member's list.
class CDeleteGroupCommand : public CUndoHistory::CCommand {
public:
    CDeleteGroupCommand(const CVornDoc& doc, const QByteArray& name)
        : CCommand(Kind::DeleteGroup), m_name(name), m_nAt(doc.m_groupList.indexOf(name)),
          m_members(MembersOf(doc, name)) {}

    void Undo(CVornDoc& doc, SChange& change) override {
        if (m_nAt >= 0)
            InsertName(doc.m_groupList, m_nAt, m_name);
        for (const SMember& member : m_members)
            InsertName(member.pPerson->m_groups, member.nAt, m_name);
        Report(change);
    }
    void Redo(CVornDoc& doc, SChange& change) override {
        if (m_nAt >= 0)
            RemoveName(doc.m_groupList, m_nAt, m_name);
        for (const SMember& member : m_members)
            RemoveName(member.pPerson->m_groups, member.nAt, m_name);
        Report(change);
    }
    QString Label() const override { return QStringLiteral("Delete Group"); }
    bool Finds(const std::vector<const CPerson*>& records, bool) const override {
        return AllIn(records, PeopleOf(m_members));
    }

private:
    void Report(SChange& change) const {
        change.bGroups = true;
        const std::vector<CPerson*> people = PeopleOf(m_members);
        change.changed.insert(change.changed.end(), people.begin(), people.end());
    }

    QByteArray m_name;
    qsizetype m_nAt;
    std::vector<SMember> m_members;
};

// A group renamed: the name left its place for the end of the group names, and each member
// carries the new name where it carried the old.
class CRenameGroupCommand : public CUndoHistory::CCommand {
public:
    CRenameGroupCommand(const CVornDoc& doc, const QByteArray& oldName, const QByteArray& newName)
        : CCommand(Kind::RenameGroup), m_old(oldName), m_new(newName),
          m_nAt(doc.m_groupList.indexOf(oldName)), m_members(MembersOf(doc, oldName)) {}

    void Undo(CVornDoc& doc, SChange& change) override {
        QList<QByteArray>& names = doc.m_groupList;
        RemoveName(names, names.lastIndexOf(m_new), m_new);
        if (m_nAt >= 0)
            InsertName(names, m_nAt, m_old);
        Rename(m_new, m_old, change);
    }
    void Redo(CVornDoc& doc, SChange& change) override {
        if (m_nAt >= 0)
            RemoveName(doc.m_groupList, m_nAt, m_old);
        doc.m_groupList.append(m_new);
        Rename(m_old, m_new, change);
    }
    QString Label() const override { return QStringLiteral("Rename Group"); }
    bool Finds(const std::vector<const CPerson*>& records, bool) const override {
        return AllIn(records, PeopleOf(m_members));
    }

private:
    void Rename(const QByteArray& from, const QByteArray& to, SChange& change) const {
        for (const SMember& member : m_members) {
            QList<QByteArray>& groups = member.pPerson->m_groups;
            if (member.nAt < groups.size() && groups[member.nAt] == from)
                groups[member.nAt] = to;
            else
                member.pPerson->RenameGroup(from, to);
            change.changed.push_back(member.pPerson);
        }
        change.bGroups = true;
        change.groupFrom = from;
        change.groupTo = to;
    }

    QByteArray m_old;
    QByteArray m_new;
    qsizetype m_nAt;
    std::vector<SMember> m_members;
};

std::vector<CPerson*> Sorted(std::vector<CPerson*> people) {
    std::sort(people.begin(), people.end());
    people.erase(std::unique(people.begin(), people.end()), people.end());
    return people;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The history

CUndoHistory::CUndoHistory(CVornDoc& doc, QObject* parent) : QObject(parent), m_doc(doc) {
    // Opening or creating a file forgets every command, before the records go.
    connect(&m_doc, &CVornDoc::contentsAboutToBeDeleted, this, &CUndoHistory::Clear);
    connect(&m_doc, &CVornDoc::modifiedChanged, this, [this](bool bModified) {
        if (m_nBusy)
            return;
        m_nPushes = 0;
        if (!bModified) {
            m_nSavePoint = long(m_nDone); // saved (or opened) here
            return;
        }
        // A change that no command records by the time the events of this one are handled was
        // made by something the history does not hold: no state of it is the saved one then.
        // (Commands may mark the document before or after they record themselves.)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_nPushes == 0 && m_doc.IsModified() && long(m_nDone) == m_nSavePoint)
                    m_nSavePoint = -1;
            },
            Qt::QueuedConnection);
    });
}

CUndoHistory::~CUndoHistory() = default;

void CUndoHistory::Push(std::unique_ptr<CCommand> pCommand) {
    // A new command forgets what was undone; the saved state may be among it.
    if (m_nSavePoint > long(m_nDone))
        m_nSavePoint = -1;
    m_commands.erase(m_commands.begin() + long(m_nDone), m_commands.end());
    m_commands.push_back(std::move(pCommand));
    ++m_nDone;
    ++m_nPushes;
    if (m_commands.size() > size_t(kMaxCommands)) {
        m_commands.pop_front();
        --m_nDone;
        m_nSavePoint = m_nSavePoint > 0 ? m_nSavePoint - 1 : -1;
    }
    emit changed();
}

void CUndoHistory::RecordAdd(CPerson* pPerson) {
    Push(std::make_unique<CRecordsCommand>(Kind::Add, std::vector<CPerson*>{pPerson}));
}

void CUndoHistory::RecordUpdate(CPerson* pPerson) {
    Push(std::make_unique<CUpdateCommand>(pPerson));
}

void CUndoHistory::RecordDelete(std::vector<CPerson*> people) {
    auto pCommand = std::make_unique<CRecordsCommand>(Kind::Delete, Sorted(std::move(people)));
    pCommand->TakeOutNow(m_doc);
    Push(std::move(pCommand));
}

void CUndoHistory::RecordAddEntries(size_t nFirst, Kind kind, qsizetype nNewGroups) {
    std::vector<CPerson*> people;
    for (size_t i = nFirst; i < m_doc.m_personList.size(); ++i)
        people.push_back(m_doc.m_personList[i].get());
    nNewGroups = std::clamp<qsizetype>(nNewGroups, 0, m_doc.m_groupList.size());
    if (people.empty() && nNewGroups == 0)
        return;
    auto pCommand = std::make_unique<CRecordsCommand>(kind, Sorted(std::move(people)));
    const qsizetype nAt = m_doc.m_groupList.size() - nNewGroups;
    pCommand->SetNewGroups(m_doc.m_groupList.mid(nAt), nAt);
    Push(std::move(pCommand));
}

void CUndoHistory::RecordNewGroup(const QByteArray& name) {
    Push(std::make_unique<CNewGroupCommand>(name, m_doc.m_groupList.lastIndexOf(name)));
}

void CUndoHistory::RecordRenameGroup(const QByteArray& oldName, const QByteArray& newName) {
    Push(std::make_unique<CRenameGroupCommand>(m_doc, oldName, newName));
}

void CUndoHistory::RecordDeleteGroup(const QByteArray& name) {
    Push(std::make_unique<CDeleteGroupCommand>(m_doc, name));
}

void CUndoHistory::RecordMerge(CRecordMerger::CResult result) {
    std::vector<CRecordMerger::CResult> results;
    results.push_back(std::move(result));
    RecordMerges(std::move(results));
}

void CUndoHistory::RecordMerges(std::vector<CRecordMerger::CResult> results) {
    auto pCommand = std::make_unique<CMergeCommand>(std::move(results));
    if (!pCommand->IsEmpty())
        Push(std::move(pCommand));
}

QString CUndoHistory::UndoLabel() const {
    return CanUndo() ? m_commands[m_nDone - 1]->Label() : QString();
}

QString CUndoHistory::RedoLabel() const {
    return CanRedo() ? m_commands[m_nDone]->Label() : QString();
}

bool CUndoHistory::Finds(const CCommand& command, bool bUndo) {
    std::vector<const CPerson*> records;
    records.reserve(m_doc.m_personList.size());
    for (const auto& pPerson : m_doc.m_personList)
        records.push_back(pPerson.get());
    std::sort(records.begin(), records.end());
    if (command.Finds(records, bUndo))
        return true;
    // The document was changed around the history: nothing in it can be trusted any more.
    Clear();
    return false;
}

CUndoHistory::SChange CUndoHistory::Undo() {
    SChange change;
    if (!CanUndo() || !Finds(*m_commands[m_nDone - 1], true))
        return change;
    CCommand& command = *m_commands[--m_nDone];
    change.kind = command.GetKind();
    command.Undo(m_doc, change);
    ++m_nBusy;
    m_doc.SetModifiedFlag(long(m_nDone) != m_nSavePoint);
    --m_nBusy;
    emit changed();
    return change;
}

CUndoHistory::SChange CUndoHistory::Redo() {
    SChange change;
    if (!CanRedo() || !Finds(*m_commands[m_nDone], false))
        return change;
    CCommand& command = *m_commands[m_nDone++];
    change.kind = command.GetKind();
    command.Redo(m_doc, change);
    ++m_nBusy;
    m_doc.SetModifiedFlag(long(m_nDone) != m_nSavePoint);
    --m_nBusy;
    emit changed();
    return change;
}

void CUndoHistory::Clear() {
    m_commands.clear();
    m_nDone = 0;
    m_nSavePoint = 0;
    emit changed();
}
