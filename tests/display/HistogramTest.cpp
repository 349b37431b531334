// The rpm histogram on Picture3: band widths and range texts by the rpm maximum, which band a
// speed falls into at the band edges, the shares in percent and their rounding, what is not
// counted (the lap's first record, markers, anything past the image), a lap of markers only,
// and where each bar and text is drawn.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/Histogram.h"
#include "display/Panel.h"
#include "support/TestApp.h"

namespace vt::test {
namespace {

using Op = RecordingCanvas::Op;

constexpr int kRpmPerCount = 25;  // tacho pulse setting 2: rpm = count x 75 / 3

struct HistoApp : TestApp {
    HistoApp() {
        m.TachoPulse = 2;
        m.RpmMax = 10000;
    }
    RecordingCanvas& pic() { return static_cast<RecordingCanvas&>(*f.Picture3); }
    // A lap from record `ptr`: a lap marker, then one record per rpm given; -254 or -255 makes a
    // segment or lap marker whose rpm bytes still say 500.
    void lap(const std::vector<int>& rpms, int32_t ptr = 100) {
        m.RecPtr = ptr;
        m.RecCount = static_cast<int32_t>(rpms.size()) + 1;
        put(ptr, 255, 500);
        for (size_t i = 0; i < rpms.size(); ++i) {
            const bool marker = rpms[i] < 0;
            put(ptr + 1 + static_cast<int32_t>(i), marker ? -rpms[i] : 0, marker ? 500 : rpms[i]);
        }
    }
    void put(int32_t n, int kind, int rpm) {
        if (n > kMaxRecord) return;
        auto& rec = m.LogMem[static_cast<size_t>(n)] = {};
        rec[6] = static_cast<uint8_t>(kind);
        const int count = rpm / kRpmPerCount;
        rec[10] = static_cast<uint8_t>(count / 256);
        rec[11] = static_cast<uint8_t>(count % 256);
    }
    // Bands with their share, "band:percent" for the bands holding records.
    std::string shares() {
        const RpmHistogram h = rpm_histogram(m);
        std::string out;
        for (int b = 1; b <= kRpmBands; ++b)
            if (h.count[static_cast<size_t>(b)] != 0)
                out += (out.empty() ? "" : " ") + std::to_string(b) + ":" + histo_percent_text(h, b);
        return out;
    }
};

TEST(Histogram, BandWidthRangeTextsAndBandEdgesFollowTheRpmMaximum) {
    const struct {
        int16_t rpmMax;
        int width;
        const char *first, *second, *last;
    } cases[] = {
        {10000, 500, "     0~  500", "   500~ 1000", "  9500~10000"},
        {10001, 1000, "     0~ 1000", "  1000~ 2000", " 19000~20000"},
        {0, 500, "     0~  500", "   500~ 1000", "  9500~10000"},
    };
    for (const auto& c : cases) {
        HistoApp app;
        app.m.RpmMax = c.rpmMax;
        const RpmHistogram h = rpm_histogram(app.m);
        EXPECT_EQ(h.bandWidth, c.width) << c.rpmMax;
        EXPECT_EQ(histo_range_text(h, 1) + histo_range_text(h, 2) + histo_range_text(h, kRpmBands),
                  std::string(c.first) + c.second + c.last);
    }
    const struct {
        int rpm, width, band;
    } edges[] = {
        {499, 500, 1},     {500, 500, 2}, {9500, 500, 20},
        {25000, 1000, 20}, {-25, 500, 1},  // a count that is not a speed stays in the first band
    };
    for (const auto& c : edges) EXPECT_EQ(histo_band(c.rpm, c.width), c.band) << c.rpm << " by " << c.width;
}

TEST(Histogram, SharesRoundToTenthsAndOnlyDataRecordsCount) {
    const struct {
        std::vector<int> rpms;
        const char* shares;
    } cases[] = {
        {{600, 3100, 3200}, "2:  33.3 7:  66.7"},                           // one of three
        {{1000, -254, 1000, -255, -254}, "3: 100.0"},                       // markers count nowhere
        {{1000, 1000, 1000, 1000, 1000, 1000, 2000}, "3:  85.7 5:  14.3"},  // 6/7 = 85.71
    };
    for (const auto& c : cases) {
        HistoApp app;
        app.lap(c.rpms);
        EXPECT_EQ(app.shares(), c.shares) << c.shares;
    }
    // An empty band shows 0.0; the lap's first record (here a data record at 3000) is not counted.
    HistoApp app;
    app.lap({1000, 1000});
    app.put(app.m.RecPtr, 0, 3000);
    const RpmHistogram h = rpm_histogram(app.m);
    EXPECT_EQ(h.total, 2);
    EXPECT_EQ(histo_percent_text(h, 7) + histo_percent_text(h, 3), "   0.0 100.0");
}

TEST(Histogram, NothingToCountDividesByNothingAndNothingIsReadPastTheImage) {
    HistoApp app;
    app.lap({-254, -254, -255});
    const RpmHistogram h = rpm_histogram(app.m);
    EXPECT_EQ(std::pair(h.total, h.maxCount), std::pair(0, 0));
    for (int b = 1; b <= kRpmBands; ++b) EXPECT_EQ(histo_percent_text(h, b), "   0.0") << b;
    grf_6_Click(app.m, app.f, app.s);  // drawn: empty bars and a note
    int bars = 0;
    for (const Op& op : app.pic().ops) {
        if (op.kind != Op::Box) continue;
        ++bars;
        EXPECT_EQ(op.x2, 100) << "an empty bar at y " << op.y1;
    }
    EXPECT_EQ(bars, kRpmBands);
    EXPECT_EQ(app.pic().texts().back().text, "no rpm records in this lap (markers only)");
    // 20 records before the image ends, though the lap claims 6000.
    app.lap(std::vector<int>(19, 4000), kMaxRecord - 19);
    app.m.RecCount = 6000;
    EXPECT_EQ(rpm_histogram(app.m).total, 19);
    app.m.RecPtr = kMaxRecord + 5;
    EXPECT_EQ(rpm_histogram(app.m).total, 0);
    app.m.RecPtr = -3;  // records -2.. -1 do not exist; 0 and on do
    app.m.RecCount = 5;
    EXPECT_EQ(rpm_histogram(app.m).total, 2);
    // No lap: a beep, and the panel stays.
    HistoApp none;
    meter_set(none.m, none.f);
    none.pic().reset();
    none.m.RecCount = 0;
    grf_6_Click(none.m, none.f, none.s);
    EXPECT_EQ(none.ui.beeps, 1);
    EXPECT_TRUE(none.pic().ops.empty());
    EXPECT_TRUE(none.f.Gauge1.Visible);
}

TEST(Histogram, ButtonDrawsTitleRowsBarsAndSharesInPlace) {
    HistoApp app;
    app.lap({600, 3100, 3200});
    meter_set(app.m, app.f);
    app.pic().reset();
    grf_6_Click(app.m, app.f, app.s);
    EXPECT_FALSE(app.f.Gauge1.Visible);  // the panel went first
    EXPECT_FALSE(app.f.kaitensuu.Visible);
    EXPECT_EQ(app.f.Picture3->backColor(), kWhite);
    ASSERT_FALSE(app.pic().ops.empty());
    EXPECT_EQ(app.pic().ops[0].kind, Op::Clear);
    const auto texts = app.pic().texts();
    ASSERT_EQ(texts.size(), 1u + 2 * kRpmBands);
    EXPECT_EQ(texts[0].text, "*   rpm Histogram   *");
    EXPECT_EQ(std::pair(texts[0].x1, texts[0].y1), std::pair(34 * Canvas::kColumnWidth, 2.0f));
    std::vector<Op> boxes;
    for (const Op& op : app.pic().ops)
        if (op.kind == Op::Box) boxes.push_back(op);
    ASSERT_EQ(boxes.size(), static_cast<size_t>(kRpmBands));
    // Band b's row: the range at y0 + 20 after three blanks, the bar from x 100 between y0 + 21
    // and y0 + 30 (the longest 360 pixels), the share one row up from the bar's bottom at its end.
    const struct {
        int band;
        float barEnd;
        const char* share;
    } rows[] = {{1, 100, "   0.0%"}, {2, 280, "  33.3%"}, {7, 460, "  66.7%"}, {20, 100, "   0.0%"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.band);
        const float y0 = static_cast<float>((row.band - 1) * 11);
        const Op& range = texts[static_cast<size_t>(2 * row.band - 1)];
        const Op& share = texts[static_cast<size_t>(2 * row.band)];
        const Op& bar = boxes[static_cast<size_t>(row.band - 1)];
        EXPECT_EQ(range.text, histo_range_text(rpm_histogram(app.m), row.band));
        EXPECT_EQ(std::pair(range.x1, range.y1), std::pair(3 * Canvas::kColumnWidth, y0 + 20));
        EXPECT_EQ(std::vector<float>({bar.x1, bar.y1, bar.x2, bar.y2}),
                  std::vector<float>({100, y0 + 21, row.barEnd, y0 + 30}));
        EXPECT_EQ(bar.color, rgb(6, 0, 0));
        EXPECT_EQ(share.text, row.share);
        EXPECT_EQ(std::pair(share.x1, share.y1), std::pair(row.barEnd, y0 + 19));
    }
}

}  // namespace
}  // namespace vt::test
