#include "CImportMapDlg.h"

#include "CImportProgressDlg.h"
#include "CText.h"

#include <QApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* Named(T* widget, const char* name, const QString& accessible) {
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

QString Plain(const QString& text) {
    QString plain = text;
    return plain.remove(QLatin1Char('&'));
}

// Shows the wait cursor for its lifetime.
struct CWaitCursor {
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
};

QLabel* WrappedLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = Named(new QLabel(text, parent), name, text);
    label->setWordWrap(true);
    return label;
}

} // namespace

CImportMapDlg::CImportMapDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("importMapDlg"));
    setAccessibleName(QStringLiteral("Map fields"));
    setWindowTitle(QStringLiteral("Map fields"));

    auto* intro = WrappedLabel(
        QStringLiteral("Click on a field in the \"From\" listbox, then select the matching field "
                       "in the \"To\" Listbox.  If all records are to be mapped in the same way, "
                       "click the \"Process All Records\" checkbox.  Otherwise, you may format "
                       "each record separately."),
        "introLabel", this);

    auto* fromLabel = Named(new QLabel(QStringLiteral("Map From"), this), "fromLabel",
                            QStringLiteral("Map From"));
    auto* recordLabel =
        Named(new QLabel(QStringLiteral("Record"), this), "recordLabel", QStringLiteral("Record"));
    m_labelRecordNo = Named(new QLabel(this), "recordNoLabel", QStringLiteral("Record number"));
    m_labelRecordNo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* ofLabel = Named(new QLabel(QStringLiteral("of"), this), "ofLabel", QStringLiteral("of"));
    m_labelRecordCount =
        Named(new QLabel(this), "recordCountLabel", QStringLiteral("Number of records"));
    m_listFrom = Named(new QListWidget(this), "fromList", QStringLiteral("Map From"));
    m_listFrom->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listFrom->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_listFrom->setMinimumWidth(200);
    fromLabel->setBuddy(m_listFrom);

    m_btnPrevious = Named(new QPushButton(QStringLiteral("<< &Previous"), this), "previousButton",
                          QStringLiteral("Previous"));
    m_btnNext = Named(new QPushButton(QStringLiteral("&Next >>"), this), "nextButton",
                      QStringLiteral("Next"));

    auto* toLabel = Named(new QLabel(QStringLiteral("To"), this), "toLabel", QStringLiteral("To"));
    m_listTo = Named(new QListWidget(this), "toList", QStringLiteral("To"));
    m_listTo->setSelectionMode(QAbstractItemView::SingleSelection);
    for (unsigned target = 0; target < CFieldMapper::kTargetCount; ++target)
        m_listTo->addItem(CFieldMapper::TargetText(target));
    m_listTo->setMinimumWidth(m_listTo->fontMetrics().horizontalAdvance(
                                  CFieldMapper::TargetText(CFieldMapper::kCityStateZip)) +
                              40);
    m_listTo->viewport()->installEventFilter(this);
    toLabel->setBuddy(m_listTo);

    auto line = [&](const char* name, const QString& label) {
        auto* edit = Named(new QLineEdit(this), name, label);
        return edit;
    };
    auto box = [&](const char* name, const QString& label) {
        auto* edit = Named(new QPlainTextEdit(this), name, label);
        edit->setTabChangesFocus(true);
        edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 3 + 12);
        return edit;
    };
    m_editName = line("nameEdit", QStringLiteral("Name"));
    m_editAddress = box("addressEdit", QStringLiteral("Address"));
    m_editCity = line("cityEdit", QStringLiteral("City"));
    m_editState = line("stateEdit", QStringLiteral("State"));
    m_editZip = line("zipEdit", QStringLiteral("ZIP"));
    m_editPhone = box("phoneEdit", QStringLiteral("Phone"));
    m_editEmail = line("emailEdit", QStringLiteral("E-mail"));
    m_editCountry = line("countryEdit", QStringLiteral("Country"));
    m_editNotes = box("notesEdit", QStringLiteral("Notes"));
    auto* values = new QFormLayout;
    auto addRow = [&](const char* name, const QString& text, QWidget* field) {
        auto* label = Named(new QLabel(text, this), name, text);
        label->setBuddy(field);
        values->addRow(label, field);
    };
    addRow("nameLabel", QStringLiteral("Name"), m_editName);
    addRow("addressLabel", QStringLiteral("Address"), m_editAddress);
    addRow("cityLabel", QStringLiteral("City"), m_editCity);
    addRow("stateLabel", QStringLiteral("State"), m_editState);
    addRow("zipLabel", QStringLiteral("ZIP"), m_editZip);
    addRow("phoneLabel", QStringLiteral("Phone"), m_editPhone);
    addRow("emailLabel", QStringLiteral("E-mail"), m_editEmail);
    addRow("countryLabel", QStringLiteral("Country"), m_editCountry);
    addRow("notesLabel", QStringLiteral("Notes"), m_editNotes);

    auto* options = Named(new QGroupBox(QStringLiteral("Processing Options"), this),
                          "processingGroup", QStringLiteral("Processing Options"));
    const QString defaultText = QStringLiteral("Process &all records using default mappings");
    const QString sameText =
        QStringLiteral("Process all &records using the same mapping as this entry");
    m_radioDefault =
        Named(new QRadioButton(defaultText, options), "defaultRadio", Plain(defaultText));
    m_radioSame = Named(new QRadioButton(sameText, options), "sameRadio", Plain(sameText));
    auto* defaultNote = WrappedLabel(
        QStringLiteral("Let the program decide on the mappings.  If the program is unable to "
                       "determine the correct mapping, all unmappable fields will be placed in "
                       "the Notes section."),
        "defaultNote", options);
    auto* sameNote = WrappedLabel(
        QStringLiteral("Note:  Use this setting ONLY if all of your input records have the same "
                       "layout, field for field.  Cardfile users should make sure that every "
                       "entry maps correctly."),
        "sameNote", options);
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(m_radioDefault);
    optionsLayout->addWidget(defaultNote);
    optionsLayout->addWidget(m_radioSame);
    optionsLayout->addWidget(sameNote);

    m_btnDone =
        Named(new QPushButton(QStringLiteral("&Done"), this), "doneButton", QStringLiteral("Done"));

    auto* recordRow = new QHBoxLayout;
    recordRow->addWidget(fromLabel);
    recordRow->addStretch();
    recordRow->addWidget(recordLabel);
    recordRow->addWidget(m_labelRecordNo);
    recordRow->addWidget(ofLabel);
    recordRow->addWidget(m_labelRecordCount);
    auto* navigation = new QHBoxLayout;
    navigation->addWidget(m_btnPrevious);
    navigation->addWidget(m_btnNext);
    auto* fromColumn = new QVBoxLayout;
    fromColumn->addLayout(recordRow);
    fromColumn->addWidget(m_listFrom, 1);
    fromColumn->addLayout(navigation);
    auto* toColumn = new QVBoxLayout;
    toColumn->addWidget(toLabel);
    toColumn->addWidget(m_listTo, 1);
    auto* middle = new QHBoxLayout;
    middle->setSpacing(16);
    middle->addLayout(fromColumn, 2);
    middle->addLayout(toColumn, 1);
    middle->addLayout(values, 3);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(options, 1);
    bottom->addWidget(m_btnDone, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);

    QWidget* order[] = {m_listFrom,  m_btnPrevious,  m_btnNext,   m_listTo,
                        m_editName,  m_editAddress,  m_editCity,  m_editState,
                        m_editZip,   m_editPhone,    m_editEmail, m_editCountry,
                        m_editNotes, m_radioDefault, m_radioSame, m_btnDone};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_listFrom, &QListWidget::itemSelectionChanged, this, &CImportMapDlg::OnSelChangeFrom);
    connect(m_listTo, &QListWidget::currentRowChanged, this, [this] {
        if (!m_bUpdatingTo)
            OnSelChangeTo();
    });
    // A click on the row that is already current maps the selected fields to it as well.
    connect(m_listTo, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        if (!m_bUpdatingTo && index.row() == m_nToRowAtPress)
            OnSelChangeTo();
    });
    connect(m_btnNext, &QPushButton::clicked, this, &CImportMapDlg::OnNext);
    connect(m_btnPrevious, &QPushButton::clicked, this, &CImportMapDlg::OnPrevious);
    connect(m_btnDone, &QPushButton::clicked, this, &CImportMapDlg::OnDone);
    resize(860, 620);
}

