#include "app/program_windows.h"

#include "codeview/modKeyColor.h"
#include "tables/frmTables.h"

namespace norvane {

void registerProgramWindows(WindowRegistry& registry)
{
    registry.addChild("Tables", [](QWidget* parent) { return new frmTables(parent); });
    registry.addAfterConnect([] { LoadKeywords(); });
}

}  // namespace norvane
