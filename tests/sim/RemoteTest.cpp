// The remote station on the sub port, through its API on a fake clock: the answering modem's OK
// to the init line, the call coming in at its time, the planned commands at theirs, the hang-up,
// and every frame the terminal relays written down byte for byte, with text and noise apart.
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "layout/LogLayout.h"
#include "sim/Remote.h"
#include "sim/SimTestSupport.h"

namespace vt::sim::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// When the last byte of `text` had arrived; -1 never.
int64_t arrivedAt(const std::vector<Arrival>& a, const std::string& text) {
    std::string got;
    for (const Arrival& x : a) {
        got += x.bytes;
        if (got.find(text) != std::string::npos) return x.t;
    }
    return -1;
}

// A relayed live frame as the logger made it.
std::string liveFrame(char kind, int counter, std::uint8_t fill) {
    frame::Frame f{};
    for (int k = frame::kPayload; k < frame::kChecksum; ++k) f[std::size_t(k)] = fill;
    layout::putWord(&f[frame::kCounter], counter);
    frame::seal(f, kind);
    return std::string(reinterpret_cast<const char*>(f.data()), f.size());
}

std::string hexOf(const std::string& s) {
    std::string h;
    char buf[3];
    for (char c : s) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(c));
        h += buf;
    }
    return h;
}

// ---- the call -----------------------------------------------------------------------------------

TEST(RemoteRing, InitIsOkAndTheCallComesAtItsTime) {
    for (const auto& [ringAfterMs, baud] : {std::pair{int64_t(0), 9600}, {5000, 2400}}) {
        SCOPED_TRACE(ringAfterMs);
        RemoteOptions o;
        o.ringAfterMs = ringAfterMs;
        o.baud = baud;
        RemoteStation r(o);
        r.receive("AT&FS0=1\r", 100);
        const std::vector<Arrival> a = runUntil(r, 100, 100 + ringAfterMs + 1000);
        const std::string connect = "\r\nCONNECT " + std::to_string(baud) + "\r\n";
        EXPECT_EQ(joined(a), "AT&FS0=1\r\r\nOK\r\n\r\nRING\r\n" + connect);
        // The terminal takes "OK" within its 20 s, long before the ring.
        if (ringAfterMs > 0) {
            EXPECT_LT(arrivedAt(a, "OK\r\n"), 100 + ringAfterMs);
        }
        EXPECT_GE(arrivedAt(a, "RING\r\n"), 100 + ringAfterMs);
        EXPECT_TRUE(r.modem().carrier());
        EXPECT_THAT(r.takeLineChanges(), ElementsAre(ModemLines{false, true}, ModemLines{true, false}));

        const std::vector<Fields> j = journalOf(r);
        ASSERT_EQ(eventsOf(j, "ring").size(), 1u);
        EXPECT_EQ(num(eventsOf(j, "ring")[0], "t"), 100 + ringAfterMs);
        EXPECT_EQ(eventsOf(j, "carrier").at(0).at("reason"), "answer");
    }
}

TEST(RemoteRing, NoInitNoCallAndNoFrames) {
    RemoteStation r({});
    r.receive("hello\r", 0);
    r.receive(liveFrame('G', 1, 0), 10);
    EXPECT_EQ(joined(runUntil(r, 0, 10000)), "hello\r" + liveFrame('G', 1, 0)) << "echoed, not answered";
    EXPECT_FALSE(r.modem().carrier());
    EXPECT_EQ(r.nextDueMs(10000), -1);
    EXPECT_THAT(eventsOf(journalOf(r), "received"), IsEmpty());
}

TEST(RemoteRing, AnotherInitPutsTheCallOff) {
    RemoteStation r({});
    r.receive("AT\r", 0);
    r.receive("ATE0\r", 800);
    const std::vector<Arrival> a = runUntil(r, 0, 3000);
    EXPECT_GE(arrivedAt(a, "RING"), 1800);
}

// ---- commands and the hang-up -------------------------------------------------------------------

