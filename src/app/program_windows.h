#pragma once
// Every window and command the program offers, registered with the main window's registry.
#include "shell/window_registry.h"

namespace norvane {

void registerProgramWindows(WindowRegistry& registry);

}  // namespace norvane
