#pragma once

#include "CFieldMapper.h"
#include "CImportRecord.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// "Map fields": shows one record at a time, its fields in the From list and the contact values
// on the right; a record shown for the first time is mapped automatically, and the user remaps
// fields through the To list or types into the boxes. "&Done" completes every record and closes
// the page with OK; Escape or the close box closes it with Cancel.
class CImportMapDlg : public QDialog {
    Q_OBJECT
public:
    explicit CImportMapDlg(QWidget* parent = nullptr);

    // Shows the first record and runs the page; Accepted after "&Done".
    int RunModal();
    void OnInitDialog();
    // Boxes to values (`bSaveAndValidate`) or values to boxes. A box the user did not change
    // keeps its value's exact bytes.
    void UpdateData(bool bSaveAndValidate);

    // Reads the boxes and stores the shown record's values and targets.
    void StoreCurrent();
    // Makes the To list's current row the target of the one selected From row.
    void ShowTarget();

    // Every way of closing the page with OK runs the processing of "&Done" first, so no record
    // is ever saved unmapped.
    void accept() override;

    QRadioButton* m_radioDefault;
    QRadioButton* m_radioSame;
    QListWidget* m_listTo;
    QPushButton* m_btnPrevious;
    QPushButton* m_btnNext;
    QPushButton* m_btnDone;
    QListWidget* m_listFrom;
    QLineEdit* m_editName;
    QPlainTextEdit* m_editAddress;
    QLineEdit* m_editCity;
    QLineEdit* m_editState;
    QLineEdit* m_editZip;
    QPlainTextEdit* m_editPhone;
    QLineEdit* m_editCountry;
    QLineEdit* m_editEmail;
    QPlainTextEdit* m_editNotes;

    QString m_strRecordNo;
    QString m_strRecordCount;
    CImportRecord m_records;
    ImportEntry* m_pCurrent = nullptr;
    int m_nStartRow = 1;
    int m_nCurrent = 0;
    bool m_bOneLine = false;
    // The shown record's rows, targets and the nine values.
    CFieldMapper m_mapper;

public slots:
    void OnNext();
    void OnPrevious();
    void OnDone();

private slots:
    void OnSelChangeFrom();
    void OnSelChangeTo();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum { kBoxCount = 9 };
    void ShowRecord();
    void UpdateButtons();
    void UpdateFromRows();
    QString BoxText(int box) const;
    void SetBoxText(int box, const QString& text);
    QByteArray& BoxValue(int box);

    QLabel* m_labelRecordNo;
    QLabel* m_labelRecordCount;
    // What each box held when the page last wrote it.
    QString m_written[kBoxCount];
    bool m_bUpdatingTo = false;
    int m_nToRowAtPress = -1;
};
