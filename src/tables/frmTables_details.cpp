// The table explorer's details of the chosen table: rows, columns with the
// primary-key mark, the five relation lists and what their entries open.
#include "tables/frmTables.h"

#include "codeview/frmCodes.h"
#include "shell/catalog_helpers.h"
#include "shell/prompts.h"
#include "shell/session.h"
#include "tables/relation_entry.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSet>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>

namespace norvane {

namespace {

// The grid's headings; the blanks after "Column Name" widen that column.
const QString kColumnGridFormat =
    QStringLiteral("No.|Column Name               |Data Type|Length|Precision|Scale|IsNullable");

// The text of a query with a name from the catalog inserted into an N'...' literal.
QString objectIdOf(const QString& qualifiedName)
{
    return QStringLiteral("Object_Id(N'") + quotedLiteralText(qualifiedName) + QStringLiteral("')");
}

QString columnsQuery(const QString& qualifiedName)
{
    return QStringLiteral("Select SysColumns.Name ColName,SysTypes.Name DataType,SysColumns.Length Length,")
        + QStringLiteral(" SysColumns.XPrec Prec, SysColumns.XScale Scale,SysColumns.IsNullable Nullable ")
        + QStringLiteral(" From SysColumns, SysTypes") + QStringLiteral(" Where   Id=Object_Id(N'")
        + quotedLiteralText(qualifiedName) + QStringLiteral("') And")
        + QStringLiteral(" SysColumns.XUserType = SysTypes.XUserType");
}

QString primaryKeyQuery(const QString& table, const QString& owner, const QString& database)
{
    return QStringLiteral("sp_pkeys @table_name = '") + quotedLiteralText(table) + QStringLiteral("', @table_owner ='")
        + quotedLiteralText(owner) + QStringLiteral("' ,@table_qualifier = '") + quotedLiteralText(database)
        + QStringLiteral("'");
}

// Clears the list and adds one entry per record, made from the record by the entry function.
template <typename Entry>
void fillList(QListWidget* list, const QString& sql, Entry entry)
{
    list->clear();
    Recordset records = session().connection.execute(sql);
    QStringList entries;
    for (; !records.eof(); records.moveNext())
        entries << entry(records);
    records.close();
    list->addItems(entries);
}

struct RelationCaption {
    const char* status;
    const char* label;
};

// The status text shown while each relation list fills, and its label's text before the count.
constexpr std::array<RelationCaption, 5> kRelationCaptions = {{
    {"Populating Referring Tables... Please wait...", "Referring Tables : "},
    {"Populating Referred Tables... Please wait...", "Referred Tables : "},
    {"Populating Check Constraints... Please wait...", "Check Constraints : "},
    {"Populating Triggers... Please wait...", "Triggers : "},
    {"Populating Dependent Objects... Please wait...", "Dependent Objects : "},
}};

}  // namespace

bool frmTables::ShowTable()
{
    if (!session().Connected)
        return false;
    const QList<QListWidgetItem*> selected = lstTABTables->selectedItems();
    // Nothing chosen: the table shown and its name stay as they are.
    if (selected.isEmpty())
        return false;
    // The name exactly as the catalog holds it, blanks at its ends included.
    const QString entry = selected.first()->text();
    TableName = entry;
    try {
        SetStatus(QStringLiteral("Populating Table rows... Please wait..."), true);
        {
            // The entry is already selected: showing its name in the find box must not search again.
            const QSignalBlocker quiet(txtTABSearch);
            txtTABSearch->setText(entry);
        }
        QualifiedName = GetQualifiedName(TableName, false);
        OwnerName = GetOwnerName(TableName, false);
        lblTABTableName->setText(QStringLiteral("Table Name : ") + QualifiedName);

        ShowRows(lsvTABRows, QualifiedName, optTABMode[0]->isChecked());
        fitRowColumns();
        lblTABRows->setText(QStringLiteral("Total Showed Rows : ") + QString::number(lsvTABRows->topLevelItemCount()));

        SetStatus(QStringLiteral("Populating Table Columns... Please wait..."), true);
        LoadColumnGrid(flxTABColumns, QualifiedName);
        lblTABColumns->setText(QStringLiteral("Total Columns : ") + QString::number(flxTABColumns->rowCount()));

        using Loader = void (*)(QListWidget*, const QString&);
        const std::array<Loader, 5> loaders = {&frmTables::LoadReferringTables, &frmTables::LoadReferredTables,
                                               &frmTables::LoadCheckConstraints, &frmTables::LoadTriggers,
                                               &frmTables::LoadDependentObjects};
        const std::array<QLabel*, 5> labels = {lblTABReferring, lblTABReferred, lblTABConstraints, lblTABTriggers,
                                               lblTABDepend};
        for (std::size_t index = 0; index < loaders.size(); ++index) {
            SetStatus(QString::fromUtf8(kRelationCaptions[index].status), true);
            loaders[index](lstRight[index], QualifiedName);
            labels[index]->setText(QString::fromUtf8(kRelationCaptions[index].label)
                                   + QString::number(lstRight[index]->count()));
        }
        SetStatus(QStringLiteral("Ready"), false);
        return true;
    } catch (const DbError& error) {
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, QStringLiteral("Problems encountered while populating table details!"), error.description());
    } catch (const std::exception& error) {
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, QStringLiteral("Problems encountered while populating table details!"),
                  QString::fromUtf8(error.what()));
    }
    return false;
}

