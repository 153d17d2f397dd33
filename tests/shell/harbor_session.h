#pragma once
// The session connected to a database of the shared sample sandbox, as the
// connection dialog leaves it; and scratch databases made for a test program.
#include "shell/session.h"
#include "support/sandbox_process.h"

#include <QStringList>

namespace norvane::testing {

// Opens the session's connection on the database and marks the session connected.
inline void connectSessionTo(const QString& database)
{
    test::PrivateOdbcConfig::instance();
    test::SandboxProcess& sandbox = test::sharedSampleSandbox();
    Session& s = session();
    s.connection.open(sandbox.connectionString(database));
    s.ServerName = sandbox.dataSource();
    s.DatabaseName = database;
    s.UserName = QStringLiteral("sa");
    s.Connected = true;
    s.EverConnected = true;
}

// Runs each batch, in order, on a connection of its own to the database.
inline void runBatches(const QString& database, const QStringList& batches)
{
    test::PrivateOdbcConfig::instance();
    Connection connection;
    connection.open(test::sharedSampleSandbox().connectionString(database));
    for (const QString& batch : batches)
        connection.executeCommand(batch);
    connection.close();
}

// A new empty database on the shared sandbox (dropped first when a previous run left it).
inline void createScratchDatabase(const QString& name)
{
    runBatches(QStringLiteral("master"),
               {QStringLiteral("IF EXISTS (SELECT name FROM master..sysdatabases WHERE name = N'") + name +
                    QStringLiteral("') DROP DATABASE [") + name + QStringLiteral("]"),
                QStringLiteral("CREATE DATABASE [") + name + QStringLiteral("]")});
}

} // namespace norvane::testing
