// Creating, showing, changing and deleting entries through the form, with the prompts answered
// through the scripted prompt.
#include "CFormFixture.h"

#include <QTemporaryDir>

namespace {

const QString kUpdatePrompt =
    QStringLiteral("You have not updated your changes.  Would you like to do so now?");
const QString kAddPrompt = QStringLiteral("Do you want to add this entry before continuing?");

QList<CPerson> Names(const QList<QByteArray>& names) {
    QList<CPerson> people;
    for (const QByteArray& name : names)
        people.append(CFormFixture::Person(name));
    return people;
}

} // namespace

class TestRecordEditing : public QObject {
    Q_OBJECT
private slots:
    void typeAndAddEntries();
    void keyboardAndMouseShowEntries();
    void leaveEditedEntry_data();
    void leaveEditedEntry();
    void leaveTypedEntry_data();
    void leaveTypedEntry();
    void renameMovesLine();
    void changeTracking();
    void emptiedNameBeforeChange();
    void updateKeepsName_data();
    void updateKeepsName();
    void newRecordDropsEdits();
    void deleteEntries_data();
    void deleteEntries();
    void deleteLimit_data();
    void deleteLimit();
    void fieldDefaults();
    void cityAndZipLearned();
    void blankOnlyNameRefused();
    void fullFileRefusesAdd();
    void sameNamesToldApart();
    void caretMovedBeforeUpdate();
    void untouchedFieldsKeepBytes();
    void groupsStored();
    void saveAndReopen();
};

void TestRecordEditing::typeAndAddEntries() {
    CFormFixture f;
    f.Open({});
    f.Type("editName", "Zed Zulu");
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeBlank));
    QVERIFY(f.Button("btnUpdate")->isEnabled());
    QVERIFY(!f.Button("btnDelete")->isEnabled());
    f.Type("comboCity", "Boston");
    f.Type("editAddress", "1 Main St");
    QTest::keyClick(f.Child<QWidget>("editAddress"), Qt::Key_Return);
    QTest::keyClicks(f.Child<QWidget>("editAddress"), "Apt 2");
    f.Click("btnUpdate");
    QCOMPARE(f.Lines(), QStringList({"Zed Zulu"}));
    QCOMPARE(f.m_doc.m_personList.size(), size_t(1));
    const CPerson& zed = *f.m_doc.m_personList[0];
    QCOMPARE(zed.m_strCity, QByteArray("Boston"));
    QCOMPARE(zed.m_strAddress, QByteArray("1 Main St\r\nApt 2"));
    QVERIFY(f.m_doc.IsModified());
    // The form is blank and ready for the next entry; the new line is selected.
    QCOMPARE(f.Text("editName"), QString());
    QCOMPARE(f.Text("comboCity"), QString());
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeBlank));
    QVERIFY(!f.m_pView->IsChanged());
    QCOMPARE(f.SelectedRows(), QList<int>({0}));
    QCOMPARE(f.Counters(), QStringLiteral("1 of 1"));
    QCOMPARE(QApplication::focusWidget(), f.Name());
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    // Typing the next one puts it in its sorted place; the file keeps the order of adding.
    QTest::keyClicks(f.Name(), "Adam");
    // Alt+U clicks UPDATE (a shortcut click shows the button pressed for a moment).
    QTest::keyClick(f.Name(), Qt::Key_U, Qt::AltModifier);
    QTRY_COMPARE(f.Lines(), QStringList({"Adam", "Zed Zulu"}));
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Zed Zulu", "Adam"}));
    QCOMPARE(f.SelectedRows(), QList<int>({0}));
    QVERIFY(f.m_prompt.m_texts.isEmpty());
}

void TestRecordEditing::keyboardAndMouseShowEntries() {
    CFormFixture f;
    f.Open(Names({"Cy", "Al", "Bo", "Di"}));
    QCOMPARE(f.Text("editName"), QStringLiteral("Al"));
    f.ClickLine(2);
    QCOMPARE(f.Text("editName"), QStringLiteral("Cy"));
    f.List()->setFocus();
    QTest::keyClick(f.List(), Qt::Key_Down);
    QCOMPARE(f.Text("editName"), QStringLiteral("Di"));
    QTest::keyClick(f.List(), Qt::Key_Home);
    QCOMPARE(f.Text("editName"), QStringLiteral("Al"));
    // Extending the selection shows the caret line's entry.
    f.ClickLine(2, Qt::ShiftModifier);
    QCOMPARE(f.SelectedRows(), QList<int>({0, 1, 2}));
    QCOMPARE(f.Text("editName"), QStringLiteral("Cy"));
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    QVERIFY(!f.m_doc.IsModified());
    QVERIFY(f.m_prompt.m_texts.isEmpty());
}

