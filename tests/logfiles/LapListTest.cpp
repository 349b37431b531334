// The list texts of a two-lap log whose lap table is filled by hand; every expected line is
// worked out from the summary values below, column by column.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "logfiles/LapLists.h"
#include "logfiles/ListWindow.h"
#include "logfiles/ParaDisp.h"

namespace vt::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Tacho pulse setting 1: rpm = count x 75 / 2. Lap 1 at 200 mm per pulse (speed 0.72 x count,
// distance 2 x pulses tenths), lap 2 at 250 (0.9 x count, 2.5 x pulses).
LogImage twoLaps(int speedUnit = 0) {
    LogImage img(1, 2, speedUnit, 1);
    //              time  rpm lo/hi  speed lo/hi  G   T1        T2        pulses
    img.segment(1, 1, 2000, 160, 240, 100, 250, 60, 80, 90, 100, 110, 5000);
    img.segment(1, 2, 3000, 120, 260, 50, 270, 200, 78, 95, 99, 115, 7500);
    img.segment(1, 3, 2500, 140, 250, 80, 260, 10, 85, 92, 105, 112, 2500);
    img.set16(1, 1, 28, 200);
    img.set16(1, 1, 30, 100);
    img.segment(2, 1, 1900, 150, 230, 100, 200, 20, 70, 100, 100, 120, 4000);
    img.segment(2, 2, 3100, 130, 270, 40, 300, 236, 72, 99, 90, 130, 6000);
    img.segment(2, 3, 2400, 160, 220, 60, 210, 100, 75, 98, 95, 125, 2200);
    img.set16(2, 1, 28, 250);
    img.set16(2, 1, 30, 900);
    return img;
}

struct Lists : ::testing::Test {
    TestApp app;
    Form3State st;
    void load(const LogImage& img) {
        loadEnglish(app.m);
        ASSERT_TRUE(readBytes(app.m, img.bytes()));
    }
    void build(int mode, int seg = 0) {
        app.m.SelLap = static_cast<int16_t>(mode);
        app.m.SegListNo = static_cast<int16_t>(seg);
        Form_Load(app.m, app.f, st);
    }
    std::vector<std::string> lines() const { return list_lines(st.Text1); }
};

TEST_F(Lists, LapListOfTheHandFilledLog) {
    load(twoLaps());
    build(0);
    EXPECT_EQ(st.Text2, "  LAP   TIME    rpm MIN~MAX   km/h   G MAX     TMP.1     TMP.2      LENGTH m");
    EXPECT_EQ(st.Label2.Caption, lang(app.m, 69));
    // Lap 2: 19.00 + 31.00 + 24.00 s; rpm 4875..10125; speed 36..270; G +4.00 beats -0.80;
    // temperatures 70..100 and 90..130; (10000 + 15000 + 5500) tenths = 3050.0 m.
    // Lap 1: rpm 4500..9750; speed 36..194 (270 x 0.72 = 194.4); G 2.40 beats -2.24.
    EXPECT_THAT(lines(), ElementsAre("   2  1:14.00   4875~10125  36~270       4    70~ 100    90~ 130     3050.0",
                                     "   1  1:15.00   4500~ 9750  36~194     2.4    78~  95    99~ 115     3000.0"));
    for (const auto& l : lines()) EXPECT_EQ(l.size(), 75u);
    EXPECT_EQ(st.Text1.size(), 2u * kLapLineChars);
    EXPECT_EQ(st.BestLap, 2);
    EXPECT_EQ(st.Label4.Caption, " 2 ");
    EXPECT_EQ(st.Label6.Caption, "1:14.00");
    EXPECT_EQ(app.m.MmPerPulse, 200);  // lap_speed leaves the last lap's distance per pulse
}

TEST_F(Lists, LapListInMiles) {
    load(twoLaps(1));
    build(0);
    EXPECT_EQ(st.Text2, "  LAP   TIME    rpm MIN~MAX   M/h    G MAX     TMP.1     TMP.2      LENGTH M");
    // 36 x 0.621 = 22.4, 194 x 0.621 = 120.5, 3000 m x 0.000621 = 1.863 miles.
    EXPECT_EQ(lines()[1], "   1  1:15.00   4500~ 9750  22~120     2.4    78~  95    99~ 115      1.863");
}

TEST_F(Lists, LapAndSegmentListMarksEachSegmentsBest) {
    load(twoLaps());
    build(1);
    EXPECT_EQ(st.Text2, "  LAP   TIME    1.SEG    2.SEG    3.SEG    4.SEG    5.SEG   rpm MIN~MAX   km/h");
    const std::string blank9(9, ' ');
    EXPECT_THAT(lines(),
                ElementsAre("   2  1:14.00 *0:19.00  0:31.00 *0:24.00 " + blank9 + blank9 + " 4875~10125  36~270 ",
                            "   1  1:15.00  0:20.00 *0:30.00  0:25.00 " + blank9 + blank9 + " 4500~ 9750  36~194 ",
                            "  " + std::string(76, '-'), "   2  1:14.00  0:19.00  0:31.00  0:24.00 ",
                            " THEO 1:13.00  0:19.00  0:30.00  0:24.00 ", " DELA 0:01.00  0:00.00  0:01.00  0:00.00 "));
    EXPECT_EQ(st.BestLap, 2);
}

TEST_F(Lists, OneSegmentList) {
    load(twoLaps());
    build(2, 2);
    EXPECT_EQ(st.Text2, "  LAP   TIME      2.SEG    rpm MIN~MAX   km/h    G MAX     TMP.1     TMP.2");
    EXPECT_THAT(lines(), ElementsAre("   2  1:14.00    0:31.00   4875~10125   36~ 270     -.8    72~  99    90~ 130 ",
                                     "   1  1:15.00    0:30.00   4500~ 9750   36~ 194   -2.24    78~  95    99~ 115 "));
    EXPECT_EQ(st.Label2.Caption, lang(app.m, 67));
}

TEST_F(Lists, OnlyTheLapListOffersTheEditButtons) {
    load(twoLaps());
    build(1);
    for (Control* c : {&st.Command1, &st.DEL, &st.Re_Save, &st.UN_DO, &st.TEXT_SAVE}) EXPECT_FALSE(c->Visible);
    Form3State again;
    app.m.SelLap = 0;
    Form_Load(app.m, app.f, again);
    for (Control* c : {&again.Command1, &again.DEL, &again.Re_Save, &again.UN_DO, &again.TEXT_SAVE})
        EXPECT_TRUE(c->Visible);
    EXPECT_EQ(again.window.Caption, lang(app.m, 68));
    EXPECT_EQ(again.Frame1.Caption, lang(app.m, 78));
}

// ---- edge cases of the lap line -----------------------------------------------------------

TEST_F(Lists, LapWithoutSegmentTimeIsBestAndShowsEmptyRanges) {
    LogImage img = twoLaps();
    img.set16(1, 1, 0, 0);  // lap 1 ends before its first segment
    load(img);
    build(0);
    EXPECT_EQ(lines()[1], "   1  0:00.00     -1~    0  -1~  0       0    -1~   0    -1~   0     1000.0");
    EXPECT_EQ(st.BestLap, 1);
    EXPECT_EQ(st.Label6.Caption, "0:00.00");
}

TEST_F(Lists, FifteenSegmentsReadSegment16AsTheEnd) {
    LogImage img(1, 1);
    for (int s = 1; s <= 15; ++s) img.segment(1, s, 100, 100, 100, 100, 100, 0, 1, 2, 3, 4, 100);
    img.set16(1, 1, 28, 200);
    TestApp& a = app;
    loadEnglish(a.m);
    ASSERT_TRUE(readBytes(a.m, img.bytes()));
    // Segment 16 is never loaded; whatever it holds counts in the length.
    a.m.LapTbl[1][16][20] = 0;
    a.m.LapTbl[1][16][21] = 50;
    build(0);
    EXPECT_EQ(st.SegCount, 16);
    // 15 x 100 cs = 15.00 s; (15 x 100 + 50) pulses x 2 tenths = 310.0 m.
    EXPECT_THAT(lines()[0], HasSubstr(" 0:15.00 "));
    EXPECT_EQ(lines()[0].substr(67), "   310.0");
}

TEST_F(Lists, DeletedLapIsDashedAndNeverBest) {
    LogImage img = twoLaps();
    img.seg(2, 1)[10] = 51;
    load(img);
    build(0);
    EXPECT_EQ(lines()[0], "  --   " + std::string(68, ' '));
    EXPECT_EQ(st.BestLap, 1);
    build(1);
    EXPECT_EQ(lines()[0], "  --   " + std::string(68, ' '));
    EXPECT_THAT(lines()[1], HasSubstr("*0:20.00 *0:30.00 *0:25.00"));
}

TEST_F(Lists, EqualSegmentTimesMarkTheHigherLap) {
    LogImage img = twoLaps();
    img.set16(1, 3, 0, 2400);  // segment 3 of lap 1 equals lap 2's
    load(img);
    build(1);
    EXPECT_THAT(lines()[0], HasSubstr("*0:24.00"));
    EXPECT_THAT(lines()[1], HasSubstr(" 0:24.00"));
    EXPECT_THAT(lines()[1], ::testing::Not(HasSubstr("*0:24.00")));
}

TEST_F(Lists, TwelveSegmentsTakeThreeLines) {
    LogImage img(1, 1);
    for (int s = 1; s <= 12; ++s) img.segment(1, s, 1000 + s, 100, 100, 100, 100, 0, 1, 2, 3, 4, 100);
    img.set16(1, 1, 28, 200);
    load(img);
    build(1);
    std::vector<std::string> l = lines();
    ASSERT_GE(l.size(), 3u);
    EXPECT_THAT(l[0], HasSubstr("*0:10.05 "));
    EXPECT_EQ(l[1], std::string(14, ' ') + "*0:10.06 *0:10.07 *0:10.08 *0:10.09 *0:10.10 ");
    EXPECT_EQ(l[2], std::string(14, ' ') + "*0:10.11 *0:10.12 ");
    EXPECT_EQ(l[3], "  " + std::string(76, '-'));
}

TEST(ListSize, RowsByModeAndCap) {
    auto m = makeModule1();
    Form3State st;
    m->LapFirst = m->LapLast = 5;
    list_size(*m, st);
    EXPECT_EQ(st.HeightTwips, 2400);
    m->LapFirst = 1;
    m->LapLast = 10;
    m->SelLap = 1;
    list_size(*m, st);
    EXPECT_EQ(st.HeightTwips, (9 * 2 + 8) * 180 + 2400);
    m->LapLast = 60;
    m->SelLap = 0;
    list_size(*m, st);
    EXPECT_EQ(st.HeightTwips, 30 * 180 + 2400);
}

// ---- the segment question ------------------------------------------------------------------

TEST(SegmentQuestion, RoundsAndRefuses) {
    EXPECT_EQ(segment_number("3.6"), 4);
    EXPECT_EQ(segment_number("2.5"), 2);  // halves go to the even neighbour
    EXPECT_EQ(segment_number("15.4"), 15);
    EXPECT_EQ(segment_number("16"), 0);
    EXPECT_EQ(segment_number("0"), 0);
    EXPECT_EQ(segment_number("x"), 0);

    TestApp app;
    loadEnglish(app.m);
    app.ui.inputAnswers = {"16", "3.6"};
    EXPECT_EQ(ask_segment(app.m, app.s), 4);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, lang(app.m, 156));
    EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(app.ui.beeps, 1);
    EXPECT_EQ(app.ui.prompts.size(), 2u);
    EXPECT_EQ(ask_segment(app.m, app.s), 0);  // cancelled
}

