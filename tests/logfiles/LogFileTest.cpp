// Reading, opening and re-writing log files: where the records start, the end marker, malformed
// and oversized files, the open menu and its messages, the re-saved copy; and the names the
// download's name dialog, the re-save and the file chooser take.
#include <cstring>
#include <filesystem>
#include <tuple>

#include <QLineEdit>

#include "LogTestSupport.h"
#include "logfiles/ui/FileWindows.h"

namespace vt::test {
namespace {

std::string recordOf(int tag) {
    std::string r(16, '\0');
    for (size_t j = 0; j < 16; ++j) r[j] = static_cast<char>(tag * 7 + static_cast<int>(j));
    r[6] = 1;  // a sample, not a marker
    return r;
}

bool sameRecord(const Module1& m, int n) {
    return std::memcmp(m.LogMem[static_cast<size_t>(n)].data(), recordOf(n).data(), 16) == 0;
}

using LogFile = LogTest;

TEST_F(LogFile, LapRangeFixesWhereRecordsStartAndAShortReadEndsThem) {
    // Byte 11 is the first lap, byte 0 / 2 the last; a last lap below the first reads one page.
    const struct {
        int first, byte0, last, records;
        size_t recordsAt;
        std::string extra;
    } cases[] = {
        {3, 10, 5, 2, 1456, ""}, {6, 8, 6, 2, 496, ""}, {1, 2, 1, 65000, 496, ""}, {1, 2, 1, 100, 496, "\x09xyzw"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "laps " << c.first << ".." << c.last << ", " << c.records << " records");
        LogImage img(c.first, c.last);
        img.head[0] = static_cast<uint8_t>(c.byte0);
        img.set16(c.last, 1, 30, 1234);
        for (int i = 0; i < c.records; ++i) img.records += recordOf(i);
        ASSERT_EQ(img.bytes().size(), c.recordsAt + 16u * static_cast<size_t>(c.records));
        writeFile(dir.file("run1.log"), img.bytes() + c.extra);
        LoadReport report;
        std::string error;
        ASSERT_TRUE(log_open_path(app.m, app.f, app.s, dir.file("run1.log"), &report, &error)) << error;
        EXPECT_EQ(std::pair(app.m.LapFirst, app.m.LapLast), (std::pair<int16_t, int16_t>(c.first, c.last)));
        EXPECT_EQ(lapWord(app.m, c.last, 1, 30), 1234);
        EXPECT_TRUE(sameRecord(app.m, 0));
        EXPECT_TRUE(sameRecord(app.m, c.records - 1));
        EXPECT_EQ(std::pair(app.m.RecLast, app.m.RecCount), std::pair(c.records - 1, 0));
        EXPECT_EQ(app.m.LogMem[static_cast<size_t>(c.records)][6], 255);
        EXPECT_EQ(report.partialBytes, static_cast<int>(c.extra.size()));
        EXPECT_EQ(report.recordsLeftOut, 0);
    }
    EXPECT_EQ(app.m.LogMem[100][0], 9);  // the short read's slot is the end slot
    EXPECT_EQ(app.m.MmPerPulse, 0);
    EXPECT_EQ(app.m.TextFileName, dir.file("run1.txt"));
    EXPECT_EQ(app.f.namae.Caption, "run1");
    EXPECT_EQ(app.ui.beeps, 4);
}

TEST_F(LogFile, MalformedFilesAreRefusedAndLeaveTheImage) {
    const std::string three = LogImage(1, 3).bytes();
    const std::pair<std::string, const char*> cases[] = {
        {"", "shorter than the 16-byte header"},
        {std::string(15, '\1'), "shorter than the 16-byte header"},
        {three.substr(0, 16 + 480 * 2 + 100), "ends inside its lap table"},
        {LogImage(101, 101).bytes(), "first lap is 101"},
    };
    LogImage previous(2, 2);
    previous.set16(2, 1, 0, 4321);
    previous.records = recordOf(0);
    for (const auto& [bytes, reason] : cases) {
        read(previous);
        std::string error;
        EXPECT_FALSE(readBytes(app.m, bytes, nullptr, &error));
        EXPECT_THAT(error, HasSubstr(reason));
        EXPECT_EQ(std::pair(app.m.LapFirst, app.m.LapLast), (std::pair<int16_t, int16_t>(2, 2)));
        EXPECT_EQ(lapWord(app.m, 2, 1, 0), 4321);
        EXPECT_TRUE(sameRecord(app.m, 0));
    }
}

TEST_F(LogFile, LapsAbove100AndRecordsPastTheImageAreLeftOutReportedAndNotWrittenBack) {
    LogImage img(0, 127);
    img.set16(100, 1, 0, 1111);
    for (int i = 0; i < 65010; ++i) img.records += recordOf(i);
    writeFile(dir.file("big.log"), img.bytes() + "abc");
    app.m.LogFileName = dir.file("big.log");
    LoadReport report;
    ASSERT_TRUE(log_open_load(app.m, app.f, app.s, &report));
    EXPECT_EQ(std::pair(report.lapsLeftOut, report.recordsLeftOut), std::pair(27, 10));
    EXPECT_EQ(std::pair(app.m.LapLast, app.m.RecLast), (std::pair<int16_t, int32_t>(100, 64999)));
    EXPECT_TRUE(sameRecord(app.m, 64999));
    EXPECT_EQ(app.m.LogMem[kMaxRecord][6], 255);  // the last slot holds the end marker
    EXPECT_THAT(app.f.Label1.Caption, ::testing::AllOf(StartsWith(lang(app.m, 170)), HasSubstr("27 laps above"),
                                                       HasSubstr("10 records after the 65000th")));

    // Written back, the header names the last lap held, so the copy reads back whole.
    std::string error;
    ASSERT_TRUE(log_write(app.m, dir.file("held.log"), &error)) << error;
    TestApp again;
    ASSERT_TRUE(readBytes(again.m, readFile(dir.file("held.log")), &report));
    EXPECT_EQ(std::pair(report.note(), again.m.LapLast), (std::pair<std::string, int16_t>("", 100)));
    EXPECT_EQ(lapWord(again.m, 100, 1, 0), 1111);
    EXPECT_TRUE(sameRecord(again.m, 64999));
    report = LoadReport{.records = 5, .recordsLeftOut = 1, .lapsLeftOut = 1, .partialBytes = 1};  // in words
    EXPECT_EQ(report.note(),
              "1 lap above lap 100 left out; 1 record after the 65000th left out; 1 byte after the last whole record "
              "ignored");
}

TEST_F(LogFile, ExportNameIsNeverTheLogNorOutsideItsFolder) {
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"/d/run1.log", "/d/run1.txt", false},
        {"/d/run1.LOG", "/d/run1.txt", false},
        {"/d/run1.txt", "/d/run1.txt.txt", true},
        {"/d/abc", "/d/abc.txt", true},
        {"/d/abcd", "/d/atxt", false},
        {"", "", false},
    };
    for (const auto& [log, text, adjusted] : cases) {
        bool said = !adjusted;
        EXPECT_EQ(text_file_name(log, &said), text) << log;
        EXPECT_EQ(said, adjusted) << log;
    }
}

