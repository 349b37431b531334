// Course layout of a full-length lap and the value panel per record.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "BenchmarkMain.h"
#include "course/CourseLayout.h"
#include "display/Panel.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "state/MainformState.h"
#include "state/Module1.h"
#include "widgets/ImageCanvas.h"

// Heap allocations, counted so that the per-record path can show it makes none.
std::atomic<long> gAllocations{0};

void* operator new(std::size_t n) {
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace vt;

// A lap of 6000 records (lap marker, 5 segment markers, 5994 samples) of changing speed and
// lateral G, as a lap of about ten minutes looks.
void fillLap(Module1& m) {
    m.MmPerPulse = 200;
    m.RecPtr = 0;
    m.RecCount = 6000;
    const char letters[] = "SLRSLR";
    for (int s = 1; s <= 6; ++s) m.LapTbl[0][static_cast<size_t>(s)][27] = static_cast<uint8_t>(letters[s - 1]);
    for (int n = 0; n < 6000; ++n) {
        auto& r = m.LogMem[static_cast<size_t>(n)];
        r = {};
        if (n % 1000 == 0) {
            r[6] = n == 0 ? 255 : 254;
            continue;
        }
        const double t = n * 0.01;
        const int g = static_cast<int>(std::lround(40 * std::sin(t) + 15 * std::sin(3.1 * t)));
        const int speed = 60 + static_cast<int>(std::lround(50 * (1 + std::cos(t))));
        r[0] = static_cast<uint8_t>(static_cast<int8_t>(g));
        r[12] = static_cast<uint8_t>(speed >> 8);
        r[13] = static_cast<uint8_t>(speed & 255);
        r[14] = 0;
        r[15] = 30;
    }
}

class NoEvents : public EventPump {
  public:
    void processEvents() override {}
    void idle(int) override {}
};

void BM_CourseLayout6000(benchmark::State& state) {
    auto m = makeModule1();
    auto f = makeMainformState(vt::imageCanvases(1.0));
    fillLap(*m);
    f->CHK_AVR.Caption = "ON";
    NoEvents pump;
    const int16_t length = 9000;
    for (auto _ : state) {
        Corse_layout(*m, *f, pump, length);
        benchmark::DoNotOptimize(f->course_pts);
    }
}
BENCHMARK(BM_CourseLayout6000)->Unit(benchmark::kMillisecond);

// The arithmetic alone (offset, heading and position passes), without the final pass and drawing.
void BM_CourseClosure6000(benchmark::State& state) {
    auto m = makeModule1();
    auto f = makeMainformState(vt::imageCanvases(1.0));
    fillLap(*m);
    f->CHK_AVR.Caption = "ON";
    NoEvents pump;
    for (auto _ : state) benchmark::DoNotOptimize(course_closure(*m, *f, pump));
}
BENCHMARK(BM_CourseClosure6000)->Unit(benchmark::kMillisecond);

void BM_DispUpdate(benchmark::State& state) {
    auto m = makeModule1();
    auto f = makeMainformState(vt::imageCanvases(1.0));
    fillLap(*m);
    NoEvents pump;
    Corse_layout(*m, *f, pump, 9000);
    af_table_build(f->AfTable);
    m->CourseLen = 9000;
    m->RpmMax = 10000;
    m->AFMode = 1470;
    m->TachoPulse = 1;
    meter_set(*m, *f);
    f->PitOn = kTrue;
    int32_t n = 1;
    const long before = gAllocations;
    for (auto _ : state) {
        if (++n >= 6000) n = 1;
        if (isMarker(*m, n)) continue;
        load_record(*m, n);
        m->RawRec[3] = static_cast<uint8_t>(n >> 8);
        m->RawRec[4] = static_cast<uint8_t>(n & 255);
        m->RawRec[9] = static_cast<uint8_t>(n & 255);
        f->PitCount = n % 5000;
        disp_update(*m, *f);
    }
    state.counters["allocs/record"] =
        benchmark::Counter(static_cast<double>(gAllocations - before) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_DispUpdate);

}  // namespace

int main(int argc, char** argv) { return vt::bench::benchmarkMain<QGuiApplication>(argc, argv); }
