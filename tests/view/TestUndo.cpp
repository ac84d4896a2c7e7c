// Undo and redo of entry commands, driven through the main window: the form's buttons and
// dialogs make the commands, Ctrl+Z and Ctrl+Y (or the Edit menu) take them back and do them
// again, and the document, the lists and the modified flag are compared with what they were.
#include "CFormFixture.h"
#include "CMainFrame.h"
#include "CScriptedFileDialogs.h"
#include "CUndoHistory.h"
#include "CommandIds.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <map>

namespace {

const QString kAllGroups = QStringLiteral("***All Groups***");

// The document as the user could tell it apart: every record, field by field, in file order,
// the group names in order, and what the form lists.
struct SSnapshot {
    std::vector<CPerson> people;
    std::vector<const CPerson*> identities;
    QList<QByteArray> groups;
    QStringList lines;
    QStringList groupLines;
    QString counters;
    bool bModified = false;
};

QString Describe(const CPerson& p) {
    return QString::fromUtf8(p.m_strName + '|' + p.m_strAddress + '|' + p.m_strCity + '|' +
                             p.m_strState + '|' + p.m_strZip + '|' + p.m_strCountry + '|' +
                             p.m_strPhone + '|' + p.m_strNotes + '|' + p.m_strEmail + "|[" +
                             p.m_groups.join(',') + ']');
}

QStringList ListTexts(const QListWidget* pList) {
    QStringList texts;
    for (int row = 0; row < pList->count(); ++row)
        texts.append(pList->item(row)->text());
    return texts;
}

// Clicks the line of the given text in a group list, as the user does.
void ClickGroup(QListWidget* pList, const QString& text) {
    const QList<QListWidgetItem*> items = pList->findItems(text, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(text + " not in " + ListTexts(pList).join(',')));
    QTest::mouseClick(pList->viewport(), Qt::LeftButton, {},
                      pList->visualItemRect(items.first()).center());
}

// Answers the next "Create a Group" or "Rename Group" dialog with `text` and OK.
void AnswerNameDialog(const QString& text) {
    CFormFixture::OnNextDialog([text](QDialog* pDialog) {
        auto* pEdit = pDialog->findChild<QLineEdit*>();
        pEdit->setFocus();
        QTest::keyClicks(pEdit, text);
        QTest::mouseClick(pDialog->findChild<QPushButton*>(QStringLiteral("btnOK")),
                          Qt::LeftButton);
    });
}

// The main window with its form on a saved file of the given entries.
class CUndoFixture {
public:
    explicit CUndoFixture(const QList<CPerson>& people, const QList<QByteArray>& groups = {})
        : m_doc(m_app), m_frame(m_doc) {
        m_app.m_bConfirmDelete = true;
        m_app.m_bAutoUpdate = false;
        m_path = m_dir.filePath(QStringLiteral("book.vby"));
        {
            CNotesLabel label;
            CVornDoc file(label);
            file.OnNewDocument();
            for (const CPerson& person : people)
                file.m_personList.push_back(std::make_unique<CPerson>(person));
            file.m_groupList = groups;
            if (!file.OnSaveDocument(m_path))
                qWarning("the test file was not written");
        }
        m_pView = new CVornView(m_doc, &m_frame);
        m_frame.SetFormView(m_pView);
        m_frame.OpenDocumentFile(m_path);
        m_frame.resize(900, 700);
        m_frame.show();
        QApplication::setActiveWindow(&m_frame);
        if (!QTest::qWaitForWindowActive(&m_frame))
            qWarning("the main window did not become active");
    }

