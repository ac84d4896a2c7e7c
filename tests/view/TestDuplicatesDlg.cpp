// Find Duplicates driven through the real dialog on the real form.
#include "CDuplicatesDlg.h"
#include "CFormFixture.h"

#include <QComboBox>
#include <QPushButton>

namespace {

CPerson Entry(const QByteArray& name, const QByteArray& email, const QByteArray& phone,
              const QByteArray& city, const QList<QByteArray>& groups = {}) {
    CPerson person = CFormFixture::Person(name, city, phone, groups);
    person.m_strEmail = email;
    return person;
}

// Ann Lee three times (by name, comma form and accents), the Youngs by e-mail, the Fox by
// phone; Bob stands alone.
QList<CPerson> Book() {
    return {Entry("Ann Lee", "ann@x.org", "Home 555 123 4567", "Salem", {"Work"}),
            Entry("Bob Ray", "bob@x.org", "555 000 0001", "Salem"),
            Entry("Lee, Ann", "", "Cell 555 999 8888", "Portland", {"Club"}),
            Entry("Cy Young", "CY@x.org", "", "Eugene"),
            Entry("Ann L\xc3\xa9"
                  "e",
                  "", "", "Salem", {"Work"}),
            Entry("C. Young", "cy@x.org", "", ""),
            Entry("Dee Fox", "", "+1 (555) 222-3333", ""),
            Entry("Dora Fox", "", "555.222.3333", "Bend")};
}

QStringList Items(QListWidget* pList) {
    QStringList items;
    for (int row = 0; row < pList->count(); ++row)
        items.append(pList->item(row)->text());
    return items;
}

QStringList ComboItems(QComboBox* pCombo) {
    QStringList items;
    for (int i = 0; i < pCombo->count(); ++i)
        items.append(pCombo->itemText(i));
    return items;
}

} // namespace

class TestDuplicatesDlg : public QObject {
    Q_OBJECT
private slots:
    void setsShowWhy();
    void mergeOneSetWithChosenValues();
    void mergeAll_data();
    void mergeAll();
    void noDuplicates();
    void keyboard();
};

void TestDuplicatesDlg::setsShowWhy() {
    CFormFixture f;
    f.Open(Book(), {"Club", "Work"});
    QStringList sets;
    QStringList cities;
    QString keptCity;
    bool bCityChoosable = false;
    CFormFixture::OnNextDialog([&](QDialog* pDialog) {
        sets = Items(pDialog->findChild<QListWidget*>("listSets"));
        auto* pCity = pDialog->findChild<QComboBox*>("comboKeepCity");
        cities = ComboItems(pCity);
        keptCity = pCity->currentText();
        bCityChoosable = pCity->isEnabled();
        pDialog->findChild<QPushButton*>("btnClose")->click();
    });
    f.m_pView->OnFindDuplicates();
    QCOMPARE(sets,
             (QStringList{"Ann Lee (3 entries): Same name", "Cy Young (2 entries): Same e-mail",
                          "Dee Fox (2 entries): Same phone"}));
    // Every value of the set once; the one most of them share first chosen.
    QCOMPARE(cities, (QStringList{"Salem", "Portland"}));
    QCOMPARE(keptCity, QStringLiteral("Salem"));
    QVERIFY(bCityChoosable);
    // Closing merges nothing.
    QCOMPARE(f.m_doc.m_personList.size(), size_t(8));
    QVERIFY(!f.m_doc.IsModified());
}

