#include "CAboutDlg.h"
#include "CMainFrame.h"
#include "CMemoryProfile.h"
#include "CScriptedFileDialogs.h"
#include "CScriptedPrompt.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CommandIds.h"
#include "IFormView.h"
#include "TestUtil.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWindow>
#include <memory>

using namespace CommandId;

namespace {

// A form double: counts the refreshes, takes the New record command and enables it.
class CFakeForm : public IFormView {
public:
    explicit CFakeForm(bool* pDeleted) : m_pDeleted(pDeleted) {
        m_widget = new QWidget;
        m_widget->setObjectName("fakeForm");
    }
    ~CFakeForm() override { *m_pDeleted = true; }
    QWidget* Widget() override { return m_widget; }
    void OnInitialUpdate() override { ++m_nUpdates; }
    void ConnectCommands(const QHash<int, QAction*>& actions) override {
        ++m_nConnects;
        m_actions = actions;
        QAction* action = actions.value(ActionNewRecord);
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, [this] { ++m_nNewRecords; });
    }
    QWidget* m_widget;
    bool* m_pDeleted;
    int m_nUpdates = 0;
    int m_nConnects = 0;
    int m_nNewRecords = 0;
    QHash<int, QAction*> m_actions;
};

QString Joined(const QList<QKeySequence>& keys) {
    QStringList texts;
    for (const QKeySequence& key : keys)
        texts.append(key.toString(QKeySequence::PortableText));
    return texts.join(';');
}

} // namespace

// The main window driven headless: its menus, bars and document commands.
class TestMainFrame : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void menuOrder_data();
    void menuOrder();
    void commandTexts_data();
    void commandTexts();
    void onlyHandledCommandsEnabled();
    void toolBarButtons();
    void statusBarPanes();
    void flyByHelp();
    void titleShowsNameAndModifiedMark();
    void newOnModifiedDocument_data();
    void newOnModifiedDocument();
    void exitOnModifiedDocument_data();
    void exitOnModifiedDocument();
    void openFromCommandLine();
    void damagedFileFromCommandLine();
    void openDamagedFile();
    void openCancelledKeepsDocument();
    void saveAlwaysWrites();
    void saveAs();
    void saveFailureIsReported();
    void tooManyEntriesAreNotSaved();
    void recentFiles();
    void recentFileThatIsGoneLeavesList();
    void dropOpensContactFile();
    void formHook();
    void helpCommandsSayThereIsNoHelp();
    void aboutBox();

private:
    QString Path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CMemoryProfile> m_profile;
    std::unique_ptr<CScriptedPrompt> m_prompt;
    std::unique_ptr<CScriptedFileDialogs> m_dialogs;
    std::unique_ptr<CVornApp> m_app;
    std::unique_ptr<CVornDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

void TestMainFrame::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile = std::make_unique<CMemoryProfile>();
    m_prompt = std::make_unique<CScriptedPrompt>();
    m_dialogs = std::make_unique<CScriptedFileDialogs>();
    m_app = std::make_unique<CVornApp>();
    m_doc = std::make_unique<CVornDoc>(*m_app);
    m_frame = std::make_unique<CMainFrame>(*m_doc);
    m_frame->ActivateFrame();
    m_frame->NewDocument();
}

void TestMainFrame::cleanup() {
    m_frame.reset();
    m_doc.reset();
    m_app.reset();
    m_dialogs.reset();
    m_prompt.reset();
    m_profile.reset();
    m_dir.reset();
}

void TestMainFrame::menuOrder_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items"); // "-" is a separator
    QTest::newRow("File") << "menuFile"
                          << "&File"
                          << QStringList{"&New",
                                         "&Open...",
                                         "&Save",
                                         "Save &As...",
                                         "-",
                                         "&Import...",
                                         "Add From Fi&le...",
                                         "&Export...",
                                         "-",
                                         "S&ynchronize...",
                                         "Synchroni&ze Now",
                                         "-",
                                         "&Print...",
                                         "Print Pre&view",
                                         "P&rint Setup...",
                                         "Print a &Formatted Report...",
                                         "-",
                                         "Sen&d Mail...",
                                         "-",
                                         "Recent File",
                                         "-",
                                         "E&xit"};
    QTest::newRow("Edit")
        << "menuEdit"
        << "&Edit"
        << QStringList{
               "&Undo", "Re&do",         "-", "Cu&t",       "&Copy", "&Paste", "Paste &Special...",
               "-",     "Copy E&ntries", "-", "P&roperties"};
    QTest::newRow("Action") << "menuAction"
                            << "&Action"
                            << QStringList{"&New record",
                                           "&Commit changes to record",
                                           "&Delete these records",
                                           "-",
                                           "&Prepare screen for search",
                                           "&Search the database",
                                           "-",
                                           "&Add a new group",
                                           "&Rename the current group",
                                           "D&elete the current group",
                                           "-",
                                           "&Find Duplicates...",
                                           "-",
                                           "P&lace a call..."};
    QTest::newRow("View") << "menuView"
                          << "&View" << QStringList{"&Toolbar", "&Status Bar"};
    QTest::newRow("Help") << "menuHelp"
                          << "&Help" << QStringList{"&Index", "&Using Help", "-", "&About Velloby"};
}

