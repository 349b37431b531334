// Time and the event pump.
//
// Every wait in the program (Pause, the link's polling loops, the close-with-unsent-data
// wait) reads a Clock and lets events run through an EventPump. The terminal uses the
// system clock and Qt's event loop; tests use a virtual clock that jumps ahead at once, so
// no test sleeps and a one-second pause costs nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Timer.h"

namespace vt {

struct CalendarDate {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since midnight: the time of day the waits count in.
    virtual double secondsSinceMidnight() const = 0;
    // Monotonic milliseconds for timers and timeouts.
    virtual int64_t msecs() const = 0;
    virtual CalendarDate now() const = 0;
};

// Date texts: "mm-dd-yyyy" (download file names) and the date shown in labels.
std::string dateMDY(const CalendarDate& d);
std::string dateTimeText(const CalendarDate& d);

class EventPump {
  public:
    virtual ~EventPump() = default;
    // Lets pending window events run and returns at once.
    virtual void processEvents() = 0;
    // Lets events run, waiting up to ms milliseconds for new ones (a virtual pump moves its
    // clock on by ms instead).
    virtual void idle(int ms) = 0;
};

class SystemClock : public Clock {
  public:
    double secondsSinceMidnight() const override;
    int64_t msecs() const override;
    CalendarDate now() const override;
};

class QtEventPump : public EventPump {
  public:
    void processEvents() override;
    void idle(int ms) override;
    // Called before events run, so a window can show what a long loop changed.
    std::function<void()> beforeEvents;
};

// A clock that only moves when told to. Starts at 12:00:00 on 5 December 2026.
class VirtualClock : public Clock {
  public:
    double secondsSinceMidnight() const override;
    int64_t msecs() const override { return ms_; }
    CalendarDate now() const override;
    void advance(int64_t ms);
    void setTimeOfDay(double seconds);  // for the midnight case
    CalendarDate date{2026, 12, 5, 12, 0, 0};

  private:
    int64_t ms_ = 0;
    double startOfDay_ = 12 * 3600.0;
};

// Event pump over a virtual clock: idle() advances the clock, running the attached timers
// that fall due on the way; hooks run on every pass, in order, so a test can make bytes
// arrive or press a button "while" a loop waits.
class VirtualPump : public EventPump {
  public:
    explicit VirtualPump(VirtualClock& clock) : clock_(clock) {}
    void processEvents() override;
    void idle(int ms) override;
    // Lets `ms` milliseconds of virtual time pass, running timers and hooks.
    void run(int64_t ms);
    // Drives a timer from the virtual clock from now on (its first tick one interval away).
    void attach(TimerModel& timer);
    std::vector<std::function<void()>> hooks;
    int passes = 0;

  private:
    struct Attached {
        TimerModel* timer;
        int64_t due;
        bool running;
    };
    void advanceTo(int64_t target);
    VirtualClock& clock_;
    std::vector<Attached> timers_;
};

// The shared wait: lets events run until `seconds` have passed on the clock. A wait begun
// just before midnight still lasts the requested time.
void Pause(Clock& clock, EventPump& pump, float seconds);

}  // namespace vt
