#include "dialup/DialUp.h"

#include "display/Graphs.h"
#include "link/Commands.h"
#include "link/Ports.h"
#include "platform/NumText.h"
#include "state/MenuGroups.h"

namespace vt {

namespace {

constexpr int kReplyWaitMs = 42000;

// A Hayes modem's final result of a dial.
bool dialResultIn(const std::string& text) {
    for (const char* code : {"CONNECT", "BUSY", "NO CARRIER", "NO DIALTONE", "NO ANSWER", "ERROR"})
        if (text.find(code) != std::string::npos) return true;
    return false;
}

// The modem dialogue of a connect: initialisation, the number, the dial. True when "CONNECT"
// came back.
bool dialModem(Module1& m, MainformState& f, Services& s) {
    CommPort& port = *f.MSComm1;
    port.setInputMode(InputModeKind::Text);
    port.setInputLen(0);
    port.setRThreshold(0);
    port.clearInBuffer();
    f.ResyncOn = 0;

    f.Label1.setCaption(lang(m, 142));
    Pause(s, 2.0f);
    port.output(m.MainATCmd + m.CrStr);
    Pause(s, 1.0f);
    reply_wait(m, f, s);
    if (port.inBufferCount() < 4) return false;
    const std::string reply = port.input();
    // "OK" followed by the line end: the first two of the last four characters.
    if (reply.size() < 4 || reply.compare(reply.size() - 4, 2, "OK") != 0) return false;

    f.Label1.setCaption(lang(m, 143));
    if (m.RetryPending != 0) {
        Pause(s, 3.0f);
        port.clearInBuffer();
    } else {
        if (f.windows.Form4) f.windows.Form4();
        tel_digits(m);
    }
    if (m.TelNo.empty()) return false;

    port.output("ATDT" + m.TelNo + m.CrLfStr);
    f.Form2.Label1.setCaption(lang(m, 144) + m.TelNo);
    m.WaitEnd = kFalse;
    f.Form2.window.setVisible(true);
    Pause(s, 1.0f);
    // The cancel button pressed in that second ends the dial too (the reply's wait would
    // otherwise start over, unseen, for 42 s).
    if (m.WaitEnd != 0) return false;
    // That second's text is mostly the modem's echo, and the result is waited for after it.
    // It is kept, though: a quick modem's result may have begun in it ("\r\nCONN"), and
    // one that is already there (a quick connect, a busy line) is not waited on for 42 s.
    const std::string early = port.input();
    if (!dialResultIn(early)) {
        reply_wait(m, f, s);
        if (m.WaitEnd != 0) return false;
    }
    Pause(s, 1.0f);
    const std::string result = early + port.input();
    if (f.watch.dialResult) f.watch.dialResult(result);
    return result.size() >= 7 && result.find("CONNECT") != std::string::npos;
}

}  // namespace

bool modemLine(const std::string& atCmd) { return atCmd.size() >= 3 && atCmd.compare(0, 2, "AT") == 0; }

void tel_digits(Module1& m) {
    std::string digits;
    for (char c : m.TelNo)
        if (c >= '0' && c <= '9') digits += c;
    m.TelNo = digits;
}

void reply_wait(Module1& m, MainformState& f, Services& s) {
    m.WaitEnd = kFalse;
    // Measured on the monotonic clock, so a wait begun before midnight still ends.
    const int64_t deadline = s.clock.msecs() + kReplyWaitMs;
    for (;;) {
        if (f.MSComm1->inBufferCount() >= 4 || m.WaitEnd != 0 || !f.MSComm1->portOpen()) return;
        if (s.clock.msecs() >= deadline) {
            s.ui.beep();
            return;
        }
        s.pump.idle(20);
    }
}

void dial_up_Click(Module1& m, MainformState& f, Services& s) {
    if (m.ReplayOn != 0 || f.AnalyzeOn != 0) {
        s.ui.beep();
        return;
    }
    m.DialOK = kFalse;
    CommPort& port = *f.MSComm1;
    bool opened = true;
    if (!port.portOpen()) opened = MOpen_Click(m, f, s) && port.portOpen();
    if (opened) {
        busy(f, true);
        m.RxPrev.clear();
        if (modemLine(m.MainATCmd)) {
            if (dialModem(m, f, s)) m.DialOK = kTrue;
        } else {
            if (!m.MainATCmd.empty()) port.output(m.MainATCmd + m.CrStr);
            m.DialOK = kTrue;
        }
    }
    busy(f, false);
    port.clearInBuffer();
    s.ui.beep();
    if (m.DialOK != 0) {
        f.Label1.setCaption(lang(m, 145));
        m.LinkUp = kTrue;
        m.WaitEnd = kTrue;
        f.Form2.window.setVisible(false);
        link_start(m, f, s);
        grf_refresh(m, f);
    } else {
        f.Label1.setCaption(lang(m, 146));
        m.LinkUp = kFalse;
        f.Form2.window.setVisible(false);
    }
}

void link_start(Module1& m, MainformState& f, Services& s) {
    busy(f, true);
    Pause(s, 1.0f);
    CommPort& port = *f.MSComm1;
    port.setInputMode(InputModeKind::Binary);
    port.setInputLen(25);
    port.setRThreshold(25);
    f.ResyncOn = 0;
    tx_stop_Click(m, f, s);
    if (f.Label1.Caption == lang(m, 147)) {
        Pause(s, 1.0f);
        port.clearInBuffer();
        if (m.MmPerPulse != 0)
            tx_start_Click(m, f, s);
        else
            para_tx_Click(m, f, s);
    }
    busy(f, false);
}

void dial_down_Click(Module1& m, MainformState& f, Services& s) {
    if (m.ReplayOn != 0 || f.AnalyzeOn != 0) {
        s.ui.beep();
        return;
    }
    setudan(m, f, s);
    m.RetrySec = 0;
    m.MainPortSet = 0;
    menus_on(f);
}

void Retry_Wait(Module1& m, MainformState& f, Services& s) {
    m.RetryPending = kFalse;
    m.WaitEnd = kFalse;
    int n = m.RetrySec;
    if (n == 0) return;
    f.Label1.setCaption(lang(m, 240));
    f.Form2.window.setVisible(true);
    bool cancelled = false;
    for (;;) {
        s.pump.processEvents();
        s.ui.beep();
        f.Form2.Label1.setCaption(lang(m, 241) + Str(n) + lang(m, 91));
        if (f.watch.redialStep) f.watch.redialStep(n);
        if (m.WaitEnd != 0) {
            cancelled = true;
            break;
        }
        Pause(s, 1.0f);
        if (n-- == 1) break;
    }
    f.Form2.window.setVisible(false);
    if (!cancelled) m.RetryPending = kTrue;
}

void RETRY_TIMER_Timer(Module1& m, MainformState& f, Services& s) {
    if (m.RetryPending == 0) return;
    Retry_Wait(m, f, s);
    if (m.RetryPending != 0) {
        dial_up_Click(m, f, s);
        if (m.LinkUp != 0) m.RetryPending = kFalse;
    }
    m.WaitEnd = kTrue;
}

void install_dialup_events(Module1& m, MainformState& f, Services& s) {
    f.RETRY_TIMER.Timer = [&m, &f, &s] { RETRY_TIMER_Timer(m, f, s); };
    f.RETRY_TIMER.setEnabled(true);
}

}  // namespace vt