void TestMainFrame::menuOrder() {
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(QStringList, items);
    QMenu* pMenu = m_frame->Menu(menu);
    QVERIFY(pMenu);
    QCOMPARE(pMenu->title(), title);
    QStringList shown;
    for (QAction* action : pMenu->actions()) {
        if (action->isVisible())
            shown.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    QCOMPARE(shown, items);
    // By keyboard each item is reached by its own letter: no two items share a mnemonic.
    QHash<QChar, QString> letters;
    for (const QString& item : shown) {
        const qsizetype at = item.indexOf(QLatin1Char('&'));
        if (at < 0 || at + 1 >= item.size())
            continue;
        const QChar letter = item.at(at + 1).toLower();
        QVERIFY2(!letters.contains(letter),
                 qPrintable(letters.value(letter) + QStringLiteral(" and ") + item));
        letters.insert(letter, item);
    }
}

void TestMainFrame::commandTexts_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("tip");
    QTest::newRow("New") << FileNew << "Ctrl+N"
                         << "Create a new document"
                         << "New";
    QTest::newRow("Open") << FileOpen << "Ctrl+O"
                          << "Open an existing document"
                          << "Open";
    QTest::newRow("Save") << FileSave << "Ctrl+S"
                          << "Save the active document"
                          << "Save";
    QTest::newRow("Save As") << FileSaveAs << ""
                             << "Save the active document with a new name"
                             << "Save As";
    QTest::newRow("Import") << FileImport << ""
                            << "Run the Import Facility to convert a text file to the Velloby "
                               "format"
                            << "";
    QTest::newRow("Print") << FilePrint << "Ctrl+P"
                           << "Print the active document"
                           << "Print";
    QTest::newRow("Preview") << FilePrintPreview << ""
                             << "Display full pages"
                             << "Print Preview";
    QTest::newRow("Setup") << FilePrintSetup << ""
                           << "Change the printer and printing options"
                           << "Print Setup";
    QTest::newRow("Report") << FileFormattedReport << ""
                            << "Prints entries in the listbox to a text file for use in "
                               "spreadsheets or word processors"
                            << "";
    QTest::newRow("Mail") << FileSendMail << ""
                          << "Send mail to the user account specified in the E-mail field"
                          << "";
    QTest::newRow("Recent") << FileMruFirst << ""
                            << "Open this document"
                            << "";
    QTest::newRow("Exit") << AppExit << ""
                          << "Quit the application; prompts to save documents"
                          << "Exit";
    QTest::newRow("Undo") << EditUndo << "Ctrl+Z;Alt+Backspace"
                          << "Undo the last action"
                          << "Undo";
    QTest::newRow("Cut") << EditCut << "Ctrl+X;Shift+Del"
                         << "Cut the selection and put it on the Clipboard"
                         << "Cut";
    QTest::newRow("Copy") << EditCopy << "Ctrl+C;Ctrl+Ins"
                          << "Copy the selection and put it on the Clipboard"
                          << "Copy";
    QTest::newRow("Paste") << EditPaste << "Ctrl+V;Shift+Ins"
                           << "Insert Clipboard contents"
                           << "Paste";
    QTest::newRow("Paste Special") << EditPasteSpecial << ""
                                   << "Insert Clipboard contents with options"
                                   << "Paste Special";
    QTest::newRow("Copy Entries") << EditCopyEntries << ""
                                  << "Copy Entries to the Clipboard"
                                  << "Copy Entries";
    QTest::newRow("Properties") << EditProperties << ""
                                << "Set the properties of the Velloby"
                                << "";
    QTest::newRow("New record") << ActionNewRecord << ""
                                << "Create a new record"
                                << "";
    QTest::newRow("Commit") << ActionCommit << ""
                            << "Commit changes to the current record"
                            << "";
    QTest::newRow("Delete") << ActionDelete << ""
                            << "Delete the currently selected record"
                            << "";
    QTest::newRow("Prepare") << ActionPrepareSearch << ""
                             << "Clear the fields; enter search criteria in fields"
                             << "";
    QTest::newRow("Search") << ActionSearch << ""
                            << "Search the database based on criteria entered in fields"
                            << "";
    QTest::newRow("Add group") << ActionAddGroup << ""
                               << "Add a new group"
                               << "";
    QTest::newRow("Rename group") << ActionRenameGroup << ""
                                  << "Rename the current group"
                                  << "";
    QTest::newRow("Delete group") << ActionDeleteGroup << ""
                                  << "Delete the current group"
                                  << "";
    QTest::newRow("Call") << ActionPlaceCall << ""
                          << "Place a call using the current phone number"
                          << "";
    QTest::newRow("Toolbar") << ViewToolbar << ""
                             << "Show or hide the toolbar"
                             << "Toggle ToolBar";
    QTest::newRow("Status Bar") << ViewStatusBar << ""
                                << "Show or hide the status bar"
                                << "Toggle StatusBar";
    QTest::newRow("Help Index") << HelpIndex << ""
                                << "List Help topics"
                                << "Help Index";
    QTest::newRow("Using Help") << HelpUsing << ""
                                << "Display instructions about how to use help"
                                << "Help";
    QTest::newRow("About") << AppAbout << ""
                           << "Display program information, version number and copyright"
                           << "About";
    QTest::newRow("Context help") << HelpContext << "Shift+F1"
                                  << "Display help for clicked on buttons, menus and windows"
                                  << "Help";
    QTest::newRow("Help") << Help << "F1"
                          << "Display help for current task or command"
                          << "Help";
    QTest::newRow("Next pane") << NextPane << "F6"
                               << ""
                               << "";
    QTest::newRow("Previous pane") << PrevPane << "Shift+F6"
                                   << ""
                                   << "";
    QTest::newRow("NEW button") << ButtonNewRecord << "Alt+N"
                                << ""
                                << "";
    QTest::newRow("UPDATE button") << ButtonCommit << "Alt+U"
                                   << ""
                                   << "";
    QTest::newRow("DELETE button") << ButtonDelete << "Alt+D"
                                   << ""
                                   << "";
    QTest::newRow("CLEAR button") << ButtonPrepareSearch << "Alt+C"
                                  << ""
                                  << "";
    QTest::newRow("FIND button") << ButtonSearch << "Alt+S"
                                 << ""
                                 << "";
    QTest::newRow("EMAIL button") << ButtonSendMail << "Alt+M"
                                  << ""
                                  << "";
    QTest::newRow("NEWG button") << ButtonNewGroup << "Alt+G"
                                 << ""
                                 << "";
    QTest::newRow("RENAME button") << ButtonRenameGroup << "Alt+R"
                                   << ""
                                   << "";
    QTest::newRow("DELETEG button") << ButtonDeleteGroup << "Alt+L"
                                    << ""
                                    << "";
}

