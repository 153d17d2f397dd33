#pragma once
// The connection dialog: a DSN, or a server and database, with a SQL login or integrated
// security; remembers the last inputs, opens the session's connection and logs the
// server-management object in.
#include "shell/data/connection_string.h"

#include <QDialog>
#include <QString>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace norvane {

class ServerAdmin;
class WindowRegistry;
struct SessionLogin;

// The dialog's own copy of what the user typed; the session takes it over only when Connect succeeds.
struct LoginInputs {
    QString userName;    // trimmed
    QString password;    // exactly as typed
    QString dsnName;     // trimmed
    QString serverName;  // trimmed
    QString databaseName;  // trimmed
    bool useWindowsAuth = false;
};

class frmLogin : public QDialog {
    Q_OBJECT
public:
    // windows: its after-connect actions run after every successful connection (may be null).
    explicit frmLogin(QWidget* owner = nullptr, const WindowRegistry* windows = nullptr);
    ~frmLogin() override;

    // Window load: fills the DSN and server lists and the saved inputs.
    void load();
    // Window unload: saves the inputs once a connection has succeeded in this run and hides;
    // the owner then deletes the instance.
    void unload();

    // Set when Connect succeeded, cleared when the first dialog was cancelled.
    bool LoginOK() const { return loginOK_; }

    void LoadInputs();
    void SaveInputs();
    // Reads the controls into the dialog's own inputs (never into the session).
    void ReadInputs();
    const LoginInputs& inputs() const { return inputs_; }
    bool ValidateInputs();
    void FillDatabases(QComboBox* combo);
    ConnectionMode currentMode() const;

    void cmdCONConnect_Click();
    void cmdSQLCancel_Click();

    // Controls, named as the dialog names them.
    std::array<QRadioButton*, 2> optCONMode{};
    QGroupBox* fraCONDSN = nullptr;
    QLabel* lblDSN = nullptr;
    QComboBox* cboCONDSN = nullptr;
    QGroupBox* fraCONServer = nullptr;
    QLabel* lblCONServerName = nullptr;
    QComboBox* cboCONServers = nullptr;
    QLabel* lblCONDatabase = nullptr;
    QComboBox* cboCONDatabase = nullptr;
    QGroupBox* fraCON = nullptr;
    QLabel* lblCONUserName = nullptr;
    QLineEdit* txtCONUserName = nullptr;
    QLabel* lblCONPassword = nullptr;
    QLineEdit* txtCONPassword = nullptr;
    QCheckBox* chkWindows = nullptr;
    QCheckBox* chkCONRemember = nullptr;
    QPushButton* cmdCONConnect = nullptr;
    QPushButton* cmdSQLCancel = nullptr;

    // How many times the database list has been fetched (each focus of the database box).
    int databaseFetches() const { return databaseFetches_; }

signals:
    // A connection succeeded while the program was already connected: every other window goes.
    void reconnected();

public slots:
    void reject() override;  // Escape and the window's close button act as Cancel

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Logs the new server-management object in; runs on a helper thread while the dialog waits.
    virtual void loginServerAdmin(ServerAdmin& admin, const SessionLogin& login);

private:
    void buildControls();
    void optCONMode_Click(int index);
    void chkWindows_Click();
    void cboCONDatabase_GotFocus();
    void connectSession();
    void failValidation(const QString& text, QWidget* focus);

    const WindowRegistry* windows_ = nullptr;
    LoginInputs inputs_;
    bool loginOK_ = false;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool databaseListFetched_ = false;
    QString loadedDatabase_;
    int databaseFetches_ = 0;
};

}  // namespace norvane
