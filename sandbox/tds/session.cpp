#include "tds/session.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <sys/socket.h>
#include <thread>

#include "engine/sql_error.h"
#include "tds/login.h"
#include "tds/requests.h"
#include "tds/server.h"
#include "tds/token_sink.h"
#include "tds/tokens.h"

namespace sandbox::tds {
namespace {

// Before login a client has no reason to send more than a few kilobytes.
constexpr std::size_t maxLoginMessageBytes = 1 << 20;
// A batch, or everything queued while one runs.
constexpr std::size_t maxRequestBytes = 64u << 20;

ServerMessage makeMessage(int number, int severity, int state, std::string text)
{
    ServerMessage m;
    m.number = number;
    m.severity = severity;
    m.state = state;
    m.text = std::move(text);
    return m;
}

bool sameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

std::string bracketed(const std::string& name)
{
    std::string out = "[";
    for (char c : name) {
        out += c;
        if (c == ']')
            out += ']';
    }
    return out + "]";
}

// Collects what a USE run at login reports; only errors matter.
class LoginUseSink : public ResultSink {
public:
    void beginResult(const std::vector<ResultColumn>&) override {}
    void row(const std::vector<Value>&) override {}
    void message(const ServerMessage& m) override
    {
        if (m.severity > 10 && !failed)
            error = m;
        failed = failed || m.severity > 10;
    }
    void databaseChanged(const std::string&, const std::string&) override {}
    void statementDone(std::optional<std::int64_t>, bool statementFailed) override
    {
        failed = failed || statementFailed;
    }
    bool cancelled() const override { return false; }
    bool failed = false;
    std::optional<ServerMessage> error;  // the first, e.g. 924 for a single-user database in use
};

}  // namespace

Session::Session(FileDescriptor socket, Backend& backend, int spid, SessionSlots& slots,
                 std::chrono::milliseconds logoutDelay)
    : socket_(std::move(socket)),
      backend_(backend),
      spid_(spid),
      slots_(slots),
      logoutDelay_(logoutDelay),
      serverName_(backend.serverName()),
      writer_([fd = socket_.get()](const std::uint8_t* data, std::size_t size) { return writeAll(fd, data, size); },
              static_cast<std::uint16_t>(spid))
{
}

Session::~Session() = default;

void Session::close()
{
    closing_ = true;
    ::shutdown(socket_.get(), SHUT_RDWR);
    std::lock_guard lock(inbox_.mutex);
    inbox_.ended = true;
    inbox_.changed.notify_all();
}

void Session::run()
{
    // A client that connects and never logs in is dropped by the server's login deadline (Server::dropLateLogins).
    try {
        MessageReader reader([fd = socket_.get()](std::uint8_t* buffer,
                                                  std::size_t size) { return readExact(fd, buffer, size); },
                             maxLoginMessageBytes);
        if (login(reader)) {
            reader.setMaxMessageBytes(maxRequestBytes);
            serveRequests(reader);
        }
    } catch (...) {
        // A protocol violation or a failure of this connection ends it, and only it.
    }
    ::shutdown(socket_.get(), SHUT_RDWR);
    if (engine_ && logoutDelay_.count() > 0) {
        // Still listed for a while, unless the server stops.
        std::unique_lock lock(inbox_.mutex);
        inbox_.changed.wait_for(lock, logoutDelay_, [this] { return closing_.load(); });
    }
    engine_.reset();
    if (holdsSlot_)
        slots_.release();
    holdsSlot_ = false;
}

bool Session::login(MessageReader& reader)
{
    bool preloginSeen = false;
    while (!closing_) {
        const auto message = reader.next();
        if (!message)
            return false;
        if (message->type == packet_type::prelogin && !preloginSeen) {
            preloginSeen = true;
            const auto reply = preloginReply(parsePrelogin(message->payload));
            writer_.append(std::span<const std::uint8_t>(reply));
            writer_.flush(true);
            if (writer_.failed())
                return false;
            continue;
        }
        if (message->type == packet_type::login7)
            return acceptLogin7(*message);
        return false;
    }
    return false;
}

void Session::rejectLogin(const ServerMessage& error)
{
    ByteWriter out;
    writeMessage(out, error, serverName_);
    writeDone(out, token::done, done_status::error, 0, 0);
    writer_.append(out);
    writer_.flush(true);
}

bool Session::acceptLogin7(const Message& message)
{
    const Login7 request = parseLogin7(message.payload);
    if (!slots_.take()) {
        rejectLogin(makeMessage(17809, 20, 1,
                                "Unable to connect. The maximum number of '" + std::to_string(slots_.capacity()) +
                                    "' configured user connections are already connected. System Administrator can "
                                    "configure to a higher value with sp_configure."));
        return false;
    }
    holdsSlot_ = true;
    if (request.integratedSecurity()) {
        rejectLogin(makeMessage(18452, 14, 1,
                                "Login failed for user ''. The user is not associated with a trusted SQL Server "
                                "connection."));
        return false;
    }
    if (auto refusal = backend_.checkLogin(request.userName, request.password)) {
        rejectLogin(*refusal);
        return false;
    }
    const std::string database = request.database.empty() ? "master" : request.database;
    const auto cannotOpen = makeMessage(4060, 11, 1, "Cannot open database requested in login '" + database +
                                                         "'. Login fails.");
    if (!backend_.databaseExists(database)) {
        rejectLogin(cannotOpen);
        return false;
    }
    SessionInfo info;
    info.spid = spid_;
    info.loginName = request.userName;
    info.hostName = request.hostName;
    info.appName = request.appName;
    std::optional<ServerMessage> useError;
    try {
        engine_ = backend_.openSession(info);
        if (engine_ && !sameName(database, engine_->currentDatabase())) {
            LoginUseSink use;
            engine_->executeBatch("USE " + bracketed(database), use);
            if (use.failed) {
                useError = use.error;
                engine_.reset();
            }
        }
    } catch (const std::exception&) {
        engine_.reset();
    }
    if (!engine_) {
        // SQL Server says why the database cannot be opened (924 single user ...) before 4060.
        if (useError && useError->number != 911) {
            ByteWriter out;
            writeMessage(out, *useError, serverName_);
            writer_.append(out);
        }
        rejectLogin(cannotOpen);
        return false;
    }
    const std::string current = engine_->currentDatabase();
    const std::size_t packetSize =
        request.packetSize == 0 ? defaultPacketSize
                                : std::clamp<std::size_t>(request.packetSize, minimumPacketSize, maximumPacketSize);

    ByteWriter out;
    writeEnvChange(out, env_change::database, current, "master");
    writeMessage(out, makeMessage(5701, 0, 2, "Changed database context to '" + current + "'."), serverName_);
    writeCollationChange(out);
    writeEnvChange(out, env_change::language, "us_english", "");
    writeMessage(out, makeMessage(5703, 0, 1, "Changed language setting to us_english."), serverName_);
    writeLoginAck(out);
    writeEnvChange(out, env_change::packetSize, std::to_string(packetSize), std::to_string(request.packetSize));
    writeDone(out, token::done, 0, 0, 0);
    writer_.append(out);
    writer_.flush(true);
    writer_.setPacketSize(packetSize);
    loggedIn_ = !writer_.failed();
    return loggedIn_;
}

void Session::serveRequests(MessageReader& reader)
{
    std::thread readerThread([this, &reader] { readRequests(reader); });
    for (;;) {
        std::unique_lock lock(inbox_.mutex);
        inbox_.changed.wait(lock, [this] {
            return inbox_.ended || inbox_.attentions > 0 || !inbox_.requests.empty();
        });
        if (inbox_.ended)
            break;
        if (inbox_.requests.empty()) {
            lock.unlock();
            if (!answerAttention())
                break;
            continue;
        }
        Message message = std::move(inbox_.requests.front());
        inbox_.requests.pop_front();
        inbox_.queuedBytes -= message.payload.size();
        lock.unlock();
        bool keepGoing = false;
        try {
            keepGoing = handle(message);
        } catch (const std::exception&) {
            keepGoing = false;  // a malformed request ends this connection
        }
        if (!keepGoing)
            break;
    }
    ::shutdown(socket_.get(), SHUT_RDWR);
    readerThread.join();
}

void Session::readRequests(MessageReader& reader)
{
    for (;;) {
        std::optional<Message> message;
        try {
            message = reader.next();
        } catch (const std::exception&) {
            message.reset();
        }
        std::lock_guard lock(inbox_.mutex);
        if (!message || inbox_.ended) {
            inbox_.ended = true;
            inbox_.changed.notify_all();
            return;
        }
        if (message->type == packet_type::attention) {
            ++inbox_.attentions;
        } else {
            if (inbox_.queuedBytes + message->payload.size() > maxRequestBytes) {
                inbox_.ended = true;  // a client that floods us is not following the protocol
                inbox_.changed.notify_all();
                return;
            }
            inbox_.queuedBytes += message->payload.size();
            inbox_.requests.push_back(std::move(*message));
        }
        inbox_.changed.notify_all();
    }
}

bool Session::attentionOrEnd()
{
    std::lock_guard lock(inbox_.mutex);
    return inbox_.attentions > 0 || inbox_.ended;
}

bool Session::answerAttention()
{
    {
        std::lock_guard lock(inbox_.mutex);
        inbox_.attentions = 0;
    }
    writer_.discard();
    ByteWriter out;
    writeDone(out, token::done, done_status::attention, 0, 0);
    writer_.append(out);
    writer_.flush(true);
    return !writer_.failed();
}

void Session::sendEndOfMessage()
{
    writer_.flush(true);
}

bool Session::handle(const Message& message)
{
    switch (message.type) {
    case packet_type::sqlBatch: {
        const auto text = batchText(message.payload);
        if (!text)
            return false;
        return runBatch(*text);
    }
    case packet_type::rpc:
        return answerRpc(message);
    case packet_type::transactionManager: {
        if (attentionOrEnd())
            return answerAttention();
        ByteWriter out;
        writeDone(out, token::done, 0, 0, 0);
        writer_.append(out);
        sendEndOfMessage();
        return !writer_.failed();
    }
    default:
        return false;
    }
}

bool Session::runBatch(const std::string& text)
{
    if (attentionOrEnd())
        return answerAttention();
    TokenSink sink(writer_, serverName_, [this] { return closing_ || attentionOrEnd(); });
    try {
        engine_->executeBatch(text, sink);
    } catch (const SqlError& error) {
        sink.message(makeMessage(error.number, error.severity, error.state, error.what()));
        sink.statementDone(std::nullopt, true);
    } catch (const std::exception& error) {
        sink.message(makeMessage(50000, 16, 1, std::string("The sandbox failed to run the batch: ") + error.what()));
        sink.statementDone(std::nullopt, true);
    }
    if (writer_.failed() || closing_)
        return false;
    if (attentionOrEnd())
        return answerAttention();
    sink.finish();
    sendEndOfMessage();
    return !writer_.failed() && !sink.fatal();
}

bool Session::answerRpc(const Message& message)
{
    const std::string name = rpcProcedureName(message.payload);
    if (attentionOrEnd())
        return answerAttention();
    ByteWriter out;
    writeMessage(out,
                 makeMessage(2812, 16, 62,
                             "Could not find stored procedure '" + name +
                                 "'. The sandbox runs SQL batches only, not remote procedure calls."),
                 serverName_);
    writeDone(out, token::doneProc, done_status::error, 0, 0);
    writer_.append(out);
    sendEndOfMessage();
    return !writer_.failed();
}

}  // namespace sandbox::tds
