// Start-up: the language table and what happens when it cannot be loaded.
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include <QProcess>

#include "shell/Startup.h"
#include "support/TestApp.h"

namespace vt {
namespace {

std::string lines(int n) {
    std::string s;
    for (int i = 1; i <= n; ++i) s += "text " + std::to_string(i) + "\r\n";
    return s;
}

TEST(LanguageTable, LineNIsTextNAndLine2IsTheFont) {
    test::TestApp app;
    std::string fail;
    ASSERT_TRUE(lang_parse(app.m, "English\nDejaVu Sans\n\nFile\n", &fail));
    EXPECT_EQ(app.m.LangText[1], "English");
    EXPECT_EQ(app.m.UiFontName, "DejaVu Sans");
    EXPECT_EQ(app.m.LangText[3], "");  // an empty line keeps the numbering
    EXPECT_EQ(app.m.LangText[4], "File");
    EXPECT_EQ(app.m.LangText[5], "");
    EXPECT_EQ(app.m.LangText[0], "");
}

TEST(LanguageTable, EmptyAndOneLineFilesLoad) {
    test::TestApp app;
    std::string fail;
    ASSERT_TRUE(lang_parse(app.m, "", &fail));
    EXPECT_EQ(app.m.UiFontName, "");
    ASSERT_TRUE(lang_parse(app.m, "only", &fail));
    EXPECT_EQ(app.m.LangText[1], "only");
    EXPECT_EQ(app.m.UiFontName, "");
}

TEST(LanguageTable, ThreeHundredLinesLoadAndOneMoreFails) {
    test::TestApp app;
    std::string fail;
    ASSERT_TRUE(lang_parse(app.m, lines(300), &fail));
    EXPECT_EQ(app.m.LangText[300], "text 300");
    app.m.LangText[5] = "kept";
    EXPECT_FALSE(lang_parse(app.m, lines(301), &fail));
    EXPECT_EQ(fail, "!! Not Found ---> LANG.TXT !!\r\ntext 301");
    EXPECT_EQ(app.m.LangText[5], "kept");  // a failed load changes nothing
}

TEST(LanguageTable, MissingFileNamesItsPath) {
    test::TestApp app;
    std::string fail;
    EXPECT_FALSE(lang_load(app.m, "/nonexistent/LANG.TXT", &fail));
    EXPECT_EQ(fail, "!! Not Found ---> LANG.TXT !!\r\n/nonexistent/LANG.TXT");
}

TEST(LanguageTable, AFolderNamedLangTxtIsNoLanguageFile) {
    test::TestApp app;
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("LANG.TXT"));
    std::string fail;
    EXPECT_FALSE(lang_load(app.m, dir.file("LANG.TXT"), &fail));
    EXPECT_EQ(fail, "!! Not Found ---> LANG.TXT !!\r\n" + dir.file("LANG.TXT"));
    test::writeFile(dir.file("empty.txt"), "");
    EXPECT_TRUE(lang_load(app.m, dir.file("empty.txt"), &fail));  // an empty file is a language file
}

TEST(LanguageTable, ShiftJisFilesAreReadToo) {
    test::TestApp app;
    std::string fail;
    // "日本" in Shift_JIS on line 3.
    ASSERT_TRUE(lang_parse(app.m, std::string("x\r\nIPAGothic\r\n\x93\xfa\x96\x7b\r\n"), &fail));
    EXPECT_EQ(app.m.LangText[3], "日本");
}

TEST(LanguageTable, ShippedFilesHoldEveryCitedText) {
    for (const char* language : {"en", "ja"}) {
        test::TestApp app;
        std::string fail;
        ASSERT_TRUE(lang_load(app.m, test::sourceDir() + "/lang/" + language + "/LANG.TXT", &fail)) << fail;
        EXPECT_FALSE(app.m.UiFontName.empty());
        for (int n : {12, 16, 43, 49, 58, 63, 64, 79, 120, 121, 128, 129, 168, 169, 170, 173, 257, 286})
            EXPECT_FALSE(app.m.LangText[static_cast<size_t>(n)].empty()) << language << " text " << n;
    }
}

// An installed data folder in `root`: bin/ and share/veltra-terminal/lang/{en,ja}/LANG.TXT.
std::string installedData(const test::TempDir& root) {
    for (const char* language : {"en", "ja"}) {
        std::filesystem::create_directories(root.file("share/veltra-terminal/lang/") + language);
        test::writeFile(root.file("share/veltra-terminal/lang/") + language + "/LANG.TXT",
                        std::string("language ") + language + "\r\n");
    }
    std::filesystem::create_directories(root.file("bin"));
    return root.file("share/veltra-terminal");
}

TEST(WorkingFolder, TheCurrentFolderWithLangTxtElseVeltraHomeElseTheHomeFolder) {
    test::TempDir dir;
    EXPECT_EQ(working_folder(dir.path(), "/work/v", "/home/u"), "/work/v");
    EXPECT_EQ(working_folder(dir.path(), "", "/home/u"), "/home/u/VeltraTerminal");
    test::writeFile(dir.file("LANG.TXT"), "x\r\n");
    EXPECT_EQ(working_folder(dir.path(), "/work/v", "/home/u"), dir.path());
}

TEST(WorkingFolder, JapaneseForAJaLocaleElseEnglish) {
    EXPECT_EQ(locale_language("ja_JP.UTF-8"), "ja");
    EXPECT_EQ(locale_language("ja"), "ja");
    EXPECT_EQ(locale_language("en_GB.UTF-8"), "en");
    EXPECT_EQ(locale_language("de_DE"), "en");
    EXPECT_EQ(locale_language("C.UTF-8"), "en");
    EXPECT_EQ(locale_language(""), "en");
}

TEST(WorkingFolder, FirstStartMakesTheFolderWithTheLocalesLanguageFileAndKeepsAnExistingOne) {
    test::TempDir root;
    const std::string data = installedData(root);
    EXPECT_EQ(data_folder(root.file("bin")), std::filesystem::canonical(data).string());
    EXPECT_EQ(data_folder(root.file("nowhere/bin")), "");  // a build tree has none

    test::TempDir home;
    const std::string ja = home.file("ja/VeltraTerminal");
    std::string error;
    ASSERT_TRUE(prepare_working_folder(ja, data, "ja", &error)) << error;
    EXPECT_EQ(test::readFile(ja + "/LANG.TXT"), "language ja\r\n");
    EXPECT_FALSE(std::filesystem::exists(ja + "/LANG.TXT.part"));

    // The user's own language file stays as it is.
    const std::string own = home.file("own");
    std::filesystem::create_directories(own);
    test::writeFile(own + "/LANG.TXT", "mine\r\n");
    ASSERT_TRUE(prepare_working_folder(own, data, "en", &error)) << error;
    EXPECT_EQ(test::readFile(own + "/LANG.TXT"), "mine\r\n");

    // Without a data folder the folder is made and LANG.TXT left for lang_load to miss.
    ASSERT_TRUE(prepare_working_folder(home.file("bare"), "", "en", &error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(home.file("bare")));
    EXPECT_FALSE(std::filesystem::exists(home.file("bare/LANG.TXT")));

    // A working folder that is a file cannot be made: said, not thrown.
    test::writeFile(home.file("file"), "");
    EXPECT_FALSE(prepare_working_folder(home.file("file"), data, "en", &error));
    EXPECT_NE(error.find(home.file("file")), std::string::npos) << error;
}

// Runs the terminal unattended in `dir`; returns its exit status and standard error.
std::pair<int, std::string> runTerminal(const test::TempDir& dir) {
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir.path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELTRA_NONINTERACTIVE", "1");
    // A folder without LANG.TXT is not where the terminal works unless VELTRA_HOME names it.
    env.insert("VELTRA_HOME", QString::fromStdString(dir.path()));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELTRA_TERMINAL_PATH), {});
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitCode(), p.readAllStandardError().toStdString()};
}

