#include "hardening_client.h"

#include <future>
#include <thread>

namespace hardening {

namespace {

std::vector<Diagnostic> diagnosticsOf(SQLSMALLINT type, SQLHANDLE handle)
{
    std::vector<Diagnostic> out;
    constexpr SQLSMALLINT maxRecords = 64;
    for (SQLSMALLINT i = 1; i <= maxRecords; ++i) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR text[2048] = {};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &length)))
            break;
        out.push_back({reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(text)});
    }
    return out;
}

// FreeTDS puts "[FreeTDS][SQL Server]" before the server's own text.
std::string serverText(const std::string& text)
{
    const std::string prefix = "[SQL Server]";
    const auto at = text.rfind(prefix);
    return at == std::string::npos ? text : text.substr(at + prefix.size());
}

std::optional<std::string> value(SQLHSTMT statement, SQLUSMALLINT column)
{
    std::string text;
    char buffer[4096];
    SQLLEN indicator = 0;
    constexpr int maxChunks = 1024;
    for (int chunk = 0; chunk < maxChunks; ++chunk) {
        const SQLRETURN rc = SQLGetData(statement, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc))
            return "<error>";
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        text += buffer;
        if (rc == SQL_SUCCESS)
            break;
    }
    return text;
}

}  // namespace

std::optional<std::string> BatchResult::scalar() const
{
    if (results.empty() || results[0].empty() || results[0][0].empty())
        return std::nullopt;
    return results[0][0][0];
}

bool BatchResult::hasError(long native, const std::string& text) const
{
    for (const auto& d : diagnostics)
        if (d.native == native && serverText(d.text) == text)
            return true;
    return false;
}

bool BatchResult::hasError(long native) const
{
    for (const auto& d : diagnostics)
        if (d.native == native)
            return true;
    return false;
}

std::string BatchResult::describe() const
{
    std::string s = succeeded ? "succeeded\n" : "failed\n";
    for (const auto& d : diagnostics)
        s += d.state + " " + std::to_string(d.native) + " " + d.text + "\n";
    return s;
}

OdbcClient::OdbcClient()
{
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
}

OdbcClient::~OdbcClient()
{
    if (statement_ != SQL_NULL_HSTMT)
        SQLFreeHandle(SQL_HANDLE_STMT, statement_);
    if (connected_)
        SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

bool OdbcClient::open(int port, const std::string& database)
{
    std::string text = "Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(port) +
                       ";UID=sa;PWD=;Database=" + database + ";ClientCharset=UTF-8";
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, out,
                                          sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    connected_ = SQL_SUCCEEDED(rc);
    if (!connected_) {
        for (const auto& d : diagnosticsOf(SQL_HANDLE_DBC, dbc_))
            connectError_ += d.state + " " + d.text + "\n";
        return false;
    }
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement_);
    return true;
}

BatchResult OdbcClient::run(const std::string& sql)
{
    BatchResult result;
    if (!connected_)
        return result;
    SQLFreeStmt(statement_, SQL_CLOSE);
    SQLRETURN rc = SQLExecDirect(statement_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                                 static_cast<SQLINTEGER>(sql.size()));
    result.succeeded = rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA;
    // Every result set and every DONE in turn; bounded so a misbehaving server cannot keep the loop going.
    constexpr int maxResults = 10000;
    constexpr int maxRows = 1000000;
    for (int step = 0; step < maxResults; ++step) {
        if (rc == SQL_ERROR || rc == SQL_SUCCESS_WITH_INFO) {
            const auto more = diagnosticsOf(SQL_HANDLE_STMT, statement_);
            result.diagnostics.insert(result.diagnostics.end(), more.begin(), more.end());
            if (rc == SQL_ERROR)
                result.succeeded = false;
        }
        if (rc == SQL_INVALID_HANDLE || (rc == SQL_ERROR && step == 0 && result.diagnostics.empty()))
            break;
        SQLSMALLINT columns = 0;
        if (SQL_SUCCEEDED(rc) && SQL_SUCCEEDED(SQLNumResultCols(statement_, &columns)) && columns > 0) {
            auto& rows = result.results.emplace_back();
            for (int r = 0; r < maxRows; ++r) {
                const SQLRETURN fetched = SQLFetch(statement_);
                if (fetched == SQL_NO_DATA)
                    break;
                if (!SQL_SUCCEEDED(fetched)) {
                    const auto more = diagnosticsOf(SQL_HANDLE_STMT, statement_);
                    result.diagnostics.insert(result.diagnostics.end(), more.begin(), more.end());
                    result.succeeded = false;
                    break;
                }
                auto& row = rows.emplace_back();
                for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c)
                    row.push_back(value(statement_, c));
            }
        }
        rc = SQLMoreResults(statement_);
        if (rc == SQL_NO_DATA)
            break;
    }
    return result;
}

bool OdbcClient::setAutocommit(bool on)
{
    return SQL_SUCCEEDED(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0));
}

bool OdbcClient::endTransaction(bool commit)
{
    SQLFreeStmt(statement_, SQL_CLOSE);
    return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, commit ? SQL_COMMIT : SQL_ROLLBACK));
}

void OdbcClient::cancel()
{
    if (statement_ != SQL_NULL_HSTMT)
        SQLCancel(statement_);
}

bool finishesWithin(std::chrono::milliseconds limit, const std::function<void()>& work, const std::function<void()>& stop)
{
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread thread(std::move(task));
    const bool inTime = done.wait_for(limit) == std::future_status::ready;
    if (!inTime)
        stop();
    thread.join();
    return inTime;
}

}  // namespace hardening
