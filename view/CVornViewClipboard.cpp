// Edit and clipboard commands, the context menus, and the wiring of the group and search
// commands to their buttons.
#include "CVornView.h"

#include "CPeopleListModel.h"
#include "CPerson.h"
#include "CPictureButton.h"
#include "CText.h"
#include "CommandIds.h"
#include "IPrompt.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

namespace {

const QString kCopyLimit = QStringLiteral("You can only select up to 1000 entries at a time");

// A context-menu item that stands for a picture button: it clicks the button and is enabled
// exactly when the button is.
QAction* AddButtonItem(QMenu* pMenu, int nId, const QString& text, const QString& prompt,
                       CPictureButton* pButton) {
    QAction* pAction = pMenu->addAction(text);
    pAction->setObjectName(QStringLiteral("action%1").arg(nId));
    pAction->setStatusTip(prompt);
    QObject::connect(pAction, &QAction::triggered, pButton, [pButton] { pButton->click(); });
    QObject::connect(pButton, &CPictureButton::enabledChanged, pAction, &QAction::setEnabled);
    pAction->setEnabled(!pButton->testAttribute(Qt::WA_Disabled));
    return pAction;
}

void AppendLine(QString& text, const QByteArray& stored) {
    text += CText::ToDisplay(stored);
    text += QLatin1Char('\n');
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Wiring

void CVornView::ConnectGroupsSearchAndClipboard() {
    connect(m_btnNewGroup, &QAbstractButton::clicked, this, &CVornView::OnAddGroup);
    connect(m_btnDeleteGroup, &QAbstractButton::clicked, this, &CVornView::OnDeleteGroup);
    connect(m_btnRenameGroup, &QAbstractButton::clicked, this, &CVornView::OnRenameGroup);
    connect(m_btnClear, &QAbstractButton::clicked, this, &CVornView::OnPrepareSearch);
    connect(m_btnFind, &QAbstractButton::clicked, this, &CVornView::OnSearch);
    connect(m_btnCancelSearch, &QAbstractButton::clicked, this, &CVornView::OnCancelSearch);
    // A click (or the space key) toggles a line and makes it the caret line; the form's own
    // changes to the selection are not the user's.
    connect(m_listGroups, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_nSilent)
            OnGroupSelChange();
    });

    // The context menu of the entries.
    m_menuEntries = new QMenu(this);
    m_menuEntries->setObjectName(QStringLiteral("menuEntries"));
    m_menuEntries->setAccessibleName(QStringLiteral("Entries"));
    AddButtonItem(m_menuEntries, CommandId::ContextNewRecord, QStringLiteral("New record"),
                  QStringLiteral("Create a new record"), m_btnNew);
    AddButtonItem(m_menuEntries, CommandId::ContextCommit,
                  QStringLiteral("Commit changes to record"),
                  QStringLiteral("Commit changes to the current record"), m_btnUpdate);
    AddButtonItem(m_menuEntries, CommandId::ContextDelete, QStringLiteral("Delete these records"),
                  QStringLiteral("Delete the currently selected record"), m_btnDelete);
    m_menuEntries->addSeparator();
    m_pContextCopyEntries = m_menuEntries->addAction(QStringLiteral("Copy entries"));
    m_pContextCopyEntries->setObjectName(
        QStringLiteral("action%1").arg(CommandId::ContextCopyEntries));
    m_pContextCopyEntries->setStatusTip(
        QStringLiteral("Copy the selected entries to the clipboard"));
    connect(m_pContextCopyEntries, &QAction::triggered, this, &CVornView::OnCopyEntries);
    m_menuEntries->addSeparator();
    AddButtonItem(m_menuEntries, CommandId::ContextPrepareSearch,
                  QStringLiteral("Prepare screen for search"),
                  QStringLiteral("Clear the fields; enter search criteria in fields"), m_btnClear);
    AddButtonItem(m_menuEntries, CommandId::ContextSearch, QStringLiteral("Search the database"),
                  QStringLiteral("Search the database based on criteria entered in fields"),
                  m_btnFind);

    // The context menu of the two group lists.
    m_menuGroups = new QMenu(this);
    m_menuGroups->setObjectName(QStringLiteral("menuGroups"));
    m_menuGroups->setAccessibleName(QStringLiteral("Groups"));
    AddButtonItem(m_menuGroups, CommandId::ContextAddGroup, QStringLiteral("Add a new group"),
                  QStringLiteral("Add a new group"), m_btnNewGroup);
    AddButtonItem(m_menuGroups, CommandId::ContextRenameGroup,
                  QStringLiteral("Rename the current group"),
                  QStringLiteral("Rename the current group"), m_btnRenameGroup);
    AddButtonItem(m_menuGroups, CommandId::ContextDeleteGroup,
                  QStringLiteral("Delete the current group"),
                  QStringLiteral("Delete the current group"), m_btnDeleteGroup);

