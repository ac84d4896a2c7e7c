// Record editing: showing, adding, updating and deleting entries, change tracking and the
// defaults of the City, State, ZIP and Country fields.
#include "CVornView.h"

#include "CPeopleListModel.h"
#include "CPerson.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "IPrompt.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

namespace {

const QString kUpdatePrompt =
    QStringLiteral("You have not updated your changes.  Would you like to do so now?");
const QString kAddPrompt = QStringLiteral("Do you want to add this entry before continuing?");
// The same two questions when the program closes.
const QString kCloseUpdatePrompt = QStringLiteral(
    "You have not updated your changes.  Do you want to update this entry before closing?");
const QString kCloseAddPrompt = QStringLiteral("Do you want to add this entry before closing?");
const QString kAddFailed = QStringLiteral("Failed to add person to listbox.  Please make sure "
                                          "that a name is entered in the Name field.");
const QString kDeleteOne = QStringLiteral("Are you sure you want to delete this entry?");
const QString kDeleteLimit = QStringLiteral("You can only delete up to 1000 entries at a time");

QString DeleteManyQuestion(int count) {
    return QStringLiteral("Are you sure you want to delete these ") + QString::number(count) +
           QStringLiteral(" entries?");
}

QString FileFullMessage() {
    return QStringLiteral("This contact file already holds %1 entries, the most a contact file "
                          "can hold. Delete an entry before you add another.")
        .arg(CVornDoc::kMaxEntries);
}

// A name that is empty once its leading blanks are gone.
bool IsBlank(const QString& name) {
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
               c == QLatin1Char('\n') || c == QLatin1Char('\v') || c == QLatin1Char('\f');
    });
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Notifications

void CVornView::OnPeopleSelectionChanged() {
    if (m_nSilent)
        return;
    ShowSelectedPerson();
}

void CVornView::OnPeopleClicked() {
    if (m_nSilent)
        return;
    // A click on a line that is already the only selected one changes no selection; it still
    // brings that line's entry into the form when the form shows something else.
    const int caret = CaretLine();
    if (caret < 0)
        return;
    if (m_nEditMode == ModeBlank || m_pPeopleModel->PersonAt(caret) != m_pShownPerson)
        ShowSelectedPerson();
}

void CVornView::OnFieldEdited() {
    if (m_nSilent)
        return;
    m_bChanged = true;
    UpdateButtons();
}

void CVornView::FocusName() {
    // Moving the focus is the form's doing: the field that loses it has already been read or
    // emptied by the command, so its leave handling must not run on the emptied text.
    CSilent silent(m_nSilent);
    m_editName->setFocus(Qt::OtherFocusReason);
}

void CVornView::OnFieldFocusIn(QWidget* pField) {
    if (pField == m_editAddress || pField == m_editEmail || pField == m_editNotes) {
        UpdateButtons();
        return;
    }
    auto* pCombo = qobject_cast<QComboBox*>(pField);
    if (!pCombo)
        return;
    // Search criteria: a value the user did not type would narrow the search.
    if (m_nEditMode == ModeSearchEntry)
        return;
    ReadForm();
    // An empty field offers the last value given; taking it is not a change.
    bool bFilled = false;
    if (pCombo == m_comboCity && m_strCity.isEmpty() && !m_strLastCity.isEmpty()) {
        m_strCity = m_strLastCity;
        bFilled = true;
    } else if (pCombo == m_comboZip && m_strZip.isEmpty() && !m_strLastZip.isEmpty()) {
        m_strZip = m_strLastZip;
        bFilled = true;
    } else if (pCombo == m_comboState && m_strState.isEmpty() && !m_strLastState.isEmpty()) {
        m_strState = m_strLastState;
        bFilled = true;
    } else if (pCombo == m_comboCountry && m_strCountry.isEmpty() && !m_strLastCountry.isEmpty()) {
        m_strCountry = m_strLastCountry;
        bFilled = true;
    }
    WriteForm();
    // The offered value is selected, so typing replaces it.
    if (bFilled && pCombo->lineEdit())
        pCombo->lineEdit()->selectAll();
    UpdateButtons();
}

void CVornView::OnFieldFocusOut(QWidget* pField) {
    auto* pCombo = qobject_cast<QComboBox*>(pField);
    if (!pCombo)
        return;
    // Search criteria are not values to remember or to learn.
    if (m_nEditMode == ModeSearchEntry)
        return;
    ReadForm();
    if (pCombo == m_comboCity || pCombo == m_comboZip) {
        // City and ZIP remember even an empty value, and learn new values into their lists.
        const QString& text = pCombo == m_comboCity ? m_strCity : m_strZip;
        if (!text.isEmpty() && !ComboHasItem(pCombo, text))
            AddComboItem(pCombo, text);
        (pCombo == m_comboCity ? m_strLastCity : m_strLastZip) = text;
    } else if (pCombo == m_comboState) {
        if (!m_strState.isEmpty())
            m_strLastState = m_strState;
    } else if (pCombo == m_comboCountry) {
        if (!m_strCountry.isEmpty())
            m_strLastCountry = m_strCountry;
    }
    WriteForm();
    UpdateButtons();
}

