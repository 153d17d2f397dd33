// norvane-sandbox: a loopback server that speaks SQL Server's TDS protocol over SQLite.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>
#include <variant>

#include "engine/engine.h"
#include "tds/browser.h"
#include "tds/command_line.h"
#include "tds/data_folder_lock.h"
#include "tds/engine_backend.h"
#include "tds/server.h"

namespace {

// Each session holds a socket and a few database files open: the cap stays within the descriptors
// the process may open, raised to the hard limit first.
sandbox::tds::ServerLimits limitsForThisProcess()
{
    sandbox::tds::ServerLimits limits;
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0)
        return limits;
    if (files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
        ::getrlimit(RLIMIT_NOFILE, &files);
    }
    constexpr rlim_t descriptorsPerSession = 8;
    constexpr rlim_t reserved = 64;
    if (files.rlim_cur != RLIM_INFINITY) {
        const rlim_t fit = files.rlim_cur > reserved ? (files.rlim_cur - reserved) / descriptorsPerSession : 1;
        limits.maxSessions = std::max<std::size_t>(1, std::min<std::size_t>(limits.maxSessions, fit));
    }
    return limits;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace sandbox::tds;

    // Every thread inherits this mask; the main thread alone takes SIGINT/SIGTERM with sigwait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const auto parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "norvane-sandbox: " << *error << "\n" << usageText;
        return 2;
    }
    const auto& options = std::get<CommandLine>(parsed);
    if (options.help) {
        std::cout << usageText;
        return 0;
    }
    try {
        // Before anything touches the folder: a second server on it would delete the first one's files.
        std::string refusal;
        const auto lock = DataFolderLock::take(options.dataDirectory, &refusal);
        if (!lock) {
            std::cerr << "norvane-sandbox: " << refusal << "\n";
            return 3;
        }
        sandbox::Engine engine(options.dataDirectory);
        engine.setWorkDelay(std::chrono::milliseconds(options.workDelayMs));
        if (options.sample)
            engine.loadSample(sampleDirectory());
        EngineBackend backend(engine, options.logins);
        ServerLimits limits = limitsForThisProcess();
        limits.logoutDelay = std::chrono::milliseconds(options.logoutDelayMs);
        Server server(backend, options.port, limits);
        std::unique_ptr<BrowserResponder> browser;
        if (options.browserPort)
            browser = std::make_unique<BrowserResponder>(*options.browserPort, backend.serverName(), server.port());
        server.start();
        if (browser)
            browser->start();
        std::printf("listening on 127.0.0.1:%u\n", static_cast<unsigned>(server.port()));
        std::fflush(stdout);

        int signal = 0;
        sigwait(&stopSignals, &signal);
        // Running statements notice the stop within moments; should one not, the process ends anyway
        // (SQLite's journal keeps every committed change).
        std::thread([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            std::fputs("norvane-sandbox: stopped without waiting for the running statements\n", stderr);
            std::_Exit(0);
        }).detach();
        if (browser)
            browser->stop();
        server.stop();
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "norvane-sandbox: " << error.what() << "\n";
        return 1;
    }
}
