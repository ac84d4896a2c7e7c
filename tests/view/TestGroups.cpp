// Groups through the form: the filter by selected groups, "Groups belonged to", and creating,
// renaming and deleting groups with their dialogs.
#include "CFormFixture.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kAll = QStringLiteral("***All Groups***");
const QString kNone = QStringLiteral("***Not Categorized***");

QList<CPerson> Members() {
    // Ann in A, Bob in B, Cy in both, Di in none.
    return {CFormFixture::Person("Ann", "Boston", {}, {"A"}),
            CFormFixture::Person("Bob", "Austin", {}, {"B"}),
            CFormFixture::Person("Cy", "Dover", {}, {"A", "B"}),
            CFormFixture::Person("Di", "Erie")};
}

QListWidget* Groups(const CFormFixture& f) {
    return f.Child<QListWidget>("listGroups");
}
QListWidget* MemberOf(const CFormFixture& f) {
    return f.Child<QListWidget>("listMemberOf");
}

QStringList Texts(const QListWidget* pList) {
    QStringList texts;
    for (int row = 0; row < pList->count(); ++row)
        texts.append(pList->item(row)->text());
    return texts;
}
QStringList SelectedTexts(const QListWidget* pList) {
    QStringList texts;
    for (int row = 0; row < pList->count(); ++row) {
        if (pList->item(row)->isSelected())
            texts.append(pList->item(row)->text());
    }
    return texts;
}

// Clicks the line of the given text in a group list, as the user does.
void ClickGroup(QListWidget* pList, const QString& text) {
    const QList<QListWidgetItem*> items = pList->findItems(text, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(text));
    const QRect rect = pList->visualItemRect(items.first());
    QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, rect.center());
}

// Answers the next "Create a Group" or "Rename Group" dialog: types `text` into its edit and
// presses OK (when `bOk` and OK is enabled) or Cancel. `pOkEnabled` receives OK's state.
void AnswerNameDialog(const QString& text, bool bOk, bool* pOkEnabled = nullptr) {
    CFormFixture::OnNextDialog([text, bOk, pOkEnabled](QDialog* pDialog) {
        auto* pEdit = pDialog->findChild<QLineEdit*>();
        pEdit->setFocus();
        for (const QChar ch : text) {
            if (ch.unicode() < 0x80)
                QTest::keyClick(pEdit, ch.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, pEdit, Qt::Key_unknown, QString(ch), {});
        }
        auto* pOk = pDialog->findChild<QPushButton*>(QStringLiteral("btnOK"));
        if (pOkEnabled)
            *pOkEnabled = pOk->isEnabled();
        if (bOk && pOk->isEnabled())
            QTest::mouseClick(pOk, Qt::LeftButton);
        else
            QTest::mouseClick(pDialog->findChild<QPushButton*>(QStringLiteral("btnCancel")),
                              Qt::LeftButton);
    });
}

} // namespace

class TestGroups : public QObject {
    Q_OBJECT
private slots:
    void listsAfterOpening();
    void filterSequence();
    void pseudoGroups();
    void sameNamesBothListed();
    void groupChangeShowsFirstUnchanged();
    void emptiedListLeavesBlankForm();
    void pendingEditsAskedFirst();
    void memberOfEditsGroups();
    void createGroup_data();
    void createGroup();
    void renameGroup_data();
    void renameGroup();
    void renameKeepsFilteredMembers();
    void deleteGroup_data();
    void deleteGroup();
    void pseudoCaretIgnoredByCommands();
};

void TestGroups::listsAfterOpening() {
    CFormFixture f;
    f.Open(Members(), {"b", "A", "C"});
    QCOMPARE(Texts(Groups(f)), QStringList({kAll, kNone, "A", "b", "C"}));
    QCOMPARE(SelectedTexts(Groups(f)), QStringList({kAll}));
    QCOMPARE(Texts(MemberOf(f)), QStringList({"A", "b", "C"}));
    QCOMPARE(f.Text("labelSelectedGroups") + " of " + f.Text("labelTotalGroups"),
             QStringLiteral("3 of 3"));
    QVERIFY(f.Button("btnNewGroup")->isEnabled());
    QVERIFY(!f.Button("btnDeleteGroup")->isEnabled());
    QVERIFY(!f.Button("btnRenameGroup")->isEnabled());
    // A name sorting before the asterisks still comes after the two pseudo-groups.
    CFormFixture g;
    g.Open({}, {"!first", "(x)"});
    QCOMPARE(Texts(Groups(g)).mid(0, 2), QStringList({kAll, kNone}));
}

