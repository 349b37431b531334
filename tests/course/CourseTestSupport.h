// Helpers of the course tests: generated logs loaded into the image, and synthetic laps
// written straight into it.
#pragma once

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "support/TestApp.h"

namespace vt::test {

// Loads a generated log as the log-file menu does (image, header, lap table; RecCount 0).
inline loggen::LoggerMemory loadGenerated(TestApp& app, const loggen::GenOptions& o) {
    loggen::GenResult r = loggen::generateLog(o);
    EXPECT_TRUE(r) << r.error;
    if (!r) return {};
    const std::vector<std::uint8_t> bytes = r.memory->fileBytes();
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string error;
    EXPECT_TRUE(log_read(app.m, in, nullptr, &error)) << error;
    app.m.RecLast = app.m.RecCount - 1;
    app.m.RecCount = 0;
    return *r.memory;
}

// One sample record: lateral G byte (signed), speed count; byte 6 is 0 (not a marker).
inline void putSample(Module1& m, int n, int g, int speedCount) {
    auto& r = m.LogMem[static_cast<size_t>(n)];
    r = {};
    r[0] = static_cast<uint8_t>(static_cast<int8_t>(g));
    r[12] = static_cast<uint8_t>(speedCount >> 8);
    r[13] = static_cast<uint8_t>(speedCount & 255);
}

// A marker record (255 lap, 254 segment).
inline void putMarker(Module1& m, int n, int kind) {
    auto& r = m.LogMem[static_cast<size_t>(n)];
    r = {};
    r[6] = static_cast<uint8_t>(kind);
}

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

// Winding number of a drawn lap taken as a closed path, over chords of `step` points (so the
// rounding of the points to whole picture units does not add up).
inline double closedTurns(const std::vector<Pt>& pts, size_t step) {
    const size_t chords = pts.size() / step;
    if (chords < 3) return 0;
    auto angle = [&](size_t j) {
        const Pt& a = pts[j * step];
        const Pt& b = pts[j + 1 == chords ? 0 : (j + 1) * step];  // the last chord closes the lap
        return std::atan2(b.y - a.y, b.x - a.x);
    };
    double total = 0;
    for (size_t j = 0; j < chords; ++j) {
        double da = angle((j + 1) % chords) - angle(j);
        while (da > M_PI) da -= 2 * M_PI;
        while (da < -M_PI) da += 2 * M_PI;
        total += da;
    }
    return total / (2 * M_PI);
}

// Distance from the last point back to the first, in units of the mean point spacing.
inline double closingGap(const std::vector<Pt>& pts) {
    double along = 0;
    for (size_t i = 1; i < pts.size(); ++i) along += std::hypot(pts[i].x - pts[i - 1].x, pts[i].y - pts[i - 1].y);
    const double spacing = along / static_cast<double>(pts.size() - 1);
    return std::hypot(pts.back().x - pts.front().x, pts.back().y - pts.front().y) / spacing;
}

}  // namespace vt::test
