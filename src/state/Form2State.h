// The wait window shown while the logger link is busy: a message and a cancel button that
// sets WaitEnd.
#pragma once

#include "platform/Controls.h"
#include "state/Module1.h"

namespace vt {

struct Form2State {
    Control window;  // Visible = shown; Caption = window caption
    Control Label1;  // what is being waited for
    Control Command1;
};

// Activation: the caption and the button's caption from the language table.
void Form2_Activate(const Module1& m, Form2State& w);
// The cancel button: WaitEnd := True, and the window goes.
void Command1_Click(Module1& m, Form2State& w);

}  // namespace vt
