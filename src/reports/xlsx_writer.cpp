#include "reports/xlsx_writer.h"

#include <xlsxwriter.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>

namespace norvane {

namespace {

// Points per inch: the library takes margins in inches.
constexpr double kPointsPerInch = 72.0;

// The workbook handle: closed (which writes the file) exactly once.
struct WorkbookCloser {
    void operator()(lxw_workbook* workbook) const { workbook_close(workbook); }
};
using WorkbookHandle = std::unique_ptr<lxw_workbook, WorkbookCloser>;

void check(lxw_error error, const char* step)
{
    if (error != LXW_NO_ERROR)
        throw std::runtime_error(std::string(step) + ": " + lxw_strerror(error));
}

// One library format per distinct look, made on first use.
class FormatCache {
public:
    explicit FormatCache(lxw_workbook* workbook) : workbook_(workbook) {}

    lxw_format* formatFor(const SheetCell& cell)
    {
        QString numberFormat = cell.numberFormat;
        if (numberFormat.isEmpty() && cell.value.typeId() == QMetaType::QDateTime)
            numberFormat = QStringLiteral("dd/mm/yyyy hh:mm");  // a date never shows as a bare serial number
        if (!cell.bold && cell.fontSize == kDefaultFontSize && !cell.rightAligned && numberFormat.isEmpty())
            return nullptr;
        const auto key = std::make_tuple(cell.bold, cell.fontSize, cell.rightAligned, numberFormat);
        auto found = formats_.find(key);
        if (found != formats_.end())
            return found->second;
        lxw_format* format = workbook_add_format(workbook_);
        if (!format)
            throw std::runtime_error("The workbook has no room for another cell format.");
        if (cell.bold)
            format_set_bold(format);
        if (cell.fontSize != kDefaultFontSize)
            format_set_font_size(format, cell.fontSize);
        if (cell.rightAligned)
            format_set_align(format, LXW_ALIGN_RIGHT);
        if (!numberFormat.isEmpty())
            format_set_num_format(format, numberFormat.toUtf8().constData());
        formats_.emplace(key, format);
        return format;
    }

private:
    lxw_workbook* workbook_;
    std::map<std::tuple<bool, double, bool, QString>, lxw_format*> formats_;
};

lxw_datetime toLibraryDateTime(const QDateTime& value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    lxw_datetime converted{};
    converted.year = date.year();
    converted.month = date.month();
    converted.day = date.day();
    converted.hour = time.hour();
    converted.min = time.minute();
    converted.sec = time.second() + time.msec() / 1000.0;
    return converted;
}

void writeCells(lxw_worksheet* worksheet, FormatCache& formats, const ReportSheet& sheet)
{
    for (int row = 1; row <= sheet.rowCount(); ++row) {
        for (int column = 1; column <= sheet.columnCount(); ++column) {
            const SheetCell* cell = sheet.cell(row, column);
            if (!cell)
                continue;
            lxw_format* format = formats.formatFor(*cell);
            const auto r = static_cast<lxw_row_t>(row - 1);
            const auto c = static_cast<lxw_col_t>(column - 1);
            switch (cell->value.typeId()) {
            case QMetaType::QString: {
                const QString text = cell->value.toString();
                if (text.isEmpty())
                    check(worksheet_write_blank(worksheet, r, c, format), "Writing a cell");
                else
                    check(worksheet_write_string(worksheet, r, c, text.toUtf8().constData(), format), "Writing a cell");
                break;
            }
            case QMetaType::LongLong:
                check(worksheet_write_number(worksheet, r, c, static_cast<double>(cell->value.toLongLong()), format),
                      "Writing a cell");
                break;
            case QMetaType::QDateTime: {
                lxw_datetime when = toLibraryDateTime(cell->value.toDateTime());
                check(worksheet_write_datetime(worksheet, r, c, &when, format), "Writing a cell");
                break;
            }
            default:
                if (format)
                    check(worksheet_write_blank(worksheet, r, c, format), "Writing a cell");
                break;
            }
        }
    }
}

void writeColumnWidths(lxw_worksheet* worksheet, const ReportSheet& sheet)
{
    for (int column = 1; column <= sheet.columnCount(); ++column) {
        if (const std::optional<double> width = sheet.columnWidth(column)) {
            const auto c = static_cast<lxw_col_t>(column - 1);
            check(worksheet_set_column(worksheet, c, c, *width, nullptr), "Setting a column width");
        }
    }
}

// "$1:$3" -> rows 0 to 2.
void repeatTitleRows(lxw_worksheet* worksheet, const QString& titleRows)
{
    const QStringList ends = QString(titleRows).remove(QLatin1Char('$')).split(QLatin1Char(':'));
    bool firstOk = false;
    bool lastOk = false;
    const int first = ends.value(0).toInt(&firstOk);
    const int last = ends.value(1).toInt(&lastOk);
    if (ends.size() != 2 || !firstOk || !lastOk || first < 1 || last < first)
        throw std::runtime_error("The print title rows are not of the form $first:$last.");
    check(worksheet_repeat_rows(worksheet, static_cast<lxw_row_t>(first - 1), static_cast<lxw_row_t>(last - 1)),
          "Setting the print titles");
}

double inches(double points)
{
    return points < 0 ? -1 : points / kPointsPerInch;
}

void writePageSetup(lxw_worksheet* worksheet, const SheetPageSetup& page)
{
    if (!page.printTitleRows.isEmpty())
        repeatTitleRows(worksheet, page.printTitleRows);
    if (!page.leftFooter.isEmpty())
        check(worksheet_set_footer(worksheet, (QStringLiteral("&L") + page.leftFooter).toUtf8().constData()),
              "Setting the footer");
    if (page.paperSize > 0)
        worksheet_set_paper(worksheet, static_cast<uint8_t>(page.paperSize));
    if (page.portrait)
        worksheet_set_portrait(worksheet);
    else
        worksheet_set_landscape(worksheet);
    worksheet_set_margins(worksheet, inches(page.leftMargin), inches(page.rightMargin), inches(page.topMargin),
                          inches(page.bottomMargin));
    worksheet_set_print_scale(worksheet, static_cast<uint16_t>(page.zoom));
    // Page breaks are not shown in a sheet's normal view unless asked for; nothing to write.
    if (page.protectedSheet) {
        const QByteArray password = page.protectionPassword.toUtf8();
        worksheet_protect(worksheet, password.isEmpty() ? nullptr : password.constData(), nullptr);
    }
}

}  // namespace

void writeXlsxWorkbook(const ReportSheet& sheet, const WorkbookProperties& properties, const QString& path)
{
    const QByteArray fileName = path.toLocal8Bit();
    WorkbookHandle workbook(workbook_new(fileName.constData()));
    if (!workbook)
        throw std::runtime_error("The workbook could not be started.");
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook.get(), nullptr);
    if (!worksheet)
        throw std::runtime_error("The workbook could not add its worksheet.");

    const QByteArray title = properties.title.toUtf8();
    const QByteArray author = properties.author.toUtf8();
    lxw_doc_properties documentProperties{};
    documentProperties.title = const_cast<char*>(title.constData());
    documentProperties.author = const_cast<char*>(author.constData());
    check(workbook_set_properties(workbook.get(), &documentProperties), "Setting the document properties");

    FormatCache formats(workbook.get());
    writeCells(worksheet, formats, sheet);
    writeColumnWidths(worksheet, sheet);
    writePageSetup(worksheet, sheet.pageSetup());

    const lxw_error closed = workbook_close(workbook.release());
    check(closed, "Writing the workbook file");
}

}  // namespace norvane