void TestGroups::filterSequence() {
    CFormFixture f;
    f.Open(Members(), {"A", "B"});
    ClickGroup(Groups(f), "A");
    QCOMPARE(f.Lines(), QStringList({"Ann", "Cy"}));
    QCOMPARE(SelectedTexts(Groups(f)), QStringList({"A"}));
    QCOMPARE(f.Text("labelSelectedGroups"), QStringLiteral("1"));
    QVERIFY(f.Button("btnDeleteGroup")->isEnabled());
    QVERIFY(f.Button("btnRenameGroup")->isEnabled());
    ClickGroup(Groups(f), "B");
    QCOMPARE(f.Lines(), QStringList({"Ann", "Bob", "Cy"}));
    QCOMPARE(f.Text("labelSelectedGroups"), QStringLiteral("2"));
    ClickGroup(Groups(f), "A");
    QCOMPARE(f.Lines(), QStringList({"Bob", "Cy"}));
    QCOMPARE(SelectedTexts(Groups(f)), QStringList({"B"}));
    QCOMPARE(f.Text("editName"), QStringLiteral("Bob"));
    ClickGroup(Groups(f), "B");
    QCOMPARE(f.Lines(), QStringList());
    QCOMPARE(SelectedTexts(Groups(f)), QStringList({kNone}));
    QCOMPARE(Groups(f)->currentRow(), 1);
    QCOMPARE(f.Counters(), QStringLiteral("0 of 4"));
    QVERIFY(!f.Button("btnDeleteGroup")->isEnabled());
    QCOMPARE(f.Text("editName"), QString());
    // Coming from "***Not Categorized***", a group starts a new filter.
    ClickGroup(Groups(f), "B");
    QCOMPARE(f.Lines(), QStringList({"Bob", "Cy"}));
    QVERIFY(!f.m_doc.IsModified());
    QVERIFY(f.m_prompt.m_texts.isEmpty());
}

void TestGroups::pseudoGroups() {
    CFormFixture f;
    f.Open(Members(), {"A", "B"});
    ClickGroup(Groups(f), kNone);
    QCOMPARE(f.Lines(), QStringList({"Di"}));
    QCOMPARE(SelectedTexts(Groups(f)), QStringList({kNone}));
    QCOMPARE(f.Text("labelSelectedGroups"), QStringLiteral("0"));
    // Clicking the selected pseudo-group again keeps it selected and the list as it is.
    ClickGroup(Groups(f), kNone);
    QCOMPARE(SelectedTexts(Groups(f)), QStringList({kNone}));
    QCOMPARE(f.Lines(), QStringList({"Di"}));
    ClickGroup(Groups(f), "A");
    ClickGroup(Groups(f), "B");
    ClickGroup(Groups(f), kAll);
    QCOMPARE(SelectedTexts(Groups(f)), QStringList({kAll}));
    QCOMPARE(f.Lines(), QStringList({"Ann", "Bob", "Cy", "Di"}));
    QCOMPARE(f.Text("labelSelectedGroups"), QStringLiteral("2"));
    QVERIFY(!f.Button("btnDeleteGroup")->isEnabled());
    QVERIFY(!f.Button("btnRenameGroup")->isEnabled());
}

