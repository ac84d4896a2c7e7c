#include "CVornView.h"

#include "CAddrPropertySheet.h"

#include "CPeopleListModel.h"
#include "CPerson.h"
#include "CPictureButton.h"
#include "CPlaceLists.h"
#include "CText.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QStringListModel>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

// The pictures live in this static library; they must be registered by name.
static void InitViewResources() {
    Q_INIT_RESOURCE(view);
}

namespace {

// Bytes reserved for each City and ZIP value a refresh collects.
constexpr size_t kPendingBytesPerValue = 8;

const QString kAllGroups = QStringLiteral("***All Groups***");
const QString kNotCategorized = QStringLiteral("***Not Categorized***");

// The multi-line fields show line breaks as the edit controls keep them (one line feed); stored
// texts keep the carriage return and line feed pairs of the contact file.
QString Shown(const QByteArray& stored, bool bMultiLine) {
    QString text = CText::ToDisplay(stored);
    if (bMultiLine) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    return text;
}

QByteArray Stored(QString text, bool bMultiLine) {
    if (bMultiLine)
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return CText::FromDisplay(text);
}

// Sorts texts alphabetically without regard to case; equal texts keep their order.
void SortWithoutCase(QStringList& items) {
    std::vector<std::pair<QByteArray, QString>> keyed;
    keyed.reserve(size_t(items.size()));
    for (const QString& item : items)
        keyed.emplace_back(CPeopleListModel::TextKey(item), item);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (qsizetype i = 0; i < items.size(); ++i)
        items[i] = std::move(keyed[size_t(i)].second);
}

// The row at which `text` takes its sorted place (after equal texts) among sorted texts.
int SortedPlace(int nFirst, int nCount, const QString& text,
                const std::function<QString(int)>& textAt) {
    const QByteArray key = CPeopleListModel::TextKey(text);
    int lo = nFirst;
    int hi = nCount;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (key < CPeopleListModel::TextKey(textAt(mid)))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// Collects each value once, case ignored, the first one met staying.
class CDistinctTexts {
public:
    void Add(const QByteArray& stored) {
        if (stored.isEmpty() || m_seenBytes.contains(stored))
            return;
        m_seenBytes.insert(stored);
        const QByteArray key = CPeopleListModel::SortKey(stored);
        // Values are the same when only case tells them apart; accents do tell them apart
        // (the sort key sets accents aside, so it cannot decide this for other texts).
        QString text = CText::ToDisplay(stored);
        const bool bAscii = std::all_of(stored.begin(), stored.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        });
        const QByteArray same = bAscii ? key : text.toCaseFolded().toUtf8();
        if (m_seenKeys.contains(same))
            return;
        m_seenKeys.insert(same);
        m_keyed.emplace_back(key, std::move(text));
    }
    // The values, sorted without regard to case.
    QStringList Sorted() {
        std::stable_sort(m_keyed.begin(), m_keyed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QStringList texts;
        texts.reserve(qsizetype(m_keyed.size()));
        for (auto& entry : m_keyed)
            texts.append(std::move(entry.second));
        return texts;
    }

private:
    QSet<QByteArray> m_seenBytes;
    QSet<QByteArray> m_seenKeys;
    std::vector<std::pair<QByteArray, QString>> m_keyed;
};

// Adds a group name to a list of group names at its sorted place; the line keeps the stored bytes.
void AddGroupLine(QListWidget* pList, int nFirst, const QByteArray& name) {
    const QString text = CText::ToDisplay(name);
    const int row = SortedPlace(nFirst, pList->count(), text,
                                [pList](int r) { return pList->item(r)->text(); });
    auto* pItem = new QListWidgetItem(text);
    pItem->setData(Qt::UserRole, name);
    pList->insertItem(row, pItem);
}

// "1 entry shown", "2 entries shown": the number and the words that fit it.
QString Counted(const QString& number, const QString& singular, const QString& plural) {
    return number + QLatin1Char(' ') + (number == QLatin1String("1") ? singular : plural);
}

QLabel* MakeLabel(const QString& text, QWidget* pBuddy, const QString& name,
                  Qt::Alignment align = Qt::AlignRight | Qt::AlignVCenter) {
    auto* pLabel = new QLabel(text);
    pLabel->setObjectName(name);
    pLabel->setAlignment(align);
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    pLabel->setAccessibleName(plain.trimmed());
    if (pBuddy) {
        pLabel->setBuddy(pBuddy);
        pBuddy->setAccessibleName(plain.trimmed());
    }
    return pLabel;
}

} // namespace

void CVornView::TrimLeadingBlanks(QByteArray& text) {
    // Read through the constant bytes: a text that shares its bytes (a whole file's texts may
    // share one block) gets a copy of its own only when it changes.
    const char* p = text.constData();
    qsizetype n = 0;
    while (n < text.size() && (p[n] == ' ' || p[n] == '\t' || p[n] == '\r' || p[n] == '\n' ||
                               p[n] == '\v' || p[n] == '\f'))
        ++n;
    if (n > 0)
        text.remove(0, n);
}

const std::array<CVornView::SField, 9>& CVornView::Fields() {
    static const std::array<SField, 9> fields = {{
        {&CVornView::m_strName, &CPerson::m_strName, false},
        {&CVornView::m_strAddress, &CPerson::m_strAddress, true},
        {&CVornView::m_strCity, &CPerson::m_strCity, false},
        {&CVornView::m_strState, &CPerson::m_strState, false},
        {&CVornView::m_strZip, &CPerson::m_strZip, false},
        {&CVornView::m_strCountry, &CPerson::m_strCountry, false},
        {&CVornView::m_strPhone, &CPerson::m_strPhone, true},
        {&CVornView::m_strNotes, &CPerson::m_strNotes, true},
        {&CVornView::m_strEmail, &CPerson::m_strEmail, false},
    }};
    return fields;
}

CVornView::CVornView(CVornDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
    InitViewResources();
    setObjectName(QStringLiteral("vornView"));
    setAccessibleName(QStringLiteral("Contact form"));
    CSilent silent(m_nSilent);
    CreateControls();
    // Groups, search, edit and clipboard commands
    ConnectGroupsSearchAndClipboard();
    // What the first refresh does once: the spin's range and start, the column width.
    m_spinColumns->setRange(1, 4);
    m_spinColumns->setValue(m_nColumns);
    m_btnCancelSearch->hide();
    ApplyColumnWidth();
    // The list points into the document: empty it before the document deletes its records.
    connect(&m_doc, &CVornDoc::contentsAboutToBeDeleted, this, [this] {
        m_pPeopleModel->Clear();
        m_pShownPerson = nullptr;
    });
}

CVornView::~CVornView() = default;

CVornApp* CVornView::App() const {
    return CVornApp::Instance();
}

// ---------------------------------------------------------------------------------------------
// Building the form

CPictureButton* CVornView::CreateButton(const QString& caption, const QString& name,
                                        const QString& tip, const QKeySequence& shortcut) {
    auto* pButton = new CPictureButton(caption, this);
    pButton->setObjectName(name);
    pButton->setToolTip(tip);
    pButton->setAccessibleName(tip);
    if (!shortcut.isEmpty())
        pButton->setShortcut(shortcut);
    return pButton;
}

QComboBox* CVornView::CreateCombo(const QString& name, const QString& label) {
    auto* pCombo = new QComboBox(this);
    pCombo->setObjectName(name);
    pCombo->setEditable(true);
    pCombo->setAccessibleName(label);
    // The form adds items itself when a field is left; typing never inserts, and no completion
    // changes what the user types.
    pCombo->setInsertPolicy(QComboBox::NoInsert);
    pCombo->setCompleter(nullptr);
    pCombo->setModel(new QStringListModel(pCombo));
    // Sizing to the contents would measure every item, and the lists filled from a large file
    // hold tens of thousands.
    pCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    pCombo->setMinimumContentsLength(6);
    pCombo->setMaxVisibleItems(16);
    if (auto* pView = qobject_cast<QListView*>(pCombo->view()))
        pView->setUniformItemSizes(true);
    pCombo->installEventFilter(this);
    connect(pCombo, &QComboBox::editTextChanged, this, [this] { OnFieldEdited(); });
    return pCombo;
}

void CVornView::CreateControls() {
    // People, Places and Things
    auto* pPeopleBox = new QGroupBox(QStringLiteral("People, Places and Things"), this);
    pPeopleBox->setObjectName(QStringLiteral("groupPeople"));
    pPeopleBox->setAccessibleName(pPeopleBox->title());

    m_editQuickFind = new QLineEdit(this);
    m_editQuickFind->setObjectName(QStringLiteral("editQuickFind"));
    m_editQuickFind->setAccessibleName(QStringLiteral("Quick find"));
    m_editQuickFind->setPlaceholderText(QStringLiteral("Quick find"));
    m_editQuickFind->installEventFilter(this);
    m_editQuickFind->setMaximumWidth(110);
    // Room for a few letters even while "Cancel Search" takes its place in the row.
    m_editQuickFind->setMinimumWidth(
        m_editQuickFind->fontMetrics().horizontalAdvance(QStringLiteral("Quick find")) + 16);
    connect(m_editQuickFind, &QLineEdit::textChanged, this, [this] {
        if (!m_nSilent)
            OnQuickFind();
    });

    auto makeCounter = [this](const QString& name, const QString& accessible) {
        auto* pLabel = new QLabel(QStringLiteral("0"), this);
        pLabel->setObjectName(name);
        pLabel->setAccessibleName(accessible);
        pLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        pLabel->setMinimumWidth(pLabel->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
        pLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        return pLabel;
    };
    m_labelShownPeople = makeCounter(QStringLiteral("labelShownPeople"),
                                     QStringLiteral("Entries in the people list"));
    m_labelTotalPeople =
        makeCounter(QStringLiteral("labelTotalPeople"), QStringLiteral("Entries in the file"));
    m_labelSelectedGroups =
        makeCounter(QStringLiteral("labelSelectedGroups"), QStringLiteral("Selected groups"));
    m_labelTotalGroups =
        makeCounter(QStringLiteral("labelTotalGroups"), QStringLiteral("Groups in the file"));
    auto* pPeopleOf =
        MakeLabel(QStringLiteral("of"), nullptr, QStringLiteral("labelPeopleOf"), Qt::AlignCenter);
    auto* pGroupsOf =
        MakeLabel(QStringLiteral("of"), nullptr, QStringLiteral("labelGroupsOf"), Qt::AlignCenter);
    pPeopleOf->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    pGroupsOf->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    m_btnCancelSearch = new QPushButton(QStringLiteral("&Cancel Search"), this);
    m_btnCancelSearch->setObjectName(QStringLiteral("btnCancelSearch"));
    m_btnCancelSearch->setAccessibleName(QStringLiteral("Cancel Search"));
    // Alt+C belongs to CLEAR: the underlined C of the caption must not claim the key too, or
    // the key would be ambiguous and do nothing while the button shows.
    m_btnCancelSearch->setShortcut(QKeySequence());

    m_btnNew = CreateButton(QStringLiteral("NEW"), QStringLiteral("btnNew"),
                            QStringLiteral("New record (ALT + N)"), Qt::ALT | Qt::Key_N);
    m_btnDelete =
        CreateButton(QStringLiteral("DELETE"), QStringLiteral("btnDelete"),
                     QStringLiteral("Delete these records (ALT + D)"), Qt::ALT | Qt::Key_D);
    m_btnUpdate =
        CreateButton(QStringLiteral("UPDATE"), QStringLiteral("btnUpdate"),
                     QStringLiteral("Commit changes to record (ALT + U)"), Qt::ALT | Qt::Key_U);
    m_btnClear =
        CreateButton(QStringLiteral("CLEAR"), QStringLiteral("btnClear"),
                     QStringLiteral("Prepare screen for search (ALT + C)"), Qt::ALT | Qt::Key_C);
    m_btnFind = CreateButton(QStringLiteral("FIND"), QStringLiteral("btnFind"),
                             QStringLiteral("Search the database (ALT + S)"), Qt::ALT | Qt::Key_S);
    m_btnEmail = CreateButton(QStringLiteral("EMAIL"), QStringLiteral("btnEmail"),
                              QStringLiteral("Send mail to the user account specified in the "
                                             "E-mail field"),
                              Qt::ALT | Qt::Key_M);
    m_btnDial = CreateButton(QStringLiteral("DIAL"), QStringLiteral("btnDial"),
                             QStringLiteral("Dial this phone number"), QKeySequence());
    connect(m_btnNew, &QAbstractButton::clicked, this, &CVornView::ResetForm);
    connect(m_btnUpdate, &QAbstractButton::clicked, this, &CVornView::UpdateEntry);
    connect(m_btnDelete, &QAbstractButton::clicked, this, &CVornView::DeleteEntries);
    // Mail and dialing
    connect(m_btnEmail, &QAbstractButton::clicked, this, &CVornView::OnSendMail);
    connect(m_btnDial, &QAbstractButton::clicked, this, &CVornView::OnDial);

    m_spinColumns = new QSpinBox(this);
    m_spinColumns->setObjectName(QStringLiteral("spinColumns"));
    m_spinColumns->setToolTip(QStringLiteral("Adjust number of columns displayed"));
    m_spinColumns->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_spinColumns->setAccessibleName(m_spinColumns->toolTip());
    connect(m_spinColumns, &QSpinBox::valueChanged, this, [this] {
        if (!m_nSilent)
            OnColumnsChanged();
    });

    m_pPeopleModel = new CPeopleListModel(this);
    m_listPeople = new QListView(this);
    m_listPeople->setObjectName(QStringLiteral("listPeople"));
    m_listPeople->setAccessibleName(pPeopleBox->title());
    m_listPeople->setModel(m_pPeopleModel);
    m_listPeople->setViewMode(QListView::ListMode);
    m_listPeople->setFlow(QListView::TopToBottom);
    m_listPeople->setWrapping(true);
    m_listPeople->setResizeMode(QListView::Adjust);
    m_listPeople->setUniformItemSizes(true);
    m_listPeople->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listPeople->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listPeople->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_listPeople->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_listPeople->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    m_listPeople->setMinimumHeight(m_listPeople->fontMetrics().height() * 8);
    m_listPeople->viewport()->installEventFilter(this);
    connect(m_listPeople->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { OnPeopleSelectionChanged(); });
    connect(m_listPeople, &QAbstractItemView::clicked, this, [this] { OnPeopleClicked(); });
    connect(m_listPeople, &QAbstractItemView::doubleClicked, this, [this] {
        if (!m_nSilent)
            ShowSelectedPerson();
    });

    auto* pPeopleTop = new QHBoxLayout;
    pPeopleTop->setSpacing(3);
    pPeopleTop->addWidget(m_editQuickFind, 1);
    pPeopleTop->addWidget(m_labelShownPeople);
    pPeopleTop->addWidget(pPeopleOf);
    pPeopleTop->addWidget(m_labelTotalPeople);
    pPeopleTop->addSpacing(6);
    // "Cancel Search" shows in the place of NEW, DELETE and UPDATE (search entry disables them),
    // and the place is as wide as the wider of the two: the row, and so the main window, keeps
    // its width when the button comes and goes.
    auto* pRecordTools = new QWidget(this);
    pRecordTools->setObjectName(QStringLiteral("recordTools"));
    auto* pRecordLayout = new QHBoxLayout(pRecordTools);
    pRecordLayout->setContentsMargins(0, 0, 0, 0);
    pRecordLayout->setSpacing(pPeopleTop->spacing());
    pRecordLayout->addWidget(m_btnCancelSearch);
    pRecordLayout->addWidget(m_btnNew);
    pRecordLayout->addWidget(m_btnDelete);
    pRecordLayout->addWidget(m_btnUpdate);
    pRecordLayout->addStretch(1);
    const int nButtonsWidth = m_btnNew->sizeHint().width() + m_btnDelete->sizeHint().width() +
                              m_btnUpdate->sizeHint().width() + 2 * pRecordLayout->spacing();
    pRecordTools->setMinimumWidth(std::max(nButtonsWidth, m_btnCancelSearch->sizeHint().width()));
    m_btnCancelSearch->installEventFilter(this);
    pPeopleTop->addWidget(pRecordTools);
    pPeopleTop->addSpacing(6);
    pPeopleTop->addWidget(m_btnClear);
    pPeopleTop->addWidget(m_btnFind);
    pPeopleTop->addSpacing(6);
    pPeopleTop->addWidget(m_btnEmail);
    pPeopleTop->addWidget(m_btnDial);
    pPeopleTop->addSpacing(6);
    pPeopleTop->addWidget(m_spinColumns);
    auto* pPeopleLayout = new QVBoxLayout(pPeopleBox);
    pPeopleLayout->addLayout(pPeopleTop);
    pPeopleLayout->addWidget(m_listPeople, 1);

    // Groups and Categories
    auto* pGroupsBox = new QGroupBox(QStringLiteral("Groups and Categories"), this);
    pGroupsBox->setObjectName(QStringLiteral("groupGroups"));
    pGroupsBox->setAccessibleName(pGroupsBox->title());
    m_btnNewGroup = CreateButton(QStringLiteral("NEWG"), QStringLiteral("btnNewGroup"),
                                 QStringLiteral("Add a new group (ALT + G)"), Qt::ALT | Qt::Key_G);
    m_btnRenameGroup =
        CreateButton(QStringLiteral("RENAME"), QStringLiteral("btnRenameGroup"),
                     QStringLiteral("Rename the current group (ALT + R)"), Qt::ALT | Qt::Key_R);
    m_btnDeleteGroup =
        CreateButton(QStringLiteral("DELETEG"), QStringLiteral("btnDeleteGroup"),
                     QStringLiteral("Delete the current group (ALT + L)"), Qt::ALT | Qt::Key_L);
    m_listGroups = new QListWidget(this);
    m_listGroups->setObjectName(QStringLiteral("listGroups"));
    m_listGroups->setAccessibleName(pGroupsBox->title());
    m_listGroups->setSelectionMode(QAbstractItemView::MultiSelection);
    m_listGroups->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* pGroupsTop = new QHBoxLayout;
    pGroupsTop->setSpacing(3);
    pGroupsTop->addWidget(m_labelSelectedGroups);
    pGroupsTop->addWidget(pGroupsOf);
    pGroupsTop->addWidget(m_labelTotalGroups);
    pGroupsTop->addStretch(1);
    pGroupsTop->addWidget(m_btnNewGroup);
    pGroupsTop->addWidget(m_btnRenameGroup);
    pGroupsTop->addWidget(m_btnDeleteGroup);
    auto* pGroupsLayout = new QVBoxLayout(pGroupsBox);
    pGroupsLayout->addLayout(pGroupsTop);
    pGroupsLayout->addWidget(m_listGroups, 1);

    // Personal Information
    auto* pPersonalBox = new QGroupBox(QStringLiteral("Personal Information"), this);
    pPersonalBox->setObjectName(QStringLiteral("groupPersonal"));
    pPersonalBox->setAccessibleName(pPersonalBox->title());

    m_editName = new QLineEdit(this);
    m_editName->setObjectName(QStringLiteral("editName"));
    m_editName->installEventFilter(this);
    connect(m_editName, &QLineEdit::textChanged, this, [this] { OnFieldEdited(); });

    auto makeMultiLine = [this](const QString& name) {
        auto* pEdit = new QPlainTextEdit(this);
        pEdit->setObjectName(name);
        pEdit->setTabChangesFocus(true);
        pEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        pEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        pEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        pEdit->installEventFilter(this);
        connect(pEdit, &QPlainTextEdit::textChanged, this, [this] { OnFieldEdited(); });
        return pEdit;
    };
    m_editAddress = makeMultiLine(QStringLiteral("editAddress"));
    m_editPhone = makeMultiLine(QStringLiteral("editPhone"));
    m_editNotes = makeMultiLine(QStringLiteral("editNotes"));
    const int lineHeight = m_editName->sizeHint().height();
    m_editAddress->setFixedHeight(lineHeight * 2);
    m_editNotes->setMinimumHeight(lineHeight * 2);
    m_editPhone->setMinimumHeight(lineHeight * 2);

    m_comboCity = CreateCombo(QStringLiteral("comboCity"), QStringLiteral("City"));
    m_comboZip = CreateCombo(QStringLiteral("comboZip"), QStringLiteral("ZIP/ Postal"));
    m_comboState = CreateCombo(QStringLiteral("comboState"), QStringLiteral("State/ Province"));
    m_comboCountry = CreateCombo(QStringLiteral("comboCountry"), QStringLiteral("Country"));
    QStringList states = CPlaceLists::States();
    SortWithoutCase(states);
    SetComboItems(m_comboState, states);
    QStringList countries = CPlaceLists::Countries();
    SortWithoutCase(countries);
    SetComboItems(m_comboCountry, countries);

    m_editEmail = new QLineEdit(this);
    m_editEmail->setObjectName(QStringLiteral("editEmail"));
    m_editEmail->installEventFilter(this);
    connect(m_editEmail, &QLineEdit::textChanged, this, [this] { OnFieldEdited(); });

    m_listMemberOf = new QListWidget(this);
    m_listMemberOf->setObjectName(QStringLiteral("listMemberOf"));
    m_listMemberOf->setSelectionMode(QAbstractItemView::MultiSelection);
    m_listMemberOf->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_listMemberOf, &QListWidget::itemSelectionChanged, this, [this] { OnFieldEdited(); });

    m_labelNotes = MakeLabel(CText::ToDisplay(CNotesLabel::DefaultLabel()), m_editNotes,
                             QStringLiteral("labelNotes"), Qt::AlignRight | Qt::AlignTop);
    m_labelNotes->setWordWrap(true);

    auto* pGrid = new QGridLayout(pPersonalBox);
    pGrid->setHorizontalSpacing(6);
    pGrid->setVerticalSpacing(4);
    const Qt::Alignment topRight = Qt::AlignRight | Qt::AlignTop;
    pGrid->addWidget(MakeLabel(QStringLiteral("Name"), m_editName, QStringLiteral("labelName")), 0,
                     0);
    pGrid->addWidget(m_editName, 0, 1, 1, 3);
    pGrid->addWidget(MakeLabel(QStringLiteral("Address"), m_editAddress,
                               QStringLiteral("labelAddress"), topRight),
                     1, 0);
    pGrid->addWidget(m_editAddress, 1, 1, 1, 3);
    pGrid->addWidget(MakeLabel(QStringLiteral("City"), m_comboCity, QStringLiteral("labelCity")), 2,
                     0);
    pGrid->addWidget(m_comboCity, 2, 1);
    pGrid->addWidget(
        MakeLabel(QStringLiteral("ZIP/ Postal"), m_comboZip, QStringLiteral("labelZip")), 2, 2);
    pGrid->addWidget(m_comboZip, 2, 3);
    pGrid->addWidget(
        MakeLabel(QStringLiteral("State/ Province"), m_comboState, QStringLiteral("labelState")), 3,
        0);
    pGrid->addWidget(m_comboState, 3, 1);
    pGrid->addWidget(
        MakeLabel(QStringLiteral("Country"), m_comboCountry, QStringLiteral("labelCountry")), 3, 2);
    pGrid->addWidget(m_comboCountry, 3, 3);
    pGrid->addWidget(MakeLabel(QStringLiteral("E-mail"), m_editEmail, QStringLiteral("labelEmail")),
                     4, 0);
    pGrid->addWidget(m_editEmail, 4, 1, 1, 3);
    pGrid->addWidget(m_labelNotes, 5, 0);
    pGrid->addWidget(m_editNotes, 5, 1, 1, 3);
    pGrid->addWidget(MakeLabel(QStringLiteral("   Groups belonged to"), m_listMemberOf,
                               QStringLiteral("labelMemberOf"), Qt::AlignLeft | Qt::AlignBottom),
                     0, 4);
    pGrid->addWidget(m_listMemberOf, 1, 4, 3, 1);
    pGrid->addWidget(MakeLabel(QStringLiteral("Phone"), m_editPhone, QStringLiteral("labelPhone"),
                               Qt::AlignLeft | Qt::AlignBottom),
                     4, 4);
    pGrid->addWidget(m_editPhone, 5, 4);
    pGrid->setRowStretch(5, 1);
    pGrid->setColumnStretch(1, 3);
    pGrid->setColumnStretch(3, 3);
    pGrid->setColumnStretch(4, 3);

    // The form: the two list boxes side by side above the entry, as wide as 242 to 110.
    auto* pTop = new QHBoxLayout;
    pTop->addWidget(pPeopleBox, 242);
    pTop->addWidget(pGroupsBox, 110);
    auto* pForm = new QVBoxLayout(this);
    pForm->setContentsMargins(6, 6, 6, 6);
    pForm->addLayout(pTop, 1);
    pForm->addWidget(pPersonalBox, 0);

    // Reading order: the people list with its tools, the groups, then the entry's fields.
    const QList<QWidget*> order = {
        m_editQuickFind, m_btnCancelSearch, m_btnNew,         m_btnDelete,      m_btnUpdate,
        m_btnClear,      m_btnFind,         m_btnEmail,       m_btnDial,        m_spinColumns,
        m_listPeople,    m_btnNewGroup,     m_btnRenameGroup, m_btnDeleteGroup, m_listGroups,
        m_editName,      m_editAddress,     m_comboCity,      m_comboZip,       m_comboState,
        m_comboCountry,  m_editEmail,       m_editNotes,      m_listMemberOf,   m_editPhone};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

// ---------------------------------------------------------------------------------------------
// The main window's commands

void CVornView::ConnectCommands(const QHash<int, QAction*>& actions) {
    // Each menu item stands for a picture button: it runs what the button runs and is enabled
    // exactly when the button is.
    const std::pair<int, CPictureButton*> pairs[] = {
        {CommandId::ActionNewRecord, m_btnNew},
        {CommandId::ActionCommit, m_btnUpdate},
        {CommandId::ActionDelete, m_btnDelete},
        {CommandId::ActionPrepareSearch, m_btnClear},
        {CommandId::ActionSearch, m_btnFind},
        {CommandId::ActionAddGroup, m_btnNewGroup},
        {CommandId::ActionRenameGroup, m_btnRenameGroup},
        {CommandId::ActionDeleteGroup, m_btnDeleteGroup},
        {CommandId::FileSendMail, m_btnEmail},
        {CommandId::ActionPlaceCall, m_btnDial},
        // The main window's accelerators for the buttons: with these connected each Alt key
        // has one owner, the action, which clicks the button.
        {CommandId::ButtonNewRecord, m_btnNew},
        {CommandId::ButtonCommit, m_btnUpdate},
        {CommandId::ButtonDelete, m_btnDelete},
        {CommandId::ButtonPrepareSearch, m_btnClear},
        {CommandId::ButtonSearch, m_btnFind},
        {CommandId::ButtonSendMail, m_btnEmail},
        {CommandId::ButtonNewGroup, m_btnNewGroup},
        {CommandId::ButtonRenameGroup, m_btnRenameGroup},
        {CommandId::ButtonDeleteGroup, m_btnDeleteGroup},
    };
    for (const auto& [id, pButton] : pairs) {
        QAction* pAction = actions.value(id);
        if (!pAction)
            continue;
        CPictureButton* button = pButton;
        connect(pAction, &QAction::triggered, button, [button] { button->click(); });
        connect(button, &CPictureButton::enabledChanged, pAction, &QAction::setEnabled);
        pAction->setEnabled(!button->testAttribute(Qt::WA_Disabled));
        // When the main window gives the action the button's Alt key, one of the two must go,
        // or the key would be ambiguous and do nothing.
        if (!button->shortcut().isEmpty() && pAction->shortcuts().contains(button->shortcut()))
            button->setShortcut(QKeySequence());
    }
    if (QAction* pProperties = actions.value(CommandId::EditProperties)) {
        pProperties->setEnabled(true);
        connect(pProperties, &QAction::triggered, this, &CVornView::OnProperties);
    }
    // Report, printing and import launch
    ConnectOutputCommands(actions);
    // Export and Add From File
    ConnectExchangeCommands(actions);
    // Edit and clipboard commands
    ConnectEditCommands(actions);
    // Find Duplicates
    ConnectDuplicateCommands(actions);
    ConnectUndoCommands(actions);
#ifdef VELLOBY_HAS_SYNC
    // Synchronize and Synchronize Now
    ConnectSyncCommands(actions);
#endif
}

void CVornView::OnProperties() {
    CAddrPropertySheet::Run(window());
    // The form shows the label text whatever the flag says.
    if (CVornApp* pApp = App())
        m_strNotesLabel = CText::ToDisplay(pApp->m_strCustomLabel);
    WriteForm();
}

// ---------------------------------------------------------------------------------------------
// Data exchange

void CVornView::ReadForm() {
    m_strName = m_editName->text();
    m_strAddress = m_editAddress->toPlainText();
    m_strCity = m_comboCity->currentText();
    m_strState = m_comboState->currentText();
    m_strZip = m_comboZip->currentText();
    m_strCountry = m_comboCountry->currentText();
    m_strPhone = m_editPhone->toPlainText();
    m_strNotes = m_editNotes->toPlainText();
    m_strEmail = m_editEmail->text();
    m_strQuickFind = m_editQuickFind->text();
    m_nColumns = std::clamp(m_spinColumns->value(), 1, 4);
}

void CVornView::WriteForm() {
    CSilent silent(m_nSilent);
    // Only what differs is written, so the cursor of the field being typed in stays put. A text
    // the form puts into a box without the focus shows its start, however long it is ("United
    // Kingdom (Great Britain and Northern Ireland)" in a narrow Country box).
    auto setLine = [](QLineEdit* pEdit, const QString& text) {
        if (pEdit->text() != text)
            pEdit->setText(text);
    };
    auto setText = [](QPlainTextEdit* pEdit, const QString& text) {
        if (pEdit->toPlainText() != text)
            pEdit->setPlainText(text);
    };
    auto setCombo = [](QComboBox* pCombo, const QString& text) {
        if (pCombo->currentText() != text) {
            pCombo->setEditText(text);
            if (pCombo->lineEdit() && !pCombo->hasFocus())
                pCombo->lineEdit()->setCursorPosition(0);
        }
    };
    // A screen reader reads a counter by its accessible name, so the name carries the value.
    auto setCounter = [](QLabel* pLabel, const QString& value, const QString& name) {
        const QString text = value.isEmpty() ? QStringLiteral("0") : value;
        if (pLabel->text() != text)
            pLabel->setText(text);
        if (pLabel->accessibleName() != name)
            pLabel->setAccessibleName(name);
    };
    setLine(m_editName, m_strName);
    setText(m_editAddress, m_strAddress);
    setCombo(m_comboCity, m_strCity);
    setCombo(m_comboState, m_strState);
    setCombo(m_comboZip, m_strZip);
    setCombo(m_comboCountry, m_strCountry);
    setText(m_editPhone, m_strPhone);
    setText(m_editNotes, m_strNotes);
    setLine(m_editEmail, m_strEmail);
    setLine(m_editQuickFind, m_strQuickFind);
    const QString totalPeople = m_strTotalPeople.isEmpty() ? QStringLiteral("0") : m_strTotalPeople;
    const QString shownPeople = m_strShownPeople.isEmpty() ? QStringLiteral("0") : m_strShownPeople;
    const QString totalGroups = m_strTotalGroups.isEmpty() ? QStringLiteral("0") : m_strTotalGroups;
    const QString selectedGroups =
        m_strSelectedGroups.isEmpty() ? QStringLiteral("0") : m_strSelectedGroups;
    setCounter(m_labelTotalPeople, totalPeople,
               Counted(totalPeople, QStringLiteral("entry in the file"),
                       QStringLiteral("entries in the file")));
    setCounter(
        m_labelShownPeople, shownPeople,
        shownPeople + QStringLiteral(" of ") +
            Counted(totalPeople, QStringLiteral("entry shown"), QStringLiteral("entries shown")));
    setCounter(m_labelTotalGroups, totalGroups,
               Counted(totalGroups, QStringLiteral("group in the file"),
                       QStringLiteral("groups in the file")));
    setCounter(m_labelSelectedGroups, selectedGroups,
               selectedGroups + QStringLiteral(" of ") +
                   Counted(totalGroups, QStringLiteral("group selected"),
                           QStringLiteral("groups selected")));
    if (!m_strNotesLabel.isEmpty() && m_labelNotes->text() != m_strNotesLabel) {
        m_labelNotes->setText(m_strNotesLabel);
        m_labelNotes->setAccessibleName(m_strNotesLabel);
        m_editNotes->setAccessibleName(m_strNotesLabel);
    }
    m_nColumns = std::clamp(m_nColumns, 1, 4);
    if (m_spinColumns->value() != m_nColumns)
        m_spinColumns->setValue(m_nColumns);
}

void CVornView::TakeSnapshot() {
    ReadForm();
    const auto& fields = Fields();
    for (size_t i = 0; i < fields.size(); ++i)
        m_shownTexts[i] = this->*fields[i].pText;
}

bool CVornView::HasEditsBesidesName() {
    if (!m_pShownPerson)
        return false;
    const auto& fields = Fields();
    for (size_t i = 1; i < fields.size(); ++i) {
        if (this->*fields[i].pText != m_shownTexts[i])
            return true;
    }
    QList<int> selected;
    for (int row = 0; row < m_listMemberOf->count(); ++row) {
        if (m_listMemberOf->item(row)->isSelected())
            selected.append(row);
    }
    return selected != MemberOfRowsFor(*m_pShownPerson);
}

// ---------------------------------------------------------------------------------------------
// Routines every command uses

void CVornView::ClearFields() {
    for (const SField& field : Fields())
        (this->*field.pText).clear();
    DeselectMemberOf();
}

void CVornView::DeselectMemberOf() {
    CSilent silent(m_nSilent);
    m_listMemberOf->clearSelection();
}

QList<int> CVornView::MemberOfRowsFor(const CPerson& person) const {
    QList<int> rows;
    for (const QByteArray& group : person.m_groups) {
        // The line of exactly that name comes first: two groups may differ only in case.
        const int row = MemberOfRowOf(group);
        if (row >= 0 && !rows.contains(row))
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CVornView::FieldsToPerson(CPerson& person) {
    // A field the user left alone keeps the record's bytes exactly, whatever the control made of
    // them; only a changed text is stored anew (as UTF-8).
    const bool bShown = &person == m_pShownPerson;
    const auto& fields = Fields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const QString& text = this->*fields[i].pText;
        QByteArray& stored = person.*fields[i].pStored;
        if (bShown && text == m_shownTexts[i])
            continue;
        if (text == Shown(stored, fields[i].bMultiLine))
            continue;
        stored = Stored(text, fields[i].bMultiLine);
    }
    QList<int> selected;
    for (int row = 0; row < m_listMemberOf->count(); ++row) {
        if (m_listMemberOf->item(row)->isSelected())
            selected.append(row);
    }
    // Unchanged memberships keep the record's own list, its order and any name the list lacks.
    if (bShown && selected == MemberOfRowsFor(person))
        return;
    person.m_groups.clear();
    for (int row : selected)
        person.m_groups.append(m_listMemberOf->item(row)->data(Qt::UserRole).toByteArray());
}

void CVornView::PersonToFields(const CPerson& person) {
    for (const SField& field : Fields())
        this->*field.pText = Shown(person.*field.pStored, field.bMultiLine);
    DeselectMemberOf();
    {
        CSilent silent(m_nSilent);
        for (int row : MemberOfRowsFor(person))
            m_listMemberOf->setCurrentRow(row, QItemSelectionModel::Select);
    }
    WriteForm();
    m_bChanged = false;
}

void CVornView::UpdateButtons() {
    ReadForm();
    if (m_bSearchEntry) {
        m_btnNew->setEnabled(false);
        m_btnDelete->setEnabled(false);
        m_btnUpdate->setEnabled(false);
        DeselectAllPeople();
    } else {
        switch (m_nEditMode) {
        case ModeBlank:
            m_btnUpdate->setEnabled(!m_strName.isEmpty());
            m_btnDelete->setEnabled(false);
            m_btnNew->setEnabled(true);
            break;
        case ModeEdited:
            m_btnUpdate->setEnabled(!m_strName.isEmpty() && m_bChanged);
            m_btnDelete->setEnabled(true);
            m_btnNew->setEnabled(true);
            break;
        case ModeShown:
            // The first change of a shown entry. A change made while the Name field is empty
            // counts too, so that moving away or closing asks about it rather than drop it; the
            // update then keeps the entry's name.
            if (m_bChanged && (!m_strName.isEmpty() || HasEditsBesidesName())) {
                m_nEditMode = ModeEdited;
                m_btnUpdate->setEnabled(!m_strName.isEmpty());
                m_btnDelete->setEnabled(false);
            } else {
                m_btnUpdate->setEnabled(false);
                m_btnDelete->setEnabled(true);
            }
            m_btnNew->setEnabled(true);
            break;
        default:
            break;
        }
        const bool bLines = m_pPeopleModel->Count() > 0;
        m_btnClear->setEnabled(bLines);
        m_btnFind->setEnabled(bLines);
        if (bLines)
            SelectCaretLine();
    }
    m_btnEmail->setEnabled(!m_strEmail.isEmpty());
    m_btnDial->setEnabled(!m_strPhone.isEmpty());
}

void CVornView::UpdateCounters() {
    m_strTotalPeople = QString::number(m_doc.m_personList.size());
    m_strShownPeople = QString::number(m_pPeopleModel->Count());
    m_strTotalGroups = QString::number(m_doc.m_groupList.size());
    const QListWidgetItem* pCaret = m_listGroups->currentItem();
    const QString caret = pCaret ? pCaret->text() : QString();
    if (pCaret && m_listGroups->row(pCaret) == 0 && caret == kAllGroups)
        m_strSelectedGroups = m_strTotalGroups;
    else if (pCaret && m_listGroups->row(pCaret) == 1 && caret == kNotCategorized)
        m_strSelectedGroups = QStringLiteral("0");
    else
        m_strSelectedGroups = QString::number(m_listGroups->selectedItems().size());
}

// ---------------------------------------------------------------------------------------------
// The people list's caret line and selection

int CVornView::CaretLine() const {
    const QModelIndex current = m_listPeople->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void CVornView::SetCaretLine(int row, bool bClearSelection) {
    if (row < 0 || row >= m_pPeopleModel->Count())
        return;
    CSilent silent(m_nSilent);
    const QModelIndex index = m_pPeopleModel->index(row);
    m_listPeople->selectionModel()->setCurrentIndex(
        index, bClearSelection ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Select);
    m_listPeople->scrollTo(index);
}

void CVornView::SelectCaretLine() {
    const QModelIndex current = m_listPeople->currentIndex();
    if (!current.isValid() || m_listPeople->selectionModel()->isSelected(current))
        return;
    CSilent silent(m_nSilent);
    m_listPeople->selectionModel()->select(current, QItemSelectionModel::Select);
}

void CVornView::DeselectAllPeople() {
    CSilent silent(m_nSilent);
    m_listPeople->selectionModel()->clearSelection();
}

std::vector<int> CVornView::SelectedLines() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : m_listPeople->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int CVornView::SelectedLineCount() const {
    int count = 0;
    for (const QItemSelectionRange& range : m_listPeople->selectionModel()->selection())
        count += range.height();
    return count;
}

// ---------------------------------------------------------------------------------------------
// Refresh

void CVornView::OnInitialUpdate() {
    OnUpdate();
    // After a file is created or opened no field offers an earlier value.
    m_strLastCity.clear();
    m_strLastState.clear();
    m_strLastZip.clear();
    m_strLastCountry.clear();
    const QByteArray& label = App() ? App()->m_strCustomLabel : m_doc.Label().m_strCustomLabel;
    m_strNotesLabel = CText::ToDisplay(label.isEmpty() ? CNotesLabel::DefaultLabel() : label);
    m_nShownIndex = 0;
    WriteForm();
}

void CVornView::OnUpdate() {
    ClearFields();
    m_strQuickFind.clear();
    WriteForm();
    m_bChanged = false;
    m_bSearchEntry = false;

    m_btnCancelSearch->hide();
    m_bUpdateFromPrompt = false;
    m_pShownPerson = nullptr;

    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct CRestoreCursor {
            ~CRestoreCursor() { QApplication::restoreOverrideCursor(); }
        } restore;

        // Records without a name are dropped; names lose their leading blanks in the record.
        std::vector<CPerson*> people;
        std::vector<CPerson*> nameless;
        people.reserve(m_doc.m_personList.size());
        m_pendingCities.Clear();
        m_pendingZips.Clear();
        // Room for values of usual length, so the bytes are not copied as they grow (only the
        // pages written to take memory).
        m_pendingCities.m_strBytes.reserve(m_doc.m_personList.size() * kPendingBytesPerValue);
        m_pendingZips.m_strBytes.reserve(m_doc.m_personList.size() * kPendingBytesPerValue);
        for (const auto& pPerson : m_doc.m_personList) {
            if (pPerson->m_strName.isEmpty()) {
                nameless.push_back(pPerson.get());
                continue;
            }
            TrimLeadingBlanks(pPerson->m_strName);
            if (!pPerson->m_strName.isEmpty())
                people.push_back(pPerson.get());
            if (!pPerson->m_strCity.isEmpty())
                m_pendingCities.Add(pPerson->m_strCity);
            if (!pPerson->m_strZip.isEmpty())
                m_pendingZips.Add(pPerson->m_strZip);
        }
        CSilent silent(m_nSilent);
        // One reset replaces every line (a screen reader hears of one change, not of each
        // line), before any record the old lines point at is dropped.
        m_pPeopleModel->Reset(people);
        if (!nameless.empty()) {
            std::sort(nameless.begin(), nameless.end());
            std::erase_if(m_doc.m_personList, [&nameless](const std::unique_ptr<CPerson>& p) {
                return std::binary_search(nameless.begin(), nameless.end(), p.get());
            });
        }
        SetComboItems(m_comboCity, {});
        SetComboItems(m_comboZip, {});
        m_bCityListPending = true;
        m_bZipListPending = true;
    }

    FillGroupLists();

    if (m_pPeopleModel->Count() > 0) {
        SetCaretLine(0, true);
        ShowSelectedPerson();
        ReadForm();
        m_strLastCity = m_strCity;
        m_strLastState = m_strState;
        m_strLastZip = m_strZip;
        m_strLastCountry = m_strCountry;
        m_nEditMode = ModeShown;
    } else {
        m_nEditMode = ModeBlank;
    }

    UpdateButtons();
    FocusName();
    UpdateCounters();
    // Only a pseudo-group is picked now.
    m_btnDeleteGroup->setEnabled(false);
    m_btnRenameGroup->setEnabled(false);
    WriteForm();
}

void CVornView::FillGroupLists() {
    CSilent silent(m_nSilent);
    m_listMemberOf->clear();
    m_listGroups->clear();
    m_listGroups->addItem(kAllGroups);
    m_listGroups->addItem(kNotCategorized);
    m_listGroups->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    // The two pseudo-groups stay the first two lines whatever the names are.
    for (const QByteArray& name : m_doc.m_groupList) {
        AddGroupLine(m_listGroups, 2, name);
        AddGroupLine(m_listMemberOf, 0, name);
    }
}

void CVornView::SetComboItems(QComboBox* pCombo, QStringList items) {
    CSilent silent(m_nSilent);
    const QString text = pCombo->currentText();
    static_cast<QStringListModel*>(pCombo->model())->setStringList(std::move(items));
    pCombo->setCurrentIndex(-1);
    pCombo->setEditText(text);
}

void CVornView::SPendingTexts::Add(const QByteArray& text) {
    // Adding a value again adds nothing to the list, so a value seen lately (the same bytes in
    // memory) is skipped, as is one equal to the value before it (files often hold runs of
    // entries from one place).
    const char* p = text.constData();
    const auto length = size_t(text.size());
    const size_t slot = (reinterpret_cast<quintptr>(p) >> 4) % m_recent.size();
    if (m_recent[slot] == std::make_pair(p, text.size()))
        return;
    if (!m_strBytes.empty() && m_nLastLength == length &&
        std::memcmp(m_strBytes.data() + m_nLastStart, p, length) == 0)
        return;
    // Lengths take four bytes at most; longer values (no real file) are left out of the list.
    if (length > std::numeric_limits<quint32>::max())
        return;
    m_recent[slot] = {p, text.size()};
    if (length < 0xFF) {
        m_strBytes.push_back(char(length));
    } else {
        const auto value = quint32(length);
        const char prefix[5] = {char(0xFF), char(value & 0xFF), char((value >> 8) & 0xFF),
                                char((value >> 16) & 0xFF), char(value >> 24)};
        m_strBytes.append(prefix, sizeof prefix);
    }
    m_nLastStart = m_strBytes.size();
    m_nLastLength = length;
    m_strBytes.append(p, length);
}

template <typename Fn> void CVornView::SPendingTexts::ForEach(Fn fn) const {
    const auto* p = reinterpret_cast<const unsigned char*>(m_strBytes.data());
    const unsigned char* const pEnd = p + m_strBytes.size();
    while (p < pEnd) {
        size_t length = *p++;
        if (length == 0xFF) {
            length =
                size_t(p[0]) | (size_t(p[1]) << 8) | (size_t(p[2]) << 16) | (size_t(p[3]) << 24);
            p += 4;
        }
        fn(reinterpret_cast<const char*>(p), length);
        p += length;
    }
}

void CVornView::SPendingTexts::Clear() {
    m_strBytes = std::string();
    m_nLastStart = 0;
    m_nLastLength = 0;
    m_recent.fill({nullptr, 0});
}

void CVornView::EnsureDataList(QComboBox* pCombo) {
    bool& bPending = pCombo == m_comboCity ? m_bCityListPending : m_bZipListPending;
    SPendingTexts& values = pCombo == m_comboCity ? m_pendingCities : m_pendingZips;
    if ((pCombo != m_comboCity && pCombo != m_comboZip) || !bPending)
        return;
    bPending = false;
    QStringList items;
    {
        // The texts point into the pending buffer, which outlives them: it is freed below, after
        // the last of them is gone with `distinct`.
        CDistinctTexts distinct;
        values.ForEach([&distinct](const char* p, size_t length) {
            distinct.Add(QByteArray::fromRawData(p, qsizetype(length)));
        });
        items = distinct.Sorted();
    }
    values.Clear();
    SetComboItems(pCombo, std::move(items));
}

bool CVornView::ComboHasItem(QComboBox* pCombo, const QString& text) {
    // MatchFixedString compares whole texts, case ignored.
    return pCombo->findText(text, Qt::MatchFixedString) >= 0;
}

void CVornView::AddComboItem(QComboBox* pCombo, const QString& text) {
    EnsureDataList(pCombo);
    CSilent silent(m_nSilent);
    const QString current = pCombo->currentText();
    auto* pModel = static_cast<QStringListModel*>(pCombo->model());
    const QStringList& items = pModel->stringList();
    const int row = SortedPlace(0, int(items.size()), text, [&items](int r) { return items[r]; });
    pModel->insertRows(row, 1);
    pModel->setData(pModel->index(row), text);
    pCombo->setEditText(current);
}

// ---------------------------------------------------------------------------------------------
// Quick find and columns

void CVornView::OnQuickFind() {
    ReadForm();
    // Every line begins with an empty text: emptying the box goes back to the first line.
    const int row = m_pPeopleModel->FindPrefix(m_strQuickFind);
    if (row < 0)
        return;
    SetCaretLine(row, true);
    ShowSelectedPerson();
}

void CVornView::OnColumnsChanged() {
    ReadForm();
    const int caret = CaretLine();
    ApplyColumnWidth();
    m_listPeople->setFocus(Qt::OtherFocusReason);
    if (caret >= 0) {
        CSilent silent(m_nSilent);
        const QModelIndex index = m_pPeopleModel->index(caret);
        m_listPeople->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        m_listPeople->scrollTo(index);
    }
}

void CVornView::KeepCaretVisible() {
    m_bCaretScrollPending = false;
    const QModelIndex current = m_listPeople->currentIndex();
    // Asking for the line's place finishes a pending layout first.
    if (current.isValid())
        m_listPeople->scrollTo(current);
}

void CVornView::ApplyColumnWidth() {
    // Columns of equal width: the list's width divided by the number of columns.
    const int width = std::max(1, m_listPeople->viewport()->width() / std::max(1, m_nColumns));
    const int height = m_listPeople->fontMetrics().height() + 2;
    if (m_listPeople->gridSize() != QSize(width, height))
        m_listPeople->setGridSize(QSize(width, height));
}

bool CVornView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_listPeople->viewport()) {
        if (event->type() == QEvent::Resize) {
            ApplyColumnWidth();
            // The list lays its lines out anew for its new size (a moment later); then the caret
            // line is brought back into view.
            if (!m_bCaretScrollPending) {
                m_bCaretScrollPending = true;
                QMetaObject::invokeMethod(this, &CVornView::KeepCaretVisible, Qt::QueuedConnection);
            }
        }
        return QWidget::eventFilter(watched, event);
    }
    if (watched == m_btnCancelSearch) {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
            // "Cancel Search" takes the place of the three buttons it covers.
            const bool bCancelShown = event->type() == QEvent::ShowToParent;
            for (QWidget* pButton :
                 {static_cast<QWidget*>(m_btnNew), static_cast<QWidget*>(m_btnDelete),
                  static_cast<QWidget*>(m_btnUpdate)})
                pButton->setVisible(!bCancelShown);
        }
        return QWidget::eventFilter(watched, event);
    }
    if ((event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) &&
        static_cast<QFocusEvent*>(event)->reason() == Qt::MenuBarFocusReason) {
        // The menu bar takes the keyboard focus while a menu opened from the keyboard (Alt+E,
        // F10) is open. For the field that is no leaving: it keeps its selection for the Edit
        // commands and its value stays unjudged, just as when a menu is opened with the mouse.
        QFocusEvent popupFocus(event->type(), Qt::PopupFocusReason);
        QCoreApplication::sendEvent(watched, &popupFocus);
        return true;
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress) {
        if (auto* pCombo = qobject_cast<QComboBox*>(watched))
            EnsureDataList(pCombo);
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        // Focus that only moves to a drop-down list or another window is not leaving the field.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            // A box the user leaves shows the start of its text again.
            auto* pCombo = qobject_cast<QComboBox*>(watched);
            if (event->type() == QEvent::FocusOut && pCombo && pCombo->lineEdit())
                pCombo->lineEdit()->setCursorPosition(0);
        }
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && !m_nSilent) {
            if (event->type() == QEvent::FocusIn)
                OnFieldFocusIn(static_cast<QWidget*>(watched));
            else
                OnFieldFocusOut(static_cast<QWidget*>(watched));
        }
    }
    return QWidget::eventFilter(watched, event);
}
