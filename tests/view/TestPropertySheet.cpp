#include "CAddrPropertyPage1.h"
#include "CAddrPropertyPage2.h"
#include "CAddrPropertyPage3.h"
#include "CAddrPropertySheet.h"
#include "CMemoryProfile.h"
#include "CText.h"
#include "CVornApp.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {
enum Page { Searching = 0, Passwords = 1, General = 2 };
enum Close { PressOk, PressCancel };
const char* const kModeButtons[] = {"btnExactMatch", "btnGoodMatch", "btnFairMatch",
                                    "btnPoorMatch"};

// What the profile holds under "options", or nothing.
QVariant Option(const CMemoryProfile& profile, const QString& key) {
    return profile.m_values.value(QStringLiteral("options/") + key);
}

// Types like a keyboard, one key press per character, also for characters beyond ASCII.
void Type(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(widget, ch.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}
} // namespace

class TestPropertySheet : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void searchMode_data();
    void searchMode();
    void password_data();
    void password();
    void generalOptions_data();
    void generalOptions();
    void generalPageShowsTheApplication_data();
    void generalPageShowsTheApplication();
    void typedLabel_data();
    void typedLabel();
    void labelKeptWhenUncheckingTheBox();
    void tooLongLabelKeptUntilEdited();
    void mnemonics_data();
    void mnemonics();
    void runsModallyWithItsPagesInOrder();
    void everyControlIsNamed();

private:
    // Opens a new sheet on the application, shown and active, on its first page.
    void Open();
    void SwitchTo(int nPage);
    void Close(Close how);
    template <typename T> T* Child(const char* name) const {
        T* child = m_pSheet->findChild<T*>(QLatin1String(name));
        if (!child)
            qWarning("no control %s", name);
        return child;
    }
    // Clicks where a user clicks: on the option's text when it has a label of its own.
    void ClickOption(const char* name);

    std::unique_ptr<CMemoryProfile> m_pProfile;
    std::unique_ptr<CVornApp> m_pApp;
    std::unique_ptr<CAddrPropertySheet> m_pSheet;
};

void TestPropertySheet::init() {
    m_pProfile = std::make_unique<CMemoryProfile>();
    m_pApp = std::make_unique<CVornApp>();
    m_pApp->m_nSearchMode = CVornApp::Fair;
    m_pApp->m_bPassword = false;
    m_pApp->m_bConfirmDelete = true;
    m_pApp->m_bAutoUpdate = false;
    m_pApp->m_bUseCustomLabel = 0;
    m_pApp->m_strCustomLabel = "Notes";
}

void TestPropertySheet::cleanup() {
    m_pSheet.reset();
    m_pApp.reset();
    m_pProfile.reset();
}

void TestPropertySheet::Open() {
    m_pSheet = std::make_unique<CAddrPropertySheet>(*m_pApp);
    m_pSheet->show();
    QApplication::setActiveWindow(m_pSheet.get());
    QVERIFY(QTest::qWaitForWindowActive(m_pSheet.get()));
}

void TestPropertySheet::SwitchTo(int nPage) {
    auto* tabs = Child<QTabWidget>("tabPages");
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(nPage).center());
    QCOMPARE(tabs->currentIndex(), nPage);
}

void TestPropertySheet::Close(enum Close how) {
    QTest::mouseClick(Child<QPushButton>(how == PressOk ? "btnOk" : "btnCancel"), Qt::LeftButton);
    QVERIFY(!m_pSheet->isVisible());
    QCOMPARE(m_pSheet->result(), how == PressOk ? int(QDialog::Accepted) : int(QDialog::Rejected));
}

