#include "state/MenuGroups.h"

namespace vt {

void link_menu_off(MainformState& f) {
    for (Control* c : {&f.tx_start, &f.para_tx, &f.One_Down, &f.Fast_Down}) c->setEnabled(false);
}

void link_menu_on(const Module1& m, MainformState& f) {
    for (Control* c : {&f.tx_start, &f.para_tx, &f.One_Down}) c->setEnabled(true);
    f.Fast_Down.setEnabled(m.MainATCmd.empty());
}

void menus_off(MainformState& f) {
    for (Control* c : {&f.MFile, &f.Sub_Port, &f.list_disp, &f.Corse_com, &f.MAIN_PARA_SET, &f.grf_2, &f.grf_6,
                       &f.Ref_com, &f.grf_8})
        c->setEnabled(false);
}

void menus_on(MainformState& f) {
    for (Control* c : {&f.MFile, &f.Sub_Port, &f.list_disp, &f.Corse_com, &f.MAIN_PARA_SET, &f.grf_2, &f.grf_6,
                       &f.Ref_com, &f.grf_8})
        c->setEnabled(true);
}

}  // namespace vt
