// One full repaint of the main window (every widget, the three pictures and the gauges), with
// a generated lap chosen so the course, the course list and the graph are all drawn.
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>

#include "BenchmarkMain.h"
#include "course/LapChoice.h"
#include "display/Graphs.h"
#include "display/Panel.h"
#include "logdata/Decode.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "platform/Clock.h"
#include "platform/UiServices.h"
#include "shell/Startup.h"
#include "shell/ui/mainform.h"
#include "widgets/ImageCanvas.h"

namespace {

struct Window {
    std::unique_ptr<vt::Module1> m = vt::makeModule1();
    std::unique_ptr<vt::MainformState> f = vt::makeMainformState(vt::imageCanvases(2.0));
    vt::VirtualClock clock;
    vt::VirtualPump pump{clock};
    vt::NonInteractiveUi ui;
    vt::Services s{ui, clock, pump};
    std::unique_ptr<vt::mainform> w;
    std::string dir = std::filesystem::temp_directory_path() / "veltra-bench-window";

    Window() {
        std::filesystem::create_directories(dir);
        vt::set_folders(*m, dir);
        std::string fail;
        vt::lang_load(*m, std::string(VELTRA_SOURCE_DIR) + "/lang/en/LANG.TXT", &fail);
        w = std::make_unique<vt::mainform>(*m, *f, s);
        w->show();
        w->load();
        loggen::GenOptions o;
        o.laps = 3;
        auto r = loggen::generateLog(o);
        loggen::writeLogFile(*r.memory, dir + "/bench.log");
        std::string error;
        vt::log_open_path(*m, *f, s, dir + "/bench.log", nullptr, &error);
        vt::choose_lap(*m, *f, s, 2);
        QApplication::processEvents();
    }
    ~Window() { std::filesystem::remove_all(dir); }
};

void BM_full_repaint(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        QPixmap shot = win.w->grab();
        benchmark::DoNotOptimize(shot.cacheKey());
    }
}
BENCHMARK(BM_full_repaint)->Unit(benchmark::kMillisecond);

// The panel in a replay: every gauge and label changes, then the window repaints.
void BM_record_on_panel_and_repaint(benchmark::State& state) {
    Window win;
    win.m->ReplayOn = vt::kTrue;
    vt::meter_set(*win.m, *win.f);
    int32_t r = 1;
    for (auto _ : state) {
        vt::load_record(*win.m, win.m->RecPtr + r);
        vt::disp_update(*win.m, *win.f);
        vt::trace_plot(*win.m, *win.f);
        QPixmap shot = win.w->grab();
        benchmark::DoNotOptimize(shot.cacheKey());
        r = r % (win.m->RecCount - 1) + 1;
    }
}
BENCHMARK(BM_record_on_panel_and_repaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return vt::bench::benchmarkMain<QApplication>(argc, argv); }
