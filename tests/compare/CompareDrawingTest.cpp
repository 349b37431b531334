// The lap comparison drawn: with no reference lap every picture is drawn exactly as before (and
// again so once a reference is cleared); the reference's curves go over the graphs in lighter
// pens without touching the current lap's; the fifth graph puts the difference where it is; the
// course is coloured where the slowed corner is and nowhere else; the course list gives the
// difference per segment. Checked on what was drawn and on the pixels.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>

#include "compare/CompareTestSupport.h"
#include "course/CourseCompare.h"
#include "course/CourseLayout.h"
#include "course/CourseList.h"
#include "course/RefChoice.h"
#include "display/CompareGraphs.h"
#include "display/Graphs.h"
#include "logdata/Conversions.h"
#include "platform/NumText.h"
#include "widgets/ImageCanvas.h"

namespace vt::test {
namespace {

using Op = RecordingCanvas::Op;

std::string describe(const Op& op) {
    char b[160];
    std::snprintf(b, sizeof b, "%d %g,%g-%g,%g c%06x s%d %s", static_cast<int>(op.kind), op.x1, op.y1, op.x2, op.y2,
                  op.color, static_cast<int>(op.style), op.text.c_str());
    return b;
}
std::vector<std::string> opsOf(Canvas& c) {
    std::vector<std::string> out;
    for (const Op& op : static_cast<RecordingCanvas&>(c).ops) out.push_back(describe(op));
    return out;
}

// Everything a chosen lap draws: course list, course, graphs 3, 4, 5 and 7.
struct Drawn {
    std::vector<std::string> list, course, graphs[4];
};
Drawn drawAll(TestApp& app) {
    for (Canvas* c : {app.f.Picture1.get(), app.f.Picture2.get(), app.f.Picture3.get()})
        static_cast<RecordingCanvas&>(*c).reset();
    app.m.GraphKind = 3;
    post_load(app.m, app.f, app.s);
    Drawn d{opsOf(*app.f.Picture3), opsOf(*app.f.Picture1), {}};
    for (int i = 0; i < 4; ++i) {
        static_cast<RecordingCanvas&>(*app.f.Picture2).reset();
        app.m.GraphKind = static_cast<int16_t>(i == 3 ? 7 : 3 + i);
        grf_refresh(app.m, app.f);
        d.graphs[i] = opsOf(*app.f.Picture2);
    }
    return d;
}

class CompareDrawing : public ::testing::Test {
  protected:
    void SetUp() override { af_table_build(app.f.AfTable); }
    TestApp app;
};

TEST_F(CompareDrawing, WithoutAReferenceEveryPictureIsDrawnAsBefore) {
    openLap(app, {.laps = 3, .segments = 6, .seed = 5}, 2);
    const Drawn before = drawAll(app);
    std::string why;
    ASSERT_TRUE(reference_from_loaded(app.m, app.f, 1, &why)) << why;
    const Drawn with = drawAll(app);
    EXPECT_NE(with.list, before.list);
    EXPECT_NE(with.course, before.course);
    EXPECT_NE(with.graphs[0], before.graphs[0]);
    Ref_clear_Click(app.m, app.f, app.s);
    EXPECT_FALSE(app.f.RefLap.On);
    const Drawn after = drawAll(app);
    EXPECT_EQ(after.list, before.list);
    EXPECT_EQ(after.course, before.course);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(after.graphs[i], before.graphs[i]) << i;
    // A reference with the course and list parts switched off leaves those two as they were.
    ASSERT_TRUE(reference_from_loaded(app.m, app.f, 1, &why));
    app.f.RefLap.PaintCourse = app.f.RefLap.ListDiff = false;
    const Drawn quiet = drawAll(app);
    EXPECT_EQ(quiet.list, before.list);
    EXPECT_EQ(quiet.course, before.course);
}

TEST_F(CompareDrawing, TheReferencesCurvesGoUnderTheLapsInLighterPens) {
    openLap(app, slowedLaps(slowCorners()[0]), 2);
    const Drawn plain = drawAll(app);
    std::string why;
    ASSERT_TRUE(reference_from_loaded(app.m, app.f, 1, &why)) << why;
    const Drawn with = drawAll(app);
    std::vector<std::string> light;  // the reference's pens as describe() writes them
    for (int n : {2, 5, 9, 12}) {
        char hex[16];
        std::snprintf(hex, sizeof hex, " c%06x ", referencePen(QBColor(n)));
        light.push_back(hex);
    }
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        // The graph with the reference is the graph without it plus the caption and the
        // reference's lines and dots, all drawn before the lap's own curves.
        std::vector<std::string> own;
        int lighter = 0;
        for (const std::string& op : with.graphs[i]) {
            if (std::any_of(light.begin(), light.end(), [&op](const std::string& c) { return op.find(c) != op.npos; }))
                ++lighter;
            else if (op.find(" REF ") == std::string::npos)  // not the caption
                own.push_back(op);
        }
        EXPECT_GT(lighter, 100);
        EXPECT_EQ(own.size(), plain.graphs[i].size());
        for (size_t k = 0; k < std::min(own.size(), plain.graphs[i].size()); ++k)
            ASSERT_EQ(own[k], plain.graphs[i][k]) << "op " << k;
    }
}

// The image canvases, for the pixels.
class ComparePixels : public ::testing::Test {
  protected:
    void SetUp() override {
        af_table_build(app.f.AfTable);
        openLap(app, slowedLaps(corner, 5, 0.6), 2);  // slowed plainly, for pixels
        std::string why;
        ASSERT_TRUE(reference_from_loaded(app.m, app.f, 1, &why)) << why;
        compare_refresh(app.m, app.f, app.s);
        c = compare_current(app.m, app.f.RefLap);
        ASSERT_TRUE(c.ok());
        std::tie(from, to) = slowedStretch(c, corner);
    }
    QImage picture(Canvas& p) { return imageCanvas(p).image(); }
    // The graph column of a distance into the lap (the current lap's curves take Chan(10)).
    int column(float metres) { return kGraphLeft + static_cast<int>(std::lround(metres * 350.0f / c.diff.length)); }
    // Rows of column x (picture pixels, inside the graph frame) drawn in colour `c`.
    std::vector<int> rowsIn(const QImage& img, int x, Color col) {
        std::vector<int> rows;
        for (int y = 31; y < 198; ++y)
            if ((img.pixel(x, y) & 0xFFFFFF) == col) rows.push_back(y);
        return rows;
    }

