#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>

class QLabel;
class QProgressBar;

// The small window that shows the advance of a long step. It cannot be closed or cancelled: the
// work it shows runs to its end. While it is shown its owner is disabled.
class CImportProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CImportProgressDlg(QWidget* pOwner);
    ~CImportProgressDlg() override;

    // Shows the window and disables the owner if it was enabled.
    void Create();
    void SetRange(int nLower, int nUpper);
    void SetStep(int nStep) { m_nStep = nStep; }
    // Lets waiting window events through (every few milliseconds, so a long run stays fast),
    // then advances the bar by the step and updates the percentage.
    void StepIt();
    // Enables the owner again if this window disabled it, and closes.
    void Destroy();

    // The percentage text for `nPos` in `nLower` .. `nUpper`, such as "42%".
    static QString PercentText(int nPos, int nLower, int nUpper);

    int Position() const { return m_nPos; }
    QString PercentLabel() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

private:
    QProgressBar* m_progress;
    QLabel* m_labelPercent;
    QLabel* m_labelInfo;
    QPointer<QWidget> m_pOwner;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nStep = 1;
    int m_nPos = 0;
    bool m_bDisabledOwner = false;
    bool m_bClosing = false;
    QElapsedTimer m_sinceEvents;
};
