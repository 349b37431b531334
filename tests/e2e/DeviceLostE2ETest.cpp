// End to end: the logger's device disappears in the middle of a download (veltra-logger-sim
// killed, its pseudo-terminal gone). The partial file is removed, the port closed and said so
// once, the window's menus back, and a new logger on the line's own speed connects and streams.
#include <algorithm>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dialup/DialUp.h"
#include "link/Commands.h"
#include "link/Download.h"
#include "serial/RealCommPort.h"
#include "support/SimProcess.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

size_t count(const std::vector<char>& kinds, char k) {
    return static_cast<size_t>(std::count(kinds.begin(), kinds.end(), k));
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) out.push_back(e.path().filename().string());
    return out;
}

TEST(DeviceLost, MidDownloadTheFileGoesThePortClosesAndTheWindowGoesOn) {
    const struct {
        const char* what;
        bool fast;
    } cases[] = {{"download at the line's speed", false}, {"fast download at 115200 bit/s", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LiveApp app;
        const std::vector<std::string> args = {"--laps", "8", "--baud", "9600"};
        auto sim = std::make_unique<SimProcess>(args);
        app.useDevice(sim->device(), "9600");
        dial_up_Click(app.m, app.f, app.s);
        ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'P') >= 1; }, 6000));
        const std::string settingsBefore = app.f.MSComm1->settings();

        app.f.windows.Form_NAME = [&] {
            app.m.LogFileName = app.m.LogDir + "/lost";
            app.m.MemClearAsk = kFalse;
            app.m.FastRate = 2;  // 115200 bit/s
        };
        app.ui.inputAnswers = {"1-8"};
        if (c.fast)
            Fast_Down_Click(app.m, app.f, app.s);
        else
            One_Down_Click(app.m, app.f, app.s);
        ASSERT_NE(app.m.DownMode, 0);
        ASSERT_TRUE(waitFor([&] { return app.f.Down.DownCount > 30; }, 20000)) << app.f.Down.DownCount;
        ASSERT_FALSE(filesIn(app.m.LogDir).empty());  // the partial file meanwhile
        const size_t messages = app.ui.messages.size();
        sim->kill();
        ASSERT_TRUE(waitFor([&] { return !app.f.MSComm1->portOpen(); }, 5000));
        EXPECT_EQ(app.m.DownMode, 0);
        EXPECT_TRUE(filesIn(app.m.LogDir).empty()) << filesIn(app.m.LogDir).front();
        ASSERT_EQ(app.ui.messages.size(), messages + 1);
        EXPECT_THAT(app.ui.messages.back().text, HasSubstr(sim->device()));
        // The window: no wait window, no busy pointer, the watchdog off, connect offered.
        EXPECT_FALSE(app.f.Form2.window.Visible);
        EXPECT_FALSE(app.f.BusyPointer.Checked);
        EXPECT_FALSE(app.f.Timer1.Enabled);
        EXPECT_TRUE(app.f.dial_up.Enabled);
        EXPECT_EQ(app.f.MSComm1->settings(), settingsBefore);

        // A logger on the line's own speed connects and streams, the port's settings untouched
        // since (as when the user plugs the device back in and connects).
        sim = std::make_unique<SimProcess>(args);
        static_cast<RealCommPort&>(*app.f.MSComm1).setDevice(sim->device());
        app.kinds.clear();
        dial_up_Click(app.m, app.f, app.s);
        ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'G') > 3; }, 8000));
        tx_stop_Click(app.m, app.f, app.s);
        dial_down_Click(app.m, app.f, app.s);
    }
}

}  // namespace
}  // namespace vt::test
