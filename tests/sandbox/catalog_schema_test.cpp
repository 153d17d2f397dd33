// The catalog of a fresh database: system tables, types, users, compatibility and INFORMATION_SCHEMA views.
#include "catalog_fixture.h"

namespace sandbox::catalog::testing {
namespace {

using SchemaTest = CatalogTest;

TEST_F(SchemaTest, SystemObjectsAreListedAsSqlServer2000ListsThem)
{
    EXPECT_EQ(rows("SELECT name, id, xtype, type, uid, parent_obj, userstat, category FROM sysobjects WHERE id < 100 ORDER BY id"),
              (Rows{{"sysobjects", "1", "S ", "S ", "1", "0", "1", "2"},
                    {"sysindexes", "2", "S ", "S ", "1", "0", "1", "2"},
                    {"syscolumns", "3", "S ", "S ", "1", "0", "1", "2"},
                    {"systypes", "4", "S ", "S ", "1", "0", "1", "2"},
                    {"syscomments", "6", "S ", "S ", "1", "0", "1", "2"},
                    {"syspermissions", "9", "S ", "S ", "1", "0", "1", "2"},
                    {"sysusers", "10", "S ", "S ", "1", "0", "1", "2"},
                    {"sysdepends", "12", "S ", "S ", "1", "0", "1", "2"},
                    {"sysreferences", "14", "S ", "S ", "1", "0", "1", "2"},
                    {"sysindexkeys", "25", "S ", "S ", "1", "0", "1", "2"},
                    {"sysforeignkeys", "26", "S ", "S ", "1", "0", "1", "2"},
                    {"sysmembers", "27", "S ", "S ", "1", "0", "1", "2"},
                    {"sysprotects", "28", "S ", "S ", "1", "0", "1", "2"},
                    {"sysfilegroups", "96", "S ", "S ", "1", "0", "1", "2"},
                    {"sysfiles", "97", "S ", "S ", "1", "0", "1", "2"}}));
    EXPECT_EQ(rows("SELECT name, xtype, category FROM sysobjects WHERE xtype = 'V' ORDER BY name"),
              (Rows{{"sysconstraints", "V ", "2"}, {"syssegments", "V ", "2"}}));
    // The views window's own filter leaves them out.
    EXPECT_EQ(rows("SELECT Name FROM SysObjects WHERE Xtype='V' AND Category = 0"), Rows{});
    // xtype = 'U' matches 'U ' because the collation ignores trailing blanks.
    EXPECT_EQ(value("SELECT count(*) FROM sysobjects WHERE xtype = 'S'"), "15");
}

TEST_F(SchemaTest, SystemTablesDeclareSqlServerTypesInSqlServerOrder)
{
    // SQLite reports the type names it knows (int, real, text) in upper case.
    EXPECT_EQ(rows("SELECT name, type FROM pragma_table_info('sysobjects') WHERE cid < 4 OR name = 'crdate'"),
              (Rows{{"name", "nvarchar(128)"}, {"id", "INT"}, {"xtype", "char(2)"}, {"uid", "smallint"}, {"crdate", "datetime"}}));
    EXPECT_EQ(value("SELECT group_concat(name, ',') FROM pragma_table_info('syscomments')"),
              "id,number,colid,status,ctext,texttype,language,encrypted,compressed,text");
    // The system tables' own columns are catalogued: sysobjects.name is a sysname (nvarchar(128), 256 bytes).
    EXPECT_EQ(rows("SELECT name, colid, xtype, xusertype, length, prec, collation, isnullable FROM syscolumns WHERE id = 1 "
                   "AND colid <= 3"),
              (Rows{{"name", "1", "231", "256", "256", "128", "SQL_Latin1_General_CP1_CI_AS", "0"},
                    {"id", "2", "56", "56", "4", "10", "NULL", "0"},
                    {"xtype", "3", "175", "175", "2", "2", "SQL_Latin1_General_CP1_CI_AS", "0"}}));
    EXPECT_EQ(rows("SELECT name FROM syscolumns WHERE id = 6 AND isnullable = 1 ORDER BY colid"), (Rows{{"ctext"}, {"text"}}));
}

TEST_F(SchemaTest, BuiltInTypesAndUsers)
{
    EXPECT_EQ(value("SELECT count(*) FROM systypes"), "26");
    EXPECT_EQ(rows("SELECT name, xtype, xusertype, length, xprec, xscale, variable, allownulls, prec FROM systypes "
                   "WHERE name IN ('sysname', 'int', 'decimal', 'nvarchar', 'timestamp') ORDER BY xusertype"),
              (Rows{{"int", "56", "56", "4", "10", "0", "0", "1", "10"},
                    {"decimal", "106", "106", "17", "38", "38", "0", "1", "38"},
                    {"timestamp", "189", "189", "8", "0", "0", "0", "0", "8"},
                    {"nvarchar", "231", "231", "8000", "0", "0", "1", "1", "4000"},
                    {"sysname", "231", "256", "256", "0", "0", "1", "0", "128"}}));
    EXPECT_EQ(rows("SELECT uid, name FROM sysusers WHERE uid < 16384 ORDER BY uid"),
              (Rows{{"0", "public"}, {"1", "dbo"}, {"2", "guest"}, {"3", "INFORMATION_SCHEMA"}, {"4", "system_function_schema"}}));
}

TEST_F(SchemaTest, InformationSchemaViewsAreDottedSqliteViews)
{
    run("CREATE TABLE Orders (OrderID int NOT NULL, Note varchar(20) NULL)");
    EXPECT_EQ(rows("SELECT TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE FROM \"INFORMATION_SCHEMA.TABLES\" ORDER BY TABLE_NAME"),
              (Rows{{"Shop", "dbo", "Orders", "BASE TABLE"},
                    {"Shop", "dbo", "sysconstraints", "VIEW"},
                    {"Shop", "dbo", "syssegments", "VIEW"}}));
    EXPECT_EQ(rows("SELECT COLUMN_NAME, ORDINAL_POSITION, IS_NULLABLE, DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, "
                   "CHARACTER_OCTET_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE FROM \"INFORMATION_SCHEMA.COLUMNS\" "
                   "WHERE TABLE_NAME = 'orders' ORDER BY ORDINAL_POSITION"),
              (Rows{{"OrderID", "1", "NO", "int", "NULL", "NULL", "10", "0"},
                    {"Note", "2", "YES", "varchar", "20", "20", "NULL", "NULL"}}));
}

class MasterSchemaTest : public CatalogTest {
protected:
    bool isMaster() const override { return true; }
    std::string databaseName() const override { return "master"; }
};

TEST_F(MasterSchemaTest, MasterListsDatabasesAndLogins)
{
    EXPECT_EQ(registerDatabase(db_, "tempdb", "/data/tempdb.db"), 2);
    EXPECT_EQ(registerDatabase(db_, "Harbor", "/data/Harbor.db"), 5);
    EXPECT_EQ(registerDatabase(db_, "Archive", "/data/Archive.db"), 6);
    EXPECT_EQ(registerDatabase(db_, "Harbor", "/data/Harbor.db"), 5);
    EXPECT_EQ(rows("SELECT name, dbid, cmptlevel, filename, version FROM sysdatabases ORDER BY dbid"),
              (Rows{{"master", "1", "80", "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\data\\master.mdf", "539"},
                    {"tempdb", "2", "80", "/data/tempdb.db", "539"},
                    {"Harbor", "5", "80", "/data/Harbor.db", "539"},
                    {"Archive", "6", "80", "/data/Archive.db", "539"}}));
    unregisterDatabase(db_, "Archive");
    EXPECT_EQ(value("SELECT count(*) FROM sysdatabases WHERE name = 'Archive'"), "0");
    EXPECT_EQ(rows("SELECT name, sysadmin FROM syslogins"), (Rows{{"sa", "1"}}));
    EXPECT_EQ(rows("SELECT name, uid FROM sysobjects WHERE xtype = 'V' AND uid = 3 AND name IN ('TABLES', 'ROUTINES') ORDER BY name"),
              (Rows{{"ROUTINES", "3"}, {"TABLES", "3"}}));
}

}  // namespace
}  // namespace sandbox::catalog::testing
