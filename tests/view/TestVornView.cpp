// The form as a whole: what a new or opened file shows, the people list's order and columns,
// the fixed and data-filled boxes, quick find, the counters, and the buttons' states.
#include "CFormFixture.h"
#include "CPictureButton.h"
#include "CommandIds.h"

#include <QAction>
#include <QGroupBox>
#include <QScrollBar>
#include <QSpinBox>
#include <algorithm>

class TestVornView : public QObject {
    Q_OBJECT
private slots:
    void emptyDocument();
    void refreshTrimsAndDropsNames();
    void peopleListSorted_data();
    void peopleListSorted();
    void cityAndZipFromData();
    void cityAndZipLongAndMany();
    void stateAndCountryLists();
    void longCountryShowsStart_data();
    void longCountryShowsStart();
    void firstEntryAndGroupLists();
    void quickFind_data();
    void quickFind();
    void columns_data();
    void columns();
    void spinStopsAtLimits();
    void everyControlNamed();
    void labelTexts_data();
    void labelTexts();
    void toolTips();
    void notesLabelFromFile();
    void emailAndDialFollowFields();
    void actionsFollowButtons();
    void multiLineFieldsShowLines();
};

namespace {

// The lines of a data-filled box, as the user finds them on coming to it.
QStringList ComboItems(CFormFixture& f, const char* name) {
    QStringList list;
    auto* pCombo = f.Child<QComboBox>(name);
    pCombo->setFocus(Qt::MouseFocusReason);
    for (int i = 0; i < pCombo->count(); ++i)
        list.append(pCombo->itemText(i));
    return list;
}

} // namespace

void TestVornView::emptyDocument() {
    CFormFixture f;
    f.Open({});
    QCOMPARE(f.Counters(), QStringLiteral("0 of 0"));
    QCOMPARE(f.Text("labelSelectedGroups"), QStringLiteral("0"));
    QCOMPARE(f.Text("labelTotalGroups"), QStringLiteral("0"));
    QVERIFY(f.Lines().isEmpty());
    for (const char* field : {"editName", "editAddress", "comboCity", "comboState", "comboZip",
                              "comboCountry", "editPhone", "editEmail", "editNotes"})
        QVERIFY2(f.Text(field).isEmpty(), field);
    QVERIFY(f.Button("btnNew")->isEnabled());
    QVERIFY(f.Button("btnNewGroup")->isEnabled());
    for (const char* disabled : {"btnUpdate", "btnDelete", "btnClear", "btnFind", "btnEmail",
                                 "btnDial", "btnDeleteGroup", "btnRenameGroup"})
        QVERIFY2(!f.Button(disabled)->isEnabled(), disabled);
    QVERIFY(!f.Child<QWidget>("btnCancelSearch")->isVisible());
    auto* pGroups = f.Child<QListWidget>("listGroups");
    QCOMPARE(pGroups->count(), 2);
    QCOMPARE(pGroups->item(0)->text(), QStringLiteral("***All Groups***"));
    QCOMPARE(pGroups->item(1)->text(), QStringLiteral("***Not Categorized***"));
    QVERIFY(pGroups->item(0)->isSelected());
    QVERIFY(!pGroups->item(1)->isSelected());
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeBlank));
    QCOMPARE(QApplication::focusWidget(), f.Name());
    // The picture a disabled button shows is its disabled one.
    QCOMPARE(f.Child<CPictureButton>("btnUpdate")->CurrentPictureName(), QStringLiteral("UPDATEX"));
    QCOMPARE(f.Child<CPictureButton>("btnNew")->CurrentPictureName(), QStringLiteral("NEWU"));
}

