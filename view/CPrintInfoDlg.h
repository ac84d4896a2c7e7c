#pragma once

#include "CReportWriter.h"

#include <QDialog>

class QCheckBox;
class QPushButton;
class QRadioButton;

// "Print a Formatted Report": the layout of the report and the fields it holds. A new dialog is
// made for every report, so its defaults apply each time; nothing is remembered.
class CPrintInfoDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPrintInfoDlg(QWidget* parent = nullptr);

    // The choices as a report writer takes them.
    CReportWriter::SOptions Options() const;

    void accept() override;

    QPushButton* m_btnOK = nullptr;
    bool m_bAddress = true;
    bool m_bCity = true;
    bool m_bCountry = true;
    bool m_bNotes = true;
    bool m_bPhone = true;
    bool m_bState = true;
    bool m_bZip = true;
    int m_nFormat = CReportWriter::LineBreaks;
    bool m_bShowViewer = true;
    bool m_bEmail = false;

private:
    // Members to controls, or controls to members.
    void DoDataExchange(bool bSave);

    QRadioButton* m_radioLineBreaks = nullptr;
    QRadioButton* m_radioTabStops = nullptr;
    QCheckBox* m_checkAddress = nullptr;
    QCheckBox* m_checkCity = nullptr;
    QCheckBox* m_checkState = nullptr;
    QCheckBox* m_checkZip = nullptr;
    QCheckBox* m_checkCountry = nullptr;
    QCheckBox* m_checkPhone = nullptr;
    QCheckBox* m_checkEmail = nullptr;
    QCheckBox* m_checkNotes = nullptr;
    QCheckBox* m_checkShowViewer = nullptr;
};
