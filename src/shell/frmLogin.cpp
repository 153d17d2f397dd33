#include "shell/frmLogin.h"

#include "shell/data/data_sources.h"
#include "shell/data/server_discovery.h"
#include "shell/login_settings.h"
#include "shell/prompts.h"
#include "shell/responsive_call.h"
#include "shell/session.h"
#include "shell/session_login.h"
#include "shell/window_registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <optional>

namespace norvane {

namespace {

constexpr char kCaption[] = "Norvane : Connection";
constexpr char kConnectFailed[] = "Problems encountered while connecting!";
constexpr char kDatabasesFailed[] = "Databases cannot be populated!";
constexpr char kUserNameMissing[] = "User Name must be entered!";
constexpr char kDsnMissing[] = "DSN must be selected!";
constexpr char kServerMissing[] = "Server name must be entered!";
constexpr char kDatabaseMissing[] = "Database must be selected!";
constexpr char kDatabaseListQuery[] = "Select Name From SysDatabases";

// The busy pointer for the life of a step; the normal pointer comes back on every way out.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

void selectEntry(QComboBox* combo, const QString& text)
{
    // Exact and case-sensitive, as the saved names are compared with the lists.
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i) == text) {
            combo->setCurrentIndex(i);
            return;
        }
    }
}

}  // namespace

frmLogin::frmLogin(QWidget* owner, const WindowRegistry* windows) : QDialog(owner), windows_(windows)
{
    setObjectName("frmLogin");
    setWindowTitle(kCaption);
    setModal(true);
    buildControls();
}

frmLogin::~frmLogin() = default;

