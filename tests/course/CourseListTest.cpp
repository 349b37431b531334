// The course list on Picture3: rows, columns, totals, CourseLen, the units, and the two small
// controls of the course display.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "course/CourseLayout.h"
#include "course/CourseList.h"
#include "course/CourseTestSupport.h"

namespace vt::test {
namespace {

struct Seg {
    int time;  // 1/100 s
    int pulses;
    char letter;
    int rpmLo = 0, rpmHi = 0, speedLo = 0, speedHi = 0;  // raw counts
};

void putSeg(Module1& m, int e, const Seg& s) {
    auto& b = m.LapTbl[static_cast<size_t>(m.LapCur)][static_cast<size_t>(e)];
    auto put = [&b](int at, int v) {
        b[static_cast<size_t>(at)] = static_cast<uint8_t>(v >> 8);
        b[static_cast<size_t>(at) + 1] = static_cast<uint8_t>(v & 255);
    };
    put(0, s.time);
    put(2, s.rpmLo);
    put(4, s.rpmHi);
    put(6, s.speedLo);
    put(8, s.speedHi);
    put(20, s.pulses);
    b[27] = static_cast<uint8_t>(s.letter);
}

// Texts drawn at a row's y, with their x.
std::vector<std::pair<float, std::string>> row(const RecordingCanvas& c, float y) {
    std::vector<std::pair<float, std::string>> out;
    for (const auto& op : c.texts())
        if (op.y1 == y) out.emplace_back(op.x1, op.text);
    return out;
}

bool has(const std::vector<std::pair<float, std::string>>& r, float x, const std::string& text) {
    for (const auto& [tx, t] : r)
        if (tx == x && t == text) return true;
    return false;
}

struct ListApp {
    TestApp app;
    ListApp() {
        app.m.LapCur = 3;
        app.m.MmPerPulse = 100;  // 1 pulse = 0.1 m
        app.m.TachoPulse = 1;    // count x 37.5 = rpm
    }
    RecordingCanvas& pic() { return static_cast<RecordingCanvas&>(*app.f.Picture3); }
    void list() { grf_2_Click(app.m, app.f, app.pump); }
};

TEST(CourseList, StraightAndLeftCornerGiveCourseLen371) {
    ListApp l;
    putSeg(l.app.m, 1, {1000, 2500, 'S'});
    putSeg(l.app.m, 2, {1205, 1205, 'L'});
    l.app.m.RecCount = 0;  // a course shown without a lap
    l.list();
    EXPECT_EQ(l.app.m.CourseLen, 371);  // 3705 / 10 + 0.5

    RecordingCanvas& c = l.pic();
    auto title = row(c, 2);
    ASSERT_EQ(title.size(), 1u);
    EXPECT_EQ(title[0].first, 34 * 4.5f);
    EXPECT_EQ(title[0].second, "*   Course List   *");
    auto header = row(c, 14);
    ASSERT_EQ(header.size(), 2u);
    EXPECT_EQ(header[1].second, "     km/h");

    auto r1 = row(c, 32);
    EXPECT_TRUE(has(r1, 0, "  CONT"));
    EXPECT_TRUE(has(r1, 6 * 4.5f, "~"));
    EXPECT_TRUE(has(r1, 7 * 4.5f, " 1"));
    EXPECT_TRUE(has(r1, 60, "  250.0m "));
    EXPECT_TRUE(has(r1, 240, "  250.0m "));
    EXPECT_EQ(r1.size(), 6u);  // no time, rpm or speed without a lap
    auto r2 = row(c, 45);
    EXPECT_TRUE(has(r2, 0, "         1"));
    EXPECT_TRUE(has(r2, 11 * 4.5f, " 2"));
    EXPECT_TRUE(has(r2, 120, "  120.5m "));
    EXPECT_TRUE(has(r2, 240, "  370.5m "));

    // Totals under a rule 16 below the last row, 4 below the rule.
    const auto rules = c.linesOf(QBColor(6));
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].y1, 61);
    EXPECT_EQ(rules[0].x1, 10);
    EXPECT_EQ(rules[0].x2, 480);
    auto totals = row(c, 65);
    EXPECT_TRUE(has(totals, 60, "  250.0m "));
    EXPECT_TRUE(has(totals, 120, "  120.5m "));
    EXPECT_TRUE(has(totals, 180, "    0.0m "));
    EXPECT_TRUE(has(totals, 240, "  370.5m "));
    EXPECT_EQ(totals.size(), 4u);
}

TEST(CourseList, LoggedLapAddsTimesRpmAndSpeeds) {
    ListApp l;
    // rpm counts 100 and 240 -> 3750 and 9000; speed counts 139 and 1389 -> 50 and 500 -> 400 km/h.
    putSeg(l.app.m, 1, {1523, 3000, 'R', 100, 240, 139, 1389});
    putSeg(l.app.m, 2, {605, 2000, 'S', 80, 200, 278, 700});
    l.app.m.RecCount = 1200;
    l.app.f.lap_time.Caption = "";
    l.list();
    RecordingCanvas& c = l.pic();
    auto r1 = row(c, 32);
    EXPECT_TRUE(has(r1, 180, "  300.0m "));
    std::string line;
    for (const auto& [x, t] : r1)
        if (x >= 300) line += t;
    EXPECT_EQ(line, " 0:15.23   3750~  9000   50~ 400");
    std::string total;
    for (const auto& [x, t] : row(c, 65))
        if (x >= 300) total += t;
    // Lowest rpm 3000 of row 2, highest 9000; lowest speed 50, highest 400.
    EXPECT_EQ(total, " 0:21.28   3000~  9000   50~ 400");
    EXPECT_EQ(l.app.f.lap_time.Caption, "0:21.28");
    EXPECT_EQ(l.app.m.CumTime, 2128);
    EXPECT_EQ(l.app.m.CourseLen, 500);
}