void frmTables::fitRowColumns()
{
    // Each column as wide as its heading and values, within a bound, so long texts do not push the others away.
    constexpr int kWidestColumn = 300;
    QHeaderView* header = lsvTABRows->header();
    for (int column = 0; column < lsvTABRows->columnCount(); ++column) {
        lsvTABRows->resizeColumnToContents(column);
        header->resizeSection(column, std::min(header->sectionSize(column), kWidestColumn));
    }
}

void frmTables::LoadColumnGrid(QTableWidget* grid, const QString& qualifiedName)
{
    grid->clear();
    grid->setRowCount(0);
    const QStringList headings = kColumnGridFormat.split(QLatin1Char('|'));
    grid->setColumnCount(static_cast<int>(headings.size()));
    grid->setHorizontalHeaderLabels(headings);

    // The key's columns, read once: a column is a key column when its name is among them.
    QSet<QString> keyColumns;
    Recordset keys = session().connection.execute(primaryKeyQuery(TableName, OwnerName, DatabaseName));
    for (; !keys.eof(); keys.moveNext())
        keyColumns.insert(keys.field(QStringLiteral("COLUMN_NAME")).text());
    keys.close();

    std::vector<ColumnInfo> rows;
    Recordset columns = session().connection.execute(columnsQuery(qualifiedName));
    for (; !columns.eof(); columns.moveNext()) {
        ColumnInfo column;
        column.Ordinal = static_cast<int>(rows.size()) + 1;
        column.Name = columns.field(QStringLiteral("ColName")).text();
        column.DataType = columns.field(QStringLiteral("DataType")).text();
        column.Length = columns.field(QStringLiteral("Length")).text().toLongLong();
        column.Precision = columns.field(QStringLiteral("Prec")).text().toInt();
        column.Scale = columns.field(QStringLiteral("Scale")).text().toInt();
        column.IsNullable = columns.field(QStringLiteral("Nullable")).text() == QLatin1String("1");
        column.IsPrimaryKey = keyColumns.contains(column.Name);
        rows.push_back(column);
    }
    columns.close();

    grid->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const QStringList cells = columnGridCells(rows[static_cast<std::size_t>(row)]);
        for (int cell = 0; cell < cells.size(); ++cell)
            grid->setItem(row, cell, new QTableWidgetItem(cells.at(cell)));
    }
    grid->resizeColumnsToContents();
}

void frmTables::LoadReferringTables(QListWidget* list, const QString& qualifiedName)
{
    fillList(list,
             QStringLiteral("Select  Distinct O.Name TableName, C.Name FieldName ")
                 + QStringLiteral(" From    SysReferences R, SysObjects O, SysColumns C, SysConstraints T")
                 + QStringLiteral(" Where O.Id = R.RKeyId And R.ConstId = T.ConstId And C.Id = T.Id And C.ColId = T.ColId")
                 + QStringLiteral(" And R.FKeyId = ") + objectIdOf(qualifiedName),
             [](const Recordset& record) {
                 return record.field(QStringLiteral("TableName")).text() + QStringLiteral(" ( ")
                     + record.field(QStringLiteral("FieldName")).text() + QStringLiteral(" )");
             });
}

void frmTables::LoadReferredTables(QListWidget* list, const QString& qualifiedName)
{
    fillList(list,
             QStringLiteral("Select Distinct O.Name TableName") + QStringLiteral(" From    SysReferences R, SysObjects O")
                 + QStringLiteral(" Where   O.Id =R.FKeyId And R.RKeyId = object_id(N'") + quotedLiteralText(qualifiedName)
                 + QStringLiteral("')"),
             [](const Recordset& record) { return record.field(QStringLiteral("TableName")).text(); });
}

void frmTables::LoadCheckConstraints(QListWidget* list, const QString& qualifiedName)
{
    fillList(list,
             QStringLiteral("Select Distinct OCheck.Name CheckName,OParent.Name TableName, Com.Text")
                 + QStringLiteral(" From   SysObjects OCheck , SysObjects OParent , SysComments Com")
                 + QStringLiteral(" Where   OCheck.parent_obj = OParent.Id")
                 + QStringLiteral(" And OCheck.xtype='C' And Com.id = OCheck.id")
                 + QStringLiteral(" And OParent.Id = object_id(N'") + quotedLiteralText(qualifiedName)
                 + QStringLiteral("')"),
             [](const Recordset& record) { return record.field(QStringLiteral("CheckName")).text(); });
}

