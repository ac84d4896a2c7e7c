#pragma once

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QString>

class CPreviewModel;
class CStartRowSpin;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

// "Specify parameters for import": the delimiters, the one-line choice and the start row, over a
// numbered preview of the file. It owns the lines read from the file. The choices persist from
// one showing to the next; the start row goes back to 1 each time.
class CImportParamsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CImportParamsDlg(QWidget* parent = nullptr);

    // Prepares the page (preview, start row "1") and runs it; Accepted after "&Next  >>".
    int RunModal();
    // The preview, the start-row range and the controls from the members.
    void OnInitDialog();
    // Controls to members (`bSaveAndValidate`) or members to controls.
    void UpdateData(bool bSaveAndValidate);
    // The delimiter set of the chosen boxes.
    QString BuildDelimiters() const;

    CStartRowSpin* m_spinStartRow;
    QPushButton* m_btnNext;
    QTreeView* m_listPreview;

    QString m_strStartRow;
    QString m_strFileLabel;
    bool m_bComma = false;
    bool m_bOther = false;
    bool m_bSemicolon = false;
    bool m_bSpace = false;
    bool m_bTab = true;
    QString m_strOtherChar;
    bool m_bOneLine = false;
    // "Fields may be in quotes": quoted fields keep their delimiters and line breaks. Set when a
    // file is read, from whether it holds quoted fields.
    bool m_bQuotes = false;
    QList<QByteArray> m_lines;

    // Going back to the first page keeps the choices made, as going on does.
    void reject() override;

private slots:
    void OnOther();
    void OnNext();

private:
    QCheckBox* m_checkTab;
    QCheckBox* m_checkSemicolon;
    QCheckBox* m_checkComma;
    QCheckBox* m_checkSpace;
    QCheckBox* m_checkOther;
    QLineEdit* m_editOther;
    QCheckBox* m_checkOneLine;
    QCheckBox* m_checkQuotes;
    QLabel* m_labelFile;
    CPreviewModel* m_preview;
};