void TestVornView::refreshTrimsAndDropsNames() {
    CFormFixture f;
    f.Open({CFormFixture::Person("   Smith"), CFormFixture::Person("   "), CFormFixture::Person(""),
            CFormFixture::Person("Adams")});
    // The empty name is dropped at once; the blank-only one loses its blanks and its line.
    QCOMPARE(f.Lines(), QStringList({"Adams", "Smith"}));
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Smith", "", "Adams"}));
    QCOMPARE(f.Counters(), QStringLiteral("2 of 3"));
    QVERIFY(!f.m_doc.IsModified());
    // The next refresh drops the record that now has no name.
    f.m_pView->OnInitialUpdate();
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Smith", "Adams"}));
    QCOMPARE(f.Counters(), QStringLiteral("2 of 2"));
}

void TestVornView::peopleListSorted_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("case ignored") << QStringList{"Zed", "smith", "Adam", "Smith", "bob"}
                                  << QStringList{"Adam", "bob", "smith", "Smith", "Zed"};
    QTest::newRow("equal names both listed")
        << QStringList{"Lee", "Lee", "lee"} << QStringList{"Lee", "Lee", "lee"};
    QTest::newRow("prefixes first")
        << QStringList{"Anna Smith", "Ann", "ANNA"} << QStringList{"Ann", "ANNA", "Anna Smith"};
    QTest::newRow("accents set aside")
        << QStringList{"Zoe", "\u00e9mile", "Eve", "\u00c9mile", "Emma"}
        << QStringList{"\u00e9mile", "\u00c9mile", "Emma", "Eve", "Zoe"};
}

void TestVornView::peopleListSorted() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, lines);
    QList<CPerson> people;
    for (const QString& name : names)
        people.append(CFormFixture::Person(name.toUtf8()));
    CFormFixture f;
    f.Open(people);
    QCOMPARE(f.Lines(), lines);
    // The lines carry the records themselves: the first line is the entry shown.
    QCOMPARE(f.Text("editName"), lines.first());
    QCOMPARE(f.m_pView->PeopleModel().PersonAt(0)->m_strName, lines.first().toUtf8());
}

void TestVornView::cityAndZipFromData() {
    CFormFixture f;
    QList<CPerson> people = {
        CFormFixture::Person("A", "Springfield"), CFormFixture::Person("B", "springfield"),
        CFormFixture::Person("C", "Boston"), CFormFixture::Person("D", ""),
        // Case ignored, accents not: Zurich with and without its umlaut
        // are two places.
        CFormFixture::Person("E", "Z\xc3\xbcrich"), CFormFixture::Person("F", "Z\xc3\x9cRICH"),
        CFormFixture::Person("G", "Zurich")};
    people[0].m_strZip = "ab1";
    people[1].m_strZip = "AB1";
    people[2].m_strZip = "02134";
    f.Open(people);
    auto items = [&](const char* name) { return ComboItems(f, name); };
    QCOMPARE(items("comboCity"), QStringList({"Boston", "Springfield", "Z\u00fcrich", "Zurich"}));
    QCOMPARE(items("comboZip"), QStringList({"02134", "ab1"}));
    // A second file replaces the lists.
    f.m_doc.DeleteContents();
    f.m_doc.m_personList.push_back(std::make_unique<CPerson>(CFormFixture::Person("E", "Salem")));
    f.m_pView->OnInitialUpdate();
    QCOMPARE(items("comboCity"), QStringList({"Salem"}));
    QVERIFY(items("comboZip").isEmpty());
}

