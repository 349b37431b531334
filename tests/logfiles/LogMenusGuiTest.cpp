// The list menus of the main window: refusals without a log, the modal list window, the
// chosen lap handed on, the segment question, the parameter window and the chooser.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "logfiles/FileWindows.h"
#include "logfiles/Form3.h"
#include "logfiles/ListWindow.h"
#include "shell/mainform.h"

namespace vt::test {
namespace {

class LogMenus : public ::testing::Test {
  protected:
    TestApp app{false};
    TempDir dir;
    std::unique_ptr<mainform> window;

    void SetUp() override {
        loadEnglish(app.m);
        set_folders(app.m, dir.path());
        window = std::make_unique<mainform>(app.m, app.f, app.s);
        window->show();
        window->load();
    }
    void openLog() {
        loggen::GenOptions o;
        o.laps = 3;
        generateTo(dir.file("m.log"), o);
        std::string error;
        ASSERT_TRUE(log_open_path(app.m, app.f, app.s, dir.file("m.log"), nullptr, &error)) << error;
    }
    // Runs `act` on the modal window once it is up (the menu waits for it to close).
    template <class W>
    void whenShown(std::function<void(W&)> act, bool* ran) {
        QTimer::singleShot(0, [act, ran] {
            auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
            if (!w) return;
            *ran = true;
            act(*w);
        });
    }
};

TEST_F(LogMenus, ListsRefuseWithoutALog) {
    app.m.LapLast = 0;
    window->trigger(app.f.all_lap_list);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, lang(app.m, 128));
    window->trigger(app.f.lap_seg_list);
    window->trigger(app.f.seg_list);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 150));
    EXPECT_EQ(app.ui.beeps, 2);
    EXPECT_TRUE(app.ui.prompts.empty());
}

TEST_F(LogMenus, PickedLapBecomesTheCurrentLap) {
    openLog();
    bool ran = false;
    whenShown<Form3>(
        [this](Form3& list) {
            EXPECT_EQ(list.state().Mode, 0);
            Text1_MouseDown(list.state(), kLapLineChars, 0);  // the line of lap 2
            Text1_MouseUp(app.m, list.state(), app.s, 0);
            list.button(list.state().Command1)->click();
        },
        &ran);
    window->trigger(app.f.all_lap_list);
    EXPECT_TRUE(ran);
    EXPECT_EQ(app.m.SelLap, 2);
    EXPECT_EQ(app.m.LapCur, 2);
    EXPECT_EQ(app.f.lap_no.Caption, " 2 ");
    EXPECT_GT(app.m.RecCount, 100);
    EXPECT_FALSE(app.f.Corse_trans.Enabled);
}

TEST_F(LogMenus, ClosingTheListChoosesNothing) {
    openLog();
    bool ran = false;
    whenShown<Form3>([](Form3& list) { list.reject(); }, &ran);
    window->trigger(app.f.all_lap_list);
    EXPECT_TRUE(ran);
    EXPECT_EQ(app.m.SelLap, 0);
    EXPECT_EQ(app.f.lap_no.Caption, "");
}

TEST_F(LogMenus, SegmentListAsksUntilTheNumberFits) {
    openLog();
    app.ui.inputAnswers = {"0", "2.6"};
    bool ran = false;
    whenShown<Form3>(
        [](Form3& list) {
            EXPECT_EQ(list.state().Mode, 2);
            EXPECT_THAT(list.state().Text2, ::testing::HasSubstr(" 3.SEG"));
            EXPECT_FALSE(list.button(list.state().DEL)->isVisible());
            shot(list, "form3-one-segment");
            list.reject();
        },
        &ran);
    window->trigger(app.f.seg_list);
    EXPECT_TRUE(ran);
    EXPECT_EQ(app.m.SegListNo, 3);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, lang(app.m, 156));
}

TEST_F(LogMenus, LapAndSegmentList) {
    openLog();
    bool ran = false;
    whenShown<Form3>(
        [](Form3& list) {
            EXPECT_EQ(list.state().Mode, 1);
            EXPECT_THAT(list.state().Text1, ::testing::HasSubstr(" THEO "));
            shot(list, "form3-segments");
            list.reject();
        },
        &ran);
    window->trigger(app.f.lap_seg_list);
    EXPECT_TRUE(ran);
}

TEST_F(LogMenus, ParameterWindowShowsTheHeader) {
    openLog();
    window->trigger(app.f.para_list);
    auto* para = window->findChild<para_disp*>();
    ASSERT_NE(para, nullptr);
    EXPECT_TRUE(para->isVisible());
    EXPECT_EQ(para->windowTitle().toStdString(), lang(app.m, 124));
    EXPECT_EQ(para->findChild<QLineEdit*>("over_name")->text().toStdString(), " 10000 rpm");
    shot(*para, "para_disp");
    window->trigger(app.f.para_list);  // the same window again
    EXPECT_EQ(window->findChildren<para_disp*>().size(), 1);
}

TEST_F(LogMenus, OpenLogStartsTheChooserInTheLogFolder) {
    bool ran = false;
    std::string pattern;
    whenShown<File_Form>(
        [&pattern](File_Form& chooser) {
            pattern = chooser.state().Pattern;
            shot(chooser, "file_form");
            chooser.reject();
        },
        &ran);
    window->trigger(app.f.MOpenLog);
    EXPECT_TRUE(ran);
    EXPECT_EQ(pattern, "*.log");
    EXPECT_EQ(app.m.LogFileName, "");
    EXPECT_TRUE(app.ui.messages.empty());
}

}  // namespace
}  // namespace vt::test