bool CImportMapDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_listTo->viewport() && event->type() == QEvent::MouseButtonPress)
        m_nToRowAtPress = m_listTo->currentRow();
    return QDialog::eventFilter(watched, event);
}

QString CImportMapDlg::BoxText(int box) const {
    switch (box) {
    case CFieldMapper::kName:
        return m_editName->text();
    case CFieldMapper::kAddress:
        return m_editAddress->toPlainText();
    case CFieldMapper::kCity:
        return m_editCity->text();
    case CFieldMapper::kState:
        return m_editState->text();
    case CFieldMapper::kZip:
        return m_editZip->text();
    case CFieldMapper::kPhone:
        return m_editPhone->toPlainText();
    case CFieldMapper::kCountry:
        return m_editCountry->text();
    case CFieldMapper::kEmail:
        return m_editEmail->text();
    default:
        return m_editNotes->toPlainText();
    }
}

void CImportMapDlg::SetBoxText(int box, const QString& text) {
    switch (box) {
    case CFieldMapper::kName:
        m_editName->setText(text);
        break;
    case CFieldMapper::kAddress:
        m_editAddress->setPlainText(text);
        break;
    case CFieldMapper::kCity:
        m_editCity->setText(text);
        break;
    case CFieldMapper::kState:
        m_editState->setText(text);
        break;
    case CFieldMapper::kZip:
        m_editZip->setText(text);
        break;
    case CFieldMapper::kPhone:
        m_editPhone->setPlainText(text);
        break;
    case CFieldMapper::kCountry:
        m_editCountry->setText(text);
        break;
    case CFieldMapper::kEmail:
        m_editEmail->setText(text);
        break;
    default:
        m_editNotes->setPlainText(text);
        break;
    }
}

