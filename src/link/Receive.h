// The receive side of the main port: the event handler MSComm1_OnComm with the frame assembly
// (framing check, resynchronisation, modem text and carrier loss while no frames are
// expected), the frame handler frame_proc that turns frames into screen state, the watchdog
// Timer1_Timer and the end of a live session rx_end.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// The main port's event (OnComm), by its CommEvent code.
void MSComm1_OnComm(Module1& m, MainformState& f, Services& s);

// Receive event: one 25-byte frame (or, while resynchronising, one byte; modem text while no
// frames are expected). Nothing that fails the framing check reaches frame_proc.
void frame_reception(Module1& m, MainformState& f, Services& s);

// Handles the frame in RawRec of kind RxKind. Also driven by the replay with a stored record in
// RawRec(7..22).
void frame_proc(Module1& m, MainformState& f, Services& s);

// Every 100 ms: the link watchdog while frames are expected (51 ticks without a good frame:
// the lamp turns yellow and it beeps every tick; a download is abandoned), else the replay tick.
void Timer1_Timer(Module1& m, MainformState& f, Services& s);

// Ends a live session: frames no longer expected, the watchdog off, the modes off, the lamp
// grey, the segment labels and the modem text emptied, the link menus on.
void rx_end(Module1& m, MainformState& f);

// The handlers of the main port's event and the watchdog, set on their port and timer.
void install_link_events(Module1& m, MainformState& f, Services& s);

}  // namespace vt