void TestRecordEditing::leaveEditedEntry_data() {
    QTest::addColumn<bool>("autoUpdate");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("stored");
    QTest::newRow("AutoUpdate on") << true << int(IPrompt::AnswerNo) << false << true;
    QTest::newRow("AutoUpdate off, Yes") << false << int(IPrompt::AnswerYes) << true << true;
    QTest::newRow("AutoUpdate off, No") << false << int(IPrompt::AnswerNo) << true << false;
}

void TestRecordEditing::leaveEditedEntry() {
    QFETCH(bool, autoUpdate);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, stored);
    CFormFixture f;
    f.m_app.m_bAutoUpdate = autoUpdate;
    f.Open({CFormFixture::Person("Bo", "", "1"), CFormFixture::Person("Cy"),
            CFormFixture::Person("Al")});
    f.ClickLine(1);
    f.Type("editPhone", "23");
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeEdited));
    f.m_prompt.QueueAnswer(IPrompt::Answer(answer));
    f.ClickLine(2);
    QCOMPARE(f.m_prompt.m_texts, asked ? QStringList{kUpdatePrompt} : QStringList{});
    QCOMPARE(f.m_doc.m_personList[0]->m_strPhone, stored ? QByteArray("123") : QByteArray("1"));
    QCOMPARE(f.m_doc.IsModified(), stored);
    // Either way the form shows the entry moved to, unchanged.
    QCOMPARE(f.Text("editName"), QStringLiteral("Cy"));
    QCOMPARE(f.SelectedRows(), QList<int>({2}));
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    QVERIFY(!f.m_pView->IsChanged());
    QCOMPARE(f.Lines(), QStringList({"Al", "Bo", "Cy"}));
}

void TestRecordEditing::leaveTypedEntry_data() {
    QTest::addColumn<bool>("autoUpdate");
    QTest::addColumn<int>("answer");
    QTest::newRow("AutoUpdate on, Yes") << true << int(IPrompt::AnswerYes);
    QTest::newRow("AutoUpdate on, No") << true << int(IPrompt::AnswerNo);
    QTest::newRow("AutoUpdate off, Yes") << false << int(IPrompt::AnswerYes);
}

void TestRecordEditing::leaveTypedEntry() {
    QFETCH(bool, autoUpdate);
    QFETCH(int, answer);
    CFormFixture f;
    f.m_app.m_bAutoUpdate = autoUpdate;
    f.Open(Names({"Bo", "Di"}));
    f.Click("btnNew");
    f.Type("editName", "Cy");
    f.m_prompt.QueueAnswer(IPrompt::Answer(answer));
    f.ClickLine(1); // Di
    // Asked whatever AutoUpdate says.
    QCOMPARE(f.m_prompt.m_texts, QStringList{kAddPrompt});
    const bool added = answer == IPrompt::AnswerYes;
    QCOMPARE(f.Lines(), added ? QStringList({"Bo", "Cy", "Di"}) : QStringList({"Bo", "Di"}));
    QCOMPARE(f.m_doc.m_personList.size(), size_t(added ? 3 : 2));
    // The line moved to is shown, wherever the addition put it.
    QCOMPARE(f.Text("editName"), QStringLiteral("Di"));
    QCOMPARE(f.SelectedRows(), QList<int>({added ? 2 : 1}));
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
}

void TestRecordEditing::renameMovesLine() {
    CFormFixture f;
    f.Open(Names({"Mo", "Zed", "Bo"}));
    f.ClickLine(2);
    QCOMPARE(f.Text("editName"), QStringLiteral("Zed"));
    f.Erase("editName");
    f.Type("editName", "Aaron");
    f.Click("btnUpdate");
    QCOMPARE(f.Lines(), QStringList({"Aaron", "Bo", "Mo"}));
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Mo", "Aaron", "Bo"}));
    QCOMPARE(f.SelectedRows(), QList<int>({0}));
    QCOMPARE(f.CaretRow(), 0);
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    QVERIFY(f.Button("btnDelete")->isEnabled());
    QVERIFY(f.m_doc.IsModified());
    QCOMPARE(QApplication::focusWidget(), f.Name());
    // A second change of the same entry updates it again, not a copy.
    f.Type("editName", " Jr");
    f.Click("btnUpdate");
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Mo", "Aaron Jr", "Bo"}));
}

