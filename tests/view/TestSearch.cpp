// Search through the form: preparing the form, typing criteria, the results dialog with its
// choices, and cancelling.
#include "CFormFixture.h"

#include <QItemSelectionModel>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kNoHits = QStringLiteral(
    "No entries matched your search criteria.  Try using a less stringent search mode.");

QList<CPerson> People() {
    return {CFormFixture::Person("Ann Smith", "Boston", "555-1", {"Work"}),
            CFormFixture::Person("Bob Stone", "Austin", {}, {"Club"}),
            CFormFixture::Person("John Smith", "Boston", {}, {"Work", "Club"}),
            CFormFixture::Person("Zoe Zed", "Erie")};
}

// What the results dialog showed, and how the test answered it.
struct CResults {
    QStringList lines;
    QList<int> selected;
    bool bOkEnabled = false;
    bool bGoToEnabled = false;
};

enum Choice { PressOk, PressGoTo, PressCancel, DoubleClick };

// Answers the next "Search Results" dialog: selects the given lines (none: keeps the first one
// selected), picks Replace if asked, and ends it as `choice` says.
void AnswerResults(CResults* pSeen, Choice choice, const QList<int>& rows = {},
                   bool bReplace = false) {
    CFormFixture::OnNextDialog([=](QDialog* pDialog) {
        auto* pList = pDialog->findChild<QListView*>(QStringLiteral("listResults"));
        QAbstractItemModel* pModel = pList->model();
        for (int row = 0; row < pModel->rowCount(); ++row)
            pSeen->lines.append(pModel->index(row, 0).data().toString());
        for (const QModelIndex& index : pList->selectionModel()->selectedIndexes())
            pSeen->selected.append(index.row());
        pSeen->bOkEnabled = pDialog->findChild<QPushButton*>("btnOK")->isEnabled();
        pSeen->bGoToEnabled = pDialog->findChild<QPushButton*>("btnGoTo")->isEnabled();
        if (!rows.isEmpty()) {
            const QRect first = pList->visualRect(pModel->index(rows.first(), 0));
            QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, first.center());
            for (int row : rows.mid(1)) {
                const QRect rect = pList->visualRect(pModel->index(row, 0));
                QTest::mouseClick(pList->viewport(), Qt::LeftButton, Qt::ControlModifier,
                                  rect.center());
            }
        }
        if (bReplace)
            QTest::mouseClick(pDialog->findChild<QRadioButton*>("radioReplace"), Qt::LeftButton, {},
                              QPoint(6, 6));
        switch (choice) {
        case PressOk:
            QTest::mouseClick(pDialog->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
            break;
        case PressGoTo:
            QTest::mouseClick(pDialog->findChild<QPushButton*>("btnGoTo"), Qt::LeftButton);
            break;
        case PressCancel:
            QTest::mouseClick(pDialog->findChild<QPushButton*>("btnCancel"), Qt::LeftButton);
            break;
        case DoubleClick: {
            const QRect rect = pList->visualRect(pModel->index(rows.value(0), 0));
            QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {}, rect.center());
            break;
        }
        }
    });
}

QListWidget* MemberOf(const CFormFixture& f) {
    return f.Child<QListWidget>("listMemberOf");
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void prepareSearch();
    void searchModes_data();
    void searchModes();
    void addResults();
    void replaceWithOne();
    void replaceWithSeveral();
    void goToPersonAlwaysAdds();
    void sameNamesFromResults();
    void cancelResults();
    void noHit();
    void cancelSearch();
    void cancelSearchOnEmptyList();
    void multiLineCriteria();
    void noEntrySelected();
};