void TestDuplicatesDlg::mergeOneSetWithChosenValues() {
    CFormFixture f;
    f.Open(Book(), {"Club", "Work"});
    CPerson* pFirstAnn = f.m_doc.m_personList[0].get();
    QStringList setsAfter;
    QString united;
    CFormFixture::OnNextDialog([&](QDialog* pDialog) {
        auto* pCity = pDialog->findChild<QComboBox*>("comboKeepCity");
        pCity->setCurrentIndex(pCity->findText("Portland"));
        auto* pName = pDialog->findChild<QComboBox*>("comboKeepName");
        pName->setCurrentIndex(pName->findText("Lee, Ann"));
        united = pDialog->findChild<QPlainTextEdit*>("editUnited")->toPlainText();
        QTest::mouseClick(pDialog->findChild<QPushButton*>("btnMerge"), Qt::LeftButton);
        setsAfter = Items(pDialog->findChild<QListWidget*>("listSets"));
        pDialog->findChild<QPushButton*>("btnClose")->click();
    });
    f.m_pView->OnFindDuplicates();

    QVERIFY2(united.contains("Home 555 123 4567\nCell 555 999 8888"), qPrintable(united));
    QVERIFY(united.contains("Groups:\nWork, Club"));
    QCOMPARE(setsAfter,
             (QStringList{"Cy Young (2 entries): Same e-mail", "Dee Fox (2 entries): Same phone"}));
    // The first of the set keeps its place and takes the values, field by field.
    QCOMPARE(f.m_doc.m_personList.size(), size_t(6));
    QCOMPARE(f.m_doc.m_personList[0].get(), pFirstAnn);
    QCOMPARE(pFirstAnn->m_strName, QByteArray("Lee, Ann"));
    QCOMPARE(pFirstAnn->m_strCity, QByteArray("Portland"));
    QCOMPARE(pFirstAnn->m_strEmail, QByteArray("ann@x.org"));
    QCOMPARE(pFirstAnn->m_strPhone, QByteArray("Home 555 123 4567\r\nCell 555 999 8888"));
    QCOMPARE(pFirstAnn->m_groups, (QList<QByteArray>{"Work", "Club"}));
    QCOMPARE(f.DocNames(), (QList<QByteArray>{"Lee, Ann", "Bob Ray", "Cy Young", "C. Young",
                                              "Dee Fox", "Dora Fox"}));
    // The lists, counters and buttons follow; the merged entry is shown and selected.
    QCOMPARE(f.Lines(),
             (QStringList{"Bob Ray", "C. Young", "Cy Young", "Dee Fox", "Dora Fox", "Lee, Ann"}));
    QCOMPARE(f.Counters(), QStringLiteral("6 of 6"));
    QCOMPARE(f.SelectedRows(), QList<int>{5});
    QCOMPARE(f.CaretRow(), 5);
    QCOMPARE(f.Name()->text(), QStringLiteral("Lee, Ann"));
    QCOMPARE(f.Text("comboCity"), QStringLiteral("Portland"));
    QCOMPARE(f.Text("editPhone"), QStringLiteral("Home 555 123 4567\nCell 555 999 8888"));
    auto* pMemberOf = f.Child<QListWidget>("listMemberOf");
    QCOMPARE(pMemberOf->selectedItems().size(), 2);
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    QVERIFY(f.Button("btnDelete")->isEnabled());
    QVERIFY(!f.Button("btnUpdate")->isEnabled());
    QVERIFY(f.m_doc.IsModified());
}

void TestDuplicatesDlg::mergeAll_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("Yes") << int(IPrompt::AnswerYes)
                         << QStringList{"Lee, Ann", "Bob Ray", "Cy Young", "Dora Fox"};
    QTest::newRow("No") << int(IPrompt::AnswerNo)
                        << QStringList{"Ann Lee",      "Bob Ray",  "Lee, Ann", "Cy Young",
                                       "Ann L\u00e9e", "C. Young", "Dee Fox",  "Dora Fox"};
}

