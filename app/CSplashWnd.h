#pragma once

#include <QBasicTimer>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

// The start-up picture, centred over the main window for three quarters of a second. It goes
// at the first key press or mouse-button press anywhere in the program, and that press still
// reaches its target. At most one exists; it deletes itself when it goes.
class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDisplayMs = 750;
    // The picture shown: the compiled-in one unless another file is named.
    static void SetPicture(const QString& path);
    static QString Picture();

    // The splash switch, set once at start-up; off by default, so no test or scripted run sees
    // a splash unless it asks for one.
    static void SetSplashEnabled(bool bEnabled);
    static bool IsSplashEnabled();

    // Shows the splash over `parent` when the switch is on and none exists. A picture that
    // cannot be loaded means no splash and no message.
    static void ShowSplash(QWidget* parent);
    // Removes the splash (if any) and has the main window repaint.
    static void HideSplash();
    // The splash now shown, or null.
    static CSplashWnd* Current();

    // Hides the splash on a key or mouse-button press; never consumes the event.
    static void FilterAppMessage(const QEvent* event);

    ~CSplashWnd() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CSplashWnd(QWidget* parent);
    bool Create();

    QPixmap m_bitmap;
    QBasicTimer m_timer;
    QPointer<QWidget> m_pParent;
};
