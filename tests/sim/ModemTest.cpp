// The Hayes modem in front of the simulated logger, through the logger's API on a fake clock:
// the AT dialogue with and without echo, the dial results across attempts and their delay, the
// logger hearing only what comes in a call, the "+++" escape with its guard times, and carrier
// drops by time and by frame count with what the next call does.
#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/FrameScanner.h"
#include "sim/LoggerSim.h"
#include "sim/SimTestSupport.h"

namespace vt::sim::test {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// The terminal's end of a modem line to the logger, on a clock the test moves.
struct ModemLine {
    explicit ModemLine(ModemOptions m, int baud = 9600) : sim(withModem(std::move(m), baud), smallMemory()) {}
    static SimOptions withModem(ModemOptions m, int baud) {
        SimOptions o = quietOptions();
        o.baud = baud;
        o.modem = std::move(m);
        return o;
    }

    void write(const std::string& bytes) { sim.receive(bytes, t); }
    // What arrives in the next `ms`, and the clock moved on by that.
    std::string wait(int64_t ms) {
        const std::string s = joined(runUntil(sim, t, t + ms));
        t += ms;
        return s;
    }
    std::string say(const std::string& bytes, int64_t ms = 100) {
        write(bytes);
        return wait(ms);
    }
    // Dials and waits for the result (the default delay and a little more).
    std::string dial(const std::string& number = "5551234") { return say("ATDT" + number + "\r\n", 2100); }
    std::vector<Fields> journal() { return journalOf(sim); }
    // A second of quiet, "+++", and what comes back in the 1.1 s after.
    std::string escape() {
        wait(1000);
        return say("+++", 1100);
    }

