#pragma once
// Writes a report sheet as an .xlsx workbook with libxlsxwriter.
#include "reports/report_sheet.h"

#include <QString>

namespace norvane {

struct WorkbookProperties {
    QString title;
    QString author;
};

// Writes the sheet as the one worksheet of a new workbook at the path, replacing
// the file. Throws std::runtime_error with the library's reason on failure.
void writeXlsxWorkbook(const ReportSheet& sheet, const WorkbookProperties& properties, const QString& path);

}  // namespace norvane
