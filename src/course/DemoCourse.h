// The start-up demonstration course: a synthetic lap on a circle of circumference CourseLen,
// so the course picture and the graphs show something before any log is loaded.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

void demo_course(Module1& m, MainformState& f, Services& s);

}  // namespace vt
