// The link over an in-memory port and the virtual clock: commands and their timing, frame
// reception with resynchronisation, the frame handler's screen state, the watchdog, a direct
// connection, a lost device.
#include <random>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dialup/DialUp.h"
#include "display/Graphs.h"
#include "display/Panel.h"
#include "link/Commands.h"
#include "link/Ports.h"
#include "link/Receive.h"
#include "support/Allocations.h"
#include "support/LinkTestApp.h"

namespace vt::test {
namespace {

using ::testing::ElementsAre;

// A record of some speed and rpm, 10 distance pulses.
std::array<uint8_t, 16> sample(int g = 20) {
    return {uint8_t(g), 0, 90, 40, 100, 120, 0, 85, 0, 70, 0x01, 0x0A, 0, 100, 0, 10};
}
const std::array<uint8_t, 16> kHeader = {0x06, 0x01, 0x27, 0x10, 0, 0x00, 0x05, 0xBE, 0, 50, 30, 1, 0, 200, 0, 200};

struct Link : ::testing::Test {
    LinkTestApp app;
    std::vector<char> handled;  // kinds handed to frame_proc
    void SetUp() override {
        app.f.watch.beforeFrame = [this] { handled.push_back(app.m.RxKind[0]); };
    }
    MemoryCommPort& port() { return app.port1(); }
    void streaming() {
        app.connectDirect();
        app.f.RxOn = kTrue;
        app.f.Timer1.setEnabled(true);
    }
};

TEST_F(Link, CommandsWriteFirstOrWaitFirstAsTheirKindAsks) {
    app.connectDirect();
    int64_t writtenAt = -1;
    port().onWritten = [&](std::string_view) { writtenAt = app.clock.msecs(); };
    const int64_t t0 = app.clock.msecs();
    const int16_t r = send_command(app.m, app.f, app.s, "RATS");
    EXPECT_FALSE(txFailed(r));
    EXPECT_EQ(writtenAt, t0);
    EXPECT_GE(app.clock.msecs() - t0, 1000);
    for (const auto& [command, first] : {std::pair{"STOP", true}, {"PARA", false}}) {
        const int64_t t = app.clock.msecs();
        send_command(app.m, app.f, app.s, command);
        EXPECT_EQ(writtenAt == t, first) << command;
        EXPECT_GE(writtenAt - t, first ? 0 : 1000) << command;
    }
    EXPECT_EQ(port().written.substr(0, 6), commandFrame("RATS"));
    EXPECT_EQ(app.m.LogFileName, "PARA");  // the text stays in the hand-over slot
    EXPECT_FALSE(app.f.Form2.window.Visible);
    EXPECT_EQ(app.f.Form2.Label1.Caption, lang(app.m, 252) + "PARA");
}

TEST_F(Link, ACommandThatCannotLeaveOrIsNotDueFails) {
    EXPECT_EQ(send_command(app.m, app.f, app.s, "STRT"), kTxPortClosed);
    app.connectDirect();
    app.m.MmPerPulse = 0;  // start needs the distance per pulse first
    tx_start_Click(app.m, app.f, app.s);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 251));
    EXPECT_TRUE(port().written.empty());
    port().autoDrain = false;  // the line never takes the bytes
    EXPECT_EQ(send_command(app.m, app.f, app.s, "STRT"), kTxNotDrained);
    tx_clr_Click(app.m, app.f, app.s);  // the menu entries say so
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, text::kSendFailed));
    EXPECT_GT(app.ui.beeps, 0);
}

TEST_F(Link, CourseTransferTextAndItsNumberQuestion) {
    app.connectDirect();
    app.f.seg_str[1] = "A1";
    app.f.seg_str[2] = "B2";
    app.ui.inputAnswers = {"12", "1-2", "3"};
    Corse_trans_Click(app.m, app.f, app.s);
    EXPECT_EQ(app.ui.messages.size(), 2u);  // 12 and 1-2 refused
    EXPECT_EQ(app.ui.messages[0].text, lang(app.m, 139));
    EXPECT_EQ(port().written, commandFrame("CRS3-A1-B2-"));
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 141));
    // An empty answer sends nothing; a live session refuses; no course refuses.
    port().written.clear();
    app.ui.inputAnswers = {""};
    Corse_trans_Click(app.m, app.f, app.s);
    for (const auto& [live, text] : {std::pair{1, 136}, {0, 137}}) {
        app.m.LiveMode = static_cast<int16_t>(live);
        if (!live) app.f.seg_str[1].clear();
        Corse_trans_Click(app.m, app.f, app.s);
        EXPECT_EQ(app.ui.messages.back().text, lang(app.m, text));
    }
    EXPECT_TRUE(port().written.empty());
    for (int e = 1; e <= 15; ++e) app.f.seg_str[static_cast<size_t>(e)] = "S" + std::to_string(e);
    EXPECT_EQ(course_text("9", app.f), "CRS9-S1-S2-S3-S4-S5-S6-S7-S8-S9-S10-S11-S12-S13-S14-S15-");  // all 15
}

