#include "tables/frmTables.h"

#include "shell/catalog_helpers.h"
#include "shell/prompts.h"
#include "shell/session.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

namespace norvane {

namespace {

// The window's design size, in twips: 12000 by 8100, as every catalog window.
constexpr layout::WindowSize kDesignSize{12000, 8100};

const QString kTableListQuery = QStringLiteral("Select Distinct Name From SysObjects Where Xtype='U' Order By Name");

bool isEnterKey(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

QListWidget* makeList(QWidget* parent, const QString& name, QRect geometry)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption, QRect geometry)
{
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(name);
    option->setGeometry(geometry);
    return option;
}

}  // namespace

frmTables::frmTables(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmTables"));
    setWindowTitle(QStringLiteral("Tables"));
    buildControls();
    connectEvents();
    Form_Load();
}

frmTables::~frmTables() = default;

void frmTables::buildControls()
{
    buildLeftSide();
    buildRowsAndColumns();
    buildRelations();
    buildStatements();
}

void frmTables::buildLeftSide()
{
    lblTABSearch = makeLabel(this, "lblTABSearch", QStringLiteral("&Find:"), {8, 10, 40, 20});
    txtTABSearch = new QLineEdit(this);
    txtTABSearch->setObjectName(QStringLiteral("txtTABSearch"));
    txtTABSearch->setGeometry(48, 8, 160, 24);
    txtTABSearch->setToolTip(QStringLiteral("Type here to find tables"));
    lblTABSearch->setBuddy(txtTABSearch);

    lblTABTotalTables = makeLabel(this, "lblTABTotalTables", QStringLiteral("Total &Tables:"), {8, 38, 200, 18});
    lstTABTables = makeList(this, QStringLiteral("lstTABTables"), {8, 58, 200, 290});
    lstTABTables->setToolTip(QStringLiteral("List of present Tables"));
    lblTABTotalTables->setBuddy(lstTABTables);
}

void frmTables::buildRowsAndColumns()
{
    lblTABTableName = makeLabel(this, "lblTABTableName", QStringLiteral("Table Name:"), {216, 10, 370, 18});
    optTABMode[0] = makeOption(this, QStringLiteral("optTABMode0"), QStringLiteral("&All Rows"), {600, 8, 90, 22});
    optTABMode[0]->setToolTip(QStringLiteral("Select this to show all data in the table"));
    optTABMode[1] = makeOption(this, QStringLiteral("optTABMode1"), QStringLiteral("T&op 10"), {700, 8, 90, 22});
    optTABMode[1]->setToolTip(QStringLiteral("Select this to show only top 10 rows in the table"));
    optTABMode[0]->setChecked(true);

    lblTABRows = makeLabel(this, "lblTABRows", QStringLiteral("Total Showed &Rows:"), {216, 34, 300, 18});
    lsvTABRows = new QTreeWidget(this);
    lsvTABRows->setObjectName(QStringLiteral("lsvTABRows"));
    lsvTABRows->setGeometry(216, 52, 576, 170);
    lsvTABRows->setToolTip(QStringLiteral("Data in the selected Table"));
    lsvTABRows->setRootIsDecorated(false);
    lsvTABRows->setUniformRowHeights(true);
    lsvTABRows->setSortingEnabled(false);
    lsvTABRows->header()->setSectionsClickable(true);
    lsvTABRows->setColumnCount(0);
    lblTABRows->setBuddy(lsvTABRows);

    lblTABColumns = makeLabel(this, "lblTABColumns", QStringLiteral("Total &Columns:"), {216, 228, 300, 18});
    flxTABColumns = new QTableWidget(this);
    flxTABColumns->setObjectName(QStringLiteral("flxTABColumns"));
    flxTABColumns->setGeometry(216, 246, 576, 150);
    flxTABColumns->setToolTip(QStringLiteral("Column details of the table"));
    flxTABColumns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lblTABColumns->setBuddy(flxTABColumns);

    txtTABColName = new QLineEdit(this);
    txtTABColName->setObjectName(QStringLiteral("txtTABColName"));
    txtTABColName->setGeometry(520, 224, 272, 22);
    txtTABColName->hide();

    rtbTABDummy = new QTextEdit(this);
    rtbTABDummy->setObjectName(QStringLiteral("rtbTABDummy"));
    rtbTABDummy->setGeometry(0, 0, 10, 10);
    rtbTABDummy->setPlainText(QStringLiteral("Dump Box"));
    rtbTABDummy->hide();
}

void frmTables::buildRelations()
{
    const std::array<const char*, 5> labelNames = {"lblTABReferring", "lblTABReferred", "lblTABConstraints",
                                                   "lblTABTriggers", "lblTABDepend"};
    const std::array<QString, 5> captions = {QStringLiteral("Referrin&g Tables:"), QStringLiteral("Re&ferred Tables:"),
                                             QStringLiteral("C&heck Constraints:"), QStringLiteral("Tr&iggers:"),
                                             QStringLiteral("Dependent Objects:")};
    std::array<QLabel*, 5> labels{};
    for (int index = 0; index < 5; ++index) {
        const int left = 216 + index * 117;
        labels[index] = makeLabel(this, labelNames[index], captions[index], {left, 402, 108, 18});
        lstRight[index] = makeList(this, QStringLiteral("lstRight%1").arg(index), {left, 420, 108, 86});
        labels[index]->setBuddy(lstRight[index]);
    }
    lblTABReferring = labels[0];
    lblTABReferred = labels[1];
    lblTABConstraints = labels[2];
    lblTABTriggers = labels[3];
    lblTABDepend = labels[4];
}

void frmTables::buildStatements()
{
    fraTABStatements = new QGroupBox(QStringLiteral("State&ments"), this);
    fraTABStatements->setObjectName(QStringLiteral("fraTABStatements"));
    fraTABStatements->setGeometry(8, 354, 200, 152);
    fraTABStatements->setToolTip(QStringLiteral("Select any one and click Generate button"));

    const std::array<QString, 7> captions = {QStringLiteral("SELECT"), QStringLiteral("INSERT"),
                                             QStringLiteral("UPDATE"), QStringLiteral("DELETE"),
                                             QStringLiteral("CREATE"), QStringLiteral("Data in the table"),
                                             QStringLiteral("Stored Proc")};
    for (int index = 0; index < 7; ++index) {
        // SELECT to DELETE in the left column, the rest in the right one.
        const QRect place = index < 4 ? QRect(8, 20 + index * 22, 80, 20) : QRect(88, 20 + (index - 4) * 22, 108, 20);
        optStmt[index] = makeOption(fraTABStatements, QStringLiteral("optStmt%1").arg(index), captions[index], place);
    }
    optStmt[0]->setChecked(true);

    cmdGenerate = new QPushButton(QStringLiteral("&Generate"), fraTABStatements);
    cmdGenerate->setObjectName(QStringLiteral("cmdGenerate"));
    cmdGenerate->setGeometry(50, 114, 100, 28);
    cmdGenerate->setToolTip(QStringLiteral("Generates the selected statement"));
}

void frmTables::connectEvents()
{
    connect(txtTABSearch, &QLineEdit::textChanged, this, [this] { txtTABSearch_Change(); });
    connect(txtTABSearch, &QLineEdit::returnPressed, this, [this] { ShowTable(); });
    txtTABSearch->installEventFilter(this);
    lstTABTables->installEventFilter(this);
    connect(lstTABTables, &QListWidget::itemDoubleClicked, this, [this] { ShowTable(); });
    connect(lstTABTables, &QListWidget::itemClicked, this, [this] { lstTABTables_Click(); });
    for (QRadioButton* option : optTABMode)
        connect(option, &QRadioButton::clicked, this, [this] { ShowTable(); });
    connect(lsvTABRows->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { lsvTABRows_ColumnClick(column); });
    connect(flxTABColumns, &QTableWidget::cellClicked, this,
            [this](int row, int column) { flxTABColumns_Click(row, column); });
    txtTABColName->installEventFilter(this);
    for (int index = 0; index < static_cast<int>(lstRight.size()); ++index) {
        QListWidget* list = lstRight[static_cast<std::size_t>(index)];
        connect(list, &QListWidget::itemClicked, this, [this, index] { lstRight_Click(index); });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, index] { lstRight_DblClick(index); });
        list->installEventFilter(this);
    }
    connect(cmdGenerate, &QPushButton::clicked, this, [this] { GenerateStatement(); });
}

