// The table explorer against the Harbor sample and scratch databases: the list,
// finding and choosing a table, its rows, columns and relations, what a
// relation entry opens, the column-name copy box, awkward and wide tables, the
// failures, the proportional layout and captions that show whole.
#include "tables_window_fixture.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>

using namespace norvane;

using norvane::testing::TablesWindow;

TEST_F(TablesWindow, TheListFindingByTypingAndEveryWayOfChoosingATable)
{
    frmTables window;
    auto* list = control<QListWidget>(window, "lstTABTables");
    auto* find = control<QLineEdit>(window, "txtTABSearch");
    const QStringList tables = {"AuditLog",      "Categories",  "Customers",  "Employees", "EmployeeTerritories",
                                "Order Details", "Orders",      "Products",   "Region",    "Shippers",
                                "Suppliers",     "Territories", "TypeSamples"};
    EXPECT_EQ(entries(list), tables);
    EXPECT_EQ(text(window, "lblTABTotalTables"), "Total Tables : 13");
    EXPECT_EQ(statusTexts, QStringList({"Populating Tables... Please wait...", "Ready"}));
    // 12000 by 8100 twips: 800 pixels wide; 7700 twips high without the caption, rounded up to whole pixels.
    EXPECT_EQ(window.size(), QSize(800, 514));

    session().Connected = false;
    QTest::keyClicks(find, "ord");
    EXPECT_EQ(selectedEntry(list), ""); // typing does nothing while not connected
    session().Connected = true;
    find->clear();
    QTest::keyClicks(find, "ord");
    EXPECT_EQ(selectedEntry(list), "Order Details");
    EXPECT_EQ(window.tableName(), ""); // typing alone chooses nothing

    // Enter in the find box: its 2,505 rows are shown only after the question (answered No: the first 500).
    find->clear();
    QTest::keyClicks(find, "order d");
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(text(window, "lblTABTableName"), "Table Name : [Harbor].[dbo].[Order Details]");
    EXPECT_EQ(find->text(), "Order Details"); // the find box now holds the entry's whole text
    EXPECT_EQ(messages(), QStringList({"Question: This contains 2505 rows..\r\nDo you want to Display them all?\r\n"
                                       "[Click No to display only 500 rows]"}));

    // Enter with text that matches no table: nothing selected, the table shown stays.
    find->clear();
    QTest::keyClicks(find, "zz");
    statusTexts.clear();
    QTest::keyClick(find, Qt::Key_Enter);
    EXPECT_EQ(window.tableName(), "Order Details");
    EXPECT_TRUE(statusTexts.isEmpty());

    // Enter, a click and double-click, and a mode option in the list.
    EXPECT_EQ(clickThenDoubleClick(window, list, tables.indexOf("EmployeeTerritories")), "EmployeeTerritories");
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[EmployeeTerritories]");
    list->setCurrentRow(tables.indexOf("Region"));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Region]");
    list->setCurrentRow(tables.indexOf("Suppliers"));
    control<QRadioButton>(window, "optTABMode1")->click();
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Suppliers]");
    EXPECT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The controls keep their proportions: the client area (8110 twips with the caption allowance) is
    // twice as wide and (15820 - 400) / (8110 - 400) = 2 times as high.
    const QRect designed = list->geometry();
    clsResize::setWindowSize(&window, {24000, 15820});
    ASSERT_EQ(window.size(), QSize(1600, 1028));
    EXPECT_EQ(list->geometry(), QRect(designed.topLeft() * 2, designed.size() * 2));
    clsResize::setWindowSize(&window, {12000, 8100});
    EXPECT_EQ(list->geometry(), designed);
}

