// End to end: the terminal's link code against veltra-logger-sim over a pseudo-terminal, on the
// real clock. Connect, the parameters, the live stream with lap, segment and pit events, stop,
// hang up, through the main window's buttons and menus; damaged frames and a stall
// (resynchronisation, the watchdog); the logger killed mid-stream and a reconnect; the stream
// through ser2net's RFC 2217 server; a modem line over RFC 2217 that loses its carrier and redials
// (the first redial busy) while a remote station on the sub port follows the stream byte for byte
// (the countdown and the digits: tests/dialup) and never gets a real-time frame.
#include <algorithm>
#include <fstream>
#include <map>
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>

#include "dialup/DialList.h"
#include "dialup/DialUp.h"
#include "layout/FrameLayout.h"
#include "link/Commands.h"
#include "link/Receive.h"
#include "link/SubPort.h"
#include "logdata/Conversions.h"
#include "serial/RealCommPort.h"
#include "shell/ui/mainform.h"
#include "support/SimProcess.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

// A number field of a journal line ("counter":12), or -1.
long field(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const size_t at = line.find(key);
    return at == std::string::npos ? -1 : std::strtol(line.c_str() + at + key.size(), nullptr, 10);
}
bool has(const std::string& line, const std::string& text) { return line.find(text) != std::string::npos; }
size_t count(const std::vector<char>& kinds, char k) {
    return static_cast<size_t>(std::count(kinds.begin(), kinds.end(), k));
}
// The first four letters of each command the simulator's journal holds, in order.
std::vector<std::string> commands(const SimProcess& sim) {
    std::vector<std::string> out;
    for (const std::string& line : sim.journal())
        if (has(line, "\"event\":\"command\"")) out.push_back(line.substr(line.find("\"text\":\"") + 8, 4));
    return out;
}
// Connects and waits for the parameter frame.
void connect(LiveApp& app) {
    dial_up_Click(app.m, app.f, app.s);
    ASSERT_TRUE(app.f.MSComm1->portOpen()) << (app.ui.messages.empty() ? "" : app.ui.messages.back().text);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'P') == 1; }, 10000));
}

