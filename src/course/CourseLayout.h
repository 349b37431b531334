// Course layout reconstruction: the plan of a lap from road speed and lateral G by dead
// reckoning, closed on itself and drawn into Picture1.
#pragma once

#include <cstdint>

#include "platform/Clock.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// Lays out the lap RecPtr .. RecPtr + RecCount - 1 with the course length `length` (metres)
// and draws it; leaves the point tables for car_set. Yields to the pump during the
// zero-offset search.
void Corse_layout(Module1& m, MainformState& f, EventPump& pump, const int16_t& length);
// Prints the average speed of the last layout next to " AVERAGE SPEED ".
void avr_speed_print(Module1& m, MainformState& f);

}  // namespace vt
