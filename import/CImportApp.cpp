#include "CImportApp.h"

#include "CBatchImport.h"
#include "CMainFrame.h"

#include <QApplication>

int CImportApp::Run(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // The batch import needs no display, so it starts no window system at all.
    if (CBatchImport::IsBatchCommandLine(arguments)) {
        QCoreApplication app(argc, argv);
        CBatchImport::SetApplicationNames();
        return CBatchImport::Run(QCoreApplication::arguments());
    }

    QApplication app(argc, argv);
    Q_INIT_RESOURCE(import);
    CBatchImport::SetApplicationNames();
    // Message boxes carry the program's title.
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Import"));
    CMainFrame frame;
    // A file named on the command line is opened as a document, which has nothing to load.
    const QStringList rest = QCoreApplication::arguments().mid(1);
    if (!rest.isEmpty())
        frame.OnOpenDocument(rest.constFirst());
    frame.show();
    return app.exec();
}
