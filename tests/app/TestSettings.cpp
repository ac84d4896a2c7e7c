#include "CMainFrame.h"
#include "CMemoryProfile.h"
#include "CPasswordDlg.h"
#include "CScriptedPrompt.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>

// Start-up settings, the command line and the remembered window placement.
class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void emptyProfileGivesDefaults();
    void storedOptionsAreRead();
    void searchMode_data();
    void searchMode();
    void dialPrefixWrittenAtEveryExit();
    void refusedPasswordEndsWithoutWindow();
    void cancelledPasswordDialogEndsStartUp();
    void firstProtectedStartCreatesThePassword();
    void emptyCommandLineStartsUntitled();
    void commandLine_data();
    void commandLine();
    void parseRect_data();
    void parseRect();
    void formatRect_data();
    void formatRect();
    void firstRunUsesDefaultPlacement();
    void storedRectIsRestored();
    void placementIsSavedOnClose();
    void windowState_data();
    void windowState();
    void storedStateIsRestored_data();
    void storedStateIsRestored();
    void hiddenStatusBarStaysHidden();
    void laterActivationKeepsPlacement();
};

void TestSettings::emptyProfileGivesDefaults() {
    CMemoryProfile profile;
    CVornApp app;
    app.ReadSettings();
    QCOMPARE(app.m_bConfirmDelete, true);
    QCOMPARE(app.m_bAutoUpdate, false);
    QCOMPARE(app.m_nSearchMode, int(CVornApp::Fair));
    QCOMPARE(app.m_bPassword, false);
    QCOMPARE(app.m_strDialPrefix, QStringLiteral("9"));
}

void TestSettings::storedOptionsAreRead() {
    CMemoryProfile profile;
    profile.WriteProfileInt("options", "ConfirmDelete", 0);
    profile.WriteProfileInt("options", "AutoUpdate", 1);
    profile.WriteProfileInt("options", "password", 1);
    profile.WriteProfileString("options", "dial prefix", "0,");
    CVornApp app;
    app.ReadSettings();
    QCOMPARE(app.m_bConfirmDelete, false);
    QCOMPARE(app.m_bAutoUpdate, true);
    QCOMPARE(app.m_bPassword, true);
    QCOMPARE(app.m_strDialPrefix, QStringLiteral("0,"));
}

void TestSettings::searchMode_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("mode");
    QTest::newRow("1085 Exact") << 1085 << int(CVornApp::Exact);
    QTest::newRow("1086 Good") << 1086 << int(CVornApp::Good);
    QTest::newRow("1087 Fair") << 1087 << int(CVornApp::Fair);
    QTest::newRow("1088 Poor") << 1088 << int(CVornApp::Poor);
    QTest::newRow("1090 leaves Exact") << 1090 << int(CVornApp::Exact);
    QTest::newRow("1084 leaves Exact") << 1084 << int(CVornApp::Exact);
    QTest::newRow("2 leaves Exact") << 2 << int(CVornApp::Exact);
}

void TestSettings::searchMode() {
    QFETCH(int, stored);
    QFETCH(int, mode);
    CMemoryProfile profile;
    profile.WriteProfileInt("options", "search", stored);
    CVornApp app;
    app.ReadSettings();
    QCOMPARE(app.m_nSearchMode, mode);
}

void TestSettings::dialPrefixWrittenAtEveryExit() {
    CMemoryProfile profile;
    CVornApp app;
    QVERIFY(!profile.HasKey("options", "dial prefix"));
    bool bSawWindow = false;
    QTimer::singleShot(0, this, [&] {
        CMainFrame* frame = app.MainFrame();
        QVERIFY(frame);
        bSawWindow = frame->isVisible();
        frame->close();
    });
    QCOMPARE(app.Run(*qApp, {"velloby"}, nullptr), 0);
    QVERIFY(bSawWindow);
    QVERIFY(profile.HasKey("options", "dial prefix"));
    QCOMPARE(profile.GetProfileString("options", "dial prefix", QString()), QStringLiteral("9"));

    // A prefix changed during the run is what the next run reads.
    QTimer::singleShot(0, this, [&] {
        app.m_strDialPrefix = "81";
        app.MainFrame()->close();
    });
    app.Run(*qApp, {"velloby"}, nullptr);
    QCOMPARE(profile.GetProfileString("options", "dial prefix", QString()), QStringLiteral("81"));
}

