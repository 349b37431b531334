// The course editor: its thresholds, the split's closing, absorbing and joining rules, the
// fifteen-segment limit, the rebuilt records with their markers, the smoothing and
// zero offset, the dialog's settings, the guards, the menu entry's course from start to save and
// the saved file read back; and courses made from generated laps of real circuits, whose corners
// must be the circuit's corners.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "course/CourseList.h"
#include "course/CourseTestSupport.h"
#include "platform/NumText.h"

namespace vt::test {
namespace {

// A row of edit_dat: distance pulses and (smoothed) lateral G in counts.
struct Row {
    int pulses, g;
};
std::vector<Row> run(int count, int g, int pulses = 10) {
    return std::vector<Row>(static_cast<size_t>(count), {pulses, g});
}
std::vector<Row> operator+(std::vector<Row> a, const std::vector<Row>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Editor : CourseData {
    void SetUp() override {
        CourseData::SetUp();
        m.MmPerPulse = 200;
        m.HdrWord8 = 50;   // 12 counts
        m.HdrByte10 = 30;  // 7 counts
        m.SegMinLen = 0;
        m.MemRecs = 20480;
        m.RecPtr = m.MemRecs;
        page(0, {{'S', 9999}, {'R', 9999}, {'L', 9999}, {'S', 9999}});  // what the logged lap left
    }
    // Splits these rows as edit_segment does.
    void split(const std::vector<Row>& rows) {
        f.EditCount = static_cast<int32_t>(rows.size());
        for (size_t k = 0; k < rows.size(); ++k) f.edit_dat[k] = {rows[k].pulses, rows[k].g, 0, 101};
        edit_segment(m, f);
    }
    // Segments as "S40 R20 ...".
    std::string list() const {
        std::string out;
        for (const auto& [letter, pulses] : segments())
            out += (out.empty() ? "" : " ") + std::string(1, letter) + std::to_string(pulses);
        return out;
    }
};

TEST_F(Editor, ThresholdsInCountsAndTheMinimumLengthInPulses) {
    // in G, out G (0.01 G), min length m, mm per pulse, inC, outC, minP
    const std::tuple<int, int, int, int, int, int, int> cases[] = {
        {50, 30, 0, 200, 12, 7, 0}, {500, 500, 7, 333, 127, 127, 21}, {0, 0, 50, 0, 0, 0, 0}};
    for (const auto& [in, out, len, mm, inC, outC, minP] : cases) {
        m.HdrWord8 = static_cast<int16_t>(in);
        m.HdrByte10 = static_cast<int16_t>(out);
        m.SegMinLen = static_cast<int16_t>(len);
        m.MmPerPulse = static_cast<int16_t>(mm);
        const EditThresholds t = edit_thresholds(m);
        EXPECT_EQ(std::tuple(t.inC, t.outC, t.minP), std::tuple(inC, outC, minP)) << in << " " << out << " " << len;
    }
}

TEST_F(Editor, SplitRules) {
    const std::tuple<const char*, int, std::vector<Row>, const char*> cases[] = {
        // what, min length (m; 10 m = 50 pulses), rows, segments
        {"every crossing closes a segment", 0, run(3, 0) + run(2, 20) + run(3, 0), "S40 R20 S20"},
        {"a corner of one pulse", 0, run(1, 0, 1) + run(1, -20, 1) + run(1, 0, 1), "S2 L1 S0"},
        {"the entry threshold itself starts a corner", 0, run(2, 0) + run(2, 12) + run(2, 0), "S30 R20 S10"},
        {"11 counts do not", 0, run(2, 0) + run(2, 11) + run(2, 0), "S60"},
        {"the exit threshold ends a corner", 0, run(2, 0) + run(1, 20) + run(1, 7) + run(2, 0), "S30 R10 S20"},
        {"8 counts keep it", 0, run(2, 0) + run(1, 20) + run(1, 8) + run(2, 0), "S30 R20 S10"},
        {"a lap starting in a corner at standstill", 0, run(1, 20, 0) + run(2, 20) + run(2, 0), "R30 S10"},
        {"a corner at the minimum is absorbed too", 10, run(10, 0) + run(5, 20) + run(10, 0), "S250"},
        {"a longer corner stays", 10, run(10, 0) + run(6, 20) + run(10, 0), "S110 R60 S90"},
        {"a short straight joins corners of one direction", 10,
         run(10, 0) + run(10, -20) + run(3, 0) + run(10, -20) + run(10, 0), "S110 L230 S90"},
        {"between opposite corners it is part of the second", 10,
         run(10, 0) + run(10, -20) + run(3, 0) + run(10, 20) + run(10, 0), "S110 L100 R130 S90"},
        {"a short first corner takes the straight's letter back", 10, run(2, 20) + run(1, 0) + run(20, 0), "S230"},
    };
    for (const auto& [what, minLength, rows, expected] : cases) {
        m.SegMinLen = static_cast<int16_t>(minLength);
        page(0, {{'S', 9999}, {'R', 9999}, {'L', 9999}, {'S', 9999}});
        split(rows);
        EXPECT_EQ(list(), expected) << what;
        int total = 0;
        for (const Row& r : rows) total += r.pulses;
        for (const auto& seg : segments()) total -= seg.second;
        EXPECT_EQ(total, 0) << what;  // nothing of the lap lost
    }
}

TEST_F(Editor, AfterFifteenSegmentsTheRestOfTheLapIsOne) {
    std::vector<Row> rows = run(5, 0);
    for (int c = 0; c < 12; ++c) rows = rows + run(3, c % 2 ? 20 : -20) + run(5, 0);
    split(rows);
    const auto made = segments();
    ASSERT_EQ(made.size(), 15u);
    EXPECT_EQ(made[0], std::make_pair('S', 60));
    EXPECT_EQ(made[13], std::make_pair('L', 30));          // the seventh corner
    EXPECT_EQ(made[14], std::make_pair('S', 1010 - 570));  // the 15th takes the rest of the lap
    EXPECT_EQ(lapWord(m, 0, 16, 0), 0);                    // the list ends at entry 16
    seg_text_build(m, f, app.pump);
    EXPECT_EQ(f.seg_str[15], "S88");  // the texts stop at 15 as well
    EXPECT_EQ(f.seg_str[16], "");
}

TEST_F(Editor, ASegmentBeyondSixteenBitsIsHeldAndMarksNoMoreBoundaries) {
    // A straight of 69900 pulses is kept as 65535; the records of its rest must not be taken for
    // boundaries the list does not have (the entry after the list still holds a stale length).
    split(run(5, 0) + run(2, 20) + run(700, 0, 100));
    EXPECT_EQ(list(), "S60 R110 S65535");
    std::vector<int32_t> markers;
    for (int32_t j = 1; j <= m.RecCount; ++j)
        if (m.LogMem[static_cast<size_t>(m.RecPtr + j)][6] == 254) markers.push_back(j);
    EXPECT_EQ(markers, (std::vector<int32_t>{8, 11}));
    EXPECT_EQ(m.RecCount, 707 + 2);
}

// A logged lap in the image: its first record (lap marker, 200 mm a pulse), then its samples
// with the logger's own segment markers every 40 records.
void logLap(Module1& m, const std::vector<Row>& rows) {
    m.LogMem[0] = {};
    m.LogMem[0][3] = 200;
    m.LogMem[0][6] = 255;
    int32_t n = 1;
    for (size_t k = 0; k < rows.size(); ++k) {
        if (k > 0 && k % 40 == 0) {
            m.LogMem[static_cast<size_t>(n)] = {};
            m.LogMem[static_cast<size_t>(n++)][6] = 254;
        }
        auto& r = m.LogMem[static_cast<size_t>(n++)];
        r = {};
        r[0] = static_cast<uint8_t>(static_cast<int8_t>(rows[k].g));
        r[1] = 7;  // lean angle: kept as copied
        r[5] = 99;
        r[13] = 140;  // 100.8 km/h
        r[15] = static_cast<uint8_t>(rows[k].pulses);
    }
    m.RecPtr = 0;
    m.RecCount = n - 1;
}

TEST_F(Editor, RebuiltRecordsMarkTheNewBoundaries) {
    // A square: four straights of 40 records and four right corners of 20 records (28 counts,
    // 1.1 G: a quarter turn each at this speed).
    std::vector<Row> rows;
    for (int side = 0; side < 4; ++side) rows = rows + run(40, 0, 70) + run(20, 28, 70);
    logLap(m, rows);
    m.LapCur = 2;
    page(2, {{'S', 100}, {'S', 100}});
    const int32_t logged = m.RecCount;
    edit_prepare(m, f, app.pump);
    const auto copied = m.LogMem;
    EXPECT_EQ(m.LapCur, 0);
    EXPECT_EQ(m.RecPtr, m.MemRecs);
    EXPECT_EQ(f.EditCount, 240);
    m.HdrWord8 = 50;
    m.HdrByte10 = 50;
    m.SegMinLen = 0;
    edit_segment(m, f);
    // The three-row smoothing starts each corner a row early and ends it on its last row; the
    // last corner ends the lap, leaving an empty straight.
    EXPECT_EQ(list(), "S2800 R1400 S2800 R1400 S2800 R1400 S2800 R1400 S0");
    EXPECT_EQ(m.RecCount, 240 + 7);  // the empty last straight has no rows, so no boundary to mark

    // One marker record after the first row of each new segment; none of the logger's own left;
    // the samples keep lean angle, speed and pulses, bytes 2..11 cleared.
    std::vector<int32_t> markers;
    for (int32_t j = 1; j <= m.RecCount; ++j) {
        const auto& r = m.LogMem[static_cast<size_t>(m.RecPtr + j)];
        if (r[6] == 254) {
            EXPECT_TRUE(r[0] == 0 && r[7] == 238) << j;
            markers.push_back(j);
        } else {
            const int lean = copied[static_cast<size_t>(m.RecPtr + j)][1];
            EXPECT_EQ(std::vector<int>({r[1], r[5], r[13], r[15]}), std::vector<int>({lean, 0, 140, 70})) << j;
        }
    }
    EXPECT_EQ(markers, (std::vector<int32_t>{42, 64, 106, 128, 170, 192, 234}));
    EXPECT_EQ(m.LogMem[static_cast<size_t>(m.RecPtr)][6], 255);  // the lap's first record as copied
    EXPECT_EQ(logged, 240 + 5);
}

TEST_F(Editor, SmoothingWrapsAndTheZeroOffsetIsTakenOnlyWhenSwitchedOn) {
    const std::tuple<std::vector<int>, const char*, int, std::vector<int>> cases[] = {
        // G counts, CHK_AVR, car type, rows after preparing
        {{3, 0, 0, -4}, "OFF", 0, {1, -2, -1, -2}},
        {{3, 0, 0, -4}, "ON", 0, {2, -1, 0, -1}},  // offset -1: the mean of the rows there are
        {{3, 0, 0, -4}, "ON", 3, {1, -2, -1, -2}},
        // smoothed 6 6 6 4 2 0 0 0 0 1 | 3 5: the first ten make 25, an offset of 2 (halves to even)
        {{6, 6, 6, 6, 6, 1, 0, 0, 0, 0, 0, 3}, "ON", 0, {4, 4, 4, 2, 0, -2, -2, -2, -2, -1, 1, 3}},
        // rounded down also below zero: -6 -6 -6 -5 -3 -1 0 0 0 -1 | -3 -5, an offset of -3
        {{-6, -6, -6, -6, -6, -1, 0, 0, 0, 0, 0, -3}, "ON", 0, {-3, -3, -3, -2, 0, 2, 3, 3, 3, 2, 0, -2}},
    };
    for (const auto& [g, avr, carType, expected] : cases) {
        std::vector<Row> rows;
        for (int v : g) rows.push_back({10, v});
        logLap(m, rows);
        f.CHK_AVR.Caption = avr;
        m.CarType = static_cast<int16_t>(carType);
        m.LapCur = 0;
        edit_prepare(m, f, app.pump);
        std::vector<int> got;
        for (int32_t k = 0; k < f.EditCount; ++k) got.push_back(f.edit_dat[static_cast<size_t>(k)][1]);
        EXPECT_EQ(got, expected) << avr << " " << carType;
        EXPECT_EQ(f.edit_dat[0][2], 7);    // lean angle
        EXPECT_EQ(f.edit_dat[0][3], 140);  // speed count
    }
}

TEST_F(Editor, LapsThatDoNotFitAreRefusedClearly) {
    const std::tuple<const char*, int, int32_t, int32_t, int, const char*> cases[] = {
        // what, mm per pulse, memory size, sample records, marker records, the refusal says
        {"fits", 200, 53248, 6001, 10, ""},
        {"6002 samples", 200, 53248, 6002, 0, "the editor takes at most 6001"},
        {"no distance per pulse", 0, 12288, 100, 0, "no distance per pulse"},
        {"a copy past 65000", 200, 60000, 4990, 10, "would pass record 65000"},
    };
    for (const auto& [what, mm, memRecs, samples, markers, says] : cases) {
        m.MmPerPulse = static_cast<int16_t>(mm);
        m.MemRecs = memRecs;
        m.RecPtr = 0;
        m.RecCount = samples + markers - 1;  // records 0 .. RecCount
        for (int32_t n = 0; n <= m.RecCount; ++n) m.LogMem[static_cast<size_t>(n)][6] = n < markers ? 254 : 0;
        const std::string why = edit_refusal(m);
        if (*says == '\0')
            EXPECT_EQ(why, "") << what;
        else
            EXPECT_THAT(why, HasSubstr(says)) << what;
    }
    // The menu entry says it and leaves the lap as it was.
    m.MmPerPulse = 0;
    m.CourseLen = 1000;
    m.LapCur = 3;
    m.LogMem[static_cast<size_t>(m.MemRecs)][0] = 77;
    CorseParaState st;
    bool shown = false;
    f.windows.Corse_para = [&] { shown = true; };
    Corse_edit_Click(m, f, app.s, st);
    EXPECT_FALSE(shown);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_THAT(app.ui.messages[0].text, StartsWith(lang(m, 99) + ": no distance per pulse"));
    EXPECT_EQ(std::tuple(m.LapCur, m.RecPtr, m.LogMem[static_cast<size_t>(m.MemRecs)][0]), std::tuple(3, 0, 77));
}

TEST_F(Editor, DialogKeepsOutGAtOrBelowInGAndShowsItsSettings) {
    CorseParaState st;
    m.HdrWord8 = 50;
    m.HdrByte10 = 50;
    m.SegMinLen = 10;
    Form_Load(m, st);
    EXPECT_EQ(st.window.Caption, lang(m, 99));
    EXPECT_EQ(st.Label1.Caption + st.Label2.Caption + st.Label3.Caption, " .5 G .5 G 10 m");
    EXPECT_EQ(st.Result, "cancel");

    st.HScroll2.setValue(80);  // out G above in G: in G follows
    HScroll2_Change(m, st);
    EXPECT_EQ(std::tuple(m.HdrByte10, m.HdrWord8, st.HScroll1.Value), std::tuple(80, 80, 80));
    st.HScroll1.setValue(125);  // in G up alone
    HScroll1_Change(m, st);
    EXPECT_EQ(m.HdrByte10, 80);
    st.HScroll1.setValue(30);  // in G below out G: out G follows
    HScroll1_Change(m, st);
    EXPECT_EQ(std::tuple(m.HdrByte10, st.HScroll2.Value, st.Label2.Caption), std::tuple(30, 30, " .3 G"));

    // Miles, and settings the bars cannot show held to their ends.
    m.SpeedUnit = 1;
    m.HdrWord8 = 900;
    m.HdrByte10 = 700;
    m.SegMinLen = 100;
    Form_Load(m, st);
    EXPECT_EQ(std::tuple(m.HdrWord8, m.HdrByte10), std::tuple(500, 500));
    EXPECT_EQ(st.Label1.Caption + st.Label3.Caption, " 5 G.062M");
}

TEST_F(Editor, MenuEntryRunsTheEditorUntilSavedAndTheFileReadsBackTheSame) {
    m.RecCount = 0;  // no lap chosen
    CorseParaState st;
    int shown = 0;
    f.windows.Corse_para = [&] { ++shown; };
    Corse_edit_Click(m, f, app.s, st);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(f.Label1.Caption, lang(m, 130));

    chooseGenerated(app, generated({.laps = 3, .segments = 4, .seed = 9}), 2);
    const int32_t lapStart = m.RecPtr;
    const auto lapPage = m.LapTbl[2];
    // Cancelled at once: the copy is left in place, nothing saved.
    Corse_edit_Click(m, f, app.s, st);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(f.Label1.Caption, lang(m, 131));
    EXPECT_EQ(std::tuple(m.LapCur, m.RecPtr, m.SegMinLen, m.HdrWord8), std::tuple(0, m.MemRecs, 0, 50));
    EXPECT_EQ(m.LapTbl[2], lapPage);  // the logged lap stays as it was
    EXPECT_TRUE(std::filesystem::is_empty(m.CorseDir));

    // Exec twice with other settings, then record under a name.
    ASSERT_TRUE(choose_lap(m, f, app.s, 2));
    EXPECT_EQ(m.RecPtr, lapStart);
    shown = 0;
    f.windows.Corse_para = [&] {
        ++shown;
        EXPECT_EQ(st.Result, "cancel");
        if (shown > 1) {
            EXPECT_EQ(m.GraphKind, 4);  // the lateral G graph after each exec
            EXPECT_EQ(f.lap_no.Caption, "");
        }
        if (shown == 1) {
            st.HScroll1.setValue(100);
            HScroll1_Change(m, st);
        }
        if (shown == 2) {
            st.HScroll3.setValue(50);
            HScroll3_Change(m, st);
        }
        (shown < 3 ? Corse_ok_Click : Corse_end_Click)(st);
    };
    app.ui.inputAnswers = {"mine"};
    Corse_edit_Click(m, f, app.s, st);
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(std::tuple(m.RecCount, m.GraphKind, m.HdrWord8, m.SegMinLen), std::tuple(0, 3, 100, 50));
    const auto made = segments();
    ASSERT_GE(made.size(), 3u);
    for (size_t e = 0; e + 1 < made.size(); ++e) EXPECT_GT(made[e].second, 50 * 1000 / m.MmPerPulse) << e;

    // The file holds the records the editor wrote behind MemRecs, as far as its counter said.
    std::vector<std::array<uint8_t, 16>> records;
    const std::string bytes = readFile(m.CorseDir + "/mine.dat");
    for (size_t at = 496; at + 16 <= bytes.size(); at += 16) {
        records.emplace_back();
        std::copy(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at) + 16,
                  records.back().begin());
        ASSERT_EQ(records.back(), m.LogMem[static_cast<size_t>(m.MemRecs) + records.size() - 1]) << records.size();
    }
    EXPECT_EQ(f.Label1.Caption, lang(m, 134) + Str(static_cast<int>(records.size()) - 2));
    // Read back: the same segments, thresholds and records, then the reader's end marker.
    TestApp fresh;
    readBack(fresh, m.CorseDir + "/mine.dat");
    EXPECT_EQ(segmentsOf(fresh.m), made);
    EXPECT_EQ(fresh.f.Label1.Caption, lang(m, 135) + Str(static_cast<int>(records.size())));
    EXPECT_EQ(fresh.m.LogMem[records.size()][6], 255);
    for (size_t i = 0; i < records.size(); ++i) ASSERT_EQ(fresh.m.LogMem[i], records[i]) << i;
    for (size_t e = 1; e <= made.size(); ++e) EXPECT_EQ(fresh.f.seg_str[e][0], made[e - 1].first);
    EXPECT_EQ(fresh.f.seg_str[made.size() + 1], "");
    EXPECT_EQ(std::tuple(fresh.m.HdrWord8, fresh.m.HdrByte10), std::tuple(m.HdrWord8, m.HdrByte10));
}

// Reference corners read off each centre line in data/tracks (smoothed over 35 m, radius under
// 250 m for at least 15 m), in metres from the start line; kinks of 250..700 m are optional.
struct Corner {
    char dir;
    double from, to;  // metres along the centre line
};
// Corners as "R910-950 L955-1005 ...".
std::vector<Corner> parseCorners(const std::string& text) {
    std::vector<Corner> out;
    std::istringstream in(text);
    char dir, dash;
    for (double from, to; in >> dir >> from >> dash >> to;) out.push_back({dir, from, to});
    return out;
}
const std::map<std::string, std::string> kReferenceCorners = {
    {"Monza",
     "R910-950 L955-1005 R1335-1365 R1420-1450 L2120-2170 R2170-2215 R2490-2630 R2850-2920 L3930-3980 "
     "R4000-4115 L4125-4170 R5115-5435"},
    {"Spa",
     "R355-435 L1040-1080 R1105-1230 L1265-1315 R2385-2465 L2470-2550 R2615-2705 R2980-3165 "
     "L3260-3350 L3775-3910 L3960-4150 R4450-4600 L4610-4740 R4910-5010 R5110-5245 L5945-5970 "
     "L6145-6245 R6720-6780 L6780-6845"},
    {"BrandsHatch",
     "R150-185 R210-365 R550-680 L760-805 L835-910 L1005-1025 L1160-1335 R1510-1530 R1965-2125 "
     "R2325-2390 R2455-2510 R2595-2665 R2725-2780 R2810-2830 L2955-3035 R3400-3530 R3540-3580 "
     "R3615-3670"},
    {"Zandvoort",
     "R340-485 L610-655 R695-780 L835-975 R1155-1200 L1300-1385 R1455-1560 R1670-1890 R2080-2160 "
     "R2190-2275 R2290-2435 L2510-2675 R3160-3205 L3210-3330 R3550-3665 R3725-3995"},
};
constexpr double kSlack = 30;  // metres

// In G 0.90, out G 0.50, minimum 10 m (every reference corner counts, their number within 2) or
// 60 m (corners of 100 m or more): up to the fifteenth segment (it takes the rest of the lap) every
// corner segment lies, within 30 m, where the line turns its way (radius under 700 m), and every
// reference corner is overlapped by a corner segment of its direction.
TEST(CourseEditor, CoursesMadeFromRealCircuitsFindTheirCorners) {
    for (const auto& [track, reference] : kReferenceCorners)
        for (const auto& [minimum, referenceLength] : {std::pair{10, 15.0}, {60, 100.0}}) {
            SCOPED_TRACE(track + " minimum " + std::to_string(minimum) + " m");
            TestApp run;
            const loggen::LoggerMemory mem =
                generated({.laps = 3, .segments = 6, .course = trackFile(track), .seed = 3});
            chooseGenerated(run, mem, mem.lapFirst + 1);
            edit_prepare(run.m, run.f, run.pump);  // as the menu entry and the dialog's OK do
            run.m.HdrWord8 = 90;
            run.m.HdrByte10 = 50;
            run.m.SegMinLen = static_cast<int16_t>(minimum);
            edit_segment(run.m, run.f);
            std::vector<Corner> made;  // in metres of the centre line
            double along = 0;
            for (const auto& [letter, pulses] : segmentsOf(run.m)) {
                made.push_back({letter, along, along + pulses});
                along += pulses;
            }
            const loggen::Course& line = mem.course;
            for (Corner& s : made) s.from *= line.length / along, s.to *= line.length / along;
            // The fifteenth segment starts with the corner it opened on, if any, but is no corner
            // of its own length.
            const bool capped = made.size() == 15;
            const double compareTo = capped ? made.back().from : line.length;
            const std::vector<Corner> all = made;
            if (capped) made.pop_back();

            int corners = 0, expected = 0;
            for (const Corner& s : made) {
                if (s.dir == 'S') continue;
                ++corners;
                bool turns = false;
                for (double at = s.from - kSlack; at <= s.to + kSlack && !turns; at += 1) {
                    const double k = line.curvatureAt(at);
                    turns = std::fabs(k) > 1 / 700.0 && (k > 0) == (s.dir == 'L');
                }
                EXPECT_TRUE(turns) << s.dir << " corner at " << s.from << ".." << s.to << " m";
            }
            for (const Corner& c : parseCorners(reference)) {
                if (c.from >= compareTo || c.to - c.from < referenceLength) continue;
                ++expected;
                EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                                        [&c](const Corner& s) {
                                            return s.dir == c.dir && s.from <= c.to + kSlack && c.from - kSlack <= s.to;
                                        }))
                    << c.dir << " corner at " << c.from << ".." << c.to << " m missed";
            }
            if (minimum == 10) {
                EXPECT_LE(std::abs(corners - expected), 2);
            }
        }
}

}  // namespace
}  // namespace vt::test
