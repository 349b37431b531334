// End to end against veltra-logger-sim on a pseudo-terminal: the parameter block written and read
// back by veltra logger-params (the editor's buttons use the same send and read: tests/params), a
// course sent by veltra send-course, veltra monitor (the parameters, one line per frame, a modem
// dialled and a remote station fed, a logger that never answers), and a parameter read nobody
// answers, which changes nothing.
#include <regex>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QElapsedTimer>

#include "cli/ToolRun.h"
#include "link/Ports.h"
#include "params/MainPara.h"
#include "support/SimProcess.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

bool has(const std::string& line, const std::string& text) { return line.find(text) != std::string::npos; }

// The "text" of the journal's command lines of one kind ("" for every kind), in order.
std::vector<std::string> commandTexts(const SimProcess& sim, const std::string& command) {
    std::vector<std::string> out;
    for (const std::string& line : sim.journal()) {
        if (!has(line, "\"event\":\"command\"") || !has(line, "\"command\":\"" + command)) continue;
        const size_t at = line.find("\"text\":\"") + 8;
        out.push_back(line.substr(at, line.find('"', at) - at));
    }
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
        out.push_back(text.substr(at, nl - at));
    return out;
}

TEST(CourseParamsEndToEnd, TheToolSendsACourseTheLoggerReceives) {
    TempDir dir;
    SimProcess sim({"--course", shortCourse(dir)}, dir.file("journal"));
    // A course of four segments.
    std::string bytes(16 + 480, '\0');
    const int segs[4][2] = {{'S', 1250}, {'R', 1234}, {'L', 600}, {'S', 2465}};
    for (size_t i = 0; i < 4; ++i) {
        bytes[16 + 32 * i + 1] = 1;
        bytes[16 + 32 * i + 20] = static_cast<char>(segs[i][1] >> 8);
        bytes[16 + 32 * i + 21] = static_cast<char>(segs[i][1]);
        bytes[16 + 32 * i + 27] = static_cast<char>(segs[i][0]);
    }
    std::string first(16, '\0');
    first[3] = static_cast<char>(200);
    first[6] = static_cast<char>(255);
    writeFile(dir.file("four.dat"), bytes + first + std::string(16 * 50, '\0'));
    const ToolRun sent = runTool(
        dir.path(), {"send-course", "--port", QString::fromStdString(sim.device()), "--number", "2", "four.dat"});
    ASSERT_EQ(sent.code, 0) << sent.err;
    EXPECT_EQ(sent.out, "CRS2-S250-R247-L120-S493-\n");
    // A course gets no answer: the tool may have ended before the logger read it.
    EXPECT_TRUE(waitFor([&] { return !commandTexts(sim, "course").empty(); }, 10000));
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_EQ(commandTexts(sim, "course"), std::vector<std::string>{"CRS2-S250-R247-L120-S493-"});
}

TEST(CourseParamsEndToEnd, ToolWritesReadsAndSavesTheBlock) {
    TempDir dir;
    SimProcess sim({"--course", shortCourse(dir)}, dir.file("journal"));
    MainParaBlock p = default_block();
    p[1] = 1700;
    p[19] = 300;
    p[14] = 3;
    p[21] = -7;  // carried unchanged
    p[35] = 99;  // only in files
    std::string error;
    ASSERT_TRUE(para_file_write(p, dir.file("PARA_a.dat"), &error)) << error;
    const QString port = QString::fromStdString(sim.device());
    ToolRun r = runTool(dir.path(), {"logger-params", "--port", port, "--write", "PARA_a.dat", "--save", "back.dat"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr(" 1  Sensor timer               3\n"));
    EXPECT_THAT(r.out, HasSubstr(" 2  DIA (mm)                   1700\n"));
    EXPECT_THAT(r.out, HasSubstr("16  TRANS (*) SEGMENT          3\n"));
    EXPECT_THAT(r.out, HasSubstr("slots 21..26: -7 0 0 0 0 0\n"));
    EXPECT_EQ(readFile(dir.file("back.dat")), readFile(dir.file("PARA_a.dat")));
    r = runTool(dir.path(), {"logger-params", "--port", port, "--defaults"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr(" 2  DIA (mm)                   999\n"));
    EXPECT_EQ(sim.stop(), 0);  // each run ended on an answered read
    const std::vector<std::string> written = commandTexts(sim, "main-write");
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0], main_write_text(p));
    EXPECT_EQ(commandTexts(sim, "main-read").size(), 2u);
}

