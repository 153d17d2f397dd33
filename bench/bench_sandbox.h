#pragma once
// The one sandbox of a benchmark program, started and filled on first use.
#include "shell/data/connection.h"
#include "support/sandbox_process.h"

#include <functional>

inline norvane::test::SandboxProcess& filledBenchSandbox(const std::function<void(norvane::Connection&)>& fill)
{
    static norvane::test::PrivateOdbcConfig& odbc = norvane::test::PrivateOdbcConfig::instance();
    (void)odbc;
    static norvane::test::SandboxProcess sandbox;
    static const bool filled = [&] {
        norvane::Connection connection;
        connection.open(sandbox.connectionString());
        fill(connection);
        connection.close();
        return true;
    }();
    (void)filled;
    return sandbox;
}
