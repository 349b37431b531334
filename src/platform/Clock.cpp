#include "platform/Clock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace vt {

std::string dateMDY(const CalendarDate& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", d.month, d.day, d.year);
    return buf;
}

std::string dateTimeText(const CalendarDate& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
    return buf;
}

// ---- system -----------------------------------------------------------------------------

double SystemClock::secondsSinceMidnight() const {
    QTime t = QTime::currentTime();
    return t.msecsSinceStartOfDay() / 1000.0;
}

int64_t SystemClock::msecs() const {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

CalendarDate SystemClock::now() const {
    QDateTime dt = QDateTime::currentDateTime();
    return {dt.date().year(), dt.date().month(),  dt.date().day(),
            dt.time().hour(), dt.time().minute(), dt.time().second()};
}

void QtEventPump::processEvents() {
    if (beforeEvents) beforeEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::idle(int ms) {
    if (beforeEvents) beforeEvents();
    if (ms <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // Sleep in the event loop rather than spinning: events still run as they come.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
}

// ---- virtual ----------------------------------------------------------------------------

double VirtualClock::secondsSinceMidnight() const {
    double s = startOfDay_ + ms_ / 1000.0;
    return std::fmod(s, 86400.0);
}

CalendarDate VirtualClock::now() const {
    CalendarDate d = date;
    int s = static_cast<int>(secondsSinceMidnight());
    d.hour = s / 3600;
    d.minute = s / 60 % 60;
    d.second = s % 60;
    return d;
}

void VirtualClock::advance(int64_t ms) { ms_ += ms; }

void VirtualClock::setTimeOfDay(double seconds) { startOfDay_ = seconds - ms_ / 1000.0; }

void VirtualPump::processEvents() {
    ++passes;
    for (auto& h : hooks) h();
}

void VirtualPump::idle(int ms) {
    advanceTo(clock_.msecs() + std::max(ms, 1));
    processEvents();
}

void VirtualPump::run(int64_t ms) {
    const int64_t end = clock_.msecs() + ms;
    while (clock_.msecs() < end) idle(static_cast<int>(std::min<int64_t>(end - clock_.msecs(), 10)));
}

void VirtualPump::attach(TimerModel& timer) {
    timers_.push_back({&timer, clock_.msecs() + std::max(timer.Interval, 1), false});
}

void VirtualPump::advanceTo(int64_t target) {
    for (;;) {
        // The earliest enabled timer due by the target, not already running its handler.
        Attached* next = nullptr;
        for (auto& t : timers_) {
            if (!t.timer->Enabled) t.due = std::max(t.due, clock_.msecs() + std::max(t.timer->Interval, 1));
            if (t.running || !t.timer->Enabled || t.due > target) continue;
            if (!next || t.due < next->due) next = &t;
        }
        if (!next) break;
        if (next->due > clock_.msecs()) clock_.advance(next->due - clock_.msecs());
        next->due = clock_.msecs() + std::max(next->timer->Interval, 1);
        // The handler may wait and so come back here; the vector does not change meanwhile.
        const size_t index = static_cast<size_t>(next - timers_.data());
        timers_[index].running = true;
        if (timers_[index].timer->Timer) timers_[index].timer->Timer();
        timers_[index].running = false;
    }
    if (target > clock_.msecs()) clock_.advance(target - clock_.msecs());
}

// ---- the shared wait --------------------------------------------------------------------

void Pause(Clock& clock, EventPump& pump, float seconds) {
    float start = static_cast<float>(clock.secondsSinceMidnight());
    float target = start + seconds;
    bool wrapped = false;
    for (;;) {
        float t = static_cast<float>(clock.secondsSinceMidnight());
        if (t < start && start <= target && !wrapped) {
            // Midnight passed: the clock starts again from 0.
            target -= 86400.0f;
            wrapped = true;
        }
        if (t >= target) break;
        int ms = static_cast<int>(std::ceil((target - t) * 1000.0f));
        pump.idle(std::clamp(ms, 1, 20));
    }
}

}  // namespace vt