TEST_F(Link, AQuickLoggerIsHeardAsFramesNotModemText) {
    app.connectDirect();
    // The logger answers while tx_data still waits.
    port().onWritten = [this](std::string_view bytes) {
        if (bytes == commandFrame("PARA")) port().receive(parameterFrame(kHeader, 200));
        if (bytes == commandFrame("STRT"))
            port().receive(frameOf('L', {{20, 4}}) + recordFrame('G', sample(), 1, 6000));
    };
    para_tx_Click(app.m, app.f, app.s);
    EXPECT_THAT(handled, ElementsAre('P'));
    EXPECT_EQ(app.m.MmPerPulse, 200);
    EXPECT_EQ(app.f.RxOn, kFalse);  // the parameters came; no more frames expected
    EXPECT_TRUE(app.f.ParaDisp.window.Visible);
    tx_start_Click(app.m, app.f, app.s);
    EXPECT_THAT(handled, ElementsAre('P', 'L', 'G'));
    EXPECT_EQ(app.f.lap_no.Caption, " 4");
    EXPECT_EQ(app.f.lap_time.Caption, "1:00.00");  // the lap time of L + G is kept
    EXPECT_TRUE(app.f.Timer1.Enabled);
    EXPECT_FALSE(app.f.MFile.Enabled);  // menus locked while streaming
    EXPECT_FALSE(app.f.tx_start.Enabled);
}

TEST_F(Link, LapSegmentAndRecordFramesDriveTheLabels) {
    streaming();
    app.m.MmPerPulse = 200;
    port().receive(frameOf('L', {{20, 7}}));
    EXPECT_EQ(app.m.LiveMode, 1);
    EXPECT_TRUE(app.f.Option1[0].Checked);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 201));
    port().receive(recordFrame('G', sample(), 12, 0x1770));
    EXPECT_EQ(app.f.lap_time.Caption, "1:00.00");
    EXPECT_EQ(app.f.data_cont.Caption, " 12");
    port().receive(recordFrame('G', sample(), 13, 0x0100));
    EXPECT_EQ(app.f.lap_time.Caption, "1:00.00");
    EXPECT_EQ(app.m.Chan[0], 80);
    // Segment 3 after 12.34 s; a checksum that does not match is no matter in a live stream.
    std::string seg = frameOf('S', {{7, 1234 >> 8}, {8, 1234 & 255}, {16, 3}});
    seg[23] ^= 0x55;
    port().receive(seg);
    EXPECT_EQ(app.f.seg_d.Caption, "Seg  3");
    EXPECT_EQ(app.f.SEG_TIME.Caption, "0:12.34");
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 202) + " 3" + lang(app.m, 203));
    EXPECT_THAT(handled, ElementsAre('L', 'G', 'G', 'S'));
}

TEST(LinkPath, ALiveRecordFrameAllocatesNothing) {
    LinkTestApp app(false);  // pictures drawn into images, as in the terminal
    app.connectDirect();
    app.f.RxOn = kTrue;
    app.m.MmPerPulse = 200;
    app.m.CourseLen = 2000;
    app.f.XScale = graphScale(2000);
    meter_set(app.m, app.f);
    grf_refresh(app.m, app.f);
    int handled = 0;
    app.f.watch.afterFrame = [&handled] { ++handled; };
    std::vector<std::string> frames;
    for (int i = 0; i < 200; ++i) {
        std::array<uint8_t, 16> rec = sample(i % 60);
        rec[13] = static_cast<uint8_t>(60 + i % 90);  // speeds and distances that move the trace
        frames.push_back(recordFrame('G', rec, i));
    }
    size_t before = 0;
    for (int round = 0; round < 6; ++round) {
        if (round == 1) before = allocationCount();  // the labels have reached their widths
        for (const std::string& fr : frames) app.port1().receive(fr);
    }
    EXPECT_EQ(allocationCount() - before, 0u);
    EXPECT_EQ(handled, 1200);
}

