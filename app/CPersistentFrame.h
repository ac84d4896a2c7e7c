#pragma once

#include <QMainWindow>
#include <QRect>
#include <QString>

class QToolBar;
class QStatusBar;

// A main window that remembers, from one run to the next, its normal position and size, whether
// it was minimised or maximised, and whether its toolbar and status bar were shown. The values
// live in the profile section "Window size": "Rect" (the fixed-column text "%04d %04d %04d %04d"
// of left, top, right, bottom), "icon", "max", "tool" and "status".
class CPersistentFrame : public QMainWindow {
    Q_OBJECT
public:
    static const QString kSection;
    static const QString kKeyRect, kKeyIcon, kKeyMax, kKeyTool, kKeyStatus;
    // Used when "Rect" is absent or empty: (1, 1)-(660, 575).
    static const QRect kDefaultRect;

    explicit CPersistentFrame(QWidget* parent = nullptr);
    ~CPersistentFrame() override;

    // The rectangle of a "Rect" text, read by fixed columns: the numbers start at offsets 0, 5,
    // 10 and 15 and each is read as the C library's atoi reads (blanks, a sign, digits), so
    // only numbers printed in four characters read back as they were. An empty text gives the
    // default rectangle.
    static QRect ParseRect(const QString& text);
    // The "Rect" text of a rectangle: left, top, right, bottom (right and bottom just outside).
    static QString FormatRect(const QRect& rect);
    // atoi of `text` from character `offset` on; 0 past the end.
    static int ColumnValue(const QString& text, int offset);

    // Shows the window. The first call restores the remembered placement and bars; later calls
    // (each new or opened document) leave the placement alone.
    virtual void ActivateFrame();
    // Writes the placement and the bars' visibility to the profile.
    void SavePlacement();

    bool IsFirstActivation() const { return m_bFirstActivation; }

protected:
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The bars whose visibility is remembered (null when the window has none).
    virtual QToolBar* PersistentToolBar() const;
    virtual QStatusBar* PersistentStatusBar() const;

private:
    // Called after the bars were shown or hidden from the profile.
    virtual void OnBarsRestored() {}
    // Notes the window's rectangle while it is in the normal `state`.
    void NoteNormalRect(Qt::WindowStates state);
    // The normal window's rectangle as "Rect" keeps it: the frame's top-left corner (where the
    // title bar starts) and the size of the contents.
    QRect NormalRect() const;

    bool m_bFirstActivation = true;
    // The window was maximised when it was last minimised, so restoring it maximises it again.
    bool m_bMaximizedBeforeMinimize = false;
    // The rectangle of NormalRect() last seen while the window was normal (or restored).
    QRect m_rectNormal;
};
