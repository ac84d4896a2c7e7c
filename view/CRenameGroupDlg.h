#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;

// "Rename Group": shows the group's current name and asks for a new one. OK is enabled only for
// a name that, without its surrounding blanks, is not empty and is not already a group's name
// (case mattering); OK then gives that trimmed name.
class CRenameGroupDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRenameGroupDlg(QWidget* parent = nullptr);

    // Every group name of the file, filled before the dialog runs.
    QStringList m_existingNames;
    QPushButton* m_btnOK;
    // The new name: as typed while the dialog runs, trimmed once it ends with OK.
    QString m_strNewName;
    // The group's name now, shown above the new name.
    QString m_strCurrentName;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnNewNameChange();

    QPushButton* m_btnCancel;
    QLabel* m_labelCurrentName;
    QLineEdit* m_editNewName;
};
