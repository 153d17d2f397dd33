#include "tds/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <system_error>
#include <unistd.h>

namespace sandbox::tds {

void FileDescriptor::reset()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool readExact(int fd, std::uint8_t* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::recv(fd, buffer + done, size - done, 0);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

void setReceiveTimeout(int fd, int seconds)
{
    timeval timeout{};
    timeout.tv_sec = seconds;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

FileDescriptor bindLoopback(int type, std::uint16_t port)
{
    FileDescriptor fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
    if (!fd.valid())
        throw std::system_error(errno, std::generic_category(), "socket");
    const int yes = 1;
    if (type == SOCK_STREAM)
        ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::system_error(errno, std::generic_category(), "bind 127.0.0.1:" + std::to_string(port));
    return fd;
}

std::uint16_t boundPort(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::system_error(errno, std::generic_category(), "getsockname");
    return ntohs(address.sin_port);
}

WakeUp::WakeUp()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    read_ = FileDescriptor(fds[0]);
    write_ = FileDescriptor(fds[1]);
}

void WakeUp::notify()
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(write_.get(), &byte, 1);
}

}  // namespace sandbox::tds
