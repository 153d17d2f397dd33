#include "shell/data/connection.h"

#include "shell/data/connection_core.h"
#include "shell/data/connection_string.h"
#include "shell/data/server_discovery.h"
#include "shell/data/thread_wait.h"

#include <sqlucode.h>

#include <array>
#include <optional>

namespace norvane {

namespace {

// How long a statement's call must have run before another thread's cancel is sent to it, when
// the call is seen waiting on the server, and when what it does cannot be seen (no /proc).
constexpr auto kWaitBeforeCancel = std::chrono::milliseconds(100);
constexpr auto kUnknownWaitBeforeCancel = std::chrono::milliseconds(500);

SQLWCHAR* wide(const QString& text)
{
    return reinterpret_cast<SQLWCHAR*>(const_cast<ushort*>(text.utf16()));
}

QString fromWide(const SQLWCHAR* text, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

// The driver's own word when it lost the real cause of a failure.
bool withoutCause(const std::vector<Diagnostic>& diagnostics)
{
    for (const Diagnostic& diagnostic : diagnostics)
        if (!diagnostic.informational())
            return diagnostic.text.isEmpty() || diagnostic.text == QLatin1String("Unknown error");
    return true;
}

// "host, port N" of the server a connection string names, for failure messages.
QString targetOf(const QString& odbcString)
{
    QString server;
    QString port;
    QString dsn;
    for (const QString& part : odbcString.split(QLatin1Char(';'))) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = part.left(eq).trimmed().toLower();
        QString value = part.mid(eq + 1).trimmed();
        if (value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}')))
            value = value.mid(1, value.size() - 2).replace(QStringLiteral("}}"), QStringLiteral("}"));
        if (key == QLatin1String("server") || key == QLatin1String("address") || key == QLatin1String("servername"))
            server = value;
        else if (key == QLatin1String("port"))
            port = value;
        else if (key == QLatin1String("dsn"))
            dsn = value;
    }
    if (server.isEmpty() && !dsn.isEmpty())
        server = dsnServerAddress(dsn);
    if (server.isEmpty())
        return QString();
    const qsizetype comma = server.indexOf(QLatin1Char(','));
    if (comma >= 0) {
        if (port.isEmpty())
            port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }
    if (server.contains(QLatin1Char('\\')) && port.isEmpty())
        return server;  // the instance's port comes from the SQL Browser
    return server + QStringLiteral(", port ") + (port.isEmpty() ? QStringLiteral("1433") : port);
}

DbError notOpen()
{
    return DbError(0, QStringLiteral("08003"), QStringLiteral("The connection is not open."));
}

QString infoText(SQLHDBC connection, SQLUSMALLINT infoType)
{
    std::array<SQLWCHAR, 512> buffer{};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(connection, infoType, buffer.data(), sizeof(buffer), &length)))
        return QString();
    return fromWide(buffer.data(), qMin<qsizetype>(length / 2, buffer.size() - 1));
}

}  // namespace

std::vector<Diagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    std::vector<Diagnostic> diagnostics;
    if (handle == SQL_NULL_HANDLE)
        return diagnostics;
    for (SQLSMALLINT record = 1;; ++record) {
        std::array<SQLWCHAR, 6> state{};
        std::array<SQLWCHAR, 4096> message{};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state.data(), &native, message.data(),
                                            static_cast<SQLSMALLINT>(message.size()), &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        Diagnostic diagnostic;
        diagnostic.nativeError = native;
        diagnostic.sqlState = fromWide(state.data(), 5);
        diagnostic.text = stripDriverPrefixes(fromWide(message.data(), qMin<qsizetype>(length, message.size() - 1)));
        diagnostics.push_back(std::move(diagnostic));
    }
    return diagnostics;
}

DbError errorFrom(const std::vector<Diagnostic>& diagnostics, const QString& fallback)
{
    for (const Diagnostic& diagnostic : diagnostics)
        if (!diagnostic.informational())
            return DbError(diagnostic.nativeError, diagnostic.sqlState, diagnostic.text);
    // The driver manager files some failures (a driver library it cannot load) under 01000.
    if (!diagnostics.empty())
        return DbError(diagnostics.front().nativeError, diagnostics.front().sqlState, diagnostics.front().text);
    return DbError(0, QStringLiteral("HY000"), fallback);
}

void ConnectionCore::deliver(const std::vector<Diagnostic>& diagnostics) const
{
    if (!messageHandler)
        return;
    for (const Diagnostic& diagnostic : diagnostics)
        if (diagnostic.informational())
            messageHandler(DbMessage{diagnostic.nativeError, diagnostic.sqlState, diagnostic.text});
}

