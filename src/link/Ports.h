// Opening and closing the two serial ports, the settings dialog's menu entries, hanging up the
// main line, and a device that goes away.
#pragma once

#include "link/PortSettings.h"
#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// The main port's open/close toggle: applies port_main.dat first when it has not been applied
// since the start (or since a hang-up), shows an error in the platform's words, and sets the
// menus and buttons by the state the port really has. Returns false when opening or closing
// failed.
bool MOpen_Click(Module1& m, MainformState& f, Services& s);
// The same for the sub port (port_sub.dat).
bool Mopen_sub_Click(Module1& m, MainformState& f, Services& s);
// The live display's mode options off, live mode 0.
void mode_off(Module1& m, MainformState& f);
// The settings dialogs of the main and sub port (shown modally through f.windows.ConfigScrn).
void MSettings1_Click(Module1& m, MainformState& f);
void MSettings2_Click(Module1& m, MainformState& f);

// Hangs up the main line: the waits end, the link is down, frames are no longer expected, the
// watchdog stops, and the open main port is closed. Nothing while both a replay and the
// analysis run are marked active.
void setudan(Module1& m, MainformState& f, Services& s);

// The main port's device went away (unplugged, the far end gone): said once in a message box in
// the system's words, and the window left as after closing the port and hanging up.
void main_port_lost(Module1& m, MainformState& f, Services& s);

// The ports' properties at start-up: text input, whole buffer, no receive event on the main
// port until a connection sets one; the sub port's event fires for every byte (its modem
// replies and the remote station's commands are short).
void port_init(MainformState& f);

// The busy (hourglass) pointer on or off.
inline void busy(MainformState& f, bool on) { f.BusyPointer.setChecked(on); }

}  // namespace vt
