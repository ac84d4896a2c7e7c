// The properties sheet's settings take effect at once: the next search uses the search mode it
// set, and the next delete follows its confirmation setting.
#include "CFormFixture.h"
#include "CommandIds.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

// Clicks an option where the user clicks: on its own text when it has a label of its own.
void ClickOption(QDialog* pSheet, const QString& name) {
    if (auto* pLabel = pSheet->findChild<QLabel*>(name + QStringLiteral("Label")))
        QTest::mouseClick(pLabel, Qt::LeftButton, {}, pLabel->rect().center());
    else if (auto* pButton = pSheet->findChild<QAbstractButton*>(name))
        QTest::mouseClick(pButton, Qt::LeftButton, {}, QPoint(6, pButton->height() / 2));
}

void SwitchTo(QDialog* pSheet, int nPage) {
    QTabBar* pBar = pSheet->findChild<QTabWidget*>(QStringLiteral("tabPages"))->tabBar();
    QTest::mouseClick(pBar, Qt::LeftButton, {}, pBar->tabRect(nPage).center());
}

// Edit > Properties, as the main window hands it to the form.
struct CPropertiesCommand {
    explicit CPropertiesCommand(CVornView& view) {
        m_pAction = new QAction(QStringLiteral("P&roperties"), &view);
        view.ConnectCommands({{CommandId::EditProperties, m_pAction}});
    }
    QAction* m_pAction;
};

} // namespace

class TestLiveSettings : public QObject {
    Q_OBJECT
private slots:
    void poorModeUsedByNextSearch();
    void deleteWithoutConfirmationAfterCancel();
};

void TestLiveSettings::poorModeUsedByNextSearch() {
    CFormFixture f;
    f.m_app.m_nSearchMode = CVornApp::Fair;
    f.Open({CFormFixture::Person("Ann", "Boston"), CFormFixture::Person("Bob", "Austin")});
    CPropertiesCommand properties(*f.m_pView);
    // One field matches, the other does not: Fair finds nothing.
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "xyz");
    f.Type("comboCity", "Boston");
    f.Click("btnFind");
    QCOMPARE(f.m_prompt.m_texts.size(), 1);

    bool bSheetSeen = false;
    CFormFixture::OnNextDialog([&bSheetSeen](QDialog* pSheet) {
        bSheetSeen = pSheet->objectName() == QStringLiteral("CAddrPropertySheet");
        ClickOption(pSheet, QStringLiteral("btnPoorMatch"));
        QTest::mouseClick(pSheet->findChild<QPushButton*>(QStringLiteral("btnOk")), Qt::LeftButton);
    });
    properties.m_pAction->trigger();
    QVERIFY(bSheetSeen);
    QCOMPARE(f.m_app.m_nSearchMode, int(CVornApp::Poor));

    // The same criteria again (the form kept them): now Ann is a hit.
    QStringList lines;
    CFormFixture::OnNextDialog([&lines](QDialog* pDialog) {
        auto* pList = pDialog->findChild<QListView*>(QStringLiteral("listResults"));
        for (int row = 0; row < pList->model()->rowCount(); ++row)
            lines.append(pList->model()->index(row, 0).data().toString());
        pDialog->reject();
    });
    f.Click("btnFind");
    QCOMPARE(lines, QStringList({"Ann"}));
    QCOMPARE(f.m_prompt.m_texts.size(), 1);
}

void TestLiveSettings::deleteWithoutConfirmationAfterCancel() {
    CFormFixture f;
    QVERIFY(f.m_app.m_bConfirmDelete);
    f.Open({CFormFixture::Person("Ann"), CFormFixture::Person("Bob"), CFormFixture::Person("Cy")});
    CPropertiesCommand properties(*f.m_pView);
    // With confirmation on, No keeps the entry.
    f.ClickLine(1);
    f.Click("btnDelete");
    QCOMPARE(f.m_prompt.m_texts,
             QStringList({QStringLiteral("Are you sure you want to delete this entry?")}));
    QCOMPARE(f.Lines().size(), 3);

    bool bWasTicked = false;
    CFormFixture::OnNextDialog([&bWasTicked](QDialog* pSheet) {
        SwitchTo(pSheet, 2);
        auto* pBox = pSheet->findChild<QCheckBox*>(QStringLiteral("btnConfirmDelete"));
        bWasTicked = pBox->isChecked();
        ClickOption(pSheet, QStringLiteral("btnConfirmDelete"));
        QTest::mouseClick(pSheet->findChild<QPushButton*>(QStringLiteral("btnCancel")),
                          Qt::LeftButton);
    });
    properties.m_pAction->trigger();
    QVERIFY(bWasTicked);
    // Cancel closes the sheet; the page already stored the change.
    QVERIFY(!f.m_app.m_bConfirmDelete);
    f.m_prompt.m_texts.clear();
    f.ClickLine(1);
    f.Click("btnDelete");
    QVERIFY(f.m_prompt.m_texts.isEmpty());
    QCOMPARE(f.Lines(), QStringList({"Ann", "Cy"}));
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Ann", "Cy"}));
}

QTEST_MAIN(TestLiveSettings)
#include "TestLiveSettings.moc"