    LoggerSim sim;
    int64_t t = 0;
};

std::vector<FrameScanner::Piece> piecesOf(const std::string& bytes) {
    FrameScanner s;
    return s.feed(bytes);
}
int framesIn(const std::string& bytes) {
    int n = 0;
    for (const FrameScanner::Piece& p : piecesOf(bytes)) n += p.frame ? 1 : 0;
    return n;
}

// ---- the command state ----------------------------------------------------------------------

struct DialogueCase {
    const char* name;
    std::vector<std::string> lines;  // each written, then 100 ms of waiting
    std::string replies;             // everything the line carried back
    friend void PrintTo(const DialogueCase& c, std::ostream* os) { *os << c.name; }
};
class ModemDialogue : public ::testing::TestWithParam<DialogueCase> {};

TEST_P(ModemDialogue, AnswersEachLine) {
    ModemLine line({});
    std::string got;
    for (const std::string& l : GetParam().lines) got += line.say(l, 500);
    EXPECT_EQ(got, GetParam().replies);
    EXPECT_FALSE(line.sim.carrier());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ModemDialogue,
    ::testing::Values(DialogueCase{"LfAfterCrLeavesNoTrace", {"AT\r\n", "AT\r"}, "AT\r\r\nOK\r\nAT\r\r\nOK\r\n"},
                      DialogueCase{"E0StopsTheEchoAndResetTurnsItOn",
                                   {"ATE0\r", "ATZ\r", "AT\r"},
                                   "ATE0\r\r\nOK\r\n\r\nOK\r\nAT\r\r\nOK\r\n"},
                      DialogueCase{"CommonInitCommandsInLowerCase",
                                   {"at&fs0=1e0v1q0x4l2m1&c1&d2&k0&w\r"},
                                   "at&fs0=1e0v1q0x4l2m1&c1&d2&k0&w\r\r\nOK\r\n"},
                      DialogueCase{"ErrorAfterGoodCommands", {"ATE0Y\r", "AT\r"}, "ATE0Y\r\r\nERROR\r\n\r\nOK\r\n"},
                      DialogueCase{"RegisterSetAndRead",
                                   {"ATS0=1\r", "ATS0?S12?\r"},
                                   "ATS0=1\r\r\nOK\r\nATS0?S12?\r\r\n001\r\n\r\n050\r\n\r\nOK\r\n"},
                      DialogueCase{"RegisterValueTooBig", {"ATS0=300\r"}, "ATS0=300\r\r\nERROR\r\n"},
                      DialogueCase{"OnlineWithoutACall", {"ATO\r"}, "ATO\r\r\nNO CARRIER\r\n"},
                      DialogueCase{"BackspaceTakesBack", {"ATJ\b\r"}, "ATJ\b\r\r\nOK\r\n"},
                      DialogueCase{"NoAtNoReply", {"hello\r", "\r"}, "hello\r\r"},
                      DialogueCase{"GarbageBeforeAt", {"xyAT\r"}, "xyAT\r\r\nOK\r\n"},
                      DialogueCase{"OverlongLine",
                                   {"AT" + std::string(300, 'E') + "\r"},
                                   "AT" + std::string(300, 'E') + "\r\r\nERROR\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModemDialogue, JournalsEachLineWithItsReply) {
    ModemLine line({});
    line.say("AT&F\r");
    line.say("ATJ\r");
    line.say("hello\r");
    const std::vector<Fields> m = eventsOf(line.journal(), "modem");
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].at("text"), "AT&F");
    EXPECT_EQ(m[0].at("reply"), "OK");
    EXPECT_EQ(m[1].at("reply"), "ERROR");
    EXPECT_EQ(m[2].at("ignored"), "true");
}

// ---- dialling -------------------------------------------------------------------------------

TEST(ModemDial, EachAttemptTakesTheNextResultAndTheLastRepeats) {
    ModemOptions m;
    m.dialResults = {DialResult::Busy, DialResult::NoAnswer, DialResult::NoDialtone, DialResult::NoCarrier,
                     DialResult::Connect};
    ModemLine line(m);
    const char* want[] = {"BUSY", "NO ANSWER", "NO DIALTONE", "NO CARRIER"};
    for (const char* w : want) {
        EXPECT_EQ(line.dial(), "ATDT5551234\r\r\n" + std::string(w) + "\r\n");
        EXPECT_FALSE(line.sim.carrier());
        EXPECT_EQ(line.sim.modem()->state(), HayesModem::State::Command);
    }
    EXPECT_EQ(line.dial(), "ATDT5551234\r\r\nCONNECT 9600\r\n");
    EXPECT_TRUE(line.sim.carrier());
    line.escape();
    EXPECT_THAT(line.say("ATH\r"), HasSubstr("OK"));
    EXPECT_THAT(line.dial(), EndsWith("CONNECT 9600\r\n")) << "after the list its last entry repeats";

    const std::vector<Fields> dials = eventsOf(line.journal(), "dial");
    ASSERT_EQ(dials.size(), 6u);
    EXPECT_EQ(dials[0].at("result"), "BUSY");
    EXPECT_EQ(dials[0].at("number"), "5551234");
    EXPECT_EQ(num(dials[3], "attempt"), 4);
    EXPECT_EQ(dials[5].at("result"), "CONNECT");
}

TEST(ModemDial, ResultComesAfterTheConnectDelay) {
    for (const auto& [delayMs, baud] : {std::pair{int64_t(2000), 9600}, {0, 2400}}) {
        SCOPED_TRACE(delayMs);
        ModemOptions m;
        m.connectDelayMs = delayMs;
        ModemLine line(m, baud);
        const std::string echo = "ATD 123\r";
        line.write(echo);
        std::string got;
        int64_t firstResultByte = -1;
        for (const Arrival& a : runUntil(line.sim, 0, delayMs + 1000)) {
            if (got.size() + a.bytes.size() > echo.size() && firstResultByte < 0) firstResultByte = a.t;
            got += a.bytes;
        }
        EXPECT_EQ(got, echo + "\r\nCONNECT " + std::to_string(baud) + "\r\n");
        // The result leaves the modem at the delay, at the line's speed: its first byte is one byte
        // time later (the echo's bytes may still be on the line when the delay is short).
        const int64_t byteMs = (10 * 1000 + baud - 1) / baud;
        EXPECT_GE(firstResultByte, delayMs + byteMs - 1);
        EXPECT_LE(firstResultByte, std::max<int64_t>(delayMs, int64_t(echo.size()) * byteMs) + byteMs + 1);
        EXPECT_EQ(eventsOf(journalOf(line.sim), "dial").at(0).at("number"), "123");
    }
}

TEST(ModemDial, NothingIsHeardWhileDiallingAndNoSecondDialInACall) {
    ModemLine line({});
    line.write("ATDT1\r");
    EXPECT_EQ(line.say("ATH\r", 1000), "ATDT1\r") << "a dial in progress hears nothing";
    EXPECT_THAT(line.wait(1100), HasSubstr("CONNECT"));
    EXPECT_EQ(line.escape(), "\r\nOK\r\n");
    EXPECT_EQ(line.say("ATDT2\r"), "ATDT2\r\r\nERROR\r\n");
}

// ---- data only in a call ----------------------------------------------------------------------

TEST(ModemData, TheLoggerHearsOnlyWhatComesInACall) {
    ModemLine line({});
    EXPECT_EQ(line.say(command("PARA"), 500), command("PARA")) << "echoed by the modem, not answered";
    EXPECT_THAT(eventsOf(line.journal(), "command"), IsEmpty());
    line.dial();
    line.journal();
    const std::string reply = line.say(command("PARA"), 200);
    EXPECT_EQ(framesIn(reply), 1);
    EXPECT_EQ(reply.size(), std::size_t(frame::kBytes)) << "no echo in a call";
    EXPECT_EQ(eventsOf(line.journal(), "command").size(), 1u);
}

// ---- the escape -------------------------------------------------------------------------------

struct EscapeCase {
    const char* name;
    // (delay before, bytes) written after CONNECT and a quiet second and a half; then 1.5 s.
    std::vector<std::pair<int64_t, std::string>> steps;
    bool escapes;
    friend void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.name; }
};
class ModemEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(ModemEscape, NeedsASecondOfSilenceEachSide) {
    ModemLine line({});
    line.dial();
    line.say(command("STRT"), 1500);  // the stream runs: the logger's bytes do not break the guard
    std::string got;
    for (const auto& [delay, bytes] : GetParam().steps) {
        got += line.wait(delay);
        line.write(bytes);
    }
    got += line.wait(1500);
    const bool escaped = line.sim.modem()->state() == HayesModem::State::Command;
    EXPECT_EQ(escaped, GetParam().escapes);
    EXPECT_TRUE(line.sim.carrier()) << "the call stays up either way";
    EXPECT_EQ(eventsOf(line.journal(), "escape").size(), GetParam().escapes ? 1u : 0u);
    if (escaped) {
        EXPECT_THAT(got, HasSubstr("\r\nOK\r\n"));
        EXPECT_EQ(line.wait(500), "") << "the logger's frames do not reach the terminal in command state";
    }
}

