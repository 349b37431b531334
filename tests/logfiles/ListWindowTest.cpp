// The list window's rules: picking and selecting lap lines, deleting and restoring laps,
// print, and the text export.
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "logfiles/LapLists.h"
#include "logfiles/ListWindow.h"
#include "shell/LapChoice.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// Five laps of three segments; lap 3 is the fastest, then lap 5.
LogImage fiveLaps() {
    LogImage img(1, 5);
    const int times[6] = {0, 7600, 7500, 7000, 7700, 7200};
    for (int lap = 1; lap <= 5; ++lap) {
        for (int s = 1; s <= 3; ++s)
            img.segment(lap, s, times[lap] / 3 + (s == 1 ? times[lap] % 3 : 0), 100, 200, 50, 100, 10, 1, 2, 3, 4, 100);
        img.set16(lap, 1, 28, 200);
    }
    return img;
}

struct Picking : ::testing::Test {
    TestApp app;
    Form3State st;
    void SetUp() override {
        loadEnglish(app.m);
        ASSERT_TRUE(readBytes(app.m, fiveLaps().bytes()));
        app.m.SelLap = 0;
        Form_Load(app.m, app.f, st);
        ASSERT_EQ(st.Text1.size(), 5u * kLapLineChars);
    }
    // A drag: the button goes down at `caret`, the box then holds the selection [from, from + length).
    void drag(int32_t caret, int32_t from, int32_t length, float downY = 10, float upY = 30) {
        Text1_MouseDown(st, caret, downY);
        st.SelStart = from;
        st.SelLength = length;
        Text1_MouseUp(app.m, st, app.s, upY);
    }
    bool invalidPickShown() const {
        return !app.ui.messages.empty() && app.ui.messages.back().text == lang(app.m, 79) &&
               app.ui.messages.back().icon == MsgIcon::Question && app.ui.messages.back().title == lang(app.m, 121);
    }
};

TEST_F(Picking, MouseDownSelectsTheWholeLine) {
    Text1_MouseDown(st, 80, 42);
    EXPECT_EQ(st.SelStart, 77);
    EXPECT_EQ(st.SelLength, 77);
    EXPECT_EQ(st.MouseDownY, 42);
    Text1_MouseDown(st, 5 * 77 + 3, 0);  // past the last line end: nothing to select
    EXPECT_EQ(st.SelLength, 0);
}

TEST_F(Picking, SelectionLengthCountsLines) {
    // Lines show laps 5, 4, 3, 2, 1.
    drag(0, 0, 77);
    EXPECT_EQ(st.PickLap, 5);
    EXPECT_EQ(app.m.DelList[1], 5);
    EXPECT_EQ(app.m.DelList[2], 0);

    drag(0, 0, 80);  // remainder 3: still one line
    EXPECT_EQ(app.m.DelList[1], 5);
    EXPECT_EQ(app.m.DelList[2], 0);

    drag(0, 0, 81);  // remainder 4: two lines
    EXPECT_EQ(app.m.DelList[1], 5);
    EXPECT_EQ(app.m.DelList[2], 4);
    EXPECT_EQ(app.m.DelList[3], 0);

    drag(4 * 77, 4 * 77, 77);  // the last line
    EXPECT_EQ(st.PickLap, 1);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_EQ(app.ui.beeps, 0);
}

TEST_F(Picking, PointerMovedUpwardsClearsTheSelection) {
    drag(77, 77, 2 * 77, /*downY=*/50, /*upY=*/20);
    EXPECT_EQ(st.SelLength, 0);
    EXPECT_EQ(st.PickLap, 0);
    EXPECT_EQ(app.m.DelList[1], 0);
    EXPECT_EQ(app.ui.beeps, 1);
    EXPECT_TRUE(invalidPickShown());
}

TEST_F(Picking, InvalidPicksBeepAndExplain) {
    // Too short a selection, a deleted lap's line, a lap outside the log's range.
    drag(0, 0, 3);
    EXPECT_EQ(st.PickLap, 0);
    EXPECT_TRUE(invalidPickShown());

    app.m.LapTbl[5][1][10] = 51;
    lap_list(app.m, st);
    drag(0, 0, 77);
    EXPECT_EQ(st.PickLap, 0);

    app.m.LapFirst = 2;  // lap 1 is no longer held
    drag(4 * 77, 4 * 77, 77);
    EXPECT_EQ(st.PickLap, 0);
    EXPECT_EQ(app.ui.beeps, 3);
    EXPECT_EQ(app.ui.messages.size(), 3u);
}

