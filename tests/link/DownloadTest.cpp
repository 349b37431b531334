// The download over an in-memory port and the virtual clock, the test playing the logger: the
// lap range question, the command, the three block layouts, acknowledgements, the fast line's
// switch, the end, the timeout, the cancel, the memory clear, and what is left on disk (a full
// disk under a download: tests/faults).
#include <filesystem>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link/Download.h"
#include "link/Receive.h"
#include "support/LinkTestApp.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

// An "X" frame of layout `layoutByte` carrying `data` (16 bytes) and the block counter.
std::string block(uint8_t layoutByte, const std::string& data, int counter) {
    frame::Frame fr{};
    fr[frame::kXLayout] = layoutByte;
    for (int i = 0; i < 16; ++i)
        fr[static_cast<size_t>(frame::xDataAt(layoutByte) + i)] = static_cast<uint8_t>(data[static_cast<size_t>(i)]);
    // In the middle layouts the counter's bytes are data bytes too.
    if (layoutByte == frame::kXHeaderBlock || layoutByte == frame::kXRecordBlock)
        layout::putWord(&fr[frame::kXCounter], counter);
    frame::seal(fr, frame::kDownload);
    return std::string(reinterpret_cast<const char*>(fr.data()), fr.size());
}
std::string endFrame() { return frameOf(frame::kDownloadEnd); }
std::string sixteen(char c) { return std::string(16, c); }

// A direct line connected, the download's name and lap range answered as the dialogs will be.
struct Downloader {
    LinkTestApp app;
    std::vector<std::string> sent;  // what the terminal wrote
    Downloader() {
        app.connectDirect();
        app.port1().onWritten = [this](std::string_view b) { sent.emplace_back(b); };
        app.f.windows.Form_NAME = [this] {
            app.m.LogFileName = app.dir.file("day1");
            app.m.MemClearAsk = clear ? kTrue : kFalse;
        };
        app.ui.inputAnswers = {"1-2"};
    }
    bool clear = false;
    std::string log() const { return app.dir.file("day1.log"); }
    bool leftovers() const {
        for (const auto& e : std::filesystem::directory_iterator(app.dir.path()))
            if (e.path().extension() == ".part") return true;
        return false;
    }
};
struct Download : ::testing::Test, Downloader {};

TEST(DownloadRange, AnswersAsTheQuestionTakesThem) {
    const struct {
        const char* answer;
        bool usable;
        int from, to;
    } cases[] = {{"7", true, 7, 0},   {"9-3", true, 3, 9},   {"-4", true, 1, 4}, {"150", false, 0, 0},
                 {"2.6", true, 3, 0}, {"3--2", false, 0, 0}, {"0-0", true, 0, 0}};
    for (const auto& c : cases) {
        int32_t from = -1, to = -1;
        EXPECT_EQ(parse_range(c.answer, from, to), c.usable) << c.answer;
        if (c.usable) {
            EXPECT_EQ(from, c.from) << c.answer;
            EXPECT_EQ(to, c.to) << c.answer;
        }
    }
    LinkTestApp app;
    app.ui.inputAnswers = {"150", "9-3"};
    down_range(app.m, app.f, app.s);
    EXPECT_EQ(app.m.DownFrom, 3);
    EXPECT_EQ(app.m.DownTo, 9);
    EXPECT_THAT(app.status, ::testing::Contains(lang(app.m, 248)));
    app.m.DownMode = 2;  // LOGP and LOGN: the downloads below
    app.m.FastRate = 1;
    EXPECT_EQ(download_command(app.m), "FASTB 3- 9");
}

