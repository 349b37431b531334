// Handlers of the port menu, the connect and hang-up buttons and the sub-port menu, installed
// on the main window, and the settings dialog as the window for the procedures' hook.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

class mainform;

void installLinkMenus(mainform& w, Module1& m, MainformState& f, Services& s);

}  // namespace vt
