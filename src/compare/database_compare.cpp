#include "compare/database_compare.h"

#include <QHash>

namespace norvane {

namespace {

const QString kMatchingTable = QStringLiteral("-MatchingTableFound");
const QString kTableNotFound = QStringLiteral("-***NotFound***");
const QString kColumnNotFound = QStringLiteral("-***ColNotFound***");
const QString kNonmatching = QStringLiteral("-Nonmatching Properties:");

// Name -> the first item of that name; later namesakes are never found.
template <typename Item, typename Keep>
QHash<QString, const Item*> firstByName(const std::vector<Item>& items, Keep keep)
{
    QHash<QString, const Item*> byName;
    byName.reserve(static_cast<qsizetype>(items.size()));
    for (const Item& item : items) {
        if (keep(item) && !byName.contains(item.Name))
            byName.insert(item.Name, &item);
    }
    return byName;
}

}  // namespace

QString CompareColumnProperties(const ColumnProperties& x, const ColumnProperties& y)
{
    QString properties;
    if (x.AllowNulls != y.AllowNulls)
        properties = QStringLiteral("Null");
    if (x.Datatype != y.Datatype)
        properties += QStringLiteral(",DataType");
    if (x.Length != y.Length)
        properties += QStringLiteral(",Length");
    if (x.NumericPrecision != y.NumericPrecision)
        properties += QStringLiteral(",Precision");
    if (x.NumericScale != y.NumericScale)
        properties += QStringLiteral(",Scale");
    if (x.Identity != y.Identity)
        properties += QStringLiteral(",Identity");
    if (x.ComputedText != y.ComputedText)
        properties += QStringLiteral(",ComputedText");
    if (x.Default != y.Default)
        properties += QStringLiteral(",Default");
    return properties;
}

QString CompareColumns(const TableStructure& a, const TableStructure& b)
{
    const auto columnsOfB = firstByName(b.Columns, [](const ColumnProperties&) { return true; });
    QString result;
    for (const ColumnProperties& x : a.Columns) {
        const auto found = columnsOfB.constFind(x.Name);
        if (found == columnsOfB.constEnd()) {
            result += QLatin1Char(',') + x.Name + kColumnNotFound;
            continue;
        }
        const QString properties = CompareColumnProperties(x, **found);
        if (!properties.trimmed().isEmpty())
            result += QLatin1Char(',') + x.Name + kNonmatching + properties;
    }
    return result;
}

std::vector<TableComparison> CompareTables(const std::vector<TableStructure>& reference,
                                           const std::vector<TableStructure>& second)
{
    const auto tablesOfB = firstByName(second, [](const TableStructure& table) { return !table.SystemObject; });
    std::vector<TableComparison> outcomes;
    int number = 0;
    for (const TableStructure& a : reference) {
        if (a.SystemObject)
            continue;
        ++number;
        TableComparison outcome;
        outcome.entry = QString::number(number) + QLatin1Char('-') + a.Name;
        const auto found = tablesOfB.constFind(a.Name);
        if (found != tablesOfB.constEnd())
            outcome.line = outcome.entry + kMatchingTable + CompareColumns(a, **found);
        else
            outcome.line = outcome.entry + kTableNotFound;
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

QString compareResultText(const std::vector<TableComparison>& tables)
{
    QString text;
    for (const TableComparison& table : tables)
        text += QStringLiteral("\r\n") + table.line;
    return text;
}

}  // namespace norvane
