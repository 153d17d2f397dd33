#pragma once
// A small ODBC client for tests that drive a norvane-sandbox through unixODBC and FreeTDS: one
// connection, batches run to the end with every result set and message collected.
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace odbc_test {

struct Diagnostic {
    std::string state;
    long native = 0;
    std::string text;
    std::chrono::milliseconds at{0}; // when the client saw it, from the start of the batch
};

struct BatchResult {
    bool succeeded = false;                                                    // no error reported
    std::vector<std::vector<std::vector<std::optional<std::string>>>> results; // result sets, rows, values
    std::vector<Diagnostic> diagnostics;
    // The first value of the first result set.
    std::optional<std::string> scalar() const;
    // The whole answer on one line: each result set as [a,b;c,d], each error as #NUMBER text.
    std::string render() const;
    std::string describe() const;
};

class OdbcClient {
public:
    OdbcClient();
    ~OdbcClient();
    OdbcClient(const OdbcClient&) = delete;
    OdbcClient& operator=(const OdbcClient&) = delete;

    bool open(int port, const std::string& user = "sa", const std::string& password = "",
              const std::string& database = "master", const std::string& extra = "");
    // The diagnostics of the last open, one "STATE NATIVE text" a line.
    const std::string& connectError() const { return connectError_; }
    std::string info(SQLUSMALLINT what) const;
    SQLHDBC dbc() const { return dbc_; }
    // Runs a batch and reads everything it sends back.
    BatchResult run(const std::string& sql);
    // Asks the server to stop the running batch (another thread may call this).
    void cancel() { SQLCancel(statement_); }
    // ODBC's manual-commit mode and SQLEndTran.
    bool setAutocommit(bool on);
    bool endTransaction(bool commit);

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT statement_ = SQL_NULL_HSTMT;
    bool connected_ = false;
    std::string connectError_;
};

// Runs work on a thread of its own and waits at most limit for it. On time out, stop() is called
// (it must make work return, for example by ending the server) before the thread is joined.
bool finishesWithin(std::chrono::milliseconds limit, const std::function<void()>& work,
                    const std::function<void()>& stop);

} // namespace odbc_test
