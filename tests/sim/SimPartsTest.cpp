// The simulated logger's parts: command frames out of a byte stream, the lap range of a download
// command, logger frames and text out of a byte stream, a log file as its memory, and the
// program's command line. Which command a text is shows in the logger's journal (LoggerSimTest).
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/Commands.h"
#include "sim/FrameScanner.h"
#include "sim/Memory.h"
#include "sim/SimArgs.h"
#include "sim/SimTestSupport.h"

namespace vt::sim::test {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

// ---- command frames ---------------------------------------------------------------------------

struct ReaderCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<std::string> texts;
    friend void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }
};
class SimCommandReader : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(SimCommandReader, TakesWholeFramesOnly) {
    CommandReader r;
    std::vector<std::string> got;
    for (const std::string& c : GetParam().chunks) r.feed(c, [&got](const std::string& t) { got.push_back(t); });
    EXPECT_EQ(got, GetParam().texts);
}

const std::string kLong(600, 'A');
INSTANTIATE_TEST_SUITE_P(
    Streams, SimCommandReader,
    ::testing::Values(ReaderCase{"ByteByByte", {"\x02", "P", "A", "R", "A", "\x17"}, {"PARA"}},
                      ReaderCase{"TwoInOneRead", {"\x02STOP\x17\x02RATS\x17"}, {"STOP", "RATS"}},
                      ReaderCase{"GarbageBetween",
                                 {"xx\x17\x02"
                                  "CLR\x17yy\x17\x02MAIN\x17zz"},
                                 {"CLR", "MAIN"}},
                      ReaderCase{"StartInsideAFrameBeginsAgain", {"\x02ST", "\x02PARA\x17"}, {"PARA"}},
                      ReaderCase{"EmptyFrame", {"\x02\x17"}, {""}},
                      ReaderCase{"OverlongDropped", {"\x02" + kLong + "\x17\x02STRT\x17"}, {"STRT"}},
                      ReaderCase{"Unfinished", {"\x02STR"}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RangeParseCase {
    const char* text;
    const char* keyword;
    int from, to;
};
class SimDownloadParse : public ::testing::TestWithParam<RangeParseCase> {};

TEST_P(SimDownloadParse, ReadsTheLapRangeWithOrWithoutBlanks) {
    const Command c = parseCommand(GetParam().text);
    EXPECT_EQ(c.kind, CommandKind::Download);
    EXPECT_EQ(c.downloadMode, GetParam().keyword);
    EXPECT_EQ(c.fromLap, GetParam().from);
    EXPECT_EQ(c.toLap, GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SimDownloadParse,
    ::testing::Values(RangeParseCase{"LOGN1-5", "LOGN", 1, 5}, RangeParseCase{"FASTA  2 -  4 ", "FASTA", 2, 4},
                      RangeParseCase{"FASTC 12-", "FASTC", 12, 0}, RangeParseCase{"LOGP", "LOGP", 0, 0},
                      // A negative number has no blank before it; the dash between the two follows a digit.
                      RangeParseCase{"LOGP-3- 5", "LOGP", -3, 5}, RangeParseCase{"LOGP 3--2", "LOGP", 3, -2},
                      RangeParseCase{"LOGP 99999999999- 1", "LOGP", 100000, 1}),
    [](const auto& info) { return std::to_string(info.index); });

// ---- logger frames out of a byte stream ------------------------------------------------------

// A frame of `kind` whose payload bytes are all `fill`.
std::string frameBytes(char kind, char fill = 'x') {
    std::string f(std::size_t(frame::kBytes), fill);
    f[0] = char(frame::kSTX);
    f[frame::kKind] = kind;
    f[frame::kEnd] = char(frame::kETB);
    return f;
}

struct ScanCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<std::string> pieces;  // frames as themselves, text as "text:" and the bytes
    friend void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }
};
class SimFrameScanner : public ::testing::TestWithParam<ScanCase> {};

TEST_P(SimFrameScanner, CutsFramesAndText) {
    FrameScanner s;
    std::vector<std::string> got;
    for (const std::string& c : GetParam().chunks)
        for (const FrameScanner::Piece& p : s.feed(c)) got.push_back(p.frame ? p.bytes : "text:" + p.bytes);
    EXPECT_EQ(got, GetParam().pieces);
}

const std::string kG = frameBytes('G'), kS = frameBytes('S', 's');
// 24 bytes after an STX, then no ETB: the frame inside starts at its second STX.
const std::string kFalseStart = "\x02" + std::string(5, 'n') + kG.substr(0, 19);
INSTANTIATE_TEST_SUITE_P(
    Streams, SimFrameScanner,
    ::testing::Values(
        ScanCase{"InPieces", {kG.substr(0, 3), kG.substr(3, 20), kG.substr(23)}, {kG}},
        ScanCase{"BackToBack", {kG + kS}, {kG, kS}},
        ScanCase{"TextAroundFrames", {"\r\nOK\r\n" + kG + "NO CARRIER"}, {"text:\r\nOK\r\n", kG, "text:NO CARRIER"}},
        ScanCase{"TextWaitsWhileAFrameIsOpen", {"ab" + kG.substr(0, 10), kG.substr(10)}, {"text:ab", kG}},
        ScanCase{"BadEndResyncsAtTheNextStx", {kFalseStart + kG.substr(19)}, {"text:\x02nnnnn", kG}},
        ScanCase{"BadEndWithoutStxIsAllText",
                 {"\x02" + std::string(24, 'z') + "q"},
                 {"text:\x02" + std::string(24, 'z') + "q"}},
        ScanCase{"LongTextInPieces",
                 {std::string(300, 't')},
                 {"text:" + std::string(256, 't'), "text:" + std::string(44, 't')}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimFrameScanner, ResetForgetsAFrameBegun) {
    FrameScanner s;
    EXPECT_TRUE(s.feed(kG.substr(0, 12)).empty());
    s.reset();
    const std::vector<FrameScanner::Piece> p = s.feed(kS);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].bytes, kS);
}

// ---- a log file as the memory -----------------------------------------------------------------

struct BadLogCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* error;
    friend void PrintTo(const BadLogCase& c, std::ostream* os) { *os << c.name; }
};
class SimBadLog : public ::testing::TestWithParam<BadLogCase> {};

TEST_P(SimBadLog, IsRefusedWithAReason) {
    const MemoryResult r = memoryFromLogBytes(GetParam().bytes);
    EXPECT_FALSE(r);
    EXPECT_THAT(r.error, HasSubstr(GetParam().error));
}

std::vector<std::uint8_t> cutAt(size_t n) {
    std::vector<std::uint8_t> b = smallMemory().fileBytes();
    b.resize(n);
    return b;
}
INSTANTIATE_TEST_SUITE_P(Files, SimBadLog,
                         ::testing::Values(BadLogCase{"ShortHeader", std::vector<std::uint8_t>(15), "16-byte header"},
                                           BadLogCase{"CutLapTable", cutAt(16 + 480 + 100), "inside its lap table"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimMemory, MissingFileLeavesTheSimulatorEmptyWithAReason) {
    SimOptions o;
    o.logFile = ::testing::TempDir() + "no_such_file.log";
    LoggerSim sim(o);
    EXPECT_THAT(sim.error(), HasSubstr("no_such_file.log"));
    EXPECT_TRUE(sim.memory().records.empty());
    sim.receive(command("STRT"), 0);
    EXPECT_EQ(sim.state(), LoggerSim::State::Idle);
    EXPECT_EQ(sim.nextDueMs(0), -1);
}

// ---- the command line -------------------------------------------------------------------------

// The options the end-to-end runs do not use (they start the program with the fault, stall,
// event, course, modem, RFC 2217 and remote station options).
TEST(SimArgs, OptionsReachTheirParts) {
    const ParsedArgs p = parseProgramArgs({"--link",      "/tmp/x",
                                           "--baud=1200", "--seed",
                                           "9",           "--car",
                                           "BIKE",        "--speed-unit",
                                           "mph",         "--mm-per-pulse",
                                           "321",         "--stream",
                                           "realtime",    "--no-loop",
                                           "--garbage",   "0.5",
                                           "--journal",   "-",
                                           "--modem",     "--drop-carrier-after",
                                           "5,-,2.5",     "--drop-carrier-at-frame",
                                           "-,30"});
    ASSERT_EQ(p.error, "");
    const ProgramOptions& o = p.options;
    EXPECT_EQ(o.link, "/tmp/x");
    EXPECT_EQ(o.journal, "-");
    EXPECT_EQ(o.sim.baud, 1200);
    EXPECT_EQ(o.sim.gen.seed, 9u);
    EXPECT_EQ(o.sim.faultSeed, 9u);
    EXPECT_EQ(o.sim.gen.carType, loggen::kBike);
    EXPECT_EQ(o.sim.gen.speedUnit, 1);
    EXPECT_EQ(o.sim.gen.mmPerPulse, 321);
    EXPECT_EQ(o.sim.stream, StreamKind::RealTime);
    EXPECT_FALSE(o.sim.loop);
    EXPECT_EQ(o.sim.faults.garbage, 0.5);
    ASSERT_TRUE(o.sim.modem.has_value());
    EXPECT_THAT(o.sim.modem->dropAfterMs, ElementsAreArray({int64_t(5000), int64_t(-1), int64_t(2500)}));
    EXPECT_THAT(o.sim.modem->dropAtFrame, ElementsAreArray({-1L, 30L}));
    EXPECT_THAT(
        parseProgramArgs({"--modem", "--dial-results", "busy,no-carrier, No_Answer ,no dialtone"})
            .options.sim.modem->dialResults,
        ElementsAreArray({DialResult::Busy, DialResult::NoCarrier, DialResult::NoAnswer, DialResult::NoDialtone}));

    const ParsedArgs tcp = parseProgramArgs({"--tcp", "4001", "--stall-after-frames", "40"});
    ASSERT_EQ(tcp.error, "");
    EXPECT_EQ(tcp.options.line, LineKind::Tcp);
    EXPECT_EQ(tcp.options.port, 4001);
    EXPECT_EQ(tcp.options.sim.faults.stallAfterFrames, 40);
    EXPECT_FALSE(tcp.options.sim.modem.has_value());
    EXPECT_EQ(parseProgramArgs({"--device", "/dev/ttyS0"}).options.device, "/dev/ttyS0");

    const ParsedArgs r =
        parseProgramArgs({"remote", "--baud", "2400", "--send", "STRT@2,PARA@3", "--hangup-after", "30"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.role, Role::Remote);
    EXPECT_EQ(r.options.remote.baud, 2400);
    EXPECT_EQ(r.options.remote.hangupAfterMs, 30000);
    ASSERT_EQ(r.options.remote.sends.size(), 2u);
    EXPECT_EQ(r.options.remote.sends[1].text, "PARA");
    EXPECT_EQ(r.options.remote.sends[1].afterMs, 3000);
    EXPECT_TRUE(parseProgramArgs({"-h"}).options.help);
}

struct UsageCase {
    std::vector<std::string> args;
    const char* error;
};
class SimArgsUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(SimArgsUsage, MistakesAreNamed) {
    const ParsedArgs p = parseProgramArgs(GetParam().args);
    EXPECT_THAT(p.error, HasSubstr(GetParam().error));
    EXPECT_EQ(p.error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, SimArgsUsage,
    ::testing::Values(UsageCase{{"--bogus"}, "unknown option '--bogus'"}, UsageCase{{"stray"}, "unexpected argument"},
                      UsageCase{{"--baud"}, "--baud needs a value"},
                      UsageCase{{"--laps", "0"}, "--laps needs a whole number 1..127"},
                      UsageCase{{"--stream", "live"}, "lap, logging or realtime"},
                      UsageCase{{"--corrupt", "1.5"}, "--corrupt needs a chance 0..1"},
                      UsageCase{{"--pty", "--device", "/dev/ttyS0"}, "cannot be combined"},
                      UsageCase{{"--device", "/dev/ttyS0", "--link", "/tmp/l"}, "--link names a pseudo-terminal"},
                      UsageCase{{"--stall", "5"}, "--stall needs --stall-after"},
                      UsageCase{{"--events=1"}, "--events takes no value"},
                      UsageCase{{"--connect-delay", "10"}, "--connect-delay needs --modem"},
                      UsageCase{{"--modem", "--dial-results", "CONNECT,RING"}, "not 'RING'"},
                      UsageCase{{"--modem", "--drop-carrier-after", "5,x"}, "one entry a call"},
                      UsageCase{{"--ring-after", "1"}, "belongs to the remote station"},
                      UsageCase{{"remote", "--laps", "2"}, "--laps is the logger's"},
                      UsageCase{{"remote", "--send", "STRT"}, "COMMAND@SECONDS"},
                      UsageCase{{"remote", "--hangup-after", "-1"}, "--hangup-after needs seconds"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(SimArgs, HelpNamesEveryOptionAndJournalEvent) {
    const std::string help = helpText();
    std::istringstream words(
        "--pty --link --device --baud --journal --log --laps --segments --course --seed --car --speed-unit "
        "--mm-per-pulse --stream --events --no-loop --corrupt --bad-end --drop --garbage --stall-after "
        "--stall-after-frames --rfc2217 --tcp --modem --connect-delay --dial-results --drop-carrier-after "
        "--drop-carrier-at-frame --ring-after --send --hangup-after remote LOGP LOGN FASTC MCLR "
        "command frame skipped reply rejected stall resume loop end overflow fault dial carrier escape hang-up "
        "ring client telnet comport notify sent received hex download ack resend speed download-end memory-clear");
    for (std::string w; words >> w;) EXPECT_THAT(help, HasSubstr(w));
    EXPECT_THAT(help, HasSubstr("--stall "));
}

}  // namespace
}  // namespace vt::sim::test
