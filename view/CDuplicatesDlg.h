#pragma once

#include "CDuplicateFinder.h"
#include "CPerson.h"

#include <QDialog>
#include <array>
#include <functional>
#include <vector>

class CVornDoc;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// "Find Duplicates": lists the sets of entries that are probably the same person, each with why
// it was found. For the chosen set the user picks, field by field, the value the merged entry
// keeps (the value most of its entries share, else the longest, to begin with) and sees the
// lines and groups that will be united. "Merge" merges that set; "Merge All" merges every set
// with its defaults after one question. The merging itself is the caller's (`MergeFn`), which
// updates the document and the form.
class CDuplicatesDlg : public QDialog {
    Q_OBJECT
public:
    // Merges `set` into one entry holding `merged`; false when nothing was merged.
    using MergeFn = std::function<bool(const std::vector<CPerson*>& set, const CPerson& merged)>;
    // Merges several sets, each with its values, in one go; the number merged.
    using MergeAllFn = std::function<int(const std::vector<std::vector<CPerson*>>& sets,
                                         const std::vector<CPerson>& merged)>;

    // Finds the sets among the document's entries.
    CDuplicatesDlg(CVornDoc& doc, MergeFn merge, MergeAllFn mergeAll, QWidget* parent = nullptr);

    // The sets not merged yet.
    int SetCount() const { return int(m_sets.size()); }
    // The merged entry the choices on screen give for the chosen set.
    CPerson ChosenValues() const;

private:
    struct CEntrySet {
        std::vector<CPerson*> m_listPeople;
        int m_nReasons = 0;
    };
    std::vector<const CPerson*> Members(int nSet) const;
    static QString SetText(const CEntrySet& set);
    void OnSetChanged();
    void OnChoiceChanged();
    void OnMerge();
    void OnMergeAll();
    void RemoveSet(int nSet);

    MergeFn m_fnMerge;
    MergeAllFn m_fnMergeAll;
    std::vector<CEntrySet> m_sets;

    QListWidget* m_listSets = nullptr;
    QListWidget* m_listEntries = nullptr;
    // One choice per single-line field, in the order of CRecordMerger::ChoiceFields.
    std::array<QComboBox*, 6> m_comboFields{};
    QPlainTextEdit* m_editUnited = nullptr;
    QLabel* m_labelCount = nullptr;
    QPushButton* m_btnMerge = nullptr;
    QPushButton* m_btnMergeAll = nullptr;
    QPushButton* m_btnClose = nullptr;
};