TEST(CourseList, MilesTextsAndTheCourseDistancePerPulse) {
    ListApp l;
    l.app.m.SpeedUnit = 1;
    l.app.m.MmPerPulse = 7;
    l.app.m.CourseMmPerPulse = 200;  // the course's own distance per pulse, for this list only
    putSeg(l.app.m, 1, {1000, 5000, 'S', 0, 0, 139, 139});
    l.app.m.RecCount = 5;
    l.list();
    EXPECT_EQ(l.app.m.MmPerPulse, 7);
    EXPECT_EQ(l.app.m.CourseLen, 1000);
    RecordingCanvas& c = l.pic();
    EXPECT_EQ(row(c, 14)[1].second, "     M/h");
    auto r1 = row(c, 32);
    EXPECT_TRUE(has(r1, 60, "  0.621M "));
    // 139 counts at 200 mm are 100 km/h, listed as 62 M/h.
    std::string speeds;
    for (const auto& [x, t] : r1)
        if (x >= 430) speeds += t;
    EXPECT_EQ(speeds, "  62~  62");
}

TEST(CourseList, EmptyPageLeavesEverythingAlone) {
    ListApp l;
    l.app.m.CourseLen = 1234;
    l.app.f.Gauge1.Visible = true;
    l.pic().Print({"earlier"});
    const size_t ops = l.pic().ops.size();
    putSeg(l.app.m, 2, {500, 100, 'S'});  // entry 1 has time 0
    l.list();
    EXPECT_EQ(l.pic().ops.size(), ops);
    EXPECT_EQ(l.app.m.CourseLen, 1234);
    EXPECT_TRUE(l.app.f.Gauge1.Visible);  // the panel was not hidden either
}

TEST(CourseList, FifteenRowsAtMostAndThePanelIsHidden) {
    ListApp l;
    for (int e = 1; e <= 16; ++e) putSeg(l.app.m, e, {100, 100, 'S'});
    l.app.f.Gauge5.Visible = true;
    l.app.f.kasoku.Visible = true;
    l.list();
    EXPECT_FALSE(l.app.f.Gauge5.Visible);
    EXPECT_FALSE(l.app.f.kasoku.Visible);
    EXPECT_EQ(l.app.m.CourseLen, 150);
    EXPECT_TRUE(has(row(l.pic(), 32 + 13 * 14), 0, "        14"));
    EXPECT_TRUE(row(l.pic(), 32 + 13 * 15).empty());
    EXPECT_GE(l.app.pump.passes, 15);
}

TEST(CourseList, DistanceTexts) {
    TestApp app;
    auto text = [&app](float d) {
        dist_text(app.m, app.f, d);
        return app.f.dist_str;
    };
    EXPECT_EQ(text(1234), "  123.4m ");
    EXPECT_EQ(text(1230), "  123.0m ");
    EXPECT_EQ(text(1239.9f), "  123.9m ");  // tenths are cut, not rounded
    EXPECT_EQ(text(0), "    0.0m ");
    EXPECT_EQ(text(123456), "12345.6m ");
    app.m.SpeedUnit = 1;
    EXPECT_EQ(text(10000), "  0.621M ");
    EXPECT_EQ(text(0), "  0.000M ");
}

TEST(CourseList, PictureClickSwitchesTheZeroOffsetAndLaysOutAgain) {
    TestApp app;
    app.m.MmPerPulse = 200;
    for (int n = 0; n < 200; ++n) putSample(app.m, n, 12, 101);
    app.m.RecCount = 0;
    app.m.CourseLen = 400;
    app.f.CHK_AVR.Caption = "OFF";
    auto& pic = static_cast<RecordingCanvas&>(*app.f.Picture1);

    Picture1_Click(app.m, app.f, app.pump);  // no lap chosen: nothing
    EXPECT_EQ(app.f.CHK_AVR.Caption, "OFF");
    EXPECT_TRUE(pic.ops.empty());

    app.m.RecCount = 200;
    Picture1_Click(app.m, app.f, app.pump);
    EXPECT_EQ(app.f.CHK_AVR.Caption, "ON");
    EXPECT_EQ(app.f.course_pts, 200);
    EXPECT_EQ(pic.texts().back().text, " Km/h");  // the average speed follows the layout
    Picture1_Click(app.m, app.f, app.pump);
    EXPECT_EQ(app.f.CHK_AVR.Caption, "OFF");
    app.f.CHK_AVR.Caption = "";
    Picture1_Click(app.m, app.f, app.pump);
    EXPECT_EQ(app.f.CHK_AVR.Caption, "ON");

    // Not while the logger link is open.
    std::string error;
    ASSERT_TRUE(app.f.MSComm1->setPortOpen(true, &error)) << error;
    Picture1_Click(app.m, app.f, app.pump);
    EXPECT_EQ(app.f.CHK_AVR.Caption, "ON");
}

TEST(CourseList, UnitCheckBoxSetsTheSpeedUnit) {
    TestApp app;
    app.f.Check1.Checked = true;
    Check1_Click(app.m, app.f);
    EXPECT_EQ(app.m.SpeedUnit, 1);
    app.f.Check1.Checked = false;
    Check1_Click(app.m, app.f);
    EXPECT_EQ(app.m.SpeedUnit, 0);
}

}  // namespace
}  // namespace vt::test
