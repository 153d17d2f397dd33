// The server list of the connection dialog: freetds.conf sections and the answer of a
// SQL Server Browser on this machine.
#include "shell/data/server_discovery.h"
#include "support/qt_printers.h"
#include "support/sandbox_process.h"

#include <QFile>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace norvane;

namespace {

QByteArray browserReply(const QByteArray& records)
{
    QByteArray reply;
    reply.append(char(0x05));
    reply.append(char(records.size() & 0xFF));
    reply.append(char((records.size() >> 8) & 0xFF));
    reply.append(records);
    return reply;
}

// A one-shot SQL Server Browser on a loopback port: records the request and answers it.
class TinyBrowser {
public:
    explicit TinyBrowser(QByteArray reply) : reply_(std::move(reply))
    {
        std::promise<quint16> bound;
        std::future<quint16> port = bound.get_future();
        thread_ = std::thread([this, &bound] { serve(bound); });
        port_ = port.get();
    }
    ~TinyBrowser() { thread_.join(); }

    quint16 port() const { return port_; }
    QByteArray request() const { return request_; }
    QHostAddress destination() const { return destination_; }

private:
    void serve(std::promise<quint16>& bound)
    {
        QUdpSocket socket;  // lives on this thread only
        socket.bind(QHostAddress::LocalHost, 0);
        bound.set_value(socket.localPort());
        if (!socket.waitForReadyRead(3000))
            return;
        const QNetworkDatagram datagram = socket.receiveDatagram();
        request_ = datagram.data();
        destination_ = datagram.destinationAddress();
        socket.writeDatagram(reply_, datagram.senderAddress(), static_cast<quint16>(datagram.senderPort()));
    }

    QByteArray reply_;
    quint16 port_ = 0;
    QByteArray request_;
    QHostAddress destination_;
    std::thread thread_;
};

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
}

}  // namespace

TEST(ServerDiscovery, ListsFreeTdsSectionsAsAddressesThatConnect)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "freetds.conf",
                                   "; a comment\n"
                                   "[global]\n"
                                   "\ttds version = auto\n"
                                   "\tport = 1433\n"
                                   "[sandbox]\n"
                                   "\thost = 127.0.0.1\n"
                                   "\tport = 14330\n"
                                   "# another comment\n"
                                   "[Named]\n"
                                   "  Host = dbhost\n"
                                   "  Instance = SALES\n"
                                   "[plain]\n"
                                   "host=plainhost\n"
                                   "[nohost]\n"
                                   "port = 1433\n"
                                   "[badport]\n"
                                   "host = 10.0.0.9\n"
                                   "port = 99999\n");
    EXPECT_EQ(freeTdsConfServers(path),
              QStringList({"127.0.0.1,14330", "dbhost\\SALES", "plainhost", "10.0.0.9"}));
    EXPECT_TRUE(freeTdsConfServers(dir.filePath("missing.conf")).isEmpty());

    qputenv("FREETDSCONF", path.toUtf8());
    EXPECT_EQ(freeTdsConfPath(), path);
    qputenv("FREETDSCONF", dir.filePath("missing.conf").toUtf8());
    EXPECT_EQ(freeTdsConfPath(), QString());  // a named file that is not there is not replaced by another
    qunsetenv("FREETDSCONF");
}

TEST(ServerDiscovery, ParsesBrowserRepliesIntoEntries)
{
    const QByteArray records = "ServerName;HOSTA;InstanceName;MSSQLSERVER;IsClustered;No;Version;8.00.760;tcp;1433;;"
                               "ServerName;HOSTA;InstanceName;SALES;IsClustered;No;Version;8.00.760;np;\\\\HOSTA\\pipe\\sql;;"
                               "ServerName;HOSTA;InstanceName;DEV;IsClustered;No;Version;8.00.760;tcp;14330;;";
    const std::vector<BrowserInstance> instances = parseBrowserReply(browserReply(records));
    ASSERT_EQ(instances.size(), 3u);
    EXPECT_EQ(instances[0].serverName, "HOSTA");
    EXPECT_EQ(instances[0].instanceName, "MSSQLSERVER");
    EXPECT_EQ(instances[0].tcpPort, 1433);
    EXPECT_EQ(instances[1].instanceName, "SALES");
    EXPECT_EQ(instances[1].tcpPort, 0);
    EXPECT_EQ(instances[2].tcpPort, 14330);

    EXPECT_EQ(browserListEntry(instances[0]), "127.0.0.1,1433");
    EXPECT_EQ(browserListEntry(instances[1]), "HOSTA\\SALES");
    EXPECT_EQ(browserListEntry(instances[2]), "127.0.0.1,14330");
    EXPECT_EQ(browserListEntry(BrowserInstance{"HOSTB", "MSSQLSERVER", 0}), "HOSTB");

    // Not an answer: wrong type byte, too short, a declared size that overruns the datagram.
    EXPECT_TRUE(parseBrowserReply(QByteArray("\x04\x05\x00", 3) + "abcde").empty());
    EXPECT_TRUE(parseBrowserReply(QByteArray("\x05", 1)).empty());
    const std::vector<BrowserInstance> cut =
        parseBrowserReply(QByteArray("\x05\xff\x00", 3) + "ServerName;H;InstanceName;I;tcp;77;;");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].tcpPort, 77);
}

