// Header decoding, locating a lap in the image, and decoding one record.
#include <random>

#include <gtest/gtest.h>

#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "support/Allocations.h"
#include "support/TestApp.h"

namespace vt {
namespace {

void setHeader(Module1& m, std::initializer_list<std::pair<int, int>> bytes) {
    m.RawRec.fill(0);
    for (auto [i, v] : bytes) m.RawRec[static_cast<size_t>(5 + i)] = static_cast<uint8_t>(v);
}

TEST(HeaderDecode, SettingsFromTheSixteenBytes) {
    test::TestApp app;
    setHeader(app.m, {{0, 7},
                      {1, 0x32},
                      {2, 0x27},
                      {3, 0x10},
                      {4, 2},
                      {5, 0x21},
                      {6, 0x05},
                      {7, 0xBE},
                      {8, 0},
                      {9, 50},
                      {10, 30},
                      {11, 1},
                      {12, 0},
                      {13, 200},
                      {14, 0x04},
                      {15, 0xB0}});
    app.m.RawRec[3] = 0x01;
    app.m.RawRec[4] = 0xF4;
    app.m.RawRec[0] = 2;
    header_decode(app.m);
    EXPECT_EQ(app.m.SpeedUnit, 1);
    EXPECT_EQ(app.m.TachoPulse, 2);
    EXPECT_EQ(app.m.HdrHigh1, 3);
    EXPECT_EQ(app.m.RpmMax, 10000);
    EXPECT_EQ(app.m.PrsRange, 2);
    EXPECT_EQ(app.m.CarType, 1);
    EXPECT_EQ(app.m.MemRecs, 20480);
    EXPECT_EQ(app.m.AFMode, 1470);
    EXPECT_EQ(app.m.HdrWord8, 50);
    EXPECT_EQ(app.m.HdrByte10, 30);
    EXPECT_EQ(app.m.Temp1Max, 200);
    EXPECT_EQ(app.m.Temp2Max, 1200);
    EXPECT_EQ(app.m.MmPerPulse, 500);
    EXPECT_EQ(app.m.HdrCopy[0], 2);  // the whole frame is kept for re-saving
    EXPECT_EQ(app.m.HdrCopy[5], 7);
}

TEST(HeaderDecode, MemorySizeCodes) {
    test::TestApp app;
    setHeader(app.m, {{5, 0x01}});
    header_decode(app.m);
    EXPECT_EQ(app.m.MemRecs, 53248);
    EXPECT_EQ(app.m.CarType, 1);
    setHeader(app.m, {{5, 0x12}});
    header_decode(app.m);
    EXPECT_EQ(app.m.MemRecs, 12288);
    EXPECT_EQ(app.m.CarType, 2);
}

TEST(HeaderDecode, AnyByteValuesDecodeWithoutFault) {
    test::TestApp app;
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        for (size_t b = 0; b < app.m.RawRec.size(); ++b) app.m.RawRec[b] = static_cast<uint8_t>(rng());
        header_decode(app.m);
        EXPECT_GE(app.m.TachoPulse, 0);
        EXPECT_LE(app.m.TachoPulse, 15);
        EXPECT_TRUE(app.m.MemRecs == 12288 || app.m.MemRecs == 20480 || app.m.MemRecs == 53248);
    }
    // A word past 16 bits keeps the setting it had.
    setHeader(app.m, {{2, 0x27}, {3, 0x10}});
    header_decode(app.m);
    setHeader(app.m, {{2, 0x9C}, {3, 0x40}});
    header_decode(app.m);
    EXPECT_EQ(app.m.RpmMax, 10000);
}

// A small image: lap `lap` starts at ring address `address` with a lap marker carrying the
// distance per pulse, then `samples` records, then the next lap marker.
struct ImageBuilder {
    Module1& m;
    int32_t next = 0;
    void lap(int lap, int address, int samples, int mmPerPulse = 200) {
        m.LapTbl[static_cast<size_t>(lap)][1][30] = static_cast<uint8_t>(address >> 8);
        m.LapTbl[static_cast<size_t>(lap)][1][31] = static_cast<uint8_t>(address & 255);
        auto& first = m.LogMem[static_cast<size_t>(next)];
        first = {};
        first[2] = static_cast<uint8_t>(mmPerPulse >> 8);
        first[3] = static_cast<uint8_t>(mmPerPulse & 255);
        first[6] = 255;
        ++next;
        for (int i = 0; i < samples; ++i) m.LogMem[static_cast<size_t>(next++)] = {};
        m.LogMem[static_cast<size_t>(next)] = {};
        m.LogMem[static_cast<size_t>(next)][6] = 255;
    }
};

TEST(LocateLap, RecordsFromTheLapMarkerToTheNext) {
    test::TestApp app;
    app.m.MemRecs = 53248;
    app.m.LapFirst = 1;
    ImageBuilder b{app.m};
    b.lap(1, 100, 10);
    b.lap(2, 111, 20, 250);
    app.m.LapCur = 2;
    ASSERT_TRUE(locate_lap(app.m));
    EXPECT_EQ(app.m.RecPtr, 11);
    EXPECT_EQ(app.m.RecCount, 21);
    EXPECT_EQ(app.m.MmPerPulse, 250);
}

TEST(LocateLap, StartAddressesWrapAroundTheRing) {
    test::TestApp app;
    app.m.MemRecs = 12288;
    app.m.LapFirst = 3;
    app.m.LapTbl[3][1][30] = 0x2F;  // 12200
    app.m.LapTbl[3][1][31] = 0xA8;
    app.m.LapTbl[4][1][31] = 12;  // wrapped: 12 - 12200 + 12288 = 100
    app.m.LogMem[100][3] = 200;
    app.m.LogMem[101][6] = 255;
    app.m.LapCur = 4;
    ASSERT_TRUE(locate_lap(app.m));
    EXPECT_EQ(app.m.RecPtr, 100);
    EXPECT_EQ(app.m.RecCount, 1);
}

TEST(LocateLap, DistancePerPulseFoundOneRecordBack) {
    test::TestApp app;
    app.m.MemRecs = 53248;
    app.m.LapFirst = 1;
    app.m.LapTbl[1][1][31] = 1;
    app.m.LapTbl[2][1][31] = 51;
    app.m.LogMem[49][2] = 500 >> 8;
    app.m.LogMem[49][3] = 500 & 255;
    app.m.LogMem[50][3] = 5;
    app.m.LogMem[60][6] = 255;
    app.m.LapCur = 2;
    ASSERT_TRUE(locate_lap(app.m));
    EXPECT_EQ(app.m.MmPerPulse, 500);
    EXPECT_EQ(app.m.RecPtr, 49);
}

TEST(LocateLap, FailuresAreReported) {
    test::TestApp app;
    app.m.MemRecs = 53248;
    app.m.LapFirst = 1;
    app.m.LapCur = 2;
    EXPECT_FALSE(locate_lap(app.m));  // start addresses 0
    app.m.LapTbl[1][1][31] = 1;
    app.m.LapTbl[2][1][31] = 30;
    EXPECT_FALSE(locate_lap(app.m));  // no distance per pulse within three records
    EXPECT_EQ(app.m.MmPerPulse, 500);
    // A start the image cannot hold is refused without reading past it.
    app.m.LapTbl[2][1][30] = 0xFE;
    app.m.LapTbl[2][1][31] = 0x00;
    EXPECT_FALSE(locate_lap(app.m));
    app.m.LapCur = 101;
    EXPECT_FALSE(locate_lap(app.m));
}

TEST(LocateLap, LongLapsAreCutAt5999Records) {
    test::TestApp app;
    app.m.MemRecs = 53248;
    app.m.LapFirst = 1;
    ImageBuilder b{app.m};
    b.lap(1, 10, 5998);
    app.m.LapCur = 1;
    ASSERT_TRUE(locate_lap(app.m));
    EXPECT_EQ(app.m.RecCount, 5999);
    ImageBuilder c{app.m};
    c.lap(1, 10, 6999);
    ASSERT_TRUE(locate_lap(app.m));
    EXPECT_EQ(app.m.RecCount, 5999);
}

TEST(LocateLap, CountingStopsAtTheEndOfTheImage) {
    test::TestApp app;
    app.m.MemRecs = 53248;
    app.m.LapFirst = 1;
    app.m.LapTbl[1][1][31] = 1;
    app.m.LapTbl[2][1][30] = 64998 >> 8;
    app.m.LapTbl[2][1][31] = (64998 + 1) & 255;  // image index 64998
    app.m.LogMem[64998][3] = 200;
    app.m.LapCur = 2;
    ASSERT_TRUE(locate_lap(app.m));
    EXPECT_EQ(app.m.RecPtr, 64998);
    EXPECT_LE(app.m.RecPtr + app.m.RecCount, kMaxRecord + 1);
}

class NamaStore : public ::testing::Test {
  protected:
    test::TestApp app;
    void SetUp() override {
        app.m.MmPerPulse = 200;
        app.m.TachoPulse = 1;
        app.m.CourseLen = 1000;
        af_table_build(app.f.AfTable);
    }
    void record(std::initializer_list<std::pair<int, int>> bytes) {
        for (int j = 7; j <= 22; ++j) app.m.RawRec[static_cast<size_t>(j)] = 0;
        for (auto [j, v] : bytes) app.m.RawRec[static_cast<size_t>(7 + j)] = static_cast<uint8_t>(v);
    }
};

TEST_F(NamaStore, ChannelsFromTheRecord) {
    record({{0, 0xF6},
            {1, 138},
            {2, 90},
            {3, 40},
            {4, 120},
            {5, 200},
            {6, 0},
            {7, 85},
            {8, 0},
            {9, 70},
            {10, 0x01},
            {11, 0x0A},
            {12, 0},
            {13, 139},
            {14, 0},
            {15, 50}});
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    EXPECT_EQ(app.m.Chan[0], -40);
    EXPECT_EQ(app.m.Chan[1], 138);  // battery voltage outside angle mode
    EXPECT_EQ(app.m.Chan[2], 90);
    EXPECT_EQ(app.m.Chan[3], 40);
    EXPECT_EQ(app.m.Chan[4], 120);
    EXPECT_EQ(app.m.Chan[5], 200);
    EXPECT_EQ(app.m.Chan[6], 85);
    EXPECT_EQ(app.m.Chan[7], 70);
    EXPECT_EQ(app.m.Chan[8], 9975);  // 266 * 75 / 2
    EXPECT_EQ(app.m.Chan[9], 100);   // 200 * 0.0036 * 139 = 100.08
    EXPECT_EQ(app.m.Chan[10], 10);   // 50 pulses of 200 mm
}

TEST_F(NamaStore, LateralGAtTheEndsOfTheSignedByte) {
    for (const auto& [raw, g] : {std::pair{127, 508}, {128, -512}}) {
        record({{0, raw}});
        nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
        EXPECT_EQ(app.m.Chan[0], g) << raw;
    }
}

TEST_F(NamaStore, AngleModeSignsTheAngleByte) {
    record({{1, 255}});
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    EXPECT_EQ(app.m.Chan[1], 255);
    app.f.ANGL_CHK.Checked = true;
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    EXPECT_EQ(app.m.Chan[1], -1);
    app.f.ANGL_CHK.Checked = false;
    app.m.ReplayOn = kTrue;
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    EXPECT_EQ(app.m.Chan[1], -1);
}

TEST_F(NamaStore, DistanceWrapsPastTheCourseLength) {
    // 1001 m stays, 1002 m becomes 2 (CourseLen 1000); 100 mm per pulse: 10 pulses a metre.
    app.m.MmPerPulse = 100;
    app.m.RecCount = 0;
    record({{14, 10010 >> 8}, {15, 10010 & 255}});
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    EXPECT_EQ(app.m.Chan[10], 1001);
    record({{14, 10020 >> 8}, {15, 10020 & 255}});
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    EXPECT_EQ(app.m.Chan[10], 2);
    // Many laps on: still within the lap, and fast.
    app.m.DistCount = 0;
    app.m.RecCount = 1;
    for (int i = 0; i < 100; ++i) {
        record({{14, 0x7F}, {15, 0xFF}});
        nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    }
    EXPECT_GE(app.m.Chan[10], 0);
    EXPECT_LE(app.m.Chan[10], 1001);
}

TEST_F(NamaStore, SixteenBitFieldsPastTheRangeKeepTheirChannel) {
    record({{6, 0}, {7, 90}});
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    ASSERT_EQ(app.m.Chan[6], 90);
    record({{6, 0x80}, {7, 1}, {14, 0x80}, {15, 0}});
    app.m.RecCount = 5;
    float before = app.m.DistCount;
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    EXPECT_EQ(app.m.Chan[6], 90);
    EXPECT_EQ(app.m.DistCount, before);  // the sum skips a count past 16 bits
    app.m.RecCount = 0;
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    EXPECT_EQ(app.m.DistCount, 32768);  // a first record takes any count
}

TEST_F(NamaStore, SpeedHistoryAndInLineChange) {
    // Speeds 9, 19, 29, 39, 49, 59, 69, 79, 90, 100 km/h.
    for (int count : {13, 27, 41, 55, 69, 83, 97, 111, 125, 139}) {
        record({{12, 0}, {13, count}});
        nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    }
    EXPECT_EQ(app.m.Chan[9], 100);
    EXPECT_EQ(app.m.Chan[11], 100);
    EXPECT_EQ(app.m.Chan[12], 90);
    EXPECT_EQ(app.m.Chan[18], 29);
    EXPECT_EQ(app.m.Chan[19], 100 - 19);  // against the speed eight records back
}

TEST_F(NamaStore, TraceXFollowsTheDistance) {
    app.f.XScale = 350.0f / 1000.0f;
    app.m.MmPerPulse = 100;
    record({{14, 5000 >> 8}, {15, 5000 & 255}});
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    EXPECT_EQ(app.m.Chan[10], 500);
    EXPECT_FLOAT_EQ(app.f.TraceX, 175);
}

TEST_F(NamaStore, DecodingARecordAllocatesNothing) {
    app.m.RecCount = 1;
    record({{0, 30}, {10, 1}, {13, 100}, {15, 20}});
    nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
    std::size_t before = test::allocationCount();
    void* volatile probe = ::operator new(8);  // the counter does count
    ::operator delete(probe);
    ASSERT_EQ(test::allocationCount(), before + 1);
    before = test::allocationCount();
    for (int i = 0; i < 10000; ++i) {
        app.m.RawRec[20] = static_cast<uint8_t>(i);
        nama_store(app.m, angleDisplay(app.m, app.f), app.f.XScale, app.f.TraceX);
        time_conv(app.m, i);
    }
    EXPECT_EQ(test::allocationCount(), before);
}

}  // namespace
}  // namespace vt