void TestRecordEditing::changeTracking() {
    CFormFixture f;
    f.Open(Names({"Al", "Bo"}));
    // Loading an entry is not a change.
    f.ClickLine(1);
    QVERIFY(!f.m_pView->IsChanged());
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    QVERIFY(f.Button("btnDelete")->isEnabled());
    // The first change enables UPDATE and disables DELETE; the next enables DELETE again.
    f.Type("editNotes", "x");
    QVERIFY(f.m_pView->IsChanged());
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeEdited));
    QVERIFY(f.Button("btnUpdate")->isEnabled());
    QTest::keyClicks(f.Child<QWidget>("editNotes"), "y");
    QVERIFY(f.Button("btnDelete")->isEnabled());
    QVERIFY(f.Button("btnUpdate")->isEnabled());
    // Picking a State from the box's list is a change too.
    f.m_prompt.QueueAnswer(IPrompt::AnswerNo);
    f.ClickLine(0);
    QVERIFY(!f.m_pView->IsChanged());
    f.Child<QComboBox>("comboState")->setFocus();
    QTest::keyClick(f.Child<QWidget>("comboState"), Qt::Key_Down);
    QVERIFY(f.m_pView->IsChanged());
    QVERIFY(!f.Text("comboState").isEmpty());
}

void TestRecordEditing::emptiedNameBeforeChange() {
    CFormFixture f;
    f.Open(Names({"Al", "Bo"}));
    f.Erase("editName");
    // No name: the state stays "shown" and UPDATE stays off; leaving drops the edit silently.
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    f.ClickLine(1);
    QVERIFY(f.m_prompt.m_texts.isEmpty());
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Al", "Bo"}));
}

// Ways of leaving an edited entry whose Name field was emptied, or left with blanks only.
enum class Leave { ClickLine, QuickFind, UpdateButton };

void TestRecordEditing::updateKeepsName_data() {
    QTest::addColumn<bool>("autoUpdate");
    QTest::addColumn<QString>("name");   // what the Name field holds when leaving
    QTest::addColumn<bool>("nameFirst"); // the Name emptied before the Phone is changed
    QTest::addColumn<int>("leave");
    QTest::addColumn<bool>("asked");
    QTest::newRow("Yes to the question") << false << "" << false << int(Leave::ClickLine) << true;
    QTest::newRow("AutoUpdate") << true << "" << false << int(Leave::ClickLine) << false;
    QTest::newRow("blanks only, Yes") << false << "   " << false << int(Leave::ClickLine) << true;
    QTest::newRow("Name emptied first, then Phone")
        << false << "" << true << int(Leave::ClickLine) << true;
    QTest::newRow("quick find moves away") << false << "" << false << int(Leave::QuickFind) << true;
    QTest::newRow("UPDATE with blanks only")
        << false << "  " << false << int(Leave::UpdateButton) << false;
}

void TestRecordEditing::updateKeepsName() {
    QFETCH(bool, autoUpdate);
    QFETCH(QString, name);
    QFETCH(bool, nameFirst);
    QFETCH(int, leave);
    QFETCH(bool, asked);
    CFormFixture f;
    f.m_app.m_bAutoUpdate = autoUpdate;
    f.Open({CFormFixture::Person("Ann", "", "1"), CFormFixture::Person("Bob")});
    if (nameFirst)
        f.Erase("editName");
    f.Type("editPhone", "23");
    if (!nameFirst)
        f.Erase("editName");
    if (!name.isEmpty())
        QTest::keyClicks(f.Name(), name);
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeEdited));
    QCOMPARE(f.Button("btnUpdate")->isEnabled(), !name.isEmpty());
    f.m_prompt.QueueAnswer(IPrompt::AnswerYes);
    switch (Leave(leave)) {
    case Leave::ClickLine:
        f.ClickLine(1);
        break;
    case Leave::QuickFind:
        f.Type("editQuickFind", "b");
        break;
    case Leave::UpdateButton:
        f.Click("btnUpdate");
        break;
    }
    QCOMPARE(f.m_prompt.m_texts, asked ? QStringList{kUpdatePrompt} : QStringList{});
    // The entry keeps its name and its line; the other edit is stored.
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Ann", "Bob"}));
    QCOMPARE(f.m_doc.m_personList[0]->m_strPhone, QByteArray("123"));
    QCOMPARE(f.Lines(), QStringList({"Ann", "Bob"}));
    QCOMPARE(f.Counters(), QStringLiteral("2 of 2"));
    QVERIFY(f.m_doc.IsModified());
    if (Leave(leave) == Leave::UpdateButton) {
        // The form shows the entry as stored.
        QCOMPARE(f.Text("editName"), QStringLiteral("Ann"));
        QCOMPARE(f.SelectedRows(), QList<int>({0}));
    } else {
        QCOMPARE(f.Text("editName"), QStringLiteral("Bob"));
    }
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    // A refresh (as after saving and opening the file) drops nothing.
    f.m_pView->OnInitialUpdate();
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Ann", "Bob"}));
}

