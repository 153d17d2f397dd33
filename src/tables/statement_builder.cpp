#include "tables/statement_builder.h"

namespace norvane {

namespace {

// Each column's text made by the piece, joined by the separator.
template <typename Piece>
QString joined(const std::vector<ColumnInfo>& columns, const QString& separator, Piece piece)
{
    QString text;
    for (std::size_t index = 0; index < columns.size(); ++index) {
        if (index > 0)
            text += separator;
        text += piece(columns[index]);
    }
    return text;
}

}  // namespace

QString BuildSelect(const QString& tableName, const std::vector<ColumnInfo>& columns)
{
    return QStringLiteral("SELECT ") + columnNames(columns).join(QLatin1Char(',')) + QStringLiteral(" FROM ")
        + tableName;
}

QString BuildInsert(const QString& tableName, const std::vector<ColumnInfo>& columns)
{
    const QString names = QStringLiteral(" ") + columnNames(columns).join(QStringLiteral(", "));
    const QString parameters = QStringLiteral(" ")
        + joined(columns, QStringLiteral(", "), [](const ColumnInfo& c) { return QStringLiteral("@") + c.Name; });
    return QStringLiteral("INSERT INTO ") + tableName + QStringLiteral(" (") + names + QStringLiteral(") VALUES (")
        + parameters + QStringLiteral(" )");
}

QString BuildUpdate(const QString& tableName, const std::vector<ColumnInfo>& columns)
{
    return QStringLiteral("UPDATE ") + tableName + QStringLiteral(" SET ")
        + joined(columns, QStringLiteral(", "),
                 [](const ColumnInfo& c) { return c.Name + QStringLiteral(" = @") + c.Name; });
}

QString BuildDelete(const QString& tableName)
{
    return QStringLiteral("DELETE FROM ") + tableName + QStringLiteral(" WHERE ...");
}

}  // namespace norvane
