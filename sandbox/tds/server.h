#pragma once
// The TDS listener on 127.0.0.1: one thread and one engine session per client,
// spids from 51 upward (the lowest free one).
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

class Server {
public:
    // Binds at once (port 0 = a free port); throws std::system_error when it cannot.
    Server(Backend& backend, std::uint16_t port);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    std::uint16_t port() const { return port_; }
    // Accepts clients on a thread of its own until stop().
    void start();
    // Closes the listening socket, ends every session and waits for their threads.
    void stop();

    static constexpr int firstSpid = 51;
    static constexpr std::size_t maxSessions = 256;

private:
    struct Running;

    void acceptLoop();
    void reapFinished();
    int takeSpid();

    Backend& backend_;
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
