// The course layout and the course list: closure on itself, the heading pulled to whole turns,
// standstill, the zero offset, the point and distance-step tables, what is drawn and the guards at
// the table ends; laps of real circuits laid out keep the circuit's shape; the list's rows, totals,
// CourseLen and units, and the two small controls of the course display.
#include <algorithm>
#include <complex>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "course/CourseList.h"
#include "course/CourseTestSupport.h"
#include "display/Panel.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"

namespace vt::test {
namespace {

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
    // A straight NORMAL lap (no closure) of 3000 records spans 2999 records (the first point is one in).
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
    // A sensor offset of +3 counts on fast straights and slow half turns: the closure, spread evenly
    // per record, does not undo an offset when the speed changes.
    auto build = [](SyntheticLap&& lap, int offset) {
        for (int i = 0; i < 2; ++i) lap.samples(120, offset, 180).samples(33, 30 + offset, 60);
        return lap.layOut();
    };
    const auto clean = build(SyntheticLap(), 0);
    EXPECT_LE(maxDiff(build(SyntheticLap(0, "ON"), 3), 0, clean, 0, clean.size()), 1);
    EXPECT_GE(maxDiff(build(SyntheticLap(0, "OFF"), 3), 0, clean, 0, clean.size()), 4);
    // CarType 3 takes no offset even when on: its steady G byte 4 is one closed turn filling the square.
    EXPECT_LE(offCircle(SyntheticLap(3, "ON").samples(599, 4, 83).layOut(1000)), 2.0);
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
    EXPECT_LE(longLap.ops(Op::Pixel).size(), 6001u * 3);

    SyntheticLap atEnd(0, "ON");  // the zero offset's search stops at the end of the image
    atEnd.n = atEnd.m.RecPtr = kMaxRecord - 4;
    EXPECT_EQ(atEnd.samples(5, 10).layOut(100).size(), 5u);
    EXPECT_GE(atEnd.pump.passes, 4);  // yields once per record read

    SyntheticLap still;  // a course of no extent
    for (const Pt& p : still.samples(50, 40, 0).layOut(100)) EXPECT_EQ(std::pair(p.x, p.y), std::pair(0, 0));

    SyntheticLap wild;  // a speed count outside 16 bits keeps the last speed
    wild.samples(100, 0).samples(1, 0, 40000).layOut();
    EXPECT_FLOAT_EQ(wild.f.speed_sum, 101 * 72.0f);

