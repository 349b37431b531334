// Log files: opening a full log against one plain read of the same bytes, building the three
// lists for 100 laps, and the text export of the whole image.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "logfiles/Form3State.h"
#include "logfiles/LapLists.h"
#include "logfiles/ListWindow.h"
#include "logfiles/LogFile.h"
#include "platform/Clock.h"
#include "platform/UiServices.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace {

constexpr int kLaps = 100;
constexpr int kRecords = 65000;
constexpr int kRecordsPerLap = kRecords / kLaps;  // 650: 65 s laps
constexpr int kSegments = 15;

void put16(std::string& s, size_t at, int v) {
    s[at] = static_cast<char>((v >> 8) & 255);
    s[at + 1] = static_cast<char>(v & 255);
}

// A full log: laps 1..100 of 15 segments, 65000 records with lap and segment markers where
// the logger puts them; values vary like a driven lap.
std::string fullLog() {
    std::string bytes(16 + 480 * kLaps + 16 * kRecords, '\0');
    bytes[0] = static_cast<char>(kLaps << 1);
    bytes[1] = 1;
    put16(bytes, 2, 10000);
    put16(bytes, 6, 1470);
    bytes[11] = 1;
    put16(bytes, 12, 200);
    put16(bytes, 14, 200);
    const size_t records = 16 + 480 * kLaps;
    for (int lap = 1; lap <= kLaps; ++lap) {
        const size_t page = 16 + 480 * static_cast<size_t>(lap - 1);
        for (int seg = 1; seg <= kSegments; ++seg) {
            const size_t at = page + 32 * static_cast<size_t>(seg - 1);
            put16(bytes, at, 420 + (lap * 7 + seg * 13) % 60);
            put16(bytes, at + 2, 150 + seg);
            put16(bytes, at + 4, 250 + lap % 9);
            put16(bytes, at + 6, 80 + seg);
            put16(bytes, at + 8, 280 - seg);
            bytes[at + 11] = static_cast<char>((lap + seg) % 2 ? 90 : 170);
            put16(bytes, at + 12, 80);
            put16(bytes, at + 14, 95);
            put16(bytes, at + 16, 100);
            put16(bytes, at + 18, 112);
            put16(bytes, at + 20, 700 + seg);
        }
        put16(bytes, page + 28, 200);
        put16(bytes, page + 30, 16 + (lap - 1) * kRecordsPerLap);
    }
    for (int n = 0; n < kRecords; ++n) {
        const size_t at = records + 16 * static_cast<size_t>(n);
        const int k = n % kRecordsPerLap;
        if (k == 0) {
            put16(bytes, at + 2, 200);
            bytes[at + 6] = static_cast<char>(255);
            continue;
        }
        if (k % 43 == 0 && k / 43 < kSegments) {
            bytes[at + 6] = static_cast<char>(254);
            bytes[at + 9] = static_cast<char>(k / 43);
            continue;
        }
        bytes[at] = static_cast<char>(n * 7 % 256);
        bytes[at + 1] = static_cast<char>(n % 90);
        bytes[at + 2] = static_cast<char>(100 + n % 50);
        bytes[at + 3] = static_cast<char>(n % 200);
        bytes[at + 4] = static_cast<char>(n * 3 % 250);
        bytes[at + 5] = static_cast<char>(n % 255);
        put16(bytes, at + 6, 80 + n % 20);
        put16(bytes, at + 8, 100 + n % 15);
        put16(bytes, at + 10, 150 + n % 100);
        put16(bytes, at + 12, 150 + n % 150);
        put16(bytes, at + 14, 50 + n % 40);
    }
    return bytes;
}

const std::string& logPath() {
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "veltra-bench-full.log").string();
        std::ofstream(p, std::ios::binary) << fullLog();
        return p;
    }();
    return path;
}

// The baseline: the same bytes with one plain read into a buffer made once.
void BM_PlainRead(benchmark::State& state) {
    const std::string& path = logPath();
    const auto size = static_cast<size_t>(std::filesystem::file_size(path));
    std::vector<char> buffer(size);
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        in.read(buffer.data(), static_cast<std::streamsize>(size));
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMicrosecond);

// Opening: the file opened and read into the image (header, 100 laps, 65000 records).
void BM_LogOpen(benchmark::State& state) {
    const std::string& path = logPath();
    auto m = vt::makeModule1();
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        vt::LoadReport report;
        std::string error;
        if (!vt::log_read(*m, in, &report, &error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(m->LogMem[64999][0]);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_LogOpen)->Unit(benchmark::kMicrosecond);

struct Loaded {
    std::unique_ptr<vt::Module1> m = vt::makeModule1();
    std::unique_ptr<vt::MainformState> f = vt::makeRecordingMainformState();
    vt::VirtualClock clock;
    vt::VirtualPump pump{clock};
    vt::ScriptedUi ui;
    vt::Services s{ui, clock, pump};
    Loaded() {
        std::ifstream in(logPath(), std::ios::binary);
        std::string error;
        vt::log_read(*m, in, nullptr, &error);
        m->RecLast = m->RecCount - 1;
        m->RecCount = 0;
        m->CrLfStr = "\r\n";
    }
};

// The three lists of the list window for 100 laps of 15 segments.
void BM_BuildThreeLists(benchmark::State& state) {
    Loaded l;
    size_t chars = 0;
    for (auto _ : state) {
        vt::Form3State st;
        vt::lap_list(*l.m, st);
        chars = st.Text1.size();
        vt::seg_table_list(*l.m, st);
        chars += st.Text1.size();
        vt::one_seg_list(*l.m, st, 7);
        chars += st.Text1.size();
        benchmark::DoNotOptimize(chars);
    }
    state.counters["chars"] = static_cast<double>(chars);
}
BENCHMARK(BM_BuildThreeLists)->Unit(benchmark::kMicrosecond);

// The text export of every lap the ring holds, written to a file.
void BM_TextExport(benchmark::State& state) {
    Loaded l;
    const std::string out = (std::filesystem::temp_directory_path() / "veltra-bench-full.txt").string();
    int64_t lines = 0, total = 0;
    for (auto _ : state) {
        vt::Form3State st;
        std::string error;
        if (!vt::text_export(*l.m, *l.f, st, l.s, out, &lines, &error)) state.SkipWithError(error.c_str());
        total += lines;
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["lines_per_s"] = benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
    std::filesystem::remove(out);
}
BENCHMARK(BM_TextExport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
