// Laps driven on real circuit lines are laid out and compared with the real line: the course
// picture must keep the circuit's shape, not just close on itself.
#include <cmath>
#include <complex>
#include <cstdio>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "course/CourseLayout.h"
#include "course/CourseTestSupport.h"
#include "course/LapChoice.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"

namespace vt::test {
namespace {

using Z = std::complex<double>;

// Best-fit similarity (rotation, scale, shift) of the points p onto q; RMS of what is left.
double similarityRms(std::vector<Z> p, std::vector<Z> q) {
    const double n = static_cast<double>(p.size());
    Z pc, qc, a;
    for (size_t i = 0; i < p.size(); ++i) pc += p[i] / n, qc += q[i] / n;
    double pp = 0, sum = 0;
    for (size_t i = 0; i < p.size(); ++i) p[i] -= pc, q[i] -= qc, a += std::conj(p[i]) * q[i], pp += std::norm(p[i]);
    a /= pp;
    for (size_t i = 0; i < p.size(); ++i) sum += std::norm(a * p[i] - q[i]);
    return std::sqrt(sum / n);
}

// A bike logs its lean angle, which the layout turns into the lateral acceleration of a bike
// leaning that far (g times its tangent), so bike laps close and keep their shape as well.
TEST(TrackShape, LaidOutCarAndBikeLapsKeepTheRealShape) {
    const std::tuple<const char*, int, double> cases[] = {
        // track, vehicle, RMS left as a part of the lap
        {"Monza", loggen::kCar, 0.005},     {"Spa", loggen::kCar, 0.005},         {"BrandsHatch", loggen::kCar, 0.005},
        {"Zandvoort", loggen::kCar, 0.005}, {"BrandsHatch", loggen::kBike, 0.01}, {"Zandvoort", loggen::kBike, 0.01}};
    for (const auto& [track, carType, maxFraction] : cases) {
        const char* kind = carType == loggen::kBike ? "bike" : "car";
        SCOPED_TRACE(std::string(track) + " " + kind);
        // The second lap of a generated log, loaded and chosen as the terminal does.
        const auto gen = loggen::generateLog(
            {.laps = 3, .segments = 6, .course = sourceDir() + "/data/tracks/" + track + ".csv", .carType = carType});
        ASSERT_TRUE(gen) << gen.error;
        const std::vector<std::uint8_t> bytes = gen.memory->fileBytes();
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        TestApp app;
        Module1& m = app.m;
        app.f.CHK_AVR.Caption = "OFF";  // as the terminal starts
        ASSERT_TRUE(log_read(m, in, nullptr, nullptr));
        ASSERT_TRUE(choose_lap(m, app.f, app.s, gen.memory->lapFirst + 1));

        // Where along the lap each course point lies: the distance the layout itself stepped.
        std::vector<double> along;
        double total = 0;
        for (int32_t n = m.RecPtr; n < m.RecPtr + m.RecCount; ++n) {
            int16_t v = static_cast<int16_t>(recWord(m, n, 12));
            if (isMarker(m, n) || !Soku_conv(m, v)) continue;
            along.push_back(total += v * 0.02777);
        }
        std::vector<Z> drawn;  // the layout is mirrored top to bottom against y north
        for (const Pt& p : coursePoints(app.f)) drawn.emplace_back(p.x, -p.y);
        ASSERT_EQ(drawn.size(), along.size()) << drawn.size() << " " << along.size();
        ASSERT_GT(drawn.size(), 100) << drawn.size() << " " << along.size();

        // The first sample falls somewhere in the first record after the line: try small shifts.
        const double L = gen.memory->course.length;
        double rms = 1e18;
        for (double shift = -20; shift <= 20; shift += 0.5) {
            std::vector<Z> real;
            for (double a : along) {
                const loggen::Point p = gen.memory->course.positionAt(a * L / total + shift);
                real.emplace_back(p.x, p.y);
            }
            rms = std::min(rms, similarityRms(drawn, real));
        }
        const CourseClosure cl = course_closure(m, app.f, app.pump);
        const double openGap = std::hypot(cl.x, cl.y) * static_cast<double>(along.size() - 1);
        const double headingOff = cl.headingSum - cl.wholeTurns;
        std::printf(
            "[ shape    ] %-12s %-4s lap %7.1f m  RMS %5.2f m = %.3f %% of the lap  (open gap %.2f m, "
            "heading %+.4f rad)\n",
            track, kind, L, rms, rms / L * 100, openGap, headingOff);
        EXPECT_LT(rms / L, maxFraction);
        EXPECT_LT(std::fabs(headingOff), 0.3);
    }
}

}  // namespace
}  // namespace vt::test
