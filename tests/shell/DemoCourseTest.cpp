// The start-up circle: the lap it writes into the image for short and long courses, what it
// leaves behind, and the graph the main window shows after loading and on its graph buttons.
#include <memory>
#include <tuple>

#include <gtest/gtest.h>

#include "course/DemoCourse.h"
#include "shell/Startup.h"
#include "shell/ui/mainform.h"
#include "support/TestApp.h"
#include "widgets/ImageCanvas.h"

namespace vt {
namespace {

TEST(DemoCourse, CircleRecordsForShortAndLongCourses) {
    // Course length; records, speed count and G byte written. Long courses take two minutes; 1038 m
    // and 1026 m give 86.5 and 85.5 speed counts, halves to the even count.
    const std::tuple<int16_t, int, int, int> cases[] = {
        {1000, 600, 83, 4}, {6000, 1200, 250, 6}, {5000, 600, 417, 22}, {1038, 600, 86, 4}, {1026, 600, 86, 4}};
    for (const auto& [len, records, speed, g] : cases) {
        SCOPED_TRACE(len);
        test::TestApp app;
        app.m.LangText[173] = "Start-up course";
        app.m.LapCur = 3;
        for (auto& rec : app.m.LogMem) rec.fill(0xAA);
        app.m.CourseLen = len;
        demo_course(app.m, app.f, app.s);
        const auto& log = app.m.LogMem;
        int n = 0;
        while (log[static_cast<size_t>(n)][6] == 0) ++n;
        EXPECT_EQ(n, records);
        for (int i = 1; i < n; ++i) EXPECT_EQ(log[static_cast<size_t>(i)], log[0]) << i;
        EXPECT_EQ(log[0][0], g) << +log[0][0];
        EXPECT_EQ(log[0][12] * 256 + log[0][13], speed) << +log[0][0];
        EXPECT_EQ(log[0][1], 0xAA);  // the other bytes are left as they were
        // One segment of the circumference in 200 mm pulses, on the page of the current lap.
        const auto& seg1 = app.m.LapTbl[3][1];
        EXPECT_EQ(seg1[0], 1);
        EXPECT_EQ(seg1[20] * 256 + seg1[21], len * 5);
        EXPECT_EQ(app.m.LapTbl[0][1][0], 0);
        // What it leaves: no lap in use, a course scale for the graph, the name label.
        EXPECT_EQ(app.m.RecCount, 0);
        EXPECT_EQ(app.m.MmPerPulse, 0);
        EXPECT_EQ(app.m.CourseMmPerPulse, 200);
        EXPECT_EQ(app.m.CarType, 0);
        EXPECT_FLOAT_EQ(app.f.XScale, 350.0f / len);
        EXPECT_EQ(app.f.namae.Caption, "Start-up course");
    }
}

TEST(DemoCourse, WindowShowsTheCircleAndTheGraphButtonsDrawTheirGraphs) {
    test::TestApp app{false};  // the window shows image canvases
    test::TempDir dir;
    std::string fail;
    ASSERT_TRUE(lang_load(app.m, test::sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
    set_folders(app.m, dir.path());
    mainform window(app.m, app.f, app.s);
    window.load();
    EXPECT_EQ(app.m.GraphKind, 3);
    EXPECT_EQ(app.m.CourseLen, 1000);
    EXPECT_EQ(app.f.namae.Caption, app.m.LangText[173]);
    // The graph picture holds the frame: black pixels along its top and left edges.
    const QImage& img = static_cast<ImageCanvas&>(*app.f.Picture2).image();
    EXPECT_EQ(img.pixelColor(200, 30), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(59, 100), QColor(Qt::black));

    // Each button draws its graph over the 1000 m circle's distance axis (a label at 500 m).
    std::unique_ptr<Canvas> shown = std::move(app.f.Picture2);
    app.f.Picture2 = std::make_unique<RecordingCanvas>(kPicture2W, kPicture2H);
    auto& rec = static_cast<RecordingCanvas&>(*app.f.Picture2);
    const std::pair<Control*, const char*> buttons[] = {{&app.f.grf_4, "*   G, Steering   *"},
                                                        {&app.f.grf_5, "*   Temp, A/F, Pressure   *"},
                                                        {&app.f.grf_7, "*   In Line G   *"},
                                                        {&app.f.grf_3, "*   Speed, rpm   *"}};
    for (const auto& [button, title] : buttons) {
        rec.reset();
        window.trigger(*button);
        bool half = false;
        for (const auto& op : rec.texts()) half = half || op.text == " 500 ";
        ASSERT_GT(rec.ops.size(), 2) << title;
        EXPECT_EQ(rec.ops[1].text, title) << title;
        EXPECT_TRUE(half) << title;
    }
    EXPECT_EQ(app.m.GraphKind, 3);
    app.f.Picture2 = std::move(shown);
}

}  // namespace
}  // namespace vt
