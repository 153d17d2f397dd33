// The reports against scratch databases on the sample sandbox, driven through the reports
// window: the table list and its selection helpers; Table Details and the object list, read
// from the sheet handed to the desktop and back from the .xlsx file written; the data script
// in the code window, run again on an empty copy; Close in the middle of a run and the message
// of every failure. Then the one-pass column read against Harbor and the main window's command.
#include "app/program_windows.h"
#include "reports/data_script.h"
#include "reports/frmReports.h"
#include "reports/modExcel.h"
#include "reports/report_layout.h"
#include "reports/xlsx_writer.h"
#include "shell/catalog_helpers.h"
#include "shell/frmMain.h"
#include "shell/harbor_session.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "support/code_window_capture.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"
#include "support/window_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>

using namespace norvane;
using norvane::testing::RecordingPrompts;
using norvane::testing::runBatches;

namespace {

const QString kDatabase = QStringLiteral("Reports");
const QString kCopy = QStringLiteral("ReportsCopy");
const QString kHostile = QStringLiteral("x'; drop table Region--");
const QStringList kTables = {
    "CREATE TABLE blobs (Id int NOT NULL, Data image NULL)",
    "CREATE TABLE [Bob's] ([a]]b] int NOT NULL, [O'Neil] varchar(10) NULL)",
    "CREATE TABLE Empty (Id int NULL)",
    "CREATE TABLE Pair (A int NOT NULL, B int NOT NULL, Total AS (A + B), CONSTRAINT PK_Pair PRIMARY KEY (A, B))",
    "CREATE TABLE Three (Id int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_Three PRIMARY KEY, "
    "Name varchar(20) NULL CONSTRAINT DF_Three_Name DEFAULT ('none'), "
    "Flag bit NOT NULL CONSTRAINT DF_Three_Flag DEFAULT (1))",
    "CREATE TABLE [Two Words] (Flag bit NULL, Amount money NULL, Ratio real NULL, Big float NULL, "
    "Stamp datetime NULL, Code uniqueidentifier NULL, Raw varbinary(4) NULL, Name nvarchar(10) NULL, "
    "Fixed char(4) NULL, Small smallint NULL, Huge bigint NULL, Exact decimal(9, 3) NULL)",
    "CREATE TABLE [x'; drop table Region--] (Id int NULL)",
};
const QString kAllTables = "blobs,Bob's,Empty,Pair,Three,Two Words," + kHostile;

// The session and its server-management object on a database of the sample sandbox.
void connectReports(const QString& database)
{
    norvane::testing::connectSessionTo(database);
    session().serverAdmin = std::make_unique<ServerAdmin>();
    session().serverAdmin->connect(test::sharedSampleSandbox().dataSource(), "sa", "");
}

// A desktop that keeps the reports it is asked to open instead of starting a spreadsheet application.
class RecordingDesktop : public ReportDesktop {
public:
    QTemporaryDir root;
    QString folder = root.filePath("Reports");
    bool opens = true; // false: as if no spreadsheet application were installed
    QStringList files;
    std::vector<ReportSheet> sheets;

    QString reportsFolder() override { return folder; }
    bool openReport(const ReportWorkbook& workbook) override
    {
        files << workbook.filePath();
        sheets.push_back(workbook.sheet());
        return opens;
    }
};

using test::control;
using test::press;

void checkTables(const QWidget& window, const QStringList& names)
{
    auto* list = control<QListWidget>(window, "lstTables");
    for (int row = 0; row < list->count(); ++row)
        list->item(row)->setCheckState(names.contains(list->item(row)->text()) ? Qt::Checked : Qt::Unchecked);
}

QString checkedTables(const QWidget& window)
{
    auto* list = control<QListWidget>(window, "lstTables");
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->checkState() == Qt::Checked)
            names << list->item(row)->text();
    return names.join(',');
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files);
}

using Grid = std::map<int, std::map<int, QString>>; // row -> column -> text

// A line per row up to the last, cells joined by '|' without the empty ones at the end.
QString gridText(Grid grid)
{
    QStringList lines;
    for (int row = 1; !grid.empty() && row <= grid.rbegin()->first; ++row) {
        QStringList cells;
        for (const auto& [column, text] : grid[row]) {
            while (cells.size() < column - 1)
                cells << QString();
            cells << text;
        }
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        lines << cells.join('|');
    }
    return lines.join('\n');
}