void TestGroups::sameNamesBothListed() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Smith", "Boston", {}, {"A"}),
            CFormFixture::Person("smith", "Dover", {}, {"A"}),
            CFormFixture::Person("Smith", "Erie", {}, {"A"}),
            CFormFixture::Person("Smith", "Paris", {}, {"B"})},
           {"A", "B"});
    ClickGroup(Groups(f), "A");
    QCOMPARE(f.Lines(), QStringList({"Smith", "smith", "Smith"}));
    // Each line is its own entry.
    f.ClickLine(2);
    QCOMPARE(f.Text("comboCity"), QStringLiteral("Erie"));
    // Adding B to the filter adds the fourth Smith, although its name is already listed.
    ClickGroup(Groups(f), "B");
    QCOMPARE(f.Lines().size(), 4);
    f.ClickLine(3);
    QCOMPARE(f.Text("comboCity"), QStringLiteral("Paris"));
}

void TestGroups::groupChangeShowsFirstUnchanged() {
    CFormFixture f;
    f.Open(Members(), {"A", "B"});
    ClickGroup(Groups(f), "B");
    QCOMPARE(f.Text("editName"), QStringLiteral("Bob"));
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    QVERIFY(!f.m_pView->IsChanged());
    QCOMPARE(f.SelectedRows(), QList<int>({0}));
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    QVERIFY(f.Button("btnDelete")->isEnabled());
    // UPDATE follows the usual rules: a change enables it and stores into the shown entry.
    f.Name()->setFocus();
    QTest::keyClick(f.Name(), Qt::Key_End);
    QTest::keyClicks(f.Name(), "by");
    QVERIFY(f.Button("btnUpdate")->isEnabled());
    f.Click("btnUpdate");
    QCOMPARE(f.m_doc.m_personList.size(), size_t(4));
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Ann", "Bobby", "Cy", "Di"}));
    QCOMPARE(f.Lines(), QStringList({"Bobby", "Cy"}));
    // An empty place field offers the value of the first entry the filter showed.
    f.Click("btnNew");
    f.Child<QWidget>("comboCity")->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.Text("comboCity"), QStringLiteral("Austin"));
}

void TestGroups::emptiedListLeavesBlankForm() {
    CFormFixture f;
    f.Open(Members(), {"A", "B"});
    ClickGroup(Groups(f), "A");
    ClickGroup(Groups(f), "A");
    QCOMPARE(f.Lines(), QStringList());
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeBlank));
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    QVERIFY(!f.Button("btnDelete")->isEnabled());
    QVERIFY(!f.Button("btnFind")->isEnabled());
    // What is typed now is a new entry; no hidden entry is overwritten.
    f.Type("editName", "Eve");
    f.Click("btnUpdate");
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Ann", "Bob", "Cy", "Di", "Eve"}));
    QCOMPARE(f.Lines(), QStringList({"Eve"}));
}

void TestGroups::pendingEditsAskedFirst() {
    CFormFixture f;
    f.Open(Members(), {"A", "B"});
    f.Name()->setFocus();
    QTest::keyClick(f.Name(), Qt::Key_End);
    QTest::keyClicks(f.Name(), "ie");
    f.m_prompt.QueueAnswer(IPrompt::AnswerYes);
    ClickGroup(Groups(f), "B");
    QCOMPARE(f.m_prompt.m_texts,
             QStringList({"You have not updated your changes.  Would you like to do so now?"}));
    QCOMPARE(f.m_doc.m_personList[0]->m_strName, QByteArray("Annie"));
    QCOMPARE(f.Lines(), QStringList({"Bob", "Cy"}));
}

void TestGroups::memberOfEditsGroups() {
    CFormFixture f;
    f.Open(Members(), {"B", "A", "C"});
    // Cy is shown: both its groups are selected.
    f.ClickLine(2);
    QCOMPARE(SelectedTexts(MemberOf(f)), QStringList({"A", "B"}));
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    ClickGroup(MemberOf(f), "A");
    ClickGroup(MemberOf(f), "C");
    QVERIFY(f.m_pView->IsChanged());
    QVERIFY(f.Button("btnUpdate")->isEnabled());
    f.Click("btnUpdate");
    QCOMPARE(f.m_doc.m_personList[2]->m_groups, QList<QByteArray>({"B", "C"}));
    QVERIFY(f.m_doc.IsModified());
    // A new entry takes the selected groups too.
    f.Click("btnNew");
    QCOMPARE(SelectedTexts(MemberOf(f)), QStringList());
    f.Type("editName", "Eve");
    ClickGroup(MemberOf(f), "C");
    f.Click("btnUpdate");
    QCOMPARE(f.m_doc.m_personList.back()->m_groups, QList<QByteArray>({"C"}));
    ClickGroup(Groups(f), "C");
    QCOMPARE(f.Lines(), QStringList({"Cy", "Eve"}));
}

