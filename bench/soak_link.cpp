// The link's soak (scripts/soak; not part of the test suite): the terminal's code against
// veltra-logger-sim at 115200 bit/s with line faults switched on (damaged frames, bad end bytes,
// dropped frames, garbage between frames), the live stream running and, once a minute, the
// stream stopped for an acknowledged download of a lap range and started again. Every download
// must hold exactly the bytes the simulated logger's memory gives for that range; the
// process's resident memory, open file descriptors and timer events a minute must not grow.
//
//   soak_link MINUTES [SIM]
//
// Prints a line a minute and a summary; exits 1 when a download was not byte-exact or did not
// end, or the resident memory grew by more than 2 MiB after the first minute.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

#include "LiveTerminal.h"
#include "dialup/DialUp.h"
#include "link/Commands.h"
#include "link/Download.h"
#include "sim/Download.h"
#include "sim/SimArgs.h"

namespace {

using namespace vt::bench;

long residentKiB() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

int openFds() {
    int n = 0;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec);
         it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Counts the timer events the event loop delivers: a timer left running by a finished download
// or a closed port would show as more of them each minute.
class TimerEvents : public QObject {
  public:
    long count = 0;

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Timer) ++count;
        return QObject::eventFilter(o, e);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    vt::quietRuntimeDir();
    QGuiApplication app(argc, argv);
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 10;
    const std::string simPath =
        simProgram(argc > 2 ? argv[2] : nullptr, QCoreApplication::applicationDirPath().toStdString());
    if (minutes < 1 || !std::filesystem::exists(simPath)) {
        std::fprintf(stderr, "usage: soak_link MINUTES [SIM]   (simulator: %s)\n", simPath.c_str());
        return 2;
    }
    TimerEvents timerEvents;
    app.installEventFilter(&timerEvents);

    Terminal t(true);
    const std::string journal = t.dir + "/sim-journal";
    const std::vector<std::string> simArgs = {"--baud", "115200", "--laps",    "6",    "--segments", "5",
                                              "--seed", "7",      "--corrupt", "0.01", "--bad-end",  "0.005",
                                              "--drop", "0.005",  "--garbage", "0.01"};
    // The memory the simulator holds, made the way it makes it.
    const vt::sim::ParsedArgs parsed = vt::sim::parseProgramArgs(simArgs);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "soak_link: %s\n", parsed.error.c_str());
        return 2;
    }
    const vt::sim::MemoryResult memory = vt::sim::makeMemory(parsed.options.sim);
    if (!memory) {
        std::fprintf(stderr, "soak_link: %s\n", memory.error.c_str());
        return 2;
    }
    QStringList args;
    for (const std::string& a : simArgs) args << QString::fromStdString(a);
    args << "--journal" << QString::fromStdString(journal);
    Sim sim(simPath, args);
    t.useDevice(sim.device, "115200");
    long resyncs = 0, watchdogs = 0;
    t.f.watch.resync = [&] { ++resyncs; };
    t.f.watch.watchdog = [&] { ++watchdogs; };
    t.f.windows.Form_NAME = [&] {
        t.m.LogFileName = t.m.LogDir + "/soak";
        t.m.MemClearAsk = vt::kFalse;
    };

    vt::dial_up_Click(t.m, t.f, t.s);
    if (!waitFor([&] { return t.count('P') >= 1; }, 10000)) {
        std::fprintf(stderr, "soak_link: the simulated logger did not answer on %s\n", sim.device.c_str());
        return 1;
    }
    const char* const ranges[] = {"1-6", "2-4", "5-6", "3"};
    int downloads = 0, exact = 0, failed = 0;
    long rssStart = -1, rssFirst = -1, rssEnd = -1;
    int fdsFirst = -1, fdsEnd = -1;
    long timersFirst = -1, timersEnd = -1;
    rssStart = residentKiB();
    std::printf("minute  rss KiB  fds  timer events/min  live frames  downloads exact/done  resyncs\n");
    for (int minute = 1; minute <= minutes; ++minute) {
        const long timersBefore = timerEvents.count;
        QElapsedTimer clock;
        clock.start();
        // The live stream for the minute, less the download's share.
        vt::tx_start_Click(t.m, t.f, t.s);
        const std::string range = ranges[(minute - 1) % 4];
        waitFor([] { return false; }, 40000);
        vt::tx_stop_Click(t.m, t.f, t.s);
        // The download, acknowledged: damaged frames are asked for again.
        std::filesystem::remove(t.m.LogDir + "/soak.log");
        t.ui.inputAnswers = {range};
        ++downloads;
        vt::One_Down_Click(t.m, t.f, t.s);
        const bool ended = waitFor([&] { return t.m.DownMode == 0; }, 60000);
        const std::vector<uint8_t> want = vt::sim::rangeFile(*memory.memory, t.m.DownFrom, t.m.DownTo);
        const std::string got = fileBytes(t.m.LogDir + "/soak.log");
        const bool same = ended && !want.empty() && got == std::string(want.begin(), want.end());
        if (same) {
            ++exact;
        } else {
            ++failed;
            std::fprintf(stderr, "soak_link: minute %d: download %s %s (%zu bytes, %zu expected; %s)\n", minute,
                         range.c_str(), ended ? "differs" : "did not end", got.size(), want.size(),
                         t.f.Label1.Caption.c_str());
        }
        // The rest of the minute streaming.
        vt::tx_start_Click(t.m, t.f, t.s);
        waitFor([&] { return clock.elapsed() >= 60000; }, 60000);
        vt::tx_stop_Click(t.m, t.f, t.s);
        const long rss = residentKiB();
        const int fds = openFds();
        const long timers = timerEvents.count - timersBefore;
        if (minute == 1) {
            rssFirst = rss;
            fdsFirst = fds;
            timersFirst = timers;
        }
        rssEnd = rss;
        fdsEnd = fds;
        timersEnd = timers;
        std::printf("%6d  %7ld  %3d  %16ld  %11zu  %9d/%d  %7ld\n", minute, rss, fds, timers, t.count('G'), exact,
                    downloads, resyncs);
        std::fflush(stdout);
        if (!sim.running()) {
            std::fprintf(stderr, "soak_link: the simulated logger ended\n");
            ++failed;
            break;
        }
    }
    vt::dial_down_Click(t.m, t.f, t.s);
    sim.stop();
    // What the simulator did to the line.
    long faults = 0, acksBad = 0;
    {
        std::ifstream in(journal);
        for (std::string line; std::getline(in, line);) {
            if (line.find("\"fault\"") != std::string::npos) ++faults;
            if (line.find("\"ack\"") != std::string::npos && line.find("\"good\":false") != std::string::npos)
                ++acksBad;
        }
    }
    const long growth = rssEnd - rssFirst;
    std::printf(
        "summary: %d minutes, downloads %d byte-exact of %d; line faults injected %ld, download frames refused (NG) "
        "%ld, "
        "resyncs %ld, watchdog trips %ld; resident memory %ld KiB at start, %ld after minute 1, %ld at the end (%+ld "
        "KiB "
        "since minute 1); fds %d -> %d; timer events a minute %ld -> %ld\n",
        minutes, exact, downloads, faults, acksBad, resyncs, watchdogs, rssStart, rssFirst, rssEnd, growth, fdsFirst,
        fdsEnd, timersFirst, timersEnd);
    const bool ok = failed == 0 && growth <= 2048 && fdsEnd <= fdsFirst;
    std::printf("soak: %s\n", ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
