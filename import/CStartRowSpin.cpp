#include "CStartRowSpin.h"

#include "CFieldSplitter.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

CStartRowSpin::CStartRowSpin(QWidget* parent) : QAbstractSpinBox(parent) {
    lineEdit()->setMaxLength(kMaxLength);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(true);
}

void CStartRowSpin::SetRange(int nBottom, int nTop) {
    m_nBottom = nBottom;
    m_nTop = qMax(nBottom, nTop);
    update();
}

QString CStartRowSpin::Text() const {
    return lineEdit()->text();
}

void CStartRowSpin::SetText(const QString& text) {
    lineEdit()->setText(text.left(kMaxLength));
    update();
}

void CStartRowSpin::stepBy(int steps) {
    const qint64 value = CFieldSplitter::ParseStartRow(Text());
    const qint64 next = qBound(qint64(m_nBottom), value + steps, qint64(m_nTop));
    SetText(QString::number(next));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled CStartRowSpin::stepEnabled() const {
    const int value = CFieldSplitter::ParseStartRow(Text());
    StepEnabled enabled = StepNone;
    if (value < m_nTop)
        enabled |= StepUpEnabled;
    if (value > m_nBottom)
        enabled |= StepDownEnabled;
    return enabled;
}

QSize CStartRowSpin::sizeHint() const {
    // Room for six digits besides the arrows.
    ensurePolished();
    const QFontMetrics metrics(font());
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize text(metrics.horizontalAdvance(QStringLiteral("0000000")),
                     lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, text, this);
}
