#include "reports/modExcel.h"

#include "reports/xlsx_writer.h"
#include "shell/prompts.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>

#include <stdexcept>

namespace norvane {

namespace {

// The folder under the user's documents that holds the report files.
const QString kReportsFolderName = QStringLiteral("Norvane Reports");
// Report files are named after the moment they were started.
const QString kFileNameStem = QStringLiteral("Report ");
const QString kFileTimeFormat = QStringLiteral("yyyy-MM-dd hh.mm.ss");
const QString kFileExtension = QStringLiteral(".xlsx");
// Attempts at a free name within one second before giving up.
constexpr int kNameAttempts = 1000;

// The page setup of every report.
const QString kLeftFooter = QStringLiteral("Page No: &P / &N");
constexpr int kPaperA4 = 9;
constexpr double kTopMarginPoints = 50;
constexpr double kLeftMarginPoints = 50;
constexpr double kRightMarginPoints = 10;
constexpr double kBottomMarginPoints = 50;
constexpr int kPrintZoom = 70;

class UserDesktop : public ReportDesktop {
public:
    QString reportsFolder() override
    {
        QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (documents.isEmpty())
            documents = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        return QDir(documents).filePath(kReportsFolderName);
    }
    bool openReport(const ReportWorkbook& workbook) override
    {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(workbook.filePath()));
    }
};

std::unique_ptr<ReportDesktop>& installedDesktop()
{
    static std::unique_ptr<ReportDesktop> desktop;
    return desktop;
}

void showSpreadsheetError(QWidget* parent)
{
    showMessage(parent, QMessageBox::Information, kSpreadsheetErrorText + QStringLiteral("\r\n") + kSpreadsheetHintText);
}

// Creates a file that did not exist, named after the moment, in the folder; empty when none can be made.
QString reserveReportFile(const QString& folder)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QString();
    const QDir directory(folder);
    const QString stem = kFileNameStem + QDateTime::currentDateTime().toString(kFileTimeFormat);
    for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
        const QString name = attempt == 1 ? stem + kFileExtension
                                          : stem + QStringLiteral(" (%1)").arg(attempt) + kFileExtension;
        QFile file(directory.filePath(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return file.fileName();
        if (!file.exists())
            return QString();  // the folder refuses new files
    }
    return QString();
}

}  // namespace

ReportDesktop& reportDesktop()
{
    std::unique_ptr<ReportDesktop>& desktop = installedDesktop();
    if (!desktop)
        desktop = std::make_unique<UserDesktop>();
    return *desktop;
}

void setReportDesktop(std::unique_ptr<ReportDesktop> replacement)
{
    installedDesktop() = std::move(replacement);
}

ReportWorkbook::ReportWorkbook(QString filePath) : filePath_(std::move(filePath)) {}

ReportWorkbook::~ReportWorkbook()
{
    if (!shown && !filePath_.isEmpty())
        QFile::remove(filePath_);
}

bool CreateSpreadsheet(QWidget* parent, std::unique_ptr<ReportWorkbook>& workbook)
{
    workbook.reset();
    const QString filePath = reserveReportFile(reportDesktop().reportsFolder());
    if (filePath.isEmpty()) {
        showSpreadsheetError(parent);
        return false;
    }
    workbook = std::make_unique<ReportWorkbook>(filePath);
    return true;
}

void SetSpreadsheetCaptions(ReportWorkbook& workbook, const QString& applicationCaption, const QString& windowCaption)
{
    workbook.applicationCaption = applicationCaption;
    workbook.windowCaption = windowCaption;
}

void WriteReportHeading(ReportSheet& sheet, const QString& firstLine, int firstSize, const QString& secondLine,
                        int secondSize)
{
    sheet.write(1, 1, firstLine);
    sheet.setBold(1, 1, 1);
    sheet.setFontSize(1, 1, 1, firstSize);
    sheet.write(2, 1, secondLine);
    sheet.setBold(2, 1, 1);
    sheet.setFontSize(2, 1, 1, secondSize);
}

void SetupReportPage(ReportSheet& sheet, int titleRows, const QString& password)
{
    SheetPageSetup& page = sheet.pageSetup();
    page.printTitleRows = QStringLiteral("$1:$") + QString::number(titleRows);
    page.leftFooter = kLeftFooter;
    page.paperSize = kPaperA4;
    page.portrait = true;
    page.topMargin = kTopMarginPoints;
    page.leftMargin = kLeftMarginPoints;
    page.rightMargin = kRightMarginPoints;
    page.bottomMargin = kBottomMarginPoints;
    page.zoom = kPrintZoom;
    page.displayPageBreaks = false;
    page.protectedSheet = true;
    page.protectionPassword = password;
}

bool ShowSpreadsheet(QWidget* parent, ReportWorkbook& workbook)
{
    try {
        writeXlsxWorkbook(workbook.sheet(), {workbook.windowCaption, workbook.applicationCaption}, workbook.filePath());
    } catch (const std::runtime_error&) {
        showSpreadsheetError(parent);
        return false;
    }
    if (!reportDesktop().openReport(workbook)) {
        showSpreadsheetError(parent);
        return false;
    }
    workbook.shown = true;
    return true;
}

void ReleaseSpreadsheet(std::unique_ptr<ReportWorkbook>& workbook)
{
    workbook.reset();
}

}  // namespace norvane
