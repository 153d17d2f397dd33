#include "app/program_windows.h"

#include "codeview/modKeyColor.h"
#include "query/frmQuery.h"
#include "query/frmSearch.h"
#include "tables/frmTables.h"

namespace norvane {

void registerProgramWindows(WindowRegistry& registry)
{
    registry.addChild("Tables", [](QWidget* parent) { return new frmTables(parent); });
    registry.addChild("Query", [](QWidget* parent) { return new frmQuery(parent); });
    registry.addChild("Search", [](QWidget* parent) { return new frmSearch(parent); });
    registry.addAfterConnect([] { LoadKeywords(); });
}

}  // namespace norvane
