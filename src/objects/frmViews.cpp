#include "objects/frmViews.h"

#include "shell/catalog_helpers.h"
#include "shell/prompts.h"
#include "shell/session.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTextEdit>
#include <QTreeWidget>

#include <algorithm>

namespace norvane {

namespace {

const QString kViewListQuery =
    QStringLiteral("Select Distinct Name From SysObjects Where Xtype='V' And Category = 0 Order By Name");

ObjectListTexts viewListTexts()
{
    ObjectListTexts texts;
    texts.windowName = QStringLiteral("frmViews");
    texts.caption = QStringLiteral("Views");
    texts.findLabelName = QStringLiteral("lblVWSSearch");
    texts.findBoxName = QStringLiteral("txtVWSSearch");
    texts.findBoxTip = QStringLiteral("Type here to find the views");
    texts.listName = QStringLiteral("lstVWSViews");
    texts.listTip = QStringLiteral("List of available views");
    texts.totalName = QStringLiteral("lblVWSTotalViews");
    texts.totalDesign = QStringLiteral("TotalViews");
    texts.totalPrefix = QStringLiteral("Total Views : ");
    texts.populating = QStringLiteral("Populating Views... Please wait...");
    texts.loadFailure = QStringLiteral("Problems encountered while populating views!");
    return texts;
}

} // namespace

frmViews::frmViews(QWidget* parent) : ObjectListWindow(viewListTexts(), parent)
{
    buildDetails();
    loadList(&frmViews::PopulateViews);
}

frmViews::~frmViews() = default;

void frmViews::buildDetails()
{
    lblVWSViewName = makeLabel(this, QStringLiteral("lblVWSViewName"), QStringLiteral("ViewName"),
                                      {kDetailsLeft, 10, 370, 18});
    optVWSMode[0] = new QRadioButton(QStringLiteral("All Rows"), this);
    optVWSMode[0]->setObjectName(QStringLiteral("optVWSMode0"));
    optVWSMode[0]->setGeometry(600, 8, 90, 22);
    optVWSMode[0]->setToolTip(QStringLiteral("Select this to show all data in the view"));
    optVWSMode[1] = new QRadioButton(QStringLiteral("Top 10"), this);
    optVWSMode[1]->setObjectName(QStringLiteral("optVWSMode1"));
    optVWSMode[1]->setGeometry(700, 8, 90, 22);
    optVWSMode[1]->setToolTip(QStringLiteral("Select this to show only top 10 rows in the view"));
    optVWSMode[1]->setChecked(true);

    lblVWSRows = makeLabel(this, QStringLiteral("lblVWSRows"), QStringLiteral("Total Showed Rows :"),
                                  {kDetailsLeft, 34, 370, 18});
    lsvVWSRows = new QTreeWidget(this);
    lsvVWSRows->setObjectName(QStringLiteral("lsvVWSRows"));
    lsvVWSRows->setGeometry(kDetailsLeft, 52, kDetailsWidth, 250);
    lsvVWSRows->setToolTip(QStringLiteral("Data in the selected view"));
    lsvVWSRows->setRootIsDecorated(false);
    lsvVWSRows->setUniformRowHeights(true);
    lsvVWSRows->setSortingEnabled(false);
    lsvVWSRows->header()->setSectionsClickable(true);
    lsvVWSRows->setColumnCount(0);
    // The list starts sorted ascending by its first column: clicking that heading first sorts it descending.
    SortListView(lsvVWSRows, 0);

    rtbVWSText = makeSourceBox(this, QStringLiteral("rtbVWSText"), QStringLiteral("The source of view"),
                               {kDetailsLeft, 310, kDetailsWidth, kDesignHeight - 310 - 8});

    for (QRadioButton* option : optVWSMode)
        connect(option, &QRadioButton::clicked, this, [this] { showSelected(); });
    connect(lsvVWSRows->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { lsvVWSRows_ColumnClick(column); });
}

void frmViews::PopulateViews(QListWidget* list)
{
    Recordset names = session().connection.execute(kViewListQuery);
    list->clear();
    for (; !names.eof(); names.moveNext())
        list->addItem(names.field(QStringLiteral("Name")).text());
    names.close();
}

void frmViews::showSelected()
{
    if (!session().Connected)
        return;
    try {
        const bool allRows = optVWSMode[0]->isChecked();
        QString name = selectedEntry().trimmed();
        if (name.isEmpty())
            return;
        findBox_->setText(name);
        name = GetQualifiedName(name, false);
        SetStatus(QStringLiteral("Populating data... Please wait..."), true);
        ShowRows(lsvVWSRows, name, allRows);
        if (sortedByFirstColumn_)
            sortRowsByFirstColumn();
        fitRowColumns();
        lblVWSRows->setText(QStringLiteral("Total Showed Rows : ") + QString::number(lsvVWSRows->topLevelItemCount()));
        lblVWSViewName->setText(QStringLiteral("View Name : ") + name);
        SetStatus(QStringLiteral("Filling View Text.. Please wait..."), true);
        showObjectSource(rtbVWSText, name);
        SetStatus(QStringLiteral("Ready"), false);
    } catch (const std::exception& error) {
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, QStringLiteral("Problems encountered while populating view details!"), failureDetails(error));
    }
}

void frmViews::sortRowsByFirstColumn()
{
    // By text, as a list view sorts: "10" comes before "9".
    QList<QTreeWidgetItem*> items = lsvVWSRows->invisibleRootItem()->takeChildren();
    std::stable_sort(items.begin(), items.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return a->text(0).compare(b->text(0), Qt::CaseInsensitive) < 0;
    });
    lsvVWSRows->addTopLevelItems(items);
}

void frmViews::fitRowColumns()
{
    // Each column as wide as its heading and values, within a bound, so a long text does not push the others away.
    constexpr int kWidestColumn = 300;
    QHeaderView* header = lsvVWSRows->header();
    for (int column = 0; column < lsvVWSRows->columnCount(); ++column) {
        lsvVWSRows->resizeColumnToContents(column);
        header->resizeSection(column, std::min(header->sectionSize(column), kWidestColumn));
    }
}

void frmViews::lsvVWSRows_ColumnClick(int column)
{
    sortedByFirstColumn_ = false;
    SortListViewByHeading(lsvVWSRows, column);
}

} // namespace norvane
