#include "shell/ui/GraphMenus.h"

#include "course/RefChoice.h"
#include "display/Graphs.h"
#include "shell/ui/mainform.h"

namespace vt {

void installGraphMenus(mainform& w, Module1& m, MainformState& f, Services& s) {
    w.setHandler(f.grf_3, [&m, &f] { grf_3_Click(m, f); });
    w.setHandler(f.grf_4, [&m, &f] { grf_4_Click(m, f); });
    w.setHandler(f.grf_5, [&m, &f] { grf_5_Click(m, f); });
    w.setHandler(f.grf_7, [&m, &f] { grf_7_Click(m, f); });
    w.setHandler(f.grf_8, [&m, &f, &s] { grf_8_button(m, f, s); });

    // The lap comparison's menu.
    w.setHandler(f.Ref_best, [&m, &f, &s] { Ref_best_Click(m, f, s); });
    w.setHandler(f.Ref_file, [&m, &f, &s] { Ref_file_Click(m, f, s, f.windows.File_Form); });
    w.setHandler(f.Ref_clear, [&m, &f, &s] { Ref_clear_Click(m, f, s); });
    w.setHandler(f.Ref_paint, [&m, &f, &s] { Ref_paint_Click(m, f, s); });
    w.setHandler(f.Ref_list, [&m, &f, &s] { Ref_list_Click(m, f, s); });
}

}  // namespace vt
