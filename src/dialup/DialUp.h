// Connecting the main line, as a direct line or through a modem, hanging it up, and the
// automatic redial after a lost carrier.
#pragma once

#include <string>

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// The connect button: opens the main port when it is closed; on a modem line (an
// initialisation command of three or more characters starting with "AT") initialises the
// modem, takes a number from the dial list (or, for a redial, the last one), dials and waits for
// "CONNECT"; on a direct line writes the command (if any) and is connected. Then link_start.
// Refused (a beep) while a replay or the analysis run is active.
void dial_up_Click(Module1& m, MainformState& f, Services& s);
// The hang-up button: setudan, no automatic redial, the settings file re-read at the next
// open, the menus on. Refused while a replay or the analysis run is active.
void dial_down_Click(Module1& m, MainformState& f, Services& s);
// After a connection: 25-byte binary frames, the logger's stream stopped, then started again
// (or, without the distance per pulse, the parameters asked for).
void link_start(Module1& m, MainformState& f, Services& s);

// A modem line: an initialisation command of three or more characters that starts with "AT".
bool modemLine(const std::string& atCmd);
// Waits up to 42 s, letting events run, for at least four bytes from the modem; the wait
// window's cancel ends it. A beep when the time ran out.
void reply_wait(Module1& m, MainformState& f, Services& s);
// Keeps the digits of TelNo, in their order.
void tel_digits(Module1& m);

// The counted redial wait: RetrySec seconds shown in the wait window, each a beep; the cancel
// button stops it. Afterwards RetryPending says whether to dial again.
void Retry_Wait(Module1& m, MainformState& f, Services& s);
// Every five seconds: when a redial is due, the countdown, then the dial.
void RETRY_TIMER_Timer(Module1& m, MainformState& f, Services& s);

// The redial timer's handler set on it.
void install_dialup_events(Module1& m, MainformState& f, Services& s);

}  // namespace vt
