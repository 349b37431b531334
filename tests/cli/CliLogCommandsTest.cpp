// The veltra tool's log commands, run as the real binary: the same list, parameter and export
// texts as the terminal's windows, options reaching the generated log; every command's help, its
// usage mistakes (status 2) and its failures (status 1, one line naming the cause).
#include <filesystem>
#include <memory>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>

#include "ToolRun.h"
#include "logdata/Conversions.h"
#include "logfiles/LapLists.h"
#include "logfiles/ListWindow.h"
#include "logfiles/LogFile.h"
#include "logfiles/ParaDisp.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "support/TestApp.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

class Tool : public ::testing::Test {
  protected:
    TempDir dir;
    std::unique_ptr<TestApp> t;  // the terminal

    ToolRun run(const QStringList& args) { return runTool(dir.path(), args); }
    // A command line of words in the test's folder.
    ToolRun run(const char* line) { return run(QString(line).split(' ')); }
    QString path(const std::string& name) { return QString::fromStdString(dir.file(name)); }

    // Starts the terminal as each of the tool's commands begins, opens `log` and gives what its
    // window shows for list `mode` (3: the parameter display), in the tool's form.
    std::string terminalText(const std::string& log, int mode, int seg = 0) {
        t = std::make_unique<TestApp>(false);
        TestApp& app = *t;
        std::string error;
        EXPECT_TRUE(lang_load(app.m, sourceDir() + "/lang/en/LANG.TXT", &error)) << error;
        set_folders(app.m, dir.file("terminal"));
        Form_Load(app.m, app.f, app.s);
        EXPECT_TRUE(log_open_path(app.m, app.f, app.s, dir.file(log), nullptr, &error)) << error;
        std::string out;
        if (mode == 3) {
            ParaDispState para;
            para_list_Click(app.m, para);
            for (const auto& box : ParaDispState::kBoxes) out += box.name + (": " + (para.*(box.box)).Caption) + "\n";
            return out;
        }
        app.m.SelLap = static_cast<int16_t>(mode);
        app.m.SegListNo = static_cast<int16_t>(seg);
        Form3State st;
        Form_Load(app.m, app.f, st);
        out = st.Text2 + "\n";
        for (const auto& l : list_lines(st.Text1)) out += l + "\n";
        if (st.BestLap != 0) out += "BEST " + std::to_string(st.BestLap) + " " + timeText(st.BestTime) + "\n";
        return out;
    }
};

TEST_F(Tool, ListsAndParametersAreTheTerminalsTexts) {
    ToolRun g = run("generate t.log --laps 4 --segments 7 --seed 3 --course oval");
    ASSERT_EQ(g.code, 0) << g.err;
    EXPECT_THAT(g.out, HasSubstr("laps 1..4"));
    const std::pair<const char*, std::string> cases[] = {{"laps t.log", terminalText("t.log", 0)},
                                                         {"segments t.log", terminalText("t.log", 1)},
                                                         {"segment t.log 3.4", terminalText("t.log", 2, 3)},
                                                         {"params t.log", terminalText("t.log", 3)}};
    for (const auto& [line, text] : cases) {
        ToolRun r = run(line);
        ASSERT_EQ(r.code, 0) << line << r.err;
        EXPECT_EQ(r.out, text) << line;
        EXPECT_TRUE(r.errLines().empty()) << r.err;
    }
    EXPECT_THAT(cases[1].second, HasSubstr("\nBEST "));
}

TEST_F(Tool, GeneratedOptionsReachTheHeader) {
    ASSERT_EQ(0, run("generate h.log --laps 3 --first-lap 7 --mem-code 2 --start-address 20400 --mm-per-pulse 250 "
                     "--car bike --speed-unit mph --tacho-pulse 7 --prs-range 1 --course-number 9 --temp1-max 300")
                     .code);
    terminalText("h.log", 0);
    const Module1& m = t->m;
    EXPECT_EQ(std::tuple(m.LapFirst, m.LapLast, m.MemRecs, m.CarType, m.SpeedUnit, m.TachoPulse, m.PrsRange, m.HdrHigh1,
                         m.Temp1Max),
              std::tuple(7, 9, 20480, 1, 1, 7, 1, 9, 300));
    EXPECT_EQ(std::pair(lapWord(m, 7, 1, 30), lapWord(m, 7, 1, 28)), std::pair(20400, 250));
    EXPECT_LT(lapWord(m, 9, 1, 30), 20400);  // the ring wrapped
}

