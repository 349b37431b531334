// Curves: one record at a time (trace_plot) with its joins, skips and restarts, segment
// marks, and a whole lap drawn from the image (grf_replay), also from a generated log.
#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/Graphs.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "support/TestApp.h"

namespace vt {
namespace {

using Op = RecordingCanvas::Op;

class GraphTrace : public ::testing::Test {
  protected:
    test::TestApp app;
    RecordingCanvas& pic() { return static_cast<RecordingCanvas&>(*app.f.Picture2); }

    void SetUp() override { af_table_build(app.f); }
    // Plots a record at x offset tx and returns what it drew.
    std::vector<Op> plot(float tx) {
        pic().reset();
        app.f.TraceX = tx;
        trace_plot(app.m, app.f);
        return pic().ops;
    }
    static bool isDot(const Op& op, float x, float y, Color c) {
        return op.kind == Op::Pixel && op.x1 == x && op.y1 == y && op.color == c;
    }
    static bool isLine(const Op& op, float x1, float y1, float x2, float y2, Color c) {
        return op.kind == Op::Line && op.x1 == x1 && op.y1 == y1 && op.x2 == x2 && op.y2 == y2 && op.color == c;
    }
};

TEST_F(GraphTrace, SpeedAndRpmJoinSkipSameColumnAndRestartAfterAJump) {
    app.m.GraphKind = 3;
    app.m.Chan[8] = 5000;  // 240 - 105
    app.m.Chan[9] = 100;   // 197 - 42
    auto ops = plot(10);   // nothing plotted yet: dots
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_TRUE(isDot(ops[0], 69, 135, QBColor(9)));
    EXPECT_TRUE(isDot(ops[1], 69, 155, QBColor(12)));
    EXPECT_EQ(app.f.TraceLastX, 10);

    app.m.Chan[8] = 0;              // 240, held at the frame's bottom
    app.m.Chan[9] = 500;            // 210 pixels, held at 166
    EXPECT_TRUE(plot(10).empty());  // same pixel column: skipped
    ops = plot(20);                 // 10 pixels on: still joined
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_TRUE(isLine(ops[0], 69, 135, 79, 197, QBColor(9)));
    EXPECT_TRUE(isLine(ops[1], 69, 155, 79, 31, QBColor(12)));

    ops = plot(31);  // 11 pixels: a gap, the curve starts again
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].kind, Op::Pixel);
    ops = plot(5);  // back to the start of the lap: a dot again
    EXPECT_EQ(ops[0].kind, Op::Pixel);
    EXPECT_EQ(ops[0].x1, 64);

    app.m.RpmMax = 12000;  // 2000 rpm per grid step
    app.m.Chan[8] = 8000;
    ops = plot(6);
    EXPECT_TRUE(isLine(ops[0], 64, 197, 65, 156, QBColor(9)));
}

TEST_F(GraphTrace, MissingSteeringAndThrottleSensorsAreNotDrawn) {
    app.m.GraphKind = 4;
    app.m.Chan[0] = 100;  // 1 G: 72 - 10
    app.m.Chan[4] = 100;
    app.m.Chan[5] = 100;
    plot(50);
    app.m.Chan[4] = 255;
    app.m.Chan[5] = 255;
    auto ops = plot(51);
    ASSERT_EQ(ops.size(), 1u);  // lateral G only
    EXPECT_TRUE(isLine(ops[0], 109, 62, 110, 62, QBColor(12)));
    EXPECT_EQ(app.f.TraceY2, 197);
    EXPECT_EQ(app.f.TraceY3, 114);
    // The sensors come back: their curves go on from the parked positions.
    app.m.Chan[4] = 0;
    app.m.Chan[5] = 0;
    ops = plot(52);
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_TRUE(isLine(ops[0], 110, 197, 111, 197, QBColor(2)));
    EXPECT_TRUE(isLine(ops[1], 110, 114, 111, 156, QBColor(9)));
    // The angle curve only with the angle box ticked; 250 is -6 degrees.
    app.f.ANGL_CHK.Checked = true;
    app.m.Chan[1] = 250;
    ops = plot(53);
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[2].color, QBColor(5));
    EXPECT_EQ(ops[2].y2, 78);
}