void TestRecordEditing::newRecordDropsEdits() {
    CFormFixture f;
    f.Open(Names({"Al", "Bo"}));
    f.Type("editEmail", "al@example.org");
    f.Click("btnNew");
    QVERIFY(f.m_prompt.m_texts.isEmpty());
    QCOMPARE(f.Text("editName"), QString());
    QCOMPARE(f.Text("editEmail"), QString());
    QVERIFY(f.SelectedRows().isEmpty());
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeBlank));
    QVERIFY(f.m_doc.m_personList[0]->m_strEmail.isEmpty());
    QVERIFY(!f.m_doc.IsModified());
    QCOMPARE(QApplication::focusWidget(), f.Name());
    // Clicking the line that was the caret shows it again.
    f.ClickLine(0);
    QCOMPARE(f.Text("editName"), QStringLiteral("Al"));
}

void TestRecordEditing::deleteEntries_data() {
    QTest::addColumn<QList<QByteArray>>("names");
    QTest::addColumn<QList<int>>("select");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("shown");
    const QList<QByteArray> four = {"Al", "Bo", "Cy", "Di"};
    QTest::newRow("middle line shows the next")
        << four << QList<int>{1} << true << int(IPrompt::AnswerYes)
        << "Are you sure you want to delete this entry?" << QStringList{"Al", "Cy", "Di"} << "Cy";
    QTest::newRow("last line shows the one before")
        << four << QList<int>{3} << true << int(IPrompt::AnswerYes)
        << "Are you sure you want to delete this entry?" << QStringList{"Al", "Bo", "Cy"} << "Cy";
    QTest::newRow("only line leaves a blank form")
        << QList<QByteArray>{"Al"} << QList<int>{0} << true << int(IPrompt::AnswerYes)
        << "Are you sure you want to delete this entry?" << QStringList{} << "";
    QTest::newRow("three lines") << four << QList<int>{0, 2, 3} << true << int(IPrompt::AnswerYes)
                                 << "Are you sure you want to delete these 3 entries?"
                                 << QStringList{"Bo"} << "Bo";
    QTest::newRow("no confirmation") << four << QList<int>{0, 1} << false << int(IPrompt::AnswerNo)
                                     << "" << QStringList{"Cy", "Di"} << "Cy";
    QTest::newRow("answer No") << four << QList<int>{1, 2} << true << int(IPrompt::AnswerNo)
                               << "Are you sure you want to delete these 2 entries?"
                               << QStringList{"Al", "Bo", "Cy", "Di"} << "Cy";
}

void TestRecordEditing::deleteEntries() {
    QFETCH(QList<QByteArray>, names);
    QFETCH(QList<int>, select);
    QFETCH(bool, confirm);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(QStringList, lines);
    QFETCH(QString, shown);
    CFormFixture f;
    f.m_app.m_bConfirmDelete = confirm;
    f.Open(Names(names));
    f.ClickLine(select.first());
    for (int row : select.mid(1))
        f.ClickLine(row, Qt::ControlModifier);
    QCOMPARE(f.SelectedRows(), select);
    f.m_prompt.QueueAnswer(IPrompt::Answer(answer));
    f.Click("btnDelete");
    QCOMPARE(f.m_prompt.m_texts, question.isEmpty() ? QStringList{} : QStringList{question});
    QCOMPARE(f.Lines(), lines);
    QCOMPARE(f.m_doc.m_personList.size(), size_t(lines.size()));
    for (const QString& line : lines)
        QVERIFY(f.DocNames().contains(line.toUtf8()));
    QCOMPARE(f.Text("editName"), shown);
    QCOMPARE(f.m_doc.IsModified(), lines.size() != names.size());
    QCOMPARE(f.Counters(), QStringLiteral("%1 of %1").arg(lines.size()));
    QCOMPARE(QApplication::focusWidget(), f.Name());
    if (lines.isEmpty()) {
        QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeBlank));
        QVERIFY(!f.Button("btnDelete")->isEnabled());
        QVERIFY(!f.Button("btnFind")->isEnabled());
    } else if (lines.size() != names.size()) {
        QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
        QCOMPARE(f.SelectedRows(), QList<int>({int(lines.indexOf(shown))}));
    }
}

