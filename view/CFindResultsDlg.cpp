#include "CFindResultsDlg.h"

#include "CMainFrame.h"
#include "CPeopleListModel.h"
#include "IPrompt.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kNoEntrySelected = QStringLiteral("No entry selected");

QPushButton* MakeButton(const QString& text, const QString& name, QWidget* parent) {
    auto* pButton = new QPushButton(text, parent);
    pButton->setObjectName(name);
    QString plain = text;
    pButton->setAccessibleName(plain.remove(QLatin1Char('&')));
    return pButton;
}

} // namespace

CFindResultsDlg::CFindResultsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("findResultsDlg"));
    setWindowTitle(QStringLiteral("Search Results"));
    setAccessibleName(windowTitle());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* pCaption =
        new QLabel(QStringLiteral("The following items met your selection criteria:"), this);
    pCaption->setObjectName(QStringLiteral("labelResults"));
    pCaption->setAccessibleName(pCaption->text());

    // The same sorted list of record pointers as the people list: one line per hit, equal
    // names on separate lines, and tens of thousands of hits shown without a widget per line.
    m_pResultsModel = new CPeopleListModel(this);
    m_listResults = new QListView(this);
    m_listResults->setObjectName(QStringLiteral("listResults"));
    m_listResults->setAccessibleName(pCaption->text());
    m_listResults->setModel(m_pResultsModel);
    m_listResults->setUniformItemSizes(true);
    m_listResults->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listResults->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_listResults->setMinimumSize(m_listResults->fontMetrics().averageCharWidth() * 36,
                                  m_listResults->fontMetrics().height() * 10);
    pCaption->setBuddy(m_listResults);
    connect(m_listResults->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CFindResultsDlg::OnSelChangeResults);
    connect(m_listResults, &QAbstractItemView::doubleClicked, this, &CFindResultsDlg::OnGoToPerson);

    m_btnOK = MakeButton(QStringLiteral("OK"), QStringLiteral("btnOK"), this);
    m_btnOK->setDefault(true);
    m_btnGoTo = MakeButton(QStringLiteral("&Go to person"), QStringLiteral("btnGoTo"), this);
    m_btnCancel = MakeButton(QStringLiteral("&Cancel"), QStringLiteral("btnCancel"), this);
    m_btnHelp = MakeButton(QStringLiteral("&Help"), QStringLiteral("btnHelp"), this);
    connect(m_btnOK, &QPushButton::clicked, this, &CFindResultsDlg::accept);
    connect(m_btnGoTo, &QPushButton::clicked, this, &CFindResultsDlg::OnGoToPerson);
    connect(m_btnCancel, &QPushButton::clicked, this, &CFindResultsDlg::reject);
    connect(m_btnHelp, &QPushButton::clicked, this, &CFindResultsDlg::OnHelp);

    auto* pActionBox =
        new QGroupBox(QStringLiteral("What would you like to do with these results?"), this);
    pActionBox->setObjectName(QStringLiteral("groupAction"));
    pActionBox->setAccessibleName(pActionBox->title());
    m_radioAdd = new QRadioButton(QStringLiteral("Add these people to the current list of people"),
                                  pActionBox);
    m_radioAdd->setObjectName(QStringLiteral("radioAdd"));
    m_radioAdd->setAccessibleName(m_radioAdd->text());
    m_radioReplace = new QRadioButton(
        QStringLiteral("Replace the current list of people with these people"), pActionBox);
    m_radioReplace->setObjectName(QStringLiteral("radioReplace"));
    m_radioReplace->setAccessibleName(m_radioReplace->text());
    auto* pChoices = new QButtonGroup(this);
    pChoices->addButton(m_radioAdd, AddToList);
    pChoices->addButton(m_radioReplace, ReplaceList);
    auto* pActionLayout = new QVBoxLayout(pActionBox);
    pActionLayout->addWidget(m_radioAdd);
    pActionLayout->addWidget(m_radioReplace);

    auto* pButtons = new QVBoxLayout;
    pButtons->addWidget(m_btnOK);
    pButtons->addWidget(m_btnGoTo);
    pButtons->addWidget(m_btnCancel);
    pButtons->addWidget(m_btnHelp);
    pButtons->addStretch(1);
    auto* pMiddle = new QHBoxLayout;
    pMiddle->addWidget(m_listResults, 1);
    pMiddle->addLayout(pButtons);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pCaption);
    pLayout->addLayout(pMiddle, 1);
    pLayout->addWidget(pActionBox);

    setTabOrder(m_listResults, m_btnOK);
    setTabOrder(m_btnOK, m_btnGoTo);
    setTabOrder(m_btnGoTo, m_btnCancel);
    setTabOrder(m_btnCancel, m_btnHelp);
    setTabOrder(m_btnHelp, m_radioAdd);
    setTabOrder(m_radioAdd, m_radioReplace);
}

void CFindResultsDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CFindResultsDlg::OnInitDialog() {
    (m_nAction == ReplaceList ? m_radioReplace : m_radioAdd)->setChecked(true);
    m_pResultsModel->Reset(m_results);
    if (m_pResultsModel->Count() > 0) {
        m_listResults->selectionModel()->setCurrentIndex(m_pResultsModel->index(0),
                                                         QItemSelectionModel::ClearAndSelect);
    }
    OnSelChangeResults();
    m_listResults->setFocus();
}

int CFindResultsDlg::SelectedCount() const {
    int count = 0;
    for (const QItemSelectionRange& range : m_listResults->selectionModel()->selection())
        count += range.height();
    return count;
}

void CFindResultsDlg::OnSelChangeResults() {
    const int count = SelectedCount();
    m_btnOK->setEnabled(count >= 1);
    m_btnGoTo->setEnabled(count == 1);
}

int CFindResultsDlg::CurrentRow() {
    const QModelIndex current = m_listResults->currentIndex();
    if (!current.isValid() || !m_pResultsModel->PersonAt(current.row())) {
        IPrompt::Message(this, kNoEntrySelected, IPrompt::Warning);
        return -1;
    }
    return current.row();
}

void CFindResultsDlg::OnGoToPerson() {
    const int row = CurrentRow();
    if (row < 0)
        return;
    // Going to a person always adds it to the current list, whichever choice is marked.
    m_pChosen = m_pResultsModel->PersonAt(row);
    m_chosenRows = {row};
    m_bMultiple = false;
    m_nAction = AddToList;
    QDialog::accept();
}

void CFindResultsDlg::accept() {
    const int count = SelectedCount();
    if (count == 1) {
        const int row = CurrentRow();
        if (row < 0)
            return;
        m_pChosen = m_pResultsModel->PersonAt(row);
        m_chosenRows = {row};
        m_bMultiple = false;
    } else {
        // Every selected line, top to bottom.
        m_chosenRows.clear();
        m_chosenRows.reserve(size_t(count));
        for (const QItemSelectionRange& range : m_listResults->selectionModel()->selection()) {
            for (int row = range.top(); row <= range.bottom(); ++row)
                m_chosenRows.push_back(row);
        }
        std::sort(m_chosenRows.begin(), m_chosenRows.end());
        m_chosen.clear();
        m_chosen.reserve(m_chosenRows.size());
        for (int row : m_chosenRows)
            m_chosen.push_back(m_pResultsModel->PersonAt(row));
        m_bMultiple = true;
    }
    m_nAction = m_radioReplace->isChecked() ? ReplaceList : AddToList;
    QDialog::accept();
}

void CFindResultsDlg::OnHelp() {
    // No help pages ship; say so rather than do nothing.
    IPrompt::Message(this, CMainFrame::kHelpMessage, IPrompt::Information);
}
