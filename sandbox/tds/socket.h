#pragma once
// A file descriptor owned by one object, and the blocking I/O the sessions use.
#include <cstddef>
#include <cstdint>
#include <utility>

namespace sandbox::tds {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset();

private:
    int fd_ = -1;
};

// Fills the buffer completely; false on end of stream or error.
bool readExact(int fd, std::uint8_t* buffer, std::size_t size);
// Sends everything without raising SIGPIPE; false once the peer is gone.
bool writeAll(int fd, const std::uint8_t* data, std::size_t size);

// Blocking reads give up after this many seconds (0: never).
void setReceiveTimeout(int fd, int seconds);

// A socket bound to 127.0.0.1:port (0 = any free port); throws std::system_error.
FileDescriptor bindLoopback(int type, std::uint16_t port);
std::uint16_t boundPort(int fd);

// A pipe whose read end becomes readable once notify() was called: wakes poll() loops.
class WakeUp {
public:
    WakeUp();
    void notify();
    int readFd() const { return read_.get(); }

private:
    FileDescriptor read_;
    FileDescriptor write_;
};

}  // namespace sandbox::tds
