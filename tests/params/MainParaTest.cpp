// The logger parameter editor: defaults and the write text, the rows' scales and texts, the read
// reply and what is refused, parameter files, and the link buttons over the in-memory port.
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link/Commands.h"
#include "params/MainPara.h"
#include "shell/MainformProcs.h"
#include "support/LinkTestApp.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string replyOf(const std::vector<long long>& values, const std::string& end = "\r") {
    std::string text = "Q";
    for (long long v : values) text += "," + std::to_string(v);
    return text + end;
}
std::vector<long long> oneTo27() {
    std::vector<long long> v;
    for (int i = 1; i <= 27; ++i) v.push_back(i);
    return v;
}

struct Params : ::testing::Test {
    LinkTestApp app;
    Module1& m = app.m;
    MainformState& f = app.f;
    MainParaState st;
    void SetUp() override { Form_Load(m, f, st); }
    // The editor's value texts, row by row.
    std::vector<std::string> values() const {
        std::vector<std::string> out;
        for (const Control& c : st.Label2) out.push_back(c.Caption);
        return out;
    }
    void move(int row, int value) {
        st.HScroll1[static_cast<size_t>(row)].setValue(value);
        HScroll1_Change(st, row);
    }
    // The logger answers "MAIN" on port 1 with `reply` (nothing when empty).
    void loggerAnswers(const std::string& reply) {
        app.port1().onWritten = [this, reply](std::string_view bytes) {
            if (bytes == commandFrame("MAIN") && !reply.empty()) app.port1().receive(reply);
        };
    }
    bool lastMessageStartsWith(const std::string& text) const {
        return !app.ui.messages.empty() && app.ui.messages.back().text.rfind(text, 0) == 0 &&
               app.ui.messages.back().title == lang(m, 121) && app.ui.messages.back().icon == MsgIcon::Exclamation;
    }
};

TEST_F(Params, LoadingShowsTheDefaultsAndTheirWriteText) {
    EXPECT_EQ(values(),
              (std::vector<std::string>{"0",   "1",   "999",  "km/h", "P:2", "16000", "20000", "20", "0.0", "200",
                                        "200", "CAR", "1.00", "9600", "0",   "1",     "-",     "1",  "600", "0"}));
    EXPECT_TRUE(st.TRANS[0].Checked && !st.TRANS[1].Checked);
    scroll_to_para(st);
    EXPECT_EQ(main_write_text(st.MainPara),
              "MAIN,0,999,0,1,16000,20000,0,0,200,200,0,100,0,1,16,1,60000,3,0,100,0,0,0,0,0,0,0");
    EXPECT_EQ(st.MainPara, default_block());
    EXPECT_FALSE(st.Command1[2].Enabled || st.Command1[3].Enabled);  // send and read only with the port open
    app.connectDirect();
    Form_Load(m, f, st);
    EXPECT_TRUE(st.Command1[2].Enabled && st.Command1[3].Enabled);
}

TEST_F(Params, RowsScaleTheirSlotsAndShowTheirTexts) {
    // One row per scale and per kind of text: row, scroll value, slot, slot value, value text.
    const std::tuple<int, int, int, int, std::string> cases[] = {
        {1, 5, 19, 500, "5"}, {5, 1234, 4, 12340, "12340"}, {8, 5, 7, 5, "0.5"},   {12, 1470, 11, 1470, "14.70"},
        {3, 1, 2, 1, "m/h"},  {4, 8, 3, 8, "P:12"},         {15, 18, 13, 18, "L"}, {0, 3, 0, 3, "3"},
    };
    for (const auto& [row, value, slot, slotValue, text] : cases) {
        move(row, value);
        EXPECT_EQ(st.Label2[static_cast<size_t>(row)].Caption, text) << row;
        scroll_to_para(st);
        EXPECT_EQ(st.MainPara[static_cast<size_t>(slot)], slotValue) << row;
    }
    move(16, 18);  // rows 16 and 17 go no further than "-"
    EXPECT_EQ(st.HScroll1[16].Value, 16);
    EXPECT_EQ(st.Label2[16].Caption, "-");
    TRANS_Click(st, 1);
    scroll_to_para(st);
    EXPECT_EQ(st.MainPara[20], 1);
}

TEST_F(Params, ScaledSlotsAreShownRoundedHalvesToEven) {
    const std::tuple<int, int> cases[] = {{250, 2}, {350, 4}, {60000, 600}};
    for (const auto& [slot19, shown] : cases) {
        st.MainPara[19] = slot19;
        para_to_scroll(st);
        EXPECT_EQ(st.HScroll1[1].Value, shown) << slot19;
        EXPECT_EQ(st.Label2[1].Caption, std::to_string(shown)) << slot19;
    }
    st.MainPara[4] = 1005;  // 100.5 x 10 rpm
    st.MainPara[5] = 1015;
    para_to_scroll(st);
    EXPECT_EQ(st.HScroll1[5].Value, 100);
    EXPECT_EQ(st.HScroll1[6].Value, 102);
}