TEST_F(Picking, PickAndDoubleClickHandTheLapBack) {
    Command1_Click(app.m, st, app.s);
    EXPECT_TRUE(invalidPickShown());
    EXPECT_FALSE(st.Unloaded);

    drag(2 * 77 + 10, 2 * 77, 77);
    EXPECT_EQ(st.PickLap, 3);
    Command1_Click(app.m, st, app.s);
    EXPECT_EQ(app.m.SelLap, 3);
    EXPECT_TRUE(st.Unloaded);

    Form3State again;
    app.m.SelLap = 0;
    Form_Load(app.m, app.f, again);
    Text1_MouseDown(again, 77, 0);
    Text1_MouseUp(app.m, again, app.s, 0);
    Text1_DblClick(app.m, again);
    EXPECT_EQ(app.m.SelLap, 4);
    EXPECT_TRUE(again.Unloaded);
}

TEST_F(Picking, DeleteThreeSelectedLinesAndUndo) {
    EXPECT_EQ(st.BestLap, 3);
    drag(77, 77, 3 * 77);  // laps 4, 3, 2
    ASSERT_EQ(st.PickLap, 4);
    DEL_Click(app.m, st, app.s);
    for (int lap : {4, 3, 2}) EXPECT_EQ(app.m.LapTbl[static_cast<size_t>(lap)][1][10], 51) << lap;
    for (int lap : {5, 1}) EXPECT_EQ(app.m.LapTbl[static_cast<size_t>(lap)][1][10], 0) << lap;
    std::vector<std::string> lines = list_lines(st.Text1);
    for (int i : {1, 2, 3}) EXPECT_EQ(lines[static_cast<size_t>(i)], "  --   " + std::string(68, ' '));
    EXPECT_THAT(lines[0], StartsWith("   5 "));
    // The best is now lap 5 (1:12.00), not the deleted lap 3.
    EXPECT_EQ(st.BestLap, 5);
    EXPECT_EQ(st.Label4.Caption, " 5 ");
    EXPECT_EQ(st.Label6.Caption, "1:12.00");

    UN_DO_Click(app.m, st);
    for (int lap = 1; lap <= 5; ++lap) EXPECT_EQ(app.m.LapTbl[static_cast<size_t>(lap)][1][10], 0);
    EXPECT_EQ(st.BestLap, 3);
    EXPECT_EQ(st.Label6.Caption, "1:10.00");
}

TEST_F(Picking, DeleteNeedsAValidPick) {
    DEL_Click(app.m, st, app.s);
    EXPECT_TRUE(invalidPickShown());
    for (int lap = 1; lap <= 5; ++lap) EXPECT_EQ(app.m.LapTbl[static_cast<size_t>(lap)][1][10], 0);
}

TEST_F(Picking, SelectingEveryLineOfAHundredLapsStaysInDelList) {
    TestApp big;
    loadEnglish(big.m);
    LogImage img(1, 100);
    for (int lap = 1; lap <= 100; ++lap) img.segment(lap, 1, 1000 + lap, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1);
    ASSERT_TRUE(readBytes(big.m, img.bytes()));
    Form3State s;
    big.m.SelLap = 0;
    Form_Load(big.m, big.f, s);
    // Lengths under 10 m still fill their column, so every line is 77 characters.
    ASSERT_EQ(s.Text1.size(), 100u * kLapLineChars);
    Text1_MouseDown(s, 0, 0);
    s.SelLength = static_cast<int32_t>(s.Text1.size());
    Text1_MouseUp(big.m, s, big.s, 1);
    EXPECT_EQ(s.PickLap, 100);
    EXPECT_EQ(big.m.DelList[100], 1);
    DEL_Click(big.m, s, big.s);
    for (int lap = 1; lap <= 100; ++lap) EXPECT_EQ(big.m.LapTbl[static_cast<size_t>(lap)][1][10], 51);
}

TEST_F(Picking, PrintHidesTheButtonsWhileTheImageIsTaken) {
    bool hidden = false;
    Command2_Click(app.m, st, app.s, [&](std::string*) {
        hidden =
            !st.Command2.Visible && !st.Command1.Visible && !st.DEL.Visible && !st.Re_Save.Visible && !st.UN_DO.Visible;
        return true;
    });
    EXPECT_TRUE(hidden);
    for (Control* c : {&st.Command2, &st.Command1, &st.DEL, &st.Re_Save, &st.UN_DO}) EXPECT_TRUE(c->Visible);

    Form3State segs;
    app.m.SelLap = 1;
    Form_Load(app.m, app.f, segs);
    Command2_Click(app.m, segs, app.s, [](std::string* error) {
        *error = "printer on fire";
        return false;
    });
    EXPECT_TRUE(segs.Command2.Visible);
    for (Control* c : {&segs.Command1, &segs.DEL, &segs.Re_Save, &segs.UN_DO}) EXPECT_FALSE(c->Visible);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, "printer on fire");
}

