// End-to-end helpers: the simulated logger as a child process on a pseudo-terminal, and the
// terminal's state on the real clock and Qt's event loop with a real port on that terminal.
// Every wait is bounded and ends as soon as what it waits for has happened.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QProcess>

#include "platform/Clock.h"
#include "platform/Services.h"
#include "platform/Timer.h"
#include "platform/UiServices.h"
#include "state/MainformState.h"
#include "state/Module1.h"
#include "support/TestApp.h"

namespace vt::test {

// Lets Qt's events run until `done` or `ms` pass; true when done.
bool waitFor(const std::function<bool()>& done, int ms);

class SimProcess {
  public:
    // Starts veltra-logger-sim with `args` (a pseudo-terminal, its journal to `journal` when
    // given) and waits for it to name its device.
    SimProcess(const std::vector<std::string>& args, const std::string& journal = {});
    ~SimProcess();  // SIGTERM, and SIGKILL if it does not end
    const std::string& device() const { return device_; }
    bool running() const;
    void kill();  // ends it at once, as a pulled cable would
    int stop();   // SIGTERM; the exit status
    // The journal's lines so far.
    std::vector<std::string> journal() const;

  private:
    QProcess process_;
    std::string device_, journal_;
};

// The terminal's state after start-up, its link wired to a real port on the real clock.
struct LiveApp {
    // `timers`: drive the timers here (a main window over this state drives its own).
    explicit LiveApp(bool timers = true, bool imagePictures = false);
    ~LiveApp();
    std::unique_ptr<Module1> mp = makeModule1();
    std::unique_ptr<MainformState> fp;
    Module1& m;
    MainformState& f;
    SystemClock clock;
    QtEventPump pump;
    ScriptedUi ui;
    Services s{ui, clock, pump};
    TempDir dir;
    // Points the main port at `device` (as VELTRA_COM1 would) with a direct line's settings.
    void useDevice(const std::string& device, const std::string& baud = "9600");
    std::vector<char> kinds;  // the kinds handed to frame_proc, in order

  private:
    std::unique_ptr<QtTimerDriver> timer1_, retry_;
};

// The simulated logger's program.
std::string simPath();
// A course file of a circle 250 m round, whose laps take about eleven seconds.
std::string shortCourse(const TempDir& dir);

}  // namespace vt::test
