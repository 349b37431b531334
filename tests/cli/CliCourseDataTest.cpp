// veltra coursedata as the real binary: the editor's split written as a course file, and that
// file shown with the texts the logger would be sent.
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ToolRun.h"
#include "support/TestApp.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

struct CourseDataTool : ::testing::Test {
    TempDir dir;
    ToolRun run(const QString& line) { return runTool(dir.path(), line.split(' ')); }
};
std::vector<std::string> outLines(const std::string& out) {
    std::vector<std::string> v;
    for (const QString& l : QString::fromStdString(out).split('\n', Qt::SkipEmptyParts)) v.push_back(l.toStdString());
    return v;
}

TEST_F(CourseDataTool, SplitWrittenThenShownWithItsTransferText) {
    ASSERT_EQ(
        run("generate m.log --course " + QString::fromStdString(sourceDir()) + "/data/tracks/Monza.csv --laps 3").code,
        0);
    const ToolRun made =
        run("coursedata m.log --lap 2 --in-g 0.9 --out-g 0.5 --min-length 60 -o monza.dat --png c.png");
    ASSERT_EQ(made.code, 0) << made.err;
    const std::vector<std::string> lines = outLines(made.out);
    ASSERT_FALSE(lines.empty());
    std::smatch head;
    ASSERT_TRUE(std::regex_match(lines[0], head,
                                 std::regex(R"(monza\.dat: (\d+) segments, (\d+) m, \d+ records, lap 2 of m\.log)")))
        << lines[0];
    const size_t segments = std::stoul(head[1]);
    ASSERT_EQ(lines.size(), segments + 1);
    EXPECT_TRUE(std::filesystem::exists(dir.file("c.png")));

    // The segment texts the logger would be sent follow the split, in whole metres.
    std::string expected = "CRS7";
    for (size_t e = 1; e <= segments; ++e) {
        std::smatch seg;
        ASSERT_TRUE(std::regex_search(lines[e], seg, std::regex(R"(^\s*\d+ ([SLR])\s+(\d+\.\d) m)"))) << lines[e];
        expected += "-" + seg[1].str() + std::to_string(static_cast<int>(std::stod(seg[2]) + 0.5));
    }
    expected += "-";
    const ToolRun shown = run("coursedata --show monza.dat --number 7");
    ASSERT_EQ(shown.code, 0) << shown.err;
    const std::vector<std::string> out = outLines(shown.out);
    ASSERT_GE(out.size(), segments + 1);
    EXPECT_EQ(out.back(), expected);
    EXPECT_THAT(shown.out, HasSubstr("*   Course List   *"));
    EXPECT_THAT(shown.out, HasSubstr("seg_str(1) S"));
    EXPECT_EQ(std::count(shown.out.begin(), shown.out.end(), '\n'),
              static_cast<long>(2 + segments + 1 + segments + 1));  // title, header, rows, totals; texts; CRS
}

}  // namespace
}  // namespace vt::test
