// Modem dial-up over an in-memory port and the virtual clock: the modem dialogue and its
// failures, the dial list and dial.dat, the counted automatic redial and its cancel.
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dialup/DialList.h"
#include "dialup/DialUp.h"
#include "link/Ports.h"
#include "support/LinkTestApp.h"

namespace vt::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A modem on port 1: "OK" to an AT line, a dial result to ATDT after `dialDelayMs`.
struct Modem {
    LinkTestApp& app;
    std::vector<std::string> results;  // one per dial, the last repeating
    int64_t dialDelayMs = 2000;
    std::vector<std::string> lines;  // what the terminal wrote
    int64_t answerAt = -1;
    std::string pending;
    int splitAt = 0;

    explicit Modem(LinkTestApp& a, std::vector<std::string> r = {"CONNECT 9600"}) : app(a), results(std::move(r)) {
        app.port1().onWritten = [this](std::string_view bytes) { written(bytes); };
        app.pump.hooks.push_back([this] {
            // The result's first `splitAt` characters come 20 ms early.
            if (splitAt > 0 && answerAt >= 0 && app.clock.msecs() >= answerAt - 20) {
                app.port1().receive(pending.substr(0, size_t(splitAt)));
                pending.erase(0, size_t(splitAt));
                splitAt = 0;
            }
            if (answerAt >= 0 && app.clock.msecs() >= answerAt) {
                answerAt = -1;
                app.port1().receive(pending);
            }
        });
    }
    void written(std::string_view bytes) {
        const std::string line(bytes);
        lines.push_back(line);
        if (line.rfind("ATDT", 0) == 0) {
            app.port1().receive(line);  // the echo, discarded by the terminal
            size_t dials = 0;
            for (const std::string& l : lines) dials += l.rfind("ATDT", 0) == 0;
            pending = "\r\n" + results[std::min(dials, results.size()) - 1] + "\r\n";
            answerAt = app.clock.msecs() + dialDelayMs;
        } else if (line.rfind("AT", 0) == 0) {
            app.port1().receive(line + "\r\nOK\r\n");
        }
    }
};

// A modem line with `list` as dial.dat; the dial list window takes what it shows.
void modemLine(LinkTestApp& app, const std::string& list) {
    app.m.MainPortSet = 1;
    app.m.MainATCmd = "AT&F";
    writeFile(app.dir.file("dial.dat"), list);
    app.f.windows.Form4 = [&app] {
        Form4State st;
        Form_Load(app.m, st);
        Command1_Click(app.m, st, app.s);
    };
}

struct DialUp : ::testing::Test {
    LinkTestApp app;
};

TEST_F(DialUp, ModemInitialisesDialsTheDigitsAndConnects) {
    modemLine(app, "03-1234 5678\r\n");
    Modem modem(app);
    std::vector<std::string> results;
    app.f.watch.dialResult = [&](const std::string& r) { results.push_back(r); };
    dial_up_Click(app.m, app.f, app.s);
    EXPECT_EQ(app.m.LinkUp, kTrue);
    EXPECT_EQ(app.m.TelNo, "0312345678");  // a hyphen and a blank left out
    ASSERT_GE(modem.lines.size(), 3u);
    EXPECT_EQ(modem.lines[0], "AT&F\r");
    EXPECT_EQ(modem.lines[1], "ATDT0312345678\r\n");
    EXPECT_EQ(modem.lines[2], commandFrame("STOP"));  // then link_start
    ASSERT_EQ(results.size(), 1u);
    EXPECT_THAT(results[0], HasSubstr("CONNECT 9600"));
    EXPECT_EQ(app.f.MSComm1->rThreshold(), 25);
    EXPECT_THAT(app.status, ::testing::Contains(lang(app.m, 145)));
}

