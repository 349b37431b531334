// Downloads from the simulated logger on a fake clock: the file of a lap range read back the way
// the terminal's log reader takes it, the three "X" layouts and their counters, the acknowledged
// flow ("GD", "NG", silence and giving up, the "E" frame), "LOGN" back to back, the fast line
// and its switch, "MCLR", commands that cut a download short, a stall that outlasts the
// terminal's watchdog, and a modem line.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "layout/FrameLayout.h"
#include "layout/LogLayout.h"
#include "sim/Download.h"
#include "sim/LoggerSim.h"
#include "sim/Memory.h"
#include "sim/SimTestSupport.h"

namespace vt::sim::test {
namespace {

using ::testing::HasSubstr;

namespace rec = layout::rec;
namespace hdr = layout::header;
namespace seg = layout::seg;
using Bytes = std::vector<std::uint8_t>;

loggen::LoggerMemory generated(const loggen::GenOptions& o) {
    loggen::GenResult r = loggen::generateLog(o);
    EXPECT_TRUE(r) << r.error;
    return r ? *r.memory : loggen::LoggerMemory{};
}

// Laps 3..6 of the oval in miles an hour (bit 0 of header byte 0 set).
const loggen::LoggerMemory& fourLaps() {
    static const loggen::LoggerMemory m = [] {
        loggen::GenOptions o;
        o.laps = 4;
        o.firstLap = 3;
        o.segments = 2;
        o.course = "oval";
        o.speedUnit = 1;
        return generated(o);
    }();
    return m;
}

// Laps 1..4 in the smallest ring, which ends inside lap 2: lap 3 starts at a low address again.
const loggen::LoggerMemory& wrapped() {
    static const loggen::LoggerMemory m = [] {
        loggen::GenOptions o;
        o.laps = 4;
        o.segments = 2;
        o.course = "oval";
        o.memCode = 1;
        const loggen::LoggerMemory plain = generated(o);
        o.startAddress = loggen::memRecsForCode(1) - (plain.laps.at(1).firstRecord + 5);
        return generated(o);
    }();
    return m;
}

int startAddress(const std::uint8_t* page) { return layout::word(page + seg::kStartAddress); }

// ---- the file of a lap range --------------------------------------------------------------------

// A log file read back as the terminal reads it: each lap at its start address minus the first
// lap's (plus the ring when negative), counted up to the next lap marker.
struct ReadLap {
    int number, index, count;
};
struct ReadBack {
    int first = 0, last = 0, unit = 0;
    Bytes table;
    std::vector<loggen::Record> records;
    std::vector<ReadLap> laps;
    std::string error;
};

ReadBack readBack(const Bytes& file, int memRecs) {
    ReadBack r;
    if (file.size() < size_t(layout::kHeaderBytes)) {
        r.error = "no header";
        return r;
    }
    r.first = file[hdr::kLapFirst];
    r.last = std::max(file[hdr::kUnitAndLastLap] >> 1, r.first);
    r.unit = file[hdr::kUnitAndLastLap] & 1;
    const size_t tableEnd = layout::kHeaderBytes + size_t(r.last - r.first + 1) * layout::kLapPageBytes;
    if (file.size() < tableEnd || (file.size() - tableEnd) % layout::kRecordBytes != 0) {
        r.error = "no whole lap table and records";
        return r;
    }
    r.table.assign(file.begin() + layout::kHeaderBytes, file.begin() + long(tableEnd));
    for (size_t at = tableEnd; at < file.size(); at += layout::kRecordBytes) {
        loggen::Record x{};
        std::copy_n(file.begin() + long(at), layout::kRecordBytes, x.begin());
        r.records.push_back(x);
    }
    const int s0 = startAddress(r.table.data());
    for (int lap = r.first; lap <= r.last; ++lap) {
        int index = startAddress(&r.table[size_t(lap - r.first) * layout::kLapPageBytes]) - s0;
        if (index < 0) index += memRecs;
        const auto& recs = r.records;
        if (size_t(index) >= recs.size() || recs[size_t(index)][rec::kKind] != layout::kLapMarker ||
            recs[size_t(index)][rec::kLapNumber] != lap) {
            r.error = "lap " + std::to_string(lap) + " is not at its start address";
            return r;
        }
        int count = 1;
        while (size_t(index + count) < recs.size() && recs[size_t(index + count)][rec::kKind] != layout::kLapMarker)
            ++count;
        if (size_t(index + count) >= recs.size()) {
            r.error = "lap " + std::to_string(lap) + " is not closed";
            return r;
        }
        r.laps.push_back({lap, index, count});
    }
    return r;
}

struct RangeCase {
    const char* name;
    const loggen::LoggerMemory& (*memory)();
    int from, to;
    int wantFirst, wantLast;  // 0: no file
    bool wraps = false;       // a lap of the range starts below the first one's address
    friend void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }
};
class SimRangeFile : public ::testing::TestWithParam<RangeCase> {};

TEST_P(SimRangeFile, ReadsBackAsALogOfExactlyThoseLaps) {
    const RangeCase& c = GetParam();
    const loggen::LoggerMemory& m = c.memory();
    const Bytes file = rangeFile(m, c.from, c.to);
    if (c.wantFirst == 0) {
        EXPECT_TRUE(file.empty());
        EXPECT_FALSE(lapSpan(m, c.from, c.to).has_value());
        return;
    }
    const ReadBack r = readBack(file, m.memRecs);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.first, c.wantFirst);
    EXPECT_EQ(r.last, c.wantLast);
    EXPECT_EQ(r.unit, m.header[hdr::kUnitAndLastLap] & 1);
    for (int b = 1; b < layout::kHeaderBytes; ++b) {
        if (b != hdr::kLapFirst) {
            EXPECT_EQ(file[size_t(b)], m.header[size_t(b)]) << "header byte " << b;
        }
    }

