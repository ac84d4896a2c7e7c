// Undo and redo of entry commands: the Edit menu's Undo and Redo, which act on the focused field
// while it can undo its own edit and otherwise on the history of entry commands, and the form's
// refresh after an undo or a redo.
#include "CVornView.h"

#include "CPeopleListModel.h"
#include "CPerson.h"
#include "CPictureButton.h"
#include "CVornDoc.h"
#include "CommandIds.h"

#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <algorithm>
#include <numeric>

namespace {

// More lines than this are put back in one merge rather than one by one.
constexpr size_t kInsertOneByOne = 32;

// Lets the Undo and Redo keys through to the main window's commands when the field they were
// typed in has no edit of its own to undo or redo; a field that has one keeps the key.
class CUndoKeyFilter : public QObject {
public:
    CUndoKeyFilter(QObject* parent, QAction* pUndo, QAction* pRedo, bool (*pfnCanUndo)(QWidget*),
                   bool (*pfnCanRedo)(QWidget*))
        : QObject(parent), m_pUndo(pUndo), m_pRedo(pRedo), m_pfnCanUndo(pfnCanUndo),
          m_pfnCanRedo(pfnCanRedo) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        auto* pKey = static_cast<QKeyEvent*>(event);
        const QKeySequence keys(pKey->keyCombination());
        QWidget* pField = qobject_cast<QWidget*>(watched);
        if (auto* pCombo = qobject_cast<QComboBox*>(watched))
            pField = pCombo->lineEdit();
        bool bCommand = false;
        if (m_pUndo && m_pUndo->shortcuts().contains(keys))
            bCommand = !m_pfnCanUndo(pField);
        else if (m_pRedo && m_pRedo->shortcuts().contains(keys))
            bCommand = !m_pfnCanRedo(pField);
        if (!bCommand)
            return false;
        // Not taken by the field: the shortcut goes to the command.
        event->ignore();
        return true;
    }

private:
    QAction* m_pUndo;
    QAction* m_pRedo;
    bool (*m_pfnCanUndo)(QWidget*);
    bool (*m_pfnCanRedo)(QWidget*);
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Wiring and enabling

void CVornView::ConnectUndoCommands(const QHash<int, QAction*>& actions) {
    m_pActionRedo = actions.value(CommandId::EditRedo);
    if (m_pActionRedo)
        connect(m_pActionRedo, &QAction::triggered, this, &CVornView::OnEditRedo);
    auto* pFilter = new CUndoKeyFilter(this, actions.value(CommandId::EditUndo), m_pActionRedo,
                                       &CVornView::FieldCanUndo, &CVornView::FieldCanRedo);
    for (QWidget* pField : std::initializer_list<QWidget*>{
             m_editName, m_editAddress, m_comboCity, m_comboState, m_comboZip, m_comboCountry,
             m_editEmail, m_editPhone, m_editNotes, m_editQuickFind}) {
        pField->installEventFilter(pFilter);
        if (auto* pCombo = qobject_cast<QComboBox*>(pField))
            pCombo->lineEdit()->installEventFilter(pFilter);
    }
    connect(&m_undo, &CUndoHistory::changed, this, &CVornView::UpdateEditCommands);
    connect(&m_undo, &CUndoHistory::changed, this, &CVornView::ForgetFieldEdits);
    UpdateEditCommands();
}

bool CVornView::FieldCanUndo(QWidget* pField) {
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        return pEdit->isUndoAvailable();
    if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pField))
        return pEdit->document()->isUndoAvailable();
    return false;
}

bool CVornView::FieldCanRedo(QWidget* pField) {
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        return pEdit->isRedoAvailable();
    if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pField))
        return pEdit->document()->isRedoAvailable();
    return false;
}