    TestApp app{false};
    SlowCorner corner = slowCorners()[0];  // Monza's first chicane
    LapComparison c;
    float from = 0, to = 0;
};

TEST_F(ComparePixels, TheSlowedLapsSpeedRunsUnderTheReferencesThroughTheCorner) {
    app.m.GraphKind = 3;
    grf_refresh(app.m, app.f);
    const QImage img = picture(*app.f.Picture2);
    // Where the slowed lap is slowest the reference's light red speed stands above the lap's red.
    float worst = from, gap = 0;
    for (float x = from; x <= to; x += 2) {
        const float g = c.ref.speedAt(c.diff.refDistance(x)) - c.cur.speedAt(x);
        if (g > gap) {
            gap = g;
            worst = x;
        }
    }
    ASSERT_GT(gap, 10);
    const int x = column(worst);
    const std::vector<int> red = rowsIn(img, x, QBColor(12)), light = rowsIn(img, x, referencePen(QBColor(12)));
    ASSERT_FALSE(red.empty());
    ASSERT_FALSE(light.empty());
    EXPECT_LT(*std::min_element(light.begin(), light.end()), *std::min_element(red.begin(), red.end()) - 2);
    // Before the corner the light curve lies on the red one, within the records' whole km/h.
    int shown = 0;
    for (int col = kGraphLeft + 2; col < column(from - 60); ++col) {
        const std::vector<int> r = rowsIn(img, col, QBColor(12)), l = rowsIn(img, col, referencePen(QBColor(12)));
        for (int y : l) {
            ++shown;
            EXPECT_TRUE(std::any_of(r.begin(), r.end(), [y](int ry) { return std::abs(ry - y) <= 2; }))
                << "column " << col << " row " << y;
        }
    }
    EXPECT_GT(shown, 0);
}

TEST_F(ComparePixels, TheDifferenceGraphStaysAtZeroRisesThroughTheCornerAndEndsAtTheTimeLost) {
    app.m.GraphKind = 8;
    grf_refresh(app.m, app.f);
    const QImage img = picture(*app.f.Picture2);
    float largest = 0;
    for (float d : c.diff.delta) largest = std::max(largest, std::fabs(d));
    const float range = diffRange(largest);
    EXPECT_GE(range, c.diff.final);
    const int zero = static_cast<int>(diffY(0, range)), end = static_cast<int>(std::lround(diffY(c.diff.final, range)));
    auto curveRows = [&](int x) {
        std::vector<int> rows = rowsIn(img, x, QBColor(12));
        for (int y : rowsIn(img, x, QBColor(2))) rows.push_back(y);
        return rows;
    };
    for (int x = kGraphLeft + 2; x < column(from - 30); ++x)
        for (int y : curveRows(x)) EXPECT_NEAR(y, zero, 3) << "column " << x;
    int after = 0;
    for (int x = column(to + 30); x < kGraphLeft + 348; ++x)
        for (int y : curveRows(x)) {
            EXPECT_NEAR(y, end, 4) << "column " << x;
            ++after;
        }
    EXPECT_GT(after, 100);
    // Through the corner the curve climbs from the zero row to the lost time's row.
    int climbs = 0;
    for (int x = column(from); x <= column(to); ++x)
        for (int y : curveRows(x)) climbs += y < zero - 10 && y > end + 4;
    EXPECT_GT(climbs, 3);
}

TEST_F(ComparePixels, TheCourseIsRedWhereTheCornerLostTimeAndNowhereElse) {
    const QImage img = picture(*app.f.Picture1);
    // The picture places of the lap's records, the ones of the slowed stretch apart.
    std::vector<std::pair<int, int>> inside, outside;
    const float stretch = c.diff.length / kGainStretches;
    for (size_t k = 0; k < c.cur.samplePoint.size() && k < static_cast<size_t>(app.f.course_pts); ++k) {
        const float x = c.cur.d[static_cast<size_t>(c.cur.samplePoint[k])];
        const std::pair<int, int> at{app.f.course_x[k] + 126, app.f.course_y[k] + 126};
        (x >= from - stretch && x <= to + stretch ? inside : outside).push_back(at);
    }
    auto near = [](const std::vector<std::pair<int, int>>& pts, int x, int y) {
        return std::any_of(pts.begin(), pts.end(),
                           [x, y](const auto& p) { return std::abs(p.first - x) <= 1 && std::abs(p.second - y) <= 1; });
    };
    int red = 0, green = 0, astray = 0;
    for (int y = 30; y < 228; ++y)  // above the legend
        for (int x = 0; x < img.width(); ++x) {
            const Color col = img.pixel(x, y) & 0xFFFFFF;
            if (col == QBColor(2)) ++green;
            if (col != QBColor(12)) continue;
            ++red;
            if (!near(inside, x, y)) ++astray;
        }
    EXPECT_GT(red, 20);
    EXPECT_EQ(green, 0);
    EXPECT_EQ(astray, 0);
    // The legend: a red and a green swatch and their words under the course.
    EXPECT_EQ(img.pixel(6, 234) & 0xFFFFFF, QBColor(12));
    EXPECT_EQ(img.pixel(102, 234) & 0xFFFFFF, QBColor(2));
}

TEST_F(CompareDrawing, TheCourseListGivesTheDifferencePerSegment) {
    openLap(app, slowedLaps(slowCorners()[2], 4), 2);
    std::string why;
    ASSERT_TRUE(reference_from_loaded(app.m, app.f, 1, &why)) << why;
    static_cast<RecordingCanvas&>(*app.f.Picture3).reset();
    grf_2_Click(app.m, app.f, app.s.pump);
    const LapComparison c = compare_current(app.m, app.f.RefLap);
    ASSERT_EQ(c.diff.segments.size(), 4u);
    // In place of the rpm columns: each segment's difference at x = 355, the running one after it.
    std::vector<std::string> seg, total;
    bool head = false;
    for (const Op& op : static_cast<RecordingCanvas&>(*app.f.Picture3).texts()) {
        if (op.x1 == 355) seg.push_back(op.text);
        if (op.x1 == 355 + 7 * 4.5f) total.push_back(op.text);
        head = head || op.text.find("TIME     SEG  TOTAL") != std::string::npos;
    }
    EXPECT_TRUE(head);
    ASSERT_EQ(seg.size(), 5u);  // four segments and the totals
    ASSERT_EQ(total.size(), 5u);
    float sum = 0;
    for (size_t e = 0; e < 4; ++e) {
        EXPECT_EQ(seg[e], Right("      " + diffText(c.diff.segments[e].segDiff), 6)) << e;
        EXPECT_EQ(total[e], Right("      " + diffText(c.diff.segments[e].diff), 6)) << e;
        sum += c.diff.segments[e].segDiff;
    }
    EXPECT_EQ(seg[4], "      ");
    EXPECT_EQ(total[4], Right("      " + diffText(c.diff.final), 6));
    EXPECT_NEAR(sum, c.diff.final, 1e-4);
    EXPECT_GT(c.diff.segments[0].segDiff, 0.15f);  // Druids is in the first segment
}

TEST_F(CompareDrawing, TheDifferenceGraphSaysWhenThereIsNothingToCompare) {
    app.m.GraphKind = 8;
    grf_refresh(app.m, app.f);
    const auto texts = static_cast<RecordingCanvas&>(*app.f.Picture2).texts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const Op& op) { return op.text == "no reference lap"; }));
    EXPECT_EQ(app.m.GraphKind, 8);
}

}  // namespace
}  // namespace vt::test