TEST_F(Params, TheReadReplyIsTakenOnlyWhole) {
    MainParaBlock p = default_block();
    ASSERT_TRUE(main_reply_parse(replyOf(oneTo27()), p, nullptr));
    for (int i = 0; i < 27; ++i) EXPECT_EQ(p[static_cast<size_t>(i)], i + 1);
    EXPECT_EQ(p[27], 0);

    std::vector<long long> twentySix = oneTo27();
    twentySix.pop_back();
    std::vector<long long> negative = oneTo27();
    negative[0] = -5;
    std::vector<long long> tooBig = oneTo27();
    tooBig[3] = 2147483648LL;
    const std::tuple<std::string, const char*> refused[] = {
        {replyOf(twentySix), "26 commas"},
        {"X" + replyOf(oneTo27()).substr(1), "does not begin with Q"},
        {"Q1" + replyOf(oneTo27()).substr(1), "does not begin with Q,"},  // the first value is at the third character
        {replyOf(oneTo27(), "\r\n"), "carriage return"},
        {"", "carriage return"},
        {"Q,1,,3" + replyOf(oneTo27()).substr(6), "value 1"},
        {replyOf(tooBig), "value 3"},
    };
    for (const auto& [text, says] : refused) {
        MainParaBlock q = default_block();
        std::string why;
        EXPECT_FALSE(main_reply_parse(text, q, &why)) << text;
        EXPECT_THAT(why, HasSubstr(says)) << text;
        EXPECT_EQ(q, default_block()) << text;
    }
    MainParaBlock q{};
    ASSERT_TRUE(main_reply_parse(replyOf(negative), q, nullptr));
    EXPECT_EQ(q[0], -5);
}

TEST_F(Params, ValuesAnEditorRowCannotShowAreRefused) {
    const std::tuple<int, int32_t, const char*> cases[] = {
        // slot, value, the refusal names
        {1, 99, "row 2 ("},
        {1, 2001, "holds 2001, outside 100..2000"},
        {19, 60051, "row 1 ("},
        {14, 17, "row 16 (TRANS SEGMENT)"},
    };
    for (const auto& [slot, value, says] : cases) {
        MainParaBlock p = default_block();
        p[static_cast<size_t>(slot)] = value;
        EXPECT_THAT(para_check(m, p), HasSubstr(says)) << slot << " " << value;
    }
    MainParaBlock p = default_block();
    p[19] = 60050;  // 600.5 s: shown as 600, halves to even
    p[20] = 7;      // any TRANS value: the second option
    p[30] = -123;   // stored only
    EXPECT_EQ(para_check(m, p), "");
}

