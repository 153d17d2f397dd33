#pragma once
// A small ODBC client for tests that drive a norvane-sandbox process through unixODBC and FreeTDS:
// one connection, batches run to the end with every result set and message collected.
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hardening {

struct Diagnostic {
    std::string state;
    long native = 0;
    std::string text;
};

struct BatchResult {
    bool succeeded = false;  // the batch reported no error
    std::vector<std::vector<std::vector<std::optional<std::string>>>> results;  // result sets, rows, values
    std::vector<Diagnostic> diagnostics;
    // The first value of the first result set, if there is one.
    std::optional<std::string> scalar() const;
    bool hasError(long native, const std::string& text) const;
    bool hasError(long native) const;
    std::string describe() const;
};

class OdbcClient {
public:
    OdbcClient();
    ~OdbcClient();
    OdbcClient(const OdbcClient&) = delete;
    OdbcClient& operator=(const OdbcClient&) = delete;

    bool open(int port, const std::string& database = "master");
    bool connected() const { return connected_; }
    std::string connectError() const { return connectError_; }
    // Runs a batch and reads everything it sends back.
    BatchResult run(const std::string& sql);
    // Asks the server to stop the running batch (another thread may call this).
    void cancel();
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
// Returns true when work finished within limit.
bool finishesWithin(std::chrono::milliseconds limit, const std::function<void()>& work, const std::function<void()>& stop);

}  // namespace hardening
