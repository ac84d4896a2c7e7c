// Copying entries as text, the Edit commands on the focused field, and the two context menus.
#include "CFormFixture.h"
#include "CommandIds.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>

namespace {

const QString kCopyLimit = QStringLiteral("You can only select up to 1000 entries at a time");

// The main window's Edit actions, as it hands them to the form.
struct CEditActions {
    explicit CEditActions(CVornView& view) {
        for (int id : {CommandId::EditUndo, CommandId::EditCut, CommandId::EditCopy,
                       CommandId::EditPaste, CommandId::EditCopyEntries}) {
            auto* pAction = new QAction(&view);
            pAction->setEnabled(false);
            m_actions.insert(id, pAction);
        }
        view.ConnectCommands(m_actions);
    }
    QAction* operator[](int id) const { return m_actions.value(id); }
    QHash<int, QAction*> m_actions;
};

QByteArray ClipboardBytes() {
    return QGuiApplication::clipboard()->text().toUtf8();
}

void SelectAllLines(CFormFixture& f) {
    f.ClickLine(0);
    f.ClickLine(f.m_pView->PeopleModel().Count() - 1, Qt::ShiftModifier);
}

// The shown pop-up menu, closed after reading it.
QMenu* TakePopup() {
    auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (pMenu)
        pMenu->hide();
    return pMenu;
}

void RightClick(QWidget* pWidget, QPoint pos = QPoint(5, 5)) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, pWidget->mapToGlobal(pos));
    QApplication::sendEvent(pWidget, &event);
}

} // namespace

class TestClipboard : public QObject {
    Q_OBJECT
private slots:
    void copyOneEntry_data();
    void copyOneEntry();
    void copyTwoEntries();
    void copyLimit_data();
    void copyLimit();
    void copyEntriesFollowsSelection();
    void editCommands();
    void editCommandsOutsideFields();
    void contextMenus_data();
    void contextMenus();
    void contextItemsFollowButtons();
    void shiftF10();
};

void TestClipboard::copyOneEntry_data() {
    QTest::addColumn<QList<QByteArray>>("fields"); // name, address, city, state, zip, country,
                                                   // phone, e-mail, notes
    QTest::addColumn<QByteArray>("text");

    auto fields = [](QByteArray name, QByteArray address, QByteArray city, QByteArray state,
                     QByteArray zip, QByteArray country = {}, QByteArray phone = {},
                     QByteArray email = {}, QByteArray notes = {}) {
        return QList<QByteArray>{name, address, city, state, zip, country, phone, email, notes};
    };
    QTest::newRow("worked example")
        << fields("Jane Doe", "1 Main St", "Springfield", "IL", "62701", {}, "555-1234")
        << QByteArray("Jane Doe\n1 Main St\nSpringfield, IL 62701\n555-1234\n");
    QTest::newRow("name and state")
        << fields("Jane Doe", {}, {}, "IL", {}) << QByteArray("Jane Doe\nIL\n");
    QTest::newRow("city and ZIP") << fields("Jane Doe", {}, "Springfield", {}, "62701")
                                  << QByteArray("Jane Doe\nSpringfield 62701\n");
    QTest::newRow("state and ZIP")
        << fields("Jane Doe", {}, {}, "IL", "62701") << QByteArray("Jane Doe\nIL 62701\n");
    QTest::newRow("city and state") << fields("Jane Doe", {}, "Springfield", "IL", {})
                                    << QByteArray("Jane Doe\nSpringfield, IL\n");
    QTest::newRow("ZIP only") << fields("Jane Doe", {}, {}, {}, "62701")
                              << QByteArray("Jane Doe\n62701\n");
    QTest::newRow("name only") << fields("Jane Doe", {}, {}, {}, {}) << QByteArray("Jane Doe\n");
    QTest::newRow("blanks around the place are dropped")
        << fields("Jane Doe", {}, " Springfield", {}, "62701 ")
        << QByteArray("Jane Doe\nSpringfield 62701\n");
    QTest::newRow("every field, lines kept as stored")
        << fields("Jane Doe", "1 Main St\r\nApt 2", "Springfield", "IL", "62701", "United States",
                  "Home 555\r\nWork 556", "jane@example.org", "Met in 1990.")
        << QByteArray("Jane Doe\n1 Main St\r\nApt 2\nSpringfield, IL 62701\nUnited States\n"
                      "Home 555\r\nWork 556\njane@example.org\nMet in 1990.\n");
    QTest::newRow("texts as shown")
        << fields("J\xf6rg", {}, "K\xc3\xb6ln", {}, {}) << QByteArray("J\xc3\xb6rg\nK\xc3\xb6ln\n");
}

