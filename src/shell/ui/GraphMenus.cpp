#include "shell/ui/GraphMenus.h"

#include "display/Graphs.h"
#include "shell/ui/mainform.h"

namespace vt {

void installGraphMenus(mainform& w, Module1& m, MainformState& f, Services&) {
    w.setHandler(f.grf_3, [&m, &f] { grf_3_Click(m, f); });
    w.setHandler(f.grf_4, [&m, &f] { grf_4_Click(m, f); });
    w.setHandler(f.grf_5, [&m, &f] { grf_5_Click(m, f); });
    w.setHandler(f.grf_7, [&m, &f] { grf_7_Click(m, f); });
}

}  // namespace vt
