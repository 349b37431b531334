#include "link/Ports.h"

#include "link/Download.h"
#include "state/MenuGroups.h"

namespace vt {

namespace {

// Opens or closes `port` and reports a failure in a message box; returns the state it has now.
bool toggle(CommPort& port, Services& s, bool* failed) {
    std::string error;
    const bool ok = port.setPortOpen(!port.portOpen(), &error);
    if (!ok) s.ui.msg(error.empty() ? "The port could not be opened or closed." : error, MsgIcon::Exclamation, "");
    if (failed) *failed = !ok;
    return port.portOpen();
}

// The main window by the main port's state.
void mainPortShown(Module1& m, MainformState& f, bool open) {
    f.mopen.setChecked(open);
    for (Control* c : {&f.dial_down, &f.tx_start, &f.tx_stop, &f.Lap_comand, &f.para_tx, &f.One_Down})
        c->setEnabled(open);
    for (Control* c : {&f.dial_up, &f.MSettings1}) c->setEnabled(!open);
    m.CumTime = 0;
    m.SegTime = 0;
    f.LapPending = kFalse;
    if (open) {
        f.Label1.setCaption(lang(m, 162));
    } else {
        f.Label1.setCaption(lang(m, 163));
        mode_off(m, f);
    }
}

}  // namespace

void port_init(MainformState& f) {
    for (CommPort* port : {f.MSComm1.get(), f.MSComm2.get()}) {
        port->setInputMode(InputModeKind::Text);
        port->setInputLen(0);
    }
    f.MSComm1->setRThreshold(0);
    f.MSComm2->setRThreshold(1);
}

void mode_off(Module1& m, MainformState& f) {
    for (Control& option : f.Option1) option.setEnabled(false);
    m.LiveMode = 0;
}

bool MOpen_Click(Module1& m, MainformState& f, Services& s) {
    if (m.MainPortSet == 0) {
        m.PortSel = 1;
        m.PortQuietLoad = kTrue;
        PortSettings rec;
        moniport_set(m, f, rec);
    }
    CommPort& port = *f.MSComm1;
    bool failed = false;
    const bool open = toggle(port, s, &failed);
    mainPortShown(m, f, open);
    port.clearInBuffer();
    f.RxOn = kFalse;
    return !failed;
}

bool Mopen_sub_Click(Module1& m, MainformState& f, Services& s) {
    if (m.SubPortSet == 0) {
        m.PortSel = 2;
        m.PortQuietLoad = kTrue;
        PortSettings rec;
        moniport_set(m, f, rec);
    }
    bool failed = false;
    const bool open = toggle(*f.MSComm2, s, &failed);
    f.Mopen_sub.setChecked(open);
    f.sub_down.setEnabled(open);
    for (Control* c : {&f.sub_up, &f.MSettings2}) c->setEnabled(!open);
    f.Label1.setCaption(lang(m, open ? 164 : 165));
    return !failed;
}

void MSettings1_Click(Module1& m, MainformState& f) {
    f.Label1.setCaption(lang(m, 242));
    m.PortSel = 1;
    if (f.windows.ConfigScrn) f.windows.ConfigScrn();
    f.Label1.setCaption("");
}

void MSettings2_Click(Module1& m, MainformState& f) {
    f.Label1.setCaption(lang(m, 243));
    m.PortSel = 2;
    if (f.windows.ConfigScrn) f.windows.ConfigScrn();
    f.Label1.setCaption("");
}

void setudan(Module1& m, MainformState& f, Services& s) {
    if (m.ReplayOn != 0 && f.AnalyzeOn != 0) return;
    m.WaitEnd = kTrue;
    m.LinkUp = kFalse;
    f.RxOn = kFalse;
    f.Timer1.setEnabled(false);
    // The toggle closes the port; a port already closed (its device gone) is not opened again.
    if (f.MSComm1->portOpen()) MOpen_Click(m, f, s);
}

void main_port_lost(Module1& m, MainformState& f, Services& s) {
    const std::string reason = f.MSComm1->lostReason();
    if (m.DownMode != 0) down_lost(m, f);
    m.WaitEnd = kTrue;
    m.LinkUp = kFalse;
    f.RxOn = kFalse;
    f.ResyncOn = 0;
    f.Timer1.setEnabled(false);
    f.Form2.window.setVisible(false);
    busy(f, false);
    mainPortShown(m, f, false);
    f.tuusin_state.setBackColor(rgb(192, 192, 192));
    link_menu_off(f);
    menus_on(f);
    s.ui.beep();
    s.ui.msg(reason.empty() ? lang(m, 163) : f.MSComm1->devicePath() + ": " + reason, MsgIcon::Exclamation,
             lang(m, text::kErrorTitle));
}

}  // namespace vt
