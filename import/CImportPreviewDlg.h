#pragma once

#include "CContactReader.h"

#include <QDialog>
#include <QString>

class CContactPreviewModel;
class QLabel;
class QPushButton;
class QTreeView;

// The page shown instead of the parameters page for a vCard file or a CSV file with a header
// row: the contacts as they will be written, how many, and what could not be kept. "&Next  >>"
// goes on to saving them; "Map by &Hand..." goes to the parameters page, where the file is read
// as delimited text; Escape goes back to the first page.
class CImportPreviewDlg : public QDialog {
    Q_OBJECT
public:
    // What RunModal returns when the user chose to map the fields by hand.
    static constexpr int MapByHand = 2;

    explicit CImportPreviewDlg(QWidget* parent = nullptr);

    // Shows the contacts of `pResult` (which must outlive the page, or the next call) read from
    // `fileName`.
    void SetContacts(const QString& fileName, const CContactReader::Result* pResult);
    // Accepted after "&Next  >>", MapByHand after "Map by &Hand...", Rejected after Escape.
    int RunModal();

    // "1 contact will be written." and the like.
    static QString CountText(qsizetype count);
    // What the file is, as the page names it.
    static QString FormatText(EContactFormat format);

    QLabel* m_labelFile;
    QLabel* m_labelFormat;
    QTreeView* m_listContacts;
    QLabel* m_labelCount;
    QLabel* m_labelLeftOut;
    QPushButton* m_btnMapByHand;
    QPushButton* m_btnNext;

private:
    CContactPreviewModel* m_pModel;
};