void TestRecordEditing::deleteLimit_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("1000 deleted") << 1000;
    QTest::newRow("1001 refused") << 1001;
}

void TestRecordEditing::deleteLimit() {
    QFETCH(int, count);
    QList<CPerson> people;
    for (int i = 0; i < count; ++i)
        people.append(CFormFixture::Person("P" + QByteArray::number(10000 + i)));
    CFormFixture f;
    f.Open(people);
    f.List()->setFocus();
    QTest::keyClick(f.List(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.SelectedRows().size(), count);
    f.m_prompt.QueueAnswer(IPrompt::AnswerYes);
    f.Click("btnDelete");
    QCOMPARE(f.m_prompt.m_texts.value(0),
             QStringLiteral("Are you sure you want to delete these %1 entries?").arg(count));
    if (count > 1000) {
        QCOMPARE(f.m_prompt.m_texts.value(1),
                 QStringLiteral("You can only delete up to 1000 entries at a time"));
        QCOMPARE(f.m_doc.m_personList.size(), size_t(count));
        QCOMPARE(f.Lines().size(), count);
        QVERIFY(!f.m_doc.IsModified());
    } else {
        QCOMPARE(f.m_prompt.m_texts.size(), 1);
        QVERIFY(f.m_doc.m_personList.empty());
        QVERIFY(f.Lines().isEmpty());
        QCOMPARE(f.Counters(), QStringLiteral("0 of 0"));
    }
}

void TestRecordEditing::fieldDefaults() {
    CFormFixture f;
    f.Open({});
    f.Type("editName", "Al");
    f.Type("comboCity", "Boston");
    f.Type("comboState", "MA");
    f.Type("comboCountry", "Canada");
    f.Type("comboZip", "02134");
    f.Click("btnUpdate");
    // An empty field offers the last value given, and taking it is no change.
    for (const auto& [field, value] :
         QList<std::pair<const char*, const char*>>{{"comboCity", "Boston"},
                                                    {"comboState", "MA"},
                                                    {"comboCountry", "Canada"},
                                                    {"comboZip", "02134"}}) {
        f.Child<QWidget>(field)->setFocus(Qt::TabFocusReason);
        QCOMPARE(f.Text(field), QLatin1String(value));
        QVERIFY(!f.m_pView->IsChanged());
        QVERIFY(!f.Button("btnUpdate")->isEnabled());
    }
    // Leaving City and ZIP empty forgets them; leaving State and Country empty does not.
    for (const char* field : {"comboCity", "comboState", "comboCountry", "comboZip"})
        f.Erase(field);
    f.Name()->setFocus(Qt::TabFocusReason);
    f.Click("btnNew");
    f.Child<QWidget>("comboCity")->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.Text("comboCity"), QString());
    f.Child<QWidget>("comboZip")->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.Text("comboZip"), QString());
    f.Child<QWidget>("comboState")->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.Text("comboState"), QStringLiteral("MA"));
    f.Child<QWidget>("comboCountry")->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.Text("comboCountry"), QStringLiteral("Canada"));
}

void TestRecordEditing::cityAndZipLearned() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Al", "Boston")});
    auto* pCity = f.Child<QComboBox>("comboCity");
    f.Click("btnNew");
    f.Type("comboCity", "Albany");
    QCOMPARE(pCity->count(), 1);
    f.Name()->setFocus(Qt::TabFocusReason);
    QCOMPARE(pCity->count(), 2);
    QCOMPARE(pCity->itemText(0), QStringLiteral("Albany"));
    f.Erase("comboCity");
    f.Type("comboCity", "BOSTON");
    f.Name()->setFocus(Qt::TabFocusReason);
    QCOMPARE(pCity->count(), 2);
    QCOMPARE(f.Text("comboCity"), QStringLiteral("BOSTON"));
}

