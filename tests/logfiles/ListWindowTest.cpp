// The list window: the lap, lap-and-segment and one-segment lists of a two-lap log whose lap
// table is filled by hand (every expected line worked out from the summary values, column by
// column), the list height, the segment question and the parameter display; then picking and
// selecting lap lines, deleting and restoring laps, print, and the text export.
#include <filesystem>

#include "LogTestSupport.h"
#include "course/LapChoice.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "logfiles/ParaDisp.h"
#include "support/Allocations.h"

namespace vt::test {
namespace {

// Lap 1 at 200 mm per pulse (speed 0.72 x count, distance 2 x pulses tenths), lap 2 at 250
// (0.9 x count, 2.5 x pulses).
LogImage twoLaps(int speedUnit = 0) {
    LogImage img(1, 2, speedUnit);
    //                 time  rpm lo/hi  speed lo/hi  G   T1 lo/hi  T2 lo/hi  pulses
    img.segment(1, 1, {2000, 160, 240, 100, 250, 60, 80, 90, 100, 110, 5000});
    img.segment(1, 2, {3000, 120, 260, 50, 270, 200, 78, 95, 99, 115, 7500});
    img.segment(1, 3, {2500, 140, 250, 80, 260, 10, 85, 92, 105, 112, 2500});
    img.set16(1, 1, 28, 200);
    img.segment(2, 1, {1900, 150, 230, 100, 200, 20, 70, 100, 100, 120, 4000});
    img.segment(2, 2, {3100, 130, 270, 40, 300, 236, 72, 99, 90, 130, 6000});
    img.segment(2, 3, {2400, 160, 220, 60, 210, 100, 75, 98, 95, 125, 2200});
    img.set16(2, 1, 28, 250);
    return img;
}

// Their lap-list lines (Text1 adds CR LF to each).
const std::string kLap2 = "   2  1:14.00   4875~10125  36~270       4    70~ 100    90~ 130     3050.0";
const std::string kLap1 = "   1  1:15.00   4500~ 9750  36~194     2.4    78~  95    99~ 115     3000.0";

const std::string kNoTimes(18, ' ');  // segments 4 and 5 of the lap-and-segment list
const std::string kRule = "  " + std::string(76, '-');

// One lap of n segments of `time` + s centiseconds each.
LogImage oneLap(int n, int time) {
    LogImage img(1, 1);
    for (int s = 1; s <= n; ++s) img.segment(1, s, {time + s, 100, 100, 100, 100, 0, 1, 2, 3, 4, 100});
    img.set16(1, 1, 28, 200);
    return img;
}

LogImage changed(int lap, int seg, int byte, int value) {  // the two laps, one summary word changed
    LogImage img = twoLaps();
    img.set16(lap, seg, byte, value);
    return img;
}

using Lists = LogTest;

TEST_F(Lists, ListTextsOfTheHandFilledLog) {
    // Lap 2: 19.00 + 31.00 + 24.00 s; rpm 4875..10125 (count x 75 / 2); speed 36..270; G +4.00
    // beats -0.80; temperatures 70..100 and 90..130; (10000 + 15000 + 5500) tenths = 3050.0 m.
    // Lap 1: rpm 4500..9750; speed 36..194 (270 x 0.72 = 194.4); G 2.40 beats -2.24. In miles:
    // speeds x 0.621, lengths x 0.000621.
    const struct {
        int mode, seg, unit, title;
        const char* head;
        std::vector<std::string> lines;
    } cases[] = {
        // clang-format off
        {0, 0, 0, 69, "  LAP   TIME    rpm MIN~MAX   km/h   G MAX     TMP.1     TMP.2      LENGTH m", {kLap2, kLap1}},
        {0, 0, 1, 69, "  LAP   TIME    rpm MIN~MAX   M/h    G MAX     TMP.1     TMP.2      LENGTH M",
         {"   2  1:14.00   4875~10125  22~168       4    70~ 100    90~ 130      1.894",
          "   1  1:15.00   4500~ 9750  22~120     2.4    78~  95    99~ 115      1.863"}},
        {1, 0, 0, 66, "  LAP   TIME    1.SEG    2.SEG    3.SEG    4.SEG    5.SEG   rpm MIN~MAX   km/h",
         {"   2  1:14.00 *0:19.00  0:31.00 *0:24.00 " + kNoTimes + " 4875~10125  36~270 ",
          "   1  1:15.00  0:20.00 *0:30.00  0:25.00 " + kNoTimes + " 4500~ 9750  36~194 ", kRule,
          "   2  1:14.00  0:19.00  0:31.00  0:24.00 ",
          " THEO 1:13.00  0:19.00  0:30.00  0:24.00 ",
          " DELA 0:01.00  0:00.00  0:01.00  0:00.00 "}},
        {2, 2, 0, 67, "  LAP   TIME      2.SEG    rpm MIN~MAX   km/h    G MAX     TMP.1     TMP.2",
         {"   2  1:14.00    0:31.00   4875~10125   36~ 270     -.8    72~  99    90~ 130 ",
          "   1  1:15.00    0:30.00   4500~ 9750   36~ 194   -2.24    78~  95    99~ 115 "}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head);
        read(twoLaps(c.unit));
        build(c.mode, c.seg);
        EXPECT_EQ(st.Text2, c.head);
        EXPECT_EQ(lines(), c.lines);
        EXPECT_EQ(st.Label2.Caption, lang(app.m, c.title));
        EXPECT_EQ(st.Label4.Caption + st.Label6.Caption, " 2 1:14.00");  // best_show in every mode
        for (Control* b : {&st.Command1, &st.DEL, &st.Re_Save, &st.UN_DO, &st.TEXT_SAVE})
            EXPECT_EQ(b->Visible, c.mode == 0);  // editing is for the lap list only
    }
}

TEST_F(Lists, EdgeCasesOfTheLapLines) {
    const std::string b14(14, ' ');
    const struct {
        const char* what;
        LogImage (*image)();
        int mode, bestLap;
        std::vector<std::string> lines;
    } cases[] = {
        // clang-format off
        {"lap 1 ends before its first segment: best, with empty ranges", [] { return changed(1, 1, 0, 0); }, 0, 1,
         {kLap2, "   1  0:00.00     -1~    0  -1~  0       0    -1~   0    -1~   0     1000.0"}},
        // Byte 10 = 51 marks lap 2 deleted (byte 11, its G, stays 20).
        {"lap 2 deleted: dashed, never best", [] { return changed(2, 1, 10, 51 << 8 | 20); }, 0, 1, {kDashedLine, kLap1}},
        {"lap 2 deleted: lap 1 holds every best segment", [] { return changed(2, 1, 10, 51 << 8 | 20); }, 1, 1,
         {kDashedLine, "   1  1:15.00 *0:20.00 *0:30.00 *0:25.00 " + kNoTimes + " 4500~ 9750  36~194 "}},
        {"twelve segments take three lines", [] { return oneLap(12, 1000); }, 1, 1,
         {"   1  2:00.78 *0:10.01 *0:10.02 *0:10.03 *0:10.04 *0:10.05  3750~ 3750  72~ 72 ",
          b14 + "*0:10.06 *0:10.07 *0:10.08 *0:10.09 *0:10.10 ", b14 + "*0:10.11 *0:10.12 ", kRule}},
        {"equal times: the higher lap keeps the mark and the best", [] { return changed(1, 3, 0, 2400); }, 1, 2,
         {"   2  1:14.00 *0:19.00  0:31.00 *0:24.00 " + kNoTimes + " 4875~10125  36~270 ",
          "   1  1:14.00  0:20.00 *0:30.00  0:24.00 " + kNoTimes + " 4500~ 9750  36~194 "}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        read(c.image());
        build(c.mode);
        const std::vector<std::string> l = lines();
        ASSERT_GE(l.size(), c.lines.size());
        EXPECT_EQ(std::vector(l.begin(), l.begin() + static_cast<long>(c.lines.size())), c.lines);
        EXPECT_EQ(st.BestLap, c.bestLap);
    }
}

TEST_F(Lists, FifteenSegmentsReadSegment16AsTheEndAndCountItsLength) {
    read(oneLap(15, 99));
    app.m.LapTbl[1][16][21] = 50;  // never loaded from a file, but summed
    build(0);
    // 100 + 101 + ... + 114 cs = 16.05 s; (15 x 100 + 50) pulses x 2 tenths = 310.0 m.
    EXPECT_THAT(lines()[0], StartsWith("   1  0:16.05 "));
    EXPECT_EQ(lines()[0].substr(67), "   310.0");
}

TEST_F(Lists, ListSizeRowsByModeAndCap) {
    const int16_t cases[][4] = {{1, 10, 0, 9 * 180 + 2400}, {1, 10, 1, 26 * 180 + 2400}, {1, 60, 0, 30 * 180 + 2400}};
    for (const auto& [first, last, mode, twips] : cases) {
        app.m.LapFirst = first, app.m.LapLast = last, app.m.SelLap = mode;
        list_size(app.m, st);
        EXPECT_EQ(st.HeightTwips, twips) << last << " mode " << mode;
    }
}

TEST_F(Lists, SegmentQuestionRoundsAndAsksAgain) {
    // Halves go to the even neighbour.
    const std::pair<const char*, int> answers[] = {{"3.6", 4}, {"2.5", 2}, {"15.4", 15}, {"16", 0}, {"0", 0}, {"x", 0}};
    for (const auto& [text, seg] : answers) EXPECT_EQ(segment_number(text), seg) << text;
    app.ui.inputAnswers = {"16", "3.6"};
    EXPECT_EQ(ask_segment(app.m, app.s), 4);
    EXPECT_TRUE(lastMessageIs(156, MsgIcon::Question));
    EXPECT_EQ(app.ui.beeps, 1);
    EXPECT_EQ(ask_segment(app.m, app.s), 0);  // cancelled
}

TEST_F(Lists, ParameterDisplayFromTheHeader) {
    LogImage img(1, 1, 1);
    const uint8_t header[] = {3, 0x36, 0x27, 0x10, 2, 0x21, 0x05, 0xBE, 0, 0, 0, 1, 0, 120, 1, 44};
    std::copy(std::begin(header), std::end(header), img.head.begin());
    read(img);
    ParaDispState para;
    para_list_Click(app.m, para);
    // Course 3 and tacho setting 6, 10000 rpm, pressure range 2, BIKE, A/F 1470, 120 and 300 deg.C.
    const char* texts[] = {" 0 mm/p ", "  m/h", " P: 8",     " 10000 rpm", " 100 kg/cm",
                           "   BIKE",  " 14.7", " 120deg.C", " 300deg.C",  " 3"};
    for (size_t i = 0; i < ParaDispState::kBoxes.size(); ++i)
        EXPECT_EQ((para.*(ParaDispState::kBoxes[i].box)).Caption, texts[i]) << ParaDispState::kBoxes[i].name;
    EXPECT_EQ(taco_text(9), " P:Non ");
    for (const char* model : {" NORMAL", "    CAR"}) {
        model_name_Click(app.m, para);
        EXPECT_EQ(para.model_name.Caption, model);
    }
    EXPECT_EQ(app.m.CarType, 0);  // the display's own choice
}

// One-segment laps 1..n; with the five default times lap 3 is the fastest (1:10.00), then lap 5.
struct Picking : LogTest {
    void SetUp() override {
        LogTest::SetUp();
        laps({7600, 7500, 7000, 7700, 7200});
    }
    void laps(const std::vector<int>& times) {
        LogImage img(1, static_cast<int>(times.size()));
        for (int lap = 1; lap <= img.last; ++lap)
            img.segment(lap, 1, {times[static_cast<size_t>(lap - 1)], 100, 200, 50, 100, 10, 1, 2, 3, 4, 1});
        read(img);
        build(0);
        // Lengths under 10 m still fill their column, so every line is 77 characters.
        ASSERT_EQ(st.Text1.size(), times.size() * kLapLineChars);
    }
    // Button down at `caret`, up at height upY with `length` characters selected (or the line).
    void drag(int32_t caret, int32_t length = -1, float upY = 30) {
        Text1_MouseDown(st, caret, 10);
        if (length >= 0) st.SelLength = length;
        Text1_MouseUp(app.m, st, app.s, upY);
    }
    bool deleted(int lap) const { return app.m.LapTbl[static_cast<size_t>(lap)][1][10] == 51; }
};

TEST_F(Picking, SelectionsGiveTheLapsOfTheirLines) {
    // Lines show laps 5, 4, 3, 2, 1. DelList holds the laps and 0, and nothing past it is
    // written (it was -1); no lap is an invalid pick.
    const struct {
        int32_t caret, length;
        float upY;
        int lapFirst, selected;
        std::vector<int> laps;
    } cases[] = {
        // clang-format off
        {80, -1, 30, 1, 77, {4, 0, -1}},          // a click: its line, from the line's start
        {0, 80, 30, 1, 80, {5, 0, -1}},           // a remainder of 3 is no line,
        {0, 81, 30, 1, 81, {5, 4, 0, -1}},        // of 4 one
        {77, 231, 30, 1, 231, {4, 3, 2, 0, -1}},
        {0, 3, 30, 1, 3, {}},                     // too short
        {80, 154, 5, 1, 0, {}},                   // moved upwards
        {308, -1, 30, 2, 77, {}},                 // lap 1 outside the log
        {388, -1, 30, 1, 0, {}},                  // past the last line end
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.caret << "+" << c.length << " up " << c.upY);
        app.m.LapFirst = static_cast<int16_t>(c.lapFirst);
        app.ui.messages.clear();
        app.ui.beeps = 0;
        app.m.DelList.fill(-1);
        drag(c.caret, c.length, c.upY);
        EXPECT_EQ(st.SelLength, c.selected);
        EXPECT_EQ(st.PickLap, c.laps.empty() ? 0 : c.laps[0]);
        EXPECT_EQ(app.ui.beeps, c.laps.empty() ? 1 : 0);
        EXPECT_EQ(lastMessageIs(79, MsgIcon::Question), c.laps.empty());
        const auto from = app.m.DelList.begin() + 1;
        EXPECT_EQ(std::vector<int>(from, from + static_cast<long>(c.laps.size())), c.laps);
    }
}

TEST_F(Picking, DeleteThreeSelectedLinesUndoThenPick) {
    using Click = void (*)(Module1&, Form3State&, Services&);
    for (Click click : {Click{DEL_Click}, Click{Command1_Click}}) {  // nothing picked yet
        click(app.m, st, app.s);
        EXPECT_TRUE(lastMessageIs(79, MsgIcon::Question) && !st.Unloaded);
    }
    drag(77, 3 * 77);  // laps 4, 3, 2
    DEL_Click(app.m, st, app.s);
    for (int lap = 1; lap <= 5; ++lap) EXPECT_EQ(deleted(lap), lap >= 2 && lap <= 4) << lap;
    for (size_t i : {1, 2, 3}) EXPECT_EQ(lines()[i], kDashedLine);
    EXPECT_EQ(st.Label4.Caption + st.Label6.Caption, " 5 1:12.00");  // the best of the laps left
    UN_DO_Click(app.m, st);
    for (int lap = 1; lap <= 5; ++lap) EXPECT_FALSE(deleted(lap));
    EXPECT_EQ(st.Label4.Caption + st.Label6.Caption, " 3 1:10.00");
    drag(2 * 77);  // the pick button hands lap 3 back and closes the window
    Command1_Click(app.m, st, app.s);
    EXPECT_TRUE(app.m.SelLap == 3 && st.Unloaded);
}

TEST_F(Picking, AllLinesOfAHundredLapsFitDelList) {
    laps(std::vector<int>(100, 1000));
    drag(0, static_cast<int32_t>(st.Text1.size()));
    EXPECT_EQ(std::pair(st.PickLap, app.m.DelList[100]), (std::pair<int16_t, int16_t>(100, 1)));
    DEL_Click(app.m, st, app.s);
    for (int lap = 1; lap <= 100; ++lap) EXPECT_TRUE(deleted(lap)) << lap;
}

TEST_F(Picking, PrintHidesTheButtonsWhileTheImageIsTaken) {
    build(1);  // the edit buttons stay hidden outside the lap list
    const std::array<Control*, 5> buttons = {&st.Command2, &st.Command1, &st.DEL, &st.Re_Save, &st.UN_DO};
    Command2_Click(app.m, st, app.s, [&](std::string* error) {
        for (Control* c : buttons) EXPECT_FALSE(c->Visible);
        *error = "printer on fire";
        return false;
    });
    for (Control* c : buttons) EXPECT_EQ(c->Visible, c == &st.Command2);
    EXPECT_EQ(app.ui.messages.at(0).text, "printer on fire");
}

TEST(ExportLine, FieldsAndPressureRanges) {
    TestApp app;
    app.m.ReplayOn = kTrue;  // angle mode: channel 1 is signed
    app.m.RecCount = 100, app.m.MmPerPulse = 200, app.m.TachoPulse = 1, app.m.CourseLen = 32760;
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

struct Export : LogTest {
    loggen::LoggerMemory mem;
    std::size_t allocations = 0;
    std::string notes;  // what the export says it left out
    void SetUp() override {
        LogTest::SetUp();
        mem = openGenerated({.laps = 3, .segments = 3});
    }
    std::vector<std::string> exported() {
        int64_t lines = 0;
        std::string error;
        const std::size_t before = allocationCount();
        EXPECT_TRUE(text_export(app.m, app.f, st, app.s, app.m.TextFileName, &lines, &error, &notes)) << error;
        allocations = allocationCount() - before;
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

TEST_F(Export, EveryLapFromItsLapMarkerToTheNextWithoutAllocatingPerRecord) {
    ASSERT_TRUE(choose_lap(app.m, app.f, app.s, 2));  // the lap chosen in the main window stays chosen
    const auto chosen = std::tuple(app.m.RecPtr, app.m.RecCount, app.m.LapCur, app.m.MmPerPulse);
    const int passes = app.pump.passes;
    std::vector<std::string> lines = exported();
    size_t at = 0;
    for (const auto& lap : mem.laps) {
        // Each lap opens and closes with an L line carrying its number and first segment time.
        const std::string head = "L," + std::to_string(lap.number) + "," + timeText(lap.segmentTimesCs[0]) + ",";
        ASSERT_LT(at, lines.size());
        EXPECT_THAT(lines[at], StartsWith(head));
        at += linesOfLap(lap);
        EXPECT_THAT(lines[at - 1], StartsWith(head));
    }
    EXPECT_EQ(lines.size(), at);
    int segLines = 0;
    for (const auto& l : lines) {
        EXPECT_EQ(std::count(l.begin(), l.end(), ','), 13) << l;
        segLines += l.rfind("S,2,", 0) == 0 || l.rfind("S,3,", 0) == 0;
    }
    EXPECT_EQ(std::pair(segLines, notes), std::pair(3 * 2, std::string()));  // the record after each segment marker
    EXPECT_THAT(lines[1], StartsWith("G,,,"));
    EXPECT_EQ(std::tuple(app.m.RecPtr, app.m.RecCount, app.m.LapCur, app.m.MmPerPulse), chosen);
    EXPECT_EQ(std::tuple(app.m.ReplayOn, app.m.SelLap, app.f.Label1.Caption), std::tuple(0, 0, ""));
    // Events run once per lap and every few thousand records; allocations come with the file
    // and each lap's status text, none with a record.
    EXPECT_GE(app.pump.passes - passes, 3);
    EXPECT_LE(app.pump.passes - passes, 3 + static_cast<int>(mem.records.size()) / 1000);
    ASSERT_GT(lines.size(), 1500u);
    EXPECT_LT(allocations, 40u + 10u * 3);
}

TEST_F(Export, DeletedLapsAndLapsOutsideTheRingAreSkipped) {
    app.m.LapTbl[2][1][10] = 51;
    // Lap 3 starts further from lap 1 than the ring holds.
    const int far = lapWord(app.m, 1, 1, 30) + app.m.MemRecs + 10;
    app.m.LapTbl[3][1][30] = static_cast<uint8_t>(far >> 8);
    app.m.LapTbl[3][1][31] = static_cast<uint8_t>(far & 255);
    EXPECT_EQ(exported().size(), linesOfLap(mem.laps[0]));
}

// Whatever the lap table and markers say, the export reads no record the file does not hold
// and no record twice, and says what it left out.
TEST_F(Export, ADamagedLapTableExportsNoMoreThanTheFileHolds) {
    const auto held = static_cast<size_t>(app.m.RecLast);
    for (size_t n = held + 1; n < app.m.LogMem.size(); ++n) app.m.LogMem[n].fill(1);  // not the file's
    size_t whole = 0;
    for (const auto& lap : mem.laps) whole += linesOfLap(lap);

    // The last lap's closing marker lost: that lap runs to the file's last record.
    app.m.LogMem[held][6] = 1;
    EXPECT_EQ(exported().size(), whole);
    EXPECT_EQ(notes, "lap 3 not closed by a lap marker: exported up to the last record of the file");

    // Every lap starting where lap 1 does, and no lap marker at all: lap 1 takes every record
    // once, laps 2 and 3 are left out.
    size_t segmentMarkers = 0;
    for (size_t n = 0; n <= held; ++n) {
        if (app.m.LogMem[n][6] == 255) app.m.LogMem[n][6] = 1;
        segmentMarkers += app.m.LogMem[n][6] == 254;
    }
    for (int lap = 2; lap <= 3; ++lap) {
        app.m.LapTbl[static_cast<size_t>(lap)][1][30] = app.m.LapTbl[1][1][30];
        app.m.LapTbl[static_cast<size_t>(lap)][1][31] = app.m.LapTbl[1][1][31];
    }
    EXPECT_EQ(exported().size(), held + 1 - segmentMarkers);
    EXPECT_EQ(notes,
              "laps 2, 3 start inside an earlier lap's records (a damaged lap table): left out; lap 1 not closed by a "
              "lap marker: exported up to the last record of the file");
}

TEST_F(Export, ReplacesTheOldExportAndNeedsALog) {
    writeFile(app.m.TextFileName, "old");
    TEXT_SAVE_Click(app.m, app.f, st, app.s);
    EXPECT_EQ(app.ui.messages.at(0).text, "ファイル書き込み終了しました。");
    EXPECT_THAT(readFile(app.m.TextFileName), StartsWith("L,1,"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // no temporary

    app.m.TextFileName.clear();  // no log opened: no name to write under, and it says so
    TEXT_SAVE_Click(app.m, app.f, st, app.s);
    EXPECT_TRUE(lastMessageIs(128));
}

}  // namespace
}  // namespace vt::test