// The sheet's cells as text. With formats, a cell's bold (b), size other than 11 and right
// alignment (>) follow it in braces, and a last line gives the column widths ("-": the default).
QString sheetText(const ReportSheet& sheet, bool formats)
{
    Grid grid;
    QStringList widths;
    for (int column = 1; column <= sheet.columnCount(); ++column) {
        for (int row = 1; row <= sheet.rowCount(); ++row) {
            if (const SheetCell* cell = sheet.cell(row, column)) {
                const QString marks = QString(cell->bold ? "b" : "") +
                                      (cell->fontSize == kDefaultFontSize ? "" : QString::number(cell->fontSize)) +
                                      (cell->rightAligned ? ">" : "");
                grid[row][column] =
                    ReportSheet::displayText(*cell) + (formats && !marks.isEmpty() ? '{' + marks + '}' : "");
            }
        }
        widths << (sheet.columnWidth(column) ? QString::number(*sheet.columnWidth(column), 'f', 2) : "-");
    }
    return gridText(grid) + (formats ? "\nwidths " + widths.join('|') : "");
}

// Today's closing line and creation dates in a report's text, as fixed words.
QString withoutToday(QString text)
{
    const QDate today = QDate::currentDate();
    text.replace(QRegularExpression("\\[End of the Report Generated by Norvane On " + today.toString("yyyy MMM dd") +
                                    " At [^\\]]+\\]"),
                 "[closing line]");
    return text.replace(QRegularExpression(today.toString("dd/MM/yyyy") + " \\d\\d:\\d\\d"), "(today)");
}

// One part of a workbook file (a zip of XML parts), as text.
QString workbookPart(const QString& file, const QString& part)
{
    QProcess unzip;
    unzip.start("unzip", {"-p", file, part});
    EXPECT_TRUE(unzip.waitForFinished(10000));
    EXPECT_EQ(unzip.exitCode(), 0) << part.toStdString();
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

// The cells of the workbook file's sheet as text: shared strings by their text, numbers as written.
QString workbookText(const QString& file)
{
    QStringList strings;
    static const QRegularExpression item("<si><t(?: xml:space=\"preserve\")?>(.*?)</t></si>");
    for (const QRegularExpressionMatch& match : item.globalMatch(workbookPart(file, "xl/sharedStrings.xml")))
        strings << match.captured(1);
    Grid grid;
    static const QRegularExpression cell("<c r=\"([A-Z])(\\d+)\"([^>]*?)(?:/>|><v>([^<]*)</v></c>)");
    for (const QRegularExpressionMatch& match : cell.globalMatch(workbookPart(file, "xl/worksheets/sheet1.xml"))) {
        const bool shared = match.captured(3).contains(" t=\"s\"");
        grid[match.captured(2).toInt()][match.captured(1)[0].unicode() - 'A' + 1] =
            shared ? strings.value(match.captured(4).toInt()) : match.captured(4);
    }
    return gridText(grid);
}

// The rows of a query, fields joined by '|', on a connection of its own.
QStringList rowsOf(const QString& database, const QString& query)
{
    Connection connection;
    connection.open(test::sharedSampleSandbox().connectionString(database));
    QStringList rows;
    for (Recordset found = connection.execute(query); !found.eof(); found.moveNext()) {
        QStringList values;
        for (const Field& field : found.fields())
            values << (field.isNull() ? QStringLiteral("NULL") : field.text());
        rows << values.join('|');
    }
    return rows;
}

class Reports : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const QString& database : {kDatabase, kCopy}) {
            norvane::testing::createScratchDatabase(database);
            runBatches(database, kTables);
        }
        runBatches(kDatabase,
                   {"INSERT INTO blobs (Id, Data) VALUES (7, 0x0102)",
                    "INSERT INTO [Bob's] ([a]]b], [O'Neil]) VALUES (1, 'it''s')",
                    "INSERT INTO Pair (A, B) VALUES (2, 3)", "INSERT INTO Three (Name, Flag) VALUES ('  padded  ', 0)",
                    "INSERT INTO [Two Words] VALUES (1, 12.3456, 0.15, 2.5e-7, '2006-06-27 17:12:40.123', "
                    "'6F9619FF-8B86-D011-B42D-00C04FC964FF', 0x00FF10, N'Zoë', 'ab', -3, 9000000000, -12.5)",
                    "INSERT INTO [Two Words] VALUES (0, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
                    "NULL)",
                    "INSERT INTO [x'; drop table Region--] (Id) VALUES (5)",
                    "CREATE VIEW PairView AS SELECT A, B FROM Pair",
                    "CREATE PROCEDURE CountPairs AS SELECT COUNT(*) FROM Pair",
                    "CREATE FUNCTION Twice (@n int) RETURNS int AS BEGIN RETURN @n * 2 END"});
    }

    void SetUp() override
    {
        connectReports(kDatabase);
        setStatusSink([this](const QString& text) { statusTexts << text; });
        auto recorder = std::make_unique<RecordingDesktop>();
        desktop = recorder.get();
        setReportDesktop(std::move(recorder));
    }
    void TearDown() override
    {
        setReportDesktop(nullptr);
        setStatusSink(nullptr);
        resetSessionForTests();
    }

    // Generates a report of the kind, which ends with the message alone: no code window, no report
    // file, the window short again.
    void expectFailure(frmReports& window, const char* kind, const QString& message)
    {
        press(window, kind);
        prompts->requests.clear();
        EXPECT_FALSE(test::captureCodeWindow([&] { press(window, "cmdGenerate"); }).shown);
        ASSERT_EQ(prompts->requests.size(), 1u);
        EXPECT_EQ(prompts->requests[0].text, message);
        EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Information);
        EXPECT_TRUE(filesIn(desktop->folder).isEmpty());
        EXPECT_EQ(window.height(), window.idleHeight());
        EXPECT_EQ(statusTexts.back(), "Ready");
    }

    QStringList statusTexts;
    RecordingPrompts::Installed prompts;
    RecordingDesktop* desktop = nullptr; // owned by the desktop service
};

} // namespace

