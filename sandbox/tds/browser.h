#pragma once
// A SQL Server Browser answer on UDP 127.0.0.1: the one default instance and its TCP port.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "tds/socket.h"

namespace sandbox::tds {

constexpr const char* defaultInstanceName = "MSSQLSERVER";

// The SVR_RESP datagram for one request, or nullopt when the request gets no answer
// (unknown request, or an instance other than ours).
std::optional<std::vector<std::uint8_t>> browserReply(std::span<const std::uint8_t> request,
                                                      const std::string& serverName, std::uint16_t tcpPort);

class BrowserResponder {
public:
    // Binds at once; throws std::system_error when the port is taken.
    BrowserResponder(std::uint16_t udpPort, std::string serverName, std::uint16_t tcpPort);
    ~BrowserResponder();
    BrowserResponder(const BrowserResponder&) = delete;
    BrowserResponder& operator=(const BrowserResponder&) = delete;

    std::uint16_t port() const { return port_; }
    void start();
    void stop();

private:
    void serve();

    FileDescriptor socket_;
    std::uint16_t port_;
    std::string serverName_;
    std::uint16_t tcpPort_;
    WakeUp wakeUp_;
    std::thread thread_;
};

}  // namespace sandbox::tds
