// The course list on Picture3: rows, columns, totals, CourseLen, the units, and the two small
// controls of the course display.
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "course/CourseList.h"
#include "course/CourseTestSupport.h"

namespace vt::test {
namespace {

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
    EXPECT_EQ(l.row(2), "153:*   Course List   *");
    EXPECT_EQ(l.line(14, 0).substr(98), "     km/h");
    EXPECT_EQ(l.row(32), "0:  CONT|27:~|31.5: 1|40.5:  |60:  250.0m |240:  250.0m ");
    EXPECT_EQ(l.row(45), "0:         1|45:~|49.5: 2|58.5:  |120:  120.5m |240:  370.5m ");
    // Totals 4 below a rule 16 below the last row.
    const auto rules = l.pic().linesOf(QBColor(6));
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].y1, 61);
    EXPECT_EQ(rules[0].x1, 10);
    EXPECT_EQ(rules[0].x2, 480);
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
        // rpm counts 100 and 240: 3750 and 9000; speed counts 139 and 1389: 50 and 500 km/h (400 at most
        // in km/h, 311 M/h).
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
    EXPECT_FALSE(l.f.Gauge1.Visible);
    EXPECT_EQ(l.m.CourseLen, 150);  // the panel is hidden under the list
    EXPECT_EQ(l.line(32 + 13 * 14, 0).substr(0, 10), "        14");
    EXPECT_TRUE(l.line(32 + 13 * 15, 0).empty());
    EXPECT_GE(l.pump.passes, 15);
}

TEST(CourseList, DistanceTexts) {
    const std::tuple<int16_t, float, const char*> cases[] = {
        // unit, distance in 0.1 m (tenths are cut), text
        {0, 1234, "  123.4m "},   {0, 1230, "  123.0m "},  {0, 1239.9f, "  123.9m "}, {0, 0, "    0.0m "},
        {0, 123456, "12345.6m "}, {1, 10000, "  0.621M "}, {1, 0, "  0.000M "}};
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