TEST_F(Reports, TheTableListAndItsSelectionHelpers)
{
    frmReports window;
    auto* list = control<QListWidget>(window, "lstTables");
    auto* prefix = control<QLineEdit>(window, "txtPrefix");
    auto* adding = control<QCheckBox>(window, "chkPrefix");
    auto* total = control<QLabel>(window, "lblTotal");
    const auto selection = [&] { return checkedTables(window) + " / " + total->text(); };
    press(window, "cmdToggle");
    // The user tables sorted without regard to case; the last one added is the current one.
    EXPECT_EQ(selection(), kAllTables + " / Total number of selected tables:7");
    press(window, "cmdToggle");
    EXPECT_EQ(selection(), " / Total number of selected tables:0");
    EXPECT_EQ(list->currentItem()->text(), kHostile);
    EXPECT_EQ(statusTexts, QStringList({"Loading... Please Wait...", "Ready"}));
    EXPECT_EQ(window.height(), window.idleHeight());
    EXPECT_TRUE(control<QProgressBar>(window, "prgReport")->isHidden());
    list->item(3)->setCheckState(Qt::Checked);
    EXPECT_EQ(selection(), "Pair / Total number of selected tables:1");
    // A prefix, trimmed and without regard to case, replaces the selection or adds to it; an empty one takes all.
    prefix->setText(" b ");
    press(window, "cmdPrefix");
    EXPECT_EQ(selection(), "blobs,Bob's / Total number of selected tables:2");
    checkTables(window, {"Empty"});
    adding->setChecked(true);
    press(window, "cmdPrefix");
    EXPECT_EQ(selection(), "blobs,Bob's,Empty / Total number of selected tables:3");
    adding->setChecked(false);
    prefix->clear();
    press(window, "cmdPrefix");
    EXPECT_EQ(selection(), kAllTables + " / Total number of selected tables:7");

    // The object list enables its boxes instead of the list; the data script keeps either.
    const std::pair<const char*, bool> kinds[] = {
        {"optType1", false}, {"optType2", false}, {"optType0", true}, {"optType2", true}};
    for (const auto& [kind, listEnabled] : kinds) {
        press(window, kind);
        EXPECT_EQ(list->isEnabled(), listEnabled) << kind;
        EXPECT_EQ(control<QCheckBox>(window, "chkObjects1")->isEnabled(), !listEnabled) << kind;
    }
}

