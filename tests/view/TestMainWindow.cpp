// The form inside the real main window, driven by keys and clicks as a user drives it: the Edit
// menu opened from the keyboard, the questions when the program closes, the form's width while
// search criteria are entered, and the people list's caret line after the window is resized.
#include "CMainFrame.h"
#include "CMemoryProfile.h"
#include "CPeopleListModel.h"
#include "CPerson.h"
#include "CScriptedFileDialogs.h"
#include "CScriptedPrompt.h"
#include "CSplashWnd.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"
#include "CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace CommandId;

namespace {

const QString kCloseUpdate = QStringLiteral(
    "You have not updated your changes.  Do you want to update this entry before closing?");
const QString kCloseAdd = QStringLiteral("Do you want to add this entry before closing?");

// The program's main window with its form on a contact file of the given entries, shown and
// active; questions go to a scripted prompt.
class CWindow {
public:
    explicit CWindow(const QList<CPerson>& people) : m_doc(m_app) {
        m_path = m_dir.filePath(QStringLiteral("people.vby"));
        {
            CNotesLabel label;
            CVornDoc file(label);
            file.OnNewDocument();
            for (const CPerson& person : people)
                file.m_personList.push_back(std::make_unique<CPerson>(person));
            file.OnSaveDocument(m_path);
        }
        CSplashWnd::SetSplashEnabled(false);
        m_pFrame = std::make_unique<CMainFrame>(m_doc);
        m_pView = new CVornView(m_doc, m_pFrame.get());
        m_pFrame->SetFormView(m_pView);
        m_pFrame->ActivateFrame();
        m_pFrame->OpenDocumentFile(m_path);
        m_pFrame->show();
        QApplication::setActiveWindow(m_pFrame.get());
        if (!QTest::qWaitForWindowActive(m_pFrame.get()))
            qWarning("the main window did not become active");
    }

    static CPerson Person(const QByteArray& name, const QByteArray& phone = {}) {
        CPerson person;
        person.m_strName = name;
        person.m_strPhone = phone;
        return person;
    }
    template <typename T> T* Child(const char* name) const {
        return m_pFrame->findChild<T*>(QLatin1String(name));
    }
    QAction* Action(int nId) const { return m_pFrame->Action(nId); }
    QLineEdit* Name() const { return Child<QLineEdit>("editName"); }
    QListView* List() const { return Child<QListView>("listPeople"); }
    // Keys go where the user's keys go: to the widget with the focus.
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* pTarget = QApplication::activePopupWidget();
        if (!pTarget)
            pTarget = QApplication::focusWidget();
        QTest::keyClick(pTarget, key, modifiers);
    }
    // Escape until no menu is open and the menu bar has let the focus go.
    void CloseMenus() {
        for (int i = 0; i < 5 && QApplication::activePopupWidget(); ++i)
            Key(Qt::Key_Escape);
        Reactivate();
        if (qobject_cast<QMenuBar*>(QApplication::focusWidget()))
            Key(Qt::Key_Escape);
    }
    // A closed menu gives the activation back to the main window, as the window manager does
    // (the offscreen platform leaves no window active).
    void Reactivate() {
        QTRY_VERIFY(!QApplication::activePopupWidget());
        if (!QApplication::activeWindow()) {
            QApplication::setActiveWindow(m_pFrame.get());
            QVERIFY(QTest::qWaitForWindowActive(m_pFrame.get()));
        }
    }
    QStringList EditStates() const {
        QStringList states;
        for (int nId : {EditUndo, EditCut, EditCopy, EditPaste})
            states.append(Action(nId)->isEnabled() ? QStringLiteral("on") : QStringLiteral("off"));
        return states;
    }

    CMemoryProfile m_profile;
    CScriptedPrompt m_prompt;
    CScriptedFileDialogs m_dialogs;
    CVornApp m_app;
    QTemporaryDir m_dir;
    QString m_path;
    CVornDoc m_doc;
    std::unique_ptr<CMainFrame> m_pFrame;
    CVornView* m_pView = nullptr;
};

