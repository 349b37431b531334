// The log generator: the bytes it writes, its segment summaries against its records, ring
// addresses, the closure of the laps it drives, its channels, determinism and what it refuses.
#include <algorithm>
#include <cmath>
#include <cstdio>
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

// Whether every byte of r outside `used` is 0.
bool onlyIn(const Record& r, std::initializer_list<size_t> used) {
    for (size_t b = 0; b < r.size(); ++b)
        if (r[b] != 0 && std::find(used.begin(), used.end(), b) == used.end()) return false;
    return true;
}

GenOptions options(const std::string& course, int laps) { return {.laps = laps, .course = course}; }
LoggerMemory generateOrFail(const GenOptions& o) {
    GenResult r = generateLog(o);
    EXPECT_TRUE(r) << r.error;
    return r ? *r.memory : LoggerMemory{};
}

// A circle of the given radius through `n` points, or a path a test bends by `shape`.
std::vector<Point> circlePoints(double radius, int n, double (*shape)(double) = nullptr) {
    std::vector<Point> pts;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n, r = shape ? shape(a) : radius;
        pts.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return pts;
}

// Lays a lap out the way the terminal's course layout does: heading from lateral G over speed,
// optionally the zero offset of the first ten samples taken off, the heading sum pulled to whole
// turns. One point per sample, before the position correction.
struct Layout {
    std::vector<double> x, y, along;  // along: layout distance at each point
    double length = 0;
    double turns = 0;  // heading sum before the correction, in turns
};
Layout layOut(const LoggerMemory& m, const LapInfo& lap, int mmPerPulse, int carType, bool zeroOffset) {
    std::vector<double> a, d;
    for (int i = lap.firstRecord; i < lap.firstRecord + lap.recordCount; ++i) {
        const Record& r = m.records[size_t(i)];
        if (isMarker(r)) continue;
        const double g = std::int8_t(r[carType == kBike ? 1 : 0]);
        a.push_back((carType == kBike ? std::tan(g * 0.01745) : g) * 0.383);
        d.push_back(kmhOf(mmPerPulse, u16(&r[12])) * 0.02777);
    }
    double offset = 0, kaku = 0;
    for (size_t i = 0; i < 10 && zeroOffset && carType != kNormal; ++i) offset += a[i] / 10;
    for (size_t i = 0; i < a.size(); ++i) kaku += d[i] != 0 ? (a[i] - offset) * 0.01 / d[i] : 0;
    Layout out;
    out.turns = kaku / 6.28318;
    const double corr = (kaku - std::round(out.turns) * 6.28318) / double(a.size() - 1);
    double x = 0, y = 0;
    kaku = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (d[i] != 0) kaku += (a[i] - offset) * 0.01 / d[i] - corr;
        out.x.push_back(x += d[i] * std::cos(kaku));
        out.y.push_back(y += d[i] * std::sin(kaku));
        out.along.push_back(out.length += d[i]);
    }
    return out;
}

TEST(LogLayout, HeaderThenLapTableThenRecords) {
    GenOptions o = options("oval", 3);
    o.firstLap = 7, o.speedUnit = 1, o.tachoPulse = 8, o.courseNumber = 5, o.rpmMax = 12000, o.prsRange = 2;
    o.carType = kBike, o.memCode = 2, o.afMode = 100, o.inG = 60, o.outG = 25, o.temp1Max = 150, o.temp2Max = 300;
    const LoggerMemory m = generateOrFail(o);
    // Miles and last lap 9; tacho 8, course 5; rpm; pressure range; bike, memory code 2; A/F mode; in G; out G;
    // first lap; temperature limits.
    EXPECT_EQ(m.header, (std::array<std::uint8_t, 16>{19, 88, 46, 224, 2, 33, 0, 100, 0, 60, 25, 7, 0, 150, 1, 44}));
    EXPECT_EQ(m.memRecs, 20480);
    EXPECT_EQ(m.lapFirst, 7);
    EXPECT_EQ(m.lapLast, 9);

    const std::vector<std::uint8_t> f = m.fileBytes();
    ASSERT_EQ(f.size(), 16 + 480 * 3 + 16 * m.records.size());
    EXPECT_TRUE(std::equal(m.header.begin(), m.header.end(), f.begin()));
    EXPECT_TRUE(std::equal(m.lapTable.begin(), m.lapTable.end(), f.begin() + 16));
    // Lap 7's marker first, the closing marker of lap 10 last.
    EXPECT_EQ(f[16 + 480 * 3 + 6], kLapMarker);
    EXPECT_EQ(f[16 + 480 * 3 + 13], 7);
    EXPECT_EQ(f[f.size() - 16 + 6], kLapMarker);
    EXPECT_EQ(f[f.size() - 16 + 13], 10);
    const std::string path = ::testing::TempDir() + "loggen_layout.log";
    ASSERT_EQ(writeLogFile(m, path), "");
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), f);
    std::remove(path.c_str());
}

