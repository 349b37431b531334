// The value panel: scale texts and gauge ranges of meter_set, the labels and gauges of one
// record, the timers and the elapsed time.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/Panel.h"
#include "logdata/Conversions.h"
#include "support/TestApp.h"

namespace vt::test {
namespace {

RecordingCanvas& panel(TestApp& app) { return static_cast<RecordingCanvas&>(*app.f.Picture3); }

// Texts printed at a given y, in order.
std::vector<std::string> textsAt(const RecordingCanvas& c, float y) {
    std::vector<std::string> out;
    for (const auto& op : c.texts())
        if (op.y1 == y) out.push_back(op.text);
    return out;
}

float xOf(const RecordingCanvas& c, const std::string& text) {
    for (const auto& op : c.texts())
        if (op.text == text) return op.x1;
    return -1;
}

struct PanelApp {
    TestApp app;
    PanelApp() {
        af_table_build(app.f);
        app.m.Temp1Max = 200;
        app.m.Temp2Max = 200;
        app.m.AFMode = 1470;
    }
    Module1& m() { return app.m; }
    MainformState& f() { return app.f; }
    void set() { meter_set(app.m, app.f); }
    // Shows the channels as they stand (the second half of disp_update).
    void show() { disp_channels(app.m, app.f); }
};

TEST(PanelScales, RpmMaximumAndTemperatureScales) {
    PanelApp p;
    p.m().RpmMax = 0;
    p.m().Temp2Max = 201;
    p.set();
    EXPECT_EQ(p.m().RpmMax, 10000);
    EXPECT_EQ(p.f().Gauge1.Max, 12000);
    EXPECT_EQ(p.f().Gauge2.Max, 200);
    EXPECT_EQ(p.f().Gauge3.Max, 1200);
    RecordingCanvas& c = panel(p.app);
    // Temperature 1 (x = 396) counts in 50s, temperature 2 (x = 441) in 300s, 0 at the bottom.
    const std::pair<float, std::vector<std::string>> rows[] = {
        {177, {" 0 ", " 0 "}},    {142, {" 50 ", " 300 "}},  {107, {" 100 ", " 600 "}},
        {72, {" 150 ", " 900 "}}, {37, {" 200 ", " 1200 "}},
    };
    for (const auto& [y, texts] : rows) EXPECT_EQ(textsAt(c, y), texts) << y;
    for (const auto& op : c.texts()) {
        if (op.y1 == 37) {
            EXPECT_TRUE(op.x1 == 88 * 4.5f || op.x1 == 98 * 4.5f);
        }
    }

    p.m().RpmMax = 15000;
    p.set();
    EXPECT_EQ(p.f().Gauge1.Max, 18000);
}

TEST(PanelScales, CaptionsGaugeRangesAndColours) {
    PanelApp p;
    p.m().RpmMax = 9000;
    p.m().SpeedUnit = 1;
    p.m().AFMode = 0;
    p.set();
    RecordingCanvas& c = panel(p.app);
    EXPECT_EQ(c.backColor(), rgb(0, 192, 192));  // live link
    EXPECT_EQ(textsAt(c, 115), (std::vector<std::string>{"Speed", "rpm", "Steer", "Throttle"}));
    EXPECT_EQ(xOf(c, "Speed"), 12 * 4.5f);
    EXPECT_EQ(xOf(c, "rpm"), 37 * 4.5f);
    EXPECT_EQ(xOf(c, "1  Temperature  2"), 83 * 4.5f);
    EXPECT_EQ(xOf(c, "Data No,"), 82 * 4.5f);
    EXPECT_EQ(textsAt(c, 244), (std::vector<std::string>{"Lat G", "Volt", "Oxygen %", "Kg/cm^2", "I.L G"}));
    EXPECT_EQ(xOf(c, "Lat G"), 10 + 8 * 4.5f);
    EXPECT_EQ(xOf(c, "Volt"), 85 + 11 * 4.5f);
    EXPECT_EQ(xOf(c, "Oxygen %"), 215);
    EXPECT_EQ(textsAt(c, 164), (std::vector<std::string>{"+5G", "20V", "+5G"}));
    EXPECT_EQ(textsAt(c, 199), (std::vector<std::string>{" 0 ", "10V", " 0 "}));
    EXPECT_EQ(textsAt(c, 232), (std::vector<std::string>{"-5G", "0 V", "-5G"}));
    EXPECT_EQ(textsAt(c, 75), (std::vector<std::string>{"50 ", "50"}));

    EXPECT_EQ(p.f().Gauge1.Max, 10800);
    EXPECT_EQ(p.f().Gauge4.Max, 250);
    EXPECT_EQ(p.f().Gauge9.Min, 104);
    EXPECT_EQ(p.f().Gauge9.Max, 256);
    EXPECT_EQ(p.f().Gauge7.Max, 1000);
    EXPECT_EQ(p.f().Gauge11.Max, 100);
    for (GaugeModel* g : p.f().gauges()) EXPECT_TRUE(g->Visible);
    for (Control* l : {&p.f().kasoku, &p.f().IL_G, &p.f().kyori, &p.f().car, &p.f().data_cont}) EXPECT_TRUE(l->Visible);

    // A replay: grey, the angle scale, lambda, km/h.
    p.m().ReplayOn = kTrue;
    p.m().SpeedUnit = 0;
    p.m().AFMode = 100;
    c.reset();
    p.set();
    EXPECT_EQ(c.backColor(), rgb(224, 224, 224));
    EXPECT_EQ(textsAt(c, 164), (std::vector<std::string>{"+5G", "+90", "+5G"}));
    EXPECT_EQ(textsAt(c, 244), (std::vector<std::string>{"Lat G", "Angle deg''", "Lumbda", "Kg/cm^2", "I.L G"}));
    EXPECT_EQ(p.f().Gauge4.Max, 400);
    EXPECT_EQ(p.f().Gauge9.Min, 19);
    EXPECT_EQ(p.f().Gauge9.Max, 180);

    // meter_off hides the panel; a replay keeps distance, car and record number.
    meter_off(p.m(), p.f());
    EXPECT_EQ(c.backColor(), kWhite);
    EXPECT_FALSE(p.f().Gauge3.Visible);
    EXPECT_FALSE(p.f().af.Visible);
    EXPECT_TRUE(p.f().kyori.Visible);
    EXPECT_TRUE(p.f().car.Visible);
    p.m().ReplayOn = 0;
    meter_off(p.m(), p.f());
    EXPECT_FALSE(p.f().kyori.Visible);
    EXPECT_FALSE(p.f().data_cont.Visible);
}

TEST(PanelValues, TextsAndGaugesOfTheEdgeValues) {
    PanelApp p;
    p.m().RpmMax = 10000;
    p.set();
    auto& ch = p.m().Chan;
    ch[0] = -123;
    ch[1] = 120;
    ch[3] = 100;
    ch[4] = 150;
    ch[5] = 37;
    ch[6] = 95;
    ch[7] = 116;
    ch[8] = 7462;
    ch[9] = 237;
    ch[10] = 1986;
    ch[19] = -10;
    p.show();
    EXPECT_EQ(p.f().kasoku.Caption, " -1.23 ");
    EXPECT_EQ(p.f().Gauge7.Value, 377);
    EXPECT_EQ(p.f().kaku_kasoku.Caption, " 12.0");
    EXPECT_EQ(p.f().Gauge8.Value, 120);
    EXPECT_EQ(p.f().prs.Caption, " 9.3");  // Int(100 x 0.939) = 93
    EXPECT_EQ(p.f().handle.Caption, " 75");
    EXPECT_EQ(p.f().accel.Caption, " 18");
    EXPECT_EQ(p.f().Gauge6.Value, 37);
    EXPECT_EQ(p.f().ondo1.Caption, " 95");
    EXPECT_EQ(p.f().kaitensuu.Caption, " 7462");
    EXPECT_EQ(p.f().Gauge1.Value, 7462);
    EXPECT_EQ(p.f().sokudo.Caption, " 237 km/h");
    EXPECT_EQ(p.f().Gauge4.Value, 237);
    EXPECT_EQ(p.f().kyori.Caption, " 1986 m");
    EXPECT_EQ(p.f().IL_G.Caption, " -0.4 ");  // Nearest(-3.54) = -4
    EXPECT_EQ(p.f().Gauge11.Value, 46);

    ch[1] = 125;
    ch[0] = 0;
    ch[19] = 7;  // 2.478 -> 2
    p.show();
    EXPECT_EQ(p.f().kaku_kasoku.Caption, " 12.5");
    EXPECT_EQ(p.f().kasoku.Caption, "  0.00 ");
    EXPECT_EQ(p.f().IL_G.Caption, "  0.2 ");

    // Pressure ranges.
    const std::pair<int16_t, const char*> ranges[] = {{1, " 23.5"}, {2, " 46.9"}, {7, " 10.0"}};
    for (const auto& [range, text] : ranges) {
        p.m().PrsRange = range;
        p.show();
        EXPECT_EQ(p.f().prs.Caption, text) << range;
    }

    // Angle display: signed degrees around the middle of the gauge.
    p.f().ANGL_CHK.Checked = true;
    ch[1] = -45;
    p.show();
    EXPECT_EQ(p.f().kaku_kasoku.Caption, "-45");
    EXPECT_EQ(p.f().Gauge8.Value, 55);
}

TEST(PanelValues, AirFuelTexts) {
    PanelApp p;
    p.set();
    p.f().AfTable[120] = 400;  // lambda 1
    p.f().AfTable[121] = 360;  // lambda 0.9
    p.m().Chan[2] = 120;
    p.m().AFMode = 1470;
    p.show();
    EXPECT_EQ(p.f().af.Caption, " 14.7");
    EXPECT_EQ(p.f().Gauge9.Value, 120);
    p.m().AFMode = 100;
    p.show();
    EXPECT_EQ(p.f().af.Caption, " 1.00");
    p.m().Chan[2] = 121;
    p.show();
    EXPECT_EQ(p.f().af.Caption, " .90");
    // Oxygen: (164 - 104) x 1.694 = 101 tenths of a per cent.
    p.m().AFMode = 0;
    p.m().Chan[2] = 164;
    p.show();
    EXPECT_EQ(p.f().af.Caption, " 10.1");
    // The raw value stays in Chan(2) for the trace of the same record.
    EXPECT_EQ(p.m().Chan[2], 164);
}

TEST(PanelValues, MilesAndMissingSensors) {
    PanelApp p;
    p.m().SpeedUnit = 1;
    p.set();
    auto& f = p.f();
    auto& ch = p.m().Chan;
    ch[4] = 120;
    ch[5] = 200;
    ch[9] = 500;
    ch[10] = 1000;
    p.show();
    EXPECT_EQ(f.sokudo.Caption, " 250 M/h");  // 310 shown as 250
    EXPECT_EQ(f.Gauge4.Value, 250);
    EXPECT_EQ(f.kyori.Caption, "0.621 M");
    // 255: no sensor, label and gauge as they were.
    ch[4] = 255;
    ch[5] = 255;
    p.show();
    EXPECT_EQ(f.handle.Caption, " 60");
    EXPECT_EQ(f.Gauge5.Value, 120);
    EXPECT_EQ(f.accel.Caption, " 100");
    EXPECT_EQ(f.Gauge6.Value, 200);
}

TEST(PanelValues, OutOfRangeGaugesDoNotStopTheUpdate) {
    PanelApp p;
    p.m().RpmMax = 1000;  // gauge up to 1200
    p.set();
    auto& f = p.f();
    auto& ch = p.m().Chan;
    ch[6] = 150;
    ch[8] = 1100;
    p.show();
    ASSERT_EQ(f.Gauge1.Value, 1100);
    ch[0] = 600;   // 6 G: beyond the gauge
    ch[6] = 250;   // above 200
    ch[8] = 9000;  // above 1200
    ch[9] = 180;
    ch[19] = 400;  // 14.2 G
    p.show();
    EXPECT_EQ(f.kasoku.Caption, "  6.00 ");
    EXPECT_EQ(f.Gauge7.Value, 500);  // refused, needle where it was
    EXPECT_EQ(f.ondo1.Caption, " 250");
    EXPECT_EQ(f.Gauge2.Value, 150);
    EXPECT_EQ(f.kaitensuu.Caption, " 9000");
    EXPECT_EQ(f.Gauge1.Value, 1100);
    // Later indicators still updated.
    EXPECT_EQ(f.sokudo.Caption, " 180 km/h");
    EXPECT_EQ(f.Gauge4.Value, 180);
    EXPECT_EQ(f.IL_G.Caption, "  14.2 ");
}

TEST(PanelValues, DispUpdateDecodesTheRecordAndCountsIt) {
    PanelApp p;
    p.m().MmPerPulse = 200;
    p.m().TachoPulse = 1;
    p.set();
    auto& raw = p.m().RawRec;
    raw[3] = 0x13;  // bit 4 is not part of the counter
    raw[4] = 0x20;
    raw[7] = 256 - 25;  // -25 x 4 = -1.00 G
    raw[19] = 0;
    raw[20] = 139;  // 100 km/h
    p.m().RecCount = 0;
    disp_update(p.m(), p.f());
    EXPECT_EQ(p.f().data_cont.Caption, " 800");  // 3 x 256 + 32
    EXPECT_EQ(p.f().kasoku.Caption, " -1.00 ");
    EXPECT_EQ(p.f().sokudo.Caption, " 100 km/h");

    // The analysis run sets the record number and distance itself.
    p.f().AnalyzeOn = kTrue;
    p.f().data_cont.Caption = "mine";
    p.f().kyori.Caption = "mine too";
    raw[4] = 0x21;
    disp_update(p.m(), p.f());
    EXPECT_EQ(p.f().data_cont.Caption, "mine");
    EXPECT_EQ(p.f().kyori.Caption, "mine too");
}

TEST(PanelTimers, PitAndStopTimers) {
    TestApp app;
    auto& f = app.f;
    f.PitOn = kTrue;
    f.PitCount = 0;
    pit_stop_time(app.m, f);
    EXPECT_EQ(f.PitCount, 1);
    EXPECT_EQ(f.PIT_IN_TIME.Caption, "0:00.1");
    f.PitCount = 751;
    pit_stop_time(app.m, f);
    EXPECT_EQ(f.PIT_IN_TIME.Caption, "1:15.2");

    // Ten minutes in the pit: both timers end, the stop timer is not advanced.
    f.PitCount = 5999;
    f.StopOn = kTrue;
    f.StopCount = 10;
    f.STOP_TIME.Caption = "0:01.0";
    pit_stop_time(app.m, f);
    EXPECT_EQ(f.PitOn, 0);
    EXPECT_EQ(f.StopOn, 0);
    EXPECT_EQ(f.PIT_IN_TIME.Caption, "---");
    EXPECT_EQ(f.StopCount, 10);
    EXPECT_EQ(f.STOP_TIME.Caption, "0:01.0");
    // Timers that do not run leave their labels.
    pit_stop_time(app.m, f);
    EXPECT_EQ(f.PIT_IN_TIME.Caption, "---");

    f.StopOn = kTrue;
    f.StopCount = 5998;
    pit_stop_time(app.m, f);
    EXPECT_EQ(f.STOP_TIME.Caption, "9:59.9");
    pit_stop_time(app.m, f);
    EXPECT_EQ(f.StopOn, 0);
    EXPECT_EQ(f.STOP_TIME.Caption, "---");
}

TEST(PanelTimers, ElapsedTimeLeavesOutTheSegmentMarkers) {
    TestApp app;
    app.m.SegNo = 3;
    time_mado_set(app.m, app.f, 753);
    EXPECT_EQ(app.f.TAIME_MADO.Caption, "1:15.0");
    // Past 3276 records the time still comes out (worked in 32 bits).
    time_mado_set(app.m, app.f, 4000);
    EXPECT_EQ(app.f.TAIME_MADO.Caption, "6:39.7");
}

TEST(PanelTimers, CarMarkerWithoutALayoutStaysPut) {
    TestApp app;
    app.f.car.move(3, 4);
    app.f.dist_step = 0;
    car_set(app.m, app.f, 100);
    EXPECT_EQ(app.f.car.Left, 3);
    // A negative distance reads no table.
    app.f.dist_step = 5;
    app.f.dist_mark_last = 10;
    car_set(app.m, app.f, -20);
    EXPECT_EQ(app.f.car.Left, 3);
}

}  // namespace
}  // namespace vt::test