    const auto page = m.lapTable.begin() + long(size_t(c.wantFirst - m.lapFirst) * layout::kLapPageBytes);
    EXPECT_TRUE(std::equal(r.table.begin(), r.table.end(), page, page + long(r.table.size())));

    ASSERT_EQ(r.laps.size(), size_t(c.wantLast - c.wantFirst + 1));
    bool wrapsSeen = false;
    for (const ReadLap& l : r.laps) {
        SCOPED_TRACE("lap " + std::to_string(l.number));
        const loggen::LapInfo& info = m.laps[size_t(l.number - m.lapFirst)];
        EXPECT_EQ(l.count, info.recordCount);
        EXPECT_TRUE(std::equal(r.records.begin() + l.index, r.records.begin() + l.index + l.count,
                               m.records.begin() + info.firstRecord));
        wrapsSeen |= info.address < m.laps[size_t(c.wantFirst - m.lapFirst)].address;
    }
    EXPECT_EQ(wrapsSeen, c.wraps);
    // The first lap's marker opens the records; the marker closing the last lap ends them.
    EXPECT_EQ(r.laps.front().index, 0);
    EXPECT_EQ(r.records.size(), size_t(r.laps.back().index + r.laps.back().count + 1));
    EXPECT_EQ(r.records.back()[rec::kKind], layout::kLapMarker);
    EXPECT_EQ(r.records.back()[rec::kLapNumber], c.wantLast + 1);
}

