// Downloads end to end: the terminal's download code, and the veltra tool, against
// veltra-logger-sim over a pseudo-terminal (and a modem line over RFC 2217), on the real clock.
// The simulator serves a log the test wrote, so the test knows which bytes each file must hold.
// The logger's device gone mid-download: no file, the port closed and said once, a reconnect.
#include <algorithm>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/ToolRun.h"
#include "dialup/DialList.h"
#include "dialup/DialUp.h"
#include "link/Commands.h"
#include "link/Download.h"
#include "loggen/LogGenerator.h"
#include "serial/RealCommPort.h"
#include "sim/Download.h"
#include "support/SimProcess.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

bool has(const std::string& line, const std::string& text) { return line.find(text) != std::string::npos; }
size_t journalCount(const SimProcess& sim, const std::string& event) {
    size_t n = 0;
    for (const std::string& line : sim.journal()) n += has(line, "\"event\":\"" + event + "\"");
    return n;
}
std::string bytesOf(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }
bool partFiles(const TempDir& dir) {
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().extension() == ".part") return true;
    return false;
}
size_t count(const std::vector<char>& kinds, char k) {
    return static_cast<size_t>(std::count(kinds.begin(), kinds.end(), k));
}

// Three laps of a 250 m circle (about 110 records each) written as the simulator's memory.
loggen::LoggerMemory memoryLog(const TempDir& dir, const std::string& path) {
    loggen::GenOptions o;
    o.laps = 3;
    o.segments = 3;
    o.course = shortCourse(dir);
    loggen::GenResult r = loggen::generateLog(o);
    EXPECT_TRUE(r) << r.error;
    EXPECT_EQ(loggen::writeLogFile(*r.memory, path), "");
    return *r.memory;
}

// The terminal connected to a simulator that holds `log`, the logger's parameters in.
struct Session {
    LiveApp app;
    std::string log = app.dir.file("memory.log");
    loggen::LoggerMemory memory = memoryLog(app.dir, log);
    std::unique_ptr<SimProcess> sim;
    // `line`: what the main port's settings say beyond the device (a modem's command).
    void start(std::vector<std::string> args, const std::function<void()>& line = {}) {
        args.insert(args.end(), {"--log", log});
        sim = std::make_unique<SimProcess>(args, app.dir.file("journal"));
        app.useDevice(sim->device());
        if (line) line();
        dial_up_Click(app.m, app.f, app.s);
        ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'P') == 1; }, 10000));
    }
    // A download of `range` into day1.log; `fast` -1 for one at the line's speed, else the
    // FastRate. Waits until it has ended.
    void download(const std::string& range, int fast, bool clear, int boundMs) {
        app.f.windows.Form_NAME = [this, fast, clear] {
            app.m.LogFileName = app.dir.file("day1");
            app.m.FastRate = static_cast<int16_t>(fast < 0 ? 0 : fast);
            app.m.MemClearAsk = clear ? kTrue : kFalse;
        };
        app.ui.inputAnswers = {range};
        if (fast < 0)
            One_Down_Click(app.m, app.f, app.s);
        else
            Fast_Down_Click(app.m, app.f, app.s);
        EXPECT_TRUE(waitFor([&] { return app.m.DownMode == 0; }, boundMs)) << app.f.Label1.Caption;
    }
    std::string day1() const { return app.dir.file("day1.log"); }
};

