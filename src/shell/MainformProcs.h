// The main window's procedures that do not need a widget: loading, captions, the menu
// groups, and ending the program.
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

inline void Pause(Services& s, float seconds) { Pause(s.clock, s.pump, seconds); }

// Captions of the main window's controls from the language table.
void caption_load(Module1& m, MainformState& f);

// The link menus: off at start-up, while streaming and downloading; on when the link is
// ready. Fast_Down is only offered when the main port is not used through a modem.
void link_menu_off(MainformState& f);
void link_menu_on(Module1& m, MainformState& f);
// The menus locked while the live stream, a replay or the analysis run is active.
void menus_off(MainformState& f);
void menus_on(MainformState& f);

// The main window's loading: captions, tables, folders, the start-up course, enable states.
void Form_Load(Module1& m, MainformState& f, Services& s);

// Closing the main window. Waits for unsent data on an open main port, asking every ten
// seconds; returns true (Cancel) when the user chose Abort and the window must stay open.
// Otherwise the main port is closed and the program may end.
bool Form_Unload(Module1& m, MainformState& f, Services& s);

// The exit menu's part before the window unloads: closes the ports that are open.
void MFileExit_Click(Module1& m, MainformState& f);

// The wait window.
void Form2_Activate(Module1& m, Form2State& w);
void Command1_Click(Module1& m, Form2State& w);

// Creates a folder (and its parents) when it is missing; false when it cannot be made.
bool makeFolder(const std::string& path);

}  // namespace vt