QByteArray& CImportMapDlg::BoxValue(int box) {
    switch (box) {
    case CFieldMapper::kName:
        return m_mapper.m_strName;
    case CFieldMapper::kAddress:
        return m_mapper.m_strAddress;
    case CFieldMapper::kCity:
        return m_mapper.m_strCity;
    case CFieldMapper::kState:
        return m_mapper.m_strState;
    case CFieldMapper::kZip:
        return m_mapper.m_strZip;
    case CFieldMapper::kPhone:
        return m_mapper.m_strPhone;
    case CFieldMapper::kCountry:
        return m_mapper.m_strCountry;
    case CFieldMapper::kEmail:
        return m_mapper.m_strEmail;
    default:
        return m_mapper.m_strNotes;
    }
}

void CImportMapDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        for (int box = 0; box < kBoxCount; ++box) {
            const QString text = BoxText(box);
            if (text != m_written[box]) {
                BoxValue(box) = CText::FromDisplay(text);
                m_written[box] = text;
            }
        }
        return;
    }
    for (int box = 0; box < kBoxCount; ++box) {
        SetBoxText(box, CText::ToDisplay(BoxValue(box)));
        // Kept as the box gives it back, so an untouched box never counts as typed into.
        m_written[box] = BoxText(box);
    }
    m_labelRecordNo->setText(m_strRecordNo);
    m_labelRecordCount->setText(m_strRecordCount);
}

int CImportMapDlg::RunModal() {
    OnInitDialog();
    return exec();
}

