#include "CContactPreviewModel.h"

#include "CText.h"

void CContactPreviewModel::SetPeople(const std::vector<CPerson>* pPeople) {
    beginResetModel();
    m_pPeople = pPeople;
    endResetModel();
}

int CContactPreviewModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_pPeople)
        return 0;
    return static_cast<int>(m_pPeople->size());
}

int CContactPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CContactPreviewModel::data(const QModelIndex& index, int role) const {
    if (!m_pPeople || !index.isValid() || index.row() >= rowCount())
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const CPerson& person = (*m_pPeople)[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case ColName:
        return CText::ToDisplay(person.m_strName);
    case ColEmail:
        return CText::ToDisplay(person.m_strEmail);
    case ColPhone: {
        // Each number is a line of the Phone field; a row shows them side by side.
        QString phones = CText::ToDisplay(person.m_strPhone);
        if (role == Qt::DisplayRole)
            phones.replace(QLatin1Char('\n'), QStringLiteral("; "));
        return phones;
    }
    case ColCity:
        return CText::ToDisplay(person.m_strCity);
    default:
        return {};
    }
}

QVariant CContactPreviewModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColName:
        return QStringLiteral("Name");
    case ColEmail:
        return QStringLiteral("E-mail");
    case ColPhone:
        return QStringLiteral("Phone");
    case ColCity:
        return QStringLiteral("City");
    default:
        return {};
    }
}
