#include "objects/sql_call.h"

namespace norvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A national character type stores two bytes per character; the catalog gives the length in bytes.
QString charactersOfNationalType(const QString& lengthInBytes)
{
    bool isNumber = false;
    const qint64 bytes = lengthInBytes.trimmed().toLongLong(&isNumber);
    if (!isNumber || bytes < 2)
        return lengthInBytes.trimmed();
    return QString::number(bytes / 2);
}

}  // namespace

QString outputVariableName(const QString& parameterName)
{
    QString variable = parameterName;
    return variable.replace(QLatin1Char('@'), QStringLiteral("@p"));
}

QString outputDeclaration(const ParamRow& row)
{
    const QString type = row.DataType.trimmed().toUpper();
    QString size;
    if (type == QLatin1String("VARCHAR") || type == QLatin1String("CHAR") || type == QLatin1String("VARBINARY")
        || type == QLatin1String("BINARY"))
        size = QStringLiteral("(") + row.Length.trimmed() + QStringLiteral(")");
    else if (type == QLatin1String("NVARCHAR") || type == QLatin1String("NCHAR"))
        size = QStringLiteral("(") + charactersOfNationalType(row.Length) + QStringLiteral(")");
    else if (type == QLatin1String("NUMERIC") || type == QLatin1String("DECIMAL"))
        size = QStringLiteral("(") + row.Precision.trimmed() + QStringLiteral(",") + row.Scale.trimmed()
            + QStringLiteral(")");
    return QStringLiteral("DECLARE ") + outputVariableName(row.Name) + QStringLiteral(" AS ") + type + size + kCrLf;
}

QString BuildSQLCall(const QString& procedureName, const ParamRows& rows)
{
    QString declarations;
    QString inputItems;
    QString outputItems;
    QString printLines;
    for (const ParamRow& row : rows) {
        if (!namesParameter(row))
            continue;
        if (isInputParameter(row)) {
            inputItems += QStringLiteral(", ") + row.Name + QStringLiteral("= ?");
            continue;
        }
        const QString variable = outputVariableName(row.Name);
        declarations += outputDeclaration(row);
        outputItems += QStringLiteral(", ") + row.Name + QStringLiteral("= ") + variable + QStringLiteral(" OUTPUT");
        printLines += QStringLiteral("PRINT ") + variable + kCrLf;
    }
    // The list loses its leading comma, so a list with items begins with one blank.
    const QString arguments = (inputItems + outputItems).mid(1);
    return declarations + QStringLiteral("Execute ") + procedureName + QStringLiteral(" ") + arguments + kCrLf
        + printLines;
}

}  // namespace norvane
