#include "course/CourseList.h"

namespace vt {

void grf_2_Click(Module1&, MainformState&, EventPump&) {}
void dist_text(Module1&, MainformState&, const float&) {}
void Picture1_Click(Module1&, MainformState&, EventPump&) {}
void Check1_Click(Module1&, MainformState&) {}

}  // namespace vt
