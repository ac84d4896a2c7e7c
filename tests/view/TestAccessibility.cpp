// What a screen reader or a scripted check sees of the main window with its form: every control
// it can reach has an object name and an accessible name.
#include "CMainFrame.h"
#include "CMemoryProfile.h"
#include "CPerson.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

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
