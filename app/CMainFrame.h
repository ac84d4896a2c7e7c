#pragma once

#include "CPersistentFrame.h"
#include "CRecentFileList.h"

#include <QHash>
#include <QList>
#include <QString>

class CVornDoc;
class IFormView;
class QAction;
class QLabel;
class QMenu;
class QSessionManager;
class QStatusBar;
class QToolBar;

// The main window: the menu, the accelerators, the toolbar, the status bar, the document
// commands (New, Open, Save, Save As, the recent files and the prompt to save a modified
// document) and the form in its centre. Every command has one QAction, reached by its id
// (CommandIds.h); an action nobody handles stays disabled.
class CMainFrame : public CPersistentFrame {
    Q_OBJECT
public:
    // What the menus and the toolbar show for one command.
    struct CommandInfo {
        int nId;
        const char* pszText;      // menu text, with its mnemonic
        const char* pszShortcuts; // keys, separated by ';' (empty: none)
        const char* pszPrompt;    // status-bar text
        const char* pszToolTip;   // tool tip (empty: none)
    };
    static const QList<CommandInfo>& Commands();

    static const QString kAppTitle;   // "Velloby"
    static const QString kUntitled;   // the name of a document never saved
    static const QString kFileFilter; // "Address Files (*.vby)"
    static const QString kIdlePrompt; // "For Help, press F1"
    static const QString kHelpMessage;

    explicit CMainFrame(CVornDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Puts the form in the centre and hands it every action. Called once; null keeps a plain
    // centre. An IFormView that is not a QObject is deleted with the frame; a QObject form is
    // owned by Qt through its widget.
    void SetFormView(IFormView* pView);
    IFormView* FormView() const { return m_pFormView; }

    CVornDoc& Doc() const { return m_doc; }
    QAction* Action(int nId) const { return m_actions.value(nId); }
    const QHash<int, QAction*>& Actions() const { return m_actions; }
    CRecentFileList& RecentFiles() { return m_recentFiles; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QStatusBar* StatusBar() const { return m_statusBar; }
    QMenu* Menu(const QString& objectName) const;

    // The document's name as the title and the prompts show it: the file name, or "Untitled".
    QString DocumentName() const;

    // New: asks about the form's edits and to save a modified document first (CloseDocument);
    // false when the user cancelled.
    bool NewDocument();
    // Opens `path` in place of the current document, after the same questions as New.
    // A file that cannot be opened is reported, naming the file and the reason, and leaves an
    // empty, untitled document. False when cancelled or failed.
    bool OpenDocumentFile(const QString& path);
    // Save: writes the file, modified or not; an untitled document goes to Save As.
    bool SaveDocument();
    // Save As: asks for a name and writes the file there.
    bool SaveDocumentAs();
    // The question "Save changes to ...?" when the document is modified. Yes saves (false if
    // that fails or is cancelled), No goes on, Cancel returns false and changes nothing.
    bool SaveModified();
    // The questions before the document is closed or replaced: first about edits the form has
    // not stored in an entry, then "Save changes to ...?". False when the user cancelled (or a
    // save failed).
    bool CloseDocument();
    // The same questions before the program closes.
    bool QueryClose();

    void ActivateFrame() override;

signals:
    // The window closed for good (the user did not cancel).
    void Closed();
    // A contact file was opened and the form shows it.
    void DocumentOpened();
    // Save or Save As wrote the document to its file.
    void DocumentSaved();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QToolBar* PersistentToolBar() const override { return m_toolBar; }
    QStatusBar* PersistentStatusBar() const override { return m_statusBar; }

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void ConnectOwnCommands();
    void OnBarsRestored() override;
    void UpdateTitle();
    void UpdateRecentFileMenu();
    void AddToRecentFiles(const QString& path);
    void OnRecentFile(int index);
    void OnFileOpen();
    void OnHelp();
    void OnAbout();
    void SyncBarChecks();
    // The desktop session is ending (logout): the closing questions, when the session lets the
    // program ask; Cancel asks the session to stay.
    void OnCommitDataRequest(QSessionManager& manager);
    // F10: opens the first menu, as on other desktops' programs.
    void OpenFirstMenu();
    void InitialUpdate();
    // The local contact file of a drag, or empty.
    static QString DroppedFile(const class QMimeData* mime);

    CVornDoc& m_doc;
    IFormView* m_pFormView = nullptr;
    QHash<int, QAction*> m_actions;
    CRecentFileList m_recentFiles;
    QToolBar* m_toolBar = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    QLabel* m_messagePane = nullptr;
    // The last OpenDocumentFile failed to read its file (rather than being cancelled).
    bool m_bLastOpenFailed = false;
};
