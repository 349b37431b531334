// Handlers of the replay buttons (test run, analysis run, stop), the histogram button and the
// print menu entry, installed on the main window; the graph's pointer and key events go to the
// analysis run.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

class mainform;

void installReplayMenus(mainform& w, Module1& m, MainformState& f, Services& s);

}  // namespace vt
