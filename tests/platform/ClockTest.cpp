// The shared wait and the services that stand in for the platform.
#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/UiServices.h"

namespace vt {
namespace {

TEST(Pause, WaitsOnTheClockLettingEventsRun) {
    VirtualClock clock;
    VirtualPump pump(clock);
    int ran = 0;
    pump.hooks.push_back([&ran] { ++ran; });
    int64_t before = clock.msecs();
    Pause(clock, pump, 1.0f);
    EXPECT_GE(clock.msecs() - before, 1000);
    EXPECT_LT(clock.msecs() - before, 1100);
    EXPECT_GT(ran, 0);
}

TEST(Pause, ABeginJustBeforeMidnightStillLastsTheRequestedTime) {
    VirtualClock clock;
    VirtualPump pump(clock);
    clock.setTimeOfDay(86399.5);
    int64_t before = clock.msecs();
    Pause(clock, pump, 1.0f);
    EXPECT_GE(clock.msecs() - before, 1000);
    EXPECT_LT(clock.msecs() - before, 1100);  // not a whole day
}

TEST(Pause, ZeroSecondsReturnsAtOnce) {
    VirtualClock clock;
    VirtualPump pump(clock);
    Pause(clock, pump, 0.0f);
    EXPECT_EQ(pump.passes, 0);
}

TEST(DialogServices, DefaultAnswersAreTheFirstButton) {
    EXPECT_EQ(defaultAnswer(MsgButtons::AbortRetryIgnore), MsgResult::Abort);
    EXPECT_EQ(defaultAnswer(MsgButtons::YesNo), MsgResult::Yes);
    EXPECT_EQ(defaultAnswer(MsgButtons::OKCancel), MsgResult::OK);
    NonInteractiveUi ui;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ui.msgBox("Not sent", MsgButtons::AbortRetryIgnore, MsgIcon::Question, "Link"), MsgResult::Abort);
    EXPECT_EQ(ui.inputBox("Segment?", "List", "1"), "");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("[Link] Not sent -> Abort"), std::string::npos);
    EXPECT_NE(err.find("Segment?"), std::string::npos);
}

TEST(DialogServices, ScriptedAnswersInOrderThenDefaults) {
    ScriptedUi ui;
    ui.msgAnswers = {MsgResult::Retry};
    ui.inputAnswers = {"3.6"};
    EXPECT_EQ(ui.msgBox("a", MsgButtons::AbortRetryIgnore, MsgIcon::Question, "t"), MsgResult::Retry);
    EXPECT_EQ(ui.msgBox("b", MsgButtons::YesNo, MsgIcon::Question, "t"), MsgResult::Yes);
    EXPECT_EQ(ui.inputBox("p", "t", "1"), "3.6");
    EXPECT_EQ(ui.inputBox("p", "t", "1"), "");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "b");
}

TEST(MemoryPort, ReceiveEventsFireAtTheThresholdAndOutputDrains) {
    MemoryCommPort port;
    std::string error;
    ASSERT_TRUE(port.setPortOpen(true, &error));
    EXPECT_FALSE(port.setPortOpen(true, &error));
    int events = 0;
    port.OnComm = [&] {
        ++events;
        EXPECT_EQ(port.commEvent(), comEvReceive);
        port.setInputLen(25);
        port.input();
    };
    port.setRThreshold(25);
    port.receive(std::string(24, 'x'));
    EXPECT_EQ(events, 0);
    port.receive(std::string(27, 'y'));  // two frames complete, one byte waits
    EXPECT_EQ(events, 2);
    EXPECT_EQ(port.inBufferCount(), 1);
    port.autoDrain = false;
    port.output("abc");
    EXPECT_EQ(port.outBufferCount(), 3);
    port.drain();
    EXPECT_EQ(port.written, "abc");
    EXPECT_EQ(port.outBufferCount(), 0);
}

TEST(GaugeModel, AValueOutsideTheRangeIsRefusedAndTheNeedleStays) {
    GaugeModel g;
    g.Min = 0;
    g.Max = 200;
    EXPECT_TRUE(g.setValue(150));
    EXPECT_FALSE(g.setValue(255));
    EXPECT_FALSE(g.setValue(-1));
    EXPECT_EQ(g.Value, 150);
}

}  // namespace
}  // namespace vt
