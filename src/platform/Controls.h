// Window controls as plain data.
//
// The program's procedures set captions, enable menus, show labels and move gauge needles
// without touching a widget: they change these models, and whoever shows them is told
// through `changed`. Tests read the models directly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Canvas.h"

namespace vt {

// The listeners of one model. A window adds one to show the model; a marker or a second window
// may add its own beside it. Each is removed by the id add() gave, also while listeners run.
class ChangeListeners {
  public:
    using Id = uint32_t;
    ChangeListeners() = default;
    // A copied model starts without listeners: they belong to the widgets of the one copied.
    ChangeListeners(const ChangeListeners&) {}
    ChangeListeners& operator=(const ChangeListeners&) { return *this; }

    Id add(std::function<void()> listener) {
        list_.emplace_back(next_, std::move(listener));
        return next_++;
    }
    void remove(Id id) {
        for (auto& [at, f] : list_)
            if (at == id) f = nullptr;
        if (depth_ == 0) compact();
    }
    void notify() {
        ++depth_;
        for (size_t i = 0; i < list_.size(); ++i)
            if (list_[i].second) list_[i].second();
        if (--depth_ == 0) compact();
    }
    bool empty() const { return list_.empty(); }

  private:
    void compact() {
        std::erase_if(list_, [](const auto& entry) { return !entry.second; });
    }
    std::vector<std::pair<Id, std::function<void()>>> list_;
    Id next_ = 1;
    int depth_ = 0;
};

// A label, button, menu entry, frame or check box.
struct Control {
    std::string Caption;
    bool Visible = true;
    bool Enabled = true;
    bool Checked = false;  // menu check mark, check box value, selected option button
    Color BackColor = 0;
    bool hasBackColor = false;
    float Left = 0, Top = 0;  // used for markers placed over a picture
    ChangeListeners changed;

    void setCaption(std::string_view s) {
        if (Caption == s) return;
        Caption.assign(s.data(), s.size());
        notify();
    }
    void setVisible(bool v) {
        if (Visible == v) return;
        Visible = v;
        notify();
    }
    void setEnabled(bool v) {
        if (Enabled == v) return;
        Enabled = v;
        notify();
    }
    void setChecked(bool v) {
        if (Checked == v) return;
        Checked = v;
        notify();
    }
    void setBackColor(Color c) {
        if (hasBackColor && BackColor == c) return;
        BackColor = c;
        hasBackColor = true;
        notify();
    }
    void move(float left, float top) {
        if (Left == left && Top == top) return;
        Left = left;
        Top = top;
        notify();
    }
    void notify() { changed.notify(); }
};

// A needle gauge: integer Min, Max, Value and Visible. A value outside Min..Max is refused
// (the caller carries on with its next indicator) and the needle stays where it was.
struct GaugeModel {
    int Min = 0, Max = 100, Value = 0;
    bool Visible = false;
    ChangeListeners changed;

    bool setValue(int v) {
        if (v < Min || v > Max) return false;
        if (v != Value) {
            Value = v;
            notify();
        }
        return true;
    }
    void setMin(int v) {
        Min = v;
        notify();
    }
    void setMax(int v) {
        Max = v;
        notify();
    }
    void setVisible(bool v) {
        if (Visible == v) return;
        Visible = v;
        notify();
    }
    void notify() { changed.notify(); }
};

// A picture box beyond its drawing: its mouse pointer and the keyboard focus the program gives
// it. The window shows the pointer and moves the focus when told through `changed`.
struct PictureBoxModel {
    int16_t MousePointer = 0;  // 0 the default pointer, 99 the program's own
    int focusRequests = 0;     // grows each time the program gives the box the focus
    ChangeListeners changed;

    void setMousePointer(int16_t p) {
        if (MousePointer == p) return;
        MousePointer = p;
        changed.notify();
    }
    void SetFocus() {
        ++focusRequests;
        changed.notify();
    }
};

// A horizontal scroll bar: integer Min, Max and Value. A value outside Min..Max is held to the
// nearest end, as the bar cannot show it. The procedure that sets a value runs the bar's change
// handler itself; the window runs it when the user moves the bar.
struct ScrollModel {
    int Min = 0, Max = 100, Value = 0;
    bool Enabled = true;
    ChangeListeners changed;

    void setRange(int min, int max) {
        Min = min;
        Max = max;
        if (Value < Min) Value = Min;
        if (Value > Max) Value = Max;
        notify();
    }
    void setValue(int v) {
        v = v < Min ? Min : v > Max ? Max : v;
        if (v == Value) return;
        Value = v;
        notify();
    }
    void notify() { changed.notify(); }
};

}  // namespace vt
