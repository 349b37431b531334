// Handlers of the course menu (load a course, the free course, the course editor), the course
// list button, clicks on the course picture and the unit check box, installed on the main
// window, and the course editor's dialog as the window for the procedures' hook.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

class mainform;

void installCourseMenus(mainform& w, Module1& m, MainformState& f, Services& s);

}  // namespace vt
