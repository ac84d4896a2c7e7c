#pragma once

// Command ids of the menus, the toolbar and the accelerators. The main window keeps one QAction
// per id; the form connects to the ones it handles and enables them as its buttons.
namespace CommandId {
// File
constexpr int FileNew = 57600;
constexpr int FileOpen = 57601;
constexpr int FileSave = 57603;
constexpr int FileSaveAs = 57604;
constexpr int FileImport = 32805;
// Writing the entries as vCard or CSV, and adding the entries of another file.
constexpr int FileExport = 32860;
constexpr int FileAddFromFile = 32861;
// Setting up the contact file's address book, and syncing with it now.
constexpr int FileSyncSetup = 32880;
constexpr int FileSyncNow = 32881;
constexpr int FilePrint = 57607;
constexpr int FilePrintPreview = 57609;
constexpr int FilePrintSetup = 57606;
constexpr int FileFormattedReport = 32775;
constexpr int FileSendMail = 57612;
constexpr int FileMruFirst = 57616;
// The recent-file list holds four entries: 57616 to 57619.
constexpr int FileMruLast = 57619;
constexpr int AppExit = 57665;
// Edit
constexpr int EditUndo = 57643;
constexpr int EditRedo = 57644;
constexpr int EditCut = 57635;
constexpr int EditCopy = 57634;
constexpr int EditPaste = 57637;
constexpr int EditPasteSpecial = 57639;
constexpr int EditCopyEntries = 32824;
constexpr int EditProperties = 32803;
// Action
constexpr int ActionNewRecord = 32815;
constexpr int ActionCommit = 32816;
constexpr int ActionDelete = 32817;
constexpr int ActionPrepareSearch = 32818;
constexpr int ActionSearch = 32819;
constexpr int ActionAddGroup = 32820;
constexpr int ActionRenameGroup = 32823;
constexpr int ActionDeleteGroup = 32822;
constexpr int ActionPlaceCall = 32828;
// Lists the sets of probable duplicates and merges them.
constexpr int ActionFindDuplicates = 32870;
// View
constexpr int ViewToolbar = 59392;
constexpr int ViewStatusBar = 59393;
// Help
constexpr int HelpIndex = 57666;
constexpr int HelpUsing = 57668;
constexpr int AppAbout = 57664;
constexpr int HelpContext = 57669;
constexpr int Help = 57670;
// Panes (F6, Shift+F6): the main window has one pane, so these do nothing and stay disabled.
constexpr int NextPane = 57680;
constexpr int PrevPane = 57681;
// Accelerators of the form's buttons (Alt with a letter). The main window owns the key; the form
// connects each to its button and keeps it enabled exactly when the button is.
constexpr int ButtonNewRecord = 1100;     // Alt+N
constexpr int ButtonCommit = 1007;        // Alt+U
constexpr int ButtonDelete = 1015;        // Alt+D
constexpr int ButtonPrepareSearch = 1040; // Alt+C
constexpr int ButtonSearch = 1011;        // Alt+S
constexpr int ButtonSendMail = 1126;      // Alt+M
constexpr int ButtonNewGroup = 1034;      // Alt+G
constexpr int ButtonRenameGroup = 1036;   // Alt+R
constexpr int ButtonDeleteGroup = 1035;   // Alt+L
// Context-menu commands of the form
constexpr int ContextNewRecord = 32807;
constexpr int ContextCommit = 32790;
constexpr int ContextDelete = 32789;
constexpr int ContextAddGroup = 32791;
constexpr int ContextDeleteGroup = 32792;
constexpr int ContextRenameGroup = 32802;
constexpr int ContextPrepareSearch = 32793;
constexpr int ContextSearch = 32794;
constexpr int ContextCopyEntries = 32827;
} // namespace CommandId