// How the Edit menu is opened.
enum class OpenMenu { AltE, AltThenE, F10ThenRight, Mouse };

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void editMenuFollowsFieldBeforeMenu_data();
    void editMenuFollowsFieldBeforeMenu();
    void editMenuWithoutTextField();
    void closingAsksAboutEdits_data();
    void closingAsksAboutEdits();
    void closingAsksToAddTypedEntry();
    void replacingTheDocumentAsksAboutEdits_data();
    void replacingTheDocumentAsksAboutEdits();
    void logoutAsksTheClosingQuestions();
    void searchKeepsFormWidth();
    void caretLineVisibleAfterResize_data();
    void caretLineVisibleAfterResize();
};

void TestMainWindow::editMenuFollowsFieldBeforeMenu_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<QString>("field");
    QTest::newRow("Alt+E in Name") << int(OpenMenu::AltE) << "editName";
    QTest::newRow("Alt, then E, in Notes") << int(OpenMenu::AltThenE) << "editNotes";
    QTest::newRow("F10, then Right, in Country") << int(OpenMenu::F10ThenRight) << "comboCountry";
    QTest::newRow("mouse, in E-mail") << int(OpenMenu::Mouse) << "editEmail";
}

void TestMainWindow::editMenuFollowsFieldBeforeMenu() {
    QFETCH(int, how);
    QFETCH(QString, field);
    CWindow w({CWindow::Person("Ann"), CWindow::Person("Bob")});
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    auto* pField = w.Child<QWidget>(qPrintable(field));
    QVERIFY(pField);
    // Type into the field and select the typed word, as the user does.
    pField->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(pField, Qt::Key_End);
    QTest::keyClicks(pField, QStringLiteral(" word"));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(pField, Qt::Key_Left, Qt::ShiftModifier);
    auto selectedText = [pField] {
        if (auto* pCombo = qobject_cast<QComboBox*>(pField))
            return pCombo->lineEdit()->selectedText();
        if (auto* pLine = qobject_cast<QLineEdit*>(pField))
            return pLine->selectedText();
        return qobject_cast<QPlainTextEdit*>(pField)->textCursor().selectedText();
    };
    auto fieldText = [pField] {
        if (auto* pCombo = qobject_cast<QComboBox*>(pField))
            return pCombo->currentText();
        if (auto* pLine = qobject_cast<QLineEdit*>(pField))
            return pLine->text();
        return qobject_cast<QPlainTextEdit*>(pField)->toPlainText();
    };
    QCOMPARE(selectedText(), QStringLiteral("word"));
    const QString before = fieldText();

    QMenu* pEdit = w.m_pFrame->Menu(QStringLiteral("menuEdit"));
    QMenuBar* pBar = w.m_pFrame->menuBar();
    auto open = [&] {
        switch (OpenMenu(how)) {
        case OpenMenu::AltE:
            CWindow::Key(Qt::Key_E, Qt::AltModifier);
            break;
        case OpenMenu::AltThenE:
            QTest::keyPress(QApplication::focusWidget(), Qt::Key_Alt, Qt::AltModifier);
            QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Alt, Qt::NoModifier);
            CWindow::Key(Qt::Key_E);
            break;
        case OpenMenu::F10ThenRight:
            CWindow::Key(Qt::Key_F10);
            QTRY_VERIFY(QApplication::activePopupWidget());
            CWindow::Key(Qt::Key_Right);
            break;
        case OpenMenu::Mouse:
            QTest::mouseClick(pBar, Qt::LeftButton, {},
                              pBar->actionGeometry(pEdit->menuAction()).center());
            break;
        }
        QTRY_COMPARE(QApplication::activePopupWidget(), pEdit);
    };

    open();
    // Undo, Cut, Copy and Paste stand for the field the focus was in.
    QCOMPARE(w.EditStates(), QStringList({"on", "on", "on", "on"}));
    QVERIFY(!w.Action(EditPasteSpecial)->isEnabled());
    // "Cu&t" from the open menu cuts the field's selection.
    CWindow::Key(Qt::Key_T);
    w.Reactivate();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("word"));
    QCOMPARE(fieldText(), before.left(before.size() - 4));
    // The focus is back in the field, and "&Undo" takes the cut back.
    QTRY_COMPARE(QApplication::focusWidget(), pField);
    open();
    CWindow::Key(Qt::Key_U);
    w.Reactivate();
    QCOMPARE(fieldText(), before);

    // Opening and closing the menu leaves the field's selection as it was.
    QTest::keyClick(pField, Qt::Key_End);
    QTest::keyClick(pField, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(pField, Qt::Key_Left, Qt::ShiftModifier);
    open();
    w.CloseMenus();
    QTRY_COMPARE(QApplication::focusWidget(), pField);
    QCOMPARE(selectedText(), QStringLiteral("rd"));
    // The menu's own keys did not count as leaving the field: the form holds the one edit.
    QCOMPARE(w.m_prompt.m_texts, QStringList());
}

