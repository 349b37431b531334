// The graphs on Picture2: title and frame, the distance axis for short, medium and long laps in
// metres and miles, the value labels that must line up with the curves, the curves one record at a
// time (trace_plot) with their joins, skips and restarts, segment marks, and a whole lap drawn from
// the image (grf_replay).
#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/Graphs.h"
#include "logdata/Conversions.h"
#include "support/TestApp.h"

namespace vt {
namespace {

using Op = RecordingCanvas::Op;
using Texts = std::vector<std::string>;

constexpr Color kRed = rgb(255, 0, 0), kBlue = rgb(0, 0, 255), kGreen = rgb(0, 128, 0);

// One drawn op as text: a dot "x,y cN" or a line "x1,y1-x2,y2 cN" (N the palette colour).
std::string describe(const Op& op) {
    int c = 0;
    for (int n : {2, 5, 9, 12}) c = op.color == QBColor(n) ? n : c;
    char b[64];
    if (op.kind == Op::Pixel)
        std::snprintf(b, sizeof b, "%g,%g c%d", op.x1, op.y1, c);
    else
        std::snprintf(b, sizeof b, "%g,%g-%g,%g c%d", op.x1, op.y1, op.x2, op.y2, c);
    return b;
}

class Graphs : public ::testing::Test {
  protected:
    test::TestApp app;
    RecordingCanvas& pic() { return static_cast<RecordingCanvas&>(*app.f.Picture2); }
    void SetUp() override { af_table_build(app.f.AfTable); }

    // Distance ticks: black verticals ending on the frame's bottom edge, "x" or "xL" for a long one.
    Texts ticks() {
        Texts out;
        for (const Op& op : pic().linesOf(kBlack))
            if (op.x1 == op.x2 && op.y2 == 198 && (op.y1 == 192 || op.y1 == 195))
                out.push_back(std::to_string(static_cast<int>(op.x1)) + (op.y1 == 192 ? "L" : ""));
        return out;
    }
    // Texts drawn in one colour (any colour for 0), in drawing order, joined by |; the text at a place.
    std::string textsIn(Color c) {
        std::string out;
        for (const Op& op : pic().texts())
            if (c == 0 || op.color == c) out += (out.empty() ? "" : "|") + op.text;
        return out;
    }
    std::string textAt(float x, float y) {
        for (const Op& op : pic().texts())
            if (op.x1 == x && op.y1 == y) return op.text;
        return "(none)";
    }
    std::string scaleFor(int courseLen, int unit = 0) {
        app.m.CourseLen = static_cast<int16_t>(courseLen);
        app.m.SpeedUnit = static_cast<int16_t>(unit);
        pic().reset();
        dist_scale(app.m, app.f);
        return textsIn(0);
    }

