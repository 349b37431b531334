// The sub port: a remote station that has called in follows the live stream. frame_proc relays
// each live frame from the logger to it while the remote station asked for the stream.
#pragma once

#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// Writes the last live frame (RelayFrame) to the sub port when the remote station wants the
// stream (RemoteOn 1), the sub port holds a carrier (a device without modem lines counts as
// holding one) and no replay runs.
void relay_frame(Module1& m, MainformState& f);

}  // namespace vt