TEST(DownloadEndToEnd, TheFileHoldsExactlyTheLapsAskedForThroughDamagedFrames) {
    const struct {
        const char* what;
        std::vector<std::string> faults;
        const char* range;
        int fast;
        int from, to;
        int boundMs;
    } cases[] = {
        {"acknowledged at 9600, laps 2-3", {"--corrupt", "0.03", "--bad-end", "0.01"}, "2-3", -1, 2, 3, 40000},
        {"fast at 115200, every lap", {"--corrupt", "0.03", "--drop", "0.01"}, "1", 2, 1, 0, 30000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s;
        ASSERT_NO_FATAL_FAILURE(s.start(c.faults));
        s.download(c.range, c.fast, false, c.boundMs);
        ASSERT_TRUE(s.app.f.Down.complete) << s.app.f.Label1.Caption;
        EXPECT_EQ(s.app.f.Label1.Caption, lang(s.app.m, 206));
        const std::vector<uint8_t> expected = sim::rangeFile(s.memory, c.from, c.to);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(readFile(s.day1()) == bytesOf(expected)) << "the file differs from the range";
        if (c.to == 0) {
            EXPECT_TRUE(expected == s.memory.fileBytes());  // the whole memory, byte for byte
        }
        EXPECT_FALSE(partFiles(s.app.dir));
        EXPECT_GT(journalCount(*s.sim, "resend"), 0u);  // the damaged frames were asked for again
        // The line is back at its own speed: the live session starts again.
        tx_start_Click(s.app.m, s.app.f, s.app.s);
        const size_t before = s.app.kinds.size();
        EXPECT_TRUE(waitFor([&] { return s.app.kinds.size() > before + 5; }, 10000));
        tx_stop_Click(s.app.m, s.app.f, s.app.s);
        // The log reads back with the laps of the range: their lines and the best-lap lines.
        const ToolRun laps = runTool(s.app.dir.path(), {"laps", QString::fromStdString(s.day1())});
        ASSERT_EQ(laps.code, 0) << laps.err;
        EXPECT_THAT(laps.out, HasSubstr(c.from == 2 ? "\n   3 " : "\n   1 "));
        EXPECT_EQ(std::count(laps.out.begin(), laps.out.end(), '\n'), c.from == 2 ? 4 : 5) << laps.out;
    }
}

// A stall longer than the watchdog: no file at all. The memory cleared after a whole copy,
// after which a download finds no lap and leaves no file either.
TEST(DownloadEndToEnd, AStallLeavesNoFileAndAClearedMemoryHasNothingToSend) {
    {
        Session s;
        ASSERT_NO_FATAL_FAILURE(s.start({"--stall-after", "1", "--stall", "8"}));
        s.download("1", -1, false, 30000);
        EXPECT_EQ(s.app.f.Label1.Caption, lang(s.app.m, 249));
        EXPECT_FALSE(std::filesystem::exists(s.day1()));
        EXPECT_FALSE(partFiles(s.app.dir));
    }
    Session s;
    ASSERT_NO_FATAL_FAILURE(s.start({}));
    s.app.ui.msgAnswers = {MsgResult::Yes};  // clear the memory after this one
    s.download("1", 2, true, 30000);
    ASSERT_TRUE(s.app.f.Down.complete) << s.app.f.Label1.Caption;
    EXPECT_TRUE(readFile(s.day1()) == bytesOf(s.memory.fileBytes()));
    EXPECT_TRUE(waitFor([&] { return journalCount(*s.sim, "memory-clear") == 1; }, 10000));
    EXPECT_EQ(s.app.f.Label1.Caption, lang(s.app.m, 209));
    std::filesystem::remove(s.day1());
    s.download("1", -1, false, 15000);
    EXPECT_FALSE(s.app.f.Down.complete);
    EXPECT_FALSE(std::filesystem::exists(s.day1()));
    EXPECT_FALSE(partFiles(s.app.dir));
}

// A modem line: LOGN, frames back to back with nobody acknowledging them. Damaged frames are
// counted and said, the file is kept, and the memory is not offered for clearing.
TEST(DownloadEndToEnd, OnAModemLineDamagedFramesAreCountedAndTheMemoryNotOffered) {
    Session s;
    writeFile(s.app.dir.file("dial.dat"), "555-0100\r\n");
    s.app.f.windows.Form4 = [&s] {
        Form4State st;
        Form_Load(s.app.m, st);
        Command1_Click(s.app.m, st, s.app.s);
    };
    ASSERT_NO_FATAL_FAILURE(s.start({"--modem", "--rfc2217", "0", "--connect-delay", "1500", "--corrupt", "0.05"},
                                    [&s] { s.app.m.MainATCmd = "AT&F"; }));
    ASSERT_EQ(s.app.m.LinkUp, kTrue);
    s.app.ui.msgAnswers = {MsgResult::Yes};
    s.download("3", -1, true, 30000);
    ASSERT_TRUE(s.app.f.Down.complete) << s.app.f.Label1.Caption;
    EXPECT_GT(s.app.f.Down.damaged, 0);
    EXPECT_THAT(s.app.f.Label1.Caption, HasSubstr(" damaged, "));
    // What did arrive sits where it belongs: the file is as long as the range.
    EXPECT_EQ(readFile(s.day1()).size(), sim::rangeFile(s.memory, 3, 3).size());
    // Whatever the terminal sent after the download is in the journal once its leaving is.
    dial_down_Click(s.app.m, s.app.f, s.app.s);
    EXPECT_TRUE(waitFor(
        [&] {
            const std::vector<std::string> lines = s.sim->journal();
            return std::any_of(lines.begin(), lines.end(),
                               [](const std::string& l) { return has(l, "\"event\":\"client\",\"on\":false"); });
        },
        10000));
    EXPECT_EQ(journalCount(*s.sim, "memory-clear"), 0u);
    EXPECT_EQ(journalCount(*s.sim, "resend"), 0u);
    bool logn = false;
    for (const std::string& line : s.sim->journal())
        logn = logn || (has(line, "\"event\":\"command\"") && has(line, "LOGN"));
    EXPECT_TRUE(logn);
}

TEST(DownloadEndToEnd, TheToolWritesTheRangeAndRefusesToOverwrite) {
    TempDir dir;
    const std::string log = dir.file("memory.log");
    const loggen::LoggerMemory memory = memoryLog(dir, log);
    SimProcess sim({"--log", log, "--corrupt", "0.02"});
    const QString port = QString::fromStdString(sim.device());
    const ToolRun r =
        runTool(dir.path(), {"download", "--port", port, "-o", "day", "--laps", "2-3", "--fast", "115200"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(readFile(dir.file("day.log")) == bytesOf(sim::rangeFile(memory, 2, 3)));
    const ToolRun again = runTool(dir.path(), {"download", "--port", port, "-o", "day"});
    EXPECT_EQ(again.code, 1);
    EXPECT_THAT(again.err, HasSubstr("day.log"));
    EXPECT_TRUE(readFile(dir.file("day.log")) == bytesOf(sim::rangeFile(memory, 2, 3)));  // untouched
}

TEST(DownloadEndToEnd, TheDeviceGoneMidDownloadLeavesNoFileAndAReconnectStreams) {
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast download at 115200 bit/s" : "download at the line's speed");
        LiveApp app;
        const std::vector<std::string> args = {"--laps", "8"};
        auto sim = std::make_unique<SimProcess>(args);
        app.useDevice(sim->device());
        dial_up_Click(app.m, app.f, app.s);
        ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'P') == 1; }, 10000));
        const std::string settingsBefore = app.f.MSComm1->settings();
        app.f.windows.Form_NAME = [&] {
            app.m.LogFileName = app.m.LogDir + "/lost";
            app.m.MemClearAsk = kFalse;
            app.m.FastRate = 2;  // 115200 bit/s
        };
        app.ui.inputAnswers = {"1-8"};
        if (fast)
            Fast_Down_Click(app.m, app.f, app.s);
        else
            One_Down_Click(app.m, app.f, app.s);
        ASSERT_NE(app.m.DownMode, 0);
        ASSERT_TRUE(waitFor([&] { return app.f.Down.DownCount > 30; }, 20000)) << app.f.Down.DownCount;
        ASSERT_FALSE(std::filesystem::is_empty(app.m.LogDir));  // the partial file meanwhile
        const size_t messages = app.ui.messages.size();
        sim->kill();
        ASSERT_TRUE(waitFor([&] { return !app.f.MSComm1->portOpen(); }, 10000));
        EXPECT_EQ(app.m.DownMode, 0);
        EXPECT_TRUE(std::filesystem::is_empty(app.m.LogDir));
        ASSERT_EQ(app.ui.messages.size(), messages + 1);
        EXPECT_THAT(app.ui.messages.back().text, HasSubstr(sim->device()));
        EXPECT_FALSE(app.f.Form2.window.Visible);
        EXPECT_FALSE(app.f.BusyPointer.Checked);
        EXPECT_FALSE(app.f.Timer1.Enabled);
        EXPECT_TRUE(app.f.dial_up.Enabled);
        EXPECT_EQ(app.f.MSComm1->settings(), settingsBefore);

        // A logger on the line's own speed connects and streams, the port's settings untouched
        // since; and the loss was said only once.
        sim = std::make_unique<SimProcess>(args);
        static_cast<RealCommPort&>(*app.f.MSComm1).setDevice(sim->device());
        app.kinds.clear();
        dial_up_Click(app.m, app.f, app.s);
        ASSERT_TRUE(waitFor([&] { return count(app.kinds, 'G') > 3; }, 10000));
        EXPECT_EQ(app.ui.messages.size(), messages + 1);
        tx_stop_Click(app.m, app.f, app.s);
        dial_down_Click(app.m, app.f, app.s);
    }
}

}  // namespace
}  // namespace vt::test
