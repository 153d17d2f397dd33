#include "catalog/catalog_store.h"

#include <cstdio>

#include "catalog/sqlite_util.h"

namespace sandbox::catalog {

namespace {

// SQL Server 2000 hands out object ids 32000114 apart, wrapping below 2^31.
constexpr std::int64_t firstObjectId = 1977058079;
constexpr std::int64_t objectIdStep = 32000114;
constexpr std::int64_t objectIdModulus = 2147483648;

std::string oldTypeCode(std::string_view xtype)
{
    if (xtype == xtype::PrimaryKey || xtype == xtype::Unique)
        return "K ";
    return std::string(xtype);
}

int sysstatFor(std::string_view xtype)
{
    if (xtype == xtype::SystemTable) return 113;
    if (xtype == xtype::View) return 2;
    if (xtype == xtype::UserTable) return 3;
    if (xtype == xtype::Procedure) return 4;
    if (xtype == xtype::Default) return 6;
    if (xtype == xtype::Rule) return 7;
    if (xtype == xtype::Trigger) return 8;
    if (xtype == xtype::PrimaryKey || xtype == xtype::Unique) return 9;
    if (xtype == xtype::Check) return 10;
    if (xtype == xtype::ForeignKey) return 11;
    return 0;
}

std::size_t utf8Length(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 0x6) return 2;
    if ((lead >> 4) == 0xE) return 3;
    if ((lead >> 3) == 0x1E) return 4;
    return 1;
}

// UTF-16LE bytes of UTF-8 text, as ctext keeps a chunk.
std::string utf16Bytes(std::string_view text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = std::min(utf8Length(lead), text.size() - i);
        std::uint32_t code = length == 1 ? lead : (lead & (0xFF >> (length + 1)));
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        auto put = [&](std::uint32_t unit) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>((unit >> 8) & 0xFF);
        };
        if (code >= 0x10000) {
            code -= 0x10000;
            put(0xD800 + (code >> 10));
            put(0xDC00 + (code & 0x3FF));
        } else {
            put(code);
        }
        i += length;
    }
    return bytes;
}

}  // namespace

std::int64_t newObjectId(sqlite3* db)
{
    for (;;) {
        const std::int64_t serial = queryInteger(db, "SELECT object_serial FROM sandbox_catalog").value_or(0);
        execute(db, "UPDATE sandbox_catalog SET object_serial = object_serial + 1");
        const std::int64_t id = (firstObjectId + serial * objectIdStep) % objectIdModulus;
        if (id < 100)
            continue;
        Statement used(db, "SELECT 1 FROM sysobjects WHERE id = ?1");
        used.bind(1, id);
        if (!used.step())
            return id;
    }
}

void insertObject(sqlite3* db, const NewObject& object)
{
    Statement insert(db,
                     "INSERT INTO sysobjects (name, id, xtype, uid, info, status, base_schema_ver, replinfo, parent_obj, crdate, "
                     "ftcatid, schema_ver, stats_schema_ver, type, userstat, sysstat, indexdel, refdate, version, deltrig, instrig, "
                     "updtrig, seltrig, category, cache) VALUES (?1, ?2, ?3, ?4, ?5, 0, 0, 0, ?6, "
                     "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), 0, 0, 0, ?7, ?8, ?9, 0, "
                     "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), 0, ?10, 0, 0, 0, ?11, 0)");
    const bool table = object.xtype == xtype::UserTable || object.xtype == xtype::SystemTable;
    insert.bind(1, object.name)
        .bind(2, object.id)
        .bind(3, object.xtype)
        .bind(4, object.uid)
        .bind(5, object.info)
        .bind(6, object.parent)
        .bind(7, oldTypeCode(object.xtype))
        .bind(8, table ? 1 : 0)
        .bind(9, sysstatFor(object.xtype))
        .bind(10, object.deltrig)
        .bind(11, object.category);
    insert.run();
}

namespace {

std::optional<FoundObject> readObject(Statement& query)
{
    if (!query.step())
        return std::nullopt;
    FoundObject found;
    found.id = query.integer(0);
    found.name = query.text(1);
    found.xtype = query.text(2);
    found.parent = query.integer(3);
    found.uid = static_cast<int>(query.integer(4));
    return found;
}

}  // namespace

std::optional<FoundObject> findObject(sqlite3* db, std::string_view name)
{
    Statement query(db, "SELECT id, name, xtype, parent_obj, uid FROM sysobjects WHERE name = ?1 ORDER BY uid <> 1, id LIMIT 1");
    query.bind(1, name);
    return readObject(query);
}

