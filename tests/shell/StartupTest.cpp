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

// Runs the terminal unattended in `dir`; returns its exit status and standard error.
std::pair<int, std::string> runTerminal(const test::TempDir& dir) {
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir.path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELTRA_NONINTERACTIVE", "1");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELTRA_TERMINAL_PATH), {});
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitCode(), p.readAllStandardError().toStdString()};
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