void TestPropertySheet::ClickOption(const char* name) {
    auto* button = Child<QAbstractButton>(name);
    QVERIFY(button);
    QLabel* label = m_pSheet->findChild<QLabel*>(QLatin1String(name) + QStringLiteral("Label"));
    if (label)
        QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
    else
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void TestPropertySheet::searchMode_data() {
    QTest::addColumn<int>("nBefore");
    QTest::addColumn<int>("nChosen");   // -1: no click
    QTest::addColumn<int>("nSwitchTo"); // -1: stays on "Searching"
    QTest::addColumn<int>("close");
    QTest::addColumn<int>("nAfter");
    QTest::addColumn<QVariant>("stored");

    QTest::newRow("Poor, OK") << 2 << 3 << -1 << int(PressOk) << 3 << QVariant(1088);
    QTest::newRow("Exact, switch to General, Cancel")
        << 2 << 0 << int(General) << int(PressCancel) << 0 << QVariant(1085);
    QTest::newRow("Good, Cancel at once") << 2 << 1 << -1 << int(PressCancel) << 2 << QVariant();
    QTest::newRow("no choice, OK stores the mode shown")
        << 1 << -1 << -1 << int(PressOk) << 1 << QVariant(1086);
    QTest::newRow("Fair, switch to Passwords, OK there")
        << 0 << 2 << int(Passwords) << int(PressOk) << 2 << QVariant(1087);
    QTest::newRow("no choice, Cancel") << 3 << -1 << -1 << int(PressCancel) << 3 << QVariant();
}

void TestPropertySheet::searchMode() {
    QFETCH(int, nBefore);
    QFETCH(int, nChosen);
    QFETCH(int, nSwitchTo);
    QFETCH(int, close);
    QFETCH(int, nAfter);
    QFETCH(QVariant, stored);

    m_pApp->m_nSearchMode = nBefore;
    Open();
    QCOMPARE(Child<QTabWidget>("tabPages")->currentIndex(), int(Searching));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(Child<QRadioButton>(kModeButtons[i])->isChecked(), i == nBefore);

    if (nChosen >= 0) {
        ClickOption(kModeButtons[nChosen]);
        QVERIFY(Child<QRadioButton>(kModeButtons[nChosen])->isChecked());
        // A click alone stores nothing.
        QCOMPARE(m_pApp->m_nSearchMode, nBefore);
        QVERIFY(!Option(*m_pProfile, "search").isValid());
    }
    if (nSwitchTo >= 0)
        SwitchTo(nSwitchTo);
    Close(static_cast<enum Close>(close));

    // What the next search reads.
    QCOMPARE(m_pApp->m_nSearchMode, nAfter);
    QCOMPARE(Option(*m_pProfile, "search"), stored);
}

void TestPropertySheet::password_data() {
    QTest::addColumn<bool>("bBefore");
    QTest::addColumn<QString>("click"); // "On", "Off" or nothing
    QTest::addColumn<bool>("bLeave");   // switch on to "General" afterwards
    QTest::addColumn<int>("close");
    QTest::addColumn<bool>("bAfter");
    QTest::addColumn<QVariant>("stored");

    QTest::newRow("On, Cancel") << false << "On" << false << int(PressCancel) << true
                                << QVariant(1);
    QTest::newRow("Off, Cancel") << true << "Off" << false << int(PressCancel) << false
                                 << QVariant(0);
    QTest::newRow("On, leave, Cancel")
        << false << "On" << true << int(PressCancel) << true << QVariant(1);
    QTest::newRow("shown, no click, OK")
        << true << "" << false << int(PressOk) << true << QVariant(1);
    QTest::newRow("shown, no click, leave, Cancel")
        << false << "" << true << int(PressCancel) << false << QVariant(0);
}

void TestPropertySheet::password() {
    QFETCH(bool, bBefore);
    QFETCH(QString, click);
    QFETCH(bool, bLeave);
    QFETCH(int, close);
    QFETCH(bool, bAfter);
    QFETCH(QVariant, stored);

    m_pApp->m_bPassword = bBefore;
    Open();
    SwitchTo(Passwords);
    QCOMPARE(Child<QRadioButton>("btnOn")->isChecked(), bBefore);
    QCOMPARE(Child<QRadioButton>("btnOff")->isChecked(), !bBefore);
    // Opening the page stores nothing.
    QVERIFY(!Option(*m_pProfile, "password").isValid());

    if (!click.isEmpty()) {
        ClickOption(click == "On" ? "btnOn" : "btnOff");
        // The click itself stores the choice.
        QCOMPARE(m_pApp->m_bPassword, click == "On");
        QCOMPARE(Option(*m_pProfile, "password"), QVariant(click == "On" ? 1 : 0));
    }
    if (bLeave)
        SwitchTo(General);
    Close(static_cast<enum Close>(close));

    QCOMPARE(m_pApp->m_bPassword, bAfter);
    QCOMPARE(Option(*m_pProfile, "password"), stored);
}

void TestPropertySheet::generalOptions_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("bBefore");
    QTest::addColumn<int>("close");

    QTest::newRow("untick confirm on delete, Cancel")
        << "btnConfirmDelete"
        << "ConfirmDelete" << true << int(PressCancel);
    QTest::newRow("tick confirm on delete, OK") << "btnConfirmDelete"
                                                << "ConfirmDelete" << false << int(PressOk);
    QTest::newRow("tick automatic updates, Cancel") << "btnAutoUpdate"
                                                    << "AutoUpdate" << false << int(PressCancel);
    QTest::newRow("untick automatic updates, OK") << "btnAutoUpdate"
                                                  << "AutoUpdate" << true << int(PressOk);
}