void TestGroups::createGroup_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<QByteArray>>("stored");
    // The group names as "Groups belonged to" lists them afterwards.
    QTest::addColumn<QStringList>("lines");

    const QList<QByteArray> before = {"Work", "Club"};
    const QStringList unchanged = {"Club", "Work"};
    QTest::newRow("new name") << "Family" << true << QStringList()
                              << QList<QByteArray>({"Work", "Club", "Family"})
                              << QStringList({"Club", "Family", "Work"});
    QTest::newRow("existing name in another case")
        << "work" << true << QStringList({"Group already exists"}) << before << unchanged;
    QTest::newRow("a pseudo-group's name")
        << "***not categorized***" << true << QStringList({"Group already exists"}) << before
        << unchanged;
    QTest::newRow("leading blanks dropped, trailing kept")
        << "   Family " << true << QStringList() << QList<QByteArray>({"Work", "Club", "Family "})
        << QStringList({"Club", "Family ", "Work"});
    QTest::newRow("blanks only") << "   " << true << QStringList() << before << unchanged;
    QTest::newRow("cancelled") << "Family" << false << QStringList() << before << unchanged;
    QTest::newRow("beyond ASCII") << QString::fromUtf8("Caf\u00e9") << true << QStringList()
                                  << QList<QByteArray>({"Work", "Club", "Caf\xc3\xa9"})
                                  << QStringList({QString::fromUtf8("Caf\u00e9"), "Club", "Work"});
}

void TestGroups::createGroup() {
    QFETCH(QString, typed);
    QFETCH(bool, ok);
    QFETCH(QStringList, messages);
    QFETCH(QList<QByteArray>, stored);
    QFETCH(QStringList, lines);

    CFormFixture f;
    f.Open({CFormFixture::Person("Ann", {}, {}, {"Club"}),
            CFormFixture::Person("Bob", {}, {}, {"Work"})},
           {"Work", "Club"});
    ClickGroup(Groups(f), "Club");
    QCOMPARE(f.Lines(), QStringList({"Ann"}));
    AnswerNameDialog(typed, ok);
    f.Click("btnNewGroup");
    QCOMPARE(f.m_prompt.m_texts, messages);
    QCOMPARE(f.m_doc.m_groupList, stored);
    QCOMPARE(f.m_pView->focusWidget(), f.Name());
    const bool bAdded = stored.size() == 3;
    QCOMPARE(f.m_doc.IsModified(), bAdded);
    // The people list is not filtered again.
    QCOMPARE(f.Lines(), QStringList({"Ann"}));
    QCOMPARE(Texts(MemberOf(f)), lines);
    QCOMPARE(Texts(Groups(f)), QStringList({kAll, kNone}) + lines);
    if (!bAdded) {
        QCOMPARE(SelectedTexts(Groups(f)), QStringList({"Club"}));
        return;
    }
    // The new group joins the selection and becomes the caret line.
    const QString shown = QString::fromUtf8(stored.back());
    QStringList selected = {"Club", shown};
    if (lines.indexOf(shown) < lines.indexOf("Club"))
        selected = QStringList({shown, "Club"});
    QCOMPARE(SelectedTexts(Groups(f)), selected);
    QCOMPARE(Groups(f)->currentItem()->text(), shown);
    QCOMPARE(f.Text("labelSelectedGroups") + " of " + f.Text("labelTotalGroups"),
             QStringLiteral("2 of 3"));
    QVERIFY(f.Button("btnDeleteGroup")->isEnabled());
    QVERIFY(f.Button("btnRenameGroup")->isEnabled());
    // The shown entry's groups are as they were.
    QCOMPARE(SelectedTexts(MemberOf(f)), QStringList({"Club"}));
    QVERIFY(!f.m_pView->IsChanged());
}

