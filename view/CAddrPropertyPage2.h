#pragma once

#include <QWidget>

class CVornApp;
class QRadioButton;

// "Passwords": start-up password protection on or off. A click stores the choice at once, and
// leaving the page or OK stores the checked button again. The page never asks for or changes
// the password itself: switching protection on takes effect at the next start, which offers to
// create a password when none is stored.
class CAddrPropertyPage2 : public QWidget {
    Q_OBJECT
public:
    static const QString kTitle;

    explicit CAddrPropertyPage2(CVornApp& app, QWidget* parent = nullptr);

    // Checks On or Off as the application's setting says.
    void OnInitDialog();
    // Both store the checked button.
    void OnKillActive();
    void OnOK();

    QRadioButton* m_btnOn;
    QRadioButton* m_btnOff;

private slots:
    void OnPasswordOn();
    void OnPasswordOff();

private:
    void StorePassword(bool bOn);

    CVornApp& m_app;
};