void TestPropertySheet::generalOptions() {
    QFETCH(QString, button);
    QFETCH(QString, key);
    QFETCH(bool, bBefore);
    QFETCH(int, close);

    bool& bLive = key == "ConfirmDelete" ? m_pApp->m_bConfirmDelete : m_pApp->m_bAutoUpdate;
    bool& bOther = key == "ConfirmDelete" ? m_pApp->m_bAutoUpdate : m_pApp->m_bConfirmDelete;
    bLive = bBefore;
    bOther = true;
    Open();
    SwitchTo(General);
    auto* box = Child<QCheckBox>(button.toLatin1().constData());
    QCOMPARE(box->isChecked(), bBefore);

    ClickOption(button.toLatin1().constData());
    QCOMPARE(box->isChecked(), !bBefore);
    // Stored at the click: what the next delete (or the next move away from an edit) reads.
    QCOMPARE(bLive, !bBefore);
    QCOMPARE(Option(*m_pProfile, key), QVariant(bBefore ? 0 : 1));
    Close(static_cast<enum Close>(close));

    QCOMPARE(bLive, !bBefore);
    QCOMPARE(Option(*m_pProfile, key), QVariant(bBefore ? 0 : 1));
    // The other option is left alone, in the application and in the profile.
    QVERIFY(bOther);
    const QString otherKey = key == "ConfirmDelete" ? "AutoUpdate" : "ConfirmDelete";
    QVERIFY(!Option(*m_pProfile, otherKey).isValid());
}

void TestPropertySheet::generalPageShowsTheApplication_data() {
    QTest::addColumn<quint32>("nUseCustom");
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("labelAfter");

    QTest::newRow("empty label") << quint32(0) << QByteArray() << "Notes" << QByteArray("Notes");
    QTest::newRow("custom label in use")
        << quint32(1) << QByteArray("Birthday") << "Birthday" << QByteArray("Birthday");
    QTest::newRow("UTF-8 label") << quint32(1) << QByteArray("Geb\xc3\xbcrtstag") << "Gebürtstag"
                                 << QByteArray("Geb\xc3\xbcrtstag");
    QTest::newRow("Windows-1252 label")
        << quint32(0) << QByteArray("Caf\xe9") << "Café" << QByteArray("Caf\xe9");
}

