// The details of a chosen table against the Harbor sample: rows, columns with
// their key marks, the five relation lists with their labels, the status texts,
// what a relation entry opens, the column-name copy box and the failures.
#include "tables_window_fixture.h"

#include "support/code_window_capture.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace norvane;
using norvane::testing::TablesWindowTest;

namespace {

const std::array<const char*, 5> kRelationLabels = {"lblTABReferring", "lblTABReferred", "lblTABConstraints",
                                                    "lblTABTriggers", "lblTABDepend"};

}  // namespace

class TableDetails : public TablesWindowTest {
protected:
    QStringList relationLabels(const frmTables& window)
    {
        QStringList texts;
        for (const char* name : kRelationLabels)
            texts << control<QLabel>(window, name)->text();
        return texts;
    }
    QListWidget* relationList(const frmTables& window, int index)
    {
        return control<QListWidget>(window, QString("lstRight%1").arg(index).toUtf8().constData());
    }
};

TEST_F(TableDetails, ATableWithATwoColumnKeyChecksAndATrigger)
{
    frmTables window;
    control<QRadioButton>(window, "optTABMode1")->setChecked(true);
    statusTexts.clear();
    showTable(window, "Order Details");

    EXPECT_EQ(statusTexts, QStringList({"Populating Table rows... Please wait...",
                                        "Populating Table Columns... Please wait...",
                                        "Populating Referring Tables... Please wait...",
                                        "Populating Referred Tables... Please wait...",
                                        "Populating Check Constraints... Please wait...",
                                        "Populating Triggers... Please wait...",
                                        "Populating Dependent Objects... Please wait...", "Ready"}));
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(control<QLabel>(window, "lblTABTableName")->text(), "Table Name : [Harbor].[dbo].[Order Details]");
    EXPECT_EQ(control<QLabel>(window, "lblTABRows")->text(), "Total Showed Rows : 10");
    EXPECT_EQ(control<QTreeWidget>(window, "lsvTABRows")->topLevelItem(0)->text(0), "10248");

    auto* grid = control<QTableWidget>(window, "flxTABColumns");
    EXPECT_EQ(headings(grid), QStringList({"No.", "Column Name               ", "Data Type", "Length", "Precision",
                                           "Scale", "IsNullable"}));
    EXPECT_EQ(gridRows(grid), QStringList({"x  1 | OrderID | int | 4 | 10 | 0 | ",
                                           "x  2 | ProductID | int | 4 | 10 | 0 | ",
                                           "3 | UnitPrice | money | 8 | 19 | 4 | ",
                                           "4 | Quantity | smallint | 2 | 5 | 0 | ",
                                           "5 | Discount | real | 4 | 24 | 0 | "}));
    EXPECT_EQ(control<QLabel>(window, "lblTABColumns")->text(), "Total Columns : 5");

    EXPECT_EQ(entries(relationList(window, 0)), QStringList({"Orders ( OrderID )", "Products ( ProductID )"}));
    EXPECT_EQ(entries(relationList(window, 1)), QStringList());
    EXPECT_EQ(entries(relationList(window, 2)), QStringList({"CK__Order Det__Quant__3A81B327", "CK_Discount"}));
    EXPECT_EQ(entries(relationList(window, 3)), QStringList({"trOrderDetailsDelete"}));
    EXPECT_EQ(entries(relationList(window, 4)),
              QStringList({"OrderSummary ( V )", "fnOrderTotal ( FN)", "OrderTotals ( P )", "SalesByYear ( P )",
                           "UpdateDiscount ( P )"}));
    EXPECT_EQ(relationLabels(window), QStringList({"Referring Tables : 2", "Referred Tables : 0",
                                                   "Check Constraints : 2", "Triggers : 1", "Dependent Objects : 5"}));
}

