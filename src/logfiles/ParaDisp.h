// The parameter display (para_disp): the logger settings decoded from the log header, one
// text box each. UI-free; the window only shows the boxes.
#pragma once

#include <array>
#include <string>
#include <utility>

#include "state/Module1.h"
#include "state/ParaDispState.h"

namespace vt {

// Form_Load: the caption (language text 124).
void Form_Load(const Module1& m, ParaDispState& st);
// para_list_Click: fills every box from the decoded header settings and shows the window.
void para_list_Click(const Module1& m, ParaDispState& st);
// model_name_Click: the next vehicle type (CAR, BIKE, NORMAL, then CAR again).
void model_name_Click(Module1& m, ParaDispState& st);

// The box texts.
std::string taco_text(int tachoPulse);
std::string prs_text(int prsRange);
std::string model_text(int carType);

}  // namespace vt
