// The groups of main-window menu entries that the link, the replay and the download switch
// on and off together.
#pragma once

#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// The link menus: off at start-up, while streaming and downloading; on when the link is
// ready. Fast_Down is only offered when the main port is not used through a modem.
void link_menu_off(MainformState& f);
void link_menu_on(const Module1& m, MainformState& f);
// The menus locked while the live stream, a replay or the analysis run is active.
void menus_off(MainformState& f);
void menus_on(MainformState& f);

}  // namespace vt
