// Course data made by the editor from generated laps of real circuits: its corners must be the
// circuit's corners.
//
// Reference: the corners read off each centre line in data/tracks, as stretches where the line
// (smoothed over 35 m) turns with a radius under 250 m for at least 15 m, in metres from the
// start line. Fast kinks (radius 250..700 m) may or may not pass the editor's in-G threshold at
// the speed they are taken, so they are optional.
//
// Tolerance: the editor runs with in G 0.90 and out G 0.50, once with a minimum length of 10 m
// (every corner of 15 m or more is a reference corner) and once with 60 m (only corners of 100 m
// or more are; the shorter ones may be absorbed or joined), and its corners are compared up to
// where its fifteenth segment starts (that one takes the rest of the lap) or over the whole lap:
// - every corner segment it makes overlaps, within 30 m, a stretch where the line turns its way
//   with a radius under 700 m (no corner where there is none, none of the wrong hand);
// - every reference corner starting before the fifteenth segment is overlapped, within 30 m, by a
//   corner segment of its direction, the fifteenth included when it opened as a corner (none
//   missed);
// - with 10 m, the number of corner segments is within 2 of the number of reference corners (a kink
//   taken fast enough, a corner split where its radius opens up for a moment).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "course/CourseDataSupport.h"
#include "link/Commands.h"

