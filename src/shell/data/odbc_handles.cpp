#include "shell/data/odbc_handles.h"

namespace norvane {

EnvironmentHandle allocateOdbc3Environment()
{
    SQLHANDLE handle = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle)))
        return EnvironmentHandle();
    EnvironmentHandle environment(handle);
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
        return EnvironmentHandle();
    return environment;
}

}  // namespace norvane
