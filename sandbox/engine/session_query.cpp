// SELECT and DML: running translated statements, typing their result columns, constraint errors.
#include "engine/session.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "catalog/ddl.h"
#include "engine/session_messages.h"
#include "engine/sql_error.h"
#include "engine/value_text.h"

namespace sandbox {

namespace {

// The result type of a column SQLite cannot name, from the values it holds.
ColumnType inferType(const std::vector<std::vector<Value>>& rows, std::size_t column)
{
    bool anyInteger = false, anyReal = false, anyText = false, anyBytes = false, wide = false, nonAscii = false;
    std::size_t longest = 0;
    for (const auto& row : rows) {
        const Value& v = row[column];
        if (const auto* i = std::get_if<std::int64_t>(&v)) {
            anyInteger = true;
            wide = wide || *i > INT32_MAX || *i < INT32_MIN;
        } else if (std::holds_alternative<double>(v)) {
            anyReal = true;
        } else if (const auto* s = std::get_if<std::string>(&v)) {
            anyText = true;
            std::size_t characters = 0;
            for (unsigned char c : *s) {
                characters += (c & 0xC0) != 0x80;
                nonAscii = nonAscii || c >= 0x80;
            }
            longest = std::max(longest, characters);
        } else if (const auto* b = std::get_if<Bytes>(&v)) {
            anyBytes = true;
            longest = std::max(longest, b->size());
        }
    }
    ColumnType type;
    if (anyText) {
        type.type = nonAscii ? SqlType::NVarChar : SqlType::VarChar;
        const std::size_t limit = nonAscii ? 4000 : 8000;
        if (longest > limit)
            type.type = nonAscii ? SqlType::NText : SqlType::Text;
        type.length = static_cast<int>(std::clamp<std::size_t>(longest, 1, limit));
    } else if (anyBytes) {
        type.type = longest > 8000 ? SqlType::Image : SqlType::VarBinary;
        type.length = static_cast<int>(std::clamp<std::size_t>(longest, 1, 8000));
    } else if (anyReal) {
        type.type = SqlType::Float;
    } else if (anyInteger) {
        type.type = wide ? SqlType::BigInt : SqlType::Int;
    }
    return type;
}

}  // namespace

// ---- SELECT ---------------------------------------------------------------

void Session::runSelect(std::size_t begin, std::size_t end, ResultSink& sink)
{
    TranslatedSelect translated = translateSelectStatement(tokens_, begin, end, translateContext());
    sqlite3* db = database();
    StatementHandle statement;
    try {
        statement = prepare(db, translated.sql);
    } catch (const SqlError& error) {
        rethrowWithWrittenName(error, translated.names);
    }
    sqlite3_stmt* st = statement.get();
    const int count = sqlite3_column_count(st);

    const bool assigning = !translated.items.empty() && !translated.items[0].assignVariable.empty();
    if (assigning) {
        std::int64_t rows = 0;
        for (int rc; (rc = sqlite3_step(st)) != SQLITE_DONE; ++rows) {
            if (rc != SQLITE_ROW)
                throwSqliteError(db, rc);
            for (int i = 0; i < count && i < static_cast<int>(translated.items.size()); ++i)
                assign(translated.items[static_cast<std::size_t>(i)].assignVariable, columnValue(st, i));
        }
        rowCount_ = rows;
        return done(sink, rows);
    }

    // Map the select list onto SQLite's columns; a * expands to several.
    std::vector<const SelectItem*> itemOf(static_cast<std::size_t>(count), nullptr);
    {
        const auto& items = translated.items;
        std::size_t firstStar = items.size(), lastStar = items.size();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].star) {
                if (firstStar == items.size())
                    firstStar = i;
                lastStar = i;
            }
        for (std::size_t i = 0; i < items.size() && i < firstStar && i < itemOf.size(); ++i)
            itemOf[i] = &items[i];
        if (firstStar != items.size())
            for (std::size_t k = 0; lastStar + 1 + k < items.size() && k < itemOf.size(); ++k)
                itemOf[itemOf.size() - 1 - k] = &items[items.size() - 1 - k];
    }

    std::vector<ResultColumn> columns(static_cast<std::size_t>(count));
    std::vector<bool> known(static_cast<std::size_t>(count), true);
    bool anyUnknown = false;
    for (int i = 0; i < count; ++i) {
        ResultColumn& column = columns[static_cast<std::size_t>(i)];
        const SelectItem* item = itemOf[static_cast<std::size_t>(i)];
        column.name = item ? item->name : (sqlite3_column_name(st, i) ? sqlite3_column_name(st, i) : "");
        std::optional<ColumnType> type;
        if (const char* decl = sqlite3_column_decltype(st, i)) {
            type = parseTypeText(decl);
            if (!type) {
                // A user-defined type: its base type from systypes.
                const char* schema = sqlite3_column_database_name(st, i);
                std::string prefix = schema && std::string(schema) != "main" ? quoteIdentifier(schema) + "." : "";
                std::string lookup = "SELECT b.name, t.length, t.xprec, t.xscale FROM " + prefix + "systypes t JOIN " +
                                     prefix + "systypes b ON b.xusertype = t.xtype WHERE t.name = ?1 COLLATE SQLSERVER";
                sqlite3_stmt* raw = nullptr;
                if (sqlite3_prepare_v2(db, lookup.c_str(), -1, &raw, nullptr) == SQLITE_OK) {
                    StatementHandle udt(raw);
                    std::string name = decl;
                    sqlite3_bind_text(raw, 1, name.c_str(), -1, SQLITE_TRANSIENT);
                    if (sqlite3_step(raw) == SQLITE_ROW) {
                        std::string base = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
                        int length = sqlite3_column_int(raw, 1);
                        std::string upperBase = toUpperAscii(base);
                        if (upperBase == "NVARCHAR" || upperBase == "NCHAR")
                            base += "(" + std::to_string(length / 2) + ")";
                        else if (upperBase.find("CHAR") != std::string::npos || upperBase.find("BINARY") != std::string::npos)
                            base += "(" + std::to_string(length) + ")";
                        else if (upperBase == "DECIMAL" || upperBase == "NUMERIC")
                            base += "(" + std::to_string(sqlite3_column_int(raw, 2)) + "," +
                                    std::to_string(sqlite3_column_int(raw, 3)) + ")";
                        type = parseTypeText(base);
                    }
                } else {
                    sqlite3_finalize(raw);
                }
                if (!type)
                    type = parseTypeText("nvarchar(4000)");
            }
            const char* table = sqlite3_column_table_name(st, i);
            const char* origin = sqlite3_column_origin_name(st, i);
            const char* schema = sqlite3_column_database_name(st, i);
            int notNull = 0;
            if (table && origin &&
                sqlite3_table_column_metadata(db, schema, table, origin, nullptr, nullptr, &notNull, nullptr, nullptr) ==
                    SQLITE_OK)
                type->nullable = notNull == 0;
            // The catalog's word wins where it has one (identity columns are NOT NULL there, not in SQLite).
            if (table && origin) {
                std::string prefix = schema && std::string(schema) != "main" ? quoteIdentifier(schema) + "." : "";
                std::string lookup = "SELECT c.isnullable FROM " + prefix + "syscolumns c JOIN " + prefix +
                                     "sysobjects o ON o.id = c.id WHERE o.name = ?1 AND c.name = ?2 AND c.number = 0 LIMIT 1";
                sqlite3_stmt* raw = nullptr;
                if (sqlite3_prepare_v2(db, lookup.c_str(), -1, &raw, nullptr) == SQLITE_OK) {
                    StatementHandle nullable(raw);
                    sqlite3_bind_text(raw, 1, table, -1, SQLITE_TRANSIENT);
                    sqlite3_bind_text(raw, 2, origin, -1, SQLITE_TRANSIENT);
                    if (sqlite3_step(raw) == SQLITE_ROW)
                        type->nullable = sqlite3_column_int(raw, 0) != 0;
                } else {
                    sqlite3_finalize(raw);
                }
            }
        } else if (item && !item->typeHint.empty()) {
            type = parseTypeText(item->typeHint);
        }
        if (type) {
            column.type = *type;
        } else {
            known[static_cast<std::size_t>(i)] = false;
            anyUnknown = true;
        }
    }

    std::int64_t rows = 0;
    auto convertRow = [&](std::vector<Value>& values) {
        for (std::size_t i = 0; i < values.size(); ++i)
            if (known[i])
                values[i] = valueForColumn(values[i], columns[i].type);
    };
    if (anyUnknown) {
        // Some column's type depends on its values: read them all first.
        std::vector<std::vector<Value>> buffered;
        for (int rc; (rc = sqlite3_step(st)) != SQLITE_DONE;) {
            if (rc != SQLITE_ROW)
                throwSqliteError(db, rc);
            std::vector<Value> values;
            for (int i = 0; i < count; ++i)
                values.push_back(columnValue(st, i));
            buffered.push_back(std::move(values));
        }
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (!known[i])
                columns[i].type = inferType(buffered, i);
        sink.beginResult(columns);
        for (auto& values : buffered) {
            if (rowLimit_ > 0 && rows >= rowLimit_)
                break;
            if (sink.cancelled()) {
                cancelled_ = true;
                return;
            }
            convertRow(values);
            sink.row(values);
            ++rows;
        }
    } else {
        sink.beginResult(columns);
        for (int rc; (rowLimit_ == 0 || rows < rowLimit_) && (rc = sqlite3_step(st)) != SQLITE_DONE;) {
            if (rc != SQLITE_ROW)
                throwSqliteError(db, rc);
            if (sink.cancelled()) {
                cancelled_ = true;
                return;
            }
            std::vector<Value> values;
            values.reserve(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i)
                values.push_back(columnValue(st, i));
            convertRow(values);
            sink.row(values);
            ++rows;
        }
    }
    rowCount_ = rows;
    done(sink, rows);
}

