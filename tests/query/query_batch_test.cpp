// Which statements the query window sends as typed and which get the leading
// empty PRINT that keeps the rest of a batch readable after a first error.
#include "query/query_batch.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;

TEST(QueryBatch, StatementsThatMustStartABatchAreSentAsTyped)
{
    for (const QString& statement :
         {QStringLiteral("CREATE PROCEDURE p AS SELECT 1"), QStringLiteral("create proc p as select 1"),
          QStringLiteral("  \r\n\tALTER VIEW v AS SELECT 1"),
          QStringLiteral("-- note\nCREATE TRIGGER t ON x FOR INSERT AS RETURN"),
          QStringLiteral("/* a /* nested */ note */ Alter Function f() RETURNS int AS BEGIN RETURN 1 END"),
          QStringLiteral("CREATE DEFAULT d AS 0"), QStringLiteral("CREATE\nRULE r AS @x > 0"),
          QStringLiteral("CREATE/* between */VIEW v AS SELECT 1")}) {
        EXPECT_TRUE(mustStartBatch(statement)) << statement.toStdString();
        EXPECT_EQ(batchForStatement(statement), statement);
        EXPECT_FALSE(batchHasLeadingMessage(batchForStatement(statement)));
    }
}

TEST(QueryBatch, OtherBatchesStartWithAnEmptyPrint)
{
    for (const QString& statement :
         {QStringLiteral("SELECT 1"), QStringLiteral("CREATE TABLE t (a int)"),
          QStringLiteral("ALTER TABLE t ADD b int"), QStringLiteral("ALTER DEFAULT d"),
          QStringLiteral("CREATE PROCEDURES"), QStringLiteral("-- CREATE VIEW v\nSELECT 1"),
          QStringLiteral("CREATEVIEW v"), QStringLiteral("/* CREATE VIEW v AS SELECT 1 */"), QStringLiteral("")}) {
        EXPECT_FALSE(mustStartBatch(statement)) << statement.toStdString();
        EXPECT_EQ(batchForStatement(statement), "PRINT ''\n" + statement);
        EXPECT_TRUE(batchHasLeadingMessage(batchForStatement(statement)));
    }
}
