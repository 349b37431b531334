// Choosing a lap: locating its records in the image and the post-load step that lists and
// lays out its course and redraws the graph.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// What choosing lap `lap` in the lap list does: locates it (language text 129 when it
// cannot be), shows its number, runs post_load, and disables the course transfer.
// Returns false when the lap could not be located.
bool choose_lap(Module1& m, MainformState& f, Services& s, int lap);

// The post-load step: course list (sets CourseLen), course layout, average speed, graph,
// and the replay buttons. Language text 168 when no course length comes out.
void post_load(Module1& m, MainformState& f, Services& s);

}  // namespace vt