void TestMainFrame::commandTexts() {
    QFETCH(int, id);
    QFETCH(QString, keys);
    QFETCH(QString, prompt);
    QFETCH(QString, tip);
    QAction* action = m_frame->Action(id);
    QVERIFY(action);
    QCOMPARE(Joined(action->shortcuts()), keys);
    QCOMPARE(action->statusTip(), prompt);
    if (!tip.isEmpty())
        QCOMPARE(action->toolTip(), tip);
}

void TestMainFrame::onlyHandledCommandsEnabled() {
    const QList<int> handled = {FileNew,   FileOpen,    FileSave,      FileSaveAs,
                                AppExit,   ViewToolbar, ViewStatusBar, HelpIndex,
                                HelpUsing, AppAbout,    Help,          HelpContext};
    for (const CMainFrame::CommandInfo& info : CMainFrame::Commands()) {
        const bool bRecent = info.nId >= FileMruFirst && info.nId <= FileMruLast;
        if (bRecent)
            continue; // enabled while it names a file: see recentFiles()
        QVERIFY2(m_frame->Action(info.nId)->isEnabled() == handled.contains(info.nId),
                 qPrintable(QString::number(info.nId)));
    }
    // With no recent file, "Recent File" is shown greyed.
    QVERIFY(!m_frame->Action(FileMruFirst)->isEnabled());
}

