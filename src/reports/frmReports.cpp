#include "reports/frmReports.h"

#include "codeview/frmCodes.h"
#include "reports/data_script.h"
#include "reports/report_layout.h"
#include "shell/catalog_helpers.h"
#include "shell/prompts.h"
#include "shell/session.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <optional>

namespace norvane {

namespace {

// The window's heights in twips: idle, and while a report is generated (the
// progress bar below the buttons comes into view).
constexpr int kIdleHeightTwips = 4545;
constexpr int kGeneratingHeightTwips = 4935;
constexpr int kTwipsPerPixel = 15;

const QString kTotalText = QStringLiteral("Total number of selected tables:");
const QString kAllCaption = QStringLiteral("A&ll");
const QString kAllTip = QStringLiteral("Click to select all tables");
const QString kNoneCaption = QStringLiteral("&None");
const QString kNoneTip = QStringLiteral("Click to deselect all tables");
const QString kReady = QStringLiteral("Ready");

// Runs a generation step's clean-up however the step ends.
class ScopeExit {
public:
    explicit ScopeExit(std::function<void()> action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    std::function<void()> action_;
};

// The session's server-management object, logged in; DbError otherwise.
ServerAdmin& loggedInAdmin()
{
    Session& s = session();
    if (!s.serverAdmin || !s.serverAdmin->isConnected())
        throw DbError(0, QStringLiteral("08003"), QStringLiteral("The server-management object is not logged in."));
    return *s.serverAdmin;
}

QString errorDescription(const std::exception& error)
{
    if (const auto* database = dynamic_cast<const DbError*>(&error))
        return database->description();
    return QString::fromLocal8Bit(error.what());
}

template <typename Control>
Control* named(Control* control, const char* name, const QString& tip = QString())
{
    control->setObjectName(QLatin1String(name));
    if (!tip.isEmpty())
        control->setToolTip(tip);
    return control;
}

}  // namespace

frmReports::frmReports(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReports"));
    setWindowTitle(QStringLiteral("Reports"));
    buildControls();
    connectEvents();
    Form_Load();
}

frmReports::~frmReports()
{
    Cancelled = true;
    ReleaseSpreadsheet(ReportWorkbook_);
}

void frmReports::showReports(QWidget* owner)
{
    frmReports window(owner);
    window.exec();
}

void frmReports::buildControls()
{
    fraTables = named(new QGroupBox(this), "fraTables");
    lstTables = named(new QListWidget(fraTables), "lstTables", QStringLiteral("List of available tables"));
    lstTables->setSelectionMode(QAbstractItemView::SingleSelection);
    lblTotal = named(new QLabel(QStringLiteral("Total number of selected tables: 0"), fraTables), "lblTotal");
    cmdToggle = named(new QPushButton(kAllCaption, fraTables), "cmdToggle", kAllTip);
    lblPrefix = named(new QLabel(QStringLiteral("Prefix"), fraTables), "lblPrefix");
    txtPrefix = named(new QLineEdit(fraTables), "txtPrefix",
                      QStringLiteral("Type prefix letters and click Select button to select tables with that prefix"));
    lblPrefix->setBuddy(txtPrefix);
    cmdPrefix = named(new QPushButton(QStringLiteral("Select"), fraTables), "cmdPrefix",
                      QStringLiteral("Click to select the tables with typed prefix"));
    chkPrefix = named(new QCheckBox(QStringLiteral("Add"), fraTables), "chkPrefix",
                      QStringLiteral("Check this to add to the present selection"));

    optType[0] = named(new QRadioButton(QStringLiteral("&Table Details"), fraTables), "optType0",
                       QStringLiteral("Generates report on selected tables"));
    optType[1] = named(new QRadioButton(QStringLiteral("O&bject Listing"), fraTables), "optType1",
                       QStringLiteral("Generates report on checked database objects"));
    optType[2] = named(new QRadioButton(QStringLiteral("&Scripts (Data)"), fraTables), "optType2",
                       QStringLiteral("Generates report on checked database objects"));
    chkObjects[0] = named(new QCheckBox(QStringLiteral("T&ables"), fraTables), "chkObjects0",
                          QStringLiteral("Report will include list of all user tables"));
    chkObjects[1] = named(new QCheckBox(QStringLiteral("&Views"), fraTables), "chkObjects1",
                          QStringLiteral("Report will include list of all views"));
    chkObjects[2] = named(new QCheckBox(QStringLiteral("&Stored Procedures"), fraTables), "chkObjects2",
                          QStringLiteral("Report will include list of all stored procedures"));
    chkObjects[3] = named(new QCheckBox(QStringLiteral("&Functions"), fraTables), "chkObjects3",
                          QStringLiteral("Report will include list of all user defined functions"));

    cmdGenerate = named(new QPushButton(QStringLiteral("&Generate"), this), "cmdGenerate",
                        QStringLiteral("Click to generate the report in Excel"));
    cmdClose = named(new QPushButton(QStringLiteral("Cl&ose"), this), "cmdClose",
                     QStringLiteral("Click to close this window"));
    cmdGenerate->setAutoDefault(false);
    cmdClose->setAutoDefault(false);
    prgReport = named(new QProgressBar(this), "prgReport");
    prgReport->setTextVisible(false);

    auto* right = new QVBoxLayout;
    right->addWidget(cmdToggle);
    auto* prefixRow = new QHBoxLayout;
    prefixRow->addWidget(lblPrefix);
    prefixRow->addWidget(txtPrefix, 1);
    right->addLayout(prefixRow);
    auto* prefixButtons = new QHBoxLayout;
    prefixButtons->addWidget(cmdPrefix);
    prefixButtons->addWidget(chkPrefix);
    right->addLayout(prefixButtons);
    right->addSpacing(6);
    for (QRadioButton* option : optType)
        right->addWidget(option);
    auto* objects = new QVBoxLayout;
    objects->setContentsMargins(20, 0, 0, 0);
    for (QCheckBox* box : chkObjects)
        objects->addWidget(box);
    right->addLayout(objects);
    right->addStretch(1);

    auto* frame = new QGridLayout(fraTables);
    frame->addWidget(lstTables, 0, 0);
    frame->addWidget(lblTotal, 1, 0);
    frame->addLayout(right, 0, 1, 2, 1);
    frame->setColumnStretch(0, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdGenerate);
    buttons->addWidget(cmdClose);

    auto* window = new QVBoxLayout(this);
    window->addWidget(fraTables, 1);
    window->addLayout(buttons);
    window->addWidget(prgReport);
    fitHeights();
}

void frmReports::fitHeights()
{
    // The designed heights, or more where the desktop font needs more room.
    prgReport->hide();
    const int idleNeeded = layout()->totalMinimumSize().height();
    idleHeight_ = std::max(kIdleHeightTwips / kTwipsPerPixel, idleNeeded);
    const int barRoom = std::max((kGeneratingHeightTwips - kIdleHeightTwips) / kTwipsPerPixel,
                                 prgReport->sizeHint().height() + layout()->spacing());
    generatingHeight_ = idleHeight_ + barRoom;
    const int width = std::max(layout()->totalSizeHint().width(), 480);
    setFixedSize(width, idleHeight_);
}

void frmReports::connectEvents()
{
    connect(cmdToggle, &QPushButton::clicked, this, [this] { cmdToggle_Click(); });
    connect(cmdPrefix, &QPushButton::clicked, this, [this] { cmdPrefix_Click(); });
    connect(lstTables, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) { lstTables_ItemCheck(item); });
    for (int index = 0; index < static_cast<int>(optType.size()); ++index)
        connect(optType[index], &QRadioButton::clicked, this, [this, index] { optType_Click(index); });
    connect(cmdGenerate, &QPushButton::clicked, this, [this] { cmdGenerate_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
}

void frmReports::Form_Load()
{
    SetStatus(QStringLiteral("Loading... Please Wait..."), true);
    setHeight(idleHeight_);
    optType[0]->setChecked(true);
    optType_Click(0);
    chkObjects[0]->setChecked(true);
    SelectAllNext = true;
    Cancelled = false;
    try {
        Session& s = session();
        ServerAdmin& admin = loggedInAdmin();
        ReportDatabase.clear();
        for (const QString& name : admin.databaseNames())
            if (name.compare(s.DatabaseName, Qt::CaseInsensitive) == 0)
                ReportDatabase = name;
        if (ReportDatabase.isEmpty())
            throw DbError(911, QStringLiteral("42000"),
                          QStringLiteral("Could not locate entry in sysdatabases for database '") + s.DatabaseName
                              + QStringLiteral("'."));
        loadingList_ = true;
        for (const CatalogObject& table : admin.tables(ReportDatabase))
            if (!table.SystemObject)
                addTable(table.Name);
        loadingList_ = false;
    } catch (const std::exception& error) {
        loadingList_ = false;
        showMessage(this, QMessageBox::Information,
                    QStringLiteral("Error while loading... \r\nTechnical Details:\r\n") + errorDescription(error));
    }
    SetStatus(kReady, false);
}

void frmReports::addTable(const QString& name)
{
    // Kept in alphabetical order without regard to case; the new entry becomes the current one.
    int row = 0;
    while (row < lstTables->count() && lstTables->item(row)->text().compare(name, Qt::CaseInsensitive) <= 0)
        ++row;
    auto* item = new QListWidgetItem(name);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    lstTables->insertItem(row, item);
    lstTables->setCurrentItem(item);
}

void frmReports::refreshTotal()
{
    int checked = 0;
    for (int row = 0; row < lstTables->count(); ++row)
        if (lstTables->item(row)->checkState() == Qt::Checked)
            ++checked;
    lblTotal->setText(kTotalText + QString::number(checked));
}

void frmReports::cmdToggle_Click()
{
    if (running_)
        return;
    cmdToggle->setText(SelectAllNext ? kNoneCaption : kAllCaption);
    cmdToggle->setToolTip(SelectAllNext ? kNoneTip : kAllTip);
    loadingList_ = true;
    for (int row = 0; row < lstTables->count(); ++row)
        lstTables->item(row)->setCheckState(SelectAllNext ? Qt::Checked : Qt::Unchecked);
    loadingList_ = false;
    SelectAllNext = !SelectAllNext;
    refreshTotal();
}

void frmReports::cmdPrefix_Click()
{
    if (running_)
        return;
    const QString prefix = txtPrefix->text().trimmed().toUpper();
    loadingList_ = true;
    for (int row = 0; row < lstTables->count(); ++row) {
        QListWidgetItem* item = lstTables->item(row);
        if (item->text().left(prefix.size()).toUpper() == prefix)
            item->setCheckState(Qt::Checked);
        else if (!chkPrefix->isChecked())
            item->setCheckState(Qt::Unchecked);
    }
    loadingList_ = false;
    refreshTotal();
}

void frmReports::lstTables_ItemCheck(QListWidgetItem*)
{
    if (!loadingList_)
        refreshTotal();
}

void frmReports::optType_Click(int index)
{
    if (index == 2)
        return;  // the data script keeps whatever the previous kind enabled
    const bool tableDetails = index == 0;
    lstTables->setEnabled(tableDetails);
    for (QCheckBox* box : chkObjects)
        box->setEnabled(!tableDetails);
}

std::vector<ReportTableEntry> frmReports::tableEntries() const
{
    std::vector<ReportTableEntry> entries;
    entries.reserve(lstTables->count());
    for (int row = 0; row < lstTables->count(); ++row) {
        const QListWidgetItem* item = lstTables->item(row);
        entries.push_back({item->text(), item->checkState() == Qt::Checked});
    }
    return entries;
}

void frmReports::setHeight(int height)
{
    prgReport->setVisible(height > idleHeight_);
    setFixedHeight(height);
}

void frmReports::showProgress()
{
    prgReport->setRange(progress_.Min, std::max(progress_.Min, progress_.Max));
    prgReport->setValue(progress_.Value);
}

bool frmReports::yieldAndCheckCancelled()
{
    showProgress();
    QApplication::processEvents();
    return Cancelled;
}

void frmReports::cmdGenerate_Click()
{
    if (running_)
        return;  // a run is in progress: Generate waits for it
    running_ = true;
    fraTables->setEnabled(false);
    cmdGenerate->setEnabled(false);
    const ScopeExit finished([this] {
        running_ = false;
        fraTables->setEnabled(true);
        cmdGenerate->setEnabled(true);
    });

    SetStatus(QStringLiteral("Generating Report... Please Wait..."), true);
    setHeight(generatingHeight_);
    progress_.Value = 0;
    showProgress();
    try {
        if (optType[2]->isChecked())
            generateDataScript();
        else
            generateSpreadsheet();
    } catch (const std::exception& error) {
        // After Close the user has left the window: the run just stops.
        if (!Cancelled)
            showMessage(this, QMessageBox::Information,
                        QStringLiteral("Error while generating report... \r\nTechnical Details:\r\n")
                            + errorDescription(error));
        ReleaseSpreadsheet(ReportWorkbook_);
        setHeight(idleHeight_);
        SetStatus(kReady, false);
    }
}

void frmReports::generateDataScript()
{
    Session& s = session();
    DataScriptRun run;
    run.admin = &loggedInAdmin();
    run.database = ReportDatabase;
    run.connection = &s.connection;
    run.progress = &progress_;
    run.yieldAndCheckCancelled = [this] { return yieldAndCheckCancelled(); };
    const std::optional<QString> script = BuildDataScript(run, tableEntries());
    if (progress_.Max > progress_.Value)
        progress_.Value = progress_.Min;
    showProgress();
    if (!script || Cancelled) {
        SetStatus(kReady, false);
        return;
    }
    CodeWindowInputs inputs;
    inputs.Code = *script;
    inputs.Title = kDataScriptTitle;
    inputs.FileName = QString();
    inputs.FilterIndex = 1;
    inputs.NoColour = true;
    showCodeWindow(this, inputs);
}

void frmReports::generateSpreadsheet()
{
    Session& s = session();
    ServerAdmin& admin = loggedInAdmin();
    if (!CreateSpreadsheet(this, ReportWorkbook_)) {
        setHeight(idleHeight_);
        SetStatus(kReady, false);
        return;
    }
    SetSpreadsheetCaptions(*ReportWorkbook_, QStringLiteral("Norvane"), QStringLiteral("Report"));
    ReportRun run;
    run.admin = &admin;
    run.database = ReportDatabase;
    run.sheet = &ReportWorkbook_->sheet();
    run.ReportRow = 3;
    run.ReportColumn = 1;
    run.progress = progress_;
    run.yieldAndCheckCancelled = [this, &run] {
        progress_ = run.progress;
        return yieldAndCheckCancelled();
    };
    const QString heading = reportHeadingText(s.ServerName, s.DatabaseName);

    bool cancelled = false;
    if (optType[0]->isChecked()) {
        WriteReportHeading(*run.sheet, heading, 12, QStringLiteral("Table Details"), 10);
        BuildTableDetails(run, tableEntries());
        cancelled = Cancelled;
    } else {
        WriteReportHeading(*run.sheet, heading, 12, QStringLiteral("List of Objects"), 10);
        const std::array<bool (*)(ReportRun&), 4> sections = {ListTables, ListViews, ListProcedures, ListFunctions};
        for (int index = 0; index < static_cast<int>(sections.size()) && !cancelled; ++index) {
            if (chkObjects[index]->isChecked())
                sections[index](run);
            cancelled = Cancelled;
        }
    }
    progress_ = run.progress;
    showProgress();
    if (cancelled) {
        ReleaseSpreadsheet(ReportWorkbook_);
        SetStatus(kReady, false);
        return;
    }
    ReportSheet& sheet = ReportWorkbook_->sheet();
    sheet.write(run.ReportRow + 1, run.ReportColumn, reportClosingLine(QDateTime::currentDateTime()));
    SetupReportPage(sheet, 3, QString());
    ShowSpreadsheet(this, *ReportWorkbook_);
    ReleaseSpreadsheet(ReportWorkbook_);
    setHeight(idleHeight_);
    SetStatus(kReady, false);
}

void frmReports::cmdClose_Click()
{
    Cancelled = true;
    // A running generation still writes into its workbook until its next test of
    // Cancelled; it releases the workbook itself when it stops.
    if (!running_)
        ReleaseSpreadsheet(ReportWorkbook_);
    QDialog::reject();
}

void frmReports::reject()
{
    cmdClose_Click();
}

void frmReports::closeEvent(QCloseEvent* event)
{
    // The close box cancels a running generation as Close does.
    Cancelled = true;
    QDialog::closeEvent(event);
}

}  // namespace norvane