    SyntheticLap marked;  // more markers than the table holds: the first 17 get rings
    for (int i = 0; i < 25; ++i) marked.marker(i == 0 ? 255 : 254).samples(10, 12);
    marked.layOut();
    EXPECT_EQ(marked.ops(Op::Circle).size(), 17u * 2);
}

// Best-fit similarity (rotation, scale, shift) of the points p onto q; RMS of what is left.
double similarityRms(std::vector<std::complex<double>> p, std::vector<std::complex<double>> q) {
    const double n = static_cast<double>(p.size());
    std::complex<double> pc, qc, a;
    for (size_t i = 0; i < p.size(); ++i) pc += p[i] / n, qc += q[i] / n;
    double pp = 0, sum = 0;
    for (size_t i = 0; i < p.size(); ++i) p[i] -= pc, q[i] -= qc, a += std::conj(p[i]) * q[i], pp += std::norm(p[i]);
    a /= pp;
    for (size_t i = 0; i < p.size(); ++i) sum += std::norm(a * p[i] - q[i]);
    return std::sqrt(sum / n);
}

// The second lap of a generated log on a real circuit, laid out, against the circuit's centre line.
// A bike logs its lean angle, which the layout turns into the lateral acceleration of a bike leaning
// that far (g times its tangent), so bike laps keep their shape as well.
TEST(TrackShape, LaidOutCarAndBikeLapsKeepTheRealShape) {
    const std::tuple<const char*, int, double> cases[] = {// track, vehicle, RMS left as a part of the lap
                                                          {"Monza", loggen::kCar, 0.005},
                                                          {"Zandvoort", loggen::kBike, 0.01}};
    for (const auto& [track, carType, maxFraction] : cases) {
        SCOPED_TRACE(std::string(track) + (carType == loggen::kBike ? " bike" : " car"));
        const loggen::LoggerMemory mem =
            generated({.laps = 3, .segments = 6, .course = trackFile(track), .carType = carType});
        TestApp app;
        Module1& m = app.m;
        chooseGenerated(app, mem, mem.lapFirst + 1);
        // Where along the lap each course point lies: the distance the layout itself stepped.
        std::vector<double> along;
        double total = 0;
        for (int32_t n = m.RecPtr; n < m.RecPtr + m.RecCount; ++n) {
            int16_t v = static_cast<int16_t>(recWord(m, n, 12));
            if (!isMarker(m, n) && Soku_conv(m, v)) along.push_back(total += v * 0.02777);
        }
        std::vector<std::complex<double>> drawn;  // the layout is mirrored top to bottom against y north
        for (const Pt& p : coursePoints(app.f)) drawn.emplace_back(p.x, -p.y);
        ASSERT_EQ(drawn.size(), along.size());
        ASSERT_GT(drawn.size(), 100);
        // The first sample falls somewhere in the first record after the line: try small shifts.
        const double L = mem.course.length;
        double rms = 1e18;
        for (double shift = -20; shift <= 20; shift += 0.5) {
            std::vector<std::complex<double>> real;
            for (double a : along) {
                const loggen::Point p = mem.course.positionAt(a * L / total + shift);
                real.emplace_back(p.x, p.y);
            }
            rms = std::min(rms, similarityRms(drawn, real));
        }
        const CourseClosure cl = course_closure(m, app.f, app.pump);
        EXPECT_LT(rms / L, maxFraction) << rms << " m RMS";
        EXPECT_LT(std::fabs(cl.headingSum - cl.wholeTurns), 0.3);
    }
}

struct ListApp : TestApp {
    ListApp() {
        m.LapCur = 3;
        m.MmPerPulse = 100;  // 1 pulse = 0.1 m
        m.TachoPulse = 1;    // count x 37.5 = rpm
    }
    // Entry e: time in 1/100 s, length in pulses, letter, then raw rpm and speed counts.
    void put(int e, int time, int pulses, char letter, int rLo = 0, int rHi = 0, int sLo = 0, int sHi = 0) {
        auto& b = m.LapTbl[3][static_cast<size_t>(e)];
        const std::pair<size_t, int> words[] = {{0, time}, {2, rLo}, {4, rHi}, {6, sLo}, {8, sHi}, {20, pulses}};
        for (const auto& [at, v] : words) b[at] = static_cast<uint8_t>(v >> 8), b[at + 1] = static_cast<uint8_t>(v);
        b[27] = static_cast<uint8_t>(letter);
    }
    RecordingCanvas& pic() { return static_cast<RecordingCanvas&>(*f.Picture3); }
    void list() { grf_2_Click(m, f, pump); }
    // Texts drawn at a row's y from x0 on, joined into one line, or listed with their x ("x:text|...").
    std::string line(float y, float x0, bool withX = false) {
        std::string out;
        for (const auto& op : pic().texts()) {
            if (op.y1 != y || op.x1 < x0) continue;
            char x[16];
            std::snprintf(x, sizeof x, "%s%g:", out.empty() ? "" : "|", op.x1);
            out += (withX ? x : "") + op.text;
        }
        return out;
    }
    std::string row(float y) { return line(y, 0, true); }
};

TEST(CourseList, StraightAndLeftCornerGiveCourseLen371) {
    ListApp l;
    l.put(1, 1000, 2500, 'S');
    l.put(2, 1205, 1205, 'L');
    l.list();                       // a course shown without a lap (RecCount 0): no time, rpm or speed
    EXPECT_EQ(l.m.CourseLen, 371);  // 3705 / 10 + 0.5
    EXPECT_EQ(l.row(32), "0:  CONT|27:~|31.5: 1|40.5:  |60:  250.0m |240:  250.0m ");
    EXPECT_EQ(l.row(45), "0:         1|45:~|49.5: 2|58.5:  |120:  120.5m |240:  370.5m ");
    // Totals 4 below a rule 16 below the last row.
    const auto rules = l.pic().linesOf(QBColor(6));
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(std::tuple(rules[0].y1, rules[0].x1, rules[0].x2), std::tuple(61.0f, 10.0f, 480.0f));
    EXPECT_EQ(l.row(65), "60:  250.0m |120:  120.5m |180:    0.0m |240:  370.5m ");
}

TEST(CourseList, LoggedLapAddsTimesRpmAndSpeedsInBothUnits) {
    const std::tuple<int16_t, const char*, const char*, const char*> units[] = {
        // unit, header, row 1, totals
        {0, "     km/h", "  300.0m   300.0m  0:15.23   3750~  9000   50~ 400", " 0:21.28   3000~  9000   50~ 400"},
        {1, "     M/h", "  0.186M   0.186M  0:15.23   3750~  9000  31~ 311", " 0:21.28   3000~  9000  31~ 311"}};
    for (const auto& [unit, header, row1, totals] : units) {
        ListApp l;
        l.m.SpeedUnit = unit;
        l.m.MmPerPulse = 7;
        l.m.CourseMmPerPulse = 100;  // the course's own distance per pulse, for this list only
        // rpm counts 100 and 240: 3750 and 9000; speed counts 139 and 1389: 50 and 500 km/h (400 at
        // most in km/h, 311 M/h).
        l.put(1, 1523, 3000, 'R', 100, 240, 139, 1389);
        l.put(2, 605, 2000, 'S', 80, 200, 278, 700);
        l.m.RecCount = 1200;
        l.list();
        EXPECT_EQ(l.line(14, 0).substr(98), header);
        EXPECT_EQ(l.line(32, 180), row1);
        EXPECT_EQ(l.line(65, 300), totals);  // lowest and highest of all rows
        EXPECT_EQ(l.f.lap_time.Caption, "0:21.28");
        EXPECT_EQ(l.m.CourseLen, 500);
        EXPECT_EQ(l.m.MmPerPulse, 7);
    }
}

TEST(CourseList, RowsUntilATimeOfZeroAndFifteenAtMost) {
    ListApp l;
    l.m.CourseLen = 1234;
    l.f.Gauge1.Visible = true;
    l.put(2, 500, 100, 'S');  // entry 1 has time 0: picture, panel and CourseLen left alone
    l.list();
    EXPECT_TRUE(l.pic().ops.empty());
    EXPECT_EQ(l.m.CourseLen, 1234);
    EXPECT_TRUE(l.f.Gauge1.Visible);

    for (int e = 1; e <= 16; ++e) l.put(e, 100, 100, 'S');
    l.list();
    EXPECT_FALSE(l.f.Gauge1.Visible);  // the panel is hidden under the list
    EXPECT_EQ(l.m.CourseLen, 150);
    EXPECT_EQ(l.line(32 + 13 * 14, 0).substr(0, 10), "        14");
    EXPECT_TRUE(l.line(32 + 13 * 15, 0).empty());
    EXPECT_GE(l.pump.passes, 15);
}

TEST(CourseList, DistanceTexts) {
    const std::tuple<int16_t, float, const char*> cases[] = {// unit, distance in 0.1 m (tenths are cut), text
                                                             {0, 1239.9f, "  123.9m "},
                                                             {0, 123456, "12345.6m "},
                                                             {1, 10000, "  0.621M "}};
    TestApp app;
    for (const auto& [unit, d, text] : cases) {
        app.m.SpeedUnit = unit;
        dist_text(app.m, app.f, d);
        EXPECT_EQ(app.f.dist_str, text) << d;
    }
}

TEST(CourseList, PictureClickSwitchesTheZeroOffsetAndUnitBoxTheSpeedUnit) {
    SyntheticLap lap;
    TestApp& app = lap;
    lap.samples(200, 12);
    app.m.CourseLen = 400;
    Picture1_Click(app.m, app.f, app.pump);  // no lap chosen: nothing
    EXPECT_EQ(app.f.CHK_AVR.Caption, "OFF");
    EXPECT_TRUE(lap.pic().ops.empty());
    app.m.RecCount = 200;
    for (const auto& [before, after] : {std::pair{"OFF", "ON"}, {"ON", "OFF"}, {"", "ON"}}) {
        app.f.CHK_AVR.Caption = before;
        Picture1_Click(app.m, app.f, app.pump);
        EXPECT_EQ(app.f.CHK_AVR.Caption, after);
    }
    EXPECT_EQ(app.f.course_pts, 200);
    EXPECT_EQ(lap.pic().texts().back().text, " Km/h");  // laid out, speed printed
    std::string error;
    ASSERT_TRUE(app.f.MSComm1->setPortOpen(true, &error)) << error;
    Picture1_Click(app.m, app.f, app.pump);  // not while the logger link is open
    EXPECT_EQ(app.f.CHK_AVR.Caption, "ON");
    for (bool checked : {true, false}) {
        app.f.Check1.Checked = checked;
        Check1_Click(app.m, app.f);
        EXPECT_EQ(app.m.SpeedUnit, checked ? 1 : 0);
    }
}

}  // namespace
}  // namespace vt::test
