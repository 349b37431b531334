// The RFC 2217 server's state machine: the opening offers and the answers to every negotiation
// (none to an answer, so no loop), 0xFF escaping both ways, CR NUL before binary, the com port
// commands answered with the value in effect, modem-state notifications as the carrier comes and
// goes (and the mask), and subnegotiations that never end or are cut short.
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/Modem.h"
#include "sim/Rfc2217.h"
#include "sim/SimTestSupport.h"

namespace vt::sim::test {
namespace {

using namespace telnet;

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s += static_cast<char>(c);
    return s;
}
std::string verb(int v, int option) { return bytes({kIAC, v, option}); }
// A com port subnegotiation, the value escaped.
std::string sub(int cmd, const std::string& value = "") {
    std::string s = bytes({kIAC, kSB, kComPort, cmd});
    for (char c : value) {
        s += c;
        if (static_cast<unsigned char>(c) == kIAC) s += c;
    }
    return s + bytes({kIAC, kSE});
}
std::string modemState(int v) { return sub(comport::kNotifyModemState + comport::kServer, bytes({v})); }

// A server that has made its offers and heard the client agree to everything (the com port
// option included), with its output and journal drained.
Rfc2217Server agreed() {
    Rfc2217Server s;
    s.start(0);
    s.fromClient(verb(kDO, kBinary) + verb(kWILL, kBinary) + verb(kDO, kSuppressGoAhead) +
                     verb(kWILL, kSuppressGoAhead) + verb(kWILL, kComPort),
                 0);
    s.takeOutput();
    s.takeJournal();
    return s;
}

// ---- negotiation ------------------------------------------------------------------------------

TEST(Rfc2217Negotiation, OffersBinaryAndSgaBothWaysAndAsksForTheComPort) {
    Rfc2217Server s;
    s.start(0);
    EXPECT_EQ(s.takeOutput(), verb(kWILL, kBinary) + verb(kDO, kBinary) + verb(kWILL, kSuppressGoAhead) +
                                  verb(kDO, kSuppressGoAhead) + verb(kDO, kComPort));
    EXPECT_EQ(journalOf(s).size(), 5u);
    EXPECT_FALSE(s.comPortUp());
}

struct NegotiationCase {
    const char* name;
    bool started;       // the server made its offers first
    std::string input;  // from the client
    std::string reply;  // the server's whole answer
    bool comPortUp;
    friend void PrintTo(const NegotiationCase& c, std::ostream* os) { *os << c.name; }
};
class Rfc2217Negotiation : public ::testing::TestWithParam<NegotiationCase> {};

TEST_P(Rfc2217Negotiation, AnswersOnlyWhatChangesState) {
    const NegotiationCase& c = GetParam();
    Rfc2217Server s;
    if (c.started) s.start(0);
    s.takeOutput();
    EXPECT_EQ(s.fromClient(c.input, 0), "");
    EXPECT_EQ(s.takeOutput(), c.reply);
    EXPECT_EQ(s.comPortUp(), c.comPortUp);
}

const int kEcho = 1, kTerminalType = 24;
// CD on (no modem), DSR and CTS.
const int kIdleLines = comport::kCD | comport::kDSR | comport::kCTS;
INSTANTIATE_TEST_SUITE_P(
    Verbs, Rfc2217Negotiation,
    ::testing::Values(
        NegotiationCase{"ComPortAgreedTellsTheLines", true, verb(kWILL, kComPort), modemState(kIdleLines), true},
        NegotiationCase{"ComPortOfferedByTheClient", false, verb(kWILL, kComPort),
                        verb(kDO, kComPort) + modemState(kIdleLines), true},
        NegotiationCase{"ComPortRefused", true, verb(kWONT, kComPort), "", false},
        NegotiationCase{"AnswersToOurOffersAreNotAnswered", true,
                        verb(kDO, kBinary) + verb(kWILL, kBinary) + verb(kDO, kSuppressGoAhead), "", false},
        NegotiationCase{"RepeatsAreNotAnswered", false,
                        verb(kWILL, kBinary) + verb(kWILL, kBinary) + verb(kDO, kBinary) + verb(kDO, kBinary),
                        verb(kDO, kBinary) + verb(kWILL, kBinary), false},
        NegotiationCase{"OthersRefused", true, verb(kWILL, kEcho) + verb(kDO, kEcho) + verb(kDO, kTerminalType),
                        verb(kDONT, kEcho) + verb(kWONT, kEcho) + verb(kWONT, kTerminalType), false},
        NegotiationCase{"SwitchedOffOnceAnswered", true,
                        verb(kWILL, kBinary) + verb(kWONT, kBinary) + verb(kWONT, kBinary), verb(kDONT, kBinary),
                        false},
        NegotiationCase{"OtherCommandsPassedOver", true, bytes({kIAC, 241, kIAC, 243, kIAC, 246, kIAC, kSE}), "",
                        false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rfc2217Negotiation, JournalsWhatCameWhatWentBackAndTheSettings) {
    Rfc2217Server s;
    s.fromClient(verb(kWILL, kEcho) + verb(kWILL, kComPort), 5);
    s.fromClient(
        sub(comport::kSetBaudRate, bytes({0, 0, 0x4B, 0})) + sub(comport::kFlowSuspend) + sub(comport::kFlowResume), 9);
    EXPECT_FALSE(s.suspended());
    const std::vector<Fields> j = journalOf(s);
    ASSERT_EQ(j.size(), 6u);
    EXPECT_EQ(j[0].at("event"), "telnet");
    EXPECT_EQ(j[0].at("got"), "WILL");
    EXPECT_EQ(num(j[0], "option"), kEcho);
    EXPECT_EQ(j[0].at("sent"), "DONT");
    EXPECT_EQ(num(j[1], "option"), kComPort);
    EXPECT_EQ(j[1].at("sent"), "DO");
    EXPECT_EQ(j[2].at("event"), "notify");
    EXPECT_EQ(num(j[2], "modemstate"), kIdleLines);
    EXPECT_EQ(num(j[2], "t"), 5);
    EXPECT_EQ(j[3].at("command"), "set-baudrate");
    EXPECT_EQ(num(j[3], "value"), 19200);
    EXPECT_EQ(num(j[3], "reply"), 19200);
    EXPECT_EQ(j[4].at("command"), "flowcontrol-suspend");
    EXPECT_EQ(j[5].at("command"), "flowcontrol-resume");
}

// ---- data ---------------------------------------------------------------------------------------

struct DataCase {
    const char* name;
    bool binary;  // the client agreed to send binary
    std::vector<std::string> chunks;
    std::string data;
    friend void PrintTo(const DataCase& c, std::ostream* os) { *os << c.name; }
};
class Rfc2217Data : public ::testing::TestWithParam<DataCase> {};

TEST_P(Rfc2217Data, ComesOutUnescaped) {
    Rfc2217Server s = agreed();
    if (!GetParam().binary) s.fromClient(verb(kWONT, kBinary), 0);
    std::string got;
    for (const std::string& c : GetParam().chunks) got += s.fromClient(c, 0);
    EXPECT_EQ(got, GetParam().data);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, Rfc2217Data,
    ::testing::Values(
        DataCase{"DoubledIacSplit", true, {bytes({'a', kIAC}), bytes({kIAC, 'b'})}, bytes({'a', kIAC, 'b'})},
        DataCase{"NegotiationInsideData", true, {"ab" + verb(kDO, kBinary) + "cd"}, "abcd"},
        DataCase{"SubnegotiationSplitEverywhere",
                 true,
                 {"x", bytes({kIAC}), bytes({kSB, kComPort}), bytes({comport::kSetParity, 1, kIAC}), bytes({kSE}), "y"},
                 "xy"},
        DataCase{"CrNulBeforeBinary", false, {bytes({'A', 'T', '\r', 0, 'x', 0})}, bytes({'A', 'T', '\r', 'x', 0})},
        DataCase{"CrNulSplitBeforeBinary", false, {"AT\r", bytes({0})}, "AT\r"},
        DataCase{"CrNulKeptInBinary", true, {bytes({'\r', 0})}, bytes({'\r', 0})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rfc2217Data, GoesToTheClientEscapedAfterWhatWasSaid) {
    Rfc2217Server s = agreed();
    s.fromClient(sub(comport::kNotifyModemState), 0);
    s.toClient(bytes({0x02, 'G', kIAC, 0x17}));
    EXPECT_EQ(s.takeOutput(), modemState(kIdleLines) + bytes({0x02, 'G', kIAC, kIAC, 0x17}));
}

// ---- com port commands --------------------------------------------------------------------------

// The server's settings and the requests it passes on to the line.
using State = std::map<std::string, long>;
State stateOf(Rfc2217Server& s) {
    const SerialSettings& x = s.settings();
    const Rfc2217Server::Requests r = s.takeRequests();
    return {
        {"baud", x.baud},     {"data", x.dataSize},         {"parity", x.parity},          {"stop", x.stopSize},
        {"flow", x.flow},     {"inflow", x.inboundFlow},    {"break", x.breakOn},          {"dtr", x.dtr},
        {"rts", x.rts},       {"lmask", x.lineStateMask},   {"mmask", x.modemStateMask},   {"suspended", s.suspended()},
        {"ask-baud", r.baud}, {"purge-rx", r.purgeReceive}, {"purge-tx", r.purgeTransmit}, {"dtr-off", r.dtrOff}};
}

struct ComPortCase {
    const char* name;
    int cmd;
    std::string value;
    std::string reply;  // the value part of the answer; "-" none
    State changes;      // from the settings at the start, nothing asked of the line
    friend void PrintTo(const ComPortCase& c, std::ostream* os) { *os << c.name; }
};
class Rfc2217ComPort : public ::testing::TestWithParam<ComPortCase> {};

TEST_P(Rfc2217ComPort, AnswersWithTheValueInEffect) {
    const ComPortCase& c = GetParam();
    Rfc2217Server s = agreed();
    State want = stateOf(s);
    for (const auto& [key, value] : c.changes) want[key] = value;
    EXPECT_EQ(s.fromClient(sub(c.cmd, c.value), 7), "");
    EXPECT_EQ(s.takeOutput(), c.reply == "-" ? "" : sub(c.cmd + comport::kServer, c.reply));
    EXPECT_EQ(stateOf(s), want);
    const std::vector<Fields> j = journalOf(s);
    ASSERT_EQ(j.size(), 1u);
    EXPECT_EQ(j[0].at("event"), "comport");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Rfc2217ComPort,
    ::testing::Values(
        ComPortCase{"BaudAsked", comport::kSetBaudRate, bytes({0, 0, 0, 0}), bytes({0, 0, 0x25, 0x80}), {}},
        ComPortCase{"BaudWithIacBytes",
                    comport::kSetBaudRate,
                    bytes({0, 1, 0xFF, 0xFF}),
                    bytes({0, 1, 0xFF, 0xFF}),
                    {{"baud", 131071}, {"ask-baud", 131071}}},
        ComPortCase{"BaudOutOfRangeKept", comport::kSetBaudRate, bytes({0, 0, 0, 10}), bytes({0, 0, 0x25, 0x80}), {}},
        ComPortCase{"BaudCutShort", comport::kSetBaudRate, bytes({0, 0x4B}), "-", {}},
        ComPortCase{"DataSizeOutOfRangeKept", comport::kSetDataSize, bytes({9}), bytes({8}), {}},
        ComPortCase{"Parity", comport::kSetParity, bytes({3}), bytes({3}), {{"parity", 3}}},
        ComPortCase{"FlowHardware", comport::kSetControl, bytes({3}), bytes({3}), {{"flow", 3}}},
        ComPortCase{"BreakAskedAndSet", comport::kSetControl, bytes({5}), bytes({5}), {{"break", 1}}},
        ComPortCase{"DtrAsked", comport::kSetControl, bytes({7}), bytes({8}), {}},
        ComPortCase{"DtrOff", comport::kSetControl, bytes({9}), bytes({9}), {{"dtr", 0}, {"dtr-off", 1}}},
        ComPortCase{"LineStateAsked", comport::kNotifyLineState, "", bytes({Rfc2217Server::kLineState}), {}},
        ComPortCase{"ModemStateMask", comport::kSetModemStateMask, bytes({0x88}), bytes({0x88}), {{"mmask", 0x88}}},
        ComPortCase{"PurgeBoth", comport::kPurgeData, bytes({3}), bytes({3}), {{"purge-rx", 1}, {"purge-tx", 1}}},
        ComPortCase{"SignatureAsked", comport::kSignature, "", "veltra-logger-sim", {}},
        ComPortCase{"SignatureGiven", comport::kSignature, "client 1.0", "-", {}},
        ComPortCase{"Suspend", comport::kFlowSuspend, "", "-", {{"suspended", 1}}},
        ComPortCase{"UnknownCommand", 42, bytes({1}), "-", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- modem-state notifications ----------------------------------------------------------------

struct LinesCase {
    const char* name;
    int mask;  // -1: the default
    std::vector<ModemLines> steps;
    std::vector<int> sent;  // the values notified, in order
    friend void PrintTo(const LinesCase& c, std::ostream* os) { *os << c.name; }
};
class Rfc2217ModemState : public ::testing::TestWithParam<LinesCase> {};

TEST_P(Rfc2217ModemState, NotifiesChangesThroughTheMask) {
    Rfc2217Server s = agreed();
    if (GetParam().mask >= 0) s.fromClient(sub(comport::kSetModemStateMask, bytes({GetParam().mask})), 0);
    s.takeOutput();
    std::string want;
    for (int v : GetParam().sent) want += modemState(v);
    for (const ModemLines& l : GetParam().steps) s.setModemLines(l.cd, l.ri, 0);
    EXPECT_EQ(s.takeOutput(), want);
}

const int kBase = comport::kDSR | comport::kCTS;
INSTANTIATE_TEST_SUITE_P(Carriers, Rfc2217ModemState,
                         ::testing::Values(LinesCase{"CarrierGoes", -1, {{false, false}}, {kBase | comport::kDeltaCD}},
                                           LinesCase{"RingThenAnswer",
                                                     -1,
                                                     {{false, false}, {false, true}, {true, false}},
                                                     {kBase | comport::kDeltaCD, kBase | comport::kRI,
                                                      kBase | comport::kCD | comport::kDeltaCD | comport::kTrailingRI}},
                                           LinesCase{"NoChangeNoWord", -1, {{true, false}, {true, false}}, {}},
                                           LinesCase{"MaskOnlyCarrier",
                                                     comport::kCD | comport::kDeltaCD,
                                                     {{false, false}, {false, true}, {false, false}, {true, false}},
                                                     {comport::kDeltaCD, comport::kCD | comport::kDeltaCD}}),

                         [](const auto& info) { return std::string(info.param.name); });

TEST(Rfc2217ModemState, NothingBeforeTheOptionThenTheLinesAsTheyAre) {
    Rfc2217Server s;
    s.start(0);
    s.takeOutput();
    s.setModemLines(false, false, 0);
    s.setModemLines(false, true, 0);
    EXPECT_EQ(s.takeOutput(), "");
    s.fromClient(verb(kWILL, kComPort), 0);
    EXPECT_EQ(s.takeOutput(), modemState(kBase | comport::kRI));
}

// ---- hostile input ----------------------------------------------------------------------------

TEST(Rfc2217Hostile, SubnegotiationWithoutEndIsDroppedAndReadingGoesOn) {
    Rfc2217Server s = agreed();
    const std::string data = s.fromClient(
        bytes({kIAC, kSB, kComPort, comport::kSetBaudRate}) + std::string(70, 'z') + sub(comport::kNotifyModemState),
        0);
    EXPECT_EQ(data, std::string(70 - 63, 'z')) << "what follows the 64 bytes is data again";
    EXPECT_EQ(s.takeOutput(), modemState(kIdleLines));
    const std::vector<Fields> j = journalOf(s);
    ASSERT_FALSE(j.empty());
    EXPECT_EQ(j[0].at("event"), "telnet");
    EXPECT_EQ(num(j[0], "dropped"), 65);
}

TEST(Rfc2217Hostile, SubnegotiationCutByACommand) {
    Rfc2217Server s = agreed();
    EXPECT_EQ(s.fromClient(bytes({kIAC, kSB, kComPort, comport::kSetParity, 2}) + verb(kDO, kEcho) + "ok", 0), "ok");
    EXPECT_EQ(s.takeOutput(), verb(kWONT, kEcho));
    EXPECT_EQ(s.settings().parity, 1);
}

}  // namespace
}  // namespace vt::sim::test
