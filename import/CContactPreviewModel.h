#pragma once

#include "CPerson.h"

#include <QAbstractTableModel>
#include <vector>

// The contacts of a vCard or CSV file as they will be written: one row per contact with its
// name, e-mail, phone numbers and city.
class CContactPreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColName, ColEmail, ColPhone, ColCity, ColumnCount };

    explicit CContactPreviewModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Shows `pPeople` (which must outlive the model, or the next SetPeople).
    void SetPeople(const std::vector<CPerson>* pPeople);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const std::vector<CPerson>* m_pPeople = nullptr;
};
