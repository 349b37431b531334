// The replay buttons, the histogram button and the print menu of the main window on the
// offscreen platform: the test run and the analysis run started and stopped through their
// buttons, the analysis cursor moved by pointer events and arrow keys on the graph, and what the
// window shows meanwhile and afterwards.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "display/Panel.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "shell/ui/mainform.h"
#include "support/LapTestSupport.h"

namespace vt::test {
namespace {

class ReplayWindow : public ::testing::Test {
  protected:
    TestApp app{false};
    TempDir dir;
    std::unique_ptr<mainform> window;
    MainformState& f = app.f;

    void SetUp() override {
        std::string fail;
        ASSERT_TRUE(lang_load(app.m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
        set_folders(app.m, dir.path());
        wire_events(app.m, app.f, app.s);
        app.pump.attach(app.f.Timer1);  // its ticks come from the virtual clock
        window = std::make_unique<mainform>(app.m, app.f, app.s);
        window->show();
        window->load();
        openGeneratedLap(app, dir, 2);
    }
    PictureBox* graph() { return window->picture(2); }
    void pointAt(double x, double y) {
        const QPointF at(x * graph()->scale(), y * graph()->scale());
        QMouseEvent e(QEvent::MouseMove, at, graph()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(graph(), &e);
    }
    void press(Qt::Key k) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(graph(), &e);
    }
    // The red cursor line over the graph.
    QLabel* cursorLine() {
        for (QLabel* l : graph()->findChildren<QLabel*>())
            if (l->styleSheet().contains("#d01010")) return l;
        return nullptr;
    }
    // Runs `step` once per pass of the events while a run lasts; the step returns false to stop.
    void duringRun(std::function<bool(int pass)> step) {
        auto pass = std::make_shared<int>(0);
        app.pump.hooks.push_back([this, step, pass] {
            if (app.m.ReplayOn == 0 && f.AnalyzeOn == 0) return;
            if (!step(++*pass) || *pass > 100000) window->button(f.Test_stop)->click();
        });
    }
};

TEST_F(ReplayWindow, TestRunPlaysTheLapOnTheGaugesUntilStop) {
    ASSERT_TRUE(window->button(f.Test_run)->isEnabled());
    std::string lastRecord;
    int records = 0;
    duringRun([&](int) {
        if (f.data_cont.Caption != lastRecord) {
            lastRecord = f.data_cont.Caption;
            ++records;
        }
        if (records == 3) {
            EXPECT_FALSE(window->button(f.Test_run)->isEnabled());
            EXPECT_FALSE(window->button(f.Analize)->isEnabled());
            EXPECT_TRUE(window->button(f.Test_stop)->isEnabled());
            EXPECT_FALSE(window->action(f.MFile)->isEnabled());
            EXPECT_FALSE(window->action(f.MPort)->isEnabled());
            EXPECT_FALSE(window->button(f.grf_6)->isEnabled());
            EXPECT_TRUE(f.Gauge1.Visible);
            EXPECT_GT(f.Gauge1.Value, 0);  // the engine runs on the stored lap
        }
        return records < 30;
    });
    const int64_t start = app.clock.msecs();
    window->button(f.Test_run)->click();
    EXPECT_GE(records, 30);
    EXPECT_NEAR(static_cast<double>(app.clock.msecs() - start), 3000, 100);  // ten records a second
    EXPECT_TRUE(window->button(f.Test_run)->isEnabled());
    EXPECT_TRUE(window->button(f.Analize)->isEnabled());
    EXPECT_FALSE(window->button(f.Test_stop)->isEnabled());
    EXPECT_TRUE(window->action(f.MFile)->isEnabled());
    EXPECT_TRUE(window->action(f.MPort)->isEnabled());
    EXPECT_FALSE(f.Timer1.Enabled);
}

TEST_F(ReplayWindow, AnalysisCursorFollowsThePointerAndTheArrowKeys) {
    EXPECT_TRUE(graph()->hasMouseTracking());
    QLabel* line = cursorLine();
    ASSERT_NE(line, nullptr);
    const int32_t count = app.m.RecCount;
    const int atMiddle = static_cast<int>(count / 452.0 * 226 - 1);
    std::vector<std::string> seen;
    duringRun([&](int pass) {
        switch (pass) {
            case 1:
                EXPECT_EQ(graph()->cursor().shape(), Qt::CrossCursor);
                EXPECT_TRUE(line->isVisibleTo(graph()));
                pointAt(226, 100);
                break;
            case 2:
                seen.push_back(f.data_cont.Caption);
                EXPECT_EQ(line->x(), static_cast<int>(f.Label_Cur.Left * graph()->scale()));
                EXPECT_GT(f.Label_Cur.Left, 59);
                press(Qt::Key_Right);
                break;
            case 3:
                seen.push_back(f.data_cont.Caption);
                press(Qt::Key_Left);
                press(Qt::Key_Left);  // two presses before the run looks: one step
                break;
            case 4:
                seen.push_back(f.data_cont.Caption);
                pointAt(-40, 10);
                break;
            case 5:
                seen.push_back(f.data_cont.Caption);
                EXPECT_EQ(line->x(), static_cast<int>(f.Label_Cur.Left * graph()->scale()));
                return false;
            default:
                break;
        }
        return true;
    });
    window->button(f.Analize)->click();
    EXPECT_EQ(seen, (std::vector<std::string>{" " + std::to_string(atMiddle), " " + std::to_string(atMiddle + 1),
                                              " " + std::to_string(atMiddle), " 0"}));
    EXPECT_NE(graph()->cursor().shape(), Qt::CrossCursor);
    EXPECT_FALSE(line->isVisibleTo(graph()));
    EXPECT_TRUE(window->button(f.Analize)->isEnabled());
}

TEST_F(ReplayWindow, ClosingTheWindowEndsARun) {
    int passes = 0;
    duringRun([&](int pass) {
        passes = pass;
        if (pass == 50) {
            EXPECT_TRUE(window->close());
        }
        return pass < 1000;
    });
    window->button(f.Test_run)->click();
    EXPECT_TRUE(window->unloaded());
    EXPECT_EQ(passes, 50);  // no pass after the close
    EXPECT_EQ(app.m.ReplayOn, 0);
    EXPECT_FALSE(f.Timer1.Enabled);
}

TEST_F(ReplayWindow, HistogramButtonAndPrintMenu) {
    meter_set(app.m, f);
    window->button(f.grf_6)->click();
    EXPECT_FALSE(f.Gauge1.Visible);
    EXPECT_FALSE(f.kaitensuu.Visible);
    window->action(f.form_print)->trigger();
    ASSERT_EQ(app.ui.printed.size(), 1u);
    int pictures = 0;
    for (const auto& item : app.ui.printed[0].items) pictures += item.image != nullptr;
    EXPECT_EQ(pictures, 5);
    // The histogram was the picture behind the gauges: it is on the page.
    EXPECT_TRUE(*app.ui.printed[0].items[4].image == *f.Picture3->snapshot());
}

}  // namespace
}  // namespace vt::test
