#include "shell/data/server_discovery.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace norvane {

namespace {

constexpr quint16 kDefaultBrowserPort = 1434;
constexpr char kClientUnicastEx = 0x03;
constexpr char kServerResponse = 0x05;

// Owns a socket descriptor.
struct SocketHandle {
    explicit SocketHandle(int descriptor) : fd(descriptor) {}
    ~SocketHandle()
    {
        if (fd >= 0)
            ::close(fd);
    }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    int fd;
};

struct ConfSection {
    QString name;
    QString host;
    QString port;
    QString instance;
    QString servername;
};

QString stripComment(const QString& line)
{
    // Comments in freetds.conf and odbc.ini start with ';' or '#' at the beginning of a line.
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(';') || trimmed.startsWith('#'))
        return QString();
    return trimmed;
}

// The sections of an INI-style file with the keys the discovery needs (names case-insensitive).
std::vector<ConfSection> readSections(const QString& path)
{
    std::vector<ConfSection> sections;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return sections;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = stripComment(in.readLine());
        if (line.isEmpty())
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            ConfSection section;
            section.name = line.mid(1, line.size() - 2).trimmed();
            sections.push_back(section);
            continue;
        }
        if (sections.empty())
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        ConfSection& current = sections.back();
        if (key == "host" || key == "server" || key == "address")
            current.host = value;
        else if (key == "port")
            current.port = value;
        else if (key == "instance")
            current.instance = value;
        else if (key == "servername")
            current.servername = value;
    }
    return sections;
}

QString sectionEntry(const ConfSection& section)
{
    if (section.host.isEmpty())
        return QString();
    bool portOk = false;
    const int port = section.port.toInt(&portOk);
    if (portOk && port > 0 && port <= 65535)
        return section.host + ',' + QString::number(port);
    if (!section.instance.isEmpty())
        return section.host + '\\' + section.instance;
    return section.host;
}

}  // namespace

QString freeTdsConfPath()
{
    const QString fromEnv = qEnvironmentVariable("FREETDSCONF");
    if (!fromEnv.isEmpty())
        return QFileInfo::exists(fromEnv) ? fromEnv : QString();
    const QString user = QDir::homePath() + "/.freetds.conf";
    if (QFileInfo::exists(user))
        return user;
    const QString system = "/etc/freetds/freetds.conf";
    if (QFileInfo::exists(system))
        return system;
    return QString();
}

QStringList freeTdsConfServers(const QString& path)
{
    QStringList servers;
    for (const ConfSection& section : readSections(path)) {
        if (section.name.compare("global", Qt::CaseInsensitive) == 0)
            continue;
        const QString entry = sectionEntry(section);
        if (!entry.isEmpty())
            servers.append(entry);
    }
    return servers;
}

QString dsnServerAddress(const QString& dsnName)
{
    const QString userFile = qEnvironmentVariable("ODBCINI", QDir::homePath() + "/.odbc.ini");
    const QString systemDir = qEnvironmentVariable("ODBCSYSINI", "/etc");
    for (const QString& path : {userFile, systemDir + "/odbc.ini"}) {
        for (const ConfSection& section : readSections(path)) {
            if (section.name.compare(dsnName, Qt::CaseInsensitive) != 0)
                continue;
            if (!section.host.isEmpty())
                return sectionEntry(section);
            if (section.servername.isEmpty())
                return QString();
            for (const ConfSection& conf : readSections(freeTdsConfPath())) {
                if (conf.name.compare(section.servername, Qt::CaseInsensitive) == 0)
                    return sectionEntry(conf);
            }
            return QString();
        }
    }
    return QString();
}

std::vector<BrowserInstance> parseBrowserReply(const QByteArray& datagram)
{
    std::vector<BrowserInstance> instances;
    if (datagram.size() < 3 || datagram.at(0) != kServerResponse)
        return instances;
    const auto declared = static_cast<qsizetype>(static_cast<unsigned char>(datagram.at(1)))
                          | (static_cast<qsizetype>(static_cast<unsigned char>(datagram.at(2))) << 8);
    const QByteArray data = datagram.mid(3, std::min(declared, datagram.size() - 3));
    const QString text = QString::fromLocal8Bit(data);

    for (const QString& record : text.split(";;", Qt::SkipEmptyParts)) {
        const QStringList parts = record.split(';');
        BrowserInstance instance;
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
            const QString key = parts.at(i).trimmed();
            const QString value = parts.at(i + 1).trimmed();
            if (key.compare("ServerName", Qt::CaseInsensitive) == 0) {
                instance.serverName = value;
            } else if (key.compare("InstanceName", Qt::CaseInsensitive) == 0) {
                instance.instanceName = value;
            } else if (key.compare("tcp", Qt::CaseInsensitive) == 0) {
                bool ok = false;
                const int port = value.toInt(&ok);
                instance.tcpPort = (ok && port > 0 && port <= 65535) ? port : 0;
            }
        }
        if (!instance.serverName.isEmpty())
            instances.push_back(instance);
    }
    return instances;
}

QString browserListEntry(const BrowserInstance& instance)
{
    if (instance.tcpPort > 0)
        return QStringLiteral("127.0.0.1,") + QString::number(instance.tcpPort);
    if (instance.instanceName.isEmpty()
        || instance.instanceName.compare("MSSQLSERVER", Qt::CaseInsensitive) == 0)
        return instance.serverName;
    return instance.serverName + '\\' + instance.instanceName;
}

QStringList queryLocalBrowser(quint16 port, int timeoutMs)
{
    QStringList entries;
    // A connected socket hears only 127.0.0.1:port, and learns at once (ECONNREFUSED) when nothing listens there.
    const SocketHandle socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (socket.fd < 0)
        return entries;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return entries;
    const char request = kClientUnicastEx;
    if (::send(socket.fd, &request, 1, 0) != 1)
        return entries;

    // One unicast destination: the first answer from it is the whole answer.
    QDeadlineTimer deadline(timeoutMs);
    QByteArray buffer(65535 + 3, Qt::Uninitialized);
    while (!deadline.hasExpired()) {
        pollfd waiting{socket.fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        const ssize_t received = ::recv(socket.fd, buffer.data(), static_cast<size_t>(buffer.size()), 0);
        if (received < 0)
            break;  // refused: no browser on that port
        for (const BrowserInstance& instance : parseBrowserReply(buffer.left(received)))
            entries.append(browserListEntry(instance));
        if (!entries.isEmpty())
            break;
    }
    return entries;
}

quint16 browserPort()
{
    bool ok = false;
    const int port = qEnvironmentVariable("NORVANE_BROWSER_PORT").toInt(&ok);
    if (ok && port > 0 && port <= 65535)
        return static_cast<quint16>(port);
    return kDefaultBrowserPort;
}

QStringList ListServers()
{
    QStringList servers;
    auto addOnce = [&servers](const QString& entry) {
        if (!servers.contains(entry, Qt::CaseInsensitive))
            servers.append(entry);
    };
    for (const QString& entry : freeTdsConfServers(freeTdsConfPath()))
        addOnce(entry);
    for (const QString& entry : queryLocalBrowser(browserPort()))
        addOnce(entry);
    return servers;
}

}  // namespace norvane
