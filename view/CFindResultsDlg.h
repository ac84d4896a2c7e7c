#pragma once

#include <QDialog>
#include <vector>

class CPeopleListModel;
class CPerson;
class QListView;
class QPushButton;
class QRadioButton;

// "Search Results": lists the entries a search found, sorted by name, and lets the user add them
// to the people list, replace the people list with them, or go to one person. The dialog points
// at entries of the document and owns none.
class CFindResultsDlg : public QDialog {
    Q_OBJECT
public:
    enum Action { AddToList = 0, ReplaceList = 1 };

    explicit CFindResultsDlg(QWidget* parent = nullptr);

    QPushButton* m_btnOK;
    QPushButton* m_btnCancel;
    QListView* m_listResults;
    QPushButton* m_btnGoTo;
    // AddToList or ReplaceList, read from the two choices when the dialog ends with OK.
    int m_nAction = AddToList;
    // The hits, filled before the dialog runs.
    std::vector<CPerson*> m_results;
    // The people chosen when more than one line is chosen (m_bMultiple).
    std::vector<CPerson*> m_chosen;
    // The person chosen when exactly one is.
    CPerson* m_pChosen = nullptr;
    bool m_bMultiple = false;
    // The lines of the results list that hold the chosen people, top to bottom.
    std::vector<int> m_chosenRows;

    // The results list, sorted by name.
    const CPeopleListModel& Results() const { return *m_pResultsModel; }

public slots:
    void accept() override;
    void OnGoToPerson();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void OnSelChangeResults();
    void OnHelp();
    int SelectedCount() const;
    // The current line, or -1 after telling the user that there is none.
    int CurrentRow();

    CPeopleListModel* m_pResultsModel;
    QPushButton* m_btnHelp;
    QRadioButton* m_radioAdd;
    QRadioButton* m_radioReplace;
    bool m_bInitialised = false;
};
