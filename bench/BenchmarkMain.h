// The main of the benchmarks that draw pictures or open windows: Qt's offscreen platform unless
// another is asked for, and the application `App` (QGuiApplication for pictures and their font,
// QApplication for windows). Header-only, so the benchmark folder's glob makes no program of it.
#pragma once

#include <cstdlib>

#include <benchmark/benchmark.h>

#include "platform/UiServices.h"

namespace vt::bench {

template <typename App>
int benchmarkMain(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    quietRuntimeDir();
    int qtArgc = 1;  // the benchmark's options are not Qt's
    App app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace vt::bench
