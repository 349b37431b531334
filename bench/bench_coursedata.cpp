// The course editor on a 6000-record lap: its preparation, the split with the rebuilt records,
// the whole "exec" with list, layout and graph, and registering the course in a file; then a
// course file read and drawn as loading a course does.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "BenchmarkMain.h"
#include "course/CourseEdit.h"
#include "course/CourseFile.h"
#include "platform/UiServices.h"
#include "state/MainformState.h"
#include "state/Module1.h"
#include "widgets/ImageCanvas.h"

namespace {

using namespace vt;

class NoEvents : public EventPump {
  public:
    void processEvents() override {}
    void idle(int) override {}
};

// A lap of 6000 records behind a lap marker (200 mm a pulse), about ten minutes long, weaving
// through corners of both hands; the logger's own segment markers every 1000 records.
void fillLap(Module1& m) {
    m.MmPerPulse = 200;
    m.MemRecs = 53248;
    m.RecPtr = 0;
    m.RecCount = 6000;
    m.LapCur = 1;
    for (int s = 1; s <= 6; ++s) {
        auto& e = m.LapTbl[1][static_cast<size_t>(s)];
        e[1] = 1;
        e[21] = 200;
        e[27] = 'S';
    }
    for (int n = 0; n <= 6000; ++n) {
        auto& r = m.LogMem[static_cast<size_t>(n)];
        r = {};
        if (n % 1000 == 0) {
            r[6] = n == 0 ? 255 : 254;
            if (n == 0) r[3] = 200;
            continue;
        }
        const double t = n * 0.01;
        const int g = static_cast<int>(std::lround(40 * std::sin(t) + 15 * std::sin(3.1 * t)));
        const int speed = 60 + static_cast<int>(std::lround(50 * (1 + std::cos(t))));
        r[0] = static_cast<uint8_t>(static_cast<int8_t>(g));
        r[12] = static_cast<uint8_t>(speed >> 8);
        r[13] = static_cast<uint8_t>(speed & 255);
        r[15] = static_cast<uint8_t>(speed / 5);
    }
    m.HdrWord8 = 50;
    m.HdrByte10 = 30;
    m.SegMinLen = 20;
}

struct Editor {
    std::unique_ptr<Module1> m = makeModule1();
    std::unique_ptr<MainformState> f = makeMainformState(vt::imageCanvases(1.0));
    NonInteractiveUi ui;
    VirtualClock clock;
    NoEvents pump;
    Services s{ui, clock, pump};
    Editor() {
        fillLap(*m);
        f->CHK_AVR.Caption = "ON";
    }
};

void BM_EditPrepare6000(benchmark::State& state) {
    Editor e;
    for (auto _ : state) {
        e.m->RecPtr = 0;
        e.m->RecCount = 6000;
        e.m->LapCur = 1;
        edit_prepare(*e.m, *e.f, e.pump);
        benchmark::DoNotOptimize(e.f->EditCount);
    }
}
BENCHMARK(BM_EditPrepare6000)->Unit(benchmark::kMicrosecond);

// The split and the rebuilt records (what each "exec" recomputes).
void BM_EditSegment6000(benchmark::State& state) {
    Editor e;
    edit_prepare(*e.m, *e.f, e.pump);
    int segments = 0;
    for (auto _ : state) {
        edit_segment(*e.m, *e.f);
        benchmark::DoNotOptimize(e.m->RecCount);
    }
    while (segments < 15 && lapWord(*e.m, 0, segments + 1, 0) != 0) ++segments;
    state.counters["segments"] = segments;
    state.counters["records"] = e.m->RecCount + 1;
}
BENCHMARK(BM_EditSegment6000)->Unit(benchmark::kMicrosecond);

// "exec" as the user sees it: the split, the course list, the layout and the lateral-G graph.
void BM_EditExec6000(benchmark::State& state) {
    Editor e;
    e.m->CourseLen = 9000;
    edit_prepare(*e.m, *e.f, e.pump);
    for (auto _ : state) {
        edit_exec(*e.m, *e.f, e.s);
        benchmark::DoNotOptimize(e.f->course_pts);
    }
}
BENCHMARK(BM_EditExec6000)->Unit(benchmark::kMillisecond);

std::string benchFile(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

// Registering the course: the course file written through a temporary and renamed.
void BM_CourseWrite6000(benchmark::State& state) {
    Editor e;
    edit_prepare(*e.m, *e.f, e.pump);
    edit_segment(*e.m, *e.f);
    const std::string path = benchFile("veltra-bench-course.dat");
    std::string error;
    for (auto _ : state)
        if (!course_write(*e.m, path, &error)) state.SkipWithError(error.c_str());
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_CourseWrite6000)->Unit(benchmark::kMicrosecond);

// Loading that file as the course menu does: checked, read, listed, laid out and drawn, graph.
void BM_CourseLoadAndDraw6000(benchmark::State& state) {
    Editor made;
    edit_prepare(*made.m, *made.f, made.pump);
    edit_segment(*made.m, *made.f);
    const std::string path = benchFile("veltra-bench-course-read.dat");
    std::string error;
    if (!course_write(*made.m, path, &error)) state.SkipWithError(error.c_str());
    Editor e;
    for (auto _ : state)
        if (!corse_open_path(*e.m, *e.f, e.s, path)) state.SkipWithError("not loaded");
    state.counters["points"] = e.f->course_pts;
    std::filesystem::remove(path);
}
BENCHMARK(BM_CourseLoadAndDraw6000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return vt::bench::benchmarkMain<QGuiApplication>(argc, argv); }