// Failures leave the line down, the port open in text mode. A result within the second after
// the dial, or one straddling it, is taken at once, not waited on for 42 s.
TEST(DialResults, AreTakenWhenTheyComeAndFailuresLeaveTheLineDown) {
    const struct {
        const char* what;
        const char* result;  // nullptr: the modem is silent
        const char* list;
        int64_t delayMs;
        int splitAt;
        bool up;
        int64_t minMs, maxMs;
    } cases[] = {
        {"busy", "BUSY", "123\r\n", 2000, 0, false, 0, 20000},
        {"no number chosen", "CONNECT 9600", "", 2000, 0, false, 0, 20000},
        {"modem silent", nullptr, "123\r\n", 0, 0, false, 42000, 60000},
        {"connect at once", "CONNECT 9600", "123\r\n", 300, 0, true, 0, 20000},
        {"connect straddling the second", "CONNECT 9600", "123\r\n", 1000, 6, true, 0, 20000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LinkTestApp app;
        modemLine(app, c.list);
        std::unique_ptr<Modem> modem;
        if (c.result) {
            modem = std::make_unique<Modem>(app, std::vector<std::string>{c.result});
            modem->dialDelayMs = c.delayMs;
            modem->splitAt = c.splitAt;
        }
        const int64_t t0 = app.clock.msecs();
        dial_up_Click(app.m, app.f, app.s);
        EXPECT_EQ(app.m.LinkUp, c.up ? kTrue : kFalse);
        EXPECT_GE(app.clock.msecs() - t0, c.minMs);
        EXPECT_LT(app.clock.msecs() - t0, c.maxMs);
        if (!c.up) {
            EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 146));
            EXPECT_TRUE(app.f.MSComm1->portOpen());  // stays open in text mode
            EXPECT_FALSE(app.f.Form2.window.Visible);
        }
    }
}

TEST_F(DialUp, TheModemsReplyMustEndInOk) {
    modemLine(app, "");
    app.port1().onWritten = [this](std::string_view bytes) {
        if (std::string(bytes) == "AT&F\r") app.port1().receive("\r\nERROR\r\n");
    };
    dial_up_Click(app.m, app.f, app.s);
    EXPECT_EQ(app.m.LinkUp, kFalse);
    app.port1().onWritten = [this](std::string_view bytes) {
        if (std::string(bytes) == "AT&F\r") app.port1().receive("\r\nOK\r\n");
    };
    bool listShown = false;
    app.f.windows.Form4 = [&] { listShown = true; };
    dial_up_Click(app.m, app.f, app.s);
    EXPECT_TRUE(listShown);  // "OK" + CR LF is accepted
}

TEST_F(DialUp, CancellingTheWaitWindowEndsTheDialWait) {
    modemLine(app, "5550100\r\n");
    Modem modem(app);
    modem.dialDelayMs = 30000;
    app.pump.hooks.push_back([this] {
        if (app.f.Form2.window.Visible && app.f.Form2.Label1.Caption == lang(app.m, 144) + "5550100")
            Command1_Click(app.m, app.f.Form2);  // the cancel button
    });
    const int64_t t0 = app.clock.msecs();
    dial_up_Click(app.m, app.f, app.s);
    EXPECT_EQ(app.m.LinkUp, kFalse);
    EXPECT_LT(app.clock.msecs() - t0, 10000);
}

