#include "CVornApp.h"

#include "CPasswordDlg.h"

#include "CEarlyOpen.h"
#include "CMainFrame.h"
#include "CRecoveryManager.h"
#include "CSplashWnd.h"
#include "CVornDoc.h"
#include "IFormView.h"
#include "IProfileStore.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <memory>

// Outside any namespace, as the resource system requires.
static void InitAppResources() {
    Q_INIT_RESOURCE(app);
}

const QString CVornApp::kNoSplashOption = QStringLiteral("--nosplash");

namespace {
CVornApp* g_pApp = nullptr;
const QString kOptions = QStringLiteral("options");

// A measuring aid: with VELLOBY_QUIT_WHEN_SHOWN set in the environment, the program ends its
// event loop right after the main window's first paint, so a benchmark can time a start-up up to
// the moment the window shows (with the file of the command line in it). The normal exit steps
// still run. The moment of the paint is written to the standard output as "shown MS" (the
// system's monotonic clock in milliseconds), so the benchmark can tell the start-up from the exit.
class CQuitWhenShown : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("shown %.3f\n", double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6);
            std::fflush(stdout);
            // After the paint: the window's children are painted in the same pass.
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

CVornApp::CVornApp(QObject* parent) : QObject(parent) {
    g_pApp = this;
}

CVornApp::~CVornApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

CVornApp* CVornApp::Instance() {
    return g_pApp;
}

void CVornApp::ReadSettings() {
    IProfileStore& profile = IProfileStore::Instance();
    m_bConfirmDelete = profile.GetProfileInt(kOptions, QStringLiteral("ConfirmDelete"), 1) != 0;
    m_bAutoUpdate = profile.GetProfileInt(kOptions, QStringLiteral("AutoUpdate"), 0) != 0;
    m_strDialPrefix =
        profile.GetProfileString(kOptions, QStringLiteral("dial prefix"), QStringLiteral("9"));
    // Any number but the four known ones leaves the mode as it is.
    const int search = profile.GetProfileInt(kOptions, QStringLiteral("search"), 1087);
    if (search >= kSearchProfileBase && search <= kSearchProfileBase + Poor)
        m_nSearchMode = search - kSearchProfileBase;
    m_bPassword = profile.GetProfileInt(kOptions, QStringLiteral("password"), 0) != 0;
}

void CVornApp::WriteExitSettings() {
    IProfileStore::Instance().WriteProfileString(kOptions, QStringLiteral("dial prefix"),
                                                 m_strDialPrefix);
}

CVornApp::CommandLine CVornApp::ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    QStringList words = arguments.mid(1);
    if (!words.isEmpty() && words.constFirst() == kNoSplashOption) {
        line.bShowSplash = false;
        words.removeFirst();
    }
    line.strPath = words.join(QLatin1Char(' '));
    return line;
}

bool CVornApp::CheckStartupPassword() {
    return CPasswordDlg::CheckStartupPassword();
}

void CVornApp::InitResources() {
    static const bool bDone = [] {
        InitAppResources();
        return true;
    }();
    Q_UNUSED(bDone);
}

QIcon CVornApp::AppIcon() {
    InitResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/app/velloby-%1.png").arg(size), QSize(size, size));
    return icon;
}

int CVornApp::Run(QApplication& qapp, const ViewFactory& makeView) {
    return Run(qapp, QCoreApplication::arguments(), makeView);
}

int CVornApp::Run(QApplication& qapp, const QStringList& arguments, const ViewFactory& makeView) {
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Velloby"));
    QGuiApplication::setDesktopFileName(QStringLiteral("velloby"));
    QApplication::setWindowIcon(AppIcon());

    ReadSettings();
    // A file read ahead is not taken after a password question: it is opened as usual once the
    // question is answered.
    if (m_bPassword)
        CEarlyOpen::Discard();
    // A start-up that is not let through ends here, with no window; the exit step still runs.
    if (m_bPassword && !CheckStartupPassword()) {
        WriteExitSettings();
        return 1;
    }

    // No splash where nobody could see it, so no test or scripted run waits on one.
    const CommandLine line = ParseCommandLine(arguments);
    const QString platform = QGuiApplication::platformName();
    CSplashWnd::SetSplashEnabled(line.bShowSplash && platform != QLatin1String("offscreen") &&
                                 platform != QLatin1String("minimal"));

    CVornDoc doc(*this);
    auto frame = std::make_unique<CMainFrame>(doc);
    m_pMainFrame = frame.get();
    if (makeView) {
        if (IFormView* view = makeView(doc, frame.get()))
            frame->SetFormView(view);
    }
    QObject::connect(frame.get(), &CMainFrame::Closed, &qapp, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    // The window shows first, so a file that cannot be opened is reported over a working
    // window that then holds an empty document.
    if (qEnvironmentVariableIsSet("VELLOBY_QUIT_WHEN_SHOWN"))
        frame->installEventFilter(new CQuitWhenShown(frame.get()));
    frame->ActivateFrame();
    // Unsaved changes left by a run that did not end properly are offered back first.
    auto* pRecovery = new CRecoveryManager(doc, frame.get());
    QObject::connect(frame.get(), &CMainFrame::Closed, pRecovery, &CRecoveryManager::Discard);
    if (!pRecovery->OfferRecovery(*frame)) {
        if (line.strPath.isEmpty())
            frame->NewDocument();
        else
            frame->OpenDocumentFile(line.strPath);
    }
    // A file read ahead and not taken (a recovered document, another file opened) is let go.
    CEarlyOpen::Discard();

    const int nResult = qapp.exec();
    // The records of a large file are let go on a thread of their own (the form lets go of
    // them first) while the settings are written and the window is taken down; the document
    // waits for that thread when it goes.
    doc.DeleteContents();
    WriteExitSettings();
    CSplashWnd::HideSplash();
    m_pMainFrame = nullptr;
    frame.reset();
    return nResult;
}