void CVornView::UpdateUndoCommands(bool bFieldUndo) {
    if (m_pActionUndo) {
        // The field's own undo says no more than "Undo"; the command's says what it takes back.
        if (bFieldUndo || !m_undo.CanUndo())
            m_pActionUndo->setText(QStringLiteral("&Undo"));
        else
            m_pActionUndo->setText(QStringLiteral("&Undo ") + m_undo.UndoLabel());
        m_pActionUndo->setEnabled(bFieldUndo || m_undo.CanUndo());
    }
    if (m_pActionRedo)
        m_pActionRedo->setEnabled(FieldCanRedo(FocusedTextField()) || m_undo.CanRedo());
}

void CVornView::ForgetFieldEdits() {
    CSilent silent(m_nSilent);
    for (QLineEdit* pEdit :
         {m_editName, m_editEmail, m_comboCity->lineEdit(), m_comboState->lineEdit(),
          m_comboZip->lineEdit(), m_comboCountry->lineEdit()}) {
        if (pEdit->isUndoAvailable() || pEdit->isRedoAvailable()) {
            // Setting the text starts the field's undo steps afresh; the cursor stays put.
            const int nCursor = pEdit->cursorPosition();
            pEdit->setText(pEdit->text());
            pEdit->setCursorPosition(nCursor);
        }
    }
    for (QPlainTextEdit* pEdit : {m_editAddress, m_editPhone, m_editNotes})
        pEdit->document()->clearUndoRedoStacks();
}

// ---------------------------------------------------------------------------------------------
// Commands

void CVornView::OnEditRedo() {
    QWidget* pField = FocusedTextField();
    if (!FieldCanRedo(pField)) {
        RedoEntryCommand();
        return;
    }
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        pEdit->redo();
    else if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pField))
        pEdit->redo();
}

void CVornView::UndoEntryCommand() {
    if (!m_undo.CanUndo())
        return;
    // Edits in the form not yet stored are given up: the form shows the entry as it is after
    // the undo.
    m_bChanged = false;
    m_bUpdateFromPrompt = false;
    ShowUndoChange(m_undo.Undo());
}

void CVornView::RedoEntryCommand() {
    if (!m_undo.CanRedo())
        return;
    m_bChanged = false;
    m_bUpdateFromPrompt = false;
    ShowUndoChange(m_undo.Redo());
}

