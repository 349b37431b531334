// nama_store: records decoded per second (live frames, replay and text export all run it).
#include <cstring>
#include <random>

#include <benchmark/benchmark.h>

#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "state/MainformState.h"

namespace {

void BM_nama_store(benchmark::State& state) {
    auto m = vt::makeModule1();
    auto f = vt::makeRecordingMainformState();
    vt::af_table_build(f->AfTable);
    m->MmPerPulse = 200;
    m->TachoPulse = 1;
    m->CourseLen = 2000;
    m->RecCount = 1;
    f->XScale = 350.0f / 2000.0f;
    // A spread of realistic records, decoded in turn.
    std::mt19937 rng(1);
    std::vector<std::array<uint8_t, 16>> records(4096);
    for (auto& r : records) {
        for (auto& b : r) b = static_cast<uint8_t>(rng());
        r[6] = 0;
        r[7] = static_cast<uint8_t>(60 + rng() % 40);
        r[10] = static_cast<uint8_t>(rng() % 2);
        r[12] = 0;
        r[13] = static_cast<uint8_t>(rng() % 200);
        r[14] = 0;
        r[15] = static_cast<uint8_t>(rng() % 30);
    }
    size_t i = 0;
    for (auto _ : state) {
        std::memcpy(&m->RawRec[7], records[i++ & 4095].data(), 16);
        vt::nama_store(*m, vt::angleDisplay(*m, *f), f->XScale, f->TraceX);
        benchmark::DoNotOptimize(m->Chan.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_nama_store);

}  // namespace

BENCHMARK_MAIN();
