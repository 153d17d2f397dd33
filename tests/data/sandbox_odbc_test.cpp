// The data layer through FreeTDS against the sandbox server: what a SQL Server sends.
#include "shell/data/connection.h"
#include "support/qt_printers.h"
#include "support/sandbox_process.h"

#include <gtest/gtest.h>

#include <thread>

using namespace norvane;
using norvane::test::SandboxProcess;

namespace {

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DbError& error) {
        return QString("%1|%2|%3").arg(error.nativeError()).arg(error.sqlState(), error.description());
    }
    return "no error";
}

class SandboxOdbc : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test::PrivateOdbcConfig::instance();
        sandbox = std::make_unique<SandboxProcess>();
    }
    static void TearDownTestSuite() { sandbox.reset(); }

    static std::unique_ptr<SandboxProcess> sandbox;
};
std::unique_ptr<SandboxProcess> SandboxOdbc::sandbox;

}  // namespace

TEST_F(SandboxOdbc, ReadsServerNameAndCatalogFromTheServer)
{
    Connection connection;
    connection.open(sandbox->connectionString("master"));
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(connection.property("Server Name"), "SANDBOX");
    EXPECT_EQ(connection.property("Current Catalog"), "master");

    std::vector<DbMessage> messages;
    connection.setMessageHandler([&](const DbMessage& message) { messages.push_back(message); });
    connection.executeCommand("CREATE DATABASE Scratch");
    connection.executeCommand("USE Scratch");
    EXPECT_EQ(connection.currentCatalog(), "Scratch");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().nativeError, 5701);
    EXPECT_EQ(messages.back().text, "Changed database context to 'Scratch'.");
}

TEST_F(SandboxOdbc, DeliversMessagesBeforeBetweenAndAfterResults)
{
    Connection connection;
    connection.open(sandbox->connectionString());
    QStringList seen;
    connection.setMessageHandler([&](const DbMessage& message) { seen << QString("%1:%2").arg(message.nativeError).arg(message.text); });
    Recordset rows = connection.execute("PRINT 'before'\nSELECT 1 AS one\nPRINT 'between'\nSELECT 2 AS two\nPRINT 'after'");
    EXPECT_EQ(seen, QStringList({"0:before"}));
    ASSERT_FALSE(rows.eof());
    EXPECT_EQ(rows.field("one").text(), "1");
    rows.moveNext();
    EXPECT_TRUE(rows.eof());
    ASSERT_TRUE(rows.nextResult());
    EXPECT_EQ(seen, QStringList({"0:before", "0:between"}));
    EXPECT_EQ(rows.field("two").text(), "2");
    EXPECT_FALSE(rows.nextResult());
    EXPECT_EQ(seen, QStringList({"0:before", "0:between", "0:after"}));
}

TEST_F(SandboxOdbc, ReportsServerErrorsWithNumberStateAndText)
{
    Connection connection;
    connection.open(sandbox->connectionString());
    EXPECT_EQ(errorOf([&] { connection.execute("SELECT * FROM NoSuchTable"); }),
              "208|42S02|Invalid object name 'NoSuchTable'.");
    // A batch that starts with a plain name calls a procedure of that name.
    EXPECT_EQ(errorOf([&] { connection.execute("SELEKT 1"); }), "2812|42000|Could not find stored procedure 'SELEKT'.");
    EXPECT_EQ(errorOf([&] { connection.execute("SELECT 1 +"); }).section('|', 0, 1), "102|42000");
    EXPECT_EQ(errorOf([&] { connection.execute("USE NoSuchDatabase"); }),
              "911|08004|Could not locate entry in sysdatabases for database 'NoSuchDatabase'. No entry found with "
              "that name. Make sure that the name is entered correctly.");
    // A later statement's failure surfaces when the batch is run to its end.
    EXPECT_EQ(errorOf([&] { connection.executeCommand("SELECT 1\nSELECT * FROM NoSuchTable"); }),
              "208|42S02|Invalid object name 'NoSuchTable'.");
    // The connection stays usable.
    EXPECT_EQ(connection.execute("SELECT 5 AS five").field(0).text(), "5");
}