void TestSearch::prepareSearch() {
    CFormFixture f;
    f.Open(People(), {"Club", "Work"});
    f.ClickLine(0);
    // Leaving the City field remembers its value for the next empty City field.
    f.Child<QWidget>("comboCity")->setFocus(Qt::TabFocusReason);
    f.Child<QWidget>("comboState")->setFocus(Qt::TabFocusReason);
    f.Name()->setFocus();
    QTest::keyClicks(f.Name(), "x");
    QVERIFY(!f.Child<QWidget>("btnCancelSearch")->isVisible());
    f.Click("btnClear");
    // Unsaved edits are dropped without a question.
    QVERIFY(f.m_prompt.m_texts.isEmpty());
    QCOMPARE(f.m_doc.m_personList[0]->m_strName, QByteArray("Ann Smith"));
    for (const char* field : {"editName", "editAddress", "comboCity", "comboState", "comboZip",
                              "comboCountry", "editPhone", "editEmail", "editNotes"})
        QCOMPARE(f.Text(field), QString());
    QVERIFY(MemberOf(f)->selectedItems().isEmpty());
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeSearchEntry));
    QVERIFY(!f.m_pView->IsChanged());
    QVERIFY(f.Child<QWidget>("btnCancelSearch")->isVisible());
    QVERIFY(!f.Button("btnNew")->isEnabled());
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    QVERIFY(!f.Button("btnDelete")->isEnabled());
    QVERIFY(f.Button("btnFind")->isEnabled());
    QCOMPARE(f.SelectedRows(), QList<int>());
    QCOMPARE(f.m_pView->focusWidget(), f.Name());
    // Typing criteria changes nothing of the buttons, and no place value is offered, nor is a
    // criterion learned as a place.
    QTest::keyClicks(f.Name(), "smith");
    f.Child<QWidget>("comboCity")->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.Text("comboCity"), QString());
    QTest::keyClicks(f.Child<QWidget>("comboCity"), "Nowhere");
    f.Name()->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.Child<QComboBox>("comboCity")->findText("Nowhere"), -1);
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    QVERIFY(!f.Button("btnNew")->isEnabled());
    // Alt+C clears the form again while "Cancel Search" shows: the button's underlined C does
    // not compete with it (two owners of one key would make it do nothing).
    QCOMPARE(f.Child<QPushButton>("btnCancelSearch")->text(), QStringLiteral("&Cancel Search"));
    QTest::keyClick(f.Name(), Qt::Key_C, Qt::AltModifier);
    QTRY_COMPARE(f.Text("editName"), QString());
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeSearchEntry));
    QVERIFY(f.Child<QWidget>("btnCancelSearch")->isVisible());
    QCOMPARE(f.m_pView->focusWidget(), f.Name());
}

void TestSearch::searchModes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QStringList>("memberOf");
    QTest::addColumn<QStringList>("hits"); // empty: the no-hit message

    QTest::newRow("Exact, name in another case")
        << 0 << "ann smith"
        << "" << QStringList() << QStringList({"Ann Smith"});
    QTest::newRow("Exact, partial name") << 0 << "smith"
                                         << "" << QStringList() << QStringList();
    QTest::newRow("Fair, any word")
        << 2 << "jo ann"
        << "" << QStringList() << QStringList({"Ann Smith", "John Smith"});
    QTest::newRow("Good needs one exact field")
        << 1 << "smith"
        << "boston" << QStringList() << QStringList({"Ann Smith", "John Smith"});
    QTest::newRow("Good without an exact field") << 1 << "smith"
                                                 << "bos" << QStringList() << QStringList();
    QTest::newRow("Poor, one field suffices")
        << 3 << "xyz"
        << "Erie" << QStringList() << QStringList({"Zoe Zed"});
    QTest::newRow("Exact, groups only")
        << 0 << ""
        << "" << QStringList({"Club", "Work"}) << QStringList({"John Smith"});
    QTest::newRow("Fair, groups only")
        << 2 << ""
        << "" << QStringList({"Club"})
        << QStringList({"Ann Smith", "Bob Stone", "John Smith", "Zoe Zed"});
    QTest::newRow("Good, groups only") << 1 << ""
                                       << "" << QStringList({"Club"}) << QStringList();
    QTest::newRow("Poor, groups only") << 3 << ""
                                       << "" << QStringList({"Club"}) << QStringList();
    QTest::newRow("Fair, nothing given") << 2 << ""
                                         << "" << QStringList() << QStringList();
    QTest::newRow("Poor, nothing given") << 3 << ""
                                         << "" << QStringList() << QStringList();
}

