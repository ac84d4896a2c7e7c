#pragma once

#include "CPerson.h"
#include "CRecordMerger.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <deque>
#include <memory>
#include <vector>

class CVornDoc;

// The entry commands done on the open document, so that they can be undone and redone. Each
// command keeps only what it needs to go back and forth: the records it took out of the
// document (the very records, so they come back as they were), a copy of the one record it
// changed, or a group name with the records that carried it and where. The history points at
// records of the document; a record is only ever freed by the command that holds it while it is
// out of the document, so no pointer of the history or of the form is ever left dangling.
//
// Commands are recorded where they change the document; undoing one brings the document back
// to what it was just before, and the history is linear, so every command finds the document as
// it left it. A new command forgets what was undone. Opening or creating a file forgets
// everything.
class CUndoHistory : public QObject {
    Q_OBJECT
public:
    // At least this many commands can be undone; older ones are forgotten.
    static constexpr int kMaxCommands = 100;

    enum class Kind {
        Add,
        Update,
        Delete,
        NewGroup,
        RenameGroup,
        DeleteGroup,
        Paste,
        AddFromFile,
        Merge,
    };

    // What an undo or a redo changed, for the form to show.
    struct SChange {
        Kind kind = Kind::Add;
        // Records that left the document: their lines go.
        std::vector<CPerson*> left;
        // Records that came (back) into the document: they get lines.
        std::vector<CPerson*> entered;
        // Records changed in place (texts or groups): their lines may move.
        std::vector<CPerson*> changed;
        // The list of group names changed; a renamed group is followed from one name to the
        // other.
        bool bGroups = false;
        QByteArray groupFrom;
        QByteArray groupTo;
    };

    explicit CUndoHistory(CVornDoc& doc, QObject* parent = nullptr);
    ~CUndoHistory() override;
    CUndoHistory(const CUndoHistory&) = delete;
    CUndoHistory& operator=(const CUndoHistory&) = delete;

    // Recording. Each call is made at the place where the command changes the document.
    // After `pPerson` was appended to the document.
    void RecordAdd(CPerson* pPerson);
    // Before `pPerson` is changed: keeps a copy of what it holds now.
    void RecordUpdate(CPerson* pPerson);
    // Takes `people` out of the document (the others keep their order) and keeps them, instead
    // of destroying them. Their lines must already be gone from the form.
    void RecordDelete(std::vector<CPerson*> people);
    // After records were appended to the document from position `nFirst` onwards, and the
    // last `nNewGroups` group names were appended with them, as one command: `kind` is
    // Kind::AddFromFile or Kind::Paste.
    void RecordAddEntries(size_t nFirst, Kind kind, qsizetype nNewGroups = 0);
    // After `name` was appended to the document's group names.
    void RecordNewGroup(const QByteArray& name);
    // Before the group `oldName` is renamed: keeps its place among the group names and the
    // records that carry it, and where.
    void RecordRenameGroup(const QByteArray& oldName, const QByteArray& newName);
    // Before the group `name` is deleted: the same.
    void RecordDeleteGroup(const QByteArray& name);
    // After a merge: the history takes over what the merge kept to take it back (the kept
    // entry's old values and the entries it took out of the document).
    void RecordMerge(CRecordMerger::CResult result);
    // After several merges made as one command (Merge All), in the order they were made.
    void RecordMerges(std::vector<CRecordMerger::CResult> results);

    bool CanUndo() const { return m_nDone > 0; }
    bool CanRedo() const { return m_nDone < m_commands.size(); }
    // What the next undo or redo does, as the Edit menu says it: "Delete 3 Entries", "Update"...
    QString UndoLabel() const;
    QString RedoLabel() const;
    // Undoes the last command done, or redoes the last one undone; sets the document's modified
    // flag: clear exactly when the document is back where it was last saved. A command whose
    // records are no longer in the document (removed by something the history did not record)
    // changes nothing, and the history forgets everything.
    SChange Undo();
    SChange Redo();

    // Forgets every command.
    void Clear();
    // The document no longer matches any state of the history as saved (it was opened with
    // changes that are not in the file).
    void ForgetSavePoint() { m_nSavePoint = -1; }
    int Count() const { return int(m_commands.size()); }
    int DoneCount() const { return int(m_nDone); }

    class CCommand;

signals:
    // A command was recorded, undone or redone, or the history was forgotten.
    void changed();

private:
    void Push(std::unique_ptr<CCommand> pCommand);
    // Whether `command` finds its records in the document; forgets everything when not.
    bool Finds(const CCommand& command, bool bUndo);

    CVornDoc& m_doc;
    std::deque<std::unique_ptr<CCommand>> m_commands;
    // Commands [0, m_nDone) are done, the rest undone.
    size_t m_nDone = 0;
    // The number of done commands when the document was last saved (or opened); -1 when no
    // state of the history is the saved one.
    long m_nSavePoint = 0;
    // While above zero the history itself is setting the modified flag.
    int m_nBusy = 0;
    // Commands recorded since the document was last marked modified.
    int m_nPushes = 0;
};
