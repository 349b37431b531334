// End to end: the terminal's link code against veltra-logger-sim over a pseudo-terminal, on the
// real clock. Connect, the parameters, the live stream with lap, segment and pit events, faults
// (resynchronisation, the watchdog), stop, hang up; the simulator killed mid-stream.
#include <algorithm>
#include <map>
#include <regex>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dialup/DialUp.h"
#include "layout/FrameLayout.h"
#include "link/Commands.h"
#include "link/Receive.h"
#include "logdata/Conversions.h"
#include "support/SimProcess.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

// A number field of a journal line ("counter":12), or -1.
long field(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const size_t at = line.find(key);
    if (at == std::string::npos) return -1;
    return std::strtol(line.c_str() + at + key.size(), nullptr, 10);
}
bool has(const std::string& line, const std::string& text) { return line.find(text) != std::string::npos; }
size_t count(const std::vector<char>& kinds, char k) {
    return static_cast<size_t>(std::count(kinds.begin(), kinds.end(), k));
}

TEST(LinkEndToEnd, ConnectParametersLiveStreamWithEventsStopAndHangUp) {
    LiveApp app;
    SimProcess sim({"--course", shortCourse(app.dir), "--laps", "3", "--segments", "3", "--events"},
                   app.dir.file("journal"));
    ASSERT_FALSE(sim.device().empty());
    app.useDevice(sim.device());

    dial_up_Click(app.m, app.f, app.s);  // opens, stops the logger, asks for the parameters
    ASSERT_TRUE(app.f.MSComm1->portOpen()) << (app.ui.messages.empty() ? "" : app.ui.messages.back().text);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'P') == 1; }, 6000));
    EXPECT_EQ(app.m.MmPerPulse, 200);
    EXPECT_EQ(app.m.RpmMax, 10000);
    EXPECT_TRUE(app.f.ParaDisp.window.Visible);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 204));

    tx_start_Click(app.m, app.f, app.s);
    EXPECT_TRUE(app.f.Timer1.Enabled);
    // The first lap starts at once and the pit events follow it by two to eight seconds: the
    // stop ended after 3.0 s, the pit out after 6.0 s.
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'T') >= 4; }, 12000));
    EXPECT_EQ(app.f.STOP_TIME.Caption, "0:03.0");
    EXPECT_EQ(app.f.PIT_IN_TIME.Caption, "0:06.0");
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 212));
    // A lap takes about eleven seconds.
    auto recordAfterSecondLap = [&] {
        auto second = std::find(std::find(app.kinds.begin(), app.kinds.end(), 'L') + 1, app.kinds.end(), 'L');
        return second != app.kinds.end() && std::find(second, app.kinds.end(), 'G') != app.kinds.end();
    };
    ASSERT_TRUE(waitFor(recordAfterSecondLap, 8000));
    EXPECT_GE(count(app.kinds, 'S'), 2u);
    EXPECT_EQ(app.f.lap_no.Caption, " 2");

    tx_stop_Click(app.m, app.f, app.s);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 147));
    EXPECT_FALSE(app.f.Timer1.Enabled);
    dial_down_Click(app.m, app.f, app.s);
    EXPECT_FALSE(app.f.MSComm1->portOpen());
    EXPECT_EQ(sim.stop(), 0);

    // What the logger sent is what the terminal showed: the lap time after the second lap start
    // is the first lap's time.
    std::vector<std::string> commands;
    long firstLapTime = -1;
    bool afterSecondLap = false;
    int laps = 0;
    for (const std::string& line : sim.journal()) {
        if (has(line, "\"event\":\"command\"")) commands.push_back(line.substr(line.find("\"text\":\"") + 8, 4));
        if (has(line, "\"kind\":\"L\"")) afterSecondLap = ++laps == 2;
        if (afterSecondLap && firstLapTime < 0 && has(line, "\"kind\":\"G\"")) firstLapTime = field(line, "lapTime");
    }
    EXPECT_THAT(commands, ::testing::ElementsAre("STOP", "PARA", "STRT", "STOP"));
    ASSERT_GT(firstLapTime, 0);
    EXPECT_EQ(app.f.lap_time.Caption, timeText(static_cast<int32_t>(firstLapTime)));
}