void TestRecordEditing::blankOnlyNameRefused() {
    CFormFixture f;
    f.Open(Names({"Al"}));
    f.Click("btnNew");
    f.Type("editName", "   ");
    QVERIFY(f.Button("btnUpdate")->isEnabled());
    f.Click("btnUpdate");
    QCOMPARE(f.m_prompt.m_texts,
             QStringList{"Failed to add person to listbox.  Please make sure that a name is "
                         "entered in the Name field."});
    // Nothing is added: no entry without a line enters the file.
    QCOMPARE(f.DocNames(), QList<QByteArray>({"Al"}));
    QVERIFY(!f.m_doc.IsModified());
}

void TestRecordEditing::fullFileRefusesAdd() {
    QList<CPerson> people;
    people.reserve(CVornDoc::kMaxEntries);
    for (int i = 0; i < CVornDoc::kMaxEntries; ++i)
        people.append(CFormFixture::Person("P" + QByteArray::number(i)));
    CFormFixture f;
    f.Open(people);
    f.Click("btnNew");
    f.Type("editName", "One too many");
    f.Click("btnUpdate");
    QCOMPARE(f.m_prompt.m_texts.size(), 1);
    QVERIFY(f.m_prompt.m_texts[0].contains("65535"));
    QCOMPARE(f.m_doc.m_personList.size(), size_t(CVornDoc::kMaxEntries));
    QCOMPARE(f.Lines().size(), CVornDoc::kMaxEntries);
    // The typed entry is still in the form.
    QCOMPARE(f.Text("editName"), QStringLiteral("One too many"));
    // Once one is deleted, the entry goes in.
    f.ClickLine(0);
    f.m_app.m_bConfirmDelete = false;
    f.Click("btnDelete");
    f.Click("btnNew");
    f.Type("editName", "One too many");
    f.Click("btnUpdate");
    QCOMPARE(f.m_doc.m_personList.size(), size_t(CVornDoc::kMaxEntries));
    QCOMPARE(f.DocNames().last(), QByteArray("One too many"));
}

void TestRecordEditing::sameNamesToldApart() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Smith", "", "111"), CFormFixture::Person("Smith", "", "222")});
    QCOMPARE(f.Lines(), QStringList({"Smith", "Smith"}));
    f.ClickLine(1);
    QCOMPARE(f.Text("editPhone"), QStringLiteral("222"));
    f.Type("editPhone", "3");
    f.Click("btnUpdate");
    QCOMPARE(f.m_doc.m_personList[0]->m_strPhone, QByteArray("111"));
    QCOMPARE(f.m_doc.m_personList[1]->m_strPhone, QByteArray("2223"));
    QCOMPARE(f.Text("editPhone"), QStringLiteral("2223"));
    f.ClickLine(0);
    QCOMPARE(f.m_doc.m_personList.size(), size_t(2));
}

