#include "catalog/columns.h"

#include "catalog/sqlite_util.h"

namespace sandbox::catalog {

namespace {

int legacyUsertype(int xtype)
{
    for (const auto& type : builtinTypes())
        if (type.xtype == xtype && type.xusertype == xtype)
            return type.usertype;
    return 0;
}

int legacyType(int xtype)
{
    for (const auto& type : builtinTypes())
        if (type.xtype == xtype && type.xusertype == xtype)
            return type.legacyType;
    return 0;
}

}  // namespace

void insertColumn(sqlite3* db, const ColumnRow& column)
{
    Statement insert(db,
                     "INSERT INTO syscolumns (name, id, xtype, typestat, xusertype, length, xprec, xscale, colid, xoffset, bitpos, "
                     "reserved, colstat, cdefault, domain, number, colorder, autoval, offset, collationid, language, status, type, "
                     "usertype, printfmt, prec, scale, iscomputed, isoutparam, isnullable, collation, tdscollation) VALUES "
                     "(?1, ?2, ?3, 0, ?4, ?5, ?6, ?7, ?8, 0, 0, 0, ?9, ?10, ?11, ?12, ?8, NULL, 0, ?13, 0, ?14, ?15, ?16, NULL, ?17, "
                     "?18, ?19, ?20, ?21, ?22, ?23)");
    const ColumnTypeInfo& type = column.type;
    int status = 0;
    if (column.nullable)
        status |= 0x08;
    if (type.xtype == 167 || type.xtype == 165)
        status |= 0x10;
    if (column.outParam)
        status |= 0x40;
    if (column.identity)
        status |= 0x80;
    insert.bind(1, column.name)
        .bind(2, column.objectId)
        .bind(3, type.xtype)
        .bind(4, type.xusertype)
        .bind(5, type.length)
        .bind(6, type.xprec)
        .bind(7, type.xscale)
        .bind(8, column.colid)
        .bind(9, column.identity ? 1 : 0)
        .bind(10, column.cdefault)
        .bind(11, column.domain)
        .bind(12, column.number)
        .bind(14, status)
        .bind(15, legacyType(type.xtype))
        .bind(16, legacyUsertype(type.xtype))
        .bind(17, type.prec)
        .bind(19, column.computed ? 1 : 0)
        .bind(20, column.outParam ? 1 : 0)
        .bind(21, column.nullable ? 1 : 0);
    if (type.character) {
        insert.bind(13, defaultCollationId).bind(22, defaultCollation).bindBlob(23, std::string_view("\x09\x04\xD0\x00\x34", 5));
    } else {
        insert.bindNull(13).bindNull(22).bindNull(23);
    }
    if (type.scale)
        insert.bind(18, *type.scale);
    else
        insert.bindNull(18);
    insert.run();
}

}  // namespace sandbox::catalog
