#include "engine/server_paths.h"

#include <cstring>
#include <vector>

#include "engine/tokenizer.h"

namespace sandbox {

namespace {

constexpr std::size_t kMaxPathCharacters = 259;  // Windows' MAX_PATH less its terminating NUL
constexpr std::size_t kMaxNameCharacters = 255;
constexpr std::size_t kMaxDatabaseNameCharacters = 123;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isReservedDeviceName(const std::string& name)
{
    // Windows keeps these names for devices whatever extension follows them.
    std::string stem = toUpperAscii(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : devices)
        if (stem == device)
            return true;
    return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '1' && stem[3] <= '9';
}

// A file or folder name Windows accepts.
bool isWindowsName(const std::string& name, std::size_t maxCharacters)
{
    if (name.empty() || name.size() > maxCharacters)
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || std::strchr("<>:\"|?*\\/", c) != nullptr)
            return false;
    if (name.back() == '.' || name.back() == ' ')
        return false;
    return !isReservedDeviceName(name);
}

// The entry of folder whose name matches part without regard to case; part itself when none does.
std::filesystem::path matchingEntry(const std::filesystem::path& folder, const std::string& part)
{
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(folder / part, error)))
        return folder / part;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (equalsIgnoreCase(name, part))
            return entry.path();
    }
    return folder / part;
}

// True when path, with every link it passes resolved, lies inside root.
bool staysInside(const std::filesystem::path& root, const std::filesystem::path& path)
{
    std::error_code error;
    const auto realRoot = std::filesystem::weakly_canonical(root, error);
    if (error)
        return false;
    const auto realPath = std::filesystem::weakly_canonical(path, error);
    if (error)
        return false;
    const auto relative = realPath.lexically_relative(realRoot);
    return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

std::optional<std::filesystem::path> resolveServerPath(const std::filesystem::path& dataDirectory, const std::string& text,
                                                       const std::string& relativeBase)
{
    const bool hasDrive = text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
    if (!hasDrive) {
        // A bare name ("harbor.bak", "Backups\harbor.bak") is relative to the base folder, if any;
        // a host path ("/etc/x") or a network name ("\\host\share") never reaches a drive.
        if (relativeBase.empty() || text.empty() || isSeparator(text[0]))
            return std::nullopt;
        return resolveServerPath(dataDirectory, relativeBase + "\\" + text);
    }
    if (text.size() > 2 && !isSeparator(text[2]))
        return std::nullopt;  // "C:name" is relative to a current folder the server does not have
    const std::string letter(1, static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))));
    const std::filesystem::path driveRoot = dataDirectory / "drives" / letter;
    std::error_code error;
    if (!std::filesystem::is_directory(driveRoot, error))
        return std::nullopt;

    std::vector<std::string> parts;
    std::string part;
    auto takePart = [&]() -> bool {
        if (part.empty() || part == ".") {
            // doubled separators and "." name the same folder
        } else if (part == "..") {
            if (parts.empty())
                return false;  // would climb above the drive
            parts.pop_back();
        } else if (!isWindowsName(part, kMaxNameCharacters)) {
            return false;
        } else {
            parts.push_back(part);
        }
        part.clear();
        return true;
    };
    for (std::size_t i = 2; i < text.size(); ++i) {
        if (isSeparator(text[i])) {
            if (!takePart())
                return std::nullopt;
        } else {
            part += text[i];
        }
    }
    if (!takePart())
        return std::nullopt;

    std::size_t windowsLength = 3;  // "C:\"
    for (const std::string& p : parts)
        windowsLength += p.size() + 1;
    if (windowsLength > kMaxPathCharacters + 1)
        return std::nullopt;

    std::filesystem::path host = driveRoot;
    for (const std::string& p : parts)
        host = matchingEntry(host, p);
    if (!staysInside(driveRoot, host))
        return std::nullopt;
    return host;
}

std::string serverDataFileName(const std::string& database, bool log)
{
    return "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\data\\" + database + (log ? "_log.LDF" : ".mdf");
}

bool isStorableDatabaseName(const std::string& name)
{
    return isWindowsName(name, kMaxDatabaseNameCharacters) && name.front() != '.' && name.front() != ' ';
}

}  // namespace sandbox
