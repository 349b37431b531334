// The logger parameter editor's menu entry, installed on the main window, and the editor's
// window for the procedures' hook.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

class mainform;
class MAIN_PARA;

void installParamMenus(mainform& w, Module1& m, MainformState& f, Services& s);
// The parameter editor while it is open; nullptr when it is not.
MAIN_PARA* shownParamEditor(mainform& w);

}  // namespace vt
