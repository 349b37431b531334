// End to end on a modem line, on the real timers: the terminal dials the simulated logger's modem
// over RFC 2217, streams, loses the carrier, hangs up, counts down, redials (the first redial
// busy), connects and streams again; all the while a remote station on the sub port follows the
// stream byte for byte.
#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dialup/DialList.h"
#include "dialup/DialUp.h"
#include "layout/FrameLayout.h"
#include "link/Commands.h"
#include "link/SubPort.h"
#include "serial/RealCommPort.h"
#include "support/SimProcess.h"

namespace vt::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

size_t count(const std::vector<char>& kinds, char k) {
    return static_cast<size_t>(std::count(kinds.begin(), kinds.end(), k));
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
    std::vector<int> countdown;
    int carrierLost = 0;
    app.f.watch.dialResult = [&](const std::string& r) { dials.push_back(r); };
    app.f.watch.redialStep = [&](int n) { countdown.push_back(n); };
    app.f.watch.carrierLost = [&] { ++carrierLost; };
    app.f.watch.relayed = [&](char) { relayed.push_back(hex(app.f.RelayFrame.data(), app.f.RelayFrame.size())); };

    // The remote station calls the answering modem on the sub port and sends STRT.
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

    // The carrier drops 12 s after CONNECT: NO CARRIER, the line hung up, a redial due.
    ASSERT_TRUE(waitFor([&] { return carrierLost == 1; }, 20000));
    EXPECT_FALSE(app.f.MSComm1->portOpen());
    EXPECT_THAT(app.f.Label1.Caption, ::testing::AnyOf(lang(app.m, 176), lang(app.m, 240)));
    const size_t framesBefore = count(app.kinds, 'G');

    // The redial timer counts 5 .. 1 and dials: busy; then again: connected, the stream again.
    ASSERT_TRUE(waitFor([&] { return dials.size() == 3 && count(app.kinds, 'G') > framesBefore + 10; }, 60000))
        << dials.size() << " dials";
    EXPECT_THAT(dials[1], HasSubstr("BUSY"));
    EXPECT_THAT(dials[2], HasSubstr("CONNECT"));
    EXPECT_THAT(countdown, ElementsAre(5, 4, 3, 2, 1, 5, 4, 3, 2, 1));
    EXPECT_EQ(app.m.LinkUp, kTrue);
    EXPECT_EQ(app.m.RetryPending, kFalse);
    tx_stop_Click(app.m, app.f, app.s);
    dial_down_Click(app.m, app.f, app.s);
    sim.stop();
    // The modem was dialled three times with the digits of the listed number.
    std::vector<std::string> numbers;
    for (const std::string& line : sim.journal())
        if (line.find("\"event\":\"dial\"") != std::string::npos)
            numbers.push_back(line.substr(line.find("\"number\":\"") + 10, 10));
    EXPECT_THAT(numbers, ElementsAre("0355501234", "0355501234", "0355501234"));

    // Every frame relayed, before the carrier loss and after the redial, reaches the remote
    // station: its journal catches up.
    EXPECT_GE(relayed.size(), 20u);
    auto received = [&] {
        std::vector<std::string> frames;
        for (const std::string& line : remote.journal())
            if (line.find("\"event\":\"received\"") != std::string::npos)
                frames.push_back(line.substr(line.find("\"hex\":\"") + 7, 50));
        return frames;
    };
    EXPECT_TRUE(waitFor([&] { return received().size() >= relayed.size(); }, 10000));
    sub_down_Click(app.m, app.f, app.s);
    remote.stop();
    EXPECT_EQ(received(), relayed);
}

}  // namespace
}  // namespace vt::test
