#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "loggen/LogGenerator.h"

namespace loggen {
namespace {

using ::testing::HasSubstr;

int u16(const std::uint8_t* p) { return p[0] * 256 + p[1]; }

bool isMarker(const Record& r) { return r[6] >= kSegmentMarker; }

// The terminal's whole-km/h speed: floor(mm * 0.0036 * count).
int kmhOf(int mmPerPulse, int count) { return int(std::floor(mmPerPulse * 0.0036 * count + 1e-9)); }

LoggerMemory generateOrFail(const GenOptions& o) {
    GenResult r = generateLog(o);
    EXPECT_TRUE(r) << r.error;
    return r ? *r.memory : LoggerMemory{};
}

// The repository's track folder: from the test environment when set, else next to this source.
std::filesystem::path trackFile(const std::string& name) {
    const char* root = std::getenv("VELTRA_SOURCE_DIR");
    const std::filesystem::path base =
        root ? std::filesystem::path(root) : std::filesystem::path(__FILE__).parent_path() / ".." / "..";
    return base / "data" / "tracks" / name;
}

// Lays a lap out the way the terminal's course layout does: heading from lateral G over speed,
// optionally the zero offset of the first ten samples taken off, the heading sum pulled to whole
// turns. Returns the path (one point per sample, before the position correction).
struct Layout {
    std::vector<double> x, y, along;  // along: layout distance at each point
    double length = 0;
    double turns = 0;  // heading sum before the correction, in turns
    double gap() const { return std::hypot(x.back(), y.back()); }
};

Layout layOut(const LoggerMemory& m, const LapInfo& lap, int mmPerPulse, int carType, bool zeroOffset) {
    std::vector<double> a, d;
    for (int i = lap.firstRecord; i < lap.firstRecord + lap.recordCount; ++i) {
        const Record& r = m.records[size_t(i)];
        if (isMarker(r)) continue;
        double g = std::int8_t(r[carType == kBike ? 1 : 0]);
        if (carType == kBike) g = std::tan(g * 0.01745);
        a.push_back(g * 0.383);
        d.push_back(kmhOf(mmPerPulse, u16(&r[12])) * 0.02777);
    }
    double offset = 0;
    if (zeroOffset && carType != kNormal) {
        for (size_t i = 0; i < 10; ++i) offset += a[i];
        offset /= 10;
    }
    double kaku = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (d[i] != 0) kaku += (a[i] - offset) * 0.01 / d[i];
    Layout out;
    out.turns = kaku / 6.28318;
    const double whole = std::floor(std::abs(kaku / 6.28318) + 0.5) * 6.28318 * (kaku < 0 ? -1 : 1);
    const double corr = (kaku - whole) / double(a.size() - 1);
    double x = 0, y = 0;
    kaku = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (d[i] != 0) kaku += (a[i] - offset) * 0.01 / d[i] - corr;
        x += d[i] * std::cos(kaku);
        y += d[i] * std::sin(kaku);
        out.length += d[i];
        out.x.push_back(x);
        out.y.push_back(y);
        out.along.push_back(out.length);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Byte layout

TEST(LogLayout, HeaderDecodesBackToTheOptions) {
    GenOptions o;
    o.course = "oval";
    o.laps = 3;
    o.firstLap = 7;
    o.speedUnit = 1;
    o.tachoPulse = 8;
    o.courseNumber = 5;
    o.rpmMax = 12000;
    o.prsRange = 2;
    o.carType = kBike;
    o.memCode = 2;
    o.afMode = 100;
    o.inG = 60;
    o.outG = 25;
    o.temp1Max = 150;
    o.temp2Max = 300;
    const LoggerMemory m = generateOrFail(o);
    const auto& h = m.header;
    EXPECT_EQ(h[0] & 1, 1);
    EXPECT_EQ(h[0] >> 1, 9);  // last lap
    EXPECT_EQ(h[1] & 15, 8);
    EXPECT_EQ(h[1] >> 4, 5);
    EXPECT_EQ(u16(&h[2]), 12000);
    EXPECT_EQ(h[4], 2);
    EXPECT_EQ(h[5] & 15, kBike);
    EXPECT_EQ(h[5] >> 4, 2);
    EXPECT_EQ(m.memRecs, 20480);
    EXPECT_EQ(u16(&h[6]), 100);
    EXPECT_EQ(u16(&h[8]), 60);
    EXPECT_EQ(h[10], 25);
    EXPECT_EQ(h[11], 7);
    EXPECT_EQ(u16(&h[12]), 150);
    EXPECT_EQ(u16(&h[14]), 300);
    EXPECT_EQ(m.lapFirst, 7);
    EXPECT_EQ(m.lapLast, 9);
}

TEST(LogLayout, FileIsHeaderThenLapTableThenRecords) {
    GenOptions o;
    o.course = "oval";
    o.laps = 4;
    o.firstLap = 3;
    const LoggerMemory m = generateOrFail(o);
    const std::vector<std::uint8_t> f = m.fileBytes();
    const size_t laps = size_t(m.lapLast - m.lapFirst + 1);
    ASSERT_EQ(laps, 4u);
    ASSERT_EQ(f.size(), 16 + 480 * laps + 16 * m.records.size());
    EXPECT_TRUE(std::equal(m.header.begin(), m.header.end(), f.begin()));
    EXPECT_TRUE(std::equal(m.lapTable.begin(), m.lapTable.end(), f.begin() + 16));
    // The first record after the lap table is lap 3's marker; the last is the closing marker of lap 7.
    const std::uint8_t* first = &f[16 + 480 * laps];
    EXPECT_EQ(first[6], kLapMarker);
    EXPECT_EQ(first[13], 3);
    const std::uint8_t* last = &f[f.size() - 16];
    EXPECT_EQ(last[6], kLapMarker);
    EXPECT_EQ(last[13], 7);
    // Written to disk the same way.
    const std::string path = ::testing::TempDir() + "loggen_layout.log";
    ASSERT_EQ(writeLogFile(m, path), "");
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> disk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(disk, f);
    std::remove(path.c_str());
}

TEST(LogLayout, MarkersCarryTheirFieldsAndNothingElse) {
    GenOptions o;
    o.course = "circuit";
    o.laps = 2;
    o.segments = 5;
    o.carType = kNormal;
    o.mmPerPulse = 317;
    const LoggerMemory m = generateOrFail(o);
    int lapMarkers = 0, segMarkers = 0;
    for (const Record& r : m.records) {
        if (r[6] == kLapMarker) {
            ++lapMarkers;
            EXPECT_EQ(u16(&r[2]), 317);
            EXPECT_EQ(r[11], kNormal);
            for (int b : {0, 1, 4, 5, 7, 8, 9, 10, 12, 14, 15}) EXPECT_EQ(r[size_t(b)], 0) << "byte " << b;
        } else if (r[6] == kSegmentMarker) {
            ++segMarkers;
            EXPECT_GE(r[9], 1);
            EXPECT_LE(r[9], 4);
            for (int b : {2, 3, 4, 5, 7, 8, 10, 11, 12, 13, 14, 15}) EXPECT_EQ(r[size_t(b)], 0) << "byte " << b;
        }
    }
    EXPECT_EQ(lapMarkers, 3);  // two laps and the closing marker
    EXPECT_EQ(segMarkers, 2 * 4);
}

// ---------------------------------------------------------------------------------------------
// Lap table against the records

struct SummaryCase {
    const char* name;
    std::string course;
    int segments;
    int carType;
    double noise;
    int offset;
};

class SegmentSummaries : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(SegmentSummaries, AgreeWithTheRecords) {
    const SummaryCase& c = GetParam();
    GenOptions o;
    o.course = c.course;
    o.laps = 3;
    o.segments = c.segments;
    o.carType = c.carType;
    o.noise = c.noise;
    o.offset = c.offset;
    o.firstLap = 11;
    o.startAddress = 777;
    const LoggerMemory m = generateOrFail(o);
    ASSERT_EQ(m.laps.size(), 3u);

    for (const LapInfo& lap : m.laps) {
        SCOPED_TRACE("lap " + std::to_string(lap.number));
        const std::uint8_t* s1 = m.segmentSummary(lap.number, 1);
        ASSERT_NE(s1, nullptr);
        EXPECT_EQ(u16(s1 + 28), o.mmPerPulse);
        EXPECT_EQ(u16(s1 + 30), m.addressOf(lap.firstRecord));
        ASSERT_EQ(m.records[size_t(lap.firstRecord)][6], kLapMarker);
        ASSERT_EQ(m.records[size_t(lap.firstRecord + lap.recordCount)][6], kLapMarker);

        int seg = 1;
        int lapTime = 0;
        size_t i = size_t(lap.firstRecord) + 1;
        while (seg <= c.segments) {
            SCOPED_TRACE("segment " + std::to_string(seg));
            int n = 0, minR = 0, maxR = 0, minS = 0, maxS = 0, peak = 0, minT1 = 0, maxT1 = 0, minT2 = 0, maxT2 = 0;
            long pulses = 0;
            for (; !isMarker(m.records[i]); ++i) {
                const Record& r = m.records[i];
                const int rpm = u16(&r[10]), spd = u16(&r[12]), t1 = u16(&r[6]), t2 = u16(&r[8]);
                const int g = std::int8_t(r[0]);
                if (n++ == 0) {
                    minR = maxR = rpm;
                    minS = maxS = spd;
                    minT1 = maxT1 = t1;
                    minT2 = maxT2 = t2;
                    peak = g;
                }
                minR = std::min(minR, rpm), maxR = std::max(maxR, rpm);
                minS = std::min(minS, spd), maxS = std::max(maxS, spd);
                minT1 = std::min(minT1, t1), maxT1 = std::max(maxT1, t1);
                minT2 = std::min(minT2, t2), maxT2 = std::max(maxT2, t2);
                if (std::abs(g) > std::abs(peak)) peak = g;
                pulses += u16(&r[14]);
            }
            const std::uint8_t* s = m.segmentSummary(lap.number, seg);
            ASSERT_GT(n, 0);
            EXPECT_EQ(u16(s + 2), minR);
            EXPECT_EQ(u16(s + 4), maxR);
            EXPECT_EQ(u16(s + 6), minS);
            EXPECT_EQ(u16(s + 8), maxS);
            EXPECT_EQ(s[10], 0);
            EXPECT_EQ(std::int8_t(s[11]), peak);
            EXPECT_EQ(u16(s + 12), minT1);
            EXPECT_EQ(u16(s + 14), maxT1);
            EXPECT_EQ(u16(s + 16), minT2);
            EXPECT_EQ(u16(s + 18), maxT2);
            EXPECT_EQ(u16(s + 20), pulses);
            for (int b = 22; b <= 27; ++b) EXPECT_EQ(s[b], 0) << "byte " << b;
            const int segTime = u16(s);
            EXPECT_GT(segTime, 0);
            lapTime += segTime;
            const Record& marker = m.records[i];
            if (seg < c.segments) {
                EXPECT_EQ(marker[6], kSegmentMarker);
                EXPECT_EQ(marker[9], seg);
                EXPECT_EQ(u16(&marker[0]), segTime);
            } else {
                EXPECT_EQ(marker[6], kLapMarker);
                EXPECT_EQ(marker[13], lap.number + 1);
            }
            ++i;
            ++seg;
        }
        EXPECT_EQ(lapTime, lap.timeCs);
        // Segments past the last one are empty, and the records of a lap cover its time.
        for (int rest = c.segments + 1; rest <= kSegmentsPerLap; ++rest) {
            const std::uint8_t* s = m.segmentSummary(lap.number, rest);
            EXPECT_TRUE(std::all_of(s, s + kSegmentBytes, [](std::uint8_t b) { return b == 0; }));
        }
        const int samples = lap.recordCount - c.segments;  // less the lap marker and segment markers
        EXPECT_NEAR(samples * 10, lap.timeCs, 10 + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, SegmentSummaries,
                         ::testing::Values(SummaryCase{"CircuitCarFourSegments", "circuit", 4, kCar, 0, 0},
                                           SummaryCase{"OvalBikeOneSegmentNoisy", "oval", 1, kBike, 3.0, -2},
                                           SummaryCase{"CircuitNormalFifteenSegments", "circuit", 15, kNormal, 0, 0},
                                           SummaryCase{"OvalCarSevenSegmentsOffset", "oval", 7, kCar, 0.5, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LapTimes, ArePlausibleAndDifferByTenths) {
    GenOptions o;
    o.course = "oval";
    o.laps = 8;
    const LoggerMemory m = generateOrFail(o);
    int lo = 1 << 30, hi = 0;
    for (const LapInfo& lap : m.laps) {
        const double avgKmh = m.course.length / (lap.timeCs / 100.0) * 3.6;
        EXPECT_GT(avgKmh, 100.0);
        EXPECT_LT(avgKmh, 220.0);
        EXPECT_LT(lap.recordCount, 6000);
        lo = std::min(lo, lap.timeCs);
        hi = std::max(hi, lap.timeCs);
    }
    EXPECT_GT(hi - lo, 3);    // not identical laps
    EXPECT_LT(hi - lo, 150);  // but the same driver

    o.lapVariation = 0;
    const LoggerMemory same = generateOrFail(o);
    for (const LapInfo& lap : same.laps) EXPECT_NEAR(lap.timeCs, same.laps[0].timeCs, 2);
}

TEST(LapTimes, LapLengthFromPulsesMatchesTheCourse) {
    for (const char* course : {"oval", "circuit"}) {
        GenOptions o;
        o.course = course;
        o.laps = 2;
        o.segments = 6;
        o.mmPerPulse = 150;
        const LoggerMemory m = generateOrFail(o);
        for (const LapInfo& lap : m.laps) {
            long pulses = 0;
            for (int s = 1; s <= 6; ++s) pulses += u16(m.segmentSummary(lap.number, s) + 20);
            // The samples of a lap cover its length give or take one record's travel.
            EXPECT_NEAR(pulses * 0.150, m.course.length, 8.0) << course;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Ring addresses

TEST(RingAddresses, WrapAndLocateLikeTheTerminal) {
    GenOptions o;
    o.course = "circuit";
    o.laps = 6;
    o.memCode = 1;  // 12288 records
    o.startAddress = 11000;
    const LoggerMemory m = generateOrFail(o);
    ASSERT_EQ(m.memRecs, 12288);
    ASSERT_GT(m.startAddress + int(m.records.size()), m.memRecs) << "the data should wrap";
    const int s0 = u16(m.segmentSummary(m.lapFirst, 1) + 30);
    EXPECT_EQ(s0, 11000);
    bool sawWrapped = false;
    for (const LapInfo& lap : m.laps) {
        const int s = u16(m.segmentSummary(lap.number, 1) + 30);
        EXPECT_LT(s, m.memRecs);
        sawWrapped = sawWrapped || s < s0;
        int index = s - s0;
        if (index < 0) index += m.memRecs;
        EXPECT_EQ(index, lap.firstRecord);
        EXPECT_EQ(m.records[size_t(index)][6], kLapMarker);
        EXPECT_EQ(m.records[size_t(index)][13], lap.number);
    }
    EXPECT_TRUE(sawWrapped);

    const std::vector<Record> ring = m.ring();
    ASSERT_EQ(ring.size(), 12288u);
    for (size_t i = 0; i < m.records.size(); ++i) EXPECT_EQ(ring[(11000 + i) % 12288], m.records[i]) << i;
    const size_t unused = (11000 + m.records.size()) % 12288;
    EXPECT_EQ(ring[unused], Record{});
    EXPECT_EQ(ring[10999], Record{});
}

TEST(RingAddresses, LapStartingAtAddressZeroIsReported) {
    GenOptions o;
    o.course = "oval";
    o.laps = 2;
    o.startAddress = 0;
    const LoggerMemory m = generateOrFail(o);
    ASSERT_FALSE(m.warnings.empty());
    EXPECT_THAT(m.warnings[0], HasSubstr("address 0"));
}

// ---------------------------------------------------------------------------------------------
// Course layout from the records

struct ClosureCase {
    const char* name;
    std::string course;  // built-in name, or "tracks/<file>" in the repository's track folder
    int carType;
    bool zeroOffset;  // the terminal's zero offset only suits laps that start on a straight
    double expectedTurns;
};

class LayoutClosure : public ::testing::TestWithParam<ClosureCase> {};

TEST_P(LayoutClosure, CleanLapClosesAndFollowsTheCourse) {
    const ClosureCase& c = GetParam();
    GenOptions o;
    o.course = c.course;
    if (c.course.starts_with("tracks/")) {
        const auto path = trackFile(c.course.substr(7));
        if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " not found";
        o.course = path.string();
    }
    o.laps = 3;
    o.carType = c.carType;
    o.seed = 42;
    const LoggerMemory m = generateOrFail(o);
    ASSERT_FALSE(m.laps.empty());
    for (const LapInfo& lap : m.laps) {
        SCOPED_TRACE("lap " + std::to_string(lap.number));
        const Layout l = layOut(m, lap, o.mmPerPulse, c.carType, c.zeroOffset);
        EXPECT_NEAR(l.turns, c.expectedTurns, 0.02);
        EXPECT_LT(l.gap(), 0.01 * l.length) << "gap " << l.gap() << " m of " << l.length << " m";
        EXPECT_NEAR(l.length, m.course.length, 0.01 * m.course.length);

        // Mirror the layout (right turns count positive), turn it onto the course's start heading
        // and walk both lines together; with the closure error spread evenly, they stay close.
        const double h0 = m.course.headingAt(0.0);
        const Point p0 = m.course.positionAt(0.0);
        double worst = 0;
        const double n = double(l.x.size());
        for (size_t i = 0; i < l.x.size(); ++i) {
            const double cx = l.x[i] - l.x.back() * double(i + 1) / n;
            const double cy = -(l.y[i] - l.y.back() * double(i + 1) / n);
            const double wx = p0.x + cx * std::cos(h0) - cy * std::sin(h0);
            const double wy = p0.y + cx * std::sin(h0) + cy * std::cos(h0);
            const Point ref = m.course.positionAt(m.course.length * l.along[i] / l.length);
            worst = std::max(worst, std::hypot(wx - ref.x, wy - ref.y));
        }
        EXPECT_LT(worst, 0.01 * m.course.length);
    }
}

INSTANTIATE_TEST_SUITE_P(Courses, LayoutClosure,
                         ::testing::Values(ClosureCase{"OvalCar", "oval", kCar, true, -1.0},
                                           ClosureCase{"CircuitCar", "circuit", kCar, true, 1.0},
                                           ClosureCase{"CircuitNormal", "circuit", kNormal, false, 1.0},
                                           ClosureCase{"Monza", "tracks/Monza.csv", kCar, false, 1.0},
                                           ClosureCase{"BrandsHatch", "tracks/BrandsHatch.csv", kCar, false, 1.0},
                                           ClosureCase{"SpaNormal", "tracks/Spa.csv", kNormal, false, 1.0}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Channels

TEST(Channels, StayInTheirRangesForEveryVehicle) {
    for (int car : {kCar, kBike, kNormal}) {
        SCOPED_TRACE("car type " + std::to_string(car));
        GenOptions o;
        o.course = "circuit";
        o.laps = 2;
        o.carType = car;
        o.rpmMax = 9000;
        o.temp1Max = 100;
        const LoggerMemory m = generateOrFail(o);
        int maxKmh = 0, minKmh = 1000, maxRpm = 0, cornersSeen = 0;
        for (const Record& r : m.records) {
            if (isMarker(r)) continue;
            EXPECT_LT(r[6], 254);
            EXPECT_LT(u16(&r[6]), 100);
            EXPECT_LE(r[4], 200);
            EXPECT_LE(r[5], 200);
            const int kmh = kmhOf(o.mmPerPulse, u16(&r[12]));
            maxKmh = std::max(maxKmh, kmh);
            minKmh = std::min(minKmh, kmh);
            maxRpm = std::max(maxRpm, u16(&r[10]) * 75 / 2);
            const int g = std::int8_t(r[0]);
            if (car == kBike && std::abs(g) >= 15) {
                ++cornersSeen;
                const int lean = std::int8_t(r[1]);
                EXPECT_EQ(lean > 0, g > 0) << "lean " << lean << " g " << g;
                EXPECT_GT(std::abs(lean), 15);
                EXPECT_LT(std::abs(lean), 60);
            }
            if (car != kBike) {
                EXPECT_GE(r[1], 125);
                EXPECT_LE(r[1], 150);
            }
        }
        EXPECT_GT(minKmh, 30);
        EXPECT_LT(maxKmh, 320);
        EXPECT_LE(maxRpm, 9000);
        EXPECT_GT(maxRpm, 7000);
        if (car == kBike) {
            EXPECT_GT(cornersSeen, 20);
        }
    }
}

TEST(Channels, MissingSensorsRead255) {
    GenOptions o;
    o.course = "oval";
    o.laps = 1;
    o.steeringSensor = false;
    o.throttleSensor = false;
    const LoggerMemory m = generateOrFail(o);
    for (const Record& r : m.records) {
        if (isMarker(r)) continue;
        EXPECT_EQ(r[4], 255);
        EXPECT_EQ(r[5], 255);
    }
}

TEST(Channels, SensorOffsetShiftsOnlyTheGByte) {
    GenOptions o;
    o.course = "oval";
    o.laps = 2;
    const LoggerMemory clean = generateOrFail(o);
    o.offset = 3;
    const LoggerMemory shifted = generateOrFail(o);
    ASSERT_EQ(clean.records.size(), shifted.records.size());
    for (size_t i = 0; i < clean.records.size(); ++i) {
        Record a = clean.records[i], b = shifted.records[i];
        if (!isMarker(a)) {
            EXPECT_EQ(std::int8_t(b[0]), std::int8_t(a[0]) + 3);
        }
        a[0] = b[0] = 0;
        EXPECT_EQ(a, b) << i;
    }
    EXPECT_EQ(clean.lapTable.size(), shifted.lapTable.size());
}

TEST(Channels, SpeedUnitChangesOnlyTheHeader) {
    GenOptions o;
    o.course = "oval";
    o.laps = 2;
    const std::vector<std::uint8_t> km = generateOrFail(o).fileBytes();
    o.speedUnit = 1;
    const std::vector<std::uint8_t> miles = generateOrFail(o).fileBytes();
    ASSERT_EQ(km.size(), miles.size());
    EXPECT_EQ(miles[0], km[0] | 1);
    EXPECT_TRUE(std::equal(km.begin() + 1, km.end(), miles.begin() + 1));
}

// ---------------------------------------------------------------------------------------------
// Determinism

TEST(Determinism, SameSeedSameBytesOtherSeedOtherBytes) {
    GenOptions o;
    o.course = "circuit";
    o.laps = 2;
    o.noise = 1.5;
    o.seed = 7;
    const auto a = generateOrFail(o).fileBytes();
    const auto b = generateOrFail(o).fileBytes();
    EXPECT_EQ(a, b);
    o.seed = 8;
    const auto c = generateOrFail(o).fileBytes();
    EXPECT_NE(a, c);
}

// ---------------------------------------------------------------------------------------------
// Failures

TEST(Failures, BadOptionsAreRefusedWithAReason) {
    struct Bad {
        const char* what;
        void (*apply)(GenOptions&);
    };
    const Bad cases[] = {
        {"laps", [](GenOptions& o) { o.laps = 0; }},
        {"last lap", [](GenOptions& o) { o.firstLap = 100, o.laps = 30; }},
        {"segments", [](GenOptions& o) { o.segments = 16; }},
        {"mmPerPulse", [](GenOptions& o) { o.mmPerPulse = 99; }},
        {"tachoPulse", [](GenOptions& o) { o.tachoPulse = 9; }},
        {"carType", [](GenOptions& o) { o.carType = 3; }},
        {"startAddress", [](GenOptions& o) { o.memCode = 1, o.startAddress = 12288; }},
        {"prsRange", [](GenOptions& o) { o.prsRange = 3; }},
        {"noise", [](GenOptions& o) { o.noise = -1; }},
        {"missing course file", [](GenOptions& o) { o.course = "no/such/course.csv"; }},
    };
    for (const Bad& b : cases) {
        GenOptions o;
        o.course = "oval";
        b.apply(o);
        const GenResult r = generateLog(o);
        EXPECT_FALSE(r) << b.what;
        EXPECT_FALSE(r.error.empty()) << b.what;
    }
}

TEST(Failures, TooManyRecordsForTheMemoryAreRefused) {
    GenOptions o;
    o.course = "circuit";
    o.laps = 30;  // about 18000 records
    o.memCode = 1;
    const GenResult r = generateLog(o);
    ASSERT_FALSE(r);
    EXPECT_THAT(r.error, HasSubstr("12288"));
    o.memCode = 0;
    EXPECT_TRUE(generateLog(o)) << "53248 records hold them";
}

TEST(Failures, LapLongerThanTheTerminalTakesIsRefused) {
    // A 44 km circle is refused before driving (even flat out a lap needs too many records); a
    // 15 km line wiggling all the way is slow enough to be refused once the records are counted.
    std::vector<Point> circle, snake;
    for (int i = 0; i < 720; ++i) {
        const double a = i * std::numbers::pi / 360;
        circle.push_back({7000 * std::cos(a), 7000 * std::sin(a)});
    }
    for (int i = 0; i < 20000; ++i) {
        const double a = i * std::numbers::pi / 10000;
        const double r = 1500 + 25 * std::sin(120 * a);
        snake.push_back({r * std::cos(a), r * std::sin(a)});
    }
    for (const auto& points : {circle, snake}) {
        const CourseResult course = makeCourse("long", points);
        ASSERT_TRUE(course.ok()) << course.error;
        GenOptions o;
        o.laps = 1;
        o.segments = 15;
        o.carType = kNormal;
        const GenResult r = generateLog(o, course.course);
        ASSERT_FALSE(r);
        EXPECT_THAT(r.error, HasSubstr("5999"));
    }
}

TEST(Failures, SegmentPulsesBeyondSixteenBitsAreRefused) {
    std::vector<Point> ring;
    for (int i = 0; i < 360; ++i) {
        const double a = i * std::numbers::pi / 180;
        ring.push_back({1200 * std::cos(a), 1200 * std::sin(a)});  // 7.5 km, 75000 pulses of 100 mm
    }
    const CourseResult big = makeCourse("wide", ring);
    ASSERT_TRUE(big.ok()) << big.error;
    GenOptions o;
    o.laps = 1;
    o.segments = 1;
    o.mmPerPulse = 100;
    const GenResult r = generateLog(o, big.course);
    ASSERT_FALSE(r);
    EXPECT_THAT(r.error, HasSubstr("65535"));
    o.segments = 2;
    EXPECT_TRUE(generateLog(o, big.course));
}

// ---------------------------------------------------------------------------------------------
// Course files

class CourseFiles : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = ::testing::TempDir() + name;
        std::ofstream(path, std::ios::binary) << text;
        written_.push_back(path);
        return path;
    }
    void TearDown() override {
        for (const std::string& p : written_) std::remove(p.c_str());
    }
    std::vector<std::string> written_;
};

TEST_F(CourseFiles, CommentsBlankLinesExtraColumnsAndCrLfAreAccepted) {
    std::string text = "# x_m,y_m,w_tr_right_m,w_tr_left_m\r\n\r\n";
    // A 200 m square, driven anticlockwise, points every 10 m.
    for (int i = 0; i < 20; ++i) text += std::to_string(i * 10) + ",0,5.1,5.2\r\n";
    for (int i = 0; i < 20; ++i) text += "200, " + std::to_string(i * 10) + "\r\n";
    text += "# the far side\n";
    for (int i = 0; i < 20; ++i) text += std::to_string(200 - i * 10) + ",200,x\n";
    for (int i = 0; i < 20; ++i) text += "0," + std::to_string(200 - i * 10) + "\n";
    const CourseResult r = loadCourseFile(write("square.csv", text));
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.course.name, "square");
    EXPECT_NEAR(r.course.length, 800.0, 16.0);  // corners are rounded off a little
    EXPECT_NEAR(r.course.totalTurn, 2 * std::numbers::pi, 1e-9);
    EXPECT_NEAR(r.course.spacing, 1.0, 0.01);
}

TEST_F(CourseFiles, GarbageLineIsReportedWithItsNumber) {
    const std::string path = write("garbage.csv", "# header\n0,0\n100,0\n100,abc\n0,100\n");
    const CourseResult r = loadCourseFile(path);
    ASSERT_FALSE(r.ok());
    EXPECT_THAT(r.error, HasSubstr("line 4"));
    EXPECT_THAT(r.error, HasSubstr("100,abc"));

    GenOptions o;
    o.course = path;
    const GenResult g = generateLog(o);
    EXPECT_FALSE(g);
    EXPECT_THAT(g.error, HasSubstr("line 4"));
}

TEST_F(CourseFiles, SingleColumnAndEmptyFilesAreReported) {
    EXPECT_THAT(loadCourseFile(write("onecol.csv", "12.5\n13.5\n")).error, HasSubstr("line 1"));
    EXPECT_THAT(loadCourseFile(write("empty.csv", "# nothing\n\n")).error, HasSubstr("no points"));
    EXPECT_THAT(loadCourseFile(write("few.csv", "0,0\n100,0\n0,100\n")).error, HasSubstr("at least 4"));
    EXPECT_THAT(loadCourseFile(write("tiny.csv", "0,0\n10,0\n10,10\n0,10\n")).error, HasSubstr("between"));
    EXPECT_THAT(loadCourseFile(::testing::TempDir() + "does_not_exist.csv").error, HasSubstr("cannot open"));
}

TEST(BuiltInCourses, HaveTheAdvertisedShape) {
    const CourseResult oval = builtInCourse("Oval");
    ASSERT_TRUE(oval.ok()) << oval.error;
    EXPECT_NEAR(oval.course.length, 1200.0, 12.0);
    EXPECT_NEAR(oval.course.totalTurn, 2 * std::numbers::pi, 1e-9);  // anticlockwise

    const CourseResult circuit = builtInCourse("circuit");
    ASSERT_TRUE(circuit.ok()) << circuit.error;
    EXPECT_GT(circuit.course.length, 2000.0);
    EXPECT_LT(circuit.course.length, 3000.0);
    EXPECT_NEAR(circuit.course.totalTurn, -2 * std::numbers::pi, 1e-9);  // clockwise
    double maxLeft = 0, maxRight = 0;
    for (double k : circuit.course.curvature) maxLeft = std::max(maxLeft, k), maxRight = std::min(maxRight, k);
    EXPECT_GT(maxLeft, 1.0 / 100);   // a left-hander tighter than 100 m
    EXPECT_LT(maxRight, -1.0 / 40);  // and a right-hand hairpin

    EXPECT_FALSE(builtInCourse("figure8").ok());
}

}  // namespace
}  // namespace loggen
