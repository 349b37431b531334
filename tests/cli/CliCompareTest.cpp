// veltra compare, run as the real binary: its arguments (the best lap as the default reference,
// another log as the reference), the text's shape and finish, the table's rows and units, and the
// pictures it writes. The comparison's figures are the library tests'.
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>

#include "ToolRun.h"
#include "support/TestApp.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}
std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}
// M:SS.CC in 1/100 s.
int centis(const std::string& t) {
    return (t[0] - '0') * 6000 + std::stoi(t.substr(2, 2)) * 100 + std::stoi(t.substr(5, 2));
}
int diffCentis(const std::string& d) { return static_cast<int>(std::lround(std::stod(d) * 100)); }

class CompareTool : public ::testing::Test {
  protected:
    TempDir dir;
    ToolRun run(const char* line) { return runTool(dir.path(), QString(line).split(' ')); }
    // The lap list's times by lap, and its best lap.
    std::map<int, int> listed(const char* log, int* best) {
        std::map<int, int> times;
        for (const std::string& l : lines(run((std::string("laps ") + log).c_str()).out)) {
            const std::vector<std::string> w = words(l);
            if (w.size() == 3 && w[0] == "BEST") *best = std::stoi(w[1]);
            if (w.size() > 2 && w[0] != "LAP" && w[0] != "BEST") times[std::stoi(w[0])] = centis(w[1]);
        }
        return times;
    }
};

TEST_F(CompareTool, TheTextEndsOnTheLapListsTimesAndTheReferenceDefaultsToTheBestLap) {
    ASSERT_EQ(run("generate t.log --laps 4 --segments 6 --seed 9 --lap-variation 3").code, 0);
    int best = 0;
    const std::map<int, int> times = listed("t.log", &best);
    ASSERT_EQ(times.size(), 4u);
    for (const auto& [line, ref] :
         {std::pair("compare t.log --lap 3 --ref-lap 2", 2), std::pair("compare t.log --lap 4", best)}) {
        SCOPED_TRACE(line);
        const ToolRun r = run(line);
        ASSERT_EQ(r.code, 0) << r.err;
        const std::vector<std::string> out = lines(r.out);
        ASSERT_EQ(out.size(), 4u + 6u);
        EXPECT_EQ(std::stoi(words(out[1])[1]), ref);
        EXPECT_EQ(out[2], "ALIGN segment lines (6 segments)");
        EXPECT_EQ(out[3], " SEG   END m     TIME      REF     DIFF      SEG");
        for (size_t i = 4; i < out.size(); ++i) EXPECT_EQ(words(out[i]).size(), 6u) << out[i];
        const std::vector<std::string> fin = words(out.back());
        ASSERT_EQ(fin[0], "FIN");
        const int lap = std::stoi(words(out[0])[1]);
        EXPECT_EQ(std::pair(centis(fin[2]), centis(fin[3])), std::pair(times.at(lap), times.at(ref)));
        EXPECT_EQ(diffCentis(fin[4]), times.at(lap) - times.at(ref));
    }
}

TEST_F(CompareTool, TheTableHasARowEveryTenMetresAndEndsAtTheFinish) {
    ASSERT_EQ(run("generate s.log --laps 2 --segments 4").code, 0);
    const ToolRun r = run("compare s.log --lap 2 --ref-lap 2 --csv s.csv");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> csv = lines(readFile(dir.file("s.csv")));
    EXPECT_EQ(csv[0], "distance_m,time_s,ref_time_s,speed_kmh,ref_speed_kmh,diff_s");
    ASSERT_GT(csv.size(), 150u);  // 2 km
    for (size_t i = 1; i + 1 < csv.size(); ++i) EXPECT_THAT(csv[i], StartsWith(std::to_string((i - 1) * 10) + ".0,"));
    EXPECT_THAT(csv.back(),
                ::testing::AllOf(StartsWith(words(lines(r.out).back())[1] + ","), ::testing::EndsWith(",0.000")));
}

TEST_F(CompareTool, AnotherLogInMilesIsTheReferenceAndThePicturesAreWritten) {
    ASSERT_EQ(run("generate k.log --laps 2 --lap-variation 0 --segments 3").code, 0);
    ASSERT_EQ(run("generate m.log --laps 2 --lap-variation 0 --segments 3 --speed-unit mph --mm-per-pulse 250").code,
              0);
    // The lap in miles against the one in km/h: distances in miles, speeds in miles per hour.
    const ToolRun r =
        run("compare m.log --lap 2 --ref k.log --ref-lap 1 --csv m.csv --png d.png --course-png c.png "
            "--list-png l.png --kind 8 --scale 1");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("REF   1  "));
    EXPECT_THAT(r.out, HasSubstr("k.log"));
    EXPECT_THAT(r.out, HasSubstr(" SEG   END M "));
    EXPECT_THAT(lines(readFile(dir.file("m.csv")))[0], "distance_m,time_s,ref_time_s,speed_mph,ref_speed_mph,diff_s");
    for (const auto& [file, w, h] :
         {std::tuple("d.png", 460, 222), std::tuple("c.png", 252, 252), std::tuple("l.png", 500, 262)}) {
        const QImage img(QString::fromStdString(dir.file(file)));
        EXPECT_EQ(std::pair(img.width(), img.height()), std::pair(w, h)) << file;
    }
    // The overlay graphs by --kind, at the default scale.
    ASSERT_EQ(run("compare k.log --lap 2 --png g.png --kind 4").code, 0);
    EXPECT_EQ(QImage(QString::fromStdString(dir.file("g.png"))).width(), 920);
}

}  // namespace
}  // namespace vt::test
