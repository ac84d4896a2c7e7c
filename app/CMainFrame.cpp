#include "CMainFrame.h"

#include "CKeyStateIndicators.h"

#include "CAboutDlg.h"
#include "CSplashWnd.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CommandIds.h"
#include "IFileDialogs.h"
#include "IFormView.h"
#include "IPrompt.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSessionManager>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

using namespace CommandId;

const QString CMainFrame::kAppTitle = QStringLiteral("Velloby");
const QString CMainFrame::kUntitled = QStringLiteral("Untitled");
const QString CMainFrame::kFileFilter = QStringLiteral("Address Files (*.vby)");
const QString CMainFrame::kIdlePrompt = QStringLiteral("For Help, press F1");
const QString CMainFrame::kHelpMessage = QStringLiteral(
    "No help pages are installed with Velloby.\n\nRest the pointer on a toolbar button, or "
    "highlight a menu item, and the status bar at the bottom of the window says what it does.");

namespace {

// The wait cursor for the length of a scope.
class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

struct MenuInfo {
    const char* pszTitle;
    const char* pszObjectName;
    QList<int> listIds; // 0 is a separator
};

const QList<MenuInfo>& Menus() {
    static const QList<MenuInfo> menus = {
        {"&File",
         "menuFile",
         {FileNew,
          FileOpen,
          FileSave,
          FileSaveAs,
          0,
          FileImport,
          FileAddFromFile,
          FileExport,
          0,
          FileSyncSetup,
          FileSyncNow,
          0,
          FilePrint,
          FilePrintPreview,
          FilePrintSetup,
          FileFormattedReport,
          0,
          FileSendMail,
          0,
          FileMruFirst,
          FileMruFirst + 1,
          FileMruFirst + 2,
          FileMruLast,
          0,
          AppExit}},
        {"&Edit",
         "menuEdit",
         {EditUndo, EditRedo, 0, EditCut, EditCopy, EditPaste, EditPasteSpecial, 0, EditCopyEntries,
          0, EditProperties}},
        {"&Action",
         "menuAction",
         {ActionNewRecord, ActionCommit, ActionDelete, 0, ActionPrepareSearch, ActionSearch, 0,
          ActionAddGroup, ActionRenameGroup, ActionDeleteGroup, 0, ActionFindDuplicates, 0,
          ActionPlaceCall}},
        {"&View", "menuView", {ViewToolbar, ViewStatusBar}},
        {"&Help", "menuHelp", {HelpIndex, HelpUsing, 0, AppAbout}},
    };
    return menus;
}

// The toolbar's buttons in order (0 is a separator) with their pictures.
struct ToolInfo {
    int nId;
    const char* pszPicture;
};
const ToolInfo kTools[] = {
    {FileNew, ":/app/tb-new.png"},      {FileOpen, ":/app/tb-open.png"},
    {FileSave, ":/app/tb-save.png"},    {0, nullptr},
    {FileSyncNow, ":/app/tb-sync.png"}, {0, nullptr},
    {EditCut, ":/app/tb-cut.png"},      {EditCopy, ":/app/tb-copy.png"},
    {EditPaste, ":/app/tb-paste.png"},  {0, nullptr},
    {FilePrint, ":/app/tb-print.png"},  {AppAbout, ":/app/tb-about.png"},
};

// X11 modifier bits carried by key events on the xcb platform.

} // namespace

