#include "app/program_windows.h"

#include "backup/backup_commands.h"
#include "codeview/modKeyColor.h"
#include "compare/frmCompare.h"
#include "objects/frmFunctions.h"
#include "objects/frmSPs.h"
#include "objects/frmViews.h"
#include "query/frmQuery.h"
#include "query/frmSearch.h"
#include "reports/frmReports.h"
#include "tables/frmTables.h"

namespace norvane {

void registerProgramWindows(WindowRegistry& registry)
{
    registry.addChild("Tables", [](QWidget* parent) { return new frmTables(parent); });
    registry.addChild("Views", [](QWidget* parent) { return new frmViews(parent); });
    registry.addChild("SPs", [](QWidget* parent) { return new frmSPs(parent); });
    registry.addChild("Functions", [](QWidget* parent) { return new frmFunctions(parent); });
    registry.addChild("Query", [](QWidget* parent) { return new frmQuery(parent); });
    registry.addChild("Search", [](QWidget* parent) { return new frmSearch(parent); });
    registry.addCommand("Reports", [](QWidget* owner) { frmReports::showReports(owner); });
    registry.addAfterConnect([] { LoadKeywords(); });
    registry.addChild("Compare", [](QWidget* parent) { return new frmCompare(parent); });
    registry.addCommand("Backup", [](QWidget* owner) { BackupCommand(owner); });
    registry.addCommand("Restore", [](QWidget* owner) { RestoreCommand(owner); });
}

}  // namespace norvane
