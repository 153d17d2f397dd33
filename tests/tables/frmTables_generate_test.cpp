// The table explorer's Generate button against the sandbox: each statement
// kind with its title, the find box naming another table, the stored
// procedures, the CREATE script, the data as INSERT lines that the server takes
// back into an empty copy, awkward names and the failures.
#include "tables_window_fixture.h"

#include <QHeaderView>

using namespace norvane;

using GenerateStatement = norvane::testing::TablesWindow;

namespace {

// The rows the query gives on the database, fields joined by "|", null fields as "null".
QStringList rowsOf(const QString& database, const QString& query)
{
    Connection connection;
    connection.open(test::sharedSampleSandbox().connectionString(database));
    Recordset rows = connection.execute(query);
    QStringList texts;
    for (; !rows.eof(); rows.moveNext()) {
        QStringList fields;
        for (int field = 0; field < rows.fieldCount(); ++field)
            fields << (rows.field(field).isNull() ? QString("null") : rows.field(field).text());
        texts << fields.join("|");
    }
    rows.close();
    return texts;
}

} // namespace

TEST_F(GenerateStatement, TheSingleStatementsTheFindBoxAndNoTable)
{
    frmTables window;
    EXPECT_FALSE(generate(window, 0).shown);
    showTable(window, "Shippers");
    const QString title = " SQL statement for the  table : [Harbor].[dbo].[Shippers]";
    const struct {
        int kind;
        QString title, code;
    } cases[] = {
        {0, "SELECT", "SELECT ShipperID,CompanyName,Phone FROM Shippers"},
        {1, "INSERT",
         "INSERT INTO Shippers ( ShipperID, CompanyName, Phone) VALUES ( @ShipperID, @CompanyName, @Phone )"},
        {2, "UPDATE", "UPDATE Shippers SET ShipperID = @ShipperID, CompanyName = @CompanyName, Phone = @Phone"},
        {3, "DELETE", "DELETE FROM Shippers WHERE ..."},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.kind);
        statusTexts.clear();
        const test::ShownCode shown = generate(window, example.kind);
        EXPECT_EQ(shown.title, "Following is the generated " + example.title + title);
        EXPECT_EQ(shown.code, example.code);
        EXPECT_EQ(std::tuple(shown.fileName, shown.filterIndex, shown.noColour),
                  std::tuple(QString("Shippers"), 1, true));
        EXPECT_EQ(statusTexts, QStringList({"Generating statement... Please wait...", "Ready",
                                            "Loading Code Window... Please wait...", "Ready"}));
    }

    // The find box naming another table shows it first; one that names no table builds nothing.
    auto* find = control<QLineEdit>(window, "txtTABSearch");
    find->setText("Reg");
    const test::ShownCode region = generate(window, 0);
    EXPECT_EQ(window.tableName(), "Region");
    EXPECT_EQ(region.title, "Following is the generated SELECT SQL statement for the  table : [Harbor].[dbo].[Region]");
    EXPECT_EQ(region.code, "SELECT RegionID,RegionDescription FROM Region");
    find->setText("zz");
    EXPECT_FALSE(generate(window, 0).shown);
    EXPECT_EQ(messages(), QStringList(2, "Information: Please select a table from the list"));
}

TEST_F(GenerateStatement, StoredProceduresAndTheCreateScript)
{
    frmTables window;
    showTable(window, "Territories");
    const test::ShownCode procedures = generate(window, 6);
    EXPECT_EQ(procedures.title,
              "Following is the generated Stored Proc SQL statement for the  table : [Harbor].[dbo].[Territories]");
    // The nvarchar(20) key is declared with its byte length in every procedure, the key ones included.
    EXPECT_EQ(procedures.code.count("CREATE PROCEDURE"), 4);
    EXPECT_EQ(procedures.code.count("\t@TerritoryID nvarchar(40) = NULL\r\nAS\r\n"), 2);
    EXPECT_TRUE(procedures.code.startsWith("CREATE PROCEDURE [dbo].[sp_sel_territories]\r\n"))
        << procedures.code.toStdString();

    // The script is the server-management object's own, whole.
    showTable(window, "Orders");
    const test::ShownCode script = generate(window, 4);
    EXPECT_EQ(script.title, "Following is the generated CREATE SQL statement for the  table : [Harbor].[dbo].[Orders]");
    EXPECT_EQ(script.code, session().serverAdmin->Script("Harbor", "Orders", "dbo"));
    EXPECT_TRUE(
        script.code.startsWith("IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'[dbo].[Orders]')"));
    EXPECT_EQ(prompts->requests.size(), 1u); // the question before Orders' 501 rows
}