void ConnectionCore::check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const QString& what) const
{
    if (rc == SQL_SUCCESS || rc == SQL_NO_DATA)
        return;
    std::vector<Diagnostic> diagnostics = readDiagnostics(handleType, handle);
    deliver(diagnostics);
    if (rc == SQL_SUCCESS_WITH_INFO)
        return;
    if (rc == SQL_INVALID_HANDLE)
        throw DbError(0, QStringLiteral("HY000"), what + QStringLiteral(": invalid handle."));
    // A broken link is reported on the connection, the statement only hears "Unknown error".
    if (handleType == SQL_HANDLE_STMT && withoutCause(diagnostics) && connection.valid()) {
        std::vector<Diagnostic> linkDiagnostics = readDiagnostics(SQL_HANDLE_DBC, connection.get());
        if (!withoutCause(linkDiagnostics))
            diagnostics = std::move(linkDiagnostics);
        else if (!open || linkDiagnostics.empty())
            throw DbError(0, QStringLiteral("08S01"), what + QStringLiteral(" failed: the connection to the server is broken."));
    }
    throw errorFrom(diagnostics, what + QStringLiteral(" failed."));
}

ConnectionCore::~ConnectionCore()
{
    if (open)
        disconnect();
}

void ConnectionCore::registerRecordset(Recordset* recordset) { recordsets_.insert(recordset); }
void ConnectionCore::unregisterRecordset(Recordset* recordset) { recordsets_.erase(recordset); }
void ConnectionCore::replaceRecordset(Recordset* from, Recordset* to)
{
    recordsets_.erase(from);
    recordsets_.insert(to);
}

void ConnectionCore::disconnect()
{
    // Statements must go before their connection; a set copy, since closing unregisters.
    const std::set<Recordset*> open = recordsets_;
    for (Recordset* recordset : open) {
        try {
            recordset->close();
        } catch (const DbError&) {
            // The connection is going away; what the statement still held is of no use.
        }
    }
    if (connection.valid() && this->open)
        SQLDisconnect(connection.get());
    this->open = false;
    connection.reset();
}

void ConnectionCore::setRunningStatement(SQLHANDLE statement)
{
    const std::lock_guard lock(runningMutex_);
    running_ = statement;
    runningThread_ = statement == SQL_NULL_HANDLE ? 0 : currentThreadId();
    runningSince_ = std::chrono::steady_clock::now();
}

bool ConnectionCore::cancelRunningStatement()
{
    const std::lock_guard lock(runningMutex_);
    if (running_ == SQL_NULL_HANDLE)
        return false;
    // A call that streams rows waits on the server for moments only, and may be reading again
    // by the time the cancel arrives; a call that has waited this long waits for the server's work.
    const auto running = std::chrono::steady_clock::now() - runningSince_;
    switch (threadWait(runningThread_)) {
    case ThreadWait::OnSockets:
        if (running < kWaitBeforeCancel)
            return false;
        break;
    case ThreadWait::Otherwise:
        return false;
    case ThreadWait::Unknown:
        if (running < kUnknownWaitBeforeCancel)
            return false;
        break;
    }
    SQLCancel(running_);
    return true;
}

Connection::Connection() : core_(std::make_shared<ConnectionCore>()) {}

Connection::~Connection()
{
    if (core_)
        core_->disconnect();
}

Connection::Connection(Connection&&) noexcept = default;
Connection& Connection::operator=(Connection&& other) noexcept
{
    if (this != &other) {
        if (core_)
            core_->disconnect();
        core_ = std::move(other.core_);
    }
    return *this;
}

void Connection::open(const QString& connectionString)
{
    if (!core_)
        core_ = std::make_shared<ConnectionCore>();
    if (core_->open)
        core_->disconnect();
    const QString odbcString = toOdbcConnectionString(connectionString);

    if (!core_->environment.valid()) {
        core_->environment = allocateOdbc3Environment();
        if (!core_->environment.valid())
            throw DbError(0, QStringLiteral("HY000"), QStringLiteral("The ODBC driver manager could not be initialised."));
    }
    SQLHANDLE handle = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, core_->environment.get(), &handle)))
        throw errorFrom(readDiagnostics(SQL_HANDLE_ENV, core_->environment.get()),
                        QStringLiteral("No ODBC connection handle could be allocated."));
    ConnectionHandle connection(handle);
    const auto timeout = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(core_->loginTimeoutSeconds));
    SQLSetConnectAttrW(handle, SQL_ATTR_LOGIN_TIMEOUT, timeout, 0);
    SQLSetConnectAttrW(handle, SQL_ATTR_CONNECTION_TIMEOUT, timeout, 0);

    QString mutableString = odbcString;
    const SQLRETURN rc = SQLDriverConnectW(handle, nullptr, wide(mutableString), SQL_NTS, nullptr, 0, nullptr,
                                           SQL_DRIVER_NOPROMPT);
    const std::vector<Diagnostic> diagnostics = readDiagnostics(SQL_HANDLE_DBC, handle);
    if (!SQL_SUCCEEDED(rc)) {
        const DbError error = errorFrom(diagnostics, QStringLiteral("The connection could not be opened."));
        // Where the server never answered, the message says what was tried.
        const QString target = targetOf(odbcString);
        const bool unanswered = error.sqlState().startsWith(QLatin1String("08")) || error.sqlState() == QLatin1String("HYT00");
        if (target.isEmpty() || !unanswered)
            throw error;
        throw DbError(error.nativeError(), error.sqlState(),
                      error.description() + QStringLiteral(" (tried ") + target + QStringLiteral(")"));
    }
    core_->deliver(diagnostics);
    core_->connection = std::move(connection);
    core_->open = true;
}

