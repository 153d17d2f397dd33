// A real workbook file for the Harbor sample: Table Details on every table and
// the full object list are written as .xlsx files, which are read back (a
// workbook is a zip of XML parts) to check the print titles, footer, page
// setup, protection, document properties and a few cells.
#include "reports/frmReports.h"

#include "reports/report_test_support.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::RecordingDesktop;
using norvane::testing::RecordingPrompts;

namespace {

// One part of the workbook file, as text.
QString workbookPart(const QString& file, const QString& part)
{
    QProcess unzip;
    unzip.start("unzip", {"-p", file, part});
    EXPECT_TRUE(unzip.waitForFinished(10000));
    EXPECT_EQ(unzip.exitCode(), 0) << part.toStdString();
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

QString unescaped(QString text)
{
    return text.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
}

// The workbook's shared strings, in order.
QStringList sharedStrings(const QString& file)
{
    QStringList strings;
    static const QRegularExpression item("<si><t(?: xml:space=\"preserve\")?>(.*?)</t></si>");
    for (const QRegularExpressionMatch& match : item.globalMatch(workbookPart(file, "xl/sharedStrings.xml")))
        strings << unescaped(match.captured(1));
    return strings;
}

// The cell's text: a shared string or the number as written.
QString cellText(const QString& sheetXml, const QStringList& strings, const QString& reference)
{
    const QRegularExpression cell("<c r=\"" + reference + "\"([^>]*)><v>([^<]*)</v></c>");
    const QRegularExpressionMatch match = cell.match(sheetXml);
    if (!match.hasMatch())
        return QStringLiteral("(none)");
    const bool shared = match.captured(1).contains(QLatin1String(" t=\"s\""));
    return shared ? strings.value(match.captured(2).toInt()) : match.captured(2);
}

class XlsxReport : public ::testing::Test {
protected:
    void SetUp() override { norvane::testing::connectReportSession("Harbor"); }
    void TearDown() override { resetSessionForTests(); }

    RecordingPrompts::Installed prompts;
    RecordingDesktop::Installed desktop;
};

}  // namespace

TEST_F(XlsxReport, TableDetailsForHarborReadsBackWithItsPageSetupAndCells)
{
    frmReports window;
    window.findChild<QPushButton*>("cmdToggle")->click();
    window.findChild<QPushButton*>("cmdGenerate")->click();
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    ASSERT_EQ(desktop->openedFiles.size(), 1);
    const QString file = desktop->openedFiles[0];

    const QString workbook = workbookPart(file, "xl/workbook.xml");
    EXPECT_TRUE(
        workbook.contains("<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">Sheet1!$1:$3</definedName>"))
        << workbook.toStdString();

    const QString sheet = workbookPart(file, "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(sheet.contains("<oddFooter>&amp;LPage No: &amp;P / &amp;N</oddFooter>")) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains("<sheetProtection sheet=\"1\" objects=\"1\" scenarios=\"1\"/>"));
    EXPECT_FALSE(sheet.contains("password="));
    EXPECT_TRUE(sheet.contains("<pageSetup paperSize=\"9\" scale=\"70\" orientation=\"portrait\""));
    const QRegularExpression margins("<pageMargins left=\"([0-9.]+)\" right=\"([0-9.]+)\" top=\"([0-9.]+)\" "
                                     "bottom=\"([0-9.]+)\"");
    const QRegularExpressionMatch margin = margins.match(sheet);
    ASSERT_TRUE(margin.hasMatch());
    const double points[] = {50, 10, 50, 50}; // left, right, top, bottom
    for (int side = 0; side < 4; ++side)
        EXPECT_NEAR(margin.captured(side + 1).toDouble() * 72, points[side], 1e-6) << side;
    // Widths in characters as the file keeps them (the library adds the cell padding): D 3, E 10, F 7.
    EXPECT_TRUE(sheet.contains("<col min=\"4\" max=\"4\" width=\"3.7109375\" customWidth=\"1\"/>"
                               "<col min=\"5\" max=\"5\" width=\"10.7109375\" customWidth=\"1\"/>"
                               "<col min=\"6\" max=\"6\" width=\"7.7109375\" customWidth=\"1\"/>"));

    const QStringList strings = sharedStrings(file);
    EXPECT_EQ(cellText(sheet, strings, "A1"),
              "Server: " + norvane::test::sharedSampleSandbox().dataSource() + " - Database: Harbor");
    EXPECT_EQ(cellText(sheet, strings, "A4"), "1");
    EXPECT_EQ(cellText(sheet, strings, "B4"), "AuditLog");
    EXPECT_EQ(cellText(sheet, strings, "C6"), "LogTime");
    EXPECT_EQ(cellText(sheet, strings, "E6"), "datetime");
    EXPECT_EQ(cellText(sheet, strings, "F6"), "8");
    EXPECT_EQ(cellText(sheet, strings, "K6"), "(getdate())");
    EXPECT_EQ(cellText(sheet, strings, "B11"), "Categories");
    EXPECT_EQ(cellText(sheet, strings, "D13"), " * ");
    EXPECT_EQ(cellText(sheet, strings, "J13"), "Yes");
    EXPECT_TRUE(std::any_of(strings.begin(), strings.end(), [](const QString& text) {
        return text.startsWith("[End of the Report Generated by Norvane On ");
    }));

    const QString core = workbookPart(file, "docProps/core.xml");
    EXPECT_TRUE(core.contains("<dc:title>Report</dc:title>")) << core.toStdString();
    EXPECT_TRUE(core.contains("<dc:creator>Norvane</dc:creator>"));
}

TEST_F(XlsxReport, TheObjectListWritesCreationDatesInTheReportFormat)
{
    frmReports window;
    window.findChild<QRadioButton*>("optType1")->click();
    for (const char* name : {"chkObjects1", "chkObjects2", "chkObjects3"})
        window.findChild<QCheckBox*>(name)->setChecked(true);
    window.findChild<QPushButton*>("cmdGenerate")->click();
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    ASSERT_EQ(desktop->openedFiles.size(), 1);
    const QString file = desktop->openedFiles[0];

    const QString styles = workbookPart(file, "xl/styles.xml");
    EXPECT_TRUE(styles.contains("formatCode=\"dd/mm/yyyy hh:mm\"")) << styles.toStdString();
    const QString sheet = workbookPart(file, "xl/worksheets/sheet1.xml");
    const QStringList strings = sharedStrings(file);
    EXPECT_EQ(cellText(sheet, strings, "A4"), "Tables");
    EXPECT_EQ(cellText(sheet, strings, "B5"), "Table Name");
    EXPECT_EQ(cellText(sheet, strings, "B6"), "AuditLog");
    // A creation date is a date serial number (days since 1900), not text.
    const double created = cellText(sheet, strings, "D6").toDouble();
    EXPECT_GT(created, 40000.0);
    EXPECT_TRUE(strings.contains("Views"));
    EXPECT_TRUE(strings.contains("Stored Procedures"));
    EXPECT_TRUE(strings.contains("User Defined Functions"));
    EXPECT_TRUE(strings.contains("fnReportingChain"));
}
