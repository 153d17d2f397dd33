#pragma once
// The program's start: splash window, the first connection dialog, then the main window
// with the tables window inside it.
#include "shell/window_registry.h"

#include <memory>

namespace norvane {

class frmMain;

// Runs the start-up sequence with the program's windows. Returns the shown main window, or
// nullptr when the first connection dialog was cancelled (the program then ends without a
// main window).
std::unique_ptr<frmMain> StartUp(const WindowRegistry& windows);

}  // namespace norvane