TEST_F(Link, PitAndStopEvents) {
    streaming();
    const int beeps = app.ui.beeps;
    const struct {
        int event, duration;
        int text;
        const char *pit, *stop;
    } cases[] = {
        {1, 0, 210, "", ""},
        {2, 0, 200, "", ""},
        {3, 35, 211, "", "0:03.5"},
        {4, 612, 212, "1:01.2", "0:03.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.event);
        port().receive(frameOf('T', {{2, c.event}, {3, c.duration >> 8}, {4, c.duration & 255}}));
        EXPECT_EQ(app.f.Label1.Caption, lang(app.m, c.text));
        EXPECT_EQ(app.f.PIT_IN_TIME.Caption, c.pit);
        EXPECT_EQ(app.f.STOP_TIME.Caption, c.stop);
    }
    EXPECT_EQ(app.f.PitOn, kFalse);
    const std::string shown = app.f.Label1.Caption;
    port().receive(frameOf('T', {{2, 5}}));  // an event it does not know: only the beep
    EXPECT_EQ(app.f.Label1.Caption, shown);
    EXPECT_EQ(app.ui.beeps - beeps, 5);
}

TEST_F(Link, StreamKindSwitchesTheModeOptionsOnce) {
    streaming();
    port().receive(recordFrame('G', sample()));
    port().receive(recordFrame('N', sample()));
    EXPECT_TRUE(app.f.Option1[2].Checked);
    EXPECT_FALSE(app.f.Option1[0].Enabled);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 213));
    app.f.Label1.setCaption("mine");
    port().receive(recordFrame('N', sample()));
    EXPECT_EQ(app.f.Label1.Caption, "mine");  // not said again
    port().receive(recordFrame('Z', sample()));
    EXPECT_TRUE(app.f.Option1[1].Checked);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 214));
    EXPECT_EQ(app.m.LiveMode, 2);
}

TEST_F(Link, ABadEndByteStartsResynchronisationAndFramesResumeAfterAnEtb) {
    streaming();
    std::string bad = recordFrame('G', sample());
    bad[24] = 0x41;
    port().receive(bad);
    EXPECT_EQ(app.f.ResyncOn, 1);
    EXPECT_EQ(app.f.MSComm1->inputLen(), 1);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 175));
    port().receive(std::string("xyz") + char(frame::kETB) + recordFrame('G', sample(30)) + recordFrame('N', sample()));
    EXPECT_EQ(app.f.ResyncOn, 0);
    EXPECT_EQ(app.f.MSComm1->inputLen(), 25);
    EXPECT_THAT(handled, ElementsAre('G', 'N'));
    EXPECT_EQ(app.m.Chan[0], 80);
}

TEST_F(Link, AnEtbInsideAFrameDoesNotEndTheResynchronisation) {
    streaming();
    // 0x17 in the payload: the hunt eats the frame after the damaged one, no more.
    std::array<uint8_t, 16> rec = sample(0x17);
    rec[5] = 0x17;
    std::string bad = recordFrame('G', rec, 0x17);
    bad[24] = 0;
    std::string good;
    for (int i = 0; i < 5; ++i) good += recordFrame('G', rec, 0x17);
    port().receive(bad + good);
    EXPECT_EQ(handled.size(), 4u);
    EXPECT_EQ(app.f.ResyncOn, 0);
}

TEST_F(Link, RandomBytesNeverReachTheFrameHandlerUnframed) {
    streaming();
    app.f.watch.beforeFrame = [this] {
        ASSERT_EQ(app.m.RawRec[0], frame::kSTX);
        ASSERT_EQ(app.m.RawRec[24], frame::kETB);
        handled.push_back(app.m.RawRec[1]);
    };
    std::mt19937 rng(12345);
    const std::string good = recordFrame('G', sample());
    size_t bytes = 0;
    while (bytes < 3'000'000) {
        std::string chunk = good;  // a good frame, a frame with a byte changed, or noise
        const uint32_t kind = rng() % 4;
        if (kind == 1) chunk[rng() % 25] = static_cast<char>(rng());
        if (kind == 0) {
            chunk.resize(rng() % 40);
            for (char& c : chunk) c = static_cast<char>(rng());
        }
        bytes += chunk.size();
        port().receive(chunk);
    }
    EXPECT_GT(handled.size(), 10000u);  // and the stream still gets through
    EXPECT_EQ(app.f.RxOn, kTrue);       // no damaged frame passed for the parameters
}

TEST_F(Link, CarrierLossTextSplitOverTwoEventsHangsUp) {
    app.connectDirect();
    app.f.MSComm1->setInputMode(InputModeKind::Text);
    app.f.MSComm1->setInputLen(0);
    app.f.MSComm1->setRThreshold(1);
    app.f.RxOn = kFalse;
    app.m.RetrySec = 10;
    port().receive("\r\nNO CAR");
    EXPECT_TRUE(app.f.MSComm1->portOpen());
    port().receive("RIER\r\n");
    EXPECT_FALSE(app.f.MSComm1->portOpen());
    EXPECT_EQ(app.m.RetryPending, kTrue);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 176));
    EXPECT_EQ(app.m.ModemText, "");
}