TEST_F(Tool, ExportIsTheListWindowsExportByteForByte) {
    ASSERT_EQ(run("generate e.log --laps 3 --noise 2 --prs-range 2").code, 0);
    ASSERT_EQ(run("export e.log").code, 0);
    ASSERT_EQ(run("export e.log -o other.csv").code, 0);
    const std::string written = readFile(dir.file("e.txt"));
    EXPECT_THAT(written, StartsWith("L,1,"));
    EXPECT_EQ(readFile(dir.file("other.csv")), written);
    terminalText("e.log", 0);
    Form3State st;
    TEXT_SAVE_Click(t->m, t->f, st, t->s);
    EXPECT_EQ(readFile(dir.file("e.txt")), written);
}

TEST_F(Tool, BadFilesFailWithOneReadableLine) {
    const std::string header = std::string("\x06\x01\x27\x10\x00\x00\x05\xbe\x00\x32\x1e\x01\x00\xc8\x00\xc8", 16);
    const std::pair<std::string, const char*> cases[] = {
        {"missing", "no such file"},
        {header + std::string(700, '\0'), "ends inside its lap table"},
    };
    for (const auto& [bytes, reason] : cases) {
        std::filesystem::remove(dir.file("bad.log"));
        if (bytes != "missing") writeFile(dir.file("bad.log"), bytes);
        for (const char* cmd : {"laps", "segments", "params", "export"}) {
            ToolRun r = run({cmd, path("bad.log")});
            EXPECT_NE(r.code, 0) << cmd << " " << reason;
            EXPECT_TRUE(r.out.empty()) << cmd << " " << reason;
            ASSERT_EQ(r.errLines().size(), 1u) << r.err;
            EXPECT_THAT(r.errLines()[0],
                        ::testing::AllOf(StartsWith("veltra: " + dir.file("bad.log") + ": "), HasSubstr(reason)));
        }
        EXPECT_FALSE(std::filesystem::exists(dir.file("bad.txt")));
    }
}

TEST_F(Tool, WhatALoadLeftOutGoesToStandardError) {
    // Laps 0..127 (a lap table of 128 laps), then more records than the image holds.
    std::string bytes(16 + 128 * 480, '\0');
    bytes[0] = static_cast<char>(127 << 1);
    bytes[16] = 0x03;  // lap 0, segment 1: 10.00 s
    bytes[17] = static_cast<char>(0xE8);
    for (int i = 0; i < 65003; ++i) bytes += std::string(16, '\x01');
    writeFile(dir.file("big.log"), bytes);
    ToolRun r = run("laps big.log");
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.errLines().size(), 1u) << r.err;
    EXPECT_THAT(r.errLines()[0], HasSubstr("27 laps above lap 100 left out"));
    EXPECT_THAT(r.errLines()[0], HasSubstr("3 records after the 65000th left out"));
    EXPECT_THAT(r.out, HasSubstr("\n 100  0:00.00 "));
}

