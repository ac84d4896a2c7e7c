// Search: the form as a set of criteria, the scan of the file, and the results dialog.
#include "CVornView.h"

#include "CFindResultsDlg.h"
#include "CPeopleListModel.h"
#include "CPerson.h"
#include "CRecordPrefetch.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "IPrompt.h"

#include <QApplication>
#include <QPushButton>
#include <algorithm>

namespace {

const QString kNoHits = QStringLiteral("No entries matched your search criteria.  Try using a "
                                       "less stringent search mode.");

} // namespace

void CVornView::OnPrepareSearch() {
    // Unsaved edits of the shown entry are dropped without a question.
    ClearFields();
    WriteForm();
    m_nEditMode = ModeSearchEntry;
    m_bChanged = false;
    m_bSearchEntry = true;
    // The form holds criteria now, no entry.
    m_pShownPerson = nullptr;
    m_btnCancelSearch->show();
    UpdateButtons();
    FocusName();
    WriteForm();
}

void CVornView::OnSearch() {
    ReadForm();
    // The criteria are what the form holds, stored as an entry would be (the same bytes and line
    // breaks), with the selected lines of "Groups belonged to" as groups.
    CPerson criteria;
    FieldsToPerson(criteria);
    const int nMode =
        (App() ? App()->m_nSearchMode : int(CVornApp::Exact)) + CVornApp::kSearchProfileBase;
    // The texts the matching reads: those of the given criteria.
    std::vector<QByteArray CPerson::*> given;
    for (const SField& field : Fields()) {
        if (!(criteria.*field.pStored).isEmpty())
            given.push_back(field.pStored);
    }
    std::vector<CPerson*> hits;
    const auto& people = m_doc.m_personList;
    const auto at = [&people](size_t i) { return people[i].get(); };
    for (size_t i = 0; i < people.size(); ++i) {
        CRecordPrefetch::Ahead(i, people.size(), at, given);
        if (people[i]->MatchCriteria(criteria, nMode))
            hits.push_back(people[i].get());
    }

    bool bEmptyForm = false;
    if (hits.empty()) {
        IPrompt::Message(this, kNoHits, IPrompt::Information);
    } else {
        CFindResultsDlg dialog(window());
        dialog.m_results = std::move(hits);
        if (dialog.exec() == QDialog::Accepted) {
            m_bChanged = false;
            const bool bReplace = dialog.m_nAction == CFindResultsDlg::ReplaceList;
            if (!dialog.m_bMultiple) {
                const int row = AddChosenPeople(dialog.Results(), dialog.m_chosenRows, bReplace,
                                                dialog.m_pChosen);
                if (row >= 0)
                    SetCaretLine(row, false);
            } else {
                AddChosenPeople(dialog.Results(), dialog.m_chosenRows, bReplace, nullptr);
                SetCaretLine(0, false);
            }
            if (CaretLine() >= 0) {
                ShowSelectedPerson();
            } else {
                // Nothing to show (the list is empty): an empty form.
                ClearFields();
                m_pShownPerson = nullptr;
                bEmptyForm = true;
            }
            UpdateCounters();
            WriteForm();
        }
    }

    // After no hit or Cancel the form keeps the criteria, so they can be refined.
    m_bChanged = false;
    m_bSearchEntry = false;
    m_nEditMode = bEmptyForm ? ModeBlank : ModeShown;
    m_btnCancelSearch->hide();
    UpdateButtons();
    FocusName();
}

int CVornView::AddChosenPeople(const CPeopleListModel& results, const std::vector<int>& rows,
                               bool bReplace, CPerson* pTarget) {
    // A person already listed is not listed twice; found by identity, so another person of the
    // same name still gets a line of its own.
    std::vector<CPerson*> listed;
    if (!bReplace) {
        listed = ListedPeople();
        std::sort(listed.begin(), listed.end());
    }
    std::vector<int> adding;
    adding.reserve(rows.size());
    bool bNamesChanged = false;
    static constexpr QByteArray CPerson::*kName[] = {&CPerson::m_strName};
    const auto at = [&results, &rows](size_t i) { return results.PersonAt(rows[i]); };
    for (size_t i = 0; i < rows.size(); ++i) {
        CRecordPrefetch::Ahead(i, rows.size(), at, kName);
        const int row = rows[i];
        CPerson* pPerson = results.PersonAt(row);
        if (!pPerson || std::binary_search(listed.begin(), listed.end(), pPerson))
            continue;
        const qsizetype nBefore = pPerson->m_strName.size();
        TrimLeadingBlanks(pPerson->m_strName);
        bNamesChanged = bNamesChanged || pPerson->m_strName.size() != nBefore;
        if (!pPerson->m_strName.isEmpty())
            adding.push_back(row);
    }
    CSilent silent(m_nSilent);
    if (bNamesChanged) {
        // A name lost its leading blanks just now: the results' order no longer holds for it.
        std::vector<CPerson*> people = bReplace ? std::vector<CPerson*>() : ListedPeople();
        for (int row : adding)
            people.push_back(results.PersonAt(row));
        m_pPeopleModel->Reset(people);
    } else if (bReplace) {
        // The results are sorted already: their lines are taken as they are.
        m_pPeopleModel->AssignRows(results, adding);
    } else if (adding.size() == 1) {
        m_pPeopleModel->Insert(results.PersonAt(adding.front()));
    } else if (!adding.empty()) {
        m_pPeopleModel->MergeRows(results, adding);
    }
    return pTarget ? m_pPeopleModel->FindPerson(pTarget) : -1;
}

void CVornView::OnCancelSearch() {
    if (CaretLine() >= 0) {
        ShowSelectedPerson();
    } else {
        // No line to go back to (the list was emptied meanwhile): an empty form.
        ClearFields();
        WriteForm();
        m_pShownPerson = nullptr;
        m_nEditMode = ModeBlank;
        m_bChanged = false;
    }
    m_btnCancelSearch->hide();
    m_bSearchEntry = false;
    UpdateButtons();
    FocusName();
}
