// The lap comparison on the course picture: each stretch of the current lap coloured by whether
// it gained or lost time against the reference lap, with a legend.
#pragma once

#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// Stretches of equal length the lap is judged in, and the least a stretch must gain or lose to
// be coloured (s). Shorter stretches than about a fiftieth of a lap would mostly show the
// records' tenth-of-a-second grain, not the driving.
constexpr int kGainStretches = 60;
constexpr float kGainThreshold = 0.02f;

// Colours the points of the last course layout (Corse_layout of the current lap) red where
// their stretch lost time against the reference lap and green where it gained, and prints the
// legend and the reference under the course. Nothing without a reference lap, when it cannot be
// compared, or when the layout holds no points.
void course_gain_paint(Module1& m, MainformState& f);

}  // namespace vt
