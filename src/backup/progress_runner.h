#pragma once
// Runs a blocking server operation on a worker thread while the event loop keeps turning, so
// the progress window moves with every percent and the program repaints.
#include "shell/data/server_admin_backup.h"

#include <functional>

namespace norvane {

class frmProgress;

// Runs work on a worker thread and returns when it has finished; each percent the work reports
// moves the window's bar (in order, on this thread). What the work throws is thrown here.
// The work must use no connection that this thread uses meanwhile.
void runWithProgress(frmProgress& window, const std::function<void(const PercentHandler& onPercent)>& work);

}  // namespace norvane