    template <typename T> T* Child(const char* name) const {
        return m_frame.findChild<T*>(QLatin1String(name));
    }
    QAction* Action(int nId) const { return m_frame.Action(nId); }
    QListView* List() const { return Child<QListView>("listPeople"); }
    QListWidget* Groups() const { return Child<QListWidget>("listGroups"); }
    void Click(const char* button) {
        QTest::mouseClick(Child<QAbstractButton>(button), Qt::LeftButton);
    }
    int RowOf(const QString& text) const {
        for (int row = 0; row < m_pView->PeopleModel().Count(); ++row) {
            if (m_pView->PeopleModel().TextAt(row) == text)
                return row;
        }
        return -1;
    }
    void ClickLine(const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const int row = RowOf(text);
        QVERIFY2(row >= 0, qPrintable(text));
        const QRect rect = List()->visualRect(m_pView->PeopleModel().index(row));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    void Type(const char* field, const QString& text) {
        QWidget* pField = Child<QWidget>(field);
        pField->setFocus(Qt::TabFocusReason);
        QTest::keyClick(pField, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(pField, text);
    }
    void Erase(const char* field) {
        QWidget* pField = Child<QWidget>(field);
        pField->setFocus(Qt::TabFocusReason);
        QTest::keyClick(pField, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(pField, Qt::Key_Delete);
    }
    // A key as the user presses it, wherever the focus is.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        // The offscreen platform does not give the activation back when a dialog closes.
        if (QApplication::activeWindow() != &m_frame) {
            QApplication::setActiveWindow(&m_frame);
            if (!QTest::qWaitForWindowActive(&m_frame))
                qWarning("the main window did not become active");
        }
        QWidget* pFocus = QApplication::focusWidget();
        QTest::keyClick(pFocus ? pFocus : &m_frame, key, modifiers);
    }

    SSnapshot Snapshot() const {
        SSnapshot s;
        for (const auto& pPerson : m_doc.m_personList) {
            s.people.push_back(*pPerson);
            s.identities.push_back(pPerson.get());
        }
        s.groups = m_doc.m_groupList;
        for (int row = 0; row < m_pView->PeopleModel().Count(); ++row)
            s.lines.append(m_pView->PeopleModel().TextAt(row));
        s.groupLines = ListTexts(Groups());
        s.counters = Child<QLabel>("labelShownPeople")->text() + QStringLiteral(" of ") +
                     Child<QLabel>("labelTotalPeople")->text() + QStringLiteral(", ") +
                     Child<QLabel>("labelTotalGroups")->text() + QStringLiteral(" groups");
        s.bModified = m_doc.IsModified();
        return s;
    }

    CMemoryProfile m_profile;
    CScriptedPrompt m_prompt;
    CScriptedFileDialogs m_dialogs;
    CVornApp m_app;
    QTemporaryDir m_dir;
    QString m_path;
    CVornDoc m_doc;
    CMainFrame m_frame;
    CVornView* m_pView = nullptr;
};

// Compares two states of the document; `bSameRecords` also wants the very same records.
void CompareSnapshots(const SSnapshot& actual, const SSnapshot& expected, bool bSameRecords,
                      const QString& where) {
    QStringList a;
    QStringList e;
    for (const CPerson& p : actual.people)
        a.append(Describe(p));
    for (const CPerson& p : expected.people)
        e.append(Describe(p));
    QVERIFY2(a == e, qPrintable(where + QStringLiteral(": records\n  ") + a.join("\n  ") +
                                QStringLiteral("\nexpected\n  ") + e.join("\n  ")));
    if (bSameRecords)
        QVERIFY2(actual.identities == expected.identities,
                 qPrintable(where + ": not the same records"));
    QVERIFY2(actual.groups == expected.groups,
             qPrintable(where + ": groups " + QString::fromUtf8(actual.groups.join(','))));
    QVERIFY2(actual.lines == expected.lines,
             qPrintable(where + ": lines " + actual.lines.join(',') + " expected " +
                        expected.lines.join(',')));
    QVERIFY2(actual.groupLines == expected.groupLines,
             qPrintable(where + ": group lines " + actual.groupLines.join(',')));
    QVERIFY2(
        actual.counters == expected.counters,
        qPrintable(where + ": counters " + actual.counters + " expected " + expected.counters));
}

QList<CPerson> Book() {
    // Ann and Cy in group A, Bob and Cy in B, Di and Ed in none.
    return {CFormFixture::Person("Ann", "Boston", "555-1", {"A"}),
            CFormFixture::Person("Bob", "Austin", "555-2", {"B"}),
            CFormFixture::Person("Cy", "Dover", {}, {"A", "B"}), CFormFixture::Person("Di", "Erie"),
            CFormFixture::Person("Ed", "Fargo", "555-5")};
}

// The same with one person twice, in A and in B.
QList<CPerson> BookWithTwins() {
    return Book() << CFormFixture::Person("Lee, Fay", {}, "030 1234567", {"B"})
                  << CFormFixture::Person("Fay Lee", "Gary", {}, {"A"});
}

// One entry command as the user makes it, and the Undo text it leaves in the Edit menu.
struct SStep {
    std::function<void(CUndoFixture&)> fnDo;
    QString strUndoText;
};

SStep Add(const QString& name) {
    return {[name](CUndoFixture& f) {
                f.Click("btnNew");
                f.Type("editName", name);
                f.Type("comboCity", QStringLiteral("Gary"));
                f.Click("btnUpdate");
            },
            QStringLiteral("&Undo Add")};
}

SStep Update(const QString& line, const QString& newName) {
    return {[line, newName](CUndoFixture& f) {
                f.ClickLine(line);
                f.Type("editPhone", QStringLiteral(" 999"));
                if (!newName.isEmpty()) {
                    f.Erase("editName");
                    f.Type("editName", newName);
                }
                f.Click("btnUpdate");
            },
            QStringLiteral("&Undo Update")};
}

SStep Delete(const QStringList& lines) {
    return {[lines](CUndoFixture& f) {
                f.ClickLine(lines.first());
                for (const QString& line : lines.mid(1))
                    f.ClickLine(line, Qt::ControlModifier);
                f.m_prompt.QueueAnswer(IPrompt::AnswerYes);
                f.Click("btnDelete");
            },
            lines.size() == 1 ? QStringLiteral("&Undo Delete Entry")
                              : QStringLiteral("&Undo Delete %1 Entries").arg(lines.size())};
}

SStep NewGroup(const QString& name) {
    return {[name](CUndoFixture& f) {
                AnswerNameDialog(name);
                f.Click("btnNewGroup");
            },
            QStringLiteral("&Undo New Group")};
}

// Picks one group alone in the group list (a click toggles a line, so the whole list first).
void PickGroup(CUndoFixture& f, const QString& name) {
    ClickGroup(f.Groups(), kAllGroups);
    ClickGroup(f.Groups(), name);
}

SStep RenameGroup(const QString& from, const QString& to, bool bListAll = true) {
    return {[from, to, bListAll](CUndoFixture& f) {
                PickGroup(f, from);
                AnswerNameDialog(to);
                f.Click("btnRenameGroup");
                // Back to the whole list, so every state lists every entry.
                if (bListAll)
                    ClickGroup(f.Groups(), kAllGroups);
            },
            QStringLiteral("&Undo Rename Group")};
}

SStep DeleteGroup(const QString& name) {
    return {[name](CUndoFixture& f) {
                PickGroup(f, name);
                f.m_prompt.QueueAnswer(IPrompt::AnswerYes);
                f.Click("btnDeleteGroup");
                ClickGroup(f.Groups(), kAllGroups);
            },
            QStringLiteral("&Undo Delete Group")};
}

// Joins an entry to a group through "Groups belonged to" and UPDATE.
SStep JoinGroup(const QString& line, const QString& group) {
    return {[line, group](CUndoFixture& f) {
                f.ClickLine(line);
                auto* pMemberOf = f.Child<QListWidget>("listMemberOf");
                ClickGroup(pMemberOf, group);
                f.Click("btnUpdate");
            },
            QStringLiteral("&Undo Update")};
}

// File > Add From File with a contact file of two new entries, one in a new group, and one
// entry the document has already.
SStep AddFromFile() {
    return {[](CUndoFixture& f) {
                const QString path = f.m_dir.filePath(QStringLiteral("more.vby"));
                CNotesLabel label;
                CVornDoc file(label);
                file.OnNewDocument();
                for (const CPerson& person : {CFormFixture::Person("Bea", "Ames", {}, {"Club"}),
                                              CFormFixture::Person("Zed", "Yuma"), Book().first()})
                    file.m_personList.push_back(std::make_unique<CPerson>(person));
                file.m_groupList = {"Club"};
                QVERIFY(file.OnSaveDocument(path));
                f.m_dialogs.QueueAnswer(path);
                f.Action(CommandId::FileAddFromFile)->trigger();
            },
            QStringLiteral("&Undo Add From File")};
}

// Action > Find Duplicates: Merge (or Merge All) of the one set, then Close.
SStep Merge(bool bAll) {
    return {[bAll](CUndoFixture& f) {
                CFormFixture::OnNextDialog([&f, bAll](QDialog* pDialog) {
                    if (bAll)
                        f.m_prompt.QueueAnswer(IPrompt::AnswerYes);
                    QTest::mouseClick(
                        pDialog->findChild<QPushButton*>(bAll ? "btnMergeAll" : "btnMerge"),
                        Qt::LeftButton);
                    if (pDialog->isVisible())
                        QTest::mouseClick(pDialog->findChild<QPushButton*>("btnClose"),
                                          Qt::LeftButton);
                });
                f.Action(CommandId::ActionFindDuplicates)->trigger();
            },
            QStringLiteral("&Undo Merge")};
}

const std::map<QString, std::vector<SStep>>& Sequences() {
    static const std::map<QString, std::vector<SStep>> sequences = {
        {"add", {Add("Zoe"), Add("Abe")}},
        {"add from file", {Add("Kim"), AddFromFile(), Delete({"Bea", "Kim"})}},
        {"update in place and moving", {Update("Bob", {}), Update("Ed", "Aaron")}},
        {"delete one", {Delete({"Cy"})}},
        {"delete many, first and last", {Delete({"Ann", "Cy", "Ed"})}},
        {"delete all", {Delete({"Ann", "Bob", "Cy", "Di", "Ed", "Fay Lee", "Lee, Fay"})}},
        {"merge", {Update("Fay Lee", {}), Merge(false), Delete({"Ann"})}},
        {"merge all", {Merge(true), RenameGroup("B", "Beta")}},
        {"new group and members", {NewGroup("Team"), JoinGroup("Di", "Team")}},
        {"rename group with members", {RenameGroup("A", "Alpha")}},
        {"delete group with members", {DeleteGroup("B")}},
        {"rename then delete", {RenameGroup("B", "Beta"), DeleteGroup("Beta")}},
        {"mixed",
         {Add("Zoe"), Update("Zoe", "Al"), NewGroup("Team"), JoinGroup("Al", "Team"),
          Delete({"Al", "Bob"}), RenameGroup("Team", "Crew"), DeleteGroup("A")}},
    };
    return sequences;
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT
private slots:
    void sequences_data();
    void sequences();
    void undoShowsTheEntry();
    void manyLinesAtOnce();
    void fieldUndoComesFirst();
    void savePoint();
    void boundedHistory();
    void forgottenOnNewAndOpen();
    void historyCommands_data();
    void historyCommands();
    void documentChangedAroundTheHistory();
    void savePointAndUnrecordedChanges();
};

void TestUndo::sequences_data() {
    QTest::addColumn<QString>("sequence");
    for (const auto& [name, steps] : Sequences())
        QTest::newRow(qPrintable(name)) << name;
}

void TestUndo::sequences() {
    QFETCH(QString, sequence);
    const std::vector<SStep>& steps = Sequences().at(sequence);
    CUndoFixture f(BookWithTwins(), {"A", "B"});
    QAction* pUndo = f.Action(CommandId::EditUndo);
    QAction* pRedo = f.Action(CommandId::EditRedo);
    QVERIFY(pUndo && pRedo);
    QVERIFY(!pUndo->isEnabled());
    QVERIFY(!pRedo->isEnabled());

    std::vector<SSnapshot> states{f.Snapshot()};
    for (const SStep& step : steps) {
        step.fnDo(f);
        states.push_back(f.Snapshot());
        QCOMPARE(pUndo->text(), step.strUndoText);
        QVERIFY(pUndo->isEnabled());
        QVERIFY(!pRedo->isEnabled());
        QVERIFY(f.m_doc.IsModified());
    }
    const size_t n = steps.size();

    // Back to the start with Ctrl+Z, forward again with Ctrl+Y, back with the menu.
    for (size_t i = n; i-- > 0;) {
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        CompareSnapshots(f.Snapshot(), states[i], true, QStringLiteral("undo to %1").arg(i));
        QCOMPARE(f.m_doc.IsModified(), i != 0);
        QVERIFY(pRedo->isEnabled());
        QCOMPARE(pUndo->text(), i == 0 ? QStringLiteral("&Undo") : steps[i - 1].strUndoText);
    }
    QVERIFY(!pUndo->isEnabled());
    for (size_t i = 1; i <= n; ++i) {
        f.Key(Qt::Key_Y, Qt::ControlModifier);
        CompareSnapshots(f.Snapshot(), states[i], true, QStringLiteral("redo to %1").arg(i));
        QVERIFY(f.m_doc.IsModified());
    }
    QVERIFY(!pRedo->isEnabled());
    for (size_t i = n; i-- > 0;)
        pUndo->trigger();
    CompareSnapshots(f.Snapshot(), states[0], true, QStringLiteral("undone by the menu"));
    QVERIFY(!f.m_doc.IsModified());
    // Ctrl+Shift+Z redoes too; a new command then forgets what is left to redo.
    f.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    CompareSnapshots(f.Snapshot(), states[1], true, QStringLiteral("redo by Ctrl+Shift+Z"));
    if (n > 1) {
        Add("Newer").fnDo(f);
        QVERIFY(!pRedo->isEnabled());
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        CompareSnapshots(f.Snapshot(), states[1], true, QStringLiteral("after a new command"));
    }
}

void TestUndo::undoShowsTheEntry() {
    CUndoFixture f(Book(), {"A", "B"});
    // Deleting Bob and Di shows Cy; undoing brings both back, selected, Bob in the form.
    Delete({"Bob", "Di"}).fnDo(f);
    QCOMPARE(f.Child<QLineEdit>("editName")->text(), QStringLiteral("Cy"));
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.Child<QLineEdit>("editName")->text(), QStringLiteral("Bob"));
    QCOMPARE(f.m_pView->GetEditMode(), int(CVornView::ModeShown));
    QList<int> selected;
    for (const QModelIndex& index : f.List()->selectionModel()->selectedIndexes())
        selected.append(index.row());
    std::sort(selected.begin(), selected.end());
    QCOMPARE(selected, QList<int>({f.RowOf("Bob"), f.RowOf("Di")}));
    QVERIFY(f.Child<QAbstractButton>("btnDelete")->isEnabled());
    // Bob's groups are shown in "Groups belonged to".
    auto* pMemberOf = f.Child<QListWidget>("listMemberOf");
    QCOMPARE(pMemberOf->selectedItems().size(), 1);
    QCOMPARE(pMemberOf->selectedItems().first()->text(), QStringLiteral("B"));

    // Undoing an add takes the added entry away from the form that shows it.
    Add("Zoe").fnDo(f);
    f.ClickLine("Zoe");
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.RowOf("Zoe"), -1);
    QVERIFY(f.Child<QLineEdit>("editName")->text() != QStringLiteral("Zoe"));
    // Redo brings the same record back, shown.
    f.Key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f.Child<QLineEdit>("editName")->text(), QStringLiteral("Zoe"));