void TestMainFrame::toolBarButtons() {
    QStringList tips;
    for (QAction* action : m_frame->ToolBar()->actions())
        tips.append(action->isSeparator() ? QStringLiteral("-") : action->toolTip());
    QCOMPARE(tips, (QStringList{"New", "Open", "Save", "-", "Synchronize Now", "-", "Cut", "Copy",
                                "Paste", "-", "Print", "About"}));
    for (QAction* action : m_frame->ToolBar()->actions()) {
        if (!action->isSeparator())
            QVERIFY(!action->icon().isNull());
    }
    // The toolbar's About button shows the About box like the menu item: one action.
    QCOMPARE(m_frame->ToolBar()->actions().last(), m_frame->Action(AppAbout));
}

void TestMainFrame::statusBarPanes() {
    QStatusBar* bar = m_frame->StatusBar();
    QList<QLabel*> panes = bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    QStringList texts;
    for (QLabel* pane : panes)
        texts.append(pane->text());
    QCOMPARE(texts, (QStringList{"For Help, press F1", "CAP", "NUM", "SCRL"}));
    // The indicators stay at the right; the message pane takes the rest.
    QVERIFY(panes[0]->x() < panes[1]->x());
    QVERIFY(panes[1]->x() < panes[2]->x() && panes[2]->x() < panes[3]->x());
}

void TestMainFrame::flyByHelp() {
    // A highlighted menu item puts its prompt in the message pane.
    m_frame->Action(FileSaveAs)->showStatusText(m_frame.get());
    QCOMPARE(m_frame->StatusBar()->currentMessage(),
             QStringLiteral("Save the active document with a new name"));
    m_frame->StatusBar()->clearMessage();
    // Resting on a toolbar button does the same.
    QWidget* button = m_frame->ToolBar()->widgetForAction(m_frame->Action(FileNew));
    QVERIFY(button);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(button, &enter);
    QCOMPARE(m_frame->StatusBar()->currentMessage(), QStringLiteral("Create a new document"));
    QCOMPARE(button->toolTip(), QStringLiteral("New"));
}

void TestMainFrame::titleShowsNameAndModifiedMark() {
    QWindow* window = m_frame->windowHandle();
    QVERIFY(window);
    QCOMPARE(window->title(), QStringLiteral("Untitled - Velloby"));
    AddEntry(*m_doc, "Ann");
    QCOMPARE(window->title(), QStringLiteral("Untitled* - Velloby"));
    m_dialogs->QueueAnswer(Path("Friends.vby"));
    QVERIFY(m_frame->SaveDocument());
    QCOMPARE(window->title(), QStringLiteral("Friends.vby - Velloby"));
    m_doc->SetModifiedFlag(true);
    QCOMPARE(window->title(), QStringLiteral("Friends.vby* - Velloby"));
}

void TestMainFrame::newOnModifiedDocument_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::addColumn<bool>("saved");
    QTest::newRow("Yes") << int(IPrompt::AnswerYes) << true << true;
    QTest::newRow("No") << int(IPrompt::AnswerNo) << true << false;
    QTest::newRow("Cancel") << int(IPrompt::AnswerCancel) << false << false;
}

void TestMainFrame::newOnModifiedDocument() {
    QFETCH(int, answer);
    QFETCH(bool, replaced);
    QFETCH(bool, saved);
    const QString path = Path("a.vby");
    QVERIFY(WriteContactFile(path, {"Ann"}));
    QVERIFY(m_frame->OpenDocumentFile(path));
    AddEntry(*m_doc, "Bob");
    m_prompt->QueueAnswer(IPrompt::Answer(answer));
    m_frame->Action(FileNew)->trigger();

    QCOMPARE(m_prompt->m_texts,
             QStringList{"Save changes to " + QDir::toNativeSeparators(path) + "?"});
    QCOMPARE(m_prompt->m_buttons.value(0), IPrompt::YesNoCancel);
    QCOMPARE(m_doc->m_personList.size(), replaced ? size_t(0) : size_t(2));
    QCOMPARE(m_doc->GetPathName().isEmpty(), replaced);
    QCOMPARE(m_doc->IsModified(), !replaced);

    CNotesLabel label;
    CVornDoc check(label);
    QVERIFY(check.OnOpenDocument(path));
    QCOMPARE(check.m_personList.size(), saved ? size_t(2) : size_t(1));

    // An untitled document saved from the question asks for a name first.
    if (answer == IPrompt::AnswerYes) {
        m_prompt->m_texts.clear();
        AddEntry(*m_doc, "Cy");
        m_prompt->QueueAnswer(IPrompt::AnswerYes);
        m_dialogs->QueueAnswer(Path("b.vby"));
        QVERIFY(m_frame->NewDocument());
        QCOMPARE(m_prompt->m_texts, QStringList{"Save changes to Untitled?"});
        QVERIFY(check.OnOpenDocument(Path("b.vby")));
        QCOMPARE(check.m_personList.size(), size_t(1));
        // Cancelling that name keeps everything.
        AddEntry(*m_doc, "Di");
        m_prompt->QueueAnswer(IPrompt::AnswerYes);
        QVERIFY(!m_frame->NewDocument());
        QCOMPARE(m_doc->m_personList.size(), size_t(1));
        QVERIFY(m_doc->IsModified());
    }
}