void frmTables::Form_Load()
{
    TableName.clear();
    QualifiedName.clear();
    OwnerName.clear();
    try {
        SetStatus(QStringLiteral("Populating Tables... Please wait..."), true);
        LoadTableList(lstTABTables);
        lblTABTotalTables->setText(QStringLiteral("Total Tables : ") + QString::number(lstTABTables->count()));
        SetStatus(QStringLiteral("Ready"), false);
    } catch (const DbError& error) {
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, QStringLiteral("Problems encountered while populating tables!"), error.description());
    }

    clsResize::setWindowSize(this, kDesignSize);
    resize_.Init(this);
    resize_.FormResize(this);
    loaded_ = true;

    // The database the statement generator scripts tables from, through the server-management object.
    DatabaseName = session().DatabaseName;
}

void frmTables::LoadTableList(QListWidget* list)
{
    Recordset names = session().connection.execute(kTableListQuery);
    list->clear();
    for (; !names.eof(); names.moveNext())
        list->addItem(names.field(QStringLiteral("Name")).text());
    names.close();
}

void frmTables::txtTABSearch_Change()
{
    if (session().Connected)
        FindInList(lstTABTables, txtTABSearch->text());
}

void frmTables::lstTABTables_Click()
{
    const QList<QListWidgetItem*> selected = lstTABTables->selectedItems();
    if (!selected.isEmpty())
        lstTABTables->setToolTip(selected.first()->text());
}

void frmTables::lsvTABRows_ColumnClick(int column)
{
    SortListViewByHeading(lsvTABRows, column);
}

void frmTables::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (loaded_)
        resize_.FormResize(this);
}

bool frmTables::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstTABTables && isEnterKey(event)) {
        ShowTable();
        return true;
    }
    for (int index = 0; index < static_cast<int>(lstRight.size()); ++index) {
        if (watched == lstRight[static_cast<std::size_t>(index)] && isEnterKey(event)) {
            lstRight_DblClick(index);
            return true;
        }
    }
    if (watched == txtTABColName && event->type() == QEvent::FocusOut)
        txtTABColName->hide();
    if (watched == txtTABSearch && event->type() == QEvent::FocusIn) {
        // After the focus has settled, or a mouse click would undo the selection.
        QTimer::singleShot(0, txtTABSearch, &QLineEdit::selectAll);
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace norvane
