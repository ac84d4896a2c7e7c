#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// The start-up password dialog. It checks the entry against the scrambled password kept in the
// profile ("init"/"data1"), and creates that password the first time: when none is stored it
// offers to create one and asks for it twice. Nothing else writes or erases the stored value.
class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    // The entry is scrambled as UTF-8 bytes; the box refuses more than this many.
    static constexpr int kMaxPasswordBytes = 250;
    // Length of the scrambled text before it is cut at its first zero byte.
    static constexpr int kScrambledLength = 250;
    // The generator is started from this seed for every scrambling, so the same entry always
    // gives the same stored value.
    static constexpr quint32 kScrambleSeed = 7781;

    explicit CPasswordDlg(QWidget* parent = nullptr);

    // Runs the dialog modally with an empty box; true when it ended with OK (the program may
    // start), false when it was cancelled or closed.
    static bool CheckStartupPassword(QWidget* parent = nullptr);

    // The stored form of a password given as bytes: at most 250 bytes starting with "x", cut at
    // the first zero byte. Empty for an empty entry (or one longer than the box allows), and
    // an empty result never matches anything stored.
    static QByteArray ScramblePassword(const QByteArray& entry);
    // The profile keeps texts: each scrambled byte becomes the character of the same code
    // (Latin-1), so the value reads back byte for byte.
    static QString ToProfileText(const QByteArray& scrambled);

public slots:
    // Cancel: while confirming a new password it goes back to the first entry, otherwise it
    // ends the dialog.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void OnOK();
    void OnPasswordChanged(const QString& text);

private:
    void SetPrompt(const QString& text);
    void ShowMessage(const QString& text);

    QString m_strPassword; // the box's text, taken when OK is pressed
    bool m_bConfirming = false;
    QString m_strFirstEntry;   // the first entry of a new password, kept while confirming
    QString m_strAcceptedText; // the box's last text within the byte limit

    QLabel* m_labelPrompt;
    QLabel* m_labelPassword;
    QLineEdit* m_editPassword;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;
};