TEST(LinkEndToEnd, ConnectParametersLiveStreamWithEventsStopAndHangUpThroughTheWindow) {
    LiveApp app(false, true);  // the window drives the timers
    mainform window(app.m, app.f, app.s);
    window.show();
    window.load();
    SimProcess sim({"--course", shortCourse(app.dir), "--laps", "3", "--segments", "3", "--events"},
                   app.dir.file("journal"));
    app.useDevice(sim.device());
    window.button(app.f.dial_up)->click();  // opens, stops the logger, asks for the parameters
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'P') == 1; }, 10000));
    EXPECT_EQ(app.m.MmPerPulse, 200);
    EXPECT_EQ(app.m.RpmMax, 10000);
    EXPECT_TRUE(app.f.ParaDisp.window.Visible);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 204));

    // The status line read as each pit frame is handled: later frames may follow in the same pass.
    std::vector<std::string> afterPit;
    app.f.watch.afterFrame = [&] {
        if (app.m.RxKind == "T") afterPit.push_back(app.f.Label1.Caption);
    };
    ASSERT_TRUE(window.action(app.f.tx_start)->isEnabled());
    window.action(app.f.tx_start)->trigger();
    EXPECT_TRUE(app.f.Timer1.Enabled);
    // After the first lap's start: the stop ends after 3.0 s, the pit out after 6.0 s.
    std::vector<int> speeds;
    ASSERT_TRUE(waitFor(
        [&] {
            if (app.f.Gauge4.Visible && (speeds.empty() || speeds.back() != app.f.Gauge4.Value))
                speeds.push_back(app.f.Gauge4.Value);
            return count(app.kinds, 'T') >= 4;
        },
        20000));
    EXPECT_GE(speeds.size(), 3u);
    EXPECT_EQ(app.f.tuusin_state.BackColor, rgb(192, 192, 192));
    EXPECT_EQ(app.f.STOP_TIME.Caption, "0:03.0");
    EXPECT_EQ(app.f.PIT_IN_TIME.Caption, "0:06.0");
    ASSERT_GE(afterPit.size(), 4u);
    EXPECT_EQ(afterPit[3], lang(app.m, 212));
    auto recordAfterSecondLap = [&] {
        auto second = std::find(std::find(app.kinds.begin(), app.kinds.end(), 'L') + 1, app.kinds.end(), 'L');
        return second != app.kinds.end() && std::find(second, app.kinds.end(), 'G') != app.kinds.end();
    };
    ASSERT_TRUE(waitFor(recordAfterSecondLap, 15000));
    EXPECT_GE(count(app.kinds, 'S'), 2u);
    EXPECT_EQ(app.f.lap_no.Caption, " 2");

    window.action(app.f.tx_stop)->trigger();
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 147));
    EXPECT_FALSE(app.f.Timer1.Enabled);
    window.button(app.f.dial_down)->click();
    EXPECT_FALSE(app.f.MSComm1->portOpen());
    EXPECT_TRUE(window.button(app.f.dial_up)->isEnabled());
    // The last STOP may not have reached the logger yet: wait for its journal.
    EXPECT_TRUE(waitFor([&] { return commands(sim).size() >= 4; }, 10000));
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_THAT(commands(sim), ::testing::ElementsAre("STOP", "PARA", "STRT", "STOP"));

    // The lap time shown is the one the logger sent with the first record of lap 2.
    long firstLapTime = -1;
    int laps = 0;
    for (const std::string& line : sim.journal()) {
        if (has(line, "\"kind\":\"L\"")) ++laps;
        if (laps == 2 && firstLapTime < 0 && has(line, "\"kind\":\"G\"")) firstLapTime = field(line, "lapTime");
    }
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
    ASSERT_NO_FATAL_FAILURE(connect(app));
    tx_start_Click(app.m, app.f, app.s);
    // 3 s of frames, a 6 s stall (the watchdog bites after 5.1 s), frames again.
    ASSERT_TRUE(waitFor([&] { return bites > 0; }, 20000));
    EXPECT_EQ(app.f.tuusin_state.BackColor, rgb(255, 255, 128));
    ASSERT_TRUE(waitFor([&] { return static_cast<long>(counters.size()) > framesAtBite + 30; }, 15000));
    EXPECT_EQ(app.f.tuusin_state.BackColor, rgb(192, 192, 192));
    tx_stop_Click(app.m, app.f, app.s);
    dial_down_Click(app.m, app.f, app.s);
    EXPECT_GT(resyncs, 0);
    sim.stop();

    // Every frame handled was sent; every intact one missed came within two after a damaged one.
    std::vector<std::pair<long, bool>> sent;  // counter, damaged (bad framing)
    std::map<long, bool> collateral;
    bool lastDamaged = false, beforeDamaged = false;
    for (const std::string& line : sim.journal()) {
        if (!has(line, "\"event\":\"frame\"") || has(line, "\"drop\"")) continue;
        const bool damaged = has(line, "garbage") || has(line, "bad-end");
        if (has(line, "\"kind\":\"G\"")) {
            sent.emplace_back(field(line, "counter"), damaged);
            if (!damaged && (lastDamaged || beforeDamaged)) collateral[field(line, "counter")] = true;
        }
        beforeDamaged = lastDamaged;
        lastDamaged = damaged;
    }
    std::map<long, bool> handled;
    for (long c : counters) {
        handled[c] = true;
        EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [c](const auto& s) { return s.first == c; })) << c;
    }
    const long lastHandled = counters.empty() ? 0 : counters.back();
    for (const auto& [counter, damaged] : sent)
        if (!damaged && !handled.count(counter) && counter <= lastHandled) {
            EXPECT_TRUE(collateral.count(counter)) << "intact frame " << counter << " was lost";
        }
}

