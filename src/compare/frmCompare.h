#pragma once
// The compare window: logs in to a second server and compares the tables and
// columns of the session's database with those of a database there.
#include "shell/data/server_admin.h"

#include <QString>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;

namespace norvane {

// The second login, as the window's routines read and use it.
struct CompareLogin {
    QString CompareServerName;
    QString CompareDatabaseName;
    QString CompareUserName;
    QString ComparePassword;
    QString CompareConnectionString;
    std::unique_ptr<ServerAdmin> CompareServerAdmin;  // logged in by Connect
};

class frmCompare : public QWidget {
    Q_OBJECT
public:
    // Builds and loads the window: fills the server list.
    explicit frmCompare(QWidget* parent = nullptr);
    ~frmCompare() override;

    const CompareLogin& login() const { return login_; }
    bool compareConnected() const { return CompareConnected; }
    // The result text exactly as built: each line preceded by CR LF.
    const QString& resultText() const { return result_; }

    QGroupBox* fraCON;
    QLabel* lblCONServerName;
    QComboBox* cboCONServers;
    QLabel* lblCONDatabase;
    QComboBox* cboCONDatabase;
    QLabel* lblCONUserName;
    QLineEdit* txtCONUserName;
    QLabel* lblCONPassword;
    QLineEdit* txtCONPassword;
    QCheckBox* chkWindows;
    QPushButton* cmdConnect;
    QPushButton* cmdCompare;
    QListWidget* lstTables;
    QTextEdit* rtbResult;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void ReadCompareInputs();
    bool ValidateCompareInputs();
    void FillCompareDatabases(QComboBox* combo);
    QString buildCompareConnectionString() const;
    void cboCONDatabase_GotFocus();
    void cmdConnect_Click();
    void cmdCompare_Click();
    void setRunning(bool running);

    CompareLogin login_;
    bool CompareConnected = false;
    bool running_ = false;  // a comparison is under way: Compare, Connect and the database list wait
    // The second database named at the last successful Connect: reading the
    // database list switches the login state to master, never the comparison.
    QString connectedDatabase_;
    QString result_;
};

}  // namespace norvane
