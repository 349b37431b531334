// veltra compare, run as the real binary: its finish is the lap list's two times, its segment lines
// add up, a lap against itself is zero in the text and every ten metres of the table, the table's
// units, the pictures it writes, and another log as the reference.
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

using ::testing::ElementsAre;
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

TEST_F(CompareTool, TheFinishIsTheLapListsTimesAndTheSegmentLinesAddUp) {
    ASSERT_EQ(run("generate t.log --laps 4 --segments 6 --seed 9 --lap-variation 3").code, 0);
    int best = 0;
    const std::map<int, int> times = listed("t.log", &best);
    ASSERT_EQ(times.size(), 4u);
    for (const char* line : {"compare t.log --lap 3 --ref-lap 2", "compare t.log --lap 4"}) {
        SCOPED_TRACE(line);
        const ToolRun r = run(line);
        ASSERT_EQ(r.code, 0) << r.err;
        const std::vector<std::string> out = lines(r.out);
        ASSERT_EQ(out.size(), 4u + 6u);
        const int lap = std::stoi(words(out[0])[1]), ref = std::stoi(words(out[1])[1]);
        EXPECT_EQ(ref, std::string(line).find("--ref-lap") != std::string::npos ? 2 : best);  // the best lap by default
        EXPECT_EQ(std::pair(centis(words(out[0])[2]), centis(words(out[1])[2])),
                  std::pair(times.at(lap), times.at(ref)));
        EXPECT_EQ(out[2], "ALIGN segment lines (6 segments)");
        EXPECT_EQ(out[3], " SEG   END m     TIME      REF     DIFF      SEG");
        int sum = 0;
        for (size_t i = 4; i < out.size(); ++i) {
            const std::vector<std::string> w = words(out[i]);
            ASSERT_EQ(w.size(), 6u) << out[i];
            EXPECT_EQ(w[0], i + 1 == out.size() ? "FIN" : std::to_string(i - 3));
            EXPECT_EQ(centis(w[2]) - centis(w[3]), diffCentis(w[4])) << out[i];
            sum += diffCentis(w[5]);
            EXPECT_EQ(sum, diffCentis(w[4])) << out[i];
        }
        const std::vector<std::string> fin = words(out.back());
        EXPECT_EQ(std::pair(centis(fin[2]), centis(fin[3])), std::pair(times.at(lap), times.at(ref)));
        EXPECT_EQ(diffCentis(fin[4]), times.at(lap) - times.at(ref));
    }
}

TEST_F(CompareTool, ALapAgainstItselfIsZeroInTheTextAndEveryTenMetresOfTheTable) {
    ASSERT_EQ(run("generate s.log --laps 2 --segments 4").code, 0);
    const ToolRun r = run("compare s.log --lap 2 --ref-lap 2 --csv s.csv");
    ASSERT_EQ(r.code, 0) << r.err;
    for (const std::string& l : lines(r.out))
        if (l[0] == ' ' && l.find("SEG") == std::string::npos) {
            const std::vector<std::string> w = words(l);
            EXPECT_EQ(w[4] + " " + w[5], "0.00 0.00") << l;
        }
    const std::vector<std::string> csv = lines(readFile(dir.file("s.csv")));
    EXPECT_EQ(csv[0], "distance_m,time_s,ref_time_s,speed_kmh,ref_speed_kmh,diff_s");
    ASSERT_GT(csv.size(), 150u);  // 2 km
    for (size_t i = 1; i < csv.size(); ++i) {
        const std::string& row = csv[i];
        EXPECT_THAT(row, ::testing::EndsWith(",0.000")) << row;
        if (i + 1 < csv.size()) {
            EXPECT_THAT(row, StartsWith(std::to_string((i - 1) * 10) + ".0,")) << row;
        }
    }
    // The last row is the finish: the lap's length and time.
    const std::string fin = words(lines(r.out).back())[1];
    EXPECT_THAT(csv.back(), StartsWith(fin + ","));
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