TEST_F(GraphTrace, InLineGRestartsAtTheCentreLine) {
    app.m.GraphKind = 7;
    app.m.Chan[9] = 100;
    app.m.Chan[19] = 20;  // Nearest(7.4) = 7
    auto ops = plot(3);   // first point: speed dot, no in-line G yet
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(app.f.TraceY4, 72);
    ops = plot(4);
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_TRUE(isLine(ops[1], 62, 72, 63, 65, QBColor(9)));
    // Exactly 10 pixels: speed stays joined, in-line G restarts from 72.
    ops = plot(14);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].kind, Op::Line);
    EXPECT_EQ(app.f.TraceY4, 72);
    app.m.Chan[19] = 200;  // beyond the scale: held at 42 pixels
    ops = plot(15);
    EXPECT_TRUE(isLine(ops[1], 73, 72, 74, 30, QBColor(9)));
    app.m.Chan[19] = -200;
    ops = plot(16);
    EXPECT_EQ(ops[1].y2, 114);
}

TEST_F(GraphTrace, PressureAirFuelAndTemperatureCurves) {
    app.m.GraphKind = 5;
    app.m.AFMode = 1470;
    app.m.Chan[3] = 255;   // 95 - 77, held at 31
    app.m.Chan[2] = 100;   // AfTable 394 / 4 = 98.5, to even: 98 - 70
    app.m.Chan[6] = 2000;  // held at 799: 198 - 167
    app.m.Chan[7] = 100;   // 198 - 21
    auto ops = plot(100);
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_TRUE(isDot(ops[0], 159, 31, QBColor(9)));
    EXPECT_TRUE(isDot(ops[1], 159, 169, QBColor(2)));
    EXPECT_TRUE(isDot(ops[2], 159, 31, QBColor(12)));
    EXPECT_TRUE(isDot(ops[3], 159, 177, QBColor(12)));
    app.m.AFMode = 0;  // oxygen: Int((150 - 104) * 0.678) = 31
    app.m.Chan[2] = 150;
    EXPECT_EQ(plot(101)[1].y2, 166);
    app.m.Chan[2] = 50;  // below the sensor's zero: on the bottom line
    EXPECT_EQ(plot(102)[1].y2, 197);
}

TEST_F(GraphTrace, SegmentMarkIsADottedLineWithItsNumber) {
    app.m.SegNo = 2;
    app.f.TraceX = 100;
    seg_mark(app.m, app.f);
    auto& ops = pic().ops;
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_TRUE(isLine(ops[0], 159, 30, 159, 198, kBlack));
    EXPECT_EQ(ops[0].style, DrawStyle::Dot);
    EXPECT_EQ(ops[1].text, " 2 ");
    EXPECT_EQ(ops[1].x1, 148);
    EXPECT_EQ(ops[1].y1, 18);
    EXPECT_EQ(app.f.Picture2->drawStyle, DrawStyle::Solid);
}

// A lap built by hand: record r moves `pulses` distance pulses; markers at the given records.
void buildLap(Module1& m, MainformState& f, int records, int pulses, std::vector<int> markers) {
    m.MmPerPulse = 200;
    m.CourseLen = 1000;
    f.XScale = 0.35f;
    m.RecPtr = 10;
    m.RecCount = records;
    for (int r = 0; r < records; ++r) {
        auto& rec = m.LogMem[static_cast<size_t>(m.RecPtr + r)];
        rec = {};
        rec[12] = 0;
        rec[13] = 100;
        rec[14] = static_cast<uint8_t>(pulses / 256);
        rec[15] = static_cast<uint8_t>(pulses % 256);
        if (std::find(markers.begin(), markers.end(), r) != markers.end()) rec[6] = 254;
    }
}

