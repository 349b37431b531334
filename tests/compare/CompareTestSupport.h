// Helpers of the lap comparison tests: generated logs read into a program state and a lap chosen
// as the lap list chooses it, the real circuits with one corner each to slow, and the stretch of a
// slowed lap whose speed differs from the reference's.
#pragma once

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compare/LapCompare.h"
#include "course/LapChoice.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "support/TestApp.h"

namespace vt::test {

// Reads a generated log into `m` (as the File menu loads it).
inline void readGenerated(Module1& m, const loggen::LoggerMemory& mem) {
    const std::vector<std::uint8_t> bytes = mem.fileBytes();
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(log_read(m, in, nullptr, nullptr));
    m.RecLast = m.RecCount - 1;
    m.RecCount = 0;
}

inline loggen::LoggerMemory generate(const loggen::GenOptions& o) {
    loggen::GenResult r = loggen::generateLog(o);
    EXPECT_TRUE(r) << r.error;
    return r ? *r.memory : loggen::LoggerMemory{};
}

// Generates, reads and chooses lap `lap` as the lap list does (course list, layout, graph).
inline loggen::LoggerMemory openLap(TestApp& app, const loggen::GenOptions& o, int lap) {
    loggen::LoggerMemory mem = generate(o);
    readGenerated(app.m, mem);
    app.f.CHK_AVR.Caption = "OFF";
    EXPECT_TRUE(choose_lap(app.m, app.f, app.s, lap));
    return mem;
}

inline std::string trackFile(const char* track) { return sourceDir() + "/data/tracks/" + track + ".csv"; }

// A circuit of data/tracks and one of its corners: its middle in metres from the start line, and
// how far the slowed stretch reaches.
struct SlowCorner {
    const char* track;
    double at, length;
};
inline const std::vector<SlowCorner>& slowCorners() {
    static const std::vector<SlowCorner> corners = {
        {"Monza", 957, 110},        // Variante del Rettifilo
        {"Spa", 395, 100},          // La Source
        {"BrandsHatch", 615, 150},  // Druids
        {"Zandvoort", 412, 160},    // Tarzan
    };
    return corners;
}

// Two identical laps but for lap 2, slowed through the corner; `segments` equal segments.
inline loggen::GenOptions slowedLaps(const SlowCorner& c, int segments = 5, double grip = 0.8) {
    return {.laps = 2,
            .segments = segments,
            .course = trackFile(c.track),
            .lapVariation = 0,
            .slowLap = 2,
            .slowAt = c.at,
            .slowLength = c.length,
            .slowGrip = grip};
}

// Where the current lap's speed differs from the reference's at the same place by more than
// `kmh`, walking the lap in 2 m steps from `start` to `end` metres: from the first such place
// to the last; {-1, -1} when none. (Identical laps differ by up to about 1.8 km/h: whole km/h
// records taken at other places.)
inline std::pair<float, float> speedDiffers(const LapComparison& c, float start, float end, float kmh) {
    float from = -1, to = -1;
    for (float x = std::max(start, 0.0f); x <= std::min(end, c.diff.length); x += 2) {
        if (std::fabs(c.cur.speedAt(x) - c.ref.speedAt(c.diff.refDistance(x))) <= kmh) continue;
        if (from < 0) from = x;
        to = x;
    }
    return {from, to};
}

// The stretch around a slowed corner where the slowed lap's speed may differ: from the braking
// point to where it has caught up along the straight after it.
inline std::pair<float, float> slowedStretch(const LapComparison& c, const SlowCorner& corner) {
    return speedDiffers(c, static_cast<float>(corner.at - corner.length / 2 - 500),
                        static_cast<float>(corner.at + corner.length / 2 + 1000), 1.5f);
}

}  // namespace vt::test
