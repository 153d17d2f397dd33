#pragma once
// RAII owners of ODBC handles.
#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace norvane {

template <SQLSMALLINT HandleType>
class OdbcHandle {
public:
    OdbcHandle() = default;
    explicit OdbcHandle(SQLHANDLE handle) : handle_(handle) {}
    ~OdbcHandle() { reset(); }
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;
    OdbcHandle(OdbcHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    OdbcHandle& operator=(OdbcHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    SQLHANDLE get() const { return handle_; }
    bool valid() const { return handle_ != SQL_NULL_HANDLE; }
    void reset()
    {
        if (handle_ != SQL_NULL_HANDLE)
            SQLFreeHandle(HandleType, std::exchange(handle_, nullptr));
    }

private:
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using EnvironmentHandle = OdbcHandle<SQL_HANDLE_ENV>;
using ConnectionHandle = OdbcHandle<SQL_HANDLE_DBC>;
using StatementHandle = OdbcHandle<SQL_HANDLE_STMT>;

// An ODBC 3 environment, or an invalid handle when the driver manager refuses one.
EnvironmentHandle allocateOdbc3Environment();

}  // namespace norvane
