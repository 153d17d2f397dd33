#include "shell/data/connection_string.h"
#include "shell/data/db_error.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;

// The DSN and SQL login forms are checked end to end by the connection dialog's tests.
TEST(ConnectionString, ComposesThePasswordAndIntegratedSecurity)
{
    ConnectionInputs inputs{"Harbor DSN", "sa", "secret", "(local)", "Harbor"};
    EXPECT_EQ(BuildConnectionString(ConnectionMode::Dsn, inputs), "DSN=Harbor DSN;uid=sa;pwd=secret");
    EXPECT_EQ(BuildConnectionString(ConnectionMode::ServerIntegrated, inputs),
              "Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=Harbor;Data Source=(local)");
}

TEST(ConnectionString, TranslatesEveryDataSourceFormForFreeTds)
{
    auto translated = [](const QString& source) {
        return toOdbcConnectionString(
            BuildConnectionString(ConnectionMode::ServerSqlLogin, {"", "sa", "pw", source, "Harbor"}));
    };
    const QString tail = ";Database=Harbor;UID=sa;PWD=pw;ClientCharset=UTF-8";
    EXPECT_EQ(translated("(local)"), "Driver=FreeTDS;Server=127.0.0.1" + tail);
    EXPECT_EQ(translated("."), "Driver=FreeTDS;Server=127.0.0.1" + tail);
    EXPECT_EQ(translated("dbhost"), "Driver=FreeTDS;Server=dbhost" + tail);
    EXPECT_EQ(translated("dbhost\\SALES"), "Driver=FreeTDS;Server=dbhost\\SALES" + tail);
    EXPECT_EQ(translated("(local)\\SALES"), "Driver=FreeTDS;Server=127.0.0.1\\SALES" + tail);
    EXPECT_EQ(translated("dbhost,14330"), "Driver=FreeTDS;Server=dbhost;Port=14330" + tail);
    EXPECT_EQ(translated("tcp:dbhost,1433"), "Driver=FreeTDS;Server=dbhost;Port=1433" + tail);
    EXPECT_EQ(translated(".,2000"), "Driver=FreeTDS;Server=127.0.0.1;Port=2000" + tail);

    EXPECT_EQ(toOdbcConnectionString(
                  BuildConnectionString(ConnectionMode::ServerIntegrated, {"", "", "", "dbhost,1500", "master"})),
              "Driver=FreeTDS;Server=dbhost;Port=1500;Database=master;Trusted_Connection=Yes;ClientCharset=UTF-8");
}

TEST(ConnectionString, QuotesValuesThatOdbcSyntaxWouldSplit)
{
    const QString odbc = toOdbcConnectionString(
        BuildConnectionString(ConnectionMode::ServerSqlLogin, {"", "o'brien", "a;b=c}d", "(local)", "My DB"}));
    EXPECT_EQ(odbc, "Driver=FreeTDS;Server=127.0.0.1;Database=My DB;UID={o'brien};PWD={a;b=c}}d};ClientCharset=UTF-8");

    EXPECT_EQ(toOdbcConnectionString("DSN=Harbor;uid=sa;"), "DSN=Harbor;uid=sa;");
    EXPECT_EQ(toOdbcConnectionString("DSN=Harbor;uid=sa;pwd=x;y"), "DSN=Harbor;uid=sa;pwd={x;y}");
    EXPECT_EQ(toOdbcConnectionString("Driver=SQLite3;Database=/tmp/a.db"), "Driver=SQLite3;Database=/tmp/a.db");
}

TEST(ConnectionString, RejectsMalformedStringsWithAReadableError)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "it is empty."},
        {"nonsense", "\"nonsense\" has no Key=Value part."},
        {"Provider=SQLOLEDB.1;User ID=sa;Pwd=;Initial Catalog=x;Data Source=", "the Data Source names no server."},
        {"Provider=SQLOLEDB.1;User ID=sa;Pwd=;Initial Catalog=x;Data Source=host,99999",
         "the port \"99999\" is not a number from 1 to 65535."}};
    for (const auto& [text, message] : cases) {
        try {
            toOdbcConnectionString(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const DbError& error) {
            EXPECT_EQ(error.description(), QString("Invalid connection string: ") + message);
        }
    }
}
