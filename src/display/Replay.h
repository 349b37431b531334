// Showing a stored record of the current lap on the panel, the course and the graph, as the
// analysis run does for the record under its cursor.
#pragma once

#include <cstdint>

#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// Shows record r (clamped to the lap) of the lap RecPtr..RecPtr + RecCount - 1: record number
// and elapsed time, the gauges (a marker record sets SegNo instead, one less when the step
// was -1), the distance, the car on the course and the cursor on the graph. The panel must
// have been prepared (meter_set) and the graph drawn (grf_refresh, which fills DistTbl).
// Returns the record shown.
int32_t analysis_show(Module1& m, MainformState& f, int32_t r, int step);

}  // namespace vt
