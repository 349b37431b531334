// The services a procedure may need besides the shared state: dialogs, the clock and the
// event pump. The terminal passes real ones; tests pass scripted and virtual ones.
#pragma once

#include "platform/Clock.h"
#include "platform/UiServices.h"

namespace vt {

struct Services {
    UiServices& ui;
    Clock& clock;
    EventPump& pump;
};

// The shared wait over the services' clock and pump.
inline void Pause(Services& s, float seconds) { Pause(s.clock, s.pump, seconds); }

}  // namespace vt