// The logger's program killed mid-stream: said once, naming the device; a new one connects.
TEST(LinkEndToEnd, TheLoggerGoneMidStreamIsSaidOnceAndAReconnectWorks) {
    LiveApp app;
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--course", shortCourse(app.dir)});
    app.useDevice(sim->device());
    ASSERT_NO_FATAL_FAILURE(connect(app));
    tx_start_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'G') > 5; }, 10000));
    const size_t messages = app.ui.messages.size();
    sim->kill();
    ASSERT_TRUE(waitFor([&] { return !app.f.MSComm1->portOpen(); }, 10000));
    waitFor([] { return false; }, 300);  // room for a second message, which must not come
    ASSERT_EQ(app.ui.messages.size(), messages + 1);
    EXPECT_THAT(app.ui.messages.back().text, HasSubstr(sim->device()));
    EXPECT_EQ(app.m.LinkUp, kFalse);
    EXPECT_FALSE(app.f.Timer1.Enabled);
    EXPECT_TRUE(app.f.dial_up.Enabled);

    // The distance per pulse is known by now, so the new connection starts the stream at once.
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--course", shortCourse(app.dir)});
    app.useDevice(sim->device());
    app.kinds.clear();
    dial_up_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'G') > 5; }, 10000));
    EXPECT_EQ(app.m.LinkUp, kTrue);
    tx_stop_Click(app.m, app.f, app.s);
    dial_down_Click(app.m, app.f, app.s);
}

// ser2net, a device server nobody here wrote, on loopback between the terminal and the
// simulator's pseudo-terminal.
TEST(LinkEndToEnd, TheLiveStreamThroughSer2net) {
    LiveApp app;
    SimProcess sim({"--course", shortCourse(app.dir)});
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    const std::string config = app.dir.file("ser2net.yaml");
    std::ofstream(config) << "connection: &logger\n"
                          << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << port << "\n"
                          << "  connector: serialdev," << sim.device() << ",9600n81,local\n"
                          << "  options:\n    kickolduser: true\n";
    QProcess ser2net;
    ser2net.start("ser2net", {"-n", "-d", "-c", QString::fromStdString(config), "-P",
                              QString::fromStdString(app.dir.file("ser2net.pid"))});
    ASSERT_TRUE(ser2net.waitForStarted(5000)) << "ser2net is missing (scripts/setup installs it)";
    ASSERT_TRUE(waitFor(  // it listens once it has read its configuration
        [&] {
            QTcpSocket s;
            s.connectToHost("127.0.0.1", port);
            return s.waitForConnected(200);
        },
        10000))
        << ser2net.readAllStandardError().toStdString();

    app.useDevice("rfc2217://127.0.0.1:" + std::to_string(port));
    ASSERT_NO_FATAL_FAILURE(connect(app));
    EXPECT_EQ(app.m.MmPerPulse, 200);
    tx_start_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'G') >= 20; }, 10000));
    EXPECT_EQ(app.f.ResyncOn, 0);
    tx_stop_Click(app.m, app.f, app.s);
    dial_down_Click(app.m, app.f, app.s);
    ser2net.terminate();
    if (!ser2net.waitForFinished(5000)) ser2net.kill();
}

std::string hex(const uint8_t* bytes, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += "0123456789abcdef"[bytes[i] >> 4] + std::string(1, "0123456789abcdef"[bytes[i] & 15]);
    return s;
}

