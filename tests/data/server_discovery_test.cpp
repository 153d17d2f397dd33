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

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
}

} // namespace

TEST(ServerDiscovery, ListsFreeTdsSectionsAsAddressesThatConnect)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "freetds.conf",
                                   "; a comment\n[global]\n\ttds version = auto\n\tport = 1433\n"
                                   "[sandbox]\n\thost = 127.0.0.1\n\tport = 14330\n# another comment\n"
                                   "[Named]\n  Host = dbhost\n  Instance = SALES\n[plain]\nhost=plainhost\n"
                                   "[nohost]\nport = 1433\n[badport]\nhost = 10.0.0.9\nport = 99999\n");
    EXPECT_EQ(freeTdsConfServers(path), QStringList({"127.0.0.1,14330", "dbhost\\SALES", "plainhost", "10.0.0.9"}));
    EXPECT_TRUE(freeTdsConfServers(dir.filePath("missing.conf")).isEmpty());

    qputenv("FREETDSCONF", dir.filePath("missing.conf").toUtf8());
    EXPECT_EQ(freeTdsConfPath(), QString()); // a named file that is not there is not replaced by another
    qunsetenv("FREETDSCONF");
}

TEST(ServerDiscovery, ParsesBrowserRepliesIntoEntries)
{
    auto entries = [](const QByteArray& reply) {
        QStringList texts;
        for (const BrowserInstance& i : parseBrowserReply(reply))
            texts << QString("%1|%2|%3|%4").arg(i.serverName, i.instanceName).arg(i.tcpPort).arg(browserListEntry(i));
        return texts.join(" ");
    };
    EXPECT_EQ(entries(browserReply(
                  "ServerName;HOSTA;InstanceName;MSSQLSERVER;IsClustered;No;Version;8.00.760;tcp;1433;;"
                  "ServerName;HOSTA;InstanceName;SALES;IsClustered;No;Version;8.00.760;np;\\\\HOSTA\\pipe\\sql;;"
                  "ServerName;HOSTA;InstanceName;DEV;IsClustered;No;Version;8.00.760;tcp;14330;;")),
              "HOSTA|MSSQLSERVER|1433|127.0.0.1,1433 HOSTA|SALES|0|HOSTA\\SALES HOSTA|DEV|14330|127.0.0.1,14330");
    EXPECT_EQ(browserListEntry(BrowserInstance{"HOSTB", "MSSQLSERVER", 0}), "HOSTB");
    // Not an answer: wrong type byte, too short; a declared size that overruns the datagram is cut.
    EXPECT_EQ(entries(QByteArray("\x04\x05\x00", 3) + "abcde"), "");
    EXPECT_EQ(entries(QByteArray("\x05", 1)), "");
    EXPECT_EQ(entries(QByteArray("\x05\xff\x00", 3) + "ServerName;H;InstanceName;I;tcp;77;;"), "H|I|77|127.0.0.1,77");
}

TEST(ServerDiscovery, NoBrowserMeansNoEntriesWithinTheWait)
{
    QUdpSocket silent; // bound, never answers
    ASSERT_TRUE(silent.bind(QHostAddress::LocalHost, 0));
    EXPECT_TRUE(queryLocalBrowser(silent.localPort(), 300).isEmpty());
    EXPECT_EQ(silent.receiveDatagram().data(), QByteArray(1, char(0x03)));
}

TEST(ServerDiscovery, FindsTheAddressBehindADataSource)
{
    // Files of its own, read by the program itself: the driver manager's files are left alone.
    test::PrivateOdbcConfig::instance();
    QTemporaryDir dir;
    writeFile(dir, "odbc.ini",
              "[Direct]\nDriver=FreeTDS\nServer=127.0.0.1\nPort=14330\n[ByName]\nDriver=FreeTDS\nServername=harbour\n"
              "[Shadowed]\nDriver=FreeTDS\nServer=systemhost\n");
    const QByteArray oldSys = qgetenv("ODBCSYSINI");
    const QByteArray oldUser = qgetenv("ODBCINI");
    qputenv("ODBCSYSINI", dir.path().toUtf8());
    qputenv("ODBCINI", writeFile(dir, "user.ini", "[Shadowed]\nDriver=FreeTDS\nServer=userhost\n").toUtf8());
    qputenv("FREETDSCONF", writeFile(dir, "freetds.conf", "[harbour]\nhost = 127.0.0.1\nport = 15000\n").toUtf8());
    EXPECT_EQ(dsnServerAddress("Direct"), "127.0.0.1,14330");
    EXPECT_EQ(dsnServerAddress("ByName"), "127.0.0.1,15000");
    EXPECT_EQ(dsnServerAddress("Shadowed"), "userhost");
    EXPECT_EQ(dsnServerAddress("Missing"), QString());
    qputenv("ODBCSYSINI", oldSys);
    qputenv("ODBCINI", oldUser);
    qunsetenv("FREETDSCONF");
}

TEST(ServerDiscovery, ListServersJoinsTheConfigurationAndTheSandboxBrowser)
{
    QUdpSocket probe; // a free UDP port for the sandbox's browser
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const quint16 port = probe.localPort();
    probe.close();
    test::SandboxProcess::Options options;
    options.browserPort = port;
    test::SandboxProcess sandbox(options);
    const QString address = QString("127.0.0.1,%1").arg(sandbox.port());
    EXPECT_EQ(queryLocalBrowser(port), QStringList({address}));

    QTemporaryDir dir;
    qputenv("FREETDSCONF", writeFile(dir, "freetds.conf", "[other]\nhost = dbhost\n").toUtf8());
    qputenv("NORVANE_BROWSER_PORT", QByteArray::number(port));
    EXPECT_EQ(browserPort(), port);
    EXPECT_EQ(ListServers(), QStringList({"dbhost", address}));
    // A server listed by both appears once, at its configured place.
    qputenv("FREETDSCONF", writeFile(dir, "both.conf",
                                     QString("[global]\nport = 1433\n[sandbox]\nhost = 127.0.0.1\nport = %1\n"
                                             "[other]\nhost = dbhost\n")
                                         .arg(sandbox.port())
                                         .toUtf8())
                               .toUtf8());
    EXPECT_EQ(ListServers(), QStringList({address, "dbhost"}));
    qputenv("NORVANE_BROWSER_PORT", "not a port");
    EXPECT_EQ(browserPort(), 1434);
    qunsetenv("NORVANE_BROWSER_PORT");
    qunsetenv("FREETDSCONF");
}
