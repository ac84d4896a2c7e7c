#include "CMainFrame.h"

#include "CKeyStateIndicators.h"

#include "CImportDoc.h"
#include "CImportView.h"
#include "IFileDialogs.h"
#include "IPrompt.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("importMainFrame"));
    setAccessibleName(QStringLiteral("Import"));
    setWindowTitle(QStringLiteral("Import"));
    setWindowIcon(QIcon(QStringLiteral(":/import/import.png")));

    m_pView = new CImportView(this);
    setCentralWidget(m_pView);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    file->setAccessibleName(QStringLiteral("File"));
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("exitAction"));
    exit->setShortcut(QKeySequence::Quit);
    exit->setStatusTip(QStringLiteral("Quit the application"));
    exit->setToolTip(QStringLiteral("Exit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    auto addCommand = [this](const char* name, QKeySequence::StandardKey key,
                             void (CMainFrame::*handler)()) {
        auto* action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
    };
    addCommand("newAction", QKeySequence::New, &CMainFrame::OnFileNew);
    addCommand("openAction", QKeySequence::Open, &CMainFrame::OnFileOpen);
    addCommand("saveAction", QKeySequence::Save, &CMainFrame::OnFileSave);

    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setAccessibleName(QStringLiteral("Status bar"));
    statusBar()->showMessage(QStringLiteral("Ready"));
    new CKeyStateIndicators(statusBar());
    // The status bar goes back to "Ready" whenever a menu prompt goes away.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            statusBar()->showMessage(QStringLiteral("Ready"));
    });

    // The window is done once the contact file is written; it closes after the current event.
    connect(m_pView, &CImportView::closeRequested, this, &QWidget::close, Qt::QueuedConnection);

    // Sized to fit the page and centred on the desktop.
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
}

void CMainFrame::OnFileNew() {
    setWindowTitle(QStringLiteral("Import"));
    m_pView->OnInitialUpdate();
}

void CMainFrame::OnFileOpen() {
    const QString path = IFileDialogs::Instance().GetOpenFileName(this, QStringLiteral("Open"),
                                                                  QString(), QString());
    if (!path.isEmpty())
        OnOpenDocument(path);
}

void CMainFrame::OnOpenDocument(const QString& path) {
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - Import"));
    m_pView->OnInitialUpdate();
}

void CMainFrame::OnFileSave() {
    const QString path = IFileDialogs::Instance().GetSaveFileName(
        this, QStringLiteral("Save As"), QStringLiteral("import.vby"),
        QStringLiteral("Velloby Files (*.vby)"), QStringLiteral("vby"));
    if (path.isEmpty())
        return;
    const CImportDoc doc;
    QString error;
    if (!doc.OnSaveDocument(path, &error))
        IPrompt::Message(this, error);
}
