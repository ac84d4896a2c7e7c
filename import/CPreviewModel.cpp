#include "CPreviewModel.h"

#include "CText.h"

void CPreviewModel::SetLines(const QList<QByteArray>* pLines) {
    beginResetModel();
    m_pLines = pLines;
    endResetModel();
}

int CPreviewModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_pLines)
        return 0;
    return static_cast<int>(m_pLines->size());
}

int CPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant CPreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !m_pLines || index.row() >= m_pLines->size())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        if (index.column() == 0)
            return QString::number(index.row() + 1);
        // Tabs show as blanks so the columns of a tab-separated line stay apart.
        QString text = CText::ToDisplay(m_pLines->at(index.row()));
        text.replace(QLatin1Char('\t'), QLatin1String("    "));
        return text;
    }
    if (role == Qt::TextAlignmentRole && index.column() == 0)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant CPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    return section == 0 ? QStringLiteral("Line") : QStringLiteral("Record");
}
