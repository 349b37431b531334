#include "link/SubPort.h"

#include <string_view>

#include "layout/FrameLayout.h"
#include "link/Ports.h"

namespace vt {

namespace {

constexpr int kSubReplyWaitMs = 20000;
constexpr int kSubCommandWaitMs = 1000;

// A whole remote command (STX ... ETB) or a whole line of modem text waits in the buffer.
bool commandComplete(const std::string& bytes) {
    if (bytes.empty()) return false;
    if (static_cast<uint8_t>(bytes[0]) == frame::kSTX)
        return bytes.find(static_cast<char>(frame::kETB)) != std::string::npos;
    return bytes.back() == '\n' || bytes.back() == '\r';
}

}  // namespace

void relay_frame(Module1& m, MainformState& f) {
    CommPort& sub = *f.MSComm2;
    if (f.RemoteOn != 1 || m.ReplayOn != 0 || !sub.portOpen()) return;
    if (sub.reportsModemLines() && !sub.cdHolding()) return;
    sub.output(std::string_view(reinterpret_cast<const char*>(f.RelayFrame.data()), f.RelayFrame.size()));
    if (f.watch.relayed) f.watch.relayed(static_cast<char>(f.RelayFrame[frame::kKind]));
}

void sub_reply_wait(Module1& m, MainformState& f, Services& s) {
    const int64_t deadline = s.clock.msecs() + kSubReplyWaitMs;
    while (m.SubOK == 0) {
        if (!f.MSComm2->portOpen()) return;
        if (s.clock.msecs() >= deadline) {
            s.ui.beep();
            return;
        }
        s.pump.idle(20);
    }
}

void sub_wait(MainformState& f, Services& s) {
    CommPort& sub = *f.MSComm2;
    const int64_t deadline = s.clock.msecs() + kSubCommandWaitMs;
    std::string seen;
    while (s.clock.msecs() < deadline && sub.portOpen()) {
        sub.peekAll(seen);
        if (commandComplete(seen)) return;
        s.pump.idle(5);
    }
}

void sub_up_Click(Module1& m, MainformState& f, Services& s) {
    CommPort& sub = *f.MSComm2;
    if (!sub.portOpen() && (!Mopen_sub_Click(m, f, s) || !sub.portOpen())) return;
    const bool modem = m.SubATCmd.size() >= 3 && m.SubATCmd.compare(0, 2, "AT") == 0;
    if (modem) {
        sub.setInputLen(0);
        f.Label1.setCaption(lang(m, 157));
        Pause(s, 2.0f);
        // Cleared before the command goes, so an answer however quick is not missed.
        m.SubOK = kFalse;
        sub.output(m.SubATCmd + m.CrStr);
        sub_reply_wait(m, f, s);
    } else {
        if (!m.SubATCmd.empty()) sub.output(m.SubATCmd + m.CrStr);
        m.SubOK = kTrue;
    }
    f.Label1.setCaption(lang(m, m.SubOK != 0 ? 158 : 159));
    Pause(s, 1.0f);
    sub.clearInBuffer();
}

void sub_down_Click(Module1& m, MainformState& f, Services& s) {
    f.RemoteOn = 0;
    if (f.MSComm2->portOpen()) Mopen_sub_Click(m, f, s);
}

void MSComm2_OnComm(Module1& m, MainformState& f, Services& s) {
    CommPort& sub = *f.MSComm2;
    int status = 0, error = 0;
    switch (sub.commEvent()) {
        case comEvReceive: {
            sub_wait(f, s);
            sub.setInputLen(0);
            const std::string text = sub.input();
            if (text.empty()) return;
            if (static_cast<uint8_t>(text[0]) != frame::kSTX) {
                // Modem text: "OK" at the end answers the initialisation.
                if (text.size() >= 4 && text.compare(text.size() - 4, 2, "OK") == 0) m.SubOK = kTrue;
                return;
            }
            f.Label1.setCaption(lang(m, 220) + text);
            const std::string command = text.substr(1, frame::kRemoteCommandLength);
            if (command == "STOP") {
                f.RemoteOn = 0;
            } else if (command == "STRT") {
                f.RemoteOn = 1;
            } else if (command == "PARA" && m.HdrCopy[0] != 0) {
                // The last parameter frame, only once one has come from the logger.
                sub.clearOutBuffer();
                sub.output(std::string_view(reinterpret_cast<const char*>(m.HdrCopy.data()), m.HdrCopy.size()));
            }
            return;
        }
        case comEvSend:
            status = 221;
            break;
        case comEvCTS:
            status = 222;
            break;
        case comEvDSR:
            status = 223;
            break;
        case comEvCD:
            // A caller gone (or a new one): the relay waits for its STRT again.
            f.RemoteOn = 0;
            sub.clearInBuffer();
            sub.clearOutBuffer();
            status = 224;
            break;
        case comEvRing:
            status = 225;
            break;
        case comEvEOF:
            status = 226;
            break;
        case comEventBreak:
            status = 227;
            break;
        case comEventFrame:
            status = 228;
            break;
        case comEventCDTO:
            status = 229;
            break;
        case comEventCTSTO:
            status = 230;
            break;
        case comEventDCB:
            status = 231;
            break;
        case comEventDSRTO:
            status = 232;
            break;
        case comEventOverrun:
            status = 233;
            break;
        case comEventRxParity:
            status = 235;
            break;
        case comEventRxOver:
            error = 234;
            break;
        case comEventTxFull:
            error = 236;
            break;
        case comEventPortLost:
            f.RemoteOn = 0;
            f.Mopen_sub.setChecked(false);
            f.sub_down.setEnabled(false);
            for (Control* c : {&f.sub_up, &f.MSettings2}) c->setEnabled(true);
            f.Label1.setCaption(lang(m, 165));
            s.ui.beep();
            s.ui.msg(sub.devicePath() + ": " + sub.lostReason(), MsgIcon::Exclamation, lang(m, text::kErrorTitle));
            return;
        default:
            error = 237;
            break;
    }
    if (status != 0) {
        f.Label1.setCaption(lang(m, status));
    } else if (error != 0) {
        s.ui.beep();
        if (s.ui.msgBox(lang(m, error), MsgButtons::OKCancel, MsgIcon::None, lang(m, 195)) == MsgResult::Cancel &&
            sub.portOpen())
            Mopen_sub_Click(m, f, s);
    }
}

}  // namespace vt
