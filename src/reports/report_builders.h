#pragma once
// The spreadsheet report builders: "Table Details" for the checked tables and the
// four sections of "List of Objects", read through the server-management object.
// Each pass of a builder's outer loop first lets the window turn its event loop
// once (through the run's yield), then stops when the run was cancelled.
#include "reports/report_sheet.h"
#include "shell/data/server_admin.h"

#include <QString>

#include <functional>
#include <vector>

namespace norvane {

// The progress of a run, as the report window's bar shows it.
struct ReportProgress {
    int Min = 0;
    int Max = 100;
    int Value = 0;
    // Advances by one while Max exceeds Value.
    void advance()
    {
        if (Max > Value)
            ++Value;
    }
};

// One entry of the report window's table list.
struct ReportTableEntry {
    QString name;
    bool checked = false;
};

// What a builder works on: the database, the sheet and the report cursor.
struct ReportRun {
    ServerAdmin* admin = nullptr;
    QString database;
    ReportSheet* sheet = nullptr;
    int ReportRow = 3;
    int ReportColumn = 1;
    qint64 ItemNumber = 0;
    qint64 ColumnNumber = 0;
    ReportProgress progress;
    // Lets the window process its pending events; returns true when the run was cancelled.
    std::function<bool()> yieldAndCheckCancelled;

    bool cancelledAfterYield() const { return yieldAndCheckCancelled && yieldAndCheckCancelled(); }
};

// Each returns false when the run was cancelled (everything written so far stays);
// a failing read passes its DbError to the caller.
bool BuildTableDetails(ReportRun& run, const std::vector<ReportTableEntry>& entries);
bool ListTables(ReportRun& run);
bool ListViews(ReportRun& run);
bool ListProcedures(ReportRun& run);
bool ListFunctions(ReportRun& run);

}  // namespace norvane
