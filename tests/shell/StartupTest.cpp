// Start-up: the language table and what happens when it cannot be loaded, the working and data
// folders, the terminal started as a process, and the start-up circle it writes into the image.
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include <QProcess>

#include "course/DemoCourse.h"
#include "shell/Startup.h"
#include "support/TestApp.h"

namespace vt {
namespace {

std::string lines(int n) {
    std::string s;
    for (int i = 1; i <= n; ++i) s += "text " + std::to_string(i) + "\r\n";
    return s;
}

TEST(LanguageTable, LineNIsTextNLine2IsTheFontAndShiftJisIsRead) {
    test::TestApp app;
    std::string fail;
    ASSERT_TRUE(lang_parse(app.m, "English\nDejaVu Sans\n\nFile\n", &fail));
    EXPECT_EQ(std::tuple(app.m.LangText[0], app.m.LangText[1], app.m.LangText[3], app.m.LangText[4]),
              std::tuple("", "English", "", "File"));  // an empty line keeps the numbering
    EXPECT_EQ(std::pair(app.m.UiFontName, app.m.LangText[5]), std::pair(std::string("DejaVu Sans"), std::string()));
    ASSERT_TRUE(lang_parse(app.m, "", &fail));
    EXPECT_EQ(app.m.UiFontName, "");
    ASSERT_TRUE(lang_parse(app.m, "only", &fail));
    EXPECT_EQ(std::pair(app.m.LangText[1], app.m.UiFontName), std::pair(std::string("only"), std::string()));
    ASSERT_TRUE(lang_parse(app.m, std::string("x\r\nIPAGothic\r\n\x93\xfa\x96\x7b\r\n"), &fail));
    EXPECT_EQ(app.m.LangText[3], "日本");
}

TEST(LanguageTable, ThreeHundredLinesLoadAndOneMoreFailsChangingNothing) {
    test::TestApp app;
    std::string fail;
    ASSERT_TRUE(lang_parse(app.m, lines(300), &fail));
    EXPECT_EQ(app.m.LangText[300], "text 300");
    app.m.LangText[5] = "kept";
    EXPECT_FALSE(lang_parse(app.m, lines(301), &fail));
    EXPECT_EQ(fail, "!! Not Found ---> LANG.TXT !!\r\ntext 301");
    EXPECT_EQ(app.m.LangText[5], "kept");
}

TEST(LanguageTable, AMissingFileOrAFolderNamedLangTxtIsNamedInTheFailure) {
    test::TestApp app;
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("LANG.TXT"));
    std::string fail;
    for (const std::string& path : {std::string("/nonexistent/LANG.TXT"), dir.file("LANG.TXT")}) {
        EXPECT_FALSE(lang_load(app.m, path, &fail));
        EXPECT_EQ(fail, "!! Not Found ---> LANG.TXT !!\r\n" + path);
    }
    test::writeFile(dir.file("empty.txt"), "");
    EXPECT_TRUE(lang_load(app.m, dir.file("empty.txt"), &fail));  // an empty file is a language file
}

TEST(LanguageTable, ShippedFilesHoldEveryCitedText) {
    for (const char* language : {"en", "ja"}) {
        test::TestApp app;
        std::string fail;
        ASSERT_TRUE(lang_load(app.m, test::sourceDir() + "/lang/" + language + "/LANG.TXT", &fail)) << fail;
        EXPECT_FALSE(app.m.UiFontName.empty());
        for (int n : {12,  16,  43,  49,  58,  63,  64,  79,  120, 121, 128, 129,
                      168, 169, 170, 173, 257, 286, 287, 288, 289, 290, 291, 292})
            EXPECT_FALSE(app.m.LangText[static_cast<size_t>(n)].empty()) << language << " text " << n;
    }
}

TEST(WorkingFolder, TheCurrentFolderWithLangTxtElseVeltraHomeElseTheHomeFolder) {
    test::TempDir dir;
    EXPECT_EQ(working_folder(dir.path(), "/work/v", "/home/u"), "/work/v");
    EXPECT_EQ(working_folder(dir.path(), "", "/home/u"), "/home/u/VeltraTerminal");
    test::writeFile(dir.file("LANG.TXT"), "x\r\n");
    EXPECT_EQ(working_folder(dir.path(), "/work/v", "/home/u"), dir.path());
    for (const auto& [locale, language] :
         {std::pair("ja_JP.UTF-8", "ja"), std::pair("ja", "ja"), std::pair("en_GB.UTF-8", "en"), std::pair("", "en")})
        EXPECT_EQ(locale_language(locale), language) << locale;
}

TEST(WorkingFolder, FirstStartMakesTheFolderWithTheLocalesLanguageFileAndKeepsAnExistingOne) {
    test::TempDir root;  // an installed tree: bin/ and share/veltra-terminal/lang/{en,ja}/LANG.TXT
    for (const char* language : {"en", "ja"}) {
        std::filesystem::create_directories(root.file("share/veltra-terminal/lang/") + language);
        test::writeFile(root.file("share/veltra-terminal/lang/") + language + "/LANG.TXT",
                        std::string("language ") + language + "\r\n");
    }
    std::filesystem::create_directories(root.file("bin"));
    const std::string data = root.file("share/veltra-terminal");
    EXPECT_EQ(data_folder(root.file("bin")), std::filesystem::canonical(data).string());
    EXPECT_EQ(data_folder(root.file("nowhere/bin")), "");  // a build tree has none

    test::TempDir home;
    const std::string ja = home.file("ja/VeltraTerminal"), own = home.file("own");
    std::string error;
    ASSERT_TRUE(prepare_working_folder(ja, data, "ja", &error)) << error;
    EXPECT_EQ(test::readFile(ja + "/LANG.TXT"), "language ja\r\n");
    EXPECT_FALSE(std::filesystem::exists(ja + "/LANG.TXT.part"));
    std::filesystem::create_directories(own);
    test::writeFile(own + "/LANG.TXT", "mine\r\n");
    ASSERT_TRUE(prepare_working_folder(own, data, "en", &error)) << error;
    EXPECT_EQ(test::readFile(own + "/LANG.TXT"), "mine\r\n");  // the user's own file stays
    // Without a data folder the folder is made and LANG.TXT left for lang_load to miss.
    ASSERT_TRUE(prepare_working_folder(home.file("bare"), "", "en", &error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(home.file("bare")));
    EXPECT_FALSE(std::filesystem::exists(home.file("bare/LANG.TXT")));
    test::writeFile(home.file("file"), "");  // a working folder that is a file: said, not thrown
    EXPECT_FALSE(prepare_working_folder(home.file("file"), data, "en", &error));
    EXPECT_NE(error.find(home.file("file")), std::string::npos) << error;
}

struct Terminal {
    int code = -1;
    std::string out, err;
};
// Runs the terminal in `dir` with `args` and the environment changed by `env`.
Terminal runTerminal(const test::TempDir& dir, const QStringList& args, QProcessEnvironment env) {
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir.path()));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELTRA_TERMINAL_PATH), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}
QProcessEnvironment unattended() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELTRA_NONINTERACTIVE", "1");
    env.remove("VELTRA_COM1");
    return env;
}

