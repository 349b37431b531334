// The file of a lap range, read back the way the terminal's log reader takes it: the laps asked
// for and no others, their table pages and records, across the end of the ring; the whole range
// is the memory's log byte for byte; the block counter of the download frames.
#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "layout/FrameLayout.h"
#include "layout/LogLayout.h"
#include "sim/Download.h"
#include "sim/Memory.h"
#include "sim/SimTestSupport.h"

namespace vt::sim::test {
namespace {

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

// A log file taken back the way the terminal's reader takes it: the header's laps, their table
// pages, the records; each lap found at its start address minus the first lap's (plus the ring
// when negative) and counted up to the next lap marker.
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
                         ::testing::Values(RangeCase{"ToZeroIsTheLastLap", fourLaps, 3, 0, 3, 6},
                                           RangeCase{"FromBelowTheFirstLap", fourLaps, 1, 0, 3, 6},
                                           RangeCase{"Middle", fourLaps, 4, 5, 4, 5},
                                           RangeCase{"Swapped", fourLaps, 5, 4, 4, 5},
                                           RangeCase{"FirstLapAlone", fourLaps, 3, 3, 3, 3},
                                           RangeCase{"LastLapAlone", fourLaps, 6, 0, 6, 6},
                                           RangeCase{"PastTheLastLapIsCut", fourLaps, 5, 99, 5, 6},
                                           RangeCase{"AfterTheLastLap", fourLaps, 7, 0, 0, 0},
                                           RangeCase{"BeforeTheFirstLap", fourLaps, 1, 2, 0, 0},
                                           RangeCase{"AcrossTheEndOfTheRing", wrapped, 2, 3, 2, 3, true},
                                           RangeCase{"AfterTheEndOfTheRing", wrapped, 3, 4, 3, 4},
                                           RangeCase{"WholeWrappedMemory", wrapped, 1, 0, 1, 4, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimRangeFile, WholeRangeIsTheMemorysLogByteForByte) {
    for (const loggen::LoggerMemory* m : {&smallMemory(), &fourLaps(), &wrapped()}) {
        const Bytes whole = m->fileBytes();
        for (const auto& [from, to] : {std::pair{0, 0},
                                       {1, 0},
                                       {m->lapFirst, 0},
                                       {m->lapFirst, m->lapLast},
                                       {m->lapLast, m->lapFirst},
                                       {m->lapFirst, 120}})
            EXPECT_EQ(rangeFile(*m, from, to), whole) << from << "- " << to << " of laps " << m->lapFirst;
        // The same memory read from its log file.
        const MemoryResult loaded = memoryFromLogBytes(whole);
        ASSERT_TRUE(loaded) << loaded.error;
        EXPECT_EQ(rangeFile(*loaded.memory, 0, 0), whole);
    }
}

TEST(SimRangeFile, AMemoryWithoutLapsGivesNoFile) {
    loggen::LoggerMemory cleared = smallMemory();
    cleared.records.clear();
    cleared.lapTable.clear();
    cleared.laps.clear();
    cleared.lapFirst = 1;
    cleared.lapLast = 0;
    const loggen::LoggerMemory none;
    const loggen::LoggerMemory* memories[] = {&cleared, &none};
    for (const loggen::LoggerMemory* m : memories) {
        EXPECT_TRUE(rangeFile(*m, 1, 0).empty());
        EXPECT_TRUE(rangeFile(*m, 0, 0).empty());
    }
}

// ---- the frames -----------------------------------------------------------------------------------

TEST(SimDownloadFrames, CounterIsTheBlockNumberAndSkipsZeroWhenItWraps) {
    const std::vector<std::pair<size_t, unsigned>> cases = {{0, 0},     {1, 1},          {31, 31},   {65535, 65535},
                                                            {65536, 1}, {131070, 65535}, {131071, 1}};
    for (const auto& [block, counter] : cases) EXPECT_EQ(blockCounter(block), counter) << block;
}

}  // namespace
}  // namespace vt::sim::test