TEST_F(TablesWindow, ColumnsKeysRelationsRowsAndTheRowModes)
{
    frmTables window;
    setMode(window, 1);
    statusTexts.clear();
    showTable(window, "Order Details");
    EXPECT_EQ(
        statusTexts,
        QStringList({"Populating Table rows... Please wait...", "Populating Table Columns... Please wait...",
                     "Populating Referring Tables... Please wait...", "Populating Referred Tables... Please wait...",
                     "Populating Check Constraints... Please wait...", "Populating Triggers... Please wait...",
                     "Populating Dependent Objects... Please wait...", "Ready"}));
    EXPECT_EQ(text(window, "lblTABRows"), "Total Showed Rows : 10");
    EXPECT_EQ(control<QTreeWidget>(window, "lsvTABRows")->topLevelItem(0)->text(0), "10248");
    EXPECT_EQ(columns(window),
              QStringList({"x  1|OrderID|int|4|10|0|", "x  2|ProductID|int|4|10|0|", "3|UnitPrice|money|8|19|4|",
                           "4|Quantity|smallint|2|5|0|", "5|Discount|real|4|24|0|"}));
    EXPECT_EQ(text(window, "lblTABColumns"), "Total Columns : 5");
    EXPECT_EQ(
        relations(window),
        QStringList({"Referring Tables : 2 = Orders ( OrderID ), Products ( ProductID )",
                     "Referred Tables : 0 = ", "Check Constraints : 2 = CK__Order Det__Quant__3A81B327, CK_Discount",
                     "Triggers : 1 = trOrderDetailsDelete",
                     "Dependent Objects : 5 = OrderSummary ( V ), fnOrderTotal ( FN), OrderTotals ( P ), "
                     "SalesByYear ( P ), UpdateDiscount ( P )"}));
    EXPECT_TRUE(prompts->requests.empty());

    // All of Orders' 501 rows: the question comes, and No shows the first 500. Nullable Unicode columns.
    setMode(window, 0);
    showTable(window, "Orders");
    EXPECT_EQ(messages(), QStringList({"Question: This contains 501 rows..\r\nDo you want to Display them all?\r\n"
                                       "[Click No to display only 500 rows]"}));
    EXPECT_EQ(text(window, "lblTABRows"), "Total Showed Rows : 500");
    EXPECT_EQ(columns(window), QStringList({"x  1|OrderID|int|4|10|0|", "2|CustomerID|nchar|10|0|0|Yes",
                                            "3|EmployeeID|int|4|10|0|Yes", "4|OrderDate|datetime|8|23|3|Yes",
                                            "5|RequiredDate|datetime|8|23|3|Yes", "6|ShippedDate|datetime|8|23|3|Yes",
                                            "7|ShipVia|int|4|10|0|Yes", "8|Freight|money|8|19|4|Yes",
                                            "9|ShipName|nvarchar|80|0|0|Yes", "10|ShipCountry|nvarchar|30|0|0|Yes"}));
    EXPECT_EQ(
        relations(window),
        QStringList({"Referring Tables : 3 = Customers ( CustomerID ), Employees ( EmployeeID ), Shippers ( ShipVia )",
                     "Referred Tables : 1 = Order Details", "Check Constraints : 0 = ", "Triggers : 1 = trOrdersAudit",
                     "Dependent Objects : 6 = OrderSummary ( V ), fnCustomerOrders ( IF), AddOrder ( P ), "
                     "CustomerOrderCount ( P ), SalesByYear ( P ), MonthlyShipmentReport ( P )"}));

    // Clicking the other row mode shows the selected table again, whole.
    showTable(window, "Shippers");
    control<QListWidget>(window, "lstTABTables")->setCurrentRow(0);
    statusTexts.clear();
    control<QRadioButton>(window, "optTABMode1")->click();
    EXPECT_EQ(window.tableName(), "AuditLog");
    EXPECT_EQ(text(window, "lblTABRows"), "Total Showed Rows : 10");
    EXPECT_EQ(statusTexts.size(), 8);
    EXPECT_EQ(prompts->requests.size(), 1u);
}

