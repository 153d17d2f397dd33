#include "catalog/information_schema.h"

#include <string>

#include "catalog/catalog_store.h"
#include "catalog/sqlite_util.h"

namespace sandbox::catalog {

namespace {

// Type columns shared by COLUMNS, ROUTINES and PARAMETERS; c is the syscolumns row.
std::string typeColumns(bool withCollation)
{
    std::string columns =
        "(SELECT b.name FROM systypes b WHERE b.xusertype = c.xtype) AS DATA_TYPE, "
        "(CASE WHEN c.xtype IN (35, 99, 167, 175, 231, 239, 34, 165, 173) THEN c.prec END) AS CHARACTER_MAXIMUM_LENGTH, "
        "(CASE WHEN c.xtype IN (167, 175, 165, 173, 231, 239) THEN c.length WHEN c.xtype IN (34, 35) THEN 2147483647 "
        "WHEN c.xtype = 99 THEN 2147483646 END) AS CHARACTER_OCTET_LENGTH, ";
    const std::string collation =
        "NULL AS COLLATION_CATALOG, NULL AS COLLATION_SCHEMA, c.collation AS COLLATION_NAME, ";
    const std::string characterSet =
        "NULL AS CHARACTER_SET_CATALOG, NULL AS CHARACTER_SET_SCHEMA, "
        "(CASE WHEN c.xtype IN (35, 167, 175) THEN 'iso_1' WHEN c.xtype IN (99, 231, 239) THEN 'UNICODE' END) AS "
        "CHARACTER_SET_NAME, ";
    const std::string numeric =
        "(CASE WHEN c.xtype IN (48, 52, 56, 127, 106, 108, 60, 122, 62, 59) THEN c.xprec END) AS NUMERIC_PRECISION, "
        "(CASE WHEN c.xtype IN (62, 59) THEN 2 WHEN c.xtype IN (48, 52, 56, 127, 106, 108, 60, 122) THEN 10 END) AS "
        "NUMERIC_PRECISION_RADIX, "
        "(CASE WHEN c.xtype IN (48, 52, 56, 127, 106, 108, 60, 122) THEN c.xscale END) AS NUMERIC_SCALE, "
        "(CASE c.xtype WHEN 61 THEN 3 WHEN 58 THEN 0 END) AS DATETIME_PRECISION";
    return columns + (withCollation ? collation + characterSet : characterSet + collation) + numeric;
}

const char* const tables =
    "CREATE VIEW \"INFORMATION_SCHEMA.TABLES\" AS SELECT s.database_name AS TABLE_CATALOG, u.name AS TABLE_SCHEMA, "
    "o.name AS TABLE_NAME, (CASE o.xtype WHEN 'U ' THEN 'BASE TABLE' ELSE 'VIEW' END) AS TABLE_TYPE "
    "FROM sysobjects o JOIN sysusers u ON u.uid = o.uid CROSS JOIN sandbox_catalog s WHERE o.xtype IN ('U ', 'V ')";

const char* const views =
    "CREATE VIEW \"INFORMATION_SCHEMA.VIEWS\" AS SELECT s.database_name AS TABLE_CATALOG, u.name AS TABLE_SCHEMA, "
    "o.name AS TABLE_NAME, (SELECT m.text FROM syscomments m WHERE m.id = o.id AND m.colid = 1) AS VIEW_DEFINITION, "
    "'NONE' AS CHECK_OPTION, 'NO' AS IS_UPDATABLE "
    "FROM sysobjects o JOIN sysusers u ON u.uid = o.uid CROSS JOIN sandbox_catalog s WHERE o.xtype = 'V ' AND o.category = 0";

std::string columnsView()
{
    return "CREATE VIEW \"INFORMATION_SCHEMA.COLUMNS\" AS SELECT s.database_name AS TABLE_CATALOG, u.name AS TABLE_SCHEMA, "
           "o.name AS TABLE_NAME, c.name AS COLUMN_NAME, c.colid AS ORDINAL_POSITION, "
           "(SELECT m.text FROM syscomments m WHERE m.id = c.cdefault AND m.colid = 1) AS COLUMN_DEFAULT, "
           "(CASE c.isnullable WHEN 1 THEN 'YES' ELSE 'NO' END) AS IS_NULLABLE, " +
           typeColumns(false) +
           ", (CASE WHEN c.xusertype > 256 THEN s.database_name END) AS DOMAIN_CATALOG, "
           "(CASE WHEN c.xusertype > 256 THEN (SELECT tu.name FROM systypes t JOIN sysusers tu ON tu.uid = t.uid "
           "WHERE t.xusertype = c.xusertype) END) AS DOMAIN_SCHEMA, "
           "(CASE WHEN c.xusertype > 256 THEN (SELECT t.name FROM systypes t WHERE t.xusertype = c.xusertype) END) AS DOMAIN_NAME "
           "FROM sysobjects o JOIN sysusers u ON u.uid = o.uid JOIN syscolumns c ON c.id = o.id AND c.number = 0 "
           "CROSS JOIN sandbox_catalog s WHERE o.xtype IN ('U ', 'V ')";
}

std::string routinesView()
{
    return "CREATE VIEW \"INFORMATION_SCHEMA.ROUTINES\" AS SELECT s.database_name AS SPECIFIC_CATALOG, "
           "u.name AS SPECIFIC_SCHEMA, o.name AS SPECIFIC_NAME, s.database_name AS ROUTINE_CATALOG, "
           "u.name AS ROUTINE_SCHEMA, o.name AS ROUTINE_NAME, "
           "(CASE o.xtype WHEN 'P ' THEN 'PROCEDURE' ELSE 'FUNCTION' END) AS ROUTINE_TYPE, "
           "NULL AS MODULE_CATALOG, NULL AS MODULE_SCHEMA, NULL AS MODULE_NAME, NULL AS UDT_CATALOG, NULL AS UDT_SCHEMA, "
           "NULL AS UDT_NAME, "
           "(CASE WHEN o.xtype IN ('IF', 'TF') THEN 'TABLE' ELSE (SELECT b.name FROM systypes b WHERE b.xusertype = c.xtype) END) "
           "AS DATA_TYPE, "
           "(CASE WHEN c.xtype IN (35, 99, 167, 175, 231, 239, 34, 165, 173) THEN c.prec END) AS CHARACTER_MAXIMUM_LENGTH, "
           "(CASE WHEN c.xtype IN (167, 175, 165, 173, 231, 239) THEN c.length WHEN c.xtype IN (34, 35) THEN 2147483647 "
           "WHEN c.xtype = 99 THEN 2147483646 END) AS CHARACTER_OCTET_LENGTH, "
           "NULL AS COLLATION_CATALOG, NULL AS COLLATION_SCHEMA, c.collation AS COLLATION_NAME, "
           "NULL AS CHARACTER_SET_CATALOG, NULL AS CHARACTER_SET_SCHEMA, "
           "(CASE WHEN c.xtype IN (35, 167, 175) THEN 'iso_1' WHEN c.xtype IN (99, 231, 239) THEN 'UNICODE' END) AS "
           "CHARACTER_SET_NAME, "
           "(CASE WHEN c.xtype IN (48, 52, 56, 127, 106, 108, 60, 122, 62, 59) THEN c.xprec END) AS NUMERIC_PRECISION, "
           "(CASE WHEN c.xtype IN (62, 59) THEN 2 WHEN c.xtype IN (48, 52, 56, 127, 106, 108, 60, 122) THEN 10 END) AS "
           "NUMERIC_PRECISION_RADIX, "
           "(CASE WHEN c.xtype IN (48, 52, 56, 127, 106, 108, 60, 122) THEN c.xscale END) AS NUMERIC_SCALE, "
           "(CASE c.xtype WHEN 61 THEN 3 WHEN 58 THEN 0 END) AS DATETIME_PRECISION, "
           "NULL AS INTERVAL_TYPE, NULL AS INTERVAL_PRECISION, NULL AS TYPE_UDT_CATALOG, NULL AS TYPE_UDT_SCHEMA, "
           "NULL AS TYPE_UDT_NAME, NULL AS SCOPE_CATALOG, NULL AS SCOPE_SCHEMA, NULL AS SCOPE_NAME, "
           "NULL AS MAXIMUM_CARDINALITY, NULL AS DTD_IDENTIFIER, 'SQL' AS ROUTINE_BODY, "
           "(SELECT m.text FROM syscomments m WHERE m.id = o.id AND m.colid = 1 ORDER BY m.number LIMIT 1) AS "
           "ROUTINE_DEFINITION, "
           "NULL AS EXTERNAL_NAME, NULL AS EXTERNAL_LANGUAGE, NULL AS PARAMETER_STYLE, "
           "(CASE o.xtype WHEN 'P ' THEN 'NO' ELSE 'NO' END) AS IS_DETERMINISTIC, "
           "(CASE o.xtype WHEN 'P ' THEN 'MODIFIES' ELSE 'READS' END) AS SQL_DATA_ACCESS, "
           "(CASE o.xtype WHEN 'P ' THEN NULL ELSE 'YES' END) AS IS_NULL_CALL, NULL AS SQL_PATH, "
           "'YES' AS SCHEMA_LEVEL_ROUTINE, (CASE o.xtype WHEN 'P ' THEN -1 ELSE 0 END) AS MAX_DYNAMIC_RESULT_SETS, "
           "'NO' AS IS_USER_DEFINED_CAST, 'NO' AS IS_IMPLICITLY_INVOCABLE, o.crdate AS CREATED, o.crdate AS LAST_ALTERED "
           "FROM sysobjects o JOIN sysusers u ON u.uid = o.uid "
           "LEFT JOIN syscolumns c ON c.id = o.id AND c.colid = 0 AND o.xtype = 'FN' "
           "CROSS JOIN sandbox_catalog s WHERE o.xtype IN ('P ', 'FN', 'IF', 'TF')";
}

std::string parametersView()
{
    return "CREATE VIEW \"INFORMATION_SCHEMA.PARAMETERS\" AS SELECT s.database_name AS SPECIFIC_CATALOG, "
           "u.name AS SPECIFIC_SCHEMA, o.name AS SPECIFIC_NAME, c.colid AS ORDINAL_POSITION, "
           "(CASE WHEN c.colid = 0 THEN 'OUT' WHEN c.isoutparam = 1 THEN 'INOUT' ELSE 'IN' END) AS PARAMETER_MODE, "
           "(CASE WHEN c.colid = 0 THEN 'YES' ELSE 'NO' END) AS IS_RESULT, 'NO' AS AS_LOCATOR, c.name AS PARAMETER_NAME, " +
           typeColumns(true) +
           ", NULL AS INTERVAL_TYPE, NULL AS INTERVAL_PRECISION, "
           "(CASE WHEN c.xusertype > 256 THEN s.database_name END) AS USER_DEFINED_TYPE_CATALOG, "
           "(CASE WHEN c.xusertype > 256 THEN 'dbo' END) AS USER_DEFINED_TYPE_SCHEMA, "
           "(CASE WHEN c.xusertype > 256 THEN (SELECT t.name FROM systypes t WHERE t.xusertype = c.xusertype) END) AS "
           "USER_DEFINED_TYPE_NAME, NULL AS SCOPE_CATALOG, NULL AS SCOPE_SCHEMA, NULL AS SCOPE_NAME "
           "FROM sysobjects o JOIN sysusers u ON u.uid = o.uid JOIN syscolumns c ON c.id = o.id "
           "AND (c.name LIKE '@%' OR (c.colid = 0 AND o.xtype = 'FN')) "
           "CROSS JOIN sandbox_catalog s WHERE o.xtype IN ('P ', 'FN', 'IF', 'TF')";
}

const char* const tableConstraints =
    "CREATE VIEW \"INFORMATION_SCHEMA.TABLE_CONSTRAINTS\" AS SELECT s.database_name AS CONSTRAINT_CATALOG, "
    "u.name AS CONSTRAINT_SCHEMA, k.name AS CONSTRAINT_NAME, s.database_name AS TABLE_CATALOG, u.name AS TABLE_SCHEMA, "
    "t.name AS TABLE_NAME, (CASE k.xtype WHEN 'PK' THEN 'PRIMARY KEY' WHEN 'UQ' THEN 'UNIQUE' WHEN 'F ' THEN 'FOREIGN KEY' "
    "ELSE 'CHECK' END) AS CONSTRAINT_TYPE, 'NO' AS IS_DEFERRABLE, 'NO' AS INITIALLY_DEFERRED "
    "FROM sysobjects k JOIN sysobjects t ON t.id = k.parent_obj JOIN sysusers u ON u.uid = t.uid "
    "CROSS JOIN sandbox_catalog s WHERE k.xtype IN ('PK', 'UQ', 'F ', 'C ')";

const char* const checkConstraints =
    "CREATE VIEW \"INFORMATION_SCHEMA.CHECK_CONSTRAINTS\" AS SELECT s.database_name AS CONSTRAINT_CATALOG, "
    "u.name AS CONSTRAINT_SCHEMA, k.name AS CONSTRAINT_NAME, "
    "(SELECT m.text FROM syscomments m WHERE m.id = k.id AND m.colid = 1) AS CHECK_CLAUSE "
    "FROM sysobjects k JOIN sysusers u ON u.uid = k.uid CROSS JOIN sandbox_catalog s WHERE k.xtype = 'C '";

// Key columns: PRIMARY KEY and UNIQUE through their index, FOREIGN KEY through sysforeignkeys.
const char* const keyColumnUsage =
    "CREATE VIEW \"INFORMATION_SCHEMA.KEY_COLUMN_USAGE\" AS "
    "SELECT s.database_name AS CONSTRAINT_CATALOG, u.name AS CONSTRAINT_SCHEMA, k.name AS CONSTRAINT_NAME, "
    "s.database_name AS TABLE_CATALOG, u.name AS TABLE_SCHEMA, t.name AS TABLE_NAME, c.name AS COLUMN_NAME, "
    "x.keyno AS ORDINAL_POSITION "
    "FROM sysobjects k JOIN sysobjects t ON t.id = k.parent_obj JOIN sysusers u ON u.uid = t.uid "
    "JOIN sysindexes i ON i.id = t.id AND i.name = k.name JOIN sysindexkeys x ON x.id = i.id AND x.indid = i.indid "
    "JOIN syscolumns c ON c.id = t.id AND c.colid = x.colid AND c.number = 0 CROSS JOIN sandbox_catalog s "
    "WHERE k.xtype IN ('PK', 'UQ') "
    "UNION ALL SELECT s.database_name, u.name, k.name, s.database_name, u.name, t.name, c.name, f.keyno "
    "FROM sysobjects k JOIN sysobjects t ON t.id = k.parent_obj JOIN sysusers u ON u.uid = t.uid "
    "JOIN sysforeignkeys f ON f.constid = k.id JOIN syscolumns c ON c.id = f.fkeyid AND c.colid = f.fkey AND c.number = 0 "
    "CROSS JOIN sandbox_catalog s WHERE k.xtype = 'F '";

const char* const referentialConstraints =
    "CREATE VIEW \"INFORMATION_SCHEMA.REFERENTIAL_CONSTRAINTS\" AS SELECT s.database_name AS CONSTRAINT_CATALOG, "
    "u.name AS CONSTRAINT_SCHEMA, k.name AS CONSTRAINT_NAME, s.database_name AS UNIQUE_CONSTRAINT_CATALOG, "
    "ru.name AS UNIQUE_CONSTRAINT_SCHEMA, i.name AS UNIQUE_CONSTRAINT_NAME, 'SIMPLE' AS MATCH_OPTION, "
    "(CASE WHEN instr(e.sqlite_text, 'ON UPDATE CASCADE') > 0 THEN 'CASCADE' ELSE 'NO ACTION' END) AS UPDATE_RULE, "
    "(CASE WHEN instr(e.sqlite_text, 'ON DELETE CASCADE') > 0 THEN 'CASCADE' ELSE 'NO ACTION' END) AS DELETE_RULE "
    "FROM sysobjects k JOIN sysusers u ON u.uid = k.uid JOIN sysreferences r ON r.constid = k.id "
    "JOIN sysobjects rt ON rt.id = r.rkeyid JOIN sysusers ru ON ru.uid = rt.uid "
    "JOIN sysindexes i ON i.id = r.rkeyid AND i.indid = r.rkeyindid "
    "LEFT JOIN sandbox_expression e ON e.object_id = k.id AND e.colid = 1 CROSS JOIN sandbox_catalog s WHERE k.xtype = 'F '";

const char* const viewTableUsage =
    "CREATE VIEW \"INFORMATION_SCHEMA.VIEW_TABLE_USAGE\" AS SELECT DISTINCT s.database_name AS VIEW_CATALOG, "
    "vu.name AS VIEW_SCHEMA, v.name AS VIEW_NAME, s.database_name AS TABLE_CATALOG, tu.name AS TABLE_SCHEMA, "
    "t.name AS TABLE_NAME FROM sysobjects v JOIN sysusers vu ON vu.uid = v.uid JOIN sysdepends d ON d.id = v.id "
    "JOIN sysobjects t ON t.id = d.depid JOIN sysusers tu ON tu.uid = t.uid CROSS JOIN sandbox_catalog s "
    "WHERE v.xtype = 'V ' AND t.xtype IN ('U ', 'V ')";

}  // namespace

void createInformationSchema(sqlite3* db, bool isMaster)
{
    execute(db, tables);
    execute(db, views);
    execute(db, columnsView());
    execute(db, routinesView());
    execute(db, parametersView());
    execute(db, tableConstraints);
    execute(db, checkConstraints);
    execute(db, keyColumnUsage);
    execute(db, referentialConstraints);
    execute(db, viewTableUsage);
    if (!isMaster)
        return;
    for (const char* name : {"CHECK_CONSTRAINTS", "COLUMN_DOMAIN_USAGE", "COLUMN_PRIVILEGES", "COLUMNS",
                             "CONSTRAINT_COLUMN_USAGE", "CONSTRAINT_TABLE_USAGE", "DOMAIN_CONSTRAINTS", "DOMAINS",
                             "KEY_COLUMN_USAGE", "PARAMETERS", "REFERENTIAL_CONSTRAINTS", "ROUTINE_COLUMNS", "ROUTINES",
                             "SCHEMATA", "TABLE_CONSTRAINTS", "TABLE_PRIVILEGES", "TABLES", "VIEW_COLUMN_USAGE",
                             "VIEW_TABLE_USAGE", "VIEWS"}) {
        insertObject(db, NewObject{name, newObjectId(db), xtype::View, 3, 0, 0, 2, 0});
    }
}

}  // namespace sandbox::catalog