// The password step refuses: the program ends before any window or form exists.
class CRefusingApp : public CVornApp {
public:
    bool CheckStartupPassword() override {
        ++m_nAsked;
        return false;
    }
    int m_nAsked = 0;
};

void TestSettings::refusedPasswordEndsWithoutWindow() {
    CMemoryProfile profile;
    profile.WriteProfileInt("options", "password", 1);
    CRefusingApp app;
    bool bFormMade = false;
    const int nResult = app.Run(*qApp, {"velloby"}, [&](CVornDoc&, QWidget*) -> IFormView* {
        bFormMade = true;
        return nullptr;
    });
    QVERIFY(nResult != 0);
    QCOMPARE(app.m_nAsked, 1);
    QVERIFY(!bFormMade);
    QVERIFY(!app.MainFrame());
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<CMainFrame*>(widget));

    // Without protection the step is not run at all.
    profile.WriteProfileInt("options", "password", 0);
    QTimer::singleShot(0, this, [&] { app.MainFrame()->close(); });
    QCOMPARE(app.Run(*qApp, {"velloby"}, nullptr), 0);
    QCOMPARE(app.m_nAsked, 1);
}

void TestSettings::cancelledPasswordDialogEndsStartUp() {
    CMemoryProfile profile;
    profile.WriteProfileInt("options", "password", 1);
    CVornApp app;
    QString shown;
    QTimer::singleShot(0, this, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        shown = dialog->objectName();
        dialog->findChild<QPushButton*>("btnCancel")->click();
    });
    QVERIFY(app.Run(*qApp, {"velloby"}, nullptr) != 0);
    QCOMPARE(shown, QString("CPasswordDlg"));
    QVERIFY(!app.MainFrame());
    QVERIFY(!profile.HasKey("init", "data1"));
}

// Runs `step` once the main window exists (each start-up has its own modal steps first).
static void WhenMainWindowShows(CVornApp& app, QObject* context, std::function<void()> step) {
    QTimer::singleShot(10, context, [&app, context, step] {
        if (app.MainFrame() && app.MainFrame()->isVisible())
            step();
        else
            WhenMainWindowShows(app, context, step);
    });
}

void TestSettings::firstProtectedStartCreatesThePassword() {
    CMemoryProfile profile;
    profile.WriteProfileInt("options", "password", 1);
    CScriptedPrompt prompt;
    prompt.QueueAnswer(IPrompt::AnswerYes); // create a new password
    CVornApp app;
    QStringList windowsDuring;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<CPasswordDlg*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        for (QWidget* window : QApplication::topLevelWidgets())
            windowsDuring.append(window->metaObject()->className());
        auto* edit = dialog->findChild<QLineEdit*>("editPassword");
        auto* ok = dialog->findChild<QPushButton*>("btnOk");
        QTest::keyClicks(edit, "secret");
        QTest::mouseClick(ok, Qt::LeftButton);
        QTest::keyClicks(edit, "secret");
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    bool bSawWindow = false;
    WhenMainWindowShows(app, this, [&] {
        bSawWindow = true;
        app.MainFrame()->close();
    });
    QCOMPARE(app.Run(*qApp, {"velloby"}, nullptr), 0);
    QCOMPARE(windowsDuring, QStringList{"CPasswordDlg"});
    QCOMPARE(prompt.m_texts, QStringList{"There was no password database. Create a new password?"});
    QVERIFY(bSawWindow);
    QCOMPARE(profile.GetProfileString("init", "data1", QString()),
             CPasswordDlg::ToProfileText(CPasswordDlg::ScramblePassword("secret")));

    // The next start takes the same password and asks no question.
    prompt.m_texts.clear();
    QTimer::singleShot(0, this, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        QTest::keyClicks(dialog->findChild<QLineEdit*>("editPassword"), "secret");
        QTest::mouseClick(dialog->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    });
    bSawWindow = false;
    WhenMainWindowShows(app, this, [&] {
        bSawWindow = true;
        app.MainFrame()->close();
    });
    QCOMPARE(app.Run(*qApp, {"velloby"}, nullptr), 0);
    QVERIFY(bSawWindow);
    QVERIFY(prompt.m_texts.isEmpty());
}