TEST_F(TableDetails, OrdersWithNullableUnicodeColumnsAndEveryKindOfRelation)
{
    frmTables window;
    control<QRadioButton>(window, "optTABMode1")->setChecked(true);
    showTable(window, "Orders");

    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxTABColumns")),
              QStringList({"x  1 | OrderID | int | 4 | 10 | 0 | ", "2 | CustomerID | nchar | 10 | 0 | 0 | Yes",
                           "3 | EmployeeID | int | 4 | 10 | 0 | Yes", "4 | OrderDate | datetime | 8 | 23 | 3 | Yes",
                           "5 | RequiredDate | datetime | 8 | 23 | 3 | Yes",
                           "6 | ShippedDate | datetime | 8 | 23 | 3 | Yes", "7 | ShipVia | int | 4 | 10 | 0 | Yes",
                           "8 | Freight | money | 8 | 19 | 4 | Yes", "9 | ShipName | nvarchar | 80 | 0 | 0 | Yes",
                           "10 | ShipCountry | nvarchar | 30 | 0 | 0 | Yes"}));
    EXPECT_EQ(entries(relationList(window, 0)),
              QStringList({"Customers ( CustomerID )", "Employees ( EmployeeID )", "Shippers ( ShipVia )"}));
    EXPECT_EQ(entries(relationList(window, 1)), QStringList({"Order Details"}));
    EXPECT_EQ(entries(relationList(window, 3)), QStringList({"trOrdersAudit"}));
    EXPECT_EQ(entries(relationList(window, 4)),
              QStringList({"OrderSummary ( V )", "fnCustomerOrders ( IF)", "AddOrder ( P )",
                           "CustomerOrderCount ( P )", "SalesByYear ( P )", "MonthlyShipmentReport ( P )"}));
    EXPECT_EQ(relationLabels(window), QStringList({"Referring Tables : 3", "Referred Tables : 1",
                                                   "Check Constraints : 0", "Triggers : 1", "Dependent Objects : 6"}));
}

TEST_F(TableDetails, ATableWithoutKeyOrRelationsAndAllRowsAfterTheQuestion)
{
    frmTables window;
    showTable(window, "AuditLog");
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxTABColumns")),
              QStringList({"1 | LogTime | datetime | 8 | 23 | 3 | ", "2 | TableName | varchar | 50 | 0 | 0 | ",
                           "3 | ActionCode | char | 1 | 0 | 0 | ", "4 | Note | varchar | 200 | 0 | 0 | Yes"}));
    EXPECT_EQ(relationLabels(window), QStringList({"Referring Tables : 0", "Referred Tables : 0",
                                                   "Check Constraints : 0", "Triggers : 0", "Dependent Objects : 0"}));
    EXPECT_EQ(control<QLabel>(window, "lblTABRows")->text(), "Total Showed Rows : 12");

    // 501 orders: the question comes, and No shows the first 500.
    showTable(window, "Orders");
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text,
              "This contains 501 rows..\r\nDo you want to Display them all?\r\n[Click No to display only 500 rows]");
    EXPECT_EQ(control<QLabel>(window, "lblTABRows")->text(), "Total Showed Rows : 500");
}

TEST_F(TableDetails, SwitchingTheRowModeReloadsTheWholeTable)
{
    frmTables window;
    showTable(window, "Shippers");
    EXPECT_EQ(control<QLabel>(window, "lblTABRows")->text(), "Total Showed Rows : 3");
    control<QListWidget>(window, "lstTABTables")->setCurrentRow(0);  // AuditLog, 12 rows
    statusTexts.clear();
    control<QRadioButton>(window, "optTABMode1")->click();
    EXPECT_EQ(window.tableName(), "AuditLog");
    EXPECT_EQ(control<QLabel>(window, "lblTABRows")->text(), "Total Showed Rows : 10");
    EXPECT_EQ(control<QLabel>(window, "lblTABColumns")->text(), "Total Columns : 4");
    EXPECT_EQ(statusTexts.size(), 8);
}

