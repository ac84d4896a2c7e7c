#pragma once

#include <QObject>

class QLabel;
class QStatusBar;

// The key-state panes of a status bar: "CAP", "NUM" and "SCRL" at its right, greyed while their
// lock is off. X11 key events carry the Caps Lock and Num Lock state; Scroll Lock has no
// reliable state there, so its pane toggles with the key.
class CKeyStateIndicators : public QObject {
    Q_OBJECT
public:
    // Adds the three panes to `bar` and watches the program's key events.
    explicit CKeyStateIndicators(QStatusBar* bar);
    ~CKeyStateIndicators() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_capsPane = nullptr;
    QLabel* m_numPane = nullptr;
    QLabel* m_scrollPane = nullptr;
    bool m_bScrollLock = false;
};