void TestVornView::cityAndZipLongAndMany() {
    // Values of every length a value's stored length takes (one byte, and the longer form from
    // 255 bytes on), in runs and scattered among hundreds of others, some read as one shared
    // text: each appears once, case ignored, the first form met kept, in sorted order.
    QList<CPerson> people;
    QList<QByteArray> cities;
    QList<QByteArray> zips;
    const QByteArray shared = "Shared City";
    for (int i = 0; i < 600; ++i) {
        QByteArray city;
        switch (i % 6) {
        case 0:
            city = "City " + QByteArray::number(i % 250);
            break;
        case 1:
            city = QByteArray(254 + i % 4, 'a' + char(i % 3)) + QByteArray::number(i % 5);
            break;
        case 2:
            city = shared;
            break;
        case 3:
            city = (i % 12 == 3 ? "CITY " : "city ") + QByteArray::number(i % 250);
            break;
        case 4:
            city = i % 60 == 4 ? QByteArray(70000, 'L') : QByteArray();
            break;
        default:
            city = cities.isEmpty() ? "Last" : cities.back();
            break;
        }
        CPerson person = CFormFixture::Person("P" + QByteArray::number(i), city);
        person.m_strZip = i % 7 == 0 ? QByteArray() : QByteArray::number(10000 + (i * 37) % 400);
        people.append(person);
        if (!city.isEmpty())
            cities.append(city);
        if (!person.m_strZip.isEmpty())
            zips.append(person.m_strZip);
    }
    // The expected list: ASCII values, so case-folded bytes decide sameness and order.
    const auto expected = [](const QList<QByteArray>& values) {
        QList<std::pair<QByteArray, QByteArray>> keyed;
        for (const QByteArray& value : values) {
            const QByteArray key = value.toLower();
            if (std::none_of(keyed.begin(), keyed.end(),
                             [&key](const auto& entry) { return entry.first == key; }))
                keyed.append({key, value});
        }
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QStringList list;
        for (const auto& entry : keyed)
            list.append(QString::fromLatin1(entry.second));
        return list;
    };
    CFormFixture f;
    f.Open(people);
    auto items = [&](const char* name) { return ComboItems(f, name); };
    QCOMPARE(items("comboCity"), expected(cities));
    QCOMPARE(items("comboZip"), expected(zips));
}

void TestVornView::stateAndCountryLists() {
    CFormFixture f;
    f.Open({});
    auto* pState = f.Child<QComboBox>("comboState");
    auto* pCountry = f.Child<QComboBox>("comboCountry");
    QCOMPARE(pState->count(), 63);
    QCOMPARE(pCountry->count(), 236);
    QStringList states;
    for (int i = 0; i < pState->count(); ++i)
        states.append(pState->itemText(i));
    QStringList sorted = states;
    sorted.sort();
    QCOMPARE(states, sorted);
    QCOMPARE(states.first(), QStringLiteral("AA"));
    QCOMPARE(states.last(), QStringLiteral("WY"));
    QVERIFY(states.contains("TT") && states.contains("FM"));
    QStringList countries;
    for (int i = 0; i < pCountry->count(); ++i)
        countries.append(pCountry->itemText(i));
    QCOMPARE(countries.first(), QStringLiteral("Afghanistan (Democratic Republic of)"));
    QCOMPARE(countries.last(), QStringLiteral("Zimbabwe (Republic of)"));
    QCOMPARE(countries.count("British Indian Ocean Territory"), 2);
    for (const char* blank : {"Brunei Darussalam ", "New Caledonia ", "Niue ", "Pitcairn ",
                              "Romania ", "Saint Kitts and Nevis ", "Tokelau "})
        QVERIFY2(countries.contains(QLatin1String(blank)), blank);
    QVERIFY(countries.contains("Ghana (Republic of )"));
    QVERIFY(countries.contains("Soviet Union"));
    // Shown sorted, case ignored.
    for (qsizetype i = 1; i < countries.size(); ++i)
        QVERIFY2(countries[i - 1].compare(countries[i], Qt::CaseInsensitive) <= 0,
                 qPrintable(countries[i]));
}

void TestVornView::longCountryShowsStart_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("entry shown") << "shown";
    QTest::newRow("picked from the list, then left") << "picked";
    QTest::newRow("typed, then left") << "typed";
}