TEST_F(Download, BlocksOfEachLayoutGoToTheFileAcknowledgedAndTheLogAppearsAtTheEnd) {
    One_Down_Click(app.m, app.f, app.s);
    EXPECT_EQ(sent.back(), commandFrame("LOGP 1- 2"));
    EXPECT_EQ(app.f.RxOn, kTrue);
    EXPECT_FALSE(std::filesystem::exists(log()));
    EXPECT_TRUE(leftovers());  // written under a temporary name meanwhile
    app.port1().receive(block(0, sixteen('H'), 1));
    app.port1().receive(block(7, sixteen('T'), 0));
    app.port1().receive(block(255, sixteen('R'), 3));
    EXPECT_EQ(sent.back(), frame::kAckGood);
    EXPECT_EQ(app.f.data_cont.Caption, " 3");
    // A frame with a wrong checksum is asked for again, what waits behind it dropped.
    std::string bad = block(255, sixteen('X'), 4);
    bad[10] ^= 1;
    app.port1().receive(bad + "junk");
    EXPECT_EQ(sent.back(), frame::kAckBad);
    EXPECT_EQ(app.f.MSComm1->inBufferCount(), 0);
    app.port1().receive(block(255, sixteen('S'), 4));
    app.port1().receive(endFrame());
    EXPECT_EQ(readFile(log()), sixteen('H') + sixteen('T') + sixteen('R') + sixteen('S'));
    EXPECT_FALSE(leftovers());
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 206));
    EXPECT_EQ(app.m.DownMode, 0);
    EXPECT_EQ(app.f.RxOn, kFalse);
    EXPECT_TRUE(app.f.tx_start.Enabled);  // the link menus back
}

// An end with no block, the watchdog after 51 ticks, the wait window's cancel button: no file.
TEST(DownloadEnds, WithoutAWholeCopyNoFileIsLeft) {
    const struct {
        const char* what;
        std::function<void(LinkTestApp&)> end;
        int text;
    } cases[] = {
        {"an end with no block", [](LinkTestApp& a) { a.port1().receive(endFrame()); }, 205},
        {"the watchdog",
         [](LinkTestApp& a) {
             a.port1().receive(block(0, sixteen('H'), 1));
             a.run(6000);
         },
         249},
        {"the cancel button",
         [](LinkTestApp& a) {
             EXPECT_TRUE(a.f.Form2.window.Visible);
             a.port1().receive(block(0, sixteen('H'), 1));
             EXPECT_THAT(a.f.Form2.Label1.Caption, HasSubstr("16 bytes"));
             Command1_Click(a.m, a.f.Form2);
             a.run(200);
         },
         253},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Downloader t;
        One_Down_Click(t.app.m, t.app.f, t.app.s);
        c.end(t.app);
        EXPECT_EQ(t.app.f.Label1.Caption, lang(t.app.m, c.text));
        EXPECT_EQ(t.app.m.DownMode, 0);
        EXPECT_FALSE(t.leftovers());
        EXPECT_FALSE(std::filesystem::exists(t.log()));
    }
}

TEST_F(Download, AFastDownloadSwitchesTheLineAndSwitchesItBack) {
    app.f.MSComm1->setSettings("9600,N,8,1");
    app.f.MSComm1->setHandshaking(0);
    app.f.windows.Form_NAME = [this] {
        app.m.LogFileName = app.dir.file("day1");
        app.m.FastRate = 1;
    };
    std::string settingsWhenSent;
    app.port1().onWritten = [&](std::string_view b) {
        if (b.find("FASTB") != std::string_view::npos) settingsWhenSent = app.f.MSComm1->settings();
        sent.emplace_back(b);
    };
    Fast_Down_Click(app.m, app.f, app.s);
    EXPECT_EQ(settingsWhenSent, "9600,N,8,1");  // the command goes at the line's own speed
    EXPECT_EQ(app.f.MSComm1->settings(), "57600,N,8,1");
    EXPECT_EQ(app.f.MSComm1->handshaking(), 2);
    app.port1().receive(block(255, sixteen('R'), 1));
    app.port1().receive(endFrame());
    EXPECT_EQ(app.f.MSComm1->settings(), "9600,N,8,1");
    EXPECT_EQ(app.f.MSComm1->handshaking(), 0);
    EXPECT_TRUE(app.f.MSComm1->portOpen());
    EXPECT_EQ(readFile(log()), sixteen('R'));
}

