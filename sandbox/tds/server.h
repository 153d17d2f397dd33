#pragma once
// The TDS listener on 127.0.0.1: one thread and one engine session per client,
// spids from 51 upward (the lowest free one). A client must finish logging in within
// a few seconds; logged-in sessions are capped, and a login beyond the cap gets SQL
// Server's error 17809.
#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "tds/backend.h"
#include "tds/socket.h"

namespace sandbox::tds {

class Session;

// The logged-in sessions a server admits, shared by its connections.
class SessionSlots {
public:
    explicit SessionSlots(std::size_t capacity) : capacity_(capacity) {}
    // False when every slot is taken.
    bool take();
    void release();
    std::size_t capacity() const { return capacity_; }

private:
    std::mutex mutex_;
    std::size_t capacity_;
    std::size_t taken_ = 0;
};

struct ServerLimits {
    // Logged-in sessions (SQL Server allows 32,767; a desktop and its tests open a few dozen).
    std::size_t maxSessions = 4096;
    // Connections still logging in; more are closed at once.
    std::size_t maxConnecting = 512;
    // Time from connecting to the end of the login; a client that takes longer is dropped.
    std::chrono::milliseconds loginTimeout = std::chrono::seconds(5);
    // How long a session stays listed (sp_who) after its client has gone, as a busy server's may.
    std::chrono::milliseconds logoutDelay{0};
};

class Server {
public:
    // Binds at once (port 0 = a free port); throws std::system_error when it cannot.
    Server(Backend& backend, std::uint16_t port, ServerLimits limits = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    std::uint16_t port() const { return port_; }
    // Accepts clients on a thread of its own until stop().
    void start();
    // Closes the listening socket, ends every session and waits for their threads.
    void stop();

    static constexpr int firstSpid = 51;

private:
    struct Running;

    void acceptLoop();
    void reapFinished();
    // Ends the connections whose login has taken too long.
    void dropLateLogins();
    int takeSpid();

    Backend& backend_;
    ServerLimits limits_;
    SessionSlots slots_;
    FileDescriptor listener_;
    std::uint16_t port_ = 0;
    WakeUp wakeUp_;
    std::thread acceptThread_;
    std::mutex mutex_;
    std::list<std::unique_ptr<Running>> sessions_;
    std::set<int> spidsInUse_;
    bool stopped_ = false;
};

}  // namespace sandbox::tds
