#include "objects/vb_call.h"

#include <QStringList>

#include <array>
#include <utility>

namespace norvane {

namespace {

const QString kCr = QStringLiteral("\r");
const QString kTab = QStringLiteral("\t");
const QString kQ = QStringLiteral("\"");

// Up to and including the tab that begins the first line after the CommandText line.
QString commandHead(const QString& procedureName)
{
    return QStringLiteral("Dim objCMD As ADODB.Command") + kCr + QStringLiteral("Set objCMD = New ADODB.Command") + kCr
        + QStringLiteral("With objCMD") + kCr + kTab + QStringLiteral(".ActiveConnection = ?") + kCr + kTab
        + QStringLiteral(".CommandType = adCmdStoredProc") + kCr + kTab + QStringLiteral(".CommandText = ") + kQ
        + procedureName + kQ + QStringLiteral(" ") + kCr + kTab;
}

// .Parameters("@Name")
QString parameterReference(const ParamRow& row)
{
    return QStringLiteral(".Parameters(") + kQ + row.Name + kQ + QStringLiteral(")");
}

// "? = .Parameters("@Name")": where the developer reads an output value.
QString outputLine(const ParamRow& row)
{
    return QStringLiteral("? = ") + parameterReference(row);
}

// From ".Execute" to the last line, which has no line end.
QString commandTail(const QStringList& outputLines)
{
    QString tail = QStringLiteral(".Execute") + kCr;
    for (const QString& line : outputLines)
        tail += kTab + line + kCr;
    return tail + QStringLiteral("End With") + kCr + QStringLiteral("Set objCMD = Nothing");
}

}  // namespace

QString GetADOType(QString& dataType)
{
    static const std::array<std::pair<QLatin1String, QLatin1String>, 12> kAdoTypes = {{
        {QLatin1String("BIGINT"), QLatin1String("adBigInt")},
        {QLatin1String("INT"), QLatin1String("adInteger")},
        {QLatin1String("SMALLINT"), QLatin1String("adSmallInt")},
        {QLatin1String("TINYINT"), QLatin1String("adTinyInt")},
        {QLatin1String("BIT"), QLatin1String("adBoolean")},
        {QLatin1String("DECIMAL"), QLatin1String("adDecimal")},
        {QLatin1String("NUMERIC"), QLatin1String("adNumeric")},
        {QLatin1String("MONEY"), QLatin1String("adCurrency")},
        {QLatin1String("SMALLMONEY"), QLatin1String("adCurrency")},
        {QLatin1String("DATETIME"), QLatin1String("adDate")},
        {QLatin1String("CHAR"), QLatin1String("adChar")},
        {QLatin1String("VARCHAR"), QLatin1String("adVarChar")},
    }};
    dataType = dataType.trimmed().toUpper();
    for (const auto& [typeName, constant] : kAdoTypes) {
        if (dataType == typeName)
            return constant;
    }
    return QStringLiteral("adIUnknown");
}

QString BuildVBCall1(const QString& procedureName, const ParamRows& rows)
{
    QString code = commandHead(procedureName);
    QStringList outputLines;
    for (const ParamRow& row : rows) {
        if (!namesParameter(row))
            continue;
        if (isInputParameter(row))
            code += parameterReference(row) + QStringLiteral("= ?") + kCr + kTab;
        else
            outputLines << outputLine(row);
    }
    return code + commandTail(outputLines);
}

QString BuildVBCall2(const QString& procedureName, const ParamRows& rows)
{
    QString code = commandHead(procedureName);
    QStringList outputLines;
    for (const ParamRow& row : rows) {
        if (!namesParameter(row))
            continue;
        QString type = row.DataType;
        const QString adoType = GetADOType(type);
        const QString append = QStringLiteral(".Parameters.Append .CreateParameter(") + kQ + row.Name + kQ
            + QStringLiteral(", ") + adoType;
        if (isInputParameter(row)) {
            code += append + QStringLiteral(", adParamInput, ") + row.Length.trimmed() + QStringLiteral(", ?)") + kCr
                + kTab;
        } else {
            code += append + QStringLiteral(", adParamOutput, ") + row.Length.trimmed() + QStringLiteral(")") + kCr
                + kTab;
            outputLines << outputLine(row);
        }
        if (type == QLatin1String("NUMERIC")) {
            code += parameterReference(row) + QStringLiteral(".Precision = ") + row.Precision.trimmed() + kCr + kTab;
            code += parameterReference(row) + QStringLiteral(".NumericScale = ") + row.Scale.trimmed() + kCr + kTab;
        }
    }
    return code + commandTail(outputLines);
}

}  // namespace norvane
