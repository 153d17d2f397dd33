// The Generate button against the Harbor sample: each statement kind with its
// title, the find box naming another table, the data as INSERT lines, the
// stored procedures, the CREATE script and the failures.
#include "tables_window_fixture.h"

#include "support/code_window_capture.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace norvane;
using norvane::testing::TablesWindowTest;

class GenerateStatement : public TablesWindowTest {
protected:
    // Chooses the kind and presses Generate; returns what the code window showed.
    test::ShownCode generate(frmTables& window, int kind)
    {
        control<QRadioButton>(window, QString("optStmt%1").arg(kind).toUtf8().constData())->setChecked(true);
        return test::captureCodeWindow([&] { control<QPushButton>(window, "cmdGenerate")->click(); });
    }
};

TEST_F(GenerateStatement, WithoutATableOnlyTheInformationMessageComes)
{
    frmTables window;
    statusTexts.clear();
    const test::ShownCode shown = generate(window, 0);
    EXPECT_FALSE(shown.shown);
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Information);
    EXPECT_EQ(prompts->requests[0].title, "Norvane");
    EXPECT_EQ(prompts->requests[0].text, "Please select a table from the list");
    EXPECT_TRUE(statusTexts.isEmpty());
}

TEST_F(GenerateStatement, TheSingleStatementsForShippers)
{
    frmTables window;
    showTable(window, "Shippers");
    const QString title = "SQL statement for the  table : [Harbor].[dbo].[Shippers]";

    statusTexts.clear();
    test::ShownCode shown = generate(window, 0);
    ASSERT_TRUE(shown.shown);
    EXPECT_EQ(shown.title, "Following is the generated SELECT " + title);
    EXPECT_EQ(shown.code, "SELECT ShipperID,CompanyName,Phone FROM Shippers");
    EXPECT_EQ(shown.fileName, "Shippers");
    EXPECT_EQ(shown.filterIndex, 1);
    EXPECT_TRUE(shown.noColour);
    EXPECT_EQ(statusTexts.first(), "Generating statement... Please wait...");
    EXPECT_EQ(statusTexts.last(), "Ready");

    shown = generate(window, 1);
    EXPECT_EQ(shown.title, "Following is the generated INSERT " + title);
    EXPECT_EQ(shown.code, "INSERT INTO Shippers ( ShipperID, CompanyName, Phone) VALUES ( @ShipperID, @CompanyName, @Phone )");
    shown = generate(window, 2);
    EXPECT_EQ(shown.title, "Following is the generated UPDATE " + title);
    EXPECT_EQ(shown.code, "UPDATE Shippers SET ShipperID = @ShipperID, CompanyName = @CompanyName, Phone = @Phone");
    shown = generate(window, 3);
    EXPECT_EQ(shown.title, "Following is the generated DELETE " + title);
    EXPECT_EQ(shown.code, "DELETE FROM Shippers WHERE ...");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(GenerateStatement, TheFindBoxNamingAnotherTableShowsItFirst)
{
    frmTables window;
    showTable(window, "Shippers");
    auto* find = control<QLineEdit>(window, "txtTABSearch");
    find->setText("Reg");
    const test::ShownCode shown = generate(window, 0);
    EXPECT_EQ(window.tableName(), "Region");
    EXPECT_EQ(shown.title, "Following is the generated SELECT SQL statement for the  table : [Harbor].[dbo].[Region]");
    EXPECT_EQ(shown.code, "SELECT RegionID,RegionDescription FROM Region");

    // A find box that names no table: nothing is built for the table shown before.
    find->setText("zz");
    const test::ShownCode nothing = generate(window, 0);
    EXPECT_FALSE(nothing.shown);
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text, "Please select a table from the list");
}

