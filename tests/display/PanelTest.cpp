// The value panel: scale texts and gauge ranges of meter_set, the labels and gauges of one
// record, the timers, the elapsed time and the car marker without a layout.
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "display/Panel.h"
#include "logdata/Conversions.h"
#include "support/TestApp.h"

namespace vt::test {
namespace {

using F = MainformState;

struct PanelApp : TestApp {
    explicit PanelApp(int16_t afMode = 1470, int16_t unit = 0, int16_t rpmMax = 10000) {
        af_table_build(f.AfTable);
        f.AfTable[120] = 400;  // lambda 1
        f.AfTable[121] = 360;  // lambda 0.9
        m.Temp1Max = m.Temp2Max = 200;
        m.AFMode = afMode;
        m.SpeedUnit = unit;
        m.RpmMax = rpmMax;
    }
    RecordingCanvas& pic() { return static_cast<RecordingCanvas&>(*f.Picture3); }
    // Texts printed at a row's y joined by |.
    std::string row(float y) {
        std::string out;
        for (const auto& op : pic().texts())
            if (op.y1 == y) out += (out.empty() ? "" : "|") + op.text;
        return out;
    }
};

TEST(PanelScales, GaugeRangesFollowTheSettings) {
    const struct {
        int16_t rpmMax, temp1Max, temp2Max, unit, afMode;
        const char* ranges;  // Gauge1 .. Gauge11
    } cases[] = {
        {0, 200, 201, 1, 0, "0..12000 0..200 0..1200 0..250 0..200 0..200 0..1000 0..200 104..256 0..256 0..100"},
        {15000, 201, 200, 0, 100, "0..18000 0..1200 0..200 0..400 0..200 0..200 0..1000 0..200 19..180 0..256 0..100"},
    };
    for (const auto& c : cases) {
        PanelApp p(c.afMode, c.unit, c.rpmMax);
        p.m.Temp1Max = c.temp1Max;
        p.m.Temp2Max = c.temp2Max;
        meter_set(p.m, p.f);
        std::string ranges;
        for (const GaugeModel* g : p.f.gauges())  // all shown
            ranges += (ranges.empty() ? "" : " ") + std::to_string(g->Min) + ".." + std::to_string(g->Max) +
                      (g->Visible ? "" : " hidden");
        EXPECT_EQ(ranges, c.ranges);
        EXPECT_EQ(p.m.RpmMax, c.rpmMax == 0 ? 10000 : c.rpmMax);  // 0 is stored back as 10000
    }
}

TEST(PanelScales, ScaleTextsCaptionsAndBackgrounds) {
    PanelApp p(0, 1);
    p.m.Temp2Max = 201;
    meter_set(p.m, p.f);
    // Temperature 1 in 50s up to 200, temperature 2 in 300s up to 1200; the live link's captions.
    const std::pair<float, const char*> rows[] = {{177, " 0 | 0 "},     {142, " 50 | 300 "},
                                                  {37, " 200 | 1200 "}, {164, "+5G|20V|+5G"},
                                                  {232, "-5G|0 V|-5G"}, {244, "Lat G|Volt|Oxygen %|Kg/cm^2|I.L G"}};
    for (const auto& [y, texts] : rows) EXPECT_EQ(p.row(y), texts) << y;
    EXPECT_EQ(p.pic().backColor(), rgb(0, 192, 192));
    // A replay: grey, the angle scale; lambda or A/F.
    p.m.ReplayOn = kTrue;
    for (const auto& [afMode, caption] : {std::pair{100, "Lumbda"}, {1470, "   A/F"}}) {
        p.m.AFMode = static_cast<int16_t>(afMode);
        p.pic().reset();
        meter_set(p.m, p.f);
        EXPECT_EQ(p.pic().backColor(), rgb(224, 224, 224));
        EXPECT_EQ(p.row(164) + p.row(232), "+5G|+90|+5G-5G|-90|-5G");
        EXPECT_EQ(p.row(244), std::string("Lat G|Angle deg''|") + caption + "|Kg/cm^2|I.L G");
    }
    // meter_off hides the panel; a replay keeps distance, car and record number.
    meter_off(p.m, p.f);
    EXPECT_EQ(p.pic().backColor(), kWhite);
    EXPECT_FALSE(p.f.Gauge3.Visible || p.f.af.Visible);
    EXPECT_TRUE(p.f.kyori.Visible && p.f.car.Visible);
    p.m.ReplayOn = 0;
    meter_off(p.m, p.f);
    EXPECT_FALSE(p.f.kyori.Visible || p.f.data_cont.Visible);
}

TEST(PanelValues, TextsAndGaugesOfOneChannel) {
    const struct {
        int16_t afMode, prsRange, unit, angle, ch, v;
        Control F::*label;
        const char* text;
        GaugeModel F::*gauge;
        int value;
    } cases[] = {
        {1470, 0, 0, 0, 0, -123, &F::kasoku, " -1.23 ", &F::Gauge7, 377},
        {1470, 0, 0, 0, 1, 120, &F::kaku_kasoku, " 12.0", &F::Gauge8, 120},  // volts
        {1470, 0, 0, 1, 1, -45, &F::kaku_kasoku, "-45", &F::Gauge8, 55},     // degrees
        {1470, 0, 0, 0, 2, 120, &F::af, " 14.7", &F::Gauge9, 120},           // A/F of lambda 1
        {100, 0, 0, 0, 2, 121, &F::af, " .90", &F::Gauge9, 121},
        {0, 0, 0, 0, 2, 164, &F::af, " 10.1", &F::Gauge9, 164},      // oxygen: (164 - 104) x 1.694
        {1470, 0, 0, 0, 3, 100, &F::prs, " 9.3", &F::Gauge10, 100},  // Int(100 x 0.939)
        {1470, 7, 0, 0, 3, 100, &F::prs, " 10.0", &F::Gauge10, 100},
        {1470, 0, 0, 0, 4, 151, &F::handle, " 75", &F::Gauge5, 151},
        {1470, 0, 0, 0, 5, 37, &F::accel, " 18", &F::Gauge6, 37},
        {1470, 0, 0, 0, 6, 95, &F::ondo1, " 95", &F::Gauge2, 95},
        {1470, 0, 0, 0, 8, 7462, &F::kaitensuu, " 7462", &F::Gauge1, 7462},
        {1470, 0, 0, 0, 9, 237, &F::sokudo, " 237 km/h", &F::Gauge4, 237},
        {1470, 0, 1, 0, 9, 500, &F::sokudo, " 250 M/h", &F::Gauge4, 250},  // 310 shown as 250
        {1470, 0, 0, 0, 10, 1986, &F::kyori, " 1986 m", nullptr, 0},
        {1470, 0, 1, 0, 10, 1000, &F::kyori, "0.621 M", nullptr, 0},
        {1470, 0, 0, 0, 19, -10, &F::IL_G, " -0.4 ", &F::Gauge11, 46},  // Nearest(-3.54)
        // No sensor (255): label and gauge left as they were. Beyond a gauge: the needle stays.
        {1470, 0, 0, 0, 4, 255, &F::handle, "", &F::Gauge5, 0},
        {1470, 0, 0, 0, 8, 13000, &F::kaitensuu, " 13000", &F::Gauge1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " of Chan(" + std::to_string(c.ch) + ")");
        PanelApp p(c.afMode, c.unit);
        p.m.PrsRange = c.prsRange;
        p.f.ANGL_CHK.Checked = c.angle != 0;
        meter_set(p.m, p.f);
        p.m.Chan[static_cast<size_t>(c.ch)] = c.v;
        disp_channels(p.m, p.f);
        EXPECT_EQ((p.f.*c.label).Caption, c.text);
        EXPECT_TRUE(!c.gauge || (p.f.*c.gauge).Value == c.value);
        EXPECT_EQ(p.m.Chan[static_cast<size_t>(c.ch)], c.v);  // Chan(2) stays raw for the trace
        EXPECT_EQ(p.f.IL_G.Caption.empty(), false);           // a refused gauge stops nothing after it
    }
}

TEST(PanelValues, DispUpdateDecodesTheRecordAndCountsIt) {
    PanelApp p;
    p.m.MmPerPulse = 200;
    p.m.TachoPulse = 1;
    meter_set(p.m, p.f);
    auto& raw = p.m.RawRec;
    raw[3] = 0x13, raw[4] = 0x20;  // bit 4 of byte 3 is not part of the counter
    raw[7] = 256 - 25;             // -25 x 4 = -1.00 G
    raw[20] = 139;                 // 100 km/h
    disp_update(p.m, p.f);
    EXPECT_EQ(p.f.data_cont.Caption + p.f.kasoku.Caption + p.f.sokudo.Caption, " 800 -1.00  100 km/h");
    // The analysis run sets the record number and distance itself.
    p.f.AnalyzeOn = kTrue;
    p.f.data_cont.Caption = p.f.kyori.Caption = "mine";
    raw[4] = 0x21;
    disp_update(p.m, p.f);
    EXPECT_EQ(p.f.data_cont.Caption, "mine");
    EXPECT_EQ(p.f.kyori.Caption, "mine");
}

TEST(PanelTimers, PitAndStopTimersElapsedTimeAndTheCarWithoutALayout) {
    // Counts before one record (-1: the timer is not running); labels and running timers after it.
    // Ten minutes in the pit end both timers, the stop timer unadvanced; timers that do not run
    // leave their labels.
    const std::tuple<int32_t, int32_t, const char*> cases[] = {
        {0, -1, "0:00.1 - pit"}, {751, -1, "1:15.2 - pit"}, {-1, 5998, "- 9:59.9 stop"},
        {-1, 5999, "- ---"},     {5999, 10, "--- -"},       {-1, -1, "- -"},
    };
    for (const auto& [pit, stop, after] : cases) {
        TestApp app;
        F& f = app.f;
        f.PitOn = pit >= 0 ? kTrue : kFalse;
        f.StopOn = stop >= 0 ? kTrue : kFalse;
        f.PitCount = pit;
        f.StopCount = stop;
        f.PIT_IN_TIME.Caption = f.STOP_TIME.Caption = "-";
        pit_stop_time(app.m, f);
        EXPECT_EQ(
            f.PIT_IN_TIME.Caption + " " + f.STOP_TIME.Caption + (f.PitOn ? " pit" : "") + (f.StopOn ? " stop" : ""),
            after);
    }
    TestApp app;
    app.m.SegNo = 3;  // segment markers are not time samples; past 3276 records worked in 32 bits
    for (const auto& [index, text] : {std::pair{753, "1:15.0"}, {4000, "6:39.7"}}) {
        time_mado_set(app.m, app.f, static_cast<int16_t>(index));
        EXPECT_EQ(app.f.TAIME_MADO.Caption, text);
    }
    // Without a layout (dist_step 0), or at a negative distance, the car stays put.
    app.f.car.move(3, 4);
    car_set(app.m, app.f, 100);
    app.f.dist_step = 5;
    app.f.dist_mark_last = 10;
    car_set(app.m, app.f, -20);
    EXPECT_EQ(app.f.car.Left, 3);
}

}  // namespace
}  // namespace vt::test
