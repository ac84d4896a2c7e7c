#pragma once

#include <QDialog>

class QRadioButton;

// "Export": which format to write the entries in, and whether all of them or only those the
// people list shows.
class CExportDlg : public QDialog {
    Q_OBJECT
public:
    enum Format { VCard40 = 0, VCard30 = 1, Csv = 2 };

    explicit CExportDlg(QWidget* parent = nullptr);

    // The choices, read when the dialog closes with OK.
    int m_nFormat = VCard40;
    bool m_bShownOnly = false;

    // What the save dialog offers for a format: the file-name suffix and the filter.
    static QString Suffix(int nFormat);
    static QString Filter(int nFormat);

    void accept() override;

    QRadioButton* m_radioVCard40;
    QRadioButton* m_radioVCard30;
    QRadioButton* m_radioCsv;
    QRadioButton* m_radioAll;
    QRadioButton* m_radioShown;
};
