// Shows Control models on widgets for the log-file windows, and unhooks them when the window
// goes (the models may outlive it).
#pragma once

#include <QFont>
#include <QString>
#include <string>
#include <vector>

#include "platform/Controls.h"

class QWidget;

namespace vt {

class ControlBinding {
  public:
    ControlBinding() = default;
    ControlBinding(const ControlBinding&) = delete;
    ControlBinding& operator=(const ControlBinding&) = delete;
    ~ControlBinding();

    // Caption, enabled, visible and checked state of `c` go to `w` now and on every change.
    void bind(Control& c, QWidget* w);
    // The window title follows the caption.
    void bindTitle(Control& c, QWidget* window);

  private:
    std::vector<Control*> bound_;
};

inline QString qs(const std::string& s) { return QString::fromStdString(s); }

// The caption font of the language table (text 2), at the application's size.
QFont captionFont(const std::string& uiFontName);
// The fixed-pitch font of the lists.
QFont listFont();

}  // namespace vt