bool Connection::isOpen() const
{
    return core_ && core_->open;
}

void Connection::close()
{
    if (!isOpen())
        throw notOpen();
    core_->disconnect();
}

QString Connection::property(const QString& name) const
{
    if (name.compare(QLatin1String("Server Name"), Qt::CaseInsensitive) == 0)
        return serverName();
    if (name.compare(QLatin1String("Current Catalog"), Qt::CaseInsensitive) == 0)
        return currentCatalog();
    throw DbError(0, QStringLiteral("HY000"), QStringLiteral("Unknown connection property \"%1\".").arg(name));
}

namespace {

// SELECT of one value on the server; an empty optional where the server refuses the query.
std::optional<QString> queryScalar(Connection& connection, const QString& sql)
{
    try {
        Recordset result = connection.execute(sql);
        if (result.eof() || result.fieldCount() == 0)
            return QString();
        return result.field(0).text();
    } catch (const DbError&) {
        return std::nullopt;
    }
}

}  // namespace

QString Connection::serverName() const
{
    if (!isOpen())
        throw notOpen();
    auto& self = const_cast<Connection&>(*this);
    if (const std::optional<QString> name = queryScalar(self, QStringLiteral("SELECT @@SERVERNAME")))
        return *name;
    return infoText(core_->connection.get(), SQL_SERVER_NAME);
}

QString Connection::currentCatalog() const
{
    if (!isOpen())
        throw notOpen();
    auto& self = const_cast<Connection&>(*this);
    if (const std::optional<QString> name = queryScalar(self, QStringLiteral("SELECT DB_NAME()")))
        return *name;
    return infoText(core_->connection.get(), SQL_DATABASE_NAME);
}

Recordset Connection::execute(const QString& sql)
{
    if (!isOpen())
        throw notOpen();
    // The statement keeps the core alive even when this connection gives up on it meanwhile.
    const std::shared_ptr<ConnectionCore> core = core_;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    core->check(SQLAllocHandle(SQL_HANDLE_STMT, core->connection.get(), &handle), SQL_HANDLE_DBC,
                core->connection.get(), QStringLiteral("Allocating a statement"));
    Recordset recordset;
    recordset.core_ = core;
    recordset.statement_ = StatementHandle(handle);
    core->registerRecordset(&recordset);
    if (core->queryTimeoutSeconds > 0)
        SQLSetStmtAttrW(handle, SQL_ATTR_QUERY_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(core->queryTimeoutSeconds)), 0);

    QString text = sql;
    SQLRETURN rc;
    {
        const RunningStatement running(*core, handle);
        rc = SQLExecDirectW(handle, wide(text), SQL_NTS);
    }
    core->check(rc, SQL_HANDLE_STMT, handle, QStringLiteral("The statement"));
    recordset.startResult();
    if (recordset.fields_.empty() && !recordset.advanceToNextResultWithColumns())
        recordset.eof_ = true;
    return recordset;
}

Recordset Connection::openCounted(const QString& sql)
{
    std::optional<qint64> count;
    try {
        Recordset counter =
            execute(QStringLiteral("SELECT COUNT_BIG(*) FROM (") + sql + QStringLiteral(") AS norvane_counted"));
        if (!counter.eof() && counter.fieldCount() > 0 && !counter.field(0).isNull())
            count = counter.field(0).value().toLongLong();
    } catch (const DbError& error) {
        // Queries that cannot stand as a derived table (ORDER BY, unnamed columns) stay uncounted;
        // a broken link or an exhausted time limit is the caller's to hear.
        if (error.sqlState().startsWith(QLatin1String("08")) || error.sqlState() == QLatin1String("HYT00")
            || error.sqlState() == QLatin1String("HY008"))
            throw;
    }
    Recordset recordset = execute(sql);
    if (count)
        recordset.recordCount_ = *count;
    return recordset;
}

qint64 Connection::executeCommand(const QString& sql)
{
    Recordset recordset = execute(sql);
    recordset.close();
    return recordset.rowsAffected();
}

void Connection::setMessageHandler(MessageHandler handler)
{
    core_->messageHandler = std::move(handler);
}

void Connection::setRowCountHandler(std::function<void(qint64)> handler)
{
    core_->rowCountHandler = std::move(handler);
}

void Connection::setLoginTimeout(int seconds)
{
    core_->loginTimeoutSeconds = seconds;
}

void Connection::setQueryTimeout(int seconds)
{
    core_->queryTimeoutSeconds = seconds;
}

void Connection::abandon()
{
    if (!core_)
        return;
    // Whoever still runs a statement on the core holds it; the last holder logs it off.
    core_.reset();
}

bool Connection::cancel()
{
    return core_ && core_->cancelRunningStatement();
}

}  // namespace norvane