void frmLogin::buildControls()
{
    auto* layout = new QVBoxLayout(this);

    auto* modeRow = new QHBoxLayout;
    optCONMode[0] = new QRadioButton("Use &DSN", this);
    optCONMode[0]->setObjectName("optCONMode0");
    optCONMode[0]->setToolTip("Click to use DSN");
    optCONMode[1] = new QRadioButton("Specify &Server", this);
    optCONMode[1]->setObjectName("optCONMode1");
    optCONMode[1]->setToolTip("Click to specify a server");
    modeRow->addWidget(optCONMode[0]);
    modeRow->addWidget(optCONMode[1]);
    layout->addLayout(modeRow);

    fraCON = new QGroupBox(this);
    fraCON->setObjectName("fraCON");
    auto* inputs = new QVBoxLayout(fraCON);

    fraCONDSN = new QGroupBox(fraCON);
    fraCONDSN->setObjectName("fraCONDSN");
    auto* dsnGrid = new QGridLayout(fraCONDSN);
    lblDSN = new QLabel("DS&N:", fraCONDSN);
    lblDSN->setObjectName("lblDSN");
    cboCONDSN = new QComboBox(fraCONDSN);
    cboCONDSN->setObjectName("cboCONDSN");
    cboCONDSN->setToolTip("Select a DSN");
    lblDSN->setBuddy(cboCONDSN);
    dsnGrid->addWidget(lblDSN, 0, 0);
    dsnGrid->addWidget(cboCONDSN, 0, 1);
    inputs->addWidget(fraCONDSN);

    fraCONServer = new QGroupBox(fraCON);
    fraCONServer->setObjectName("fraCONServer");
    auto* serverGrid = new QGridLayout(fraCONServer);
    lblCONServerName = new QLabel("Se&rver:", fraCONServer);
    lblCONServerName->setObjectName("lblCONServerName");
    cboCONServers = new QComboBox(fraCONServer);
    cboCONServers->setObjectName("cboCONServers");
    cboCONServers->setEditable(true);
    cboCONServers->setInsertPolicy(QComboBox::NoInsert);
    lblCONServerName->setBuddy(cboCONServers);
    lblCONDatabase = new QLabel("Data&base:", fraCONServer);
    lblCONDatabase->setObjectName("lblCONDatabase");
    cboCONDatabase = new QComboBox(fraCONServer);
    cboCONDatabase->setObjectName("cboCONDatabase");
    cboCONDatabase->setToolTip("Database Name");
    cboCONDatabase->setEditable(true);
    cboCONDatabase->setInsertPolicy(QComboBox::NoInsert);
    lblCONDatabase->setBuddy(cboCONDatabase);
    serverGrid->addWidget(lblCONServerName, 0, 0);
    serverGrid->addWidget(cboCONServers, 0, 1);
    serverGrid->addWidget(lblCONDatabase, 1, 0);
    serverGrid->addWidget(cboCONDatabase, 1, 1);
    inputs->addWidget(fraCONServer);

    auto* loginGrid = new QGridLayout;
    lblCONUserName = new QLabel("&User Name:", fraCON);
    lblCONUserName->setObjectName("lblCONUserName");
    txtCONUserName = new QLineEdit(fraCON);
    txtCONUserName->setObjectName("txtCONUserName");
    txtCONUserName->setToolTip("Enter User Name");
    lblCONUserName->setBuddy(txtCONUserName);
    lblCONPassword = new QLabel("&Password:", fraCON);
    lblCONPassword->setObjectName("lblCONPassword");
    txtCONPassword = new QLineEdit(fraCON);
    txtCONPassword->setObjectName("txtCONPassword");
    txtCONPassword->setToolTip("Enter Password");
    txtCONPassword->setEchoMode(QLineEdit::Password);
    txtCONPassword->setStyleSheet("lineedit-password-character: 42;");  // shown masked with "*"
    lblCONPassword->setBuddy(txtCONPassword);
    loginGrid->addWidget(lblCONUserName, 0, 0);
    loginGrid->addWidget(txtCONUserName, 0, 1);
    loginGrid->addWidget(lblCONPassword, 1, 0);
    loginGrid->addWidget(txtCONPassword, 1, 1);
    inputs->addLayout(loginGrid);

    chkWindows = new QCheckBox("Windows Authentication", fraCON);
    chkWindows->setObjectName("chkWindows");
    chkWindows->setChecked(false);
    chkCONRemember = new QCheckBox("&Remember Password", fraCON);
    chkCONRemember->setObjectName("chkCONRemember");
    inputs->addWidget(chkWindows);
    inputs->addWidget(chkCONRemember);
    layout->addWidget(fraCON);

    auto* buttons = new QHBoxLayout;
    cmdCONConnect = new QPushButton("&Connect", this);
    cmdCONConnect->setObjectName("cmdCONConnect");
    cmdCONConnect->setToolTip("Click to connect to the data source");
    cmdCONConnect->setDefault(true);   // Enter
    cmdCONConnect->setAutoDefault(true);
    cmdSQLCancel = new QPushButton("C&ancel", this);
    cmdSQLCancel->setObjectName("cmdSQLCancel");
    cmdSQLCancel->setAutoDefault(false);  // Escape reaches it through reject()
    buttons->addStretch();
    buttons->addWidget(cmdCONConnect);
    buttons->addWidget(cmdSQLCancel);
    layout->addLayout(buttons);

    // Neither frame shows until a mode is chosen.
    fraCONDSN->setVisible(false);
    fraCONServer->setVisible(false);

    connect(optCONMode[0], &QRadioButton::toggled, this, [this](bool on) { if (on) optCONMode_Click(0); });
    connect(optCONMode[1], &QRadioButton::toggled, this, [this](bool on) { if (on) optCONMode_Click(1); });
    connect(chkWindows, &QCheckBox::toggled, this, [this] { chkWindows_Click(); });
    connect(cmdCONConnect, &QPushButton::clicked, this, [this] { cmdCONConnect_Click(); });
    connect(cmdSQLCancel, &QPushButton::clicked, this, [this] { cmdSQLCancel_Click(); });

    txtCONUserName->installEventFilter(this);
    txtCONPassword->installEventFilter(this);
    cboCONDatabase->installEventFilter(this);
}

void frmLogin::load()
{
    if (loaded_)
        return;
    loaded_ = true;
    QStringList dsnNames;
    ListDataSources(&dsnNames, nullptr);
    cboCONDSN->addItems(dsnNames);
    cboCONDSN->setCurrentIndex(-1);
    cboCONServers->addItems(ListServers());
    cboCONServers->setCurrentIndex(-1);  // the list offers; the saved server (below) is the text

    const QString dsn = readLoginSetting(LoginKeys::Dsn, LoginDefaults::Dsn);
    if (!dsn.isEmpty())
        selectEntry(cboCONDSN, dsn);
    const QString server = readLoginSetting(LoginKeys::Server, LoginDefaults::Server);
    if (!server.isEmpty())
        cboCONServers->setEditText(server);
    loadedDatabase_ = readLoginSetting(LoginKeys::Database, LoginDefaults::Database);
    LoadInputs();
}

void frmLogin::unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    if (session().EverConnected)
        SaveInputs();
    hide();
}

