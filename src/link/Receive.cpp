#include "link/Receive.h"

#include <cstring>

#include "display/Graphs.h"
#include "display/Panel.h"
#include "layout/FrameLayout.h"
#include "link/Download.h"
#include "link/Ports.h"
#include "link/SubPort.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "logfiles/ParaDisp.h"
#include "platform/NumText.h"
#include "state/MenuGroups.h"

namespace vt {

namespace {

constexpr Color kLampGrey = rgb(192, 192, 192);
constexpr Color kLampYellow = rgb(255, 255, 128);  // no frame for more than five seconds
constexpr int kWatchdogTicks = 50;
// Modem text is kept to a bound: enough for the carrier-loss text split over two events and
// for the parameter block's text reply, never growing without end.
constexpr size_t kModemTextKept = 4096;

int rawWord(const Module1& m, int at) { return layout::word(&m.RawRec[static_cast<size_t>(at)]); }

// The stream kind the logger sends, shown by the three options; display only.
void streamMode(Module1& m, MainformState& f) {
    if (m.RxKind == m.RxPrev) return;
    m.RxPrev = m.RxKind;
    if (m.ReplayOn != 0) return;
    auto pick = [&f](int on) {
        for (int i = 0; i < 3; ++i) {
            f.Option1[static_cast<size_t>(i)].setEnabled(i == on);
            f.Option1[static_cast<size_t>(i)].setChecked(i == on);
        }
    };
    if (m.RxKind[0] == frame::kLoggingRecord) {
        f.LapPending = kFalse;
        pick(2);
        f.Label1.setCaption(lang(m, 213));
    } else if (m.RxKind[0] == frame::kRealTimeRecord) {
        f.LapPending = kFalse;
        grf_refresh(m, f);
        m.DistCount = 0;
        pick(1);
        f.Label1.setCaption(lang(m, 214));
    }
}

// A pit-in or stop timer's text: the first six characters of M:SS.CC of a duration in 1/10 s.
std::string durationText(Module1& m, int tenths) {
    time_conv(m, tenths * 10);
    return m.TimeText.substr(0, 6);
}

void eventFrame(Module1& m, MainformState& f, Services& s) {
    const int duration = rawWord(m, frame::kDuration);
    switch (m.RawRec[frame::kEventCode]) {
        case frame::kPitIn:
            f.PitCount = 0;
            f.PitOn = kTrue;
            f.Label1.setCaption(lang(m, 210));
            break;
        case frame::kStopped:
            f.StopCount = 0;
            f.StopOn = kTrue;
            f.Label1.setCaption(lang(m, 200));
            break;
        case frame::kStopEnded:
            f.StopOn = kFalse;
            f.STOP_TIME.setCaption(durationText(m, duration));
            f.Label1.setCaption(lang(m, 211));
            break;
        case frame::kPitOut:
            f.PitOn = kFalse;
            f.StopOn = kFalse;
            f.PIT_IN_TIME.setCaption(durationText(m, duration));
            f.Label1.setCaption(lang(m, 212));
            break;
        default:
            break;
    }
    s.ui.beep();
}

void lapFrame(Module1& m, MainformState& f, Services& s) {
    m.LiveMode = 1;
    m.CumTime = 0;
    m.SegTime = 0;
    m.DistCount = 0;
    grf_refresh(m, f);
    m.SegNo = 0;
    if (m.ReplayOn == 0) {
        f.Option1[0].setEnabled(true);
        f.Option1[0].setChecked(true);
        for (int i = 1; i <= 2; ++i) f.Option1[static_cast<size_t>(i)].setEnabled(false);
        f.lap_no.setCaption(Str(static_cast<int>(m.RawRec[frame::kLapNumber])));
        f.LapPending = kTrue;
    }
    f.seg_d.setCaption("Seg ");
    f.SEG_TIME.setCaption("");
    if (f.Label1.Caption != lang(m, 200)) {
        f.Label1.setCaption(lang(m, 201));
        f.PIT_IN_TIME.setCaption("");
        f.STOP_TIME.setCaption("");
    }
    s.ui.beep();
}

void segmentFrame(Module1& m, MainformState& f, Services& s) {
    m.SegTime = rawWord(m, frame::kSegTime);
    m.SegNo = m.RawRec[frame::kSegNumber];
    const std::string number = Str(m.SegNo);
    f.seg_d.setCaption("Seg " + number);
    f.Label1.setCaption(lang(m, 202) + number + lang(m, 203));
    seg_mark(m, f);
    f.SEG_TIME.setCaption(time_conv(m, m.SegTime));
    s.ui.beep();
}

void parameterFrame(Module1& m, MainformState& f) {
    mode_off(m, f);
    f.RxOn = kFalse;
    header_decode(m);
    meter_set(m, f);
    para_list_Click(m, f.ParaDisp);
    f.Label1.setCaption(lang(m, 204));
    grf_refresh(m, f);
}

void modemText(Module1& m, MainformState& f, Services& s, const std::string& text) {
    m.ModemText += text;
    if (m.ModemText.find("NO CARRIER") == std::string::npos) {
        if (m.ModemText.size() > kModemTextKept) m.ModemText.erase(0, m.ModemText.size() - kModemTextKept);
        return;
    }
    setudan(m, f, s);
    m.ModemText.clear();
    if (f.watch.carrierLost) f.watch.carrierLost();
    if (m.RetrySec != 0) {
        f.MSComm1->setRThreshold(0);
        if (m.ReplayOn != 0 || f.AnalyzeOn != 0)
            m.RetryAfterReplay = kTrue;
        else
            m.RetryPending = kTrue;
    }
    f.Label1.setCaption(lang(m, 176));
    s.ui.beep();
}

void startResync(Module1& m, MainformState& f, Services& s) {
    f.MSComm1->setInputLen(1);
    f.Label1.setCaption(lang(m, 175));
    f.ResyncOn = 1;
    s.ui.beep();
    if (f.watch.resync) f.watch.resync();
}

void handOn(Module1& m, MainformState& f, Services& s) {
    f.RxWatch = 0;
    m.RxKind.assign(1, static_cast<char>(m.RawRec[frame::kKind]));
    if (f.watch.beforeFrame) f.watch.beforeFrame();
    frame_proc(m, f, s);
    if (f.watch.afterFrame) f.watch.afterFrame();
}

}  // namespace

void frame_reception(Module1& m, MainformState& f, Services& s) {
    CommPort& port = *f.MSComm1;
    std::string& chunk = f.RxChunk;
    port.input(chunk);
    if (chunk.empty()) return;
    if (f.RxOn == 0) {
        modemText(m, f, s, chunk);
        return;
    }
    if (m.DownMode != 0 && m.AckMode != 0) {
        // Acknowledged download: a frame whose framing or checksum is wrong is asked for again.
        // What waits behind it is emptied first, so the repeat arrives aligned.
        const size_t n = std::min<size_t>(chunk.size(), frame::kBytes);
        std::memcpy(m.RawRec.data(), chunk.data(), n);
        if (n < frame::kBytes || !frame::framed(m.RawRec.data()) ||
            m.RawRec[frame::kChecksum] != frame::checksumOf(m.RawRec.data())) {
            port.clearInBuffer();
            port.output(frame::kAckBad);
            return;
        }
        port.output(frame::kAckGood);
        handOn(m, f, s);
        return;
    }
    if (f.ResyncOn != 1) {
        // A chunk shorter than a frame cannot be one: it is resynchronised like a bad end byte.
        const size_t n = std::min<size_t>(chunk.size(), frame::kBytes);
        std::memcpy(m.RawRec.data(), chunk.data(), n);
        std::memcpy(f.RelayFrame.data(), chunk.data(), n);
        if (n < frame::kBytes || !frame::framed(m.RawRec.data())) {
            startResync(m, f, s);
            return;
        }
        // A parameter frame replaces every setting and ends the frames expected, so a damaged
        // one (its checksum, which the logger always sends, not matching) is not taken.
        if (m.RawRec[frame::kKind] == frame::kParameters &&
            m.RawRec[frame::kChecksum] != frame::checksumOf(m.RawRec.data())) {
            startResync(m, f, s);
            return;
        }
        handOn(m, f, s);
        return;
    }
    // Resynchronising, one byte at a time: after the next ETB whole frames follow again. An ETB
    // inside a frame's payload is not one, so the byte after it must start a frame.
    const int next = port.peekInput();
    if (static_cast<uint8_t>(chunk.back()) == frame::kETB && (next < 0 || next == frame::kSTX)) {
        f.Label1.setCaption(lang(m, 174));
        port.setInputLen(frame::kBytes);
        f.ResyncOn = 0;
    }
}

void frame_proc(Module1& m, MainformState& f, Services& s) {
    switch (m.RxKind.empty() ? '\0' : m.RxKind[0]) {
        case frame::kLiveRecord:
            relay_frame(m, f);
            if (f.LapPending != 0) {
                f.lap_time.setCaption(time_conv(m, rawWord(m, frame::kLapTime)));
                f.LapPending = kFalse;
            }
            disp_update(m, f);
            trace_plot(m, f);
            break;
        case frame::kLapStart:
            relay_frame(m, f);
            lapFrame(m, f, s);
            break;
        case frame::kSegment:
            relay_frame(m, f);
            segmentFrame(m, f, s);
            break;
        case frame::kEvent:
            relay_frame(m, f);
            eventFrame(m, f, s);
            break;
        case frame::kParameters:
            parameterFrame(m, f);
            break;
        case frame::kLoggingRecord:
            relay_frame(m, f);
            m.LiveMode = 2;
            disp_update(m, f);
            trace_plot(m, f);
            break;
        case frame::kRealTimeRecord:
            m.LiveMode = 2;
            disp_update(m, f);
            trace_plot(m, f);
            break;
        case frame::kDownload:
            if (m.DownMode != 0) down_block(m, f, s);
            break;
        case frame::kDownloadEnd:
            if (m.DownMode != 0) down_finish(m, f, s);
            break;
        default:
            break;
    }
    if (!m.RxKind.empty()) streamMode(m, f);
}

void MSComm1_OnComm(Module1& m, MainformState& f, Services& s) {
    CommPort& port = *f.MSComm1;
    int status = 0, error = 0;
    switch (port.commEvent()) {
        case comEvSend:
            status = 177;
            break;
        case comEvReceive:
            frame_reception(m, f, s);
            break;
        case comEvCTS:
            status = 178;
            break;
        case comEvDSR:
            status = 179;
            break;
        case comEvCD:
            status = 180;
            if (!m.MainATCmd.empty() && m.LinkUp != 0) {
                // The carrier changed on a modem line: what follows is the modem's text. The
                // modem may have said "NO CARRIER" already; it is looked for in what waits too.
                port.setInputLen(0);
                const std::string waiting = port.input();
                port.setInputMode(InputModeKind::Text);
                port.setRThreshold(1);
                f.RxOn = kFalse;
                f.ResyncOn = 0;
                m.ModemText.clear();
                f.Label1.setCaption(lang(m, status));
                status = 0;
                modemText(m, f, s, waiting);
            }
            break;
        case comEvRing:
            status = 181;
            break;
        case comEvEOF:
            break;
        case comEventBreak:
            status = 183;
            break;
        case comEventCTSTO:
            status = 187;
            break;
        case comEventDSRTO:
            status = 189;
            break;
        case comEventFrame:
            if (m.DownMode == 2) {
                status = 184;
                port.setRTSEnable(false);
            } else {
                status = 185;
            }
            break;
        case comEventOverrun:
            if (m.DownMode != 0) {
                // The logger repeats the frame.
                port.clearInBuffer();
                port.output(frame::kAckBad);
            } else {
                status = 190;
            }
            break;
        case comEventCDTO:
            status = 186;
            break;
        case comEventRxOver:
            error = 191;
            break;
        case comEventRxParity:
            status = 192;
            break;
        case comEventTxFull:
            error = 193;
            break;
        case comEventDCB:
            status = 188;
            break;
        case comEventPortLost:
            main_port_lost(m, f, s);
            break;
        default:
            error = 194;
            break;
    }
    if (status != 0) {
        f.Label1.setCaption(lang(m, status));
    } else if (error != 0) {
        s.ui.beep();
        if (s.ui.msgBox(lang(m, error), MsgButtons::OKCancel, MsgIcon::None, lang(m, 195)) == MsgResult::Cancel) {
            if (port.portOpen()) MOpen_Click(m, f, s);
            meter_off(m, f);
        }
    }
}

void Timer1_Timer(Module1& m, MainformState& f, Services& s) {
    // The wait window's button ends a download in progress.
    if (m.DownMode != 0 && f.RxOn != 0 && m.WaitEnd != 0 && !f.Form2.window.Visible) {
        down_cancel(m, f, s);
        return;
    }
    if (f.RxOn == 0) {
        f.RxWatch = 0;
        f.TickFlag = 1;
    } else if (++f.RxWatch > kWatchdogTicks) {
        s.ui.beep();
        if (f.watch.watchdog) f.watch.watchdog();
        if (m.DownMode == 0) {
            f.RxWatch = kWatchdogTicks;  // every further tick without a frame beeps again
            f.tuusin_state.setBackColor(kLampYellow);
            return;
        }
        f.RxWatch = 0;
        down_timeout(m, f, s);
        return;
    }
    if (f.tuusin_state.BackColor != kLampGrey || !f.tuusin_state.hasBackColor) f.tuusin_state.setBackColor(kLampGrey);
}

void rx_end(Module1& m, MainformState& f) {
    f.RxOn = kFalse;
    f.Timer1.setEnabled(false);
    mode_off(m, f);
    f.tuusin_state.setBackColor(kLampGrey);
    f.seg_d.setCaption("");
    f.SEG_TIME.setCaption("");
    f.MSComm1->clearInBuffer();
    m.ModemText.clear();
    link_menu_on(m, f);
}

void install_link_events(Module1& m, MainformState& f, Services& s) {
    f.MSComm1->OnComm = [&m, &f, &s] { MSComm1_OnComm(m, f, s); };
    f.MSComm2->OnComm = [&m, &f, &s] { MSComm2_OnComm(m, f, s); };
    f.Timer1.Timer = [&m, &f, &s] { Timer1_Timer(m, f, s); };
}

}  // namespace vt
