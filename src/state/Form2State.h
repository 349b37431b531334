// The wait window shown while the logger link is busy: a message and a cancel button that
// sets WaitEnd.
#pragma once

#include "platform/Controls.h"

namespace vt {

struct Form2State {
    Control window;  // Visible = shown; Caption = window caption
    Control Label1;  // what is being waited for
    Control Command1;
};

}  // namespace vt