void TestMainFrame::exitOnModifiedDocument_data() {
    newOnModifiedDocument_data();
}

void TestMainFrame::exitOnModifiedDocument() {
    QFETCH(int, answer);
    QFETCH(bool, replaced);
    QFETCH(bool, saved);
    const QString path = Path("a.vby");
    QVERIFY(WriteContactFile(path, {"Ann"}));
    QVERIFY(m_frame->OpenDocumentFile(path));
    AddEntry(*m_doc, "Bob");
    bool bClosed = false;
    connect(m_frame.get(), &CMainFrame::Closed, this, [&] { bClosed = true; });
    m_prompt->QueueAnswer(IPrompt::Answer(answer));
    m_frame->Action(AppExit)->trigger();

    QCOMPARE(m_prompt->m_texts.size(), 1);
    QCOMPARE(bClosed, replaced);
    QCOMPARE(m_frame->isVisible(), !replaced);
    CNotesLabel label;
    CVornDoc check(label);
    QVERIFY(check.OnOpenDocument(path));
    QCOMPARE(check.m_personList.size(), saved ? size_t(2) : size_t(1));
    if (!replaced) {
        // Cancel kept everything as it was.
        QVERIFY(m_doc->IsModified());
        QCOMPARE(m_doc->m_personList.size(), size_t(2));
        QCOMPARE(m_doc->GetPathName(), QFileInfo(path).absoluteFilePath());
    }
}

void TestMainFrame::openFromCommandLine() {
    // The words after the program are one path, blanks and all.
    const QString path = Path("My Contacts.vby");
    QVERIFY(WriteContactFile(path, {"Ann", "Bob"}));
    m_frame.reset();
    CVornApp app;
    QString strOpened;
    size_t nEntries = 0;
    QString strTitle;
    QTimer::singleShot(0, this, [&] {
        CMainFrame* frame = app.MainFrame();
        strOpened = frame->Doc().GetPathName();
        nEntries = frame->Doc().m_personList.size();
        strTitle = frame->windowHandle()->title();
        frame->close();
    });
    const QStringList words = path.split(' ');
    QCOMPARE(app.Run(*qApp, QStringList{"velloby"} + words, nullptr), 0);
    QCOMPARE(strOpened, QFileInfo(path).absoluteFilePath());
    QCOMPARE(nEntries, size_t(2));
    QCOMPARE(strTitle, QStringLiteral("My Contacts.vby - Velloby"));
    QVERIFY(m_prompt->m_texts.isEmpty());
    QCOMPARE(m_profile->GetProfileString("Recent File List", "File1", QString()),
             QFileInfo(path).absoluteFilePath());
}

void TestMainFrame::damagedFileFromCommandLine() {
    const QString path = Path("damaged.vby");
    QVERIFY(WriteBytes(path, QByteArray::fromHex("0f00000001000a41")));
    m_frame.reset();
    CVornApp app;
    bool bWorking = false;
    QTimer::singleShot(0, this, [&] {
        CMainFrame* frame = app.MainFrame();
        bWorking = frame->isVisible() && frame->Doc().GetPathName().isEmpty() &&
                   frame->Doc().m_personList.empty() && frame->Action(FileNew)->isEnabled() &&
                   frame->windowHandle()->title() == QStringLiteral("Untitled - Velloby");
        frame->close();
    });
    QCOMPARE(app.Run(*qApp, {"velloby", path}, nullptr), 0);
    QVERIFY(bWorking);
    QCOMPARE(m_prompt->m_texts.size(), 1);
    QVERIFY2(m_prompt->m_texts[0].contains(path), qPrintable(m_prompt->m_texts[0]));
    QVERIFY(m_prompt->m_texts[0].contains("damaged"));

    // A missing file says so.
    m_prompt->m_texts.clear();
    QTimer::singleShot(0, this, [&] { app.MainFrame()->close(); });
    app.Run(*qApp, {"velloby", Path("nothere.vby")}, nullptr);
    QCOMPARE(m_prompt->m_texts.size(), 1);
    QVERIFY(m_prompt->m_texts[0].contains(Path("nothere.vby")));
    QVERIFY(m_prompt->m_texts[0].contains("does not exist"));
}

