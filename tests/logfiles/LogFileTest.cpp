// Reading, opening and re-writing log files: offsets, the end marker, malformed and
// oversized files, the open flow and its messages, and the re-saved copy.
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "logfiles/Form3State.h"
#include "logfiles/ListWindow.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

std::array<uint8_t, 16> recordOf(int tag) {
    std::array<uint8_t, 16> r{};
    for (int j = 0; j < 16; ++j) r[static_cast<size_t>(j)] = static_cast<uint8_t>(tag * 7 + j);
    r[6] = 1;  // a sample, not a marker
    return r;
}

bool sameRecord(const Module1& m, int n, const std::array<uint8_t, 16>& r) {
    return std::equal(r.begin(), r.end(), m.LogMem[static_cast<size_t>(n)].begin());
}

// ---- layout ---------------------------------------------------------------------------

TEST(LogRead, LapRangeFixesWhereRecordsStart) {
    // First lap 3, byte 0 = 10 (last lap 5): three pages, records from offset 1456.
    TestApp app;
    LogImage img(3, 5);
    img.records = {recordOf(1), recordOf(2)};
    std::string bytes = img.bytes();
    ASSERT_EQ(bytes.size(), 1456u + 32u);
    ASSERT_TRUE(readBytes(app.m, bytes));
    EXPECT_EQ(app.m.LapFirst, 3);
    EXPECT_EQ(app.m.LapLast, 5);
    EXPECT_TRUE(sameRecord(app.m, 0, recordOf(1)));
    EXPECT_TRUE(sameRecord(app.m, 1, recordOf(2)));
    EXPECT_EQ(app.m.RecCount, 2);
    EXPECT_EQ(app.m.LogMem[2][6], 255);
}

TEST(LogRead, LastLapBelowFirstReadsOnePage) {
    TestApp app;
    LogImage img(6, 6);
    img.header[0] = 8;  // last lap 4
    img.set16(6, 1, 30, 1234);
    img.records = {recordOf(3)};
    ASSERT_TRUE(readBytes(app.m, img.bytes()));
    EXPECT_EQ(app.m.LapFirst, 6);
    EXPECT_EQ(app.m.LapLast, 6);
    EXPECT_EQ(lapWord(app.m, 6, 1, 30), 1234);
    EXPECT_TRUE(sameRecord(app.m, 0, recordOf(3)));
}

TEST(LogRead, PartialRecordBecomesTheEndSlot) {
    TestApp app;
    LogImage img(1, 1);
    for (int i = 0; i < 100; ++i) img.records.push_back(recordOf(i));
    std::string bytes = img.bytes() + std::string("\x09\x08\x07\x06\x05", 5);
    LoadReport report;
    ASSERT_TRUE(readBytes(app.m, bytes, &report));
    EXPECT_EQ(app.m.RecCount, 100);
    EXPECT_EQ(app.m.LogMem[100][6], 255);
    EXPECT_EQ(app.m.LogMem[100][0], 9);
    EXPECT_EQ(report.partialBytes, 5);
    EXPECT_THAT(report.note(), HasSubstr("5 bytes"));
}

TEST(LogOpen, SetsNamesAndLastRecord) {
    TestApp app;
    TempDir dir;
    LogImage img(1, 1);
    for (int i = 0; i < 100; ++i) img.records.push_back(recordOf(i));
    writeFile(dir.file("run1.log"), img.bytes() + "xyzab");
    std::string error;
    ASSERT_TRUE(log_open_path(app.m, app.f, app.s, dir.file("run1.log"), nullptr, &error)) << error;
    EXPECT_EQ(app.m.RecLast, 99);
    EXPECT_EQ(app.m.RecCount, 0);
    EXPECT_EQ(app.m.LogMem[100][6], 255);
    EXPECT_EQ(app.m.MmPerPulse, 0);
    EXPECT_EQ(app.m.TextFileName, dir.file("run1.txt"));
    EXPECT_EQ(app.f.namae.Caption, "run1");
    EXPECT_EQ(app.ui.beeps, 1);
}

// ---- malformed and oversized files --------------------------------------------------------

struct Malformed {
    const char* name;
    std::string bytes;
    const char* reason;
};

