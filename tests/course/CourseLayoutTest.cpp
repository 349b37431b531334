// The course layout: closure on itself, the heading pulled to whole turns, standstill, the zero
// offset, the point and distance-step tables, what is drawn and the guards at the table ends.
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "course/CourseLayout.h"
#include "course/CourseTestSupport.h"
#include "display/Panel.h"

namespace vt::test {
namespace {

using Op = RecordingCanvas::Op;

// Largest distance of a point from the circle of radius 80 around the picture centre.
double offCircle(const std::vector<Pt>& pts) {
    double worst = 0;
    for (const Pt& p : pts) worst = std::max(worst, std::fabs(std::hypot(p.x + 0.5, p.y + 0.5) - 80));
    return worst;
}

// Largest coordinate difference between `count` points of a (from ia) and of b (from ib).
int maxDiff(const std::vector<Pt>& a, size_t ia, const std::vector<Pt>& b, size_t ib, size_t count) {
    int worst = ia + count > a.size() || ib + count > b.size() ? 1 << 30 : 0;
    for (size_t i = 0; i < count && worst < (1 << 30); ++i)
        worst = std::max({worst, std::abs(a[ia + i].x - b[ib + i].x), std::abs(a[ia + i].y - b[ib + i].y)});
    return worst;
}

TEST(CourseLayout, StartUpCircleClosesAndFillsTheSquare) {
    // CourseLen 1000, speed count 83, G byte 4, 599 records; CarType 3 takes no offset even when on.
    const auto pts = SyntheticLap(3, "ON").samples(599, 4, 83).layOut(1000);
    ASSERT_EQ(pts.size(), 599u);
    EXPECT_LE(closingGap(pts), 2.0);
    EXPECT_LE(offCircle(pts), 2.0);  // 160 units across
}

TEST(CourseLayout, HeadingSumIsPulledToWholeTurns) {
    // 72 km/h and G byte 20 turn the heading 0.0383 rad per record: records turning left, then right.
    for (const auto& [left, right, turns] : {std::tuple{180, 0, 1}, {0, 148, -1}, {200, 134, 0}}) {
        SCOPED_TRACE(std::to_string(turns) + " turns");  // from 1.1, -0.9 and 0.4 (a figure eight)
        SyntheticLap lap;
        lap.samples(left, 20).samples(right, -20);
        lap.m.RecCount = lap.n;
        EXPECT_FLOAT_EQ(course_closure(lap.m, lap.f, lap.pump).wholeTurns, turns * 6.28318f);
        const auto pts = lap.layOut();
        EXPECT_LE(closingGap(pts), 2.0);
        EXPECT_TRUE((left && right) || offCircle(pts) <= 2.0) << offCircle(pts);  // one turn: a circle
    }
}

TEST(CourseLayout, FactorsGiveTheLapItsTrueLengthAndTurn) {
    // 72 km/h (speed count 101 at 200 mm) is 72 x 0.02777 = 1.99944 m a record.
    constexpr double kMetresPerRecord = 72 * 0.02777;
    // A straight NORMAL lap (no closure) of 3000 records spans 2999 records' length before the
    // picture's scaling (the first point is one record in).
    SyntheticLap straight(2);
    straight.samples(3000, 0).layOut(6000);
    EXPECT_NEAR(straight.f.course_scale * 160.0, 2999 * kMetresPerRecord, 2.0);
    // G byte 20 is 20 x 0.383 m/s^2, turning the heading by that x 0.01 / 1.99944 rad a record.
    SyntheticLap turning;
    turning.samples(160, 20);
    turning.m.RecCount = turning.n;
    EXPECT_NEAR(course_closure(turning.m, turning.f, turning.pump).headingSum,
                160 * 20 * 0.383 * 0.01 / kMetresPerRecord, 1e-3);
}

TEST(CourseLayout, StandstillChangesNeitherHeadingNorPosition) {
    // Almost exactly one turn, once without and once with a stop half way at full-scale G.
    SyntheticLap moving, stopped;
    const auto a = moving.samples(164, 20).layOut();
    const auto b = stopped.samples(82, 20).samples(50, 127, 0).samples(82, 20).layOut();
    ASSERT_EQ(b.size(), 214u);  // standstill records are points too
    EXPECT_LE(closingGap(b), 2.0);
    EXPECT_LE(maxDiff(b, 82, std::vector<Pt>(50, b[81]), 0, 50), 1);  // the stop stays put
    EXPECT_LE(maxDiff(b, 0, a, 0, 82), 2);
    EXPECT_LE(maxDiff(b, 132, a, 82, 82), 2);
    EXPECT_FLOAT_EQ(stopped.f.speed_sum, 164 * 72.0f);
    // With a gap to spread (a straight after the turn) the stop takes its share too: the lap closes.
    EXPECT_LE(closingGap(SyntheticLap().samples(164, 20).samples(40, 0).samples(50, 127, 0).layOut()), 2.0);
}

TEST(CourseLayout, ZeroOffsetIsTakenOffOnlyWhenSwitchedOn) {
    // A sensor offset of +3 counts on a lap of fast straights and slow half turns. The closure
    // spreads an error evenly per record, which does not undo an offset when the speed changes.
    auto build = [](SyntheticLap&& lap, int offset) {
        for (int i = 0; i < 2; ++i) lap.samples(120, offset, 180).samples(33, 30 + offset, 60);
        return lap.layOut();
    };
    const auto clean = build(SyntheticLap(), 0);
    EXPECT_LE(maxDiff(build(SyntheticLap(0, "ON"), 3), 0, clean, 0, clean.size()), 1);
    EXPECT_GE(maxDiff(build(SyntheticLap(0, "OFF"), 3), 0, clean, 0, clean.size()), 4);
    // NORMAL (CarType 2) gets no offset and no closure: 1.16 turns stay open.
    EXPECT_GE(closingGap(SyntheticLap(2, "ON").samples(190, 20).layOut()), 10.0);
}

TEST(CourseLayout, DistanceStepsAndTheCarMarker) {
    SyntheticLap lap;
    lap.samples(500, 8).layOut(1000);  // 999.7 m driven on a 1000 m course
    MainformState& f = lap.f;
    EXPECT_NEAR(f.dist_mark_last, 179, 1);
    EXPECT_FLOAT_EQ(f.dist_step, 1000.0f / static_cast<float>(f.dist_mark_last + 1));
    const auto end = f.dist_mark.begin() + f.dist_mark_last + 1;  // in order, about 2.8 records apart
    EXPECT_EQ(std::adjacent_find(f.dist_mark.begin(), end, [](int a, int b) { return b - a < 1 || b - a > 3; }), end);
    auto stepPoint = [&f](int k) {
        const size_t p = static_cast<size_t>(f.dist_mark[static_cast<size_t>(k)]);
        return std::pair{f.course_x[p] + 122.0f, f.course_y[p] + 122.0f};
    };
    car_set(lap.m, f, 500);
    EXPECT_EQ(std::pair(f.car.Left, f.car.Top), stepPoint(static_cast<int>(500 / f.dist_step)));
    car_set(lap.m, f, 3000);  // beyond the lap: the last step
    EXPECT_EQ(std::pair(f.car.Left, f.car.Top), stepPoint(f.dist_mark_last));
    // A step in every record, 500 in all: counted, stored up to the table end, read no further.
    f.dist_mark.fill(-7);
    lap.layOut(300);
    EXPECT_EQ(f.dist_mark_last, 499);
    ASSERT_GE(f.dist_mark[kMaxDistMark], 0);
    car_set(lap.m, f, 299);
    EXPECT_EQ(std::pair(f.car.Left, f.car.Top), stepPoint(kMaxDistMark));
    lap.m.RecCount = 3;  // three records on a 30 km course pass no step at all
    Corse_layout(lap.m, f, lap.pump, 30000);
    EXPECT_EQ(f.dist_mark_last, -1);
}

TEST(CourseLayout, HeadingLinesInBothUnitsAndNothingMoreWithoutALap) {
    SyntheticLap lap;
    const auto before = lap.samples(100, 10).layOut(1000);
    avr_speed_print(lap.m, lap.f);
    EXPECT_EQ(lap.texts(), "  *  Course Layout  *| COURSE LENGTH | 1000 |m| AVERAGE SPEED |=>| 72 | Km/h");
    EXPECT_EQ(lap.pic().texts().back().x1 - 4.5f * 4, 92.0f);
    lap.m.SpeedUnit = 1;
    lap.pic().reset();
    lap.layOut(1000);
    avr_speed_print(lap.m, lap.f);
    EXPECT_EQ(lap.texts(), "  *  Course Layout  *| COURSE LENGTH |0.621 M| AVERAGE SPEED |=>|45 M/h");  // 44.7
    // Length 0 or no records: the three heading lines only, and the tables of the last run stay.
    const float step = lap.f.dist_step;
    for (int16_t length : {int16_t(0), int16_t(1000)}) {
        lap.m.RecCount = length == 0 ? 100 : 0;
        lap.pic().reset();
        Corse_layout(lap.m, lap.f, lap.pump, length);
        EXPECT_EQ(lap.texts(), std::string("  *  Course Layout  *| COURSE LENGTH |") +
                                   (length ? "0.621 M" : "0.000 M") + "| AVERAGE SPEED ");
        EXPECT_EQ(maxDiff(coursePoints(lap.f), 0, before, 0, before.size()), 0);
        EXPECT_EQ(lap.f.dist_step, step);
    }
}

TEST(CourseLayout, SegmentBoundariesRingsNumbersCornersAndFlag) {
    // Lap marker, a straight, a left corner entered through two markers in a row, a right corner.
    SyntheticLap lap;
    for (int s = 1; s <= 4; ++s) lap.m.LapTbl[0][static_cast<size_t>(s)][27] = static_cast<uint8_t>("SSLR"[s - 1]);
    lap.marker(255).samples(60, 0).marker().marker().samples(60, 25).marker().samples(60, -25).layOut();
    const MainformState& f = lap.f;
    // Two rings per boundary (radii 1.5 and 2), also for the second of two markers on one point.
    const auto circles = lap.ops(Op::Circle);
    ASSERT_EQ(circles.size(), 8u);
    EXPECT_EQ(circles[0].x2, 1.5f);
    EXPECT_EQ(circles[1].x2, 2.0f);
    for (const auto& [ring, point] : {std::pair{0, 0}, {2, 60}, {4, 60}, {6, 120}})
        EXPECT_EQ(circles[static_cast<size_t>(ring)].x1, f.course_x[static_cast<size_t>(point)] + 126) << ring;
    EXPECT_EQ(lap.texts(), "  *  Course Layout  *| COURSE LENGTH | 1000 |m| AVERAGE SPEED | 1 | 2 | 3 |=>");
    // Straights one pixel per point, corners three. A point takes the kind of the stretch it ends:
    // point 60 is still straight, point 120 still the left corner; the first point is a corner.
    std::set<std::pair<int, int>> want, got;
    for (int i = 0; i < 180; ++i) {
        const int x = f.course_x[static_cast<size_t>(i)] + 126, y = f.course_y[static_cast<size_t>(i)] + 126;
        want.insert({x, y});
        if (i == 0 || i > 60) want.insert({{x - 1, y}, {x, y - 1}});
    }
    for (const Op& op : lap.ops(Op::Pixel)) got.insert({static_cast<int>(op.x1), static_cast<int>(op.y1)});
    EXPECT_EQ(got, want);
    // The chequered flag above and left of the first point (its arrow is the last text above).
    const auto boxes = lap.ops(Op::Box);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].x1, f.course_x[0] + 120);
    EXPECT_EQ(boxes[0].y1, f.course_y[0] + 115);
    EXPECT_EQ(lap.ops(Op::FilledBox).size(), 5u);
}