TEST(ServerDiscovery, AsksTheBrowserOnLoopbackWithOneUnicastByte)
{
    TinyBrowser browser(browserReply("ServerName;SANDBOX;InstanceName;SANDBOX;IsClustered;No;Version;8.00.760;tcp;"
                                     "14330;;"));
    EXPECT_EQ(queryLocalBrowser(browser.port()), QStringList({"127.0.0.1,14330"}));
    EXPECT_EQ(browser.request(), QByteArray(1, char(0x03)));
    EXPECT_EQ(browser.destination(), QHostAddress(QHostAddress::LocalHost));
}

TEST(ServerDiscovery, NoBrowserMeansNoEntriesWithinTheWait)
{
    QUdpSocket silent;  // bound, never answers
    ASSERT_TRUE(silent.bind(QHostAddress::LocalHost, 0));
    EXPECT_TRUE(queryLocalBrowser(silent.localPort(), 300).isEmpty());
    EXPECT_EQ(silent.receiveDatagram().data(), QByteArray(1, char(0x03)));
}

TEST(ServerDiscovery, ListServersJoinsTheConfigurationAndTheBrowser)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "freetds.conf",
                                   "[global]\nport = 1433\n[sandbox]\nhost = 127.0.0.1\nport = 14330\n[other]\nhost = dbhost\n");
    TinyBrowser browser(browserReply("ServerName;SANDBOX;InstanceName;SANDBOX;tcp;14330;;"
                                     "ServerName;SANDBOX;InstanceName;SECOND;tcp;14331;;"));
    qputenv("FREETDSCONF", path.toUtf8());
    qputenv("NORVANE_BROWSER_PORT", QByteArray::number(browser.port()));
    EXPECT_EQ(browserPort(), browser.port());
    // The sandbox listed by both appears once, at its configured place.
    EXPECT_EQ(ListServers(), QStringList({"127.0.0.1,14330", "dbhost", "127.0.0.1,14331"}));
    qputenv("NORVANE_BROWSER_PORT", "not a port");
    EXPECT_EQ(browserPort(), 1434);
    qunsetenv("NORVANE_BROWSER_PORT");
    qunsetenv("FREETDSCONF");
}

TEST(ServerDiscovery, FindsTheAddressBehindADataSource)
{
    QTemporaryDir dir;
    const QString conf = writeFile(dir, "freetds.conf", "[harbour]\nhost = 127.0.0.1\nport = 15000\n");
    writeFile(dir, "odbc.ini",
              "[Direct]\nDriver=FreeTDS\nServer=127.0.0.1\nPort=14330\n"
              "[ByName]\nDriver=FreeTDS\nServername=harbour\n"
              "[Shadowed]\nDriver=FreeTDS\nServer=systemhost\n");
    const QString user = writeFile(dir, "user.ini", "[Shadowed]\nDriver=FreeTDS\nServer=userhost\n");
    const QByteArray oldSys = qgetenv("ODBCSYSINI");
    const QByteArray oldUser = qgetenv("ODBCINI");
    qputenv("ODBCSYSINI", dir.path().toUtf8());
    qputenv("ODBCINI", user.toUtf8());
    qputenv("FREETDSCONF", conf.toUtf8());
    EXPECT_EQ(dsnServerAddress("Direct"), "127.0.0.1,14330");
    EXPECT_EQ(dsnServerAddress("ByName"), "127.0.0.1,15000");
    EXPECT_EQ(dsnServerAddress("Shadowed"), "userhost");
    EXPECT_EQ(dsnServerAddress("Missing"), QString());
    qputenv("ODBCSYSINI", oldSys);
    qputenv("ODBCINI", oldUser);
    qunsetenv("FREETDSCONF");
}

TEST(ServerDiscovery, TheSandboxBrowserAnswersWithItsPort)
{
    QUdpSocket probe;  // a free UDP port for the sandbox's browser
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const int browserPortNumber = probe.localPort();
    probe.close();
    test::SandboxProcess::Options options;
    options.browserPort = browserPortNumber;
    test::SandboxProcess sandbox(options);
    const QStringList entries = queryLocalBrowser(static_cast<quint16>(browserPortNumber));
    EXPECT_EQ(entries, QStringList({QString("127.0.0.1,%1").arg(sandbox.port())}));
}