TEST(LogRead, MalformedFilesAreRefusedAndLeaveTheImage) {
    LogImage headerOnly(1, 3);
    LogImage shortTable(1, 3);
    LogImage firstLapTooHigh(101, 101);
    std::string cut = shortTable.bytes().substr(0, 16 + 480 * 2 + 100);
    const Malformed cases[] = {
        {"empty", "", "shorter than the 16-byte header"},
        {"15 bytes", std::string(15, '\1'), "shorter than the 16-byte header"},
        {"header only", headerOnly.bytes().substr(0, 16), "ends inside its lap table"},
        {"truncated lap table", cut, "ends inside its lap table"},
        {"first lap above 100", firstLapTooHigh.bytes(), "first lap is 101"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestApp app;
        LogImage previous(2, 2);
        previous.set16(2, 1, 0, 4321);
        previous.records = {recordOf(5)};
        ASSERT_TRUE(readBytes(app.m, previous.bytes()));
        std::string error;
        EXPECT_FALSE(readBytes(app.m, c.bytes, nullptr, &error));
        EXPECT_THAT(error, HasSubstr(c.reason));
        // The earlier log is still there, whole.
        EXPECT_EQ(app.m.LapFirst, 2);
        EXPECT_EQ(app.m.LapLast, 2);
        EXPECT_EQ(lapWord(app.m, 2, 1, 0), 4321);
        EXPECT_TRUE(sameRecord(app.m, 0, recordOf(5)));
    }
}

TEST(LogRead, LapsAbove100AreLeftOutAndRecordsStillFollowTheWholeTable) {
    TestApp app;
    LogImage img(0, 127);
    img.set16(100, 1, 0, 1111);
    img.set16(101, 1, 0, 2222);
    img.records = {recordOf(8), recordOf(9)};
    LoadReport report;
    ASSERT_TRUE(readBytes(app.m, img.bytes(), &report));
    EXPECT_EQ(app.m.LapFirst, 0);
    EXPECT_EQ(app.m.LapLast, 100);
    EXPECT_EQ(lapWord(app.m, 100, 1, 0), 1111);
    EXPECT_EQ(report.lapsLeftOut, 27);
    EXPECT_THAT(report.note(), HasSubstr("27 laps above lap 100"));
    EXPECT_TRUE(sameRecord(app.m, 0, recordOf(8)));
    EXPECT_EQ(app.m.RecCount, 2);
}

TEST(LogRead, RecordsPastTheImageAreCountedNotWritten) {
    TestApp app;
    LogImage img(1, 1);
    img.records.reserve(65010);
    for (int i = 0; i < 65010; ++i) img.records.push_back(recordOf(i));
    LoadReport report;
    ASSERT_TRUE(readBytes(app.m, img.bytes() + "abc", &report));
    EXPECT_EQ(app.m.RecCount, kMaxRecord);
    EXPECT_EQ(report.recordsLeftOut, 10);
    EXPECT_TRUE(sameRecord(app.m, 64999, recordOf(64999)));
    EXPECT_EQ(app.m.LogMem[kMaxRecord][6], 255);  // the last slot is the end marker
    EXPECT_THAT(report.note(), HasSubstr("10 records after the 65000th"));
}

TEST(LogRead, ExactlyFullImageLeavesNothingOut) {
    TestApp app;
    LogImage img(1, 1);
    img.records.assign(65000, recordOf(4));
    LoadReport report;
    ASSERT_TRUE(readBytes(app.m, img.bytes(), &report));
    EXPECT_EQ(app.m.RecCount, 65000);
    EXPECT_EQ(report.recordsLeftOut, 0);
    EXPECT_EQ(report.note(), "");
}

// ---- the open flow ------------------------------------------------------------------------

TEST(OpenLogMenu, CancelledChooserLoadsNothingAndSaysNothing) {
    TestApp app;
    loadEnglish(app.m);
    app.m.LogDir = "/nowhere/log";
    bool shown = false;
    MOpenLog_Click(app.m, app.f, app.s, [&] {
        shown = true;
        EXPECT_EQ(app.m.LogFileName, "/nowhere/log");  // the chooser starts in LogDir
        app.m.LogFileName.clear();
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(app.m.LogFileName, "");
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_EQ(app.m.LapLast, 0);
}

TEST(OpenLogMenu, ChosenLogIsLoadedAndAnnounced) {
    TestApp app;
    loadEnglish(app.m);
    TempDir dir;
    generateTo(dir.file("a.log"));
    MOpenLog_Click(app.m, app.f, app.s, [&] { app.m.LogFileName = dir.file("a.log"); });
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, lang(app.m, 166));
    EXPECT_EQ(app.ui.messages[0].title, lang(app.m, 167));
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 170));
    EXPECT_EQ(app.m.LapLast, 5);
    EXPECT_GE(app.clock.msecs(), 1000);  // the one-second pause
}

TEST(OpenLogMenu, UnreadableOrMalformedFileIsReportedAndForgotten) {
    for (const char* content : {"", "short"}) {
        TestApp app;
        loadEnglish(app.m);
        TempDir dir;
        std::string path = dir.file("bad.log");
        if (*content) writeFile(path, content);
        app.m.TextFileName = "/keep/old.txt";
        MOpenLog_Click(app.m, app.f, app.s, [&] { app.m.LogFileName = path; });
        ASSERT_EQ(app.ui.messages.size(), 1u);
        EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_THAT(app.ui.messages[0].text, HasSubstr(*content ? "shorter than" : "No such file"));
        EXPECT_EQ(app.m.LogFileName, "");
        EXPECT_EQ(app.m.TextFileName, "/keep/old.txt");
    }
}

