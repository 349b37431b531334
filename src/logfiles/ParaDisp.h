// The parameter display (para_disp): the logger settings decoded from the log header, one
// text box each. UI-free; the window only shows the boxes.
#pragma once

#include <array>
#include <string>
#include <utility>

#include "platform/Controls.h"
#include "state/Module1.h"

namespace vt {

struct ParaDispState {
    Control window;
    Control dia_name, kiro_name, taco_name, over_name, prs_name, model_name, af_name, temp1, temp2, corse_no;

    // The boxes in display order with their names and their fixed labels.
    struct Box {
        const char* name;
        const char* label;
        Control ParaDispState::*box;
    };
    static const std::array<Box, 10> kBoxes;
};

// Form_Load: the caption (language text 124).
void Form_Load(const Module1& m, ParaDispState& st);
// para_list_Click: fills every box from the decoded header settings.
void para_list_Click(const Module1& m, ParaDispState& st);
// model_name_Click: the next vehicle type (CAR, BIKE, NORMAL, then CAR again).
void model_name_Click(Module1& m, ParaDispState& st);

// The box texts.
std::string taco_text(int tachoPulse);
std::string prs_text(int prsRange);
std::string model_text(int carType);

}  // namespace vt
