// The main window's procedures that do not need a widget: loading, captions and ending the
// program. (The menu groups and the wait window sit beside the state, in state/, where every
// subsystem reaches them.)
#pragma once

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// Captions of the main window's controls from the language table.
void caption_load(Module1& m, MainformState& f);

// The handlers of the ports' events and the timers, set on them (the window, the tool and the
// tests run the same ones).
void wire_events(Module1& m, MainformState& f, Services& s);

// The main window's loading: captions, tables, folders, the start-up course, enable states.
void Form_Load(Module1& m, MainformState& f, Services& s);

// Closing the main window. Waits for unsent data on an open main port, asking every ten
// seconds; returns true (Cancel) when the user chose Abort and the window must stay open.
// Otherwise the main port is closed and the program may end.
bool Form_Unload(Module1& m, MainformState& f, Services& s);

// The exit menu's part before the window unloads: closes the ports that are open.
void MFileExit_Click(Module1& m, MainformState& f);

// Creates a folder (and its parents) when it is missing; false when it cannot be made.
bool makeFolder(const std::string& path);

}  // namespace vt