TEST(OpenLogMenu, WhatWasLeftOutIsInTheStatusLine) {
    TestApp app;
    loadEnglish(app.m);
    TempDir dir;
    LogImage img(90, 110);
    img.records = {recordOf(1)};
    writeFile(dir.file("big.log"), img.bytes());
    app.m.LogFileName = dir.file("big.log");
    ASSERT_TRUE(log_open_load(app.m, app.f, app.s));
    EXPECT_THAT(app.f.Label1.Caption, HasSubstr(lang(app.m, 170)));
    EXPECT_THAT(app.f.Label1.Caption, HasSubstr("10 laps above lap 100 left out"));
}

TEST(FileNames, TextFileNameNeedsAPath) {
    EXPECT_EQ(text_file_name("/x/log/run1.log"), "/x/log/run1.txt");
    EXPECT_EQ(text_file_name(""), "");
    EXPECT_EQ(log_title("/x/log/12-05-2026run1.log"), "12-05-2026run1");
}

// ---- writing ------------------------------------------------------------------------------

TEST(ReSave, GeneratedLogIsWrittenBackByteForByte) {
    TestApp app;
    loadEnglish(app.m);
    TempDir dir;
    app.m.LogDir = dir.path();
    loggen::GenOptions o;
    o.laps = 4;
    o.segments = 6;
    o.memCode = 1;
    o.startAddress = 12000;  // wraps around the ring
    generateTo(dir.file("orig.log"), o);
    std::string error;
    ASSERT_TRUE(log_open_path(app.m, app.f, app.s, dir.file("orig.log"), nullptr, &error)) << error;
    Form3State st;
    app.ui.inputAnswers = {"copy"};
    Re_Save_Click(app.m, st, app.s);
    EXPECT_EQ(app.m.LogFileName, dir.file("copy.log"));
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, "ファイル書き込み終了しました。");
    EXPECT_EQ(app.ui.messages[0].title, "インフォーメーション");
    EXPECT_EQ(readFile(dir.file("copy.log")), readFile(dir.file("orig.log")));
}

TEST(ReSave, NamesThatCouldLeaveTheLogFolderAreRefused) {
    for (const char* name : {"../evil", "a.b", "sub/x", "c:y", "x|y"}) {
        SCOPED_TRACE(name);
        TestApp app;
        loadEnglish(app.m);
        TempDir dir;
        app.m.LogDir = dir.file("log");
        std::filesystem::create_directory(app.m.LogDir);
        Form3State st;
        app.ui.inputAnswers = {name};
        Re_Save_Click(app.m, st, app.s);
        ASSERT_EQ(app.ui.messages.size(), 1u);
        EXPECT_EQ(app.ui.messages[0].text, lang(app.m, 120));
        EXPECT_EQ(app.ui.messages[0].title, lang(app.m, 121));
        EXPECT_TRUE(std::filesystem::is_empty(app.m.LogDir));
        EXPECT_TRUE(std::filesystem::is_empty(dir.path() + "/log"));
    }
}

TEST(ReSave, EmptyNameBeepsAndWritesNothing) {
    TestApp app;
    TempDir dir;
    app.m.LogDir = dir.path();
    Form3State st;
    Re_Save_Click(app.m, st, app.s);
    EXPECT_EQ(app.ui.beeps, 1);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(ReSave, LogWithLapsAbove100ReadsBackAsHeld) {
    TestApp app;
    TempDir dir;
    LogImage img(95, 120);
    img.set16(100, 1, 0, 777);
    img.records = {recordOf(1), recordOf(2)};
    ASSERT_TRUE(readBytes(app.m, img.bytes()));
    app.m.RecLast = app.m.RecCount - 1;
    std::string error;
    ASSERT_TRUE(log_write(app.m, dir.file("held.log"), &error)) << error;
    std::string written = readFile(dir.file("held.log"));
    ASSERT_EQ(written.size(), 16u + 6 * 480 + 2 * 16);
    EXPECT_EQ(static_cast<uint8_t>(written[0]) >> 1, 100);

    TestApp again;
    LoadReport report;
    ASSERT_TRUE(readBytes(again.m, written, &report));
    EXPECT_EQ(report.lapsLeftOut, 0);
    EXPECT_EQ(lapWord(again.m, 100, 1, 0), 777);
    EXPECT_TRUE(sameRecord(again.m, 1, recordOf(2)));
}

TEST(ReSave, ReplacesAnOldFileOnlyWhenTheWriteSucceeds) {
    TestApp app;
    TempDir dir;
    LogImage img(1, 1);
    img.records = {recordOf(1)};
    ASSERT_TRUE(readBytes(app.m, img.bytes()));
    app.m.RecLast = 0;
    writeFile(dir.file("old.log"), "old contents");
    std::string error;
    EXPECT_FALSE(log_write(app.m, dir.file("missing/old.log"), &error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(log_write(app.m, dir.file("old.log"), &error));
    EXPECT_EQ(readFile(dir.file("old.log")), img.bytes());
    // No temporary is left beside it.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace vt::test