const QList<CMainFrame::CommandInfo>& CMainFrame::Commands() {
    static const QList<CommandInfo> commands = {
        {FileNew, "&New", "Ctrl+N", "Create a new document", "New"},
        {FileOpen, "&Open...", "Ctrl+O", "Open an existing document", "Open"},
        {FileSave, "&Save", "Ctrl+S", "Save the active document", "Save"},
        {FileSaveAs, "Save &As...", "", "Save the active document with a new name", "Save As"},
        {FileImport, "&Import...", "",
         "Run the Import Facility to convert a text file to the Velloby format", ""},
        {FileAddFromFile, "Add From Fi&le...", "",
         "Add the entries of a contact file, a vCard file or a CSV file to this document", ""},
        {FileExport, "&Export...", "", "Write the entries as a vCard or CSV file", ""},
        {FileSyncSetup, "S&ynchronize...", "",
         "Set up the CardDAV address book this contact file syncs with", ""},
        {FileSyncNow, "Synchroni&ze Now", "",
         "Sync the entries with the address book on the server", "Synchronize Now"},
        {FilePrint, "&Print...", "Ctrl+P", "Print the active document", "Print"},
        {FilePrintPreview, "Print Pre&view", "", "Display full pages", "Print Preview"},
        {FilePrintSetup, "P&rint Setup...", "", "Change the printer and printing options",
         "Print Setup"},
        {FileFormattedReport, "Print a &Formatted Report...", "",
         "Prints entries in the listbox to a text file for use in spreadsheets or word "
         "processors",
         ""},
        {FileSendMail, "Sen&d Mail...", "",
         "Send mail to the user account specified in the E-mail field", ""},
        {FileMruFirst, "Recent File", "", "Open this document", ""},
        {FileMruFirst + 1, "Recent File", "", "Open this document", ""},
        {FileMruFirst + 2, "Recent File", "", "Open this document", ""},
        {FileMruLast, "Recent File", "", "Open this document", ""},
        {AppExit, "E&xit", "", "Quit the application; prompts to save documents", "Exit"},
        {EditUndo, "&Undo", "Ctrl+Z;Alt+Backspace", "Undo the last action", "Undo"},
        {EditRedo, "Re&do", "Ctrl+Y;Ctrl+Shift+Z", "Redo the last action undone", "Redo"},
        {EditCut, "Cu&t", "Ctrl+X;Shift+Del", "Cut the selection and put it on the Clipboard",
         "Cut"},
        {EditCopy, "&Copy", "Ctrl+C;Ctrl+Ins", "Copy the selection and put it on the Clipboard",
         "Copy"},
        {EditPaste, "&Paste", "Ctrl+V;Shift+Ins", "Insert Clipboard contents", "Paste"},
        {EditPasteSpecial, "Paste &Special...", "", "Insert Clipboard contents with options",
         "Paste Special"},
        {EditCopyEntries, "Copy E&ntries", "", "Copy Entries to the Clipboard", "Copy Entries"},
        {EditProperties, "P&roperties", "", "Set the properties of the Velloby", ""},
        {ActionNewRecord, "&New record", "", "Create a new record", ""},
        {ActionCommit, "&Commit changes to record", "", "Commit changes to the current record", ""},
        {ActionDelete, "&Delete these records", "", "Delete the currently selected record", ""},
        {ActionPrepareSearch, "&Prepare screen for search", "",
         "Clear the fields; enter search criteria in fields", ""},
        {ActionSearch, "&Search the database", "",
         "Search the database based on criteria entered in fields", ""},
        {ActionAddGroup, "&Add a new group", "", "Add a new group", ""},
        {ActionRenameGroup, "&Rename the current group", "", "Rename the current group", ""},
        {ActionDeleteGroup, "D&elete the current group", "", "Delete the current group", ""},
        {ActionFindDuplicates, "&Find Duplicates...", "",
         "Find entries that are probably the same person and merge them", ""},
        {ActionPlaceCall, "P&lace a call...", "", "Place a call using the current phone number",
         ""},
        {ViewToolbar, "&Toolbar", "", "Show or hide the toolbar", "Toggle ToolBar"},
        {ViewStatusBar, "&Status Bar", "", "Show or hide the status bar", "Toggle StatusBar"},
        {HelpIndex, "&Index", "", "List Help topics", "Help Index"},
        {HelpUsing, "&Using Help", "", "Display instructions about how to use help", "Help"},
        {AppAbout, "&About Velloby", "",
         "Display program information, version number and copyright", "About"},
        // Keys only, not in a menu.
        {HelpContext, "Help on a button, menu or window", "Shift+F1",
         "Display help for clicked on buttons, menus and windows", "Help"},
        {Help, "Help", "F1", "Display help for current task or command", "Help"},
        {NextPane, "Next pane", "F6", "", ""},
        {PrevPane, "Previous pane", "Shift+F6", "", ""},
        {ButtonNewRecord, "New record", "Alt+N", "", ""},
        {ButtonCommit, "Commit changes to record", "Alt+U", "", ""},
        {ButtonDelete, "Delete these records", "Alt+D", "", ""},
        {ButtonPrepareSearch, "Prepare screen for search", "Alt+C", "", ""},
        {ButtonSearch, "Search the database", "Alt+S", "", ""},
        {ButtonSendMail, "Send mail", "Alt+M", "", ""},
        {ButtonNewGroup, "Add a new group", "Alt+G", "", ""},
        {ButtonRenameGroup, "Rename the current group", "Alt+R", "", ""},
        {ButtonDeleteGroup, "Delete the current group", "Alt+L", "", ""},
    };
    return commands;
}

