// The course layout: closure of laps on themselves, the heading correction to whole turns,
// standstill, the zero offset, the point and distance-step tables and what is drawn.
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "course/CourseLayout.h"
#include "course/CourseTestSupport.h"
#include "display/Panel.h"
#include "shell/LapChoice.h"

namespace vt::test {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// A lap written straight into the image from record 0: MmPerPulse 200, speed count 101
// (72 km/h, 1.99944 m per record), no markers unless the test adds them.
struct SyntheticLap {
    TestApp app;
    int n = 0;
    SyntheticLap() {
        app.m.MmPerPulse = 200;
        app.m.CarType = 0;
        app.m.RecPtr = 0;
        app.f.CHK_AVR.Caption = "OFF";
    }
    void samples(int count, int g, int speedCount = 101) {
        for (int i = 0; i < count; ++i) putSample(app.m, n++, g, speedCount);
    }
    void marker(int kind = 254) { putMarker(app.m, n++, kind); }
    void layOut(int16_t length = 1000) {
        app.m.RecCount = n;
        Corse_layout(app.m, app.f, app.pump, length);
    }
    RecordingCanvas& pic() { return static_cast<RecordingCanvas&>(*app.f.Picture1); }
};

std::pair<int, int> extent(const std::vector<Pt>& pts) {
    auto [x0, x1] = std::minmax_element(pts.begin(), pts.end(), [](Pt a, Pt b) { return a.x < b.x; });
    auto [y0, y1] = std::minmax_element(pts.begin(), pts.end(), [](Pt a, Pt b) { return a.y < b.y; });
    return {x1->x - x0->x, y1->y - y0->y};
}

std::vector<std::string> textsOf(const RecordingCanvas& c) {
    std::vector<std::string> out;
    for (const auto& op : c.texts()) out.push_back(op.text);
    return out;
}

TEST(CourseLayout, StartUpCircleClosesAndFillsTheSquare) {
    // The start-up circle: CourseLen 1000, speed count 83, G byte 4, CarType 3, 599 records.
    SyntheticLap lap;
    lap.app.m.CarType = 3;
    lap.app.f.CHK_AVR.Caption = "ON";  // CarType 3 takes no offset even when it is on
    lap.samples(599, 4, 83);
    lap.layOut(1000);

    const auto pts = coursePoints(lap.app.f);
    ASSERT_EQ(pts.size(), 599u);
    EXPECT_LE(closingGap(pts), 2.0);  // closes on itself
    auto [w, h] = extent(pts);
    EXPECT_NEAR(w, 160, 2);
    EXPECT_NEAR(h, 160, 2);
    // Every point on one circle of radius 80 around the picture centre.
    for (const Pt& p : pts) EXPECT_NEAR(std::hypot(p.x + 0.5, p.y + 0.5), 80.0, 2.0);
    EXPECT_NEAR(std::fabs(closedTurns(pts, 10)), 1.0, 1e-9);
}

TEST(CourseLayout, HeadingSumIsPulledToWholeTurns) {
    // 72 km/h and G byte 20 turn the heading 0.0383 rad per record.
    struct Case {
        const char* name;
        int left, right;  // records turning one way, then the other
        double turns;     // drawn turning after the correction
    };
    const Case cases[] = {
        {"1.1 turns", 180, 0, 1},    // 1.097 turns: 0.0349 rad per point after the correction
        {"-0.9 turns", 0, 148, -1},  // -0.902 turns: -0.0424
        {"0.4 turns", 200, 134, 0},  // 0.402 turns net: 0.0307 and -0.0459, a figure eight
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SyntheticLap lap;
        lap.samples(c.left, 20);
        lap.samples(c.right, -20);
        lap.app.m.RecCount = lap.n;
        const CourseClosure cl = course_closure(lap.app.m, lap.app.f, lap.app.pump);
        EXPECT_FLOAT_EQ(cl.wholeTurns, static_cast<float>(c.turns) * 6.28318f);
        // Each of the n records takes its share: the lap turns by whole turns (to within one
        // record's share of the difference).
        const float corrected = cl.headingSum - static_cast<float>(lap.n) * cl.heading;
        EXPECT_NEAR(corrected, cl.wholeTurns, std::fabs(cl.headingSum - cl.wholeTurns) / (lap.n - 1) + 1e-4);

        lap.layOut();
        const auto pts = coursePoints(lap.app.f);
        EXPECT_LE(closingGap(pts), 2.0);
        EXPECT_NEAR(closedTurns(pts, 6), c.turns, 1e-9);
        auto [w, h] = extent(pts);
        EXPECT_GE(std::max(w, h), 159);
        EXPECT_GE(std::min(w, h), 40);  // a real shape, not collapsed onto a line
    }
}

TEST(CourseLayout, StandstillChangesNeitherHeadingNorPosition) {
    // A circle of almost exactly one turn (164 records), once without and once with a stop half
    // way; at the stop the lateral byte is at full scale.
    SyntheticLap moving;
    moving.samples(164, 20);
    moving.layOut();
    SyntheticLap stopped;
    stopped.samples(82, 20);
    stopped.samples(50, 127, 0);
    stopped.samples(82, 20);
    stopped.layOut();

    const auto a = coursePoints(moving.app.f);
    const auto b = coursePoints(stopped.app.f);
    ASSERT_EQ(b.size(), 214u);  // standstill records are points too
    EXPECT_LE(closingGap(b), 2.0);
    // The stop stays where the car stopped.
    for (int i = 82; i < 132; ++i) {
        EXPECT_LE(std::abs(b[static_cast<size_t>(i)].x - b[81].x), 1);
        EXPECT_LE(std::abs(b[static_cast<size_t>(i)].y - b[81].y), 1);
    }
    // Before and after the stop the lap is the moving one.
    for (int i = 0; i < 82; ++i) {
        EXPECT_LE(std::abs(b[static_cast<size_t>(i)].x - a[static_cast<size_t>(i)].x), 2);
        EXPECT_LE(std::abs(b[static_cast<size_t>(i)].y - a[static_cast<size_t>(i)].y), 2);
        EXPECT_LE(std::abs(b[static_cast<size_t>(i + 132)].x - a[static_cast<size_t>(i + 82)].x), 2);
        EXPECT_LE(std::abs(b[static_cast<size_t>(i + 132)].y - a[static_cast<size_t>(i + 82)].y), 2);
    }
    // The stop adds nothing to the speed sum but counts as points of the average.
    EXPECT_FLOAT_EQ(stopped.app.f.speed_sum, 164 * 72.0f);
}

TEST(CourseLayout, ZeroOffsetIsTakenOffOnlyWhenSwitchedOn) {
    // A lap with a sensor offset of +3 counts: a straight (true G 0) and a slow corner. The
    // closure spreads a constant error evenly per record, which does not undo an offset
    // when the speed changes, so only the zero offset brings back the clean lap.
    auto build = [](SyntheticLap& lap, int offset) {
        lap.samples(120, 0 + offset, 180);  // fast straight, 129 km/h
        lap.samples(33, 30 + offset, 60);   // slow half turn, 43 km/h
        lap.samples(120, 0 + offset, 180);
        lap.samples(33, 30 + offset, 60);
    };
    SyntheticLap clean;
    build(clean, 0);
    clean.layOut();
    SyntheticLap on, off, bike;
    build(on, 3);
    build(off, 3);
    on.app.f.CHK_AVR.Caption = "ON";
    on.layOut();
    off.layOut();

    const auto c = coursePoints(clean.app.f), pOn = coursePoints(on.app.f), pOff = coursePoints(off.app.f);
    int worstOn = 0, worstOff = 0;
    for (size_t i = 0; i < c.size(); ++i) {
        worstOn = std::max({worstOn, std::abs(pOn[i].x - c[i].x), std::abs(pOn[i].y - c[i].y)});
        worstOff = std::max({worstOff, std::abs(pOff[i].x - c[i].x), std::abs(pOff[i].y - c[i].y)});
    }
    EXPECT_LE(worstOn, 1);
    EXPECT_GE(worstOff, 4);

    // NORMAL (CarType 2) gets no offset and no closure: the lap is left open.
    SyntheticLap normal;
    normal.app.m.CarType = 2;
    normal.app.f.CHK_AVR.Caption = "ON";
    normal.samples(190, 20);  // 1.16 turns
    normal.layOut();
    EXPECT_GE(closingGap(coursePoints(normal.app.f)), 10.0);
}

TEST(CourseLayout, DistanceStepsFollowTheLapLength) {
    // 500 records of 1.99944 m: 999.7 m driven for a course of 1000 m.
    SyntheticLap lap;
    lap.samples(500, 8);
    lap.layOut(1000);
    MainformState& f = lap.app.f;
    EXPECT_NEAR(f.dist_mark_last, 179, 1);
    EXPECT_FLOAT_EQ(f.dist_step, 1000.0f / static_cast<float>(f.dist_mark_last + 1));
    // Steps pass in order, about 2.8 records apart.
    for (int k = 1; k <= f.dist_mark_last; ++k) {
        EXPECT_GT(f.dist_mark[static_cast<size_t>(k)], f.dist_mark[static_cast<size_t>(k - 1)]);
        EXPECT_LE(f.dist_mark[static_cast<size_t>(k)] - f.dist_mark[static_cast<size_t>(k - 1)], 3);
    }

    // The car marker goes to the point of the distance step.
    car_set(lap.app.m, f, 500);
    const int k = static_cast<int>(500 / f.dist_step);
    const int p = f.dist_mark[static_cast<size_t>(k)];
    EXPECT_EQ(f.car.Left, f.course_x[static_cast<size_t>(p)] + 122);
    EXPECT_EQ(f.car.Top, f.course_y[static_cast<size_t>(p)] + 122);
    // Beyond the lap it stays on the last step.
    car_set(lap.app.m, f, 3000);
    const int last = f.dist_mark[static_cast<size_t>(f.dist_mark_last)];
    EXPECT_EQ(f.car.Left, f.course_x[static_cast<size_t>(last)] + 122);
}

TEST(CourseLayout, StepsBeyondTheTableAreCountedButNotStored) {
    // 999.7 m driven on a course said to be 300 m long: a step in every record, 500 in all.
    SyntheticLap lap;
    lap.samples(500, 8);
    lap.app.f.dist_mark.fill(-7);
    lap.layOut(300);
    MainformState& f = lap.app.f;
    EXPECT_EQ(f.dist_mark_last, 499);
    EXPECT_GE(f.dist_mark[kMaxDistMark], 0);
    // The marker never reads past the table.
    f.car.move(-1, -1);
    car_set(lap.app.m, f, 299);
    const int p = f.dist_mark[kMaxDistMark];
    EXPECT_EQ(f.car.Left, f.course_x[static_cast<size_t>(p)] + 122);

    // No step at all: the marker stays put.
    SyntheticLap shortLap;
    shortLap.samples(3, 0);
    shortLap.layOut(30000);
    EXPECT_EQ(shortLap.app.f.dist_mark_last, -1);
    shortLap.app.f.car.move(5, 5);
    car_set(shortLap.app.m, shortLap.app.f, 10);
    EXPECT_EQ(shortLap.app.f.car.Left, 5);
}

TEST(CourseLayout, NothingToLayOutKeepsTheLastTables) {
    SyntheticLap lap;
    lap.samples(300, 10);
    lap.layOut(1000);
    const auto before = coursePoints(lap.app.f);
    const float step = lap.app.f.dist_step;
    for (int16_t length : {int16_t(0), int16_t(1000)}) {
        lap.app.m.RecCount = length == 0 ? 300 : 0;
        lap.pic().reset();
        Corse_layout(lap.app.m, lap.app.f, lap.app.pump, length);
        const auto texts = textsOf(lap.pic());
        ASSERT_EQ(texts.size(), 5u);
        EXPECT_EQ(texts[0], "  *  Course Layout  *");
        EXPECT_EQ(texts[1], " COURSE LENGTH ");
        EXPECT_EQ(texts[4], " AVERAGE SPEED ");
        EXPECT_EQ(lap.app.f.dist_step, step);
        const auto after = coursePoints(lap.app.f);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_TRUE(std::equal(after.begin(), after.end(), before.begin(),
                               [](Pt a, Pt b) { return a.x == b.x && a.y == b.y; }));
    }
}

TEST(CourseLayout, HeadingTextsInBothUnits) {
    SyntheticLap lap;
    lap.samples(100, 10);
    lap.layOut(1000);
    avr_speed_print(lap.app.m, lap.app.f);
    auto texts = textsOf(lap.pic());
    EXPECT_EQ(texts[2], " 1000 ");
    EXPECT_EQ(texts[3], "m");
    EXPECT_EQ(texts[texts.size() - 2], " 72 ");
    EXPECT_EQ(texts.back(), " Km/h");
    EXPECT_EQ(lap.pic().texts().back().x1 - 4.5f * 4, 92.0f);

    lap.app.m.SpeedUnit = 1;
    lap.pic().reset();
    lap.layOut(1000);
    avr_speed_print(lap.app.m, lap.app.f);
    texts = textsOf(lap.pic());
    EXPECT_EQ(texts[2], "0.621 M");
    EXPECT_EQ(texts.back(), "45 M/h");  // 72 x 0.621 = 44.7
}

TEST(CourseLayout, SegmentBoundariesRingsNumbersAndCorners) {
    // Lap marker, then a straight, a left corner (entered through two markers in a row), a
    // right corner. Letters of segments 1..4: S, S, L, R.
    SyntheticLap lap;
    auto& seg = lap.app.m.LapTbl[static_cast<size_t>(lap.app.m.LapCur)];
    seg[1][27] = 'S';
    seg[2][27] = 'S';
    seg[3][27] = 'L';
    seg[4][27] = 'R';
    lap.marker(255);
    lap.samples(60, 0);
    lap.marker();
    lap.marker();
    lap.samples(60, 25);
    lap.marker();
    lap.samples(60, -25);
    lap.layOut();

    RecordingCanvas& pic = lap.pic();
    std::vector<RecordingCanvas::Op> circles, pixels;
    for (const auto& op : pic.ops) {
        if (op.kind == RecordingCanvas::Op::Circle) circles.push_back(op);
        if (op.kind == RecordingCanvas::Op::Pixel) pixels.push_back(op);
    }
    // Two rings per boundary, also for the second of two markers on one point.
    ASSERT_EQ(circles.size(), 8u);
    EXPECT_FLOAT_EQ(circles[0].x2, 1.5f);
    EXPECT_FLOAT_EQ(circles[1].x2, 2.0f);
    const auto& f = lap.app.f;
    EXPECT_FLOAT_EQ(circles[0].x1, f.course_x[0] + 126);
    EXPECT_FLOAT_EQ(circles[2].x1, f.course_x[60] + 126);
    EXPECT_FLOAT_EQ(circles[6].x1, f.course_x[120] + 126);
    auto texts = textsOf(pic);
    for (const char* number : {" 1 ", " 2 ", " 3 "})
        EXPECT_NE(std::find(texts.begin(), texts.end(), number), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), " 0 "), texts.end());
    // Straights one pixel per point, corners three (the pixel left and the one above too). A
    // point is drawn with the kind of the stretch it ends: point 60 still straight, point 120
    // still the left corner; the first point is a corner.
    std::set<std::pair<int, int>> want, got;
    for (int i = 0; i < 180; ++i) {
        const int x = f.course_x[static_cast<size_t>(i)] + 126, y = f.course_y[static_cast<size_t>(i)] + 126;
        want.insert({x, y});
        if (i == 0 || i > 60) {
            want.insert({x - 1, y});
            want.insert({x, y - 1});
        }
    }
    for (const auto& op : pixels) got.insert({static_cast<int>(op.x1), static_cast<int>(op.y1)});
    EXPECT_EQ(got, want);
    // The chequered flag above and left of the first point.
    const auto box = std::find_if(pic.ops.begin(), pic.ops.end(),
                                  [](const auto& op) { return op.kind == RecordingCanvas::Op::Box; });
    ASSERT_NE(box, pic.ops.end());
    EXPECT_FLOAT_EQ(box->x1, f.course_x[0] + 120);
    EXPECT_FLOAT_EQ(box->y1, f.course_y[0] + 115);
    EXPECT_EQ(std::count_if(pic.ops.begin(), pic.ops.end(),
                            [](const auto& op) { return op.kind == RecordingCanvas::Op::FilledBox; }),
              5);
    EXPECT_EQ(texts.back(), "=>");
}