void Session::sendRows(const std::vector<ResultColumn>& columns, const std::vector<std::vector<Value>>& rows,
                       ResultSink& sink)
{
    sink.beginResult(columns);
    std::int64_t sent = 0;
    for (const auto& row : rows) {
        if (sink.cancelled()) {
            cancelled_ = true;
            return;
        }
        std::vector<Value> values = row;
        for (std::size_t i = 0; i < values.size() && i < columns.size(); ++i)
            values[i] = valueForColumn(values[i], columns[i].type);
        sink.row(values);
        ++sent;
    }
    rowCount_ = sent;
    done(sink, sent);
}

void Session::sendQuery(const std::string& sql, const std::vector<Value>& parameters, std::vector<ResultColumn> columns,
                        ResultSink& sink)
{
    sqlite3* db = database();
    StatementHandle statement = prepare(db, sql);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        int index = static_cast<int>(i + 1);
        if (const auto* s = std::get_if<std::string>(&parameters[i]))
            sqlite3_bind_text(statement.get(), index, s->c_str(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        else if (const auto* n = std::get_if<std::int64_t>(&parameters[i]))
            sqlite3_bind_int64(statement.get(), index, *n);
        else
            sqlite3_bind_null(statement.get(), index);
    }
    std::vector<std::vector<Value>> rows;
    const int count = sqlite3_column_count(statement.get());
    for (int rc; (rc = sqlite3_step(statement.get())) != SQLITE_DONE;) {
        if (rc != SQLITE_ROW)
            throwSqliteError(db, rc);
        std::vector<Value> values;
        for (int i = 0; i < count; ++i)
            values.push_back(columnValue(statement.get(), i));
        rows.push_back(std::move(values));
    }
    sendRows(columns, rows, sink);
}

// ---- DML ------------------------------------------------------------------

void Session::runDml(std::size_t begin, std::size_t end, ResultSink& sink)
{
    TranslatedDml translated = translateDml(tokens_, begin, end, translateContext());
    sqlite3* db = database();
    const std::string verb = toUpperAscii(tokens_[begin].text);
    try {
        StatementHandle statement = prepare(db, translated.sql);
        int rc = sqlite3_step(statement.get());
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            throwSqliteError(db, rc);
    } catch (const SqlError& error) {
        if (error.number == 208)
            rethrowWithWrittenName(error, translated.names);
        rethrowConstraint(error, translated.targetTable, verb);
    }
    rowCount_ = sqlite3_changes64(db);
    done(sink, rowCount_);
}

void Session::rethrowConstraint(const SqlError& error, const std::string& table, const std::string& verb)
{
    sqlite3* db = database();
    auto lookup = [&](const std::string& sql) -> std::string {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
            sqlite3_finalize(raw);
            return {};
        }
        StatementHandle statement(raw);
        sqlite3_bind_text(raw, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(raw) != SQLITE_ROW || !sqlite3_column_text(raw, 0))
            return {};
        return reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
    };
    switch (error.number) {
    case 515: {
        std::string text = error.what();
        std::size_t column = text.find("column '");
        std::string name = column == std::string::npos ? "" : text.substr(column + 8, text.find('\'', column + 8) - column - 8);
        throw SqlError(515, 16, 2, "Cannot insert the value NULL into column '" + name + "', table '" + current_ + ".dbo." +
                                       table + "'; column does not allow nulls. " + verb + " fails.");
    }
    case 2627: {
        std::string pk = lookup("SELECT k.name FROM sysobjects k JOIN sysobjects t ON k.parent_obj = t.id "
                                "WHERE t.name = ?1 AND k.xtype IN ('PK', 'UQ') ORDER BY k.xtype LIMIT 1");
        std::string kind = lookup("SELECT CASE k.xtype WHEN 'PK' THEN 'PRIMARY KEY' ELSE 'UNIQUE KEY' END FROM sysobjects k "
                                  "JOIN sysobjects t ON k.parent_obj = t.id WHERE t.name = ?1 AND k.xtype IN ('PK', 'UQ') "
                                  "ORDER BY k.xtype LIMIT 1");
        if (pk.empty())
            throw SqlError(2601, 14, 3, "Cannot insert duplicate key row in object '" + table + "' with unique index.");
        throw SqlError(2627, 14, 1, "Violation of " + kind + " constraint '" + pk + "'. Cannot insert duplicate key in object '" +
                                        table + "'.");
    }
    case 547: {
        std::string text = error.what();
        if (text.find("CHECK") != std::string::npos) {
            std::size_t quote = text.find('\'');
            std::string name = quote == std::string::npos ? "" : text.substr(quote + 1, text.rfind('\'') - quote - 1);
            // A column-level constraint keeps its column's colid in sysobjects.info; a table-level one has 0.
            std::string column;
            if (sqlite3_stmt* raw = nullptr;
                sqlite3_prepare_v2(db, "SELECT c.name FROM sysobjects k JOIN sysobjects t ON t.id = k.parent_obj "
                                       "JOIN syscolumns c ON c.id = t.id AND c.colid = k.info AND c.number = 0 "
                                       "WHERE k.name = ?1 AND k.xtype = 'C' AND t.name = ?2 LIMIT 1",
                                   -1, &raw, nullptr) == SQLITE_OK) {
                StatementHandle statement(raw);
                sqlite3_bind_text(raw, 1, name.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(raw, 2, table.c_str(), -1, SQLITE_TRANSIENT);
                if (sqlite3_step(raw) == SQLITE_ROW && sqlite3_column_text(raw, 0))
                    column = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
            } else {
                sqlite3_finalize(raw);
            }
            throw SqlError(547, 16, 1, verb + " statement conflicted with " + (column.empty() ? "TABLE" : "COLUMN") +
                                           " CHECK constraint '" + name + "'. The conflict occurred in database '" + current_ +
                                           "', table '" + table + "'" + (column.empty() ? "" : ", column '" + column + "'") + ".");
        }
        if (verb == "DELETE") {
            const char* firstReference =
                "FROM sysreferences r JOIN sysobjects t ON t.id = r.rkeyid WHERE t.name = ?1 ORDER BY r.constid LIMIT 1";
            std::string fk = lookup(std::string("SELECT (SELECT f.name FROM sysobjects f WHERE f.id = r.constid) ") + firstReference);
            std::string child = lookup(std::string("SELECT (SELECT c.name FROM sysobjects c WHERE c.id = r.fkeyid) ") + firstReference);
            std::string column = lookup(std::string("SELECT (SELECT c.name FROM syscolumns c WHERE c.id = r.fkeyid AND c.colid = r.fkey1) ") +
                                        firstReference);
            throw SqlError(547, 16, 1, "DELETE statement conflicted with COLUMN REFERENCE constraint '" + fk +
                                           "'. The conflict occurred in database '" + current_ + "', table '" + child + "'" +
                                           (column.empty() ? "" : ", column '" + column + "'") + ".");
        }
        // SQLite does not say which key failed; the table's first foreign key is named.
        const char* firstKey = "FROM sysreferences r JOIN sysobjects t ON t.id = r.fkeyid WHERE t.name = ?1 ORDER BY r.constid LIMIT 1";
        std::string fk = lookup(std::string("SELECT (SELECT f.name FROM sysobjects f WHERE f.id = r.constid) ") + firstKey);
        std::string parent = lookup(std::string("SELECT (SELECT p.name FROM sysobjects p WHERE p.id = r.rkeyid) ") + firstKey);
        std::string column = lookup(std::string("SELECT (SELECT c.name FROM syscolumns c WHERE c.id = r.rkeyid AND c.colid = r.rkey1) ") +
                                    firstKey);
        throw SqlError(547, 16, 1, verb + " statement conflicted with COLUMN FOREIGN KEY constraint '" + fk +
                                       "'. The conflict occurred in database '" + current_ + "', table '" + parent + "'" +
                                       (column.empty() ? "" : ", column '" + column + "'") + ".");
    }
    default:
        throw error;
    }
}

void Session::beginBulkIfNeeded()
{
    if (!bulkLoading_ || bulkOpen_ || tranCount_ > 0)
        return;
    sqlite3* db = database();
    if (sqlite3_get_autocommit(db)) {
        execute(db, "BEGIN");
        bulkOpen_ = true;
    }
}

void Session::commitBulk()
{
    if (!bulkOpen_)
        return;
    bulkOpen_ = false;
    for (auto& [name, c] : connections_)
        if (!sqlite3_get_autocommit(c.db.get()))
            execute(c.db.get(), "COMMIT");
}

}  // namespace sandbox
