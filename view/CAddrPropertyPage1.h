#pragma once

#include <QWidget>
#include <array>

class CVornApp;
class QButtonGroup;
class QRadioButton;

// "Searching": the strictness of search, Exact to Poor. A choice is stored (in the application
// and the profile) when the user leaves the page for another or presses OK, not on the click.
class CAddrPropertyPage1 : public QWidget {
    Q_OBJECT
public:
    static const QString kTitle;

    explicit CAddrPropertyPage1(CVornApp& app, QWidget* parent = nullptr);

    // Checks the button of the application's search mode.
    void OnInitDialog();
    // Both store the checked mode.
    void OnKillActive();
    void OnOK();

    QRadioButton* ModeButton(int nMode) const { return m_btnModes.at(nMode); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StoreCheckedMode();

    CVornApp& m_app;
    QButtonGroup* m_groupModes;
    std::array<QRadioButton*, 4> m_btnModes;
};
