#pragma once
// norvane-sandbox --data DIR [--port N] [--login NAME:PASSWORD]... [--sample] [--browser-port N] [--work-delay-ms N] [--logout-delay-ms N]
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace sandbox::tds {

struct CommandLine {
    std::filesystem::path dataDirectory;
    std::uint16_t port = 0;
    std::map<std::string, std::string> logins;  // sa with an empty password when none is given
    bool sample = false;
    std::optional<std::uint16_t> browserPort;
    unsigned workDelayMs = 0;
    unsigned logoutDelayMs = 0;
    bool help = false;  // --help: print the usage text and stop  // pause after each percent of a BACKUP or RESTORE
};

extern const char* const usageText;

// The options, or the reason they are wrong.
std::variant<CommandLine, std::string> parseCommandLine(const std::vector<std::string>& arguments);

// NORVANE_SAMPLE_DIR when set, otherwise the sample folder of the source tree.
std::filesystem::path sampleDirectory();

}  // namespace sandbox::tds
