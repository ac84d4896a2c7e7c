#include "CKeyStateIndicators.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

namespace {

// The panes' ids, which also name them for tests and scripted checks.
constexpr int kCapsId = 59137;
constexpr int kNumId = 59138;
constexpr int kScrollId = 59139;

constexpr quint32 kX11LockMask = 1u << 1;
constexpr quint32 kX11Mod2Mask = 1u << 4; // Num Lock on common keyboard layouts

QLabel* AddPane(QStatusBar* bar, const QString& text, int nId, const QString& name) {
    auto* pane = new QLabel(text, bar);
    pane->setObjectName(QStringLiteral("indicator%1").arg(nId));
    pane->setAccessibleName(name);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setAlignment(Qt::AlignCenter);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
    // Greyed while the lock is off.
    pane->setEnabled(false);
    bar->addPermanentWidget(pane);
    return pane;
}

} // namespace

CKeyStateIndicators::CKeyStateIndicators(QStatusBar* bar) : QObject(bar) {
    m_capsPane = AddPane(bar, QStringLiteral("CAP"), kCapsId, QStringLiteral("Caps Lock"));
    m_numPane = AddPane(bar, QStringLiteral("NUM"), kNumId, QStringLiteral("Num Lock"));
    m_scrollPane = AddPane(bar, QStringLiteral("SCRL"), kScrollId, QStringLiteral("Scroll Lock"));
    qApp->installEventFilter(this);
}

CKeyStateIndicators::~CKeyStateIndicators() {
    qApp->removeEventFilter(this);
}

bool CKeyStateIndicators::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        watched->isWidgetType()) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() == Qt::Key_ScrollLock && event->type() == QEvent::KeyPress)
            m_bScrollLock = !m_bScrollLock;
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            // The state is the one before this event: a lock key's own press toggles it.
            bool bCaps = key->nativeModifiers() & kX11LockMask;
            bool bNum = key->nativeModifiers() & kX11Mod2Mask;
            if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_CapsLock)
                bCaps = !bCaps;
            if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_NumLock)
                bNum = !bNum;
            if (event->type() == QEvent::KeyPress ||
                (key->key() != Qt::Key_CapsLock && key->key() != Qt::Key_NumLock)) {
                m_capsPane->setEnabled(bCaps);
                m_numPane->setEnabled(bNum);
            }
        }
        m_scrollPane->setEnabled(m_bScrollLock);
    }
    return QObject::eventFilter(watched, event);
}
