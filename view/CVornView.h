#pragma once

#include "CAddFromFile.h"
#include "CRecordMerger.h"
#include "CUndoHistory.h"
#include "IFormView.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CPeopleListModel;
class CPerson;
class CPictureButton;
class CVornApp;
class CVornDoc;
class QAction;
class QComboBox;
class QGroupBox;
class QItemSelection;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QContextMenuEvent;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class QStringListModel;
struct CSyncResult;

// The form that fills the main window: the people list, the group lists, the nine fields of one
// entry, the counters and the picture buttons. It works directly on the document's records; its
// people list holds pointers into the document and owns nothing.
//
// Every command follows one pattern: read the form (controls to the member strings), act on the
// members and the document, write the form back (members to controls), then recompute the
// buttons and counters. Only the user's own edits of a field set m_bChanged; the form's writes
// to its controls never do.
class CVornView : public QWidget, public IFormView {
    Q_OBJECT
public:
    // States of the form (m_nEditMode).
    enum EditMode { ModeBlank = 0, ModeEdited = 1, ModeShown = 2, ModeSearchEntry = 3 };
    // The most lines one delete removes.
    static constexpr int kMaxDeleteLines = 1000;

    explicit CVornView(CVornDoc& doc, QWidget* parent = nullptr);
    ~CVornView() override;

    // What the main window uses.
    QWidget* Widget() override { return this; }
    void OnInitialUpdate() override;
    void ConnectCommands(const QHash<int, QAction*>& actions) override;
    // Before the program closes: edits the form holds that no entry has yet are stored, or
    // dropped, as the user answers; false when the user cancels, or when storing them failed.
    bool QueryClose() override;

    CVornDoc& GetDocument() const { return m_doc; }
    // The people list's lines, in their order.
    CPeopleListModel& PeopleModel() const { return *m_pPeopleModel; }
    int GetEditMode() const { return m_nEditMode; }
    bool IsChanged() const { return m_bChanged; }
    int GetColumns() const { return m_nColumns; }

    // Routines every command uses.
    void UpdateButtons();
    void UpdateCounters();
    void ClearFields();
    void FieldsToPerson(CPerson& person);
    void PersonToFields(const CPerson& person);
    // Controls to members, and members to controls.
    void ReadForm();
    void WriteForm();

public slots:
    // Loads the entry of the people list's caret line, after asking what to do with pending
    // edits.
    void ShowSelectedPerson();
    // New record: a blank form, edits dropped.
    void ResetForm();
    // Commit changes: stores the form into the shown entry, or adds a new entry.
    void UpdateEntry();
    // Adds the form's contents as a new entry.
    void AddEntry();
    // Deletes the selected lines' entries.
    void DeleteEntries();
    // Runs the properties sheet, then shows the Notes label it may have changed.
    void OnProperties();

    // Report, printing, mail, dialing and import launch (CVornViewOutput.cpp,
    // CVornViewComms.cpp).
    // Writes the people list as shown to a text file in the layout the user picks.
    void OnFormattedReport();
    // Print, Print Preview and Print Setup of the entry the form shows.
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    // Opens a new message to the E-mail field's text in the desktop's mail program.
    void OnSendMail();
    // Offers the Phone field's numbers and calls the one the user picks.
    void OnDial();
    // Starts the import program beside this one, without waiting for it.
    void OnImport();
    // Writes all entries, or those the people list shows, as vCard or CSV
    // (CVornViewExchange.cpp).
    void OnExport();
    // Adds the entries of a contact, vCard or CSV file that are not there yet.
    void OnAddFromFile();

public:
    // Adds the new ones of `people` to the document as one operation, refreshes the lists and
    // marks the document modified; returns what was added (nothing when the file would grow
    // past 65,535 entries).
    CAddFromFile::SAdded AddNewEntries(std::vector<CPerson> people);

public:
    // The lines printing puts on the page for what the form shows, committed or not.
    QStringList PrintedLines();
    // Prints the form's entry on one page of `printer`; reports and returns false when the
    // printer cannot be started.
    bool PrintEntry(QPrinter& printer);
    // The printer the print commands share, so the setup carries over to the next print.
    QPrinter& Printer();
    // Where the import program is started from: the folder of this program.
    static QString ImportProgram();

