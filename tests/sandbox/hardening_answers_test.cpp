// Where SQL Server refuses a statement the sandbox refuses it too, with SQL Server 2000's error,
// instead of a silent success or a wrong answer.
#include <gtest/gtest.h>

#include <string>

#include "hardening_client.h"
#include "support/sandbox_process.h"
#include "tds_test_support.h"

namespace {

using Row = std::vector<std::optional<std::string>>;
using Rows = std::vector<Row>;

class Answers : public ::testing::Test {
protected:
    static void SetUpTestSuite() { tds_test::usePrivateOdbcConfig(); }
    void SetUp() override
    {
        ASSERT_TRUE(client.open(sandbox.port())) << client.connectError();
        ASSERT_TRUE(client.run("CREATE DATABASE Checks").succeeded);
        ASSERT_TRUE(client.run("USE Checks").succeeded);
    }
    Rows rows(const std::string& sql)
    {
        const auto result = client.run(sql);
        EXPECT_TRUE(result.succeeded) << sql << "\n" << result.describe();
        return result.results.empty() ? Rows{} : result.results[0];
    }
    norvane::test::SandboxProcess sandbox;
    hardening::OdbcClient client;
};

}  // namespace

TEST_F(Answers, TextThatIsNoNumberIsRefusedByNumberColumns)
{
    ASSERT_TRUE(client.run("CREATE TABLE Counts (n int NULL, s smallint NULL, f float NULL)").succeeded);
    auto result = client.run("INSERT INTO Counts (n) VALUES ('x')");
    EXPECT_TRUE(result.hasError(245, "Syntax error converting the varchar value 'x' to a column of data type int."))
        << result.describe();
    result = client.run("INSERT INTO Counts (n) VALUES ('1.5')");
    EXPECT_TRUE(result.hasError(245, "Syntax error converting the varchar value '1.5' to a column of data type int."))
        << result.describe();
    result = client.run("UPDATE Counts SET n = 'y'");
    EXPECT_TRUE(result.succeeded) << "no rows yet, so nothing to convert: " << result.describe();
    result = client.run("INSERT INTO Counts (s) VALUES (40000)");
    EXPECT_TRUE(result.hasError(220)) << result.describe();
    result = client.run("INSERT INTO Counts (f) VALUES ('many')");
    EXPECT_TRUE(result.hasError(8114)) << result.describe();
    // What SQL Server converts, the sandbox stores as SQL Server would.
    EXPECT_TRUE(client.run("INSERT INTO Counts (n, s, f) VALUES ('12', 2.9, '2.5')").succeeded);
    EXPECT_EQ(rows("SELECT n, s, f FROM Counts"), (Rows{{"12", "2", "2.5"}}));
    result = client.run("UPDATE Counts SET n = 'z'");
    EXPECT_TRUE(result.hasError(245, "Syntax error converting the varchar value 'z' to a column of data type int."))
        << result.describe();
    EXPECT_EQ(rows("SELECT n FROM Counts"), (Rows{{"12"}}));
}