TEST(LinkEndToEnd, DamagedFramesResyncAndAStallTripsTheWatchdog) {
    LiveApp app;
    SimProcess sim({"--course", shortCourse(app.dir), "--seed", "5", "--bad-end", "0.04", "--garbage", "0.04", "--drop",
                    "0.02", "--stall-after", "3", "--stall", "6"},
                   app.dir.file("journal"));
    app.useDevice(sim.device());
    std::vector<long> counters;  // the counters of the record frames handled
    app.f.watch.afterFrame = [&] {
        if (app.m.RxKind == "G") counters.push_back(layout::word(&app.m.RawRec[frame::kCounter]));
    };
    int resyncs = 0, bites = 0;
    long framesAtBite = -1;
    app.f.watch.resync = [&] { ++resyncs; };
    app.f.watch.watchdog = [&] {
        if (bites++ == 0) framesAtBite = static_cast<long>(counters.size());
    };
    dial_up_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'P') == 1; }, 6000));
    tx_start_Click(app.m, app.f, app.s);
    // Three seconds of frames, a six-second stall (the watchdog bites after 5.1 s), then frames
    // again and the lamp grey.
    ASSERT_TRUE(waitFor([&] { return bites > 0; }, 15000));
    EXPECT_EQ(app.f.tuusin_state.BackColor, rgb(255, 255, 128));
    ASSERT_TRUE(waitFor([&] { return static_cast<long>(counters.size()) > framesAtBite + 30; }, 10000));
    EXPECT_EQ(app.f.tuusin_state.BackColor, rgb(192, 192, 192));
    tx_stop_Click(app.m, app.f, app.s);
    dial_down_Click(app.m, app.f, app.s);
    EXPECT_GT(resyncs, 0);
    sim.stop();

    // Every record frame handled went out (none made up), and every intact one the terminal
    // missed came right after a damaged one: the resynchronisation's hunt.
    std::vector<std::pair<long, bool>> sent;  // counter, damaged (bad framing)
    bool lastDamaged = false, beforeDamaged = false;
    std::map<long, bool> collateral;  // intact frames within two frames after damage
    for (const std::string& line : sim.journal()) {
        if (!has(line, "\"event\":\"frame\"")) continue;
        const bool damaged = has(line, "garbage") || has(line, "bad-end");
        if (has(line, "\"kind\":\"G\"") && !has(line, "\"drop\"")) {
            sent.emplace_back(field(line, "counter"), damaged);
            if (!damaged && (lastDamaged || beforeDamaged)) collateral[field(line, "counter")] = true;
        }
        if (!has(line, "\"drop\"")) {
            beforeDamaged = lastDamaged;
            lastDamaged = damaged;
        }
    }
    std::map<long, bool> handled;
    for (long c : counters) handled[c] = true;
    const long lastHandled = counters.empty() ? 0 : counters.back();
    for (const auto& [counter, damaged] : sent) {
        if (damaged || handled.count(counter) || counter > lastHandled) continue;
        EXPECT_TRUE(collateral.count(counter)) << "intact frame " << counter << " was lost";
    }
    for (long c : counters)
        EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [c](const auto& s) { return s.first == c; })) << c;
}

TEST(LinkEndToEnd, TheLoggerGoneMidStreamIsSaidOnceAndAReconnectWorks) {
    LiveApp app;
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--course", shortCourse(app.dir)});
    app.useDevice(sim->device());
    dial_up_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'P') == 1; }, 6000));
    tx_start_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'G') > 5; }, 5000));
    const size_t messages = app.ui.messages.size();
    sim->kill();
    ASSERT_TRUE(waitFor([&] { return !app.f.MSComm1->portOpen(); }, 5000));
    waitFor([] { return false; }, 300);  // anything more it might say
    ASSERT_EQ(app.ui.messages.size(), messages + 1);
    EXPECT_THAT(app.ui.messages.back().text, HasSubstr(sim->device()));
    EXPECT_EQ(app.m.LinkUp, kFalse);
    EXPECT_FALSE(app.f.Timer1.Enabled);
    EXPECT_TRUE(app.f.dial_up.Enabled);

    // A new logger: connect again. The distance per pulse is known by now, so the connection
    // starts the stream at once.
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--course", shortCourse(app.dir)});
    app.useDevice(sim->device());
    app.kinds.clear();
    dial_up_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'G') > 5; }, 6000));
    EXPECT_EQ(app.m.LinkUp, kTrue);
    tx_stop_Click(app.m, app.f, app.s);
    dial_down_Click(app.m, app.f, app.s);
}

}  // namespace
}  // namespace vt::test
