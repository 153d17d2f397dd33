#pragma once
// The one worksheet of a report, kept in memory while the builders write it:
// cell values (text, whole number, date-time) with their font and alignment,
// the column widths and the page setup. The spreadsheet layer writes it out as
// a workbook file at the end; tests read every cell and format from it directly.
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace norvane {

// The spreadsheet's default font size, in points.
inline constexpr double kDefaultFontSize = 11.0;
// The width of a column nothing has been done to, in characters.
inline constexpr double kDefaultColumnWidth = 8.43;

struct SheetCell {
    QVariant value;              // QString, qint64 or QDateTime; invalid when nothing was written
    bool bold = false;
    double fontSize = kDefaultFontSize;
    bool rightAligned = false;
    QString numberFormat;        // empty: the general format
};

// How the sheet prints and whether it is protected.
struct SheetPageSetup {
    QString printTitleRows;      // e.g. "$1:$3"; empty: no title rows
    QString leftFooter;
    int paperSize = 0;           // 9 = A4; 0 = the printer's default
    bool portrait = true;
    double topMargin = -1;       // points; -1 = the default
    double leftMargin = -1;
    double rightMargin = -1;
    double bottomMargin = -1;
    int zoom = 100;              // print scale in per cent
    bool displayPageBreaks = false;
    bool protectedSheet = false;
    QString protectionPassword;
};

class ReportSheet {
public:
    // Rows and columns are numbered from 1. A value is text (QString), a whole
    // number (qint64 or int) or a date-time (QDateTime); anything else is an error.
    void write(int row, int column, const QVariant& value);
    void setBold(int row, int firstColumn, int lastColumn);
    void setFontSize(int row, int firstColumn, int lastColumn, double size);
    void setRightAligned(int row, int column);
    void setNumberFormat(int row, int column, const QString& format);
    // Widens or narrows the column to fit the widest text now in it.
    void fitColumn(int column);
    void setColumnWidth(int column, double width);

    // Nullptr for a cell nothing was done to.
    const SheetCell* cell(int row, int column) const;
    // The cell's value, invalid for an empty cell.
    QVariant value(int row, int column) const;
    int rowCount() const { return static_cast<int>(rows_.size()); }
    int columnCount() const;
    // Nullopt: the column keeps the default width.
    std::optional<double> columnWidth(int column) const;

    SheetPageSetup& pageSetup() { return pageSetup_; }
    const SheetPageSetup& pageSetup() const { return pageSetup_; }

    // The text a cell shows and the width it needs, in characters of the default font.
    static QString displayText(const SheetCell& cell);
    static double displayWidth(const SheetCell& cell);

private:
    SheetCell& touch(int row, int column);

    std::vector<std::vector<SheetCell>> rows_;
    std::vector<std::optional<double>> widths_;
    SheetPageSetup pageSetup_;
};

}  // namespace norvane
