// Shows Control models on widgets: every window binds its controls through one of these, and
// the binder takes its listeners off the models when the window goes (the models outlive it).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QFont>
#include <QString>

#include "platform/Controls.h"

class QAction;
class QScrollBar;
class QWidget;

namespace vt {

class ControlBinder {
  public:
    ControlBinder() = default;
    ControlBinder(const ControlBinder&) = delete;
    ControlBinder& operator=(const ControlBinder&) = delete;
    ~ControlBinder();

    // Caption, enabled, visible, checked state and background colour of `c` go to `w` now and
    // on every change (labels, group boxes, line edits and buttons show the caption).
    void bind(Control& c, QWidget* w);
    // A menu entry: caption, enabled, visible and check mark.
    void bind(Control& c, QAction* a);
    // The window title follows the caption.
    void bindTitle(Control& c, QWidget* window);
    // Any other listener, taken off with the binder's own.
    void listen(Control& c, std::function<void()> listener);
    void listen(GaugeModel& g, std::function<void()> listener);
    // A scroll bar shows the model's range, value and enabled state; `moved` runs when the user
    // moves the bar, after the model took the new value.
    void bind(ScrollModel& sc, QScrollBar* bar, std::function<void()> moved);
    void listen(ScrollModel& sc, std::function<void()> listener);

  private:
    std::vector<std::pair<ChangeListeners*, ChangeListeners::Id>> bound_;
};

inline QString qs(const std::string& s) { return QString::fromStdString(s); }

// The caption font of the language table (text 2), at the application's size.
QFont captionFont(const std::string& uiFontName);
// The fixed-pitch font of the lists.
QFont listFont();

}  // namespace vt
