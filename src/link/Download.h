// Downloading the logger's memory into a log file.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// The end of every download, good or not: a fast download's line back at its own speed,
// DownMode 0, the live session ended (rx_end), a beep.
void down_end(Module1& m, MainformState& f, Services& s);
// The watchdog gave up on a download: the file removed, the pointer normal, lap_no and
// RecCount cleared, language text 249, down_end.
void down_timeout(Module1& m, MainformState& f, Services& s);

}  // namespace vt