TEST_F(Answers, IdentityValuesNeedIdentityInsert)
{
    ASSERT_TRUE(client.run("CREATE TABLE Ports (PortID int IDENTITY(1, 1) PRIMARY KEY, Name varchar(20) NOT NULL)").succeeded);
    ASSERT_TRUE(client.run("CREATE TABLE Docks (DockID int IDENTITY(10, 10) PRIMARY KEY, Name varchar(20) NULL)").succeeded);
    ASSERT_TRUE(client.run("CREATE TABLE Plain (Name varchar(20) NULL)").succeeded);
    ASSERT_TRUE(client.run("INSERT INTO Ports (Name) VALUES ('Aden')").succeeded);

    auto result = client.run("INSERT INTO Ports (PortID, Name) VALUES (7, 'Brest')");
    EXPECT_TRUE(result.hasError(544, "Cannot insert explicit value for identity column in table 'Ports' when "
                                     "IDENTITY_INSERT is set to OFF."))
        << result.describe();

    ASSERT_TRUE(client.run("SET IDENTITY_INSERT [dbo].[Ports] ON").succeeded);
    result = client.run("INSERT INTO Ports (PortID, Name) VALUES (7, 'Brest') INSERT INTO Ports (PortID, Name) VALUES (5, 'Cork')");
    EXPECT_TRUE(result.succeeded) << result.describe();
    result = client.run("INSERT INTO Ports (Name) VALUES ('Dover')");
    EXPECT_TRUE(result.hasError(545, "Explicit value must be specified for identity column in table 'Ports' when "
                                     "IDENTITY_INSERT is set to ON."))
        << result.describe();
    result = client.run("INSERT INTO Ports VALUES (9, 'Dover')");
    EXPECT_TRUE(result.hasError(8101, "An explicit value for the identity column in table 'Ports' can only be specified "
                                      "when a column list is used and IDENTITY_INSERT is ON."))
        << result.describe();
    result = client.run("SET IDENTITY_INSERT Docks ON");
    EXPECT_TRUE(result.hasError(8107, "IDENTITY_INSERT is already ON for table 'Checks.dbo.Ports'. Cannot perform SET "
                                      "operation for table 'Docks'."))
        << result.describe();
    result = client.run("SET IDENTITY_INSERT Plain ON");
    EXPECT_TRUE(result.hasError(8106, "Table 'Plain' does not have the identity property. Cannot perform SET operation."))
        << result.describe();
    result = client.run("SET IDENTITY_INSERT Nowhere ON");
    EXPECT_TRUE(result.hasError(208, "Invalid object name 'Nowhere'.")) << result.describe();

    // OFF again: new rows continue after the largest value given.
    ASSERT_TRUE(client.run("SET IDENTITY_INSERT Checks.dbo.Ports OFF").succeeded);
    ASSERT_TRUE(client.run("INSERT INTO Ports (Name) VALUES ('Dover')").succeeded);
    EXPECT_EQ(rows("SELECT PortID, Name FROM Ports ORDER BY PortID"),
              (Rows{{"1", "Aden"}, {"5", "Cork"}, {"7", "Brest"}, {"8", "Dover"}}));
    // Another table may now take its turn; a data script's usual shape runs as one batch.
    result = client.run("SET IDENTITY_INSERT Docks ON\r\nINSERT INTO Docks (DockID, Name) VALUES (15, 'East')\r\n"
                        "SET IDENTITY_INSERT Docks OFF\r\nINSERT INTO Docks (Name) VALUES ('West')");
    EXPECT_TRUE(result.succeeded) << result.describe();
    EXPECT_EQ(rows("SELECT DockID, Name FROM Docks ORDER BY DockID"), (Rows{{"15", "East"}, {"25", "West"}}));
}

