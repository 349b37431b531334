// The main window on the offscreen platform: captions from the language table, the menu
// groups and enable states after loading, and ending the program.
#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>

#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "shell/ui/mainform.h"
#include "state/MenuGroups.h"
#include "support/TestApp.h"

namespace vt {
namespace {

class MainWindow : public ::testing::Test {
  protected:
    test::TestApp app{false};
    test::TempDir dir;
    std::unique_ptr<mainform> window;

    void SetUp() override {
        std::string fail;
        ASSERT_TRUE(lang_load(app.m, test::sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
        set_folders(app.m, dir.path());
        window = std::make_unique<mainform>(app.m, app.f, app.s);
        window->show();
        window->load();
    }
    std::string text(const Control& c) { return window->action(c)->text().toStdString(); }
    MemoryCommPort& port() { return app.port1(); }
};

TEST_F(MainWindow, CaptionsComeFromTheLanguageTable) {
    EXPECT_EQ(window->windowTitle().toStdString(), "VeltraTerminal            Ver 3.07E");
    EXPECT_EQ(text(app.f.MFile), app.m.LangText[12]);
    EXPECT_EQ(text(app.f.MOpenLog), app.m.LangText[13]);
    EXPECT_EQ(text(app.f.Corse_edit), app.m.LangText[43]);
    EXPECT_EQ(text(app.f.MAIN_PARA_SET), app.m.LangText[257]);
    EXPECT_EQ(window->button(app.f.dial_up)->text().toStdString(), app.m.LangText[52]);
    EXPECT_EQ(window->button(app.f.sub_down)->text().toStdString(), app.m.LangText[53]);
    EXPECT_EQ(window->button(app.f.Test_run)->text().toStdString(), app.m.LangText[56]);
    EXPECT_EQ(app.f.Frame3.Caption, app.m.LangText[50]);
    EXPECT_EQ(app.f.tuusin_state.Caption, app.m.LangText[58]);
}

TEST_F(MainWindow, LoadingLeavesTheDocumentedEnableStates) {
    for (Control* c :
         {&app.f.dial_down, &app.f.sub_down, &app.f.tx_stop, &app.f.Lap_comand, &app.f.Test_run, &app.f.Analize,
          &app.f.Test_stop, &app.f.Corse_trans, &app.f.tx_start, &app.f.para_tx, &app.f.One_Down, &app.f.Fast_Down})
        EXPECT_FALSE(c->Enabled) << c->Caption;
    EXPECT_FALSE(window->action(app.f.tx_start)->isEnabled());
    EXPECT_FALSE(window->button(app.f.Test_run)->isEnabled());
    EXPECT_TRUE(app.f.dial_up.Enabled);
    EXPECT_TRUE(window->action(app.f.MOpenLog)->isEnabled());
    EXPECT_FALSE(app.f.Check1.Visible);
    EXPECT_FALSE(app.f.ANGL_CHK.Visible);
    EXPECT_FALSE(app.f.Label_Cur.Visible);
    EXPECT_EQ(app.f.CHK_AVR.Caption, "OFF");
    EXPECT_EQ(app.f.hiniti.Caption, "2026/12/05  ");
    EXPECT_EQ(app.m.CourseLen, 1000);
    EXPECT_EQ(app.m.GraphKind, 3);
    EXPECT_EQ(app.m.SegMinLen, 10);
    EXPECT_EQ(app.m.CrLfStr, "\r\n");
    EXPECT_EQ(app.f.AfTable[100], 394);
    EXPECT_EQ(app.m.LogFileName, app.m.LogDir);
    for (const char* folder : {"log", "corse", "PARA"}) EXPECT_TRUE(std::filesystem::is_directory(dir.file(folder)));
    EXPECT_GE(app.clock.msecs(), 1000);  // the one-second pause of the loading
}

TEST_F(MainWindow, MenuGroupsSwitchTogether) {
    menus_off(app.f);
    for (Control* c : {&app.f.MFile, &app.f.Sub_Port, &app.f.list_disp, &app.f.Corse_com, &app.f.MAIN_PARA_SET,
                       &app.f.grf_2, &app.f.grf_6})
        EXPECT_FALSE(c->Enabled);
    EXPECT_FALSE(window->action(app.f.MFile)->isEnabled());
    EXPECT_FALSE(window->button(app.f.grf_6)->isEnabled());
    EXPECT_TRUE(app.f.grf_3.Enabled);
    menus_on(app.f);
    EXPECT_TRUE(window->action(app.f.list_disp)->isEnabled());
    EXPECT_TRUE(window->button(app.f.grf_2)->isEnabled());

    app.m.MainATCmd = "AT&F";
    link_menu_on(app.m, app.f);
    EXPECT_TRUE(app.f.tx_start.Enabled);
    EXPECT_TRUE(app.f.One_Down.Enabled);
    EXPECT_FALSE(app.f.Fast_Down.Enabled);  // no fast download through a modem
    app.m.MainATCmd.clear();
    link_menu_on(app.m, app.f);
    EXPECT_TRUE(window->action(app.f.Fast_Down)->isEnabled());
    link_menu_off(app.f);
    EXPECT_FALSE(window->action(app.f.para_tx)->isEnabled());
}

TEST_F(MainWindow, ClosingWithUnsentDataAndAbortKeepsTheProgramRunning) {
    std::string error;
    ASSERT_TRUE(port().setPortOpen(true, &error));
    port().autoDrain = false;
    port().output("STRT");
    app.ui.msgAnswers = {MsgResult::Abort};
    int64_t before = app.clock.msecs();
    EXPECT_FALSE(window->close());
    EXPECT_FALSE(window->unloaded());
    EXPECT_TRUE(port().portOpen());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, "ﾃﾞｰﾀを送信することができません。");
    EXPECT_EQ(app.ui.messages[0].buttons, MsgButtons::AbortRetryIgnore);
    EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Question);
    EXPECT_GE(app.clock.msecs() - before, 10000);
}

TEST_F(MainWindow, RetryWaitsAgainAndIgnoreCloses) {
    std::string error;
    ASSERT_TRUE(port().setPortOpen(true, &error));
    port().autoDrain = false;
    port().output("STOP");
    app.ui.msgAnswers = {MsgResult::Retry, MsgResult::Ignore};
    int64_t before = app.clock.msecs();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(window->unloaded());
    EXPECT_FALSE(port().portOpen());
    EXPECT_EQ(app.ui.messages.size(), 2u);
    EXPECT_GE(app.clock.msecs() - before, 20000);
}

TEST_F(MainWindow, DataLeavingThePortLetsTheWindowClose) {
    std::string error;
    ASSERT_TRUE(port().setPortOpen(true, &error));
    port().autoDrain = false;
    port().output("CLR");
    app.pump.hooks.push_back([this] { port().drain(); });  // the far end takes the bytes
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_FALSE(port().portOpen());
}

TEST_F(MainWindow, ExitMenuClosesThePortsAndEnds) {
    std::string error;
    ASSERT_TRUE(port().setPortOpen(true, &error));
    ASSERT_TRUE(app.f.MSComm2->setPortOpen(true, &error));
    port().autoDrain = false;
    port().output("STRT");  // the exit menu does not wait for it
    window->trigger(app.f.MFileExit);
    EXPECT_TRUE(window->unloaded());
    EXPECT_FALSE(port().portOpen());
    EXPECT_FALSE(app.f.MSComm2->portOpen());
    EXPECT_TRUE(app.ui.messages.empty());
}

TEST_F(MainWindow, WaitWindowCancelEndsTheWait) {
    app.f.Form2.window.setVisible(true);
    app.m.WaitEnd = kFalse;
    Command1_Click(app.m, app.f.Form2);
    EXPECT_EQ(app.m.WaitEnd, kTrue);
    EXPECT_FALSE(app.f.Form2.window.Visible);
}

}  // namespace
}  // namespace vt
