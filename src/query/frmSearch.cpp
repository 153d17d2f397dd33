#include "query/frmSearch.h"

#include "query/search_text.h"
#include "shell/catalog_helpers.h"
#include "shell/prompts.h"
#include "shell/session.h"
#include "shell/window_controls.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>

#include <vector>

namespace norvane {

namespace {

// The window's design size, in twips, as every catalog window.
constexpr layout::WindowSize kDesignSize{12000, 8100};

const QString kTotalObjects = QStringLiteral("&Total Objects : ");

QLineEdit* makeLineEdit(QWidget* parent, const char* name, const QString& toolTip, QRect geometry)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(toolTip);
    box->setGeometry(geometry);
    return box;
}

QFont courierNew()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QString selectedEntry(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

}  // namespace

frmSearch::frmSearch(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(QStringLiteral("Search"));
    buildControls();
    connectEvents();
    Form_Load();
}

frmSearch::~frmSearch() = default;

void frmSearch::buildControls()
{
    lblSPSTextSearcha = makeLabel(this, "lblSPSTextSearcha", QStringLiteral("Search for a &Text in Objects:"),
                                  {8, 8, 236, 18});
    txtSPSTextSearch = makeLineEdit(
        this, "txtSPSTextSearch",
        QStringLiteral("Type the word to be searched here and click on the button below"), {8, 28, 236, 24});
    lblSPSTextSearcha->setBuddy(txtSPSTextSearch);

    chkColumns = new QCheckBox(QStringLiteral("&Cols/Params"), this);
    chkColumns->setObjectName(QStringLiteral("chkColumns"));
    chkColumns->setToolTip(QStringLiteral("Check this to search among the column names or parameters"));
    chkColumns->setGeometry(8, 60, 120, 22);

    cmdSPSTextSearch = new QPushButton(QStringLiteral("&Search"), this);
    cmdSPSTextSearch->setObjectName(QStringLiteral("cmdSPSTextSearch"));
    cmdSPSTextSearch->setToolTip(QStringLiteral("Click to start searching"));
    cmdSPSTextSearch->setGeometry(140, 57, 104, 28);

    lblSPSSearch = makeLabel(this, "lblSPSSearch", QStringLiteral("&Find:"), {8, 96, 44, 20});
    txtSPSSearch = makeLineEdit(this, "txtSPSSearch", QStringLiteral("Type here to find a listed object"),
                                {52, 94, 192, 24});
    lblSPSSearch->setBuddy(txtSPSSearch);

    lblSPSTotalSPs = makeLabel(this, "lblSPSTotalSPs", QStringLiteral("&Total Objects"), {8, 124, 236, 18});
    lstSPS = new QListWidget(this);
    lstSPS->setObjectName(QStringLiteral("lstSPS"));
    lstSPS->setToolTip(QStringLiteral("List of objects matching the search"));
    lstSPS->setSelectionMode(QAbstractItemView::SingleSelection);
    lstSPS->setGeometry(8, 144, 236, 362);
    lblSPSTotalSPs->setBuddy(lstSPS);

    lblSPSSPName = makeLabel(this, "lblSPSSPName", QStringLiteral("Object &Name"), {252, 10, 496, 18});

    cmdFind = new QPushButton(this);
    cmdFind->setObjectName(QStringLiteral("cmdFind"));
    cmdFind->setToolTip(QStringLiteral("Finds the word in Search box"));
    cmdFind->setIcon(QIcon::fromTheme(QStringLiteral("edit-find"),
                                      style()->standardIcon(QStyle::SP_FileDialogContentsView)));
    cmdFind->setGeometry(756, 4, 36, 28);

    rtbSPSText = new QTextEdit(this);
    rtbSPSText->setObjectName(QStringLiteral("rtbSPSText"));
    rtbSPSText->setToolTip(QStringLiteral("The source of the selected object"));
    rtbSPSText->setFont(courierNew());
    rtbSPSText->setAcceptRichText(false);
    rtbSPSText->setReadOnly(true);
    rtbSPSText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    rtbSPSText->setLineWrapMode(QTextEdit::NoWrap);
    rtbSPSText->setGeometry(252, 36, 540, 470);
    lblSPSSPName->setBuddy(rtbSPSText);

    flxTABColumns = new QTableWidget(this);
    flxTABColumns->setObjectName(QStringLiteral("flxTABColumns"));
    flxTABColumns->setToolTip(QStringLiteral("Click on a cell to view its content"));
    flxTABColumns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    flxTABColumns->setWordWrap(false);
    flxTABColumns->verticalHeader()->hide();
    flxTABColumns->setGeometry(252, 36, 540, 470);
    flxTABColumns->hide();
}

void frmSearch::connectEvents()
{
    connect(cmdSPSTextSearch, &QPushButton::clicked, this, [this] { cmdSPSTextSearch_Click(); });
    connect(txtSPSTextSearch, &QLineEdit::returnPressed, this, [this] { cmdSPSTextSearch_Click(); });
    connect(txtSPSSearch, &QLineEdit::textChanged, this, [this] { txtSPSSearch_Change(); });
    connect(txtSPSSearch, &QLineEdit::returnPressed, this, [this] { ShowObject(); });
    txtSPSSearch->installEventFilter(this);
    lstSPS->installEventFilter(this);
    connect(lstSPS, &QListWidget::itemDoubleClicked, this, [this] { ShowObject(); });
    connect(lstSPS, &QListWidget::itemClicked, this, [this] { lstSPS_Click(); });
    connect(cmdFind, &QPushButton::clicked, this, [this] { cmdFind_Click(); });
    connect(flxTABColumns, &QTableWidget::cellClicked, this, [this] { flxTABColumns_Click(); });
}

void frmSearch::Form_Load()
{
    clsResize::setWindowSize(this, kDesignSize);
    resize_.Init(this);
    resize_.FormResize(this);
    loaded_ = true;
}

void frmSearch::cmdSPSTextSearch_Click()
{
    const QString word = txtSPSTextSearch->text().trimmed();
    if (word.isEmpty())
        return;
    try {
        SetStatus(QStringLiteral("Searching... Please wait..."), true);
        lstSPS->clear();
        lblSPSTotalSPs->setText(kTotalObjects);
        txtSPSSearch->clear();
        lblSPSSPName->clear();
        if (chkColumns->isChecked()) {
            rtbSPSText->hide();
            flxTABColumns->show();
            if (session().Connected)
                SearchColumnNames(flxTABColumns, word);
        } else {
            flxTABColumns->hide();
            rtbSPSText->show();
            if (session().Connected)
                SearchObjectText(lstSPS, word);
            lblSPSTotalSPs->setText(kTotalObjects + QString::number(lstSPS->count()));
            lblSPSSPName->clear();
            txtSPSSearch->clear();
            rtbSPSText->clear();
        }
        SetStatus(QStringLiteral("Ready"), false);
    } catch (const DbError& error) {
        showError(this, QStringLiteral("Problems encountered while populating Object details!"), error.description());
        SetStatus(QStringLiteral("Ready"), false);
    }
}

void frmSearch::SearchObjectText(QListWidget* list, const QString& word)
{
    Recordset objects = session().connection.execute(searchObjectTextQuery(word));
    list->clear();
    QStringList entries;
    for (; !objects.eof(); objects.moveNext())
        entries << objectEntry(objects.field(QStringLiteral("Name")).text(), objects.field(QStringLiteral("Type")).text());
    objects.close();
    list->addItems(entries);
}

void frmSearch::SearchColumnNames(QTableWidget* grid, const QString& word)
{
    Recordset columns = session().connection.execute(searchColumnNamesQuery(word));
    const QStringList headings = columnGridHeadings();
    grid->clear();
    grid->setRowCount(0);
    grid->setColumnCount(static_cast<int>(headings.size()));
    grid->setHorizontalHeaderLabels(headings);
    const QStringList fields = {QStringLiteral("TableName"), QStringLiteral("ColName"), QStringLiteral("DataType"),
                                QStringLiteral("Length"),    QStringLiteral("Prec"),    QStringLiteral("Scale")};
    // Each row: its number, the six fields, then "Yes" for a nullable column or parameter.
    std::vector<QStringList> rows;
    for (; !columns.eof(); columns.moveNext()) {
        QStringList cells{QString::number(rows.size() + 1)};
        for (const QString& field : fields)
            cells << columns.field(field).text();
        const Field& nullable = columns.field(QStringLiteral("Nullable"));
        cells << (!nullable.isNull() && nullable.value().toLongLong() == 1 ? QStringLiteral("Yes") : QString());
        rows.push_back(std::move(cells));
    }
    grid->setRowCount(static_cast<int>(rows.size()));
    const QBrush fixedBackground = grid->palette().button();
    for (int row = 0; row < grid->rowCount(); ++row) {
        const QStringList& cells = rows[static_cast<std::size_t>(row)];
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells.at(column));
            if (column == 0) {
                // The first column numbers the rows and stays fixed, as a row heading.
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(fixedBackground);
            }
            grid->setItem(row, column, item);
        }
    }
    columns.close();
    grid->resizeColumnsToContents();
}

