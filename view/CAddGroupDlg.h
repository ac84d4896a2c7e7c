#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

// "Create a Group": asks for the name of a new group. OK closes without checks; the form decides
// what to do with the name.
class CAddGroupDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAddGroupDlg(QWidget* parent = nullptr);

    QPushButton* m_btnOK;
    QPushButton* m_btnCancel;
    // The text of the name field, as typed; read when the dialog ends with OK.
    QString m_strGroupName;

public slots:
    void accept() override;

private:
    QLineEdit* m_editGroupName;
};
