// End to end against veltra-logger-sim on a pseudo-terminal: the parameter block written and read
// back by the editor's buttons and by veltra logger-params, a course sent as the journal shows it,
// and a read nobody answers, which changes nothing.
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>

#include "course/CourseFile.h"
#include "link/Commands.h"
#include "link/Ports.h"
#include "params/MainPara.h"
#include "platform/NumText.h"
#include "support/SimProcess.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

bool has(const std::string& line, const std::string& text) { return line.find(text) != std::string::npos; }

// The "text" of the journal's command lines of one kind, in order.
std::vector<std::string> commandTexts(const SimProcess& sim, const std::string& command) {
    std::vector<std::string> out;
    for (const std::string& line : sim.journal()) {
        if (!has(line, "\"event\":\"command\"") || !has(line, "\"command\":\"" + command + "\"")) continue;
        const size_t at = line.find("\"text\":\"") + 8;
        out.push_back(line.substr(at, line.find('"', at) - at));
    }
    return out;
}

struct ToolRun {
    int code = -1;
    std::string out, err;
};
ToolRun tool(const TempDir& dir, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(dir.path()));
    p.start(QStringLiteral(VELTRA_CLI_PATH), args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

void move(MainParaState& st, int row, int value) {
    st.HScroll1[static_cast<size_t>(row)].setValue(value);
    HScroll1_Change(st, row);
}

TEST(CourseParamsEndToEnd, ParametersWrittenThenReadBackAreEqual) {
    LiveApp app;
    SimProcess sim({"--course", shortCourse(app.dir)}, app.dir.file("journal"));
    ASSERT_FALSE(sim.device().empty());
    app.useDevice(sim.device());
    ASSERT_TRUE(MOpen_Click(app.m, app.f, app.s));

    MainParaState st;
    Form_Load(app.m, app.f, st);
    ASSERT_TRUE(st.Command1[2].Enabled);
    move(st, 1, 5);      // 5 s
    move(st, 2, 1500);   // DIA
    move(st, 5, 1234);   // shift 12340 rpm
    move(st, 12, 1470);  // A/F 14.70
    move(st, 13, 7);     // 115k
    move(st, 15, 17);    // H
    TRANS_Click(st, 1);
    Command1_Click(app.m, app.f, app.s, st, 2);
    ASSERT_TRUE(app.ui.messages.empty()) << app.ui.messages.back().text;

    MainParaState back;
    Form_Load(app.m, app.f, back);
    Command1_Click(app.m, app.f, app.s, back, 3);
    ASSERT_TRUE(app.ui.messages.empty()) << app.ui.messages.back().text;
    for (size_t i = 0; i < kMainParaSent; ++i) EXPECT_EQ(back.MainPara[i], st.MainPara[i]) << i;
    for (size_t row = 0; row < kMainParaRows; ++row) EXPECT_EQ(back.Label2[row].Caption, st.Label2[row].Caption) << row;
    EXPECT_EQ(back.Label2[15].Caption, "H");
    EXPECT_TRUE(back.TRANS[1].Checked);
    // The port takes frames again.
    EXPECT_EQ(app.f.MSComm1->inputLen(), 25);
    MOpen_Click(app.m, app.f, app.s);
    EXPECT_EQ(sim.stop(), 0);

    EXPECT_EQ(commandTexts(sim, "main-write"), std::vector<std::string>{main_write_text(st.MainPara)});
    EXPECT_EQ(commandTexts(sim, "main-read"), std::vector<std::string>{"MAIN"});
    bool replied = false;
    for (const std::string& line : sim.journal())
        replied = replied || (has(line, "\"event\":\"reply\"") && has(line, "Q,0,1500,0,1,12340,20000"));
    EXPECT_TRUE(replied);
}

TEST(CourseParamsEndToEnd, ACourseSentArrivesAsTheJournalShows) {
    LiveApp app;
    SimProcess sim({"--course", shortCourse(app.dir)}, app.dir.file("journal"));
    app.useDevice(sim.device());
    // A course of four segments.
    std::string bytes(16 + 480, '\0');
    const int segs[4][2] = {{'S', 1250}, {'R', 1234}, {'L', 600}, {'S', 2465}};
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<size_t>(16 + 32 * i + 1)] = 1;
        bytes[static_cast<size_t>(16 + 32 * i + 20)] = static_cast<char>(segs[i][1] >> 8);
        bytes[static_cast<size_t>(16 + 32 * i + 21)] = static_cast<char>(segs[i][1]);
        bytes[static_cast<size_t>(16 + 32 * i + 27)] = static_cast<char>(segs[i][0]);
    }
    std::string first(16, '\0');
    first[3] = static_cast<char>(200);
    first[6] = static_cast<char>(255);
    bytes += first + std::string(16 * 50, '\0');
    writeFile(app.dir.file("four.dat"), bytes);
    ASSERT_TRUE(corse_open_path(app.m, app.f, app.s, app.dir.file("four.dat")));
    ASSERT_TRUE(MOpen_Click(app.m, app.f, app.s));
    app.ui.inputAnswers = {"4"};
    Corse_trans_Click(app.m, app.f, app.s);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 141));

    // And again through the tool, as course 2.
    MOpen_Click(app.m, app.f, app.s);
    ToolRun sent =
        tool(app.dir, {"send-course", "--port", QString::fromStdString(sim.device()), "--number", "2", "four.dat"});
    ASSERT_EQ(sent.code, 0) << sent.err;
    EXPECT_EQ(sent.out, "CRS2-S250-R247-L120-S493-\n");
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_EQ(commandTexts(sim, "course"),
              (std::vector<std::string>{"CRS4-S250-R247-L120-S493-", "CRS2-S250-R247-L120-S493-"}));
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
    ToolRun r = tool(dir, {"logger-params", "--port", port, "--write", "PARA_a.dat", "--save", "back.dat"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr(" 1  Sensor timer               3\n"));
    EXPECT_THAT(r.out, HasSubstr(" 2  DIA (mm)                   1700\n"));
    EXPECT_THAT(r.out, HasSubstr("16  TRANS (*) SEGMENT          3\n"));
    EXPECT_THAT(r.out, HasSubstr("slots 21..26: -7 0 0 0 0 0\n"));
    EXPECT_EQ(readFile(dir.file("back.dat")), readFile(dir.file("PARA_a.dat")));

    r = tool(dir, {"logger-params", "--port", port, "--defaults"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr(" 2  DIA (mm)                   999\n"));
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_EQ(commandTexts(sim, "main-write").size(), 2u);
    EXPECT_EQ(commandTexts(sim, "main-read").size(), 2u);
}

TEST(CourseParamsEndToEnd, AReadNobodyAnswersChangesNothing) {
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    LiveApp app;
    app.useDevice(name);
    ASSERT_TRUE(MOpen_Click(app.m, app.f, app.s));
    MainParaState st;
    Form_Load(app.m, app.f, st);
    move(st, 2, 1234);
    const MainParaBlock before = st.MainPara;
    QElapsedTimer waited;
    waited.start();
    Command1_Click(app.m, app.f, app.s, st, 3);
    EXPECT_GE(waited.elapsed(), 11000);
    EXPECT_LT(waited.elapsed(), 20000);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_THAT(app.ui.messages[0].text, StartsWith(lang(app.m, 140)));
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