// ---- parameter display ------------------------------------------------------------------

TEST(ParameterDisplay, BoxTextsFromTheHeader) {
    TestApp app;
    loadEnglish(app.m);
    LogImage img(1, 1, 1, 6);
    img.header[1] = 0x36;                        // course 3, tacho pulse setting 6
    img.header[2] = 0x27, img.header[3] = 0x10;  // 10000 rpm
    img.header[4] = 2;
    img.header[5] = 0x21;                        // BIKE
    img.header[6] = 0x05, img.header[7] = 0xBE;  // 1470
    img.header[12] = 0, img.header[13] = 120;
    img.header[14] = 1, img.header[15] = 44;  // 300
    ASSERT_TRUE(readBytes(app.m, img.bytes()));
    ParaDispState st;
    Form_Load(app.m, st);
    para_list_Click(app.m, st);
    EXPECT_EQ(st.window.Caption, lang(app.m, 124));
    EXPECT_EQ(st.dia_name.Caption, " 0 mm/p ");
    EXPECT_EQ(st.kiro_name.Caption, "  m/h");
    EXPECT_EQ(st.taco_name.Caption, " P: 8");
    EXPECT_EQ(st.over_name.Caption, " 10000 rpm");
    EXPECT_EQ(st.prs_name.Caption, " 100 kg/cm");
    EXPECT_EQ(st.model_name.Caption, "   BIKE");
    EXPECT_EQ(st.af_name.Caption, " 14.7");
    EXPECT_EQ(st.temp1.Caption, " 120deg.C");
    EXPECT_EQ(st.temp2.Caption, " 300deg.C");
    EXPECT_EQ(st.corse_no.Caption, " 3");
    EXPECT_EQ(taco_text(9), " P:Non ");

    model_name_Click(app.m, st);
    EXPECT_EQ(st.model_name.Caption, " NORMAL");
    model_name_Click(app.m, st);
    EXPECT_EQ(app.m.CarType, 0);
    EXPECT_EQ(st.model_name.Caption, "    CAR");
}

}  // namespace
}  // namespace vt::test
