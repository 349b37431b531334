#include "replay/ReplayRuns.h"

#include <algorithm>

#include "display/Graphs.h"
#include "display/Panel.h"
#include "display/Replay.h"
#include "layout/FrameLayout.h"
#include "layout/LogLayout.h"
#include "link/Ports.h"
#include "link/Receive.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"
#include "state/MenuGroups.h"

namespace vt {

namespace {

// How long each pass of the runs' loops lets events run: short beside the 100 ms tick, so a
// record follows its tick closely and the cursor follows the pointer at once.
constexpr int kTickPollMs = 5;
constexpr int kCursorPollMs = 10;

constexpr int kRightArrow = 39;
constexpr int kLeftArrow = 37;

// Both runs refuse without records and while an automatic redial is due.
bool refused(const Module1& m, Services& s) {
    if (replay_records(m) > 0 && m.RetryPending == 0) return false;
    s.ui.beep();
    return true;
}

// The window while a run is active: menus locked, the other run's button off, stop on.
void runControls(MainformState& f) {
    menus_off(f);
    f.Test_run.setEnabled(false);
    f.Analize.setEnabled(false);
    f.MPort.setEnabled(false);
    f.Test_stop.setEnabled(true);
}

// Waits for Timer1's next tick, letting events run; a stop meanwhile ends the wait too.
void waitTick(Module1& m, MainformState& f, Services& s) {
    while (f.TickFlag != 1 && m.ReplayOn != 0) {
        // Hanging up on a lost carrier stops Timer1; the run keeps its pace all the same.
        if (!f.Timer1.Enabled) f.Timer1.setEnabled(true);
        s.pump.idle(kTickPollMs);
    }
    f.TickFlag = 0;
}

}  // namespace

int32_t replay_records(const Module1& m) {
    if (m.RecCount <= 0 || m.RecPtr < 0 || m.RecPtr > kMaxRecord) return 0;
    return std::min({m.RecCount, kMaxRecord + 1 - m.RecPtr, int32_t{kMaxCoursePoint + 1}});
}

void Test_run_Click(Module1& m, MainformState& f, Services& s) {
    if (refused(m, s)) return;
    runControls(f);
    m.ReplayOn = kTrue;
    meter_set(m, f);
    f.Timer1.setEnabled(true);
    f.TAIME_MADO.setVisible(true);
    const int32_t count = replay_records(m);
    while (m.ReplayOn != 0) {
        // Every pass starts the lap afresh.
        f.LapPending = kFalse;
        m.SegNo = 0;
        for (int32_t r = 0; r < count && m.ReplayOn != 0; ++r) {
            waitTick(m, f, s);
            test_run_record(m, f, s, r);
        }
    }
    test_end(m, f, s);
}

void test_run_record(Module1& m, MainformState& f, Services& s, int32_t r) {
    const int32_t count = replay_records(m);
    if (count <= 0) return;
    r = std::clamp<int32_t>(r, 0, count - 1);
    load_record(m, m.RecPtr + r);
    const uint8_t kind = m.RawRec[frame::recordByte(layout::rec::kKind)];
    const char letter = kind == layout::kSegmentMarker  ? frame::kSegment
                        : kind > layout::kSegmentMarker ? frame::kLapStart
                                                        : frame::kLiveRecord;
    m.RxKind.assign(1, letter);
    frame_proc(m, f, s);
    f.data_cont.setCaption(Str(r));
    time_mado_set(m, f, static_cast<int16_t>(r));
}

void Analize_Click(Module1& m, MainformState& f, Services& s) {
    if (refused(m, s)) return;
    runControls(f);
    f.AnalyzeOn = kTrue;
    f.Label_Cur.setVisible(true);
    f.Picture2Box.setMousePointer(kCursorPointer);
    meter_set(m, f);
    grf_refresh(m, f);  // also fills DistTbl, which the cursor reads
    f.seg_d.setCaption("");
    f.SEG_TIME.setCaption("");
    f.TAIME_MADO.setVisible(true);
    m.SegNo = 0;
    f.StepReq = 0;
    f.CursorX = 0;
    AnalysisCursor cursor;
    for (;;) {
        s.pump.idle(kCursorPollMs);
        analysis_step(m, f, cursor);
        if (f.AnalyzeOn == 0) break;
    }
    test_end(m, f, s);
}

bool analysis_step(Module1& m, MainformState& f, AnalysisCursor& cursor) {
    if (f.CursorX == cursor.c0 && f.StepReq == 0) return false;
    const int32_t count = replay_records(m);
    const int step = f.StepReq;
    f.StepReq = 0;
    if (count <= 0) return false;
    double r = 0;
    if (step != 0) {
        r = cursor.r + step;
    } else {
        cursor.c0 = f.CursorX;
        r = Int(static_cast<double>(count) / kCursorMaxX * f.CursorX - 1);
    }
    r = std::clamp(r, 0.0, static_cast<double>(count - 1));
    cursor.r = analysis_show(m, f, static_cast<int32_t>(r), step);
    return true;
}

void Test_stop_Click(Module1& m, MainformState& f) {
    m.ReplayOn = kFalse;
    f.AnalyzeOn = kFalse;
    f.TAIME_MADO.setVisible(false);
}

void test_end(Module1& m, MainformState& f, Services& s) {
    f.Label_Cur.setVisible(false);
    f.Picture2Box.setMousePointer(0);
    m.LiveMode = 0;
    f.Test_stop.setEnabled(false);
    f.Test_run.setEnabled(true);
    f.Analize.setEnabled(true);
    f.MPort.setEnabled(true);
    menus_on(f);
    f.Timer1.setEnabled(false);
    f.Label1.setCaption("");
    s.ui.beep();
    if (m.RetryAfterReplay != 0) {
        // The carrier went during the run: hang up now and let the automatic redial take over.
        m.RetryAfterReplay = kFalse;
        setudan(m, f, s);
        Pause(s, 1.0f);
        m.RetryPending = kTrue;
    }
}

void Picture2_KeyDown(MainformState& f, int keyCode) {
    if (f.AnalyzeOn == 0) return;
    if (keyCode == kRightArrow) f.StepReq = 1;
    if (keyCode == kLeftArrow) f.StepReq = -1;
}

void Picture2_MouseMove(MainformState& f, double x, double /*y*/) {
    if (f.AnalyzeOn == 0) return;
    f.Picture2Box.SetFocus();
    if (!(x >= 0)) x = 0;  // also a position that is not a number
    f.CursorX = static_cast<int16_t>(Nearest(std::min(x, static_cast<double>(kCursorMaxX))));
}

}  // namespace vt