namespace vt::test {
namespace {

struct Corner {
    char dir;
    double from, to;  // metres along the centre line
};

const std::map<std::string, std::vector<Corner>>& referenceCorners() {
    static const std::map<std::string, std::vector<Corner>> corners = {
        {"Monza",
         {{'R', 910, 950},      // Variante del Rettifilo
          {'L', 955, 1005},     //
          {'R', 1335, 1365},    // Curva Biassono
          {'R', 1420, 1450},    //
          {'L', 2120, 2170},    // Variante della Roggia
          {'R', 2170, 2215},    //
          {'R', 2490, 2630},    // Lesmo 1
          {'R', 2850, 2920},    // Lesmo 2
          {'L', 3930, 3980},    // Variante Ascari
          {'R', 4000, 4115},    //
          {'L', 4125, 4170},    //
          {'R', 5115, 5435}}},  // Parabolica
        {"Spa",
         {{'R', 355, 435},    // La Source
          {'L', 1040, 1080},  // Eau Rouge
          {'R', 1105, 1230},  // Raidillon
          {'L', 1265, 1315},  //
          {'R', 2385, 2465},  // Les Combes
          {'L', 2470, 2550},
          {'R', 2615, 2705},
          {'R', 2980, 3165},
          {'L', 3260, 3350},
          {'L', 3775, 3910},  // Pouhon
          {'L', 3960, 4150},
          {'R', 4450, 4600},
          {'L', 4610, 4740},
          {'R', 4910, 5010},
          {'R', 5110, 5245},
          {'L', 5945, 5970},
          {'L', 6145, 6245},
          {'R', 6720, 6780},  // the bus stop
          {'L', 6780, 6845}}},
        {"BrandsHatch",
         {{'R', 150, 185},    // Paddock Hill
          {'R', 210, 365},    //
          {'R', 550, 680},    // Druids
          {'L', 760, 805},    // Graham Hill
          {'L', 835, 910},    //
          {'L', 1005, 1025},  //
          {'L', 1160, 1335},
          {'R', 1510, 1530},
          {'R', 1965, 2125},
          {'R', 2325, 2390},
          {'R', 2455, 2510},
          {'R', 2595, 2665},
          {'R', 2725, 2780},
          {'R', 2810, 2830},
          {'L', 2955, 3035},
          {'R', 3400, 3530},
          {'R', 3540, 3580},
          {'R', 3615, 3670}}},
        {"Zandvoort",
         {{'R', 340, 485},  // Tarzan
          {'L', 610, 655},
          {'R', 695, 780},
          {'L', 835, 975},
          {'R', 1155, 1200},
          {'L', 1300, 1385},
          {'R', 1455, 1560},
          {'R', 1670, 1890},
          {'R', 2080, 2160},
          {'R', 2190, 2275},
          {'R', 2290, 2435},
          {'L', 2510, 2675},
          {'R', 3160, 3205},
          {'L', 3210, 3330},
          {'R', 3550, 3665},
          {'R', 3725, 3995}}},
    };
    return corners;
}

constexpr double kSlack = 30;        // metres
constexpr double kKinkRadius = 700;  // a corner segment must lie where the line turns this tightly
constexpr int kCountTolerance = 2;

bool overlaps(double a0, double a1, double b0, double b1) { return a0 <= b1 + kSlack && b0 - kSlack <= a1; }

struct Made {
    char dir;
    double from, to;
};

TEST_F(CourseData, CoursesMadeFromRealCircuitsFindTheirCorners) {
    struct Setting {
        int minLength;           // metres, on the editor's bar
        double referenceLength;  // the reference corners at least this long must be found
        bool counted;            // the corner count is compared
    };
    for (const auto& [track, reference] : referenceCorners()) {
        for (const Setting& setting : {Setting{10, 15, true}, Setting{60, 100, false}})
            for (uint32_t seed : {3u, 11u}) {
                const int minLength = setting.minLength;  // a plain local: lambdas below take it
                SCOPED_TRACE(track + " seed " + std::to_string(seed) + " minimum " + std::to_string(minLength) + " m");
                TestApp run;
                run.m.LangText = m.LangText;
                set_folders(run.m, dir.path());
                run.f.CHK_AVR.Caption = "OFF";
                const loggen::GenResult gen = loggen::generateLog(
                    {.laps = 3, .segments = 6, .course = sourceDir() + "/data/tracks/" + track + ".csv", .seed = seed});
                ASSERT_TRUE(gen) << gen.error;
                const std::vector<std::uint8_t> bytes = gen.memory->fileBytes();
                std::istringstream in(std::string(bytes.begin(), bytes.end()));
                ASSERT_TRUE(log_read(run.m, in, nullptr, nullptr));
                ASSERT_TRUE(choose_lap(run.m, run.f, run.s, gen.memory->lapFirst + 1));

                // The editor: the settings moved on its bars, exec, record under a name.
                CorseParaState st;
                int shown = 0;
                run.f.windows.Corse_para = [&] {
                    if (shown++ == 0) {
                        st.HScroll1.setValue(90);
                        HScroll1_Change(run.m, st);
                        st.HScroll2.setValue(50);
                        HScroll2_Change(run.m, st);
                        st.HScroll3.setValue(minLength);
                        HScroll3_Change(run.m, st);
                        Corse_ok_Click(st);
                    } else {
                        Corse_end_Click(st);
                    }
                };
                run.ui.inputAnswers = {track};
                Corse_edit_Click(run.m, run.f, run.s, st);
                ASSERT_EQ(shown, 2);

                // The course file read back as the course menu loads it.
                TestApp back;
                back.m.LangText = m.LangText;
                back.f.CHK_AVR.Caption = "OFF";
                ASSERT_TRUE(corse_open_path(back.m, back.f, back.s, run.m.CorseDir + "/" + track + ".dat"));
                std::vector<Made> made;
                std::vector<double> ends;
                double along = 0;
                for (int e = 1; e <= 15 && lapWord(back.m, 0, e, 0) != 0; ++e) {
                    const double length = lapWord(back.m, 0, e, 20) * back.m.CourseMmPerPulse / 1000.0;
                    made.push_back(
                        {static_cast<char>(back.m.LapTbl[0][static_cast<size_t>(e)][27]), along, along + length});
                    along += length;
                    EXPECT_EQ(back.f.seg_str[static_cast<size_t>(e)][0], made.back().dir);
                }
                // Distances along the lap, as metres of the centre line.
                const loggen::Course& line = gen.memory->course;
                for (Made& s : made) {
                    s.from *= line.length / along;
                    s.to *= line.length / along;
                }
                const bool capped = made.size() == 15;
                const double compareTo = capped ? made.back().from : line.length;
                // The fifteenth segment starts with the corner it opened on, if any, but is no corner
                // of its own length.
                const std::vector<Made> all = made;
                if (capped) made.pop_back();

                std::string list;
                int corners = 0;
                for (const Made& s : made) {
                    if (s.dir == 'S') continue;
                    ++corners;
                    char text[32];
                    std::snprintf(text, sizeof text, " %c%.0f", s.dir, s.from);
                    list += text;
                    // The line turns this way somewhere here.
                    bool turns = false;
                    for (double at = s.from - kSlack; at <= s.to + kSlack && !turns; at += 1) {
                        const double k = line.curvatureAt(at);
                        turns = std::fabs(k) > 1 / kKinkRadius && (k > 0) == (s.dir == 'L');
                    }
                    EXPECT_TRUE(turns) << s.dir << " corner at " << s.from << ".." << s.to << " m";
                }
                int expected = 0;
                for (const Corner& c : reference) {
                    if (c.from >= compareTo || c.to - c.from < setting.referenceLength) continue;
                    ++expected;
                    const bool found = std::any_of(all.begin(), all.end(), [&c](const Made& s) {
                        return s.dir == c.dir && overlaps(s.from, s.to, c.from, c.to);
                    });
                    EXPECT_TRUE(found) << c.dir << " corner at " << c.from << ".." << c.to << " m missed";
                }
                if (setting.counted) {
                    EXPECT_LE(std::abs(corners - expected), kCountTolerance) << list;
                }
                std::printf("[ corners  ] %-11s min %2d m seed %2u: %2d corners for %2d to %4.0f m (%s):%s\n",
                            track.c_str(), minLength, seed, corners, expected, compareTo,
                            capped ? "15 segments" : "whole lap", list.c_str());
            }
    }
}

}  // namespace
}  // namespace vt::test
