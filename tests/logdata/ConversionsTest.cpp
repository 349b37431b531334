// Raw counts to engineering units and the lap-time text.
#include <gtest/gtest.h>

#include "logdata/Conversions.h"
#include "support/TestApp.h"

namespace vt {
namespace {

TEST(Conversions, LateralGIsSignedTimesFour) {
    // The byte is signed: 127 is the largest count one way, 128 the largest the other way.
    const std::pair<int16_t, int> cases[] = {{0, 0}, {100, 400}, {127, 508}, {128, -512}, {200, -224}, {255, -4}};
    for (const auto& [raw, g] : cases) {
        int16_t x = raw;
        EXPECT_EQ(G_conv(x), g) << raw;
        EXPECT_EQ(x, g / 4) << raw;  // the argument carries the signed count afterwards
    }
}

TEST(Conversions, EngineSpeedByTachoPulseWithCap) {
    test::TestApp app;
    app.m.TachoPulse = 1;
    EXPECT_EQ(Taco_conv(app.m, 1000), 20000);  // 37500 capped
    app.m.TachoPulse = 8;
    EXPECT_EQ(Taco_conv(app.m, 1000), 6250);
    app.m.TachoPulse = 9;
    EXPECT_EQ(Taco_conv(app.m, 1000), 0);
    app.m.TachoPulse = 6;
    EXPECT_EQ(Taco_conv(app.m, 100), 937);  // 7500 / 8 rounded down
    app.m.TachoPulse = 2;
    EXPECT_EQ(Taco_conv(app.m, 1), 25);
}

TEST(Conversions, RoadSpeedCappedOnlyInKilometres) {
    test::TestApp app;
    app.m.MmPerPulse = 100;
    int16_t x = 2000;
    EXPECT_TRUE(Soku_conv(app.m, x));
    EXPECT_EQ(x, 400);
    app.m.SpeedUnit = 1;
    x = 2000;
    EXPECT_TRUE(Soku_conv(app.m, x));
    EXPECT_EQ(x, 720);
    // Miles per hour has no cap, so a result past 16 bits is refused and x is left alone.
    app.m.MmPerPulse = 999;
    x = 32000;
    EXPECT_FALSE(Soku_conv(app.m, x));
    EXPECT_EQ(x, 32000);
    app.m.SpeedUnit = 0;
    app.m.MmPerPulse = 250;
    x = 400;
    EXPECT_TRUE(Soku_conv(app.m, x));
    EXPECT_EQ(x, 360);
}

TEST(Conversions, DistanceAndOxygen) {
    test::TestApp app;
    app.m.MmPerPulse = 200;
    float d = 1234;
    EXPECT_FLOAT_EQ(Kyori_conv(app.m, d), 2468);  // 0.1 m units
    EXPECT_FLOAT_EQ(d, 2468);
    int16_t o = 100;
    EXPECT_EQ(Sanso_conv(o), 0);
    o = 164;
    EXPECT_EQ(Sanso_conv(o), 101);
}

TEST(Conversions, AirFuelTableFromTheSensorCurve) {
    test::TestApp app;
    af_table_build(app.f.AfTable);
    EXPECT_EQ(app.f.AfTable[0], 259);
    EXPECT_EQ(app.f.AfTable[100], 394);
    EXPECT_EQ(app.f.AfTable[180], 1026);
    int16_t a = 250, b = 180;
    EXPECT_EQ(AF_conv(app.f.AfTable, a), 1026);
    EXPECT_EQ(AF_conv(app.f.AfTable, b), 1026);
    for (int i = 1; i <= 180; ++i) EXPECT_GE(app.f.AfTable[i], app.f.AfTable[i - 1] - 2) << i;
}

TEST(Conversions, LapTimeText) {
    test::TestApp app;
    EXPECT_EQ(time_conv(app.m, 7523), "1:15.23");
    EXPECT_EQ(app.m.TimeText, "1:15.23");
    EXPECT_EQ(time_conv(app.m, 605), "0:06.05");
    EXPECT_EQ(time_conv(app.m, 59999), "9:59.99");
    EXPECT_EQ(time_conv(app.m, 60000), "-:--.--");
    EXPECT_EQ(time_conv(app.m, 0), "0:00.00");
    EXPECT_EQ(timeText(6000), "1:00.00");
}

}  // namespace
}  // namespace vt
