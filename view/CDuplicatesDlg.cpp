#include "CDuplicatesDlg.h"

#include "CRecordMerger.h"
#include "CText.h"
#include "CVornDoc.h"
#include "IPrompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The labels of the single-line fields, in the order of CRecordMerger::ChoiceFields.
const std::array<const char*, 6> kFieldLabels = {"&Name",        "C&ity",    "&State/ Province",
                                                 "&ZIP/ Postal", "C&ountry", "&E-mail"};
const std::array<const char*, 6> kFieldNames = {"comboKeepName",    "comboKeepCity",
                                                "comboKeepState",   "comboKeepZip",
                                                "comboKeepCountry", "comboKeepEmail"};

QString Plain(const char* label) {
    return QString::fromUtf8(label).remove(QLatin1Char('&'));
}

// A multi-line text as the form shows it: one line feed per line break.
QString ShownLines(const QByteArray& stored) {
    QString text = CText::ToDisplay(stored);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

} // namespace

CDuplicatesDlg::CDuplicatesDlg(CVornDoc& doc, MergeFn merge, MergeAllFn mergeAll, QWidget* parent)
    : QDialog(parent), m_fnMerge(std::move(merge)), m_fnMergeAll(std::move(mergeAll)) {
    setObjectName(QStringLiteral("duplicatesDlg"));
    setWindowTitle(QStringLiteral("Find Duplicates"));
    setAccessibleName(windowTitle());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // The sets, found once: hashing keeps this well under a blink on the largest file.
    std::vector<const CPerson*> people;
    people.reserve(doc.m_personList.size());
    for (const auto& pPerson : doc.m_personList)
        people.push_back(pPerson.get());
    const std::vector<CDuplicateFinder::CSet> sets = CDuplicateFinder::Find(people);
    m_sets.reserve(sets.size());
    for (const CDuplicateFinder::CSet& set : sets) {
        CEntrySet entrySet;
        entrySet.m_nReasons = set.m_nReasons;
        for (int i : set.m_listMembers)
            entrySet.m_listPeople.push_back(doc.m_personList[size_t(i)].get());
        m_sets.push_back(std::move(entrySet));
    }

    auto* pSetsLabel = new QLabel(QStringLiteral("Du&plicate sets"), this);
    pSetsLabel->setObjectName(QStringLiteral("labelSets"));
    m_listSets = new QListWidget(this);
    m_listSets->setObjectName(QStringLiteral("listSets"));
    m_listSets->setAccessibleName(QStringLiteral("Duplicate sets"));
    m_listSets->setUniformItemSizes(true);
    m_listSets->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listSets->setMinimumWidth(m_listSets->fontMetrics().averageCharWidth() * 52);
    pSetsLabel->setBuddy(m_listSets);
    m_labelCount = new QLabel(this);
    m_labelCount->setObjectName(QStringLiteral("labelSetCount"));
    m_labelCount->setAccessibleName(QStringLiteral("Number of sets"));

    auto* pEntriesLabel = new QLabel(QStringLiteral("Entries in this se&t"), this);
    pEntriesLabel->setObjectName(QStringLiteral("labelEntries"));
    m_listEntries = new QListWidget(this);
    m_listEntries->setObjectName(QStringLiteral("listSetEntries"));
    m_listEntries->setAccessibleName(QStringLiteral("Entries in this set"));
    m_listEntries->setSelectionMode(QAbstractItemView::NoSelection);
    pEntriesLabel->setBuddy(m_listEntries);

    auto* pKeepBox = new QGroupBox(QStringLiteral("Keep"), this);
    pKeepBox->setObjectName(QStringLiteral("groupKeep"));
    pKeepBox->setAccessibleName(pKeepBox->title());
    auto* pKeepLayout = new QFormLayout(pKeepBox);
    for (size_t i = 0; i < m_comboFields.size(); ++i) {
        auto* pCombo = new QComboBox(pKeepBox);
        pCombo->setObjectName(QString::fromLatin1(kFieldNames[i]));
        pCombo->setAccessibleName(Plain(kFieldLabels[i]));
        pCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        pCombo->setMinimumContentsLength(24);
        auto* pLabel = new QLabel(QString::fromUtf8(kFieldLabels[i]), pKeepBox);
        pLabel->setObjectName(QStringLiteral("label") + pCombo->objectName().mid(5));
        pLabel->setBuddy(pCombo);
        pKeepLayout->addRow(pLabel, pCombo);
        connect(pCombo, &QComboBox::currentIndexChanged, this, &CDuplicatesDlg::OnChoiceChanged);
        m_comboFields[i] = pCombo;
    }
    auto* pUnitedLabel =
        new QLabel(QStringLiteral("Address, phone, notes and &groups, united"), this);
    pUnitedLabel->setObjectName(QStringLiteral("labelUnited"));
    m_editUnited = new QPlainTextEdit(this);
    m_editUnited->setObjectName(QStringLiteral("editUnited"));
    m_editUnited->setAccessibleName(QStringLiteral("Address, phone, notes and groups, united"));
    m_editUnited->setReadOnly(true);
    m_editUnited->setTabChangesFocus(true);
    pUnitedLabel->setBuddy(m_editUnited);

    m_btnMerge = new QPushButton(QStringLiteral("&Merge"), this);
    m_btnMerge->setObjectName(QStringLiteral("btnMerge"));
    m_btnMerge->setAccessibleName(QStringLiteral("Merge"));
    m_btnMerge->setDefault(true);
    m_btnMergeAll = new QPushButton(QStringLiteral("Merge &All"), this);
    m_btnMergeAll->setObjectName(QStringLiteral("btnMergeAll"));
    m_btnMergeAll->setAccessibleName(QStringLiteral("Merge All"));
    m_btnClose = new QPushButton(QStringLiteral("Close"), this);
    m_btnClose->setObjectName(QStringLiteral("btnClose"));
    m_btnClose->setAccessibleName(QStringLiteral("Close"));
    connect(m_btnMerge, &QPushButton::clicked, this, &CDuplicatesDlg::OnMerge);
    connect(m_btnMergeAll, &QPushButton::clicked, this, &CDuplicatesDlg::OnMergeAll);
    connect(m_btnClose, &QPushButton::clicked, this, &CDuplicatesDlg::accept);

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pSetsLabel);
    pLeft->addWidget(m_listSets, 1);
    pLeft->addWidget(m_labelCount);
    auto* pRight = new QVBoxLayout;
    pRight->addWidget(pEntriesLabel);
    pRight->addWidget(m_listEntries, 1);
    pRight->addWidget(pKeepBox);
    pRight->addWidget(pUnitedLabel);
    pRight->addWidget(m_editUnited, 1);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_btnMerge);
    pButtons->addWidget(m_btnMergeAll);
    pButtons->addWidget(m_btnClose);
    auto* pColumns = new QHBoxLayout;
    pColumns->addLayout(pLeft, 1);
    pColumns->addLayout(pRight, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pColumns, 1);
    pLayout->addLayout(pButtons);

    QList<QWidget*> order = {m_listSets, m_listEntries};
    for (QComboBox* pCombo : m_comboFields)
        order.append(pCombo);
    order += {m_editUnited, m_btnMerge, m_btnMergeAll, m_btnClose};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    // One line per set; the details of a set are filled only when it is chosen.
    m_listSets->setUpdatesEnabled(false);
    for (const CEntrySet& set : m_sets) {
        // The whole line as a tip, for a name too long for the list.
        auto* pItem = new QListWidgetItem(SetText(set), m_listSets);
        pItem->setToolTip(pItem->text());
    }
    m_listSets->setUpdatesEnabled(true);
    connect(m_listSets, &QListWidget::currentRowChanged, this, &CDuplicatesDlg::OnSetChanged);
    if (!m_sets.empty())
        m_listSets->setCurrentRow(0);
    OnSetChanged();
    m_listSets->setFocus();
    resize(sizeHint().width(), std::max(sizeHint().height(), 420));
}

