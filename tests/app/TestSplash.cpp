#include "CSplashWnd.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

// The start-up picture: when it shows, and what removes it.
class TestSplash : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void switchOffShowsNothing();
    void showsPictureOverParent();
    void atMostOne();
    void goesAfterItsTime();
    void keyPressRemovesItAndStillActs();
    void clickRemovesItAndStillActs();
    void missingPictureMeansNoSplash();

private:
    QWidget* m_pMain = nullptr;
    QLineEdit* m_pEdit = nullptr;
    QPushButton* m_pButton = nullptr;
};

void TestSplash::init() {
    m_pMain = new QWidget;
    auto* layout = new QVBoxLayout(m_pMain);
    m_pEdit = new QLineEdit(m_pMain);
    m_pButton = new QPushButton(QStringLiteral("Press"), m_pMain);
    layout->addWidget(m_pEdit);
    layout->addWidget(m_pButton);
    m_pMain->setGeometry(100, 80, 500, 400);
    m_pMain->show();
    m_pEdit->setFocus();
    CSplashWnd::SetSplashEnabled(true);
}

void TestSplash::cleanup() {
    CSplashWnd::HideSplash();
    CSplashWnd::SetSplashEnabled(false);
    CSplashWnd::SetPicture(QStringLiteral(":/app/splash.png"));
    delete m_pMain;
    m_pMain = nullptr;
}

void TestSplash::switchOffShowsNothing() {
    CSplashWnd::SetSplashEnabled(false);
    CSplashWnd::ShowSplash(m_pMain);
    QVERIFY(!CSplashWnd::Current());
}

void TestSplash::showsPictureOverParent() {
    CSplashWnd::ShowSplash(m_pMain);
    CSplashWnd* splash = CSplashWnd::Current();
    QVERIFY(splash);
    QVERIFY(splash->isVisible());
    QCOMPARE(splash->size(), QSize(239, 94));
    QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash->geometry().center(), m_pMain->frameGeometry().center());
    // Painted from the picture.
    const QImage shot = splash->grab().toImage();
    QCOMPARE(shot.size(), QSize(239, 94));
    QCOMPARE(shot.pixel(120, 2), QImage(CSplashWnd::Picture()).pixel(120, 2));
}

void TestSplash::atMostOne() {
    CSplashWnd::ShowSplash(m_pMain);
    CSplashWnd* first = CSplashWnd::Current();
    CSplashWnd::ShowSplash(m_pMain);
    QCOMPARE(CSplashWnd::Current(), first);
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(
        std::count_if(windows.begin(), windows.end(),
                      [](QWidget* w) { return qobject_cast<CSplashWnd*>(w) && w->isVisible(); }),
        1);
}

void TestSplash::goesAfterItsTime() {
    CSplashWnd::ShowSplash(m_pMain);
    QPointer<CSplashWnd> splash = CSplashWnd::Current();
    QVERIFY(splash);
    QTRY_VERIFY_WITH_TIMEOUT(!CSplashWnd::Current(), 5000);
    // It deletes itself.
    QTRY_VERIFY(splash.isNull());
}

void TestSplash::keyPressRemovesItAndStillActs() {
    CSplashWnd::ShowSplash(m_pMain);
    QVERIFY(CSplashWnd::Current());
    QTest::keyClick(m_pEdit, Qt::Key_A);
    QVERIFY(!CSplashWnd::Current());
    QCOMPARE(m_pEdit->text(), QStringLiteral("a"));
}

void TestSplash::clickRemovesItAndStillActs() {
    QSignalSpy clicked(m_pButton, &QPushButton::clicked);
    CSplashWnd::ShowSplash(m_pMain);
    QVERIFY(CSplashWnd::Current());
    QTest::mouseClick(m_pButton, Qt::LeftButton);
    QVERIFY(!CSplashWnd::Current());
    QCOMPARE(clicked.count(), 1);
}

void TestSplash::missingPictureMeansNoSplash() {
    CSplashWnd::SetPicture(QStringLiteral("/nonexistent/splash.png"));
    CSplashWnd::ShowSplash(m_pMain);
    QVERIFY(!CSplashWnd::Current());
    // And a later start may still show one.
    CSplashWnd::SetPicture(QStringLiteral(":/app/splash.png"));
    CSplashWnd::ShowSplash(m_pMain);
    QVERIFY(CSplashWnd::Current());
}

QTEST_MAIN(TestSplash)
#include "TestSplash.moc"
