#include "shell/data/data_sources.h"

#include "shell/data/odbc_handles.h"

#include <QRegularExpression>

#include <array>

namespace norvane {

bool isSqlServerDriver(const QString& driverName)
{
    static const QRegularExpression modern(QStringLiteral("^ODBC Driver \\d+ for SQL Server$"));
    return driverName == QLatin1String("SQL Server") || driverName == QLatin1String("FreeTDS") ||
           modern.match(driverName).hasMatch();
}

void ListDataSources(QStringList* dsnNames, QStringList* driverNames)
{
    const EnvironmentHandle environment = allocateOdbc3Environment();
    if (!environment.valid())
        return;
    std::array<SQLCHAR, 1024> name{};
    std::array<SQLCHAR, 1024> description{};
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT descriptionLength = 0;
        const SQLRETURN rc = SQLDataSources(environment.get(), direction, name.data(), name.size(), &nameLength,
                                            description.data(), description.size(), &descriptionLength);
        if (rc != SQL_SUCCESS)
            return;  // the end, or any error: keep what was found
        direction = SQL_FETCH_NEXT;
        const QString dataSource = QString::fromUtf8(reinterpret_cast<const char*>(name.data()),
                                                     qMin<int>(nameLength, name.size() - 1));
        const QString driver = QString::fromUtf8(reinterpret_cast<const char*>(description.data()),
                                                 qMin<int>(descriptionLength, description.size() - 1));
        if (dataSource.trimmed().isEmpty())
            continue;
        if (dsnNames && isSqlServerDriver(driver))
            dsnNames->append(dataSource);
        if (driverNames)
            driverNames->append(driver);
    }
}

}  // namespace norvane
