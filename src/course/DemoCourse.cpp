#include "course/DemoCourse.h"

#include <algorithm>
#include <cmath>

#include "course/CourseLayout.h"
#include "course/CourseList.h"
#include "layout/LogLayout.h"
#include "platform/NumText.h"

namespace vt {

namespace {

// The start-up circle's G byte is made with its own figure of 0.3828 m/s^2 a count (the layout
// reads counts with layout::kGPerCount); the start-up pictures are made from exactly this.
constexpr double kDemoGPerCount = 0.3828;

// A byte of the image from a computed count; out-of-range values (a course length of 0
// would give 0 / 0) become 0 rather than garbage.
uint8_t byteOf(double v) { return std::isfinite(v) && v >= 0 && v <= 255 ? static_cast<uint8_t>(v) : 0; }

}  // namespace

void demo_course(Module1& m, MainformState& f, Services& s) {
    const double len = m.CourseLen;
    // One minute around the circle, two for the long ones so the speed stays sensible.
    const int seconds = m.CourseLen <= 5000 ? 60 : 120;
    m.MmPerPulse = 200;
    m.CourseMmPerPulse = 200;
    m.CarType = 3;

    // A one-segment lap whose length is the circumference, in distance pulses.
    if (m.LapCur >= 0 && m.LapCur <= kMaxLap) {
        auto& seg1 = m.LapTbl[static_cast<size_t>(m.LapCur)][1];
        const double pulses = std::clamp(Int(len * 1000 / m.MmPerPulse), 0.0, 65535.0);
        seg1[layout::seg::kTime] = 1;
        layout::putWord(&seg1[layout::seg::kPulses], static_cast<int>(pulses));
    }
    grf_2_Click(m, f, s.pump);

    // Constant speed on a circle: the lateral acceleration is v^2 / r.
    const double v = len / seconds;
    const double r = len / 6.2832;
    const double a = v * v / r;
    const double speedCount = std::clamp(Nearest(v / 0.2), 0.0, 65535.0);
    const int sc = std::isfinite(speedCount) ? static_cast<int>(speedCount) : 0;
    const uint8_t g = byteOf(Int(a / kDemoGPerCount));
    const int records = 10 * seconds;
    for (int n = 0; n < records; ++n) {
        auto& rec = m.LogMem[static_cast<size_t>(n)];
        rec[layout::rec::kLatG] = g;
        rec[layout::rec::kKind] = 0;
        layout::putWord(&rec[layout::rec::kSpeed], sc);
    }
    m.RecCount = records - 1;

    Corse_layout(m, f, s.pump, m.CourseLen);
    if (m.CourseLen != 0) f.XScale = graphScale(m.CourseLen);

    m.RecCount = 0;
    m.MmPerPulse = 0;
    f.namae.setCaption(lang(m, 173));
    m.CarType = 0;
}

}  // namespace vt