void TestDuplicatesDlg::mergeAll() {
    QFETCH(int, answer);
    QFETCH(QStringList, names);
    CFormFixture f;
    f.Open(Book(), {"Club", "Work"});
    f.m_prompt.QueueAnswer(IPrompt::Answer(answer));
    bool bStillOpen = false;
    CFormFixture::OnNextDialog([&](QDialog* pDialog) {
        QTest::mouseClick(pDialog->findChild<QPushButton*>("btnMergeAll"), Qt::LeftButton);
        bStillOpen = pDialog->isVisible();
        if (bStillOpen)
            pDialog->findChild<QPushButton*>("btnClose")->click();
    });
    f.m_pView->OnFindDuplicates();

    QCOMPARE(f.m_prompt.m_texts,
             QStringList{"Merge all 3 sets of duplicates? The entries of each set become one "
                         "entry, keeping the values most of them share."});
    QCOMPARE(f.m_prompt.m_buttons.first(), IPrompt::YesNo);
    QStringList docNames;
    for (const QByteArray& name : f.DocNames())
        docNames.append(QString::fromUtf8(name));
    QCOMPARE(docNames, names);
    const bool bMerged = answer == IPrompt::AnswerYes;
    QCOMPARE(bStillOpen, !bMerged);
    QCOMPARE(f.m_doc.IsModified(), bMerged);
    QCOMPARE(f.Counters(), QStringLiteral("%1 of %1").arg(names.size()));
    if (bMerged) {
        // Defaults: the most shared value, else the longest; lines and groups united.
        const CPerson& ann = *f.m_doc.m_personList[0];
        QCOMPARE(ann.m_strCity, QByteArray("Salem"));
        QCOMPARE(ann.m_groups, (QList<QByteArray>{"Work", "Club"}));
        const CPerson& fox = *f.m_doc.m_personList[3];
        QCOMPARE(fox.m_strName, QByteArray("Dora Fox"));
        QCOMPARE(fox.m_strPhone, QByteArray("+1 (555) 222-3333\r\n555.222.3333"));
        QCOMPARE(fox.m_strCity, QByteArray("Bend"));
        // The last merged entry is shown and selected.
        QCOMPARE(f.Name()->text(), QStringLiteral("Dora Fox"));
        QCOMPARE(f.SelectedRows().size(), 1);
        QCOMPARE(f.Lines().at(f.CaretRow()), QStringLiteral("Dora Fox"));
    }
}

void TestDuplicatesDlg::noDuplicates() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Ann Lee"), CFormFixture::Person("Bob Ray")});
    f.m_pView->OnFindDuplicates();
    QCOMPARE(f.m_prompt.m_texts, QStringList{"No duplicate entries were found."});
    QVERIFY(!QApplication::activeModalWidget());
}

// The dialog by keyboard alone: mnemonics reach the fields and the buttons.
void TestDuplicatesDlg::keyboard() {
    CFormFixture f;
    f.Open(Book(), {"Club", "Work"});
    QStringList focused;
    int nSetsLeft = -1;
    CFormFixture::OnNextDialog([&](QDialog* pDialog) {
        QApplication::setActiveWindow(pDialog);
        if (!QTest::qWaitForWindowActive(pDialog))
            qWarning("the dialog did not become active");
        auto focus = [pDialog] { return pDialog->focusWidget(); };
        focused.append(focus()->objectName());
        for (Qt::Key key : {Qt::Key_I, Qt::Key_E, Qt::Key_T, Qt::Key_P}) {
            QTest::keyClick(focus(), key, Qt::AltModifier);
            focused.append(focus()->objectName());
        }
        // The second set, then Alt+M merges it.
        QTest::keyClick(focus(), Qt::Key_Down);
        QTest::keyClick(focus(), Qt::Key_M, Qt::AltModifier);
        // A mnemonic presses the button for a moment before it clicks.
        auto* pSets = pDialog->findChild<QListWidget*>("listSets");
        if (!QTest::qWaitFor([pSets] { return pSets->count() < 3; }, 2000))
            qWarning("Alt+M merged nothing");
        nSetsLeft = pSets->count();
        QTest::keyClick(focus(), Qt::Key_Escape);
        if (pDialog->isVisible())
            pDialog->reject();
    });
    f.m_pView->OnFindDuplicates();
    QCOMPARE(focused, (QStringList{"listSets", "comboKeepCity", "comboKeepEmail", "listSetEntries",
                                   "listSets"}));
    QCOMPARE(nSetsLeft, 2);
    QCOMPARE(f.DocNames().size(), 7);
    QVERIFY(!f.DocNames().contains("C. Young"));
}

QTEST_MAIN(TestDuplicatesDlg)
#include "TestDuplicatesDlg.moc"