TEST_F(Reports, TableDetailsInTheSheetAndInTheWorkbookFile)
{
    frmReports window;
    checkTables(window, {"Bob's", "Pair", "Three"});
    press(window, "cmdGenerate");
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    ASSERT_EQ(desktop->sheets.size(), 1u);
    const ReportSheet& sheet = desktop->sheets[0];
    EXPECT_EQ(withoutToday(sheetText(sheet, true)), QString(R"(Server: %1 - Database: Reports{b12}
Table Details{b10}

1{b9}|Bob's{b9}
|No{b8>}|Column Name{b8}|PK{b8}|Data Type{b8}|Length{b8}|Precision{b8}|Scale{b8}|Nullable{b8}|Identity{b8}|Default{b8}|Computed{b8}
|1|a]b||int|4|10|0
|2|O'Neil||varchar|10|0|0|Yes

2{b9}|Pair{b9}
|No{b8>}|Column Name{b8}|PK{b8}|Data Type{b8}|Length{b8}|Precision{b8}|Scale{b8}|Nullable{b8}|Identity{b8}|Default{b8}|Computed{b8}
|1|A| * |int|4|10|0
|2|B| * |int|4|10|0
|3|Total||int|4|10|0|Yes|||([A] + [B])

3{b9}|Three{b9}
|No{b8>}|Column Name{b8}|PK{b8}|Data Type{b8}|Length{b8}|Precision{b8}|Scale{b8}|Nullable{b8}|Identity{b8}|Default{b8}|Computed{b8}
|1|Id| * |int|4|10|0||Yes
|2|Name||varchar|20|0|0|Yes||('none')
|3|Flag||bit|1|1|0|||1

[closing line]
widths -|-|9.39|3.00|10.00|7.00|8.00|7.00|7.00|7.00|7.00|10.00)")
                                                        .arg(test::sharedSampleSandbox().dataSource()));
    EXPECT_EQ(window.height(), window.idleHeight());
    EXPECT_EQ(statusTexts.mid(2), QStringList({"Generating Report... Please Wait...", "Ready"}));

    // The file in the reports folder, under a timestamped name, holds the same cells and the page setup.
    const QStringList files = filesIn(desktop->folder);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(
        QRegularExpression("^Report \\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\\.xlsx$").match(files[0]).hasMatch())
        << files[0].toStdString();
    const QString file = desktop->files[0];
    EXPECT_EQ(workbookText(file), sheetText(sheet, false));
    const std::pair<const char*, const char*> parts[] = {
        {"xl/workbook.xml", "<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">Sheet1!$1:$3</definedName>"},
        {"xl/worksheets/sheet1.xml", "<oddFooter>&amp;LPage No: &amp;P / &amp;N</oddFooter>"},
        {"xl/worksheets/sheet1.xml", "<sheetProtection sheet=\"1\" objects=\"1\" scenarios=\"1\"/>"},
        {"xl/worksheets/sheet1.xml", "<pageSetup paperSize=\"9\" scale=\"70\" orientation=\"portrait\""},
        // Margins in inches: 50 points left, top and bottom, 10 right.
        {"xl/worksheets/sheet1.xml", "<pageMargins left=\"0.6944444444444444\" right=\"0.1388888888888889\" "
                                     "top=\"0.6944444444444444\" bottom=\"0.6944444444444444\""},
        // Widths as the file keeps them (the library adds the cell padding): D 3, E 10, F 7.
        {"xl/worksheets/sheet1.xml", "<col min=\"4\" max=\"4\" width=\"3.7109375\" customWidth=\"1\"/>"
                                     "<col min=\"5\" max=\"5\" width=\"10.7109375\" customWidth=\"1\"/>"
                                     "<col min=\"6\" max=\"6\" width=\"7.7109375\" customWidth=\"1\"/>"},
        {"docProps/core.xml", "<dc:title>Report</dc:title><dc:creator>Norvane</dc:creator>"},
    };
    for (const auto& [part, text] : parts)
        EXPECT_TRUE(workbookPart(file, part).contains(text)) << part << ": " << text;
    EXPECT_FALSE(workbookPart(file, "xl/worksheets/sheet1.xml").contains("password="));

    // Nothing checked: the heading and the closing line in row 4, in a file of its own though in the same second.
    checkTables(window, {});
    press(window, "cmdGenerate");
    ASSERT_EQ(desktop->sheets.size(), 2u);
    EXPECT_EQ(withoutToday(sheetText(desktop->sheets[1], false)),
              "Server: " + test::sharedSampleSandbox().dataSource() +
                  " - Database: Reports\nTable Details\n\n[closing line]");
    EXPECT_EQ(filesIn(desktop->folder).size(), 2);
}

