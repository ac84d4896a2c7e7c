#include "CPictureButton.h"

#include <QEvent>
#include <QPainter>

CPictureButton::CPictureButton(const QString& strCaption, QWidget* parent)
    : QToolButton(parent), m_strCaption(strCaption) {
    const QString base = QStringLiteral(":/view/") + strCaption;
    QIcon icon;
    icon.addFile(base + QStringLiteral("U.png"), QSize(), QIcon::Normal);
    icon.addFile(base + QStringLiteral("D.png"), QSize(), QIcon::Active);
    icon.addFile(base + QStringLiteral("F.png"), QSize(), QIcon::Selected);
    icon.addFile(base + QStringLiteral("X.png"), QSize(), QIcon::Disabled);
    setIcon(icon);
    setIconSize(QSize(kWidth, kHeight));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize CPictureButton::sizeHint() const {
    return QSize(kWidth, kHeight);
}

QIcon::Mode CPictureButton::CurrentMode() const {
    if (!isEnabled())
        return QIcon::Disabled;
    if (isDown())
        return QIcon::Active;
    if (hasFocus())
        return QIcon::Selected;
    return QIcon::Normal;
}

QString CPictureButton::CurrentPictureName() const {
    switch (CurrentMode()) {
    case QIcon::Disabled:
        return m_strCaption + 'X';
    case QIcon::Active:
        return m_strCaption + 'D';
    case QIcon::Selected:
        return m_strCaption + 'F';
    default:
        return m_strCaption + 'U';
    }
}

void CPictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap picture = icon().pixmap(QSize(kWidth, kHeight), CurrentMode());
    const QRect target(QPoint((width() - kWidth) / 2, (height() - kHeight) / 2),
                       QSize(kWidth, kHeight));
    painter.drawPixmap(target, picture);
}

void CPictureButton::changeEvent(QEvent* event) {
    QToolButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        const bool bEnabled = !testAttribute(Qt::WA_Disabled);
        if (bEnabled != m_bLastEnabled) {
            m_bLastEnabled = bEnabled;
            emit enabledChanged(bEnabled);
        }
    }
}