TEST_F(Params, ParameterFilesAre164LittleEndianBytes) {
    MainParaBlock p{};
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<int32_t>(i * 1000 - 7);
    p[40] = -2;
    const std::string bytes = para_file_bytes(p);
    ASSERT_EQ(bytes.size(), 164u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xF9\xFF\xFF\xFF", 4));  // -7
    EXPECT_EQ(bytes.substr(4, 4), std::string("\xE1\x03\x00\x00", 4));  // 993
    EXPECT_EQ(bytes.substr(160, 4), std::string("\xFE\xFF\xFF\xFF", 4));
    const std::string path = app.dir.file("PARA_x.dat");
    std::string error;
    ASSERT_TRUE(para_file_write(p, path, &error)) << error;
    MainParaBlock back{};
    ASSERT_TRUE(para_file_read(path, back, &error)) << error;
    EXPECT_EQ(back, p);

    writeFile(path, bytes.substr(0, 163));
    MainParaBlock kept = default_block();
    EXPECT_FALSE(para_file_read(path, kept, &error));
    EXPECT_THAT(error, HasSubstr("163 bytes, not 164"));
    EXPECT_EQ(kept, default_block());
}

TEST_F(Params, SaveAndLoadButtonsGoThroughTheParameterFolder) {
    std::filesystem::create_directories(m.ParaDir);
    move(2, 1500);
    move(15, 17);
    app.ui.inputAnswers = {"a:b", "track1"};
    Command1_Click(m, f, app.s, st, 0);
    EXPECT_TRUE(lastMessageStartsWith(lang(m, 120)));
    const std::string saved = m.ParaDir + "/PARA_track1.dat";
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(std::filesystem::file_size(saved), 164u);

    // Loaded into a fresh editor: the rows come back; the chooser starts in the folder.
    MainParaState other;
    Form_Load(m, f, other);
    std::string startedIn;
    f.windows.File_Form = [&] {
        startedIn = m.LogFileName;
        m.LogFileName = saved;
    };
    const int beeps = app.ui.beeps;
    Command1_Click(m, f, app.s, other, 1);
    EXPECT_EQ(startedIn, m.ParaDir);
    EXPECT_EQ(other.Label2[2].Caption, "1500");
    EXPECT_EQ(other.Label2[15].Caption, "H");
    EXPECT_EQ(app.ui.beeps, beeps + 1);

    // A short file and one with a value out of its row are said; the editor keeps its values.
    const std::tuple<std::string, const char*> bad[] = {
        {std::string(100, '\0'), "100 bytes, not 164"},
        {[] {
             MainParaBlock p = default_block();
             p[8] = 5000;
             return para_file_bytes(p);
         }(),
         "row 9 ("},
    };
    for (const auto& [bytes, says] : bad) {
        writeFile(m.ParaDir + "/PARA_bad.dat", bytes);
        f.windows.File_Form = [&] { m.LogFileName = m.ParaDir + "/PARA_bad.dat"; };
        Command1_Click(m, f, app.s, other, 1);
        ASSERT_FALSE(app.ui.messages.empty());
        EXPECT_THAT(app.ui.messages.back().text, HasSubstr(says));
        EXPECT_EQ(other.Label2[2].Caption, "1500");
        EXPECT_EQ(other.Label2[9].Caption, "200");
    }
}

TEST_F(Params, SendWritesTheBlockAndAClosedPortFailsWithText140) {
    move(1, 5);
    Command1_Click(m, f, app.s, st, 2);
    EXPECT_TRUE(lastMessageStartsWith(lang(m, 140)));
    EXPECT_EQ(app.port1().written, "");
    app.connectDirect();
    app.ui.messages.clear();
    Command1_Click(m, f, app.s, st, 2);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_EQ(app.port1().written,
              commandFrame("MAIN,0,999,0,1,16000,20000,0,0,200,200,0,100,0,1,16,1,60000,3,0,500,0,0,0,0,0,0,0"));
}

TEST_F(Params, ReadFillsTheRowsFromAGoodReply) {
    app.connectDirect();
    std::vector<long long> values = {2, 999, 1,     8, 12000, 15000, 1, 250, 120, 130, 1,  1470, 3, 17,
                                     5, 4,   30000, 7, 40,    250,   1, 21,  22,  23,  24, 25,   26};
    loggerAnswers(replyOf(values));
    const int64_t before = app.clock.msecs();
    Command1_Click(m, f, app.s, st, 3);
    EXPECT_TRUE(app.ui.messages.empty()) << app.ui.messages.back().text;
    EXPECT_EQ(app.port1().written, commandFrame("MAIN"));
    EXPECT_LT(app.clock.msecs() - before, 1500);  // the reply ends the wait
    for (size_t i = 0; i < 27; ++i) EXPECT_EQ(st.MainPara[i], values[i]) << i;
    EXPECT_EQ(std::pair(st.Label2[1].Caption, st.Label2[15].Caption), std::pair(std::string("2"), std::string("H")));
    EXPECT_TRUE(st.TRANS[1].Checked);
    EXPECT_EQ(f.MSComm1->inputMode(), InputModeKind::Binary);  // the port is back to 25-byte frames
    EXPECT_EQ(std::pair(f.MSComm1->inputLen(), f.MSComm1->rThreshold()), std::pair(25, 25));
}

TEST_F(Params, AReadThatFailsChangesNothing) {
    app.connectDirect();
    move(2, 1234);
    const MainParaBlock before = st.MainPara;
    const std::vector<std::string> shown = values();
    const MainParaBlock defaults = default_block();
    std::vector<long long> outOfRange(defaults.begin(), defaults.begin() + 27);
    outOfRange[1] = 50;  // DIA below 100
    std::vector<long long> twentySix = oneTo27();
    twentySix.pop_back();
    const std::tuple<std::string, std::string, int64_t> cases[] = {
        // the logger's answer, the message's start, seconds waited at least
        {"", lang(m, 140) + " (no reply within 11 s)", 11},
        {replyOf(twentySix), lang(m, 140) + " (the reply holds 26 commas", 1},
        {replyOf(outOfRange), lang(m, 258) + ": row 2 (", 1},
    };
    for (const auto& [answer, says, seconds] : cases) {
        SCOPED_TRACE(says);
        loggerAnswers(answer);
        const int beeps = app.ui.beeps;
        const int64_t start = app.clock.msecs();
        Command1_Click(m, f, app.s, st, 3);
        EXPECT_GE(app.clock.msecs() - start, seconds * 1000) << says;
        EXPECT_LT(app.clock.msecs() - start, 13000) << says;
        EXPECT_TRUE(lastMessageStartsWith(says)) << (app.ui.messages.empty() ? "" : app.ui.messages.back().text);
        EXPECT_EQ(app.ui.beeps, beeps + 1);
        EXPECT_EQ(st.MainPara, before);
        EXPECT_EQ(values(), shown);
        EXPECT_EQ(f.MSComm1->inputLen(), 25);
    }
    // A closed port sends nothing and says so.
    loggerAnswers(replyOf(oneTo27()));
    std::string error;
    f.MSComm1->setPortOpen(false, &error);
    Command1_Click(m, f, app.s, st, 3);
    EXPECT_TRUE(lastMessageStartsWith(lang(m, 140) + " (the command was not sent)"));
    EXPECT_EQ(st.MainPara, before);
}

}  // namespace
}  // namespace vt::test