void TestClipboard::copyOneEntry() {
    QFETCH(QList<QByteArray>, fields);
    QFETCH(QByteArray, text);
    CPerson person;
    QByteArray* members[] = {&person.m_strName,  &person.m_strAddress, &person.m_strCity,
                             &person.m_strState, &person.m_strZip,     &person.m_strCountry,
                             &person.m_strPhone, &person.m_strEmail,   &person.m_strNotes};
    for (int i = 0; i < 9; ++i)
        *members[i] = fields[i];
    person.m_groups = {"Work"};

    CFormFixture f;
    f.Open({person, CFormFixture::Person("Zed")}, {"Work"});
    CEditActions actions(*f.m_pView);
    QGuiApplication::clipboard()->clear();
    f.ClickLine(0);
    QVERIFY(actions[CommandId::EditCopyEntries]->isEnabled());
    actions[CommandId::EditCopyEntries]->trigger();
    QCOMPARE(ClipboardBytes(), text);
    // Nothing about the entry changes.
    QCOMPARE(*f.m_doc.m_personList[0], person);
    QVERIFY(!f.m_doc.IsModified());
    QVERIFY(f.m_prompt.m_texts.isEmpty());
}

void TestClipboard::copyTwoEntries() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Cy", "Dover", "555-3"), CFormFixture::Person("Al"),
            CFormFixture::Person("Bo", {}, {}, {})});
    CEditActions actions(*f.m_pView);
    // Chosen bottom first; copied top to bottom.
    f.ClickLine(2);
    f.ClickLine(0, Qt::ControlModifier);
    actions[CommandId::EditCopyEntries]->trigger();
    QCOMPARE(ClipboardBytes(), QByteArray("Al\n\nCy\nDover\n555-3\n"));
}

void TestClipboard::copyLimit_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("1000 entries are copied") << 1000;
    QTest::newRow("1001 are refused") << 1001;
}

void TestClipboard::copyLimit() {
    QFETCH(int, count);
    QList<CPerson> people;
    for (int i = 0; i < count; ++i)
        people.append(CFormFixture::Person(QByteArray("Person ") + QByteArray::number(10000 + i)));
    CFormFixture f;
    f.Open(people);
    CEditActions actions(*f.m_pView);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    SelectAllLines(f);
    QCOMPARE(f.SelectedRows().size(), count);
    actions[CommandId::EditCopyEntries]->trigger();
    if (count > CVornView::kMaxCopyLines) {
        QCOMPARE(f.m_prompt.m_texts, QStringList({kCopyLimit}));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        return;
    }
    QVERIFY(f.m_prompt.m_texts.isEmpty());
    const QByteArray text = ClipboardBytes();
    QCOMPARE(text.count("\n\n"), count - 1);
    QVERIFY(text.startsWith("Person 10000\n\nPerson 10001\n\n"));
    QVERIFY(text.endsWith("\n\nPerson 10999\n"));
}

void TestClipboard::copyEntriesFollowsSelection() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Al"), CFormFixture::Person("Bo")});
    CEditActions actions(*f.m_pView);
    QVERIFY(actions[CommandId::EditCopyEntries]->isEnabled());
    // A new record deselects every line.
    f.Click("btnNew");
    QVERIFY(!actions[CommandId::EditCopyEntries]->isEnabled());
    f.ClickLine(1);
    QVERIFY(actions[CommandId::EditCopyEntries]->isEnabled());
    // While criteria are entered no line is selected.
    f.Click("btnClear");
    QVERIFY(!actions[CommandId::EditCopyEntries]->isEnabled());
    CFormFixture g;
    g.Open({});
    CEditActions none(*g.m_pView);
    QVERIFY(!none[CommandId::EditCopyEntries]->isEnabled());
}

