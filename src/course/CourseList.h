// The course list on Picture3 (segments as straights and corners, distances, times, rpm and
// speed ranges; sets CourseLen) and the small controls of the course display.
#pragma once

#include "platform/Clock.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// The course-list button: lists the segments of page LapCur and sets CourseLen.
void grf_2_Click(Module1& m, MainformState& f, EventPump& pump);
// A distance in 0.1 m as the list shows it, into dist_str.
void dist_text(Module1& m, MainformState& f, const float& d);
// A click on the course picture: switches the zero-offset correction and lays out again.
void Picture1_Click(Module1& m, MainformState& f, EventPump& pump);
// The unit check box: SpeedUnit from its value.
void Check1_Click(Module1& m, MainformState& f);

}  // namespace vt
