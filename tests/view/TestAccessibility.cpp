// What a screen reader or a scripted check sees of the main window with its form: every control
// it can reach has an object name and an accessible name.
#include "CFindResultsDlg.h"
#include "CFormFixture.h"
#include "CMainFrame.h"
#include "CMemoryProfile.h"
#include "CPerson.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#ifdef VELLOBY_HAS_QPA_ACCESSIBILITY
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#endif

namespace {

// Inner parts of a compound control (a combo box's line edit, a spin box's editor) are named
// through the control itself.
bool IsInnerPart(const QWidget* widget, const QWidget* top) {
    for (const QWidget* p = widget->parentWidget(); p && p != top; p = p->parentWidget()) {
        if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractSpinBox*>(p))
            return true;
    }
    return false;
}

bool IsControl(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget);
}

// What a screen reader hears for a widget: the name its accessible interface gives.
QString SpokenName(QWidget* widget) {
    QAccessibleInterface* pInterface = QAccessible::queryAccessibleInterface(widget);
    return pInterface ? pInterface->text(QAccessible::Name) : QString();
}

// Accessibility switched on as a running screen reader switches it on, with the events the
// program sends counted; switched off again at the end of the scope.
class CAccessibilityEvents {
public:
    CAccessibilityEvents() {
        s_pThis = this;
        QAccessible::installUpdateHandler(&CAccessibilityEvents::Count);
        SetActive(true);
    }
    ~CAccessibilityEvents() {
        SetActive(false);
        QAccessible::installUpdateHandler(nullptr);
        s_pThis = nullptr;
    }
    static bool Available() {
#ifdef VELLOBY_HAS_QPA_ACCESSIBILITY
        return true;
#else
        return false;
#endif
    }
    void Clear() {
        m_nTotal = m_nResets = m_nRowInserts = 0;
    }

    // The item view whose table-model changes are told apart.
    QObject* m_pWatched = nullptr;
    int m_nTotal = 0;
    int m_nResets = 0;
    int m_nRowInserts = 0;

private:
    static void SetActive(bool bActive) {
#ifdef VELLOBY_HAS_QPA_ACCESSIBILITY
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(bActive);
#else
        Q_UNUSED(bActive);
#endif
    }
    static void Count(QAccessibleEvent* event) {
        if (!s_pThis)
            return;
        ++s_pThis->m_nTotal;
        if (event->type() != QAccessible::TableModelChanged ||
            event->object() != s_pThis->m_pWatched)
            return;
        switch (static_cast<QAccessibleTableModelChangeEvent*>(event)->modelChangeType()) {
        case QAccessibleTableModelChangeEvent::ModelReset:
            ++s_pThis->m_nResets;
            break;
        case QAccessibleTableModelChangeEvent::RowsInserted:
            ++s_pThis->m_nRowInserts;
            break;
        default:
            break;
        }
    }
    static inline CAccessibilityEvents* s_pThis = nullptr;
};

