// Laps driven on real circuit lines are laid out and compared with the real line: the course
// picture must keep the circuit's shape, not just close on itself.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "course/CourseLayout.h"
#include "course/CourseTestSupport.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "shell/LapChoice.h"

namespace vt::test {
namespace {

struct Fit {
    double rms = 0;  // metres
    double lapLength = 0;
    double openGap = 0;     // metres the dead reckoning missed the start by, before the position correction
    double headingOff = 0;  // heading sum minus whole turns, radians
};

// Best-fit similarity (rotation, scale, shift) of the points p onto q; RMS of what is left.
double similarityRms(const std::vector<loggen::Point>& p, const std::vector<loggen::Point>& q) {
    const double n = static_cast<double>(p.size());
    double pcx = 0, pcy = 0, qcx = 0, qcy = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        pcx += p[i].x / n;
        pcy += p[i].y / n;
        qcx += q[i].x / n;
        qcy += q[i].y / n;
    }
    double dot = 0, cross = 0, pp = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        double px = p[i].x - pcx, py = p[i].y - pcy, qx = q[i].x - qcx, qy = q[i].y - qcy;
        dot += px * qx + py * qy;
        cross += px * qy - py * qx;
        pp += px * px + py * py;
    }
    const double theta = std::atan2(cross, dot);
    const double s = (dot * std::cos(theta) + cross * std::sin(theta)) / pp;
    const double c = std::cos(theta) * s, si = std::sin(theta) * s;
    double sum = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        double px = p[i].x - pcx, py = p[i].y - pcy;
        double ex = c * px - si * py - (q[i].x - qcx), ey = si * px + c * py - (q[i].y - qcy);
        sum += ex * ex + ey * ey;
    }
    return std::sqrt(sum / n);
}

Fit layOutAndCompare(const std::string& track, int carType = loggen::kCar) {
    TestApp app;
    app.f.CHK_AVR.Caption = "OFF";  // as the terminal starts
    loggen::GenOptions o;
    o.carType = carType;
    o.course = sourceDir() + "/data/tracks/" + track + ".csv";
    o.laps = 3;
    o.segments = 6;
    const loggen::LoggerMemory mem = loadGenerated(app, o);
    if (mem.laps.empty()) return {};
    EXPECT_TRUE(choose_lap(app.m, app.f, app.s, mem.lapFirst + 1));
    Module1& m = app.m;
    MainformState& f = app.f;

    // Where along the lap each course point lies: the distance the layout itself stepped.
    std::vector<double> along;
    double total = 0;
    for (int32_t n = m.RecPtr; n < m.RecPtr + m.RecCount; ++n) {
        if (isMarker(m, n)) continue;
        int16_t v = static_cast<int16_t>(recWord(m, n, 12));
        Soku_conv(m, v);
        total += v * 0.02777;
        along.push_back(total);
    }
    const std::vector<Pt> pts = coursePoints(f);
    EXPECT_EQ(pts.size(), along.size());
    if (pts.size() != along.size() || pts.size() < 100) return {};

    const CourseClosure cl = course_closure(m, f, app.pump);
    const double gapShare = std::hypot(cl.x, cl.y) * static_cast<double>(along.size() - 1);

    // The layout is mirrored top to bottom against y north.
    std::vector<loggen::Point> drawn;
    for (const Pt& p : pts) drawn.push_back({static_cast<double>(p.x), -static_cast<double>(p.y)});

    // The first sample falls somewhere in the first record after the line: try small shifts.
    const double L = mem.course.length;
    Fit best{1e18, L, gapShare, cl.headingSum - cl.wholeTurns};
    for (double shift = -20; shift <= 20; shift += 0.5) {
        std::vector<loggen::Point> real;
        for (double a : along) real.push_back(mem.course.positionAt(a * L / total + shift));
        best.rms = std::min(best.rms, similarityRms(drawn, real));
    }
    return best;
}

TEST(TrackShape, LaidOutCircuitsKeepTheRealShape) {
    for (const char* track : {"Monza", "Spa", "BrandsHatch", "Zandvoort"}) {
        SCOPED_TRACE(track);
        Fit fit = layOutAndCompare(track);
        ASSERT_GT(fit.lapLength, 0);
        const double fraction = fit.rms / fit.lapLength;
        std::printf(
            "[ shape    ] %-12s lap %7.1f m  RMS %5.2f m = %.3f %% of the lap  (open gap %.2f m, heading %+.4f rad)\n",
            track, fit.lapLength, fit.rms, fraction * 100, fit.openGap, fit.headingOff);
        EXPECT_LT(fraction, 0.005);
    }
}

// A bike logs its lean angle, which the layout turns into the lateral acceleration of a bike
// leaning that far (g times its tangent), so bike laps close and keep their shape as well.
TEST(TrackShape, BikeLapsLaidOutFromTheLeanAngleKeepTheShape) {
    for (const char* track : {"BrandsHatch", "Zandvoort"}) {
        SCOPED_TRACE(track);
        Fit fit = layOutAndCompare(track, loggen::kBike);
        ASSERT_GT(fit.lapLength, 0);
        const double fraction = fit.rms / fit.lapLength;
        std::printf("[ shape    ] %-12s bike lap %7.1f m  RMS %5.2f m = %.3f %% of the lap  (heading %+.4f rad)\n",
                    track, fit.lapLength, fit.rms, fraction * 100, fit.headingOff);
        EXPECT_LT(fraction, 0.01);
        EXPECT_LT(std::fabs(fit.headingOff), 0.3);
    }
}

}  // namespace
}  // namespace vt::test