void frmLogin::LoadInputs()
{
    txtCONUserName->setText(readLoginSetting(LoginKeys::UserName, LoginDefaults::UserName));
    txtCONUserName->setCursorPosition(0);
    txtCONPassword->setText(ScrambleText(readLoginSetting(LoginKeys::Password, LoginDefaults::Password)));
    txtCONPassword->setCursorPosition(0);
    const bool rememberDefault = parseRememberFlag(LoginDefaults::Remember, false);
    chkCONRemember->setChecked(
        parseRememberFlag(readLoginSetting(LoginKeys::Remember, LoginDefaults::Remember), rememberDefault));

    const bool modeDsnDefault = parseModeFlag(LoginDefaults::ModeDsn, true);
    const bool modeServerDefault = parseModeFlag(LoginDefaults::ModeServer, false);
    const bool modeDsn = parseModeFlag(readLoginSetting(LoginKeys::ModeDsn, LoginDefaults::ModeDsn), modeDsnDefault);
    const bool modeServer =
        parseModeFlag(readLoginSetting(LoginKeys::ModeServer, LoginDefaults::ModeServer), modeServerDefault);
    // Set in the saved order, so the later one wins when both are set; neither set means the default mode.
    if (modeDsn)
        optCONMode[0]->setChecked(true);
    if (modeServer)
        optCONMode[1]->setChecked(true);
    if (!modeDsn && !modeServer)
        optCONMode[modeDsnDefault ? 0 : 1]->setChecked(true);
}

void frmLogin::SaveInputs()
{
    SavedLoginInputs inputs;
    inputs.userName = txtCONUserName->text().trimmed();
    inputs.password = txtCONPassword->text();  // a password keeps its blanks
    inputs.remember = chkCONRemember->isChecked();
    inputs.dsn = cboCONDSN->currentText().trimmed();
    inputs.server = cboCONServers->currentText().trimmed();
    // A database box that was never entered holds nothing: the remembered name is kept rather
    // than replaced by an empty one.
    inputs.database = cboCONDatabase->currentText().trimmed();
    if (inputs.database.isEmpty() && !databaseListFetched_)
        inputs.database = loadedDatabase_;
    inputs.modeDsn = optCONMode[0]->isChecked();
    inputs.modeServer = optCONMode[1]->isChecked();
    writeLoginSettings(inputs);
}

void frmLogin::ReadInputs()
{
    inputs_.userName = txtCONUserName->text().trimmed();
    inputs_.password = txtCONPassword->text();  // a password keeps its blanks
    inputs_.dsnName = cboCONDSN->currentText().trimmed();
    inputs_.serverName = cboCONServers->currentText().trimmed();
    inputs_.databaseName = cboCONDatabase->currentText().trimmed();
}

void frmLogin::failValidation(const QString& text, QWidget* focus)
{
    showMessage(this, QMessageBox::Information, text);
    if (focus->isEnabled())
        focus->setFocus(Qt::OtherFocusReason);
}

bool frmLogin::ValidateInputs()
{
    const LoginInputs& s = inputs_;
    const bool dsnMode = optCONMode[0]->isChecked();
    const bool serverMode = optCONMode[1]->isChecked();
    if (s.userName.isEmpty()) {
        failValidation(kUserNameMissing, txtCONUserName);
        return false;
    }
    if (dsnMode && s.dsnName.isEmpty()) {
        failValidation(kDsnMissing, cboCONDSN);
        return false;
    }
    if (serverMode && s.serverName.isEmpty()) {
        failValidation(kServerMissing, cboCONServers);
        return false;
    }
    if (serverMode && s.databaseName.isEmpty()) {
        failValidation(kDatabaseMissing, cboCONDatabase);
        return false;
    }
    return true;
}

ConnectionMode frmLogin::currentMode() const
{
    if (optCONMode[0]->isChecked())
        return ConnectionMode::Dsn;
    return inputs_.useWindowsAuth ? ConnectionMode::ServerIntegrated : ConnectionMode::ServerSqlLogin;
}

namespace {
ConnectionInputs connectionInputs(const LoginInputs& inputs)
{
    return ConnectionInputs{inputs.dsnName, inputs.userName, inputs.password, inputs.serverName, inputs.databaseName};
}
}  // namespace