// How the people list is filled.
enum class Fill { Open, Group, AllGroups, SearchReplace, SearchAdd };

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void everyControlIsNamed() {
        CMemoryProfile profile;
        CVornApp app;
        app.ReadSettings();
        CVornDoc doc(app);
        CMainFrame frame(doc);
        auto* view = new CVornView(doc, &frame);
        frame.SetFormView(view);
        frame.NewDocument();
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));

        QStringList unnamed;
        for (QWidget* widget : frame.findChildren<QWidget*>()) {
            if (!IsControl(widget) || IsInnerPart(widget, &frame))
                continue;
            // Buttons Qt makes for its own use (the overflow arrows of the menu bar and the
            // toolbar) are not controls of ours.
            if (widget->objectName().startsWith(QLatin1String("qt_")))
                continue;
            if (widget->objectName().isEmpty() || widget->accessibleName().isEmpty())
                unnamed << QStringLiteral("%1 '%2' accessible '%3'")
                               .arg(widget->metaObject()->className(), widget->objectName(),
                                    widget->accessibleName());
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join('\n')));
    }

    void countersCarryTheirValues_data() {
        QTest::addColumn<int>("people");
        QTest::addColumn<int>("groups");
        QTest::addColumn<bool>("pickGroup"); // the first group picked in the group list
        QTest::addColumn<QStringList>("names");
        QTest::newRow("empty file")
            << 0 << 0 << false
            << QStringList{"0 of 0 entries shown", "0 entries in the file",
                           "0 of 0 groups selected", "0 groups in the file"};
        QTest::newRow("one of each") << 1 << 1 << false
                                     << QStringList{"1 of 1 entry shown", "1 entry in the file",
                                                    "1 of 1 group selected", "1 group in the file"};
        QTest::newRow("a group picked")
            << 5 << 3 << true
            << QStringList{"2 of 5 entries shown", "5 entries in the file",
                           "1 of 3 groups selected", "3 groups in the file"};
    }

    void countersCarryTheirValues() {
        QFETCH(int, people);
        QFETCH(int, groups);
        QFETCH(bool, pickGroup);
        QFETCH(QStringList, names);
        QList<CPerson> entries;
        for (int i = 0; i < people; ++i) {
            // Every second entry belongs to the first group.
            entries.append(
                CFormFixture::Person("P" + QByteArray::number(i), {}, {},
                                     i % 2 ? QList<QByteArray>{"G0"} : QList<QByteArray>{}));
        }
        QList<QByteArray> groupNames;
        for (int i = 0; i < groups; ++i)
            groupNames.append("G" + QByteArray::number(i));
        CFormFixture f;
        f.Open(entries, groupNames);
        if (pickGroup) {
            auto* pGroups = f.Child<QListWidget>("listGroups");
            // A click on "G0" drops "***All Groups***" and picks G0.
            QTest::mouseClick(pGroups->viewport(), Qt::LeftButton, {},
                              pGroups->visualItemRect(pGroups->item(2)).center());
        }
        QStringList spoken;
        for (const char* counter :
             {"labelShownPeople", "labelTotalPeople", "labelSelectedGroups", "labelTotalGroups"})
            spoken.append(SpokenName(f.Child<QLabel>(counter)));
        QCOMPARE(spoken, names);
    }

    void fillingPeopleListResetsOnce_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("opening a file") << int(Fill::Open);
        QTest::newRow("picking a group") << int(Fill::Group);
        QTest::newRow("back to all groups") << int(Fill::AllGroups);
        QTest::newRow("search results replace the list") << int(Fill::SearchReplace);
        QTest::newRow("search results added to the list") << int(Fill::SearchAdd);
    }

    void fillingPeopleListResetsOnce() {
        if (!CAccessibilityEvents::Available())
            QSKIP("Qt's platform headers (qt6-base-private-dev) are not installed");
        QFETCH(int, how);
        constexpr int kPeople = 6000;
        QList<CPerson> entries;
        for (int i = 0; i < kPeople; ++i) {
            entries.append(CFormFixture::Person("Name " + QByteArray::number(i), "Town", {},
                                                i < kPeople / 2 ? QList<QByteArray>{"Half"}
                                                                : QList<QByteArray>{}));
        }
        CFormFixture f;
        CAccessibilityEvents events;
        QVERIFY(QAccessible::isActive());
        auto clickGroup = [&f](int row) {
            auto* pGroups = f.Child<QListWidget>("listGroups");
            QTest::mouseClick(pGroups->viewport(), Qt::LeftButton, {},
                              pGroups->visualItemRect(pGroups->item(row)).center());
        };
        f.Open(entries, {"Half"});
        events.m_pWatched = f.List();
        // Half the entries shown: going back to all groups, or a search adding to the list,
        // fills in the other half.
        if (how == int(Fill::AllGroups) || how == int(Fill::SearchAdd))
            clickGroup(2);
        QSignalSpy inserted(&f.m_pView->PeopleModel(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&f.m_pView->PeopleModel(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy resets(&f.m_pView->PeopleModel(), &QAbstractItemModel::modelReset);
        QSignalSpy changed(&f.m_pView->PeopleModel(), &QAbstractItemModel::dataChanged);
        events.Clear();
        int expectedLines = kPeople;
        switch (Fill(how)) {
        case Fill::Open:
            f.m_pView->OnInitialUpdate();
            break;
        case Fill::Group:
            clickGroup(2);
            expectedLines = kPeople / 2;
            break;
        case Fill::AllGroups:
            clickGroup(0);
            break;
        case Fill::SearchReplace:
        case Fill::SearchAdd: {
            f.m_app.m_nSearchMode = CVornApp::Fair;
            f.Click("btnClear");
            f.Type("comboCity", "Town");
            const bool bReplace = how == int(Fill::SearchReplace);
            CFormFixture::OnNextDialog([bReplace](QDialog* pDialog) {
                auto* pResults = pDialog->findChild<QListView*>("listResults");
                pResults->setFocus();
                QTest::keyClick(pResults, Qt::Key_A, Qt::ControlModifier);
                if (bReplace)
                    pDialog->findChild<QRadioButton*>("radioReplace")->setChecked(true);
                QTest::mouseClick(pDialog->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
            });
            f.Click("btnFind");
            break;
        }
        }
        QCOMPARE(f.m_pView->PeopleModel().Count(), expectedLines);
        // One reset fills the list; no line is inserted or removed by itself.
        QCOMPARE(inserted.size(), 0);
        QCOMPARE(removed.size(), 0);
        QCOMPARE(resets.size(), 1);
        QCOMPARE(changed.size(), 0);
        // A screen reader hears of the one reset, not of thousands of lines.
        QCOMPARE(events.m_nResets, 1);
        QCOMPARE(events.m_nRowInserts, 0);
        QVERIFY2(events.m_nTotal < 300, qPrintable(QString::number(events.m_nTotal)));
    }

    void buttonKeysWorkInTheMainWindow() {
        CMemoryProfile profile;
        CVornApp app;
        app.ReadSettings();
        QTemporaryDir dir;
        const QString path = dir.filePath("two.vby");
        {
            CNotesLabel label;
            CVornDoc file(label);
            file.OnNewDocument();
            for (const char* name : {"Adam", "Zed"}) {
                auto person = std::make_unique<CPerson>();
                person->m_strName = name;
                file.m_personList.push_back(std::move(person));
            }
            QVERIFY(file.OnSaveDocument(path));
        }
        CVornDoc doc(app);
        CMainFrame frame(doc);
        auto* view = new CVornView(doc, &frame);
        frame.SetFormView(view);
        frame.OpenDocumentFile(path);
        frame.show();
        QApplication::setActiveWindow(&frame);
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        auto* name = frame.findChild<QLineEdit*>("editName");
        QVERIFY(name);
        QCOMPARE(name->text(), QString("Adam"));

        // Alt+N: a blank form for a new record.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
        QCOMPARE(name->text(), QString());
        // Alt+C: the form takes search criteria and offers to cancel the search.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
        auto* cancel = frame.findChild<QPushButton*>("btnCancelSearch");
        QVERIFY(cancel && cancel->isVisible());
        QCOMPARE(view->GetEditMode(), int(CVornView::ModeSearchEntry));
    }
};

QTEST_MAIN(TestAccessibility)
#include "TestAccessibility.moc"
