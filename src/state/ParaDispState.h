// The parameter display's window (para_disp): the logger settings decoded from a log header or
// the logger's parameter frame, one text box each. The main window keeps one; the log menu
// and the receive handler fill it (logfiles/ParaDisp.h) and it shows itself when Visible.
#pragma once

#include <array>

#include "platform/Controls.h"

namespace vt {

struct ParaDispState {
    Control window;  // Visible: shown
    Control dia_name, kiro_name, taco_name, over_name, prs_name, model_name, af_name, temp1, temp2, corse_no;

    // The boxes in display order with their names and their fixed labels.
    struct Box {
        const char* name;
        const char* label;
        Control ParaDispState::*box;
    };
    static const std::array<Box, 10> kBoxes;
};

}  // namespace vt
