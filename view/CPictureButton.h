#pragma once

#include <QToolButton>

// A button that shows one of four pictures instead of a caption: normal, pressed, with the
// keyboard focus, and disabled. The pictures are named after the caption with a letter behind it
// (U, D, F, X), e.g. NEWU, NEWD, NEWF, NEWX, and the button takes their size.
class CPictureButton : public QToolButton {
    Q_OBJECT
public:
    // The picture size.
    static constexpr int kWidth = 18;
    static constexpr int kHeight = 17;

    CPictureButton(const QString& strCaption, QWidget* parent = nullptr);

    const QString& Caption() const { return m_strCaption; }
    // The picture the button shows now: "NEWU", "NEWD", "NEWF" or "NEWX".
    QString CurrentPictureName() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // The button's own enabled state changed (not that of a parent).
    void enabledChanged(bool bEnabled);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QIcon::Mode CurrentMode() const;

    QString m_strCaption;
    bool m_bLastEnabled = true;
};