void TestClipboard::editCommands() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Al", "Boston")});
    CEditActions actions(*f.m_pView);
    QGuiApplication::clipboard()->clear();
    f.Name()->setFocus();
    QTest::keyClick(f.Name(), Qt::Key_End);
    QVERIFY(!actions[CommandId::EditUndo]->isEnabled());
    QVERIFY(!actions[CommandId::EditCut]->isEnabled());
    QVERIFY(!actions[CommandId::EditCopy]->isEnabled());
    QVERIFY(!actions[CommandId::EditPaste]->isEnabled());
    QTest::keyClicks(f.Name(), "an");
    QVERIFY(actions[CommandId::EditUndo]->isEnabled());
    QTest::keyClick(f.Name(), Qt::Key_Home, Qt::ShiftModifier);
    QVERIFY(actions[CommandId::EditCut]->isEnabled());
    QVERIFY(actions[CommandId::EditCopy]->isEnabled());
    actions[CommandId::EditCut]->trigger();
    QCOMPARE(f.Text("editName"), QString());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Alan"));
    QVERIFY(!actions[CommandId::EditCut]->isEnabled());
    QVERIFY(actions[CommandId::EditPaste]->isEnabled());
    actions[CommandId::EditUndo]->trigger();
    QCOMPARE(f.Text("editName"), QStringLiteral("Alan"));
    // Paste into the text part of a combo box, as the user's edit.
    f.Child<QWidget>("comboCity")->setFocus();
    QVERIFY(actions[CommandId::EditPaste]->isEnabled());
    QTest::keyClick(f.Child<QWidget>("comboCity"), Qt::Key_End);
    actions[CommandId::EditPaste]->trigger();
    QCOMPARE(f.Text("comboCity"), QStringLiteral("BostonAlan"));
    QVERIFY(f.m_pView->IsChanged());
    QVERIFY(f.Button("btnUpdate")->isEnabled());
    // In a multi-line field: copy a selection, paste with the clipboard holding no text.
    auto* pNotes = f.Child<QPlainTextEdit>("editNotes");
    pNotes->setFocus();
    QTest::keyClicks(pNotes, "note");
    QTest::keyClick(pNotes, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(actions[CommandId::EditCopy]->isEnabled());
    actions[CommandId::EditCopy]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("note"));
    QGuiApplication::clipboard()->clear();
    QVERIFY(!actions[CommandId::EditPaste]->isEnabled());
    auto* pImage = new QMimeData;
    pImage->setData(QStringLiteral("image/png"), QByteArray("\x89PNG"));
    QGuiApplication::clipboard()->setMimeData(pImage);
    QVERIFY(!actions[CommandId::EditPaste]->isEnabled());
}

void TestClipboard::editCommandsOutsideFields() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Al"), CFormFixture::Person("Bo")}, {"Work"});
    CEditActions actions(*f.m_pView);
    QGuiApplication::clipboard()->setText(QStringLiteral("text"));
    f.Name()->setFocus();
    f.Name()->selectAll();
    QVERIFY(actions[CommandId::EditCopy]->isEnabled());
    QVERIFY(actions[CommandId::EditPaste]->isEnabled());
    for (const char* list : {"listPeople", "listGroups", "listMemberOf"}) {
        f.Child<QWidget>(list)->setFocus();
        QVERIFY2(!actions[CommandId::EditCut]->isEnabled(), list);
        QVERIFY2(!actions[CommandId::EditCopy]->isEnabled(), list);
        QVERIFY2(!actions[CommandId::EditPaste]->isEnabled(), list);
        QVERIFY2(!actions[CommandId::EditUndo]->isEnabled(), list);
    }
    // The commands do nothing there.
    actions[CommandId::EditPaste]->trigger();
    QCOMPARE(f.Lines(), QStringList({"Al", "Bo"}));
    QVERIFY(!f.m_pView->IsChanged());
}

void TestClipboard::contextMenus_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    const QStringList entries = {
        "New record", "Commit changes to record",  "Delete these records", "", "Copy entries",
        "",           "Prepare screen for search", "Search the database"};
    const QStringList groups = {"Add a new group", "Rename the current group",
                                "Delete the current group"};
    QTest::newRow("group list") << "listGroups"
                                << "menuGroups" << groups;
    QTest::newRow("groups belonged to") << "listMemberOf"
                                        << "menuGroups" << groups;
    QTest::newRow("people list") << "listPeople"
                                 << "menuEntries" << entries;
    QTest::newRow("a label") << "labelCity"
                             << "menuEntries" << entries;
    QTest::newRow("a picture button") << "btnNewGroup"
                                      << "menuEntries" << entries;
}

