// A window's timer as a model: the program sets Interval and Enabled, and `Timer` runs every
// Interval milliseconds while the timer is enabled. The terminal and the tool drive it with a
// QTimer (QtTimerDriver); the tests' virtual pump drives it from the virtual clock. A handler
// that lets events run is not entered again by its own timer meanwhile.
#pragma once

#include <functional>

#include "platform/Controls.h"

class QTimer;

namespace vt {

struct TimerModel {
    explicit TimerModel(int interval = 100) : Interval(interval) {}
    int Interval;
    bool Enabled = false;
    std::function<void()> Timer;
    ChangeListeners changed;

    void setEnabled(bool on) {
        if (Enabled == on) return;
        Enabled = on;
        changed.notify();
    }
};

// Runs a TimerModel on Qt's event loop for as long as the driver lives.
class QtTimerDriver {
  public:
    explicit QtTimerDriver(TimerModel& model);
    ~QtTimerDriver();
    QtTimerDriver(const QtTimerDriver&) = delete;
    QtTimerDriver& operator=(const QtTimerDriver&) = delete;

  private:
    void sync();
    TimerModel& model_;
    QTimer* timer_;
    ChangeListeners::Id listener_;
    bool running_ = false;  // the handler is running: a tick meanwhile is skipped
};

}  // namespace vt
