// Finding and merging duplicate entries.
#include "CVornView.h"

#include "CDuplicatesDlg.h"
#include "CPeopleListModel.h"
#include "CPerson.h"
#include "CVornDoc.h"
#include "CommandIds.h"
#include "IPrompt.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <algorithm>

namespace {

const QString kNoDuplicates = QStringLiteral("No duplicate entries were found.");

} // namespace

void CVornView::ConnectDuplicateCommands(const QHash<int, QAction*>& actions) {
    if (QAction* pAction = actions.value(CommandId::ActionFindDuplicates)) {
        pAction->setEnabled(true);
        connect(pAction, &QAction::triggered, this, &CVornView::OnFindDuplicates);
    }
}

void CVornView::OnFindDuplicates() {
    // Criteria being entered are dropped; pending edits of the shown entry are handled by the
    // usual questions before any entry can change under them.
    if (m_bSearchEntry)
        OnCancelSearch();
    if (CaretLine() >= 0)
        ShowSelectedPerson();

    std::unique_ptr<CDuplicatesDlg> pDialog;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct CRestoreCursor {
            ~CRestoreCursor() { QApplication::restoreOverrideCursor(); }
        } restore;
        pDialog = std::make_unique<CDuplicatesDlg>(
            m_doc,
            // Each merge, and Merge All as a whole, is one command that Undo takes back.
            [this](const std::vector<CPerson*>& set, const CPerson& merged) {
                CRecordMerger::CResult result = MergeEntries(set, merged);
                if (!result.m_pKept)
                    return false;
                m_undo.RecordMerge(std::move(result));
                return true;
            },
            [this](const std::vector<std::vector<CPerson*>>& sets,
                   const std::vector<CPerson>& merged) {
                std::vector<CRecordMerger::CResult> results = MergeEntrySets(sets, merged);
                const int count = int(results.size());
                if (count > 0)
                    m_undo.RecordMerges(std::move(results));
                return count;
            },
            window());
    }
    if (pDialog->SetCount() == 0) {
        IPrompt::Message(this, kNoDuplicates, IPrompt::Information);
        FocusName();
        return;
    }
    pDialog->exec();
    FocusName();
}

CRecordMerger::CResult CVornView::MergeEntries(const std::vector<CPerson*>& set,
                                               const CPerson& merged) {
    std::vector<CRecordMerger::CResult> results = MergeEntrySets({set}, {merged});
    if (results.empty())
        return {};
    return std::move(results.front());
}

std::vector<CRecordMerger::CResult>
CVornView::MergeEntrySets(const std::vector<std::vector<CPerson*>>& sets,
                          const std::vector<CPerson>& merged) {
    std::vector<CRecordMerger::CResult> results;
    // Every entry whose line goes or changes: the members of the sets merged.
    std::vector<const CPerson*> affected;
    for (size_t i = 0; i < sets.size() && i < merged.size(); ++i) {
        CPerson values = merged[i];
        // The list shows names without their leading blanks, and an entry needs a name.
        TrimLeadingBlanks(values.m_strName);
        if (values.m_strName.isEmpty())
            continue;
        CRecordMerger::CResult result = CRecordMerger::Merge(m_doc, sets[i], values);
        if (!result.m_pKept)
            continue;
        affected.insert(affected.end(), sets[i].begin(), sets[i].end());
        results.push_back(std::move(result));
    }
    if (results.empty())
        return results;
    std::sort(affected.begin(), affected.end());

    // The lines of the merged entries leave; each kept entry comes back at its sorted place.
    std::vector<CPerson*> people = ListedPeople();
    std::erase_if(people, [&affected](const CPerson* p) {
        return std::binary_search(affected.begin(), affected.end(), p);
    });
    for (const CRecordMerger::CResult& result : results)
        people.push_back(result.m_pKept);
    if (std::binary_search(affected.begin(), affected.end(), m_pShownPerson))
        m_pShownPerson = nullptr;
    SetPeople(people);

    // The (last) merged entry is shown and selected, unchanged.
    m_bChanged = false;
    m_bSearchEntry = false;
    m_btnCancelSearch->hide();
    SetCaretLine(m_pPeopleModel->FindPerson(results.back().m_pKept), true);
    ShowSelectedPerson();
    m_nEditMode = ModeShown;
    m_doc.SetModifiedFlag(true);
    emit m_doc.entriesChangedInBulk();
    UpdateCounters();
    WriteForm();
    UpdateButtons();
    return results;
}
