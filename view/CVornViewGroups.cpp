// Groups: filtering the people list by the selected groups, and creating, deleting and renaming
// groups.
#include "CVornView.h"

#include "CAddGroupDlg.h"
#include "CPeopleListModel.h"
#include "CPerson.h"
#include "CPictureButton.h"
#include "CRecordPrefetch.h"
#include "CRenameGroupDlg.h"
#include "CText.h"
#include "CVornDoc.h"
#include "IPrompt.h"

#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace {

const QString kGroupExists = QStringLiteral("Group already exists");
const QString kNoGroupSelected = QStringLiteral("No group selected.");
const QString kDeleteGroupQuestion = QStringLiteral("Are you sure you want to delete ");

// The group list's first two lines stand for no filter and for entries without a group.
constexpr int kFirstGroupLine = 2;

// Adds a line for a group name at its sorted place among lines nFirst onwards (after equal
// texts); the line keeps the stored bytes.
QListWidgetItem* InsertGroupLine(QListWidget* pList, int nFirst, const QByteArray& name) {
    const QString text = CText::ToDisplay(name);
    const QByteArray key = CPeopleListModel::TextKey(text);
    int lo = nFirst;
    int hi = pList->count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (key < CPeopleListModel::TextKey(pList->item(mid)->text()))
            hi = mid;
        else
            lo = mid + 1;
    }
    auto* pItem = new QListWidgetItem(text);
    pItem->setData(Qt::UserRole, name);
    pList->insertItem(lo, pItem);
    return pItem;
}

