// The veltra tool's log commands, run as the real binary: the same list texts as the list
// window, the parameter lines, the export byte for byte, and clear failures.
#include <QDir>
#include <QProcess>
#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "logdata/Conversions.h"
#include "logfiles/Form3State.h"
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
using ::testing::StartsWith;

struct ToolRun {
    int code = -1;
    std::string out, err;
    // The tool's own lines on standard error (the platform may add notes of its own).
    std::vector<std::string> errLines() const {
        std::vector<std::string> lines;
        for (const QString& l : QString::fromStdString(err).split('\n', Qt::SkipEmptyParts))
            if (l.startsWith("veltra")) lines.push_back(l.toStdString());
        return lines;
    }
};

class Tool : public ::testing::Test {
  protected:
    TempDir dir;

    ToolRun run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        const QString runtime = QString::fromStdString(dir.file("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert("XDG_RUNTIME_DIR", runtime);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QString::fromStdString(dir.path()));
        p.start(QStringLiteral(VELTRA_CLI_PATH), args);
        ToolRun r;
        if (!p.waitForFinished(60000)) return r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = p.readAllStandardOutput().toStdString();
        r.err = p.readAllStandardError().toStdString();
        return r;
    }
    QString path(const std::string& name) { return QString::fromStdString(dir.file(name)); }

    // The terminal right after start-up, as the tool's commands begin.
    struct Terminal {
        TestApp app{false};
        explicit Terminal(const std::string& folder) {
            std::string fail;
            EXPECT_TRUE(lang_load(app.m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
            set_folders(app.m, folder);
            Form_Load(app.m, app.f, app.s);
        }
    };

    // What the list window shows for `mode`, in the tool's form.
    std::string listText(const std::string& log, int mode, int seg = 0) {
        Terminal t(dir.file("terminal"));
        std::string error;
        EXPECT_TRUE(log_open_path(t.app.m, t.app.f, t.app.s, log, nullptr, &error)) << error;
        t.app.m.SelLap = static_cast<int16_t>(mode);
        t.app.m.SegListNo = static_cast<int16_t>(seg);
        Form3State st;
        Form_Load(t.app.m, t.app.f, st);
        std::string out = st.Text2 + "\n";
        for (const auto& l : list_lines(st.Text1)) out += l + "\n";
        if (st.BestLap != 0) out += "BEST " + std::to_string(st.BestLap) + " " + timeText(st.BestTime) + "\n";
        return out;
    }
};

TEST_F(Tool, EveryCommandExplainsItself) {
    for (const char* cmd : {"laps", "segments", "segment", "params", "export", "generate"}) {
        SCOPED_TRACE(cmd);
        ToolRun r = run({cmd, "--help"});
        EXPECT_EQ(r.code, 0);
        EXPECT_THAT(r.out, StartsWith(std::string("usage: veltra ") + cmd));
    }
    ToolRun top = run({"--help"});
    EXPECT_EQ(top.code, 0);
    EXPECT_THAT(top.out, HasSubstr("generate"));
}

TEST_F(Tool, ListsAreTheListWindowsTexts) {
    ToolRun g = run({"generate", path("t.log"), "--laps", "4", "--segments", "7", "--seed", "3", "--course", "oval"});
    ASSERT_EQ(g.code, 0) << g.err;
    EXPECT_THAT(g.out, HasSubstr("laps 1..4"));
    const std::string log = dir.file("t.log");

    ToolRun laps = run({"laps", path("t.log")});
    ASSERT_EQ(laps.code, 0) << laps.err;
    EXPECT_EQ(laps.out, listText(log, 0));
    EXPECT_THAT(laps.out, HasSubstr("\nBEST "));
    EXPECT_EQ(laps.out.find('\r'), std::string::npos);

    ToolRun segs = run({"segments", path("t.log")});
    ASSERT_EQ(segs.code, 0) << segs.err;
    EXPECT_EQ(segs.out, listText(log, 1));
    EXPECT_THAT(segs.out, HasSubstr("\n THEO "));

    ToolRun one = run({"segment", path("t.log"), "3.4"});
    ASSERT_EQ(one.code, 0) << one.err;
    EXPECT_EQ(one.out, listText(log, 2, 3));
    EXPECT_THAT(one.out, HasSubstr(" 3.SEG"));
    EXPECT_TRUE(one.errLines().empty()) << one.err;
}

TEST_F(Tool, ParamsFollowTheDisplaysOrder) {
    ASSERT_EQ(run({"generate", path("p.log"), "--car", "bike", "--speed-unit", "mph", "--tacho-pulse", "7",
                   "--prs-range", "1", "--course-number", "9"})
                  .code,
              0);
    ToolRun r = run({"params", path("p.log")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "dia_name:  0 mm/p \n"
              "kiro_name:   m/h\n"
              "taco_name:  P:10\n"
              "over_name:  10000 rpm\n"
              "prs_name:   50 kg/cm\n"
              "model_name:    BIKE\n"
              "af_name:  14.7\n"
              "temp1:  200deg.C\n"
              "temp2:  200deg.C\n"
              "corse_no:  9\n");
}

TEST_F(Tool, ExportIsTheListWindowsExportByteForByte) {
    ASSERT_EQ(run({"generate", path("e.log"), "--laps", "3", "--noise", "2", "--prs-range", "2"}).code, 0);
    ToolRun r = run({"export", path("e.log")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string written = readFile(dir.file("e.txt"));

    Terminal t(dir.file("terminal"));
    std::string error;
    ASSERT_TRUE(log_open_path(t.app.m, t.app.f, t.app.s, dir.file("e.log"), nullptr, &error)) << error;
    Form3State st;
    t.app.m.SelLap = 0;
    Form_Load(t.app.m, t.app.f, st);
    TEXT_SAVE_Click(t.app.m, t.app.f, st, t.app.s);
    EXPECT_EQ(written, readFile(dir.file("e.txt")));
    EXPECT_THAT(written, StartsWith("L,1,"));

    ToolRun to = run({"export", path("e.log"), "-o", path("other.csv")});
    ASSERT_EQ(to.code, 0) << to.err;
    EXPECT_EQ(readFile(dir.file("other.csv")), written);
}

TEST_F(Tool, BadFilesFailWithOneReadableLine) {
    const std::string header = std::string("\x06\x01\x27\x10\x00\x00\x05\xbe\x00\x32\x1e\x01\x00\xc8\x00\xc8", 16);
    writeFile(dir.file("empty.log"), "");
    writeFile(dir.file("short.log"), header.substr(0, 15));
    writeFile(dir.file("header.log"), header);
    writeFile(dir.file("cut.log"), header + std::string(700, '\0'));
    const std::pair<const char*, const char*> cases[] = {
        {"missing.log", "no such file"},
        {"empty.log", "shorter than the 16-byte header"},
        {"short.log", "shorter than the 16-byte header"},
        {"header.log", "ends inside its lap table"},
        {"cut.log", "ends inside its lap table"},
    };
    for (const auto& [name, reason] : cases) {
        for (const char* cmd : {"laps", "segments", "params", "export"}) {
            SCOPED_TRACE(std::string(cmd) + " " + name);
            ToolRun r = run({cmd, path(name)});
            EXPECT_NE(r.code, 0);
            EXPECT_EQ(r.out, "");
            ASSERT_EQ(r.errLines().size(), 1u) << r.err;
            EXPECT_THAT(r.errLines()[0], StartsWith("veltra: " + dir.file(name) + ": "));
            EXPECT_THAT(r.errLines()[0], HasSubstr(reason));
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("cut.txt")));
}

TEST_F(Tool, WhatALoadLeftOutGoesToStandardError) {
    // Laps 0..127 (lap table of 128 laps), then more records than the image holds.
    std::string bytes(16, '\0');
    bytes[0] = static_cast<char>(127 << 1);
    bytes[11] = 0;
    std::string table(128 * 480, '\0');
    table[0] = 0x03;  // lap 0, segment 1: 10.00 s
    table[1] = static_cast<char>(0xE8);
    std::string rec(16, '\x01');
    std::string records;
    for (int i = 0; i < 65003; ++i) records += rec;
    writeFile(dir.file("big.log"), bytes + table + records);
    ToolRun r = run({"laps", path("big.log")});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.errLines().size(), 1u) << r.err;
    EXPECT_THAT(r.errLines()[0], HasSubstr("27 laps above lap 100 left out"));
    EXPECT_THAT(r.errLines()[0], HasSubstr("3 records after the 65000th left out"));
    EXPECT_THAT(r.out, HasSubstr("\n 100  0:00.00 "));
}

TEST_F(Tool, UsageMistakes) {
    ASSERT_EQ(run({"generate", path("u.log"), "--laps", "2"}).code, 0);
    EXPECT_EQ(run({"segment", path("u.log"), "16"}).code, 2);
    EXPECT_EQ(run({"segment", path("u.log"), "0.4"}).code, 2);
    EXPECT_EQ(run({"laps"}).code, 2);
    EXPECT_EQ(run({"laps", path("u.log"), "--wide"}).code, 2);
    EXPECT_EQ(run({"export", path("u.log"), "-o"}).code, 2);
    ToolRun bad = run({"generate", path("v.log"), "--laps", "many"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_THAT(bad.err, HasSubstr("--laps needs a whole number"));
    ToolRun range = run({"generate", path("v.log"), "--segments", "16"});
    EXPECT_NE(range.code, 0);
    EXPECT_THAT(range.err, HasSubstr("segments"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("v.log")));
    ToolRun nowhere = run({"generate", path("no/such/folder/x.log")});
    EXPECT_EQ(nowhere.code, 1);
    EXPECT_EQ(nowhere.errLines().size(), 1u);
}

TEST_F(Tool, GeneratedOptionsReachTheHeader) {
    ToolRun g = run({"generate", path("h.log"), "--laps", "3", "--first-lap", "7", "--mem-code", "2", "--start-address",
                     "20400", "--mm-per-pulse", "250", "--car", "normal", "--temp1-max", "300"});
    ASSERT_EQ(g.code, 0) << g.err;
    TestApp app;
    std::string error;
    ASSERT_TRUE(log_open_path(app.m, app.f, app.s, dir.file("h.log"), nullptr, &error)) << error;
    EXPECT_EQ(app.m.LapFirst, 7);
    EXPECT_EQ(app.m.LapLast, 9);
    EXPECT_EQ(app.m.MemRecs, 20480);
    EXPECT_EQ(app.m.CarType, 2);
    EXPECT_EQ(app.m.Temp1Max, 300);
    EXPECT_EQ(lapWord(app.m, 7, 1, 30), 20400);
    EXPECT_EQ(lapWord(app.m, 7, 1, 28), 250);
    EXPECT_LT(lapWord(app.m, 9, 1, 30), 20400);  // the ring wrapped
}

}  // namespace
}  // namespace vt::test
