#include "CSplashWnd.h"

#include "CVornApp.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

namespace {
bool g_bSplashEnabled = false;
CSplashWnd* g_pSplash = nullptr;
QString& PicturePath() {
    static QString path = QStringLiteral(":/app/splash.png");
    return path;
}
} // namespace

void CSplashWnd::SetPicture(const QString& path) {
    PicturePath() = path;
}

QString CSplashWnd::Picture() {
    return PicturePath();
}

void CSplashWnd::SetSplashEnabled(bool bEnabled) {
    g_bSplashEnabled = bEnabled;
}

bool CSplashWnd::IsSplashEnabled() {
    return g_bSplashEnabled;
}

CSplashWnd* CSplashWnd::Current() {
    return g_pSplash;
}

CSplashWnd::CSplashWnd(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_pParent(parent) {
    setObjectName(QStringLiteral("splashWindow"));
    setAccessibleName(QStringLiteral("Velloby 1.5"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCursor(Qt::ArrowCursor);
}

CSplashWnd::~CSplashWnd() {
    qApp->removeEventFilter(this);
    if (g_pSplash == this)
        g_pSplash = nullptr;
}

bool CSplashWnd::Create() {
    CVornApp::InitResources();
    if (!m_bitmap.load(Picture()) || m_bitmap.isNull())
        return false;
    setFixedSize(m_bitmap.size());
    // Centred over the main window, or over the screen while the main window is not on it.
    QRect over;
    if (m_pParent && m_pParent->isVisible() && !m_pParent->isMinimized())
        over = m_pParent->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    QRect rect(QPoint(0, 0), m_bitmap.size());
    rect.moveCenter(over.center());
    move(rect.topLeft());
    qApp->installEventFilter(this);
    m_timer.start(kDisplayMs, this);
    return true;
}

void CSplashWnd::ShowSplash(QWidget* parent) {
    if (!g_bSplashEnabled || g_pSplash)
        return;
    auto* splash = new CSplashWnd(parent);
    g_pSplash = splash;
    if (!splash->Create()) {
        delete splash;
        return;
    }
    splash->show();
    splash->repaint();
}

void CSplashWnd::HideSplash() {
    CSplashWnd* splash = g_pSplash;
    if (!splash)
        return;
    // Deleted later: the press that hides the splash may be on its way to the splash itself.
    g_pSplash = nullptr;
    splash->m_timer.stop();
    qApp->removeEventFilter(splash);
    splash->hide();
    if (splash->m_pParent)
        splash->m_pParent->update();
    splash->deleteLater();
}

void CSplashWnd::FilterAppMessage(const QEvent* event) {
    if (!g_pSplash)
        return;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
        HideSplash();
        break;
    default:
        break;
    }
}

bool CSplashWnd::eventFilter(QObject* watched, QEvent* event) {
    FilterAppMessage(event);
    return QWidget::eventFilter(watched, event);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
}

void CSplashWnd::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timer.timerId())
        HideSplash();
    else
        QWidget::timerEvent(event);
}