// Whether a record belongs to at least one of `groups` (names compared as exact bytes).
bool BelongsToAny(const CPerson& person, const QList<QByteArray>& groups) {
    for (const QByteArray& group : person.m_groups) {
        if (groups.contains(group))
            return true;
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Helpers

QByteArray CVornView::GroupNameOf(const QListWidgetItem* pItem) {
    if (!pItem)
        return {};
    const QVariant stored = pItem->data(Qt::UserRole);
    return stored.isValid() ? stored.toByteArray() : CText::FromDisplay(pItem->text());
}

int CVornView::MemberOfRowOf(const QByteArray& name) const {
    for (int row = 0; row < m_listMemberOf->count(); ++row) {
        if (GroupNameOf(m_listMemberOf->item(row)) == name)
            return row;
    }
    const QString text = CText::ToDisplay(name);
    for (int row = 0; row < m_listMemberOf->count(); ++row) {
        if (m_listMemberOf->item(row)->text().compare(text, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

QList<QByteArray> CVornView::SelectedGroupNames() const {
    QList<QByteArray> names;
    for (int row = kFirstGroupLine; row < m_listGroups->count(); ++row) {
        const QListWidgetItem* pItem = m_listGroups->item(row);
        if (pItem->isSelected())
            names.append(GroupNameOf(pItem));
    }
    return names;
}

void CVornView::SetPeople(const std::vector<CPerson*>& people) {
    CSilent silent(m_nSilent);
    m_pPeopleModel->Reset(people);
}

std::vector<CPerson*> CVornView::ListedPeople() const {
    std::vector<CPerson*> people;
    people.reserve(size_t(m_pPeopleModel->Count()));
    for (int row = 0; row < m_pPeopleModel->Count(); ++row)
        people.push_back(m_pPeopleModel->PersonAt(row));
    return people;
}

void CVornView::ShowFirstListed() {
    if (m_pPeopleModel->Count() > 0) {
        // The first entry, shown unchanged: UPDATE stays off until the user changes something.
        SetCaretLine(0, true);
        ShowSelectedPerson();
        ReadForm();
        m_strLastCity = m_strCity;
        m_strLastState = m_strState;
        m_strLastZip = m_strZip;
        m_strLastCountry = m_strCountry;
        return;
    }
    // Nothing listed: the form shows no entry, so no command can act on one that is hidden.
    ClearFields();
    WriteForm();
    m_pShownPerson = nullptr;
    m_nEditMode = m_bSearchEntry ? ModeSearchEntry : ModeBlank;
    m_bChanged = false;
    UpdateButtons();
    m_btnDelete->setEnabled(false);
    m_btnUpdate->setEnabled(false);
}

// ---------------------------------------------------------------------------------------------
// The filter

void CVornView::OnGroupSelChange() {
    // Pending edits of the shown entry go through the usual questions first.
    if (m_pPeopleModel->Count() > 0)
        ShowSelectedPerson();
    QListWidgetItem* pCaret = m_listGroups->currentItem();
    if (!pCaret)
        return;
    const int caret = m_listGroups->row(pCaret);

    if (caret < kFirstGroupLine) {
        // "***All Groups***" lists every named entry, "***Not Categorized***" those without a
        // group; either stands alone.
        {
            CSilent silent(m_nSilent);
            m_listGroups->clearSelection();
            m_listGroups->setCurrentRow(caret, QItemSelectionModel::Select);
        }
        m_btnDeleteGroup->setEnabled(false);
        m_btnRenameGroup->setEnabled(false);
        const bool bAll = caret == 0;
        const auto& all = m_doc.m_personList;
        const auto at = [&all](size_t i) { return all[i].get(); };
        std::vector<CPerson*> people;
        people.reserve(all.size());
        for (size_t i = 0; i < all.size(); ++i) {
            CRecordPrefetch::AheadGroups(i, all.size(), at);
            CPerson* pPerson = all[i].get();
            if (!bAll && !pPerson->m_groups.isEmpty())
                continue;
            TrimLeadingBlanks(pPerson->m_strName);
            if (!pPerson->m_strName.isEmpty())
                people.push_back(pPerson);
        }
        SetPeople(people);
    } else {
        const bool bSelected = pCaret->isSelected();
        m_btnDeleteGroup->setEnabled(true);
        m_btnRenameGroup->setEnabled(true);
        const QList<QByteArray> groups = SelectedGroupNames();
        if (bSelected) {
            // Two selected lines mean a new filter (the other is usually the pseudo-group that
            // was active); with more, the group joins those already listed.
            const qsizetype nSelected = m_listGroups->selectedItems().size();
            std::vector<CPerson*> people;
            if (nSelected != 2)
                people = ListedPeople();
            {
                CSilent silent(m_nSilent);
                m_listGroups->item(0)->setSelected(false);
                m_listGroups->item(1)->setSelected(false);
            }
            // Entries are told apart by identity: two people of the same name are both listed.
            std::vector<CPerson*> listed = people;
            std::sort(listed.begin(), listed.end());
            const size_t nBefore = people.size();
            const auto& all = m_doc.m_personList;
            const auto at = [&all](size_t i) { return all[i].get(); };
            people.reserve(all.size());
            for (size_t i = 0; i < all.size(); ++i) {
                CRecordPrefetch::AheadGroups(i, all.size(), at);
                CPerson* pPerson = all[i].get();
                if (!BelongsToAny(*pPerson, groups) ||
                    std::binary_search(listed.begin(), listed.end(), pPerson))
                    continue;
                TrimLeadingBlanks(pPerson->m_strName);
                if (!pPerson->m_strName.isEmpty())
                    people.push_back(pPerson);
            }
            if (nSelected == 2 || people.size() != nBefore)
                SetPeople(people);
        } else if (m_listGroups->selectedItems().isEmpty()) {
            // The last group dropped: nothing is listed until the user picks a line again.
            {
                CSilent silent(m_nSilent);
                m_listGroups->clearSelection();
                m_listGroups->setCurrentRow(1, QItemSelectionModel::Select);
            }
            m_btnDeleteGroup->setEnabled(false);
            m_btnRenameGroup->setEnabled(false);
            SetPeople({});
        } else {
            // A group dropped: only entries of the groups still selected stay.
            std::vector<int> rows;
            for (int row = 0; row < m_pPeopleModel->Count(); ++row) {
                if (!BelongsToAny(*m_pPeopleModel->PersonAt(row), groups))
                    rows.push_back(row);
            }
            CSilent silent(m_nSilent);
            m_pPeopleModel->RemoveRows(rows);
        }
    }

    ShowFirstListed();
    UpdateCounters();
    WriteForm();
}

// ---------------------------------------------------------------------------------------------
// Group commands

void CVornView::OnAddGroup() {
    CAddGroupDlg dialog(window());
    if (dialog.exec() == QDialog::Accepted) {
        QString name = dialog.m_strGroupName;
        qsizetype nBlanks = 0;
        while (nBlanks < name.size() && name[nBlanks].isSpace())
            ++nBlanks;
        name.remove(0, nBlanks);
        if (!name.isEmpty()) {
            bool bExists = false;
            for (int row = 0; row < m_listGroups->count() && !bExists; ++row)
                bExists = m_listGroups->item(row)->text().compare(name, Qt::CaseInsensitive) == 0;
            if (bExists) {
                IPrompt::Message(this, kGroupExists, IPrompt::Warning);
            } else {
                const QByteArray stored = CText::FromDisplay(name);
                {
                    CSilent silent(m_nSilent);
                    QListWidgetItem* pItem = InsertGroupLine(m_listGroups, kFirstGroupLine, stored);
                    InsertGroupLine(m_listMemberOf, 0, stored);
                    // The new group joins the selection; the list is not filtered again.
                    m_listGroups->setCurrentItem(pItem, QItemSelectionModel::Select);
                    m_listGroups->item(0)->setSelected(false);
                    m_listGroups->item(1)->setSelected(false);
                }
                m_btnDeleteGroup->setEnabled(true);
                m_btnRenameGroup->setEnabled(true);
                m_doc.m_groupList.append(stored);
                m_undo.RecordNewGroup(stored);
                m_doc.SetModifiedFlag(true);
                m_strTotalGroups = QString::number(m_listGroups->count() - kFirstGroupLine);
                m_strSelectedGroups = QString::number(m_listGroups->selectedItems().size());
                WriteForm();
            }
        }
    }
    FocusName();
}

void CVornView::OnDeleteGroup() {
    QListWidgetItem* pCaret = m_listGroups->currentItem();
    if (!pCaret) {
        IPrompt::Message(this, kNoGroupSelected, IPrompt::Warning);
    } else if (m_listGroups->row(pCaret) >= kFirstGroupLine) {
        const QByteArray name = GroupNameOf(pCaret);
        // Asked whatever the delete confirmation setting says: a group is lost for every entry.
        if (IPrompt::Ask(this, kDeleteGroupQuestion + pCaret->text(), IPrompt::YesNo) ==
            IPrompt::AnswerYes) {
            m_undo.RecordDeleteGroup(name);
            m_doc.m_groupList.removeOne(name);
            for (const auto& pPerson : m_doc.m_personList)
                pPerson->m_groups.removeOne(name);
            if (m_listGroups->selectedItems().size() == 1) {
                m_btnDeleteGroup->setEnabled(false);
                m_btnRenameGroup->setEnabled(false);
            }
            {
                CSilent silent(m_nSilent);
                delete m_listGroups->takeItem(m_listGroups->row(pCaret));
                const int row = MemberOfRowOf(name);
                if (row >= 0)
                    delete m_listMemberOf->takeItem(row);
            }
            // The entries stay, and stay listed until the filter changes.
            m_doc.SetModifiedFlag(true);
            m_strTotalGroups = QString::number(m_listGroups->count() - kFirstGroupLine);
            m_strSelectedGroups = QString::number(m_listGroups->selectedItems().size());
            WriteForm();
        }
    }
    FocusName();
}

void CVornView::OnRenameGroup() {
    QListWidgetItem* pCaret = m_listGroups->currentItem();
    if (!pCaret || m_listGroups->row(pCaret) < kFirstGroupLine) {
        FocusName();
        return;
    }
    const QByteArray oldName = GroupNameOf(pCaret);
    CRenameGroupDlg dialog(window());
    dialog.m_strCurrentName = pCaret->text();
    for (const QByteArray& name : m_doc.m_groupList)
        dialog.m_existingNames.append(CText::ToDisplay(name));
    if (dialog.exec() != QDialog::Accepted) {
        FocusName();
        return;
    }
    const QByteArray newName = CText::FromDisplay(dialog.m_strNewName);
    {
        CSilent silent(m_nSilent);
        // "Groups belonged to": the renamed line keeps whether the shown entry belongs to it.
        const int row = MemberOfRowOf(oldName);
        bool bMember = false;
        if (row >= 0) {
            QListWidgetItem* pOld = m_listMemberOf->takeItem(row);
            bMember = pOld->isSelected();
            delete pOld;
        }
        QListWidgetItem* pMember = InsertGroupLine(m_listMemberOf, 0, newName);
        pMember->setSelected(bMember);
        delete m_listGroups->takeItem(m_listGroups->row(pCaret));
        QListWidgetItem* pItem = InsertGroupLine(m_listGroups, kFirstGroupLine, newName);
        m_listGroups->setCurrentItem(pItem, QItemSelectionModel::Select);
        m_listGroups->item(0)->setSelected(false);
        m_listGroups->item(1)->setSelected(false);
    }
    // The records carry the new name before the list is filtered again, so the group's members
    // stay listed. The name moves to the end of the file's list of groups.
    m_undo.RecordRenameGroup(oldName, newName);
    m_doc.m_groupList.removeOne(oldName);
    m_doc.m_groupList.append(newName);
    m_doc.SetModifiedFlag(true);
    for (const auto& pPerson : m_doc.m_personList)
        pPerson->RenameGroup(oldName, newName);
    OnGroupSelChange();
    m_btnDeleteGroup->setEnabled(true);
    m_btnRenameGroup->setEnabled(true);
    FocusName();
}