TEST(ModemEndToEnd, CarrierLostRedialBusyThenConnectWhileARemoteStationFollowsTheStream) {
    LiveApp app;
    SimProcess sim({"--modem", "--rfc2217", "0", "--connect-delay", "1000", "--dial-results", "CONNECT,BUSY,CONNECT",
                    "--drop-carrier-after", "12", "--course", shortCourse(app.dir)},
                   app.dir.file("journal"));
    SimProcess remote({"remote", "--ring-after", "1", "--send", "STRT@1"}, app.dir.file("remote-journal"));
    ASSERT_THAT(sim.device(), ::testing::StartsWith("rfc2217://"));
    app.useDevice(sim.device());
    app.m.MainATCmd = "AT&F";
    app.m.RetrySec = 5;
    writeFile(app.dir.file("dial.dat"), "03-5550-1234\r\n");
    app.f.windows.Form4 = [&app] {  // the dial list: OK on the number it shows
        Form4State st;
        Form_Load(app.m, st);
        Command1_Click(app.m, st, app.s);
    };
    std::vector<std::string> dials, relayed;  // relayed: the frames, byte for byte
    int carrierLost = 0;
    app.f.watch.dialResult = [&](const std::string& r) { dials.push_back(r); };
    app.f.watch.carrierLost = [&] { ++carrierLost; };
    app.f.watch.relayed = [&](char) { relayed.push_back(hex(app.f.RelayFrame.data(), app.f.RelayFrame.size())); };

    static_cast<RealCommPort&>(*app.f.MSComm2).setDevice(remote.device());
    app.m.SubATCmd = "AT&FS0=1";
    app.m.SubPortSet = 1;
    sub_up_Click(app.m, app.f, app.s);
    EXPECT_EQ(app.m.SubOK, kTrue);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 158));
    ASSERT_TRUE(waitFor([&] { return app.f.RemoteOn == 1; }, 10000));

    dial_up_Click(app.m, app.f, app.s);
    ASSERT_EQ(app.m.LinkUp, kTrue) << (dials.empty() ? "no dial result" : dials.back());
    EXPECT_TRUE(app.f.MSComm1->reportsModemLines());  // RFC 2217 carries the modem lines
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'P') == 1; }, 10000));
    tx_start_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'G') >= 10; }, 10000));

    // The carrier drops 12 s after CONNECT.
    ASSERT_TRUE(waitFor([&] { return carrierLost == 1; }, 20000));
    EXPECT_FALSE(app.f.MSComm1->portOpen());
    EXPECT_THAT(app.f.Label1.Caption, ::testing::AnyOf(lang(app.m, 176), lang(app.m, 240)));
    const size_t framesBefore = count(app.kinds, 'G');

    ASSERT_TRUE(waitFor([&] { return dials.size() == 3 && count(app.kinds, 'G') > framesBefore + 10; }, 60000))
        << dials.size() << " dials";
    EXPECT_THAT(dials[1], HasSubstr("BUSY"));
    EXPECT_THAT(dials[2], HasSubstr("CONNECT"));
    EXPECT_EQ(app.m.LinkUp, kTrue);
    EXPECT_EQ(app.m.RetryPending, kFalse);
    tx_stop_Click(app.m, app.f, app.s);
    dial_down_Click(app.m, app.f, app.s);
    sim.stop();

    // Every frame relayed, before the loss and after the redial, reaches the remote station.
    EXPECT_GE(relayed.size(), 20u);
    auto received = [&] {
        std::vector<std::string> frames;
        for (const std::string& line : remote.journal())
            if (has(line, "\"event\":\"received\"")) frames.push_back(line.substr(line.find("\"hex\":\"") + 7, 50));
        return frames;
    };
    EXPECT_TRUE(waitFor([&] { return received().size() >= relayed.size(); }, 10000));
    sub_down_Click(app.m, app.f, app.s);
    remote.stop();
    EXPECT_EQ(received(), relayed);
}

// Real-time frames are for the terminal alone: the remote station on the sub port gets none.
TEST(ModemEndToEnd, RealTimeFramesAreNeverRelayed) {
    LiveApp app;
    SimProcess logger({"--course", shortCourse(app.dir), "--stream", "realtime"});
    SimProcess remote({"remote", "--ring-after", "1", "--send", "STRT@1"}, app.dir.file("remote-journal"));
    app.useDevice(logger.device());
    static_cast<RealCommPort&>(*app.f.MSComm2).setDevice(remote.device());
    app.m.SubATCmd = "AT&FS0=1";
    app.m.SubPortSet = 1;
    sub_up_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return app.f.RemoteOn == 1; }, 10000));
    ASSERT_NO_FATAL_FAILURE(connect(app));
    tx_start_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'Z') >= 20; }, 10000));
    tx_stop_Click(app.m, app.f, app.s);
    dial_down_Click(app.m, app.f, app.s);
    sub_down_Click(app.m, app.f, app.s);
    remote.stop();
    for (const std::string& line : remote.journal())
        EXPECT_EQ(line.find("\"event\":\"received\""), std::string::npos) << line;
}

}  // namespace
}  // namespace vt::test
