#include "CPersistentFrame.h"

#include "IProfileStore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QWindowStateChangeEvent>

const QString CPersistentFrame::kSection = QStringLiteral("Window size");
const QString CPersistentFrame::kKeyRect = QStringLiteral("Rect");
const QString CPersistentFrame::kKeyIcon = QStringLiteral("icon");
const QString CPersistentFrame::kKeyMax = QStringLiteral("max");
const QString CPersistentFrame::kKeyTool = QStringLiteral("tool");
const QString CPersistentFrame::kKeyStatus = QStringLiteral("status");
const QRect CPersistentFrame::kDefaultRect(QPoint(1, 1), QPoint(659, 574));

namespace {

// A rectangle stored as left, top, right, bottom with right and bottom just outside it.
QRect FromEdges(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

// Keeps a restored window reachable: one that lies on no screen (a monitor was removed) moves to
// the top left of the primary screen; one of no size takes the default size.
QRect Reachable(QRect rect) {
    if (rect.width() <= 0 || rect.height() <= 0)
        rect.setSize(CPersistentFrame::kDefaultRect.size());
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        if (screen->availableGeometry().intersects(rect))
            return rect;
    }
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        rect.moveTopLeft(primary->availableGeometry().topLeft());
    return rect;
}

} // namespace

CPersistentFrame::CPersistentFrame(QWidget* parent) : QMainWindow(parent) {}

CPersistentFrame::~CPersistentFrame() = default;

int CPersistentFrame::ColumnValue(const QString& text, int offset) {
    if (offset < 0 || offset >= text.size())
        return 0;
    int i = offset;
    const auto isBlank = [](QChar c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    };
    while (i < text.size() && isBlank(text.at(i)))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text.at(i) == '-' || text.at(i) == '+')) {
        bNegative = text.at(i) == '-';
        ++i;
    }
    qint64 value = 0;
    while (i < text.size() && text.at(i) >= '0' && text.at(i) <= '9') {
        // Saturate rather than overflow on absurdly long digit runs.
        if (value < 100000000)
            value = value * 10 + (text.at(i).unicode() - '0');
        ++i;
    }
    return int(bNegative ? -value : value);
}

QRect CPersistentFrame::ParseRect(const QString& text) {
    if (text.isEmpty())
        return kDefaultRect;
    return FromEdges(ColumnValue(text, 0), ColumnValue(text, 5), ColumnValue(text, 10),
                     ColumnValue(text, 15));
}

QString CPersistentFrame::FormatRect(const QRect& rect) {
    const auto field = [](int n) {
        // As "%04d" prints: at least four characters, zero-padded after any minus sign.
        return n < 0 ? QStringLiteral("-%1").arg(-qint64(n), 3, 10, QChar('0'))
                     : QStringLiteral("%1").arg(n, 4, 10, QChar('0'));
    };
    return QStringLiteral("%1 %2 %3 %4")
        .arg(field(rect.left()), field(rect.top()), field(rect.left() + rect.width()),
             field(rect.top() + rect.height()));
}

QToolBar* CPersistentFrame::PersistentToolBar() const {
    return findChild<QToolBar*>(QString(), Qt::FindDirectChildrenOnly);
}

QStatusBar* CPersistentFrame::PersistentStatusBar() const {
    return findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
}

void CPersistentFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        // Leaving the normal state, the window still has its normal rectangle.
        NoteNormalRect(static_cast<QWindowStateChangeEvent*>(event)->oldState());
        // Remember whether the window was maximised at the moment it was minimised.
        const Qt::WindowStates state = windowState();
        if (!(state & Qt::WindowMinimized))
            m_bMaximizedBeforeMinimize = state & Qt::WindowMaximized;
        else if (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMaximized)
            m_bMaximizedBeforeMinimize = true;
    }
    QMainWindow::changeEvent(event);
}

namespace {
bool IsNormal(Qt::WindowStates state) {
    return !(state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}
} // namespace

// The position is the frame's, so a stored rectangle puts the title bar where it says (a first
// run at (1, 1) shows the whole window); the size is the contents', which resize() restores
// whatever frame the desktop draws.
void CPersistentFrame::NoteNormalRect(Qt::WindowStates state) {
    if (isVisible() && IsNormal(state))
        m_rectNormal = QRect(pos(), size());
}

void CPersistentFrame::moveEvent(QMoveEvent* event) {
    NoteNormalRect(windowState());
    QMainWindow::moveEvent(event);
}

void CPersistentFrame::resizeEvent(QResizeEvent* event) {
    NoteNormalRect(windowState());
    QMainWindow::resizeEvent(event);
}

QRect CPersistentFrame::NormalRect() const {
    if (isVisible() && IsNormal(windowState()))
        return QRect(pos(), size());
    // Minimised or maximised: the rectangle it had when last normal.
    return m_rectNormal.isValid() ? m_rectNormal : QRect(pos(), size());
}

void CPersistentFrame::SavePlacement() {
    IProfileStore& profile = IProfileStore::Instance();
    const Qt::WindowStates state = windowState();
    int nIcon = 0;
    int nMax = 0;
    if (state & Qt::WindowMinimized) {
        nIcon = 1;
        nMax = (state & Qt::WindowMaximized) || m_bMaximizedBeforeMinimize ? 1 : 0;
    } else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        // A full-screen window is remembered as maximised, the nearest state that is stored.
        nMax = 1;
    }
    profile.WriteProfileString(kSection, kKeyRect, FormatRect(NormalRect()));
    profile.WriteProfileInt(kSection, kKeyIcon, nIcon);
    profile.WriteProfileInt(kSection, kKeyMax, nMax);
    if (const QToolBar* bar = PersistentToolBar())
        profile.WriteProfileInt(kSection, kKeyTool, bar->isHidden() ? 0 : 1);
    if (const QStatusBar* bar = PersistentStatusBar())
        profile.WriteProfileInt(kSection, kKeyStatus, bar->isHidden() ? 0 : 1);
}

void CPersistentFrame::ActivateFrame() {
    if (!m_bFirstActivation) {
        if (isHidden())
            show();
        return;
    }
    m_bFirstActivation = false;

    IProfileStore& profile = IProfileStore::Instance();
    const QRect rect =
        Reachable(ParseRect(profile.GetProfileString(kSection, kKeyRect, QString())));
    const bool bIcon = profile.GetProfileInt(kSection, kKeyIcon, 0) != 0;
    const bool bMax = profile.GetProfileInt(kSection, kKeyMax, 0) != 0;

    if (QToolBar* bar = PersistentToolBar())
        bar->setVisible(profile.GetProfileInt(kSection, kKeyTool, 1) != 0);
    if (QStatusBar* bar = PersistentStatusBar())
        bar->setVisible(profile.GetProfileInt(kSection, kKeyStatus, 1) != 0);
    OnBarsRestored();

    // Placed by its frame, so the title bar lies where the rectangle starts. The layout sets its
    // minimum size first: growing the window to it later would place the contents there instead.
    ensurePolished();
    if (layout())
        layout()->activate();
    move(rect.topLeft());
    resize(rect.size());
    m_rectNormal = rect;
    if (bIcon) {
        // Minimised and not activated; restoring it maximises it when it was maximised.
        m_bMaximizedBeforeMinimize = bMax;
        setAttribute(Qt::WA_ShowWithoutActivating);
        setWindowState(Qt::WindowMinimized | (bMax ? Qt::WindowMaximized : Qt::WindowNoState));
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    } else if (bMax) {
        showMaximized();
    } else {
        showNormal();
    }
}