    // Shift+F10 anywhere on the form opens the entries menu at the form's corner.
    auto* pMenuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
    pMenuKey->setObjectName(QStringLiteral("shortcutContextMenu"));
    pMenuKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(pMenuKey, &QShortcut::activated, this,
            [this] { ShowContextMenu(false, mapToGlobal(QPoint(5, 5))); });

    // "Copy entries" follows the people list's selection.
    connect(m_listPeople->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CVornView::UpdateCopyEntries);
    connect(m_pPeopleModel, &QAbstractItemModel::modelReset, this, &CVornView::UpdateCopyEntries);
    connect(m_pPeopleModel, &QAbstractItemModel::rowsRemoved, this, &CVornView::UpdateCopyEntries);
    UpdateCopyEntries();

    // Undo, Cut, Copy and Paste follow the focused field, its selection and the clipboard.
    for (QLineEdit* pEdit : findChildren<QLineEdit*>()) {
        if (qobject_cast<QAbstractSpinBox*>(pEdit->parentWidget()))
            continue;
        connect(pEdit, &QLineEdit::selectionChanged, this, &CVornView::UpdateEditCommands);
        connect(pEdit, &QLineEdit::textChanged, this, &CVornView::UpdateEditCommands);
    }
    for (QPlainTextEdit* pEdit : findChildren<QPlainTextEdit*>()) {
        connect(pEdit, &QPlainTextEdit::selectionChanged, this, &CVornView::UpdateEditCommands);
        connect(pEdit, &QPlainTextEdit::undoAvailable, this, &CVornView::UpdateEditCommands);
        connect(pEdit, &QPlainTextEdit::textChanged, this, &CVornView::UpdateEditCommands);
    }
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* pNow) { OnFocusChanged(pNow); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CVornView::UpdateEditCommands);
}

void CVornView::ConnectEditCommands(const QHash<int, QAction*>& actions) {
    const std::pair<int, void (CVornView::*)()> commands[] = {
        {CommandId::EditUndo, &CVornView::OnEditUndo},
        {CommandId::EditCut, &CVornView::OnEditCut},
        {CommandId::EditCopy, &CVornView::OnEditCopy},
        {CommandId::EditPaste, &CVornView::OnEditPaste},
        {CommandId::EditCopyEntries, &CVornView::OnCopyEntries},
    };
    for (const auto& [id, slot] : commands) {
        if (QAction* pAction = actions.value(id))
            connect(pAction, &QAction::triggered, this, slot);
    }
    m_pActionUndo = actions.value(CommandId::EditUndo);
    m_pActionCut = actions.value(CommandId::EditCut);
    m_pActionCopy = actions.value(CommandId::EditCopy);
    m_pActionPaste = actions.value(CommandId::EditPaste);
    m_pActionCopyEntries = actions.value(CommandId::EditCopyEntries);
    // The states are settled again as the Edit menu opens, however it is opened.
    if (m_pActionCut) {
        for (QObject* pObject : m_pActionCut->associatedObjects()) {
            if (auto* pMenu = qobject_cast<QMenu*>(pObject))
                connect(pMenu, &QMenu::aboutToShow, this, &CVornView::UpdateEditCommands);
        }
    }
    UpdateEditCommands();
    UpdateCopyEntries();
}

// ---------------------------------------------------------------------------------------------
// Edit commands

QWidget* CVornView::TextFieldOf(QWidget* pWidget) const {
    if (!pWidget || !isAncestorOf(pWidget))
        return nullptr;
    if (auto* pCombo = qobject_cast<QComboBox*>(pWidget))
        return pCombo->lineEdit();
    if (auto* pEdit = qobject_cast<QLineEdit*>(pWidget))
        return qobject_cast<QAbstractSpinBox*>(pEdit->parentWidget()) ? nullptr : pEdit;
    if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pWidget))
        return pEdit;
    return nullptr;
}

QWidget* CVornView::FocusedTextField() const {
    // A menu opened from the keyboard (Alt+E, F10) takes the focus into the menu bar; the Edit
    // commands then act on the field that had it, as they do when the menu is opened with the
    // mouse (which leaves the focus where it is).
    QWidget* pFocus = QApplication::focusWidget();
    if (pFocus && isAncestorOf(pFocus))
        return TextFieldOf(pFocus);
    return m_pEditField;
}

void CVornView::OnFocusChanged(QWidget* pNow) {
    // Only a move within the form changes the field; focus that goes to the menu bar, a menu or
    // another window comes back to it.
    if (pNow && isAncestorOf(pNow))
        m_pEditField = TextFieldOf(pNow);
    UpdateEditCommands();
}

