// Graph frames and scales: the distance axis for short, medium and long laps in metres and
// miles, and the value labels that must line up with the curves.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "display/Graphs.h"
#include "support/TestApp.h"

namespace vt {
namespace {

using Op = RecordingCanvas::Op;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

struct Tick {
    float x;
    bool labelled;
    bool operator==(const Tick&) const = default;
};

class GraphScales : public ::testing::Test {
  protected:
    test::TestApp app;
    RecordingCanvas& pic() { return static_cast<RecordingCanvas&>(*app.f.Picture2); }

    // Distance ticks: black verticals ending on the frame's bottom edge.
    std::vector<Tick> ticks() {
        std::vector<Tick> out;
        for (const Op& op : pic().linesOf(kBlack))
            if (op.x1 == op.x2 && op.y2 == 198 && (op.y1 == 192 || op.y1 == 195)) out.push_back({op.x1, op.y1 == 192});
        return out;
    }
    // Texts drawn in one colour, in drawing order.
    std::vector<std::string> textsIn(Color c) {
        std::vector<std::string> out;
        for (const Op& op : pic().texts())
            if (op.color == c) out.push_back(op.text);
        return out;
    }
    const Op* textAt(float x, float y) {
        for (const Op& op : pic().ops)
            if (op.kind == Op::Text && op.x1 == x && op.y1 == y) return &op;
        return nullptr;
    }
    std::vector<std::string> scaleFor(int courseLen, int unit = 0) {
        app.m.CourseLen = static_cast<int16_t>(courseLen);
        app.m.SpeedUnit = static_cast<int16_t>(unit);
        pic().reset();
        dist_scale(app.m, app.f);
        std::vector<std::string> out;
        for (const Op& op : pic().texts()) out.push_back(op.text);
        return out;
    }
};

TEST_F(GraphScales, MetreTickAndLabelStepsFollowTheLapLength) {
    // Under 1000 m: 50 m ticks, labels every 250 m.
    EXPECT_THAT(scaleFor(999), ElementsAre("0", " 250 ", " 500 ", " 750 ", "m"));
    auto t = ticks();
    ASSERT_EQ(t.size(), 19u);
    EXPECT_EQ(t[0], (Tick{75, false}));  // Int(50 * 350 / 999 + 58)
    EXPECT_EQ(t[4], (Tick{145, true}));
    // 1000 m up to 5000 m: 100 m ticks, labels every 500 m; the first label sits at the left edge.
    EXPECT_THAT(scaleFor(1000), ElementsAre("0", " 500 ", "m"));
    ASSERT_EQ(ticks().size(), 9u);
    EXPECT_EQ(ticks()[4], (Tick{233, true}));
    EXPECT_NE(textAt(60, 200), nullptr);
    EXPECT_NE(textAt(233 - 18, 200), nullptr);
    EXPECT_NE(textAt(230, 208), nullptr);
    // Over 5000 m: 500 m ticks, labels every 2500 m.
    EXPECT_THAT(scaleFor(5001), ElementsAre("0", " 2500 ", "m"));
    EXPECT_EQ(ticks().size(), 9u);
}

TEST_F(GraphScales, MileScaleStartsWithALabelAtTheLeftEdge) {
    // 1500 m is 0.93 miles: ticks every 0.05 mile, labels every 0.25.
    EXPECT_THAT(scaleFor(1500, 1), ElementsAre(" 0 ", " .25 ", " .5 ", " .75 ", "M"));
    auto t = ticks();
    ASSERT_EQ(t.size(), 20u);  // 0 .. 0.95 mile
    EXPECT_EQ(t[0], (Tick{59, true}));
    EXPECT_FLOAT_EQ(t[1].x, 77);  // Int(350 / 0.9315 * 0.05 + 59)
    EXPECT_NE(textAt(50, 198), nullptr);
    // 1 to 5 miles: tenths, labelled every half mile.
    EXPECT_THAT(scaleFor(5000, 1), ElementsAre(" 0 ", " .5 ", " 1 ", " 1.5 ", " 2 ", " 2.5 ", " 3 ", "M"));
}

TEST_F(GraphScales, NoCourseLengthNoAxis) {
    EXPECT_TRUE(scaleFor(0).empty());
    EXPECT_TRUE(pic().ops.empty());
}

TEST_F(GraphScales, LambdaLabelsShowOnePointZeroOnTheFourthRow) {
    app.m.AFMode = 100;
    grf_5_Click(app.m, app.f);
    EXPECT_THAT(textsIn(rgb(0, 128, 0)),
                ElementsAre("L", " .7", " .8", " .9", "1.0", "1.1", "1.2", "1.3", "1.4", "1.5"));
    EXPECT_NE(textAt(8 * 4.5f, (8 - 3) * 10 + 112), nullptr);
}

TEST_F(GraphScales, AirFuelAndOxygenLabels) {
    app.m.AFMode = 1470;
    grf_5_Click(app.m, app.f);
    EXPECT_THAT(textsIn(rgb(0, 128, 0)),
                ElementsAre("A/F", " 10.3", " 11.8", " 13.2", " 14.7", " 16.2", " 17.6", " 19.1", " 20.6", " 22.1"));
    app.m.AFMode = 0;
    pic().reset();
    grf_5_Click(app.m, app.f);
    EXPECT_THAT(textsIn(rgb(0, 128, 0)), ElementsAre("%", " 0", " 5", "10", "15", "20"));
}

TEST_F(GraphScales, PressureAndTemperatureLabels) {
    app.m.PrsRange = 1;
    grf_5_Click(app.m, app.f);
    EXPECT_THAT(textsIn(rgb(0, 0, 255)), ElementsAre("PRS", " 0", "10", "20", "30", "40"));
    // Temperatures in hundreds, the first five rows with a second scale from 8 to 12.
    std::vector<std::string> red = textsIn(rgb(255, 0, 0));
    EXPECT_THAT(red, ElementsAreArray({" TMP", " x100", " 0 ", "   8", " 1 ", "   9", " 2 ", "  10", " 3 ", "  11",
                                       " 4 ", "  12", " 5 ", " 6 ", " 7 "}));
    // An unknown range repeats the previous text: nothing at all from the first row on.
    app.m.PrsRange = 3;
    pic().reset();
    grf_5_Click(app.m, app.f);
    EXPECT_THAT(textsIn(rgb(0, 0, 255)), ElementsAre("PRS"));
}

TEST_F(GraphScales, SpeedAndRpmLabelsFollowUnitAndRpmRange) {
    app.m.SpeedUnit = 1;
    app.m.RpmMax = 12000;
    grf_3_Click(app.m, app.f);
    EXPECT_THAT(textsIn(rgb(255, 0, 0)),
                ElementsAre(" M/h", "    0", "   30", "   60", "   90", "  120", "  150", "  180", "  210"));
    EXPECT_THAT(textsIn(rgb(0, 0, 255)),
                ElementsAre("rpm", " 4000", " 6000", " 8000", " 10000", " 12000", " 14000", " 16000", " 18000"));
    // 350 km/h sits on the first grid line (y 51), as the speed curve puts it: 197 - 350 * 0.42.
    app.m.SpeedUnit = 0;
    pic().reset();
    grf_3_Click(app.m, app.f);
    const Op* top = textAt(15 + 3 * 4.5f, 44);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->text, "  350");
    EXPECT_NEAR(top->y1 + Canvas::kRowHeight / 2, 197 - 350 * 0.42, 1.5);
}

TEST_F(GraphScales, InLineGAndLateralGLabels) {
    grf_7_Click(app.m, app.f);
    EXPECT_THAT(textsIn(rgb(255, 0, 0)).front(), "km/h");
    EXPECT_THAT(textsIn(rgb(0, 0, 255)),
                ElementsAre(" -4  ", " -3  ", " -2  ", " -1  ", "I.L G", "  1  ", "  2  ", "  3  ", "  4  "));
    pic().reset();
    grf_4_Click(app.m, app.f);
    EXPECT_THAT(textsIn(rgb(255, 0, 0)), ElementsAre("G", " 1", " 2", " 3", " 4"));
    EXPECT_THAT(textsIn(rgb(0, 128, 0)), ElementsAre("%", "  0", " 25", " 50", " 75", "100"));
    EXPECT_THAT(textsIn(rgb(0, 0, 255)), ElementsAre("100%", "75%", "STR", "25%", "0%"));
}

TEST_F(GraphScales, EveryGraphStartsWithTitleFrameAndFreshCurve) {
    const std::pair<void (*)(Module1&, MainformState&), const char*> kinds[] = {
        {grf_3_Click, "*   Speed, rpm   *"},
        {grf_4_Click, "*   G, Steering   *"},
        {grf_5_Click, "*   Temp, A/F, Pressure   *"},
        {grf_7_Click, "*   In Line G   *"}};
    for (const auto& [click, title] : kinds) {
        app.f.TraceLastX = 123;
        pic().reset();
        click(app.m, app.f);
        ASSERT_GE(pic().ops.size(), 3u);
        EXPECT_EQ(pic().ops[0].kind, Op::Clear);
        EXPECT_EQ(pic().ops[1].text, title);
        EXPECT_FLOAT_EQ(pic().ops[1].x1, 35 * 4.5f);
        EXPECT_EQ(pic().ops[2].kind, Op::Box);
        EXPECT_EQ(pic().ops[2].x1, 59);
        EXPECT_EQ(pic().ops[2].y2, 198);
        EXPECT_EQ(app.f.TraceLastX, 0);
    }
    // grf_refresh redraws the kind last chosen, and nothing for other kinds.
    EXPECT_EQ(app.m.GraphKind, 7);
    app.m.GraphKind = 4;
    pic().reset();
    grf_refresh(app.m, app.f);
    EXPECT_EQ(pic().ops[1].text, "*   G, Steering   *");
    app.m.GraphKind = 6;
    pic().reset();
    grf_refresh(app.m, app.f);
    EXPECT_TRUE(pic().ops.empty());
}

}  // namespace
}  // namespace vt