TEST_F(Tool, EveryCommandHelpsAndRefusesUsageMistakesWithStatus2) {
    ASSERT_EQ(run("generate u.log --laps 2").code, 0);
    struct Case {
        const char* command;
        std::vector<const char*> mistakes;  // each exits 2 with one "veltra: COMMAND: ..." line first
        const char* missingLog;             // the same command on a missing log: exit 1
    };
    // Every command once; the parser's own mistakes (a missing or empty value, an unknown option, a
    // missing or extra argument, a missing or bad lap) once each.
    const Case cases[] = {
        {"laps", {"laps", "laps u.log --wide", "laps u.log u.log"}, "laps none.log"},
        {"segments", {"segments u.log -x"}, "segments none.log"},
        {"segment", {"segment u.log 16"}, "segment none.log 2"},
        {"params", {"params u.log --all"}, "params none.log"},
        {"export", {"export u.log -o", "export u.log --output="}, "export none.log"},
        {"generate", {"generate v.log --laps many"}, nullptr},
        {"course", {"course u.log", "course u.log --lap x"}, "course none.log --lap 1"},
        {"courselist", {"courselist u.log"}, "courselist none.log --lap 1"},
        {"graph",
         {"graph u.log --lap 1 --kind 9 --png g.png", "graph u.log --lap 1 --kind 3",
          "graph u.log --lap 1 --kind 3 --png g.png --scale 9"},
         "graph none.log --lap 1 --kind 3 --png g.png"},
        {"histogram", {"histogram --lap 1"}, "histogram none.log --lap 1"},
        {"report",
         {"report u.log --lap 1", "report u.log --lap 1 --pdf r.pdf --graph 6",
          "report u.log --lap 1 --pdf r.pdf --graph x"},
         "report none.log --lap 1 --pdf r.pdf"},
        {"compare",
         {"compare u.log --lap 1 --ref-lap 0", "compare u.log --lap 1 --kind 9 --png c.png",
          "compare u.log --lap 1 --kind 3", "compare u.log --lap 1 --png c.png --scale 9"},
         "compare none.log --lap 1"},
        {"monitor",
         {"monitor", "monitor --port x --baud 1000", "monitor --port x --flow 4", "monitor --port x --rate Q",
          "monitor --port x --seconds 1 --frames 2"},
         "monitor --port no-such-device --params-only"},
        {"download",
         {"download --port x", "download -o d", "download --port x -o d --fast 9600",
          "download --port x -o d --laps 0-150", "download --port x -o d --fast 57600 --dial 123",
          "download --port x -o d --at ATZ"},
         "download --port no-such-device -o d"},
        {"coursedata",
         {"coursedata u.log --lap 2", "coursedata u.log --lap 2 -o c.dat --in-g 6",
          "coursedata u.log --lap 2 -o c.dat --in-g 0.3 --out-g 0.5", "coursedata u.log --lap 2 -o c.dat --out-g 1",
          "coursedata u.log --lap 2 -o c.dat --min-length 1000", "coursedata u.log --lap 2 -o c.dat --number 3",
          "coursedata --show c.dat --lap 2", "coursedata --show c.dat --number 12", "coursedata --show c.dat u.log"},
         "coursedata none.log --lap 1 -o c.dat"},
        {"logger-params",
         {"logger-params", "logger-params --port x --write a.dat --defaults", "logger-params --port x --baud 7"},
         "logger-params --port no-such-device"},
        {"send-course",
         {"send-course --port x c.dat", "send-course --port x --number 10 c.dat", "send-course --number 1 c.dat",
          "send-course --port x --number 01 c.dat"},
         "send-course --port x --number 1 none.dat"},
    };
    for (const Case& c : cases) {
        ToolRun help = run({c.command, "--help"});
        EXPECT_EQ(help.code, 0) << c.command;
        EXPECT_THAT(help.out, StartsWith(std::string("usage: veltra ") + c.command));
        for (const char* line : c.mistakes) {
            ToolRun r = run(line);
            EXPECT_EQ(r.code, 2) << line;
            ASSERT_FALSE(r.errLines().empty()) << line;
            EXPECT_THAT(r.errLines()[0], StartsWith(std::string("veltra: ") + c.command + ": ")) << line;
        }
        if (c.missingLog) {
            EXPECT_EQ(run(c.missingLog).code, 1) << c.missingLog;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("v.log")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("u.txt")));  // -o with an empty name wrote nothing
    EXPECT_FALSE(std::filesystem::exists(dir.file("r.pdf")));  // nor a report after a mistake
    EXPECT_FALSE(std::filesystem::exists(dir.file("c.dat")));  // nor did a course command refused
    EXPECT_FALSE(std::filesystem::exists(dir.file("c.png")));  // nor a comparison's picture
    EXPECT_EQ(run("frobnicate").code, 2);                      // an unknown command
    EXPECT_EQ(run("--help").code, 0);
    EXPECT_NE(run("generate v.log --segments 16").code, 0);  // refused by the generator
}