    struct Step {
        float traceX;
        std::vector<std::pair<int, int16_t>> chan;  // channels set before the record is plotted
        const char* drawn;                          // joined by |
    };
    // Plots one record per step and compares what each drew.
    void run(int16_t kind, const std::vector<Step>& steps) {
        app.m.GraphKind = kind;
        for (const Step& s : steps) {
            for (const auto& [ch, v] : s.chan) app.m.Chan[static_cast<size_t>(ch)] = v;
            pic().reset();
            app.f.TraceX = s.traceX;
            trace_plot(app.m, app.f);
            std::string drawn;
            for (const Op& op : pic().ops) drawn += (drawn.empty() ? "" : "|") + describe(op);
            EXPECT_EQ(drawn, s.drawn) << "at x offset " << s.traceX;
        }
    }
};

TEST_F(Graphs, EveryGraphStartsWithTitleFrameAndFreshCurve) {
    const std::pair<int16_t, const char*> kinds[] = {
        {3, "*   Speed, rpm   *"}, {7, "*   In Line G   *"}, {6, nullptr}};  // 6: no graph at all
    for (const auto& [kind, title] : kinds) {
        app.m.GraphKind = kind;
        app.f.TraceLastX = 123;
        pic().reset();
        grf_refresh(app.m, app.f);
        const auto& ops = pic().ops;
        if (!title) {
            EXPECT_TRUE(ops.empty());
            continue;
        }
        ASSERT_GE(ops.size(), 3u);
        EXPECT_EQ(ops[0].kind, Op::Clear) << title;
        EXPECT_EQ(std::pair(ops[1].text, ops[1].x1), std::pair(std::string(title), 35 * 4.5f));
        EXPECT_EQ(ops[2].kind, Op::Box);
        EXPECT_EQ(describe(ops[2]), "59,30-409,198 c0");  // the frame
        EXPECT_EQ(app.f.TraceLastX, 0);                   // a fresh curve
    }
    grf_4_Click(app.m, app.f);
    EXPECT_EQ(app.m.GraphKind, 4);
}

TEST_F(Graphs, DistanceTicksAndLabelsFollowTheLapLength) {
    EXPECT_TRUE(scaleFor(0).empty());
    EXPECT_TRUE(pic().ops.empty());  // no course length, no axis
    const struct {
        int courseLen, unit;
        const char* labels;
        size_t ticks;
        const char *first, *fifth;
    } cases[] = {
        {999, 0, "0| 250 | 500 | 750 |m", 19, "75", "145L"},                // 50 m ticks, labels every 250 m
        {1000, 0, "0| 500 |m", 9, "93", "233L"},                            // 100 m / 500 m
        {5001, 0, "0| 2500 |m", 9, "92", "232L"},                           // 500 m / 2500 m
        {1500, 1, " 0 | .25 | .5 | .75 |M", 20, "59L", "134"},              // 0.93 miles: 0.05 / 0.25 mile
        {5000, 1, " 0 | .5 | 1 | 1.5 | 2 | 2.5 | 3 |M", 32, "59L", "104"},  // tenths / halves
    };
    for (const auto& c : cases) {
        EXPECT_EQ(scaleFor(c.courseLen, c.unit), c.labels) << c.courseLen;
        const auto t = ticks();
        ASSERT_EQ(t.size(), c.ticks) << c.courseLen;
        EXPECT_EQ(t[0] + " " + t[4], std::string(c.first) + " " + c.fifth) << c.courseLen;
    }
    scaleFor(1000);  // labels centred under their ticks, the unit in the middle
    EXPECT_EQ(textAt(60, 200) + textAt(233 - 18, 200) + textAt(230, 208), "0 500 m");
    scaleFor(1500, 1);
    EXPECT_EQ(textAt(59 - 9, 198), " 0 ");
}

TEST_F(Graphs, ValueLabelsFollowTheSettings) {
    const struct {
        void (*click)(Module1&, MainformState&);
        int16_t afMode, prsRange, unit, rpmMax;
        Color color;
        const char* texts;  // in drawing order, joined by |
    } cases[] = {
        {grf_5_Click, 100, 0, 0, 0, kGreen, "L| .7| .8| .9|1.0|1.1|1.2|1.3|1.4|1.5"},
        {grf_5_Click, 1470, 0, 0, 0, kGreen, "A/F| 10.3| 11.8| 13.2| 14.7| 16.2| 17.6| 19.1| 20.6| 22.1"},
        {grf_5_Click, 0, 0, 0, 0, kGreen, "%| 0| 5|10|15|20"},
        {grf_5_Click, 0, 0, 0, 0, kBlue, "PRS| 0| 4| 8|12|16"},
        {grf_5_Click, 0, 3, 0, 0, kBlue, "PRS"},  // an unknown range repeats the empty first text
        {grf_5_Click, 0, 0, 0, 0, kRed, " TMP| x100| 0 |   8| 1 |   9| 2 |  10| 3 |  11| 4 |  12| 5 | 6 | 7 "},
        {grf_3_Click, 0, 0, 1, 12000, kRed, " M/h|    0|   30|   60|   90|  120|  150|  180|  210"},
        {grf_3_Click, 0, 0, 0, 12000, kBlue, "rpm| 4000| 6000| 8000| 10000| 12000| 14000| 16000| 18000"},
        {grf_3_Click, 0, 0, 0, 10000, kBlue, "rpm| 2000| 3000| 4000| 5000| 6000| 7000| 8000| 9000"},
        {grf_7_Click, 0, 0, 1, 0, kRed, " m/h|    0|   30|   60|   90|  120|  150|  180|  210"},
        {grf_7_Click, 0, 0, 0, 0, kBlue, " -4  | -3  | -2  | -1  |I.L G|  1  |  2  |  3  |  4  "},
        {grf_4_Click, 0, 0, 0, 0, kRed, "G| 1| 2| 3| 4"},
        {grf_4_Click, 0, 0, 0, 0, kGreen, "%|  0| 25| 50| 75|100"},
        {grf_4_Click, 0, 0, 0, 0, kBlue, "100%|75%|STR|25%|0%"},
    };
    for (const auto& c : cases) {
        app.m.AFMode = c.afMode;
        app.m.PrsRange = c.prsRange;
        app.m.SpeedUnit = c.unit;
        app.m.RpmMax = c.rpmMax;
        pic().reset();
        c.click(app.m, app.f);
        EXPECT_EQ(textsIn(c.color), c.texts) << "case " << &c - cases;
    }
    // Labels sit where the curves put their values: 350 km/h on the first grid line (a row from
    // y 44 centred on 51 = 197 - 350 x 0.42), lambda 1.0 on the fourth row.
    app.m.SpeedUnit = 0;
    grf_3_Click(app.m, app.f);
    EXPECT_EQ(textAt(15 + 3 * 4.5f, 44), "  350");
    app.m.AFMode = 100;
    grf_5_Click(app.m, app.f);
    EXPECT_EQ(textAt(8 * 4.5f, (8 - 3) * 10 + 112), "1.0");
}

TEST_F(Graphs, SpeedAndRpmJoinSkipSameColumnAndRestartAfterAJump) {
    run(3, {{10, {{8, 5000}, {9, 100}}, "69,135 c9|69,155 c12"},  // nothing plotted yet
            {10, {{8, 0}, {9, 500}}, ""},                         // same pixel column: skipped
            {20, {}, "69,135-79,197 c9|69,155-79,31 c12"},        // 10 px: joined; both held
            {31, {}, "90,197 c9|90,31 c12"},                      // 11 px: a gap, a fresh start
            {5, {}, "64,197 c9|64,31 c12"}});                     // the lap wraps
    app.m.RpmMax = 12000;                                         // 2000 rpm per grid step
    run(3, {{6, {{8, 8000}}, "64,197-65,156 c9|64,31-65,31 c12"}});
}

TEST_F(Graphs, ARecordFarBeyondTheGraphIsHeldToTheCoordinatesItCanHave) {
    // A damaged log's distances can put a record tens of thousands of pixels out, or nowhere;
    // the last column kept stays a 16-bit coordinate with the sign it had.
    const struct {
        float traceX;
        int16_t lastX;
    } cases[] = {{33099, 30000}, {-1e9f, -30000}, {1e30f, 30000}, {std::numeric_limits<float>::quiet_NaN(), 0}};
    app.m.GraphKind = 3;
    for (const auto& c : cases) {
        app.f.TraceLastX = 0;
        app.f.TraceX = c.traceX;
        trace_plot(app.m, app.f);
        EXPECT_EQ(app.f.TraceLastX, c.lastX) << c.traceX;
    }
}

TEST_F(Graphs, SteeringThrottleAngleAndLateralG) {
    app.f.ANGL_CHK.Checked = true;  // 250 is -6 degrees
    run(4, {{50, {{0, 100}, {1, 250}, {4, 100}, {5, 100}}, "109,176 c2|109,114 c9|109,78 c5|109,62 c12"},
            // No sensor (255): not drawn, the slots parked at 197 and 114.
            {51, {{4, 255}, {5, 255}}, "109,78-110,78 c5|109,62-110,62 c12"},
            {52, {{4, 0}, {5, 0}}, "110,197-111,197 c2|110,114-111,156 c9|110,78-111,78 c5|110,62-111,62 c12"}});
    app.f.ANGL_CHK.Checked = false;
    run(4, {{53, {}, "111,197-112,197 c2|111,156-112,156 c9|111,62-112,62 c12"}});
}

TEST_F(Graphs, InLineGRestartsAtTheCentreLine) {
    run(7, {{3, {{9, 100}, {19, 20}}, "62,155 c12"},                // first point: no in-line G yet
            {4, {}, "62,155-63,155 c12|62,72-63,65 c9"},            // Nearest(7.4) = 7
            {14, {}, "63,155-73,155 c12"},                          // exactly 10 px: in-line G restarts
            {15, {{19, 200}}, "73,155-74,155 c12|73,72-74,30 c9"},  // from 72; held at 42 px
            {16, {{19, -200}}, "74,155-75,155 c12|74,30-75,114 c9"}});
}

TEST_F(Graphs, PressureAirFuelAndTemperatureCurves) {
    app.m.AFMode = 1470;  // AfTable(100) 394 / 4 = 98.5, to even 98, less 70; pressure and temp 1 held
    run(5, {{100, {{3, 255}, {2, 100}, {6, 2000}, {7, 100}}, "159,31 c9|159,169 c2|159,31 c12|159,177 c12"}});
    app.m.AFMode = 0;  // oxygen: Int((150 - 104) x 0.678) = 31; below the sensor's zero on the bottom line
    run(5, {{101, {{2, 150}}, "159,31-160,31 c9|159,169-160,166 c2|159,31-160,31 c12|159,177-160,177 c12"},
            {102, {{2, 50}}, "160,31-161,31 c9|160,166-161,197 c2|160,31-161,31 c12|160,177-161,177 c12"}});
}

// A lap from record 10: every record moves `pulses` distance pulses of 200 mm; markers at the
// given records.
void buildLap(Module1& m, MainformState& f, int records, int pulses, std::vector<int> markers) {
    m.MmPerPulse = 200;
    m.CourseLen = 1000;
    f.XScale = 0.35f;
    m.RecPtr = 10;
    m.RecCount = records;
    m.GraphKind = 3;
    for (int r = 0; r < records; ++r) {
        auto& rec = m.LogMem[static_cast<size_t>(m.RecPtr + r)] = {};
        rec[13] = 100;
        rec[14] = static_cast<uint8_t>(pulses / 256);
        rec[15] = static_cast<uint8_t>(pulses % 256);
        if (std::find(markers.begin(), markers.end(), r) != markers.end()) rec[6] = 254;
    }
}

TEST_F(Graphs, ReplayMarksSegmentsFillsDistTblAndDrawsNothingWithoutRecords) {
    buildLap(app.m, app.f, 550, 50, {120, 250, 380});  // 10 m a record: the lap wraps every 100
    grf_replay(app.m, app.f);
    Texts numbers;
    int marks = 0;
    float lastX = 0;  // of the last curve point
    const auto& ops = pic().ops;
    for (size_t i = 0; i < ops.size(); ++i) {
        const Op& op = ops[i];
        if (op.kind == Op::Text) numbers.push_back(op.text);
        if (op.kind == Op::Line && op.style == DrawStyle::Dot) {  // a segment mark there, and its number
            ++marks;
            EXPECT_EQ(std::tuple(op.x1, op.y1, op.x2, op.y2, op.color),
                      std::tuple(lastX, 30.0f, lastX, 198.0f, kBlack));
            EXPECT_EQ(std::pair(ops.at(i + 1).x1, ops[i + 1].y1), std::pair(lastX - 11, 18.0f));
        } else if (op.kind == Op::Pixel || op.kind == Op::Line) {
            lastX = op.kind == Op::Pixel ? op.x1 : op.x2;
            EXPECT_GE(std::min(op.x1, lastX), 59) << describe(op);
            EXPECT_LE(std::max(op.x1, lastX), 409) << describe(op);
        }
    }
    EXPECT_EQ(marks, 3);
    EXPECT_EQ(app.f.Picture2->drawStyle, DrawStyle::Solid);
    EXPECT_EQ(numbers, (Texts{" 1 ", " 2 ", " 3 ", " 4 "}));
    EXPECT_EQ(std::pair(pic().texts().back().x1, pic().texts().back().y1), std::pair(400.0f, 18.0f));
    EXPECT_EQ(app.m.SegNo, 4);
    // Distances never decrease, also where the lap wraps; a marker keeps the distance before it.
    for (int r = 2; r < 550; ++r) EXPECT_GE(app.f.DistTbl[r], app.f.DistTbl[r - 1]) << r;
    EXPECT_EQ(app.f.DistTbl[99], 990);
    EXPECT_EQ(app.f.DistTbl[120], app.f.DistTbl[119]);

    // A lap longer than DistTbl: filled to its end, never past it.
    buildLap(app.m, app.f, 6500, 1, {});
    app.f.course_x[0] = 1234;  // the field after DistTbl
    grf_replay(app.m, app.f);
    EXPECT_EQ(app.f.course_x[0], 1234);
    EXPECT_GT(app.f.DistTbl[kMaxCoursePoint], 0);
    // Nothing during a test run, nor without records.
    pic().reset();
    app.m.ReplayOn = kTrue;
    grf_replay(app.m, app.f);
    app.m.ReplayOn = 0;
    app.m.RecCount = 0;
    grf_replay(app.m, app.f);
    EXPECT_TRUE(pic().ops.empty());
}

}  // namespace
}  // namespace vt
