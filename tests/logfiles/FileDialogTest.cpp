// The download name dialog and the file chooser: the names they hand back in LogFileName.
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "logfiles/FileDialogs.h"
#include "logfiles/FileWindows.h"

namespace vt::test {
namespace {

struct NameDialog : ::testing::Test {
    TestApp app;
    FormNameState st;
    void SetUp() override {
        loadEnglish(app.m);
        app.m.LogDir = "/data/log";
        app.m.LogFileName = "left over";
        Form_Load(app.m, st);
    }
};

TEST_F(NameDialog, LoadsCaptionsAndDefaults) {
    EXPECT_EQ(app.m.LogFileName, "");
    EXPECT_EQ(st.window.Caption, lang(app.m, 112));
    EXPECT_EQ(st.Option2[1].Caption, lang(app.m, 118));
    EXPECT_TRUE(st.Option1[0].Checked);
    EXPECT_TRUE(st.Option2[0].Checked);
    EXPECT_FALSE(st.Frame3.Enabled);  // not a fast download
    for (const Control& b : st.F_BOUD) EXPECT_FALSE(b.Enabled);
}

TEST_F(NameDialog, DatePrefixComesFromTheClock) {
    // The virtual clock stands at 5 December 2026.
    st.Text1 = "run1";
    Command1_Click(app.m, st, app.s);
    EXPECT_EQ(app.m.LogFileName, "/data/log/12-05-2026run1");
    EXPECT_TRUE(st.Unloaded);
    EXPECT_EQ(app.m.MemClearAsk, kFalse);
}

TEST_F(NameDialog, WithoutDateAndWithMemoryClear) {
    Option_Click(st.Option1, 1, st);
    Option_Click(st.Option2, 1, st);
    EXPECT_TRUE(st.FocusText1);
    st.Text1 = "run2";
    Command1_Click(app.m, st, app.s);
    EXPECT_EQ(app.m.LogFileName, "/data/log/run2");
    EXPECT_EQ(app.m.MemClearAsk, kTrue);
}

TEST_F(NameDialog, ForbiddenCharactersKeepTheDialogOpen) {
    for (const char* name : {"a.b", "x/y", "..\\up", "t:1", "q?", "s;", "w*", "n~", "<p>", "a|b"}) {
        SCOPED_TRACE(name);
        st.Text1 = name;
        st.Unloaded = false;
        app.ui.messages.clear();
        Command1_Click(app.m, st, app.s);
        EXPECT_FALSE(st.Unloaded);
        EXPECT_EQ(app.m.LogFileName, "");
        ASSERT_EQ(app.ui.messages.size(), 1u);
        EXPECT_EQ(app.ui.messages[0].text, lang(app.m, 120));
        EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(st.FocusText1);
    }
}

TEST_F(NameDialog, CancelAndEmptyNameLeaveNothing) {
    Command2_Click(app.m, st);
    EXPECT_EQ(app.m.LogFileName, "");
    EXPECT_TRUE(st.Unloaded);
    FormNameState again;
    Form_Load(app.m, again);
    again.Text1 = "";
    Command1_Click(app.m, again, app.s);
    EXPECT_EQ(app.m.LogFileName, "");
    EXPECT_TRUE(again.Unloaded);
}

TEST(NameDialogFast, LineSpeedIsTakenInAFastDownload) {
    TestApp app;
    loadEnglish(app.m);
    app.m.DownMode = 2;
    FormNameState st;
    Form_Load(app.m, st);
    EXPECT_TRUE(st.Frame3.Enabled);
    F_BOUD_Click(st, 2);
    st.Text1 = "fast";
    Command1_Click(app.m, st, app.s);
    EXPECT_EQ(app.m.FastRate, 2);
}

TEST(NameDialogWindow, EnterInTheNameBoxActsAsOk) {
    TestApp app;
    loadEnglish(app.m);
    app.m.LogDir = "/d";
    Form_NAME w(app.m, app.s, nullptr);
    w.show();
    w.nameBox()->setText("lap9");
    shot(w, "form_name");
    QMetaObject::invokeMethod(w.nameBox(), "returnPressed");
    EXPECT_EQ(app.m.LogFileName, "/d/12-05-2026lap9");
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

// ---- the chooser --------------------------------------------------------------------------

TEST(Chooser, PatternAndCaptionFollowTheStartPath) {
    TestApp app;
    loadEnglish(app.m);
    FileFormState st;
    app.m.LogFileName = "/x/log";
    Form_Load(app.m, st);
    EXPECT_EQ(st.Pattern, "*.log");
    EXPECT_EQ(st.window.Caption, lang(app.m, 108));
    EXPECT_EQ(st.DirPath, "/x/log");
    EXPECT_EQ(app.m.LogFileName, "");

    FileFormState course;
    app.m.LogFileName = "/x/corse";
    Form_Load(app.m, course);
    EXPECT_EQ(course.Pattern, "*.dat");
    EXPECT_EQ(course.window.Caption, lang(app.m, 109));
    EXPECT_EQ(course.Command2.Caption, lang(app.m, 64));

    File1_Click(app.m, course, "oval.dat");
    EXPECT_EQ(app.m.LogFileName, "/x/corse/oval.dat");
    Dir1_Change(course, "/");
    File1_DblClick(app.m, course, "top.dat");
    EXPECT_EQ(app.m.LogFileName, "/top.dat");
    EXPECT_TRUE(course.Unloaded);
    Command2_Click(app.m, course);
    EXPECT_EQ(app.m.LogFileName, "");
}

TEST(ChooserWindow, ListsOnlyThePatternInTheStartFolder) {
    TestApp app;
    loadEnglish(app.m);
    TempDir dir;
    std::filesystem::create_directory(dir.file("log"));
    for (const char* name : {"a.log", "b.log", "c.dat", "d.txt"}) writeFile(dir.file(std::string("log/") + name), "x");
    app.m.LogFileName = dir.file("log");
    File_Form w(app.m, nullptr);
    w.show();
    QStringList files;
    for (int i = 0; i < 200 && files.size() < 2; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        files = w.shownFiles();
    }
    EXPECT_EQ(files, (QStringList{"a.log", "b.log"}));
    shot(w, "file_form_files");
    EXPECT_EQ(w.windowTitle().toStdString(), lang(app.m, 108));

    // Double-clicking a file hands back its path and closes the window.
    const QModelIndex root = w.files()->rootIndex();
    QModelIndex b;
    for (int r = 0; r < w.files()->model()->rowCount(root); ++r) {
        QModelIndex i = w.files()->model()->index(r, 0, root);
        if (i.data().toString() == "b.log") b = i;
    }
    ASSERT_TRUE(b.isValid());
    emit w.files()->doubleClicked(b);
    EXPECT_EQ(app.m.LogFileName, dir.file("log/b.log"));
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST(ChooserWindow, ClosingItCancels) {
    TestApp app;
    loadEnglish(app.m);
    TempDir dir;
    app.m.LogFileName = dir.path() + "/corse";
    File_Form w(app.m, nullptr);
    EXPECT_EQ(w.state().Pattern, "*.dat");
    w.show();
    app.m.LogFileName = "something picked";
    w.reject();
    EXPECT_EQ(app.m.LogFileName, "");
}

}  // namespace
}  // namespace vt::test