    // Groups, search, edit and clipboard commands (CVornViewGroups.cpp, CVornViewSearch.cpp,
    // CVornViewClipboard.cpp).
public slots:
    // The user picked or dropped a line of the group list: filters the people list.
    void OnGroupSelChange();
    void OnAddGroup();
    void OnDeleteGroup();
    void OnRenameGroup();
    // Empties the form for search criteria.
    void OnPrepareSearch();
    // Finds the entries matching the form and lets the user pick from them.
    void OnSearch();
    void OnCancelSearch();
    // Edit commands on the focused text field.
    void OnEditUndo();
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();
    // Puts the selected entries on the clipboard as text.
    void OnCopyEntries();

public:
    // The most entries one copy takes.
    static constexpr int kMaxCopyLines = 1000;
    // The clipboard text of `people`: one block of lines per entry, blank lines between.
    static QString EntriesText(const std::vector<const CPerson*>& people);

protected:
    // The context menus of the form (CVornViewClipboard.cpp).
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One of the nine fields: its member string, its record member, and whether it holds lines.
    struct SField {
        QString CVornView::*pText;
        QByteArray CPerson::*pStored;
        bool bMultiLine;
    };
    static const std::array<SField, 9>& Fields();
    // Counts a scope during which the form changes its own controls.
    struct CSilent {
        explicit CSilent(int& n) : m_n(n) { ++m_n; }
        ~CSilent() { --m_n; }
        int& m_n;
    };
    static void TrimLeadingBlanks(QByteArray& text);

    // Building the form (CVornView.cpp).
    void CreateControls();
    QComboBox* CreateCombo(const QString& name, const QString& label);
    CPictureButton* CreateButton(const QString& caption, const QString& name, const QString& tip,
                                 const QKeySequence& shortcut);
    // Rebuilds the lists from the document and shows the first entry.
    void OnUpdate();
    void OnQuickFind();
    void OnColumnsChanged();
    void ApplyColumnWidth();
    // Scrolls the people list so its caret line is in view (after the list was resized).
    void KeepCaretVisible();
    bool m_bCaretScrollPending = false;
    void FillGroupLists();
    void SetComboItems(QComboBox* pCombo, QStringList items);
    // Builds the City or ZIP list from the values the refresh gathered, on the box's first use.
    void EnsureDataList(QComboBox* pCombo);
    void AddComboItem(QComboBox* pCombo, const QString& text);
    static bool ComboHasItem(QComboBox* pCombo, const QString& text);

    // The people list's caret line and selection.
    int CaretLine() const;
    void SetCaretLine(int row, bool bClearSelection);
    void SelectCaretLine();
    void DeselectAllPeople();
    std::vector<int> SelectedLines() const;
    int SelectedLineCount() const;
    void DeselectMemberOf();
    QList<int> MemberOfRowsFor(const CPerson& person) const;
    // Remembers the texts the controls show for the loaded entry, so that fields the user leaves
    // alone keep their stored bytes exactly.
    void TakeSnapshot();
    // Whether the form differs from the shown entry in a field other than Name (groups
    // included).
    bool HasEditsBesidesName();

    // Notifications (CVornViewEditing.cpp).
    void OnPeopleSelectionChanged();
    void OnPeopleClicked();
    void OnFieldEdited();
    void OnFieldFocusIn(QWidget* pField);
    void OnFieldFocusOut(QWidget* pField);
    void FocusName();
    CVornApp* App() const;

    CVornDoc& m_doc;
    CPeopleListModel* m_pPeopleModel = nullptr;

    // Controls.
    QSpinBox* m_spinColumns = nullptr;
    QPushButton* m_btnCancelSearch = nullptr;
    QListView* m_listPeople = nullptr;
    QListWidget* m_listGroups = nullptr;
    QListWidget* m_listMemberOf = nullptr;
    QLineEdit* m_editName = nullptr;
    QPlainTextEdit* m_editAddress = nullptr;
    QComboBox* m_comboCity = nullptr;
    QComboBox* m_comboState = nullptr;
    QComboBox* m_comboZip = nullptr;
    QComboBox* m_comboCountry = nullptr;
    QLineEdit* m_editEmail = nullptr;
    QPlainTextEdit* m_editPhone = nullptr;
    QPlainTextEdit* m_editNotes = nullptr;
    QLineEdit* m_editQuickFind = nullptr;
    QLabel* m_labelShownPeople = nullptr;
    QLabel* m_labelTotalPeople = nullptr;
    QLabel* m_labelSelectedGroups = nullptr;
    QLabel* m_labelTotalGroups = nullptr;
    QLabel* m_labelNotes = nullptr;

