// The data layer against a second real ODBC driver (SQLite3), through unixODBC.
#include "shell/data/connection.h"
#include "support/sandbox_process.h"

#include <QTemporaryDir>

#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;

namespace {

class SqliteOdbc : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::PrivateOdbcConfig::instance();
        connection.open("Driver=SQLite3;Database=" + directory.filePath("data.db"));
        connection.executeCommand("CREATE TABLE items (id integer, name varchar(20), price numeric(10,2), "
                                  "born datetime, photo blob, ok bit)");
        connection.executeCommand("INSERT INTO items VALUES (1, 'one', 1.50, '2001-02-03 04:05:06', x'DEAD', 1)");
        connection.executeCommand("INSERT INTO items VALUES (2, NULL, NULL, NULL, NULL, 0)");
        connection.executeCommand("INSERT INTO items VALUES (3, 'three', 3.25, NULL, NULL, NULL)");
    }

    QTemporaryDir directory;
    Connection connection;
};

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DbError& error) {
        return QString("%1|%2|%3").arg(error.nativeError()).arg(error.sqlState(), error.description());
    }
    return "no error";
}

}  // namespace

TEST_F(SqliteOdbc, StreamsRowsWithNullsAndReportsPastTheEnd)
{
    Recordset rows = connection.execute("SELECT id, name FROM items ORDER BY id");
    ASSERT_EQ(rows.fieldCount(), 2);
    EXPECT_EQ(rows.field(1).name(), "name");
    EXPECT_EQ(rows.recordCount(), -1);
    QStringList seen;
    while (!rows.eof()) {
        seen << rows.field("ID").text() + "=" + (rows.field("name").isNull() ? "NULL" : rows.field("name").text());
        rows.moveNext();
    }
    EXPECT_EQ(seen, QStringList({"1=one", "2=NULL", "3=three"}));
    EXPECT_EQ(rows.recordCount(), 3);
    EXPECT_TRUE(rows.field(0).isNull());
    EXPECT_EQ(errorOf([&] { rows.moveNext(); }),
              "3021|HY000|Either BOF or EOF is True, or the current record has been deleted. "
              "Requested operation requires a current record.");
    EXPECT_EQ(errorOf([&] { rows.moveFirst(); }),
              "0|HY000|MoveFirst needs a buffered record set; this one is forward-only.");
    EXPECT_EQ(errorOf([&] { rows.field("missing"); }),
              "3265|HY000|Item cannot be found in the collection corresponding to the requested name or ordinal: missing.");
}

TEST_F(SqliteOdbc, BufferedRecordsetsFilterAndRewind)
{
    Recordset rows = connection.execute("SELECT id, name FROM items ORDER BY id", RecordsetMode::Buffered);
    EXPECT_EQ(rows.recordCount(), 3);
    rows.setFilter("name", "three");
    ASSERT_EQ(rows.recordCount(), 1);
    EXPECT_EQ(rows.field("id").text(), "3");
    rows.moveNext();
    EXPECT_TRUE(rows.eof());
    rows.setFilter("name", "nothing");
    EXPECT_TRUE(rows.eof());
    EXPECT_EQ(rows.recordCount(), 0);
    rows.setFilter(QString(), QString());
    EXPECT_EQ(rows.recordCount(), 3);
    rows.moveNext();
    rows.moveFirst();
    EXPECT_EQ(rows.field("id").text(), "1");
}

TEST_F(SqliteOdbc, AnUncountableQueryStreamsWithoutBeingReadWhole)
{
    // SQLite knows no COUNT_BIG: the rows stream uncounted, and the count is known at their end.
    Recordset streamed = connection.openCounted("SELECT id FROM items WHERE id > 1 ORDER BY id DESC");
    EXPECT_EQ(streamed.recordCount(), -1);
    EXPECT_EQ(streamed.field("id").text(), "3");
    streamed.moveNext();
    streamed.moveNext();
    EXPECT_TRUE(streamed.eof());
    EXPECT_EQ(streamed.recordCount(), 2);
}

TEST_F(SqliteOdbc, ReadsTypesAndValues)
{
    Recordset rows = connection.execute("SELECT id, name, price, born, photo, ok FROM items WHERE id = 1");
    EXPECT_EQ(rows.field("id").type(), 3);
    EXPECT_EQ(rows.field("name").type(), 200);
    EXPECT_EQ(rows.field("price").type(), 5);  // this driver reports numeric columns as SQL_DOUBLE
    EXPECT_EQ(rows.field("born").type(), 135);
    EXPECT_EQ(rows.field("photo").type(), 128);  // and blobs as SQL_BINARY
    EXPECT_EQ(rows.field("id").text(), "1");
    EXPECT_EQ(rows.field("price").text(), "1.5");
    EXPECT_EQ(rows.field("born").text(), "2001-02-03 04:05:06.000");
    EXPECT_EQ(rows.field("photo").text(), "0xDEAD");
}

TEST_F(SqliteOdbc, ReportsErrorsAndClosingTwice)
{
    EXPECT_EQ(errorOf([&] { connection.execute("SELECT * FROM nowhere"); }).section('|', 2),
              "no such table: nowhere (1)");
    EXPECT_EQ(connection.executeCommand("UPDATE items SET name = 'x' WHERE id >= 2"), 2);
    connection.close();
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(errorOf([&] { connection.close(); }), "0|08003|The connection is not open.");
    EXPECT_EQ(errorOf([&] { connection.execute("SELECT 1"); }), "0|08003|The connection is not open.");

    Connection unknown;
    EXPECT_EQ(errorOf([&] { unknown.open("Driver=NoSuchDriver;Database=x"); }).section('|', 2),
              "Can't open lib 'NoSuchDriver' : file not found");
    EXPECT_EQ(errorOf([&] { unknown.open("DSN=NoSuchSource;uid=sa;"); }).section('|', 1),
              "IM002|Data source name not found and no default driver specified");
}

TEST_F(SqliteOdbc, ClosingTheConnectionFreesOpenRecordsets)
{
    Recordset rows = connection.execute("SELECT id FROM items");
    connection.close();
    EXPECT_TRUE(rows.eof());
    EXPECT_FALSE(rows.isOpen());
    connection.open("Driver=SQLite3;Database=" + directory.filePath("data.db"));
    EXPECT_EQ(connection.execute("SELECT COUNT(*) FROM items").field(0).text(), "3");
}
