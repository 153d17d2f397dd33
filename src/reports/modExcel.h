#pragma once
// The spreadsheet layer of the reports: one report workbook is started, captioned,
// headed, laid out for printing, shown and released. The builders write the cells
// of its sheet themselves. "Showing" writes the workbook as an .xlsx file into the
// user's reports folder and opens it with the desktop's application for that type.
#include "reports/report_sheet.h"

#include <QString>

#include <memory>

class QWidget;

namespace norvane {

class ReportWorkbook;

// Where report files go and how they reach the user. The program's own uses a
// folder in the user's documents and the desktop's default application.
class ReportDesktop {
public:
    virtual ~ReportDesktop() = default;
    // The per-user folder for report files (created when missing).
    virtual QString reportsFolder() = 0;
    // Opens the written workbook file in the spreadsheet application; false when none could be started.
    virtual bool openReport(const ReportWorkbook& workbook) = 0;
};

// The desktop in use, and a replacement for it (nullptr restores the real one).
ReportDesktop& reportDesktop();
void setReportDesktop(std::unique_ptr<ReportDesktop> replacement);

// One report: its sheet, the file reserved for it and its captions.
class ReportWorkbook {
public:
    explicit ReportWorkbook(QString filePath);
    ~ReportWorkbook();  // a report that was never shown leaves no file behind
    ReportWorkbook(const ReportWorkbook&) = delete;
    ReportWorkbook& operator=(const ReportWorkbook&) = delete;

    ReportSheet& sheet() { return sheet_; }
    const ReportSheet& sheet() const { return sheet_; }
    const QString& filePath() const { return filePath_; }
    QString applicationCaption;
    QString windowCaption;
    bool shown = false;

private:
    ReportSheet sheet_;
    QString filePath_;
};

// The texts of the message shown when no report workbook can be made or opened.
inline const QString kSpreadsheetErrorText = QStringLiteral("Error encountered while creating the Excel sheet.");
inline const QString kSpreadsheetHintText = QStringLiteral("Make sure that a spreadsheet application is installed");

// Starts a new report: reserves a new file with a timestamped name in the reports
// folder (never one that exists, so an open report is never overwritten). On failure
// shows the message above (information icon) and returns false.
bool CreateSpreadsheet(QWidget* parent, std::unique_ptr<ReportWorkbook>& workbook);
// The application caption and window caption become the document's author and title.
void SetSpreadsheetCaptions(ReportWorkbook& workbook, const QString& applicationCaption,
                            const QString& windowCaption);
// Cell (1, 1) gets the first line, cell (2, 1) the second, both bold in their sizes.
void WriteReportHeading(ReportSheet& sheet, const QString& firstLine, int firstSize, const QString& secondLine,
                        int secondSize);
// Print titles "$1:$n", left footer "Page No: &P / &N", A4 portrait, margins
// 50/50/10/50 points (top/left/right/bottom), 70% scale, protection with the password.
void SetupReportPage(ReportSheet& sheet, int titleRows, const QString& password);
// Writes the workbook file and opens it. On failure shows the message above and returns false.
bool ShowSpreadsheet(QWidget* parent, ReportWorkbook& workbook);
// Drops the report; its reserved file goes too unless it was shown.
void ReleaseSpreadsheet(std::unique_ptr<ReportWorkbook>& workbook);

}  // namespace norvane
