#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Select a phone number to dial": the user picks one of the entry's numbers, may put the
// outside-line prefix in front of it and may adjust the number by hand before dialling.
class CDialPhoneDlg : public QDialog {
    Q_OBJECT
public:
    // Only this many characters of each line of a Phone field are looked at.
    static constexpr int kMaxLineLength = 250;

    // Starts with the application's dial prefix, the prefix box unchecked.
    explicit CDialPhoneDlg(QWidget* parent = nullptr);

    // The numbers in a Phone field: for each line, first to last, its digits 0 to 9 in their
    // order, after a '+' when one leads the number; a line without digits gives none. Equal
    // numbers are kept twice.
    static QStringList NumbersFromPhone(const QString& phone);

    // The dialog's first showing: the prefix edit follows the box, the numbers are listed, the
    // first is selected and the number to dial is composed.
    void OnInitDialog();
    // A number was selected or double-clicked: the number to dial is composed anew.
    void OnSelChangeNumbers();
    void OnDblClkNumbers();
    // The prefix box was clicked: the prefix edit follows it and takes the focus.
    void OnUsePrefix();
    // The prefix text changed.
    void OnChangePrefix();
    // "&Dial": stores the prefix in the application (whether or not the box is checked), takes
    // the number as it stands (edited by hand or not) and closes.
    void accept() override;

    QListWidget* m_listNumbers = nullptr;
    QString m_strNumber;
    bool m_bUsePrefix = false;
    QString m_strPrefix;
    QStringList m_numbers;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Members to controls, or controls to members.
    void DoDataExchange(bool bSave);
    // The number to dial: the prefix when the box is checked, then the selected number. It
    // replaces any change made by hand.
    void ComposeNumber();

    QLineEdit* m_editNumber = nullptr;
    QCheckBox* m_checkUsePrefix = nullptr;
    QLineEdit* m_editPrefix = nullptr;
    QPushButton* m_btnDial = nullptr;
    bool m_bInitialised = false;
    int m_nSilent = 0;
};