TEST_F(Link, TheWatchdogBitesAtThe51stTickAndBeepsEveryTickAfter) {
    streaming();
    int bites = 0;
    app.f.watch.watchdog = [&] { ++bites; };
    app.run(5000);  // 50 ticks
    EXPECT_EQ(bites, 0);
    app.run(100);
    EXPECT_EQ(bites, 1);
    EXPECT_EQ(app.f.tuusin_state.BackColor, rgb(255, 255, 128));
    app.run(300);
    EXPECT_EQ(bites, 4);
    // A good frame: the lamp goes grey at the next tick.
    port().receive(recordFrame('G', sample()));
    app.run(100);
    EXPECT_EQ(app.f.tuusin_state.BackColor, rgb(192, 192, 192));
    EXPECT_EQ(bites, 4);
    // Without frames expected each tick only marks the replay tick.
    rx_end(app.m, app.f);
    EXPECT_FALSE(app.f.Timer1.Enabled);
    EXPECT_TRUE(app.f.tx_start.Enabled);
    EXPECT_EQ(app.f.RxOn, kFalse);
}

TEST_F(Link, SerialErrorsAreSaidAndSomeAskWhetherToKeepThePort) {
    app.connectDirect();
    port().event(comEventFrame);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 185));
    app.m.DownMode = 2;
    port().event(comEventFrame);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 184));
    EXPECT_FALSE(app.f.MSComm1->rtsEnable());
    app.m.DownMode = 1;
    port().written.clear();
    port().event(comEventOverrun);
    EXPECT_EQ(port().written, frame::kAckBad);  // the logger repeats the frame
    app.m.DownMode = 0;
    app.ui.msgAnswers = {MsgResult::OK, MsgResult::Cancel};
    port().event(comEventRxOver);
    EXPECT_TRUE(app.f.MSComm1->portOpen());
    port().event(4711);
    EXPECT_EQ(app.ui.messages.back().text, lang(app.m, 194));
    EXPECT_FALSE(app.f.MSComm1->portOpen());  // Cancel closed it
}

TEST_F(Link, ADeviceThatGoesIsSaidOnceAndTheWindowStaysUsable) {
    streaming();
    const size_t before = app.ui.messages.size();
    port().vanish("Input/output error");
    EXPECT_EQ(app.ui.messages.size(), before + 1);
    EXPECT_THAT(app.ui.messages.back().text, ::testing::HasSubstr("Input/output error"));
    EXPECT_FALSE(app.f.MSComm1->portOpen());
    EXPECT_FALSE(app.f.Timer1.Enabled);
    EXPECT_TRUE(app.f.dial_up.Enabled && app.f.MFile.Enabled && !app.f.dial_down.Enabled);
    EXPECT_EQ(app.m.LinkUp, kFalse);
    dial_up_Click(app.m, app.f, app.s);  // connecting again works
    EXPECT_TRUE(app.f.MSComm1->portOpen());
    EXPECT_EQ(app.m.LinkUp, kTrue);
}

TEST_F(Link, DirectLineConnectStopsThenAsksForTheParameters) {
    const std::pair<std::string, std::string> lines[] = {{"", ""}, {"AT", "AT\r"}};
    for (const auto& [command, written] : lines) {
        LinkTestApp fresh;
        fresh.m.MainPortSet = 1;  // the command below, not the file's
        fresh.m.MainATCmd = command;
        fresh.m.MmPerPulse = 0;
        dial_up_Click(fresh.m, fresh.f, fresh.s);
        SCOPED_TRACE(command);
        EXPECT_EQ(fresh.m.LinkUp, kTrue);
        EXPECT_EQ(fresh.port1().written, written + commandFrame("STOP") + commandFrame("PARA"));
        EXPECT_EQ(fresh.f.MSComm1->rThreshold(), 25);
        EXPECT_EQ(fresh.f.RxOn, kTrue);  // waiting for the parameter frame
        // Hanging up: no redial, the file read again at the next open.
        fresh.m.RetrySec = 10;
        dial_down_Click(fresh.m, fresh.f, fresh.s);
        EXPECT_FALSE(fresh.f.MSComm1->portOpen());
        EXPECT_EQ(fresh.m.RetrySec, 0);
        EXPECT_EQ(fresh.m.MainPortSet, 0);
    }
    // With the distance per pulse known, the stream starts at once.
    LinkTestApp known;
    known.m.MainPortSet = 1;
    known.m.MmPerPulse = 200;
    dial_up_Click(known.m, known.f, known.s);
    EXPECT_EQ(known.port1().written, commandFrame("STOP") + commandFrame("STRT"));
    // Refused during a replay.
    known.m.ReplayOn = kTrue;
    const int beeps = known.ui.beeps;
    dial_down_Click(known.m, known.f, known.s);
    EXPECT_EQ(known.ui.beeps, beeps + 1);
    EXPECT_TRUE(known.f.MSComm1->portOpen());
}

}  // namespace
}  // namespace vt::test
