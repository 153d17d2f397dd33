#pragma once
// The query window's result grid: the headings of the result's fields, its
// records, and one empty row below the last record.
#include "query/result_rows.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace norvane {

class QueryResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // A new result: these headings and one empty row.
    void reset(const QStringList& headings);
    // Adds records above the empty row.
    void appendRows(ResultRows&& rows);

    qsizetype recordCount() const { return rows_.size(); }
    const QStringList& headings() const { return headings_; }
    QString cellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList headings_;
    ResultRows rows_;
};

}  // namespace norvane
