#pragma once

#include <QAbstractSpinBox>

// The start-row box with its up and down arrows. It holds the text as typed (up to six
// characters, letters included); the arrows and the arrow keys move the number it starts with
// between 1 and the top of the range.
class CStartRowSpin : public QAbstractSpinBox {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 6;

    explicit CStartRowSpin(QWidget* parent = nullptr);

    void SetRange(int nBottom, int nTop);
    int Bottom() const { return m_nBottom; }
    int Top() const { return m_nTop; }
    QString Text() const;
    void SetText(const QString& text);

    void stepBy(int steps) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_nBottom = 1;
    int m_nTop = 1;
};
