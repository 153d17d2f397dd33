#include "app/program_windows.h"

#include "codeview/modKeyColor.h"
#include "reports/frmReports.h"
#include "tables/frmTables.h"

namespace norvane {

void registerProgramWindows(WindowRegistry& registry)
{
    registry.addChild("Tables", [](QWidget* parent) { return new frmTables(parent); });
    registry.addCommand("Reports", [](QWidget* owner) { frmReports::showReports(owner); });
    registry.addAfterConnect([] { LoadKeywords(); });
}

}  // namespace norvane
