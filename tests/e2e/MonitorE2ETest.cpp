// veltra monitor against veltra-logger-sim: the parameters as 'veltra params' prints them, one
// line per frame, the stop and hang-up at the end; a logger that never answers; no device.
#include <regex>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QProcess>

#include "support/SimProcess.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct ToolRun {
    int code = -1;
    std::string out, err;
};

ToolRun monitor(const TempDir& dir, const QStringList& args, int boundMs = 60000) {
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir.path()));
    p.start(QStringLiteral(VELTRA_CLI_PATH), QStringList{"monitor"} + args);
    if (!p.waitForFinished(boundMs)) {
        p.kill();
        p.waitForFinished();
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
        out.push_back(text.substr(at, nl - at));
    return out;
}

TEST(MonitorEndToEnd, ParametersThenOneLinePerFrameThenHangUp) {
    TempDir dir;
    SimProcess sim({"--course", shortCourse(dir), "--segments", "3"}, dir.file("journal"));
    ToolRun r = monitor(dir, {"--port", QString::fromStdString(sim.device()), "--frames", "40", "--rate", "L"});
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
    // The logger was asked, started, stopped; and the port let go.
    sim.stop();
    std::string commands;
    for (const std::string& line : sim.journal())
        if (line.find("\"event\":\"command\"") != std::string::npos)
            commands += line.substr(line.find("\"text\":\"") + 8, 4) + " ";
    EXPECT_EQ(commands, "STOP PARA RATL STRT STOP ");
}

TEST(MonitorEndToEnd, DialsAModemAndRelaysToARemoteStation) {
    TempDir dir;
    SimProcess sim({"--modem", "--rfc2217", "0", "--connect-delay", "1000", "--course", shortCourse(dir)});
    SimProcess remote({"remote", "--ring-after", "1", "--send", "STRT@1"});
    ToolRun r = monitor(dir, {"--port", QString::fromStdString(sim.device()), "--dial", "555-0100", "--frames", "30",
                              "--sub-port", QString::fromStdString(remote.device())});
    ASSERT_EQ(r.code, 0) << r.err << r.out;
    const std::vector<std::string> out = lines(r.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0], "dial CONNECT 9600");
    EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](const std::string& l) { return l == "relay G"; }));
    EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](const std::string& l) { return l == "L 1"; }));
}

TEST(MonitorEndToEnd, ParametersOnlyAndALoggerThatNeverAnswers) {
    TempDir dir;
    {
        SimProcess sim({"--course", shortCourse(dir)});
        ToolRun r = monitor(dir, {"--port", QString::fromStdString(sim.device()), "--params-only"});
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(lines(r.out).size(), 10u);
    }
    // A pseudo-terminal with nobody on the other end.
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ToolRun silent = monitor(dir, {"--port", name});
    EXPECT_EQ(silent.code, 1);
    EXPECT_THAT(silent.err, HasSubstr("no parameter frame"));
    EXPECT_TRUE(silent.out.empty());
    ::close(master);
    ::close(slave);
    ToolRun none = monitor(dir, {"--port", QString::fromStdString(dir.file("no-such-device"))});
    EXPECT_EQ(none.code, 1);
    EXPECT_THAT(none.err, StartsWith("veltra: monitor: cannot open"));
}

}  // namespace
}  // namespace vt::test
