#pragma once
// The main() of the benchmarks that drive windows: an offscreen application, and the
// session's connection closed while the sandbox that serves it still runs.
#include "shell/session.h"

#include <QApplication>

#include <benchmark/benchmark.h>

inline int runWindowBenchmarks(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    norvane::session().connection = norvane::Connection();
    return 0;
}