TEST(RemoteCall, SendsEachCommandAtItsTimeAndHangsUp) {
    RemoteOptions o;
    o.sends = {{"STRT", 2000}, {"STOP", 20000}, {"PARA", 3000}};
    o.hangupAfterMs = 10000;
    RemoteStation r(o);
    r.receive("AT&FS0=1\r", 0);
    const int64_t connected = 1000;
    const std::vector<Arrival> a = runUntil(r, 0, 40000);
    const std::string strt = command("STRT"), para = command("PARA");
    EXPECT_EQ(joined(a), "AT&FS0=1\r\r\nOK\r\n\r\nRING\r\n\r\nCONNECT 9600\r\n" + strt + para + "\r\nNO CARRIER\r\n");
    // Six bytes at 960 a second: the last leaves 7 ms after it was sent.
    EXPECT_EQ(arrivedAt(a, strt), connected + 2000 + 7);
    EXPECT_EQ(arrivedAt(a, strt + para), connected + 3000 + 7);
    EXPECT_GE(arrivedAt(a, "NO CARRIER\r\n"), connected + 10000);
    EXPECT_FALSE(r.modem().carrier());

    const std::vector<Fields> j = journalOf(r);
    const std::vector<Fields> sent = eventsOf(j, "sent");
    ASSERT_EQ(sent.size(), 2u) << "STOP was planned after the hang-up";
    EXPECT_EQ(sent[0].at("text"), "STRT");
    EXPECT_EQ(num(sent[0], "t"), connected + 2000);
    EXPECT_EQ(sent[1].at("text"), "PARA");
    const std::vector<Fields> c = eventsOf(j, "carrier");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].at("reason"), "remote");
    EXPECT_EQ(num(c[1], "t"), connected + 10000);
    EXPECT_THAT(r.takeLineChanges(),
                ElementsAre(ModemLines{false, true}, ModemLines{true, false}, ModemLines{false, false}));
}

TEST(RemoteCall, AfterAHangUpTheNextInitBringsANewCallWithTheWholePlan) {
    RemoteOptions o;
    o.sends = {{"STRT", 500}};
    o.hangupAfterMs = 2000;
    RemoteStation r(o);
    r.receive("AT\r", 0);
    runUntil(r, 0, 5000);
    r.receive("AT\r", 5000);
    runUntil(r, 5000, 10000);
    const std::vector<Fields> j = journalOf(r);
    EXPECT_EQ(eventsOf(j, "ring").size(), 2u);
    const std::vector<Fields> sent = eventsOf(j, "sent");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(num(sent[1], "t"), 6000 + 500);
}

TEST(RemoteCall, TerminalGoneEndsTheCall) {
    RemoteOptions o;
    o.sends = {{"STRT", 500}};
    RemoteStation r(o);
    r.receive("AT\r", 0);
    runUntil(r, 0, 1100);
    r.dtrOff(1100);
    EXPECT_EQ(joined(runUntil(r, 1100, 3000)), "") << "nothing is sent once the terminal is gone";
    EXPECT_FALSE(r.modem().carrier());
}

// ---- what the terminal relays ---------------------------------------------------------------------

TEST(RemoteReceive, JournalsEveryFrameByteForByteAndTheRestAsText) {
    RemoteStation r({});
    r.receive("AT\r", 0);
    runUntil(r, 0, 1100);
    journalOf(r);
    const std::string g = liveFrame('G', 300, 0x11), s = liveFrame('S', 0, 0x22), n = liveFrame('N', 7, 0xFF);
    std::string p = liveFrame('P', 0, 0x33);
    p[frame::kChecksum] ^= 1;  // a frame with a bad sum is still a frame
    const std::string noise = "\x02garbage";
    const std::string all = "OK\r\n" + g + noise + s + p + "zz" + n;
    // In pieces of 7 bytes, as a line hands them over.
    for (std::size_t k = 0; k < all.size(); k += 7) r.receive(all.substr(k, 7), 1200 + int64_t(k));

    std::vector<std::string> got;
    for (const Fields& f : journalOf(r)) {
        if (f.at("event") == "received")
            got.push_back(f.at("kind") + (f.count("counter") ? " " + f.at("counter") : "") + " " + f.at("checksum") +
                          " " + f.at("hex"));
        else if (f.at("event") == "text")
            got.push_back("text " + f.at("text"));
    }
    EXPECT_THAT(got, ElementsAre("text OK\r\n", "G 300 true " + hexOf(g), "text " + noise, "S true " + hexOf(s),
                                 "P false " + hexOf(p), "text zz", "N 7 true " + hexOf(n)));
}

}  // namespace
}  // namespace vt::sim::test
