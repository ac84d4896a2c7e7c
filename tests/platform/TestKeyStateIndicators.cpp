#include "CKeyStateIndicators.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTest>

class TestKeyStateIndicators : public QObject {
    Q_OBJECT
private slots:
    void panesFollowTheMessagePane() {
        QMainWindow window;
        window.statusBar()->showMessage(QStringLiteral("Ready"));
        new CKeyStateIndicators(window.statusBar());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QList<QLabel*> panes = window.statusBar()->findChildren<QLabel*>();
        QStringList texts;
        for (QLabel* pane : panes) {
            texts << pane->text();
            QVERIFY(!pane->accessibleName().isEmpty());
            QVERIFY(!pane->isEnabled());
        }
        QCOMPARE(texts, (QStringList{"CAP", "NUM", "SCRL"}));
        QVERIFY(panes[0]->x() < panes[1]->x() && panes[1]->x() < panes[2]->x());
    }

    void scrollLockTogglesItsPane() {
        QMainWindow window;
        new CKeyStateIndicators(window.statusBar());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* scroll = window.statusBar()->findChild<QLabel*>(QStringLiteral("indicator59139"));
        QVERIFY(scroll);
        QTest::keyClick(&window, Qt::Key_ScrollLock);
        QVERIFY(scroll->isEnabled());
        // Other keys leave it as it is; the lock key again turns it off.
        QTest::keyClick(&window, Qt::Key_A);
        QVERIFY(scroll->isEnabled());
        QTest::keyClick(&window, Qt::Key_ScrollLock);
        QVERIFY(!scroll->isEnabled());
    }
};

QTEST_MAIN(TestKeyStateIndicators)
#include "TestKeyStateIndicators.moc"