void TestGroups::renameGroup_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("okEnabled");
    QTest::addColumn<QList<QByteArray>>("stored");
    QTest::addColumn<QList<QByteArray>>("cyGroups");

    QTest::newRow("new name") << "Team" << true << QList<QByteArray>({"Club", "Team"})
                              << QList<QByteArray>({"Team", "Club"});
    QTest::newRow("another case of another group")
        << "club" << true << QList<QByteArray>({"Club", "club"})
        << QList<QByteArray>({"club", "Club"});
    QTest::newRow("blanks around are dropped")
        << "  Team  " << true << QList<QByteArray>({"Club", "Team"})
        << QList<QByteArray>({"Team", "Club"});
    QTest::newRow("an existing name") << "Club" << false << QList<QByteArray>({"Work", "Club"})
                                      << QList<QByteArray>({"Work", "Club"});
    QTest::newRow("an existing name with blanks")
        << " Club" << false << QList<QByteArray>({"Work", "Club"})
        << QList<QByteArray>({"Work", "Club"});
    QTest::newRow("blanks only") << "   " << false << QList<QByteArray>({"Work", "Club"})
                                 << QList<QByteArray>({"Work", "Club"});
}

void TestGroups::renameGroup() {
    QFETCH(QString, typed);
    QFETCH(bool, okEnabled);
    QFETCH(QList<QByteArray>, stored);
    QFETCH(QList<QByteArray>, cyGroups);

    CFormFixture f;
    f.Open({CFormFixture::Person("Ann", {}, {}, {"Work"}),
            CFormFixture::Person("Cy", {}, {}, {"Work", "Club"}), CFormFixture::Person("Di")},
           {"Work", "Club"});
    ClickGroup(Groups(f), "Work");
    bool bOkEnabled = !okEnabled;
    QString shownCurrent;
    CFormFixture::OnNextDialog([&shownCurrent](QDialog* pDialog) {
        shownCurrent = pDialog->findChild<QLabel*>(QStringLiteral("labelCurrentName"))->text();
        // OK starts disabled.
        QVERIFY(!pDialog->findChild<QPushButton*>(QStringLiteral("btnOK"))->isEnabled());
        pDialog->reject();
    });
    f.Click("btnRenameGroup");
    QCOMPARE(shownCurrent, QStringLiteral("Work"));
    AnswerNameDialog(typed, true, &bOkEnabled);
    f.Click("btnRenameGroup");
    QCOMPARE(bOkEnabled, okEnabled);
    QCOMPARE(f.m_doc.m_groupList, stored);
    QCOMPARE(f.m_doc.m_personList[1]->m_groups, cyGroups);
    QCOMPARE(f.m_doc.IsModified(), okEnabled);
    QCOMPARE(f.m_pView->focusWidget(), f.Name());
    if (!okEnabled)
        return;
    const QString newName = QString::fromUtf8(stored.back());
    QCOMPARE(f.m_doc.m_personList[0]->m_groups, QList<QByteArray>({stored.back()}));
    QCOMPARE(f.m_doc.m_personList[2]->m_groups, QList<QByteArray>());
    // The renamed group is picked, and still lists its members.
    QCOMPARE(SelectedTexts(Groups(f)), QStringList({newName}));
    QCOMPARE(f.Lines(), QStringList({"Ann", "Cy"}));
    QVERIFY(Texts(MemberOf(f)).contains(newName));
    QVERIFY(!Texts(MemberOf(f)).contains("Work"));
    QVERIFY(f.Button("btnDeleteGroup")->isEnabled());
    QVERIFY(f.Button("btnRenameGroup")->isEnabled());
    // The shown entry shows its renamed group as selected, and nothing counts as changed.
    QCOMPARE(f.Text("editName"), QStringLiteral("Ann"));
    QCOMPARE(SelectedTexts(MemberOf(f)), QStringList({newName}));
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
}

