#include "display/Graphs.h"

namespace vt {

void grf_3_Click(Module1&, MainformState&) {}
void grf_4_Click(Module1&, MainformState&) {}
void grf_5_Click(Module1&, MainformState&) {}
void grf_7_Click(Module1&, MainformState&) {}
void grf_refresh(Module1&, MainformState&) {}
void grf_grid(Module1&, MainformState&) {}
void dist_scale(Module1&, MainformState&) {}
void grf_replay(Module1&, MainformState&) {}
void trace_plot(Module1&, MainformState&) {}
void seg_mark(Module1&, MainformState&) {}

}  // namespace vt
