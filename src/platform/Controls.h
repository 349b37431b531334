// Window controls as plain data.
//
// The program's procedures set captions, enable menus, show labels and move gauge needles
// without touching a widget: they change these models, and the window that shows them is
// told through `changed`. Tests read the models directly.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/Canvas.h"

namespace vt {

// A label, button, menu entry, frame or check box.
struct Control {
    std::string Caption;
    bool Visible = true;
    bool Enabled = true;
    bool Checked = false;  // menu check mark, check box value, selected option button
    Color BackColor = 0;
    bool hasBackColor = false;
    float Left = 0, Top = 0;  // used for markers placed over a picture
    std::function<void()> changed;

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
    void notify() {
        if (changed) changed();
    }
};

// A needle gauge: integer Min, Max, Value and Visible. A value outside Min..Max is refused
// (the caller carries on with its next indicator) and the needle stays where it was.
struct GaugeModel {
    int Min = 0, Max = 100, Value = 0;
    bool Visible = false;
    std::function<void()> changed;

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
    void notify() {
        if (changed) changed();
    }
};

}  // namespace vt
