#pragma once

#include <QString>
#include <QWidget>

class CVornApp;
class QCheckBox;
class QLineEdit;

// "General": confirmation of deletes, automatic updates and the Notes label of the open contact
// file. Every click and every change of the label goes straight into the application (the two
// options also into the profile); the label and its flag are saved with the contact file.
class CAddrPropertyPage3 : public QWidget {
    Q_OBJECT
public:
    static const QString kTitle;
    // Characters as the user sees them.
    static constexpr int kMaxLabelLength = 20;

    explicit CAddrPropertyPage3(CVornApp& app, QWidget* parent = nullptr);

    // Copies the application's settings into the page and shows them.
    void OnInitDialog();
    // Every change is already stored when it happens, so these have nothing left to do.
    void OnKillActive() {}
    void OnOK() {}

    // The page's copies of the application's values, exchanged with the controls by UpdateData.
    bool m_bConfirmDelete = false;
    bool m_bUseCustomLabel = false;
    QString m_strLabel;
    bool m_bAutoUpdate = false;

    QCheckBox* m_btnUseCustomLabel;
    QLineEdit* m_editLabel;
    QCheckBox* m_btnConfirmDelete;
    QCheckBox* m_btnAutoUpdate;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void OnConfirmDelete();
    void OnUseCustomLabel();
    void OnAutoUpdate();
    void OnLabelChange();
    void OnLabelEdited();

private:
    // true: controls into the members; false: members into the controls.
    void UpdateData(bool bSaveAndValidate);

    CVornApp& m_app;
    // The user has changed the label since the page was filled. Until then the application's
    // label stays as it is, even one too long for the box (which shows only its start).
    bool m_bLabelChanged = false;
};
