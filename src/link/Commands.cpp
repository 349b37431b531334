#include "link/Commands.h"

#include "display/Graphs.h"
#include "display/Panel.h"
#include "layout/FrameLayout.h"
#include "link/Receive.h"
#include "platform/NumText.h"
#include "state/MenuGroups.h"

namespace vt {

namespace {

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

void sendFailed(Module1& m, MainformState& f, Services& s) {
    f.Label1.setCaption(lang(m, text::kSendFailed));
    s.ui.beep();
}

// Frames will come: the receive buffer is emptied and whole 25-byte frames are taken.
void expectFramesFromHere(MainformState& f) {
    f.MSComm1->clearInBuffer();
    f.MSComm1->setInputLen(frame::kBytes);
    f.ResyncOn = 0;
}

}  // namespace

int16_t tx_data(Module1& m, MainformState& f, Services& s, bool expectFrames) {
    CommPort& port = *f.MSComm1;
    port.setRTSEnable(true);
    if (!port.portOpen()) return kTxPortClosed;
    m.WaitEnd = kFalse;
    f.Form2.Label1.setCaption(lang(m, 252) + m.LogFileName);
    f.Form2.window.setVisible(true);

    const std::string& text = m.LogFileName;
    const std::string framed = frame::command(text);
    if (expectFrames) f.RxOn = kTrue;
    if (startsWith(text, "RAT") || startsWith(text, "STO") || startsWith(text, "CLR")) {
        port.output(framed);
        Pause(s, 1.0f);
    } else {
        Pause(s, 1.0f);
        port.output(framed);
    }
    int16_t count = 0;
    do {
        s.pump.idle(1);
        ++count;
    } while (port.outBufferCount() > 0 && count <= 2000);
    // A device that went away meanwhile sent nothing.
    if (!port.portOpen()) count = kTxPortClosed;
    m.WaitEnd = kTrue;
    f.Form2.window.setVisible(false);
    if (expectFrames && txFailed(count)) f.RxOn = kFalse;
    return count;
}

int16_t send_command(Module1& m, MainformState& f, Services& s, const std::string& text, bool expectFrames) {
    m.LogFileName = text;
    return tx_data(m, f, s, expectFrames);
}

void tx_start_Click(Module1& m, MainformState& f, Services& s) {
    if (!f.MSComm1->portOpen()) return;
    expectFramesFromHere(f);
    if (m.MmPerPulse == 0) {
        // The live stream needs the logger's parameters first.
        s.ui.beep();
        f.Label1.setCaption(lang(m, 251));
        return;
    }
    // The live display is ready before the command goes, so the first frames find it so.
    m.DistCount = 0;
    m.ReplayOn = 0;
    f.AnalyzeOn = 0;
    f.PitOn = kFalse;
    f.StopOn = kFalse;
    m.RecCount = 0;
    for (Control* c : {&f.lap_time, &f.lap_no, &f.seg_d, &f.SEG_TIME}) c->setCaption("");
    m.RxPrev.clear();
    f.LapPending = kFalse;
    meter_set(m, f);
    grf_refresh(m, f);
    if (txFailed(send_command(m, f, s, "STRT", true))) {
        sendFailed(m, f, s);
        return;
    }
    f.Timer1.setEnabled(true);
    f.Label1.setCaption(lang(m, 174));
    for (Control* c : {&f.Test_run, &f.Analize, &f.Test_stop}) c->setEnabled(false);
    menus_off(f);
    m.LogFileName.clear();
    link_menu_off(f);
}

void tx_stop_Click(Module1& m, MainformState& f, Services& s) {
    if (!f.MSComm1->portOpen()) return;
    if (txFailed(send_command(m, f, s, "STOP"))) {
        sendFailed(m, f, s);
        return;
    }
    f.Label1.setCaption(lang(m, 147));
    rx_end(m, f);
    menus_on(f);
    m.DataFileNo = 0;  // a download file is closed by the download's own end
}

void tx_clr_Click(Module1& m, MainformState& f, Services& s) {
    if (txFailed(send_command(m, f, s, "CLR"))) {
        sendFailed(m, f, s);
        return;
    }
    f.Label1.setCaption(lang(m, 250));
    f.PitOn = kFalse;
    f.StopOn = kFalse;
    f.PIT_IN_TIME.setCaption("");
    f.STOP_TIME.setCaption("");
}

void para_tx_Click(Module1& m, MainformState& f, Services& s) {
    if (!f.MSComm1->portOpen()) return;
    expectFramesFromHere(f);
    if (txFailed(send_command(m, f, s, "PARA", true))) {
        sendFailed(m, f, s);
        return;
    }
    link_menu_on(m, f);
}

namespace {

void rate(Module1& m, MainformState& f, Services& s, const char* command, int text) {
    if (txFailed(send_command(m, f, s, command))) {
        sendFailed(m, f, s);
        return;
    }
    f.Label1.setCaption(lang(m, text));
}

}  // namespace

void Rate_L_Click(Module1& m, MainformState& f, Services& s) { rate(m, f, s, "RATL", 151); }
void Rate_M_Click(Module1& m, MainformState& f, Services& s) { rate(m, f, s, "RATM", 152); }
void Rate_S_Click(Module1& m, MainformState& f, Services& s) { rate(m, f, s, "RATS", 153); }

std::string course_text(const std::string& number, const MainformState& f) {
    std::string text = "CRS" + number;
    for (int e = 1; e <= 15 && !f.seg_str[static_cast<size_t>(e)].empty(); ++e)
        text += "-" + f.seg_str[static_cast<size_t>(e)];
    return text + "-";
}

void Corse_trans_Click(Module1& m, MainformState& f, Services& s) {
    if (m.LiveMode != 0) {
        s.ui.beep();
        s.ui.msg(lang(m, 136), MsgIcon::Exclamation, "");
        return;
    }
    if (f.seg_str[1].empty()) {
        s.ui.msg(lang(m, 137), MsgIcon::Exclamation, "");
        return;
    }
    std::string answer;
    for (;;) {
        answer = s.ui.inputBox(lang(m, 138), "No,", "0");
        if (answer.empty()) return;
        // The number goes into the command as typed, so only a digit 0..9 is taken: a text such
        // as "1-2" would change the course's segments on the logger.
        answer = Trim(answer);
        if (answer.size() == 1 && answer[0] >= '0' && answer[0] <= '9') break;
        s.ui.msg(lang(m, 139), MsgIcon::Question, "");
    }
    if (txFailed(send_command(m, f, s, course_text(answer, f)))) {
        sendFailed(m, f, s);
        return;
    }
    f.Label1.setCaption(lang(m, 141));
}

}  // namespace vt