void TestMainWindow::editMenuWithoutTextField() {
    CWindow w({CWindow::Person("Ann"), CWindow::Person("Bob")});
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    // Text selected in Name, then the focus moved to the people list: nothing to cut or paste
    // into, however the menu is opened.
    w.Name()->setFocus();
    w.Name()->selectAll();
    w.List()->setFocus(Qt::MouseFocusReason);
    CWindow::Key(Qt::Key_E, Qt::AltModifier);
    QTRY_COMPARE(QApplication::activePopupWidget(), w.m_pFrame->Menu(QStringLiteral("menuEdit")));
    QCOMPARE(w.EditStates(), QStringList({"off", "off", "off", "off"}));
    w.CloseMenus();
    // Back in a field the commands follow it again.
    w.Name()->setFocus(Qt::MouseFocusReason);
    w.Name()->selectAll();
    QCOMPARE(w.EditStates(), QStringList({"off", "on", "on", "on"}));
}

// How the program is closed.
enum class Close { Exit, Window, Logout };

void TestMainWindow::closingAsksAboutEdits_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<bool>("autoUpdate");
    QTest::addColumn<bool>("emptyName");
    QTest::addColumn<int>("answer");  // to the question about the edits
    QTest::addColumn<bool>("asked");  // whether that question came
    QTest::addColumn<bool>("closed"); // whether the program ends
    QTest::addColumn<bool>("stored"); // whether the edit reached the entry
    QTest::newRow("Exit, Yes") << int(Close::Exit) << false << false << int(IPrompt::AnswerYes)
                               << true << true << true;
    QTest::newRow("close button, No")
        << int(Close::Window) << false << false << int(IPrompt::AnswerNo) << true << true << false;
    QTest::newRow("close button, Cancel") << int(Close::Window) << false << false
                                          << int(IPrompt::AnswerCancel) << true << false << false;
    QTest::newRow("logout, Yes") << int(Close::Logout) << false << false << int(IPrompt::AnswerYes)
                                 << true << true << true;
    QTest::newRow("logout, Cancel") << int(Close::Logout) << false << false
                                    << int(IPrompt::AnswerCancel) << true << false << false;
    QTest::newRow("AutoUpdate stores without asking")
        << int(Close::Exit) << true << false << int(IPrompt::AnswerNo) << false << true << true;
    QTest::newRow("emptied Name, Yes keeps the name")
        << int(Close::Window) << false << true << int(IPrompt::AnswerYes) << true << true << true;
}

