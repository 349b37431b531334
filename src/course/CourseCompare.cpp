#include "course/CourseCompare.h"

#include <algorithm>
#include <cmath>

#include "compare/LapCompare.h"
#include "logdata/Decode.h"

namespace vt {

namespace {

constexpr float kCentre = 126.0f;  // the layout's picture centre
constexpr Color kTextRed = rgb(255, 0, 0);
constexpr Color kTextGreen = rgb(0, 128, 0);
constexpr Color kTextGrey = rgb(64, 64, 64);

void swatch(Canvas& p, float x, float y, Color c, const char* text, Color textColor) {
    p.Box(x, y + 3, x + 6, y + 9, c, true);
    p.CurrentX = x + 7;
    p.CurrentY = y;
    p.ForeColor = textColor;
    p.Print({text}, false);
}

}  // namespace

void course_gain_paint(Module1& m, MainformState& f) {
    if (!f.RefLap.On || m.RecCount == 0 || f.course_pts <= 0) return;
    const LapComparison c = compare_current(m, f.RefLap);
    if (!c.ok()) return;
    const std::vector<float> gains = stretch_gains(c.diff, kGainStretches);

    // Course point i is the i-th record of the lap that is not a marker; the trace's samples
    // are those after the lap's first record.
    Canvas& p = *f.Picture1;
    const Color keep = p.ForeColor;
    const int first = m.RecPtr >= 0 && m.RecPtr <= kMaxRecord && !isMarker(m, m.RecPtr) ? 1 : 0;
    const int points = std::min<int>(f.course_pts, kMaxCoursePoint + 1);
    const float perStretch = static_cast<float>(kGainStretches) / c.diff.length;
    float lastX = -1, lastY = -1;
    for (size_t k = 0; k < c.cur.samplePoint.size(); ++k) {
        const int i = static_cast<int>(k) + first;
        if (i >= points) break;
        const float x = c.cur.d[static_cast<size_t>(c.cur.samplePoint[k])];
        const size_t s = std::min<size_t>(static_cast<size_t>(std::max(0.0f, x * perStretch)), gains.size() - 1);
        const float gain = gains[s];
        if (std::fabs(gain) < kGainThreshold) continue;
        const Color col = gain > 0 ? QBColor(12) : QBColor(2);
        const float px = static_cast<float>(f.course_x[static_cast<size_t>(i)]) + kCentre;
        const float py = static_cast<float>(f.course_y[static_cast<size_t>(i)]) + kCentre;
        if (px == lastX && py == lastY) continue;
        // Thicker than a corner, so the colour reads on straights too.
        p.PSet(px, py, col);
        p.PSet(px - 1, py, col);
        p.PSet(px + 1, py, col);
        p.PSet(px, py - 1, col);
        p.PSet(px, py + 1, col);
        lastX = px;
        lastY = py;
    }

    // The legend and the reference under the course.
    swatch(p, 4, 228, QBColor(12), "TIME LOST", kTextRed);
    swatch(p, 100, 228, QBColor(2), "TIME GAINED", kTextGreen);
    p.ForeColor = kTextGrey;
    p.CurrentX = 4;
    p.CurrentY = 240;
    // One row of the picture (56 columns): a long log name is cut.
    const std::string lap = " LAP " + std::to_string(f.RefLap.Lap) + "  " + diffText(c.diff.final) + " s";
    const std::string text = "REF " + f.RefLap.Name.substr(0, std::max<size_t>(0, 54 - 4 - lap.size())) + lap;
    p.Print({text}, false);
    p.ForeColor = keep;
}

}  // namespace vt