TEST_F(DialUp, DialListKeepsTheMostRecentlyUsedLast) {
    writeFile(app.dir.file("dial.dat"), "111\r\n222\r\n333\r\n");
    Form4State st;
    Form_Load(app.m, st);
    EXPECT_EQ(st.Combo1Text, "333");       // opens on the last number
    Combo1_KeyDown(app.m, st, app.s, 13);  // Enter: that number, the file as it was
    EXPECT_EQ(app.m.TelNo, "333");
    EXPECT_EQ(readFile(app.dir.file("dial.dat")), "111\r\n222\r\n333\r\n");

    Form_Load(app.m, st);
    Combo1_Click(st, 0);
    Command1_Click(app.m, st, app.s);
    EXPECT_EQ(app.m.TelNo, "111");
    EXPECT_EQ(readFile(app.dir.file("dial.dat")), "222\r\n333\r\n111\r\n");

    Form_Load(app.m, st);
    st.Combo1Text = "0555";  // typed, not in the list: dialled, not added
    Command1_Click(app.m, st, app.s);
    EXPECT_EQ(app.m.TelNo, "0555");
    EXPECT_EQ(readFile(app.dir.file("dial.dat")), "222\r\n333\r\n111\r\n");

    Form_Load(app.m, st);
    st.Combo1Text = "0666";
    app.ui.msgAnswers = {MsgResult::Cancel, MsgResult::OK};
    Command2_Click(app.m, st, app.s);  // cancelled: nothing added, the last entry shown
    EXPECT_EQ(st.Combo1Text, "111");
    st.Combo1Text = "0666";
    Command2_Click(app.m, st, app.s);
    EXPECT_EQ(readFile(app.dir.file("dial.dat")), "222\r\n333\r\n111\r\n0666\r\n");
    EXPECT_THAT(app.ui.messages.back().text, HasSubstr("0666" + lang(app.m, 83)));

    // Removing: the selected entry; the last one removed deletes the file.
    Form_Load(app.m, st);
    for (int i = 0; i < 4; ++i) Delete_no_Click(app.m, st, app.s);
    EXPECT_TRUE(st.Combo1.empty());
    EXPECT_FALSE(std::filesystem::exists(app.dir.file("dial.dat")));
}

TEST_F(DialUp, ABadOrHugeDialFileNeverHangsTheList) {
    std::string huge(5'000'000, '9');  // one endless line
    writeFile(app.dir.file("dial.dat"), huge);
    Form4State st;
    Form_Load(app.m, st);
    ASSERT_EQ(st.Combo1.size(), 1u);
    EXPECT_EQ(st.Combo1[0].size(), 200u);
    std::string many;
    for (int i = 0; i < 5000; ++i) many += std::to_string(i) + "\n";
    writeFile(app.dir.file("dial.dat"), many);
    Form_Load(app.m, st);
    EXPECT_EQ(st.Combo1.size(), 1000u);
    std::filesystem::create_directory(app.dir.file("dial.dat.dir"));
    app.m.DialFile = "dial.dat.dir";  // a folder: nothing to read
    Form_Load(app.m, st);
    EXPECT_TRUE(st.Combo1.empty());
}

// An armed redial counts 10 .. 1 and dials the last number again (no list), unless cancelled.
TEST_F(DialUp, TheRedialCountsDownAndDialsUnlessCancelled) {
    modemLine(app, "5550100\r\n");
    Modem modem(app, {"BUSY", "CONNECT 9600"});
    dial_up_Click(app.m, app.f, app.s);  // busy
    ASSERT_EQ(app.m.LinkUp, kFalse);
    std::string error;
    app.f.MSComm1->setPortOpen(false, &error);
    app.f.windows.Form4 = [] { FAIL() << "the redial does not show the list"; };
    std::vector<int> steps;
    int cancelAt = 7;
    app.f.watch.redialStep = [&](int n) {
        steps.push_back(n);
        if (n == cancelAt) Command1_Click(app.m, app.f.Form2);
    };
    app.m.RetrySec = 10;
    app.m.RetryPending = kTrue;
    app.run(30000);
    EXPECT_THAT(steps, ElementsAre(10, 9, 8, 7));
    EXPECT_EQ(app.m.RetryPending, kFalse);
    EXPECT_FALSE(app.f.Form2.window.Visible);
    EXPECT_EQ(app.m.LinkUp, kFalse);

    steps.clear();
    cancelAt = -1;
    app.m.RetryPending = kTrue;
    app.run(30000);
    EXPECT_THAT(steps, ElementsAre(10, 9, 8, 7, 6, 5, 4, 3, 2, 1));
    EXPECT_EQ(app.m.LinkUp, kTrue);
    EXPECT_EQ(app.m.RetryPending, kFalse);
    size_t dials = 0;
    for (const std::string& l : modem.lines) dials += l == "ATDT5550100\r\n";
    EXPECT_EQ(dials, 2u);
}

}  // namespace
}  // namespace vt::test
