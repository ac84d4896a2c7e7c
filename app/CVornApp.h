#pragma once

#include "CNotesLabel.h"

#include <QByteArray>
#include <QIcon>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class CMainFrame;
class CVornDoc;
class IFormView;
class QApplication;
class QWidget;

// The program's one application object: the live settings that every part of the contact
// manager consults, and the Notes label of the open contact file (which the file reads and
// writes). Created once by main() (or by a test) before any window.
class CVornApp : public QObject, public CNotesLabel {
    Q_OBJECT
public:
    // Search strictness, as `m_nSearchMode`.
    enum SearchMode { Exact = 0, Good = 1, Fair = 2, Poor = 3 };
    // The profile stores the mode as one of these four numbers, Exact to Poor.
    static constexpr int kSearchProfileBase = 1085;

    // Creates the form for the document inside the main window (may return null).
    using ViewFactory = std::function<IFormView*(CVornDoc& doc, QWidget* parent)>;

    // What start-up takes from the command line.
    struct CommandLine {
        bool bShowSplash = true;
        // The contact file to open; empty for a new document.
        QString strPath;
    };
    // The option that turns the splash off; it counts only as the first argument.
    static const QString kNoSplashOption;

    explicit CVornApp(QObject* parent = nullptr);
    ~CVornApp() override;

    // The one application object (null before one is created).
    static CVornApp* Instance();

    // Reads the options of the profile into the members, with their defaults.
    void ReadSettings();
    // What the program writes at every exit: the dial prefix, whatever its value.
    void WriteExitSettings();

    // `arguments` as QCoreApplication::arguments() gives them, the program first. The words
    // after the program (and after a leading "--nosplash") are joined with single blanks into
    // one path, since the whole command line names one contact file.
    static CommandLine ParseCommandLine(const QStringList& arguments);

    // The whole run of the program: settings, the start-up password, the main window with
    // the form that `makeView` creates, the file of the command line (or a new document), the
    // event loop, and the dial prefix written at exit. Returns the exit code.
    int Run(QApplication& qapp, const ViewFactory& makeView);
    int Run(QApplication& qapp, const QStringList& arguments, const ViewFactory& makeView);

    // Asks for the start-up password when protection is on; false ends the program before any
    // window shows.
    virtual bool CheckStartupPassword();

    // The main window while Run() runs, else null.
    CMainFrame* MainFrame() const { return m_pMainFrame; }

    // Makes the compiled-in pictures available (safe to call more than once).
    static void InitResources();
    // The program's icon at every size it ships.
    static QIcon AppIcon();

    int m_nSearchMode = Exact;
    bool m_bPassword = false;
    bool m_bConfirmDelete = false;
    bool m_bAutoUpdate = false;
    QString m_strDialPrefix;

private:
    CMainFrame* m_pMainFrame = nullptr;
};
