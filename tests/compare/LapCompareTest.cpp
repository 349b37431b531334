// The lap comparison's figures: a lap against itself is zero everywhere, the finish is the two lap
// times as the lap list shows them and each segment line their segment times', one lap slowed
// through one corner of a real circuit loses its time there and nowhere else, and references that
// differ (other sample counts, longer or shorter, other units and distance per pulse, standstill,
// other segments, no time or no records) are compared or refused, never a crash.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compare/CompareTestSupport.h"
#include "course/CourseCompare.h"
#include "layout/LogLayout.h"
#include "logdata/Decode.h"
#include "logfiles/LapLists.h"

namespace vt::test {
namespace {

// One lap of an image against one lap of another (or the same) image.
LapComparison compareImages(Module1& cur, int curLap, Module1& ref, int refLap) {
    RefLapState r;
    std::string why;
    EXPECT_TRUE(reference_from_image(ref, refLap, "ref", "ref.log", r, &why)) << why;
    cur.LapCur = static_cast<int16_t>(curLap);
    EXPECT_TRUE(locate_lap(cur));
    return compare_current(cur, r);
}

std::unique_ptr<Module1> imageOf(const loggen::LoggerMemory& mem) {
    auto m = makeModule1();
    readGenerated(*m, mem);
    return m;
}

// The lap list's time of every lap, in 1/100 s, read off its text.
std::vector<int32_t> listedTimes(Module1& m) {
    Form3State st;
    lap_list(m, st);
    std::vector<int32_t> times(static_cast<size_t>(m.LapLast) + 1, -1);
    for (const std::string& line : list_lines(st.Text1)) {
        const int lap = std::stoi(line.substr(0, 5));
        const std::string t = line.substr(6, 7);  // M:SS.CC
        times[static_cast<size_t>(lap)] =
            (t[0] - '0') * 6000 + std::stoi(t.substr(2, 2)) * 100 + std::stoi(t.substr(5, 2));
    }
    return times;
}

float largest(const std::vector<float>& v) {
    float out = 0;
    for (float x : v) out = std::max(out, std::fabs(x));
    return out;
}

TEST(LapCompare, ALapAgainstItselfIsZeroEverywhere) {
    const loggen::GenOptions logs[] = {
        {.laps = 3, .segments = 6, .seed = 7},
        {.laps = 2, .segments = 15, .course = "oval", .mmPerPulse = 613, .noise = 3},
    };
    for (const loggen::GenOptions& o : logs) {
        auto m = imageOf(generate(o));
        for (int lap = m->LapFirst; lap <= m->LapLast; ++lap) {
            SCOPED_TRACE(o.course + " lap " + std::to_string(lap));
            const LapComparison c = compareImages(*m, lap, *m, lap);
            ASSERT_TRUE(c.ok()) << c.diff.error;
            EXPECT_EQ(largest(c.diff.delta), 0.0f);
            EXPECT_EQ(c.diff.final, 0.0f);
            for (const SegmentDiff& s : c.diff.segments) EXPECT_EQ(std::pair(s.diff, s.segDiff), std::pair(0.0f, 0.0f));
            for (const CompareRow& r : compare_rows(c.cur, c.ref, c.diff, 10)) {
                EXPECT_EQ(r.diff, 0.0f) << r.distance;
                EXPECT_EQ(r.speed, r.refSpeed) << r.distance;
            }
            EXPECT_EQ(largest(stretch_gains(c.diff, kGainStretches)), 0.0f);
        }
    }
}

TEST(LapCompare, FinishIsTheLapListsTimesAndEachSegmentLineTheSegmentTimes) {
    auto m = imageOf(generate({.laps = 6, .segments = 7, .seed = 11, .lapVariation = 3}));
    const std::vector<int32_t> listed = listedTimes(*m);
    for (int a = 1; a <= 6; ++a)
        for (int b : {a, a % 6 + 1}) {  // against itself and the next, the last against the first
            SCOPED_TRACE("lap " + std::to_string(a) + " against lap " + std::to_string(b));
            const LapComparison c = compareImages(*m, a, *m, b);
            ASSERT_TRUE(c.ok()) << c.diff.error;
            const int32_t expected = listed[static_cast<size_t>(a)] - listed[static_cast<size_t>(b)];
            EXPECT_EQ(std::lround(c.diff.final * 100), expected);
            EXPECT_EQ(c.diff.delta.back(), c.diff.final);
            EXPECT_EQ(c.diff.at(c.diff.length + 5), c.diff.final);
            // Same segments: lined up at each segment line, whose difference is the segment times'.
            ASSERT_TRUE(c.diff.aligned);
            ASSERT_EQ(c.diff.segments.size(), 7u);
            int32_t cumA = 0, cumB = 0;
            for (int e = 1; e <= 7; ++e) {
                cumA += lapWord(*m, a, e, layout::seg::kTime);
                cumB += lapWord(*m, b, e, layout::seg::kTime);
                const SegmentDiff& s = c.diff.segments[static_cast<size_t>(e - 1)];
                EXPECT_EQ(std::lround(s.diff * 100), cumA - cumB) << "segment " << e;
                EXPECT_EQ(std::lround(s.time * 100), cumA) << "segment " << e;
            }
        }
}

TEST(LapCompare, ALapSlowerThroughOneCornerLosesItsTimeThereAndNowhereElse) {
    // Lap 2 slowed through one corner (80 % of the grip): before its slowed stretch the difference
    // stays at zero, after it at the time lost, within what the records allow (a few hundredths).
    constexpr float kFlat = 0.04f;
    for (const SlowCorner& corner : {slowCorners()[1], slowCorners()[3]}) {  // two circuits of four
        SCOPED_TRACE(corner.track);
        auto m = imageOf(generate(slowedLaps(corner)));
        const LapComparison c = compareImages(*m, 2, *m, 1);
        ASSERT_TRUE(c.ok()) << c.diff.error;
        const auto [from, to] = slowedStretch(c, corner);
        ASSERT_GE(from, 0);
        EXPECT_LE(from, corner.at);
        EXPECT_GE(to, corner.at);

        const float lost = c.diff.final;
        EXPECT_GT(lost, 0.15f);
        float before = 0, after = 0, fall = 0, top = -1;
        for (size_t i = 0; i < c.diff.x.size(); ++i) {
            const float x = c.diff.x[i], d = c.diff.delta[i];
            if (x < from - 20) before = std::max(before, std::fabs(d));
            if (x > to + 20) after = std::max(after, std::fabs(d - lost));
            if (x >= from && x <= to) {
                top = std::max(top, d);
                fall = std::max(fall, top - d);  // the difference only grows through the corner
            }
        }
        EXPECT_LE(before, kFlat) << "before " << from << " m";
        EXPECT_LE(after, kFlat) << "after " << to << " m";
        EXPECT_LE(fall, kFlat);
        EXPECT_NEAR(c.diff.at(to) - c.diff.at(from), lost, 2 * kFlat);

        // The course colours that stretch red and nothing else.
        const std::vector<float> gains = stretch_gains(c.diff, kGainStretches);
        const float stretch = c.diff.length / kGainStretches;
        int red = 0;
        for (size_t s = 0; s < gains.size(); ++s) {
            const float x0 = static_cast<float>(s) * stretch, x1 = x0 + stretch;
            red += gains[s] >= kGainThreshold;
            if (x1 < from - stretch || x0 > to + stretch) {
                EXPECT_LT(std::fabs(gains[s]), kGainThreshold) << "stretch " << x0 << ".." << x1 << " m";
            }
            EXPECT_GT(gains[s], -kGainThreshold) << "stretch " << x0 << ".." << x1 << " m gained";
        }
        EXPECT_GE(red, 1);
    }
}

TEST(LapCompare, ReferencesThatDifferAreComparedOrRefusedNeverACrash) {
    const loggen::GenOptions base{.laps = 2, .segments = 5, .course = trackFile("BrandsHatch"), .lapVariation = 0};
    const loggen::LoggerMemory car = generate(base);
    auto cur = imageOf(car);

    // Other sample counts: a bike on the same circuit takes its laps in another time.
    loggen::GenOptions bikeOptions = base;
    bikeOptions.carType = loggen::kBike;
    auto bike = imageOf(generate(bikeOptions));
    const LapComparison other = compareImages(*cur, 1, *bike, 1);
    ASSERT_TRUE(other.ok()) << other.diff.error;
    EXPECT_NE(other.cur.samplePoint.size(), other.ref.samplePoint.size());
    EXPECT_EQ(std::lround(other.diff.final * 100), other.cur.timeCs - other.ref.timeCs);
    for (float d : other.diff.delta) ASSERT_TRUE(std::isfinite(d));

    // Longer or shorter: the same lap with its distance per pulse said 5 % larger or smaller (a
    // wrong wheel size) is scaled onto the lap and compares to zero.
    for (int mm : {210, 190}) {
        auto other = imageOf(car);
        for (int lap = other->LapFirst; lap <= other->LapLast; ++lap) {
            layout::putWord(&other->LapTbl[static_cast<size_t>(lap)][1][layout::seg::kMmPerPulse], mm);
            other->LapCur = static_cast<int16_t>(lap);
            ASSERT_TRUE(locate_lap(*other));
            layout::putWord(&other->LogMem[static_cast<size_t>(other->RecPtr)][layout::rec::kMmPerPulse], mm);
        }
        const LapComparison c = compareImages(*cur, 1, *other, 1);
        ASSERT_TRUE(c.ok()) << c.diff.error;
        EXPECT_NEAR(c.diff.refLength / c.diff.length, mm / 200.0, 1e-4);
        EXPECT_LT(largest(c.diff.delta), 0.001f) << mm << " mm";
    }

    // The same driving in miles per hour at 250 mm a pulse, or with 3 segments (lined up by the
    // lap's length), compares to zero within what the records allow.
    for (const auto& [mph, segments] : {std::pair{1, 5}, {0, 3}}) {
        loggen::GenOptions o = base;
        o.speedUnit = mph;
        o.mmPerPulse = mph ? 250 : 200;
        o.segments = segments;
        auto ref = imageOf(generate(o));
        const LapComparison c = compareImages(*cur, 2, *ref, 2);
        ASSERT_TRUE(c.ok()) << c.diff.error;
        EXPECT_EQ(c.diff.aligned, segments == 5);
        EXPECT_EQ(c.diff.segments.size(), 5u);
        EXPECT_EQ(std::lround(c.diff.final * 100), c.cur.timeCs - c.ref.timeCs);
        EXPECT_LT(largest(c.diff.delta), 0.04f);
        for (const CompareRow& r : compare_rows(c.cur, c.ref, c.diff, 10))
            EXPECT_NEAR(r.speed, r.refSpeed, 6) << r.distance << " m";  // km/h figures both
    }

    // Refused with a reason: a lap not in the log, one without a time, one without records.
    RefLapState r;
    std::string why;
    EXPECT_FALSE(reference_from_image(*cur, 7, "x", "x.log", r, &why));
    EXPECT_EQ(why, "lap 7 is not in the log (laps 1..2)");
    auto noTime = imageOf(car);
    for (int e = 1; e <= 15; ++e) layout::putWord(&noTime->LapTbl[1][static_cast<size_t>(e)][layout::seg::kTime], 0);
    EXPECT_FALSE(reference_from_image(*noTime, 1, "x", "x.log", r, &why));
    EXPECT_EQ(why, "lap 1 has no lap time");
    auto markersOnly = imageOf(car);
    markersOnly->LapCur = 1;
    ASSERT_TRUE(locate_lap(*markersOnly));
    for (int32_t n = markersOnly->RecPtr + 1; n < markersOnly->RecPtr + markersOnly->RecCount; ++n)
        markersOnly->LogMem[static_cast<size_t>(n)][layout::rec::kKind] = layout::kSegmentMarker;
    EXPECT_FALSE(reference_from_image(*markersOnly, 1, "x", "x.log", r, &why));
    EXPECT_EQ(why, "lap 1 has no sample records");
    EXPECT_FALSE(r.On);
    // ... and as the current lap against a good reference.
    ASSERT_TRUE(reference_from_image(*cur, 1, "x", "x.log", r, &why));
    markersOnly->LapCur = 1;
    ASSERT_TRUE(locate_lap(*markersOnly));
    const LapComparison c = compare_current(*markersOnly, r);
    EXPECT_EQ(c.diff.error, "the current lap has no sample records");
    EXPECT_TRUE(stretch_gains(c.diff, 10).empty());
    EXPECT_TRUE(compare_rows(c.cur, c.ref, c.diff, 10).empty());
}

TEST(LapCompare, AStandstillShowsAsTheTimeStoodAtThePlaceItStood) {
    // Lap 2 stops for three seconds 600 m into the lap: 30 records at no speed and no pulses, its
    // segment three seconds longer and the records after it thirty places on.
    loggen::LoggerMemory mem = generate({.laps = 3, .segments = 4, .course = "circuit", .lapVariation = 0});
    const loggen::LapInfo& lap2 = mem.laps[1];
    size_t at = static_cast<size_t>(lap2.firstRecord) + 1;
    for (long pulses = 0; pulses * 200 < 600000; ++at)
        if (mem.records[at][layout::rec::kKind] < layout::kSegmentMarker)
            pulses += layout::word(&mem.records[at][layout::rec::kPulses]);
    loggen::Record stop = mem.records[at - 1];
    layout::putWord(&stop[layout::rec::kSpeed], 0);
    layout::putWord(&stop[layout::rec::kPulses], 0);
    mem.records.insert(mem.records.begin() + static_cast<long>(at), 30, stop);
    int seg = 1;
    for (size_t r = static_cast<size_t>(lap2.firstRecord) + 1; r < at; ++r)
        seg += mem.records[r][layout::rec::kKind] == layout::kSegmentMarker ? 1 : 0;
    std::uint8_t* stood =
        &mem.lapTable[1 * loggen::kLapTableBytes + static_cast<size_t>(seg - 1) * loggen::kSegmentBytes];
    layout::putWord(stood + layout::seg::kTime, layout::word(stood + layout::seg::kTime) + 300);
    std::uint8_t* lap3 = &mem.lapTable[2 * loggen::kLapTableBytes];
    layout::putWord(lap3 + layout::seg::kStartAddress, layout::word(lap3 + layout::seg::kStartAddress) + 30);
    auto m = imageOf(mem);

    const LapComparison c = compareImages(*m, 2, *m, 1);
    ASSERT_TRUE(c.ok()) << c.diff.error;
    EXPECT_EQ(std::lround(c.diff.final * 100), c.cur.timeCs - c.ref.timeCs);
    EXPECT_NEAR(c.diff.final, 3.0f, 0.02f);
    EXPECT_NEAR(c.diff.at(590), 0.0f, 0.04f);
    EXPECT_NEAR(c.diff.at(610), 3.0f, 0.04f);
    EXPECT_NEAR(c.cur.timeAt(610) - c.cur.timeAt(590), 3.0f + (c.ref.timeAt(610) - c.ref.timeAt(590)), 0.04f);
    // The other way round, and against itself.
    const LapComparison back = compareImages(*m, 1, *m, 2);
    ASSERT_TRUE(back.ok());
    EXPECT_NEAR(back.diff.at(610), -3.0f, 0.04f);
    const LapComparison self = compareImages(*m, 2, *m, 2);
    EXPECT_EQ(largest(self.diff.delta), 0.0f);
}

TEST(LapCompare, TheBestLapIsTheListsAmongLapsWithATime) {
    auto m = imageOf(generate({.laps = 5, .seed = 4, .lapVariation = 4}));
    Form3State st;
    lap_list(*m, st);
    EXPECT_EQ(best_lap(*m), st.BestLap);
    m->LapTbl[static_cast<size_t>(st.BestLap)][1][layout::seg::kDeleted] = layout::kDeletedMark;
    Form3State again;
    lap_list(*m, again);
    EXPECT_NE(again.BestLap, st.BestLap);
    EXPECT_EQ(best_lap(*m), again.BestLap);
    layout::putWord(&m->LapTbl[3][1][layout::seg::kTime], 0);  // no time: not a reference
    EXPECT_NE(best_lap(*m), 3);
}

TEST(LapCompare, DifferencesAreWrittenWithTheirSign) {
    // 0.19 not 0.18 from a float just under it; no sign on a zero, nor on a negative one.
    EXPECT_EQ(diffText(0.25f) + diffText(-1.3f) + diffText(0.004f) + diffText(-0.004f) + diffText(0.19f),
              "+0.25-1.30 0.00 0.00+0.19");
    EXPECT_EQ(diffText(12.5f, 0) + diffText(-2.25f, 1), "+13-2.3");
}

}  // namespace
}  // namespace vt::test