void TestClipboard::contextMenus() {
    QFETCH(QString, target);
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    CFormFixture f;
    f.Open({CFormFixture::Person("Al")}, {"Work"});
    QWidget* pTarget = f.m_pView->findChild<QWidget*>(target);
    if (auto* pArea = qobject_cast<QAbstractScrollArea*>(pTarget))
        pTarget = pArea->viewport();
    RightClick(pTarget);
    QMenu* pMenu = TakePopup();
    QVERIFY(pMenu);
    QCOMPARE(pMenu->objectName(), menu);
    QStringList texts;
    for (QAction* pAction : pMenu->actions())
        texts.append(pAction->isSeparator() ? QString() : pAction->text());
    QCOMPARE(texts, items);
    // A text field keeps its own menu of edit commands.
    RightClick(f.Name());
    QMenu* pFieldMenu = TakePopup();
    QVERIFY(pFieldMenu);
    QVERIFY(pFieldMenu->objectName() != "menuEntries" && pFieldMenu->objectName() != "menuGroups");
}

void TestClipboard::contextItemsFollowButtons() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Al", {}, {}, {"Work"}), CFormFixture::Person("Bo")}, {"Work"});
    auto* pEntries = f.m_pView->findChild<QMenu*>("menuEntries");
    auto* pGroups = f.m_pView->findChild<QMenu*>("menuGroups");
    auto item = [](QMenu* pMenu, int id) {
        return pMenu->findChild<QAction*>(QStringLiteral("action%1").arg(id));
    };
    const std::pair<int, const char*> entryItems[] = {
        {CommandId::ContextNewRecord, "btnNew"}, {CommandId::ContextCommit, "btnUpdate"},
        {CommandId::ContextDelete, "btnDelete"}, {CommandId::ContextPrepareSearch, "btnClear"},
        {CommandId::ContextSearch, "btnFind"},
    };
    const std::pair<int, const char*> groupItems[] = {
        {CommandId::ContextAddGroup, "btnNewGroup"},
        {CommandId::ContextRenameGroup, "btnRenameGroup"},
        {CommandId::ContextDeleteGroup, "btnDeleteGroup"},
    };
    auto check = [&](const char* when) {
        for (const auto& [id, button] : entryItems)
            QVERIFY2(item(pEntries, id)->isEnabled() == f.Button(button)->isEnabled(), when);
        for (const auto& [id, button] : groupItems)
            QVERIFY2(item(pGroups, id)->isEnabled() == f.Button(button)->isEnabled(), when);
    };
    check("shown");
    f.Type("editName", "x");
    check("edited");
    f.Click("btnClear");
    check("search entry");
    f.Click("btnCancelSearch");
    QListWidget* pList = f.Child<QListWidget>("listGroups");
    QTest::mouseClick(pList->viewport(), Qt::LeftButton, {},
                      pList->visualItemRect(pList->item(2)).center());
    check("group picked");
    // An item runs its command.
    f.m_prompt.QueueAnswer(IPrompt::AnswerNo);
    item(pGroups, CommandId::ContextDeleteGroup)->trigger();
    QCOMPARE(f.m_prompt.m_texts.value(0), QStringLiteral("Are you sure you want to delete Work"));
    f.ClickLine(0);
    item(pEntries, CommandId::ContextCopyEntries)->trigger();
    QCOMPARE(ClipboardBytes(), QByteArray("Al\n"));
    item(pEntries, CommandId::ContextPrepareSearch)->trigger();
    QTRY_VERIFY(f.Child<QWidget>("btnCancelSearch")->isVisible());
}

void TestClipboard::shiftF10() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Al")}, {"Work"});
    for (const char* focus : {"editName", "listGroups"}) {
        QWidget* pFocus = f.Child<QWidget>(focus);
        pFocus->setFocus();
        QTest::keyClick(pFocus, Qt::Key_F10, Qt::ShiftModifier);
        auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY2(pMenu, focus);
        QCOMPARE(pMenu->objectName(), QStringLiteral("menuEntries"));
        QCOMPARE(pMenu->pos(), f.m_pView->mapToGlobal(QPoint(5, 5)));
        pMenu->hide();
    }
    // The key reached no field.
    QCOMPARE(f.Text("editName"), QStringLiteral("Al"));
    QVERIFY(!f.m_pView->IsChanged());
}

QTEST_MAIN(TestClipboard)
#include "TestClipboard.moc"
