#include "reports/data_script.h"

#include "shell/data/sql_text.h"

#include <QDateTime>

#include <array>
#include <charconv>

namespace norvane {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kBatchEnd = QStringLiteral("Go\r\n\r\n");
const QString kNull = QStringLiteral("NULL,");
// Date-time literals in the form the server reads the same under every date format.
const QString kDateTimeLiteralFormat = QStringLiteral("yyyyMMdd hh:mm:ss.zzz");
// The server fills these itself; an INSERT may not name them.
const QString kTimestampType = QStringLiteral("timestamp");

// Blanks (spaces) removed from both ends.
QString trimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

// The shortest text that reads back as the same floating-point value.
template <typename Number>
QString floatingText(Number value)
{
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

QString quotedText(const QVariant& value, int adoType)
{
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(kDateTimeLiteralFormat);
    return trimBlanks(valueToText(value, adoType));
}

QString plainText(const QVariant& value, int adoType)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
        if (adoType == AdoType::Single)
            return floatingText(static_cast<float>(value.toDouble()));
        return floatingText(value.toDouble());
    default:
        break;
    }
    if (adoType == AdoType::Guid)
        return QLatin1Char('\'') + quotedLiteralText(valueToText(value, adoType)) + QLatin1Char('\'');
    return valueToText(value, adoType);
}

}  // namespace

ScriptValueClass scriptValueClass(int adoType)
{
    switch (adoType) {
    case 7:  // adDate
    case AdoType::Char:
    case AdoType::WChar:
    case AdoType::DbDate:
    case AdoType::DbTime:
    case AdoType::DbTimeStamp:
    case AdoType::VarChar:
    case AdoType::LongVarChar:
    case AdoType::VarWChar:
    case AdoType::LongVarWChar:
        return ScriptValueClass::Quoted;
    case AdoType::LongVarBinary:
        return ScriptValueClass::AlwaysNull;
    default:
        return ScriptValueClass::Plain;
    }
}

void appendScriptValue(QString& valueList, const QVariant& value, int adoType)
{
    const ScriptValueClass valueClass = scriptValueClass(adoType);
    if (valueClass == ScriptValueClass::AlwaysNull || value.isNull()) {
        valueList += kNull;
        return;
    }
    if (valueClass == ScriptValueClass::Quoted) {
        QString text = quotedText(value, adoType);
        valueList += QLatin1Char('\'');
        valueList += text.replace(QLatin1Char('\''), QStringLiteral("''"));
        valueList += QStringLiteral("',");
        return;
    }
    valueList += plainText(value, adoType);
    valueList += QLatin1Char(',');
}

ScriptColumns scriptColumns(const std::vector<ColumnProperties>& columns)
{
    ScriptColumns script;
    for (int index = 0; index < static_cast<int>(columns.size()); ++index) {
        const ColumnProperties& column = columns[index];
        if (column.IsComputed || column.Datatype.compare(kTimestampType, Qt::CaseInsensitive) == 0)
            continue;
        script.names << column.Name;
        script.fieldIndexes.push_back(index);
        script.hasIdentity = script.hasIdentity || column.Identity;
    }
    return script;
}

QString insertStatementHead(const QString& table, const QStringList& columnNames)
{
    QString list;
    for (const QString& name : columnNames)
        list += QLatin1Char(',') + bracketed(name);
    list.remove(0, 1);
    return QStringLiteral("INSERT INTO ") + bracketed(table) + QStringLiteral(" (") + list
        + QStringLiteral(") VALUES (");
}

QString identityInsertLine(const QString& table, bool on)
{
    return QStringLiteral("SET IDENTITY_INSERT ") + bracketed(table) + (on ? QStringLiteral(" ON") : QStringLiteral(" OFF"));
}

std::optional<QString> BuildDataScript(DataScriptRun& run, const std::vector<ReportTableEntry>& entries)
{
    QString output;
    for (const ReportTableEntry& entry : entries) {
        if (run.yieldAndCheckCancelled && run.yieldAndCheckCancelled())
            return std::nullopt;
        if (!entry.checked)
            continue;
        const ScriptColumns columns = scriptColumns(run.admin->columns(run.database, entry.name));
        const QString head = insertStatementHead(entry.name, columns.names);
        if (columns.hasIdentity)
            output += identityInsertLine(entry.name, true) + kLineBreak;

        Recordset rows = run.connection->execute(QStringLiteral("Select * From ") + bracketed(entry.name));
        const std::vector<Field>& fields = rows.fields();
        for (const int index : columns.fieldIndexes)
            if (index >= static_cast<int>(fields.size()))
                throw DbError(0, QStringLiteral("42S22"), QStringLiteral("The table ") + entry.name
                                  + QStringLiteral(" has fewer columns than its catalog lists."));
        QString values;
        for (; !rows.eof(); rows.moveNext()) {
            values.clear();
            for (const int index : columns.fieldIndexes)
                appendScriptValue(values, fields[index].value(), fields[index].type());
            values.chop(1);
            output += head;
            output += values;
            output += QLatin1Char(')');
            output += kLineBreak;
        }
        rows.close();

        if (columns.hasIdentity)
            output += identityInsertLine(entry.name, false) + kLineBreak;
        output += kBatchEnd;
        if (run.progress)
            run.progress->advance();
    }
    if (run.progress && run.progress->Max > run.progress->Value)
        run.progress->Value = run.progress->Max;
    return output;
}

}  // namespace norvane