TEST_F(LogFile, OpenMenuLoadsTheChosenLogAndReportsFailures) {
    const std::string logDir = app.m.LogDir;
    MOpenLog_Click(app.m, app.f, app.s, [&] {
        EXPECT_EQ(app.m.LogFileName, logDir);  // the chooser starts in LogDir
        app.m.LogFileName.clear();             // and is cancelled: nothing, silently
    });
    EXPECT_EQ(app.m.LogFileName, "");
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_EQ(app.m.LapLast, 0);

    generateTo(dir.file("good.log"));
    writeFile(dir.file("short.log"), "short");
    MOpenLog_Click(app.m, app.f, app.s, [&] { app.m.LogFileName = dir.file("good.log"); });
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(std::tuple(app.ui.messages[0].text, app.ui.messages[0].title, app.f.Label1.Caption, app.m.LapLast),
              std::tuple(lang(app.m, 166), lang(app.m, 167), lang(app.m, 170), 5));
    EXPECT_GE(app.clock.msecs(), 1000);  // the one-second pause
    const std::pair<const char*, const char*> failures[] = {{"missing.log", "No such file"},
                                                            {"short.log", "shorter than"}};
    for (const auto& [name, reason] : failures) {
        app.ui.messages.clear();
        MOpenLog_Click(app.m, app.f, app.s, [&, file = name] { app.m.LogFileName = dir.file(file); });
        ASSERT_EQ(app.ui.messages.size(), 1u);
        EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_THAT(app.ui.messages[0].text, HasSubstr(reason));
        // The loaded log stays.
        EXPECT_EQ(std::tuple(app.m.LogFileName, app.m.TextFileName, app.m.LapLast),
                  std::tuple("", dir.file("good.txt"), 5));
    }
}