void TestSettings::emptyCommandLineStartsUntitled() {
    CMemoryProfile profile;
    CVornApp app;
    QString strPath = QStringLiteral("<not run>");
    bool bModified = true;
    QString strTitle;
    QTimer::singleShot(0, this, [&] {
        CMainFrame* frame = app.MainFrame();
        strPath = frame->Doc().GetPathName();
        bModified = frame->Doc().IsModified();
        strTitle = frame->windowTitle();
        frame->close();
    });
    QCOMPARE(app.Run(*qApp, {"velloby", "--nosplash"}, nullptr), 0);
    QCOMPARE(strPath, QString());
    QVERIFY(!bModified);
    QCOMPARE(strTitle, QStringLiteral("Untitled[*] - Velloby"));
}

void TestSettings::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("splash");
    QTest::addColumn<QString>("path");
    QTest::newRow("nothing") << QStringList{"velloby"} << true << QString();
    QTest::newRow("one path") << QStringList{"velloby", "/tmp/a.vby"} << true
                              << QStringLiteral("/tmp/a.vby");
    QTest::newRow("words are one path") << QStringList{"velloby", "/tmp/My", "Contacts.vby"} << true
                                        << QStringLiteral("/tmp/My Contacts.vby");
    QTest::newRow("quoted blanks kept") << QStringList{"velloby", "/tmp/two  blanks.vby"} << true
                                        << QStringLiteral("/tmp/two  blanks.vby");
    QTest::newRow("no splash") << QStringList{"velloby", "--nosplash"} << false << QString();
    QTest::newRow("no splash and path")
        << QStringList{"velloby", "--nosplash", "x.vby"} << false << QStringLiteral("x.vby");
    QTest::newRow("option later is part of the path")
        << QStringList{"velloby", "x.vby", "--nosplash"} << true
        << QStringLiteral("x.vby --nosplash");
}

void TestSettings::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, splash);
    QFETCH(QString, path);
    const CVornApp::CommandLine line = CVornApp::ParseCommandLine(arguments);
    QCOMPARE(line.bShowSplash, splash);
    QCOMPARE(line.strPath, path);
}

void TestSettings::parseRect_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("edges"); // left, top, right, bottom
    QTest::newRow("four columns") << "0010 0020 0600 0500" << QList<int>{10, 20, 600, 500};
    QTest::newRow("empty is the default") << "" << QList<int>{1, 1, 660, 575};
    QTest::newRow("negative") << "-010 -020 0600 0500" << QList<int>{-10, -20, 600, 500};
    QTest::newRow("plus sign") << "+010 0020 0600 0500" << QList<int>{10, 20, 600, 500};
    QTest::newRow("short values read by column") << "10 20 600 500" << QList<int>{10, 600, 500, 0};
    QTest::newRow("missing last") << "0010 0020 0600" << QList<int>{10, 20, 600, 0};
    QTest::newRow("five digits shift the rest")
        << "12345 0020 0600 0500" << QList<int>{12345, 20, 600, 500};
    QTest::newRow("too wide breaks columns")
        << "10000 20000 0600 0500" << QList<int>{10000, 20000, 0, 0};
    QTest::newRow("letters read as zero") << "abcd 0020 0600 0500" << QList<int>{0, 20, 600, 500};
    QTest::newRow("blanks before digits") << "  10 0020 0600 0500" << QList<int>{10, 20, 600, 500};
}