CMainFrame::CMainFrame(CVornDoc& doc, QWidget* parent) : CPersistentFrame(parent), m_doc(doc) {
    CVornApp::InitResources();
    setObjectName(QStringLiteral("mainFrame"));
    setAccessibleName(kAppTitle);
    setWindowIcon(CVornApp::AppIcon());
    setAcceptDrops(true);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    ConnectOwnCommands();

    auto* placeholder = new QWidget(this);
    placeholder->setObjectName(QStringLiteral("formPlaceholder"));
    placeholder->setAccessibleName(QStringLiteral("Contacts"));
    setCentralWidget(placeholder);

    m_recentFiles.Load();
    UpdateRecentFileMenu();
    connect(&m_doc, &CVornDoc::modifiedChanged, this, [this] { UpdateTitle(); });
    UpdateTitle();

    // A logout asks the same questions as closing the window.
    if (auto* pApp = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(pApp, &QGuiApplication::commitDataRequest, this, &CMainFrame::OnCommitDataRequest);
}

CMainFrame::~CMainFrame() {
    // A form that is a QObject goes with its widget, a child of this window.
    if (m_pFormView && !dynamic_cast<QObject*>(m_pFormView))
        delete m_pFormView;
}

void CMainFrame::CreateActions() {
    for (const CommandInfo& info : Commands()) {
        auto* action = new QAction(QString::fromUtf8(info.pszText), this);
        action->setObjectName(QStringLiteral("action%1").arg(info.nId));
        QList<QKeySequence> keys;
        for (const QString& key :
             QString::fromLatin1(info.pszShortcuts).split(';', Qt::SkipEmptyParts))
            keys.append(QKeySequence(key));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setStatusTip(QString::fromUtf8(info.pszPrompt));
        if (*info.pszToolTip)
            action->setToolTip(QString::fromUtf8(info.pszToolTip));
        // Until someone handles it.
        action->setEnabled(false);
        addAction(action);
        m_actions.insert(info.nId, action);
    }
    m_actions.value(ViewToolbar)->setCheckable(true);
    m_actions.value(ViewStatusBar)->setCheckable(true);
}

void CMainFrame::CreateMenus() {
    for (const MenuInfo& info : Menus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(info.pszTitle));
        menu->setObjectName(QString::fromLatin1(info.pszObjectName));
        menu->setAccessibleName(QString::fromUtf8(info.pszTitle).remove('&'));
        for (int id : info.listIds) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(m_actions.value(id));
        }
        if (menu->objectName() == QLatin1String("menuFile"))
            m_fileMenu = menu;
        if (menu->objectName() == QLatin1String("menuView"))
            connect(menu, &QMenu::aboutToShow, this, &CMainFrame::SyncBarChecks);
    }
    menuBar()->setObjectName(QStringLiteral("menuBar"));
}