void TestRecordEditing::caretMovedBeforeUpdate() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Al", "", "1"), CFormFixture::Person("Bo", "", "2")});
    f.Type("editPhone", "9");
    // Moving only the caret (Ctrl+Down) changes no selection and leaves the form as it is;
    // UPDATE still stores into the entry the form shows.
    f.List()->setFocus();
    QTest::keyClick(f.List(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(f.CaretRow(), 1);
    f.Click("btnUpdate");
    QCOMPARE(f.m_doc.m_personList[0]->m_strPhone, QByteArray("19"));
    QCOMPARE(f.m_doc.m_personList[1]->m_strPhone, QByteArray("2"));
}

void TestRecordEditing::untouchedFieldsKeepBytes() {
    CFormFixture f;
    CPerson old;
    old.m_strName = "M\xfcller";                 // Windows-1252, not UTF-8
    old.m_strAddress = "Hauptstr. 1\r\nK\xf6ln"; // lines as the file keeps them
    old.m_strNotes = "a\xa0"
                     "b\rc";         // a no-break space and a lone carriage return
    old.m_groups = {"club", "Work"}; // its own order, and case
    f.Open({old}, {"Club", "Work"});
    QCOMPARE(f.Text("editName"), QStringLiteral("M\u00fcller"));
    f.Type("editPhone", "555");
    f.Click("btnUpdate");
    const CPerson& now = *f.m_doc.m_personList[0];
    QCOMPARE(now.m_strName, old.m_strName);
    QCOMPARE(now.m_strAddress, old.m_strAddress);
    QCOMPARE(now.m_strNotes, old.m_strNotes);
    QCOMPARE(now.m_groups, old.m_groups);
    QCOMPARE(now.m_strPhone, QByteArray("555"));
    // An edited field is stored as UTF-8.
    f.Type("editName", "");
    QTest::sendKeyEvent(QTest::Click, f.Name(), Qt::Key_Eacute, QStringLiteral("\u00e9"),
                        Qt::NoModifier);
    f.Click("btnUpdate");
    QCOMPARE(f.m_doc.m_personList[0]->m_strName, QByteArray("M\xc3\xbcller\xc3\xa9"));
    QCOMPARE(f.m_doc.m_personList[0]->m_strAddress, old.m_strAddress);
}

void TestRecordEditing::groupsStored() {
    CFormFixture f;
    f.Open(Names({"Al"}), {"Zoo", "Club", "Work"});
    auto* pMember = f.Child<QListWidget>("listMemberOf");
    // Lines: Club, Work, Zoo. Clicking toggles a line.
    for (int row : {2, 0}) {
        const QRect rect = pMember->visualItemRect(pMember->item(row));
        QTest::mouseClick(pMember->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QVERIFY(f.m_pView->IsChanged());
    QVERIFY(f.Button("btnUpdate")->isEnabled());
    f.Click("btnUpdate");
    QCOMPARE(f.m_doc.m_personList[0]->m_groups, QList<QByteArray>({"Club", "Zoo"}));
    // A new entry takes the lines selected while it is typed.
    f.Click("btnNew");
    QVERIFY(pMember->selectedItems().isEmpty());
    f.Type("editName", "Bo");
    const QRect rect = pMember->visualItemRect(pMember->item(1));
    QTest::mouseClick(pMember->viewport(), Qt::LeftButton, {}, rect.center());
    f.Click("btnUpdate");
    QCOMPARE(f.m_doc.m_personList[1]->m_groups, QList<QByteArray>({"Work"}));
    QVERIFY(pMember->selectedItems().isEmpty());
}

void TestRecordEditing::saveAndReopen() {
    QTemporaryDir dir;
    const QString path = dir.filePath("edited.vby");
    CFormFixture f;
    f.Open({CFormFixture::Person("Zed", "Oslo"), CFormFixture::Person("Bo")}, {"Work"});
    f.ClickLine(1);
    f.Erase("editName");
    f.Type("editName", "Aaron");
    f.Type("editAddress", "1 Main St");
    f.Click("btnUpdate");
    f.Click("btnNew");
    f.Type("editName", "Cy");
    f.Type("editNotes", "two");
    QTest::keyClick(f.Child<QWidget>("editNotes"), Qt::Key_Return);
    QTest::keyClicks(f.Child<QWidget>("editNotes"), "lines");
    f.Click("btnUpdate");
    f.ClickLine(1);
    f.m_app.m_bConfirmDelete = false;
    f.Click("btnDelete");
    const QStringList lines = f.Lines();
    QCOMPARE(lines, QStringList({"Aaron", "Cy"}));
    QString error;
    QVERIFY2(f.m_doc.OnSaveDocument(path, &error), qPrintable(error));

    std::vector<CPerson> saved;
    for (const auto& person : f.m_doc.m_personList)
        saved.push_back(*person);
    QVERIFY(f.m_doc.OnOpenDocument(path, &error));
    f.m_pView->OnInitialUpdate();
    QCOMPARE(f.Lines(), lines);
    QCOMPARE(f.m_doc.m_personList.size(), saved.size());
    for (size_t i = 0; i < saved.size(); ++i)
        QVERIFY(*f.m_doc.m_personList[i] == saved[i]);
    QCOMPARE(f.m_doc.m_personList[1]->m_strNotes, QByteArray("two\r\nlines"));
    QCOMPARE(f.Text("editName"), QStringLiteral("Aaron"));
    QCOMPARE(f.Text("editAddress"), QStringLiteral("1 Main St"));
}

QTEST_MAIN(TestRecordEditing)
#include "TestRecordEditing.moc"