void TestMainWindow::closingAsksAboutEdits() {
    QFETCH(int, how);
    QFETCH(bool, autoUpdate);
    QFETCH(bool, emptyName);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closed);
    QFETCH(bool, stored);
    CWindow w({CWindow::Person("Ann", "1"), CWindow::Person("Bob")});
    w.m_app.m_bAutoUpdate = autoUpdate;
    QSignalSpy closedSpy(w.m_pFrame.get(), &CMainFrame::Closed);
    auto* pPhone = w.Child<QPlainTextEdit>("editPhone");
    pPhone->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(pPhone, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(pPhone, QStringLiteral("23"));
    if (emptyName) {
        w.Name()->setFocus(Qt::MouseFocusReason);
        w.Name()->selectAll();
        QTest::keyClick(w.Name(), Qt::Key_Delete);
    }
    if (asked)
        w.m_prompt.QueueAnswer(IPrompt::Answer(answer));
    // Then the question to save the file (when it is modified): saved.
    w.m_prompt.QueueAnswer(IPrompt::AnswerYes);
    bool bGoOn = false;
    switch (Close(how)) {
    case Close::Exit:
        w.Action(AppExit)->trigger();
        bGoOn = !closedSpy.isEmpty();
        break;
    case Close::Window:
        bGoOn = w.m_pFrame->close();
        break;
    case Close::Logout:
        // What the main window runs when the session asks the program to save its data.
        bGoOn = w.m_pFrame->QueryClose();
        break;
    }
    QCOMPARE(bGoOn, closed);
    const QString save =
        QStringLiteral("Save changes to %1?").arg(QDir::toNativeSeparators(w.m_path));
    QStringList questions;
    if (asked)
        questions << kCloseUpdate;
    if (stored)
        questions << save;
    QCOMPARE(w.m_prompt.m_texts, questions);
    if (Close(how) != Close::Logout)
        QCOMPARE(w.m_pFrame->isVisible(), !closed);
    if (!closed) {
        // Nothing is lost: the form still holds the edit, which UPDATE can store.
        QCOMPARE(pPhone->toPlainText(), QStringLiteral("123"));
        QCOMPARE(w.m_pView->GetEditMode(), int(CVornView::ModeEdited));
    }
    // What the file holds now.
    CNotesLabel label;
    CVornDoc file(label);
    QVERIFY(file.OnOpenDocument(w.m_path));
    QCOMPARE(file.m_personList.size(), size_t(2));
    QCOMPARE(file.m_personList[0]->m_strName, QByteArray("Ann"));
    QCOMPARE(file.m_personList[0]->m_strPhone, stored ? QByteArray("123") : QByteArray("1"));
}

