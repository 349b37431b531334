// Helpers of the course tests: laps written straight into the image, and measures of a drawn lap.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "course/CourseLayout.h"
#include "support/TestApp.h"

namespace vt::test {

// The stored course points of the last layout.
struct Pt {
    int x, y;
};
inline std::vector<Pt> coursePoints(const MainformState& f) {
    std::vector<Pt> pts;
    const int n = std::min<int>(f.course_pts, kMaxCoursePoint + 1);
    for (int i = 0; i < n; ++i) pts.push_back({f.course_x[static_cast<size_t>(i)], f.course_y[static_cast<size_t>(i)]});
    return pts;
}

// A lap written into the image from record RecPtr (0) with MmPerPulse 200; speed count 101 is
// 72 km/h, 1.99944 m per record.
struct SyntheticLap : TestApp {
    using Op = RecordingCanvas::Op;
    int n = 0;
    explicit SyntheticLap(int carType = 0, const char* avr = "OFF") {
        m.MmPerPulse = 200;
        m.CarType = static_cast<int16_t>(carType);
        f.CHK_AVR.Caption = avr;
    }
    SyntheticLap& samples(int count, int g, int speedCount = 101) {  // lateral G byte, speed count
        for (int i = 0; i < count; ++i)
            m.LogMem[static_cast<size_t>(n++)] = {
                uint8_t(int8_t(g)), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(speedCount >> 8), uint8_t(speedCount)};
        return *this;
    }
    SyntheticLap& marker(int kind = 254) {  // 255 lap, 254 segment
        (m.LogMem[static_cast<size_t>(n++)] = {})[6] = static_cast<uint8_t>(kind);
        return *this;
    }
    std::vector<Pt> layOut(int16_t length = 1000) {
        m.RecCount = n - m.RecPtr;
        Corse_layout(m, f, pump, length);
        return coursePoints(f);
    }
    RecordingCanvas& pic() { return static_cast<RecordingCanvas&>(*f.Picture1); }
    std::vector<Op> ops(Op::Kind kind) {
        std::vector<Op> out;
        for (const Op& op : pic().ops)
            if (op.kind == kind) out.push_back(op);
        return out;
    }
    std::string texts() {  // all texts printed, joined by |
        std::string out;
        for (const Op& op : ops(Op::Text)) out += (out.empty() ? "" : "|") + op.text;
        return out;
    }
};

// Distance from the last point back to the first, in units of the mean point spacing.
inline double closingGap(const std::vector<Pt>& pts) {
    double along = 0;
    for (size_t i = 1; i < pts.size(); ++i) along += std::hypot(pts[i].x - pts[i - 1].x, pts[i].y - pts[i - 1].y);
    return std::hypot(pts.back().x - pts.front().x, pts.back().y - pts.front().y) * (pts.size() - 1) / along;
}

}  // namespace vt::test