TEST_F(GraphTrace, ReplayMarksSegmentsAndEndsWithTheLastNumber) {
    app.m.GraphKind = 3;
    // 550 records of 10 m: the lap wraps after 100 records and goes round again.
    buildLap(app.m, app.f, 550, 50, {120, 250, 380});
    grf_replay(app.m, app.f);
    std::vector<std::string> numbers;
    int marks = 0;
    for (const Op& op : pic().ops) {
        if (op.kind == Op::Text) numbers.push_back(op.text);
        if (op.kind == Op::Line && op.style == DrawStyle::Dot) ++marks;
    }
    EXPECT_EQ(marks, 3);
    EXPECT_EQ(numbers, (std::vector<std::string>{" 1 ", " 2 ", " 3 ", " 4 "}));
    const Op& last = pic().texts().back();
    EXPECT_EQ(last.x1, 400);
    EXPECT_EQ(last.y1, 18);
    EXPECT_EQ(app.m.SegNo, 4);
    // Distances never decrease, even where the lap wraps; a marker keeps the distance before it.
    for (int r = 2; r < 550; ++r) EXPECT_GE(app.f.DistTbl[r], app.f.DistTbl[r - 1]) << r;
    EXPECT_EQ(app.f.DistTbl[99], 990);
    EXPECT_EQ(app.f.DistTbl[120], app.f.DistTbl[119]);
    // Every curve point lies inside the frame.
    for (const Op& op : pic().ops)
        if ((op.kind == Op::Line && op.style == DrawStyle::Solid) || op.kind == Op::Pixel) {
            EXPECT_GE(std::min(op.x1, op.x2), 59);
            EXPECT_LE(std::max(op.x1, op.x2), 409);
        }
}

TEST_F(GraphTrace, ReplayNeverWritesDistancesPastTheTable) {
    app.m.GraphKind = 3;
    buildLap(app.m, app.f, 6500, 1, {});
    app.f.course_x[0] = 1234;  // the field after DistTbl
    grf_replay(app.m, app.f);
    EXPECT_EQ(app.f.course_x[0], 1234);
    EXPECT_GT(app.f.DistTbl[kMaxCoursePoint], 0);
}

TEST_F(GraphTrace, ReplayDrawsNothingWithoutRecordsOrDuringATestRun) {
    app.m.GraphKind = 3;
    buildLap(app.m, app.f, 100, 50, {});
    app.m.ReplayOn = kTrue;
    grf_replay(app.m, app.f);
    app.m.ReplayOn = 0;
    app.m.RecCount = 0;
    grf_replay(app.m, app.f);
    EXPECT_TRUE(pic().ops.empty());
}

TEST_F(GraphTrace, GeneratedLapStaysInsideTheFrameInEveryKind) {
    loggen::GenOptions o;
    o.laps = 3;
    o.segments = 4;
    loggen::GenResult gen = loggen::generateLog(o);
    ASSERT_TRUE(gen) << gen.error;
    std::vector<uint8_t> bytes = gen.memory->fileBytes();
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    LoadReport report;
    std::string error;
    ASSERT_TRUE(log_read(app.m, in, &report, &error)) << error;
    app.m.LapCur = static_cast<int16_t>(app.m.LapFirst + 1);
    ASSERT_TRUE(locate_lap(app.m));
    app.m.CourseLen = static_cast<int16_t>(std::lround(gen.memory->course.length));
    app.f.XScale = 350.0f / static_cast<float>(app.m.CourseLen);
    for (int kind : {3, 4, 5, 7}) {
        app.m.GraphKind = static_cast<int16_t>(kind);
        pic().reset();
        grf_refresh(app.m, app.f);
        int points = 0;
        for (const Op& op : pic().ops) {
            bool curve =
                op.kind == Op::Pixel || (op.kind == Op::Line && op.color != kBlack && op.style == DrawStyle::Solid &&
                                         op.x2 - op.x1 <= 10 && !(op.x1 == 60 || op.x1 == 407));
            if (!curve) continue;
            ++points;
            EXPECT_GE(std::min(op.x1, op.x2), 59) << kind;
            EXPECT_LE(std::max(op.x1, op.x2), 409) << kind;
            EXPECT_GE(std::min(op.y1, op.y2), 30) << kind;
            EXPECT_LE(std::max(op.y1, op.y2), 198) << kind;
        }
        EXPECT_GT(points, 300) << kind;  // about one point per pixel column and curve
        EXPECT_EQ(app.m.SegNo, 4) << kind;
    }
}

}  // namespace
}  // namespace vt
