#pragma once
// Reading and writing the rows of sysobjects, syscomments and their neighbours.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <sqlite3.h>

namespace sandbox::catalog {

// Object type codes as sysobjects.xtype holds them (char(2), blank-padded).
namespace xtype {
inline constexpr std::string_view UserTable = "U ";
inline constexpr std::string_view SystemTable = "S ";
inline constexpr std::string_view View = "V ";
inline constexpr std::string_view Procedure = "P ";
inline constexpr std::string_view ScalarFunction = "FN";
inline constexpr std::string_view InlineFunction = "IF";
inline constexpr std::string_view TableFunction = "TF";
inline constexpr std::string_view Trigger = "TR";
inline constexpr std::string_view PrimaryKey = "PK";
inline constexpr std::string_view Unique = "UQ";
inline constexpr std::string_view ForeignKey = "F ";
inline constexpr std::string_view Check = "C ";
inline constexpr std::string_view Default = "D ";
inline constexpr std::string_view Rule = "R ";
}  // namespace xtype

struct NewObject {
    std::string name;
    std::int64_t id = 0;
    std::string_view xtype;
    int uid = 1;
    std::int64_t parent = 0;
    int info = 0;       // for constraints: the column's colid, 0 for a table-level constraint
    int category = 0;
    std::int64_t deltrig = 0;  // a trigger row keeps its table's id here
};

struct FoundObject {
    std::int64_t id = 0;
    std::string name;
    std::string xtype;  // as stored, padded
    std::int64_t parent = 0;
    int uid = 1;
};

// The next object id in SQL Server's own sequence (1977058079, 2009058193, ...), never one in use.
std::int64_t newObjectId(sqlite3* db);
void insertObject(sqlite3* db, const NewObject& object);

std::optional<FoundObject> findObject(sqlite3* db, std::string_view name);
std::optional<FoundObject> findObjectById(sqlite3* db, std::int64_t id);
// The sysusers.uid of a user name; nullopt when there is none.
std::optional<int> userId(sqlite3* db, std::string_view userName);

// Stores a definition in syscomments, cut into rows of 4,000 characters (UTF-16 units).
void insertComments(sqlite3* db, std::int64_t id, int number, std::string_view text);

// Removes one object's own rows: sysobjects, syscolumns, syscomments, sysdepends (both directions).
void deleteObjectRows(sqlite3* db, std::int64_t id);

// A constraint name as SQL Server makes one up: PK__Orders__0519C6AF, DF__titles__pubdate__7E6CC920.
std::string generatedConstraintName(std::string_view prefix, std::string_view table, std::string_view column, std::int64_t id);

// A sysindexes row: an index (indid 1 clustered, 2-250 nonclustered) or the heap (indid 0, named after the table).
void insertIndexRow(sqlite3* db, std::int64_t tableId, int indid, int status, int keyCount, const std::string& name,
                    std::int64_t rows);
// The next free nonclustered indid of a table.
int nextIndexId(sqlite3* db, std::int64_t tableId);

// The database name the INFORMATION_SCHEMA views report.
std::string catalogDatabaseName(sqlite3* db);

}  // namespace sandbox::catalog
