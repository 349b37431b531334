// The lap comparison in the main window: the Compare menu and the time-difference button, the best
// lap taken when no reference was chosen, a lap of another log through the file chooser (the
// loaded log's name kept), the check marks, clearing, and the menus locked with the others.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>

#include "compare/CompareTestSupport.h"
#include "logfiles/LapLists.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "shell/ui/mainform.h"
#include "state/MenuGroups.h"

namespace vt::test {
namespace {

class CompareWindow : public ::testing::Test {
  protected:
    TestApp app{false};
    TempDir dir;
    std::unique_ptr<mainform> window;

    void SetUp() override {
        std::string fail;
        ASSERT_TRUE(lang_load(app.m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
        set_folders(app.m, dir.path());
        window = std::make_unique<mainform>(app.m, app.f, app.s);
        window->show();
        window->load();
    }
    // A generated log in the log folder, opened and lap `lap` chosen as the lap list does.
    void openAndChoose(const std::string& name, const loggen::GenOptions& o, int lap) {
        const loggen::GenResult r = loggen::generateLog(o);
        ASSERT_TRUE(r) << r.error;
        ASSERT_EQ(loggen::writeLogFile(*r.memory, app.m.LogDir + "/" + name), "");
        std::string error;
        ASSERT_TRUE(log_open_path(app.m, app.f, app.s, app.m.LogDir + "/" + name, nullptr, &error)) << error;
        ASSERT_TRUE(choose_lap(app.m, app.f, app.s, lap));
    }
};

TEST_F(CompareWindow, TheMenuAndTheButtonAreThereWithTheirTexts) {
    for (int n = 287; n <= 292; ++n) EXPECT_FALSE(app.m.LangText[static_cast<size_t>(n)].empty()) << n;
    EXPECT_EQ(window->action(app.f.Ref_com)->text().toStdString(), "Compare");
    EXPECT_EQ(window->action(app.f.Ref_best)->text().toStdString(), app.m.LangText[288]);
    EXPECT_EQ(window->action(app.f.Ref_file)->text().toStdString(), app.m.LangText[289]);
    EXPECT_TRUE(window->action(app.f.Ref_paint)->isChecked());
    EXPECT_TRUE(window->action(app.f.Ref_list)->isChecked());
    EXPECT_FALSE(window->action(app.f.Ref_clear)->isEnabled());  // nothing to clear yet
    EXPECT_EQ(window->button(app.f.grf_8)->text().toStdString(), "Time diff");
    menus_off(app.f);
    EXPECT_FALSE(window->action(app.f.Ref_com)->isEnabled());
    EXPECT_FALSE(window->button(app.f.grf_8)->isEnabled());
    menus_on(app.f);
    EXPECT_TRUE(window->button(app.f.grf_8)->isEnabled());
}

TEST_F(CompareWindow, TheTimeDifferenceButtonTakesTheBestLapWhenNoneWasChosen) {
    // Without a log it draws the graph saying so.
    window->button(app.f.grf_8)->click();
    EXPECT_EQ(app.m.GraphKind, 8);
    EXPECT_FALSE(app.f.RefLap.On);

    openAndChoose("run.log", {.laps = 4, .seed = 6, .lapVariation = 3}, 2);
    Form3State st;
    lap_list(app.m, st);
    window->button(app.f.grf_8)->click();
    ASSERT_TRUE(app.f.RefLap.On);
    EXPECT_EQ(app.f.RefLap.Lap, st.BestLap);
    EXPECT_EQ(app.f.RefLap.Name, "run");
    EXPECT_EQ(app.m.GraphKind, 8);
    EXPECT_TRUE(window->action(app.f.Ref_clear)->isEnabled());

    // The check marks switch the course colours and the list's columns.
    window->action(app.f.Ref_list)->trigger();
    EXPECT_FALSE(app.f.RefLap.ListDiff);
    EXPECT_FALSE(window->action(app.f.Ref_list)->isChecked());
    window->action(app.f.Ref_paint)->trigger();
    EXPECT_FALSE(app.f.RefLap.PaintCourse);
    window->action(app.f.Ref_clear)->trigger();
    EXPECT_FALSE(app.f.RefLap.On);
    EXPECT_FALSE(app.f.RefLap.PaintCourse);  // kept for the next reference
    EXPECT_FALSE(window->action(app.f.Ref_clear)->isEnabled());
}

TEST_F(CompareWindow, ALapOfAnotherLogThroughTheChooserKeepsTheLoadedLog) {
    openAndChoose("mine.log", {.laps = 3, .seed = 2}, 3);
    const loggen::GenResult other = loggen::generateLog({.laps = 4, .seed = 8, .speedUnit = 1});
    ASSERT_TRUE(other);
    ASSERT_EQ(loggen::writeLogFile(*other.memory, app.m.LogDir + "/other.log"), "");
    const std::string loaded = app.m.LogFileName;
    std::string started;
    app.f.windows.File_Form = [this, &started] {
        started = app.m.LogFileName;
        app.m.LogFileName = app.m.LogDir + "/other.log";
    };
    app.ui.inputAnswers = {"4"};
    window->action(app.f.Ref_file)->trigger();
    EXPECT_EQ(started, app.m.LogDir);  // the chooser starts in the log folder
    EXPECT_EQ(app.m.LogFileName, loaded);
    ASSERT_EQ(app.ui.prompts.size(), 1u);
    EXPECT_EQ(app.ui.prompts[0], app.m.LangText[295] + " (1..4)");
    ASSERT_TRUE(app.f.RefLap.On);
    EXPECT_EQ(std::pair(app.f.RefLap.Name, int{app.f.RefLap.Lap}), std::pair(std::string("other"), 4));
    EXPECT_EQ(app.f.RefLap.SpeedUnit, 1);
    EXPECT_EQ(app.m.LapCur, 3);
    EXPECT_EQ(app.m.SpeedUnit, 0);

    // A lap that is not there: said, and the reference stays.
    app.ui.inputAnswers = {"9"};
    window->action(app.f.Ref_file)->trigger();
    ASSERT_FALSE(app.ui.messages.empty());
    EXPECT_EQ(app.ui.messages.back().text, app.m.LangText[297] + "lap 9 is not in the log (laps 1..4)");
    EXPECT_EQ(app.f.RefLap.Lap, 4);
    // Cancelled: nothing happens.
    const size_t shown = app.ui.messages.size();
    app.ui.inputAnswers = {""};
    window->action(app.f.Ref_file)->trigger();
    EXPECT_EQ(app.ui.messages.size(), shown);
    EXPECT_EQ(app.f.RefLap.Lap, 4);
}

}  // namespace
}  // namespace vt::test