void TestPropertySheet::generalPageShowsTheApplication() {
    QFETCH(quint32, nUseCustom);
    QFETCH(QByteArray, label);
    QFETCH(QString, shown);
    QFETCH(QByteArray, labelAfter);

    m_pApp->m_bUseCustomLabel = nUseCustom;
    m_pApp->m_strCustomLabel = label;
    Open();
    SwitchTo(General);
    auto* edit = Child<QLineEdit>("editLabel");
    QCOMPARE(edit->text(), shown);
    QCOMPARE(edit->isEnabled(), nUseCustom != 0);
    QCOMPARE(Child<QCheckBox>("btnUseCustomLabel")->isChecked(), nUseCustom != 0);
    Close(PressOk);
    // An untouched label keeps its bytes.
    QCOMPARE(m_pApp->m_strCustomLabel, labelAfter);
    QCOMPARE(m_pApp->m_bUseCustomLabel, nUseCustom);
}

void TestPropertySheet::typedLabel_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("word") << "Birthday" << QByteArray("Birthday");
    QTest::newRow("twenty characters kept")
        << "abcdefghijklmnopqrst" << QByteArray("abcdefghijklmnopqrst");
    QTest::newRow("cut at twenty")
        << "abcdefghijklmnopqrstuvwxy" << QByteArray("abcdefghijklmnopqrst");
    // Twenty characters, more than twenty bytes.
    QTest::newRow("twenty characters beyond ASCII")
        << "äöüäöüäöüäöüäöüäöüäöüä" << QByteArray("äöüäöüäöüäöüäöüäöüäö");
    QTest::newRow("emptied") << "" << QByteArray();
}

void TestPropertySheet::typedLabel() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);

    Open();
    SwitchTo(General);
    ClickOption("btnUseCustomLabel");
    QCOMPARE(m_pApp->m_bUseCustomLabel, quint32(1));
    auto* edit = Child<QLineEdit>("editLabel");
    QVERIFY(edit->isEnabled());
    // Ticking the box takes the user to the label.
    QVERIFY(edit->hasFocus());

    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(m_pApp->m_strCustomLabel, QByteArray());
    Type(edit, typed);
    // Each key press is in the application at once, not only at OK.
    QCOMPARE(m_pApp->m_strCustomLabel, stored);
    QCOMPARE(CText::ToDisplay(m_pApp->m_strCustomLabel), edit->text());
    Close(PressCancel);
    QCOMPARE(m_pApp->m_strCustomLabel, stored);
    // The label travels with the contact file, not in the profile (leaving "Searching" for
    // "General" stored the search mode, nothing else).
    QCOMPARE(m_pProfile->m_values.keys(), QStringList{"options/search"});
}

void TestPropertySheet::labelKeptWhenUncheckingTheBox() {
    m_pApp->m_bUseCustomLabel = 1;
    Open();
    SwitchTo(General);
    auto* edit = Child<QLineEdit>("editLabel");
    edit->setFocus();
    edit->selectAll();
    Type(edit, "Birthday");
    ClickOption("btnUseCustomLabel");
    QVERIFY(!edit->isEnabled());
    QCOMPARE(m_pApp->m_bUseCustomLabel, quint32(0));
    Close(PressOk);
    // The form shows this text whatever the flag.
    QCOMPARE(m_pApp->m_strCustomLabel, QByteArray("Birthday"));
    QCOMPARE(m_pApp->m_bUseCustomLabel, quint32(0));
}

void TestPropertySheet::tooLongLabelKeptUntilEdited() {
    const QByteArray longLabel("Anniversary and birthday notes");
    m_pApp->m_bUseCustomLabel = 1;
    m_pApp->m_strCustomLabel = longLabel;
    Open();
    SwitchTo(General);
    auto* edit = Child<QLineEdit>("editLabel");
    QCOMPARE(edit->text(), QString::fromLatin1(longLabel.left(20)));
    // Passing through the box changes nothing.
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Tab);
    QVERIFY(!edit->hasFocus());
    QCOMPARE(m_pApp->m_strCustomLabel, longLabel);
    // An edit by the user takes what the box shows.
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(m_pApp->m_strCustomLabel, longLabel.left(19));
    Close(PressOk);
    QCOMPARE(m_pApp->m_strCustomLabel, longLabel.left(19));
}

