#include "support/sandbox_process.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace norvane::test {

namespace {

QString sandboxExecutable()
{
    QByteArray path = qgetenv("NORVANE_SANDBOX");
#ifdef NORVANE_SANDBOX_DEFAULT
    if (path.isEmpty())
        path = NORVANE_SANDBOX_DEFAULT;
#endif
    if (path.isEmpty())
        throw std::runtime_error("NORVANE_SANDBOX is not set: run the tests through ctest");
    return QString::fromLocal8Bit(path);
}

// Reads the child's stdout until the "listening on 127.0.0.1:PORT" line; 0 when it did not come.
int readListeningPort(int fd, pid_t pid, std::string& seen)
{
    const std::string marker = "listening on 127.0.0.1:";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd descriptor{fd, POLLIN, 0};
        if (poll(&descriptor, 1, 200) > 0) {
            char buffer[512];
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got <= 0)
                return 0;
            seen.append(buffer, static_cast<std::size_t>(got));
            const std::size_t at = seen.find(marker);
            if (at != std::string::npos) {
                const std::size_t end = seen.find('\n', at);
                if (end != std::string::npos)
                    return std::atoi(seen.substr(at + marker.size(), end - at - marker.size()).c_str());
            }
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return 0;
    }
    return 0;
}

} // namespace

SandboxProcess::SandboxProcess(Options options) : options_(std::move(options))
{
    if (options_.dataDirectory.isEmpty()) {
        ownDirectory_ = std::make_unique<QTemporaryDir>();
        dataDirectory_ = ownDirectory_->path();
    } else {
        dataDirectory_ = options_.dataDirectory;
    }
    start();
}

SandboxProcess::~SandboxProcess()
{
    stop();
}

void SandboxProcess::start()
{
    std::vector<std::string> arguments{sandboxExecutable().toStdString(), "--data", dataDirectory_.toStdString(),
                                       "--port", "0"};
    if (options_.sample)
        arguments.emplace_back("--sample");
    for (const QString& login : options_.logins) {
        arguments.emplace_back("--login");
        arguments.push_back(login.toStdString());
    }
    if (options_.workDelayMs > 0) {
        arguments.emplace_back("--work-delay-ms");
        arguments.push_back(std::to_string(options_.workDelayMs));
    }
    if (options_.logoutDelayMs > 0) {
        arguments.emplace_back("--logout-delay-ms");
        arguments.push_back(std::to_string(options_.logoutDelayMs));
    }
    if (options_.browserPort > 0) {
        arguments.emplace_back("--browser-port");
        arguments.push_back(std::to_string(options_.browserPort));
    }

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t parent = getpid();
    // The signal below follows the forking thread, not the process: only the main thread's fork asks for it.
    const bool onMainThread = static_cast<pid_t>(syscall(SYS_gettid)) == parent;
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        // A test process killed before it could stop its sandbox takes the sandbox with it.
        if (onMainThread) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent)
                _exit(127);
        }
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    pid_ = child;
    std::string seen;
    port_ = readListeningPort(pipeEnds[0], pid_, seen);
    // Later output would fill the pipe and block the child: keep draining it on a detached reader.
    const int fd = pipeEnds[0];
    std::thread([fd] {
        char buffer[4096];
        while (read(fd, buffer, sizeof buffer) > 0) {
        }
        close(fd);
    }).detach();
    if (port_ <= 0) {
        stop();
        throw std::runtime_error("norvane-sandbox did not start; it printed: " + seen);
    }
}

int SandboxProcess::stop()
{
    if (pid_ <= 0)
        return 0;
    kill(pid_, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_ || (done < 0 && errno == ECHILD))
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
    port_ = 0;
    return status;
}

void SandboxProcess::restart()
{
    stop();
    options_.sample = false; // the data is already there
    start();
}

QString SandboxProcess::dataSource() const
{
    return QStringLiteral("127.0.0.1,%1").arg(port_);
}

QString SandboxProcess::connectionString(const QString& database, const QString& user, const QString& password) const
{
    return QStringLiteral("Provider=SQLOLEDB.1;User ID=%1;Pwd=%2;Initial Catalog=%3;Data Source=%4")
        .arg(user, password, database, dataSource());
}

SandboxProcess& sharedSampleSandbox()
{
    PrivateOdbcConfig::instance();
    static SandboxProcess sandbox(SandboxProcess::Options{true, {}, 0, {}});
    return sandbox;
}

PrivateOdbcConfig& PrivateOdbcConfig::instance()
{
    static PrivateOdbcConfig config;
    return config;
}

namespace {

void writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    file.write(text.toUtf8());
}

QString driverLibrary(const char* name)
{
    for (const char* dir : {"/usr/lib/x86_64-linux-gnu/odbc/", "/usr/lib/aarch64-linux-gnu/odbc/", "/usr/lib/odbc/"}) {
        const QString path = QString::fromLatin1(dir) + QString::fromLatin1(name);
        if (QFile::exists(path))
            return path;
    }
    return QString::fromLatin1(name);
}

} // namespace

PrivateOdbcConfig::PrivateOdbcConfig()
{
    for (const char* variable : {"TDSVER", "TDSPORT", "TDSHOST", "TDSQUERY", "TDSDUMP"})
        qunsetenv(variable);
    writeFile(directory_.filePath("odbcinst.ini"),
              QStringLiteral("[FreeTDS]\nDescription=TDS driver (Sybase/MS SQL)\nDriver=%1\n\n"
                             "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=%2\n")
                  .arg(driverLibrary("libtdsodbc.so"), driverLibrary("libsqlite3odbc.so")));
    writeDataSources(QString(), QString());
    qputenv("ODBCSYSINI", directory_.path().toLocal8Bit());
    qputenv("ODBCINSTINI", "odbcinst.ini");
    qputenv("ODBCINI", directory_.filePath("user.ini").toLocal8Bit());
}

void PrivateOdbcConfig::writeDataSources(const QString& systemDsns, const QString& userDsns)
{
    writeFile(directory_.filePath("odbc.ini"), systemDsns);
    writeFile(directory_.filePath("user.ini"), userDsns);
}

} // namespace norvane::test