    // The form's texts (what the controls show).
    QString m_strCity;
    QString m_strState;
    QString m_strAddress;
    QString m_strName;
    QString m_strPhone;
    QString m_strCountry;
    QString m_strZip;
    QString m_strTotalPeople;
    QString m_strShownPeople;
    QString m_strTotalGroups;
    QString m_strSelectedGroups;
    QString m_strQuickFind;
    QString m_strEmail;
    QString m_strNotesLabel;
    QString m_strNotes;
    int m_nColumns = 2;
    QString m_strLastCity;
    QString m_strLastCountry;
    QString m_strLastState;
    QString m_strLastZip;
    bool m_bChanged = false;
    bool m_bUpdateFromPrompt = false;
    int m_nShownIndex = 0;
    int m_nEditMode = ModeBlank;
    bool m_bSearchEntry = false;

    CPictureButton* m_btnFind = nullptr;
    CPictureButton* m_btnNew = nullptr;
    CPictureButton* m_btnUpdate = nullptr;
    CPictureButton* m_btnClear = nullptr;
    CPictureButton* m_btnDelete = nullptr;
    CPictureButton* m_btnEmail = nullptr;
    CPictureButton* m_btnNewGroup = nullptr;
    CPictureButton* m_btnDeleteGroup = nullptr;
    CPictureButton* m_btnRenameGroup = nullptr;
    CPictureButton* m_btnDial = nullptr;

    // The record the form shows (state 2 or 1), told apart by identity; null when the form is
    // blank. The texts the controls showed when it was loaded or last stored.
    CPerson* m_pShownPerson = nullptr;
    std::array<QString, 9> m_shownTexts;
    // Texts copied one after the other into one buffer, each after its length (one byte below
    // 255, else 255 and four bytes): no allocation and no record's text held per value.
    struct SPendingTexts {
        std::string m_strBytes;
        // Where the last text added begins in m_strBytes, and its length.
        size_t m_nLastStart = 0;
        size_t m_nLastLength = 0;
        // Texts added lately, by where their bytes lie and their length: records that share one
        // copy of a value (a city read once for the whole file) add it once. Valid while the
        // records added from stay unchanged (one refresh); Clear() forgets them.
        std::array<std::pair<const char*, qsizetype>, 64> m_recent{};
        void Add(const QByteArray& text);
        // Calls `fn` with each text added, in order (views of the buffer).
        template <typename Fn> void ForEach(Fn fn) const;
        void Clear();
    };
    // The City and ZIP values of the file as the refresh found them. Their lists (one item per
    // value, case ignored, sorted) are built when the box is first used: a large file has tens
    // of thousands of ZIP codes, which opening the file need not wait for.
    SPendingTexts m_pendingCities;
    SPendingTexts m_pendingZips;
    bool m_bCityListPending = false;
    bool m_bZipListPending = false;
    // While above zero the form itself is changing its controls: their notifications are not
    // the user's.
    int m_nSilent = 0;

    // Groups, search, edit and clipboard commands.
    void ConnectGroupsSearchAndClipboard();
    void ConnectEditCommands(const QHash<int, QAction*>& actions);
    // The group name a line of either group list stands for (the stored bytes).
    static QByteArray GroupNameOf(const QListWidgetItem* pItem);
    // The line of "Groups belonged to" for a group name: exact bytes first, else the text with
    // case ignored; -1 when there is none.
    int MemberOfRowOf(const QByteArray& name) const;
    // The stored names of the selected groups of the group list (the two pseudo-groups left
    // out), in list order.
    QList<QByteArray> SelectedGroupNames() const;
    // Replaces the people list's lines in one go.
    void SetPeople(const std::vector<CPerson*>& people);
    // The people list's records, in line order.
    std::vector<CPerson*> ListedPeople() const;
    // After the people list changed under a filter or search: shows its first line, or leaves
    // the form empty when there is none.
    void ShowFirstListed();
    // Puts the chosen lines of the search results into the people list (replacing its lines
    // or adding to them); returns the line of `pTarget`, or -1.
    int AddChosenPeople(const CPeopleListModel& results, const std::vector<int>& rows,
                        bool bReplace, CPerson* pTarget);
    void UpdateEditCommands();
    void UpdateCopyEntries();
    // The text field the Edit commands act on: the form's field with the keyboard focus, or,
    // while the focus is away from the form (the menu bar, an open menu), the field that had it
    // before; null when that is no text field.
    QWidget* FocusedTextField() const;
    // The text field `pWidget` is or belongs to (a combo box's line edit), or null.
    QWidget* TextFieldOf(QWidget* pWidget) const;
    void OnFocusChanged(QWidget* pNow);
    // The form's text field that had the keyboard focus last; it keeps it while the focus is in
    // the menu bar or an open menu, so the Edit commands act on it.
    QPointer<QWidget> m_pEditField;
    void ShowContextMenu(bool bGroups, const QPoint& globalPos);
    QMenu* m_menuEntries = nullptr;
    QMenu* m_menuGroups = nullptr;
    QAction* m_pActionUndo = nullptr;
    QAction* m_pActionCut = nullptr;
    QAction* m_pActionCopy = nullptr;
    QAction* m_pActionPaste = nullptr;
    QAction* m_pActionCopyEntries = nullptr;
    QAction* m_pContextCopyEntries = nullptr;