void TestVornView::longCountryShowsStart() {
    QFETCH(QString, how);
    const QString uk = QStringLiteral("United Kingdom (Great Britain and Northern Ireland)");
    CFormFixture f;
    CPerson ann = CFormFixture::Person("Ann");
    if (how == QLatin1String("shown"))
        ann.m_strCountry = uk.toUtf8();
    f.Open({ann, CFormFixture::Person("Bob")});
    auto* pCountry = f.Child<QComboBox>("comboCountry");
    if (how != QLatin1String("shown")) {
        pCountry->setFocus(Qt::TabFocusReason);
        if (how == QLatin1String("picked"))
            pCountry->setCurrentIndex(pCountry->findText(uk));
        else
            QTest::keyClicks(pCountry, uk);
        // The end shows while the user is at it; Tab leaves the box.
        QCOMPARE(pCountry->lineEdit()->cursorPosition(), int(uk.size()));
        QTest::keyClick(pCountry, Qt::Key_Tab);
        QVERIFY(!pCountry->hasFocus());
    }
    QCOMPARE(pCountry->currentText(), uk);
    // The box is narrower than the name; what it shows is the name's start.
    QLineEdit* pEdit = pCountry->lineEdit();
    QVERIFY(pEdit->fontMetrics().horizontalAdvance(uk) > pEdit->width());
    QCOMPARE(pEdit->cursorPosition(), 0);
    pEdit->grab();
    const QRect cursor = pEdit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QVERIFY(cursor.center().x() < pEdit->width() / 4);
}

void TestVornView::firstEntryAndGroupLists() {
    CFormFixture f;
    CPerson zed = CFormFixture::Person("Zed", "Oslo", "555", {"work"});
    CPerson amy = CFormFixture::Person("Amy", "Rome", "", {"Family", "Zoo", "Missing"});
    amy.m_strState = "IL";
    amy.m_strCountry = "Italy (Italian Republic)";
    f.Open({zed, amy}, {"Zoo", "Work", "family"});
    QCOMPARE(f.Text("editName"), QStringLiteral("Amy"));
    QCOMPARE(f.Text("comboCity"), QStringLiteral("Rome"));
    QCOMPARE(f.Text("comboState"), QStringLiteral("IL"));
    QCOMPARE(f.Text("comboCountry"), QStringLiteral("Italy (Italian Republic)"));
    QCOMPARE(f.SelectedRows(), QList<int>({0}));
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    auto* pGroups = f.Child<QListWidget>("listGroups");
    QStringList groupLines;
    for (int i = 0; i < pGroups->count(); ++i)
        groupLines.append(pGroups->item(i)->text());
    QCOMPARE(groupLines,
             QStringList({"***All Groups***", "***Not Categorized***", "family", "Work", "Zoo"}));
    auto* pMember = f.Child<QListWidget>("listMemberOf");
    QStringList memberLines;
    QStringList selected;
    for (int i = 0; i < pMember->count(); ++i) {
        memberLines.append(pMember->item(i)->text());
        if (pMember->item(i)->isSelected())
            selected.append(pMember->item(i)->text());
    }
    QCOMPARE(memberLines, QStringList({"family", "Work", "Zoo"}));
    // Found case ignored; a name the list lacks is skipped.
    QCOMPARE(selected, QStringList({"family", "Zoo"}));
    QCOMPARE(f.Text("labelTotalGroups"), QStringLiteral("3"));
    QCOMPARE(f.Text("labelSelectedGroups"), QStringLiteral("3"));
    QVERIFY(!f.m_pView->IsChanged());
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    QVERIFY(f.Button("btnDelete")->isEnabled());
    QVERIFY(f.Button("btnClear")->isEnabled());
    QVERIFY(f.Button("btnFind")->isEnabled());
    QVERIFY(!f.Button("btnDeleteGroup")->isEnabled());
    QVERIFY(!f.Button("btnRenameGroup")->isEnabled());
    // After a file is opened no field offers an earlier value.
    f.Click("btnNew");
    f.Child<QWidget>("comboCity")->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.Text("comboCity"), QString());
}

