// The simulated logger through its API on a fake clock: the parameter frame, the live streams
// against the memory they come from, transfer rates, stopping, a slow line skipping samples, pit
// events, the parameter block, commands in pieces told apart in the journal, and faults on the
// frames of a stream or a download that the journal owns up to.
#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "layout/LogLayout.h"
#include "sim/LoggerSim.h"
#include "sim/Memory.h"
#include "sim/SimTestSupport.h"

namespace vt::sim::test {
namespace {

using ::testing::ElementsAreArray;

namespace rec = layout::rec;

bool isLapMarker(const loggen::Record& r) { return r[rec::kKind] == layout::kLapMarker; }
bool isSegMarker(const loggen::Record& r) { return r[rec::kKind] == layout::kSegmentMarker; }
bool isSample(const loggen::Record& r) { return !layout::isMarkerKind(r[rec::kKind]); }

frame::Frame recordOf(const SeenFrame& s) {
    frame::Frame f{};
    std::copy(s.f.begin() + frame::kRecord, s.f.begin() + frame::kRecord + layout::kRecordBytes, f.begin());
    return f;
}
bool carries(const SeenFrame& s, const loggen::Record& r) {
    return std::equal(r.begin(), r.end(), s.f.begin() + frame::kRecord);
}

// A streaming logger over the small memory, started at `startMs`.
LoggerSim started(SimOptions o, int64_t startMs = 1000, const std::string& before = "") {
    LoggerSim sim(std::move(o), smallMemory());
    if (!before.empty()) sim.receive(command(before), startMs - 500);
    sim.receive(command("STRT"), startMs);
    return sim;
}

// ---- the parameter frame ----------------------------------------------------------------------

TEST(SimParameters, PARAAnswersOneParameterFrame) {
    // Without a lap marker to take the distance from, the generator's option gives it.
    loggen::LoggerMemory markerless;
    markerless.header = {3, 1, 39, 16, 0, 0, 5, 190, 0, 50, 30, 1, 0, 200, 0, 200};
    markerless.records.resize(3);
    for (const auto& [memory, wantMm] : {std::pair{&smallMemory(), 150}, {&markerless, 444}}) {
        SCOPED_TRACE(wantMm);
        SimOptions o;
        o.gen.mmPerPulse = 444;
        LoggerSim sim(o, *memory);
        sim.receive(command("PARA"), 0);
        const std::vector<SeenFrame> frames = framesOf(runUntil(sim, 0, 1000));
        ASSERT_EQ(frames.size(), 1u);
        const frame::Frame& f = frames[0].f;
        EXPECT_TRUE(wellFormed(f));
        EXPECT_EQ(frames[0].kind(), 'P');
        EXPECT_EQ(f[2] | f[21] | f[22], 0);
        EXPECT_EQ(frames[0].word(frame::kMmPerPulse), wantMm);
        EXPECT_TRUE(std::equal(memory->header.begin(), memory->header.end(), f.begin() + frame::kHeader));
        // 25 bytes at 960 a second: the last leaves 27 ms after the command.
        EXPECT_EQ(frames[0].t, 27);
        EXPECT_EQ(num(eventsOf(journalOf(sim), "frame").at(0), "mmPerPulse"), wantMm);
        EXPECT_EQ(sim.nextDueMs(1000), -1);
    }
}

// ---- the lap stream ---------------------------------------------------------------------------

// The frames a lap stream must carry for the memory records at `indices`, worked out from the
// generator's own account of the laps (their times and segment times).
struct Expected {
    char kind;
    int record;
    int lap = 0, lapTime = 0, segment = 0, segTime = 0;
};
std::vector<Expected> expectedLapStream(const std::vector<int>& indices) {
    const loggen::LoggerMemory& m = smallMemory();
    std::vector<Expected> out;
    int lap = 0, lapTime = 0, segment = 0;
    for (int i : indices) {
        const loggen::Record& r = m.records[size_t(i)];
        if (isLapMarker(r)) {
            if (lap != 0) lapTime = m.laps[size_t(lap - m.lapFirst)].timeCs;
            lap = r[rec::kLapNumber];
            segment = 0;
            out.push_back({'L', i, lap});
        } else if (isSegMarker(r)) {
            ++segment;
            out.push_back(
                {'S', i, lap, 0, segment, m.laps[size_t(lap - m.lapFirst)].segmentTimesCs[size_t(segment - 1)]});
        } else {
            out.push_back({'G', i, lap, lapTime});
        }
    }
    return out;
}

TEST(SimStream, LapStreamCarriesTheMemoryInOrderAndLoops) {
    const loggen::LoggerMemory& m = smallMemory();
    const int n = int(m.records.size());
    ASSERT_EQ(m.laps.size(), 2u);
    ASSERT_TRUE(isLapMarker(m.records.back()));
    // One pass (the closing marker is the first lap's marker again), then three records more.
    std::vector<int> indices;
    for (int i = 0; i < n - 1; ++i) indices.push_back(i);
    for (int i = 0; i < 3; ++i) indices.push_back(i);

    LoggerSim sim = started(quietOptions(), 1000);
    const std::vector<SeenFrame> frames = framesOf(runUntil(sim, 1000, 1000 + 100 * int64_t(indices.size()) + 50));
    const std::vector<Expected> want = expectedLapStream(indices);
    ASSERT_EQ(frames.size(), want.size());
    const std::vector<Fields> journal = eventsOf(journalOf(sim), "frame");
    ASSERT_EQ(journal.size(), want.size());

    int counter = 0;
    for (size_t k = 0; k < want.size(); ++k) {
        SCOPED_TRACE("frame " + std::to_string(k) + " record " + std::to_string(want[k].record));
        const SeenFrame& f = frames[k];
        const loggen::Record& r = m.records[size_t(want[k].record)];
        ASSERT_EQ(f.kind(), want[k].kind);
        EXPECT_TRUE(wellFormed(f.f));
        // One slot of 100 ms a record, the first 100 ms after the command; 27 ms on the line.
        EXPECT_EQ(f.t, 1000 + 100 * int64_t(k + 1) + 27);
        EXPECT_EQ(num(journal[k], "record"), want[k].record);
        EXPECT_EQ(num(journal[k], "lap"), want[k].lap);
        EXPECT_EQ(num(journal[k], "pass"), k < size_t(n - 1) ? 1 : 2);
        if (want[k].kind == 'L') {
            EXPECT_EQ(f.f[frame::kLapNumber], want[k].lap);
        } else if (want[k].kind == 'S') {
            EXPECT_EQ(f.word(frame::kSegTime), want[k].segTime);
            EXPECT_EQ(f.f[frame::kSegNumber], want[k].segment);
        } else {
            ++counter;
            EXPECT_EQ(f.word(frame::kCounter), counter);
            EXPECT_EQ(f.word(frame::kLapTime), want[k].lapTime);
            EXPECT_TRUE(carries(f, r));
        }
    }
    // Lap 1, lap 2, then lap 1 again; the loop's first "G" carries lap 2's time.
    std::vector<int> laps;
    for (const SeenFrame& f : frames)
        if (f.kind() == 'L') laps.push_back(f.f[frame::kLapNumber]);
    EXPECT_THAT(laps, ElementsAreArray({1, 2, 1}));
    EXPECT_EQ(frames.back().word(frame::kLapTime), m.laps[1].timeCs);
}

TEST(SimStream, WithoutLoopingTheClosingMarkerEndsTheStream) {
    const loggen::LoggerMemory& m = smallMemory();
    SimOptions o = quietOptions();
    o.loop = false;
    LoggerSim sim = started(o, 0);
    const std::vector<SeenFrame> frames = framesOf(runUntil(sim, 0, 100 * int64_t(m.records.size() + 20)));
    ASSERT_EQ(frames.size(), m.records.size());
    EXPECT_EQ(frames.back().kind(), 'L');
    EXPECT_EQ(frames.back().f[frame::kLapNumber], m.lapLast + 1);
    EXPECT_EQ(sim.state(), LoggerSim::State::Idle);
    EXPECT_EQ(sim.nextDueMs(100 * int64_t(m.records.size() + 20)), -1);
    EXPECT_EQ(eventsOf(journalOf(sim), "end").size(), 1u);
}

TEST(SimStream, CounterHasTwelveBitsAndSkipsNoNumber) {
    SimOptions o = quietOptions();
    o.stream = StreamKind::RealTime;
    LoggerSim sim = started(o, 0);
    const std::vector<SeenFrame> frames = framesOf(runUntil(sim, 0, 100 * 4400));
    ASSERT_GT(frames.size(), 4100u);
    for (size_t k = 0; k < frames.size(); ++k) {
        ASSERT_EQ(frames[k].word(frame::kCounter), int(k + 1) & 0xFFF) << "frame " << k;
        ASSERT_EQ(frames[k].f[frame::kCounter] & 0x10, 0);
    }
}

// ---- logging and real-time streams, transfer rates --------------------------------------------

TEST(SimStream, LoggingAndRealTimeSendSamplesOnlyWithoutLapTimeOrEvents) {
    const loggen::LoggerMemory& m = smallMemory();
    std::vector<frame::Frame> want;
    for (const loggen::Record& r : m.records) {
        if (!isSample(r)) continue;
        frame::Frame f{};
        std::copy(r.begin(), r.end(), f.begin());
        want.push_back(f);
    }
    for (const auto& [stream, kind] : {std::pair{StreamKind::Logging, 'N'}, {StreamKind::RealTime, 'Z'}}) {
        SCOPED_TRACE(kind);
        SimOptions o = quietOptions();
        o.stream = stream;
        o.loop = false;
        o.events = true;
        LoggerSim sim = started(o, 0);
        std::vector<frame::Frame> sent;
        for (const SeenFrame& f : framesOf(runUntil(sim, 0, 100 * int64_t(m.records.size() + 5)))) {
            EXPECT_EQ(f.kind(), kind);
            EXPECT_TRUE(wellFormed(f.f));
            EXPECT_EQ(f.word(frame::kLapTime), 0);
            EXPECT_EQ(f.word(frame::kCounter), int(sent.size() + 1));
            sent.push_back(recordOf(f));
        }
        EXPECT_EQ(sent, want);
    }
}

// RATS: every fifth sample goes out, the rest are journaled as skipped.
TEST(SimRates, SendEveryNthSampleAndJournalTheRest) {
    const loggen::LoggerMemory& m = smallMemory();
    const int slotCount = 80;
    LoggerSim sim = started(quietOptions(), 1000, "RATS");
    EXPECT_EQ(sim.rate(), 'S');
    const std::vector<SeenFrame> frames = framesOf(runUntil(sim, 1000, 1000 + 100 * slotCount + 50));

    std::vector<int> wantRecords, wantSkipped;
    int ordinal = 0;
    for (int i = 0; i < slotCount; ++i) {
        const loggen::Record& r = m.records[size_t(i)];
        if (!isSample(r)) continue;
        (ordinal++ % 5 == 0 ? wantRecords : wantSkipped).push_back(i);
    }
    const std::vector<Fields> journal = journalOf(sim);
    std::vector<int> gotRecords, gotSkipped;
    for (const Fields& f : eventsOf(journal, "frame"))
        if (f.at("kind") == "G") gotRecords.push_back(num(f, "record"));
    for (const Fields& f : eventsOf(journal, "skipped")) {
        EXPECT_EQ(f.at("reason"), "rate");
        gotSkipped.push_back(num(f, "record"));
    }
    EXPECT_EQ(gotRecords, wantRecords);
    EXPECT_EQ(gotSkipped, wantSkipped);
    std::vector<SeenFrame> g;
    for (const SeenFrame& f : frames)
        if (f.kind() == 'G') g.push_back(f);
    ASSERT_EQ(g.size(), wantRecords.size());
    for (size_t k = 0; k < g.size(); ++k) EXPECT_TRUE(carries(g[k], m.records[size_t(wantRecords[k])]));
}

TEST(SimStream, StopEndsTheStreamAndStartBeginsAgain) {
    LoggerSim sim = started(quietOptions(), 0);
    runUntil(sim, 0, 1050);
    sim.receive(command("STOP"), 1050);
    EXPECT_EQ(sim.state(), LoggerSim::State::Idle);
    // The frame already on the line finishes; nothing follows.
    EXPECT_TRUE(runUntil(sim, 1050, 5000).empty());
    EXPECT_EQ(sim.nextDueMs(5000), -1);

    sim.takeJournal();
    sim.receive(command("STRT"), 6000);
    const std::vector<SeenFrame> again = framesOf(runUntil(sim, 6000, 6350));
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[0].kind(), 'L');
    EXPECT_EQ(again[1].word(frame::kCounter), 1);
    EXPECT_EQ(num(eventsOf(journalOf(sim), "frame")[0], "record"), 0);
}

// ---- pacing -----------------------------------------------------------------------------------

TEST(SimPacing, SlowLineSkipsSamplesNeverMarkers) {
    const loggen::LoggerMemory& m = smallMemory();
    SimOptions o = quietOptions();
    o.baud = 1200;  // 120 bytes a second: under five frames
    LoggerSim sim = started(o, 0);
    std::vector<Arrival> arrivals;
    size_t mostQueued = 0;
    for (int64_t t = 0; t <= 40000; t += 10) {
        std::string b = sim.transmit(t);
        if (!b.empty()) arrivals.push_back({t, b});
        mostQueued = std::max(mostQueued, sim.queuedBytes());
    }
    const std::vector<SeenFrame> frames = framesOf(arrivals, false);  // every frame whole but the last
    EXPECT_LE(mostQueued, size_t(4 * frame::kBytes));
    EXPECT_LE(joined(arrivals).size(), size_t(40 * 120));
    EXPECT_GE(frames.size(), size_t(40 * 120 / 25 - 2));

    const std::vector<Fields> journal = journalOf(sim);
    const std::vector<Fields> skipped = eventsOf(journal, "skipped");
    EXPECT_GT(skipped.size(), 100u);
    for (const Fields& f : skipped) {
        EXPECT_EQ(f.at("reason"), "line");
        EXPECT_TRUE(isSample(m.records[size_t(num(f, "record"))]));
    }
    // Every marker of the 400 slotCount went out.
    int markers = 0, markerFrames = 0;
    for (int i = 0; i < 400; ++i) markers += !isSample(m.records[size_t(i)]);
    for (const SeenFrame& f : frames) markerFrames += f.kind() == 'L' || f.kind() == 'S';
    EXPECT_GT(markers, 1);
    EXPECT_EQ(markerFrames, markers);
}

// ---- pit and stop events ----------------------------------------------------------------------

TEST(SimEvents, FollowEachLapStartInTheLapStream) {
    const loggen::LoggerMemory& m = smallMemory();
    SimOptions o = quietOptions();
    o.events = true;
    LoggerSim sim = started(o, 0);
    // Through lap 1 and ten seconds into lap 2.
    const int64_t end = 100 * int64_t(m.laps[1].firstRecord + 1) + 10000;
    const std::vector<SeenFrame> frames = framesOf(runUntil(sim, 0, end));
    std::vector<int64_t> lapTimes;
    std::vector<SeenFrame> events;
    for (const SeenFrame& f : frames) {
        EXPECT_TRUE(wellFormed(f.f));
        if (f.kind() == 'L') lapTimes.push_back(f.t);
        if (f.kind() == 'T') events.push_back(f);
    }
    ASSERT_EQ(lapTimes.size(), 2u);
    ASSERT_EQ(events.size(), 8u);
    const int codes[] = {1, 2, 3, 4}, durations[] = {0, 0, 30, 60};
    const int64_t after[] = {2000, 3000, 6000, 8000};
    for (size_t k = 0; k < events.size(); ++k) {
        SCOPED_TRACE("event " + std::to_string(k));
        EXPECT_EQ(events[k].f[frame::kEventCode], codes[k % 4]);
        EXPECT_EQ(events[k].word(frame::kDuration), durations[k % 4]);
        // Half a slot after a record frame: both take 27 ms on the line.
        EXPECT_EQ(events[k].t - lapTimes[k / 4], after[k % 4] + 50);
    }
    const std::vector<Fields> j = eventsOf(journalOf(sim), "frame");
    const auto t4 = std::find_if(j.begin(), j.end(), [](const Fields& f) { return f.at("kind") == "T"; });
    ASSERT_NE(t4, j.end());
    EXPECT_EQ(num(*t4, "code"), 1);
    EXPECT_EQ(num(*t4, "lap"), 1);
}

// ---- the parameter block ----------------------------------------------------------------------

std::string mainReply(LoggerSim& sim, int64_t t) {
    sim.receive(command("MAIN"), t);
    return joined(runUntil(sim, t, t + 1000));
}

TEST(SimMain, ReadWriteRoundTrip) {
    LoggerSim sim(quietOptions(), smallMemory());
    EXPECT_EQ(mainReply(sim, 0), "Q,0,999,0,1,16000,20000,0,0,200,200,0,100,0,1,16,1,60000,3,0,100,0,0,0,0,0,0,0\r");

    std::string write = "MAIN", want = "Q";
    for (int i = 1; i <= 27; ++i)
        write += "," + std::to_string(i * 11 - 100), want += "," + std::to_string(i * 11 - 100);
    sim.receive(command(write), 2000);
    EXPECT_EQ(mainReply(sim, 3000), want + "\r");

    // Blocks that are not 27 whole numbers change nothing.
    for (const std::string& bad :
         {write + ",28", write.substr(0, write.rfind(',')) + ",x", write.substr(0, write.rfind(','))}) {
        sim.takeJournal();
        sim.receive(command(bad), 5000);
        EXPECT_EQ(eventsOf(journalOf(sim), "rejected").size(), 1u) << bad;
    }
    EXPECT_EQ(mainReply(sim, 6000), want + "\r");
    const std::vector<Fields> replies = eventsOf(journalOf(sim), "reply");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].at("text"), want + "\r");
}