    // Undoing an update shows the entry as it was, at its old place.
    Update("Ed", "Aaron").fnDo(f);
    QCOMPARE(f.RowOf("Aaron"), 0);
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.Child<QLineEdit>("editName")->text(), QStringLiteral("Ed"));
    QCOMPARE(f.Child<QPlainTextEdit>("editPhone")->toPlainText(), QStringLiteral("555-5"));
    QCOMPARE(f.List()->currentIndex().row(), f.RowOf("Ed"));

    // Undoing a rename keeps the group picked under its old name.
    RenameGroup("A", "Alpha", false).fnDo(f);
    QCOMPARE(f.Groups()->currentItem()->text(), QStringLiteral("Alpha"));
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.Groups()->currentItem()->text(), QStringLiteral("A"));
    QVERIFY(f.Groups()->currentItem()->isSelected());
    QVERIFY(f.Child<QAbstractButton>("btnRenameGroup")->isEnabled());
}

void TestUndo::manyLinesAtOnce() {
    // Enough lines that the list takes them back in one merge; names sort apart from the file's
    // order, and two are equal.
    QList<CPerson> people;
    for (int i = 0; i < 60; ++i)
        people.append(CFormFixture::Person(QByteArray::number((i * 37) % 50), "X"));
    CUndoFixture f(people);
    const SSnapshot start = f.Snapshot();
    f.List()->setFocus();
    f.List()->selectAll();
    f.List()->selectionModel()->select(f.m_pView->PeopleModel().index(3),
                                       QItemSelectionModel::Deselect);
    f.m_prompt.QueueAnswer(IPrompt::AnswerYes);
    f.Click("btnDelete");
    const SSnapshot deleted = f.Snapshot();
    QCOMPARE(deleted.lines.size(), 1);
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    CompareSnapshots(f.Snapshot(), start, true, QStringLiteral("undo"));
    QCOMPARE(f.List()->selectionModel()->selectedIndexes().size(), 59);
    f.Key(Qt::Key_Y, Qt::ControlModifier);
    CompareSnapshots(f.Snapshot(), deleted, true, QStringLiteral("redo"));
}

