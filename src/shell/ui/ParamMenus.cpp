#include "shell/ui/ParamMenus.h"

#include <QPointer>

#include "params/MainPara.h"
#include "params/ui/MAIN_PARA.h"
#include "shell/ui/mainform.h"

namespace vt {

MAIN_PARA* shownParamEditor(mainform& w) { return w.findChild<MAIN_PARA*>(); }

void installParamMenus(mainform& w, Module1& m, MainformState& f, Services& s) {
    w.setHandler(f.MAIN_PARA_SET, [&f] { MAIN_PARA_SET_Click(f); });
    // Opened once and brought to the front while it stays open; it loads again after closing.
    f.windows.MAIN_PARA = [&w, &m, &f, &s] {
        QPointer<MAIN_PARA> editor = shownParamEditor(w);
        if (!editor) editor = new MAIN_PARA(m, f, s, &w);
        editor->show();
        editor->raise();
        editor->activateWindow();
    };
}

}  // namespace vt