struct SummaryCase {
    const char* name;
    std::string course;
    int segments, carType;
    double noise;
    int offset;
};
class SegmentSummaries : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(SegmentSummaries, AgreeWithTheRecords) {
    const SummaryCase& c = GetParam();
    GenOptions o = options(c.course, 3);
    o.segments = c.segments, o.carType = c.carType, o.noise = c.noise, o.offset = c.offset;
    o.firstLap = 11, o.startAddress = 777, o.mmPerPulse = 150;
    const LoggerMemory m = generateOrFail(o);
    ASSERT_EQ(m.laps.size(), 3u);
    // Record bytes of rpm, speed, temperature 1 and 2, and where their lowest and highest go.
    const size_t field[] = {10, 12, 6, 8}, summary[] = {2, 6, 12, 16};
    auto isZero = [](std::uint8_t b) { return b == 0; };
    for (const LapInfo& lap : m.laps) {
        SCOPED_TRACE("lap " + std::to_string(lap.number));
        const std::uint8_t* s1 = m.segmentSummary(lap.number, 1);
        ASSERT_NE(s1, nullptr);
        // Lap markers at the start address the first segment names.
        EXPECT_EQ(u16(s1 + 28), o.mmPerPulse);
        EXPECT_EQ(u16(s1 + 30), m.addressOf(lap.firstRecord));
        // Markers carry their fields and nothing else.
        const Record& first = m.records[size_t(lap.firstRecord)];
        ASSERT_EQ(first[6], kLapMarker);
        EXPECT_EQ(u16(&first[2]), o.mmPerPulse);
        EXPECT_EQ(first[11], c.carType);
        EXPECT_EQ(first[13], lap.number);
        EXPECT_TRUE(onlyIn(first, {2, 3, 6, 11, 13}));
        ASSERT_EQ(m.records[size_t(lap.firstRecord + lap.recordCount)][6], kLapMarker);
        int lapTime = 0;
        long lapPulses = 0;
        size_t i = size_t(lap.firstRecord) + 1;
        for (int seg = 1; seg <= c.segments; ++seg, ++i) {
            SCOPED_TRACE("segment " + std::to_string(seg));
            int lo[4], hi[4], peak = 0, n = 0;
            long pulses = 0;
            for (; !isMarker(m.records[i]); ++i, ++n) {
                const Record& r = m.records[i];
                for (int k = 0; k < 4; ++k) {
                    const int v = u16(&r[field[k]]);
                    lo[k] = n == 0 ? v : std::min(lo[k], v);
                    hi[k] = n == 0 ? v : std::max(hi[k], v);
                }
                if (n == 0 || std::abs(std::int8_t(r[0])) > std::abs(peak)) peak = std::int8_t(r[0]);
                pulses += u16(&r[14]);
            }
            ASSERT_GT(n, 0);
            const std::uint8_t* s = m.segmentSummary(lap.number, seg);
            for (int k = 0; k < 4; ++k) {
                EXPECT_EQ(u16(s + summary[k]), lo[k]) << k;
                EXPECT_EQ(u16(s + summary[k] + 2), hi[k]) << k;
            }
            EXPECT_EQ(s[10], 0);
            EXPECT_EQ(std::int8_t(s[11]), peak);
            EXPECT_EQ(u16(s + 20), pulses);
            EXPECT_TRUE(std::all_of(s + 22, s + 28, isZero));
            const int segTime = u16(s);
            EXPECT_GT(segTime, 0);
            lapTime += segTime;
            lapPulses += pulses;
            const Record& marker = m.records[i];
            if (seg < c.segments) {
                EXPECT_EQ(marker[6], kSegmentMarker);
                EXPECT_EQ(marker[9], seg);
                EXPECT_EQ(u16(&marker[0]), segTime);
                EXPECT_TRUE(onlyIn(marker, {0, 1, 6, 9}));
            } else {
                EXPECT_EQ(marker[6], kLapMarker);
                EXPECT_EQ(marker[13], lap.number + 1);
            }
        }
        EXPECT_EQ(lapTime, lap.timeCs);
        EXPECT_NEAR(lapPulses * 0.150, m.course.length, 8.0);  // the samples cover the lap, give or take one
        EXPECT_TRUE(std::all_of(s1 + c.segments * kSegmentBytes, s1 + kLapTableBytes, isZero));  // no more segments
        EXPECT_NEAR((lap.recordCount - c.segments) * 10, lap.timeCs, 11);  // samples, less the markers
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, SegmentSummaries,
                         ::testing::Values(SummaryCase{"OvalBikeOneSegmentNoisyOffset", "oval", 1, kBike, 3.0, -2},
                                           SummaryCase{"CircuitNormalFifteenSegments", "circuit", 15, kNormal, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LapTimes, ArePlausibleDifferByTenthsAndFollowTheSeed) {
    GenOptions o = options("oval", 8);
    const LoggerMemory m = generateOrFail(o);
    int lo = 1 << 30, hi = 0;
    for (const LapInfo& lap : m.laps) {
        const double avgKmh = m.course.length / (lap.timeCs / 100.0) * 3.6;
        EXPECT_GT(avgKmh, 100) << avgKmh;
        EXPECT_LT(avgKmh, 220) << avgKmh;
        EXPECT_LT(lap.recordCount, 6000) << avgKmh;
        lo = std::min(lo, lap.timeCs), hi = std::max(hi, lap.timeCs);
    }
    EXPECT_GT(hi - lo, 3) << hi - lo;
    EXPECT_LT(hi - lo, 150) << hi - lo;  // not identical laps, but the same driver
    o.lapVariation = 0;
    const LoggerMemory same = generateOrFail(o);
    for (const LapInfo& lap : same.laps) EXPECT_NEAR(lap.timeCs, same.laps[0].timeCs, 2);
    // Deterministic: the same seed gives the same bytes, another seed others.
    o.noise = 1.5;
    const auto bytes = generateOrFail(o).fileBytes();
    EXPECT_EQ(generateOrFail(o).fileBytes(), bytes);
    o.seed = 8;
    EXPECT_NE(generateOrFail(o).fileBytes(), bytes);
}

TEST(SlowCorner, OneLapIsSlowerThroughOneCornerOnlyAndOnlyThatLap) {
    // Lap 2 with 80 % grip around 750 m of 2079 m. Segment times are whole 1/100 s of crossings
    // that fall differently among the records: "as they were" is within 0.02 s.
    GenOptions o = options("circuit", 3);
    o.segments = 4;
    o.lapVariation = 0;
    const LoggerMemory plain = generateOrFail(o);
    o.slowLap = 2;
    o.slowAt = 750;
    o.slowLength = 120;
    o.slowGrip = 0.8;
    const LoggerMemory slowed = generateOrFail(o);
    const std::vector<int>& base = plain.laps[1].segmentTimesCs;
    const std::vector<int>& slow = slowed.laps[1].segmentTimesCs;
    ASSERT_EQ(slow.size(), 4u);
    EXPECT_GT(slow[1] - base[1], 20) << "segment 2 (520..1040 m) holds the corner";
    for (size_t s : {0u, 2u, 3u}) EXPECT_NEAR(slow[s], base[s], 2) << "segment " << s + 1;
    for (size_t lap : {0u, 2u}) EXPECT_NEAR(slowed.laps[lap].timeCs, plain.laps[lap].timeCs, 2) << lap;
    // Slower where it was slowed: the lowest speed of the segment is lower.
    const std::uint8_t* a = plain.segmentSummary(2, 2);
    const std::uint8_t* b = slowed.segmentSummary(2, 2);
    EXPECT_LT(u16(b + 6), u16(a + 6) * 0.95);
}

TEST(RingAddresses, WrapAndLocateLikeTheTerminal) {
    GenOptions o = options("circuit", 6);
    o.memCode = 1;  // 12288 records
    o.startAddress = 11000;
    const LoggerMemory m = generateOrFail(o);
    ASSERT_EQ(m.memRecs, 12288);
    ASSERT_GT(m.startAddress + int(m.records.size()), m.memRecs) << "the data should wrap";
    bool sawWrapped = false;
    for (const LapInfo& lap : m.laps) {
        const int s = u16(m.segmentSummary(lap.number, 1) + 30);
        EXPECT_LT(s, m.memRecs);
        sawWrapped = sawWrapped || s < 11000;
        const int index = (s - 11000 + m.memRecs) % m.memRecs;
        ASSERT_EQ(index, lap.firstRecord);
        EXPECT_EQ(m.records[size_t(index)][6], kLapMarker);
        EXPECT_EQ(m.records[size_t(index)][13], lap.number);
    }
    EXPECT_TRUE(sawWrapped);
    const std::vector<Record> ring = m.ring();
    ASSERT_EQ(ring.size(), 12288u);
    for (size_t i = 0; i < m.records.size(); ++i) EXPECT_EQ(ring[(11000 + i) % 12288], m.records[i]) << i;
    EXPECT_EQ(ring[(11000 + m.records.size()) % 12288], Record{});
    EXPECT_EQ(ring[10999], Record{});

    o = options("oval", 2);  // a lap at address 0 reads as "no lap" to the terminal: reported
    o.startAddress = 0;
    const LoggerMemory zero = generateOrFail(o);
    ASSERT_FALSE(zero.warnings.empty());
    EXPECT_THAT(zero.warnings[0], HasSubstr("address 0"));
}

struct ClosureCase {
    const char* name;
    std::string course;
    int carType;
    bool zeroOffset;  // the terminal's zero offset only suits laps that start on a straight
    double expectedTurns;
};
class LayoutClosure : public ::testing::TestWithParam<ClosureCase> {};

TEST_P(LayoutClosure, CleanLapClosesAndFollowsTheCourse) {
    const ClosureCase& c = GetParam();
    GenOptions o = options(c.course, 3);
    o.carType = c.carType;
    o.seed = 42;
    const LoggerMemory m = generateOrFail(o);
    ASSERT_FALSE(m.laps.empty());
    for (const LapInfo& lap : m.laps) {
        SCOPED_TRACE("lap " + std::to_string(lap.number));
        const Layout l = layOut(m, lap, o.mmPerPulse, c.carType, c.zeroOffset);
        EXPECT_NEAR(l.turns, c.expectedTurns, 0.02);
        EXPECT_LT(std::hypot(l.x.back(), l.y.back()), 0.01 * l.length);
        EXPECT_NEAR(l.length, m.course.length, 0.01 * m.course.length);
        // Mirrored (right turns positive), turned onto the start heading, the closure error spread.
        const double h0 = m.course.headingAt(0.0), n = double(l.x.size());
        const Point p0 = m.course.positionAt(0.0);
        double worst = 0;
        for (size_t i = 0; i < l.x.size(); ++i) {
            const double cx = l.x[i] - l.x.back() * double(i + 1) / n;
            const double cy = -(l.y[i] - l.y.back() * double(i + 1) / n);
            const Point ref = m.course.positionAt(m.course.length * l.along[i] / l.length);
            worst = std::max(worst, std::hypot(p0.x + cx * std::cos(h0) - cy * std::sin(h0) - ref.x,
                                               p0.y + cx * std::sin(h0) + cy * std::cos(h0) - ref.y));
        }
        EXPECT_LT(worst, 0.01 * m.course.length);
    }
}

INSTANTIATE_TEST_SUITE_P(Courses, LayoutClosure,
                         ::testing::Values(ClosureCase{"OvalCar", "oval", kCar, true, -1.0},
                                           ClosureCase{"CircuitNormal", "circuit", kNormal, false, 1.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Channels, StayInTheirRangesForEveryVehicle) {
    for (int car : {kCar, kBike, kNormal}) {
        SCOPED_TRACE("car type " + std::to_string(car));
        GenOptions o = options("circuit", 2);
        o.carType = car, o.rpmMax = 9000, o.temp1Max = 100;
        int maxKmh = 0, minKmh = 1000, maxRpm = 0, corners = 0;
        for (const Record& r : generateOrFail(o).records) {
            if (isMarker(r)) continue;
            EXPECT_LT(r[6], 254);
            EXPECT_LT(u16(&r[6]), 100);
            EXPECT_LE(r[4], 200);
            EXPECT_LE(r[5], 200);
            const int kmh = kmhOf(o.mmPerPulse, u16(&r[12])), g = std::int8_t(r[0]), lean = std::int8_t(r[1]);
            maxKmh = std::max(maxKmh, kmh), minKmh = std::min(minKmh, kmh);
            maxRpm = std::max(maxRpm, u16(&r[10]) * 75 / 2);
            if (car == kBike && std::abs(g) >= 15) {  // leaning into the turn
                ++corners;
                EXPECT_EQ((lean > 0), (g > 0)) << lean << " " << g;
                EXPECT_GT(std::abs(lean), 15) << lean << " " << g;
                EXPECT_LT(std::abs(lean), 60) << lean << " " << g;
            }
            EXPECT_TRUE(car == kBike || (r[1] >= 125 && r[1] <= 150));  // battery volts
        }
        EXPECT_GT(minKmh, 30) << minKmh << " " << maxKmh;
        EXPECT_LT(maxKmh, 320) << minKmh << " " << maxKmh;
        EXPECT_LE(maxRpm, 9000) << minKmh << " " << maxKmh;
        EXPECT_GT(maxRpm, 7000) << minKmh << " " << maxKmh;
        EXPECT_TRUE(car != kBike || corners > 20) << corners;
    }
}

TEST(Channels, OffsetSpeedUnitAndMissingSensorsChangeOnlyTheirBytes) {
    GenOptions o = options("oval", 2);
    const LoggerMemory clean = generateOrFail(o);
    o.offset = 3;
    const LoggerMemory shifted = generateOrFail(o);
    ASSERT_EQ(clean.records.size(), shifted.records.size());
    for (size_t i = 0; i < clean.records.size(); ++i) {
        Record a = clean.records[i], b = shifted.records[i];
        EXPECT_TRUE(isMarker(a) || std::int8_t(b[0]) == std::int8_t(a[0]) + 3) << i;
        a[0] = b[0] = 0;
        EXPECT_EQ(a, b) << i;
    }
    o = options("oval", 2);
    o.speedUnit = 1;
    const std::vector<std::uint8_t> km = clean.fileBytes(), miles = generateOrFail(o).fileBytes();
    ASSERT_EQ(km.size(), miles.size());
    EXPECT_EQ(miles[0], km[0] | 1);
    EXPECT_TRUE(std::equal(km.begin() + 1, km.end(), miles.begin() + 1));
    o.steeringSensor = o.throttleSensor = false;
    for (const Record& r : generateOrFail(o).records) EXPECT_TRUE(isMarker(r) || (r[4] == 255 && r[5] == 255));
}

TEST(Failures, BadOptionsAreRefusedWithAReason) {
    const std::pair<const char*, void (*)(GenOptions&)> cases[] = {
        {"laps", [](GenOptions& o) { o.laps = 0; }},
        {"last lap", [](GenOptions& o) { o.firstLap = 100, o.laps = 30; }},
        {"segments", [](GenOptions& o) { o.segments = 16; }},
        {"mmPerPulse", [](GenOptions& o) { o.mmPerPulse = 99; }},
        {"tachoPulse", [](GenOptions& o) { o.tachoPulse = 9; }},
        {"carType", [](GenOptions& o) { o.carType = 3; }},
        {"startAddress", [](GenOptions& o) { o.memCode = 1, o.startAddress = 12288; }},
        {"prsRange", [](GenOptions& o) { o.prsRange = 3; }},
        {"noise", [](GenOptions& o) { o.noise = -1; }},
        {"slowLap", [](GenOptions& o) { o.slowLap = 6; }},
        {"slowGrip", [](GenOptions& o) { o.slowLap = 2, o.slowGrip = 0.2; }},
        {"slowAt", [](GenOptions& o) { o.slowLap = 2, o.slowAt = 1e6; }},
        {"slowLength", [](GenOptions& o) { o.slowLap = 2, o.slowLength = 0; }}};
    for (const auto& [what, apply] : cases) {
        GenOptions o = options("oval", 5);
        apply(o);
        const GenResult r = generateLog(o);
        EXPECT_FALSE(r) << what;
        EXPECT_FALSE(r.error.empty()) << what;
    }
}

TEST(Failures, WhatDoesNotFitTheMemoryTheTerminalOrTheSummaryIsRefused) {
    GenOptions o = options("circuit", 30);  // about 18000 records
    o.memCode = 1;
    EXPECT_THAT(generateLog(o).error, HasSubstr("12288"));
    o.memCode = 0;
    EXPECT_TRUE(generateLog(o)) << "53248 records hold them";

    // Refused before driving (a 44 km circle) and once the records are counted (a slow 15 km wiggle).
    for (const auto& points :
         {circlePoints(7000, 720), circlePoints(0, 20000, [](double a) { return 1500 + 25 * std::sin(120 * a); })}) {
        const CourseResult course = makeCourse("long", points);
        ASSERT_TRUE(course.ok()) << course.error;
        o = options("", 1);
        o.segments = 15, o.carType = kNormal;
        EXPECT_THAT(generateLog(o, course.course).error, HasSubstr("5999"));
    }
    // 7.5 km in one segment is 75000 pulses of 100 mm: beyond the summary's 16 bits.
    const CourseResult wide = makeCourse("wide", circlePoints(1200, 360));
    ASSERT_TRUE(wide.ok()) << wide.error;
    o = options("", 1);
    o.segments = 1, o.mmPerPulse = 100;
    EXPECT_THAT(generateLog(o, wide.course).error, HasSubstr("65535"));
    o.segments = 2;
    EXPECT_TRUE(generateLog(o, wide.course));
}

TEST(CourseFiles, AcceptedFormsAndReportedFaults) {
    auto write = [](const std::string& name, const std::string& text) {
        const std::string path = ::testing::TempDir() + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    };
    // A 200 m square, driven anticlockwise, points every 10 m: comments, blank lines, extra columns, CR LF.
    std::string text = "# x_m,y_m,w_tr_right_m,w_tr_left_m\r\n\r\n";
    for (int i = 0; i < 20; ++i) text += std::to_string(i * 10) + ",0,5.1,5.2\r\n";
    for (int i = 0; i < 20; ++i) text += "200, " + std::to_string(i * 10) + "\r\n";
    text += "# the far side\n";
    for (int i = 0; i < 20; ++i) text += std::to_string(200 - i * 10) + ",200,x\n";
    for (int i = 0; i < 20; ++i) text += "0," + std::to_string(200 - i * 10) + "\n";
    const std::string square = write("square.csv", text);
    const CourseResult r = loadCourseFile(square);
    std::remove(square.c_str());
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.course.name, "square");
    EXPECT_NEAR(r.course.length, 800.0, 16.0);  // corners are rounded off a little
    EXPECT_NEAR(r.course.totalTurn, 2 * std::numbers::pi, 1e-9);
    EXPECT_NEAR(r.course.spacing, 1.0, 0.01);

    const std::pair<std::string, std::string> faults[] = {
        {write("garbage.csv", "# header\n0,0\n100,0\n100,abc\n0,100\n"),
         "line 4: expected \"x_m,y_m,...\" but found \"100,abc\""},
        {write("onecol.csv", "12.5\n13.5\n"), "line 1"},
        {write("empty.csv", "# nothing\n\n"), "no points"},
        {write("few.csv", "0,0\n100,0\n0,100\n"), "at least 4"},
        {write("tiny.csv", "0,0\n10,0\n10,10\n0,10\n"), "between"},
        {::testing::TempDir() + "does_not_exist.csv", "cannot open"}};
    for (const auto& [path, error] : faults) EXPECT_THAT(loadCourseFile(path).error, HasSubstr(error)) << path;
    EXPECT_THAT(generateLog(options(faults[0].first, 1)).error, HasSubstr(faults[0].second));  // passed on
    for (const auto& fault : faults) std::remove(fault.first.c_str());
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
    const auto [tightRight, tightLeft] =
        std::minmax_element(circuit.course.curvature.begin(), circuit.course.curvature.end());
    EXPECT_GT(*tightLeft, 1.0 / 100);   // a left-hander tighter than 100 m
    EXPECT_LT(*tightRight, -1.0 / 40);  // and a right-hand hairpin
    EXPECT_FALSE(builtInCourse("figure8").ok());
}

}  // namespace
}  // namespace loggen
