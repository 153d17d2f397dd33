#include "query/query_result_model.h"

#include <limits>

namespace norvane {

void QueryResultModel::reset(const QStringList& headings)
{
    beginResetModel();
    headings_ = headings;
    rows_ = ResultRows(static_cast<int>(headings.size()));
    endResetModel();
}

void QueryResultModel::appendRows(ResultRows&& rows)
{
    if (rows.empty() || headings_.isEmpty())
        return;
    const qsizetype first = rows_.size();
    beginInsertRows(QModelIndex(), static_cast<int>(first), static_cast<int>(first + rows.size() - 1));
    rows_.append(std::move(rows));
    endInsertRows();
}

QString QueryResultModel::cellText(int row, int column) const
{
    if (row < 0 || column < 0 || column >= headings_.size() || row >= rows_.size())
        return QString();
    return rows_.cell(row, column).toString();
}

int QueryResultModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || headings_.isEmpty())
        return 0;
    const qsizetype rows = rows_.size() + 1;
    return static_cast<int>(std::min<qsizetype>(rows, std::numeric_limits<int>::max()));
}

int QueryResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

QVariant QueryResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    return cellText(index.row(), index.column());
}

QVariant QueryResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < headings_.size() ? QVariant(headings_.at(section)) : QVariant();
    return QVariant(section + 1);
}

}  // namespace norvane
