// The test run and the analysis run over a lap held in memory, on the virtual clock: records at
// ten a second through the frame handler, the wrap to the lap's start, a stop while waiting for a
// tick, the window locked and given back, the refusals, a carrier lost during a run arming the
// redial at its end, the analysis cursor by pointer and arrow keys at both ends of the lap and
// onto a segment marker, and runs that never read past the image.
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "display/Graphs.h"
#include "logdata/Conversions.h"
#include "platform/NumText.h"
#include "replay/ReplayRuns.h"
#include "support/LinkTestApp.h"

namespace vt::test {
namespace {

using ::testing::ElementsAre;
using Op = RecordingCanvas::Op;

constexpr int kPulsesPerRecord = 5;  // 1 m a record at 200 mm a pulse
constexpr int kSegmentTime = 1234;   // of every segment marker, 1/100 s

class Runs : public ::testing::Test {
  protected:
    LinkTestApp app;
    Module1& m = app.m;
    MainformState& f = app.f;

    // A lap of `records` records from `ptr`: a data record every metre with the rpm count
    // rising by one a record, segment markers (numbered from 1) at `segments` and a lap marker at
    // `lapMarker` (-1: none).
    void lap(int records, std::vector<int> segments = {}, int32_t ptr = 10, int lapMarker = -1) {
        m.MmPerPulse = 200;
        m.TachoPulse = 2;  // rpm = count x 25
        m.RpmMax = 10000;
        m.CourseLen = 1000;
        f.XScale = graphScale(1000);
        m.RecPtr = ptr;
        m.RecCount = records;
        m.GraphKind = 3;
        int segment = 0;
        for (int r = 0; r < records && ptr + r <= kMaxRecord; ++r) {
            auto& rec = m.LogMem[static_cast<size_t>(ptr + r)] = {};
            if (std::find(segments.begin(), segments.end(), r) != segments.end()) {
                rec[6] = 254;
                rec[9] = static_cast<uint8_t>(++segment);
                layout::putWord(&rec[0], kSegmentTime);
            } else if (r == lapMarker) {
                rec[6] = 255;
            } else {
                layout::putWord(&rec[10], 100 + r);
                layout::putWord(&rec[12], 100);
                layout::putWord(&rec[14], kPulsesPerRecord);
            }
        }
    }

    // Every change of the record number between events, with the virtual time; `onShown` may act.
    std::vector<std::pair<int64_t, std::string>> shown;
    std::function<void()> onShown;
    void watchRecords() {
        f.data_cont.setCaption("");
        const int64_t giveUp = app.clock.msecs() + 60000;
        app.pump.hooks.push_back([this, giveUp] {
            if (app.clock.msecs() > giveUp && m.ReplayOn != 0) {
                ADD_FAILURE() << "the run did not end within a minute";
                Test_stop_Click(m, f);
            }
            if ((m.ReplayOn == 0 && f.AnalyzeOn == 0) || f.data_cont.Caption.empty()) return;
            if (!shown.empty() && shown.back().second == f.data_cont.Caption) return;
            shown.emplace_back(app.clock.msecs(), f.data_cont.Caption);
            if (onShown) onShown();
        });
    }
    std::vector<std::string> records() const {
        std::vector<std::string> out;
        for (const auto& [ms, text] : shown) out.push_back(text);
        return out;
    }

