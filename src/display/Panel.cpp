#include "display/Panel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "layout/FrameLayout.h"
#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"

namespace vt {

namespace {

// Str(v / div) of a whole number v for div 10 or 100, made without a floating value (and so
// without the allocation of a long number text): " 12.5", " .9", "-1.05", " 3".
std::string fractionText(long v, long div) {
    char buf[32];
    const bool neg = v < 0;
    const unsigned long a = static_cast<unsigned long>(neg ? -v : v);
    const unsigned long whole = a / static_cast<unsigned long>(div), part = a % static_cast<unsigned long>(div);
    int n = std::snprintf(buf, 24, "%c", neg ? '-' : ' ');
    if (whole != 0 || part == 0) n += std::snprintf(buf + n, 22, "%lu", whole);
    if (part != 0) {
        buf[n++] = '.';
        if (div == 100) {
            buf[n++] = static_cast<char>('0' + part / 10);
            if (part % 10 != 0) buf[n++] = static_cast<char>('0' + part % 10);
        } else {
            buf[n++] = static_cast<char>('0' + part);
        }
    }
    return std::string(buf, static_cast<size_t>(n));
}

// A tenths value with one decimal: " 12.5", " 12.0", " .5".
std::string oneDecimal(long v) {
    std::string s = fractionText(v, 10);
    if (v % 10 == 0) s += ".0";
    return s;
}

// A record count (tenths of a second) as the timers show it: M:SS.C.
void timerText(Module1& m, Control& label, int32_t records) {
    time_conv(m, records * 10);
    label.setCaption(std::string_view(m.TimeText).substr(0, 6));
}

// The value labels beside the gauges (the distance, car and record number go separately).
std::array<Control*, 11> panelLabels(MainformState& f) {
    return {&f.kaitensuu, &f.sokudo, &f.ondo1, &f.ondo2, &f.kasoku, &f.kaku_kasoku,
            &f.handle,    &f.accel,  &f.af,    &f.prs,   &f.IL_G};
}

}  // namespace

void meter_set(Module1& m, MainformState& f) {
    Canvas& pic = *f.Picture3;
    const bool angle = angleDisplay(m, f);

    // Grey for a replay or analysis, blue-green for the live link.
    pic.Cls();
    pic.setBackColor(m.ReplayOn != 0 || f.AnalyzeOn != 0 ? rgb(224, 224, 224) : rgb(0, 192, 192));

    // Gauge captions along the rows under the dials and scales.
    pic.CurrentX = 0;
    pic.CurrentY = 115;
    pic.Print({Tab(13), "Speed", Spc(20), "rpm", Spc(17), "Steer", Spc(6), "Throttle"});
    pic.CurrentY = 225;
    pic.Print({Tab(84), "1  Temperature  2"});
    pic.CurrentY = 243;
    pic.Print({Tab(83), "Data No,"});
    pic.CurrentX = 10;
    pic.CurrentY = 244;
    pic.Print({Spc(8), "Lat G"}, false);
    pic.CurrentX = 85;
    pic.CurrentY = 244;
    if (angle)
        pic.Print({Spc(8), "Angle deg''"}, false);
    else
        pic.Print({Spc(11), "Volt"}, false);
    pic.CurrentX = 215;
    pic.CurrentY = 244;
    pic.Print({m.AFMode == 0 ? "Oxygen %" : m.AFMode == 100 ? "Lumbda" : "   A/F"}, false);
    pic.CurrentX = 290;
    pic.CurrentY = 244;
    pic.Print({"Kg/cm^2"}, false);
    pic.CurrentX = 362;
    pic.CurrentY = 244;
    pic.Print({"I.L G"});

    // Temperature scales.
    const int step1 = m.Temp1Max > 200 ? 300 : 50;
    const int step2 = m.Temp2Max > 200 ? 300 : 50;
    for (int i = 0; i <= 4; ++i) {
        const float y = static_cast<float>((4 - i) * 35 + 37);
        pic.CurrentY = y;
        pic.Print({Tab(89), printed(i * step1)}, false);
        pic.CurrentY = y;
        pic.Print({Tab(99), printed(i * step2)});
    }

    // Steering and throttle scales.
    pic.CurrentY = 45;
    pic.Print({Tab(66), "100", Spc(9), "100"});
    pic.CurrentY = 75;
    pic.Print({Tab(66), "50 ", Spc(10), "50"});
    pic.CurrentY = 105;
    pic.Print({Tab(66), "0 %", Spc(9), "0 %"});

    // Lateral G, angle or voltage, in-line G.
    pic.CurrentY = 164;
    pic.Print({Tab(16), "+5G", Spc(14), angle ? "+90" : "20V", Spc(40), "+5G"});
    pic.CurrentY = 199;
    pic.Print({Tab(16), " 0 ", Spc(15), angle ? " 0 " : "10V", Spc(40), " 0 "});
    pic.CurrentY = 232;
    pic.Print({Tab(16), "-5G", Spc(14), angle ? "-90" : "0 V", Spc(40), "-5G"});

    // Gauge ranges.
    if (m.RpmMax == 0) m.RpmMax = 10000;
    f.Gauge1.setMin(0);
    f.Gauge1.setMax(static_cast<int>(Int(m.RpmMax * 1.2)));
    f.Gauge2.setMin(0);
    f.Gauge2.setMax(m.Temp1Max > 200 ? 1200 : 200);
    f.Gauge3.setMin(0);
    f.Gauge3.setMax(m.Temp2Max > 200 ? 1200 : 200);
    f.Gauge4.setMin(0);
    f.Gauge4.setMax(m.SpeedUnit != 0 ? 250 : 400);
    f.Gauge5.setMin(0);
    f.Gauge5.setMax(200);
    f.Gauge6.setMin(0);
    f.Gauge6.setMax(200);
    f.Gauge7.setMin(0);
    f.Gauge7.setMax(1000);
    f.Gauge11.setMin(0);
    f.Gauge11.setMax(100);
    f.Gauge8.setMin(0);
    f.Gauge8.setMax(200);
    f.Gauge9.setMax(m.AFMode != 0 ? 180 : 256);
    f.Gauge9.setMin(m.AFMode != 0 ? 19 : 104);
    f.Gauge10.setMin(0);
    f.Gauge10.setMax(256);

    for (GaugeModel* g : f.gauges()) g->setVisible(true);
    for (Control* c : panelLabels(f)) c->setVisible(true);
    for (Control* c : {&f.kyori, &f.car, &f.data_cont}) c->setVisible(true);
}

void meter_off(Module1& m, MainformState& f) {
    for (GaugeModel* g : f.gauges()) g->setVisible(false);
    for (Control* c : panelLabels(f)) c->setVisible(false);
    // A replay or analysis keeps its distance, car and record number.
    if (m.ReplayOn == 0 && f.AnalyzeOn == 0)
        for (Control* c : {&f.kyori, &f.car, &f.data_cont}) c->setVisible(false);
    f.Picture3->setBackColor(kWhite);
}

void pit_stop_time(Module1& m, MainformState& f) {
    if (f.PitOn != 0) {
        ++f.PitCount;
        if (f.PitCount < 6000) {
            timerText(m, f.PIT_IN_TIME, f.PitCount);
        } else {
            // Ten minutes in the pit ends both timers.
            f.PitOn = kFalse;
            f.StopOn = kFalse;
            f.PIT_IN_TIME.setCaption("---");
        }
    }
    if (f.StopOn != 0) {
        ++f.StopCount;
        if (f.StopCount >= 6000) {
            f.StopOn = kFalse;
            f.STOP_TIME.setCaption("---");
        } else {
            timerText(m, f.STOP_TIME, f.StopCount);
        }
    }
}

void time_mado_set(Module1& m, MainformState& f, int16_t recordIndex) {
    // Worked in 32 bits: a lap of more than 3276 records would overflow 16.
    timerText(m, f.TAIME_MADO, static_cast<int32_t>(recordIndex) - m.SegNo);
}

void car_set(Module1&, MainformState& f, int16_t distance) {
    if (f.dist_step == 0) return;
    const double steps = Int(static_cast<double>(distance) / static_cast<double>(f.dist_step));
    if (!std::isfinite(steps)) return;
    // Steps beyond the table (a lap longer than it holds) keep the marker on the last stored step.
    const int last = std::min<int>(f.dist_mark_last, kMaxDistMark);
    const double k = std::min(steps, static_cast<double>(last));
    if (k < 0) return;
    const int p = f.dist_mark[static_cast<size_t>(k)];
    if (p < 0 || p > kMaxCoursePoint) return;
    f.car.move(static_cast<float>(f.course_x[static_cast<size_t>(p)] + 122),
               static_cast<float>(f.course_y[static_cast<size_t>(p)] + 122));
}

void disp_update(Module1& m, MainformState& f) {
    pit_stop_time(m, f);
    // The logger's record counter (bit 4 of byte 3 is not part of it).
    if (f.AnalyzeOn == 0)
        f.data_cont.setCaption(Str((m.RawRec[frame::kCounter] & 0xEF) * 256 + m.RawRec[frame::kCounter + 1]));
    nama_store(m, f);
    disp_channels(m, f);
}

void disp_channels(Module1& m, MainformState& f) {
    const auto& ch = m.Chan;
    // Every indicator on its own: a gauge refusing a value stops nothing else.
    f.kasoku.setCaption(Format(ch[0] / 100.0, "  0.00 ; -0.00 "));
    f.Gauge7.setValue(ch[0] + 500);
    // Angle or battery voltage.
    if (angleDisplay(m, f)) {
        f.kaku_kasoku.setCaption(Str(ch[1]));
        f.Gauge8.setValue(ch[1] + 100);
    } else {
        f.kaku_kasoku.setCaption(oneDecimal(ch[1]));
        f.Gauge8.setValue(ch[1]);
    }
    // Air/fuel. The conversions work on a copy: Chan(2) stays the raw value that the
    // trace of the same record reads.
    f.Gauge9.setValue(ch[2]);
    int16_t raw = ch[2];
    if (m.AFMode == 0) {
        f.af.setCaption(oneDecimal(Sanso_conv(raw)));
    } else if (m.AFMode == 100) {
        const int w = static_cast<int>(Int(AF_conv(f.AfTable, raw) / 4.0));
        std::string s = fractionText(w, 100);
        if (w % 100 == 0) s += ".0";
        if (w % 10 == 0) s += "0";
        f.af.setCaption(s);
    } else {
        const float v = AF_conv(f.AfTable, raw);
        f.af.setCaption(oneDecimal(static_cast<long>(Int(v / 400.0f * static_cast<float>(m.AFMode) / 10.0f))));
    }
    // Pressure by the sensor's range.
    long w = ch[3];
    switch (m.PrsRange) {
        case 0:
            w = static_cast<long>(Int(ch[3] * 0.939));
            break;
        case 1:
            w = static_cast<long>(Int(ch[3] * 2.35));
            break;
        case 2:
            w = static_cast<long>(Int(ch[3] * 4.69));
            break;
        default:
            break;
    }
    f.prs.setCaption(oneDecimal(w));
    f.Gauge10.setValue(ch[3]);
    // Steering and throttle; 255 means no sensor.
    if (ch[4] < 255) {
        f.handle.setCaption(Str(static_cast<long long>(Int(ch[4] / 2.0))));
        f.Gauge5.setValue(ch[4]);
    }
    if (ch[5] < 255) {
        f.accel.setCaption(Str(static_cast<long long>(Int(ch[5] / 2.0))));
        f.Gauge6.setValue(ch[5]);
    }
    f.ondo1.setCaption(Str(ch[6]));
    f.Gauge2.setValue(ch[6]);
    f.ondo2.setCaption(Str(ch[7]));
    f.Gauge3.setValue(ch[7]);
    f.kaitensuu.setCaption(Str(ch[8]));
    f.Gauge1.setValue(ch[8]);
    // Road speed; miles per hour are shown up to 250.
    if (m.SpeedUnit != 0) {
        const int v = static_cast<int>(std::min(Int(ch[9] * layout::kMphPerKmh), 250.0));
        std::string s = Str(v);
        s += " M/h";
        f.sokudo.setCaption(s);
        f.Gauge4.setValue(v);
    } else {
        std::string s = Str(ch[9]);
        s += " km/h";
        f.sokudo.setCaption(s);
        f.Gauge4.setValue(ch[9]);
    }
    // Distance and the car on the course (the analysis run sets its own).
    if (f.AnalyzeOn == 0) {
        if (m.SpeedUnit != 0) {
            f.kyori.setCaption(Format(ch[10] * layout::kMilesPerMetre, "#0.000 M"));
        } else {
            std::string s = Str(ch[10]);
            s += " m";
            f.kyori.setCaption(s);
        }
        car_set(m, f, ch[10]);
    }
    // In-line G in 1/10 G.
    const int v = static_cast<int>(Nearest(ch[19] * 0.354));
    f.IL_G.setCaption(Format(v / 10.0, "  0.0 ; -0.0 "));
    f.Gauge11.setValue(v + 50);
}

}  // namespace vt