void frmLogin::FillDatabases(QComboBox* combo)
{
    // A temporary connection to master, composed from the dialog's inputs; the session stays as it is.
    LoginInputs master = inputs_;
    master.databaseName = QStringLiteral("Master");
    const QString connectionString = BuildConnectionString(
        master.useWindowsAuth ? ConnectionMode::ServerIntegrated : ConnectionMode::ServerSqlLogin,
        connectionInputs(master));
    const int loginSeconds = session().loginTimeoutSeconds;
    const int querySeconds = session().queryTimeoutSeconds;
    auto names = std::make_shared<QStringList>();
    ResponsiveCall call;
    call.timeoutSeconds = loginSeconds + querySeconds;
    call.timeoutText = QStringLiteral("The server did not answer within %1 seconds.").arg(call.timeoutSeconds);
    runResponsive([names, connectionString, loginSeconds, querySeconds] {
        Connection temporary;
        temporary.setLoginTimeout(loginSeconds);
        temporary.setQueryTimeout(querySeconds);
        temporary.open(connectionString);
        Recordset rows = temporary.execute(kDatabaseListQuery);
        for (; !rows.eof(); rows.moveNext())
            names->append(rows.field("Name").text());
        rows.close();
        temporary.close();
    }, call);
    combo->clear();
    combo->addItems(*names);
    combo->setCurrentIndex(-1);  // filled, nothing chosen yet
    databaseListFetched_ = true;
}

void frmLogin::cboCONDatabase_GotFocus()
{
    ++databaseFetches_;
    ReadInputs();
    try {
        BusyPointer busy;
        FillDatabases(cboCONDatabase);
    } catch (const DbError& error) {
        showError(this, kDatabasesFailed, error.description());
        return;
    }
    const QString database = readLoginSetting(LoginKeys::Database, LoginDefaults::Database);
    if (!database.isEmpty())
        selectEntry(cboCONDatabase, database);
}

void frmLogin::optCONMode_Click(int index)
{
    if (index == 0) {
        fraCONDSN->setVisible(true);
        fraCONServer->setVisible(false);
    } else if (index == 1) {
        fraCONDSN->setVisible(false);
        fraCONServer->setVisible(true);
    }
}

void frmLogin::chkWindows_Click()
{
    const bool integrated = chkWindows->isChecked();
    inputs_.useWindowsAuth = integrated;
    txtCONUserName->setEnabled(!integrated);
    txtCONPassword->setEnabled(!integrated);
}

void frmLogin::cmdCONConnect_Click()
{
    auto busy = std::make_optional<BusyPointer>();
    ReadInputs();
    if (!ValidateInputs())
        return;
    try {
        connectSession();
    } catch (const DbError& error) {
        busy.reset();  // the normal pointer over the message
        showError(this, kConnectFailed, error.description());
        return;
    }
    busy.reset();
    loginOK_ = true;
    done(Accepted);  // hides the dialog
    Session& s = session();
    const bool reconnection = s.EverConnected;
    s.EverConnected = true;
    s.Connected = true;
    if (reconnection)
        emit reconnected();
}

void frmLogin::connectSession()
{
    const ConnectionMode mode = currentMode();
    SessionLogin login;
    login.connectionString = BuildConnectionString(mode, connectionInputs(inputs_));
    // Where the server-management object logs in: the address that reached the server.
    // The server's own name need not resolve on this machine; where nothing else is known, it is used.
    login.adminTarget = mode == ConnectionMode::Dsn ? dsnServerAddress(inputs_.dsnName) : inputs_.serverName;
    login.integrated = inputs_.useWindowsAuth;
    login.userName = inputs_.userName;
    login.password = inputs_.password;

    // Both are opened before anything of the session changes, so a failure leaves it as it was.
    std::unique_ptr<LoggedIn> fresh = logInResponsive(login, [this](ServerAdmin& admin, const SessionLogin& inputs) {
        loginServerAdmin(admin, inputs);
    });

    Session& s = session();
    s.ServerName = fresh->serverName;
    s.DatabaseName = fresh->databaseName;
    adoptLogin(std::move(*fresh));
    s.ConnectionString = login.connectionString;
    s.UserName = inputs_.userName;
    s.Password = inputs_.password;
    s.DsnName = inputs_.dsnName;
    s.UseWindowsAuth = inputs_.useWindowsAuth;

    if (windows_)
        windows_->runAfterConnect();
}

void frmLogin::loginServerAdmin(ServerAdmin& admin, const SessionLogin& login)
{
    defaultAdminLogin(admin, login);
}

void frmLogin::cmdSQLCancel_Click()
{
    if (!session().EverConnected)
        loginOK_ = false;
    hide();
    done(Rejected);
}

void frmLogin::reject()
{
    cmdSQLCancel_Click();
}

bool frmLogin::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Focus that comes back after a message box or a list popup is not a new visit.
        const bool visit = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        if (watched == txtCONUserName || watched == txtCONPassword) {
            auto* box = static_cast<QLineEdit*>(watched);
            box->setSelection(box->cursorPosition(), static_cast<int>(box->text().size()));
        } else if (watched == cboCONDatabase && visit) {
            cboCONDatabase_GotFocus();
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace norvane