TEST_F(Reports, TheObjectListWritesItsSectionsOneAfterAnother)
{
    frmReports window;
    press(window, "optType1");
    for (const char* box : {"chkObjects1", "chkObjects2", "chkObjects3"})
        control<QCheckBox>(window, box)->setChecked(true);
    press(window, "cmdGenerate");
    ASSERT_EQ(desktop->sheets.size(), 1u);
    EXPECT_EQ(withoutToday(sheetText(desktop->sheets[0], true)), QString(R"(Server: %1 - Database: Reports{b12}
List of Objects{b10}

Tables{b9}
No{b8>}|Table Name{b8}|Owner{b8}|Created On{b8}|Columns{b8}|Rows{b8}
1|blobs|dbo|(today)|2|1
2|Bob's|dbo|(today)|2|1
3|Empty|dbo|(today)|1|0
4|Pair|dbo|(today)|3|1
5|Three|dbo|(today)|3|1
6|Two Words|dbo|(today)|12|2
7|x'; drop table Region--|dbo|(today)|1|1
Views{b9}
No{b8>}|View Name{b8}|Owner{b8}|Created On{b8}|Columns{b8}|{b8}
1|PairView|dbo|(today)|2
Stored Procedures{b9}
No{b8>}|Stored Procedure Name{b8}|Owner{b8}|Created On{b8}|{b8}|{b8}
1|CountPairs|dbo|(today)
User Defined Functions{b9}
No{b8>}|Function Name{b8}|Owner{b8}|Created On{b8}|{b8}|{b8}
1|Twice|dbo|(today)
[closing line]
widths -|23.75|4.68|16.75|6.25|3.89)")
                                                                     .arg(test::sharedSampleSandbox().dataSource()));
    // In the file a creation date is its serial number in the spreadsheet calendar, in the report's format.
    const QString file = desktop->files[0];
    EXPECT_TRUE(workbookPart(file, "xl/styles.xml").contains("formatCode=\"dd/mm/yyyy hh:mm\""));
    const QDateTime created = desktop->sheets[0].value(6, 4).toDateTime();
    EXPECT_NEAR(workbookText(file).split('\n')[5].split('|')[3].toDouble(),
                QDate(1899, 12, 30).daysTo(created.date()) + created.time().msecsSinceStartOfDay() / 86400000.0, 1e-6);
}

