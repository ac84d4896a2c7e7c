// Group filtering and search on the largest contact file (65,535 entries), measured headless as
// whole commands: the matching and the people list brought up to date, laid out to its last
// line.
#include "BenchUtil.h"
#include "CFindResultsDlg.h"
#include "CMemoryProfile.h"
#include "CPeopleListModel.h"
#include "CSampleData.h"
#include "CScriptedPrompt.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void Settle(CVornView& view) {
    QApplication::processEvents();
    auto* pList = view.findChild<QListView*>(QStringLiteral("listPeople"));
    const int count = view.PeopleModel().Count();
    if (count > 0 && !pList->visualRect(view.PeopleModel().index(count - 1)).isValid())
        std::abort();
}

// Answers every "Search Results" dialog as soon as it shows: every line chosen, the people list
// replaced with them, OK. It counts the lines it saw.
class CResultsAnswer : public QObject {
public:
    int m_nLines = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* pDialog = qobject_cast<CFindResultsDlg*>(watched);
        if (pDialog && event->type() == QEvent::Show) {
            QMetaObject::invokeMethod(
                pDialog,
                [this, pDialog] {
                    m_nLines = pDialog->m_listResults->model()->rowCount();
                    pDialog->m_listResults->selectAll();
                    pDialog->findChild<QRadioButton*>(QStringLiteral("radioReplace"))
                        ->setChecked(true);
                    pDialog->m_btnOK->click();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }
};

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

    auto* pGroups = view.findChild<QListWidget*>(QStringLiteral("listGroups"));
    auto* pName = view.findChild<QLineEdit*>(QStringLiteral("editName"));
    auto* pCity = view.findChild<QComboBox*>(QStringLiteral("comboCity"));
    auto* pState = view.findChild<QComboBox*>(QStringLiteral("comboState"));
    auto* pClear = view.findChild<QAbstractButton*>(QStringLiteral("btnClear"));
    auto* pFind = view.findChild<QAbstractButton*>(QStringLiteral("btnFind"));

    // A click on a line of the group list toggles it and makes it the caret line.
    auto clickGroup = [&](const QString& name) {
        QListWidgetItem* pItem = pGroups->findItems(name, Qt::MatchExactly).value(0);
        pGroups->setCurrentItem(pItem, QItemSelectionModel::Toggle);
        Settle(view);
    };
    auto allGroups = [&] { clickGroup(QStringLiteral("***All Groups***")); };

    Measure(
        "select one group (from all groups)", runs,
        [&] {
            clickGroup(QStringLiteral("Work"));
            if (view.PeopleModel().Count() == 0 || view.PeopleModel().Count() > 20000)
                std::abort();
        },
        allGroups);
    int nOne = 0;
    Measure(
        "add a second group to the filter", runs,
        [&] {
            clickGroup(QStringLiteral("Family"));
            if (view.PeopleModel().Count() <= nOne)
                std::abort();
        },
        [&] {
            allGroups();
            clickGroup(QStringLiteral("Work"));
            nOne = view.PeopleModel().Count();
        });
    std::printf("  (one group lists %d entries)\n", nOne);

    CResultsAnswer answer;
    qapp.installEventFilter(&answer);
    struct SCase {
        int nMode;
        const char* pszName;
        const char* pszCity;
        const char* pszState;
        const char* pszLabel;
    };
    const SCase cases[] = {
        {CVornApp::Exact, "", "springfield", "il", "search Exact (city and state)"},
        {CVornApp::Good, "smith", "Springfield", "", "search Good (part of a name, a city)"},
        {CVornApp::Fair, "a", "", "", "search Fair (one letter of a name)"},
        {CVornApp::Poor, "lee", "Salem", "", "search Poor (a name or a city)"},
    };
    for (const SCase& c : cases) {
        app.m_nSearchMode = c.nMode;
        auto prepare = [&] {
            allGroups();
            pClear->click();
            pName->setText(QString::fromLatin1(c.pszName));
            pCity->setEditText(QString::fromLatin1(c.pszCity));
            pState->setEditText(QString::fromLatin1(c.pszState));
            Settle(view);
        };
        Measure(
            QString::fromLatin1(c.pszLabel), runs,
            [&] {
                pFind->click();
                Settle(view);
                if (answer.m_nLines == 0 || view.PeopleModel().Count() != answer.m_nLines)
                    std::abort();
            },
            prepare);
        std::printf("  (%d hits, all put in the people list)\n", answer.m_nLines);
    }
    qapp.removeEventFilter(&answer);
    return 0;
}