TEST(TextPositions, LineEndsCountTwoInTheListAndOneInTheBox) {
    const std::string t = "ab\r\ncd\r\n";
    EXPECT_EQ(boxPosFromText1(t, 4), 3);
    EXPECT_EQ(boxPosFromText1(t, 3), 2);  // between CR and LF: the line's end
    EXPECT_EQ(boxPosFromText1(t, 8), 6);
    EXPECT_EQ(text1PosFromBox(t, 3), 4);
    EXPECT_EQ(text1PosFromBox(t, 6), 8);
    for (int32_t p : {0, 2, 4, 6, 8}) EXPECT_EQ(text1PosFromBox(t, boxPosFromText1(t, p)), p);
}

// ---- text export -----------------------------------------------------------------------

TEST(ExportLine, FieldsAndPressureRanges) {
    TestApp app;
    app.m.ReplayOn = kTrue;  // angle mode: channel 1 is signed
    app.m.RecCount = 100;
    app.m.MmPerPulse = 200;
    app.m.TachoPulse = 1;
    app.m.CourseLen = 32760;
    const uint8_t rec[16] = {0xFE, 200, 30, 100, 255, 10, 0x01, 0x2C, 0, 50, 0, 200, 0, 100, 0, 50};
    Form3State st;
    st.LinePrefix = "G,,";
    const std::pair<int, const char*> ranges[] = {{0, "93"}, {1, "235"}, {2, "469"}, {3, "100"}};
    for (const auto& [range, pressure] : ranges) {
        app.m.PrsRange = static_cast<int16_t>(range);
        app.m.DistCount = 0;
        std::copy(rec, rec + 16, app.m.RawRec.begin() + 7);
        std::string out;
        export_line(app.m, app.f, st, out);
        // G -2 x 4; angle 200 - 256; A/F 30; pressure; no steering; throttle 10; temperatures
        // 300 and 50; 200 x 75 / 2 rpm; 100 x 0.72 km/h; 50 pulses x 2 = 100 tenths = 10 m.
        EXPECT_EQ(out, std::string("G,,,-8,-56,30,") + pressure + ",,10,300,50,7500,72,10\r\n");
    }
}

struct Export : ::testing::Test {
    TestApp app;
    TempDir dir;
    loggen::LoggerMemory mem;
    Form3State st;
    void SetUp() override {
        loadEnglish(app.m);
        app.m.LogDir = dir.path();
        loggen::GenOptions o;
        o.laps = 3;
        o.segments = 3;
        mem = generateTo(dir.file("run.log"), o);
        std::string error;
        ASSERT_TRUE(log_open_path(app.m, app.f, app.s, dir.file("run.log"), nullptr, &error)) << error;
    }
    std::vector<std::string> exported() {
        int64_t lines = 0;
        std::string error;
        EXPECT_TRUE(text_export(app.m, app.f, st, app.s, app.m.TextFileName, &lines, &error)) << error;
        std::vector<std::string> out = list_lines(readFile(app.m.TextFileName));
        EXPECT_EQ(static_cast<int64_t>(out.size()), lines);
        return out;
    }
    // Lines a lap gives: its records from its lap marker to the next one, segment markers aside.
    size_t linesOfLap(const loggen::LapInfo& lap) const {
        size_t n = 0;
        for (int i = lap.firstRecord; i <= lap.firstRecord + lap.recordCount; ++i)
            n += mem.records[static_cast<size_t>(i)][6] != 254;
        return n;
    }
};