// ---- commands ---------------------------------------------------------------------------------

TEST(SimCommands, QuietCommandsAreJournaledOnly) {
    for (const auto& [text, kind] : {std::pair{"CLR", "clear"},
                                     {"CRS3-A1-B2-", "course"},
                                     {"RATS", "rate"},
                                     {"strt", "unknown"},
                                     {"STRTX", "unknown"},
                                     {"RATX", "unknown"}}) {
        LoggerSim sim(quietOptions(), smallMemory());
        sim.receive(command(text), 0);
        EXPECT_EQ(sim.nextDueMs(0), -1) << text;
        EXPECT_EQ(sim.transmit(10000), "");
        const std::vector<Fields> j = journalOf(sim);
        ASSERT_EQ(j.size(), 1u) << text;
        EXPECT_EQ(j[0].at("event"), "command");
        EXPECT_EQ(j[0].at("text"), text);
        EXPECT_EQ(j[0].at("command"), kind);
    }
}

// ---- faults -----------------------------------------------------------------------------------

// The parameter frame and five seconds of the lap stream with events, the last frame through;
// or a whole download without acknowledgements. Every kind of fault, each on a third of the frames.
std::vector<Arrival> faultRun(bool download, bool damaged, std::uint32_t seed, std::vector<Fields>* journal = nullptr) {
    SimOptions o = quietOptions();
    o.events = true;
    if (damaged) o.faults.corrupt = o.faults.badEnd = o.faults.drop = o.faults.garbage = 0.3;
    o.faultSeed = seed;
    LoggerSim sim(o, smallMemory());
    if (download) {
        sim.receive(command("LOGN 1- 0"), 0);
    } else {
        sim.receive(command("PARA"), 0);
        sim.receive(command("STRT"), 500);
    }
    std::vector<Arrival> a = runUntil(sim, 0, download ? 200000 : 5650);
    if (journal) *journal = eventsOf(journalOf(sim), "frame");
    return a;
}

