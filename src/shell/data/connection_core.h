#pragma once
// What a Connection shares with its record sets: the ODBC handles, the message
// handler and the statements still open, so closing the connection frees them first.
#include "shell/data/db_error.h"
#include "shell/data/odbc_handles.h"

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <vector>

namespace norvane {

class Recordset;

struct Diagnostic {
    int nativeError = 0;
    QString sqlState;
    QString text;
    bool informational() const { return sqlState.startsWith(QLatin1String("01")); }
};

// Reads every diagnostic record of a handle.
std::vector<Diagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);
// A DbError from the first error record (or a generic one when there is none).
DbError errorFrom(const std::vector<Diagnostic>& diagnostics, const QString& fallback);

class ConnectionCore {
public:
    ConnectionCore() = default;
    // A core its connection gave up on (Connection::abandon) is logged off by whoever drops it last.
    ~ConnectionCore();
    ConnectionCore(const ConnectionCore&) = delete;
    ConnectionCore& operator=(const ConnectionCore&) = delete;

    EnvironmentHandle environment;
    ConnectionHandle connection;
    MessageHandler messageHandler;
    std::function<void(qint64)> rowCountHandler;
    int queryTimeoutSeconds = 0;
    int loginTimeoutSeconds = 15;
    bool open = false;

    // Hands informational records to the handler; returns the first error record's error, if any.
    void deliver(const std::vector<Diagnostic>& diagnostics) const;
    // Checks an ODBC return code of a statement call: messages delivered, errors thrown. Where the
    // statement knows no cause of its own, the connection's diagnostics give it.
    void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const QString& what) const;

    void registerRecordset(Recordset* recordset);
    void unregisterRecordset(Recordset* recordset);
    void replaceRecordset(Recordset* from, Recordset* to);
    // Frees every open statement, then disconnects.
    void disconnect();

    // The statement whose blocking call runs now on the calling thread (or none).
    void setRunningStatement(SQLHANDLE statement);
    // Asks the driver to stop the running call, from another thread. FreeTDS takes such a cancel
    // safely only while the call waits on the server: sent while the call reads a packet, it can
    // leave the call waiting forever or the link broken. So the cancel goes only to a call that
    // has waited on the server for a while; callers ask again until their call ends, and stop
    // reading rows of their own accord. Returns true when it was sent.
    bool cancelRunningStatement();

private:
    std::set<Recordset*> recordsets_;
    std::mutex runningMutex_;
    SQLHANDLE running_ = SQL_NULL_HANDLE;
    pid_t runningThread_ = 0;
    std::chrono::steady_clock::time_point runningSince_;
};

// Marks a statement as the running one for the duration of a blocking call, for cancel().
class RunningStatement {
public:
    RunningStatement(ConnectionCore& core, SQLHANDLE statement) : core_(core) { core_.setRunningStatement(statement); }
    ~RunningStatement() { core_.setRunningStatement(SQL_NULL_HANDLE); }
    RunningStatement(const RunningStatement&) = delete;
    RunningStatement& operator=(const RunningStatement&) = delete;

private:
    ConnectionCore& core_;
};

}  // namespace norvane