void CMainFrame::CreateToolBar() {
    m_toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setAccessibleName(QStringLiteral("Toolbar"));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->setIconSize(QSize(16, 15));
    for (const ToolInfo& tool : kTools) {
        if (tool.nId == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_actions.value(tool.nId);
        action->setIcon(QIcon(QString::fromLatin1(tool.pszPicture)));
        action->setIconVisibleInMenu(false);
        m_toolBar->addAction(action);
        if (QWidget* button = m_toolBar->widgetForAction(action)) {
            button->setObjectName(QStringLiteral("toolButton%1").arg(tool.nId));
            button->setAccessibleName(action->toolTip());
        }
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    connect(m_toolBar, &QToolBar::visibilityChanged, this, &CMainFrame::SyncBarChecks);
}

void CMainFrame::CreateStatusBar() {
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setAccessibleName(QStringLiteral("Status bar"));
    setStatusBar(m_statusBar);

    m_messagePane = new QLabel(kIdlePrompt, m_statusBar);
    m_messagePane->setObjectName(QStringLiteral("messagePane"));
    m_messagePane->setAccessibleName(QStringLiteral("Message"));
    m_statusBar->addWidget(m_messagePane, 1);

    new CKeyStateIndicators(m_statusBar);
}

void CMainFrame::OpenFirstMenu() {
    const QList<QAction*> menus = menuBar()->actions();
    if (!menus.isEmpty())
        menuBar()->setActiveAction(menus.constFirst());
}

void CMainFrame::ConnectOwnCommands() {
    auto* pMenuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    pMenuKey->setObjectName(QStringLiteral("shortcutMenuBar"));
    connect(pMenuKey, &QShortcut::activated, this, &CMainFrame::OpenFirstMenu);

    const auto handle = [this](int nId, auto slot) {
        QAction* action = m_actions.value(nId);
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, slot);
    };
    handle(FileNew, [this] { NewDocument(); });
    handle(FileOpen, [this] { OnFileOpen(); });
    handle(FileSave, [this] { SaveDocument(); });
    handle(FileSaveAs, [this] { SaveDocumentAs(); });
    for (int i = 0; i < CRecentFileList::kMaxEntries; ++i)
        handle(FileMruFirst + i, [this, i] { OnRecentFile(i); });
    handle(AppExit, [this] { close(); });
    handle(HelpIndex, [this] { OnHelp(); });
    handle(HelpUsing, [this] { OnHelp(); });
    handle(Help, [this] { OnHelp(); });
    handle(HelpContext, [this] { OnHelp(); });
    handle(AppAbout, [this] { OnAbout(); });

    QAction* toolbar = m_actions.value(ViewToolbar);
    toolbar->setEnabled(true);
    toolbar->setChecked(true);
    connect(toolbar, &QAction::triggered, this, [this](bool bChecked) {
        m_toolBar->setVisible(bChecked);
        SyncBarChecks();
    });
    QAction* status = m_actions.value(ViewStatusBar);
    status->setEnabled(true);
    status->setChecked(true);
    connect(status, &QAction::triggered, this, [this](bool bChecked) {
        m_statusBar->setVisible(bChecked);
        SyncBarChecks();
    });
}

void CMainFrame::SyncBarChecks() {
    m_actions.value(ViewToolbar)->setChecked(!m_toolBar->isHidden());
    m_actions.value(ViewStatusBar)->setChecked(!m_statusBar->isHidden());
}

void CMainFrame::OnBarsRestored() {
    SyncBarChecks();
}

QMenu* CMainFrame::Menu(const QString& objectName) const {
    return menuBar()->findChild<QMenu*>(objectName);
}

void CMainFrame::SetFormView(IFormView* pView) {
    if (m_pFormView || !pView)
        return;
    m_pFormView = pView;
    if (QWidget* widget = pView->Widget()) {
        QWidget* old = takeCentralWidget();
        setCentralWidget(widget);
        delete old;
    }
    pView->ConnectCommands(m_actions);
}

void CMainFrame::InitialUpdate() {
    if (m_pFormView)
        m_pFormView->OnInitialUpdate();
}

void CMainFrame::ActivateFrame() {
    const bool bFirst = IsFirstActivation();
    CPersistentFrame::ActivateFrame();
    if (bFirst)
        CSplashWnd::ShowSplash(this);
}

QString CMainFrame::DocumentName() const {
    const QString path = m_doc.GetPathName();
    return path.isEmpty() ? kUntitled : QFileInfo(path).fileName();
}

void CMainFrame::UpdateTitle() {
    // "[*]" is where the platform puts its modified mark; a literal "[*]" in a name is doubled.
    QString name = DocumentName();
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(QStringLiteral("%1[*] - %2").arg(name, kAppTitle));
    setWindowModified(m_doc.IsModified());
}

bool CMainFrame::SaveModified() {
    if (!m_doc.IsModified())
        return true;
    const QString path = m_doc.GetPathName();
    const QString name = path.isEmpty() ? kUntitled : QDir::toNativeSeparators(path);
    switch (
        IPrompt::Ask(this, QStringLiteral("Save changes to %1?").arg(name), IPrompt::YesNoCancel)) {
    case IPrompt::AnswerYes:
        return SaveDocument();
    case IPrompt::AnswerNo:
        return true;
    default:
        return false;
    }
}

bool CMainFrame::CloseDocument() {
    // The form's own edits (a changed entry, a typed new one) are asked about first, as when
    // the program closes; storing one of them then makes the document modified.
    if (m_pFormView && !m_pFormView->QueryClose())
        return false;
    return SaveModified();
}

bool CMainFrame::NewDocument() {
    if (!CloseDocument())
        return false;
    m_doc.OnNewDocument();
    UpdateTitle();
    InitialUpdate();
    return true;
}

void CMainFrame::OnFileOpen() {
    const QString current = m_doc.GetPathName();
    const QString dir = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString path =
        IFileDialogs::Instance().GetOpenFileName(this, QStringLiteral("Open"), dir, kFileFilter);
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    m_bLastOpenFailed = false;
    if (!CloseDocument())
        return false;
    QString error;
    bool bOpened = false;
    {
        CWaitCursor wait;
        bOpened = m_doc.OnOpenDocument(path, &error);
    }
    if (!bOpened) {
        m_bLastOpenFailed = true;
        // A working window with an empty, untitled document, and the reason.
        m_doc.OnNewDocument();
        UpdateTitle();
        InitialUpdate();
        if (error.isEmpty())
            error = QStringLiteral("Cannot open \"%1\".").arg(QDir::toNativeSeparators(path));
        IPrompt::Message(this, error, IPrompt::Critical);
        return false;
    }
    m_doc.SetPathName(QFileInfo(path).absoluteFilePath());
    AddToRecentFiles(m_doc.GetPathName());
    UpdateTitle();
    InitialUpdate();
    emit DocumentOpened();
    return true;
}

bool CMainFrame::SaveDocument() {
    const QString path = m_doc.GetPathName();
    if (path.isEmpty())
        return SaveDocumentAs();
    QString error;
    bool bSaved = false;
    {
        CWaitCursor wait;
        bSaved = m_doc.OnSaveDocument(path, &error);
    }
    if (!bSaved) {
        if (error.isEmpty())
            error = QStringLiteral("Cannot save \"%1\".").arg(QDir::toNativeSeparators(path));
        IPrompt::Message(this, error, IPrompt::Critical);
        return false;
    }
    AddToRecentFiles(path);
    UpdateTitle();
    emit DocumentSaved();
    return true;
}

bool CMainFrame::SaveDocumentAs() {
    const QString current = m_doc.GetPathName();
    const QString suggested = current.isEmpty() ? kUntitled + QStringLiteral(".vby") : current;
    const QString path = IFileDialogs::Instance().GetSaveFileName(
        this, QStringLiteral("Save As"), suggested, kFileFilter, QStringLiteral("vby"));
    if (path.isEmpty())
        return false;
    QString error;
    bool bSaved = false;
    {
        CWaitCursor wait;
        bSaved = m_doc.OnSaveDocument(path, &error);
    }
    if (!bSaved) {
        // The document keeps its old name.
        if (error.isEmpty())
            error = QStringLiteral("Cannot save \"%1\".").arg(QDir::toNativeSeparators(path));
        IPrompt::Message(this, error, IPrompt::Critical);
        return false;
    }
    m_doc.SetPathName(QFileInfo(path).absoluteFilePath());
    AddToRecentFiles(m_doc.GetPathName());
    UpdateTitle();
    emit DocumentSaved();
    return true;
}

void CMainFrame::AddToRecentFiles(const QString& path) {
    m_recentFiles.Add(path);
    m_recentFiles.Save();
    UpdateRecentFileMenu();
}

void CMainFrame::UpdateRecentFileMenu() {
    const QStringList& paths = m_recentFiles.Paths();
    for (int i = 0; i < CRecentFileList::kMaxEntries; ++i) {
        QAction* action = m_actions.value(FileMruFirst + i);
        if (i < paths.size()) {
            action->setText(CRecentFileList::MenuText(i, paths.at(i)));
            action->setEnabled(true);
            action->setVisible(true);
        } else {
            // With no recent file, the first entry shows "Recent File", greyed.
            action->setText(QStringLiteral("Recent File"));
            action->setEnabled(false);
            action->setVisible(i == 0);
        }
    }
}

void CMainFrame::OnRecentFile(int index) {
    if (index < 0 || index >= m_recentFiles.Size())
        return;
    const QString path = m_recentFiles.Paths().at(index);
    // A listed file that cannot be opened any more leaves the list.
    if (!OpenDocumentFile(path) && m_bLastOpenFailed) {
        m_recentFiles.Remove(path);
        m_recentFiles.Save();
        UpdateRecentFileMenu();
    }
}

void CMainFrame::OnHelp() {
    IPrompt::Message(this, kHelpMessage, IPrompt::Information);
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

bool CMainFrame::QueryClose() {
    return CloseDocument();
}

void CMainFrame::OnCommitDataRequest(QSessionManager& manager) {
    // Without leave to ask nothing can be asked; the session goes on ending.
    if (!manager.allowsInteraction())
        return;
    const bool bGoOn = QueryClose();
    if (!bGoOn)
        manager.cancel();
    manager.release();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!QueryClose()) {
        event->ignore();
        return;
    }
    CSplashWnd::HideSplash();
    SavePlacement();
    event->accept();
    emit Closed();
}

QString CMainFrame::DroppedFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls())
        return QString();
    const QList<QUrl> urls = mime->urls();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    activateWindow();
    raise();
    // Opened once the drop is over, so the program that dragged is not kept waiting by the
    // question to save.
    QTimer::singleShot(0, this, [this, path] { OpenDocumentFile(path); });
}
