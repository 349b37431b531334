// The sub port over in-memory ports: the answering modem's set-up, the remote station's
// commands, and which live frames are relayed to it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link/Ports.h"
#include "link/SubPort.h"
#include "support/LinkTestApp.h"

namespace vt::test {
namespace {

const std::array<uint8_t, 16> kRecord = {20, 0, 90, 40, 100, 120, 0, 85, 0, 70, 0x01, 0x0A, 0, 100, 0, 10};
const std::array<uint8_t, 16> kHeader = {0x06, 0x01, 0x27, 0x10, 0, 0, 0x05, 0xBE, 0, 50, 30, 1, 0, 200, 0, 200};

struct SubPort : ::testing::Test {
    LinkTestApp app;
    void SetUp() override {
        app.connectDirect();
        app.f.RxOn = kTrue;
        app.m.SubPortSet = 1;
        app.m.SubATCmd = "";
        app.port2().modemLines = false;  // a direct cable, as a pseudo-terminal is
        sub_up_Click(app.m, app.f, app.s);
        ASSERT_TRUE(app.f.MSComm2->portOpen());
        app.port2().written.clear();
    }
    void remote(const std::string& command) { app.port2().receive(commandFrame(command)); }
    std::string relayed() {
        std::string out;
        out.swap(app.port2().written);
        return out;
    }
};

TEST_F(SubPort, AfterStrtEveryLiveFrameButZIsRelayedUnchangedUntilStop) {
    const std::string g = recordFrame('G', kRecord, 7, 1234);
    app.port1().receive(g);
    EXPECT_EQ(relayed(), "");  // no remote station yet
    remote("STRT");
    EXPECT_THAT(app.f.Label1.Caption, ::testing::StartsWith(lang(app.m, 220)));
    for (const std::string& fr :
         {g, frameOf('L', {{20, 3}}), frameOf('S', {{16, 2}}), frameOf('T', {{2, 1}}), recordFrame('N', kRecord, 8)}) {
        app.port1().receive(fr);
        EXPECT_EQ(relayed(), fr) << fr[1];
    }
    app.port1().receive(recordFrame('Z', kRecord, 9));
    EXPECT_EQ(relayed(), "");  // real-time frames never
    remote("STOP");
    app.port1().receive(g);
    EXPECT_EQ(relayed(), "");
}

TEST_F(SubPort, RelayNeedsTheCarrierAndNoReplay) {
    remote("STRT");
    const std::string g = recordFrame('G', kRecord);
    app.m.ReplayOn = kTrue;
    app.port1().receive(g);
    EXPECT_EQ(relayed(), "");
    app.m.ReplayOn = 0;
    // A device with modem lines relays only while it holds a carrier; one without counts as holding it.
    app.port2().modemLines = true;
    app.port2().setCD(true);  // the carrier changes: the remote station must ask again
    EXPECT_EQ(app.f.RemoteOn, 0);
    remote("STRT");
    app.port1().receive(g);
    EXPECT_EQ(relayed(), g);
    app.port2().setCD(false);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 224));
    remote("STRT");
    app.port1().receive(g);
    EXPECT_EQ(relayed(), "");
    app.port2().modemLines = false;
    app.port1().receive(g);
    EXPECT_EQ(relayed(), g);
}

TEST_F(SubPort, ParaSendsTheLastParameterFrameAndModemTextOnlySaysOk) {
    remote("PARA");
    EXPECT_EQ(relayed(), "");  // none yet
    app.port1().receive(parameterFrame(kHeader, 200));
    remote("PARA");
    EXPECT_EQ(relayed(), parameterFrame(kHeader, 200));
    // "OK" from the answering modem; a frame is never taken for modem text.
    app.m.SubOK = kFalse;
    app.port2().receive("\r\nRING\r\n");
    EXPECT_EQ(app.m.SubOK, kFalse);
    app.port2().receive("\r\nOK\r\n");
    EXPECT_EQ(app.m.SubOK, kTrue);
    app.m.SubOK = kFalse;
    app.port2().receive(std::string("\x02OK\r\n", 5));
    EXPECT_EQ(app.m.SubOK, kFalse);
}

TEST(SubPortModem, TheInitialisationWaitsForOkAndSaysWhenNoneCame) {
    for (const bool answers : {true, false}) {
        LinkTestApp app;
        app.m.SubPortSet = 1;
        app.m.SubATCmd = "AT&FS0=1";
        int64_t writtenAt = -1;
        app.port2().onWritten = [&](std::string_view bytes) {
            writtenAt = app.clock.msecs();
            EXPECT_EQ(std::string(bytes), "AT&FS0=1\r");
            if (answers) app.port2().receive("AT&FS0=1\r\r\nOK\r\n");
        };
        const int64_t t0 = app.clock.msecs();
        const int beeps = app.ui.beeps;
        sub_up_Click(app.m, app.f, app.s);
        EXPECT_GE(writtenAt - t0, 2000);  // after the two seconds' pause
        EXPECT_EQ(app.f.Label1.Caption, lang(app.m, answers ? 158 : 159));
        EXPECT_EQ(app.ui.beeps - beeps, answers ? 0 : 1);
        EXPECT_TRUE(app.f.MSComm2->portOpen());
        if (!answers) {
            EXPECT_GE(app.clock.msecs() - t0, 20000);
        }
        sub_down_Click(app.m, app.f, app.s);
        EXPECT_FALSE(app.f.MSComm2->portOpen());
        EXPECT_TRUE(app.f.sub_up.Enabled);
    }
}

TEST(SubPortModem, ARemoteCommandDoesNotHoldUpTheMainPort) {
    LinkTestApp app;
    app.connectDirect();
    app.f.RxOn = kTrue;
    app.m.SubPortSet = 1;
    sub_up_Click(app.m, app.f, app.s);
    // Half a command now; the rest 300 ms later. Meanwhile the logger's frames keep coming.
    int frames = 0;
    app.f.watch.afterFrame = [&] { ++frames; };
    bool rest = false;
    const int64_t t0 = app.clock.msecs();
    app.pump.hooks.push_back([&] {
        const int64_t t = app.clock.msecs() - t0;
        if (t % 100 == 0) app.port1().receive(recordFrame('G', kRecord));
        if (!rest && t >= 300) {
            rest = true;
            app.port2().receive("RT" + std::string(1, char(0x17)));
        }
    });
    app.port2().receive(std::string("\x02ST", 3));
    EXPECT_EQ(app.f.RemoteOn, 1);
    EXPECT_GE(frames, 2);
}

}  // namespace
}  // namespace vt::test