TEST_F(TableDetails, RelationEntriesMoveToTheTableOrShowTheSource)
{
    frmTables window;
    control<QRadioButton>(window, "optTABMode1")->setChecked(true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    showTable(window, "Order Details");

    // A referring entry names a table and its column: the table is shown.
    relationList(window, 0)->setCurrentRow(1);
    QTest::keyClick(relationList(window, 0), Qt::Key_Return);
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Products]");
    EXPECT_EQ(control<QLineEdit>(window, "txtTABSearch")->text(), "Products");
    EXPECT_EQ(entries(relationList(window, 1)), QStringList({"Order Details"}));

    // A referred entry is the table's name: a double-click goes back.
    QListWidget* referred = relationList(window, 1);
    referred->setCurrentRow(0);
    const QRect place = referred->visualItemRect(referred->item(0));
    QTest::mouseClick(referred->viewport(), Qt::LeftButton, {}, place.center());
    EXPECT_EQ(referred->toolTip(), "Order Details");
    QTest::mouseDClick(referred->viewport(), Qt::LeftButton, {}, place.center());
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Order Details]");

    // A check constraint, a trigger and a dependent object show their source.
    relationList(window, 2)->setCurrentRow(1);
    statusTexts.clear();
    test::ShownCode check = test::captureCodeWindow([&] { QTest::keyClick(relationList(window, 2), Qt::Key_Return); });
    ASSERT_TRUE(check.shown);
    EXPECT_EQ(check.title, "Following is the source of the Check Constraint 'CK_Discount' on the Table "
                           "'[Harbor].[dbo].[Order Details]'");
    EXPECT_EQ(check.code, "([Discount] >= 0 and [Discount] <= 1)");
    EXPECT_EQ(check.fileName, "CK_Discount");
    EXPECT_EQ(check.filterIndex, 1);
    EXPECT_FALSE(check.noColour);
    EXPECT_EQ(statusTexts.first(), "Populating Details... Please wait...");
    EXPECT_EQ(statusTexts.last(), "Ready");

    relationList(window, 3)->setCurrentRow(0);
    test::ShownCode trigger = test::captureCodeWindow([&] { QTest::keyClick(relationList(window, 3), Qt::Key_Return); });
    EXPECT_EQ(trigger.title, "Following is the source of the Trigger 'trOrderDetailsDelete' on the Table "
                             "'[Harbor].[dbo].[Order Details]'");
    EXPECT_EQ(trigger.code, "CREATE TRIGGER trOrderDetailsDelete ON [Order Details]\r\n"
                            "FOR DELETE\r\n"
                            "AS\r\n"
                            "INSERT INTO AuditLog (TableName, ActionCode, Note)\r\n"
                            "SELECT 'Order Details', 'D', 'Line removed from order ' + CONVERT(varchar(12), OrderID)\r\n"
                            "FROM deleted\r\n");
    EXPECT_EQ(trigger.fileName, "trOrderDetailsDelete");

    relationList(window, 4)->setCurrentRow(0);
    test::ShownCode view = test::captureCodeWindow([&] { QTest::keyClick(relationList(window, 4), Qt::Key_Return); });
    EXPECT_EQ(view.title, "Following is the source of the object 'OrderSummary' which depends on the Table "
                          "'[Harbor].[dbo].[Order Details]'");
    EXPECT_EQ(view.code, "CREATE VIEW OrderSummary\r\n"
                         "AS\r\n"
                         "SELECT o.OrderID, c.CompanyName, o.OrderDate, o.Freight,\r\n"
                         "\tSUM(d.UnitPrice * d.Quantity) AS Subtotal\r\n"
                         "FROM Orders o\r\n"
                         "INNER JOIN Customers c ON c.CustomerID = o.CustomerID\r\n"
                         "INNER JOIN [Order Details] d ON d.OrderID = o.OrderID\r\n"
                         "GROUP BY o.OrderID, c.CompanyName, o.OrderDate, o.Freight\r\n");
    EXPECT_EQ(view.fileName, "OrderSummary");
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Order Details]");  // the table stays shown
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(TableDetails, ClickingAColumnNameOffersItForCopying)
{
    frmTables window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    showTable(window, "Region");
    auto* grid = control<QTableWidget>(window, "flxTABColumns");
    auto* copyBox = control<QLineEdit>(window, "txtTABColName");
    EXPECT_FALSE(copyBox->isVisible());

    const QRect typeCell = grid->visualItemRect(grid->item(1, 2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, typeCell.center());
    EXPECT_FALSE(copyBox->isVisible());  // only the name column offers its text

    const QRect nameCell = grid->visualItemRect(grid->item(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, nameCell.center());
    EXPECT_TRUE(copyBox->isVisible());
    EXPECT_EQ(copyBox->text(), "RegionDescription");
    EXPECT_EQ(copyBox->selectedText(), "RegionDescription");
    EXPECT_TRUE(copyBox->hasFocus());

    control<QListWidget>(window, "lstTABTables")->setFocus();
    EXPECT_FALSE(copyBox->isVisible());
}

TEST_F(TableDetails, OddNamesEmptyTablesAndWideTablesShowWithoutFault)
{
    norvane::testing::createScratchDatabase("OddTables");
    QString columns;
    for (int index = 1; index <= 300; ++index)
        columns += QString(", [c%1] varchar(10) NULL").arg(index);
    norvane::testing::runBatches(
        "OddTables",
        {"CREATE TABLE [It's [odd]]] ([Key Col] nvarchar(10) NOT NULL PRIMARY KEY, [Pic] image NULL, [Memo] ntext NULL)",
         "CREATE TABLE [Wide] ([id] int NOT NULL" + columns + ")"});
    norvane::testing::connectSessionTo("OddTables");

    frmTables window;
    showTable(window, "It's [odd]");
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(window.qualifiedName(), "[OddTables].[dbo].[It's [odd]]]");
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxTABColumns")),
              QStringList({"x  1 | Key Col | nvarchar | 20 | 0 | 0 | ", "2 | Pic | image | 16 | 0 | 0 | Yes",
                           "3 | Memo | ntext | 16 | 0 | 0 | Yes"}));
    EXPECT_EQ(control<QLabel>(window, "lblTABRows")->text(), "Total Showed Rows : 0");
    EXPECT_EQ(control<QTreeWidget>(window, "lsvTABRows")->columnCount(), 3);

    showTable(window, "Wide");
    EXPECT_EQ(control<QLabel>(window, "lblTABColumns")->text(), "Total Columns : 301");
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxTABColumns")).last(),
              "301 | c300 | varchar | 10 | 0 | 0 | Yes");
}

