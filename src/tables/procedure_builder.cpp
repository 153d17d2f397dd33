#include "tables/procedure_builder.h"

namespace norvane {

namespace {

const QString kTab = QStringLiteral("\t");
const QString kCrLf = QStringLiteral("\r\n");

// Drops the separator after the last entry of a list: the comma and its line break.
QString withoutLastSeparator(QString text)
{
    text.chop(3);
    return text;
}

// PB: one "@name type = NULL" line per column, the last one without its comma.
QString parameterBlock(const std::vector<ColumnInfo>& columns)
{
    QString block;
    for (const ColumnInfo& column : columns)
        block += kTab + QStringLiteral("@") + column.Name + QStringLiteral(" ") + procedureTypeText(column)
            + QStringLiteral(" = NULL,") + kCrLf;
    return withoutLastSeparator(block);
}

// CL: " a, b, c".
QString columnList(const std::vector<ColumnInfo>& columns)
{
    QString list;
    for (const ColumnInfo& column : columns)
        list += (list.isEmpty() ? QStringLiteral(" ") : QStringLiteral(", ")) + column.Name;
    return list;
}

// VL: " @a, @b, @c".
QString valueList(const std::vector<ColumnInfo>& columns)
{
    QString list;
    for (const ColumnInfo& column : columns)
        list += (list.isEmpty() ? QStringLiteral(" @") : QStringLiteral(", @")) + column.Name;
    return list;
}

// S: "name = @name" for every column but the key, two tabs in, the last without its comma.
QString assignmentBlock(const std::vector<ColumnInfo>& columns)
{
    QString block;
    for (std::size_t index = 1; index < columns.size(); ++index)
        block += kTab + kTab + columns[index].Name + QStringLiteral(" = @") + columns[index].Name
            + QStringLiteral(",") + kCrLf;
    return withoutLastSeparator(block);
}

// KP: the key's parameter, declared with the same type text as in the insert
// and update procedures, so a character key keeps its length.
QString keyParameterLine(const ColumnInfo& key)
{
    return kTab + QStringLiteral("@") + key.Name + QStringLiteral(" ") + procedureTypeText(key)
        + QStringLiteral(" = NULL") + kCrLf;
}

// H(x).
QString header(const QString& kind, const QString& tableName, const QString& ownerName)
{
    return QStringLiteral("CREATE PROCEDURE [") + ownerName + QStringLiteral("].[sp_") + kind + QStringLiteral("_")
        + tableName.toLower() + QStringLiteral("]") + kCrLf;
}

// CB: the error test that ends the insert, update and delete procedures.
QString closingBlock()
{
    return QStringLiteral("SELECT @err = @@ERROR, @rows = @@ROWCOUNT") + kCrLf + kCrLf + kTab
        + QStringLiteral("IF @err <> 0 OR @rows = 0") + kCrLf + kTab + QStringLiteral("BEGIN") + kCrLf + kTab + kTab
        + QStringLiteral("RETURN @err") + kCrLf + kTab + QStringLiteral("END") + kCrLf + kCrLf + kTab
        + QStringLiteral("RETURN 0") + kCrLf + QStringLiteral("END") + kCrLf + QStringLiteral("Go") + kCrLf + kCrLf;
}

// DL.
QString declarationLine()
{
    return QStringLiteral("DECLARE @err INT, @rows INT") + kCrLf + kCrLf + kTab;
}

QString bodyStart()
{
    return QStringLiteral("AS") + kCrLf + QStringLiteral("BEGIN") + kCrLf + kTab;
}

QString keyCondition(const ColumnInfo& key)
{
    return key.Name + QStringLiteral(" = @") + key.Name;
}

}  // namespace

QString procedureTypeText(const ColumnInfo& column)
{
    const QString& type = column.DataType;
    if (type == QLatin1String("char") || type == QLatin1String("varchar") || type == QLatin1String("nchar")
        || type == QLatin1String("nvarchar"))
        return type + QStringLiteral("(") + QString::number(column.Length) + QStringLiteral(")");
    if (type == QLatin1String("numeric") || type == QLatin1String("decimal"))
        return type + QStringLiteral("(") + QString::number(column.Precision) + QStringLiteral(",")
            + QString::number(column.Scale) + QStringLiteral(")");
    return type;
}

QString BuildProcedures(const QString& tableName, const QString& ownerName, const std::vector<ColumnInfo>& columns)
{
    if (columns.size() < 2)
        throw GenerationError(QStringLiteral("The table has a single column: the update procedure has no column "
                                             "to set besides the key."));
    const ColumnInfo& key = columns.front();
    const QString PB = parameterBlock(columns);
    const QString CL = columnList(columns);
    const QString VL = valueList(columns);
    const QString S = assignmentBlock(columns);
    const QString KP = keyParameterLine(key);
    const QString CB = closingBlock();
    const QString DL = declarationLine();

    const QString select = header(QStringLiteral("sel"), tableName, ownerName) + KP + bodyStart()
        + QStringLiteral("SELECT ") + CL + QStringLiteral(" FROM ") + tableName + QStringLiteral(" WHERE ")
        + keyCondition(key) + kCrLf + QStringLiteral("END") + kCrLf + QStringLiteral("Go") + kCrLf + kCrLf;
    const QString insert = header(QStringLiteral("ins"), tableName, ownerName) + PB + kCrLf + bodyStart() + DL
        + QStringLiteral("INSERT INTO ") + tableName + QStringLiteral(" (") + CL + QStringLiteral(") VALUES (") + VL
        + QStringLiteral(" )") + kCrLf + kCrLf + kTab + CB;
    const QString update = header(QStringLiteral("upd"), tableName, ownerName) + PB + kCrLf + bodyStart() + DL
        + QStringLiteral("UPDATE ") + tableName + QStringLiteral(" SET ") + kCrLf + S + kCrLf + kTab + kTab
        + QStringLiteral("WHERE ") + keyCondition(key) + kCrLf + kCrLf + kTab + CB;
    const QString remove = header(QStringLiteral("del"), tableName, ownerName) + KP + bodyStart() + DL
        + QStringLiteral("DELETE FROM ") + tableName + QStringLiteral(" WHERE ") + keyCondition(key) + kCrLf + kCrLf
        + kTab + CB;
    return select + insert + update + remove;
}

}  // namespace norvane