TEST_F(GenerateStatement, StoredProceduresForAUnicodeKey)
{
    frmTables window;
    showTable(window, "Territories");
    const test::ShownCode shown = generate(window, 6);
    EXPECT_EQ(shown.title,
              "Following is the generated Stored Proc SQL statement for the  table : [Harbor].[dbo].[Territories]");
    // The nvarchar(20) key is declared with its byte length in every procedure, the key ones included.
    EXPECT_TRUE(shown.code.startsWith(
        "CREATE PROCEDURE [dbo].[sp_sel_territories]\r\n"
        "\t@TerritoryID nvarchar(40) = NULL\r\n"
        "AS\r\n"
        "BEGIN\r\n"
        "\tSELECT  TerritoryID, TerritoryDescription, RegionID FROM Territories WHERE TerritoryID = @TerritoryID\r\n"
        "END\r\n"
        "Go\r\n"
        "\r\n"
        "CREATE PROCEDURE [dbo].[sp_ins_territories]\r\n"
        "\t@TerritoryID nvarchar(40) = NULL,\r\n"
        "\t@TerritoryDescription nchar(100) = NULL,\r\n"
        "\t@RegionID int = NULL\r\n")) << shown.code.toStdString();
    EXPECT_TRUE(shown.code.contains("CREATE PROCEDURE [dbo].[sp_del_territories]\r\n"
                                    "\t@TerritoryID nvarchar(40) = NULL\r\n"
                                    "AS\r\n"));
    EXPECT_EQ(shown.code.count("CREATE PROCEDURE"), 4);
}

TEST_F(GenerateStatement, TheDataShownAsInsertLinesInTheListsOrder)
{
    frmTables window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    showTable(window, "Shippers");
    // Sorted by the company name, descending: the lines follow the list.
    auto* rows = control<QTreeWidget>(window, "lsvTABRows");
    QHeaderView* header = rows->header();
    const QPoint heading(header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, heading);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, heading);

    const test::ShownCode shown = generate(window, 5);
    EXPECT_EQ(shown.title, "Following is the generated INSERT SQL statement for the  table : [Harbor].[dbo].[Shippers]");
    // The identity column's values are kept: the lines run between IDENTITY_INSERT ON and OFF.
    const QString script =
        "SET IDENTITY_INSERT Shippers ON\r\n"
        "INSERT INTO Shippers (ShipperID,CompanyName,Phone) VALUES (2,'United Package','(503) 555-3199')\r\n"
        "INSERT INTO Shippers (ShipperID,CompanyName,Phone) VALUES (1,'Speedy Express','(503) 555-9831')\r\n"
        "INSERT INTO Shippers (ShipperID,CompanyName,Phone) VALUES (3,'Federal Shipping',NULL)\r\n"
        "SET IDENTITY_INSERT Shippers OFF\r\n";
    EXPECT_EQ(shown.code, script);

    // The script carries the rows into an empty copy of the table.
    norvane::testing::createScratchDatabase("ShippersCopy");
    norvane::testing::runBatches(
        "ShippersCopy", {"CREATE TABLE Shippers (ShipperID int IDENTITY (1, 1) NOT NULL PRIMARY KEY, "
                         "CompanyName nvarchar(40) NOT NULL, Phone nvarchar(24) NULL)",
                         script});
    Connection copy;
    copy.open(test::sharedSampleSandbox().connectionString("ShippersCopy"));
    Recordset copied = copy.execute("SELECT ShipperID, CompanyName, Phone FROM Shippers ORDER BY ShipperID");
    QStringList texts;
    for (; !copied.eof(); copied.moveNext())
        texts << copied.field(0).text() + "|" + copied.field(1).text() + "|" + copied.field(2).text();
    copied.close();
    EXPECT_EQ(texts, QStringList({"1|Speedy Express|(503) 555-9831", "2|United Package|(503) 555-3199",
                                  "3|Federal Shipping|"}));
}

