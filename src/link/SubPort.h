// The sub port: a remote station that has called in follows the live stream. It sends framed
// commands ("STRT", "STOP", "PARA"); frame_proc relays each live frame from the logger to it
// while it asked for the stream.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// Writes the last live frame (RelayFrame) to the sub port when the remote station wants the
// stream (RemoteOn 1), the sub port holds a carrier (a device without modem lines counts as
// holding one) and no replay runs.
void relay_frame(Module1& m, MainformState& f);

// The sub port's "up" button: opens the port when closed; on a modem line sends the
// initialisation command (answering on the first ring) and waits for "OK"; on a direct line
// writes the command, if any, and is ready.
void sub_up_Click(Module1& m, MainformState& f, Services& s);
// The "down" button: the relay ends and the sub port closes.
void sub_down_Click(Module1& m, MainformState& f, Services& s);
// Waits up to 20 s, letting events run, for the sub port's modem to have said "OK" (SubOK; a
// beep when it did not). SubOK is cleared before the initialisation is written.
void sub_reply_wait(Module1& m, MainformState& f, Services& s);
// Waits, at most a second, for a remote command to have arrived whole (or a line of modem
// text). The main port's frames go on meanwhile.
void sub_wait(MainformState& f, Services& s);
// The sub port's event, by its CommEvent code.
void MSComm2_OnComm(Module1& m, MainformState& f, Services& s);

}  // namespace vt
