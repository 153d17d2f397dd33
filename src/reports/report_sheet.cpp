#include "reports/report_sheet.h"

#include <algorithm>
#include <stdexcept>

namespace norvane {

namespace {

// The widest column a spreadsheet allows, in characters.
constexpr double kMaximumColumnWidth = 255.0;
// Room a fitted column leaves around its text, in characters.
constexpr double kFitPadding = 0.75;
// Bold glyphs run wider than regular ones by about this much.
constexpr double kBoldWidening = 1.08;

void checkPosition(int row, int column)
{
    if (row < 1 || column < 1)
        throw std::out_of_range("A report cell lies outside the sheet.");
}

}  // namespace

SheetCell& ReportSheet::touch(int row, int column)
{
    checkPosition(row, column);
    if (static_cast<int>(rows_.size()) < row)
        rows_.resize(row);
    std::vector<SheetCell>& cells = rows_[row - 1];
    if (static_cast<int>(cells.size()) < column)
        cells.resize(column);
    return cells[column - 1];
}

void ReportSheet::write(int row, int column, const QVariant& value)
{
    QVariant stored;
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QDateTime:
        stored = value;
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
        stored = value.toLongLong();
        break;
    default:
        throw std::invalid_argument("A report cell takes text, a whole number or a date-time.");
    }
    touch(row, column).value = std::move(stored);
}

void ReportSheet::setBold(int row, int firstColumn, int lastColumn)
{
    for (int column = firstColumn; column <= lastColumn; ++column)
        touch(row, column).bold = true;
}

void ReportSheet::setFontSize(int row, int firstColumn, int lastColumn, double size)
{
    for (int column = firstColumn; column <= lastColumn; ++column)
        touch(row, column).fontSize = size;
}

void ReportSheet::setRightAligned(int row, int column)
{
    touch(row, column).rightAligned = true;
}

void ReportSheet::setNumberFormat(int row, int column, const QString& format)
{
    touch(row, column).numberFormat = format;
}

void ReportSheet::fitColumn(int column)
{
    checkPosition(1, column);
    double widest = 0;
    for (const std::vector<SheetCell>& cells : rows_)
        if (static_cast<int>(cells.size()) >= column)
            widest = std::max(widest, displayWidth(cells[column - 1]));
    setColumnWidth(column, widest > 0 ? std::min(widest + kFitPadding, kMaximumColumnWidth) : kDefaultColumnWidth);
}

void ReportSheet::setColumnWidth(int column, double width)
{
    checkPosition(1, column);
    if (static_cast<int>(widths_.size()) < column)
        widths_.resize(column);
    widths_[column - 1] = width;
}

const SheetCell* ReportSheet::cell(int row, int column) const
{
    if (row < 1 || column < 1 || row > static_cast<int>(rows_.size()))
        return nullptr;
    const std::vector<SheetCell>& cells = rows_[row - 1];
    return column <= static_cast<int>(cells.size()) ? &cells[column - 1] : nullptr;
}

QVariant ReportSheet::value(int row, int column) const
{
    const SheetCell* found = cell(row, column);
    return found ? found->value : QVariant();
}

int ReportSheet::columnCount() const
{
    std::size_t columns = widths_.size();
    for (const std::vector<SheetCell>& cells : rows_)
        columns = std::max(columns, cells.size());
    return static_cast<int>(columns);
}

std::optional<double> ReportSheet::columnWidth(int column) const
{
    if (column < 1 || column > static_cast<int>(widths_.size()))
        return std::nullopt;
    return widths_[column - 1];
}

QString ReportSheet::displayText(const SheetCell& cell)
{
    switch (cell.value.typeId()) {
    case QMetaType::QString:
        return cell.value.toString();
    case QMetaType::LongLong:
        return QString::number(cell.value.toLongLong());
    case QMetaType::QDateTime: {
        // The date-time format of the reports, written the way Qt spells it.
        QString format = cell.numberFormat.isEmpty() ? QStringLiteral("dd/mm/yyyy hh:mm") : cell.numberFormat;
        const int minutes = format.indexOf(QLatin1String(":mm"));
        format.replace(QLatin1String("mm"), QLatin1String("MM"));
        if (minutes >= 0)
            format.replace(minutes + 1, 2, QStringLiteral("mm"));
        return cell.value.toDateTime().toString(format);
    }
    default:
        return QString();
    }
}

double ReportSheet::displayWidth(const SheetCell& cell)
{
    if (!cell.value.isValid())
        return 0;
    const double characters = static_cast<double>(displayText(cell).size());
    return characters * (cell.fontSize / kDefaultFontSize) * (cell.bold ? kBoldWidening : 1.0);
}

}  // namespace norvane
