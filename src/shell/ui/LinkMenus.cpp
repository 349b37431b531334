#include "shell/ui/LinkMenus.h"

#include "dialup/DialList.h"
#include "dialup/DialUp.h"
#include "dialup/ui/Form4.h"
#include "link/Commands.h"
#include "link/Download.h"
#include "link/Ports.h"
#include "link/SubPort.h"
#include "link/ui/ConfigScrn.h"
#include "logfiles/ui/FileWindows.h"
#include "shell/ui/mainform.h"

namespace vt {

void installLinkMenus(mainform& w, Module1& m, MainformState& f, Services& s) {
    auto on = [&w, &m, &f, &s](Control& c, void (*procedure)(Module1&, MainformState&, Services&)) {
        w.setHandler(c, [&m, &f, &s, procedure] { procedure(m, f, s); });
    };
    w.setHandler(f.mopen, [&m, &f, &s] { MOpen_Click(m, f, s); });
    w.setHandler(f.Mopen_sub, [&m, &f, &s] { Mopen_sub_Click(m, f, s); });
    on(f.para_tx, para_tx_Click);
    on(f.tx_start, tx_start_Click);
    on(f.tx_stop, tx_stop_Click);
    on(f.tx_clr, tx_clr_Click);
    on(f.Rate_L, Rate_L_Click);
    on(f.Rate_M, Rate_M_Click);
    on(f.Rate_S, Rate_S_Click);
    on(f.Corse_trans, Corse_trans_Click);
    on(f.dial_up, dial_up_Click);
    on(f.dial_down, dial_down_Click);
    on(f.One_Down, One_Down_Click);
    on(f.Fast_Down, Fast_Down_Click);
    on(f.sub_up, sub_up_Click);
    on(f.sub_down, sub_down_Click);
    w.setHandler(f.MSettings1, [&m, &f] { MSettings1_Click(m, f); });
    w.setHandler(f.MSettings2, [&m, &f] { MSettings2_Click(m, f); });
    w.setHandler(f.tel_no_set, [&f] { tel_no_set_Click(f); });
    f.windows.Form_NAME = [&w, &m, &s] {
        Form_NAME dialog(m, s, &w);
        dialog.exec();
    };
    f.windows.Form4 = [&w, &m, &s] {
        Form4 dialog(m, s, &w);
        dialog.exec();
    };
    f.windows.ConfigScrn = [&w, &m, &f, &s] {
        ConfigScrn dialog(m, f, s, &w);
        dialog.exec();
    };
}

}  // namespace vt