// What cannot be done ends with status 1, nothing on standard output and one line saying why.
TEST_F(Tool, FailuresEndWithStatus1AndOneLineSayingWhy) {
    ASSERT_EQ(run("generate u.log --laps 2").code, 0);
    ASSERT_EQ(run("coursedata u.log --lap 1 -o ok.dat").code, 0);
    std::filesystem::copy_file(dir.file("ok.dat"), dir.file("cut.dat"));
    std::filesystem::resize_file(dir.file("cut.dat"), 490);
    const std::pair<const char*, const char*> cases[] = {
        {"compare u.log --lap 2 --ref-lap 5", "lap 5 is not in the log (laps 1..2)"},
        {"compare u.log --lap 2 --ref none.log", "none.log: No such file"},
        {"compare u.log --lap 7", "lap 7 is not in u.log"},
        {"coursedata --show u.log", "a log of laps 1..2, not a course"},
        {"coursedata --show cut.dat", "490 bytes, shorter than its header and segment page"},
        {"coursedata --show none.dat", "no such file"},
        {"coursedata u.log --lap 2 -o no/such/folder/x.dat", "no/such/folder/x.dat"},
        {"report u.log --lap 2 --pdf no/such/folder/r.pdf", "report: cannot write no/such/folder/r.pdf"},
        {"generate no/such/folder/x.log", "no/such/folder/x.log"},
    };
    for (const auto& [line, reason] : cases) {
        const ToolRun r = run(line);
        EXPECT_EQ(r.code, 1) << line;
        EXPECT_TRUE(r.out.empty()) << line;
        ASSERT_EQ(r.errLines().size(), 1u) << line << "\n" << r.err;
        EXPECT_THAT(r.errLines()[0], ::testing::AllOf(StartsWith("veltra: "), HasSubstr(reason))) << line;
    }
    for (const char* name : {"x.dat", "r.pdf"}) EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
}

TEST_F(Tool, ExportOfALogNamedTxtLeavesTheLogAlone) {
    ASSERT_EQ(run("generate run1.txt --laps 2").code, 0);
    const std::string log = readFile(dir.file("run1.txt"));
    ToolRun r = run("export run1.txt");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readFile(dir.file("run1.txt")), log);
    EXPECT_THAT(readFile(dir.file("run1.txt.txt")), StartsWith("L,1,"));
    ASSERT_EQ(r.errLines().size(), 1u);
    EXPECT_THAT(r.errLines()[0], HasSubstr("run1.txt.txt"));
    // Named as the export target, the log is refused.
    EXPECT_EQ(run("export run1.txt -o run1.txt").code, 1);
    EXPECT_EQ(readFile(dir.file("run1.txt")), log);
}

TEST_F(Tool, GenerateOnAFullDiskKeepsTheOldLog) {
    ASSERT_EQ(run("generate keep.log --laps 1").code, 0);
    const std::string before = readFile(dir.file("keep.log"));
    // A file-size limit of 8 KiB stands in for a full disk: the new log is far larger.
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir.path()));
    p.start("bash", {"-c", QString("ulimit -f 8; exec '%1' generate keep.log --laps 5").arg(VELTRA_CLI_PATH)});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1) << p.readAllStandardError().toStdString();
    EXPECT_EQ(readFile(dir.file("keep.log")), before);
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_THAT(e.path().filename().string(), Not(StartsWith("keep.log."))) << "a temporary was left";
}

}  // namespace
}  // namespace vt::test
