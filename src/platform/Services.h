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

}  // namespace vt