void TestSearch::searchModes() {
    QFETCH(int, mode);
    QFETCH(QString, name);
    QFETCH(QString, city);
    QFETCH(QStringList, memberOf);
    QFETCH(QStringList, hits);

    CFormFixture f;
    f.m_app.m_nSearchMode = mode;
    f.Open(People(), {"Club", "Work"});
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), name);
    if (!city.isEmpty())
        f.Type("comboCity", city);
    for (const QString& group : memberOf) {
        QListWidgetItem* pItem = MemberOf(f)->findItems(group, Qt::MatchExactly).value(0);
        QTest::mouseClick(MemberOf(f)->viewport(), Qt::LeftButton, {},
                          MemberOf(f)->visualItemRect(pItem).center());
    }
    CResults seen;
    if (!hits.isEmpty())
        AnswerResults(&seen, PressCancel);
    f.Click("btnFind");
    if (hits.isEmpty()) {
        QCOMPARE(f.m_prompt.m_texts, QStringList({kNoHits}));
        QCOMPARE(f.m_prompt.m_buttons, QList<IPrompt::Buttons>({IPrompt::Ok}));
    } else {
        QVERIFY(f.m_prompt.m_texts.isEmpty());
        QCOMPARE(seen.lines, hits);
        // The first line starts selected, so OK and "Go to person" are ready.
        QCOMPARE(seen.selected, QList<int>({0}));
        QVERIFY(seen.bOkEnabled);
        QVERIFY(seen.bGoToEnabled);
    }
    // Either way the search entry ends and the form keeps the criteria.
    QCOMPARE(f.Text("editName"), name);
    QVERIFY(!f.Child<QWidget>("btnCancelSearch")->isVisible());
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    QCOMPARE(f.Lines().size(), 4);
    QVERIFY(f.Button("btnNew")->isEnabled());
    QVERIFY(!f.m_doc.IsModified());
}

void TestSearch::addResults() {
    CFormFixture f;
    f.m_app.m_nSearchMode = CVornApp::Fair;
    f.Open(People(), {"Club", "Work"});
    // The list shows the Club members only.
    QListWidget* pGroups = f.Child<QListWidget>("listGroups");
    QTest::mouseClick(pGroups->viewport(), Qt::LeftButton, {},
                      pGroups->visualItemRect(pGroups->item(2)).center());
    QCOMPARE(f.Lines(), QStringList({"Bob Stone", "John Smith"}));
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "smith");
    CResults seen;
    AnswerResults(&seen, PressOk, {0, 1});
    f.Click("btnFind");
    QCOMPARE(seen.lines, QStringList({"Ann Smith", "John Smith"}));
    // John was listed already and keeps one line; Ann joins. Line 0 is shown.
    QCOMPARE(f.Lines(), QStringList({"Ann Smith", "Bob Stone", "John Smith"}));
    QCOMPARE(f.CaretRow(), 0);
    QCOMPARE(f.SelectedRows(), QList<int>({0}));
    QCOMPARE(f.Text("editName"), QStringLiteral("Ann Smith"));
    QCOMPARE(f.Counters(), QStringLiteral("3 of 4"));
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    QVERIFY(f.Button("btnDelete")->isEnabled());
    QVERIFY(!f.m_doc.IsModified());
    // Several people join a list at their sorted places.
    QTest::mouseClick(pGroups->viewport(), Qt::LeftButton, {},
                      pGroups->visualItemRect(pGroups->item(1)).center());
    QCOMPARE(f.Lines(), QStringList({"Zoe Zed"}));
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "o");
    CResults more;
    AnswerResults(&more, PressOk, {0, 1, 2});
    f.Click("btnFind");
    QCOMPARE(more.lines, QStringList({"Bob Stone", "John Smith", "Zoe Zed"}));
    QCOMPARE(f.Lines(), QStringList({"Bob Stone", "John Smith", "Zoe Zed"}));
    QCOMPARE(f.Text("editName"), QStringLiteral("Bob Stone"));
}

void TestSearch::replaceWithOne() {
    CFormFixture f;
    f.m_app.m_nSearchMode = CVornApp::Fair;
    f.Open(People(), {"Club", "Work"});
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "smith");
    CResults seen;
    AnswerResults(&seen, PressOk, {1}, true);
    f.Click("btnFind");
    QCOMPARE(f.Lines(), QStringList({"John Smith"}));
    QCOMPARE(f.SelectedRows(), QList<int>({0}));
    QCOMPARE(f.Text("editName"), QStringLiteral("John Smith"));
    QCOMPARE(f.Counters(), QStringLiteral("1 of 4"));
}

void TestSearch::replaceWithSeveral() {
    CFormFixture f;
    f.m_app.m_nSearchMode = CVornApp::Poor;
    f.Open(People(), {"Club", "Work"});
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "zed stone");
    CResults seen;
    AnswerResults(&seen, PressOk, {0, 1}, true);
    f.Click("btnFind");
    QCOMPARE(seen.lines, QStringList({"Bob Stone", "Zoe Zed"}));
    QCOMPARE(f.Lines(), QStringList({"Bob Stone", "Zoe Zed"}));
    QCOMPARE(f.Text("editName"), QStringLiteral("Bob Stone"));
}

