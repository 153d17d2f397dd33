#include "tds/server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>

#include "tds/session.h"

namespace sandbox::tds {

struct Server::Running {
    std::unique_ptr<Session> session;
    std::thread thread;
    std::atomic<bool> finished{false};
    std::chrono::steady_clock::time_point connected = std::chrono::steady_clock::now();
    bool dropped = false;
};

bool SessionSlots::take()
{
    std::lock_guard lock(mutex_);
    if (taken_ >= capacity_)
        return false;
    ++taken_;
    return true;
}

void SessionSlots::release()
{
    std::lock_guard lock(mutex_);
    if (taken_ > 0)
        --taken_;
}

Server::Server(Backend& backend, std::uint16_t port, ServerLimits limits)
    : backend_(backend), limits_(limits), slots_(limits.maxSessions), listener_(bindLoopback(SOCK_STREAM, port))
{
    if (::listen(listener_.get(), 64) != 0)
        throw std::system_error(errno, std::generic_category(), "listen");
    port_ = boundPort(listener_.get());
}

Server::~Server()
{
    stop();
}

void Server::start()
{
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

void Server::acceptLoop()
{
    // Wake often enough to drop a late login close to its deadline.
    const int pollMs = static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(limits_.loginTimeout.count() / 4, 10, 1000));
    for (;;) {
        pollfd fds[2] = {{listener_.get(), POLLIN, 0}, {wakeUp_.readFd(), POLLIN, 0}};
        if (::poll(fds, 2, pollMs) < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0)
            return;
        reapFinished();
        dropLateLogins();
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        FileDescriptor client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!client.valid()) {
            // Out of descriptors: the connection stays queued, so wait instead of spinning on it.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        const int yes = 1;
        ::setsockopt(client.get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        std::lock_guard lock(mutex_);
        if (stopped_)
            return;
        std::size_t connecting = 0;
        for (const auto& running : sessions_)
            connecting += running->session->loggedIn() ? 0 : 1;
        // Past the cap a login is refused with 17809; past that, or with too many still logging in, the connection closes.
        if (connecting >= limits_.maxConnecting || sessions_.size() >= limits_.maxSessions + limits_.maxConnecting)
            continue;
        const int spid = takeSpid();
        auto running = std::make_unique<Running>();
        running->session = std::make_unique<Session>(std::move(client), backend_, spid, slots_, limits_.logoutDelay);
        Running* raw = running.get();
        raw->thread = std::thread([raw] {
            raw->session->run();
            raw->finished = true;
        });
        sessions_.push_back(std::move(running));
    }
}

int Server::takeSpid()
{
    int spid = firstSpid;
    while (spidsInUse_.count(spid) != 0)
        ++spid;
    spidsInUse_.insert(spid);
    return spid;
}

void Server::reapFinished()
{
    std::lock_guard lock(mutex_);
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        if ((*it)->finished) {
            (*it)->thread.join();
            spidsInUse_.erase((*it)->session->spid());
            it = sessions_.erase(it);
        } else {
            ++it;
        }
    }
}

void Server::dropLateLogins()
{
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    for (auto& running : sessions_) {
        if (!running->dropped && !running->session->loggedIn() && now - running->connected >= limits_.loginTimeout) {
            running->dropped = true;
            running->session->close();
        }
    }
}

void Server::stop()
{
    {
        std::lock_guard lock(mutex_);
        if (stopped_)
            return;
        stopped_ = true;
    }
    wakeUp_.notify();
    if (acceptThread_.joinable())
        acceptThread_.join();
    listener_.reset();
    std::list<std::unique_ptr<Running>> sessions;
    {
        std::lock_guard lock(mutex_);
        sessions.swap(sessions_);
    }
    for (auto& running : sessions)
        running->session->close();
    for (auto& running : sessions)
        running->thread.join();
}

}  // namespace sandbox::tds