// ---------------------------------------------------------------------------------------------
// Commands

void CVornView::ShowSelectedPerson() {
    if (CaretLine() < 0)
        return;
    ReadForm();
    if (m_bChanged) {
        // The entry the user moved to, told apart by identity: an update or an addition may
        // move its line.
        CPerson* pTarget = m_pPeopleModel->PersonAt(CaretLine());
        const int nTargetLine = CaretLine();
        if (m_nEditMode == ModeEdited) {
            const bool bUpdate =
                (App() && App()->m_bAutoUpdate) ||
                IPrompt::Ask(this, kUpdatePrompt, IPrompt::YesNo) == IPrompt::AnswerYes;
            if (bUpdate) {
                m_bUpdateFromPrompt = true;
                UpdateEntry();
            }
        } else if (m_nEditMode == ModeBlank && !m_strName.isEmpty()) {
            if (IPrompt::Ask(this, kAddPrompt, IPrompt::YesNo) == IPrompt::AnswerYes)
                AddEntry();
        }
        int row = m_pPeopleModel->FindPerson(pTarget, nTargetLine);
        if (row < 0)
            row = std::min(nTargetLine, m_pPeopleModel->Count() - 1);
        SetCaretLine(row, true);
    }
    const int caret = CaretLine();
    CPerson* pPerson = m_pPeopleModel->PersonAt(caret);
    if (!pPerson)
        return;
    ReadForm();
    m_pShownPerson = pPerson;
    PersonToFields(*pPerson);
    m_nEditMode = ModeShown;
    m_bChanged = false;
    UpdateButtons();
    WriteForm();
    m_nShownIndex = caret;
    TakeSnapshot();
}

void CVornView::AddEntry() {
    ReadForm();
    if (m_strName.isEmpty())
        return;
    // The record count is 16 bits: a file never grows past it.
    if (!m_doc.CanAddEntry()) {
        IPrompt::Message(this, FileFullMessage(), IPrompt::Warning);
        FocusName();
        return;
    }
    auto pNew = std::make_unique<CPerson>();
    FieldsToPerson(*pNew);
    TrimLeadingBlanks(pNew->m_strName);
    if (pNew->m_strName.isEmpty()) {
        // A name of blanks only: nothing is added, so the file never holds an entry that no
        // line shows.
        IPrompt::Message(this, kAddFailed, IPrompt::Warning);
        FocusName();
        return;
    }
    CPerson* pPerson = pNew.get();
    m_doc.m_personList.push_back(std::move(pNew));
    m_undo.RecordAdd(pPerson);
    int row;
    {
        CSilent silent(m_nSilent);
        row = m_pPeopleModel->Insert(pPerson);
    }

    ClearFields();
    WriteForm();
    SetCaretLine(row, true);
    m_doc.SetModifiedFlag(true);

    m_pShownPerson = nullptr;
    m_nEditMode = ModeBlank;
    m_bChanged = false;
    m_bSearchEntry = false;
    m_btnCancelSearch->hide();
    UpdateButtons();
    ClearFields();
    DeselectAllPeople();
    WriteForm();
    FocusName();
    m_bChanged = false;
    UpdateButtons(); // selects the new line again
    UpdateCounters();
    ClearFields();
    WriteForm();
}

void CVornView::UpdateEntry() {
    if (m_nEditMode != ModeEdited) {
        AddEntry();
        return;
    }
    ReadForm();
    // The entry being edited is the one the form shows, found by identity: the caret line may
    // have moved since without the form changing.
    CPerson* pPerson = m_pShownPerson;
    if (!pPerson) {
        m_bUpdateFromPrompt = false;
        return;
    }
    // An entry never loses its name through an update: a Name field emptied, or left with
    // blanks only, keeps the name the entry has, and the other fields are stored.
    if (IsBlank(m_strName)) {
        m_strName = m_shownTexts[0];
        WriteForm();
    }
    const int oldRow = m_pPeopleModel->FindPerson(pPerson, m_nShownIndex);
    m_undo.RecordUpdate(pPerson);
    FieldsToPerson(*pPerson);
    TrimLeadingBlanks(pPerson->m_strName);
    {
        CSilent silent(m_nSilent);
        if (oldRow >= 0)
            m_pPeopleModel->RemoveRow(oldRow);
        // A name of blanks only keeps the record in the file without a line.
        if (!pPerson->m_strName.isEmpty()) {
            const int newRow = m_pPeopleModel->Insert(pPerson);
            if (!m_bUpdateFromPrompt)
                SetCaretLine(newRow, true);
            m_nShownIndex = newRow;
        }
    }
    const bool bFromPrompt = m_bUpdateFromPrompt;
    m_doc.SetModifiedFlag(true);
    m_bUpdateFromPrompt = false;
    m_nEditMode = ModeShown;
    m_bChanged = false;
    // What the controls show is now what the record holds.
    TakeSnapshot();
    UpdateButtons();
    UpdateCounters();
    WriteForm();
    if (!bFromPrompt)
        FocusName();
}