TEST_F(Reports, TheDataScriptShowsInTheCodeWindowAndPutsTheSameRowsIntoAnEmptyCopy)
{
    frmReports window;
    press(window, "cmdToggle");
    press(window, "optType2");
    const test::ShownCode shown = test::captureCodeWindow([&] { press(window, "cmdGenerate"); });
    ASSERT_TRUE(shown.shown);
    EXPECT_EQ(shown.code, QString(R"(INSERT INTO [blobs] ([Id],[Data]) VALUES (7,NULL)
Go

INSERT INTO [Bob's] ([a]]b],[O'Neil]) VALUES (1,'it''s')
Go

Go

INSERT INTO [Pair] ([A],[B]) VALUES (2,3)
Go

SET IDENTITY_INSERT [Three] ON
INSERT INTO [Three] ([Id],[Name],[Flag]) VALUES (1,'padded',0)
SET IDENTITY_INSERT [Three] OFF
Go

INSERT INTO [Two Words] ([Flag],[Amount],[Ratio],[Big],[Stamp],[Code],[Raw],[Name],[Fixed],[Small],[Huge],[Exact]) VALUES (1,12.3456,0.15,2.5e-07,'20060627 17:12:40.123','6F9619FF-8B86-D011-B42D-00C04FC964FF',0x00FF10,'Zoë','ab',-3,9000000000,-12.500)
INSERT INTO [Two Words] ([Flag],[Amount],[Ratio],[Big],[Stamp],[Code],[Raw],[Name],[Fixed],[Small],[Huge],[Exact]) VALUES (0,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)
Go

INSERT INTO [x'; drop table Region--] ([Id]) VALUES (5)
Go

)")
                              .replace("\n", "\r\n"));
    EXPECT_EQ(window.height(), window.generatingHeight());
    EXPECT_EQ(control<QProgressBar>(window, "prgReport")->value(), 100);
    EXPECT_TRUE(desktop->files.isEmpty());
    EXPECT_TRUE(prompts->requests.empty());

    runBatches(kCopy, shown.code.split("Go\r\n\r\n", Qt::SkipEmptyParts));
    for (const QString& table : kAllTables.split(',')) {
        QStringList expected = rowsOf(kDatabase, "SELECT * FROM [" + table + "]");
        if (table == "blobs")
            expected = QStringList{"7|NULL"};              // images are not carried
        expected.replaceInStrings("  padded  ", "padded"); // quoted values lose their blanks
        EXPECT_EQ(rowsOf(kCopy, "SELECT * FROM [" + table + "]"), expected) << table.toStdString();
    }

    checkTables(window, {});
    const test::ShownCode empty = test::captureCodeWindow([&] { press(window, "cmdGenerate"); });
    EXPECT_TRUE(empty.shown);
    EXPECT_EQ(empty.code, "");
}

TEST_F(Reports, ALongTableIsCancelledBetweenItsRowsAndTheConnectionStaysUsable)
{
    runBatches(kCopy, {"CREATE TABLE Many (n int NOT NULL)",
                       "INSERT INTO Many (n) SELECT CategoryID FROM Harbor.dbo.Categories, Harbor.dbo.Customers, "
                       "Harbor.dbo.Shippers"});
    resetSessionForTests();
    connectReports(kCopy);
    DataScriptRun run{session().serverAdmin.get(), kCopy, &session().connection, nullptr, nullptr};
    int yields = 0;
    run.yieldAndCheckCancelled = [&] { return ++yields == 3; };
    EXPECT_EQ(BuildDataScript(run, {{"Many", true}}), std::nullopt);
    EXPECT_EQ(yields, 3); // before the table, after 5,000 rows and after 10,000

    run.yieldAndCheckCancelled = [] { return false; };
    const std::optional<QString> whole = BuildDataScript(run, {{"Many", true}});
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->count("INSERT INTO [Many] ([n]) VALUES ("), 12000);
}