void TestGroups::renameKeepsFilteredMembers() {
    CFormFixture f;
    f.Open(Members(), {"A", "B"});
    ClickGroup(Groups(f), "A");
    ClickGroup(Groups(f), "B");
    f.ClickLine(1);
    Groups(f)->setCurrentRow(2, QItemSelectionModel::NoUpdate); // the caret on A, still selected
    AnswerNameDialog("Alpha", true);
    f.Click("btnRenameGroup");
    QCOMPARE(f.m_doc.m_groupList, QList<QByteArray>({"B", "Alpha"}));
    QCOMPARE(SelectedTexts(Groups(f)), QStringList({"Alpha", "B"}));
    QCOMPARE(f.Lines(), QStringList({"Ann", "Bob", "Cy"}));
}

void TestGroups::deleteGroup_data() {
    QTest::addColumn<bool>("confirmDelete");
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << true << int(IPrompt::AnswerYes);
    QTest::newRow("Yes, asked even without delete confirmation")
        << false << int(IPrompt::AnswerYes);
    QTest::newRow("No") << true << int(IPrompt::AnswerNo);
}

void TestGroups::deleteGroup() {
    QFETCH(bool, confirmDelete);
    QFETCH(int, answer);
    CFormFixture f;
    f.m_app.m_bConfirmDelete = confirmDelete;
    f.Open(Members(), {"A", "B"});
    ClickGroup(Groups(f), "A");
    f.ClickLine(1);
    QCOMPARE(f.Text("editName"), QStringLiteral("Cy"));
    f.m_prompt.QueueAnswer(IPrompt::Answer(answer));
    f.Click("btnDeleteGroup");
    QCOMPARE(f.m_prompt.m_texts, QStringList({"Are you sure you want to delete A"}));
    QCOMPARE(f.m_prompt.m_buttons, QList<IPrompt::Buttons>({IPrompt::YesNo}));
    // The entries stay in the file and in the list either way.
    QCOMPARE(f.m_doc.m_personList.size(), size_t(4));
    QCOMPARE(f.Lines(), QStringList({"Ann", "Cy"}));
    if (answer == IPrompt::AnswerNo) {
        QCOMPARE(f.m_doc.m_groupList, QList<QByteArray>({"A", "B"}));
        QVERIFY(!f.m_doc.IsModified());
        return;
    }
    QCOMPARE(f.m_doc.m_groupList, QList<QByteArray>({"B"}));
    QCOMPARE(f.m_doc.m_personList[0]->m_groups, QList<QByteArray>());
    QCOMPARE(f.m_doc.m_personList[2]->m_groups, QList<QByteArray>({"B"}));
    QVERIFY(f.m_doc.IsModified());
    QCOMPARE(Texts(Groups(f)), QStringList({kAll, kNone, "B"}));
    QCOMPARE(Texts(MemberOf(f)), QStringList({"B"}));
    QCOMPARE(SelectedTexts(MemberOf(f)), QStringList({"B"}));
    QVERIFY(!f.m_pView->IsChanged());
    QCOMPARE(f.Text("labelSelectedGroups") + " of " + f.Text("labelTotalGroups"),
             QStringLiteral("0 of 1"));
    QVERIFY(!f.Button("btnDeleteGroup")->isEnabled());
    QVERIFY(!f.Button("btnRenameGroup")->isEnabled());
    // Ann now has no group.
    ClickGroup(Groups(f), kNone);
    QCOMPARE(f.Lines(), QStringList({"Ann", "Di"}));
}

void TestGroups::pseudoCaretIgnoredByCommands() {
    CFormFixture f;
    f.Open(Members(), {"A", "B"});
    // The buttons are off; the commands themselves do nothing either.
    f.m_pView->OnDeleteGroup();
    f.m_pView->OnRenameGroup();
    QCOMPARE(f.m_prompt.m_texts, QStringList());
    QCOMPARE(f.m_doc.m_groupList, QList<QByteArray>({"A", "B"}));
    QVERIFY(!f.m_doc.IsModified());
    // No caret line at all.
    Groups(f)->setCurrentItem(nullptr);
    f.m_pView->OnDeleteGroup();
    QCOMPARE(f.m_prompt.m_texts, QStringList({"No group selected."}));
}

QTEST_MAIN(TestGroups)
#include "TestGroups.moc"