    void expectGivenBack() {  // buttons, menus and timer as before the run
        EXPECT_EQ(m.ReplayOn, 0);
        EXPECT_EQ(f.AnalyzeOn, 0);
        EXPECT_TRUE(f.Test_run.Enabled);
        EXPECT_TRUE(f.Analize.Enabled);
        EXPECT_TRUE(f.MPort.Enabled);
        EXPECT_FALSE(f.Test_stop.Enabled);
        for (const Control* c :
             {&f.MFile, &f.Sub_Port, &f.list_disp, &f.Corse_com, &f.MAIN_PARA_SET, &f.grf_2, &f.grf_6})
            EXPECT_TRUE(c->Enabled) << c->Caption;
        EXPECT_FALSE(f.Timer1.Enabled);
        EXPECT_EQ(f.Label1.Caption, "");
        EXPECT_FALSE(f.Label_Cur.Visible);
        EXPECT_FALSE(f.TAIME_MADO.Visible);
        EXPECT_EQ(f.Picture2Box.MousePointer, 0);
        EXPECT_EQ(m.LiveMode, 0);
    }
    void expectLocked() {  // while a run is active
        for (const Control* c : {&f.MFile, &f.Sub_Port, &f.list_disp, &f.Corse_com, &f.MAIN_PARA_SET, &f.grf_2,
                                 &f.grf_6, &f.Test_run, &f.Analize, &f.MPort})
            EXPECT_FALSE(c->Enabled) << c->Caption;
        EXPECT_TRUE(f.Test_stop.Enabled);
        EXPECT_TRUE(f.TAIME_MADO.Visible);
        EXPECT_EQ(f.Picture3->backColor(), rgb(224, 224, 224));  // the panel of a stored lap
    }
    RecordingCanvas& graph() { return static_cast<RecordingCanvas&>(*f.Picture2); }
    // A lap of 6 records, port 1 connected and reading text as a modem line does.
    void lapOnAModemLine() {
        lap(6);
        app.connectDirect();
        f.MSComm1->setInputMode(InputModeKind::Text);
        f.MSComm1->setInputLen(0);
        f.MSComm1->setRThreshold(1);
        m.RetrySec = 10;
    }
};

TEST_F(Runs, TestRunShowsARecordEveryTickThroughTheFrameHandlerAndWrapsToTheLapStart) {
    lap(8, {5});
    f.Test_run.setEnabled(true);
    watchRecords();
    std::vector<std::string> seen;  // per record: kind, elapsed time, rpm gauge, SegNo
    onShown = [&] {
        if (shown.size() == 2) expectLocked();
        seen.push_back(m.RxKind + " " + f.TAIME_MADO.Caption + " " + std::to_string(f.Gauge1.Value) + " " +
                       std::to_string(m.SegNo));
        if (shown.size() == 8 + 3) Test_stop_Click(m, f);  // while waiting for record 3's tick
    };
    const int beeps = app.ui.beeps;
    Test_run_Click(m, f, app.s);

    EXPECT_THAT(records(), ElementsAre(" 0", " 1", " 2", " 3", " 4", " 5", " 6", " 7", " 0", " 1", " 2"));
    for (size_t i = 1; i < shown.size(); ++i)
        EXPECT_EQ(shown[i].first - shown[i - 1].first, 100) << "record " << shown[i].second;
    // Records 5 is the segment marker: it keeps the gauges and its number makes the elapsed time
    // count data records only; the next pass starts from segment 0 again.
    EXPECT_EQ(seen[4], "G 0:00.4 2600 0");
    EXPECT_EQ(seen[5], "S 0:00.4 2600 1");
    EXPECT_EQ(seen[6], "G 0:00.5 2650 1");
    EXPECT_EQ(seen[8], "G 0:00.0 2500 0");
    EXPECT_EQ(f.data_cont.Caption, " 3");  // the record in hand at the stop was still shown
    // The marker drew the segment line and its number, and set the segment texts.
    int marks = 0;
    for (const Op& op : graph().ops) marks += op.kind == Op::Line && op.style == DrawStyle::Dot && op.y1 == 30;
    EXPECT_EQ(marks, 1);
    EXPECT_EQ(std::pair(f.SEG_TIME.Caption, f.seg_d.Caption), std::pair(timeText(kSegmentTime), std::string("Seg  1")));
    EXPECT_GT(app.ui.beeps, beeps + 1);  // the segments, and the end of the run
    expectGivenBack();
    EXPECT_TRUE(f.Gauge1.Visible);  // the panel stays with the last record
}

TEST_F(Runs, TestRunStartsALapMarkerAfreshWithoutTakingItsLapNumber) {
    lap(4, {}, 10, 0);
    f.lap_no.setCaption(" 2 ");
    watchRecords();
    int lapStarts = 0;
    onShown = [&] {
        lapStarts += m.RxKind == "L";
        if (shown.size() == 6) Test_stop_Click(m, f);
    };
    Test_run_Click(m, f, app.s);
    EXPECT_EQ(std::tuple(lapStarts, f.lap_no.Caption, int{f.LapPending}), std::tuple(2, " 2 ", 0));
}

TEST_F(Runs, BothRunsRefuseWithoutALapOrWhileARedialIsDue) {
    const struct {
        const char* why;
        int32_t ptr, count;
        int16_t retryPending;
    } cases[] = {
        {"no records", 10, 0, 0},
        {"redial due", 10, 8, kTrue},
        {"lap outside the image", kMaxRecord + 1, 8, 0},
        {"lap before the image", -1, 8, 0},
    };
    for (const auto& c : cases) {
        for (auto* run : {&Test_run_Click, &Analize_Click}) {
            LinkTestApp fresh;
            fresh.m.RecPtr = c.ptr;
            fresh.m.RecCount = c.count;
            fresh.m.RetryPending = c.retryPending;
            const int64_t at = fresh.clock.msecs();
            (*run)(fresh.m, fresh.f, fresh.s);
            EXPECT_EQ(std::tuple(fresh.ui.beeps, int{fresh.m.ReplayOn}, int{fresh.f.AnalyzeOn}, fresh.clock.msecs()),
                      std::tuple(1, 0, 0, at))
                << c.why;
            EXPECT_TRUE(fresh.f.MFile.Enabled && !fresh.f.Test_stop.Enabled) << c.why;
        }
    }
}

TEST_F(Runs, ACarrierLostDuringTheTestRunArmsTheRedialWhenItEnds) {
    lapOnAModemLine();
    watchRecords();
    int64_t lostAt = 0, stoppedAt = 0;
    onShown = [&] {
        if (shown.size() == 3) {
            app.port1().receive("\r\nNO CARRIER\r\n");
            lostAt = app.clock.msecs();
        }
        if (shown.size() == 9) {
            Test_stop_Click(m, f);
            stoppedAt = app.clock.msecs();
        }
    };
    Test_run_Click(m, f, app.s);
    EXPECT_FALSE(f.MSComm1->portOpen());  // hung up when the carrier went
    ASSERT_EQ(shown.size(), 9u);          // and the run kept its pace after that
    EXPECT_EQ(shown[8].first - lostAt, 600);
    EXPECT_EQ(std::pair(m.RetryAfterReplay, m.RetryPending), std::pair(kFalse, kTrue));
    EXPECT_GE(app.clock.msecs() - stoppedAt, 1000);  // a second's pause before the redial
    expectGivenBack();
}

TEST_F(Runs, ACarrierLostDuringTheAnalysisRunArmsTheRedialWhenItEnds) {
    lapOnAModemLine();
    int passes = 0;
    app.pump.hooks.push_back([&] {
        if (f.AnalyzeOn == 0) return;
        if (++passes == 3) app.port1().receive("NO CARRIER\r\n");
        if (passes == 5) {
            EXPECT_EQ(std::pair(m.RetryAfterReplay, m.RetryPending), std::pair(kTrue, kFalse));  // not while it lasts
            Test_stop_Click(m, f);
        }
    });
    Analize_Click(m, f, app.s);
    EXPECT_EQ(std::pair(m.RetryAfterReplay, m.RetryPending), std::pair(kFalse, kTrue));
    EXPECT_FALSE(f.MSComm1->portOpen());
}

TEST_F(Runs, TestRunNeverReadsPastTheImage) {
    // A lap said to hold 6000 records that starts 4 before the image ends: those 4 are played.
    lap(4, {}, kMaxRecord - 3);
    m.RecCount = 6000;
    m.LogMem[0] = {};
    m.LogMem[0][6] = 254;  // were the record after the image read, it would be this marker
    watchRecords();
    onShown = [&] {
        EXPECT_NE(m.RxKind, "S");
        if (shown.size() == 10) Test_stop_Click(m, f);
    };
    Test_run_Click(m, f, app.s);
    EXPECT_THAT(records(), ElementsAre(" 0", " 1", " 2", " 3", " 0", " 1", " 2", " 3", " 0", " 1"));
    EXPECT_EQ(f.data_cont.Caption, " 2");
    EXPECT_EQ(replay_records(m), 4);
    m.RecPtr = 0;
    m.RecCount = 7000;
    EXPECT_EQ(replay_records(m), kMaxCoursePoint + 1);  // the distance table's end
}

// ---- the analysis run ----------------------------------------------------------------------

// A step of an analysis run: what the user does, then the record, segment number and distance
// text the run shows for it.
struct Step {
    std::function<void(MainformState&)> act;
    const char* record;
    int segNo = -1;  // -1: not checked
};
std::function<void(MainformState&)> mouse(double x) {
    return [x](MainformState& f) { Picture2_MouseMove(f, x, 100); };
}
std::function<void(MainformState&)> key(int code) {
    return [code](MainformState& f) { Picture2_KeyDown(f, code); };
}
const auto kRight = key(39);
const auto kLeft = key(37);

class Analysis : public Runs {
  protected:
    // Runs the analysis through its button handler: each pass does one step's action, and the
    // next pass checks what it showed; then the stop button.
    void run(const std::vector<Step>& steps) {
        size_t next = 0;
        app.pump.hooks.push_back([&, this] {
            if (f.AnalyzeOn == 0) return;
            if (next > 0) {
                const Step& done = steps[next - 1];
                EXPECT_EQ(f.data_cont.Caption, done.record) << "step " << next;
                if (done.segNo >= 0) {
                    EXPECT_EQ(m.SegNo, done.segNo) << "step " << next;
                }
                const int r = std::stoi(f.data_cont.Caption);
                const int16_t d = f.DistTbl[static_cast<size_t>(r)];
                EXPECT_EQ(f.kyori.Caption, Str(d) + " m") << "step " << next;
                EXPECT_EQ(f.Label_Cur.Left, static_cast<float>(Int(d * f.XScale + 59))) << "step " << next;
            }
            if (next == steps.size()) {
                Test_stop_Click(m, f);
                return;
            }
            steps[next++].act(f);
        });
        Analize_Click(m, f, app.s);
        EXPECT_EQ(next, steps.size());
        app.pump.hooks.pop_back();
    }
};

TEST_F(Analysis, PointerAndArrowKeysAtBothEndsOfALap) {
    lap(904);
    f.Analize.setEnabled(true);
    int passes = 0;
    app.pump.hooks.push_back([&] {
        if (f.AnalyzeOn != 0 && ++passes == 1) {
            expectLocked();
            EXPECT_TRUE(f.Label_Cur.Visible);
            EXPECT_EQ(f.Picture2Box.MousePointer, kCursorPointer);
            EXPECT_EQ(f.DistTbl[903], 903);  // the graph was drawn, and with it the distances
        }
    });
    run({
        {mouse(226), " 451"},  // 904 / 452 x 226 - 1
        {mouse(0), " 0"},
        {kLeft, " 0"},  // before the first record: stays
        {kRight, " 1"},
        {mouse(452), " 903"},
        {kRight, " 903"},  // after the last record: stays
        {kLeft, " 902"},
        {mouse(-30), " 0"},  // outside the picture: held to its edges
        {mouse(1000), " 903"},
        {mouse(452), " 903"},    // the pointer where it was: nothing new is shown
        {mouse(225.5), " 451"},  // halves go to the even pixel: 225.5 is 226, 224.5 is 224
        {mouse(224.5), " 447"},
    });
    EXPECT_GT(f.Picture2Box.focusRequests, 0);  // the pointer gave the graph the keys
    expectGivenBack();
}

TEST_F(Analysis, ALapOfOneRecordShowsItEverywhere) {
    lap(1);
    run({{mouse(452), " 0"}, {mouse(226), " 0"}, {kRight, " 0"}, {kLeft, " 0"}});
}

TEST_F(Analysis, SteppingOntoASegmentMarkerTakesItsNumberOrTheOneBefore) {
    lap(40, {10, 20});  // segment 1 ends at record 10, segment 2 at record 20
    run({
        {mouse(136), " 11", 0},  // 40 / 452 x 136 - 1 = 11.03
        {kLeft, " 10", 0},       // back onto the marker of segment 1: in segment 0 again
        {kLeft, " 9", 0},
        {kRight, " 10", 1},  // forward onto it: segment 1
        {mouse(249), " 21", 1},
        {kLeft, " 20", 1},       // back onto segment 2's marker
        {mouse(238), " 20", 2},  // the pointer onto it
    });
    // The elapsed time was set before the marker's number was taken: 20 - 1 records.
    EXPECT_EQ(f.TAIME_MADO.Caption, "0:01.9");
}

TEST_F(Analysis, EventsOutsideTheRunChangeNothing) {
    Picture2_MouseMove(f, 300, 10);
    Picture2_KeyDown(f, 39);
    EXPECT_EQ(std::tuple(f.CursorX, f.StepReq, f.Picture2Box.focusRequests), std::tuple(0, 0, 0));
}

TEST_F(Analysis, TheCursorNeverReadsPastTheImageOrTheDistanceTable) {
    lap(11, {}, kMaxRecord - 10);
    m.RecCount = 6000;
    run({{mouse(452), " 10"}, {kRight, " 10"}, {mouse(1), " 0"}});
}

}  // namespace
}  // namespace vt::test
