// The contact form on the largest contact file (65,535 entries), measured headless: opening the
// file until the form is ready, and the record commands on it.
#include "BenchUtil.h"
#include "CMemoryProfile.h"
#include "CPeopleListModel.h"
#include "CSampleData.h"
#include "CScriptedPrompt.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Runs what the event loop has waiting (the list's layout among it) and checks the list is laid
// out down to its last line.
void Settle(CVornView& view) {
    QApplication::processEvents();
    auto* pList = view.findChild<QListView*>(QStringLiteral("listPeople"));
    const int count = view.PeopleModel().Count();
    if (count > 0 && !pList->visualRect(view.PeopleModel().index(count - 1)).isValid())
        std::abort();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    // A word on the command line runs only the measurements whose names hold it (for profiling
    // one of them).
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const auto measure = [&only](const QString& name, int runs, const std::function<void()>& body,
                                 const std::function<void()>& setup = {}) {
        if (only.isEmpty() || name.contains(only))
            Measure(name, runs, body, setup);
    };
    CMemoryProfile profile;
    CScriptedPrompt prompt;
    CVornApp app;
    app.m_bConfirmDelete = false;
    app.m_bAutoUpdate = false;

    QTemporaryDir dir;
    const QString path = dir.filePath("big.vby");
    if (!CSampleData::WriteContactFile(path, 65535)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    const int runs = 15;

    CVornDoc doc(app);
    doc.OnNewDocument();
    CVornView view(doc);
    view.resize(1000, 700);
    view.show();
    view.OnInitialUpdate();
    Settle(view);

    auto* pList = view.findChild<QListView*>(QStringLiteral("listPeople"));
    auto* pName = view.findChild<QLineEdit*>(QStringLiteral("editName"));
    auto* pNew = view.findChild<QAbstractButton*>(QStringLiteral("btnNew"));
    auto* pUpdate = view.findChild<QAbstractButton*>(QStringLiteral("btnUpdate"));
    auto* pDelete = view.findChild<QAbstractButton*>(QStringLiteral("btnDelete"));

    auto openFile = [&] {
        if (!doc.OnOpenDocument(path))
            std::abort();
        view.OnInitialUpdate();
        Settle(view);
        if (view.PeopleModel().Count() != 65535 || pName->text().isEmpty())
            std::abort();
    };
    // From an empty form, as after start-up or File New (closing the previous file is not
    // timed).
    measure("open 65535 entries, form ready", runs, openFile, [&] {
        doc.OnNewDocument();
        view.OnInitialUpdate();
        Settle(view);
    });
    // The same with the previous file of 65535 entries freed inside the timing.
    measure("open 65535 entries over the same open file", runs, openFile);

    // Each command runs on a freshly opened file; the opening is not timed.
    auto reopen = [&] {
        doc.OnOpenDocument(path);
        view.OnInitialUpdate();
        Settle(view);
    };
    auto reopenSmaller = [&] {
        // One entry fewer, so adding one more fits in the file.
        reopen();
        pList->selectionModel()->setCurrentIndex(view.PeopleModel().index(0),
                                                 QItemSelectionModel::ClearAndSelect);
        pDelete->click();
        Settle(view);
        pNew->click();
        pName->insert(QStringLiteral("Zoe Newcomer"));
    };
    measure(
        "add one entry", runs,
        [&] {
            pUpdate->click();
            Settle(view);
            if (doc.m_personList.size() != 65535)
                std::abort();
        },
        reopenSmaller);

    auto prepareRename = [&] {
        reopen();
        pList->selectionModel()->setCurrentIndex(view.PeopleModel().index(30000),
                                                 QItemSelectionModel::ClearAndSelect);
        pName->setText(QStringLiteral("Aaron Aardvark"));
    };
    measure(
        "update one entry's name", runs,
        [&] {
            pUpdate->click();
            Settle(view);
            if (view.PeopleModel().TextAt(0) != QStringLiteral("Aaron Aardvark"))
                std::abort();
        },
        prepareRename);

    auto prepareDelete = [&] {
        reopen();
        const QModelIndex first = view.PeopleModel().index(20000);
        const QModelIndex last = view.PeopleModel().index(20999);
        pList->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
        pList->selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::Select);
    };
    measure(
        "delete 1000 selected entries", runs,
        [&] {
            pDelete->click();
            Settle(view);
            if (doc.m_personList.size() != 64535)
                std::abort();
        },
        prepareDelete);

    auto prepareScattered = [&] {
        reopen();
        // Every 60th line, the first of them the caret line.
        pList->selectionModel()->setCurrentIndex(view.PeopleModel().index(7),
                                                 QItemSelectionModel::ClearAndSelect);
        for (int i = 1; i < 1000; ++i)
            pList->selectionModel()->select(view.PeopleModel().index(i * 60 + 7),
                                            QItemSelectionModel::Select);
    };
    measure(
        "delete 1000 scattered entries", runs,
        [&] {
            pDelete->click();
            Settle(view);
            if (doc.m_personList.size() != 64535)
                std::abort();
        },
        prepareScattered);
    return 0;
}
