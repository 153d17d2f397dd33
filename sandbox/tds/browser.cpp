#include "tds/browser.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace sandbox::tds {
namespace {

constexpr std::uint8_t broadcastEx = 0x02;
constexpr std::uint8_t unicastEx = 0x03;
constexpr std::uint8_t unicastInstance = 0x04;
constexpr std::uint8_t serverResponse = 0x05;
constexpr std::size_t maxInstanceNameBytes = 32;

bool sameInstance(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::toupper(x) == std::toupper(y);
    });
}

}  // namespace

std::optional<std::vector<std::uint8_t>> browserReply(std::span<const std::uint8_t> request,
                                                      const std::string& serverName, std::uint16_t tcpPort)
{
    if (request.empty())
        return std::nullopt;
    if (request[0] == unicastInstance) {
        const auto rest = request.subspan(1);
        const auto nul = std::find(rest.begin(), rest.end(), std::uint8_t{0});
        const std::string name(rest.begin(), nul);
        if (name.size() > maxInstanceNameBytes || !sameInstance(name, defaultInstanceName))
            return std::nullopt;
    } else if (request[0] != broadcastEx && request[0] != unicastEx) {
        return std::nullopt;
    }
    const std::string record = "ServerName;" + serverName + ";InstanceName;" + defaultInstanceName +
                               ";IsClustered;No;Version;8.00.760;tcp;" + std::to_string(tcpPort) + ";;";
    std::vector<std::uint8_t> reply;
    reply.push_back(serverResponse);
    reply.push_back(static_cast<std::uint8_t>(record.size()));
    reply.push_back(static_cast<std::uint8_t>(record.size() >> 8));
    reply.insert(reply.end(), record.begin(), record.end());
    return reply;
}

BrowserResponder::BrowserResponder(std::uint16_t udpPort, std::string serverName, std::uint16_t tcpPort)
    : socket_(bindLoopback(SOCK_DGRAM, udpPort)),
      port_(boundPort(socket_.get())),
      serverName_(std::move(serverName)),
      tcpPort_(tcpPort)
{
}

BrowserResponder::~BrowserResponder()
{
    stop();
}

void BrowserResponder::start()
{
    thread_ = std::thread([this] { serve(); });
}

void BrowserResponder::stop()
{
    wakeUp_.notify();
    if (thread_.joinable())
        thread_.join();
}

void BrowserResponder::serve()
{
    std::vector<std::uint8_t> buffer(2048);
    for (;;) {
        pollfd fds[2] = {{socket_.get(), POLLIN, 0}, {wakeUp_.readFd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(socket_.get(), buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n <= 0)
            continue;
        const auto reply = browserReply(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)),
                                        serverName_, tcpPort_);
        if (reply)
            ::sendto(socket_.get(), reply->data(), reply->size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    }
}

}  // namespace sandbox::tds
