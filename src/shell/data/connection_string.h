#pragma once
// The program's three connection-string forms and their translation for the ODBC driver manager.
#include <QString>

namespace norvane {

enum class ConnectionMode { Dsn, ServerSqlLogin, ServerIntegrated };

struct ConnectionInputs {
    QString dsnName;
    QString userName;
    QString password;
    QString serverName;
    QString databaseName;
};

// "DSN=d;uid=u;" [+ "pwd=p"], "Provider=SQLOLEDB.1;User ID=u;Pwd=p;Initial Catalog=d;Data Source=s",
// or "Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=d;Data Source=s", values as they stand.
QString BuildConnectionString(ConnectionMode mode, const ConnectionInputs& inputs);

// Translates a connection string of the program into one for unixODBC and FreeTDS:
// the SQLOLEDB forms become "Driver=FreeTDS;Server=...;Port=...;Database=...;UID=...;PWD=...;ClientCharset=UTF-8"
// (or Trusted_Connection=Yes), "(local)" and "." become 127.0.0.1, values with ; = { } or quotes are
// brace-quoted; DSN and plain ODBC strings pass through unchanged.
// Throws DbError for a malformed string (a part without "=", an empty Data Source, a bad port).
QString toOdbcConnectionString(const QString& connectionString);

// Puts a value in braces when ODBC syntax needs it ("a;b" -> "{a;b}", "}" doubled).
QString quoteOdbcValue(const QString& value);

}  // namespace norvane