void TestVornView::quickFind_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("lower case") << "sm"
                                << "Smith";
    QTest::newRow("upper case") << "SM"
                                << "Smith";
    QTest::newRow("longer") << "smy"
                            << "smythe";
    QTest::newRow("no match leaves the list") << "x"
                                              << "Adam";
    QTest::newRow("later letters") << "ze"
                                   << "Zed";
    // Every line begins with the empty text.
    QTest::newRow("emptied goes to the first line") << "sm\b\b"
                                                    << "Adam";
}

void TestVornView::quickFind() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    CFormFixture f;
    f.Open({CFormFixture::Person("Zed"), CFormFixture::Person("smythe"),
            CFormFixture::Person("Smith"), CFormFixture::Person("Adam")});
    f.Type("editQuickFind", typed);
    QCOMPARE(f.Text("editName"), shown);
    QCOMPARE(f.SelectedRows(), QList<int>({int(f.Lines().indexOf(shown))}));
    QCOMPARE(f.CaretRow(), int(f.Lines().indexOf(shown)));
    QVERIFY(!f.m_doc.IsModified());
}

void TestVornView::columns_data() {
    QTest::addColumn<int>("columns");
    QTest::newRow("1") << 1;
    QTest::newRow("3") << 3;
    QTest::newRow("4") << 4;
}

void TestVornView::columns() {
    QFETCH(int, columns);
    QList<CPerson> people;
    for (int i = 0; i < 200; ++i)
        people.append(CFormFixture::Person("Person " + QByteArray::number(1000 + i)));
    CFormFixture f;
    f.Open(people);
    QListView* pList = f.List();
    QCOMPARE(f.Child<QSpinBox>("spinColumns")->value(), 2);
    QCOMPARE(pList->gridSize().width(), pList->viewport()->width() / 2);
    f.ClickLine(5);
    f.Child<QSpinBox>("spinColumns")->setValue(columns);
    QCOMPARE(f.m_pView->GetColumns(), columns);
    QCOMPARE(pList->gridSize().width(), pList->viewport()->width() / columns);
    // Lines flow top to bottom, then into the next column to the right.
    const QRect first = pList->visualRect(f.m_pView->PeopleModel().index(0));
    const QRect second = pList->visualRect(f.m_pView->PeopleModel().index(1));
    QCOMPARE(second.left(), first.left());
    QVERIFY(second.top() > first.top());
    const int perColumn = pList->viewport()->height() / pList->gridSize().height();
    const QRect next = pList->visualRect(f.m_pView->PeopleModel().index(perColumn));
    QCOMPARE(next.left() - first.left(), pList->gridSize().width());
    QVERIFY(pList->horizontalScrollBar()->maximum() > 0);
    // The caret line stays where it was, and the list has the keyboard.
    QCOMPARE(f.CaretRow(), 5);
    QCOMPARE(QApplication::focusWidget(), pList);
    // Resizing keeps the columns equal.
    f.m_pView->resize(700, 600);
    QApplication::processEvents();
    QCOMPARE(pList->gridSize().width(), pList->viewport()->width() / columns);
}

void TestVornView::spinStopsAtLimits() {
    CFormFixture f;
    f.Open({CFormFixture::Person("A")});
    auto* pSpin = f.Child<QSpinBox>("spinColumns");
    pSpin->setFocus();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(pSpin, Qt::Key_Up);
    QCOMPARE(f.m_pView->GetColumns(), 4);
    pSpin->setFocus();
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(pSpin, Qt::Key_Down);
    QCOMPARE(f.m_pView->GetColumns(), 1);
}