TEST_F(SandboxOdbc, RefusesWrongLoginsAndUnreachableServers)
{
    Connection connection;
    EXPECT_EQ(errorOf([&] { connection.open(sandbox->connectionString("master", "sa", "wrong")); }).section('|', 0, 0),
              "18456");
    EXPECT_EQ(errorOf([&] { connection.open(sandbox->connectionString("master", "sa", "wrong")); }).section('|', 2),
              "Login failed for user 'sa'.");
    EXPECT_FALSE(connection.isOpen());

    // A port nobody listens on: the driver's own error, quickly.
    SandboxProcess stopped;
    const QString deadString = stopped.connectionString();
    const QString port = QString::number(stopped.port());
    stopped.stop();
    connection.setLoginTimeout(3);
    EXPECT_EQ(errorOf([&] { connection.open(deadString); }),
              "20009|08S01|Unable to connect: Adaptive Server is unavailable or does not exist (tried 127.0.0.1, port "
                  + port + ")");
}

TEST_F(SandboxOdbc, SurvivesAServerThatGoesAwayAndRunsTwoSessionsAtOnce)
{
    SandboxProcess own;
    Connection first;
    Connection second;
    first.open(own.connectionString("master"));
    second.open(own.connectionString("master"));
    first.executeCommand("CREATE DATABASE Other");
    second.executeCommand("USE Other");
    EXPECT_EQ(first.currentCatalog(), "master");
    EXPECT_EQ(second.currentCatalog(), "Other");

    own.stop();
    // The link's own cause, not the driver's "Unknown error".
    const QString failure = errorOf([&] { first.execute("SELECT 1"); });
    EXPECT_NE(failure, "no error");
    EXPECT_FALSE(failure.contains("Unknown error")) << failure.toStdString();
    EXPECT_TRUE(failure.section('|', 1, 1).startsWith("08")) << failure.toStdString();
    first.close();  // closing a connection whose server died is clean
    EXPECT_FALSE(first.isOpen());
}

TEST_F(SandboxOdbc, RestartKeepsData)
{
    SandboxProcess own;
    {
        Connection connection;
        connection.open(own.connectionString());
        connection.executeCommand("CREATE DATABASE Kept");
        connection.executeCommand("USE Kept\nCREATE TABLE Notes (id int NOT NULL, body varchar(20) NULL)");
        EXPECT_EQ(connection.executeCommand("USE Kept\nINSERT INTO Notes (id, body) VALUES (1, 'O''Brien')"), 1);
    }
    own.restart();
    Connection connection;
    connection.open(own.connectionString("Kept"));
    Recordset rows = connection.execute("SELECT body FROM Notes WHERE id = 1");
    ASSERT_FALSE(rows.eof());
    EXPECT_EQ(rows.field("body").text(), "O'Brien");
}

TEST_F(SandboxOdbc, AbandoningAResultLeavesTheConnectionUsable)
{
    Connection connection;
    connection.open(sandbox->connectionString());
    connection.executeCommand("CREATE DATABASE Abandon");
    QString batch = "USE Abandon\nCREATE TABLE Many (n int NOT NULL)\n";
    for (int i = 1; i <= 2000; ++i)
        batch += QString("INSERT INTO Many (n) VALUES (%1)\n").arg(i);
    connection.executeCommand(batch);

    Recordset rows = connection.execute("SELECT n FROM Many ORDER BY n");
    ASSERT_FALSE(rows.eof());
    EXPECT_EQ(rows.field("n").text(), "1");
    rows.abandon();
    EXPECT_TRUE(rows.eof());
    EXPECT_FALSE(rows.isOpen());
    EXPECT_TRUE(rows.field(0).isNull());
    EXPECT_EQ(connection.execute("SELECT COUNT(*) FROM Many").field(0).text(), "2000");
}
