#pragma once

#include <QDialog>
#include <QString>
#include <array>

class CAddrPropertyPage1;
class CAddrPropertyPage2;
class CAddrPropertyPage3;
class CVornApp;
class QAbstractButton;
class QDialogButtonBox;
class QEvent;
class QHBoxLayout;
class QPushButton;
class QTabWidget;

// "Properties for the Velloby": the program's settings on three pages, "Searching", "Passwords"
// and "General", the first shown first. The pages write the application's settings (and the
// profile) as the user works, each at its own moments, so Cancel only closes the sheet: what a
// page has already written stays. A page is filled from the application the first time it is
// shown; only pages that have been shown take part when the sheet ends with OK.
class CAddrPropertySheet : public QDialog {
    Q_OBJECT
public:
    static const QString kCaption;

    explicit CAddrPropertySheet(CVornApp& app, QWidget* parent = nullptr);

    // Makes a sheet on the one application object and runs it modally; returns the dialog's
    // result. The caller refreshes whatever shows the settings (the Notes label) afterwards,
    // whatever the result, since the pages may have changed them even when cancelled.
    static int Run(QWidget* parent);

    // Lays out `button` (its own text left empty) beside a word-wrapped label showing `text`, so
    // a long option text wraps with the page. The label's mnemonic clicks the button; a mouse
    // click on the label does too once `filterOwner` passes its events to ClickBuddy().
    static QHBoxLayout* WrappedButton(QAbstractButton* button, const QString& text,
                                      QObject* filterOwner);
    // For an event filter: a left click released on a wrapped button's label clicks the button.
    static void ClickBuddy(QObject* watched, QEvent* event);
    // What a screen reader should say for a text with a mnemonic marker.
    static QString WithoutMnemonic(const QString& text);

    // The pages, in the order of their tabs.
    CAddrPropertyPage1* m_pageSearching;
    CAddrPropertyPage2* m_pagePasswords;
    CAddrPropertyPage3* m_pageGeneral;

public slots:
    // OK: the current page takes its leave, then every page that was shown finishes.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void OnPageChanged(int nIndex);

private:
    enum { kPageCount = 3 };
    void InitPage(int nIndex);
    void KillActivePage(int nIndex);

    QTabWidget* m_tabPages;
    QDialogButtonBox* m_boxButtons;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;
    // Pages filled from the application so far; the others are left out of OK.
    std::array<bool, kPageCount> m_bCreated{};
    int m_nActivePage = 0;
};