// Runs the terminal in `dir` with `args`; returns its exit status and standard error.
std::pair<int, std::string> runTerminalWith(const test::TempDir& dir, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir.path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELTRA_NONINTERACTIVE", "1");
    env.remove("VELTRA_COM1");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELTRA_TERMINAL_PATH), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitCode(), p.readAllStandardError().toStdString()};
}

TEST(TerminalStart, SimStartsTheSimulatedLoggerOnCom1AndEndsItWithTheTerminal) {
    test::TempDir dir;
    std::filesystem::copy_file(test::sourceDir() + "/lang/en/LANG.TXT", dir.file("LANG.TXT"));
    auto [status, err] = runTerminalWith(dir, {"--sim", "--screenshot", QString::fromStdString(dir.file("s.png"))});
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(err.find("the simulated logger is on COM1 (" + dir.file("logger") + ")"), std::string::npos) << err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("s.png")));
    // The simulator removes its link when it is stopped: it was, before the terminal ended.
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("logger")));
}

TEST(TerminalStart, VersionAndHelpNeedNoDisplayAndNoWorkingFolder) {
    test::TempDir dir;
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir.path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "nonexistent-platform");  // a window would fail to open
    env.insert("VELTRA_HOME", QString::fromStdString(dir.file("home")));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELTRA_TERMINAL_PATH), {"--version"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput().toStdString(), std::string("veltra-terminal ") + VELTRA_VERSION + "\n");
    p.start(QStringLiteral(VELTRA_TERMINAL_PATH), {"--help"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_NE(p.readAllStandardOutput().toStdString().find("--sim"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("home")));
}

TEST(TerminalStart, WithoutLangTxtItSaysSoAndEndsWithAnError) {
    test::TempDir dir;
    auto [status, err] = runTerminal(dir);
    EXPECT_NE(status, 0);
    EXPECT_NE(err.find("!! Not Found ---> LANG.TXT !!"), std::string::npos) << err;
    EXPECT_NE(err.find(dir.path() + "/LANG.TXT"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("log")));  // the main window never loaded
}

TEST(TerminalStart, TooLongLangTxtEndsWithTheExtraLine) {
    test::TempDir dir;
    test::writeFile(dir.file("LANG.TXT"), lines(301));
    auto [status, err] = runTerminal(dir);
    EXPECT_NE(status, 0);
    EXPECT_NE(err.find("text 301"), std::string::npos) << err;
}

}  // namespace
}  // namespace vt
