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
            // The result's first `splitAt` characters come 20 ms early (a result that straddles
            // the terminal's second after the dial).
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

struct DialUp : ::testing::Test {
    LinkTestApp app;
    void modemLine(const std::string& at = "AT&F") {
        app.m.MainPortSet = 1;
        app.m.MainATCmd = at;
    }
    void dialList(const std::string& text) { writeFile(app.dir.file("dial.dat"), text); }
    // The dial list window: choose entry `index` (or take what is shown, -1) and OK.
    void pick(int index) {
        app.f.windows.Form4 = [this, index] {
            Form4State st;
            Form_Load(app.m, st);
            if (index >= 0) Combo1_Click(st, index);
            Command1_Click(app.m, st, app.s);
        };
    }
};

TEST_F(DialUp, ModemInitialisesDialsTheDigitsAndConnects) {
    modemLine();
    Modem modem(app);
    dialList("03-1234 5678\r\n");
    pick(-1);
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

TEST_F(DialUp, FailuresLeaveTheLineDownWithTextOneFortySix) {
    const struct {
        const char* what;
        std::vector<std::string> results;
        bool modemAnswers;
        const char* dialList;
    } cases[] = {
        {"busy", {"BUSY"}, true, "123\r\n"},
        {"no carrier", {"NO CARRIER"}, true, "123\r\n"},
        {"no number chosen", {"CONNECT 9600"}, true, ""},
        {"modem silent", {"CONNECT 9600"}, false, "123\r\n"},
    };
    for (const auto& c : cases) {
        LinkTestApp fresh;
        fresh.m.MainPortSet = 1;
        fresh.m.MainATCmd = "AT&F";
        writeFile(fresh.dir.file("dial.dat"), c.dialList);
        fresh.f.windows.Form4 = [&fresh] {
            Form4State st;
            Form_Load(fresh.m, st);
            Command1_Click(fresh.m, st, fresh.s);
        };
        std::unique_ptr<Modem> modem;
        if (c.modemAnswers) modem = std::make_unique<Modem>(fresh, c.results);
        const int64_t t0 = fresh.clock.msecs();
        dial_up_Click(fresh.m, fresh.f, fresh.s);
        EXPECT_EQ(fresh.m.LinkUp, kFalse) << c.what;
        EXPECT_EQ(fresh.f.Label1.Caption, lang(fresh.m, 146)) << c.what;
        EXPECT_TRUE(fresh.f.MSComm1->portOpen()) << c.what;  // stays open in text mode
        EXPECT_FALSE(fresh.f.Form2.window.Visible) << c.what;
        if (!c.modemAnswers) {
            EXPECT_GE(fresh.clock.msecs() - t0, 42000) << c.what;  // the 42 s wait
        }
    }
}

// A modem that gives its result within the second after the dial, along with its echo, or
// whose result straddles that second: taken at its word, not waited on for 42 s.
TEST_F(DialUp, AResultInTheFirstSecondAfterTheDialIsTaken) {
    const struct {
        const char* result;
        int64_t delayMs;
        int splitAt;
        bool up;
    } cases[] = {{"CONNECT 9600", 300, 0, true}, {"BUSY", 300, 0, false}, {"CONNECT 9600", 1000, 6, true}};
    for (const auto& [result, delayMs, splitAt, up] : cases) {
        LinkTestApp fresh;
        fresh.m.MainPortSet = 1;
        fresh.m.MainATCmd = "AT&F";
        writeFile(fresh.dir.file("dial.dat"), "123\r\n");
        fresh.f.windows.Form4 = [&fresh] {
            Form4State st;
            Form_Load(fresh.m, st);
            Command1_Click(fresh.m, st, fresh.s);
        };
        Modem modem(fresh, {result});
        modem.dialDelayMs = delayMs;
        modem.splitAt = splitAt;
        const int64_t t0 = fresh.clock.msecs();
        dial_up_Click(fresh.m, fresh.f, fresh.s);
        EXPECT_EQ(fresh.m.LinkUp, up ? kTrue : kFalse) << result;
        EXPECT_LT(fresh.clock.msecs() - t0, 20000) << result;
    }
}

TEST_F(DialUp, TheModemsReplyMustEndInOk) {
    modemLine();
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
    modemLine();
    Modem modem(app, {"CONNECT 9600"});
    modem.dialDelayMs = 30000;
    dialList("5550100\r\n");
    pick(-1);
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
    dialList("111\r\n222\r\n333\r\n");
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
    dialList(huge);
    Form4State st;
    Form_Load(app.m, st);
    ASSERT_EQ(st.Combo1.size(), 1u);
    EXPECT_EQ(st.Combo1[0].size(), 200u);
    std::string many;
    for (int i = 0; i < 5000; ++i) many += std::to_string(i) + "\n";
    dialList(many);
    Form_Load(app.m, st);
    EXPECT_EQ(st.Combo1.size(), 1000u);
    std::filesystem::create_directory(app.dir.file("dial.dat.dir"));
    app.m.DialFile = "dial.dat.dir";  // a folder: nothing to read
    Form_Load(app.m, st);
    EXPECT_TRUE(st.Combo1.empty());
}

TEST_F(DialUp, TheRedialCountsDownAndDials) {
    modemLine();
    Modem modem(app, {"BUSY", "CONNECT 9600"});
    dialList("5550100\r\n");
    pick(-1);
    dial_up_Click(app.m, app.f, app.s);  // busy
    ASSERT_EQ(app.m.LinkUp, kFalse);
    // The carrier lost on a connected line arms the redial; the timer counts 10 .. 1, dials the
    // last number again (no list), and connects.
    app.m.RetrySec = 10;
    app.m.RetryPending = kTrue;
    std::vector<int> steps;
    app.f.watch.redialStep = [&](int n) { steps.push_back(n); };
    app.f.windows.Form4 = [] { FAIL() << "the redial does not show the list"; };
    std::string error;
    app.f.MSComm1->setPortOpen(false, &error);
    app.run(30000);
    EXPECT_THAT(steps, ElementsAre(10, 9, 8, 7, 6, 5, 4, 3, 2, 1));
    EXPECT_EQ(app.m.LinkUp, kTrue);
    EXPECT_EQ(app.m.RetryPending, kFalse);
    size_t dials = 0;
    for (const std::string& l : modem.lines) dials += l == "ATDT5550100\r\n";
    EXPECT_EQ(dials, 2u);
}

TEST_F(DialUp, CancellingTheCountdownStopsTheRedial) {
    app.m.RetrySec = 10;
    app.m.RetryPending = kTrue;
    std::vector<int> steps;
    app.f.watch.redialStep = [&](int n) {
        steps.push_back(n);
        if (n == 7) Command1_Click(app.m, app.f.Form2);
    };
    bool dialled = false;
    app.f.windows.Form4 = [&] { dialled = true; };
    app.run(30000);
    EXPECT_THAT(steps, ElementsAre(10, 9, 8, 7));
    EXPECT_EQ(app.m.RetryPending, kFalse);
    EXPECT_FALSE(dialled);
    EXPECT_FALSE(app.f.Form2.window.Visible);
}

}  // namespace
}  // namespace vt::test
