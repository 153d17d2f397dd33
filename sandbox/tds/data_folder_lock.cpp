#include "tds/data_folder_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace sandbox::tds {

std::optional<DataFolderLock> DataFolderLock::take(const std::filesystem::path& folder, std::string* refusal)
{
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / fileName;
    FileDescriptor file(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!file.valid())
        throw std::system_error(errno, std::generic_category(), "cannot open " + path.string());
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK)
            throw std::system_error(errno, std::generic_category(), "cannot lock " + path.string());
        char holder[32] = {};
        const ssize_t n = ::pread(file.get(), holder, sizeof holder - 1, 0);
        std::string pid = n > 0 ? std::string(holder, static_cast<std::size_t>(n)) : std::string();
        while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' '))
            pid.pop_back();
        if (refusal)
            *refusal = "the data folder " + folder.string() + " is in use by another norvane-sandbox" +
                       (pid.empty() ? std::string() : " (process " + pid + ")") +
                       "; stop that server or choose another --data folder";
        return std::nullopt;
    }
    // Who holds the lock, for the message a second server shows.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(file.get(), 0) == 0)
        [[maybe_unused]] const auto written = ::pwrite(file.get(), pid.data(), pid.size(), 0);
    return DataFolderLock(std::move(file));
}

}  // namespace sandbox::tds
