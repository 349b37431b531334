// The start-up circle: the lap it writes into the image for short and long courses, what it
// leaves behind, and the graph the main window shows after loading and on its graph buttons.
#include <memory>

#include <gtest/gtest.h>

#include "platform/ImageCanvas.h"
#include "shell/DemoCourse.h"
#include "shell/Startup.h"
#include "shell/mainform.h"
#include "support/TestApp.h"

namespace vt {
namespace {

struct Circle {
    int records;
    int speedCount;
    int gByte;
};

// Runs the circle for a course length over an image whose bytes are all 0xAA, and reads back
// what it wrote.
Circle runCircle(test::TestApp& app, int courseLen) {
    for (auto& rec : app.m.LogMem) rec.fill(0xAA);
    app.m.CourseLen = static_cast<int16_t>(courseLen);
    demo_course(app.m, app.f, app.s);
    int n = 0;
    while (app.m.LogMem[static_cast<size_t>(n)][6] == 0) ++n;
    const auto& first = app.m.LogMem[0];
    for (int i = 1; i < n; ++i) EXPECT_EQ(app.m.LogMem[static_cast<size_t>(i)], first) << i;
    EXPECT_EQ(first[1], 0xAA);  // the other bytes are left as they were
    return {n, first[12] * 256 + first[13], first[0]};
}

TEST(DemoCourse, OneKilometreCircleIsOneMinuteOfRecords) {
    test::TestApp app;
    app.m.LangText[173] = "Start-up course";
    app.m.LapCur = 3;
    Circle c = runCircle(app, 1000);
    EXPECT_EQ(c.records, 600);
    EXPECT_EQ(c.speedCount, 83);  // 16.7 m/s in 0.2 m/s counts
    EXPECT_EQ(c.gByte, 4);        // 1.75 m/s^2 in 0.3828 m/s^2 counts
    // One segment of 1000 m in 200 mm pulses, on the page of the current lap.
    const auto& seg1 = app.m.LapTbl[3][1];
    EXPECT_EQ(seg1[0], 1);
    EXPECT_EQ(seg1[20] * 256 + seg1[21], 5000);
    EXPECT_EQ(app.m.LapTbl[0][1][0], 0);
    // What it leaves: no lap in use, a course scale for the graph, the name label.
    EXPECT_EQ(app.m.RecCount, 0);
    EXPECT_EQ(app.m.MmPerPulse, 0);
    EXPECT_EQ(app.m.CourseMmPerPulse, 200);
    EXPECT_EQ(app.m.CarType, 0);
    EXPECT_FLOAT_EQ(app.f.XScale, 0.35f);
    EXPECT_EQ(app.f.namae.Caption, "Start-up course");
}

TEST(DemoCourse, LongCoursesTakeTwoMinutes) {
    test::TestApp app;
    Circle c = runCircle(app, 6000);
    EXPECT_EQ(c.records, 1200);
    EXPECT_EQ(c.speedCount, 250);
    EXPECT_EQ(c.gByte, 6);
    c = runCircle(app, 5000);  // still one minute
    EXPECT_EQ(c.records, 600);
    EXPECT_EQ(c.speedCount, 417);
    EXPECT_EQ(c.gByte, 22);
    // 1038 m gives 86.5 speed counts: halves go to the even count.
    EXPECT_EQ(runCircle(app, 1038).speedCount, 86);
    EXPECT_EQ(runCircle(app, 1026).speedCount, 86);
}

// The main window after loading, as a user first sees it.
class StartUpGraph : public ::testing::Test {
  protected:
    test::TestApp app{false};  // the window shows image canvases
    test::TempDir dir;
    std::unique_ptr<mainform> window;
    std::unique_ptr<Canvas> shown;  // the window's graph picture while a recording one stands in

    void SetUp() override {
        std::string fail;
        ASSERT_TRUE(lang_load(app.m, test::sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
        set_folders(app.m, dir.path());
        window = std::make_unique<mainform>(app.m, app.f, app.s);
        window->load();
    }
    void TearDown() override {
        if (shown) app.f.Picture2 = std::move(shown);
    }
    RecordingCanvas& recordGraph() {
        shown = std::move(app.f.Picture2);
        app.f.Picture2 = std::make_unique<RecordingCanvas>(kPicture2W, kPicture2H);
        return static_cast<RecordingCanvas&>(*app.f.Picture2);
    }
};

TEST_F(StartUpGraph, SpeedGraphOfTheOneKilometreCircleAndTheFourButtons) {
    MainformState& f = app.f;
    EXPECT_EQ(app.m.GraphKind, 3);
    EXPECT_EQ(app.m.CourseLen, 1000);
    EXPECT_EQ(f.namae.Caption, app.m.LangText[173]);
    // The graph picture holds the frame: black pixels along its top edge.
    const QImage& img = static_cast<ImageCanvas&>(*f.Picture2).image();
    EXPECT_EQ(img.pixelColor(200, 30), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(59, 100), QColor(Qt::black));

    RecordingCanvas& rec = recordGraph();
    const std::pair<Control*, const char*> buttons[] = {{&f.grf_4, "*   G, Steering   *"},
                                                        {&f.grf_5, "*   Temp, A/F, Pressure   *"},
                                                        {&f.grf_7, "*   In Line G   *"},
                                                        {&f.grf_3, "*   Speed, rpm   *"}};
    for (const auto& [button, title] : buttons) {
        rec.reset();
        window->trigger(*button);
        ASSERT_GE(rec.ops.size(), 2u);
        EXPECT_EQ(rec.ops[1].text, title);
        // The 1000 m circle's distance axis: a label at 500 m.
        bool half = false;
        for (const auto& op : rec.texts()) half = half || op.text == " 500 ";
        EXPECT_TRUE(half) << title;
    }
    EXPECT_EQ(app.m.GraphKind, 3);
}

}  // namespace
}  // namespace vt
