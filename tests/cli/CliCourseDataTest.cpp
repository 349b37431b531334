// veltra coursedata as the real binary: the editor's split written as a course file, that file
// shown with the texts the logger would be sent, and what is no course refused in one line.
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>

#include "support/TestApp.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct ToolResult {
    int code = -1;
    std::string out, err;
    std::vector<std::string> lines() const {
        std::vector<std::string> v;
        for (const QString& l : QString::fromStdString(out).split('\n', Qt::SkipEmptyParts))
            v.push_back(l.toStdString());
        return v;
    }
};

struct CourseDataTool : ::testing::Test {
    TempDir dir;
    ToolResult run(const QString& line) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QString::fromStdString(dir.path()));
        p.start(QStringLiteral(VELTRA_CLI_PATH), line.split(' '));
        if (!p.waitForFinished(60000)) return {};
        return {p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
    }
};

TEST_F(CourseDataTool, SplitWrittenThenShownWithItsTransferText) {
    ASSERT_EQ(
        run("generate m.log --course " + QString::fromStdString(sourceDir()) + "/data/tracks/Monza.csv --laps 3").code,
        0);
    ToolResult made = run("coursedata m.log --lap 2 --in-g 0.9 --out-g 0.5 --min-length 60 -o monza.dat --png c.png");
    ASSERT_EQ(made.code, 0) << made.err;
    const std::vector<std::string> lines = made.lines();
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
    ToolResult shown = run("coursedata --show monza.dat --number 7");
    ASSERT_EQ(shown.code, 0) << shown.err;
    const std::vector<std::string> out = shown.lines();
    ASSERT_GE(out.size(), segments + 1);
    EXPECT_EQ(out.back(), expected);
    EXPECT_THAT(shown.out, HasSubstr("*   Course List   *"));
    EXPECT_THAT(shown.out, HasSubstr("seg_str(1) S"));
    EXPECT_EQ(std::count(shown.out.begin(), shown.out.end(), '\n'),
              static_cast<long>(2 + segments + 1 + segments + 1));  // title, header, rows, totals; texts; CRS
}

TEST_F(CourseDataTool, WhatIsNoCourseIsRefusedInOneLine) {
    ASSERT_EQ(run("generate u.log --laps 2").code, 0);
    ASSERT_EQ(run("coursedata u.log --lap 1 -o ok.dat").code, 0);
    std::filesystem::copy_file(dir.file("ok.dat"), dir.file("cut.dat"));
    std::filesystem::resize_file(dir.file("cut.dat"), 490);
    struct Case {
        const char* line;
        const char* says;
    };
    const Case cases[] = {
        {"coursedata --show u.log", "a log of laps 1..2, not a course"},
        {"coursedata --show cut.dat", "490 bytes, shorter than its header and segment page"},
        {"coursedata --show none.dat", "no such file"},
        {"coursedata u.log --lap 2 -o no/such/folder/x.dat", "no/such/folder/x.dat"},
        {"coursedata u.log --lap 9 -o x.dat", "lap 9 is not in u.log"},
    };
    for (const Case& c : cases) {
        ToolResult r = run(c.line);
        EXPECT_EQ(r.code, 1) << c.line;
        EXPECT_TRUE(r.out.empty()) << c.line;
        EXPECT_THAT(r.err, StartsWith("veltra: ")) << c.line;
        EXPECT_THAT(r.err, HasSubstr(c.says)) << c.line;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.dat")));
}

}  // namespace
}  // namespace vt::test
