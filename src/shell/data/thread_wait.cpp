#include "shell/data/thread_wait.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace norvane {

namespace {

bool waitsOnSockets(long call)
{
#ifdef SYS_poll
    if (call == SYS_poll)
        return true;
#endif
#ifdef SYS_select
    if (call == SYS_select)
        return true;
#endif
    return call == SYS_ppoll || call == SYS_pselect6;
}

}  // namespace

pid_t currentThreadId()
{
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

ThreadWait threadWait(pid_t thread)
{
    // The file holds "running" for a thread that runs or may run, else the number of the
    // system call it is blocked in, followed by its arguments.
    std::array<char, 64> path{};
    std::snprintf(path.data(), path.size(), "/proc/self/task/%d/syscall", static_cast<int>(thread));
    const int file = ::open(path.data(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return ThreadWait::Unknown;
    std::array<char, 64> text{};
    const ssize_t length = ::read(file, text.data(), text.size() - 1);
    ::close(file);
    if (length <= 0)
        return ThreadWait::Unknown;
    const std::string_view read(text.data(), static_cast<std::size_t>(length));
    long call = -1;
    const auto [end, error] = std::from_chars(read.data(), read.data() + read.size(), call);
    if (error != std::errc())
        return ThreadWait::Otherwise;  // "running"
    return waitsOnSockets(call) ? ThreadWait::OnSockets : ThreadWait::Otherwise;
}

}  // namespace norvane