QString CDuplicatesDlg::SetText(const CEntrySet& set) {
    return QStringLiteral("%1 (%2 entries): %3")
        .arg(CText::ToDisplay(set.m_listPeople.front()->m_strName))
        .arg(set.m_listPeople.size())
        .arg(CDuplicateFinder::ReasonText(set.m_nReasons));
}

std::vector<const CPerson*> CDuplicatesDlg::Members(int nSet) const {
    if (nSet < 0 || nSet >= SetCount())
        return {};
    const auto& people = m_sets[size_t(nSet)].m_listPeople;
    return {people.begin(), people.end()};
}

void CDuplicatesDlg::OnSetChanged() {
    const int nSet = m_listSets->currentRow();
    const std::vector<const CPerson*> members = Members(nSet);
    m_labelCount->setText(m_sets.size() == 1 ? QStringLiteral("1 set")
                                             : QStringLiteral("%1 sets").arg(m_sets.size()));
    m_listEntries->clear();
    for (const CPerson* pPerson : members) {
        QStringList parts = {CText::ToDisplay(pPerson->m_strName)};
        if (!pPerson->m_strEmail.isEmpty())
            parts.append(CText::ToDisplay(pPerson->m_strEmail));
        const QString phone = ShownLines(pPerson->m_strPhone).section(QLatin1Char('\n'), 0, 0);
        if (!phone.isEmpty())
            parts.append(phone);
        if (!pPerson->m_strCity.isEmpty())
            parts.append(CText::ToDisplay(pPerson->m_strCity));
        m_listEntries->addItem(parts.join(QStringLiteral(", ")));
    }
    const auto& fields = CRecordMerger::ChoiceFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        QComboBox* pCombo = m_comboFields[i];
        const QSignalBlocker block(pCombo);
        pCombo->clear();
        const QList<QByteArray> values = CRecordMerger::Candidates(members, fields[i]);
        for (const QByteArray& value : values)
            pCombo->addItem(CText::ToDisplay(value), value);
        if (values.isEmpty())
            pCombo->addItem(QString(), QByteArray());
        const QByteArray chosen = CRecordMerger::DefaultValue(members, fields[i]);
        pCombo->setCurrentIndex(std::max(0, int(values.indexOf(chosen))));
        pCombo->setEnabled(!values.isEmpty());
    }
    m_btnMerge->setEnabled(!members.empty());
    m_btnMergeAll->setEnabled(!m_sets.empty());
    OnChoiceChanged();
}

