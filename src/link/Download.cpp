#include "link/Download.h"

#include "link/Ports.h"
#include "link/Receive.h"

namespace vt {

void down_end(Module1& m, MainformState& f, Services& s) {
    m.DownMode = 0;
    rx_end(m, f);
    s.ui.beep();
}

void down_timeout(Module1& m, MainformState& f, Services& s) {
    busy(f, false);
    f.lap_no.setCaption("");
    m.RecCount = 0;
    f.Label1.setCaption(lang(m, 249));
    down_end(m, f, s);
}

}  // namespace vt
