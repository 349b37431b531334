#include "link/SubPort.h"

#include <string_view>

namespace vt {

void relay_frame(Module1& m, MainformState& f) {
    CommPort& sub = *f.MSComm2;
    if (f.RemoteOn != 1 || m.ReplayOn != 0 || !sub.portOpen()) return;
    if (sub.reportsModemLines() && !sub.cdHolding()) return;
    sub.output(std::string_view(reinterpret_cast<const char*>(f.RelayFrame.data()), f.RelayFrame.size()));
}

}  // namespace vt