void TestMainFrame::openDamagedFile() {
    const QString good = Path("good.vby");
    QVERIFY(WriteContactFile(good, {"Ann"}));
    QVERIFY(m_frame->OpenDocumentFile(good));
    m_app->m_strCustomLabel = "Birthday";

    const QString damaged = Path("damaged.vby");
    QByteArray bytes = ReadBytes(good);
    bytes.chop(6); // ends inside the Notes label
    QVERIFY(WriteBytes(damaged, bytes));
    m_dialogs->QueueAnswer(damaged);
    m_frame->Action(FileOpen)->trigger();

    QCOMPARE(m_dialogs->m_requests.size(), 1);
    QCOMPARE(m_dialogs->m_requests[0].strFilter, QStringLiteral("Address Files (*.vby)"));
    QCOMPARE(m_prompt->m_texts.size(), 1);
    QVERIFY(m_prompt->m_texts[0].contains(damaged));
    QVERIFY(m_doc->m_personList.empty());
    QVERIFY(m_doc->GetPathName().isEmpty());
    QVERIFY(!m_doc->IsModified());
    QCOMPARE(m_app->m_strCustomLabel, QByteArray("Notes"));
    QCOMPARE(m_frame->windowHandle()->title(), QStringLiteral("Untitled - Velloby"));
    // A failed file does not join the recent files; the good one stays.
    QCOMPARE(m_frame->RecentFiles().Paths(), QStringList{QFileInfo(good).absoluteFilePath()});
    // The window goes on working.
    m_dialogs->QueueAnswer(good);
    m_frame->Action(FileOpen)->trigger();
    QCOMPARE(m_doc->m_personList.size(), size_t(1));
}

void TestMainFrame::openCancelledKeepsDocument() {
    AddEntry(*m_doc, "Ann");
    m_frame->Action(FileOpen)->trigger(); // no file chosen
    QCOMPARE(m_doc->m_personList.size(), size_t(1));
    QVERIFY(m_prompt->m_texts.isEmpty());

    const QString other = Path("other.vby");
    QVERIFY(WriteContactFile(other, {"X", "Y"}));
    m_dialogs->QueueAnswer(other);
    m_prompt->QueueAnswer(IPrompt::AnswerCancel);
    m_frame->Action(FileOpen)->trigger();
    QCOMPARE(m_doc->m_personList.size(), size_t(1));
    QVERIFY(m_doc->GetPathName().isEmpty());
    QVERIFY(m_doc->IsModified());
}

void TestMainFrame::saveAlwaysWrites() {
    const QString path = Path("a.vby");
    QVERIFY(WriteContactFile(path, {"Ann"}));
    QVERIFY(m_frame->OpenDocumentFile(path));
    const QByteArray original = ReadBytes(path);
    QVERIFY(WriteBytes(path, "changed behind our back"));
    QVERIFY(!m_doc->IsModified());
    m_frame->Action(FileSave)->trigger();
    QCOMPARE(ReadBytes(path), original);
    QVERIFY(m_dialogs->m_requests.isEmpty());
    QVERIFY(m_prompt->m_texts.isEmpty());
}

void TestMainFrame::saveAs() {
    const QString first = Path("first.vby");
    QVERIFY(WriteContactFile(first, {"Ann"}));
    QVERIFY(m_frame->OpenDocumentFile(first));
    AddEntry(*m_doc, "Bob");
    const QString second = Path("second.vby");
    m_dialogs->QueueAnswer(second);
    m_frame->Action(FileSaveAs)->trigger();

    QCOMPARE(m_dialogs->m_requests.size(), 1);
    const CScriptedFileDialogs::Request& request = m_dialogs->m_requests[0];
    QVERIFY(request.bSave);
    QCOMPARE(request.strSuggested, QFileInfo(first).absoluteFilePath());
    QCOMPARE(request.strFilter, QStringLiteral("Address Files (*.vby)"));
    QCOMPARE(request.strDefaultSuffix, QStringLiteral("vby"));
    QCOMPARE(m_doc->GetPathName(), QFileInfo(second).absoluteFilePath());
    QVERIFY(!m_doc->IsModified());
    QCOMPARE(m_frame->windowHandle()->title(), QStringLiteral("second.vby - Velloby"));
    CNotesLabel label;
    CVornDoc check(label);
    QVERIFY(check.OnOpenDocument(second));
    QCOMPARE(check.m_personList.size(), size_t(2));
    QVERIFY(check.OnOpenDocument(first));
    QCOMPARE(check.m_personList.size(), size_t(1));
    QCOMPARE(m_frame->RecentFiles().Paths().value(0), QFileInfo(second).absoluteFilePath());

    // Cancelling the dialog changes nothing.
    m_doc->SetModifiedFlag(true);
    m_frame->Action(FileSaveAs)->trigger();
    QCOMPARE(m_doc->GetPathName(), QFileInfo(second).absoluteFilePath());
    QVERIFY(m_doc->IsModified());
}