TEST(CourseLayout, GuardsAtTheEdgesOfTheTables) {
    {
        SCOPED_TRACE("a lap longer than the point table");
        SyntheticLap lap;
        lap.samples(6500, 2);
        lap.layOut(13000);
        EXPECT_EQ(lap.app.f.course_pts, 6500);
        size_t pixels = 0;
        for (const auto& op : lap.pic().ops) pixels += op.kind == RecordingCanvas::Op::Pixel;
        EXPECT_GT(pixels, 0u);
        EXPECT_LE(pixels, 6001u * 3);
        for (const Pt& p : coursePoints(lap.app.f)) EXPECT_LE(std::max(std::abs(p.x), std::abs(p.y)), 81);
    }
    {
        SCOPED_TRACE("the zero offset near the end of the image");
        SyntheticLap lap;
        lap.app.f.CHK_AVR.Caption = "ON";
        lap.app.m.RecPtr = kMaxRecord - 4;
        for (int n = kMaxRecord - 4; n <= kMaxRecord; ++n) putSample(lap.app.m, n, 10, 101);
        lap.app.m.RecCount = 5;
        Corse_layout(lap.app.m, lap.app.f, lap.app.pump, 100);
        EXPECT_EQ(lap.app.f.course_pts, 5);
        EXPECT_GE(lap.app.pump.passes, 4);  // yields once per record read
    }
    {
        SCOPED_TRACE("a course of no extent");
        SyntheticLap lap;
        lap.samples(50, 40, 0);
        lap.layOut(100);
        EXPECT_EQ(lap.app.f.course_scale, 0.0f);
        for (const Pt& p : coursePoints(lap.app.f)) EXPECT_TRUE(p.x == 0 && p.y == 0);
    }
    {
        SCOPED_TRACE("speed counts outside 16 bits keep the last speed");
        SyntheticLap lap;
        lap.samples(100, 0);
        lap.samples(1, 0, 40000);
        lap.layOut();
        EXPECT_FLOAT_EQ(lap.app.f.speed_sum, 101 * 72.0f);
    }
    {
        SCOPED_TRACE("more markers than the table holds");
        SyntheticLap lap;
        for (int i = 0; i < 25; ++i) {
            lap.marker(i == 0 ? 255 : 254);
            lap.samples(10, 12);
        }
        lap.layOut();
        size_t circles = 0;
        for (const auto& op : lap.pic().ops) circles += op.kind == RecordingCanvas::Op::Circle;
        EXPECT_EQ(circles, 17u * 2);
    }
}

TEST(CourseLayout, GeneratedLapClosesAndMatchesItsCourseLength) {
    TestApp app;
    app.f.CHK_AVR.Caption = "OFF";
    loggen::GenOptions o;
    o.course = "circuit";
    o.laps = 3;
    o.segments = 5;
    loadGenerated(app, o);
    ASSERT_TRUE(choose_lap(app.m, app.f, app.s, 2));
    EXPECT_GT(app.m.CourseLen, 0);
    const auto pts = coursePoints(app.f);
    EXPECT_LE(closingGap(pts), 2.0);
    EXPECT_NEAR(app.f.dist_mark_last, 179, 2);
    auto [w, h] = extent(pts);
    EXPECT_EQ(std::max(w, h), 160);
}

}  // namespace
}  // namespace vt::test