void CVornView::ResetForm() {
    m_nEditMode = ModeBlank;
    m_bChanged = false;
    m_bSearchEntry = false;
    m_btnCancelSearch->hide();
    UpdateButtons();
    ClearFields();
    DeselectAllPeople();
    WriteForm();
    m_pShownPerson = nullptr;
    FocusName();
}

void CVornView::DeleteEntries() {
    const int count = SelectedLineCount();
    bool bYes = true;
    if (App() && App()->m_bConfirmDelete && count > 0) {
        const QString question = count == 1 ? kDeleteOne : DeleteManyQuestion(count);
        bYes = IPrompt::Ask(this, question, IPrompt::YesNo) == IPrompt::AnswerYes;
    }
    if (!bYes || count == 0) {
        m_bChanged = false;
        UpdateButtons();
        FocusName();
        return;
    }
    if (count > kMaxDeleteLines) {
        IPrompt::Message(this, kDeleteLimit, IPrompt::Warning);
        FocusName();
        return;
    }

    // Edits of the form are dropped.
    m_bChanged = false;
    const std::vector<int> rows = SelectedLines();
    std::vector<CPerson*> doomed;
    doomed.reserve(rows.size());
    for (int row : rows)
        doomed.push_back(m_pPeopleModel->PersonAt(row));
    std::sort(doomed.begin(), doomed.end());
    if (std::binary_search(doomed.begin(), doomed.end(), m_pShownPerson))
        m_pShownPerson = nullptr;
    {
        // The lines go first, so no line ever points at a destroyed record.
        CSilent silent(m_nSilent);
        m_pPeopleModel->RemoveRows(rows);
    }
    // One pass over the file's entries keeps their order; the history keeps the records.
    m_undo.RecordDelete(doomed);

    // What is shown next: the line that took the first deleted line's place, else the line
    // before it, else nothing.
    const int first = rows.front();
    const int remaining = m_pPeopleModel->Count();
    if (first < remaining) {
        SetCaretLine(first, true);
        ShowSelectedPerson();
        m_nEditMode = ModeShown;
    } else if (first > 0) {
        SetCaretLine(first - 1, true);
        ShowSelectedPerson();
        m_nEditMode = ModeShown;
        UpdateButtons();
    } else {
        m_pShownPerson = nullptr;
        m_nEditMode = ModeBlank;
        m_bChanged = false;
        m_bSearchEntry = false;
        m_btnCancelSearch->hide();
        UpdateButtons();
        ClearFields();
        DeselectAllPeople();
        WriteForm();
        FocusName();
    }

    FocusName();
    UpdateCounters();
    WriteForm();
    m_doc.SetModifiedFlag(true);
    emit m_doc.entriesChangedInBulk();
    m_bChanged = false;
    UpdateButtons();
}

bool CVornView::QueryClose() {
    ReadForm();
    if (!m_bChanged)
        return true;
    // Search criteria are no entry's data; a shown entry whose only change is an emptied Name
    // loses nothing (state 2 then).
    if (m_nEditMode == ModeEdited) {
        if (!(App() && App()->m_bAutoUpdate)) {
            const auto answer = IPrompt::Ask(this, kCloseUpdatePrompt, IPrompt::YesNoCancel);
            if (answer == IPrompt::AnswerCancel)
                return false;
            if (answer != IPrompt::AnswerYes)
                return true;
        }
        UpdateEntry();
        return true;
    }
    if (m_nEditMode == ModeBlank && !m_strName.isEmpty()) {
        const auto answer = IPrompt::Ask(this, kCloseAddPrompt, IPrompt::YesNoCancel);
        if (answer == IPrompt::AnswerCancel)
            return false;
        if (answer != IPrompt::AnswerYes)
            return true;
        // An entry that cannot be added (a name of blanks, a full file) was reported; the
        // program stays open with the typed entry.
        const size_t nBefore = m_doc.m_personList.size();
        AddEntry();
        return m_doc.m_personList.size() > nBefore;
    }
    return true;
}
