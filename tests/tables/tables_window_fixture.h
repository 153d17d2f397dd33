#pragma once
// The table explorer's tests: the session on the Harbor sample with its
// server-management object, and reading the window's panes back as text.
#include "tables/frmTables.h"

#include "support/code_window_capture.h"
#include "window_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace norvane::testing {

class TablesWindow : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        logInServerAdmin();
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
    static QStringList columns(const frmTables& window)
    {
        return gridRows(control<QTableWidget>(window, "flxTABColumns"));
    }
    static QListWidget* relationList(const frmTables& window, int index)
    {
        return control<QListWidget>(window, QString("lstRight%1").arg(index).toUtf8().constData());
    }
    // Each relation list as its label, then its entries.
    static QStringList relations(const frmTables& window)
    {
        QStringList texts;
        int index = 0;
        for (const char* label :
             {"lblTABReferring", "lblTABReferred", "lblTABConstraints", "lblTABTriggers", "lblTABDepend"})
            texts << text(window, label) + " = " + entries(relationList(window, index++)).join(", ");
        return texts;
    }
    // Chooses the row mode (0: all rows, 1: the first ten).
    static void setMode(const frmTables& window, int mode)
    {
        control<QRadioButton>(window, QString("optTABMode%1").arg(mode).toUtf8().constData())->setChecked(true);
    }
    // Chooses the statement kind and presses Generate; returns what the code window showed.
    static test::ShownCode generate(const frmTables& window, int kind)
    {
        control<QRadioButton>(window, QString("optStmt%1").arg(kind).toUtf8().constData())->setChecked(true);
        return test::captureCodeWindow([&] { control<QPushButton>(window, "cmdGenerate")->click(); });
    }
};

} // namespace norvane::testing