INSTANTIATE_TEST_SUITE_P(Ranges, SimRangeFile,
                         ::testing::Values(RangeCase{"FromBelowTheFirstLapToZero", fourLaps, 1, 0, 3, 6},
                                           RangeCase{"SwappedInTheMiddle", fourLaps, 5, 4, 4, 5},
                                           RangeCase{"PastTheLastLapIsCut", fourLaps, 5, 99, 5, 6},
                                           RangeCase{"AfterTheLastLap", fourLaps, 7, 0, 0, 0},
                                           RangeCase{"BeforeTheFirstLap", fourLaps, 1, 2, 0, 0},
                                           RangeCase{"AcrossTheEndOfTheRing", wrapped, 2, 3, 2, 3, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimRangeFile, WholeRangeIsTheMemorysLogByteForByte) {
    for (const loggen::LoggerMemory* m : {&smallMemory(), &fourLaps(), &wrapped()}) {
        const Bytes whole = m->fileBytes();
        for (const auto& [from, to] : {std::pair{0, 0}, {m->lapLast, m->lapFirst}})
            EXPECT_EQ(rangeFile(*m, from, to), whole) << from << "- " << to << " of laps " << m->lapFirst;
        // The same memory read from its log file.
        const MemoryResult loaded = memoryFromLogBytes(whole);
        ASSERT_TRUE(loaded) << loaded.error;
        EXPECT_EQ(rangeFile(*loaded.memory, 0, 0), whole);
        EXPECT_EQ(loaded.memory->memRecs, m->memRecs);
        EXPECT_EQ(loaded.memory->startAddress, m->startAddress);
    }
}

// ---- the frames -----------------------------------------------------------------------------------

TEST(SimDownloadFrames, HeaderTableAndRecordsEachInTheirLayout) {
    const loggen::LoggerMemory& m = smallMemory();
    const Bytes file = rangeFile(m, 2, 2);
    const size_t blocks = file.size() / kBlockBytes;
    const size_t tableBlocks = layout::kLapPageBytes / kBlockBytes;
    LoggerSim sim(quietOptions(), m);
    sim.receive(command("LOGN 2- 2"), 0);
    const std::vector<SeenFrame> frames = framesOf(runUntil(sim, 0, 60000));
    const std::vector<Fields> journal = eventsOf(journalOf(sim), "frame");
    ASSERT_EQ(frames.size(), blocks + 1);
    ASSERT_EQ(journal.size(), blocks + 1);

    for (size_t b = 0; b < blocks; ++b) {
        SCOPED_TRACE("block " + std::to_string(b));
        const frame::Frame& f = frames[b].f;
        EXPECT_TRUE(wellFormed(f));
        EXPECT_EQ(frames[b].kind(), 'X');
        const int layoutByte = b == 0 ? 0 : b <= tableBlocks ? 1 : 255;
        const size_t at = b == 0 ? 5 : b <= tableBlocks ? 3 : 7;
        EXPECT_EQ(f[frame::kXLayout], layoutByte);
        EXPECT_TRUE(std::equal(file.begin() + long(b * kBlockBytes), file.begin() + long((b + 1) * kBlockBytes),
                               f.begin() + long(at)));
        const bool counted = layoutByte != 1;
        if (counted) {
            EXPECT_EQ(frames[b].word(frame::kXCounter), int(b));
        }
        for (size_t i = 3; i <= 22; ++i) {
            const bool data = i >= at && i < at + kBlockBytes;
            const bool counter = counted && (i == 3 || i == 4);
            if (!data && !counter) {
                EXPECT_EQ(f[i], 0) << "byte " << i;
            }
        }
        EXPECT_EQ(num(journal[b], "layout"), layoutByte);
    }
    // The terminal throws the file away when the last "X" frame counts 0.
    EXPECT_NE(frames[blocks - 1].word(frame::kXCounter), 0);
    EXPECT_EQ(frames.back().kind(), 'E');
    EXPECT_TRUE(wellFormed(frames.back().f));
    EXPECT_TRUE(std::all_of(frames.back().f.begin() + 2, frames.back().f.begin() + 23, [](auto b) { return b == 0; }));
    EXPECT_EQ(journal.back().at("kind"), "E");
}

TEST(SimDownloadFrames, CounterIsTheBlockNumberAndSkipsZeroWhenItWraps) {
    const std::vector<std::pair<size_t, unsigned>> cases = {{0, 0}, {65535, 65535}, {65536, 1}, {131071, 1}};
    for (const auto& [block, counter] : cases) EXPECT_EQ(blockCounter(block), counter) << block;
}

// ---- the terminal's end ---------------------------------------------------------------------------

enum class Answer { Auto, Good, Bad, Silent };

// The terminal's end of a download: 25 bytes at a time, a damaged frame answered "NG", a good one
// "GD" and its data kept; silent after the "E" frame or 5.1 s without a good frame (its watchdog).
struct Terminal {
    std::function<Answer(const SeenFrame&, size_t nth)> policy;  // nth: chunks taken before this one
    int64_t deafUntilMs = -1;  // what arrives before this is lost: the port is being reopened
    int64_t lastGoodMs = 0;
    bool ended = false, gaveUp = false;
    std::string pending;
    Bytes file;
    std::vector<SeenFrame> chunks;

    void take(LoggerSim& sim, const std::string& bytes, int64_t t) {
        if (t < deafUntilMs) return;
        pending += bytes;
        while (pending.size() >= size_t(frame::kBytes)) {
            SeenFrame s{t, {}};
            std::copy_n(pending.begin(), frame::kBytes, s.f.begin());
            pending.erase(0, size_t(frame::kBytes));
            const size_t nth = chunks.size();
            chunks.push_back(s);
            if (ended || gaveUp) continue;
            if (t - lastGoodMs > 5100) {
                gaveUp = true;
                continue;
            }
            Answer a = policy ? policy(s, nth) : Answer::Auto;
            if (a == Answer::Auto) a = wellFormed(s.f) ? Answer::Good : Answer::Bad;
            if (a == Answer::Silent) continue;
            sim.receive(a == Answer::Good ? frame::kAckGood : frame::kAckBad, t);
            if (a == Answer::Good) {
                lastGoodMs = t;
                keep(s);
            }
        }
    }
    void keep(const SeenFrame& s) {
        if (s.kind() == 'E') ended = true;
        if (s.kind() != 'X') return;
        const auto at = s.f.begin() + frame::xDataAt(s.f[frame::kXLayout]);
        file.insert(file.end(), at, at + frame::kXDataBytes);
    }
};

// Runs the logger's clock from `from` to `to` with the terminal answering whatever arrives.
void drive(LoggerSim& sim, Terminal& term, int64_t from, int64_t to) {
    term.lastGoodMs = from;
    runUntil(sim, from, to, [&](const std::string& b, int64_t t) { term.take(sim, b, t); });
}

std::vector<std::string> eventNames(const std::vector<Fields>& journal) {
    std::vector<std::string> out;
    for (const Fields& f : journal) out.push_back(f.at("event"));
    return out;
}

std::vector<Fields> resends(const std::vector<Fields>& journal, const std::string& reason) {
    std::vector<Fields> out;
    for (const Fields& f : eventsOf(journal, "resend"))
        if (f.at("reason") == reason) out.push_back(f);
    return out;
}

// ---- acknowledged ---------------------------------------------------------------------------------

TEST(SimDownloadAcked, EachFrameWaitsForItsGoodAndTheFileIsTheRange) {
    const loggen::LoggerMemory& m = smallMemory();
    LoggerSim sim(quietOptions(), m);
    sim.receive(command("LOGP 1- 1"), 1000);
    EXPECT_EQ(sim.state(), LoggerSim::State::Downloading);
    Terminal term;
    drive(sim, term, 1000, 200000);
    const Bytes want = rangeFile(m, 1, 1);
    const size_t blocks = want.size() / kBlockBytes;
    EXPECT_TRUE(term.ended);
    EXPECT_EQ(term.file, want);
    ASSERT_EQ(term.chunks.size(), blocks + 1);
    // The first 100 ms after the command, each next one as soon as the "GD" is in: 27 ms on the line.
    for (size_t k = 0; k < term.chunks.size(); ++k) ASSERT_EQ(term.chunks[k].t, 1100 + 27 * int64_t(k + 1)) << k;

    const std::vector<Fields> j = journalOf(sim);
    std::vector<std::string> wantEvents{"command", "download"};
    for (size_t k = 0; k <= blocks; ++k) wantEvents.insert(wantEvents.end(), {"frame", "ack"});
    wantEvents.push_back("download-end");
    EXPECT_EQ(eventNames(j), wantEvents);
    EXPECT_EQ(num(j[1], "bytes"), int(want.size()));
    EXPECT_EQ(j[1].at("acked"), "true");
    EXPECT_EQ(j.back().at("result"), "complete");
    EXPECT_EQ(num(j.back(), "blocks"), int(blocks));
    EXPECT_EQ(sim.state(), LoggerSim::State::Idle);
    EXPECT_EQ(sim.nextDueMs(300000), -1);
}

// One frame's sends answered in turn (then "GD"): "NG" sends it again at once, silence a second
// later; five unanswered sends end the download, complete when only the "E" frame went unanswered.
struct ResendCase {
    const char* name;
    char kind;  // 'X': block 3; 'E': the end frame
    std::vector<Answer> answers;
    size_t sends;
    const char* result;
    friend void PrintTo(const ResendCase& c, std::ostream* os) { *os << c.name; }
};
class SimDownloadResend : public ::testing::TestWithParam<ResendCase> {};

TEST_P(SimDownloadResend, FollowsTheAnswers) {
    const ResendCase& c = GetParam();
    const loggen::LoggerMemory& m = smallMemory();
    LoggerSim sim(quietOptions(), m);
    sim.receive(command("LOGP 1- 0"), 0);
    Terminal term;
    size_t answered = 0;
    term.policy = [&](const SeenFrame& s, size_t nth) {
        const bool target = c.kind == 'E' ? s.kind() == 'E' : nth >= 3 && s.f == term.chunks[3].f;
        return target && answered < c.answers.size() ? c.answers[answered++] : Answer::Auto;
    };
    drive(sim, term, 0, 400000);
    std::vector<SeenFrame> sent;
    for (size_t k = 0; k < term.chunks.size(); ++k)
        if (c.kind == 'E' ? term.chunks[k].kind() == 'E' : k >= 3 && term.chunks[k].f == term.chunks[3].f)
            sent.push_back(term.chunks[k]);
    ASSERT_EQ(sent.size(), c.sends);
    if (c.kind == 'X') {
        EXPECT_EQ(sent[0].f, downloadFrame(m.fileBytes(), 3, m.lapLast - m.lapFirst + 1));
    }
    const std::vector<Fields> j = journalOf(sim);
    const std::vector<Fields> again = eventsOf(j, "resend");
    ASSERT_EQ(again.size(), c.sends - 1);
    for (size_t k = 1; k < c.sends; ++k) {
        SCOPED_TRACE("send " + std::to_string(k + 1));
        const bool ng = c.answers[k - 1] == Answer::Bad;
        EXPECT_EQ(sent[k].t - sent[k - 1].t, ng ? 27 : 1000 + 27);
        EXPECT_EQ(again[k - 1].at("reason"), ng ? "ng" : "timeout");
        EXPECT_EQ(again[k - 1].at("kind"), std::string(1, c.kind));
        EXPECT_EQ(num(again[k - 1], "try"), int(k + 1));
        if (c.kind == 'X') {
            EXPECT_EQ(num(again[k - 1], "block"), 3);
        }
    }
    size_t ngs = 0;
    for (const Fields& a : eventsOf(j, "ack")) ngs += a.at("good") == "false";
    EXPECT_EQ(ngs, size_t(std::count(c.answers.begin(), c.answers.end(), Answer::Bad)));
    const bool lastUnanswered = c.sends == c.answers.size() && c.answers.back() == Answer::Silent;
    const Fields end = eventsOf(j, "download-end").at(0);
    EXPECT_EQ(end.at("result"), c.result);
    EXPECT_EQ(end.count("reason"), lastUnanswered ? 1u : 0u);
    if (c.kind == 'E' || lastUnanswered) {
        EXPECT_EQ(num(end, "t"), sent.back().t + (lastUnanswered ? 1000 : 0));
    }
    EXPECT_EQ(term.file == m.fileBytes(), std::string(c.result) == "complete");
    EXPECT_EQ(sim.state(), LoggerSim::State::Idle);
    EXPECT_EQ(sim.nextDueMs(400000), -1);
    if (std::string(c.result) == "gave-up") {
        EXPECT_EQ(num(end, "blocks"), 3);
        EXPECT_EQ(term.chunks.size(), size_t(3 + kMaxSendsUnanswered));
    }
}

constexpr Answer kG = Answer::Good, kB = Answer::Bad, kS = Answer::Silent;
INSTANTIATE_TEST_SUITE_P(
    Answers, SimDownloadResend,
    ::testing::Values(ResendCase{"NgThenSilenceThenAnswered", 'X', {kB, kS}, 3, "complete"},
                      ResendCase{"AnsweredAtTheFifthSend", 'X', {kS, kS, kS, kS}, 5, "complete"},
                      ResendCase{"NeverAnswered", 'X', {kS, kS, kS, kS, kS}, 5, "gave-up"},
                      ResendCase{"EndSilentThenGood", 'E', {kS, kG}, 2, "complete"},
                      ResendCase{"EndBadThenNeverAnswered", 'E', {kB, kS, kS, kS, kS, kS}, 6, "complete"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- unacknowledged ---------------------------------------------------------------------------------

TEST(SimDownloadUnacked, LognSendsTheFramesBackToBackAndHearsNoAnswers) {
    const loggen::LoggerMemory& m = smallMemory();
    LoggerSim sim(quietOptions(), m);
    sim.receive(command("LOGN 1- 0"), 1000);
    std::vector<Arrival> arrivals = runUntil(sim, 1000, 1500);
    sim.receive(frame::kAckBad, 1500);  // an answer on a modem line means nothing to the logger
    const std::vector<Arrival> rest = runUntil(sim, 1500, 200000);
    arrivals.insert(arrivals.end(), rest.begin(), rest.end());
    const std::vector<SeenFrame> frames = framesOf(arrivals);
    const size_t blocks = m.fileBytes().size() / kBlockBytes;
    ASSERT_EQ(frames.size(), blocks + 1);
    Terminal term;
    for (size_t k = 0; k < frames.size(); ++k) {
        // One burst at 960 bytes a second from 100 ms after the command.
        ASSERT_EQ(frames[k].t, 1100 + (int64_t(k + 1) * 25 * 1000 + 959) / 960) << "frame " << k;
        term.keep(frames[k]);
    }
    EXPECT_EQ(term.file, m.fileBytes());
    EXPECT_TRUE(term.ended);

    const std::vector<Fields> j = journalOf(sim);
    EXPECT_EQ(eventsOf(j, "download").at(0).at("acked"), "false");
    EXPECT_EQ(eventsOf(j, "ack").at(0).at("expected"), "false");
    EXPECT_TRUE(eventsOf(j, "resend").empty());
    EXPECT_EQ(eventsOf(j, "download-end").at(0).at("result"), "complete");
}

// ---- the fast line ----------------------------------------------------------------------------------

// FASTC: the line goes to 115200 baud a second after the command (3 ms a frame) and back at the
// end. The terminal's port comes back late, so the first frame is lost and sent again a second on.
TEST(SimDownloadFast, SwitchesTheLineASecondAfterTheCommandAndBackAtTheEnd) {
    const loggen::LoggerMemory& m = smallMemory();
    LoggerSim sim(quietOptions(), m);
    sim.receive(command("FASTC 1- 1"), 1000);
    Terminal term;
    term.deafUntilMs = 2010;
    drive(sim, term, 1000, 100000);
    EXPECT_EQ(term.file, rangeFile(m, 1, 1));
    ASSERT_FALSE(term.chunks.empty());
    EXPECT_EQ(term.chunks[0].t, 2000 + 3 + 1000 + 3);
    for (size_t k = 1; k < term.chunks.size(); ++k) ASSERT_EQ(term.chunks[k].t - term.chunks[k - 1].t, 3);

    const std::vector<Fields> j = journalOf(sim);
    EXPECT_EQ(num(eventsOf(j, "download").at(0), "baud"), 115200);
    const std::vector<Fields> speed = eventsOf(j, "speed");
    ASSERT_EQ(speed.size(), 2u);
    EXPECT_EQ(num(speed[0], "t"), 2000);
    EXPECT_EQ(num(speed[0], "baud"), 115200);
    EXPECT_EQ(num(speed[1], "t"), term.chunks.back().t);
    EXPECT_EQ(num(speed[1], "baud"), 9600);
    EXPECT_EQ(sim.baud(), 9600);
    const std::vector<Fields> timeouts = resends(j, "timeout");
    ASSERT_EQ(timeouts.size(), 1u);
    EXPECT_EQ(num(timeouts[0], "block"), 0);
}

// ---- clearing the memory, and commands that cut a download short ------------------------------------

TEST(SimMemoryClear, LeavesNoLapsButTheParameters) {
    const loggen::LoggerMemory& m = smallMemory();
    LoggerSim sim(quietOptions(), m);
    sim.receive(command("MCLR"), 0);
    EXPECT_EQ(sim.nextDueMs(0), -1);
    const Fields clear = eventsOf(journalOf(sim), "memory-clear").at(0);
    EXPECT_EQ(num(clear, "laps"), 2);
    EXPECT_EQ(num(clear, "records"), int(m.records.size()));

    sim.receive(command("PARA"), 100);
    const std::vector<SeenFrame> para = framesOf(runUntil(sim, 100, 1000));
    ASSERT_EQ(para.size(), 1u);
    std::array<std::uint8_t, 16> want = m.header;
    want[hdr::kLapFirst] = 1;
    want[hdr::kUnitAndLastLap] &= 1;
    EXPECT_TRUE(std::equal(want.begin(), want.end(), para[0].f.begin() + frame::kHeader));
    EXPECT_EQ(para[0].word(frame::kMmPerPulse), 150);

    // A download has nothing but its "E" frame; the stream nothing at all.
    sim.receive(command("LOGP 1- 0"), 1000);
    Terminal term;
    drive(sim, term, 1000, 10000);
    ASSERT_EQ(term.chunks.size(), 1u);
    EXPECT_EQ(term.chunks[0].kind(), 'E');
    EXPECT_EQ(num(eventsOf(journalOf(sim), "download").at(0), "bytes"), 0);
    sim.receive(command("STRT"), 10000);
    EXPECT_TRUE(runUntil(sim, 10000, 12000).empty());
    EXPECT_EQ(eventsOf(journalOf(sim), "end").size(), 1u);
}

struct CutCase {
    const char* text;
    const char* then;  // the journal event after the cut that shows the command was acted on
    bool cuts;
};
class SimDownloadCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(SimDownloadCut, CommandsThatNeedTheLineEndADownload) {
    const CutCase& c = GetParam();
    LoggerSim sim(quietOptions(), smallMemory());
    sim.receive(command("LOGP 1- 0"), 0);
    Terminal term;
    term.policy = [&](const SeenFrame& s, size_t nth) {
        if (nth == 10) sim.receive(command(c.text), s.t);
        return Answer::Auto;
    };
    drive(sim, term, 0, 30000);
    const std::vector<Fields> j = journalOf(sim);
    const auto cut = std::find_if(j.begin(), j.end(), [](const Fields& f) { return f.at("event") == "download-end"; });
    ASSERT_NE(cut, j.end());
    if (!c.cuts) {
        EXPECT_EQ(cut->at("result"), "complete");
        EXPECT_EQ(term.file, smallMemory().fileBytes());
        return;
    }
    EXPECT_EQ(cut->at("result"), "interrupted");
    EXPECT_EQ(cut->at("reason"), c.text);
    EXPECT_EQ(num(*cut, "blocks"), 10);
    if (c.then == nullptr) {
        EXPECT_EQ(term.chunks.size(), 11u) << "nothing after the cut";
        EXPECT_EQ(sim.state(), LoggerSim::State::Idle);
        return;
    }
    EXPECT_NE(std::find_if(cut + 1, j.end(), [&](const Fields& f) { return f.at("event") == c.then; }), j.end())
        << c.then;
}

INSTANTIATE_TEST_SUITE_P(Commands, SimDownloadCut,
                         ::testing::Values(CutCase{"STOP", nullptr, true}, CutCase{"MAIN", "reply", true},
                                           CutCase{"LOGN 2- 2", "download", true}, CutCase{"CLR", nullptr, false}),
                         [](const auto& info) { return std::to_string(info.index); });

// A stall after ten frames that outlasts the terminal's watchdog: the frame after it is sent five
// times unanswered and the download gives up. Damaged frames are the end-to-end download's.
TEST(SimDownloadStall, FallsSilentAfterTenFramesAndGivesUpAfterTheWatchdog) {
    SimOptions o = quietOptions();
    o.faults.stallAfterFrames = 10;
    o.faults.stallSeconds = 6;
    LoggerSim sim(o, smallMemory());
    sim.receive(command("LOGP 1- 0"), 0);
    Terminal term;
    drive(sim, term, 0, 400000);
    ASSERT_EQ(term.chunks.size(), size_t(10 + kMaxSendsUnanswered));
    EXPECT_EQ(term.chunks[10].t - term.chunks[9].t, 6000 + 27);
    EXPECT_TRUE(term.gaveUp);
    const std::vector<Fields> j = journalOf(sim);
    EXPECT_EQ(num(eventsOf(j, "stall").at(0), "until"), term.chunks[9].t + 6000);
    EXPECT_EQ(eventsOf(j, "resume").size(), 1u);
    const Fields end = eventsOf(j, "download-end").at(0);
    EXPECT_EQ(end.at("result"), "gave-up");
    EXPECT_EQ(num(end, "blocks"), 10);
}

// ---- through a modem ----------------------------------------------------------------------------------

LoggerSim dialledIn(ModemOptions modem, int64_t& t) {
    SimOptions o = quietOptions();
    o.modem = std::move(modem);
    LoggerSim sim(o, smallMemory());
    sim.receive("ATDT5551234\r", 0);
    const std::string reply = joined(runUntil(sim, 0, 2500));
    EXPECT_THAT(reply, HasSubstr("CONNECT 9600"));
    t = 2500;
    return sim;
}

TEST(SimDownloadModem, FastCommandGoesThroughTheCallWithoutASwitch) {
    int64_t t = 0;
    LoggerSim sim = dialledIn({}, t);
    sim.takeJournal();
    sim.receive(command("FASTC 1- 1"), t);
    Terminal term;
    drive(sim, term, t, 100000);
    EXPECT_EQ(term.file, rangeFile(smallMemory(), 1, 1));
    EXPECT_EQ(term.chunks.at(0).t, t + 100 + 27);
    const std::vector<Fields> j = journalOf(sim);
    EXPECT_EQ(num(eventsOf(j, "download").at(0), "baud"), 9600);
    EXPECT_TRUE(eventsOf(j, "speed").empty());
    EXPECT_EQ(eventsOf(j, "download-end").at(0).at("result"), "complete");
}

TEST(SimDownloadModem, ALostCarrierEndsTheDownload) {
    ModemOptions modem;
    modem.dropAtFrame = {20};
    int64_t t = 0;
    LoggerSim sim = dialledIn(modem, t);
    sim.receive(command("LOGN 1- 0"), t);
    const std::string line = joined(runUntil(sim, t, 100000));
    EXPECT_THAT(line, HasSubstr("NO CARRIER"));
    EXPECT_EQ(line.size(), 20u * 25u + std::string("\r\nNO CARRIER\r\n").size());
    const Fields end = eventsOf(journalOf(sim), "download-end").at(0);
    EXPECT_EQ(end.at("result"), "interrupted");
    EXPECT_EQ(end.at("reason"), "carrier lost");
    EXPECT_EQ(sim.state(), LoggerSim::State::Idle);
}

}  // namespace
}  // namespace vt::sim::test