void frmSearch::ShowObject()
{
    if (!session().Connected)
        return;
    const ObjectChoice choice = readObjectEntry(selectedEntry(lstSPS), typeText_);
    if (choice.name.isEmpty())
        return;  // no object chosen
    try {
        objectName_ = choice.name;
        typeText_ = choice.typeText;
        txtSPSSearch->setText(objectName_);
        qualifiedName_ = GetQualifiedName(objectName_, !isViewTypeText(typeText_));
        lblSPSSPName->setText(QStringLiteral("&Name:") + qualifiedName_);
        SetStatus(QStringLiteral("Filling Object Text... Please wait..."), true);
        GetObjectText(rtbSPSText, qualifiedName_);
        QTextCursor cursor = rtbSPSText->textCursor();
        cursor.clearSelection();
        rtbSPSText->setTextCursor(cursor);
        SetStatus(QStringLiteral("Ready"), false);
    } catch (const DbError& error) {
        showError(this, QStringLiteral("Problems encountered while populating Object details!"), error.description());
        SetStatus(QStringLiteral("Ready"), false);
    }
}

void frmSearch::cmdFind_Click()
{
    rtbSPSText->setFocus();
    const QString word = txtSPSTextSearch->text().trimmed();
    const int start = lastMatch_ < 0 ? 0 : lastMatch_ + static_cast<int>(word.size());
    const QTextCursor found = word.isEmpty() ? QTextCursor() : rtbSPSText->document()->find(word, start);
    if (!found.isNull()) {
        rtbSPSText->setTextCursor(found);
        rtbSPSText->ensureCursorVisible();
    }
    lastMatch_ = found.isNull() ? -1 : found.selectionStart();
    ++clickCount_;
    if (found.isNull()) {
        showMessage(this, QMessageBox::NoIcon, searchCompletedMessage(word, clickCount_ - 1));
        clickCount_ = 0;
    }
}

void frmSearch::txtSPSSearch_Change()
{
    if (session().Connected)
        FindInList(lstSPS, txtSPSSearch->text());
}

void frmSearch::lstSPS_Click()
{
    const QString entry = selectedEntry(lstSPS);
    if (!entry.isEmpty())
        lstSPS->setToolTip(entry);
}

void frmSearch::flxTABColumns_Click()
{
    const QTableWidgetItem* current = flxTABColumns->currentItem();
    flxTABColumns->setToolTip(current ? current->text() : QString());
}

void frmSearch::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (loaded_)
        resize_.FormResize(this);
}

bool frmSearch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstSPS && isEnterKey(event)) {
        ShowObject();
        return true;
    }
    if (watched == txtSPSSearch && event->type() == QEvent::FocusIn) {
        // After the focus has settled, or a mouse click would undo the selection.
        QTimer::singleShot(0, txtSPSSearch, &QLineEdit::selectAll);
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace norvane