void TestSearch::goToPersonAlwaysAdds() {
    CFormFixture f;
    f.m_app.m_nSearchMode = CVornApp::Fair;
    f.Open(People(), {"Club", "Work"});
    QListWidget* pGroups = f.Child<QListWidget>("listGroups");
    QTest::mouseClick(pGroups->viewport(), Qt::LeftButton, {},
                      pGroups->visualItemRect(pGroups->item(1)).center());
    QCOMPARE(f.Lines(), QStringList({"Zoe Zed"}));
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "smith");
    CResults seen;
    // Replace is marked, but going to a person adds it.
    AnswerResults(&seen, PressGoTo, {1}, true);
    f.Click("btnFind");
    QCOMPARE(f.Lines(), QStringList({"John Smith", "Zoe Zed"}));
    QCOMPARE(f.CaretRow(), 0);
    QCOMPARE(f.Text("editName"), QStringLiteral("John Smith"));
    // A double-click goes to the person too.
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "ann");
    CResults again;
    AnswerResults(&again, DoubleClick, {0});
    f.Click("btnFind");
    QCOMPARE(f.Lines(), QStringList({"Ann Smith", "John Smith", "Zoe Zed"}));
    QCOMPARE(f.Text("editName"), QStringLiteral("Ann Smith"));
}

void TestSearch::sameNamesFromResults() {
    CFormFixture f;
    f.m_app.m_nSearchMode = CVornApp::Exact;
    f.Open({CFormFixture::Person("Smith", "Boston"), CFormFixture::Person("Smith", "Dover"),
            CFormFixture::Person("Jones", "Erie")});
    // A list of Jones only, by replacing the list with a search result.
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "jones");
    CResults first;
    AnswerResults(&first, PressOk, {}, true);
    f.Click("btnFind");
    QCOMPARE(f.Lines(), QStringList({"Jones"}));
    // Both Smiths are hits and lines of their own.
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "smith");
    CResults seen;
    AnswerResults(&seen, PressGoTo, {1});
    f.Click("btnFind");
    QCOMPARE(seen.lines, QStringList({"Smith", "Smith"}));
    QCOMPARE(f.Lines(), QStringList({"Jones", "Smith"}));
    // The person chosen is the one shown.
    QCOMPARE(f.Text("comboCity"), QStringLiteral("Dover"));
    // The other Smith is added as a line of its own, not taken for the one listed.
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "smith");
    CResults other;
    AnswerResults(&other, PressGoTo, {0});
    f.Click("btnFind");
    QCOMPARE(f.Lines(), QStringList({"Jones", "Smith", "Smith"}));
    QCOMPARE(f.Text("comboCity"), QStringLiteral("Boston"));
    // Going to a listed person again adds nothing.
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "smith");
    CResults listed;
    AnswerResults(&listed, PressGoTo, {1});
    f.Click("btnFind");
    QCOMPARE(f.Lines().size(), 3);
    QCOMPARE(f.Text("comboCity"), QStringLiteral("Dover"));
    QCOMPARE(f.m_pView->PeopleModel().PersonAt(f.CaretRow()), f.m_doc.m_personList[1].get());
}

void TestSearch::cancelResults() {
    CFormFixture f;
    f.m_app.m_nSearchMode = CVornApp::Fair;
    f.Open(People(), {"Club", "Work"});
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "smith");
    CResults seen;
    AnswerResults(&seen, PressCancel, {0, 1}, true);
    f.Click("btnFind");
    QCOMPARE(seen.lines.size(), 2);
    QCOMPARE(f.Lines().size(), 4);
    QCOMPARE(f.Text("editName"), QStringLiteral("smith"));
    QVERIFY(!f.Child<QWidget>("btnCancelSearch")->isVisible());
    QVERIFY(!f.m_pView->IsChanged());
}

void TestSearch::noHit() {
    CFormFixture f;
    f.m_app.m_nSearchMode = CVornApp::Poor;
    f.Open(People(), {"Club", "Work"});
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "nobody");
    f.Click("btnFind");
    QCOMPARE(f.m_prompt.m_texts, QStringList({kNoHits}));
    QCOMPARE(f.Lines().size(), 4);
    QCOMPARE(f.Text("editName"), QStringLiteral("nobody"));
    QVERIFY(!f.Child<QWidget>("btnCancelSearch")->isVisible());
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    // Searching is possible without preparing: the form's contents are the criteria.
    f.ClickLine(3);
    CResults seen;
    AnswerResults(&seen, PressCancel);
    f.Click("btnFind");
    QCOMPARE(seen.lines, QStringList({"Zoe Zed"}));
}