TEST(CourseLayout, GuardsAtTheEdgesOfTheTables) {
    SyntheticLap longLap;  // longer than the point table: counted, neither stored nor drawn past it
    for (const Pt& p : longLap.samples(6500, 2).layOut(13000)) EXPECT_LE(std::max(std::abs(p.x), std::abs(p.y)), 81);
    EXPECT_EQ(longLap.f.course_pts, 6500);
    EXPECT_GT(longLap.ops(Op::Pixel).size(), 0);
    EXPECT_LE(longLap.ops(Op::Pixel).size(), 6001u * 3);

    SyntheticLap atEnd(0, "ON");  // the zero offset's search stops at the end of the image
    atEnd.n = atEnd.m.RecPtr = kMaxRecord - 4;
    atEnd.samples(5, 10).layOut(100);
    EXPECT_EQ(atEnd.f.course_pts, 5);
    EXPECT_GE(atEnd.pump.passes, 4);  // yields once per record read

    SyntheticLap still;  // a course of no extent
    for (const Pt& p : still.samples(50, 40, 0).layOut(100)) {
        EXPECT_EQ(p.x, 0);
        EXPECT_EQ(p.y, 0);
    }
    EXPECT_EQ(still.f.course_scale, 0.0f);

    SyntheticLap wild;  // a speed count outside 16 bits keeps the last speed
    wild.samples(100, 0).samples(1, 0, 40000).layOut();
    EXPECT_FLOAT_EQ(wild.f.speed_sum, 101 * 72.0f);

    SyntheticLap marked;  // more markers than the table holds: the first 17 get rings
    for (int i = 0; i < 25; ++i) marked.marker(i == 0 ? 255 : 254).samples(10, 12);
    marked.layOut();
    EXPECT_EQ(marked.ops(Op::Circle).size(), 17u * 2);
}

}  // namespace
}  // namespace vt::test