TEST(SimFaults, JournalTellsWhatTheLineCarriedInAStreamAndADownload) {
    for (const bool download : {false, true}) {
        SCOPED_TRACE(download ? "download" : "stream");
        const std::vector<SeenFrame> frames = framesOf(faultRun(download, false, 7));
        std::vector<Fields> journal;
        const std::string line = joined(faultRun(download, true, 7, &journal));
        EXPECT_GT(checkLineAgainstJournal(frames, journal, line), frames.size() / 5);
        // The same seed damages the same frames; another seed others.
        EXPECT_EQ(joined(faultRun(download, true, 7)), line);
        EXPECT_NE(joined(faultRun(download, true, 8)), line);
    }
}

// A stall one second in (the download's stall counts frames).
TEST(SimStall, LineFallsSilentThenTheStreamGoesOn) {
    SimOptions o = quietOptions();
    o.faults.stallAfterSeconds = 1.0;
    o.faults.stallSeconds = 3;
    LoggerSim sim = started(o, 0);
    const std::vector<SeenFrame> frames = framesOf(runUntil(sim, 0, 8000));
    // The one gap, 3 s more than a slot, where the slot at one second would have been.
    size_t gapAfter = 0;
    for (size_t k = 1; k < frames.size(); ++k) {
        const int64_t gap = frames[k].t - frames[k - 1].t;
        if (gap != 100) {
            EXPECT_EQ(gap, 3100);
            EXPECT_EQ(gapAfter, 0u) << "a second gap";
            gapAfter = k;
        }
    }
    EXPECT_EQ(gapAfter, 9u);
    // Slots 100..900, then 4000..7900 (the slot at 8000 is not through yet).
    EXPECT_EQ(frames.size(), 9u + 40u);

    const std::vector<Fields> j = journalOf(sim);
    ASSERT_EQ(eventsOf(j, "stall").size(), 1u);
    EXPECT_EQ(num(eventsOf(j, "stall")[0], "until"), 1000 + 3000);
    EXPECT_EQ(eventsOf(j, "resume").size(), 1u);
    // No record is lost to the stall.
    const std::vector<Fields> sent = eventsOf(j, "frame");
    for (size_t k = 0; k < sent.size(); ++k) EXPECT_EQ(num(sent[k], "record"), int(k));
}

}  // namespace
}  // namespace vt::sim::test
