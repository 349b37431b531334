// Course layout reconstruction: the plan of a lap from road speed and lateral G by dead
// reckoning, closed on itself and drawn into Picture1.
#pragma once

#include <cstdint>

#include "platform/Clock.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// The corrections that close a lap on itself, per record, as the layout takes them.
struct CourseClosure {
    float offset = 0;      // zero offset of the lateral value, m/s^2
    float heading = 0;     // heading correction per record, radians
    float x = 0, y = 0;    // position corrections per record, metres
    float headingSum = 0;  // heading summed over the lap before the correction, radians
    float wholeTurns = 0;  // the whole number of turns it is pulled to, radians
};
// Works out the closure of the lap RecPtr .. RecPtr + RecCount - 1 (none for CarType 2).
// Yields to the pump during the zero-offset search.
CourseClosure course_closure(const Module1& m, const MainformState& f, EventPump& pump);

// Lays out the lap RecPtr .. RecPtr + RecCount - 1 with the course length `length` (metres)
// and draws it; leaves the point tables for car_set. Yields to the pump during the
// zero-offset search.
void Corse_layout(Module1& m, MainformState& f, EventPump& pump, const int16_t& length);
// Prints the average speed of the last layout next to " AVERAGE SPEED ".
void avr_speed_print(Module1& m, MainformState& f);

}  // namespace vt
