// A full disk (a file-size limit: the write fails part-way) under every file the terminal writes:
// each says so naming the file, keeps the file that was there byte for byte, leaves no temporary.
#include <csignal>
#include <filesystem>
#include <functional>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "course/CourseFile.h"
#include "course/LapChoice.h"
#include "dialup/DialList.h"
#include "link/ConfigScrn.h"
#include "link/Download.h"
#include "link/PortSettings.h"
#include "logfiles/ListWindow.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "params/MainPara.h"
#include "support/LinkTestApp.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

namespace fs = std::filesystem;

// Files may grow to `bytes` while it lives; a write past that fails (EFBIG).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit tiny = before_;
        tiny.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &tiny);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &before_); }

  private:
    rlimit before_{};
};

std::set<std::string> filesUnder(const std::string& dir) {
    std::set<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir, ec))
        if (e.is_regular_file()) out.insert(e.path().string());
    return out;
}

// A download frame of the record layout carrying 16 bytes of `c`.
std::string block(char c, int counter) {
    frame::Frame fr{};
    fr[frame::kXLayout] = frame::kXRecordBlock;
    for (int i = 0; i < 16; ++i)
        fr[static_cast<size_t>(frame::xDataAt(frame::kXRecordBlock) + i)] = static_cast<uint8_t>(c);
    layout::putWord(&fr[frame::kXCounter], counter);
    frame::seal(fr, frame::kDownload);
    return std::string(reinterpret_cast<const char*>(fr.data()), fr.size());
}

struct Env {
    LinkTestApp app;
    Form3State list;
    // A generated log opened as from the menu, its lap list built and lap 1 chosen.
    void openLog() {
        loggen::GenOptions o;
        o.laps = 3;
        loggen::GenResult r = loggen::generateLog(o);
        ASSERT_TRUE(r) << r.error;
        const std::string path = app.m.LogDir + "/gen.log";
        ASSERT_EQ(loggen::writeLogFile(*r.memory, path), "");
        std::string error;
        ASSERT_TRUE(log_open_path(app.m, app.f, app.s, path, nullptr, &error)) << error;
        app.m.SelLap = 0;
        Form_Load(app.m, app.f, list);
        ASSERT_TRUE(choose_lap(app.m, app.f, app.s, 1));
        app.ui.messages.clear();
    }
};

TEST(DiskFaults, EveryWriteSaysSoAndKeepsTheOldFile) {
    struct Case {
        const char* what;
        std::function<std::string(Env&)> prepare;  // the file the action writes
        std::function<void(Env&)> act;
    };
    const Case cases[] = {
        {"re-save of a log",
         [](Env& t) {
             t.openLog();
             t.app.ui.inputAnswers = {"copy"};
             return t.app.m.LogDir + "/copy.log";
         },
         [](Env& t) { Re_Save_Click(t.app.m, t.list, t.app.s); }},
        {"text export",
         [](Env& t) {
             t.openLog();
             return t.app.m.TextFileName;
         },
         [](Env& t) { TEXT_SAVE_Click(t.app.m, t.app.f, t.list, t.app.s); }},
        {"course save",
         [](Env& t) {
             t.openLog();
             fs::create_directories(t.app.m.CorseDir);
             t.app.ui.inputAnswers = {"track"};
             return t.app.m.CorseDir + "/track.dat";
         },
         [](Env& t) { corse_save(t.app.m, t.app.f, t.app.s); }},
        {"parameter file",
         [](Env& t) {
             fs::create_directories(t.app.m.ParaDir);
             t.app.ui.inputAnswers = {"track1"};
             return t.app.m.ParaDir + "/PARA_track1.dat";
         },
         [](Env& t) {
             MainParaState st;
             Form_Load(t.app.m, t.app.f, st);
             Command1_Click(t.app.m, t.app.f, t.app.s, st, 0);
         }},
        {"port settings (OK)",
         [](Env& t) {
             t.app.m.PortSel = 1;
             return settingsPath(t.app.m);
         },
         [](Env& t) {
             ConfigScrnState st;
             Form_Load(t.app.m, t.app.f, st);
             baud_Click(st, 7);
             st.ATsetText = "ATZ";
             OKButton_Click(t.app.m, t.app.f, t.app.s, st);
         }},
        {"port settings (defaults)",
         [](Env& t) {
             t.app.m.PortSel = 2;
             return settingsPath(t.app.m);
         },
         [](Env& t) {
             ConfigScrnState st;
             Form_Load(t.app.m, t.app.f, st);
             shokiset_Click(t.app.m, t.app.f, t.app.s, st);
         }},
        {"dial list", [](Env& t) { return dialPath(t.app.m); },
         [](Env& t) {
             Form4State st;
             Form_Load(t.app.m, st);
             Combo1_Click(st, 0);  // the first number dialled: it moves to the end
             Command1_Click(t.app.m, st, t.app.s);
         }},
        {"download over a log of that name",
         [](Env& t) {
             t.app.connectDirect();
             t.app.f.windows.Form_NAME = [&t] {
                 t.app.m.LogFileName = t.app.m.LogDir + "/day1";
                 t.app.m.MemClearAsk = kFalse;
             };
             t.app.ui.inputAnswers = {"1-2"};
             return t.app.m.LogDir + "/day1.log";
         },
         [](Env& t) {
             One_Down_Click(t.app.m, t.app.f, t.app.s);  // the old log's replacement agreed to
             for (int i = 1; i <= 40; ++i) t.app.port1().receive(block('z', i));
             t.app.port1().receive(frameOf(frame::kDownloadEnd));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Env t;
        t.app.ui.messages.clear();
        const std::string path = c.prepare(t);
        ASSERT_FALSE(path.empty());
        // Longer than the limit, so no new file can be written whole.
        std::string old = "\"the file that was there\"\r\n";
        if (path == dialPath(t.app.m)) old = "5551234\r\n0123456789\r\n";
        if (path == settingsPath(t.app.m)) old = settings_text(defaultSettings(t.app.m.PortSel)) + "\r\n";
        writeFile(path, old);
        const auto before = filesUnder(t.app.dir.path());
        {
            FileSizeLimit limit(8);
            c.act(t);
        }
        EXPECT_EQ(readFile(path), old);
        EXPECT_EQ(filesUnder(t.app.dir.path()), before);
        ASSERT_FALSE(t.app.ui.messages.empty()) << "nothing was said";
        EXPECT_EQ(t.app.ui.messages.back().icon, MsgIcon::Exclamation);
        EXPECT_THAT(t.app.ui.messages.back().text, HasSubstr(fs::path(path).filename().string()));
        EXPECT_THAT(t.app.ui.messages.back().text, HasSubstr("too large"));  // the system's reason
    }
}

}  // namespace
}  // namespace vt::test
