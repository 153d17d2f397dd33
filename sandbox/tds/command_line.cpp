#include "tds/command_line.h"

#include <charconv>
#include <cstdlib>
#include <system_error>

#ifndef NORVANE_SANDBOX_SAMPLE_DIR
#define NORVANE_SANDBOX_SAMPLE_DIR "sample"
#endif

namespace sandbox::tds {

const char* const usageText =
    "usage: norvane-sandbox --data DIR [--port N] [--login NAME:PASSWORD]... [--sample] [--browser-port N]\n"
    "                       [--work-delay-ms N] [--logout-delay-ms N]\n"
    "  --data DIR              folder of the database files (created when missing)\n"
    "  --port N                TCP port on 127.0.0.1; 0 (the default) picks a free one\n"
    "  --login NAME:PASSWORD   a SQL login the server accepts (repeatable; default: sa with an empty password)\n"
    "  --sample                load the sample databases, replacing earlier copies\n"
    "  --browser-port N        answer SQL Browser requests on UDP 127.0.0.1:N\n"
    "  --work-delay-ms N       pause N ms (0 to 10000) after each percent of a BACKUP or RESTORE, so that\n"
    "                          their progress can be watched (default 0)\n"
    "  --logout-delay-ms N     keep a session listed N ms (0 to 10000) after its client has gone, as a\n"
    "                          busy server may (default 0)\n"
    "The server's drives C:\\ and D:\\ are the folders drives/C and drives/D under --data; every path a\n"
    "client names (BACKUP, RESTORE, xp_dirtree) stays inside them. One server at a time uses a data folder.\n";

namespace {

constexpr unsigned kMaxDelayMs = 10000;

std::optional<std::uint16_t> parsePort(const std::string& text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::variant<CommandLine, std::string> parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine options;
    bool haveData = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        if (option == "--help" || option == "-h") {
            options.help = true;
            return options;
        }
        if (option == "--sample") {
            options.sample = true;
            continue;
        }
        if (option != "--data" && option != "--port" && option != "--login" && option != "--browser-port" &&
            option != "--work-delay-ms" && option != "--logout-delay-ms")
            return "unknown option '" + option + "'";
        const auto text = value();
        if (!text)
            return option + " needs a value";
        if (option == "--data") {
            if (text->empty())
                return "--data needs a folder";
            options.dataDirectory = *text;
            haveData = true;
        } else if (option == "--work-delay-ms" || option == "--logout-delay-ms") {
            unsigned delay = 0;
            const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), delay);
            if (error != std::errc() || end != text->data() + text->size() || text->empty() || delay > kMaxDelayMs)
                return option + " needs a number of milliseconds from 0 to 10000, not '" + *text + "'";
            (option == "--work-delay-ms" ? options.workDelayMs : options.logoutDelayMs) = delay;
        } else if (option == "--port" || option == "--browser-port") {
            const auto port = parsePort(*text);
            if (!port)
                return option + " needs a port number from 0 to 65535, not '" + *text + "'";
            if (option == "--port")
                options.port = *port;
            else
                options.browserPort = *port;
        } else {
            const auto colon = text->find(':');
            if (colon == std::string::npos || colon == 0)
                return "--login needs NAME:PASSWORD, not '" + *text + "'";
            options.logins[text->substr(0, colon)] = text->substr(colon + 1);
        }
    }
    if (!haveData)
        return "--data DIR is required";
    if (options.logins.empty())
        options.logins["sa"] = "";
    return options;
}

std::filesystem::path sampleDirectory()
{
    if (const char* fromEnvironment = std::getenv("NORVANE_SAMPLE_DIR"); fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    // An installed server finds the scripts beside it: <prefix>/bin and <prefix>/share/norvane/sample.
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path installed = program.parent_path().parent_path() / "share" / "norvane" / "sample";
        if (std::filesystem::is_directory(installed, error))
            return installed;
    }
    return NORVANE_SANDBOX_SAMPLE_DIR;
}

}  // namespace sandbox::tds