TEST_F(Reports, ClosingTheWindowDuringARunStopsItAndShowsNothing)
{
    struct Case {
        const char* kind;
        bool closeBox; // the window's close box, or Close
        int barAfter;
    };
    for (const Case& run : {Case{"optType0", true, 1}, Case{"optType1", false, 1}, Case{"optType2", false, 0}}) {
        SCOPED_TRACE(run.kind);
        frmReports window;
        window.show();
        checkTables(window, {"Pair", "Three", "Two Words"});
        press(window, run.kind);
        auto* bar = control<QProgressBar>(window, "prgReport");
        bool sawRun = false;
        QObject::connect(bar, &QProgressBar::valueChanged, &window, [&](int value) {
            if (value != 1 || sawRun)
                return;
            // During the run: the taller window with the bar in view.
            sawRun = window.generating() && window.height() == window.generatingHeight() && bar->isVisible();
            if (run.closeBox)
                window.close();
            else
                press(window, "cmdClose");
        });
        const test::ShownCode shown = test::captureCodeWindow([&] { press(window, "cmdGenerate"); });
        EXPECT_TRUE(sawRun);
        EXPECT_FALSE(shown.shown);
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(bar->value(), run.barAfter);
        EXPECT_EQ(statusTexts.back(), "Ready");
    }
    EXPECT_TRUE(desktop->files.isEmpty());
    EXPECT_TRUE(filesIn(desktop->folder).isEmpty());
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(Reports, FailuresGiveTheirMessagesAndLeaveNoFileBehind)
{
    // A workbook that cannot be written is an error, never a report said to be done.
    EXPECT_THROW(writeXlsxWorkbook(ReportSheet{}, {}, "/nonexistent-folder/report.xlsx"), std::runtime_error);
    const QString spreadsheet = "Error encountered while creating the Excel sheet.\r\n"
                                "Make sure that a spreadsheet application is installed";
    {
        SCOPED_TRACE("no spreadsheet application");
        desktop->opens = false;
        frmReports window;
        expectFailure(window, "optType0", spreadsheet);
    }
    {
        SCOPED_TRACE("the reports folder's place taken by a file");
        desktop->opens = true;
        desktop->folder = desktop->root.filePath("taken");
        QFile taken(desktop->folder);
        ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
        frmReports window;
        expectFailure(window, "optType0", spreadsheet);
    }
    EXPECT_EQ(desktop->files.size(), 1); // only the first reached the desktop
    desktop->folder = desktop->root.filePath("Reports");
    for (const char* kind : {"optType0", "optType2"}) {
        SCOPED_TRACE(kind); // on a table dropped since the window was loaded
        runBatches(kDatabase, {"CREATE TABLE Gone (Id int NULL)"});
        frmReports window;
        checkTables(window, {"Gone"});
        runBatches(kDatabase, {"DROP TABLE Gone"});
        expectFailure(window, kind,
                      "Error while generating report... \r\nTechnical Details:\r\n"
                      "Invalid object name 'Gone' in database 'Reports'.");
    }

    // No server-management object to load from, nor to generate with.
    session().serverAdmin.reset();
    prompts->requests.clear();
    frmReports window;
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text,
              "Error while loading... \r\nTechnical Details:\r\nThe server-management object is not logged in.");
    EXPECT_EQ(control<QListWidget>(window, "lstTables")->count(), 0);
    expectFailure(window, "optType1",
                  "Error while generating report... \r\nTechnical Details:\r\nThe server-management object is not "
                  "logged in.");
    EXPECT_EQ(desktop->files.size(), 1);
}

TEST_F(Reports, ALostConnectionEndsEachKindWithTheDriversText)
{
    frmReports window;
    checkTables(window, {"Pair"});
    test::SandboxProcess& server = test::sharedSampleSandbox();
    server.stop();
    // The first statement finds the connection gone; later ones get the driver's text.
    const std::pair<const char*, const char*> kinds[] = {
        {"optType0", "The statement failed: the connection to the server is broken."},
        {"optType1", "Communication link failure"},
        {"optType2", "Communication link failure"}};
    for (const auto& [kind, text] : kinds) {
        SCOPED_TRACE(kind);
        expectFailure(window, kind, QString("Error while generating report... \r\nTechnical Details:\r\n") + text);
    }
    EXPECT_TRUE(desktop->files.isEmpty());
    server.restart();
}

TEST_F(Reports, TheMenuCommandOpensTheReportsWindowOverTheMainWindow)
{
    WindowRegistry windows;
    registerProgramWindows(windows);
    frmMain main(std::move(windows));
    main.show();
    QWidget* owner = nullptr;
    QTimer::singleShot(0, [&] {
        auto* reports = qobject_cast<frmReports*>(QApplication::activeModalWidget());
        ASSERT_NE(reports, nullptr);
        owner = reports->parentWidget();
        EXPECT_EQ(control<QListWidget>(*reports, "lstTables")->count(), 7);
        press(*reports, "cmdClose");
    });
    main.menuCommand("mnuReports")->trigger();
    EXPECT_EQ(owner, &main);
}

TEST(ReportLayout, DefaultCellsAndTheClosingLine)
{
    const std::pair<const char*, const char*> defaults[] = {{"(1)", "1"},     {" ( 1.0 ) ", "1"}, {"(0)", "(0)"},
                                                            {"(-1)", "(-1)"}, {"((1))", "((1))"}, {"()", "()"}};
    for (const auto& [text, shown] : defaults)
        EXPECT_EQ(defaultCellText(text), shown) << text;
    EXPECT_EQ(reportClosingLine(QDateTime(QDate(2006, 6, 27), QTime(17, 12, 40)), QLocale(QLocale::German)),
              "[End of the Report Generated by Norvane On 2006 Jun 27 At 17:12:40]");
}
