// veltra histogram and veltra report, run as the real binary: the bands and shares the terminal
// draws for the same lap, the picture, and the printed page as a PDF that holds its texts (in
// both language files) and its five pictures.
#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include "ToolRun.h"
#include "display/Histogram.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "support/LapTestSupport.h"

namespace vt::test {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;

class Report : public ::testing::Test {
  protected:
    TempDir dir;
    TestApp terminal{false};
    void SetUp() override {
        // The terminal with lap 2 of a generated log chosen; the tool gets the same log.
        std::string fail;
        ASSERT_TRUE(lang_load(terminal.m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
        set_folders(terminal.m, dir.file("terminal"));
        Form_Load(terminal.m, terminal.f, terminal.s);
        openGeneratedLap(terminal, dir, 2);
    }
    ToolRun run(const char* line) { return runTool(dir.path(), QString(line).split(' ')); }

    // A poppler tool's standard output for the PDF.
    std::string poppler(const char* tool, const QStringList& args) {
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty()) {
            ADD_FAILURE() << tool << " (poppler-utils) is missing: run scripts/setup";
            return {};
        }
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return p.readAllStandardOutput().toStdString();
    }
};

TEST_F(Report, HistogramPrintsTheBandsTheTerminalDraws) {
    ToolRun r = run("histogram gen.log --lap 2 --png h.png");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.errLines().empty()) << r.err;
    const RpmHistogram h = rpm_histogram(terminal.m);
    std::string expected;
    for (int b = 1; b <= kRpmBands; ++b) expected += histo_range_text(h, b) + " " + histo_percent_text(h, b) + "%\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_GT(h.total, 500);
    QImage png(QString::fromStdString(dir.file("h.png")));
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.size(), QSize(1000, 524));  // the panel picture at twice its size
}

TEST_F(Report, ReportIsThePrintedPageAsPdf) {
    ToolRun r = run("report gen.log --lap 2 --pdf r.pdf --graph 7");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    const std::string pdf = readFile(dir.file("r.pdf"));
    ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
    const QString file = QString::fromStdString(dir.file("r.pdf"));
    std::string text = poppler("pdftotext", {file, "-"});
    EXPECT_THAT(text, HasSubstr("Name : gen"));
    std::erase(text, ' ');  // the text tool's spacing is its own
    EXPECT_THAT(text, HasSubstr("LapNo,\xEF\xBC\x9A"
                                "2\n"));
    EXPECT_THAT(text, HasSubstr("Time\xEF\xBC\x9A" + terminal.f.lap_time.Caption + "\n"));
    // Five pictures: the course, the course list and three graphs.
    const std::string images = poppler("pdfimages", {"-list", file});
    EXPECT_EQ(std::count(images.begin(), images.end(), '\n'), 2 + 5) << images;
    EXPECT_THAT(poppler("pdfinfo", {file}), ContainsRegex("Pages: +1\n"));
}

TEST_F(Report, ReportInJapaneseCarriesItsTexts) {
    writeFile(dir.file("LANG.TXT"), readFile(sourceDir() + "/lang/ja/LANG.TXT"));
    ToolRun r = run("report gen.log --lap 2 --pdf j.pdf");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string text = poppler("pdftotext", {QString::fromStdString(dir.file("j.pdf")), "-"});
    EXPECT_THAT(text, HasSubstr("\xE5\x90\x8D\xE5\x89\x8D \xEF\xBC\x9A gen"));  // name
}

}  // namespace
}  // namespace vt::test
