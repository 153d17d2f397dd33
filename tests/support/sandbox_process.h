#pragma once
// Test fixture: a norvane-sandbox child process on a free loopback port with a
// fresh data directory, stopped by its pid when the object goes away.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <sys/types.h>

namespace norvane::test {

class SandboxProcess {
public:
    struct Options {
        bool sample = false;   // load the Harbor sample databases
        QStringList logins;    // NAME:PASSWORD; empty means sa with an empty password
        int browserPort = 0;   // 0: no SQL Browser answer
        QString dataDirectory; // empty: a fresh temporary directory
        int workDelayMs = 0;   // BACKUP / RESTORE pause this long after each percent (0: none)
        int logoutDelayMs = 0; // a session stays listed this long after its client has gone
    };

    explicit SandboxProcess(Options options);
    SandboxProcess() : SandboxProcess(Options{}) {}
    ~SandboxProcess();
    SandboxProcess(const SandboxProcess&) = delete;
    SandboxProcess& operator=(const SandboxProcess&) = delete;

    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    const QString& dataDirectory() const { return dataDirectory_; }
    bool running() const { return pid_ > 0; }

    // Stops with SIGTERM (SIGKILL after 10 s); returns the exit status as waitpid gives it.
    int stop();
    // Starts again on the same data directory (a new port).
    void restart();

    // "127.0.0.1,PORT", the Data Source text the program would be given.
    QString dataSource() const;
    // The program's SQL-login form for this sandbox.
    QString connectionString(const QString& database = "master", const QString& user = "sa",
                             const QString& password = "") const;

private:
    void start();

    Options options_;
    std::unique_ptr<QTemporaryDir> ownDirectory_;
    QString dataDirectory_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// One sandbox with the sample loaded, shared by all tests of a test program and stopped at its exit.
SandboxProcess& sharedSampleSandbox();

// Points unixODBC at private odbcinst.ini / odbc.ini files in a temporary directory (ODBCSYSINI,
// ODBCINI) and removes TDSVER, TDSPORT, TDSHOST and TDSQUERY, which would override connection
// strings. Call before the first ODBC call of the process; later calls rewrite the files.
class PrivateOdbcConfig {
public:
    // The drivers "FreeTDS" and "SQLite3" with absolute library paths.
    static PrivateOdbcConfig& instance();
    // Replaces the system odbc.ini (systemDsns) and the user file (userDsns), both INI texts.
    void writeDataSources(const QString& systemDsns, const QString& userDsns = QString());
    QString directory() const { return directory_.path(); }

private:
    PrivateOdbcConfig();
    QTemporaryDir directory_;
};

} // namespace norvane::test
