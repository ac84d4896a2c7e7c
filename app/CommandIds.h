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
constexpr int FilePrint = 57607;
constexpr int FilePrintPreview = 57609;
constexpr int FilePrintSetup = 57606;
constexpr int FileFormattedReport = 32775;
constexpr int FileSendMail = 57612;
constexpr int FileMruFirst = 57616;
constexpr int AppExit = 57665;
// Edit
constexpr int EditUndo = 57643;
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
// View
constexpr int ViewToolbar = 59392;
constexpr int ViewStatusBar = 59393;
// Help
constexpr int HelpIndex = 57666;
constexpr int HelpUsing = 57668;
constexpr int AppAbout = 57664;
constexpr int HelpContext = 57669;
constexpr int Help = 57670;
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
