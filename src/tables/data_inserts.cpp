#include "tables/data_inserts.h"

#include "shell/data/field.h"
#include "tables/column_info.h"

#include <algorithm>
#include <array>

namespace norvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The shown texts of a null or of an image value, in any case and with blanks around them.
bool showsNoValue(QStringView text)
{
    const QStringView trimmed = trimBlanks(text);
    return trimmed.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0
        || trimmed.compare(QLatin1String("BINARY DATA"), Qt::CaseInsensitive) == 0;
}

void appendQuoted(QString& line, QStringView value)
{
    line += QLatin1Char('\'');
    for (const QChar character : value) {
        line += character;
        if (character == QLatin1Char('\''))
            line += QLatin1Char('\'');
    }
    line += QStringLiteral("',");
}

}  // namespace

bool isQuotedExportType(const QString& dataType)
{
    // A GUID written bare is refused by the server, so uniqueidentifier is quoted as well.
    static const std::array<QLatin1String, 10> quoted = {
        QLatin1String("smalldatetime"), QLatin1String("datetime"), QLatin1String("image"),
        QLatin1String("ntext"),         QLatin1String("nvarchar"), QLatin1String("nchar"),
        QLatin1String("text"),          QLatin1String("varchar"),  QLatin1String("char"),
        QLatin1String("uniqueidentifier")};
    for (const QLatin1String& type : quoted) {
        if (dataType == type)
            return true;
    }
    return false;
}

bool isServerFilled(const ExportColumn& column)
{
    const QString& stored = column.BaseType.isEmpty() ? column.DataType : column.BaseType;
    return column.Computed || stored == QLatin1String("timestamp");
}

std::vector<ExportColumn> headingColumns(const QStringList& headings, const std::vector<ExportColumn>& tableColumns)
{
    std::vector<ExportColumn> columns;
    columns.reserve(static_cast<std::size_t>(headings.size()));
    for (const QString& heading : headings) {
        const ExportColumn* found = nullptr;
        for (const ExportColumn& column : tableColumns) {
            if (column.Name.compare(heading, Qt::CaseInsensitive) == 0) {
                found = &column;
                break;
            }
        }
        if (!found)
            throw GenerationError(QStringLiteral("The table has no column named '") + heading + QStringLiteral("'."));
        columns.push_back(*found);
    }
    return columns;
}

QString BuildDataInserts(const QString& tableName, const QStringList& columnNames,
                         const std::vector<QStringList>& rows, const std::vector<ExportColumn>& headings,
                         bool identityColumn)
{
    if (rows.empty())
        return {};
    // Columns the server fills itself take no value: they leave the names and the values.
    QStringList names;
    for (const QString& name : columnNames) {
        const bool serverFilled = std::any_of(headings.begin(), headings.end(), [&name](const ExportColumn& column) {
            return isServerFilled(column) && column.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (!serverFilled)
            names << name;
    }
    const QString prefix = QStringLiteral("INSERT INTO ") + tableName + QStringLiteral(" (")
        + names.join(QLatin1Char(',')) + QStringLiteral(") VALUES (");
    enum class Writing { Skipped, Quoted, Bit, AsShown };
    std::vector<Writing> writing;
    writing.reserve(headings.size());
    for (const ExportColumn& column : headings) {
        const QString& stored = column.BaseType.isEmpty() ? column.DataType : column.BaseType;
        writing.push_back(isServerFilled(column)            ? Writing::Skipped
                          : isQuotedExportType(stored)      ? Writing::Quoted
                          : stored == QLatin1String("bit") ? Writing::Bit
                                                            : Writing::AsShown);
    }

    QString text;
    if (identityColumn)
        text += QStringLiteral("SET IDENTITY_INSERT ") + tableName + QStringLiteral(" ON") + kCrLf;
    QString line;
    for (const QStringList& row : rows) {
        line = prefix;
        for (std::size_t heading = 0; heading < writing.size(); ++heading) {
            const qsizetype cell = static_cast<qsizetype>(heading);
            const QStringView value = cell < row.size() ? QStringView(row.at(cell)) : QStringView();
            switch (writing[heading]) {
            case Writing::Skipped:
                continue;
            case Writing::Quoted:
                if (showsNoValue(value))
                    line += QStringLiteral("NULL,");
                else  // The first column is written as shown; the others lose their surrounding blanks.
                    appendQuoted(line, heading == 0 ? value : trimBlanks(value));
                continue;
            case Writing::Bit:
                // The list view shows a false bit as False.
                if (trimBlanks(value).compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
                    line += QStringLiteral("0,");
                    continue;
                }
                break;
            case Writing::AsShown:
                break;
            }
            // A number shown as nothing has no value.
            if (trimBlanks(value).isEmpty())
                line += QStringLiteral("NULL");
            else
                line += value;
            line += QLatin1Char(',');
        }
        line.chop(1);
        line += QLatin1Char(')');
        line += kCrLf;
        text += line;
    }
    if (identityColumn)
        text += QStringLiteral("SET IDENTITY_INSERT ") + tableName + QStringLiteral(" OFF") + kCrLf;
    return text;
}

}  // namespace norvane