INSTANTIATE_TEST_SUITE_P(Guards, ModemEscape,
                         ::testing::Values(EscapeCase{"ExactlyOneSecond", {{0, "x"}, {1000, "+++"}}, true},
                                           EscapeCase{"PlusesApart", {{0, "+"}, {300, "+"}, {300, "+"}}, true},
                                           EscapeCase{"TooSoonAfterData", {{0, "x"}, {999, "+++"}}, false},
                                           EscapeCase{"DataWithinTheGuardAfter", {{0, "+++"}, {900, "x"}}, false},
                                           EscapeCase{"AFourthPlus", {{0, "++++"}}, false},
                                           EscapeCase{"PlusesTooFarApart", {{0, "+"}, {1200, "+"}, {100, "+"}}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ModemEscape, OnlineAgainWithAtoAndHangUpWithAth) {
    ModemLine line({});
    line.dial();
    EXPECT_EQ(line.escape(), "\r\nOK\r\n");
    EXPECT_EQ(line.say("ATO\r"), "ATO\r\r\nCONNECT 9600\r\n");
    EXPECT_EQ(line.sim.modem()->state(), HayesModem::State::Data);
    EXPECT_EQ(framesIn(line.say(command("PARA"))), 1) << "back in data state";

    EXPECT_EQ(line.escape(), "\r\nOK\r\n");
    EXPECT_EQ(line.say("ATH\r"), "ATH\r\r\nOK\r\n") << "ATH ends the call without NO CARRIER";
    EXPECT_FALSE(line.sim.carrier());
    const std::vector<Fields> j = line.journal();
    ASSERT_EQ(eventsOf(j, "hang-up").size(), 1u);
    EXPECT_EQ(eventsOf(j, "hang-up")[0].at("call"), "true");
    EXPECT_EQ(eventsOf(j, "escape").size(), 2u);
    const std::vector<Fields> c = eventsOf(j, "carrier");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].at("reason"), "connect");
    EXPECT_EQ(c[1].at("on"), "false");
    EXPECT_EQ(c[1].at("reason"), "hang-up");
    EXPECT_EQ(line.say("ATO\r"), "ATO\r\r\nNO CARRIER\r\n");
}