void CDuplicatesDlg::OnChoiceChanged() {
    const std::vector<const CPerson*> members = Members(m_listSets->currentRow());
    if (members.empty()) {
        m_editUnited->setPlainText(m_sets.empty() ? QStringLiteral("No duplicates are left.")
                                                  : QString());
        return;
    }
    const CPerson merged = ChosenValues();
    QStringList blocks;
    auto add = [&blocks](const QString& title, const QString& text) {
        if (!text.isEmpty())
            blocks.append(title + QStringLiteral(":\n") + text);
    };
    add(QStringLiteral("Address"), ShownLines(merged.m_strAddress));
    add(QStringLiteral("Phone"), ShownLines(merged.m_strPhone));
    add(QStringLiteral("Notes"), ShownLines(merged.m_strNotes));
    QStringList groups;
    for (const QByteArray& group : merged.m_groups)
        groups.append(CText::ToDisplay(group));
    add(QStringLiteral("Groups"), groups.join(QStringLiteral(", ")));
    m_editUnited->setPlainText(blocks.join(QStringLiteral("\n\n")));
}

CPerson CDuplicatesDlg::ChosenValues() const {
    const std::vector<const CPerson*> members = Members(m_listSets->currentRow());
    CPerson merged = CRecordMerger::Defaults(members);
    const auto& fields = CRecordMerger::ChoiceFields();
    for (size_t i = 0; i < fields.size(); ++i)
        merged.*fields[i] = m_comboFields[i]->currentData().toByteArray();
    return merged;
}

void CDuplicatesDlg::RemoveSet(int nSet) {
    m_sets.erase(m_sets.begin() + nSet);
    {
        const QSignalBlocker block(m_listSets);
        delete m_listSets->takeItem(nSet);
        if (!m_sets.empty())
            m_listSets->setCurrentRow(std::min(nSet, SetCount() - 1));
    }
    OnSetChanged();
}

void CDuplicatesDlg::OnMerge() {
    const int nSet = m_listSets->currentRow();
    if (nSet < 0 || nSet >= SetCount())
        return;
    if (m_fnMerge && m_fnMerge(m_sets[size_t(nSet)].m_listPeople, ChosenValues()))
        RemoveSet(nSet);
    if (m_sets.empty())
        m_btnClose->setFocus();
    else
        m_listSets->setFocus();
}

void CDuplicatesDlg::OnMergeAll() {
    if (m_sets.empty())
        return;
    const QString question =
        m_sets.size() == 1
            ? QStringLiteral("Merge the 1 set of duplicates? Its entries become one entry, "
                             "keeping the values most of them share.")
            : QStringLiteral("Merge all %1 sets of duplicates? The entries of each set become "
                             "one entry, keeping the values most of them share.")
                  .arg(m_sets.size());
    if (IPrompt::Ask(this, question, IPrompt::YesNo) != IPrompt::AnswerYes)
        return;
    std::vector<std::vector<CPerson*>> sets;
    std::vector<CPerson> merged;
    sets.reserve(m_sets.size());
    merged.reserve(m_sets.size());
    for (int i = 0; i < SetCount(); ++i) {
        sets.push_back(m_sets[size_t(i)].m_listPeople);
        merged.push_back(CRecordMerger::Defaults(Members(i)));
    }
    if (m_fnMergeAll)
        m_fnMergeAll(sets, merged);
    accept();
}
