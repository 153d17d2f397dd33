#pragma once
// The servers the connection dialog offers: those configured for FreeTDS in freetds.conf,
// and the instances that the SQL Server Browser on this machine (127.0.0.1 only) reports.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace norvane {

// One instance as a SQL Server Browser reply describes it.
struct BrowserInstance {
    QString serverName;
    QString instanceName;
    int tcpPort = 0;  // 0 when the reply names no TCP port
};

// The freetds.conf in use: env FREETDSCONF, else ~/.freetds.conf, else /etc/freetds/freetds.conf;
// the first that exists, or empty.
QString freeTdsConfPath();

// The servers of a freetds.conf, in file order, [global] excepted. A section is listed in a form
// the connection string can reach without the file: "host,port" when it gives a port, else
// "host\instance" when it names an instance, else "host"; a section without host is skipped.
QStringList freeTdsConfServers(const QString& path);

// Splits an SVR_RESP datagram (0x05, little-endian size, "name;value;...;;" records).
std::vector<BrowserInstance> parseBrowserReply(const QByteArray& datagram);

// How an instance is listed: "127.0.0.1,PORT" when the reply carries a TCP port (the reply
// came from this machine, and FreeTDS reaches an instance by port); otherwise "Server\Instance",
// or "Server" for the default instance MSSQLSERVER.
QString browserListEntry(const BrowserInstance& instance);

// Sends CLNT_UCAST_EX (one byte 0x03) to 127.0.0.1:port and collects the answer for at most
// timeoutMs milliseconds. Never a broadcast and never another address.
QStringList queryLocalBrowser(quint16 port, int timeoutMs = 1000);

// The browser port: env NORVANE_BROWSER_PORT when it holds a valid port, else 1434.
quint16 browserPort();

// The address behind an ODBC data source, as a Data Source text ("host,port", "host\\instance",
// "host"): its Server/Address and Port keys, or the freetds.conf section its Servername names.
// The user's file ($ODBCINI, else ~/.odbc.ini) is read before the system file
// ($ODBCSYSINI/odbc.ini, else /etc/odbc.ini). Empty when the source is not found.
QString dsnServerAddress(const QString& dsnName);

// freetds.conf servers, then the local browser's instances; exact duplicates (ignoring case) once.
QStringList ListServers();

}  // namespace norvane
