#include "CHeadlessExport.h"
#ifdef VELLOBY_HAS_SYNC
#include "CHeadlessSync.h"
#endif
#include "CEarlyOpen.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "IFormView.h"

#include <QApplication>

#if __has_include("CVornView.h")
#include "CVornView.h"
#define VELLOBY_HAS_FORM 1
#endif

int main(int argc, char** argv) {
#ifdef VELLOBY_HAS_SYNC
    // The sync for timers and cron: no window system either.
    if (CHeadlessSync::IsSyncCommandLine(argc, argv)) {
        QCoreApplication app(argc, argv);
        return CHeadlessSync::Run(QCoreApplication::arguments());
    }
#endif
    // The export for scripts writes a file and shows nothing, so it starts no window system.
    if (CHeadlessExport::IsExportCommandLine(argc, argv)) {
        QCoreApplication app(argc, argv);
        return CHeadlessExport::Run(QCoreApplication::arguments());
    }
    // The file named on the command line is read on a second thread while the window system and
    // the main window start. The path is the one the application takes from its arguments
    // (an option of Qt's own among them makes it another path, and the early read is not used).
    {
        QStringList words;
        for (int i = 1; i < argc; ++i)
            words.append(QString::fromLocal8Bit(argv[i]));
        CEarlyOpen::Start(CVornApp::ParseCommandLine(QStringList{QString()} + words).strPath);
    }
    QApplication qapp(argc, argv);
    CVornApp app;
    const int nResult = app.Run(qapp, [](CVornDoc& doc, QWidget* parent) -> IFormView* {
#ifdef VELLOBY_HAS_FORM
        return new CVornView(doc, parent);
#else
        Q_UNUSED(doc);
        Q_UNUSED(parent);
        return nullptr;
#endif
    });
    CEarlyOpen::Finish();
    return nResult;
}