void CVornView::ShowUndoChange(const CUndoHistory::SChange& change) {
    const auto sorted = [](std::vector<CPerson*> people) {
        std::sort(people.begin(), people.end());
        people.erase(std::unique(people.begin(), people.end()), people.end());
        return people;
    };
    const std::vector<CPerson*> left = sorted(change.left);
    const std::vector<CPerson*> entered = sorted(change.entered);
    const std::vector<CPerson*> changed = sorted(change.changed);
    const auto contains = [](const std::vector<CPerson*>& set, CPerson* pPerson) {
        return std::binary_search(set.begin(), set.end(), pPerson);
    };
    CPerson* pShown = m_pShownPerson;
    if (contains(left, pShown))
        pShown = nullptr;
    m_pShownPerson = nullptr;

    // The lines of records that left go; those of changed records go too and come back at the
    // place their name sorts to now. A changed record not listed (filtered out) stays unlisted.
    std::vector<int> removedRows;
    std::vector<CPerson*> lineBack;
    int nFirstLeft = -1;
    for (int row = 0; row < m_pPeopleModel->Count(); ++row) {
        CPerson* pPerson = m_pPeopleModel->PersonAt(row);
        if (contains(left, pPerson)) {
            removedRows.push_back(row);
            if (nFirstLeft < 0)
                nFirstLeft = row;
        } else if (contains(changed, pPerson)) {
            removedRows.push_back(row);
            lineBack.push_back(pPerson);
        }
    }
    // Records that came back get lines, as added entries always do.
    for (CPerson* pPerson : entered) {
        if (!pPerson->m_strName.isEmpty())
            lineBack.push_back(pPerson);
    }
    {
        CSilent silent(m_nSilent);
        m_pPeopleModel->RemoveRows(removedRows);
        if (lineBack.size() > kInsertOneByOne) {
            // Many lines: sorted among themselves, then merged into the list in one pass.
            CPeopleListModel back;
            back.Reset(lineBack);
            std::vector<int> rows(size_t(back.Count()));
            std::iota(rows.begin(), rows.end(), 0);
            m_pPeopleModel->MergeRows(back, rows);
        } else {
            for (CPerson* pPerson : lineBack)
                m_pPeopleModel->Insert(pPerson);
        }
    }

    // The group lists follow the group names; the groups picked stay picked (a renamed one
    // under its other name). The people list is not filtered again, as after a group command.
    if (change.bGroups) {
        QList<QByteArray> picked = SelectedGroupNames();
        QByteArray caret = m_listGroups->currentRow() >= 2
                               ? GroupNameOf(m_listGroups->currentItem())
                               : QByteArray();
        if (!change.groupFrom.isNull()) {
            std::replace(picked.begin(), picked.end(), change.groupFrom, change.groupTo);
            if (caret == change.groupFrom)
                caret = change.groupTo;
        }
        FillGroupLists();
        CSilent silent(m_nSilent);
        QListWidgetItem* pCaret = nullptr;
        for (int row = 2; row < m_listGroups->count(); ++row) {
            QListWidgetItem* pItem = m_listGroups->item(row);
            const QByteArray name = GroupNameOf(pItem);
            if (!picked.contains(name))
                continue;
            pItem->setSelected(true);
            if (!pCaret || name == caret)
                pCaret = pItem;
        }
        if (pCaret) {
            m_listGroups->item(0)->setSelected(false);
            m_listGroups->setCurrentItem(pCaret, QItemSelectionModel::Select);
        }
        m_btnDeleteGroup->setEnabled(pCaret != nullptr);
        m_btnRenameGroup->setEnabled(pCaret != nullptr);
    }

    // The entries to show and select: those the command brought back or changed (a merge's
    // kept entry first), else the one shown before, else the line that took the place of the
    // first line gone.
    const bool bMerge = change.kind == CUndoHistory::Kind::Merge;
    const bool bOwnChange = bMerge || change.kind == CUndoHistory::Kind::Update;
    std::vector<int> rows;
    int nCaret = -1;
    for (int row = 0; row < m_pPeopleModel->Count(); ++row) {
        CPerson* pPerson = m_pPeopleModel->PersonAt(row);
        const bool bChanged = bOwnChange && contains(changed, pPerson);
        if (bChanged || contains(entered, pPerson)) {
            rows.push_back(row);
            if (nCaret < 0 || (bMerge && bChanged))
                nCaret = row;
        }
    }
    if (nCaret < 0 && pShown)
        nCaret = m_pPeopleModel->FindPerson(pShown);
    if (nCaret < 0 && nFirstLeft >= 0 && m_pPeopleModel->Count() > 0)
        nCaret = std::min(nFirstLeft, m_pPeopleModel->Count() - 1);

    m_bSearchEntry = false;
    m_btnCancelSearch->hide();
    if (nCaret >= 0) {
        SetCaretLine(nCaret, true);
        ShowSelectedPerson();
        // One selection of runs of lines, not one change per line.
        QItemSelection selection;
        for (size_t i = 0; i < rows.size();) {
            size_t j = i;
            while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
                ++j;
            selection.select(m_pPeopleModel->index(rows[i]), m_pPeopleModel->index(rows[j]));
            i = j + 1;
        }
        CSilent silent(m_nSilent);
        m_listPeople->selectionModel()->select(selection, QItemSelectionModel::Select);
    } else {
        ClearFields();
        DeselectAllPeople();
        m_nEditMode = ModeBlank;
        m_bChanged = false;
        WriteForm();
        UpdateButtons();
    }
    FocusName();
    UpdateCounters();
    WriteForm();
    ForgetFieldEdits();
    UpdateEditCommands();
}
