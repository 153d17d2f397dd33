#include "reports/data_script.h"

#include "shell/data/database_columns.h"
#include "shell/data/field.h"
#include "shell/data/sql_text.h"

#include <QDateTime>

#include <array>
#include <charconv>
#include <cstdio>

namespace norvane {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kBatchEnd = QStringLiteral("Go\r\n\r\n");
const QString kNull = QStringLiteral("NULL,");
// Rows of one table read between two turns of the window's event loop.
constexpr qint64 kRowsBetweenYields = 5000;
// The server fills these itself; an INSERT may not name them.
const QString kTimestampType = QStringLiteral("timestamp");

// Appends text without its leading and trailing blanks (spaces), every single quote doubled.
void appendQuotedBody(QString& out, const QString& text)
{
    QStringView rest = trimBlanks(text);
    for (qsizetype quote = rest.indexOf(QLatin1Char('\'')); quote >= 0; quote = rest.indexOf(QLatin1Char('\''))) {
        out += rest.left(quote + 1);
        out += QLatin1Char('\'');
        rest = rest.mid(quote + 1);
    }
    out += rest;
}

// Appends a number in its shortest exact text: whole numbers as they are,
// floating-point values so that they read back as the same value.
template <typename Number>
void appendNumber(QString& out, Number value)
{
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out += QLatin1StringView(buffer.data(), result.ptr - buffer.data());
}

// "yyyyMMdd hh:mm:ss.zzz": the form the server reads the same under every date format.
void appendDateTime(QString& out, const QDateTime& value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    std::array<char, 32> buffer{};
    const int length = std::snprintf(buffer.data(), buffer.size(), "%04d%02d%02d %02d:%02d:%02d.%03d", date.year(),
                                     date.month(), date.day(), time.hour(), time.minute(), time.second(), time.msec());
    out += QLatin1StringView(buffer.data(), length);
}

void appendQuoted(QString& out, const QVariant& value, int adoType)
{
    out += QLatin1Char('\'');
    switch (value.typeId()) {
    case QMetaType::QString:
        appendQuotedBody(out, value.toString());
        break;
    case QMetaType::QDateTime:
        appendDateTime(out, value.toDateTime());
        break;
    default:
        appendQuotedBody(out, valueToText(value, adoType));
        break;
    }
    out += QLatin1StringView("',");
}

void appendPlain(QString& out, const QVariant& value, int adoType)
{
    switch (value.typeId()) {
    case QMetaType::LongLong:
        appendNumber(out, value.toLongLong());
        break;
    case QMetaType::Bool:
        out += value.toBool() ? QLatin1Char('1') : QLatin1Char('0');
        break;
    case QMetaType::Double:
        if (adoType == AdoType::Single)
            appendNumber(out, static_cast<float>(value.toDouble()));
        else
            appendNumber(out, value.toDouble());
        break;
    case QMetaType::QString:
        if (adoType == AdoType::Guid) {  // a unique identifier is written as a quoted literal
            out += QLatin1Char('\'');
            appendQuotedBody(out, value.toString().toUpper());
            out += QLatin1Char('\'');
        } else {
            out += value.toString();  // exact decimal and money text
        }
        break;
    default:
        out += valueToText(value, adoType);
        break;
    }
    out += QLatin1Char(',');
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
    if (valueClass == ScriptValueClass::AlwaysNull || value.isNull())
        valueList += kNull;
    else if (valueClass == ScriptValueClass::Quoted)
        appendQuoted(valueList, value, adoType);
    else
        appendPlain(valueList, value, adoType);
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
    // The catalog is read once, at the first checked table, for all of them.
    std::optional<DatabaseColumns> catalog;
    for (const ReportTableEntry& entry : entries) {
        if (run.yieldAndCheckCancelled && run.yieldAndCheckCancelled())
            return std::nullopt;
        if (!entry.checked)
            continue;
        if (!catalog)
            catalog.emplace(*run.admin, run.database);
        const ScriptColumns columns = scriptColumns(catalog->columnsOf(entry.name));
        const QString head = insertStatementHead(entry.name, columns.names);
        if (columns.hasIdentity)
            output += identityInsertLine(entry.name, true) + kLineBreak;

        Recordset rows = run.connection->execute(QStringLiteral("Select * From ") + bracketed(entry.name));
        const std::vector<Field>& fields = rows.fields();
        for (const int index : columns.fieldIndexes)
            if (index >= static_cast<int>(fields.size()))
                throw DbError(0, QStringLiteral("42S22"), QStringLiteral("The table ") + entry.name
                                  + QStringLiteral(" has fewer columns than its catalog lists."));
        qint64 rowsRead = 0;
        for (; !rows.eof(); rows.moveNext()) {
            // A long table lets the window repaint and take a Close now and then, not only between tables.
            if (++rowsRead % kRowsBetweenYields == 0 && run.yieldAndCheckCancelled && run.yieldAndCheckCancelled()) {
                rows.abandon();
                return std::nullopt;
            }
            output += head;
            const qsizetype valuesStart = output.size();
            for (const int index : columns.fieldIndexes)
                appendScriptValue(output, fields[index].value(), fields[index].type());
            if (output.size() > valuesStart)
                output.chop(1);  // the comma after the last value
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
