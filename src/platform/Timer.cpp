#include "platform/Timer.h"

#include <QTimer>

namespace vt {

QtTimerDriver::QtTimerDriver(TimerModel& model) : model_(model), timer_(new QTimer) {
    QObject::connect(timer_, &QTimer::timeout, [this] {
        if (running_ || !model_.Enabled || !model_.Timer) return;
        running_ = true;
        model_.Timer();
        running_ = false;
    });
    listener_ = model_.changed.add([this] { sync(); });
    sync();
}

QtTimerDriver::~QtTimerDriver() {
    model_.changed.remove(listener_);
    delete timer_;
}

void QtTimerDriver::sync() {
    if (model_.Enabled && !timer_->isActive())
        timer_->start(model_.Interval);
    else if (!model_.Enabled)
        timer_->stop();
}

}  // namespace vt