void frmTables::LoadTriggers(QListWidget* list, const QString& qualifiedName)
{
    fillList(list,
             QStringLiteral("Select Name From SysObjects where xtype='TR' and parent_obj = object_id(N'")
                 + quotedLiteralText(qualifiedName) + QStringLiteral("')"),
             [](const Recordset& record) { return record.field(QStringLiteral("Name")).text(); });
}

void frmTables::LoadDependentObjects(QListWidget* list, const QString& qualifiedName)
{
    fillList(list,
             QStringLiteral("SELECT DISTINCT SysUsers2.Name As UserName,SysObjects2.Name As Dependent,SysObjects2.Type ")
                 + QStringLiteral(" From SysObjects ")
                 + QStringLiteral(" INNER JOIN SysUsers ON SysObjects.uid = SysUsers.uid ")
                 + QStringLiteral(" INNER JOIN SysDepends ON SysObjects.id = SysDepends.depid ")
                 + QStringLiteral(" INNER JOIN SysObjects SysObjects2 ON SysDepends.id = SysObjects2.id ")
                 + QStringLiteral(" INNER JOIN SysUsers SysUsers2 ON SysObjects2.uid = SysUsers2.uid ")
                 + QStringLiteral(" Where  SysObjects.xtype = 'U' ") + QStringLiteral(" AND SysObjects2.xtype <> 'C' ")
                 + QStringLiteral(" AND SysObjects2.xtype <> 'TR' ") + QStringLiteral(" And SysObjects.Id = ")
                 + objectIdOf(qualifiedName),
             [](const Recordset& record) {
                 // The type as stored: two characters, blank-padded ("P " gives "AddOrder ( P )").
                 return record.field(QStringLiteral("Dependent")).text() + QStringLiteral(" ( ")
                     + record.field(QStringLiteral("Type")).text() + QStringLiteral(")");
             });
}

std::vector<ColumnInfo> frmTables::columnGridRows() const
{
    std::vector<ColumnInfo> rows;
    rows.reserve(static_cast<std::size_t>(flxTABColumns->rowCount()));
    for (int row = 0; row < flxTABColumns->rowCount(); ++row) {
        QStringList cells;
        for (int cell = 0; cell < flxTABColumns->columnCount(); ++cell) {
            const QTableWidgetItem* item = flxTABColumns->item(row, cell);
            cells << (item ? item->text() : QString());
        }
        rows.push_back(columnInfoFromCells(cells));
    }
    return rows;
}

void frmTables::flxTABColumns_Click(int row, int column)
{
    if (column != 1)
        return;
    const QTableWidgetItem* item = flxTABColumns->item(row, column);
    if (!txtTABColName->isVisible())
        txtTABColName->show();
    txtTABColName->raise();
    txtTABColName->setText(item ? item->text() : QString());
    txtTABColName->setFocus(Qt::OtherFocusReason);
    txtTABColName->selectAll();
}

void frmTables::lstRight_Click(int index)
{
    const QListWidgetItem* entry = lstRight[static_cast<std::size_t>(index)]->currentItem();
    if (entry)
        lstRight[static_cast<std::size_t>(index)]->setToolTip(entry->text());
}

void frmTables::lstRight_DblClick(int index)
{
    if (!session().Connected)
        return;
    const QListWidgetItem* entry = lstRight[static_cast<std::size_t>(index)]->currentItem();
    const QString text = entry ? entry->text().trimmed() : QString();
    if (text.isEmpty())
        return;
    SetStatus(QStringLiteral("Populating Details... Please wait..."), true);
    const QString name = relationObjectName(static_cast<RelationList>(index), text);
    if (index <= 1) {
        // Typing the name into the find box selects the table in the list.
        txtTABSearch->setText(name);
        ShowTable();
    } else {
        showRelationSource(index, name);
    }
    SetStatus(QStringLiteral("Ready"), false);
}

void frmTables::showRelationSource(int index, const QString& name)
{
    CodeWindowInputs inputs;
    inputs.FilterIndex = 1;
    inputs.NoColour = false;
    inputs.FileName = name;
    // A failing step is skipped: the code window still comes up with what could be read.
    try {
        if (index == 2 || index == 3) {
            inputs.Code = GetCommentsText(name);
        } else {
            // The scratch box holds the source too; the code keeps its own line breaks.
            inputs.Code = GetObjectText(name);
            rtbTABDummy->setPlainText(inputs.Code);
        }
    } catch (const std::exception&) {
    }
    if (index == 2)
        inputs.Title = QStringLiteral("Following is the source of the Check Constraint '") + name
            + QStringLiteral("' on the Table '") + QualifiedName + QStringLiteral("'");
    else if (index == 3)
        inputs.Title = QStringLiteral("Following is the source of the Trigger '") + name
            + QStringLiteral("' on the Table '") + QualifiedName + QStringLiteral("'");
    else
        inputs.Title = QStringLiteral("Following is the source of the object '") + name
            + QStringLiteral("' which depends on the Table '") + QualifiedName + QStringLiteral("'");
    SetStatus(QStringLiteral("Ready"), false);
    showCodeWindow(window(), inputs);
}

}  // namespace norvane
