#include <gtest/gtest.h>

#include "engine/sql_error.h"
#include "engine/statements.h"
#include "engine/translate.h"
#include "engine/translator.h"

namespace sandbox::test {
namespace {

std::string select(const std::string& sql, const std::string& current = "Harbor")
{
    std::vector<Token> tokens = tokenize(sql);
    TranslateContext context;
    context.currentDatabase = current;
    context.attach = [](const std::string& db) { return "att_" + db; };
    return translateSelectStatement(tokens, 0, tokens.size() - 1, context).sql;
}

std::string expression(const std::string& sql)
{
    std::vector<Token> tokens = tokenize(sql);
    return translateExpression(tokens, 0, tokens.size() - 1);
}

int errorNumber(const std::string& sql)
{
    try {
        select(sql);
    } catch (const SqlError& error) {
        return error.number;
    }
    return 0;
}

TEST(EngineTranslate, NamesTopAndLiterals)
{
    EXPECT_EQ(select("Select Top 10 * From [Harbor].[dbo].[Order Details]"), "SELECT * FROM \"Order Details\" LIMIT 10");
    EXPECT_EQ(select("SELECT name FROM master..sysdatabases WHERE name = N'Harbor'"),
              "SELECT \"name\" AS \"name\" FROM \"att_master\".\"sysdatabases\" WHERE \"name\" = 'Harbor' COLLATE SQLSERVER");
    EXPECT_EQ(select("SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES"),
              "SELECT \"TABLE_NAME\" AS \"TABLE_NAME\" FROM \"INFORMATION_SCHEMA.TABLES\" AS \"TABLES\"");
    EXPECT_EQ(select("SELECT o.[Name] N FROM dbo.sysobjects AS o WHERE o.xtype <> 'U'"),
              "SELECT \"o\".\"Name\" AS \"N\" FROM \"sysobjects\" AS \"o\" WHERE \"o\".\"xtype\" <> 'U' COLLATE SQLSERVER");
    EXPECT_EQ(select("SELECT 'it''s', 0x0AFF"), "SELECT 'it''s', X'0AFF'");
    EXPECT_EQ(select("SELECT 1 FROM t WHERE d > '19970704'"),
              "SELECT 1 FROM \"t\" WHERE \"d\" > tsql_dateliteral('19970704', \"d\") COLLATE SQLSERVER");
}

TEST(EngineTranslate, PlusBecomesConcatenationOrAddition)
{
    EXPECT_EQ(expression("'a' + N'b'"), "('a' || 'b')");
    EXPECT_EQ(expression("1 + 2 * 3"), "(1 + (2 * 3))");
    EXPECT_EQ(expression("[Name] + 'x'"), "tsql_add(\"Name\", 'x')");
    EXPECT_EQ(expression("ISNULL(a, 0) + LEN('x')"), "tsql_add(ifnull(\"a\", 0), len('x'))");
    EXPECT_EQ(expression("CONVERT(varchar(10), n) + '!'"), "(tsql_convert('varchar(10)', \"n\", NULL) || '!')");
    EXPECT_EQ(expression("getdate()"), "getdate()");
}

TEST(EngineTranslate, SyntaxErrorsCarrySqlServerNumbers)
{
    EXPECT_EQ(errorNumber("SELECT * FROM"), 156);  // near the keyword FROM, the last one read
    EXPECT_EQ(errorNumber("SELECT * FROM t WHERE a ="), 102);
    EXPECT_EQ(errorNumber("SELECT * FROM t WHERE"), 156);
    EXPECT_EQ(errorNumber("SELECT FROM t"), 156);
    EXPECT_EQ(errorNumber("SELECT nosuchfunction(1)"), 195);
    EXPECT_EQ(errorNumber("SELECT * FROM srv.db.dbo.t"), 7202);
}

TEST(EngineTranslate, StatementsSplitWithoutSemicolons)
{
    std::vector<Token> tokens =
        tokenize("SET NOCOUNT ON SELECT 1 UNION SELECT 2 INSERT t SELECT 1 UPDATE t SET a = 1 "
                 "IF @@TRANCOUNT > 0 ROLLBACK ELSE BEGIN PRINT 'x'; PRINT 'y' END "
                 "ALTER TABLE t ADD CONSTRAINT f FOREIGN KEY (a) REFERENCES u (a) ON DELETE CASCADE "
                 "SELECT CASE WHEN a = 1 THEN 'x' ELSE CASE b WHEN 2 THEN 'y' END END FROM t "
                 "CREATE PROCEDURE p AS SELECT 1 SELECT 2");
    std::vector<Statement> statements = splitStatements(tokens);
    std::vector<std::string> heads;
    for (const Statement& s : statements)
        heads.push_back(tokens[s.begin].text + "/" + std::to_string(s.end - s.begin));
    EXPECT_EQ(heads, (std::vector<std::string>{"SET/3", "SELECT/5", "INSERT/4", "UPDATE/6", "IF/13", "ALTER/19", "SELECT/19", "CREATE/8"}));
    ASSERT_EQ(statements[4].body.size(), 1u);
    ASSERT_EQ(statements[4].elseBody.size(), 1u);
    EXPECT_EQ(statements[4].elseBody[0].kind, Statement::Kind::Block);
    EXPECT_EQ(statements[4].elseBody[0].body.size(), 2u);
}

}  // namespace
}  // namespace sandbox::test
