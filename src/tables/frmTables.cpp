#include "tables/frmTables.h"

#include "shell/catalog_helpers.h"
#include "shell/prompts.h"
#include "shell/session.h"
#include "shell/window_controls.h"
#include "tables/tables_layout.h"

#include <QFontMetrics>
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
    fitCaptions();
}

void frmTables::fitCaptions()
{
    // The designed client area is 800 pixels wide; the bottom row of controls ends at 506.
    constexpr int kRight = 792;
    constexpr int kBottom = 506;
    constexpr int kMargin = 8;
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();

    // Left side: wide enough for the two columns of statement options.
    int leftOptionsNeed = 0;
    int rightOptionsNeed = 0;
    int optionHeight = 0;
    for (std::size_t index = 0; index < optStmt.size(); ++index) {
        const QSize hint = optStmt[index]->sizeHint();
        (index < 4 ? leftOptionsNeed : rightOptionsNeed) = std::max(index < 4 ? leftOptionsNeed : rightOptionsNeed,
                                                                     hint.width());
        optionHeight = std::max(optionHeight, hint.height());
    }
    const int leftWidth = leftSideWidth(200, 800, leftOptionsNeed, rightOptionsNeed, kMargin);
    const int findLabelWidth = std::max(40, lblTABSearch->sizeHint().width() + 4);
    lblTABSearch->setGeometry(kMargin, 10, findLabelWidth, std::max(20, lineHeight + 2));
    txtTABSearch->setGeometry(kMargin + findLabelWidth, 8, leftWidth - findLabelWidth,
                              std::max(24, txtTABSearch->sizeHint().height()));
    lblTABTotalTables->setGeometry(kMargin, 38, leftWidth, std::max(18, lineHeight + 2));

    const int optionStep = std::max(22, optionHeight + 2);
    const int buttonHeight = std::max(28, cmdGenerate->sizeHint().height());
    const int titleHeight = lineHeight + 6;
    const int frameHeight = titleHeight + 4 * optionStep + 6 + buttonHeight + 8;
    const int frameTop = kBottom - frameHeight;
    fraTABStatements->setGeometry(kMargin, frameTop, leftWidth, frameHeight);
    const int rightColumn = kMargin + leftOptionsNeed + kMargin;
    for (std::size_t index = 0; index < optStmt.size(); ++index) {
        const int row = static_cast<int>(index < 4 ? index : index - 4);
        optStmt[index]->setGeometry(index < 4 ? kMargin : rightColumn, titleHeight + row * optionStep,
                                    index < 4 ? leftOptionsNeed : leftWidth - rightColumn - 2, optionStep - 2);
    }
    const int buttonWidth = std::max(100, cmdGenerate->sizeHint().width());
    cmdGenerate->setGeometry((leftWidth - buttonWidth) / 2, titleHeight + 4 * optionStep + 6, buttonWidth, buttonHeight);
    lstTABTables->setGeometry(kMargin, 58, leftWidth, frameTop - 6 - 58);

    // Right side: the table's name with the row modes, rows, columns and relations.
    const int left = kMargin + leftWidth + kMargin;
    const int width = kRight - left;
    const int topLabelHeight = std::max(18, lineHeight + 2);
    const int modeOneWidth = optTABMode[1]->sizeHint().width() + 4;
    const int modeZeroWidth = optTABMode[0]->sizeHint().width() + 4;
    optTABMode[1]->setGeometry(kRight - modeOneWidth, 8, modeOneWidth, std::max(22, optionHeight));
    optTABMode[0]->setGeometry(kRight - modeOneWidth - 10 - modeZeroWidth, 8, modeZeroWidth, std::max(22, optionHeight));
    lblTABTableName->setGeometry(left, 10, optTABMode[0]->x() - 8 - left, topLabelHeight);
    lblTABRows->setGeometry(left, 34, width, topLabelHeight);
    lsvTABRows->setGeometry(left, 34 + topLabelHeight, width, 222 - 34 - topLabelHeight);
    lblTABColumns->setGeometry(left, 228, width, topLabelHeight);
    flxTABColumns->setGeometry(left, 228 + topLabelHeight, width, 396 - 228 - topLabelHeight);
    txtTABColName->setGeometry(kRight - 272, 226, 272, std::max(22, txtTABColName->sizeHint().height()));

    // The relation labels carry their counts after loading: room for two digits.
    const std::array<QLabel*, 5> labels = {lblTABReferring, lblTABReferred, lblTABConstraints, lblTABTriggers,
                                           lblTABDepend};
    const std::array<const char*, 5> loaded = {"Referring Tables : 99", "Referred Tables : 99",
                                               "Check Constraints : 99", "Triggers : 99", "Dependent Objects : 99"};
    std::vector<int> needs;
    for (std::size_t index = 0; index < labels.size(); ++index) {
        const int caption = std::max(metrics.horizontalAdvance(QString::fromUtf8(loaded[index])),
                                     labels[index]->sizeHint().width());
        needs.push_back(caption + 4);
    }
    std::vector<Span> spans = sideBySide(left, width, needs, 9);
    // Where the captions cannot have their widths, they wrap onto a second line.
    const bool wrap = !everyNeedMet(spans, needs);
    if (wrap) {
        const auto twoLines = [&metrics](QString caption) {
            std::vector<int> words;
            for (const QString& word : caption.remove(QLatin1Char('&')).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                words.push_back(metrics.horizontalAdvance(word));
            return twoLineNeed(words, metrics.horizontalAdvance(QLatin1Char(' ')));
        };
        for (std::size_t index = 0; index < labels.size(); ++index)
            needs[index] = std::max(twoLines(labels[index]->text()), twoLines(QString::fromUtf8(loaded[index]))) + 4;
        spans = sideBySide(left, width, needs, 9);
    }
    const int labelHeight = wrap ? 2 * metrics.lineSpacing() + 2 : topLabelHeight;
    for (std::size_t index = 0; index < labels.size(); ++index) {
        labels[index]->setWordWrap(wrap);
        labels[index]->setGeometry(spans[index].left, 402, spans[index].width, labelHeight);
        lstRight[index]->setGeometry(spans[index].left, 402 + labelHeight, spans[index].width,
                                     kBottom - 402 - labelHeight);
    }
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
    flxTABColumns->setSelectionMode(QAbstractItemView::SingleSelection);
    // The row numbers are the grid's own first column.
    flxTABColumns->verticalHeader()->hide();
    flxTABColumns->verticalHeader()->setDefaultSectionSize(flxTABColumns->fontMetrics().height() + 6);
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