TEST_F(GenerateStatement, TheDataShownInTheListsOrderRunsIntoAnEmptyCopy)
{
    frmTables window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    showTable(window, "Shippers");
    // Sorted by the company name, descending: the lines follow the list.
    QHeaderView* header = control<QTreeWidget>(window, "lsvTABRows")->header();
    const QPoint heading(header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, heading);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, heading);
    const test::ShownCode shown = generate(window, 5);
    EXPECT_EQ(shown.title,
              "Following is the generated INSERT SQL statement for the  table : [Harbor].[dbo].[Shippers]");
    // The identity column's values are kept: the lines run between IDENTITY_INSERT ON and OFF.
    EXPECT_EQ(shown.code,
              "SET IDENTITY_INSERT Shippers ON\r\n"
              "INSERT INTO Shippers (ShipperID,CompanyName,Phone) VALUES (2,'United Package','(503) 555-3199')\r\n"
              "INSERT INTO Shippers (ShipperID,CompanyName,Phone) VALUES (1,'Speedy Express','(503) 555-9831')\r\n"
              "INSERT INTO Shippers (ShipperID,CompanyName,Phone) VALUES (3,'Federal Shipping',NULL)\r\n"
              "SET IDENTITY_INSERT Shippers OFF\r\n");
    norvane::testing::createScratchDatabase("ShippersCopy");
    norvane::testing::runBatches("ShippersCopy",
                                 {"CREATE TABLE Shippers (ShipperID int IDENTITY (1, 1) NOT NULL PRIMARY KEY, "
                                  "CompanyName nvarchar(40) NOT NULL, Phone nvarchar(24) NULL)",
                                  shown.code});
    EXPECT_EQ(
        rowsOf("ShippersCopy", "SELECT * FROM Shippers ORDER BY ShipperID"),
        QStringList({"1|Speedy Express|(503) 555-9831", "2|United Package|(503) 555-3199", "3|Federal Shipping|null"}));

    // Every type of the sample.
    showTable(window, "TypeSamples");
    const QString prefix =
        "INSERT INTO TypeSamples (SampleID,BitValue,TinyValue,SmallValue,IntValue,BigValue,DecimalValue,NumericValue,"
        "MoneyValue,SmallMoneyValue,FloatValue,RealValue,DateTimeValue,SmallDateValue,CharValue,VarCharValue,"
        "NCharValue,NVarCharValue,TextValue,NTextValue,ImageValue,BinaryValue,VarBinaryValue,GuidValue,Phone) VALUES (";
    EXPECT_EQ(generate(window, 5).code,
              "SET IDENTITY_INSERT TypeSamples ON\r\n" + prefix +
                  "1,1,200,-1234,123456,9000000000,12345.67,123.4567,1234.5600,12.3400,1.5,2.25,"
                  "'1999-12-31 23:59:59.997','2000-01-01 12:30:00.000','Harbor','O''Brien','Kai','Smorrebrod',"
                  "'Long text of the first sample','Unicode text of the first sample',NULL,0x0102030405060708,"
                  "0xDEADBEEF,'6F9619FF-8B86-D011-B42D-00C04FC964FF','(206) 555-0100')\r\n" +
                  prefix + "2" + QString(",NULL").repeated(24) + ")\r\n" + prefix +
                  "3,0,0,32767,-2147483648,-9223372036854775808,-0.01,0.0000,-922337203685477.5808,214748.3647,"
                  "-1e+100,0,'1753-01-01 00:00:00.000','1900-01-01 00:00:00.000','','','','','','',NULL,"
                  "0x0000000000000000,0x00,'00000000-0000-0000-0000-000000000000','')\r\n"
                  "SET IDENTITY_INSERT TypeSamples OFF\r\n");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(GenerateStatement, BitsUserTypesEmptyNumbersServerFilledColumnsAndNoRows)
{
    const QStringList definition = {
        "EXEC sp_addtype PhoneNumber, 'varchar(24)', 'NULL'",
        "CREATE TABLE Readings (ID int IDENTITY (1, 1) NOT NULL PRIMARY KEY, Flag bit NULL, Phone PhoneNumber NULL, "
        "Reading int NULL, Tag uniqueidentifier NULL, Stamp timestamp NOT NULL, Twice AS (Reading * 2))",
        "CREATE TABLE [Empty One] (id int IDENTITY NOT NULL, note text NULL)"};
    norvane::testing::createScratchDatabase("Readings");
    norvane::testing::runBatches(
        "Readings",
        definition + QStringList{"INSERT INTO Readings (Flag, Phone, Reading, Tag) VALUES (0, '(206) 555-0100', "
                                 "21, '6F9619FF-8B86-D011-B42D-00C04FC964FF')",
                                 "INSERT INTO Readings (Flag, Phone, Reading) VALUES (1, 'O''Hare', NULL)",
                                 "INSERT INTO Readings (Flag, Phone, Reading) VALUES (NULL, '', -4)"});
    norvane::testing::connectSessionTo("Readings");
    frmTables window;
    showTable(window, "Readings");
    // The timestamp and the computed column are left out; the false bit is 0, the phone and the GUID quoted.
    const QString script = generate(window, 5).code;
    EXPECT_EQ(script, "SET IDENTITY_INSERT Readings ON\r\n"
                      "INSERT INTO Readings (ID,Flag,Phone,Reading,Tag) VALUES "
                      "(1,0,'(206) 555-0100',21,'6F9619FF-8B86-D011-B42D-00C04FC964FF')\r\n"
                      "INSERT INTO Readings (ID,Flag,Phone,Reading,Tag) VALUES (2,1,'O''Hare',NULL,NULL)\r\n"
                      "INSERT INTO Readings (ID,Flag,Phone,Reading,Tag) VALUES (3,NULL,'',-4,NULL)\r\n"
                      "SET IDENTITY_INSERT Readings OFF\r\n");
    norvane::testing::createScratchDatabase("ReadingsCopy");
    norvane::testing::runBatches("ReadingsCopy", definition + QStringList{script});
    // Read back as the list view shows them: a false bit reads False.
    EXPECT_EQ(rowsOf("ReadingsCopy", "SELECT ID, Flag, Phone, Reading, Twice, Tag FROM Readings ORDER BY ID"),
              QStringList({"1|False|(206) 555-0100|21|42|6F9619FF-8B86-D011-B42D-00C04FC964FF",
                           "2|1|O'Hare|null|null|null", "3|null||-4|-8|null"}));

    // A table without rows gives an empty text.
    showTable(window, "Empty One");
    const test::ShownCode nothing = generate(window, 5);
    EXPECT_TRUE(nothing.shown);
    EXPECT_EQ(nothing.code, "");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(GenerateStatement, EveryKindForATableWithQuotesBracketsAndBlanksInItsNames)
{
    norvane::testing::createScratchDatabase("OddGenerate");
    norvane::testing::runBatches("OddGenerate",
                                 {"CREATE TABLE [It's [odd]]] ([Key Col] nvarchar(10) NOT NULL PRIMARY KEY, [Pic] "
                                  "image NULL, [Memo] ntext NULL)",
                                  "INSERT INTO [It's [odd]]] ([Key Col], [Memo]) VALUES (N'a''b', N' null ')"});
    norvane::testing::connectSessionTo("OddGenerate");
    frmTables window;
    showTable(window, "It's [odd]");
    // Names are written as the grid shows them, without brackets; a text reading null is written NULL.
    EXPECT_EQ(generate(window, 0).code, "SELECT Key Col,Pic,Memo FROM It's [odd]");
    EXPECT_EQ(generate(window, 1).code,
              "INSERT INTO It's [odd] ( Key Col, Pic, Memo) VALUES ( @Key Col, @Pic, @Memo )");
    EXPECT_EQ(generate(window, 2).code, "UPDATE It's [odd] SET Key Col = @Key Col, Pic = @Pic, Memo = @Memo");
    EXPECT_EQ(generate(window, 3).code, "DELETE FROM It's [odd] WHERE ...");
    EXPECT_EQ(generate(window, 5).code, "INSERT INTO It's [odd] (Key Col,Pic,Memo) VALUES ('a''b',NULL,NULL)\r\n");
    EXPECT_TRUE(generate(window, 6).code.startsWith("CREATE PROCEDURE [dbo].[sp_sel_it's [odd]]\r\n"
                                                    "\t@Key Col nvarchar(20) = NULL\r\n"));
    const QString script = generate(window, 4).code;
    EXPECT_TRUE(script.contains("CREATE TABLE [dbo].[It's [odd]]] (\r\n\t[Key Col] [nvarchar] (10) NOT NULL,\r\n"
                                "\t[Pic] [image] NULL,\r\n\t[Memo] [ntext] NULL\r\n)\r\n"))
        << script.toStdString();
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(GenerateStatement, FailuresAreReportedAndNoCodeIsShown)
{
    norvane::testing::createScratchDatabase("OneColumn");
    norvane::testing::runBatches(
        "OneColumn", {"CREATE TABLE Single (Code varchar(10) NOT NULL)", "INSERT INTO Single VALUES ('a')"});
    norvane::testing::connectSessionTo("OneColumn");
    frmTables window;
    showTable(window, "Single");
    statusTexts.clear();
    EXPECT_FALSE(generate(window, 6).shown);
    EXPECT_EQ(statusTexts, QStringList({"Generating statement... Please wait...", "Ready"}));
    const QString failed = "Error...Problems encountered while generating statements!\r\nDetails:";
    EXPECT_EQ(messages(), QStringList({"Critical: " + failed +
                                       "The table has a single column: the update procedure "
                                       "has no column to set besides the key."}));

    // The table was dropped after it was shown: the script and the data export fail with the server's words.
    norvane::testing::runBatches("OneColumn", {"DROP TABLE Single"});
    EXPECT_FALSE(generate(window, 4).shown);
    EXPECT_FALSE(generate(window, 5).shown);
    expectFailure(1, failed);
    expectFailure(2, failed);

    // Without the server-management connection, CREATE cannot be asked for.
    session().serverAdmin.reset();
    EXPECT_FALSE(generate(window, 4).shown);
    EXPECT_EQ(messages().last(), "Critical: " + failed + "The server-management connection is not open.");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
