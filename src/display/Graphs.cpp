#include "display/Graphs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "display/CompareGraphs.h"
#include "display/Panel.h"
#include "layout/FrameLayout.h"
#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"

namespace vt {

namespace {

// Plot frame: one lap spans kGraphWidth pixels from x = kGraphLeft.
constexpr float kLeft = kGraphLeft, kTop = 30, kRight = kGraphLeft + kGraphWidth, kBottom = 198;

constexpr Color kTextRed = rgb(255, 0, 0);
constexpr Color kTextBlue = rgb(0, 0, 255);
constexpr Color kTextGreen = rgb(0, 128, 0);
constexpr Color kTextGrey = rgb(64, 64, 64);

// The curve slots keep 16-bit y values; a wild value is held at the ends of that range.
int16_t toY(double y) { return static_cast<int16_t>(std::clamp(y, -32768.0, 32767.0)); }

void at(Canvas& p, float x, float y) {
    p.CurrentX = x;
    p.CurrentY = y;
}

// Speed labels 0..350 km/h (0..210 mph) down the left side, 21 pixels per step.
void speedLabels(Module1& m, Canvas& p) {
    for (int i = 0; i <= 7; ++i) {
        at(p, 15, static_cast<float>((7 - i) * 21 + 44));
        p.Print({Spc(3), Right("    " + Str(m.SpeedUnit == 1 ? i * 30 : i * 50), 5)});
    }
}

// Draws one point of a curve slot: joined to the slot's last y, or a dot to start afresh.
void plotPoint(Canvas& p, bool joined, int xPrev, int x, int16_t& slotY, int16_t y, Color c) {
    if (joined)
        p.Line(static_cast<float>(xPrev), slotY, static_cast<float>(x), y, c);
    else
        p.PSet(static_cast<float>(x), y, c);
    slotY = y;
}

int16_t speedY(const Module1& m) { return toY(197 - std::min(Int(m.Chan[9] * 0.42), 166.0)); }

// trace_plot in the current lap's pens (palette colours) or the reference lap's (the same lightened).
void plotRecord(Module1& m, MainformState& f, bool reference) {
    auto pen = [reference](int n) { return reference ? referencePen(QBColor(n)) : QBColor(n); };
    // A damaged log can put a record far beyond the graph, or nowhere: the column is held to
    // what the picture's 16-bit coordinates take (it is drawn off the picture all the same).
    const float traceX = std::isfinite(f.TraceX) ? std::clamp(f.TraceX, -30000.0f, 30000.0f) : 0.0f;
    if (Int(traceX) == f.TraceLastX && f.TraceLastX != 0) return;  // same pixel column as the last record
    Canvas& p = *f.Picture2;
    const int x = static_cast<int>(Nearest(traceX + static_cast<double>(kGraphLeft)));
    const int xPrev = f.TraceLastX + kGraphLeft;
    const int jump = std::abs(x - xPrev);
    // A wrap at the lap end or missing records start the curve afresh.
    const bool joined = traceX != 0 && f.TraceLastX != 0 && jump <= 10;
    const auto& ch = m.Chan;

    switch (m.GraphKind) {
        case 3: {
            const double perRpm = m.RpmMax > 10000 ? 0.0105 : 0.021;
            int16_t rpmY = toY(std::min(240 - Nearest(ch[8] * perRpm), 197.0));
            plotPoint(p, joined, xPrev, x, f.TraceY1, rpmY, pen(9));
            plotPoint(p, joined, xPrev, x, f.TraceY2, speedY(m), pen(12));
            break;
        }
        case 4: {
            // Sensor code 255 (no sensor) lies beyond the scale and is left out.
            double throttle = Int(ch[5] * 0.21);
            if (throttle <= 42)
                plotPoint(p, joined, xPrev, x, f.TraceY2, toY(197 - throttle), pen(2));
            else
                f.TraceY2 = 197;
            double steer = Int(ch[4] * 0.42);
            if (steer <= 84)
                plotPoint(p, joined, xPrev, x, f.TraceY3, toY(156 - steer), pen(9));
            else
                f.TraceY3 = 114;
            if (f.ANGL_CHK.Checked) {
                int a = ch[1];
                if (a > 127) a -= 256;
                plotPoint(p, joined, xPrev, x, f.TraceY4, toY(72 - a), pen(5));
            }
            plotPoint(p, joined, xPrev, x, f.TraceY1, toY(72 - Int(ch[0] * 0.105)), pen(12));
            break;
        }
        case 5: {
            plotPoint(p, joined, xPrev, x, f.TraceY1, toY(std::max(95 - Int(ch[3] * 0.305), 31.0)), pen(9));
            double v;
            if (m.AFMode != 0) {
                int16_t raw = ch[2];
                v = std::max(std::min(Nearest(AF_conv(f.AfTable, raw) / 4.0), 170.0) - 70, 0.0);
            } else {
                v = std::max(Int((ch[2] - 104) * 0.678), 0.0);
            }
            plotPoint(p, joined, xPrev, x, f.TraceY2, toY(197 - v), pen(2));
            plotPoint(p, joined, xPrev, x, f.TraceY3, toY(198 - Int(std::min<int>(ch[6], 799) * 0.21)), pen(12));
            plotPoint(p, joined, xPrev, x, f.TraceY4, toY(198 - Int(ch[7] * 0.21)), pen(12));
            break;
        }
        case 7: {
            plotPoint(p, joined, xPrev, x, f.TraceY2, speedY(m), pen(12));
            // In-line G has no dots: it restarts from the centre line.
            if (traceX > 2 && f.TraceLastX >= 3 && jump < 10) {
                double v = std::clamp(Nearest(ch[19] * 0.37), -42.0, 42.0);
                int16_t y = toY(72 - v);
                p.Line(static_cast<float>(xPrev), f.TraceY4, static_cast<float>(x), y, pen(9));
                f.TraceY4 = y;
            } else {
                f.TraceY4 = 72;
            }
            break;
        }
        default:
            break;
    }
    f.TraceLastX = static_cast<int16_t>(Nearest(traceX));
}

}  // namespace

Color referencePen(Color c) {
    // Each channel 60 % of the way to white: the same hue, plainly lighter on screen and paper.
    auto light = [](Color v) { return static_cast<int>(v + (255 - v) * 3 / 5); };
    return rgb(light((c >> 16) & 255), light((c >> 8) & 255), light(c & 255));
}

Canvas& graph_start(Module1& m, MainformState& f, int16_t kind, const char* title) {
    m.GraphKind = kind;
    f.TraceLastX = 0;
    Canvas& p = *f.Picture2;
    p.Cls();
    p.Print({Spc(35), title});
    p.Box(kLeft, kTop, kRight, kBottom, kBlack, false);
    return p;
}

void grf_grid(Module1&, MainformState& f) {
    Canvas& p = *f.Picture2;
    const Color c = QBColor(9);
    p.drawStyle = DrawStyle::Dot;
    for (int i = 1; i <= 7; ++i) {
        float y = static_cast<float>(30 + 21 * i);
        p.Line(kLeft, y, kRight, y, c);
    }
    p.drawStyle = DrawStyle::Solid;
    for (int i = 1; i <= 8; ++i) {
        float y = static_cast<float>(20 + 21 * i);
        p.Line(60, y, 62, y, c);
        p.Line(407, y, 409, y, c);
    }
}

void grf_3_Click(Module1& m, MainformState& f) {
    Canvas& p = graph_start(m, f, 3, "*   Speed, rpm   *");
    grf_grid(m, f);
    p.ForeColor = kTextRed;
    at(p, 15, 28);
    p.Print({Spc(4), m.SpeedUnit == 1 ? " M/h" : "km/h"});
    speedLabels(m, p);
    p.ForeColor = kTextBlue;
    at(p, 420, 25);
    p.Print({"rpm"});
    const int rpmStep = m.RpmMax > 10000 ? 2000 : 1000;
    for (int i = 0; i <= 7; ++i) {
        at(p, 411, static_cast<float>((7 - i) * 21 + 44));
        p.Print({Str((i + 2) * rpmStep)});
    }
    p.ForeColor = kTextGrey;
    dist_scale(m, f);
    if (f.RefLap.On) ref_overlay(m, f);
    grf_replay(m, f);
}

void grf_4_Click(Module1& m, MainformState& f) {
    Canvas& p = graph_start(m, f, 4, "*   G, Steering   *");
    grf_grid(m, f);
    for (float y : {72.0f, 114.0f, 156.0f}) p.Line(60, y, 410, y, kBlack);

    p.ForeColor = kTextRed;
    p.CurrentX = 0;
    for (int i = 0; i <= 4; ++i) {
        p.CurrentY = static_cast<float>((4 - i) * 11 + 23);
        p.Print({Spc(9), i == 0 ? std::string("G") : Right("    " + Str(i), 2)});
    }

    p.ForeColor = kTextGreen;
    p.CurrentY = 136;
    p.Print({Spc(9), "%"});
    for (int i = 0; i <= 4; ++i) {
        p.CurrentY = static_cast<float>((4 - i) * 10 + 151);
        p.Print({Spc(8), Right("    " + Str(i * 25), 3)});
    }

    p.ForeColor = kTextBlue;
    const std::pair<float, const char*> steer[] = {{66, "100%"}, {87, "75%"}, {108, "STR"}, {129, "25%"}, {150, "0%"}};
    for (const auto& [y, text] : steer) {
        at(p, 413, y);
        p.Print({text});
    }

    p.ForeColor = kTextGrey;
    dist_scale(m, f);
    if (f.RefLap.On) ref_overlay(m, f);
    grf_replay(m, f);
}

void grf_5_Click(Module1& m, MainformState& f) {
    Canvas& p = graph_start(m, f, 5, "*   Temp, A/F, Pressure   *");
    // Pressure above the line, temperatures and air/fuel below.
    p.Line(60, 95, 410, 95, kBlack);
    p.drawStyle = DrawStyle::Dot;
    for (int i = 1; i <= 4; ++i) {
        float y = static_cast<float>(30 + 13 * i);
        p.Line(60, y, 410, y, QBColor(9));
    }
    for (int i = 0; i <= 3; ++i) {
        float y = static_cast<float>(117 + 20 * i);
        p.Line(60, y, 410, y, QBColor(9));
    }
    p.drawStyle = DrawStyle::Solid;

    p.ForeColor = kTextBlue;
    at(p, 0, 28);
    p.Print({Spc(5), "PRS"});
    std::string prs;  // an unknown range repeats the previous label (none on the first row)
    for (int i = 0; i <= 4; ++i) {
        p.CurrentY = static_cast<float>((4 - i) * 13 + 36);
        switch (m.PrsRange) {
            case 0:
                prs = Right("   " + Str(i * 4), 2);
                break;
            case 1:
                prs = Right("   " + Str(i * 10), 2);
                break;
            case 2:
                prs = Right("   " + Str(i * 20), 2);
                break;
            default:
                break;
        }
        p.Print({Spc(9), prs});
    }

    p.ForeColor = kTextRed;
    at(p, 416, 26);
    p.Print({" TMP"});
    at(p, 416, 35);
    p.Print({" x100"});
    for (int i = 0; i <= 7; ++i) {
        at(p, 410, static_cast<float>((7 - i) * 21 + 45));
        p.Print({printed(i)}, false);
        if (i <= 4) p.Print({Right("   " + Str(i + 8), 4)}, false);
        p.Print({});
    }

    p.ForeColor = kTextGreen;
    p.CurrentY = 100;
    if (m.AFMode == 0) {
        p.Print({Spc(7), "%"});
        for (int i = 0; i <= 4; ++i) {
            p.CurrentY = static_cast<float>((4 - i) * 20 + 112);
            p.Print({Spc(9), Right("   " + Str(i * 5), 2)});
        }
    } else if (m.AFMode == 100) {
        p.Print({Spc(7), "L"});
        for (int i = 0; i <= 8; ++i) {
            p.CurrentY = static_cast<float>((8 - i) * 10 + 112);
            double v = i * 0.1 + 0.7;
            std::string text = v == 1.0 ? std::string(" 1.0") : "  " + Str(v);
            p.Print({Spc(8), Right(text, 3)});
        }
    } else {
        p.Print({Spc(6), "A/F"});
        for (int i = 0; i <= 8; ++i) {
            p.CurrentY = static_cast<float>((8 - i) * 10 + 112);
            double v = ((i * 0.1 + 0.7) * m.AFMode + 5) / 100;
            p.Print({Spc(5), Left(Str(v), 5)});
        }
    }

    p.ForeColor = kTextGrey;
    dist_scale(m, f);
    if (f.RefLap.On) ref_overlay(m, f);
    grf_replay(m, f);
}

void grf_7_Click(Module1& m, MainformState& f) {
    Canvas& p = graph_start(m, f, 7, "*   In Line G   *");
    grf_grid(m, f);
    p.Line(60, 72, 410, 72, kBlack);
    p.Line(60, 114, 410, 114, kBlack);

    p.ForeColor = kTextRed;
    at(p, 15, 28);
    p.Print({Spc(4), m.SpeedUnit == 1 ? " m/h" : "km/h"});
    speedLabels(m, p);

    p.ForeColor = kTextBlue;
    for (int i = -4; i <= 4; ++i) {
        at(p, 380, static_cast<float>((4 - i) * 10 + 24));
        std::string text = i == 0 ? std::string("    I.L G") : "    " + Str(i) + "  ";
        p.Print({Spc(7), Right(text, 5)});
    }

    p.ForeColor = kTextGrey;
    dist_scale(m, f);
    if (f.RefLap.On) ref_overlay(m, f);
    grf_replay(m, f);
}

void grf_refresh(Module1& m, MainformState& f) {
    switch (m.GraphKind) {
        case 3:
            grf_3_Click(m, f);
            break;
        case 4:
            grf_4_Click(m, f);
            break;
        case 5:
            grf_5_Click(m, f);
            break;
        case 7:
            grf_7_Click(m, f);
            break;
        case 8:
            grf_8_Click(m, f);
            break;
        default:
            break;
    }
}

void dist_scale(Module1& m, MainformState& f) {
    if (m.CourseLen == 0) return;
    Canvas& p = *f.Picture2;
    // Every fifth tick is long and labelled.
    auto tick = [&p](int i, float x, float labelX, float labelY, const std::string& label) {
        if (i % 5 != 0) {
            p.Line(x, 195, x, 198, kBlack);
        } else {
            p.Line(x, 192, x, 198, kBlack);
            at(p, labelX, labelY);
            p.Print({label});
        }
    };
    if (m.SpeedUnit != 0) {
        const float miles = static_cast<float>(m.CourseLen) * static_cast<float>(layout::kMilesPerMetre);
        const float step = miles < 1 ? 0.05f : (miles <= 5 ? 0.1f : 0.5f);
        const double s = kGraphWidth / miles;
        const int n = static_cast<int>(Nearest(miles / step));
        for (int i = 0; i <= n; ++i) {
            float x = static_cast<float>(Int(i * s * step + kGraphLeft));
            tick(i, x, x - 9, 198, i % 5 == 0 ? printed(static_cast<float>(i) * step) : std::string());
        }
    } else {
        at(p, 60, 200);
        p.Print({"0"});
        const int step = m.CourseLen < 1000 ? 50 : (m.CourseLen <= 5000 ? 100 : 500);
        const double s = static_cast<double>(kGraphWidth) / m.CourseLen;
        const int n = static_cast<int>(Nearest(static_cast<double>(m.CourseLen) / step - 1));
        for (int i = 1; i <= n; ++i) {
            // The metre ticks stand one pixel left of the frame's edge.
            float x = static_cast<float>(Int(i * s * step + (kGraphLeft - 1)));
            tick(i, x, x - 18, 200, i % 5 == 0 ? printed(i * step) : std::string());
        }
    }
    at(p, 230, 208);
    p.Print({m.SpeedUnit != 0 ? "M" : "m"});
}

void grf_replay(Module1& m, MainformState& f) {
    if (m.RecCount == 0 || m.ReplayOn != 0 || m.RecPtr < 0) return;
    m.SegNo = 0;
    f.TraceLastX = 0;
    m.DistCount = 0;
    int16_t d0 = 0;
    // The image ends at record kMaxRecord; DistTbl holds the first kMaxCoursePoint records.
    const int32_t last = std::min(m.RecCount - 1, kMaxRecord - m.RecPtr);
    for (int32_t r = 1; r <= last; ++r) {
        load_record(m, m.RecPtr + r);
        if (m.RawRec[frame::recordByte(layout::rec::kKind)] == layout::kSegmentMarker) {
            ++m.SegNo;
            seg_mark(m, f);
        } else {
            nama_store(m, f);
            trace_plot(m, f);
        }
        if (r <= kMaxCoursePoint) {
            int16_t d = std::max(m.Chan[10], d0);
            f.DistTbl[static_cast<size_t>(r)] = d;
            d0 = d;
        }
    }
    if (m.SegNo != 0) {
        ++m.SegNo;
        Canvas& p = *f.Picture2;
        at(p, 400, 18);
        p.Print({printed(m.SegNo)});
    }
}

void trace_plot(Module1& m, MainformState& f) { plotRecord(m, f, false); }

void ref_trace_plot(Module1& m, MainformState& f) { plotRecord(m, f, true); }

void seg_mark(Module1& m, MainformState& f) {
    Canvas& p = *f.Picture2;
    const float x = f.TraceX + kLeft;
    p.drawStyle = DrawStyle::Dot;
    p.Line(x, kTop, x, kBottom, kBlack);
    p.drawStyle = DrawStyle::Solid;
    at(p, f.TraceX + 48, 18);
    p.Print({printed(m.SegNo)});
}

}  // namespace vt
