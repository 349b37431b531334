#include "course/CourseLayout.h"

namespace vt {

void Corse_layout(Module1&, MainformState&, EventPump&, const int16_t&) {}
void avr_speed_print(Module1&, MainformState&) {}

}  // namespace vt
