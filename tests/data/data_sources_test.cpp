#include "shell/data/data_sources.h"
#include "support/sandbox_process.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;

TEST(DataSources, ListsSqlServerSourcesAndEveryDriverInDriverManagerOrder)
{
    auto& config = test::PrivateOdbcConfig::instance();
    config.writeDataSources("[Sandbox]\nDriver=FreeTDS\nServer=127.0.0.1\nPort=1433\n\n"
                            "[Notes]\nDriver=SQLite3\nDatabase=/tmp/notes.db\n\n"
                            "[Legacy]\nDriver=SQL Server\n\n"
                            "[Modern]\nDriver=ODBC Driver 18 for SQL Server\n\n"
                            // unixODBC's reader ends at an all-blanks section: nothing blank may come through.
                            "[   ]\nDriver=FreeTDS\n",
                            "[Mine]\nDriver=FreeTDS\nServer=127.0.0.1\n");
    QStringList names;
    QStringList drivers;
    ListDataSources(&names, &drivers);
    EXPECT_EQ(names, QStringList({"Mine", "Sandbox", "Legacy", "Modern"}));
    EXPECT_EQ(drivers, QStringList({"FreeTDS", "FreeTDS", "SQLite3", "SQL Server", "ODBC Driver 18 for SQL Server"}));
}

TEST(DataSources, RecognisesSqlServerDriversByTheirExactNames)
{
    EXPECT_TRUE(isSqlServerDriver("ODBC Driver 17 for SQL Server"));
    EXPECT_FALSE(isSqlServerDriver("sql server") || isSqlServerDriver("ODBC Driver for SQL Server"));
}