TEST_F(GenerateStatement, DataOfEveryTypeAndOfAnEmptyTable)
{
    frmTables window;
    showTable(window, "TypeSamples");
    const test::ShownCode shown = generate(window, 5);
    const QString prefix =
        "INSERT INTO TypeSamples (SampleID,BitValue,TinyValue,SmallValue,IntValue,BigValue,DecimalValue,NumericValue,"
        "MoneyValue,SmallMoneyValue,FloatValue,RealValue,DateTimeValue,SmallDateValue,CharValue,VarCharValue,"
        "NCharValue,NVarCharValue,TextValue,NTextValue,ImageValue,BinaryValue,VarBinaryValue,GuidValue,Phone) VALUES (";
    EXPECT_EQ(shown.code,
              "SET IDENTITY_INSERT TypeSamples ON\r\n" + prefix +
              "1,1,200,-1234,123456,9000000000,12345.67,123.4567,1234.5600,12.3400,1.5,2.25,"
              "'1999-12-31 23:59:59.997','2000-01-01 12:30:00.000','Harbor','O''Brien','Kai','Smorrebrod',"
              "'Long text of the first sample','Unicode text of the first sample',NULL,0x0102030405060708,0xDEADBEEF,"
              "'6F9619FF-8B86-D011-B42D-00C04FC964FF','(206) 555-0100')\r\n" + prefix +
              "2,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,"
              "NULL,NULL,NULL,NULL)\r\n" + prefix +
              "3,0,0,32767,-2147483648,-9223372036854775808,-0.01,0.0000,-922337203685477.5808,214748.3647,"
              "-1e+100,0,'1753-01-01 00:00:00.000','1900-01-01 00:00:00.000','','','','','','',NULL,0x0000000000000000,"
              "0x00,'00000000-0000-0000-0000-000000000000','')\r\n"
              "SET IDENTITY_INSERT TypeSamples OFF\r\n");

    // A table without rows gives an empty text.
    norvane::testing::createScratchDatabase("NoRows");
    norvane::testing::runBatches("NoRows", {"CREATE TABLE [Empty One] (id int IDENTITY NOT NULL, note text NULL)"});
    norvane::testing::connectSessionTo("NoRows");
    frmTables empty;
    showTable(empty, "Empty One");
    const test::ShownCode nothing = generate(empty, 5);
    ASSERT_TRUE(nothing.shown);
    EXPECT_EQ(nothing.code, "");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(GenerateStatement, BitsUserTypesEmptyNumbersAndServerFilledColumnsRunIntoAnEmptyCopy)
{
    const QStringList definition = {
        "EXEC sp_addtype PhoneNumber, 'varchar(24)', 'NULL'",
        "CREATE TABLE Readings (ID int IDENTITY (1, 1) NOT NULL PRIMARY KEY, Flag bit NULL, Phone PhoneNumber NULL, "
        "Reading int NULL, Tag uniqueidentifier NULL, Stamp timestamp NOT NULL, Twice AS (Reading * 2))"};
    norvane::testing::createScratchDatabase("Readings");
    QStringList batches = definition;
    batches << "INSERT INTO Readings (Flag, Phone, Reading, Tag) VALUES (0, '(206) 555-0100', 21, '6F9619FF-8B86-D011-B42D-00C04FC964FF')"
            << "INSERT INTO Readings (Flag, Phone, Reading) VALUES (1, 'O''Hare', NULL)"
            << "INSERT INTO Readings (Flag, Phone, Reading) VALUES (NULL, '', -4)";
    norvane::testing::runBatches("Readings", batches);
    norvane::testing::connectSessionTo("Readings");
    frmTables window;
    showTable(window, "Readings");

    // The timestamp and the computed column are left out; the false bit is 0, the phone and the GUID quoted.
    const QString script = generate(window, 5).code;
    EXPECT_EQ(script,
              "SET IDENTITY_INSERT Readings ON\r\n"
              "INSERT INTO Readings (ID,Flag,Phone,Reading,Tag) VALUES (1,0,'(206) 555-0100',21,'6F9619FF-8B86-D011-B42D-00C04FC964FF')\r\n"
              "INSERT INTO Readings (ID,Flag,Phone,Reading,Tag) VALUES (2,1,'O''Hare',NULL,NULL)\r\n"
              "INSERT INTO Readings (ID,Flag,Phone,Reading,Tag) VALUES (3,NULL,'',-4,NULL)\r\n"
              "SET IDENTITY_INSERT Readings OFF\r\n");

    norvane::testing::createScratchDatabase("ReadingsCopy");
    batches = definition;
    batches << script;
    norvane::testing::runBatches("ReadingsCopy", batches);
    Connection copy;
    copy.open(test::sharedSampleSandbox().connectionString("ReadingsCopy"));
    Recordset copied = copy.execute("SELECT ID, Flag, Phone, Reading, Twice, Tag FROM Readings ORDER BY ID");
    QStringList texts;
    for (; !copied.eof(); copied.moveNext()) {
        QStringList fields;
        for (int field = 0; field < 6; ++field)
            fields << (copied.field(field).isNull() ? QString("null") : copied.field(field).text());
        texts << fields.join("|");
    }
    copied.close();
    // Read back as the list view shows them: a false bit reads False.
    EXPECT_EQ(texts, QStringList({"1|False|(206) 555-0100|21|42|6F9619FF-8B86-D011-B42D-00C04FC964FF", "2|1|O'Hare|null|null|null",
                                  "3|null||-4|-8|null"}));
}

TEST_F(GenerateStatement, FailuresAreReportedAndNoCodeIsShown)
{
    norvane::testing::createScratchDatabase("OneColumn");
    norvane::testing::runBatches("OneColumn", {"CREATE TABLE Single (Code varchar(10) NOT NULL)",
                                               "INSERT INTO Single VALUES ('a')"});
    norvane::testing::connectSessionTo("OneColumn");
    frmTables window;
    showTable(window, "Single");

    statusTexts.clear();
    EXPECT_FALSE(generate(window, 6).shown);
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts->requests[0].text, "Error...Problems encountered while generating statements!\r\nDetails:"
                                         "The table has a single column: the update procedure has no column to set "
                                         "besides the key.");
    EXPECT_EQ(statusTexts, QStringList({"Generating statement... Please wait...", "Ready"}));

    // The table was dropped after it was shown: the script and the data export fail with the server's words.
    norvane::testing::runBatches("OneColumn", {"DROP TABLE Single"});
    EXPECT_FALSE(generate(window, 4).shown);
    EXPECT_FALSE(generate(window, 5).shown);
    ASSERT_EQ(prompts->requests.size(), 3u);
    for (std::size_t index = 1; index < 3; ++index) {
        EXPECT_TRUE(prompts->requests[index].text.startsWith(
            "Error...Problems encountered while generating statements!\r\nDetails:"));
        EXPECT_GT(prompts->requests[index].text.size(), 70);
    }

    // Without the server-management connection, CREATE cannot be asked for.
    session().serverAdmin.reset();
    EXPECT_FALSE(generate(window, 4).shown);
    ASSERT_EQ(prompts->requests.size(), 4u);
    EXPECT_EQ(prompts->requests[3].text, "Error...Problems encountered while generating statements!\r\nDetails:"
                                         "The server-management connection is not open.");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(GenerateStatement, TheCreateScriptOfOrders)
{
    frmTables window;
    control<QRadioButton>(window, "optTABMode1")->setChecked(true);
    showTable(window, "Orders");
    const test::ShownCode shown = generate(window, 4);
    EXPECT_EQ(shown.title, "Following is the generated CREATE SQL statement for the  table : [Harbor].[dbo].[Orders]");
    EXPECT_EQ(shown.code,
              "IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'[dbo].[Orders]') AND xtype = 'U')\r\n"
              "DROP TABLE [dbo].[Orders]\r\n"
              "GO\r\n"
              "\r\n"
              "CREATE TABLE [dbo].[Orders] (\r\n"
              "\t[OrderID] [int] IDENTITY (10248, 1) NOT NULL,\r\n"
              "\t[CustomerID] [nchar] (5) NULL,\r\n"
              "\t[EmployeeID] [int] NULL,\r\n"
              "\t[OrderDate] [datetime] NULL,\r\n"
              "\t[RequiredDate] [datetime] NULL,\r\n"
              "\t[ShippedDate] [datetime] NULL,\r\n"
              "\t[ShipVia] [int] NULL,\r\n"
              "\t[Freight] [money] NULL,\r\n"
              "\t[ShipName] [nvarchar] (40) NULL,\r\n"
              "\t[ShipCountry] [nvarchar] (15) NULL\r\n"
              ")\r\n"
              "GO\r\n"
              "\r\n"
              "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [PK_Orders] PRIMARY KEY CLUSTERED ([OrderID])\r\n"
              "GO\r\n"
              "\r\n"
              "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [FK_Orders_Customers] FOREIGN KEY ([CustomerID]) REFERENCES "
              "[dbo].[Customers] ([CustomerID])\r\n"
              "GO\r\n"
              "\r\n"
              "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [FK_Orders_Employees] FOREIGN KEY ([EmployeeID]) REFERENCES "
              "[dbo].[Employees] ([EmployeeID])\r\n"
              "GO\r\n"
              "\r\n"
              "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [FK_Orders_Shippers] FOREIGN KEY ([ShipVia]) REFERENCES "
              "[dbo].[Shippers] ([ShipperID])\r\n"
              "GO\r\n"
              "\r\n"
              "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [DF_Orders_OrderDate] DEFAULT (getdate()) FOR [OrderDate]\r\n"
              "GO\r\n"
              "\r\n"
              "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [DF_Orders_Freight] DEFAULT (0) FOR [Freight]\r\n"
              "GO\r\n"
              "\r\n");
}

TEST_F(GenerateStatement, EveryKindForATableWithQuotesBracketsAndBlanksInItsNames)
{
    norvane::testing::createScratchDatabase("OddGenerate");
    norvane::testing::runBatches(
        "OddGenerate",
        {"CREATE TABLE [It's [odd]]] ([Key Col] nvarchar(10) NOT NULL PRIMARY KEY, [Pic] image NULL, [Memo] ntext NULL)",
         "INSERT INTO [It's [odd]]] ([Key Col], [Memo]) VALUES (N'a''b', N' null ')"});
    norvane::testing::connectSessionTo("OddGenerate");
    frmTables window;
    showTable(window, "It's [odd]");

    // Names are written as the grid shows them, without brackets.
    EXPECT_EQ(generate(window, 0).code, "SELECT Key Col,Pic,Memo FROM It's [odd]");
    EXPECT_EQ(generate(window, 3).code, "DELETE FROM It's [odd] WHERE ...");
    EXPECT_EQ(generate(window, 5).code, "INSERT INTO It's [odd] (Key Col,Pic,Memo) VALUES ('a''b',NULL,NULL)\r\n");
    const QString procedures = generate(window, 6).code;
    EXPECT_TRUE(procedures.startsWith("CREATE PROCEDURE [dbo].[sp_sel_it's [odd]]\r\n"
                                      "\t@Key Col nvarchar(20) = NULL\r\n"));
    const QString script = generate(window, 4).code;
    EXPECT_TRUE(script.contains("CREATE TABLE [dbo].[It's [odd]]] (\r\n"
                                "\t[Key Col] [nvarchar] (10) NOT NULL,\r\n"
                                "\t[Pic] [image] NULL,\r\n"
                                "\t[Memo] [ntext] NULL\r\n"
                                ")\r\n")) << script.toStdString();
    EXPECT_TRUE(prompts->requests.empty());
}