TEST_F(LogFile, ReSaveReplacesAFileWithTheLogByteForByte) {
    openGenerated({.laps = 4, .segments = 6, .memCode = 1, .startAddress = 12000});  // wraps around the ring
    app.m.LogDir = dir.file("missing");
    app.ui.inputAnswers = {"copy", "copy"};
    Re_Save_Click(app.m, st, app.s);  // a folder that is not there: said so
    EXPECT_THAT(app.ui.messages.at(0).text, StartsWith(dir.file("missing/copy.log") + ": "));
    app.m.LogDir = dir.path();
    writeFile(dir.file("copy.log"), "old contents");
    Re_Save_Click(app.m, st, app.s);
    EXPECT_EQ(app.m.LogFileName, dir.file("copy.log"));
    ASSERT_EQ(app.ui.messages.size(), 2u);
    EXPECT_EQ(std::pair(app.ui.messages[1].text, app.ui.messages[1].title),
              std::pair(std::string("ファイル書き込み終了しました。"), std::string("インフォーメーション")));
    EXPECT_EQ(readFile(dir.file("copy.log")), readFile(dir.file("gen.log")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // no temporary left
}

TEST_F(LogFile, NameDialogBuildsTheNameAndCancelLeavesNone) {
    // The virtual clock stands at 5 December 2026; the line speed is taken in a fast download only.
    const struct {
        const char* name;
        int dateOption, clearOption, downMode;
        const char* path;
    } cases[] = {{"", 0, 0, 0, ""},
                 {"run1", 0, 0, 0, "/data/log/12-05-2026run1"},
                 {"run2", 1, 1, 0, "/data/log/run2"},
                 {"fast", 1, 0, 2, "/data/log/fast"}};
    app.m.LogDir = "/data/log";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        app.m.DownMode = static_cast<uint8_t>(c.downMode);
        app.m.LogFileName = "left over";
        Form_NAME w(app.m, app.s, nullptr);
        FormNameState& name = w.state();
        EXPECT_TRUE(app.m.LogFileName.empty() && name.Option1[0].Checked && name.Option2[0].Checked);
        for (const Control* b : {&name.Frame3, &name.F_BOUD[0], &name.F_BOUD[1], &name.F_BOUD[2]})
            EXPECT_EQ(b->Enabled, c.downMode == 2);
        Option_Click(name.Option1, c.dateOption, name);
        Option_Click(name.Option2, c.clearOption, name);
        F_BOUD_Click(name, 2);
        EXPECT_TRUE(name.FocusText1);
        w.nameBox()->setText(c.name);
        QMetaObject::invokeMethod(w.nameBox(), "returnPressed");  // Enter is OK
        EXPECT_EQ(w.result(), QDialog::Accepted);
        EXPECT_EQ(std::tuple(app.m.LogFileName, app.m.MemClearAsk, app.m.FastRate),
                  std::tuple(c.path, c.clearOption == 1 ? kTrue : kFalse, c.downMode == 2 ? 2 : 0));
    }
    EXPECT_TRUE(app.ui.messages.empty());

    Form_NAME cancelled(app.m, app.s, nullptr);
    cancelled.nameBox()->setText("run3");
    cancelled.reject();
    EXPECT_EQ(app.m.LogFileName, "");
}

TEST_F(LogFile, TypedNamesThatCouldLeaveTheLogFolderAreRefused) {
    // By the download's name dialog, which stays open, and by the list window's re-save.
    app.m.LogDir = dir.file("log");
    std::filesystem::create_directory(app.m.LogDir);
    FormNameState name;
    Form_Load(app.m, name);
    for (const char* text : {"a.b", "..\\up", "t:1", "q?", "s;", "w*", "n~", "<p>", "a|b", "../evil"}) {
        name.Text1 = text;
        name.FocusText1 = false;
        Command1_Click(app.m, name, app.s);
        EXPECT_TRUE(!name.Unloaded && name.FocusText1 && lastMessageIs(120) && app.m.LogFileName.empty()) << text;
        app.ui.messages.clear();
        app.ui.inputAnswers = {text};
        Re_Save_Click(app.m, st, app.s);
        EXPECT_TRUE(lastMessageIs(120)) << text;
    }
    Re_Save_Click(app.m, st, app.s);  // no name: a beep, nothing written
    EXPECT_EQ(app.ui.beeps, 1);
    EXPECT_TRUE(std::filesystem::is_empty(app.m.LogDir));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(LogFile, ChooserPatternFollowsTheStartPathAndHandsBackThePath) {
    const std::tuple<std::string, std::string, int> cases[] = {{"/x/log", "*.log", 108}, {"/x/corse", "*.dat", 109}};
    FileFormState chooser;
    for (const auto& [start, pattern, caption] : cases) {
        app.m.LogFileName = start;
        Form_Load(app.m, chooser);
        EXPECT_EQ(std::tuple(chooser.DirPath, chooser.Pattern, chooser.window.Caption, app.m.LogFileName),
                  std::tuple(start, pattern, lang(app.m, caption), ""));
    }
    File1_Click(app.m, chooser, "oval.dat");
    EXPECT_EQ(app.m.LogFileName, "/x/corse/oval.dat");
    Dir1_Change(chooser, "/");
    File1_Click(app.m, chooser, "top.dat");
    EXPECT_EQ(app.m.LogFileName, "/top.dat");
    Command2_Click(app.m, chooser);
    EXPECT_EQ(app.m.LogFileName, "");
}

}  // namespace
}  // namespace vt::test