void TestSearch::cancelSearch() {
    CFormFixture f;
    f.Open(People(), {"Club", "Work"});
    f.ClickLine(2);
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "criteria");
    f.Click("btnCancelSearch");
    QVERIFY(f.m_prompt.m_texts.isEmpty());
    QCOMPARE(f.Text("editName"), QStringLiteral("John Smith"));
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    QVERIFY(!f.Child<QWidget>("btnCancelSearch")->isVisible());
    QVERIFY(f.Button("btnNew")->isEnabled());
    QVERIFY(f.Button("btnDelete")->isEnabled());
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    QCOMPARE(f.SelectedRows(), QList<int>({2}));
    QCOMPARE(f.m_pView->focusWidget(), f.Name());
    QCOMPARE(f.m_doc.m_personList[2]->m_strName, QByteArray("John Smith"));
}

void TestSearch::cancelSearchOnEmptyList() {
    CFormFixture f;
    f.Open(People(), {"Club", "Work"});
    f.Click("btnClear");
    QListWidget* pGroups = f.Child<QListWidget>("listGroups");
    QTest::mouseClick(pGroups->viewport(), Qt::LeftButton, {},
                      pGroups->visualItemRect(pGroups->item(2)).center());
    QTest::mouseClick(pGroups->viewport(), Qt::LeftButton, {},
                      pGroups->visualItemRect(pGroups->item(2)).center());
    QCOMPARE(f.Lines(), QStringList());
    f.Click("btnCancelSearch");
    QCOMPARE(f.Text("editName"), QString());
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeBlank));
    QVERIFY(f.Button("btnNew")->isEnabled());
    QVERIFY(!f.Button("btnDelete")->isEnabled());
}

void TestSearch::multiLineCriteria() {
    CFormFixture f;
    f.m_app.m_nSearchMode = CVornApp::Exact;
    CPerson person = CFormFixture::Person("Ann");
    person.m_strAddress = "1 Main St\r\nApt 2";
    f.Open({person, CFormFixture::Person("Bob")});
    f.Click("btnClear");
    f.Type("editAddress", "1 MAIN st");
    QTest::keyClick(f.Child<QWidget>("editAddress"), Qt::Key_Return);
    QTest::keyClicks(f.Child<QWidget>("editAddress"), "apt 2");
    CResults seen;
    AnswerResults(&seen, PressCancel);
    f.Click("btnFind");
    QCOMPARE(seen.lines, QStringList({"Ann"}));
}

void TestSearch::noEntrySelected() {
    CFormFixture f;
    f.m_app.m_nSearchMode = CVornApp::Fair;
    f.Open(People(), {"Club", "Work"});
    f.Click("btnClear");
    QTest::keyClicks(f.Name(), "smith");
    bool bStayedOpen = false;
    bool bOkOff = false;
    bool bGoToOff = false;
    CFormFixture::OnNextDialog([&](QDialog* pDialog) {
        auto* pList = pDialog->findChild<QListView*>(QStringLiteral("listResults"));
        // Two lines selected: OK on, "Go to person" off; none: both off.
        pList->selectAll();
        bGoToOff = !pDialog->findChild<QPushButton*>("btnGoTo")->isEnabled();
        pList->clearSelection();
        bOkOff = !pDialog->findChild<QPushButton*>("btnOK")->isEnabled() &&
                 !pDialog->findChild<QPushButton*>("btnGoTo")->isEnabled();
        // One line selected but no current line.
        pList->selectionModel()->select(pList->model()->index(0, 0), QItemSelectionModel::Select);
        pList->selectionModel()->clearCurrentIndex();
        QTest::mouseClick(pDialog->findChild<QPushButton*>("btnGoTo"), Qt::LeftButton);
        QTest::mouseClick(pDialog->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
        bStayedOpen = pDialog->isVisible();
        // Help says that no help pages ship.
        QTest::mouseClick(pDialog->findChild<QPushButton*>("btnHelp"), Qt::LeftButton);
        pDialog->reject();
    });
    f.Click("btnFind");
    QVERIFY(bGoToOff);
    QVERIFY(bOkOff);
    QVERIFY(bStayedOpen);
    QCOMPARE(f.m_prompt.m_texts.mid(0, 2), QStringList({"No entry selected", "No entry selected"}));
    QCOMPARE(f.m_prompt.m_texts.size(), 3);
    QVERIFY(f.m_prompt.m_texts[2].contains("No help pages"));
    QCOMPARE(f.Lines().size(), 4);
}

QTEST_MAIN(TestSearch)
#include "TestSearch.moc"
