#include "engine_recording_sink.h"

#include "engine/translator.h"

namespace sandbox::test {
namespace {

class EngineQueryFormsTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        run("CREATE DATABASE Harbor");
        run("CREATE DATABASE Archive");
        run("USE Archive CREATE TABLE OldShips (ShipID int NOT NULL PRIMARY KEY, Name nvarchar(30) NOT NULL)\n"
            "INSERT INTO OldShips VALUES (1, N'Ada') INSERT INTO OldShips VALUES (9, N'Zed')");
        run("USE Harbor CREATE TABLE Ships (ShipID int NOT NULL PRIMARY KEY, Name nvarchar(30) NOT NULL, Tonnage int NULL)\n"
            "INSERT INTO Ships VALUES (1, N'Ada', 100) INSERT INTO Ships VALUES (2, N'Bea', 200)\n"
            "INSERT INTO Ships VALUES (3, N'Cai', NULL) INSERT INTO Ships VALUES (4, N'Dee', 400)");
    }
};

TEST_F(EngineQueryFormsTest, UnionsDerivedTablesPercentAndJoinsAcrossDatabases)
{
    EXPECT_EQ(column("SELECT Name FROM Ships WHERE ShipID = 1 UNION SELECT Name FROM Archive.dbo.OldShips ORDER BY Name"),
              (std::vector<std::string>{"Ada", "Zed"}));
    EXPECT_EQ(column("SELECT Name FROM Ships UNION ALL SELECT Name FROM Archive..OldShips ORDER BY 1 DESC"),
              (std::vector<std::string>{"Zed", "Dee", "Cai", "Bea", "Ada", "Ada"}));
    EXPECT_EQ(column("SELECT big.Name FROM (SELECT Name, Tonnage FROM Ships WHERE Tonnage > 150) AS big ORDER BY big.Name"),
              (std::vector<std::string>{"Bea", "Dee"}));
    EXPECT_EQ(column("SELECT TOP 50 PERCENT ShipID FROM Ships ORDER BY ShipID DESC"), (std::vector<std::string>{"4", "3"}));
    EXPECT_EQ(column("SELECT s.Name FROM Ships s INNER JOIN Archive.dbo.OldShips o ON o.ShipID = s.ShipID"),
              (std::vector<std::string>{"Ada"}));
    EXPECT_EQ(column("SELECT CASE WHEN Tonnage IS NULL THEN 'none' WHEN Tonnage < 150 THEN 'small' ELSE 'large' END "
                     "FROM Ships ORDER BY ShipID"),
              (std::vector<std::string>{"small", "large", "none", "large"}));
    EXPECT_EQ(column("SELECT COUNT(*) FROM Ships GROUP BY CASE WHEN Tonnage > 150 THEN 1 ELSE 0 END HAVING COUNT(*) > 1"),
              (std::vector<std::string>{"2", "2"}));
}

TEST_F(EngineQueryFormsTest, InferredTypesForExpressions)
{
    RecordingSink sink = run("SELECT COUNT_BIG(*), SUM(Tonnage), N'Größe', 'abc' + 'de', NULL, 1.5, MAX(Name) FROM Ships");
    const auto& columns = sink.results.at(0).columns;
    ASSERT_EQ(columns.size(), 7u);
    EXPECT_EQ(columns[0].type.type, SqlType::BigInt);
    EXPECT_EQ(columns[1].type.type, SqlType::Int);
    EXPECT_EQ(columns[2].type.type, SqlType::NVarChar);
    EXPECT_EQ(columns[2].type.length, 5);
    EXPECT_EQ(columns[3].type.type, SqlType::VarChar);
    EXPECT_EQ(columns[3].type.length, 5);
    EXPECT_EQ(columns[4].type.type, SqlType::Int);
    EXPECT_TRUE(columns[4].type.nullable);
    EXPECT_EQ(columns[5].type.type, SqlType::Float);
    const auto& row = sink.results[0].rows.at(0);
    EXPECT_EQ(text(row[0]), "4");
    EXPECT_EQ(text(row[1]), "700");
    EXPECT_EQ(text(row[2]), "Größe");
    EXPECT_EQ(text(row[6]), "Dee");
}

TEST_F(EngineQueryFormsTest, DynamicBatchesVariablesAndErrorState)
{
    RecordingSink sink = run("DECLARE @table sysname SET @table = N'Ships' EXEC ('SELECT COUNT(*) FROM ' + @table)");
    ASSERT_EQ(sink.results.size(), 1u);
    EXPECT_EQ(text(sink.results[0].rows.at(0).at(0)), "4");

    sink = run("DECLARE @n int SELECT @n = COUNT(*) FROM Ships WHERE Tonnage IS NOT NULL SELECT @n, @n * 2");
    EXPECT_EQ(text(sink.results.at(0).rows.at(0).at(0)), "3");
    EXPECT_EQ(text(sink.results[0].rows[0][1]), "6");

    RecordingSink failed;
    session->executeBatch("SELECT * FROM Nowhere SELECT @@ERROR SELECT @@ERROR", failed);
    ASSERT_EQ(failed.results.size(), 2u);
    EXPECT_EQ(text(failed.results[0].rows.at(0).at(0)), "208");
    EXPECT_EQ(text(failed.results[1].rows.at(0).at(0)), "0");

    // A variable keeps its declared type: varchar(3) truncates, int converts.
    sink = run("DECLARE @s varchar(3), @i int SET @s = 'abcdef' SET @i = '12' SELECT @s, @i + 1");
    EXPECT_EQ(text(sink.results.at(0).rows.at(0).at(0)), "abc");
    EXPECT_EQ(text(sink.results[0].rows[0][1]), "13");
}

TEST_F(EngineQueryFormsTest, WaitforStopsOnCancel)
{
    RecordingSink sink;
    sink.cancel = true;
    session->executeBatch("WAITFOR DELAY '01:00:00' SELECT 1", sink);
    EXPECT_TRUE(sink.results.empty());
    EXPECT_TRUE(sink.errors().empty());
}

TEST(EngineTranslateDml, InsertSkipsIdentityAndFillsTimestamps)
{
    std::vector<Token> tokens = tokenize("INSERT INTO Log VALUES ('x', '19990101')");
    TranslateContext context;
    context.targetColumns = [](const std::string&, const std::string&) {
        return std::vector<TranslateContext::TargetColumn>{
            {"LogID", "int", false}, {"Message", "varchar(10)", true}, {"At", "datetime", true}, {"Stamp", "timestamp", false}};
    };
    EXPECT_EQ(translateDml(tokens, 0, tokens.size() - 1, context).sql,
              "INSERT INTO \"Log\" (\"Message\", \"At\", \"Stamp\") VALUES ('x', tsql_convert('datetime', '19990101', NULL), "
              "tsql_rowversion())");
    tokens = tokenize("UPDATE Log SET Message = 'y' WHERE LogID = 1");
    EXPECT_EQ(translateDml(tokens, 0, tokens.size() - 1, context).sql,
              "UPDATE \"Log\" SET \"Message\" = 'y', \"Stamp\" = tsql_rowversion() WHERE \"LogID\" = 1 COLLATE SQLSERVER");
}

}  // namespace
}  // namespace sandbox::test
