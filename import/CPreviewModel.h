#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>

// The preview of the file: one row per line, numbered from 1, whatever the start row.
class CPreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CPreviewModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Shows `lines` (which must outlive the model, or the next SetLines).
    void SetLines(const QList<QByteArray>* pLines);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const QList<QByteArray>* m_pLines = nullptr;
};