void TestMainFrame::saveFailureIsReported() {
    AddEntry(*m_doc, "Ann");
    const QString bad = Path("no-such-folder/a.vby");
    m_dialogs->QueueAnswer(bad);
    QVERIFY(!m_frame->SaveDocumentAs());
    QCOMPARE(m_prompt->m_texts.size(), 1);
    QVERIFY(m_prompt->m_texts[0].contains(bad));
    QVERIFY(m_doc->GetPathName().isEmpty());
    QVERIFY(m_doc->IsModified());
    QCOMPARE(m_frame->windowHandle()->title(), QStringLiteral("Untitled* - Velloby"));
    QVERIFY(m_frame->RecentFiles().Paths().isEmpty());
}

void TestMainFrame::tooManyEntriesAreNotSaved() {
    const QString path = Path("big.vby");
    QVERIFY(WriteContactFile(path, {"Ann"}));
    QVERIFY(m_frame->OpenDocumentFile(path));
    const QByteArray before = ReadBytes(path);
    for (int i = 0; i < CVornDoc::kMaxEntries; ++i)
        m_doc->m_personList.push_back(std::make_unique<CPerson>());
    m_doc->SetModifiedFlag(true);
    QVERIFY(!m_frame->SaveDocument());
    QCOMPARE(m_prompt->m_texts.size(), 1);
    QVERIFY(m_prompt->m_texts[0].contains("65535"));
    QVERIFY(m_doc->IsModified());
    QCOMPARE(ReadBytes(path), before);
}

void TestMainFrame::recentFiles() {
    QStringList paths;
    for (int i = 1; i <= 5; ++i) {
        paths.append(QFileInfo(Path(QStringLiteral("f%1.vby").arg(i))).absoluteFilePath());
        QVERIFY(WriteContactFile(paths.last(), {QByteArray::number(i)}));
        QVERIFY(m_frame->OpenDocumentFile(paths.last()));
    }
    const QStringList expected = {paths[4], paths[3], paths[2], paths[1]};
    QCOMPARE(m_frame->RecentFiles().Paths(), expected);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(m_profile->GetProfileString("Recent File List",
                                             QStringLiteral("File%1").arg(i + 1), QString()),
                 expected[i]);
        QAction* action = m_frame->Action(FileMruFirst + i);
        QVERIFY(action->isEnabled() && action->isVisible());
        QVERIFY(action->text().startsWith(QStringLiteral("&%1 ").arg(i + 1)));
        QVERIFY(action->text().endsWith(QFileInfo(expected[i]).fileName()));
    }
    // Choosing the third entry opens it and moves it to the top.
    m_frame->Action(FileMruFirst + 2)->trigger();
    QCOMPARE(m_doc->GetPathName(), paths[2]);
    QCOMPARE(m_frame->RecentFiles().Paths(), (QStringList{paths[2], paths[4], paths[3], paths[1]}));

    // The next run finds the same list.
    CVornApp app;
    CVornDoc doc(app);
    CMainFrame next(doc);
    QCOMPARE(next.RecentFiles().Paths(), m_frame->RecentFiles().Paths());
    QVERIFY(next.Action(FileMruLast)->isVisible());
}

