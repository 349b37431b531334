// The terminal's link on the real clock and Qt's event loop against veltra-logger-sim started as
// a child process: shared by the responsiveness benchmark and the soak. Header-only, so the
// benchmark folder's glob makes no program of it.
#pragma once

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/prctl.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include "link/PortSettings.h"
#include "platform/Clock.h"
#include "platform/Timer.h"
#include "platform/UiServices.h"
#include "serial/RealCommPort.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "state/MainformState.h"
#include "state/Module1.h"
#include "widgets/ImageCanvas.h"

namespace vt::bench {

// Lets events run until `done` or `ms` pass.
inline bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

class Sim {
  public:
    Sim(const std::string& program, const QStringList& args) {
        process_.setProgram(QString::fromStdString(program));
        process_.setArguments(args);
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process_.start();
        std::string out;
        waitFor(
            [&] {
                out += process_.readAllStandardOutput().toStdString();
                return out.find('\n') != std::string::npos || process_.state() == QProcess::NotRunning;
            },
            10000);
        const size_t colon = out.find(": "), end = out.find('\n');
        if (colon != std::string::npos && end != std::string::npos) device = out.substr(colon + 2, end - colon - 2);
    }
    ~Sim() { stop(); }
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;
    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    bool running() const { return process_.state() != QProcess::NotRunning; }
    std::string device;

  private:
    QProcess process_;
};

// The terminal's state on the real clock and Qt's event loop with a real main port.
struct Terminal {
    std::string dir;
    std::unique_ptr<Module1> mp = makeModule1();
    std::unique_ptr<MainformState> fp;
    Module1& m = *mp;
    MainformState& f = *fp;
    SystemClock clock;
    QtEventPump pump;
    ScriptedUi ui;
    Services s{ui, clock, pump};
    std::unique_ptr<QtTimerDriver> timer1, retry;
    std::array<size_t, 256> kinds{};  // frames handed to frame_proc, by kind

    // `imagePictures`: the pictures drawn into images as in the terminal (a recording canvas
    // keeps every drawing operation, so a long run's memory would grow by them).
    explicit Terminal(bool imagePictures = false)
        : fp(imagePictures ? makeMainformState(imageCanvases(1.0)) : makeRecordingMainformState()) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "veltra-bench-XXXXXX").string();
        if (char* made = mkdtemp(tmpl.data())) dir = made;
        std::string fail;
        lang_load(m, std::string(VELTRA_SOURCE_DIR) + "/lang/en/LANG.TXT", &fail);
        set_folders(m, dir);
        f.MSComm1 = std::make_unique<RealCommPort>();
        f.MSComm2 = std::make_unique<RealCommPort>();
        wire_events(m, f, s);
        Form_Load(m, f, s);
        timer1 = std::make_unique<QtTimerDriver>(f.Timer1);
        retry = std::make_unique<QtTimerDriver>(f.RETRY_TIMER);
        f.watch.beforeFrame = [this] { ++kinds[m.RawRec[1]]; };
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;
    ~Terminal() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    void useDevice(const std::string& device, const std::string& baud) {
        static_cast<RealCommPort&>(*f.MSComm1).setDevice(device);
        m.PortSel = 1;
        PortSettings rec = defaultSettings(1);
        rec.BaudStr = baud;
        ComSet(m, f, rec);
    }
    size_t count(char k) const { return kinds[static_cast<uint8_t>(k)]; }
};

// The simulator beside this build's programs (bench/ and apps/ share the build folder), or the
// one named.
inline std::string simProgram(const char* given, const std::string& appDir) {
    return given ? std::string(given) : appDir + "/../apps/veltra-logger-sim";
}

}  // namespace vt::bench
