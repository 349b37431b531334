// The live path: one 25-byte frame from the port's receive event through frame reception,
// frame_proc, disp_update and trace_plot into the image canvases, as the terminal handles each
// frame of the live stream (the window's repaint is measured in bench_window).
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "BenchmarkMain.h"
#include "display/Graphs.h"
#include "display/Panel.h"
#include "layout/FrameLayout.h"
#include "link/Receive.h"
#include "logdata/Conversions.h"
#include "loggen/LogGenerator.h"
#include "platform/Clock.h"
#include "platform/UiServices.h"
#include "state/MainformState.h"
#include "widgets/ImageCanvas.h"

namespace {

// The records of a generated session as live frames: 'G' frames of its samples.
std::vector<std::string> liveFrames() {
    loggen::GenOptions o;
    o.laps = 3;
    loggen::GenResult gen = loggen::generateLog(o);
    std::vector<std::string> frames;
    int counter = 0;
    for (const loggen::Record& r : gen.memory->records) {
        if (vt::layout::isMarkerKind(r[vt::layout::rec::kKind])) continue;
        vt::frame::Frame f{};
        vt::layout::putWord(&f[vt::frame::kCounter], counter++ & 0x0FFF);
        for (size_t i = 0; i < r.size(); ++i) f[vt::frame::kRecord + i] = r[i];
        vt::frame::seal(f, vt::frame::kLiveRecord);
        frames.emplace_back(reinterpret_cast<const char*>(f.data()), f.size());
    }
    return frames;
}

void BM_live_frame(benchmark::State& state) {
    auto m = vt::makeModule1();
    auto f = vt::makeMainformState(vt::imageCanvases(1.0));
    vt::VirtualClock clock;
    vt::VirtualPump pump(clock);
    vt::NonInteractiveUi ui;
    vt::Services s{ui, clock, pump};
    vt::af_table_build(f->AfTable);
    vt::install_link_events(*m, *f, s);
    auto& port = static_cast<vt::MemoryCommPort&>(*f->MSComm1);
    std::string error;
    port.setPortOpen(true, &error);
    port.setInputLen(25);
    port.setRThreshold(25);
    f->RxOn = vt::kTrue;
    m->MmPerPulse = 200;
    m->TachoPulse = 1;
    m->CourseLen = 2079;
    f->XScale = vt::graphScale(m->CourseLen);
    vt::meter_set(*m, *f);
    m->GraphKind = 3;
    vt::grf_refresh(*m, *f);
    const std::vector<std::string> frames = liveFrames();
    size_t i = 0;
    for (auto _ : state) {
        port.receive(frames[i]);
        if (++i == frames.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_live_frame);

}  // namespace

int main(int argc, char** argv) { return vt::bench::benchmarkMain<QGuiApplication>(argc, argv); }