TEST_F(Download, OnAModemLineDamagedAndMissingFramesAreSaidAndTheMemoryIsKept) {
    app.m.MainATCmd = "AT&F";  // a modem line: no acknowledgements
    clear = true;
    One_Down_Click(app.m, app.f, app.s);
    EXPECT_EQ(sent.back(), commandFrame("LOGN 1- 2"));
    app.port1().receive(block(255, sixteen('a'), 1));
    std::string damaged = block(255, sixteen('b'), 2);
    damaged[9] ^= 4;  // the framing holds, the checksum does not
    app.port1().receive(damaged);
    app.port1().receive(block(255, sixteen('d'), 5));  // 3 and 4 never came
    app.port1().receive(endFrame());
    EXPECT_EQ(app.m.AckMode, kFalse);
    for (const std::string& w : sent) EXPECT_NE(w, frame::kAckGood);
    EXPECT_EQ(readFile(log()).size(), 48u);  // what arrived is kept
    EXPECT_THAT(app.f.Label1.Caption, HasSubstr("1 damaged, 2 missing"));
    EXPECT_TRUE(app.ui.messages.empty());  // no offer to clear a memory not copied whole
    EXPECT_NE(sent.back(), commandFrame("MCLR"));
}

TEST_F(Download, AnExistingLogIsReplacedOnlyWhenAgreedAndTheMemoryClearedWhenAskedFor) {
    writeFile(log(), "keep");
    app.ui.msgAnswers = {MsgResult::No};
    One_Down_Click(app.m, app.f, app.s);
    EXPECT_EQ(app.m.DownMode, 0);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(readFile(log()), "keep");
    clear = true;
    app.ui.inputAnswers = {"1-2"};
    app.ui.msgAnswers = {MsgResult::Yes, MsgResult::Yes};  // replace it; clear the memory
    One_Down_Click(app.m, app.f, app.s);
    app.port1().receive(block(255, sixteen('n'), 1));
    app.port1().receive(endFrame());
    EXPECT_EQ(readFile(log()), sixteen('n'));
    EXPECT_EQ(sent.back(), commandFrame("MCLR"));
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 209));
    EXPECT_EQ(app.ui.messages.back().text, lang(app.m, 207));
}

TEST_F(Download, ACommandThatCannotGoOutOrADeviceThatGoesLeavesNoFile) {
    app.port1().autoDrain = false;
    One_Down_Click(app.m, app.f, app.s);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, text::kSendFailed));
    EXPECT_EQ(app.m.DownMode, 0);
    EXPECT_FALSE(leftovers());
    app.port1().autoDrain = true;
    app.port1().drain();
    // A fast download whose device goes: the next connection opens as the settings say, not at
    // the download's speed.
    app.m.FastRate = 1;
    const std::string own = app.f.MSComm1->settings();
    const int ownHandshake = app.f.MSComm1->handshaking();
    app.ui.inputAnswers = {"1-2"};
    Fast_Down_Click(app.m, app.f, app.s);
    ASSERT_NE(app.f.MSComm1->settings(), own);
    app.port1().receive(block(255, sixteen('n'), 1));
    app.port1().vanish("Input/output error");
    EXPECT_EQ(app.m.DownMode, 0);
    EXPECT_FALSE(app.f.Form2.window.Visible);
    EXPECT_FALSE(app.f.BusyPointer.Checked);
    EXPECT_FALSE(leftovers());
    EXPECT_FALSE(std::filesystem::exists(log()));
    EXPECT_EQ(app.f.MSComm1->settings(), own);
    EXPECT_EQ(app.f.MSComm1->handshaking(), ownHandshake);
}

}  // namespace
}  // namespace vt::test