TEST(TerminalStart, SimStartsTheSimulatedLoggerOnCom1AndEndsItWithTheTerminal) {
    test::TempDir dir;
    std::filesystem::copy_file(test::sourceDir() + "/lang/en/LANG.TXT", dir.file("LANG.TXT"));
    const Terminal t =
        runTerminal(dir, {"--sim", "--screenshot", QString::fromStdString(dir.file("s.png"))}, unattended());
    EXPECT_EQ(t.code, 0) << t.err;
    EXPECT_NE(t.err.find("the simulated logger is on COM1 (" + dir.file("logger") + ")"), std::string::npos) << t.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("s.png")));
    // The simulator removes its link when it is stopped: it was, before the terminal ended.
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("logger")));
}

TEST(TerminalStart, VersionNeedsNoDisplayAndNoWorkingFolder) {
    test::TempDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "nonexistent-platform");  // a window would fail to open
    env.insert("VELTRA_HOME", QString::fromStdString(dir.file("home")));
    const Terminal version = runTerminal(dir, {"--version"}, env);
    EXPECT_EQ(std::pair(version.code, version.out),
              std::pair(0, std::string("veltra-terminal ") + VELTRA_VERSION + "\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("home")));
}

TEST(TerminalStart, WithoutLangTxtItSaysSoAndEndsWithAnError) {
    test::TempDir dir;
    QProcessEnvironment env = unattended();
    // A folder without LANG.TXT is not where the terminal works unless VELTRA_HOME names it.
    env.insert("VELTRA_HOME", QString::fromStdString(dir.path()));
    const Terminal t = runTerminal(dir, {}, env);
    EXPECT_NE(t.code, 0);
    for (const std::string& said : {std::string("!! Not Found ---> LANG.TXT !!"), dir.path() + "/LANG.TXT"})
        EXPECT_NE(t.err.find(said), std::string::npos) << t.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("log")));  // the main window never loaded
}

TEST(DemoCourse, CircleRecordsForShortAndLongCourses) {
    // Course length; records, speed count and G byte written. Courses over 5000 m take two minutes;
    // 1038 m gives 86.5 speed counts, halves to the even count.
    const std::tuple<int16_t, int, int, int> cases[] = {{5000, 600, 417, 22}, {6000, 1200, 250, 6}, {1038, 600, 86, 4}};
    for (const auto& [len, records, speed, g] : cases) {
        SCOPED_TRACE(len);
        test::TestApp app;
        app.m.LangText[173] = "Start-up course";
        app.m.LapCur = 3;
        for (auto& rec : app.m.LogMem) rec.fill(0xAA);
        app.m.CourseLen = len;
        demo_course(app.m, app.f, app.s);
        const auto& log = app.m.LogMem;
        int n = 0;
        while (log[static_cast<size_t>(n)][6] == 0) ++n;
        EXPECT_EQ(n, records);
        for (int i = 1; i < n; ++i) EXPECT_EQ(log[static_cast<size_t>(i)], log[0]) << i;
        EXPECT_EQ(log[0][0], g);
        EXPECT_EQ(log[0][12] * 256 + log[0][13], speed);
        EXPECT_EQ(log[0][1], 0xAA);  // the other bytes are left as they were
        // One segment of the circumference in 200 mm pulses, on the page of the current lap.
        const auto& seg1 = app.m.LapTbl[3][1];
        EXPECT_EQ(std::tuple(seg1[0], seg1[20] * 256 + seg1[21], app.m.LapTbl[0][1][0]), std::tuple(1, len * 5, 0));
        // What it leaves: no lap in use, a course scale for the graph, the name label.
        EXPECT_EQ(std::tuple(app.m.RecCount, app.m.MmPerPulse, app.m.CourseMmPerPulse, app.m.CarType),
                  std::tuple(0, 0, 200, 0));
        EXPECT_FLOAT_EQ(app.f.XScale, 350.0f / len);
        EXPECT_EQ(app.f.namae.Caption, "Start-up course");
    }
}

}  // namespace
}  // namespace vt