TEST_F(TablesWindow, RelationEntriesMoveToTheTableOrShowTheSourceAndColumnNamesAreOfferedForCopying)
{
    frmTables window;
    setMode(window, 1);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Only the name column offers its text, selected, in the copy box; leaving the box hides it.
    showTable(window, "Region");
    auto* grid = control<QTableWidget>(window, "flxTABColumns");
    auto* copyBox = control<QLineEdit>(window, "txtTABColName");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(1, 2)).center());
    EXPECT_FALSE(copyBox->isVisible());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(1, 1)).center());
    EXPECT_TRUE(copyBox->isVisible());
    EXPECT_EQ(copyBox->selectedText(), "RegionDescription");
    EXPECT_TRUE(copyBox->hasFocus());
    control<QListWidget>(window, "lstTABTables")->setFocus();
    EXPECT_FALSE(copyBox->isVisible());

    showTable(window, "Order Details");
    // A referring entry names a table and its column: the table is shown. A referred entry: a double-click.
    relationList(window, 0)->setCurrentRow(1);
    QTest::keyClick(relationList(window, 0), Qt::Key_Return);
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Products]");
    EXPECT_EQ(control<QLineEdit>(window, "txtTABSearch")->text(), "Products");
    EXPECT_EQ(clickThenDoubleClick(window, relationList(window, 1), 0), "Order Details");
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Order Details]");

    // A check constraint, a trigger and a dependent object show their source; the table stays shown.
    const auto open = [&](int list) {
        relationList(window, list)->setCurrentRow(list == 2 ? 1 : 0);
        return test::captureCodeWindow([&] { QTest::keyClick(relationList(window, list), Qt::Key_Return); });
    };
    statusTexts.clear();
    const test::ShownCode check = open(2);
    EXPECT_EQ(check.title, "Following is the source of the Check Constraint 'CK_Discount' on the Table "
                           "'[Harbor].[dbo].[Order Details]'");
    EXPECT_EQ(check.code, "([Discount] >= 0 and [Discount] <= 1)");
    EXPECT_EQ(std::tuple(check.fileName, check.filterIndex, check.noColour),
              std::tuple(QString("CK_Discount"), 1, false));
    EXPECT_EQ(statusTexts, QStringList({"Populating Details... Please wait...", "Ready",
                                        "Loading Code Window... Please wait...", "Ready", "Ready"}));
    const test::ShownCode trigger = open(3);
    EXPECT_EQ(trigger.title, "Following is the source of the Trigger 'trOrderDetailsDelete' on the Table "
                             "'[Harbor].[dbo].[Order Details]'");
    EXPECT_EQ(trigger.code,
              "CREATE TRIGGER trOrderDetailsDelete ON [Order Details]\r\nFOR DELETE\r\nAS\r\n"
              "INSERT INTO AuditLog (TableName, ActionCode, Note)\r\n"
              "SELECT 'Order Details', 'D', 'Line removed from order ' + CONVERT(varchar(12), OrderID)\r\n"
              "FROM deleted\r\n");
    EXPECT_EQ(trigger.fileName, "trOrderDetailsDelete");
    const test::ShownCode view = open(4);
    EXPECT_EQ(view.title, "Following is the source of the object 'OrderSummary' which depends on the Table "
                          "'[Harbor].[dbo].[Order Details]'");
    EXPECT_TRUE(view.code.startsWith("CREATE VIEW OrderSummary\r\nAS\r\n")) << view.code.toStdString();
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Order Details]");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(TablesWindow, AwkwardWideAndEmptyTablesAndAnEmptyDatabase)
{
    norvane::testing::createScratchDatabase("OddTables");
    norvane::testing::connectSessionTo("OddTables");
    frmTables empty;
    EXPECT_EQ(control<QListWidget>(empty, "lstTABTables")->count(), 0);
    EXPECT_EQ(text(empty, "lblTABTotalTables"), "Total Tables : 0");

    QString wide;
    for (int index = 1; index <= 300; ++index)
        wide += QString(", [c%1] varchar(10) NULL").arg(index);
    norvane::testing::runBatches("OddTables", {"CREATE TABLE [It's [odd]]] ([Key Col] nvarchar(10) NOT NULL PRIMARY "
                                               "KEY, [Pic] image NULL, [Memo] ntext NULL)",
                                               "CREATE TABLE [Wide] ([id] int NOT NULL" + wide + ")"});
    frmTables window;
    showTable(window, "It's [odd]");
    EXPECT_EQ(window.qualifiedName(), "[OddTables].[dbo].[It's [odd]]]");
    EXPECT_EQ(columns(window),
              QStringList({"x  1|Key Col|nvarchar|20|0|0|", "2|Pic|image|16|0|0|Yes", "3|Memo|ntext|16|0|0|Yes"}));
    EXPECT_EQ(text(window, "lblTABRows"), "Total Showed Rows : 0");
    EXPECT_EQ(control<QTreeWidget>(window, "lsvTABRows")->columnCount(), 3);
    showTable(window, "Wide");
    EXPECT_EQ(text(window, "lblTABColumns"), "Total Columns : 301");
    EXPECT_EQ(columns(window).last(), "301|c300|varchar|10|0|0|Yes");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(TablesWindow, ADroppedTableOrALostConnectionIsReportedAndTheWindowStaysUsable)
{
    norvane::testing::createScratchDatabase("Vanishing");
    norvane::testing::runBatches("Vanishing",
                                 {"CREATE TABLE Gone (id int NOT NULL)", "CREATE TABLE Kept (id int NULL)"});
    norvane::testing::connectSessionTo("Vanishing");
    frmTables window;
    norvane::testing::runBatches("Vanishing", {"DROP TABLE Gone"});
    statusTexts.clear();
    showTable(window, "Gone");
    expectFailure(0, "Error...Problems encountered while populating table details!\r\nDetails:");
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    session().connection.close(); // the connection is lost
    showTable(window, "Kept");
    expectFailure(1, "Error...Problems encountered while populating table details!\r\nDetails:");

    norvane::testing::connectSessionTo("Vanishing"); // connected again, the same window works
    showTable(window, "Kept");
    EXPECT_EQ(prompts->requests.size(), 2u);
    EXPECT_EQ(text(window, "lblTABColumns"), "Total Columns : 1");
}

TEST_F(TablesWindow, CaptionsShowWholeBeforeAndAfterATableIsShownAtTwoFontSizes)
{
    // Every caption of the window that would not show whole, by object name.
    const auto clippedCaptions = [](const QWidget& window) {
        QStringList clipped;
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            const QSize need = label->wordWrap()
                                   ? QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()))
                                   : label->sizeHint();
            // The table's qualified name is data, not a caption.
            if (!label->isHidden() && !label->text().isEmpty() && label->objectName() != "lblTABTableName" &&
                (label->width() < need.width() || label->height() < need.height()))
                clipped << label->objectName();
        }
        for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
            if (!button->objectName().isEmpty() && button->width() < button->sizeHint().width())
                clipped << button->objectName();
        for (const QGroupBox* frame : window.findChildren<QGroupBox*>())
            if (frame->width() < frame->minimumSizeHint().width())
                clipped << frame->objectName();
        return clipped;
    };
    const QFont designed = QApplication::font();
    for (const int pointSize : {9, 11}) {
        SCOPED_TRACE(pointSize);
        QFont font = designed;
        font.setPointSize(pointSize);
        QApplication::setFont(font);
        frmTables window;
        window.show();
        EXPECT_EQ(clippedCaptions(window), QStringList());
        showTable(window, "Order Details");
        EXPECT_EQ(clippedCaptions(window), QStringList());
        // The columns grid shows its row numbers itself: no second column of numbers beside them.
        EXPECT_FALSE(control<QTableWidget>(window, "flxTABColumns")->verticalHeader()->isVisible());
    }
    QApplication::setFont(designed);
}
