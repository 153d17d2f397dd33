#include "app/program_windows.h"

#include "tables/frmTables.h"

namespace norvane {

void registerProgramWindows(WindowRegistry& registry)
{
    registry.addChild("Tables", [](QWidget* parent) { return new frmTables(parent); });
}

}  // namespace norvane
