// Course files and the transfer texts: segment texts, loading (and refusing what is no course),
// the free course, and saving under a typed name.
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "course/CourseTestSupport.h"
#include "link/Commands.h"
#include "platform/NumText.h"

namespace vt::test {
namespace {

TEST_F(CourseData, SegmentTextsRoundLengthsToWholeMetresHalvesUp) {
    // letter, pulses, mm per pulse, text sent: 246.8 m; 246.5 and 247.5 m go up (not to even)
    const std::tuple<char, int, int, const char*> cases[] = {
        {'L', 1234, 200, "L247"}, {'S', 2465, 100, "S247"}, {'S', 2475, 100, "S248"}, {'S', 65535, 999, "S65469"}};
    for (const auto& [letter, pulses, mm, text] : cases) {
        m.MmPerPulse = static_cast<int16_t>(mm);
        EXPECT_EQ(seg_text(m, static_cast<uint8_t>(letter), pulses), text) << pulses << " at " << mm;
    }
}

// A course file's bytes: header, 15 entries, `records` records (the first with 200 mm a pulse).
std::string courseBytes(const std::vector<Seg>& segs, int records, int lapLast = 0) {
    std::string b(16 + 480, '\0');
    b[0] = static_cast<char>(lapLast << 1);
    b[9] = 80;  // in G 0.80
    b[10] = 40;
    for (size_t i = 0; i < segs.size(); ++i) {
        char* e = &b[16 + 32 * i];
        e[1] = 1;
        e[20] = static_cast<char>(segs[i].pulses >> 8);
        e[21] = static_cast<char>(segs[i].pulses);
        e[27] = segs[i].letter;
    }
    b += std::string(static_cast<size_t>(lapLast) * 480, '\0');
    for (int n = 0; n < records; ++n) {
        std::string r(16, '\0');
        if (n == 0)
            r[3] = static_cast<char>(200), r[6] = static_cast<char>(255);
        else
            r[13] = 100, r[15] = 10;  // 72 km/h
        b += r;
    }
    return b;
}

TEST_F(CourseData, LoadingACourseShowsItAndMakesTheTransferTexts) {
    const std::string path = m.CorseDir + "/oval.dat";
    writeFile(path, courseBytes({{'S', 1250}, {'R', 1250}, {'S', 1250}, {'R', 1250}}, 120));
    m.LapCur = 7;
    f.lap_no.setCaption(" 7");
    f.lap_time.setCaption("1:02.00");
    f.Corse_trans.setEnabled(false);
    f.seg_str[5] = "stale";
    ASSERT_TRUE(corse_open_path(m, f, app.s, path)) << (app.ui.messages.empty() ? "" : app.ui.messages[0].text);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_EQ(f.Label1.Caption, lang(m, 135) + " 120");
    EXPECT_EQ(f.namae.Caption, "oval");
    EXPECT_EQ(std::tuple(m.LapCur, m.LapLast), std::tuple(0, 0));
    EXPECT_EQ(m.CourseLen, 1000);  // 4 x 1250 pulses at 200 mm
    EXPECT_EQ(m.CourseMmPerPulse, 200);
    EXPECT_EQ(std::tuple(m.HdrWord8, m.HdrByte10), std::tuple(80, 40));  // the editor's thresholds
    EXPECT_EQ(std::tuple(m.RecCount, m.MmPerPulse), std::tuple(0, 0));   // no lap chosen: lengths only
    EXPECT_EQ(f.course_pts, 119);                                        // laid out: every sample record a point
    for (const Control* c : {&f.lap_no, &f.lap_time, &f.seg_d, &f.SEG_TIME}) EXPECT_EQ(c->Caption, "");
    EXPECT_TRUE(f.Corse_trans.Enabled);
    EXPECT_EQ(course_text("0", f), "CRS0-S250-R250-S250-R250-");  // the fifth text emptied
}

TEST_F(CourseData, DistancePerPulseOutside100To999Becomes500) {
    // bytes 2, 3 of record 0, distance per pulse taken
    const std::tuple<int, int, int> cases[] = {
        {3, 231, 999}, {3, 232, 500}, {0, 99, 500}, {0, 100, 100}, {128, 200, 500}};
    for (const auto& [hi, lo, mm] : cases) {
        std::string b = courseBytes({{'S', 5000}}, 10);
        b[496 + 2] = static_cast<char>(hi);
        b[496 + 3] = static_cast<char>(lo);
        writeFile(dir.file("c.dat"), b);
        ASSERT_TRUE(corse_open_path(m, f, app.s, dir.file("c.dat")))
            << (app.ui.messages.empty() ? "" : app.ui.messages[0].text);
        EXPECT_EQ(m.CourseMmPerPulse, mm) << hi << " " << lo;
        EXPECT_EQ(f.seg_str[1], "S" + Trim(Str(5000 * mm / 1000))) << hi << " " << lo;
    }
}

TEST_F(CourseData, WhatIsNoCourseIsRefusedAndNothingChanges) {
    const std::string good = courseBytes({{'S', 1000}, {'L', 500}}, 20);
    std::string partial = good + "12345";
    std::string noLetter = good;
    noLetter[16 + 32 + 27] = 0;
    std::string noLength = good;
    noLength[16 + 20] = noLength[16 + 21] = 0;
    std::string emptyList = good;
    emptyList[17] = 0;
    const std::tuple<std::string, std::string, bool> cases[] = {
        // bytes, what the message says, language text 130 (a log)
        {good.substr(0, 400), "shorter than its header and segment page", false},
        {partial, "its last record has 5 of 16 bytes", false},
        {noLetter, "segment 2 has no direction letter", false},
        {noLength, "segment 1 has no length", false},
        {emptyList, "segment list is empty", false},
        {courseBytes({{'S', 1000}}, 20, 2), "", true},
    };
    // What a loaded lap looks like before.
    page(4, {{'S', 777}});
    m.LapCur = 4;
    m.LapLast = 9;
    m.CourseLen = 1234;
    m.LogMem[5][0] = 42;
    f.seg_str[1] = "L10";
    f.Corse_trans.setEnabled(false);
    for (const auto& [bytes, says, isLog] : cases) {
        app.ui.messages.clear();
        writeFile(dir.file("bad.dat"), bytes);
        EXPECT_FALSE(corse_open_path(m, f, app.s, dir.file("bad.dat"))) << says;
        ASSERT_EQ(app.ui.messages.size(), 1u) << says;
        const auto& shown = app.ui.messages[0];
        if (isLog) {
            EXPECT_EQ(shown.text, lang(m, 130));
        } else {
            EXPECT_THAT(shown.text, StartsWith(dir.file("bad.dat") + ": "));
            EXPECT_THAT(shown.text, HasSubstr(says));
            EXPECT_EQ(shown.title, lang(m, 121));
        }
        EXPECT_EQ(shown.icon, MsgIcon::Exclamation);
        EXPECT_EQ(std::tuple(m.LapCur, m.LapLast, m.CourseLen, m.LogMem[5][0]), std::tuple(4, 9, 1234, 42));
        EXPECT_EQ(f.seg_str[1], "L10");
        EXPECT_FALSE(f.Corse_trans.Enabled);
    }
    // A folder and a missing file are said too.
    for (const std::string& path : {dir.path(), dir.file("none.dat")}) {
        app.ui.messages.clear();
        EXPECT_FALSE(corse_open_path(m, f, app.s, path));
        ASSERT_EQ(app.ui.messages.size(), 1u);
        EXPECT_THAT(app.ui.messages[0].text, StartsWith(path + ": "));
    }
}

TEST_F(CourseData, ACancelledCourseChooserChangesNothing) {
    f.windows.File_Form = [&] { m.LogFileName.clear(); };
    f.seg_str[1] = "kept";
    Corse_in_Click(m, f, app.s);
    EXPECT_EQ(f.seg_str[1], "kept");
    EXPECT_TRUE(app.ui.messages.empty());
}

TEST_F(CourseData, FreeCourseLengthsInMetresAndMiles) {
    const std::tuple<int, const char*, int> cases[] = {
        // speed unit, typed, metres (0: refused)
        {0, "400", 400},   {0, "399", 0}, {0, "10000", 10000}, {0, "10001", 0}, {0, "-500", 500},
        {0, "450.9", 450}, {0, "abc", 0}, {1, "0.25", 402},    {1, "6.25", 0},
    };
    for (const auto& [unit, typed, metres] : cases) {
        m.SpeedUnit = static_cast<int16_t>(unit);
        EXPECT_EQ(free_course_length(m, typed), metres) << typed;
    }
}

TEST_F(CourseData, FreeCourseAsksAgainAfterAWrongLengthAndDrawsACircle) {
    m.SpeedUnit = 1;
    app.ui.inputAnswers = {"0.2", "0.25"};
    m.LapCur = 3;
    m.LapLast = 5;
    m.RecCount = 1200;
    page(0, {{'S', 100}, {'R', 100}, {'L', 100}});
    f.lap_no.setCaption(" 3");
    Free_In_Click(m, f, app.s);
    ASSERT_EQ(app.ui.prompts.size(), 2u);
    EXPECT_EQ(app.ui.prompts[0], lang(m, 196));
    EXPECT_EQ(app.ui.beeps, 1);
    EXPECT_EQ(std::tuple(m.CourseLen, m.LapCur, m.LapLast, m.RecCount), std::tuple(402, 0, 0, 0));
    EXPECT_EQ(segments().size(), 1u);  // the circle's one segment; the page's others cleared
    EXPECT_EQ(f.hiniti.Caption, "2026/12/05  ");
    EXPECT_EQ(f.lap_no.Caption, "");
    EXPECT_GT(f.course_pts, 500);

    // Cancelled: no change.
    m.SpeedUnit = 0;
    app.ui.inputAnswers = {""};
    Free_In_Click(m, f, app.s);
    EXPECT_EQ(app.ui.prompts.back(), lang(m, 172));
    EXPECT_EQ(m.CourseLen, 402);
}

TEST_F(CourseData, SavingAsksAgainAfterANameThatCouldLeaveTheFolder) {
    page(0, {{'S', 500}});
    m.LapCur = 0;
    m.RecPtr = 0;
    m.RecCount = 9;
    app.ui.inputAnswers = {"../up", "a.b", "mine"};
    ASSERT_TRUE(corse_save(m, f, app.s));
    EXPECT_EQ(app.ui.prompts.size(), 3u);
    ASSERT_EQ(app.ui.messages.size(), 2u);
    for (const auto& shown : app.ui.messages) {
        EXPECT_EQ(shown.text, lang(m, 120));
        EXPECT_EQ(shown.title, lang(m, 121));
    }
    EXPECT_EQ(readFile(m.CorseDir + "/mine.dat").size(), 496u + 10 * 16);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/up.dat"));
    EXPECT_EQ(f.Label1.Caption, lang(m, 134) + " 8");
    // An empty name writes nothing.
    app.ui.inputAnswers = {""};
    EXPECT_FALSE(corse_save(m, f, app.s));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m.CorseDir), {}), 1);
}

TEST_F(CourseData, AFailedWriteLeavesTheOldFileWhole) {
    page(0, {{'S', 500}});
    m.RecCount = 3;
    const std::string path = m.CorseDir + "/keep.dat";
    writeFile(path, "old bytes");
    std::string error;
    m.RecPtr = kMaxRecord - 1;  // records beyond the image: refused before anything is written
    EXPECT_FALSE(course_write(m, path, &error));
    EXPECT_THAT(error, HasSubstr("not all in the image"));
    m.RecPtr = 0;
    EXPECT_EQ(readFile(path), "old bytes");
    ASSERT_TRUE(course_write(m, path, &error)) << error;
    EXPECT_EQ(readFile(path).size(), 496u + 4 * 16);
}

}  // namespace
}  // namespace vt::test