void TestMainWindow::closingAsksToAddTypedEntry() {
    struct Case {
        const char* pszName;
        IPrompt::Answer answer;
        bool bClosed;
        QList<QByteArray> names; // in the file afterwards
        QStringList questions;
    };
    const QString save = QStringLiteral("Save changes to ");
    const QString blank = QStringLiteral("Failed to add person to listbox.  Please make sure "
                                         "that a name is entered in the Name field.");
    const Case cases[] = {
        {"Cy", IPrompt::AnswerYes, true, {"Ann", "Cy"}, {kCloseAdd, save}},
        {"Cy", IPrompt::AnswerNo, true, {"Ann"}, {kCloseAdd}},
        {"Cy", IPrompt::AnswerCancel, false, {"Ann"}, {kCloseAdd}},
        // A name of blanks cannot be added: the program stays open with the typed entry.
        {"  ", IPrompt::AnswerYes, false, {"Ann"}, {kCloseAdd, blank}},
    };
    for (const Case& c : cases) {
        CWindow w({CWindow::Person("Ann")});
        CWindow::Key(Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(w.m_pView->GetEditMode(), int(CVornView::ModeBlank));
        QTest::keyClicks(w.Name(), QString::fromLatin1(c.pszName));
        w.m_prompt.QueueAnswer(c.answer);
        w.m_prompt.QueueAnswer(IPrompt::AnswerYes);
        QCOMPARE(w.m_pFrame->close(), c.bClosed);
        QStringList questions = w.m_prompt.m_texts;
        for (QString& text : questions) {
            if (text.startsWith(save))
                text = save;
        }
        QCOMPARE(questions, c.questions);
        CNotesLabel label;
        CVornDoc file(label);
        QVERIFY(file.OnOpenDocument(w.m_path));
        QList<QByteArray> names;
        for (const auto& pPerson : file.m_personList)
            names.append(pPerson->m_strName);
        QCOMPARE(names, c.names);
        if (!c.bClosed)
            QCOMPARE(w.Name()->text(), QString::fromLatin1(c.pszName));
    }
}

// New and Open replace the document: the form's unstored edits are asked about first, as on
// closing, and Cancel keeps the document and the edit.
void TestMainWindow::replacingTheDocumentAsksAboutEdits_data() {
    QTest::addColumn<bool>("open");     // Open another file, else New
    QTest::addColumn<bool>("typedNew"); // a typed new entry, else a changed one
    QTest::addColumn<int>("answer");
    for (const bool bOpen : {false, true}) {
        for (const bool bTyped : {false, true}) {
            for (const auto& [answer, pszAnswer] :
                 {std::pair{IPrompt::AnswerYes, "Yes"}, std::pair{IPrompt::AnswerNo, "No"},
                  std::pair{IPrompt::AnswerCancel, "Cancel"}}) {
                QTest::addRow("%s, %s, %s", bOpen ? "Open" : "New",
                              bTyped ? "typed entry" : "changed entry", pszAnswer)
                    << bOpen << bTyped << int(answer);
            }
        }
    }
}

void TestMainWindow::replacingTheDocumentAsksAboutEdits() {
    QFETCH(bool, open);
    QFETCH(bool, typedNew);
    QFETCH(int, answer);
    CWindow w({CWindow::Person("Ann", "1")});
    const QString other = QFileInfo(w.m_path).dir().filePath(QStringLiteral("other.vby"));
    {
        CNotesLabel label;
        CVornDoc file(label);
        file.OnNewDocument();
        file.m_personList.push_back(std::make_unique<CPerson>(CWindow::Person("Zoe")));
        QVERIFY(file.OnSaveDocument(other));
    }
    QWidget* pEdited = nullptr;
    if (typedNew) {
        CWindow::Key(Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(w.m_pView->GetEditMode(), int(CVornView::ModeBlank));
        QTest::keyClicks(w.Name(), QStringLiteral("Cy"));
        pEdited = w.Name();
    } else {
        auto* pPhone = w.Child<QPlainTextEdit>("editPhone");
        pPhone->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(pPhone, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(pPhone, QStringLiteral("23"));
        pEdited = pPhone;
    }
    w.m_prompt.QueueAnswer(IPrompt::Answer(answer));
    w.m_prompt.QueueAnswer(IPrompt::AnswerYes); // to "Save changes to ...?"
    if (open)
        w.m_pFrame->OpenDocumentFile(other);
    else
        w.Action(FileNew)->trigger();

    const bool bStored = answer == IPrompt::AnswerYes;
    QStringList questions = {typedNew ? kCloseAdd : kCloseUpdate};
    if (bStored)
        questions << QStringLiteral("Save changes to %1?").arg(QDir::toNativeSeparators(w.m_path));
    QCOMPARE(w.m_prompt.m_texts, questions);
    if (answer == IPrompt::AnswerCancel) {
        // Nothing replaced, nothing lost.
        QCOMPARE(w.m_doc.GetPathName(), QFileInfo(w.m_path).absoluteFilePath());
        if (typedNew)
            QCOMPARE(w.Name()->text(), QStringLiteral("Cy"));
        else
            QCOMPARE(static_cast<QPlainTextEdit*>(pEdited)->toPlainText(), QStringLiteral("123"));
    } else {
        QCOMPARE(w.m_doc.GetPathName(), open ? QFileInfo(other).absoluteFilePath() : QString());
        QCOMPARE(w.m_doc.m_personList.size(), size_t(open ? 1 : 0));
    }
    CNotesLabel label;
    CVornDoc file(label);
    QVERIFY(file.OnOpenDocument(w.m_path));
    QList<QByteArray> entries;
    for (const auto& pPerson : file.m_personList)
        entries.append(pPerson->m_strName + "/" + pPerson->m_strPhone);
    QList<QByteArray> expected = {bStored && !typedNew ? "Ann/123" : "Ann/1"};
    if (bStored && typedNew)
        expected << "Cy/";
    QCOMPARE(entries, expected);
}

void TestMainWindow::logoutAsksTheClosingQuestions() {
    CWindow w({CWindow::Person("Ann")});
    // The main window answers the session's request to save data (a logout); disconnecting
    // finds the connection.
    QVERIFY(
        QObject::disconnect(qApp, &QGuiApplication::commitDataRequest, w.m_pFrame.get(), nullptr));
}

void TestMainWindow::searchKeepsFormWidth() {
    CWindow w({CWindow::Person("Ann"), CWindow::Person("Bob")});
    QApplication::processEvents();
    const int frameWidth = w.m_pFrame->width();
    const int formMinimum = w.m_pView->minimumSizeHint().width();
    auto* pCancel = w.Child<QPushButton>("btnCancelSearch");
    // Alt+C: "Prepare screen for search".
    CWindow::Key(Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(pCancel->isVisible());
    QApplication::processEvents();
    QCOMPARE(w.m_pView->minimumSizeHint().width(), formMinimum);
    QCOMPARE(w.m_pFrame->width(), frameWidth);
    // "Cancel Search" stands where NEW, DELETE and UPDATE stood, and is fully visible.
    QVERIFY(!w.Child<QWidget>("btnNew")->isVisible());
    QVERIFY(pCancel->width() >= pCancel->sizeHint().width());
    QTest::mouseClick(pCancel, Qt::LeftButton);
    QTRY_VERIFY(!pCancel->isVisible());
    QApplication::processEvents();
    QVERIFY(w.Child<QWidget>("btnNew")->isVisible());
    QVERIFY(w.Child<QWidget>("btnUpdate")->isVisible());
    QCOMPARE(w.m_pView->minimumSizeHint().width(), formMinimum);
    QCOMPARE(w.m_pFrame->width(), frameWidth);
}

void TestMainWindow::caretLineVisibleAfterResize_data() {
    QTest::addColumn<QSize>("change"); // added to the window's size
    QTest::newRow("lower") << QSize(0, -120);
    QTest::newRow("taller") << QSize(0, 200);
    QTest::newRow("wider") << QSize(300, 0);
    QTest::newRow("narrower and lower") << QSize(-100, -100);
}

void TestMainWindow::caretLineVisibleAfterResize() {
    QFETCH(QSize, change);
    QList<CPerson> people;
    for (int i = 0; i < 400; ++i)
        people.append(CWindow::Person("Person " + QByteArray::number(1000 + i)));
    CWindow w(people);
    w.m_pFrame->resize(700, 600);
    QListView* pList = w.List();
    // Go to a line well into the list by quick find.
    auto* pQuickFind = w.Child<QLineEdit>("editQuickFind");
    pQuickFind->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(pQuickFind, QStringLiteral("Person 1150"));
    const int caret = pList->currentIndex().row();
    QCOMPARE(caret, 150);
    auto visible = [pList, caret] {
        const QRect line = pList->visualRect(pList->model()->index(caret, 0));
        return pList->viewport()->rect().contains(line.center());
    };
    QTRY_VERIFY(visible());
    w.m_pFrame->resize(w.m_pFrame->size() + change);
    QTRY_COMPARE(pList->currentIndex().row(), caret);
    // The list lays its lines out anew a moment after the resize; then the line is in view.
    QTest::qWait(250);
    QVERIFY(visible());
    QCOMPARE(w.Name()->text(), QStringLiteral("Person 1150"));
}

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