void CImportMapDlg::OnInitDialog() {
    m_radioDefault->setChecked(true);
    m_mapper.m_bOneLine = m_bOneLine;
    m_nCurrent = 0;
    m_strRecordCount = QString::number(m_records.GetCount());
    m_strRecordNo = QStringLiteral("1");
    m_records.Reset();
    m_pCurrent = m_records.Next();
    ShowRecord();
    UpdateButtons();
    m_listFrom->setFocus();
}

void CImportMapDlg::UpdateButtons() {
    m_btnNext->setEnabled(m_nCurrent < m_records.GetCount() - 1);
    m_btnPrevious->setEnabled(m_nCurrent != 0);
    m_btnDone->setEnabled(true);
}

void CImportMapDlg::UpdateFromRows() {
    for (int row = 0; row < m_listFrom->count() && row < m_mapper.m_targets.size(); ++row)
        m_listFrom->item(row)->setData(Qt::UserRole, m_mapper.m_targets[row]);
}

void CImportMapDlg::ShowRecord() {
    m_mapper.ClearValues();
    m_listFrom->clear();
    if (m_pCurrent) {
        for (const QByteArray& field : m_pCurrent->m_pFields)
            m_listFrom->addItem(CText::ToDisplay(field));
        m_mapper.Show(*m_pCurrent);
    } else {
        m_mapper.m_fields.clear();
        m_mapper.m_targets.clear();
    }
    UpdateFromRows();
    if (m_listFrom->count() > 0) {
        m_listFrom->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    }
    ShowTarget();
    UpdateData(false);
}

void CImportMapDlg::StoreCurrent() {
    UpdateData(true);
    if (m_pCurrent)
        m_mapper.StoreCurrent(*m_pCurrent);
}

void CImportMapDlg::ShowTarget() {
    const QList<QListWidgetItem*> selected = m_listFrom->selectedItems();
    if (selected.size() != 1)
        return;
    const int row = m_listFrom->row(selected.constFirst());
    if (row < 0 || row >= m_mapper.m_targets.size())
        return;
    m_bUpdatingTo = true;
    m_listTo->setCurrentRow(static_cast<int>(m_mapper.m_targets[row]));
    m_bUpdatingTo = false;
}

void CImportMapDlg::OnSelChangeFrom() {
    ShowTarget();
}

void CImportMapDlg::OnSelChangeTo() {
    const int target = m_listTo->currentRow();
    if (target < 0)
        return;
    QList<int> rows;
    for (const QModelIndex& index : m_listFrom->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    // What the user typed into the boxes stays: it is read before the values change.
    UpdateData(true);
    m_mapper.MapRows(rows, static_cast<unsigned>(target));
    UpdateFromRows();
    UpdateData(false);
}

void CImportMapDlg::OnNext() {
    if (m_nCurrent >= m_records.GetCount() - 1)
        return;
    StoreCurrent();
    ++m_nCurrent;
    m_strRecordNo = QString::number(m_nCurrent + 1);
    m_pCurrent = m_records.Next();
    ShowRecord();
    UpdateButtons();
    if (!m_btnNext->isEnabled() && m_btnNext->hasFocus())
        m_btnDone->setFocus();
}

void CImportMapDlg::OnPrevious() {
    if (m_nCurrent <= 0)
        return;
    StoreCurrent();
    --m_nCurrent;
    m_strRecordNo = QString::number(m_nCurrent + 1);
    m_pCurrent = m_records.Previous();
    ShowRecord();
    UpdateButtons();
    if (!m_btnPrevious->isEnabled() && m_btnPrevious->hasFocus())
        m_btnNext->setFocus();
}

void CImportMapDlg::OnDone() {
    UpdateData(true);
    {
        CWaitCursor wait;
        CImportProgressDlg progress(this);
        progress.SetRange(0, m_records.GetCount());
        progress.SetStep(1);
        progress.Create();
        m_mapper.ProcessRemaining(m_records, m_nCurrent, m_radioSame->isChecked(),
                                  [&progress] { progress.StepIt(); });
        progress.Destroy();
    }
    QDialog::accept();
}

void CImportMapDlg::accept() {
    OnDone();
}
