#pragma once
// A small ODBC client for the sandbox tests: handles, connection strings, diagnostics and values.
#include <sql.h>
#include <sqlext.h>

#include <cctype>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace odbc_test {

struct Diagnostic {
    std::string state;
    long native = 0;
    std::string text;
};

inline std::vector<Diagnostic> diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    std::vector<Diagnostic> out;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR text[1024] = {};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &length)))
            break;
        out.push_back({reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(text)});
    }
    return out;
}

inline bool hasDiagnostic(const std::vector<Diagnostic>& list, long native, const std::string& text)
{
    for (const auto& d : list)
        if (d.native == native && d.text == text)
            return true;
    return false;
}

inline std::string describe(const std::vector<Diagnostic>& list)
{
    std::string s;
    for (const auto& d : list)
        s += d.state + " " + std::to_string(d.native) + " " + d.text + "\n";
    return s;
}

class Handle {
public:
    Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type)
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &handle_)))
            handle_ = SQL_NULL_HANDLE;
    }
    ~Handle()
    {
        if (handle_ != SQL_NULL_HANDLE)
            SQLFreeHandle(type_, handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    SQLHANDLE get() const { return handle_; }
    SQLSMALLINT type() const { return type_; }

private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

class Connection {
public:
    Connection() : env_(SQL_HANDLE_ENV, SQL_NULL_HANDLE)
    {
        SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        dbc_ = std::make_unique<Handle>(SQL_HANDLE_DBC, env_.get());
    }
    ~Connection()
    {
        if (connected_)
            SQLDisconnect(dbc_->get());
    }
    SQLRETURN open(int port, const std::string& user = "sa", const std::string& password = "",
                   const std::string& database = "master", const std::string& extra = "")
    {
        std::string text = "Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(port) + ";UID=" + user +
                           ";PWD={" + password + "};Database=" + database + ";ClientCharset=UTF-8" + extra;
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        const SQLRETURN rc = SQLDriverConnect(dbc_->get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                              SQL_NTS, out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
        connected_ = SQL_SUCCEEDED(rc);
        return rc;
    }
    SQLHANDLE dbc() const { return dbc_->get(); }
    std::vector<Diagnostic> errors() const { return diagnostics(SQL_HANDLE_DBC, dbc_->get()); }
    std::string info(SQLUSMALLINT what) const
    {
        char buffer[256] = {};
        SQLSMALLINT length = 0;
        SQLGetInfo(dbc_->get(), what, buffer, sizeof buffer, &length);
        return buffer;
    }

private:
    Handle env_;
    std::unique_ptr<Handle> dbc_;
    bool connected_ = false;
};

inline SQLRETURN execute(Handle& statement, const std::string& sql)
{
    return SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
}

// The value of column i of the current row as text; nullopt for NULL.
inline std::optional<std::string> text(Handle& statement, SQLUSMALLINT column)
{
    std::string value;
    char buffer[512];
    SQLLEN indicator = 0;
    for (;;) {
        const SQLRETURN rc = SQLGetData(statement.get(), column, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc))
            return "<error " + describe(diagnostics(SQL_HANDLE_STMT, statement.get())) + ">";
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        value += buffer;
        if (rc == SQL_SUCCESS)
            break;
    }
    return value;
}

inline std::string lower(std::string s)
{
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace odbc_test
