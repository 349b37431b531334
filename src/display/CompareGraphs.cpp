#include "display/CompareGraphs.h"

#include <algorithm>
#include <cmath>

#include "display/Graphs.h"
#include "display/Panel.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"

namespace vt {

namespace {

constexpr float kMiddle = 114;     // the frame's middle row: no difference
constexpr float kHalfHeight = 84;  // rows from the middle to the frame's top or bottom edge
constexpr Color kTextGrey = rgb(64, 64, 64);
constexpr Color kTextRed = rgb(255, 0, 0);
constexpr Color kTextGreen = rgb(0, 128, 0);
constexpr size_t kCaptionColumns = 34;  // the caption ends left of the title at Spc(35)

void at(Canvas& p, float x, float y) {
    p.CurrentX = x;
    p.CurrentY = y;
}

// Lost time red, gained time green.
Color diffColor(float seconds) { return seconds > 0 ? QBColor(12) : seconds < 0 ? QBColor(2) : kBlack; }
Color diffTextColor(float seconds) { return seconds > 0 ? kTextRed : seconds < 0 ? kTextGreen : kTextGrey; }

int decimalsFor(float range) { return range <= 0.5f ? 2 : range <= 5 ? 1 : 0; }

// The graph's state that drawing the reference lap borrows.
struct SavedTrace {
    explicit SavedTrace(Module1& m, MainformState& f)
        : m_(m),
          f_(f),
          chan_(m.Chan),
          raw_(m.RawRec),
          dist_(m.DistCount),
          traceX_(f.TraceX),
          lastX_(f.TraceLastX),
          y_{f.TraceY1, f.TraceY2, f.TraceY3, f.TraceY4},
          mm_(m.MmPerPulse),
          tacho_(m.TachoPulse),
          af_(m.AFMode),
          unit_(m.SpeedUnit),
          courseLen_(m.CourseLen) {}
    ~SavedTrace() {
        m_.Chan = chan_;
        m_.RawRec = raw_;
        m_.DistCount = dist_;
        f_.TraceX = traceX_;
        f_.TraceLastX = lastX_;
        f_.TraceY1 = y_[0];
        f_.TraceY2 = y_[1];
        f_.TraceY3 = y_[2];
        f_.TraceY4 = y_[3];
        m_.MmPerPulse = mm_;
        m_.TachoPulse = tacho_;
        m_.AFMode = af_;
        m_.SpeedUnit = unit_;
        m_.CourseLen = courseLen_;
    }
    SavedTrace(const SavedTrace&) = delete;
    SavedTrace& operator=(const SavedTrace&) = delete;

