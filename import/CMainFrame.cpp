#include "CMainFrame.h"

#include "CImportView.h"

#include <QAction>
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

    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setAccessibleName(QStringLiteral("Status bar"));
    statusBar()->showMessage(QStringLiteral("Ready"));
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