void TestUndo::fieldUndoComesFirst() {
    CUndoFixture f(Book());
    QAction* pUndo = f.Action(CommandId::EditUndo);
    Delete({"Ann"}).fnDo(f);
    QCOMPARE(pUndo->text(), QStringLiteral("&Undo Delete Entry"));
    // Typing in a field: Undo is the field's own, and takes back the typing only.
    f.Type("editNotes", QStringLiteral("xyz"));
    QCOMPARE(pUndo->text(), QStringLiteral("&Undo"));
    QVERIFY(pUndo->isEnabled());
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.Child<QPlainTextEdit>("editNotes")->toPlainText(), QString());
    QCOMPARE(f.m_doc.m_personList.size(), size_t(4));
    // Nothing left for the field to undo: the same key takes back the delete.
    QCOMPARE(pUndo->text(), QStringLiteral("&Undo Delete Entry"));
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.m_doc.m_personList.size(), size_t(5));
    QCOMPARE(f.Child<QLineEdit>("editName")->text(), QStringLiteral("Ann"));
    // The history is empty now: Alt+Backspace in the Name field changes nothing.
    QVERIFY(!pUndo->isEnabled());
    f.Key(Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(f.m_doc.m_personList.size(), size_t(5));

    // A committed edit is the entry command's: Undo after UPDATE takes back the update.
    Update("Bob", {}).fnDo(f);
    QCOMPARE(pUndo->text(), QStringLiteral("&Undo Update"));
    f.Child<QWidget>("editPhone")->setFocus();
    f.Key(Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(f.Child<QPlainTextEdit>("editPhone")->toPlainText(), QStringLiteral("555-2"));
    QVERIFY(!f.m_doc.IsModified());
}

void TestUndo::savePoint() {
    CUndoFixture f(Book());
    Add("Zoe").fnDo(f);
    Add("Abe").fnDo(f);
    QVERIFY(f.m_frame.SaveDocument());
    QVERIFY(!f.m_doc.IsModified());
    // The save moved the point where the document matches its file.
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(f.m_doc.IsModified());
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(f.m_doc.IsModified());
    f.Key(Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(f.m_doc.IsModified());
    f.Key(Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(!f.m_doc.IsModified());
    QCOMPARE(f.m_frame.windowTitle(), QStringLiteral("book.vby[*] - Velloby"));
    QVERIFY(!f.m_frame.isWindowModified());
    // Undone past the save, then a new command: no state is the saved one any more.
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    Add("Kim").fnDo(f);
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(f.m_doc.IsModified());
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(f.m_doc.IsModified());
}

void TestUndo::boundedHistory() {
    CUndoFixture f({});
    constexpr int kCommands = CUndoHistory::kMaxCommands + 5;
    for (int i = 0; i < kCommands; ++i) {
        f.Type("editName", QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0')));
        f.Click("btnUpdate");
    }
    QCOMPARE(f.m_doc.m_personList.size(), size_t(kCommands));
    QAction* pUndo = f.Action(CommandId::EditUndo);
    int nUndone = 0;
    while (pUndo->isEnabled() && nUndone < kCommands) {
        pUndo->trigger();
        ++nUndone;
    }
    QCOMPARE(nUndone, CUndoHistory::kMaxCommands);
    QCOMPARE(f.m_doc.m_personList.size(), size_t(kCommands - CUndoHistory::kMaxCommands));
    QCOMPARE(f.m_doc.m_personList.back()->m_strName, QByteArray("P004"));
    // The oldest commands are gone, so the saved (empty) state cannot be reached.
    QVERIFY(f.m_doc.IsModified());
}

void TestUndo::forgottenOnNewAndOpen() {
    CUndoFixture f(Book());
    QAction* pUndo = f.Action(CommandId::EditUndo);
    QAction* pRedo = f.Action(CommandId::EditRedo);
    Add("Zoe").fnDo(f);
    Add("Abe").fnDo(f);
    pUndo->trigger();
    QVERIFY(pUndo->isEnabled() && pRedo->isEnabled());
    // Reopening the file (changes not saved) forgets both ways.
    f.m_prompt.QueueAnswer(IPrompt::AnswerNo);
    QVERIFY(f.m_frame.OpenDocumentFile(f.m_path));
    QVERIFY(!pUndo->isEnabled());
    QVERIFY(!pRedo->isEnabled());
    QCOMPARE(pUndo->text(), QStringLiteral("&Undo"));
    QCOMPARE(f.m_pView->UndoHistory().Count(), 0);
    QCOMPARE(f.m_doc.m_personList.size(), size_t(5));

    Delete({"Ann", "Bob"}).fnDo(f);
    QVERIFY(pUndo->isEnabled());
    f.m_prompt.QueueAnswer(IPrompt::AnswerNo);
    QVERIFY(f.m_frame.NewDocument());
    QVERIFY(!pUndo->isEnabled());
    QCOMPARE(f.m_pView->UndoHistory().Count(), 0);
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(f.m_doc.m_personList.empty());
}

// Commands that the form's own buttons do not make (Add From File, Paste, Merge) are recorded
// by their callers; they are checked here on the document alone.
void TestUndo::historyCommands_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("label");
    QTest::newRow("add from file") << int(CUndoHistory::Kind::AddFromFile) << "Add From File";
    QTest::newRow("paste") << int(CUndoHistory::Kind::Paste) << "Paste";
    QTest::newRow("merge") << int(CUndoHistory::Kind::Merge) << "Merge";
    QTest::newRow("merge all") << -1 << "Merge";
}

void TestUndo::historyCommands() {
    QFETCH(int, kind);
    QFETCH(QString, label);
    CNotesLabel notes;
    CVornDoc doc(notes);
    doc.OnNewDocument();
    for (const CPerson& person : Book())
        doc.m_personList.push_back(std::make_unique<CPerson>(person));
    doc.m_groupList = {"A", "B"};
    CUndoHistory history(doc);
    const auto records = [&doc] {
        std::vector<std::pair<const CPerson*, QString>> out;
        for (const auto& p : doc.m_personList)
            out.emplace_back(p.get(), Describe(*p));
        return out;
    };
    const auto before = records();

    const auto merge = [&doc](std::vector<int> rows) {
        std::vector<CPerson*> set;
        std::vector<const CPerson*> members;
        for (int row : rows) {
            set.push_back(doc.m_personList[size_t(row)].get());
            members.push_back(set.back());
        }
        return CRecordMerger::Merge(doc, set, CRecordMerger::Defaults(members));
    };
    if (kind == int(CUndoHistory::Kind::Merge)) {
        // Ann absorbs Ed and Cy (listed out of order): they leave, Ann takes their values.
        history.RecordMerge(merge({4, 2, 0}));
    } else if (kind < 0) {
        // Two merges as one command: Bob takes Di, then Ann takes Ed (at its new place).
        std::vector<CRecordMerger::CResult> results;
        results.push_back(merge({1, 3}));
        results.push_back(merge({0, 3}));
        history.RecordMerges(std::move(results));
        kind = int(CUndoHistory::Kind::Merge);
    } else {
        // Two entries and the group one of them brought.
        const size_t nFirst = doc.m_personList.size();
        for (const char* name : {"Xi", "Yo"})
            doc.m_personList.push_back(
                std::make_unique<CPerson>(CFormFixture::Person(name, {}, {}, {"New"})));
        doc.m_groupList.append("New");
        history.RecordAddEntries(nFirst, CUndoHistory::Kind(kind), 1);
    }
    const QList<QByteArray> groupsAfter = doc.m_groupList;
    doc.SetModifiedFlag(true);
    const auto after = records();
    QCOMPARE(history.UndoLabel(), label);

    for (int round = 0; round < 2; ++round) {
        const CUndoHistory::SChange undone = history.Undo();
        QVERIFY(records() == before);
        QCOMPARE(doc.m_groupList, QList<QByteArray>({"A", "B"}));
        QVERIFY(!doc.IsModified());
        QCOMPARE(undone.kind, CUndoHistory::Kind(kind));
        QCOMPARE(history.RedoLabel(), label);
        const CUndoHistory::SChange redone = history.Redo();
        QVERIFY(records() == after);
        QCOMPARE(doc.m_groupList, groupsAfter);
        QVERIFY(doc.IsModified());
        // What each way reports is what the form must list or drop.
        QCOMPARE(undone.entered.size(), redone.left.size());
        QCOMPARE(undone.left.size(), redone.entered.size());
    }
}

void TestUndo::documentChangedAroundTheHistory() {
    CNotesLabel notes;
    CVornDoc doc(notes);
    doc.OnNewDocument();
    for (const CPerson& person : Book())
        doc.m_personList.push_back(std::make_unique<CPerson>(person));
    CUndoHistory history(doc);
    CPerson* pBob = doc.m_personList[1].get();
    history.RecordUpdate(pBob);
    pBob->m_strPhone = "changed";
    history.RecordDeleteGroup("B");
    // Bob leaves the document without the history knowing: nothing may touch him any more.
    doc.m_personList.erase(doc.m_personList.begin() + 1);
    const CUndoHistory::SChange change = history.Undo();
    QVERIFY(change.changed.empty() && change.entered.empty() && !change.bGroups);
    QCOMPARE(history.Count(), 0);
    QVERIFY(!history.CanUndo());
    QCOMPARE(doc.m_personList.size(), size_t(4));
}

void TestUndo::savePointAndUnrecordedChanges() {
    CNotesLabel notes;
    CVornDoc doc(notes);
    doc.OnNewDocument();
    doc.m_groupList = {"A"};
    CUndoHistory history(doc);
    // A command that marks the document before it records itself still has the saved state
    // before it.
    doc.SetModifiedFlag(true);
    history.RecordNewGroup("A");
    QCoreApplication::processEvents();
    history.Undo();
    QVERIFY(!doc.IsModified());
    history.Redo();
    QVERIFY(doc.IsModified());
    // Saved; then a change that nothing records: no state of the history is the saved one.
    doc.SetModifiedFlag(false);
    doc.SetModifiedFlag(true);
    QCoreApplication::processEvents();
    history.Undo();
    QVERIFY(doc.IsModified());
    history.Redo();
    QVERIFY(doc.IsModified());
}

QTEST_MAIN(TestUndo)
#include "TestUndo.moc"