  private:
    Module1& m_;
    MainformState& f_;
    std::array<int16_t, 21> chan_;
    std::array<uint8_t, 33> raw_;
    float dist_;
    float traceX_;
    int16_t lastX_;
    std::array<int16_t, 4> y_;
    int16_t mm_, tacho_, af_, unit_, courseLen_;
};

void loadReference(Module1& m, const RefLapState& ref, int32_t r) {
    std::copy(ref.Records[static_cast<size_t>(r)].begin(), ref.Records[static_cast<size_t>(r)].end(),
              m.RawRec.begin() + 7);
}

}  // namespace

float diffRange(float largest) {
    for (float r : {0.2f, 0.5f, 1.0f, 2.0f, 5.0f, 10.0f, 20.0f, 50.0f, 100.0f, 200.0f, 500.0f})
        if (largest <= r) return r;
    return 1000.0f;
}

float diffY(float seconds, float range) {
    return std::clamp(kMiddle - seconds / range * kHalfHeight, kMiddle - kHalfHeight, kMiddle + kHalfHeight);
}

void ref_caption(const Module1&, MainformState& f) {
    const RefLapState& ref = f.RefLap;
    if (!ref.On) return;
    const std::string lap = " LAP " + std::to_string(ref.Lap);
    std::string name = ref.Name;
    const size_t room = kCaptionColumns - 4 - lap.size();
    if (name.size() > room) name = name.substr(0, room);
    Canvas& p = *f.Picture2;
    const Color keep = p.ForeColor;
    p.ForeColor = kTextGrey;
    at(p, 0, 0);
    p.Print({"REF " + name + lap}, false);
    p.ForeColor = keep;
}

void ref_overlay(Module1& m, MainformState& f) {
    const RefLapState& ref = f.RefLap;
    if (!ref.On || m.RecCount == 0 || m.ReplayOn != 0 || f.XScale <= 0) return;
    ref_caption(m, f);
    const LapComparison c = compare_current(m, ref);
    if (!c.ok()) return;

    SavedTrace saved(m, f);
    // The reference's records are read by its own log's settings, and placed by distance, not
    // by the loaded course's length.
    m.MmPerPulse = ref.MmPerPulse;
    m.TachoPulse = ref.TachoPulse;
    m.AFMode = ref.AFMode;
    m.SpeedUnit = ref.SpeedUnit;
    m.CourseLen = 0;
    const bool angle = angleDisplay(m, f);
    float unused = 0;
    // The speed history starts at the lap's first speed, so in-line G does not start with a jump.
    if (!c.ref.sampleRecord.empty()) {
        loadReference(m, ref, c.ref.sampleRecord.front());
        nama_store(m, angle, 0, unused);
        std::fill(m.Chan.begin() + 11, m.Chan.begin() + 19, m.Chan[9]);
    }
    f.TraceLastX = 0;
    size_t hint = 0;
    for (size_t k = 0; k < c.ref.sampleRecord.size(); ++k) {
        loadReference(m, ref, c.ref.sampleRecord[k]);
        nama_store(m, angle, 0, unused);
        const float refX = c.ref.d[static_cast<size_t>(c.ref.samplePoint[k])];
        const float x = map_distance(c.diff.to, c.diff.from, refX, hint);
        f.TraceX = static_cast<float>(Int(static_cast<float>(Int(x)) * f.XScale));
        ref_trace_plot(m, f);
    }
}

void grf_8_Click(Module1& m, MainformState& f) {
    Canvas& p = graph_start(m, f, 8, "*   Time difference (s)   *");
    grf_grid(m, f);
    p.Line(60, kMiddle, 410, kMiddle, kBlack);

    std::string why;
    LapComparison c;
    if (!f.RefLap.On)
        why = "no reference lap";
    else if (m.RecCount == 0)
        why = "no lap chosen";
    else if (c = compare_current(m, f.RefLap); !c.ok())
        why = c.diff.error;
    float largest = 0;
    for (float d : c.diff.delta) largest = std::max(largest, std::fabs(d));
    const float range = diffRange(largest);

    // The scale: the edges, the halves and zero; lost time up, gained time down.
    p.ForeColor = kTextGrey;
    for (int i = 4; i >= -4; i -= 2) {
        const float v = range * static_cast<float>(i) / 4;
        at(p, 15, diffY(v, range) - 6);
        p.Print({Spc(2), Right("      " + (i == 0 ? std::string(" 0") : diffText(v, decimalsFor(range))), 6)});
    }
    p.ForeColor = kTextRed;
    at(p, 413, 34);
    p.Print({"LOST"});
    p.ForeColor = kTextGreen;
    at(p, 413, 180);
    p.Print({"GAINED"});
    ref_caption(m, f);

    p.ForeColor = kTextGrey;
    dist_scale(m, f);
    grf_replay(m, f);  // the segment marks, and DistTbl for the analysis cursor
    if (!why.empty()) {
        p.ForeColor = kTextGrey;
        at(p, 80, 100);
        p.Print({why});
        return;
    }

    // The curve: a line to each point that moves to another pixel.
    const float perMetre = static_cast<float>(kGraphWidth) / c.diff.length;
    int lastX = 0, lastY = 0;
    for (size_t i = 0; i < c.diff.x.size(); ++i) {
        const int x = static_cast<int>(Nearest(kGraphLeft + c.diff.x[i] * perMetre));
        const int y = static_cast<int>(Nearest(diffY(c.diff.delta[i], range)));
        if (i == 0)
            p.PSet(static_cast<float>(x), static_cast<float>(y), diffColor(0));
        else if (x != lastX || y != lastY)
            p.Line(static_cast<float>(lastX), static_cast<float>(lastY), static_cast<float>(x), static_cast<float>(y),
                   diffColor(c.diff.delta[i]));
        lastX = x;
        lastY = y;
    }

    // The final difference at the right end, beside where the curve ends.
    p.ForeColor = diffTextColor(c.diff.final);
    at(p, 411, std::clamp(diffY(c.diff.final, range) - 6, 46.0f, 168.0f));
    p.Print({diffText(c.diff.final)});
}

}  // namespace vt