std::optional<FoundObject> findObjectById(sqlite3* db, std::int64_t id)
{
    Statement query(db, "SELECT id, name, xtype, parent_obj, uid FROM sysobjects WHERE id = ?1");
    query.bind(1, id);
    return readObject(query);
}

std::optional<int> userId(sqlite3* db, std::string_view userName)
{
    const auto uid = queryInteger(db, "SELECT uid FROM sysusers WHERE name = ?1", userName);
    if (!uid)
        return std::nullopt;
    return static_cast<int>(*uid);
}

void insertComments(sqlite3* db, std::int64_t id, int number, std::string_view text)
{
    Statement insert(db,
                     "INSERT INTO syscomments (id, number, colid, status, ctext, texttype, language, encrypted, compressed, text) "
                     "VALUES (?1, ?2, ?3, 0, ?4, 0, 0, 0, 0, ?5)");
    constexpr std::size_t unitsPerRow = 4000;
    std::size_t start = 0;
    int colid = 1;
    do {
        std::size_t units = 0;
        std::size_t i = start;
        while (i < text.size()) {
            const std::size_t length = std::min(utf8Length(static_cast<unsigned char>(text[i])), text.size() - i);
            const std::size_t needed = length == 4 ? 2 : 1;
            if (units + needed > unitsPerRow)
                break;
            units += needed;
            i += length;
        }
        const std::string_view chunk = text.substr(start, i - start);
        const std::string bytes = utf16Bytes(chunk);
        insert.reset();
        insert.bind(1, id).bind(2, number).bind(3, colid).bind(5, chunk);
        insert.bindBlob(4, bytes);
        insert.run();
        start = i;
        ++colid;
    } while (start < text.size());
}

void deleteObjectRows(sqlite3* db, std::int64_t id)
{
    for (const char* sql : {"DELETE FROM sysobjects WHERE id = ?1", "DELETE FROM syscolumns WHERE id = ?1",
                            "DELETE FROM syscomments WHERE id = ?1", "DELETE FROM sysdepends WHERE id = ?1 OR depid = ?1",
                            "DELETE FROM syspermissions WHERE id = ?1", "DELETE FROM sysprotects WHERE id = ?1"}) {
        Statement statement(db, sql);
        statement.bind(1, id);
        statement.run();
    }
}

std::string generatedConstraintName(std::string_view prefix, std::string_view table, std::string_view column, std::int64_t id)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08llX", static_cast<unsigned long long>(id & 0xFFFFFFFF));
    std::string name = std::string(prefix) + "__";
    if (column.empty()) {
        name += std::string(table.substr(0, 16));
    } else {
        const std::string tablePart(table.substr(0, 9));
        // The whole name stays within 30 characters; the column part gives way.
        const std::size_t room = 30 - std::min<std::size_t>(30, name.size() + tablePart.size() + 2 + 2 + 8);
        name += tablePart + "__" + std::string(column.substr(0, room));
    }
    return name + "__" + hex;
}

void insertIndexRow(sqlite3* db, std::int64_t tableId, int indid, int status, int keyCount, const std::string& name,
                    std::int64_t rows)
{
    Statement insert(db,
                     "INSERT INTO sysindexes (id, status, first, indid, root, minlen, keycnt, groupid, dpages, reserved, used, "
                     "rowcnt, rowmodctr, reserved3, reserved4, xmaxlen, maxirow, OrigFillFactor, StatVersion, reserved2, "
                     "FirstIAM, impid, lockflags, pgmodctr, keys, name, statblob, maxlen, rows) VALUES (?1, ?2, zeroblob(6), ?3, "
                     "zeroblob(6), 0, ?4, 1, 0, 0, 0, ?5, 0, 0, 0, 0, 0, 0, 0, 0, zeroblob(6), 0, 0, 0, NULL, ?6, NULL, 8000, ?5)");
    insert.bind(1, tableId).bind(2, status).bind(3, indid).bind(4, keyCount).bind(5, rows).bind(6, name);
    insert.run();
}

int nextIndexId(sqlite3* db, std::int64_t tableId)
{
    return static_cast<int>(
        queryInteger(db, "SELECT max(indid) + 1 FROM sysindexes WHERE indid BETWEEN 2 AND 250 AND id = " + std::to_string(tableId))
            .value_or(2));
}

std::string catalogDatabaseName(sqlite3* db)
{
    Statement query(db, "SELECT database_name FROM sandbox_catalog");
    return query.step() ? query.text(0) : std::string();
}

}  // namespace sandbox::catalog
