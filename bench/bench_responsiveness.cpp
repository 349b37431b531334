// The event loop's longest stall while the link works at 115200 bit/s against veltra-logger-sim,
// and during each wait of the link (the modem's reply wait, the dial, the commands' pauses and
// tx_data's wait for the line, the redial countdown). A probe timer every 5 ms records the
// largest gap between its ticks; a gap over 50 ms is a window that did not answer.
//
// Two runs of the simulated logger: a direct line (connect, the live stream, a download, a fast
// download) and a modem behind RFC 2217 whose carrier drops (dial, stream, NO CARRIER, the
// countdown, the redial). Prints each phase's longest gap; exits 1 when one is over 50 ms.
//
//   bench_responsiveness [SIM]   (default: veltra-logger-sim beside this build's apps)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/prctl.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

#include "LiveTerminal.h"
#include "dialup/DialList.h"
#include "dialup/DialUp.h"
#include "link/Commands.h"
#include "link/Download.h"
#include "link/PortSettings.h"
#include "platform/Clock.h"
#include "platform/Timer.h"
#include "platform/UiServices.h"
#include "serial/RealCommPort.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace {

using namespace vt::bench;
using Clock = std::chrono::steady_clock;
constexpr int kProbeMs = 5;
constexpr double kLimitMs = 50.0;

// The largest gap between two ticks of a 5 ms timer since the last reset.
class StallProbe {
  public:
    StallProbe() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            worst_ = std::max(worst_, std::chrono::duration<double, std::milli>(now - last_).count());
            last_ = now;
        });
        timer_.setTimerType(Qt::PreciseTimer);
        reset();
        timer_.start(kProbeMs);
    }
    void reset() {
        last_ = Clock::now();
        worst_ = 0;
    }
    double worst() const { return worst_; }

  private:
    QTimer timer_;
    Clock::time_point last_;
    double worst_ = 0;
};

struct Phase {
    std::string name;
    double worstMs;
    bool done;
};
std::vector<Phase> phases;
std::string simPath;

// Runs `body` (which returns whether the phase did what it should) with the probe reset.
void phase(StallProbe& probe, const std::string& name, const std::function<bool()>& body) {
    probe.reset();
    const bool ok = body();
    // The probe's own last gap counts too: let it tick once more.
    waitFor([] { return false; }, 2 * kProbeMs);
    phases.push_back({name, probe.worst(), ok});
}

void directLine(StallProbe& probe) {
    Terminal t(true);  // pictures drawn into images, as the terminal draws them
    Sim sim(simPath, {"--baud", "115200", "--laps", "5"});
    t.useDevice(sim.device, "115200");
    phase(probe, "connect, parameters (tx_data, reply waits)", [&] {
        vt::dial_up_Click(t.m, t.f, t.s);
        return waitFor([&] { return t.count('P') >= 1; }, 8000);
    });
    phase(probe, "start command (the second's pause)", [&] {
        vt::tx_start_Click(t.m, t.f, t.s);
        return true;
    });
    phase(probe, "live stream, 10 s at 115200 bit/s", [&] {
        const size_t before = t.count('G');
        waitFor([] { return false; }, 10000);
        return t.count('G') > before + 50;
    });
    phase(probe, "stop command", [&] {
        vt::tx_stop_Click(t.m, t.f, t.s);
        return true;
    });
    t.f.windows.Form_NAME = [&] {
        t.m.LogFileName = t.m.LogDir + "/bench";
        t.m.MemClearAsk = vt::kFalse;
        t.m.FastRate = 2;
    };
    for (bool fast : {false, true}) {
        phase(probe, fast ? "fast download (115200 bit/s)" : "download at 115200 bit/s", [&] {
            std::filesystem::remove(t.m.LogDir + "/bench.log");
            t.ui.inputAnswers = {"1-5"};
            if (fast)
                vt::Fast_Down_Click(t.m, t.f, t.s);
            else
                vt::One_Down_Click(t.m, t.f, t.s);
            const bool ended = waitFor([&] { return t.m.DownMode == 0; }, 120000);
            return ended && std::filesystem::exists(t.m.LogDir + "/bench.log");
        });
    }
    vt::dial_down_Click(t.m, t.f, t.s);
}

void modemLine(StallProbe& probe) {
    Terminal t(true);  // pictures drawn into images, as the terminal draws them
    Sim sim(simPath, {"--modem", "--rfc2217", "0", "--baud", "115200", "--connect-delay", "1000",
                      "--drop-carrier-after", "8", "--laps", "3"});
    t.useDevice(sim.device, "115200");
    t.m.MainATCmd = "AT&F";
    t.m.RetrySec = 5;
    {
        std::FILE* dial = std::fopen((t.dir + "/dial.dat").c_str(), "wb");
        if (dial) {
            std::fputs("03-5550-1234\r\n", dial);
            std::fclose(dial);
        }
    }
    t.f.windows.Form4 = [&t] {
        vt::Form4State st;
        vt::Form_Load(t.m, st);
        vt::Command1_Click(t.m, st, t.s);
    };
    int carrierLost = 0, dials = 0;
    t.f.watch.carrierLost = [&] { ++carrierLost; };
    t.f.watch.dialResult = [&](const std::string&) { ++dials; };
    phase(probe, "modem: reply wait, dial, CONNECT", [&] {
        vt::dial_up_Click(t.m, t.f, t.s);
        return t.m.LinkUp == vt::kTrue && waitFor([&] { return t.count('P') >= 1; }, 8000);
    });
    phase(probe, "modem: live stream until the carrier drops", [&] {
        vt::tx_start_Click(t.m, t.f, t.s);
        return waitFor([&] { return carrierLost == 1; }, 20000);
    });
    phase(probe, "redial countdown, redial, stream again", [&] {
        const size_t before = t.count('G');
        return waitFor([&] { return dials >= 2 && t.count('G') > before + 5; }, 30000);
    });
    t.m.RetrySec = 0;
    vt::tx_stop_Click(t.m, t.f, t.s);
    vt::dial_down_Click(t.m, t.f, t.s);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    vt::quietRuntimeDir();
    QGuiApplication app(argc, argv);
    simPath = simProgram(argc > 1 ? argv[1] : nullptr, QCoreApplication::applicationDirPath().toStdString());
    if (!std::filesystem::exists(simPath)) {
        std::fprintf(stderr, "bench_responsiveness: no simulator at %s\n", simPath.c_str());
        return 2;
    }
    StallProbe probe;
    directLine(probe);
    modemLine(probe);

    bool over = false;
    double worst = 0;
    std::printf("%-48s %12s\n", "phase", "longest gap");
    for (const Phase& p : phases) {
        std::printf("%-48s %9.1f ms%s\n", p.name.c_str(), p.worstMs, p.done ? "" : "  (did not complete)");
        over = over || p.worstMs > kLimitMs;
        worst = std::max(worst, p.worstMs);
    }
    std::printf("longest event-loop gap %.1f ms (probe every %d ms, limit %.0f ms): %s\n", worst, kProbeMs, kLimitMs,
                over ? "OVER" : "ok");
    return over ? 1 : 0;
}