TEST_F(Answers, SetOptionsTransactionsPermissionsAndNames)
{
    auto result = client.run("SET NOT_AN_OPTION ON");
    EXPECT_TRUE(result.hasError(195, "'NOT_AN_OPTION' is not a recognized SET option.")) << result.describe();
    result = client.run("SET ANSI_NULLS, NOT_AN_OPTION ON");
    EXPECT_TRUE(result.hasError(195, "'NOT_AN_OPTION' is not a recognized SET option.")) << result.describe();
    EXPECT_TRUE(client.run("SET ANSI_NULLS, QUOTED_IDENTIFIER ON SET TEXTSIZE 2147483647 SET DATEFORMAT mdy").succeeded);
    result = client.run("SET NOEXEC ON");
    EXPECT_TRUE(result.hasError(50000, "The Norvane sandbox does not support SET NOEXEC ON.")) << result.describe();
    EXPECT_TRUE(client.run("SET NOEXEC OFF").succeeded);

    // IMPLICIT_TRANSACTIONS: an INSERT opens a transaction that ROLLBACK undoes.
    ASSERT_TRUE(client.run("CREATE TABLE Notes (n int NULL)").succeeded);
    ASSERT_TRUE(client.run("SET IMPLICIT_TRANSACTIONS ON").succeeded);
    EXPECT_EQ(client.run("INSERT INTO Notes VALUES (1) SELECT @@TRANCOUNT").scalar(), "1");
    result = client.run("ROLLBACK");
    EXPECT_TRUE(result.succeeded) << result.describe();
    EXPECT_EQ(client.run("SELECT COUNT(*) FROM Notes").scalar(), "0");
    EXPECT_EQ(client.run("SELECT @@TRANCOUNT").scalar(), "1") << "the SELECT opened a transaction too";
    EXPECT_TRUE(client.run("INSERT INTO Notes VALUES (2) COMMIT").succeeded);
    ASSERT_TRUE(client.run("SET IMPLICIT_TRANSACTIONS OFF").succeeded);
    EXPECT_EQ(rows("SELECT COUNT(*), @@TRANCOUNT FROM Notes"), (Rows{{"1", "0"}}));

    // ODBC's manual-commit mode, as the driver implements it.
    ASSERT_TRUE(client.setAutocommit(false));
    EXPECT_TRUE(client.run("INSERT INTO Notes VALUES (6)").succeeded);
    EXPECT_TRUE(client.endTransaction(false));
    EXPECT_EQ(client.run("SELECT COUNT(*) FROM Notes").scalar(), "1");
    EXPECT_TRUE(client.run("INSERT INTO Notes VALUES (7)").succeeded);
    EXPECT_TRUE(client.endTransaction(true));
    ASSERT_TRUE(client.setAutocommit(true));
    EXPECT_EQ(rows("SELECT COUNT(*), @@TRANCOUNT FROM Notes"), (Rows{{"2", "0"}}));
    EXPECT_TRUE(client.run("DELETE FROM Notes WHERE n = 7").succeeded);

    // SET NOCOUNT ON followed by a statement: the statement runs.
    EXPECT_TRUE(client.run("SET NOCOUNT ON UPDATE Notes SET n = 3 SET NOCOUNT OFF").succeeded);
    EXPECT_EQ(client.run("SELECT n FROM Notes").scalar(), "3");

    // XACT_ABORT ON: a failing statement takes its transaction with it.
    result = client.run("SET XACT_ABORT ON BEGIN TRAN INSERT INTO Notes VALUES (4) INSERT INTO Notes VALUES ('x') "
                        "INSERT INTO Notes VALUES (5) COMMIT");
    EXPECT_TRUE(result.hasError(245)) << result.describe();
    EXPECT_EQ(rows("SET XACT_ABORT OFF SELECT COUNT(*), @@TRANCOUNT FROM Notes"), (Rows{{"1", "0"}}));

    result = client.run("GRANT SELECT ON Notes TO nobody");
    EXPECT_TRUE(result.hasError(4604, "There is no such user or group 'nobody'.")) << result.describe();
    result = client.run("REVOKE SELECT ON Notes FROM public, nobody2");
    EXPECT_TRUE(result.hasError(4604, "There is no such user or group 'nobody2'.")) << result.describe();
    EXPECT_TRUE(client.run("GRANT SELECT, INSERT ON Notes TO public").succeeded);
    EXPECT_TRUE(client.run("GRANT SELECT ON Notes TO dbo").succeeded);

    const std::string long128(128, 'n');
    const std::string long129(129, 'n');
    EXPECT_TRUE(client.run("CREATE TABLE [" + long128 + "] (i int NULL)").succeeded);
    result = client.run("CREATE TABLE [" + long129 + "] (i int NULL)");
    EXPECT_TRUE(result.hasError(103, "The identifier that starts with '" + long128 + "' is too long. Maximum length is 128."))
        << result.describe();
    result = client.run("SELECT 1 AS " + long129);
    EXPECT_TRUE(result.hasError(103)) << result.describe();
    EXPECT_EQ(client.run("SELECT COUNT(*) FROM sysobjects WHERE name LIKE 'nnnn%'").scalar(), "1");
}
