#include "compare/frmCompare.h"

#include "compare/database_compare.h"
#include "layout/clsResize.h"
#include "shell/catalog_helpers.h"
#include "shell/data/connection_string.h"
#include "shell/data/server_discovery.h"
#include "shell/data/database_columns.h"
#include "shell/prompts.h"
#include "shell/session.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace norvane {

namespace {

// The window's design size, in twips: a child window's width, and the height the window sets at load.
constexpr layout::WindowSize kDesignSize{12000, 4545};

// Rows received between two turns of the event loop while the catalogs are read.
constexpr int kRowsPerRepaint = 100;
constexpr int kLinesPerRepaint = 200;

const QString kReady = QStringLiteral("Ready");

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

QComboBox* makeCombo(QWidget* parent, const char* name)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumContentsLength(16);
    return combo;
}

QLineEdit* makeTextBox(QWidget* parent, const char* name, const QString& tip)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

// The busy pointer for the life of the object.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// Focus that comes back to the box (a message box or the box's own list
// closing) is not the user moving to it, and does not read the list again.
bool userMovedTo(Qt::FocusReason reason)
{
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace

frmCompare::frmCompare(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmCompare"));
    setWindowTitle(QStringLiteral("Compare"));
    buildControls();
    Form_Load();
}

frmCompare::~frmCompare() = default;

void frmCompare::buildControls()
{
    fraCON = new QGroupBox(this);
    fraCON->setObjectName(QStringLiteral("fraCON"));
    cboCONServers = makeCombo(fraCON, "cboCONServers");
    lblCONServerName = makeLabel(fraCON, "lblCONServerName", QStringLiteral("Se&rver:"), cboCONServers);
    cboCONDatabase = makeCombo(fraCON, "cboCONDatabase");
    cboCONDatabase->setToolTip(QStringLiteral("Database Name"));
    lblCONDatabase = makeLabel(fraCON, "lblCONDatabase", QStringLiteral("Data&base:"), cboCONDatabase);
    txtCONUserName = makeTextBox(fraCON, "txtCONUserName", QStringLiteral("Enter User Name"));
    lblCONUserName = makeLabel(fraCON, "lblCONUserName", QStringLiteral("&User Name:"), txtCONUserName);
    txtCONPassword = makeTextBox(fraCON, "txtCONPassword", QStringLiteral("Enter Password"));
    txtCONPassword->setEchoMode(QLineEdit::Password);
    lblCONPassword = makeLabel(fraCON, "lblCONPassword", QStringLiteral("&Password:"), txtCONPassword);
    chkWindows = new QCheckBox(QStringLiteral("Windows Authentication"), fraCON);
    chkWindows->setObjectName(QStringLiteral("chkWindows"));

    auto* login = new QGridLayout(fraCON);
    login->addWidget(lblCONServerName, 0, 0);
    login->addWidget(cboCONServers, 0, 1);
    login->addWidget(lblCONDatabase, 0, 2);
    login->addWidget(cboCONDatabase, 0, 3);
    login->addWidget(lblCONUserName, 1, 0);
    login->addWidget(txtCONUserName, 1, 1);
    login->addWidget(lblCONPassword, 1, 2);
    login->addWidget(txtCONPassword, 1, 3);
    login->addWidget(chkWindows, 2, 1, 1, 3);
    login->setColumnStretch(1, 1);
    login->setColumnStretch(3, 1);

    cmdConnect = makeButton(this, "cmdConnect", QStringLiteral("Co&nnect"));
    cmdCompare = makeButton(this, "cmdCompare", QStringLiteral("&Compare"));
    lstTables = new QListWidget(this);
    lstTables->setObjectName(QStringLiteral("lstTables"));
    rtbResult = new QTextEdit(this);
    rtbResult->setObjectName(QStringLiteral("rtbResult"));
    rtbResult->setAcceptRichText(false);
    rtbResult->setReadOnly(true);  // selecting and copying still work

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdConnect);
    buttons->addWidget(cmdCompare);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(fraCON, 1);
    top->addLayout(buttons);
    auto* results = new QHBoxLayout;
    results->addWidget(lstTables, 1);
    results->addWidget(rtbResult, 3);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addLayout(results, 1);

    cboCONDatabase->installEventFilter(this);
    connect(cmdConnect, &QPushButton::clicked, this, &frmCompare::cmdConnect_Click);
    connect(cmdCompare, &QPushButton::clicked, this, &frmCompare::cmdCompare_Click);
}

void frmCompare::Form_Load()
{
    try {
        SetStatus(QStringLiteral("Loading... Please Wait..."), true);
        clsResize::setWindowSize(this, kDesignSize);
        cboCONServers->addItems(ListServers());
        cboCONServers->setEditText(QString());
        SetStatus(kReady, false);
    } catch (const std::exception& error) {
        SetStatus(kReady, false);
        showMessage(this, QMessageBox::Information,
                    QStringLiteral("Error while loading... \r\nTechnical Details:\r\n") + QString::fromUtf8(error.what()));
    }
    cmdCompare->setEnabled(false);
    CompareConnected = false;
}

void frmCompare::ReadCompareInputs()
{
    login_.CompareUserName = txtCONUserName->text().trimmed();
    login_.ComparePassword = txtCONPassword->text().trimmed();
    login_.CompareServerName = cboCONServers->currentText().trimmed();
    login_.CompareDatabaseName = cboCONDatabase->currentText().trimmed();
}

