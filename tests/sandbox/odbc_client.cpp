#include "odbc_client.h"

#include <future>
#include <thread>

namespace odbc_test {

namespace {

std::vector<Diagnostic> diagnosticsOf(SQLSMALLINT type, SQLHANDLE handle, std::chrono::milliseconds at = {})
{
    std::vector<Diagnostic> out;
    for (SQLSMALLINT i = 1; i <= 64; ++i) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR text[2048] = {};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &length)))
            break;
        out.push_back({reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(text), at});
    }
    return out;
}

std::optional<std::string> value(SQLHSTMT statement, SQLUSMALLINT column)
{
    std::string text;
    char buffer[4096];
    SQLLEN indicator = 0;
    for (int chunk = 0; chunk < 1024; ++chunk) {
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

} // namespace

std::optional<std::string> BatchResult::scalar() const
{
    if (results.empty() || results[0].empty() || results[0][0].empty())
        return std::nullopt;
    return results[0][0][0];
}

std::string BatchResult::render() const
{
    std::string out;
    for (const auto& rows : results) {
        out += out.empty() ? "[" : " [";
        for (std::size_t r = 0; r < rows.size(); ++r)
            for (std::size_t c = 0; c < rows[r].size(); ++c)
                out += (c ? "," : r ? ";" : "") + rows[r][c].value_or("NULL");
        out += "]";
    }
    for (const auto& d : diagnostics) {
        if (d.state == "01000")
            continue;                                 // PRINT and other informational messages
        const auto at = d.text.rfind("[SQL Server]"); // FreeTDS's prefix before the server's own text
        out += (out.empty() ? "#" : " #") + std::to_string(d.native) + " " +
               (at == std::string::npos ? d.text : d.text.substr(at + 12));
    }
    return out.empty() && !succeeded ? "failed" : out;
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

bool OdbcClient::open(int port, const std::string& user, const std::string& password, const std::string& database,
                      const std::string& extra)
{
    std::string text = "Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(port) + ";UID=" + user + ";PWD={" +
                       password + "};Database=" + database + ";ClientCharset=UTF-8" + extra;
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    connected_ = SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, out,
                                                sizeof out, &outLength, SQL_DRIVER_NOPROMPT));
    connectError_.clear();
    for (const auto& d : diagnosticsOf(SQL_HANDLE_DBC, dbc_))
        connectError_ += d.state + " " + std::to_string(d.native) + " " + d.text + "\n";
    if (connected_)
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement_);
    return connected_;
}

std::string OdbcClient::info(SQLUSMALLINT what) const
{
    char buffer[256] = {};
    SQLSMALLINT length = 0;
    SQLGetInfo(dbc_, what, buffer, sizeof buffer, &length);
    return buffer;
}

BatchResult OdbcClient::run(const std::string& sql)
{
    BatchResult result;
    if (!connected_)
        return result;
    SQLFreeStmt(statement_, SQL_CLOSE);
    const auto start = std::chrono::steady_clock::now();
    SQLRETURN rc = SQLExecDirect(statement_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                                 static_cast<SQLINTEGER>(sql.size()));
    result.succeeded = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
    // Every result set and every DONE in turn; bounded so a misbehaving server cannot keep the loop going.
    for (int step = 0; step < 10000 && rc != SQL_NO_DATA && rc != SQL_INVALID_HANDLE; ++step) {
        const auto at = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (rc == SQL_ERROR || rc == SQL_SUCCESS_WITH_INFO) {
            const auto more = diagnosticsOf(SQL_HANDLE_STMT, statement_, at);
            result.diagnostics.insert(result.diagnostics.end(), more.begin(), more.end());
            result.succeeded = result.succeeded && rc != SQL_ERROR;
            if (rc == SQL_ERROR && step == 0 && more.empty())
                break;
        }
        SQLSMALLINT columns = 0;
        if (SQL_SUCCEEDED(rc) && SQL_SUCCEEDED(SQLNumResultCols(statement_, &columns)) && columns > 0) {
            auto& rows = result.results.emplace_back();
            for (SQLRETURN fetched = SQLFetch(statement_); fetched != SQL_NO_DATA; fetched = SQLFetch(statement_)) {
                if (!SQL_SUCCEEDED(fetched)) {
                    const auto more = diagnosticsOf(SQL_HANDLE_STMT, statement_, at);
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
    }
    return result;
}

bool OdbcClient::setAutocommit(bool on)
{
    const auto mode = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
    return SQL_SUCCEEDED(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(mode), 0));
}

bool OdbcClient::endTransaction(bool commit)
{
    SQLFreeStmt(statement_, SQL_CLOSE);
    return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, commit ? SQL_COMMIT : SQL_ROLLBACK));
}

bool finishesWithin(std::chrono::milliseconds limit, const std::function<void()>& work,
                    const std::function<void()>& stop)
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

} // namespace odbc_test
