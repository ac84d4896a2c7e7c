// Undo and redo of entry commands on the largest contact file (65,535 entries), measured
// headless as whole commands (the document and the form brought up to date), and the memory the
// history keeps for a delete of 1,000 entries: the entries themselves and no copy of them.
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
#include <QListView>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>

namespace {

void Settle(CVornView& view) {
    QApplication::processEvents();
    auto* pList = view.findChild<QListView*>(QStringLiteral("listPeople"));
    const int count = view.PeopleModel().Count();
    if (count > 0 && !pList->visualRect(view.PeopleModel().index(count - 1)).isValid())
        std::abort();
}

// Bytes of the heap in use now.
size_t HeapInUse() {
    return mallinfo2().uordblks;
}

// What a record's texts take on the heap, at least.
size_t RecordBytes(const CPerson& person) {
    size_t bytes = sizeof(CPerson);
    for (const QByteArray* pText : {&person.m_strName, &person.m_strAddress, &person.m_strCity,
                                    &person.m_strState, &person.m_strZip, &person.m_strCountry,
                                    &person.m_strPhone, &person.m_strNotes, &person.m_strEmail})
        bytes += size_t(pText->size());
    for (const QByteArray& group : person.m_groups)
        bytes += size_t(group.size());
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
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
    if (!doc.OnOpenDocument(path))
        return 1;
    CVornView view(doc);
    view.resize(1000, 700);
    view.show();
    view.OnInitialUpdate();
    Settle(view);
    auto* pList = view.findChild<QListView*>(QStringLiteral("listPeople"));
    auto* pDelete = view.findChild<QAbstractButton*>(QStringLiteral("btnDelete"));

    // Every 60th line selected, the first of them the caret line.
    auto selectScattered = [&] {
        pList->selectionModel()->setCurrentIndex(view.PeopleModel().index(7),
                                                 QItemSelectionModel::ClearAndSelect);
        for (int i = 1; i < 1000; ++i)
            pList->selectionModel()->select(view.PeopleModel().index(i * 60 + 7),
                                            QItemSelectionModel::Select);
    };
    auto deleteScattered = [&] {
        selectScattered();
        pDelete->click();
        Settle(view);
        if (doc.m_personList.size() != 64535)
            std::abort();
    };

    Measure(
        "undo a delete of 1000 scattered entries", runs,
        [&] {
            view.OnEditUndo();
            Settle(view);
            if (doc.m_personList.size() != 65535)
                std::abort();
        },
        deleteScattered);
    Measure(
        "redo it", runs,
        [&] {
            view.OnEditRedo();
            Settle(view);
            if (doc.m_personList.size() != 64535)
                std::abort();
        },
        [&] {
            view.OnEditUndo();
            Settle(view);
        });
    view.OnEditUndo();
    Settle(view);

    // The memory a delete leaves in the history, against what the entries take themselves.
    selectScattered();
    size_t nRecords = 0;
    for (int row : [&] {
             std::vector<int> rows;
             for (const QModelIndex& index : pList->selectionModel()->selectedIndexes())
                 rows.push_back(index.row());
             return rows;
         }())
        nRecords += RecordBytes(*view.PeopleModel().PersonAt(row));
    const size_t nBefore = HeapInUse();
    pDelete->click();
    Settle(view);
    const size_t nAfter = HeapInUse();
    const long long nGrowth = static_cast<long long>(nAfter) - static_cast<long long>(nBefore);
    std::printf("delete of 1000 entries: the history keeps them (at least %zu KB of records); the "
                "heap grew by %lld KB\n",
                nRecords / 1024, nGrowth / 1024);
    return 0;
}
