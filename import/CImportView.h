#pragma once

#include <QString>
#include <QWidget>

class CImportMapDlg;
class CImportParamsDlg;
class QLineEdit;
class QPushButton;

// The wizard's first page: the file to import, "&Browse..." and "&Next  >>", which runs the
// later pages in turn: parameters, mapping, then the save dialog.
class CImportView : public QWidget {
    Q_OBJECT
public:
    explicit CImportView(QWidget* parent = nullptr);
    ~CImportView() override;

    void OnInitialUpdate();
    // Enables "&Next  >>" exactly when the file name names an existing file.
    void OnChangeFileName();
    void OnBrowse();
    // The wizard loop; true when a contact file was written.
    bool OnNext();
    // Asks where to save and writes the contact file; asks again after a failed save. True when
    // the file was written, false when the user cancelled.
    bool OnSaveOutput();

    // The message for a file that cannot be opened or read.
    QString FileErrorMessage() const;

    QPushButton* m_btnNext;
    QPushButton* m_btnBrowse;
    QLineEdit* m_editFileName;
    QString m_fileName;
    CImportParamsDlg* m_paramsDlg;
    CImportMapDlg* m_mapDlg;
    bool m_bLinesRead = false;
    // The file whose lines the parameters page holds.
    QString m_strLinesFile;

signals:
    // The contact file is written: the program is done.
    void closeRequested();

private:
    bool ReadLines();
    bool BuildRecords();
};
