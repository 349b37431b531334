// The lap comparison over two laps of about 6000 records (the longest the terminal takes): each
// lap as time against distance, their difference, the difference graph (the fifth graph, as its
// button draws it), a graph with the reference's curves under the lap's, and the coloured course.
// The speed-and-rpm graph without a reference is measured beside them as the baseline.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "BenchmarkMain.h"
#include "compare/LapCompare.h"
#include "course/CourseCompare.h"
#include "course/LapChoice.h"
#include "display/CompareGraphs.h"
#include "display/Graphs.h"
#include "logdata/Conversions.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "platform/Clock.h"
#include "platform/UiServices.h"
#include "state/MainformState.h"
#include "widgets/ImageCanvas.h"

namespace {

using namespace vt;

constexpr int kMinRecords = 5600, kMaxRecords = 5999;

// Spa's line made larger until a street car needs close to 6000 records for a lap of it; three
// laps, the second slowed through La Source, in the image, lap 2 chosen and lap 1 its reference.
struct LongLaps {
    std::unique_ptr<Module1> m = makeModule1();
    std::unique_ptr<MainformState> f = makeMainformState(imageCanvases(2.0));
    VirtualClock clock;
    VirtualPump pump{clock};
    NonInteractiveUi ui;
    Services s{ui, clock, pump};
    int records = 0;

    LongLaps() {
        const loggen::CourseResult spa =
            loggen::loadCourseFile(std::string(VELTRA_SOURCE_DIR) + "/data/tracks/Spa.csv");
        if (!spa.ok()) fail(spa.error);
        for (double scale = 4.4; scale < 4.75 && records == 0; scale += 0.02) {
            std::vector<loggen::Point> points = spa.course.points;
            for (loggen::Point& p : points) p = {p.x * scale, p.y * scale};
            const loggen::CourseResult big = loggen::makeCourse("big Spa", points);
            if (!big.ok()) fail(big.error);
            loggen::GenOptions o;
            o.laps = 3;
            o.segments = 8;
            o.carType = loggen::kNormal;
            o.slowLap = 2;
            o.slowAt = 395 * scale;
            o.slowLength = 100 * scale;
            const loggen::GenResult gen = loggen::generateLog(o, big.course);
            if (!gen) continue;  // too long a lap for the terminal
            const int n = gen.memory->laps[1].recordCount;
            if (n < kMinRecords || n > kMaxRecords) continue;
            const std::vector<uint8_t> bytes = gen.memory->fileBytes();
            std::istringstream in(std::string(bytes.begin(), bytes.end()));
            std::string error;
            if (!log_read(*m, in, nullptr, &error)) fail(error);
            m->RecLast = m->RecCount - 1;
            m->RecCount = 0;
            records = n;
        }
        if (records == 0) fail("no scale of Spa gives a lap of 5600..5999 records");
        af_table_build(f->AfTable);
        f->CHK_AVR.Caption = "OFF";
        m->GraphKind = 3;
        if (!choose_lap(*m, *f, s, 2)) fail("lap 2 cannot be chosen");
        std::string why;
        if (!reference_from_image(*m, 1, "big", "big.log", f->RefLap, &why)) fail(why);
    }
    [[noreturn]] static void fail(const std::string& why) {
        std::fprintf(stderr, "bench_compare: %s\n", why.c_str());
        std::abort();
    }
};

LongLaps& laps() {
    static LongLaps l;
    return l;
}

void counters(benchmark::State& state) {
    state.counters["records"] = static_cast<double>(laps().records);
    state.counters["refRecords"] = static_cast<double>(laps().f->RefLap.Records.size());
}

// One lap as time against distance (the current lap: the phase from every lap of the log).
void BM_lap_trace(benchmark::State& state) {
    LongLaps& l = laps();
    for (auto _ : state) {
        LapTrace t = lap_trace(currentLap(*l.m));
        benchmark::DoNotOptimize(t.length);
    }
    counters(state);
}
BENCHMARK(BM_lap_trace)->Unit(benchmark::kMicrosecond);

// Both laps traced and their difference at every point of the current lap.
void BM_compare_laps(benchmark::State& state) {
    LongLaps& l = laps();
    for (auto _ : state) {
        LapComparison c = compare_current(*l.m, l.f->RefLap);
        benchmark::DoNotOptimize(c.diff.final);
    }
    counters(state);
}
BENCHMARK(BM_compare_laps)->Unit(benchmark::kMicrosecond);

// The difference and its graph: what the Time diff button draws (frame, scales, segment marks
// from the lap's records, the difference curve, the final figure).
void BM_grf_8(benchmark::State& state) {
    LongLaps& l = laps();
    for (auto _ : state) grf_8_Click(*l.m, *l.f);
    counters(state);
}
BENCHMARK(BM_grf_8)->Unit(benchmark::kMicrosecond);

// The speed-and-rpm graph without a reference (the baseline) and with the reference's curves.
void BM_grf_3(benchmark::State& state) {
    LongLaps& l = laps();
    const bool on = state.range(0) != 0;
    l.f->RefLap.On = on;
    for (auto _ : state) grf_3_Click(*l.m, *l.f);
    l.f->RefLap.On = true;
    counters(state);
}
BENCHMARK(BM_grf_3)->ArgName("reference")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The course coloured by time gained and lost, over the layout already drawn.
void BM_course_gain_paint(benchmark::State& state) {
    LongLaps& l = laps();
    for (auto _ : state) course_gain_paint(*l.m, *l.f);
    counters(state);
}
BENCHMARK(BM_course_gain_paint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return vt::bench::benchmarkMain<QGuiApplication>(argc, argv); }
