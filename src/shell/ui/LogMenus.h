// Handlers of the log-file and list menus (open, file management, lap and segment lists, parameters), installed on the
// main window.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

class mainform;

void installLogMenus(mainform& w, Module1& m, MainformState& f, Services& s);

}  // namespace vt
