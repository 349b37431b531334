#include "shell/DemoCourse.h"

namespace vt {

void demo_course(Module1&, MainformState&, Services&) {}

}  // namespace vt