TEST_F(TableDetails, ADroppedTableOrALostConnectionIsReportedAndTheWindowStaysUsable)
{
    norvane::testing::createScratchDatabase("Vanishing");
    norvane::testing::runBatches("Vanishing", {"CREATE TABLE Gone (id int NOT NULL)", "CREATE TABLE Kept (id int NULL)"});
    norvane::testing::connectSessionTo("Vanishing");
    frmTables window;
    norvane::testing::runBatches("Vanishing", {"DROP TABLE Gone"});

    statusTexts.clear();
    showTable(window, "Gone");
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts->requests[0].title, "Norvane");
    EXPECT_TRUE(prompts->requests[0].text.startsWith(
        "Error...Problems encountered while populating table details!\r\nDetails:"))
        << prompts->requests[0].text.toStdString();
    EXPECT_GT(prompts->requests[0].text.size(), 72);  // the server's description follows
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    session().connection.close();  // the connection is lost
    showTable(window, "Kept");
    ASSERT_EQ(prompts->requests.size(), 2u);
    EXPECT_TRUE(prompts->requests[1].text.startsWith(
        "Error...Problems encountered while populating table details!\r\nDetails:"));

    norvane::testing::connectSessionTo("Vanishing");  // connected again, the same window works
    showTable(window, "Kept");
    EXPECT_EQ(prompts->requests.size(), 2u);
    EXPECT_EQ(control<QLabel>(window, "lblTABColumns")->text(), "Total Columns : 1");
}
