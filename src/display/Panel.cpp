#include "display/Panel.h"

namespace vt {

void meter_set(Module1&, MainformState&) {}
void meter_off(Module1&, MainformState&) {}
void disp_update(Module1&, MainformState&) {}
void pit_stop_time(Module1&, MainformState&) {}
void time_mado_set(Module1&, MainformState&, int16_t) {}
void car_set(Module1&, MainformState&, int16_t) {}

}  // namespace vt