void TestSettings::parseRect() {
    QFETCH(QString, text);
    QFETCH(QList<int>, edges);
    const QRect rect = CPersistentFrame::ParseRect(text);
    QCOMPARE(rect.left(), edges[0]);
    QCOMPARE(rect.top(), edges[1]);
    QCOMPARE(rect.left() + rect.width(), edges[2]);
    QCOMPARE(rect.top() + rect.height(), edges[3]);
}

void TestSettings::formatRect_data() {
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QRect(10, 20, 590, 480) << "0010 0020 0600 0500";
    QTest::newRow("default") << CPersistentFrame::kDefaultRect << "0001 0001 0660 0575";
    QTest::newRow("negative") << QRect(-5, -20, 105, 220) << "-005 -020 0100 0200";
    QTest::newRow("wide") << QRect(10000, 0, 100, 100) << "10000 0000 10100 0100";
}

void TestSettings::formatRect() {
    QFETCH(QRect, rect);
    QFETCH(QString, text);
    QCOMPARE(CPersistentFrame::FormatRect(rect), text);
    // Numbers of four characters read back as they were.
    if (text.size() == 19)
        QCOMPARE(CPersistentFrame::ParseRect(text), rect);
}

namespace {
struct Frame {
    CVornApp app;
    CVornDoc doc{app};
    CMainFrame frame{doc};
};
} // namespace

void TestSettings::firstRunUsesDefaultPlacement() {
    CMemoryProfile profile;
    Frame f;
    f.frame.ActivateFrame();
    // The rectangle is the window's: its frame (title bar) starts at (1, 1), inside the screen.
    QCOMPARE(f.frame.frameGeometry().topLeft(), QPoint(1, 1));
    QCOMPARE(f.frame.size(), QSize(659, 574));
    QCOMPARE(f.frame.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized),
             Qt::WindowNoState);
    QVERIFY(!f.frame.ToolBar()->isHidden());
    QVERIFY(!f.frame.StatusBar()->isHidden());
    QVERIFY(f.frame.Action(CommandId::ViewToolbar)->isChecked());
    QVERIFY(f.frame.Action(CommandId::ViewStatusBar)->isChecked());
}

void TestSettings::storedRectIsRestored() {
    CMemoryProfile profile;
    profile.WriteProfileString("Window size", "Rect", "0010 0020 0600 0500");
    Frame f;
    f.frame.ActivateFrame();
    QCOMPARE(f.frame.frameGeometry().topLeft(), QPoint(10, 20));
    QCOMPARE(f.frame.size(), QSize(590, 480));
    QVERIFY(f.frame.isVisible());
}

void TestSettings::placementIsSavedOnClose() {
    CMemoryProfile profile;
    Frame f;
    f.frame.ActivateFrame();
    f.frame.move(30, 40); // where the frame goes
    f.frame.resize(500, 400);
    QVERIFY(f.frame.close());
    QCOMPARE(profile.GetProfileString("Window size", "Rect", QString()),
             QStringLiteral("0030 0040 0530 0440"));
    QCOMPARE(profile.GetProfileInt("Window size", "icon", -1), 0);
    QCOMPARE(profile.GetProfileInt("Window size", "max", -1), 0);
    QCOMPARE(profile.GetProfileInt("Window size", "tool", -1), 1);
    QCOMPARE(profile.GetProfileInt("Window size", "status", -1), 1);
}

void TestSettings::windowState_data() {
    QTest::addColumn<int>(
        "steps"); // 0 normal, 1 maximised, 2 minimised, 3 maximised then minimised
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("max");
    QTest::newRow("normal") << 0 << 0 << 0;
    QTest::newRow("maximised") << 1 << 0 << 1;
    QTest::newRow("minimised") << 2 << 1 << 0;
    QTest::newRow("minimised from maximised") << 3 << 1 << 1;
}

