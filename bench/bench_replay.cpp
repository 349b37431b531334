// The replay and the printed page: one tick of the test run (a stored record through the frame
// handler, onto the panel and the trace), one move of the analysis cursor (pointer to gauges,
// distance, car and cursor), the rpm histogram of a 6000-record lap, and the lap report
// written as PDF; with the main window showing the models, as in the terminal.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include <QApplication>

#include "BenchmarkMain.h"
#include "course/LapChoice.h"
#include "display/Graphs.h"
#include "display/Histogram.h"
#include "display/Panel.h"
#include "display/Printing.h"
#include "logdata/Decode.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "platform/Clock.h"
#include "platform/UiServices.h"
#include "replay/ReplayRuns.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "shell/ui/mainform.h"
#include "widgets/ImageCanvas.h"
#include "widgets/QtUi.h"

namespace {

// The terminal's window after start-up with lap 2 of a generated log chosen.
struct Window {
    std::unique_ptr<vt::Module1> m = vt::makeModule1();
    std::unique_ptr<vt::MainformState> f = vt::makeMainformState(vt::imageCanvases(2.0));
    vt::VirtualClock clock;
    vt::VirtualPump pump{clock};
    vt::NonInteractiveUi ui;
    vt::Services s{ui, clock, pump};
    std::unique_ptr<vt::mainform> w;
    std::string dir = std::filesystem::temp_directory_path() / "veltra-bench-replay";

    explicit Window(int laps = 3) {
        std::filesystem::create_directories(dir);
        vt::set_folders(*m, dir);
        std::string fail;
        vt::lang_load(*m, std::string(VELTRA_SOURCE_DIR) + "/lang/en/LANG.TXT", &fail);
        vt::wire_events(*m, *f, s);
        w = std::make_unique<vt::mainform>(*m, *f, s);
        w->show();
        w->load();
        loggen::GenOptions o;
        o.laps = laps;
        auto r = loggen::generateLog(o);
        if (!r) {
            std::fprintf(stderr, "log generator: %s\n", r.error.c_str());
            std::abort();
        }
        loggen::writeLogFile(*r.memory, dir + "/bench.log");
        std::string error;
        if (!vt::log_open_path(*m, *f, s, dir + "/bench.log", nullptr, &error) || !vt::choose_lap(*m, *f, s, 2)) {
            std::fprintf(stderr, "bench.log: %s\n", error.c_str());
            std::abort();
        }
        QApplication::processEvents();
    }
    ~Window() {
        w.reset();
        std::filesystem::remove_all(dir);
    }
};

// The steady tick: a data record of the lap (the lap start's graph redraw, once a lap, is
// BM_grf_refresh of bench_graphs).
void BM_test_run_tick(benchmark::State& state) {
    Window win;
    vt::Module1& m = *win.m;
    vt::MainformState& f = *win.f;
    m.ReplayOn = vt::kTrue;
    vt::meter_set(m, f);
    int32_t r = 0;
    for (auto _ : state) {
        do r = (r + 1) % m.RecCount;
        while (vt::isMarker(m, m.RecPtr + r));
        vt::test_run_record(m, f, win.s, r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_test_run_tick)->Unit(benchmark::kMicrosecond);

// The pointer moves across the graph seven pixels at a time; every move shows a new record.
void BM_analysis_cursor_move(benchmark::State& state) {
    Window win;
    vt::Module1& m = *win.m;
    vt::MainformState& f = *win.f;
    f.AnalyzeOn = vt::kTrue;
    vt::meter_set(m, f);
    vt::grf_refresh(m, f);
    f.Label_Cur.setVisible(true);
    vt::AnalysisCursor cursor;
    int x = 0;
    for (auto _ : state) {
        x = (x + 7) % (vt::kCursorMaxX + 1);
        vt::Picture2_MouseMove(f, x, 100);
        benchmark::DoNotOptimize(vt::analysis_step(m, f, cursor));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_analysis_cursor_move)->Unit(benchmark::kMicrosecond);

// The histogram button over 6000 records (ten minutes, the longest lap), counting and drawing.
void BM_histogram_6000(benchmark::State& state) {
    Window win(12);
    vt::Module1& m = *win.m;
    m.RecCount = 6000;
    if (m.RecPtr + m.RecCount > m.RecLast) {
        std::fprintf(stderr, "the generated log is too short\n");
        std::abort();
    }
    for (auto _ : state) vt::grf_6_Click(m, *win.f, win.s);
    state.SetItemsProcessed(state.iterations() * (m.RecCount - 1));
}
BENCHMARK(BM_histogram_6000)->Unit(benchmark::kMicrosecond);

// The print menu's page (three graphs drawn for it, the screen's graph again) written as PDF.
void BM_report_pdf(benchmark::State& state) {
    Window win;
    const std::string pdf = win.dir + "/report.pdf";
    std::string error;
    for (auto _ : state) {
        if (!vt::printPageToPdf(vt::form_print_page(*win.m, *win.f), pdf, &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}
BENCHMARK(BM_report_pdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return vt::bench::benchmarkMain<QApplication>(argc, argv); }
