// Graphs: the curves of a whole lap drawn in one pass (grf_replay, each kind) and one record
// plotted during the live link or a replay (trace_plot), on the real image canvas.
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "BenchmarkMain.h"
#include "display/Graphs.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "state/MainformState.h"
#include "widgets/ImageCanvas.h"

namespace {

constexpr int kLapRecords = 6000;

// A generated log in the image, with 6000 records from the first lap on: the longest lap the
// terminal takes. `oneLap` makes the course as long as those records drive (about 21 km, a
// ten-minute lap), so the curves cross the frame once as on a real long lap; otherwise the
// course is the circuit's own length, the distance wraps about ten times and the curves are
// drawn ten times over (the worst case for drawing).
struct LongLap {
    std::unique_ptr<vt::Module1> m = vt::makeModule1();
    std::unique_ptr<vt::MainformState> f;

    LongLap(double scale, bool oneLap) : f(vt::makeMainformState(vt::imageCanvases(scale))) {
        loggen::GenOptions o;
        o.laps = 12;
        o.course = "circuit";
        loggen::GenResult gen = loggen::generateLog(o);
        if (!gen) {
            std::fprintf(stderr, "log generator: %s\n", gen.error.c_str());
            std::abort();
        }
        std::vector<uint8_t> bytes = gen.memory->fileBytes();
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        vt::LoadReport report;
        std::string error;
        if (!vt::log_read(*m, in, &report, &error)) {
            std::fprintf(stderr, "log_read: %s\n", error.c_str());
            std::abort();
        }
        vt::af_table_build(f->AfTable);
        m->LapCur = m->LapFirst;
        if (!vt::locate_lap(*m) || m->RecPtr + kLapRecords > report.records) {
            std::fprintf(stderr, "the generated log is too short\n");
            std::abort();
        }
        m->RecCount = kLapRecords;
        m->CourseLen = static_cast<int16_t>(std::lround(gen.memory->course.length));
        if (oneLap) {
            // The distance the records cover, without wrapping.
            m->CourseLen = 0;
            f->XScale = 0;
            m->DistCount = 0;
            for (int32_t r = 1; r < kLapRecords; ++r) {
                vt::load_record(*m, m->RecPtr + r);
                if (m->RawRec[13] != 254) vt::nama_store(*m, vt::angleDisplay(*m, *f), f->XScale, f->TraceX);
            }
            m->CourseLen = m->Chan[10];
        }
        f->XScale = 350.0f / static_cast<float>(m->CourseLen);
        m->SegNo = 0;
    }
};

void BM_grf_replay(benchmark::State& state) {
    LongLap lap(2.0, state.range(1) != 0);
    lap.m->GraphKind = static_cast<int16_t>(state.range(0));
    vt::grf_refresh(*lap.m, *lap.f);  // the frame the curves go into
    for (auto _ : state) {
        vt::grf_replay(*lap.m, *lap.f);
        benchmark::DoNotOptimize(lap.f->DistTbl.data());
    }
    state.SetItemsProcessed(state.iterations() * (kLapRecords - 1));
}
BENCHMARK(BM_grf_replay)
    ->ArgNames({"kind", "oneLap"})
    ->ArgsProduct({{3, 4, 5, 7}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

// The whole graph: frame, scales, distance axis and curves, as a click on a graph button.
void BM_grf_refresh(benchmark::State& state) {
    LongLap lap(2.0, true);
    lap.m->GraphKind = static_cast<int16_t>(state.range(0));
    for (auto _ : state) vt::grf_refresh(*lap.m, *lap.f);
}
BENCHMARK(BM_grf_refresh)->Arg(3)->Arg(4)->Arg(5)->Arg(7)->Unit(benchmark::kMillisecond);

// One record, always on a new pixel column next to the last one, so every call draws all the
// curves of the kind (the worst case; records sharing a column return at once).
void BM_trace_plot(benchmark::State& state) {
    LongLap lap(2.0, true);
    vt::Module1& m = *lap.m;
    vt::MainformState& f = *lap.f;
    m.GraphKind = static_cast<int16_t>(state.range(0));
    vt::grf_refresh(m, f);
    int column = 1;
    int32_t r = 1;
    for (auto _ : state) {
        vt::load_record(m, m.RecPtr + r);
        r = r % (kLapRecords - 2) + 1;
        vt::nama_store(m, vt::angleDisplay(m, f), f.XScale, f.TraceX);
        f.TraceX = static_cast<float>(column);
        column = column % 349 + 1;
        vt::trace_plot(m, f);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_trace_plot)->Arg(3)->Arg(4)->Arg(5)->Arg(7);

}  // namespace

int main(int argc, char** argv) { return vt::bench::benchmarkMain<QGuiApplication>(argc, argv); }