void TestMainFrame::recentFileThatIsGoneLeavesList() {
    const QString a = QFileInfo(Path("a.vby")).absoluteFilePath();
    const QString b = QFileInfo(Path("b.vby")).absoluteFilePath();
    QVERIFY(WriteContactFile(a, {"A"}));
    QVERIFY(WriteContactFile(b, {"B"}));
    QVERIFY(m_frame->OpenDocumentFile(a));
    QVERIFY(m_frame->OpenDocumentFile(b));
    QVERIFY(QFile::remove(a));
    m_frame->Action(FileMruFirst + 1)->trigger();
    QCOMPARE(m_prompt->m_texts.size(), 1);
    QVERIFY(m_prompt->m_texts[0].contains(a));
    QCOMPARE(m_frame->RecentFiles().Paths(), QStringList{b});
    QVERIFY(!m_frame->Action(FileMruFirst + 1)->isVisible());
    QCOMPARE(m_profile->GetProfileString("Recent File List", "File2", "x"), QString());
}

void TestMainFrame::dropOpensContactFile() {
    const QString path = QFileInfo(Path("dropped.vby")).absoluteFilePath();
    QVERIFY(WriteContactFile(path, {"Ann", "Bob", "Cy"}));

    QMimeData web;
    web.setUrls({QUrl("https://example.org/a.vby")});
    QDragEnterEvent refuse(QPoint(10, 10), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    refuse.setAccepted(false);
    QApplication::sendEvent(m_frame.get(), &refuse);
    QVERIFY(!refuse.isAccepted());

    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &file, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(m_frame.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &file, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_frame.get(), &drop);
    QTRY_COMPARE(m_doc->GetPathName(), path);
    QCOMPARE(m_doc->m_personList.size(), size_t(3));
}

void TestMainFrame::formHook() {
    m_frame.reset();
    bool bDeleted = false;
    auto* form = new CFakeForm(&bDeleted);
    m_frame = std::make_unique<CMainFrame>(*m_doc);
    m_frame->SetFormView(form);
    QCOMPARE(m_frame->centralWidget(), form->m_widget);
    QCOMPARE(form->m_nConnects, 1);
    // Every action, by id.
    for (const CMainFrame::CommandInfo& info : CMainFrame::Commands())
        QCOMPARE(form->m_actions.value(info.nId), m_frame->Action(info.nId));
    QCOMPARE(form->m_actions.size(), CMainFrame::Commands().size());
    // The form enabled and handles the one it took.
    QVERIFY(m_frame->Action(ActionNewRecord)->isEnabled());
    m_frame->Action(ActionNewRecord)->trigger();
    QCOMPARE(form->m_nNewRecords, 1);

    // A refresh after New and after Open, failed or not.
    m_frame->ActivateFrame();
    QVERIFY(m_frame->NewDocument());
    QCOMPARE(form->m_nUpdates, 1);
    const QString path = Path("a.vby");
    QVERIFY(WriteContactFile(path, {"Ann"}));
    QVERIFY(m_frame->OpenDocumentFile(path));
    QCOMPARE(form->m_nUpdates, 2);
    QVERIFY(!m_frame->OpenDocumentFile(Path("missing.vby")));
    QCOMPARE(form->m_nUpdates, 3);
    // Not after a cancelled New.
    AddEntry(*m_doc, "Bob");
    m_prompt->QueueAnswer(IPrompt::AnswerCancel);
    QVERIFY(!m_frame->NewDocument());
    QCOMPARE(form->m_nUpdates, 3);
    m_doc->SetModifiedFlag(false);

    // Given a second time, nothing changes.
    bool bOtherDeleted = false;
    CFakeForm other(&bOtherDeleted);
    m_frame->SetFormView(&other);
    QCOMPARE(m_frame->FormView(), static_cast<IFormView*>(form));
    QCOMPARE(other.m_nConnects, 0);
    delete other.m_widget;

    m_frame.reset();
    QVERIFY(bDeleted);
}

void TestMainFrame::helpCommandsSayThereIsNoHelp() {
    m_frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    QTest::keyClick(m_frame.get(), Qt::Key_F1);
    QTest::keyClick(m_frame.get(), Qt::Key_F1, Qt::ShiftModifier);
    m_frame->Action(HelpIndex)->trigger();
    m_frame->Action(HelpUsing)->trigger();
    QCOMPARE(m_prompt->m_texts, QStringList(4, CMainFrame::kHelpMessage));
}

void TestMainFrame::aboutBox() {
    QString strTitle;
    QString strText;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        QVERIFY(box);
        strTitle = box->windowTitle();
        strText = box->findChild<QLabel*>("aboutText")->text();
        QTest::mouseClick(box->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
    m_frame->Action(AppAbout)->trigger();
    QCOMPARE(strTitle, QStringLiteral("About Velloby 1.5"));
    QCOMPARE(strText, QStringLiteral("Velloby application v1.5"));
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestMainFrame)
#include "TestMainFrame.moc"