TEST(MonitorEndToEnd, ParametersThenOneLinePerFrameThenHangUp) {
    TempDir dir;
    SimProcess sim({"--course", shortCourse(dir), "--segments", "3"}, dir.file("journal"));
    const ToolRun r = runTool(
        dir.path(), {"monitor", "--port", QString::fromStdString(sim.device()), "--frames", "40", "--rate", "L"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> out = lines(r.out);
    ASSERT_GE(out.size(), 50u);
    EXPECT_EQ(out[0], "dia_name:  200 mm/p ");
    EXPECT_EQ(out[3], "over_name:  10000 rpm");
    EXPECT_EQ(out[10], "L 1");
    // G <counter> <lap time or -> <Chan(0)>,...,<Chan(10)>
    std::smatch mm;
    ASSERT_TRUE(std::regex_match(out[11], mm, std::regex(R"(G (\d+) (\S+) (-?\d+(,-?\d+){10}))"))) << out[11];
    EXPECT_EQ(mm[2], "0:00.00");  // the first record after a lap start carries the (no) lap time
    EXPECT_TRUE(std::regex_match(out[12], std::regex(R"(G \d+ - .*)"))) << out[12];
    EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](const std::string& l) { return l.rfind("S 1 ", 0) == 0; }));
    // The logger was asked, started and stopped. The last STOP gets no answer: the tool may have
    // ended before the logger read it.
    EXPECT_TRUE(waitFor([&] { return commandTexts(sim, "").size() >= 5; }, 10000));
    EXPECT_THAT(commandTexts(sim, ""), ::testing::ElementsAre("STOP", "PARA", "RATL", "STRT", "STOP"));
    // Only the parameters: their ten lines.
    const ToolRun params =
        runTool(dir.path(), {"monitor", "--port", QString::fromStdString(sim.device()), "--params-only"});
    EXPECT_EQ(params.code, 0) << params.err;
    EXPECT_EQ(lines(params.out).size(), 10u);
}

TEST(MonitorEndToEnd, DialsAModemAndRelaysToARemoteStation) {
    TempDir dir;
    SimProcess sim({"--modem", "--rfc2217", "0", "--connect-delay", "1000", "--course", shortCourse(dir)});
    SimProcess remote({"remote", "--ring-after", "1", "--send", "STRT@1"});
    const ToolRun r =
        runTool(dir.path(), {"monitor", "--port", QString::fromStdString(sim.device()), "--dial", "555-0100",
                             "--frames", "30", "--sub-port", QString::fromStdString(remote.device())});
    ASSERT_EQ(r.code, 0) << r.err << r.out;
    const std::vector<std::string> out = lines(r.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0], "dial CONNECT 9600");
    EXPECT_THAT(out, ::testing::Contains("relay G"));
    EXPECT_THAT(out, ::testing::Contains("L 1"));
}

TEST(MonitorEndToEnd, ALoggerThatNeverAnswersIsAClearError) {
    TempDir dir;
    int master = -1, slave = -1;  // a pseudo-terminal with nobody on the other end
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    const ToolRun silent = runTool(dir.path(), {"monitor", "--port", name});
    EXPECT_EQ(silent.code, 1);
    EXPECT_THAT(silent.err, HasSubstr("no parameter frame"));
    EXPECT_TRUE(silent.out.empty());
    ::close(master);
    ::close(slave);
}

// A read of the parameter block that nobody answers, on the real clock: after the reply wait
// the editor says so and its rows and block are as they were.
TEST(CourseParamsEndToEnd, AReadNobodyAnswersChangesNothing) {
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    LiveApp app;
    app.useDevice(name);
    ASSERT_TRUE(MOpen_Click(app.m, app.f, app.s));
    MainParaState st;
    Form_Load(app.m, app.f, st);
    st.HScroll1[2].setValue(1234);
    HScroll1_Change(st, 2);
    const MainParaBlock before = st.MainPara;
    QElapsedTimer waited;
    waited.start();
    Command1_Click(app.m, app.f, app.s, st, 3);
    EXPECT_GE(waited.elapsed(), 11000);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_THAT(app.ui.messages[0].text, ::testing::StartsWith(lang(app.m, 140)));
    EXPECT_THAT(app.ui.messages[0].text, HasSubstr("no reply within 11 s"));
    EXPECT_EQ(st.MainPara, before);
    EXPECT_EQ(st.Label2[2].Caption, "1234");
    EXPECT_EQ(app.f.MSComm1->inputLen(), 25);
    MOpen_Click(app.m, app.f, app.s);
    ::close(master);
    ::close(slave);
}

}  // namespace
}  // namespace vt::test