// ---- carrier drops ----------------------------------------------------------------------------

struct DropCase {
    const char* name;
    std::vector<int64_t> afterMs;
    std::vector<long> atFrame;
    std::vector<bool> drops;  // per call
    const char* reason;
    friend void PrintTo(const DropCase& c, std::ostream* os) { *os << c.name; }
};
class ModemDrop : public ::testing::TestWithParam<DropCase> {};

// Each call: dial, STRT at once, then six seconds of stream. A call that drops ends in NO
// CARRIER after whole frames only, and the logger stops; the terminal then hangs up and dials
// again as it does after a lost carrier.
TEST_P(ModemDrop, FollowsThePlanCallByCall) {
    const DropCase& c = GetParam();
    ModemOptions m;
    m.dropAfterMs = c.afterMs;
    m.dropAtFrame = c.atFrame;
    ModemLine line(m);
    line.say("AT&F\r");
    for (std::size_t call = 0; call < c.drops.size(); ++call) {
        SCOPED_TRACE("call " + std::to_string(call + 1));
        ASSERT_THAT(line.dial(), EndsWith("CONNECT 9600\r\n"));
        const int64_t connected = line.t - 100;  // the dial waited the 2000 ms delay and 100 ms more
        line.journal();
        line.write(command("STRT"));
        const std::vector<Arrival> a = runUntil(line.sim, line.t, line.t + 6000);
        line.t += 6000;
        const std::string got = joined(a);
        const std::vector<Fields> j = line.journal();
        const std::vector<Fields> carrier = eventsOf(j, "carrier");
        if (!c.drops[call]) {
            EXPECT_THAT(got, Not(HasSubstr("NO CARRIER")));
            EXPECT_TRUE(line.sim.carrier());
            EXPECT_GT(framesIn(got), 50);
            EXPECT_THAT(carrier, IsEmpty());
            line.say("+++", 0);
            line.wait(1100);
            line.say("ATH\r");
            line.journal();
            continue;
        }
        ASSERT_THAT(got, EndsWith("\r\nNO CARRIER\r\n"));
        const std::string beforeDrop = got.substr(0, got.size() - 14);
        const std::vector<FrameScanner::Piece> pieces = piecesOf(beforeDrop);
        for (const FrameScanner::Piece& p : pieces) EXPECT_TRUE(p.frame) << "only whole frames before NO CARRIER";
        EXPECT_FALSE(line.sim.carrier());
        EXPECT_EQ(line.sim.state(), LoggerSim::State::Idle) << "the stream stopped with the carrier";
        ASSERT_EQ(carrier.size(), 1u);
        EXPECT_EQ(carrier[0].at("reason"), c.reason);
        EXPECT_EQ(num(carrier[0], "call"), int(call + 1));
        if (std::string(c.reason) == "frames") {
            EXPECT_EQ(long(pieces.size()), c.atFrame[call]);
        } else {
            EXPECT_EQ(num(carrier[0], "t"), connected + c.afterMs[call]);
            // STRT 100 ms after CONNECT, a frame every 100 ms from 100 ms after it; the one due
            // at the moment of the drop is not sent.
            EXPECT_EQ(long(pieces.size()), (c.afterMs[call] - 200) / 100);
        }
        // The terminal hangs up and dials again: the modem is back in command state.
        EXPECT_EQ(line.say("AT&F\r"), "AT&F\r\r\nOK\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Plans, ModemDrop,
                         ::testing::Values(DropCase{"SecondCallOnly", {-1, 2500}, {}, {false, true, false}, "time"},
                                           DropCase{"EveryCallListed", {}, {5, 20}, {true, true, false}, "frames"},
                                           DropCase{"TheEarlierWins", {4000}, {10}, {true, false}, "frames"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ModemDrop, ASlowLineLosesWhatHadNotLeft) {
    // At 1200 bit/s a frame takes 208 ms, so frames wait on the line when the carrier goes.
    ModemOptions m;
    m.dropAfterMs = {2000};
    ModemLine line(m, 1200);
    line.dial();
    const int64_t connected = line.t - 100;
    line.journal();
    line.write(command("STRT"));
    std::string got;
    int64_t noCarrierAt = -1;
    for (const Arrival& a : runUntil(line.sim, line.t, line.t + 5000)) {
        got += a.bytes;
        if (noCarrierAt < 0 && got.find("NO CARRIER\r\n") != std::string::npos) noCarrierAt = a.t;
    }
    ASSERT_THAT(got, EndsWith("\r\nNO CARRIER\r\n"));
    // NO CARRIER did not wait behind the frames: 14 bytes from the drop, 120 bytes a second.
    EXPECT_LE(noCarrierAt, connected + 2000 + 117 + 1);
    long sent = 0;
    for (const Fields& f : eventsOf(line.journal(), "frame")) sent += f.count("fault") ? 0 : 1;
    EXPECT_LT(got.size() - 14, std::size_t(sent * frame::kBytes)) << "frames queued at the drop never left";
}

TEST(ModemDrop, DtrOffEndsTheCallQuietlyAndTheLinesFollow) {
    ModemLine line({});
    EXPECT_EQ(line.sim.lines(), (ModemLines{false, false}));
    line.dial();
    line.say(command("STRT"), 500);
    line.sim.dtrOff(line.t);
    EXPECT_EQ(line.wait(500), "") << "nothing after the terminal went away";
    EXPECT_FALSE(line.sim.carrier());
    EXPECT_EQ(line.sim.state(), LoggerSim::State::Idle);
    const std::vector<Fields> c = eventsOf(line.journal(), "carrier");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].at("reason"), "dtr");
    EXPECT_THAT(line.sim.takeLineChanges(), ElementsAre(ModemLines{true, false}, ModemLines{false, false}));
    EXPECT_THAT(line.sim.takeLineChanges(), IsEmpty());
    EXPECT_EQ(line.say("AT\r"), "AT\r\r\nOK\r\n");
}

TEST(ModemDrop, WithoutAModemTheCarrierIsAlwaysThere) {
    LoggerSim sim(quietOptions(), smallMemory());
    EXPECT_TRUE(sim.carrier());
    EXPECT_EQ(sim.lines(), (ModemLines{true, false}));
    sim.dtrOff(0);
    EXPECT_THAT(sim.takeLineChanges(), IsEmpty());
    sim.receive(command("PARA"), 0);
    EXPECT_EQ(framesIn(joined(runUntil(sim, 0, 100))), 1);
}

}  // namespace
}  // namespace vt::sim::test