void TestPropertySheet::mnemonics_data() {
    QTest::addColumn<int>("nPage");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("button");

    QTest::newRow("Exact") << int(Searching) << int(Qt::Key_E) << "btnExactMatch";
    QTest::newRow("Good") << int(Searching) << int(Qt::Key_G) << "btnGoodMatch";
    QTest::newRow("Poor") << int(Searching) << int(Qt::Key_P) << "btnPoorMatch";
    QTest::newRow("On") << int(Passwords) << int(Qt::Key_N) << "btnOn";
    QTest::newRow("custom label") << int(General) << int(Qt::Key_C) << "btnUseCustomLabel";
    QTest::newRow("confirm on delete") << int(General) << int(Qt::Key_D) << "btnConfirmDelete";
    QTest::newRow("automatic updates") << int(General) << int(Qt::Key_A) << "btnAutoUpdate";
}

void TestPropertySheet::mnemonics() {
    QFETCH(int, nPage);
    QFETCH(int, key);
    QFETCH(QString, button);

    Open();
    if (nPage != Searching)
        SwitchTo(nPage);
    auto* target = Child<QAbstractButton>(button.toLatin1().constData());
    const bool bBefore = target->isChecked();
    QTest::keyClick(m_pSheet.get(), Qt::Key(key), Qt::AltModifier);
    QTRY_COMPARE(target->isChecked(), !bBefore);
}

void TestPropertySheet::runsModallyWithItsPagesInOrder() {
    m_pApp->m_bPassword = true;
    QStringList tabs;
    QString caption;
    bool bFound = false;
    QTimer::singleShot(0, this, [&] {
        auto* sheet = qobject_cast<CAddrPropertySheet*>(QApplication::activeModalWidget());
        if (!sheet)
            return;
        bFound = true;
        caption = sheet->windowTitle();
        auto* tabWidget = sheet->findChild<QTabWidget*>("tabPages");
        for (int i = 0; i < tabWidget->count(); ++i)
            tabs << tabWidget->tabText(i);
        sheet->findChild<QAbstractButton*>("btnPoorMatch")->click();
        QTest::keyClick(sheet, Qt::Key_Return);
    });
    const int result = CAddrPropertySheet::Run(nullptr);
    QVERIFY(bFound);
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(caption, QStringLiteral("Properties for the Velloby"));
    QCOMPARE(tabs, QStringList({"Searching", "Passwords", "General"}));
    QCOMPARE(m_pApp->m_nSearchMode, int(CVornApp::Poor));
    QCOMPARE(Option(*m_pProfile, "search"), QVariant(1088));
    // The password page was never opened, so OK left protection as it was.
    QVERIFY(m_pApp->m_bPassword);
    QVERIFY(!Option(*m_pProfile, "password").isValid());
}

void TestPropertySheet::everyControlIsNamed() {
    Open();
    const QStringList texts = {
        "&Exact Match - All fields must have an exact match to produce a hit.",
        "&Good Match - All fields must have at least a partial match, and at least one field "
        "must have an exact match to produce a hit.",
        "&Fair Match - All fields must have at least a partial match to produce a hit.",
        "&Poor Match - A partial match in any field produces a hit.",
        "O&n - a password must be entered at startup to run the Velloby.",
        "O&ff - No password is required to run the Velloby.",
        "Use &custom label for Notes Field:",
        "Confirm on &delete - before an entry or group of entries can be deleted, the user must "
        "confirm the delete request.",
        "&Automatic updates - entries are updated without prompting for verification.",
    };
    QStringList shown;
    for (QWidget* widget : m_pSheet->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
            qobject_cast<QLabel*>(widget) || qobject_cast<QGroupBox*>(widget)) {
            QVERIFY2(!widget->objectName().isEmpty(), widget->metaObject()->className());
            QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            shown << button->text();
        if (auto* label = qobject_cast<QLabel*>(widget))
            shown << label->text();
    }
    for (const QString& text : texts)
        QVERIFY2(shown.contains(text), qPrintable(text));
}

QTEST_MAIN(TestPropertySheet)
#include "TestPropertySheet.moc"
