// Handlers of the graph buttons and the Compare menu, installed on the main window.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

class mainform;

void installGraphMenus(mainform& w, Module1& m, MainformState& f, Services& s);

}  // namespace vt