void TestSettings::windowState() {
    QFETCH(int, steps);
    QFETCH(int, icon);
    QFETCH(int, max);
    CMemoryProfile profile;
    profile.WriteProfileString("Window size", "Rect", "0010 0020 0600 0500");
    Frame f;
    f.frame.ActivateFrame();
    if (steps == 1 || steps == 3)
        f.frame.showMaximized();
    if (steps == 2 || steps == 3)
        f.frame.showMinimized();
    QVERIFY(f.frame.close());
    QCOMPARE(profile.GetProfileInt("Window size", "icon", -1), icon);
    QCOMPARE(profile.GetProfileInt("Window size", "max", -1), max);
    // The normal rectangle is kept whatever the state.
    QCOMPARE(profile.GetProfileString("Window size", "Rect", QString()),
             QStringLiteral("0010 0020 0600 0500"));
}

void TestSettings::storedStateIsRestored_data() {
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("max");
    QTest::newRow("normal") << 0 << 0;
    QTest::newRow("maximised") << 0 << 1;
    QTest::newRow("minimised") << 1 << 0;
    QTest::newRow("minimised from maximised") << 1 << 1;
}

void TestSettings::storedStateIsRestored() {
    QFETCH(int, icon);
    QFETCH(int, max);
    CMemoryProfile profile;
    profile.WriteProfileString("Window size", "Rect", "0010 0020 0600 0500");
    profile.WriteProfileInt("Window size", "icon", icon);
    profile.WriteProfileInt("Window size", "max", max);
    Frame f;
    f.frame.ActivateFrame();
    QCOMPARE(f.frame.isMinimized(), icon != 0);
    QCOMPARE(bool(f.frame.windowState() & Qt::WindowMaximized), max != 0);
    // Closed again at once, it writes back what it read, the normal rectangle included.
    QVERIFY(f.frame.close());
    QCOMPARE(profile.GetProfileInt("Window size", "icon", -1), icon);
    QCOMPARE(profile.GetProfileInt("Window size", "max", -1), max);
    QCOMPARE(profile.GetProfileString("Window size", "Rect", QString()),
             QStringLiteral("0010 0020 0600 0500"));
}

void TestSettings::hiddenStatusBarStaysHidden() {
    CMemoryProfile profile;
    {
        Frame f;
        f.frame.ActivateFrame();
        f.frame.Action(CommandId::ViewStatusBar)->trigger();
        QVERIFY(f.frame.StatusBar()->isHidden());
        QVERIFY(!f.frame.Action(CommandId::ViewStatusBar)->isChecked());
        QVERIFY(f.frame.close());
    }
    QCOMPARE(profile.GetProfileInt("Window size", "status", -1), 0);
    QCOMPARE(profile.GetProfileInt("Window size", "tool", -1), 1);
    Frame next;
    next.frame.ActivateFrame();
    QVERIFY(next.frame.StatusBar()->isHidden());
    QVERIFY(!next.frame.Action(CommandId::ViewStatusBar)->isChecked());
    QVERIFY(!next.frame.ToolBar()->isHidden());
    QVERIFY(next.frame.Action(CommandId::ViewToolbar)->isChecked());
    // Shown again from the menu.
    next.frame.Action(CommandId::ViewStatusBar)->trigger();
    QVERIFY(!next.frame.StatusBar()->isHidden());
}

void TestSettings::laterActivationKeepsPlacement() {
    CMemoryProfile profile;
    profile.WriteProfileString("Window size", "Rect", "0010 0020 0600 0500");
    Frame f;
    f.frame.ActivateFrame();
    f.frame.setGeometry(50, 60, 400, 300);
    f.frame.ActivateFrame();
    QCOMPARE(f.frame.geometry(), QRect(50, 60, 400, 300));
}

QTEST_MAIN(TestSettings)
#include "TestSettings.moc"
