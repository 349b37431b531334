// The live value panel: eleven gauges, their labels and the scale texts on Picture3, the
// pit-in and stop timers, the elapsed-time label and the car marker on the course.
#pragma once

#include <cstdint>

#include "logdata/Decode.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// nama_store with what the window holds: the angle display and the graph's scale, the trace's
// x going to TraceX.
inline void nama_store(Module1& m, MainformState& f) { nama_store(m, angleDisplay(m, f), f.XScale, f.TraceX); }

// Prepares the panel: scale texts on Picture3, gauge ranges, gauges and labels shown.
void meter_set(Module1& m, MainformState& f);
// Hides the panel and whitens Picture3.
void meter_off(Module1& m, MainformState& f);
// Shows one record (RawRec / Chan): decodes it and sets every label and gauge.
void disp_update(Module1& m, MainformState& f);
// The labels and gauges of the channels in Chan (the second half of disp_update, after the
// record has been decoded).
void disp_channels(Module1& m, MainformState& f);
// Advances the pit-in and stop timers by one record.
void pit_stop_time(Module1& m, MainformState& f);
// Elapsed time of a record index in TAIME_MADO.
void time_mado_set(Module1& m, MainformState& f, int16_t recordIndex);
// Moves the car marker to the course point of a distance in metres.
void car_set(Module1& m, MainformState& f, int16_t distance);

}  // namespace vt
