#include "tables/data_inserts.h"

#include "tables/column_info.h"

#include <array>

namespace norvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Only blanks count: tabs and line breaks inside a value stay.
QStringView trimBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

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
    static const std::array<QLatin1String, 9> quoted = {
        QLatin1String("smalldatetime"), QLatin1String("datetime"), QLatin1String("image"),
        QLatin1String("ntext"),         QLatin1String("nvarchar"), QLatin1String("nchar"),
        QLatin1String("text"),          QLatin1String("varchar"),  QLatin1String("char")};
    for (const QLatin1String& type : quoted) {
        if (dataType == type)
            return true;
    }
    return false;
}

QStringList headingTypes(const QStringList& headings, const std::vector<ExportColumn>& tableColumns)
{
    QStringList types;
    types.reserve(headings.size());
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
        types << found->DataType;
    }
    return types;
}

QString BuildDataInserts(const QString& tableName, const QStringList& columnNames,
                         const std::vector<QStringList>& rows, const QStringList& headingTypes, bool identityColumn)
{
    if (rows.empty())
        return {};
    const QString prefix = QStringLiteral("INSERT INTO ") + tableName + QStringLiteral(" (")
        + columnNames.join(QLatin1Char(',')) + QStringLiteral(") VALUES (");
    std::vector<bool> quoted;
    quoted.reserve(static_cast<std::size_t>(headingTypes.size()));
    for (const QString& type : headingTypes)
        quoted.push_back(isQuotedExportType(type));

    QString text;
    if (identityColumn)
        text += QStringLiteral("SET IDENTITY_INSERT ") + tableName + QStringLiteral(" ON") + kCrLf;
    QString line;
    for (const QStringList& row : rows) {
        line = prefix;
        for (qsizetype heading = 0; heading < headingTypes.size(); ++heading) {
            const QStringView value = heading < row.size() ? QStringView(row.at(heading)) : QStringView();
            if (!quoted[static_cast<std::size_t>(heading)]) {
                line += value;
                line += QLatin1Char(',');
            } else if (showsNoValue(value)) {
                line += QStringLiteral("NULL,");
            } else {
                // The first column is written as shown; the others lose their surrounding blanks.
                appendQuoted(line, heading == 0 ? value : trimBlanks(value));
            }
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
