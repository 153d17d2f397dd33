#pragma once
// The table explorer against the Harbor sample: a connected session with its
// server-management object, the status texts written, and answers to prompts.
#include "shell/catalog_helpers.h"
#include "shell/harbor_session.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "shell/session.h"
#include "support/qt_printers.h"
#include "tables/frmTables.h"
#include "support/session_reset.h"

#include <QListWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace norvane::testing {

class TablesWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        connectSessionTo(QStringLiteral("Harbor"));
        session().serverAdmin = std::make_unique<ServerAdmin>();
        session().serverAdmin->connect(test::sharedSampleSandbox().dataSource(), QStringLiteral("sa"), QString());
        setStatusSink([this](const QString& text) { statusTexts << text; });
    }
    void TearDown() override
    {
        setStatusSink(nullptr);
        if (session().serverAdmin)
            session().serverAdmin->disconnect();
        resetSessionForTests();
    }

    template <typename T>
    static T* control(const QWidget& window, const char* name)
    {
        T* found = window.findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Selects the table in the list and shows it, as Enter in the list does.
    static void showTable(frmTables& window, const QString& table)
    {
        auto* list = control<QListWidget>(window, "lstTABTables");
        const QList<QListWidgetItem*> found = list->findItems(table, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << table.toStdString();
        list->setCurrentItem(found.first());
        window.ShowTable();
    }

    static QStringList entries(const QListWidget* list)
    {
        QStringList texts;
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text();
        return texts;
    }

    // The grid's rows, cells joined by " | ".
    static QStringList gridRows(const QTableWidget* grid)
    {
        QStringList rows;
        for (int row = 0; row < grid->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < grid->columnCount(); ++column)
                cells << (grid->item(row, column) ? grid->item(row, column)->text() : QStringLiteral("<none>"));
            rows << cells.join(QStringLiteral(" | "));
        }
        return rows;
    }

    static QStringList headings(const QTableWidget* grid)
    {
        QStringList texts;
        for (int column = 0; column < grid->columnCount(); ++column)
            texts << grid->horizontalHeaderItem(column)->text();
        return texts;
    }

    QStringList statusTexts;
    RecordingPrompts::Installed prompts;
};

}  // namespace norvane::testing
