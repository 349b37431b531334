// The main window on the offscreen platform against veltra-logger-sim: connect, the parameters,
// start, the gauges moving, stop and hang up through its buttons and menus.
#include <algorithm>

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>

#include "shell/ui/mainform.h"
#include "support/SimProcess.h"

namespace vt::test {
namespace {

TEST(WindowEndToEnd, ALiveSessionThroughTheButtonsAndMenus) {
    LiveApp app(false, true);
    mainform window(app.m, app.f, app.s);
    window.show();
    window.load();
    SimProcess sim({"--course", shortCourse(app.dir)});
    app.useDevice(sim.device());

    window.button(app.f.dial_up)->click();
    ASSERT_TRUE(waitFor([&] { return std::count(app.kinds.begin(), app.kinds.end(), 'P') == 1; }, 6000));
    EXPECT_TRUE(window.action(app.f.tx_start)->isEnabled());
    window.action(app.f.tx_start)->trigger();
    std::vector<int> speeds;
    ASSERT_TRUE(waitFor(
        [&] {
            if (app.f.Gauge4.Visible && (speeds.empty() || speeds.back() != app.f.Gauge4.Value))
                speeds.push_back(app.f.Gauge4.Value);
            return speeds.size() >= 3;
        },
        8000));
    EXPECT_FALSE(app.f.sokudo.Caption.empty());
    EXPECT_EQ(app.f.tuusin_state.BackColor, rgb(192, 192, 192));
    if (const char* shot = std::getenv("VELTRA_SHOT_DIR"))
        window.grab().save(QString::fromStdString(std::string(shot) + "/live.png"));
    window.action(app.f.tx_stop)->trigger();
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 147));
    window.button(app.f.dial_down)->click();
    EXPECT_FALSE(app.f.MSComm1->portOpen());
    EXPECT_TRUE(window.button(app.f.dial_up)->isEnabled());
}

}  // namespace
}  // namespace vt::test
