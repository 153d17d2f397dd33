#pragma once
// One database connection over ODBC.
#include "shell/data/db_error.h"
#include "shell/data/recordset.h"

#include <QString>

#include <functional>
#include <memory>

namespace norvane {

class ConnectionCore;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Connection(Connection&&) noexcept;
    Connection& operator=(Connection&&) noexcept;

    // Opens with a connection string alone: the program's DSN form, its
    // "Provider=SQLOLEDB.1;..." forms (translated for FreeTDS) or a plain ODBC string.
    // Throws DbError. Opening an open connection closes it first.
    void open(const QString& connectionString);
    bool isOpen() const;
    // Closing a closed connection is an error (DbError).
    void close();

    // "Server Name" and "Current Catalog", read from the server when asked
    // (SELECT @@SERVERNAME, DB_NAME(); the driver's answer where the server has no such query).
    QString property(const QString& name) const;
    QString serverName() const;
    QString currentCatalog() const;

    // Runs a statement or batch; the result streams forward-only.
    Recordset execute(const QString& sql);
    // Runs a query whose row count should be known before its first row: counts first
    // (SELECT COUNT_BIG(*) over the query), then streams. Where the server refuses the count
    // query, the record count stays -1 until EOF.
    Recordset openCounted(const QString& sql);
    // Runs a batch to its end, discarding rows; returns the last row count reported, or -1.
    qint64 executeCommand(const QString& sql);

    // Informational messages of every statement on this connection, as they arrive.
    void setMessageHandler(MessageHandler handler);
    // The count of rows each statement of a batch reports (INSERT, UPDATE, DELETE, ...),
    // handed over as that statement's result is reached.
    void setRowCountHandler(std::function<void(qint64)> handler);
    // Seconds before a login attempt gives up (default 15) and before a statement is cancelled (0 = never).
    void setLoginTimeout(int seconds);
    void setQueryTimeout(int seconds);
    // Asks the server to stop the running statement; safe to call from another thread. The
    // request goes only while the statement's call waits on the server, so a caller asks again
    // until its call ends and stops reading rows of its own accord. True when it was sent.
    bool cancel();
    // Gives up on a connection whose statement does not come back (a stalled server): this object
    // is closed at once; the thread still waiting in the driver logs it off when the call returns.
    void abandon();

private:
    std::shared_ptr<ConnectionCore> core_;
};

}  // namespace norvane