void TestVornView::everyControlNamed() {
    CFormFixture f;
    f.Open({CFormFixture::Person("A")});
    const QList<QWidget*> widgets = f.m_pView->findChildren<QWidget*>();
    int checked = 0;
    for (QWidget* pWidget : widgets) {
        // Parts Qt builds inside a control (scroll bars, viewports, a combo's own edit) are not
        // controls of the form.
        const bool bControl =
            qobject_cast<QAbstractButton*>(pWidget) || qobject_cast<QLabel*>(pWidget) ||
            qobject_cast<QGroupBox*>(pWidget) || qobject_cast<QAbstractItemView*>(pWidget) ||
            qobject_cast<QComboBox*>(pWidget) || qobject_cast<QAbstractSpinBox*>(pWidget) ||
            qobject_cast<QPlainTextEdit*>(pWidget) || qobject_cast<QLineEdit*>(pWidget);
        bool bInside = false;
        for (QWidget* p = pWidget->parentWidget(); p && p != f.m_pView.get(); p = p->parentWidget())
            bInside = bInside || !qobject_cast<QGroupBox*>(p);
        if (!bControl || bInside)
            continue;
        ++checked;
        QVERIFY2(!pWidget->objectName().isEmpty(), pWidget->metaObject()->className());
        QVERIFY2(!pWidget->accessibleName().isEmpty(), qPrintable(pWidget->objectName()));
    }
    QVERIFY(checked >= 40);
    QCOMPARE(f.Child<QWidget>("comboState")->accessibleName(), QStringLiteral("State/ Province"));
}

void TestVornView::labelTexts_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("name") << "labelName"
                          << "Name";
    QTest::newRow("address") << "labelAddress"
                             << "Address";
    QTest::newRow("city") << "labelCity"
                          << "City";
    QTest::newRow("state") << "labelState"
                           << "State/ Province";
    QTest::newRow("zip") << "labelZip"
                         << "ZIP/ Postal";
    QTest::newRow("country") << "labelCountry"
                             << "Country";
    QTest::newRow("e-mail") << "labelEmail"
                            << "E-mail";
    QTest::newRow("phone") << "labelPhone"
                           << "Phone";
    QTest::newRow("groups belonged to") << "labelMemberOf"
                                        << "   Groups belonged to";
}

// The labels read exactly so, without mnemonics: Alt with a letter belongs to the main window's
// commands.
void TestVornView::labelTexts() {
    QFETCH(QString, label);
    QFETCH(QString, text);
    CFormFixture f;
    f.Open({});
    auto* pLabel = f.m_pView->findChild<QLabel*>(label);
    QVERIFY(pLabel);
    QCOMPARE(pLabel->text(), text);
}

void TestVornView::toolTips() {
    CFormFixture f;
    f.Open({});
    const QList<std::pair<const char*, const char*>> tips = {
        {"btnUpdate", "Commit changes to record (ALT + U)"},
        {"btnNew", "New record (ALT + N)"},
        {"btnDelete", "Delete these records (ALT + D)"},
        {"btnClear", "Prepare screen for search (ALT + C)"},
        {"btnFind", "Search the database (ALT + S)"},
        {"btnNewGroup", "Add a new group (ALT + G)"},
        {"btnRenameGroup", "Rename the current group (ALT + R)"},
        {"btnDeleteGroup", "Delete the current group (ALT + L)"},
        {"btnEmail", "Send mail to the user account specified in the E-mail field"},
        {"spinColumns", "Adjust number of columns displayed"},
        {"btnDial", "Dial this phone number"},
    };
    for (const auto& [name, tip] : tips) {
        QWidget* pWidget = f.Child<QWidget>(name);
        QVERIFY2(pWidget, name);
        QCOMPARE(pWidget->toolTip(), QLatin1String(tip));
        QCOMPARE(pWidget->accessibleName(), QLatin1String(tip));
    }
}

void TestVornView::notesLabelFromFile() {
    CFormFixture f;
    f.m_app.m_strCustomLabel = "Birthday";
    f.Open({});
    QCOMPARE(f.Text("labelNotes"), QStringLiteral("Birthday"));
    QCOMPARE(f.Child<QWidget>("editNotes")->accessibleName(), QStringLiteral("Birthday"));
    f.m_app.m_strCustomLabel = "Notes";
    f.m_pView->OnInitialUpdate();
    QCOMPARE(f.Text("labelNotes"), QStringLiteral("Notes"));
}