bool frmCompare::ValidateCompareInputs()
{
    const auto complain = [this](const QString& text, QWidget* control) {
        showMessage(this, QMessageBox::Information, text);
        if (control->isEnabled())
            control->setFocus();
        return false;
    };
    if (login_.CompareUserName.isEmpty())
        return complain(QStringLiteral("User Name must be entered!"), txtCONUserName);
    if (login_.CompareServerName.isEmpty())
        return complain(QStringLiteral("Server name must be entered!"), cboCONServers);
    if (login_.CompareDatabaseName.isEmpty())
        return complain(QStringLiteral("Database must be selected!"), cboCONDatabase);
    return true;
}

QString frmCompare::buildCompareConnectionString() const
{
    ConnectionInputs inputs;
    inputs.userName = login_.CompareUserName;
    inputs.password = login_.ComparePassword;
    inputs.serverName = login_.CompareServerName;
    inputs.databaseName = login_.CompareDatabaseName;
    return BuildConnectionString(
        chkWindows->isChecked() ? ConnectionMode::ServerIntegrated : ConnectionMode::ServerSqlLogin, inputs);
}

void frmCompare::FillCompareDatabases(QComboBox* combo)
{
    login_.CompareDatabaseName = QStringLiteral("Master");
    login_.CompareConnectionString = buildCompareConnectionString();
    Connection connection;
    connection.open(login_.CompareConnectionString);
    Recordset names = connection.execute(QStringLiteral("Select Name From SysDatabases"));
    const QString typed = combo->currentText();  // the user's typing stays in the box
    combo->clear();
    for (; !names.eof(); names.moveNext())
        combo->addItem(names.field(QStringLiteral("Name")).text());
    combo->setEditText(typed);
    names.close();
    connection.close();
}

void frmCompare::cboCONDatabase_GotFocus()
{
    if (running_)
        return;
    try {
        const BusyPointer busy;
        ReadCompareInputs();
        FillCompareDatabases(cboCONDatabase);
    } catch (const DbError& error) {
        showError(this, QStringLiteral("Databases cannot be populated!"), error.description());
    }
}

void frmCompare::cmdConnect_Click()
{
    if (running_)
        return;
    CompareConnected = false;
    cmdCompare->setEnabled(false);
    ReadCompareInputs();
    if (!ValidateCompareInputs())
        return;
    login_.CompareConnectionString = buildCompareConnectionString();
    login_.CompareServerAdmin = std::make_unique<ServerAdmin>();
    try {
        const BusyPointer busy;
        if (chkWindows->isChecked()) {
            login_.CompareServerAdmin->LoginSecure = true;
            login_.CompareServerAdmin->connect(login_.CompareServerName);
        } else {
            login_.CompareServerAdmin->connect(login_.CompareServerName, login_.CompareUserName,
                                               login_.ComparePassword);
        }
    } catch (const DbError& error) {
        login_.CompareServerAdmin.reset();
        showError(this, QStringLiteral("Problems encountered while connecting!"), error.description());
        return;
    }
    connectedDatabase_ = login_.CompareDatabaseName;
    CompareConnected = true;
    cmdCompare->setEnabled(true);
}

void frmCompare::cmdCompare_Click()
{
    if (running_ || !CompareConnected || !login_.CompareServerAdmin)
        return;
    setRunning(true);
    SetStatus(QStringLiteral("Comparing databases... Please wait..."), true);
    result_.clear();
    rtbResult->clear();
    lstTables->clear();
    try {
        Session& s = session();
        if (!s.serverAdmin)
            throw DbError(0, QStringLiteral("08003"), QStringLiteral("The server-management object is not logged in."));
        int rows = 0;
        const auto keepRepainting = [&rows] {
            if (++rows % kRowsPerRepaint == 0)
                QApplication::processEvents();
        };
        const QString referenceDatabase = s.DatabaseName;
        const QString secondDatabase = connectedDatabase_;
        const std::vector<TableStructure> reference = readTableStructures(*s.serverAdmin, referenceDatabase, keepRepainting);
        const std::vector<TableStructure> second =
            readTableStructures(*login_.CompareServerAdmin, secondDatabase, keepRepainting);

        const std::vector<TableComparison> outcomes = CompareTables(reference, second);
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            lstTables->addItem(outcomes[i].entry);
            if ((i + 1) % kLinesPerRepaint == 0)
                QApplication::processEvents();
        }
        lstTables->setCurrentRow(lstTables->count() - 1);
        result_ = compareResultText(outcomes);
        rtbResult->setPlainText(result_);
    } catch (const DbError& error) {
        SetStatus(kReady, false);
        setRunning(false);
        showError(this, QStringLiteral("Problems encountered while comparing databases!"), error.description());
        return;
    }
    SetStatus(kReady, false);
    setRunning(false);
}

void frmCompare::setRunning(bool running)
{
    running_ = running;
    cmdConnect->setEnabled(!running);
    cmdCompare->setEnabled(!running && CompareConnected);
}

bool frmCompare::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cboCONDatabase && event->type() == QEvent::FocusIn
        && userMovedTo(static_cast<QFocusEvent*>(event)->reason())) {
        cboCONDatabase_GotFocus();
    }
    return QWidget::eventFilter(watched, event);
}

void frmCompare::closeEvent(QCloseEvent* event)
{
    // The comparison runs inside this window's handler: the window stays until it ends.
    if (running_)
        event->ignore();
    else
        QWidget::closeEvent(event);
}

}  // namespace norvane
