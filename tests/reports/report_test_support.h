#pragma once
// The reports tests' session (connection and server-management object on a
// database of the shared sample sandbox) and a desktop that keeps the reports
// it is asked to open instead of starting a spreadsheet application.
#include "reports/modExcel.h"
#include "shell/harbor_session.h"
#include "shell/session.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace norvane::testing {

// Connects the session and its server-management object to the database.
inline void connectReportSession(const QString& database)
{
    connectSessionTo(database);
    auto admin = std::make_unique<ServerAdmin>();
    admin->connect(test::sharedSampleSandbox().dataSource(), QStringLiteral("sa"), QString());
    session().serverAdmin = std::move(admin);
}

class RecordingDesktop : public ReportDesktop {
public:
    QString folder;
    bool opens = true;             // false: as if no spreadsheet application were installed
    QStringList openedFiles;
    std::vector<ReportSheet> openedSheets;
    std::vector<QString> titles;
    std::vector<QString> authors;

    QString reportsFolder() override { return folder; }
    bool openReport(const ReportWorkbook& workbook) override
    {
        openedFiles << workbook.filePath();
        openedSheets.push_back(workbook.sheet());
        titles.push_back(workbook.windowCaption);
        authors.push_back(workbook.applicationCaption);
        return opens;
    }

    // Installs a recorder writing into a fresh temporary folder; the real desktop comes back after.
    class Installed {
    public:
        Installed()
        {
            auto recorder = std::make_unique<RecordingDesktop>();
            recorder->folder = directory_.filePath(QStringLiteral("Reports"));
            recorder_ = recorder.get();
            setReportDesktop(std::move(recorder));
        }
        ~Installed() { setReportDesktop(nullptr); }
        Installed(const Installed&) = delete;
        Installed& operator=(const Installed&) = delete;

        RecordingDesktop* operator->() const { return recorder_; }
        RecordingDesktop& operator*() const { return *recorder_; }
        QString root() const { return directory_.path(); }

    private:
        QTemporaryDir directory_;
        RecordingDesktop* recorder_ = nullptr;  // owned by the desktop service while installed
    };
};

}  // namespace norvane::testing