void CVornView::UpdateEditCommands() {
    bool bUndo = false;
    bool bSelection = false;
    QWidget* pField = FocusedTextField();
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField)) {
        bUndo = pEdit->isUndoAvailable();
        bSelection = pEdit->hasSelectedText();
    } else if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pField)) {
        bUndo = pEdit->document()->isUndoAvailable();
        bSelection = pEdit->textCursor().hasSelection();
    }
    const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
    const bool bPaste = pField && pData && pData->hasText();
    UpdateUndoCommands(bUndo);
    if (m_pActionCut)
        m_pActionCut->setEnabled(bSelection);
    if (m_pActionCopy)
        m_pActionCopy->setEnabled(bSelection);
    if (m_pActionPaste)
        m_pActionPaste->setEnabled(bPaste);
}

void CVornView::UpdateCopyEntries() {
    const bool bSelected = m_listPeople->selectionModel()->hasSelection();
    if (m_pActionCopyEntries)
        m_pActionCopyEntries->setEnabled(bSelected);
    if (m_pContextCopyEntries)
        m_pContextCopyEntries->setEnabled(bSelected);
}

void CVornView::OnEditUndo() {
    QWidget* pField = FocusedTextField();
    if (!FieldCanUndo(pField)) {
        UndoEntryCommand();
        return;
    }
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        pEdit->undo();
    else if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pField))
        pEdit->undo();
}

void CVornView::OnEditCut() {
    QWidget* pField = FocusedTextField();
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        pEdit->cut();
    else if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pField))
        pEdit->cut();
}

void CVornView::OnEditCopy() {
    QWidget* pField = FocusedTextField();
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        pEdit->copy();
    else if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pField))
        pEdit->copy();
}

void CVornView::OnEditPaste() {
    QWidget* pField = FocusedTextField();
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        pEdit->paste();
    else if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pField))
        pEdit->paste();
}

// ---------------------------------------------------------------------------------------------
// Copy entries

QString CVornView::EntriesText(const std::vector<const CPerson*>& people) {
    QString text;
    for (size_t i = 0; i < people.size(); ++i) {
        const CPerson& person = *people[i];
        AppendLine(text, person.m_strName);
        if (!person.m_strAddress.isEmpty())
            AppendLine(text, person.m_strAddress);
        // City, state and ZIP share one line: "City, ST 12345".
        QString place;
        const bool bCity = !person.m_strCity.isEmpty();
        const bool bState = !person.m_strState.isEmpty();
        if (bCity && bState)
            place = CText::ToDisplay(person.m_strCity) + QStringLiteral(", ") +
                    CText::ToDisplay(person.m_strState) + QLatin1Char(' ');
        else if (bCity)
            place = CText::ToDisplay(person.m_strCity) + QLatin1Char(' ');
        else if (bState)
            place = CText::ToDisplay(person.m_strState) + QLatin1Char(' ');
        if (!person.m_strZip.isEmpty())
            place += CText::ToDisplay(person.m_strZip) + QLatin1Char(' ');
        place = place.trimmed();
        if (!place.isEmpty()) {
            text += place;
            text += QLatin1Char('\n');
        }
        for (const QByteArray* pField :
             {&person.m_strCountry, &person.m_strPhone, &person.m_strEmail, &person.m_strNotes}) {
            if (!pField->isEmpty())
                AppendLine(text, *pField);
        }
        // A blank line between entries, none after the last.
        if (i + 1 < people.size())
            text += QLatin1Char('\n');
    }
    return text;
}

void CVornView::OnCopyEntries() {
    const std::vector<int> rows = SelectedLines();
    if (rows.size() > size_t(kMaxCopyLines)) {
        IPrompt::Message(this, kCopyLimit, IPrompt::Warning);
        return;
    }
    if (rows.empty())
        return;
    std::vector<const CPerson*> people;
    people.reserve(rows.size());
    for (int row : rows)
        people.push_back(m_pPeopleModel->PersonAt(row));
    QGuiApplication::clipboard()->setText(EntriesText(people));
}

// ---------------------------------------------------------------------------------------------
// Context menus

void CVornView::contextMenuEvent(QContextMenuEvent* event) {
    // The text fields offer their own Cut, Copy and Paste menu; everywhere else the form offers
    // its commands: the group commands over the two group lists, the entry commands elsewhere.
    QWidget* pWindow = event->reason() == QContextMenuEvent::Keyboard ? QApplication::focusWidget()
                                                                      : childAt(event->pos());
    bool bGroups = false;
    for (QWidget* pWidget = pWindow; pWidget && pWidget != this;
         pWidget = pWidget->parentWidget()) {
        if (pWidget == m_listGroups || pWidget == m_listMemberOf)
            bGroups = true;
    }
    ShowContextMenu(bGroups, event->globalPos());
    event->accept();
}

void CVornView::ShowContextMenu(bool bGroups, const QPoint& globalPos) {
    (bGroups ? m_menuGroups : m_menuEntries)->popup(globalPos);
}