void TestVornView::emailAndDialFollowFields() {
    CFormFixture f;
    CPerson a = CFormFixture::Person("A", "", "555-1234");
    a.m_strEmail = "a@example.org";
    f.Open({a, CFormFixture::Person("B")});
    QVERIFY(f.Button("btnEmail")->isEnabled());
    QVERIFY(f.Button("btnDial")->isEnabled());
    f.ClickLine(1);
    QCOMPARE(f.Text("editName"), QStringLiteral("B"));
    QVERIFY(!f.Button("btnEmail")->isEnabled());
    QVERIFY(!f.Button("btnDial")->isEnabled());
    f.Type("editPhone", "9");
    QVERIFY(f.Button("btnDial")->isEnabled());
}

void TestVornView::actionsFollowButtons() {
    CFormFixture f;
    QHash<int, QAction*> actions;
    QObject owner;
    const QList<std::pair<int, const char*>> pairs = {
        {CommandId::ActionNewRecord, "btnNew"},
        {CommandId::ActionCommit, "btnUpdate"},
        {CommandId::ActionDelete, "btnDelete"},
        {CommandId::ActionPrepareSearch, "btnClear"},
        {CommandId::ActionSearch, "btnFind"},
        {CommandId::ActionAddGroup, "btnNewGroup"},
        {CommandId::FileSendMail, "btnEmail"},
        {CommandId::ActionPlaceCall, "btnDial"},
        {CommandId::ActionDeleteGroup, "btnDeleteGroup"},
        {CommandId::ActionRenameGroup, "btnRenameGroup"}};
    for (const auto& pair : pairs)
        actions.insert(pair.first, new QAction(&owner));
    // The main window gives UPDATE's Alt key to its menu item.
    actions[CommandId::ActionCommit]->setShortcut(QKeySequence(Qt::ALT | Qt::Key_U));
    f.Open({CFormFixture::Person("A"), CFormFixture::Person("B")});
    f.m_pView->ConnectCommands(actions);
    QVERIFY(f.Button("btnUpdate")->shortcut().isEmpty());
    QCOMPARE(f.Button("btnNew")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
    auto check = [&] {
        for (const auto& [id, button] : pairs) {
            if (actions[id]->isEnabled() != f.Button(button)->isEnabled())
                return QString::fromLatin1(button);
        }
        return QString();
    };
    QCOMPARE(check(), QString());
    f.Type("editName", "x");
    QVERIFY(actions[CommandId::ActionCommit]->isEnabled());
    QVERIFY(!actions[CommandId::ActionDelete]->isEnabled());
    QCOMPARE(check(), QString());
    // The menu item runs the button's command.
    actions[CommandId::ActionCommit]->trigger();
    QCOMPARE(f.Lines(), QStringList({"Ax", "B"}));
    actions[CommandId::ActionNewRecord]->trigger();
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeBlank));
    QCOMPARE(check(), QString());
    f.ClickLine(1);
    actions[CommandId::ActionDelete]->trigger();
    QCOMPARE(f.m_prompt.m_texts.value(0),
             QStringLiteral("Are you sure you want to delete this entry?"));
    QCOMPARE(check(), QString());
}

void TestVornView::multiLineFieldsShowLines() {
    CFormFixture f;
    CPerson a = CFormFixture::Person("A", "", "Home 1\r\nWork 2");
    a.m_strAddress = "1 Main St\r\nApt 4";
    f.Open({a});
    QCOMPARE(f.Text("editAddress"), QStringLiteral("1 Main St\nApt 4"));
    QCOMPARE(f.Child<QPlainTextEdit>("editPhone")->document()->blockCount(), 2);
    QVERIFY(!f.m_pView->IsChanged());
}

QTEST_MAIN(TestVornView)
#include "TestVornView.moc"