    // Report, printing and import launch: the commands the main window's actions run.
    void ConnectOutputCommands(const QHash<int, QAction*>& actions);
    // Export and Add From File.
    void ConnectExchangeCommands(const QHash<int, QAction*>& actions);
    // Made on the first print command; shared so the form's destructor needs no QPrinter.
    std::shared_ptr<QPrinter> m_pPrinter;

    // Undo and redo of entry commands (CVornViewUndo.cpp).
public:
    CUndoHistory& UndoHistory() { return m_undo; }
public slots:
    // Redoes the focused field's undone edit, else the last entry command undone.
    void OnEditRedo();

private:
    void ConnectUndoCommands(const QHash<int, QAction*>& actions);
    // Sets the texts and states of Undo and Redo; `bFieldUndo`: the focused field can undo.
    void UpdateUndoCommands(bool bFieldUndo);
    static bool FieldCanUndo(QWidget* pField);
    static bool FieldCanRedo(QWidget* pField);
    // Undoes or redoes the last entry command and shows the result.
    void UndoEntryCommand();
    void RedoEntryCommand();
    void ShowUndoChange(const CUndoHistory::SChange& change);
    // After a command the fields' own undo steps are forgotten: the typing they would undo is
    // stored in the entry, and Undo now takes back the command.
    void ForgetFieldEdits();
    QAction* m_pActionRedo = nullptr;
    CUndoHistory m_undo{m_doc};

    // Finding and merging duplicates (CVornViewDuplicates.cpp).
public:
    // Merges `set` into its first entry in the document's order, which takes the texts and
    // groups of `merged`; the other entries leave the document. The lists, counters and buttons
    // follow, the merged entry is shown and selected, and the document is marked modified.
    // Returns what the merge did, so it can be taken back as one command (m_pKept null: nothing
    // was merged).
    CRecordMerger::CResult MergeEntries(const std::vector<CPerson*>& set, const CPerson& merged);
    // Merges every set with its values in one go (Merge All), with one refresh of the lists.
    std::vector<CRecordMerger::CResult>
    MergeEntrySets(const std::vector<std::vector<CPerson*>>& sets,
                   const std::vector<CPerson>& merged);
public slots:
    // Action > Find Duplicates: lists the sets of probable duplicates and merges them.
    void OnFindDuplicates();

private:
    void ConnectDuplicateCommands(const QHash<int, QAction*>& actions);

    // Sync with a CardDAV address book (CVornViewSync.cpp).
public slots:
    // File > Synchronize...: sets up the address book the contact file syncs with.
    void OnSyncSetup();
    // File > Synchronize Now: starts a sync, or stops the one running.
    void OnSyncNow();

public:
    bool IsSyncRunning() const { return m_pSyncRun != nullptr; }

private:
    class CSyncRun;
    void ConnectSyncCommands(const QHash<int, QAction*>& actions);
    // A file never saved has nowhere to keep its sync state: asks to save it first.
    bool EnsureSavedForSync();
    // Runs the setup dialog and stores what it accepted; false when cancelled or not stored.
    bool RunSyncSetup();
    // Stores the form's pending edits in their entry; false when that failed.
    bool CommitFormForSync();
    // `bAuto`: started by opening or saving the file, which does nothing without a set-up
    // address book that asks for it.
    void StartSync(bool bAuto);
    // Asks for the password of the run's account; false when the user cancelled.
    bool AskSyncPassword(bool bRefused);
    void StartSyncJob();
    void OnSyncProgress(const QString& strStep, int nDone, int nTotal);
    void OnSyncFinished(const CSyncResult& result);
    // Disables the editing commands and the form while a sync runs, and gives them back.
    void SetSyncRunning(bool bRunning);
    void ScheduleAutoSync();
    CSyncRun* m_pSyncRun = nullptr;
    QHash<int, QAction*> m_syncActions;
    // The sync is saving the file it changed: that save starts no sync of its own.
    bool m_bSyncSaving = false;
};