TEST_F(Export, EveryLapFromItsLapMarkerToTheNext) {
    std::vector<std::string> lines = exported();
    size_t expected = 0;
    for (const auto& lap : mem.laps) expected += linesOfLap(lap);
    ASSERT_EQ(lines.size(), expected);
    // Each lap opens and closes with an L line carrying its number and first segment time.
    size_t at = 0;
    for (const auto& lap : mem.laps) {
        const std::string head = "L," + std::to_string(lap.number) + "," + timeText(lap.segmentTimesCs[0]) + ",";
        EXPECT_THAT(lines[at], StartsWith(head));
        at += linesOfLap(lap);
        EXPECT_THAT(lines[at - 1], StartsWith(head));
    }
    int segLines = 0;
    for (const auto& l : lines) {
        EXPECT_EQ(std::count(l.begin(), l.end(), ','), 13) << l;
        if (l.rfind("S,", 0) == 0) {
            ++segLines;
            EXPECT_TRUE(l.rfind("S,2,", 0) == 0 || l.rfind("S,3,", 0) == 0) << l;
        }
    }
    EXPECT_EQ(segLines, 3 * 2);  // the record after each segment marker
    EXPECT_THAT(lines[1], StartsWith("G,,,"));
    EXPECT_EQ(app.m.MmPerPulse, 0);
    EXPECT_EQ(app.m.ReplayOn, 0);
    EXPECT_EQ(app.m.SelLap, 0);
    EXPECT_EQ(app.f.Label1.Caption, "");
}

TEST_F(Export, TheLapChosenInTheMainWindowStaysChosen) {
    ASSERT_TRUE(choose_lap(app.m, app.f, app.s, 2));
    const int32_t ptr = app.m.RecPtr, count = app.m.RecCount;
    const int16_t mm = app.m.MmPerPulse;
    exported();
    EXPECT_EQ(app.m.RecPtr, ptr);
    EXPECT_EQ(app.m.RecCount, count);
    EXPECT_EQ(app.m.LapCur, 2);
    EXPECT_EQ(app.m.MmPerPulse, mm);
}

TEST_F(Export, DeletedLapsAndLapsOutsideTheRingAreSkipped) {
    app.m.LapTbl[2][1][10] = 51;
    // Lap 3 starts further from lap 1 than the ring holds.
    const int s0 = lapWord(app.m, 1, 1, 30);
    const int far = s0 + app.m.MemRecs + 10;
    app.m.LapTbl[3][1][30] = static_cast<uint8_t>(far >> 8);
    app.m.LapTbl[3][1][31] = static_cast<uint8_t>(far & 255);
    std::vector<std::string> lines = exported();
    EXPECT_EQ(lines.size(), linesOfLap(mem.laps[0]));
    for (const auto& l : lines) EXPECT_THAT(l, ::testing::Not(StartsWith("L,2,")));
}

TEST_F(Export, NoLogOpenedSaysSoInsteadOfWritingTxt) {
    TestApp fresh;
    loadEnglish(fresh.m);
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    TEXT_SAVE_Click(fresh.m, fresh.f, st, fresh.s);
    std::filesystem::current_path(cwd);
    ASSERT_EQ(fresh.ui.messages.size(), 1u);
    EXPECT_EQ(fresh.ui.messages[0].text, lang(fresh.m, 128));
    EXPECT_FALSE(std::filesystem::exists(dir.file("txt")));
}

TEST_F(Export, ReplacesTheOldExportAndAnnouncesIt) {
    writeFile(app.m.TextFileName, "old");
    TEXT_SAVE_Click(app.m, app.f, st, app.s);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, "ファイル書き込み終了しました。");
    EXPECT_THAT(readFile(app.m.TextFileName), StartsWith("L,1,"));
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 2);  // the log and its export, no temporary
}

TEST_F(Export, LetsEventsRunEveryFewThousandRecords) {
    const int before = app.pump.passes;
    exported();
    const int passes = app.pump.passes - before;
    EXPECT_GE(passes, 3);  // once per lap at least
    EXPECT_LE(passes, 3 + static_cast<int>(mem.records.size()) / 1000);
}

TEST(ExportBounds, LapWithoutClosingMarkerStopsAtTheLastSlot) {
    TestApp app;
    auto& m = app.m;
    m.LapFirst = m.LapLast = 1;
    m.MemRecs = 53248;
    m.LapTbl[1][1][30] = 0;
    m.LapTbl[1][1][31] = 16;
    // A lap starting at image index 0 of an image with no lap marker at all.
    for (auto& r : m.LogMem) r.fill(1);
    m.LogMem[0][2] = 0;
    m.LogMem[0][3] = 200;
    m.LogMem[0][6] = 255;
    Form3State st;
    TempDir dir;
    int64_t lines = 0;
    std::string error;
    ASSERT_TRUE(text_export(m, app.f, st, app.s, dir.file("x.txt"), &lines, &error)) << error;
    EXPECT_EQ(lines, kMaxRecord + 1);
}

}  // namespace
}  // namespace vt::test
