#pragma once

#include "CContactReader.h"

#include <QString>
#include <QWidget>

class CImportDoc;
class CImportMapDlg;
class CImportParamsDlg;
class CImportPreviewDlg;
class QLineEdit;
class QPushButton;

// The wizard's first page: the file to import, "&Browse..." and "&Next  >>", which runs the
// later pages in turn: parameters, mapping, then the save dialog. A vCard file, or a CSV file
// whose header row names its columns, goes to the preview page instead, and from there to the
// save dialog; the parameters page stays one click away.
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
    // Writes the contacts of the preview page, by the same save dialog.
    bool OnSaveContacts();

    // The message for a file that cannot be opened or read.
    QString FileErrorMessage() const;

    QPushButton* m_btnNext;
    QPushButton* m_btnBrowse;
    QLineEdit* m_editFileName;
    QString m_fileName;
    CImportParamsDlg* m_paramsDlg;
    CImportMapDlg* m_mapDlg;
    CImportPreviewDlg* m_previewDlg;
    bool m_bLinesRead = false;
    // The file whose lines the parameters page holds.
    QString m_strLinesFile;
    // The contacts of a vCard or CSV file, read when its lines were; the preview page shows them
    // when m_bPreview.
    CContactReader::Result m_contacts;
    bool m_bPreview = false;

signals:
    // The contact file is written: the program is done.
    void closeRequested();

private:
    bool ReadLines();
    // Finds out whether the file is a vCard or a CSV file with a header row, and reads its
    // contacts for the preview page if so.
    void ReadContacts(const QByteArray& bytes);
    bool BuildRecords();
    // Asks where to save and writes `doc`; asks again after a failed save.
    bool SaveDocument(const CImportDoc& doc);
};
