// The main window on the offscreen platform over a terminal in a temporary folder: its captions,
// the start-up circle and the graph buttons, the menu groups, ending the
// program with unsent data; the lap comparison's menu and button; the course editor's dialog, the
// course chooser and the parameter editor; the link's buttons with the test playing the logger on
// the in-memory port (a download's progress and cancel, the settings and dial-list dialogs); the
// test and analysis runs worked by their buttons, pointer and keys.
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include "compare/CompareTestSupport.h"
#include "course/ui/Corse_para.h"
#include "dialup/ui/Form4.h"
#include "layout/FrameLayout.h"
#include "link/Download.h"
#include "link/Receive.h"
#include "link/ui/ConfigScrn.h"
#include "logfiles/LapLists.h"
#include "logfiles/ui/FileWindows.h"
#include "params/ui/MAIN_PARA.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "shell/ui/ParamMenus.h"
#include "shell/ui/mainform.h"
#include "state/MenuGroups.h"
#include "support/LapTestSupport.h"
#include "support/LinkTestApp.h"
#include "widgets/ImageCanvas.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

class MainWindow : public ::testing::Test {
  protected:
    TestApp app{false};
    TempDir dir;
    MainformState& f = app.f;
    std::unique_ptr<mainform> window;

    void SetUp() override {
        language();
        open();
    }
    void language() {
        std::string fail;
        ASSERT_TRUE(lang_load(app.m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
        set_folders(app.m, dir.path());
    }
    // `wired`: the ports' events reach the link procedures, as in the terminal.
    void open(bool wired = false) {
        if (wired) wire_events(app.m, app.f, app.s);
        window = std::make_unique<mainform>(app.m, app.f, app.s);
        window->show();
        window->load();
    }
    std::string actionText(const Control& c) const { return window->action(c)->text().toStdString(); }
    MemoryCommPort& port() { return app.port1(); }
    // Runs `act` on the modal window of type W once it is up (the menu waits for it to close).
    template <class W>
    void whenShown(std::function<void(W&)> act) {
        QTimer::singleShot(0, [act] {
            QApplication::processEvents();
            auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            act(*w);
        });
    }
    // Double-clicks `name` in the file chooser once it lists it; gives what it listed.
    QStringList chooseInFileForm(const QString& name, int listed) {
        QStringList files;
        whenShown<File_Form>([&files, name, listed](File_Form& chooser) {
            for (int i = 0; i < 200 && files.size() < listed; ++i) {
                QApplication::processEvents(QEventLoop::AllEvents, 20);
                files = chooser.shownFiles();
            }
            const QAbstractItemModel* model = chooser.files()->model();
            const QModelIndex root = chooser.files()->rootIndex();
            emit chooser.files()->doubleClicked(model->match(model->index(0, 0, root), Qt::DisplayRole, name).value(0));
        });
        return files;
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
    // Port 1 open with `command` still waiting to leave it.
    void unsent(const char* command) {
        std::string error;
        ASSERT_TRUE(port().setPortOpen(true, &error)) << error;
        port().autoDrain = false;
        port().output(command);
    }
};

TEST_F(MainWindow, LoadingShowsTheStartUpCircleAndLeavesTheDocumentedStates) {
    EXPECT_EQ(window->windowTitle().toStdString(), "VeltraTerminal            Ver 3.07E");
    EXPECT_EQ(actionText(f.MOpenLog), app.m.LangText[13]);  // the captions come from the language table
    EXPECT_EQ(window->button(f.dial_up)->text().toStdString(), app.m.LangText[52]);
    EXPECT_EQ(f.Frame3.Caption, app.m.LangText[50]);
    for (Control* c : {&f.dial_down, &f.sub_down, &f.tx_stop, &f.Lap_comand, &f.Test_run, &f.Analize, &f.Test_stop,
                       &f.Corse_trans, &f.tx_start, &f.para_tx, &f.One_Down, &f.Fast_Down, &f.Ref_clear})
        EXPECT_FALSE(c->Enabled) << c->Caption;
    EXPECT_FALSE(window->action(f.tx_start)->isEnabled());
    EXPECT_FALSE(window->button(f.Test_run)->isEnabled());
    EXPECT_FALSE(window->action(f.Ref_clear)->isEnabled());
    EXPECT_TRUE(f.dial_up.Enabled);
    EXPECT_TRUE(window->action(f.MOpenLog)->isEnabled());
    EXPECT_TRUE(window->action(f.Ref_paint)->isChecked());
    EXPECT_TRUE(window->action(f.Ref_list)->isChecked());
    EXPECT_FALSE(f.Check1.Visible || f.ANGL_CHK.Visible || f.Label_Cur.Visible);
    EXPECT_EQ(f.CHK_AVR.Caption, "OFF");
    EXPECT_EQ(f.hiniti.Caption, "2026/12/05  ");
    EXPECT_EQ(std::tuple(app.m.CourseLen, app.m.GraphKind, app.m.SegMinLen, app.m.CrLfStr, f.AfTable[100]),
              std::tuple(1000, 3, 10, "\r\n", 394));
    EXPECT_EQ(f.namae.Caption, app.m.LangText[173]);
    EXPECT_EQ(app.m.LogFileName, app.m.LogDir);
    for (const char* folder : {"log", "corse", "PARA"}) EXPECT_TRUE(std::filesystem::is_directory(dir.file(folder)));
    EXPECT_GE(app.clock.msecs(), 1000);  // the one-second pause of the loading
    // The graph picture holds the frame: black pixels along its top and left edges.
    const QImage& img = static_cast<ImageCanvas&>(*f.Picture2).image();
    EXPECT_EQ(img.pixelColor(200, 30), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(59, 100), QColor(Qt::black));

    // Each button draws its own graph (the graphs' texts are the display tests').
    std::unique_ptr<Canvas> shown = std::move(f.Picture2);
    f.Picture2 = std::make_unique<RecordingCanvas>(kPicture2W, kPicture2H);
    auto& rec = static_cast<RecordingCanvas&>(*f.Picture2);
    const std::pair<Control*, const char*> buttons[] = {{&f.grf_4, "*   G, Steering   *"},
                                                        {&f.grf_5, "*   Temp, A/F, Pressure   *"},
                                                        {&f.grf_7, "*   In Line G   *"},
                                                        {&f.grf_3, "*   Speed, rpm   *"}};
    for (const auto& [button, title] : buttons) {
        rec.reset();
        window->trigger(*button);
        ASSERT_GT(rec.ops.size(), 2) << title;
        EXPECT_EQ(rec.ops[1].text, title);
    }
    f.Picture2 = std::move(shown);
}

TEST_F(MainWindow, MenuGroupsSwitchTogether) {
    menus_off(f);
    for (Control* c : {&f.MFile, &f.Sub_Port, &f.list_disp, &f.Corse_com, &f.MAIN_PARA_SET, &f.grf_2, &f.grf_6})
        EXPECT_FALSE(c->Enabled);
    EXPECT_FALSE(window->action(f.MFile)->isEnabled());
    EXPECT_FALSE(window->action(f.Ref_com)->isEnabled());
    EXPECT_FALSE(window->button(f.grf_6)->isEnabled());
    EXPECT_FALSE(window->button(f.grf_8)->isEnabled());
    EXPECT_TRUE(f.grf_3.Enabled);
    menus_on(f);
    EXPECT_TRUE(window->action(f.list_disp)->isEnabled());
    EXPECT_TRUE(window->button(f.grf_2)->isEnabled());
    EXPECT_TRUE(window->button(f.grf_8)->isEnabled());

    app.m.MainATCmd = "AT&F";
    link_menu_on(app.m, f);
    EXPECT_TRUE(f.tx_start.Enabled && f.One_Down.Enabled);
    EXPECT_FALSE(f.Fast_Down.Enabled);  // no fast download through a modem
    app.m.MainATCmd.clear();
    link_menu_on(app.m, f);
    EXPECT_TRUE(window->action(f.Fast_Down)->isEnabled());
    link_menu_off(f);
    EXPECT_FALSE(window->action(f.para_tx)->isEnabled());
}

// Abort keeps the program running; retry waits another ten seconds and ignore closes.
TEST_F(MainWindow, ClosingWithUnsentDataWaitsThenAsksAbortRetryOrIgnore) {
    unsent("STRT");
    app.ui.msgAnswers = {MsgResult::Abort, MsgResult::Retry, MsgResult::Ignore};
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
    before = app.clock.msecs();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(window->unloaded());
    EXPECT_FALSE(port().portOpen());
    EXPECT_EQ(app.ui.messages.size(), 3u);
    EXPECT_GE(app.clock.msecs() - before, 20000);
}

TEST_F(MainWindow, DataLeavingThePortLetsTheWindowClose) {
    unsent("CLR");
    app.pump.hooks.push_back([this] { port().drain(); });  // the far end takes the bytes
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_FALSE(port().portOpen());
}

TEST_F(MainWindow, ExitMenuClosesThePortsWithoutWaiting) {
    unsent("STRT");
    std::string error;
    ASSERT_TRUE(f.MSComm2->setPortOpen(true, &error));
    window->trigger(f.MFileExit);
    EXPECT_TRUE(window->unloaded());
    EXPECT_FALSE(port().portOpen());
    EXPECT_FALSE(f.MSComm2->portOpen());
    EXPECT_TRUE(app.ui.messages.empty());
}

// ---- the lap comparison -------------------------------------------------------------------------

TEST_F(MainWindow, TheTimeDifferenceButtonTakesTheBestLapWhenNoneWasChosen) {
    window->button(f.grf_8)->click();  // without a log it draws the graph saying so
    EXPECT_EQ(app.m.GraphKind, 8);
    EXPECT_FALSE(f.RefLap.On);

    openAndChoose("run.log", {.laps = 4, .seed = 6, .lapVariation = 3}, 2);
    Form3State st;
    lap_list(app.m, st);
    window->button(f.grf_8)->click();
    ASSERT_TRUE(f.RefLap.On);
    EXPECT_EQ(std::pair(int{f.RefLap.Lap}, f.RefLap.Name), std::pair(int{st.BestLap}, std::string("run")));
    EXPECT_EQ(app.m.GraphKind, 8);
    EXPECT_TRUE(window->action(f.Ref_clear)->isEnabled());

    // The check marks switch the course colours and the list's columns.
    window->action(f.Ref_list)->trigger();
    EXPECT_FALSE(f.RefLap.ListDiff);
    EXPECT_FALSE(window->action(f.Ref_list)->isChecked());
    window->action(f.Ref_paint)->trigger();
    EXPECT_FALSE(f.RefLap.PaintCourse);
    window->action(f.Ref_clear)->trigger();
    EXPECT_FALSE(f.RefLap.On);
    EXPECT_FALSE(f.RefLap.PaintCourse);  // kept for the next reference
    EXPECT_FALSE(window->action(f.Ref_clear)->isEnabled());
}

TEST_F(MainWindow, ALapOfAnotherLogThroughTheChooserKeepsTheLoadedLog) {
    openAndChoose("mine.log", {.laps = 3, .seed = 2}, 3);
    const loggen::GenResult other = loggen::generateLog({.laps = 4, .seed = 8, .speedUnit = 1});
    ASSERT_TRUE(other);
    ASSERT_EQ(loggen::writeLogFile(*other.memory, app.m.LogDir + "/other.log"), "");
    const std::string loaded = app.m.LogFileName;
    std::string started;
    f.windows.File_Form = [this, &started] {
        started = app.m.LogFileName;
        app.m.LogFileName = app.m.LogDir + "/other.log";
    };
    app.ui.inputAnswers = {"4"};
    window->action(f.Ref_file)->trigger();
    EXPECT_EQ(started, app.m.LogDir);  // the chooser starts in the log folder
    EXPECT_EQ(app.m.LogFileName, loaded);
    ASSERT_EQ(app.ui.prompts.size(), 1u);
    EXPECT_EQ(app.ui.prompts[0], app.m.LangText[295] + " (1..4)");
    ASSERT_TRUE(f.RefLap.On);
    EXPECT_EQ(std::tuple(f.RefLap.Name, int{f.RefLap.Lap}, int{f.RefLap.SpeedUnit}), std::tuple("other", 4, 1));
    EXPECT_EQ(std::pair(int{app.m.LapCur}, int{app.m.SpeedUnit}), std::pair(3, 0));

    // A lap that is not there: said, and the reference stays. Cancelled: nothing happens.
    app.ui.inputAnswers = {"9"};
    window->action(f.Ref_file)->trigger();
    ASSERT_FALSE(app.ui.messages.empty());
    EXPECT_EQ(app.ui.messages.back().text, app.m.LangText[297] + "lap 9 is not in the log (laps 1..4)");
    const size_t shown = app.ui.messages.size();
    app.ui.inputAnswers = {""};
    window->action(f.Ref_file)->trigger();
    EXPECT_EQ(app.ui.messages.size(), shown);
    EXPECT_EQ(f.RefLap.Lap, 4);
}

// ---- the course and parameter windows -----------------------------------------------------------

TEST_F(MainWindow, CourseEditorDialogWorkedByItsBarsMakesAndSavesACourseTheChooserLoads) {
    openAndChoose("c.log", {.laps = 3, .segments = 4, .seed = 5}, 2);
    auto captioned = [](QWidget& w, const std::string& caption) {
        for (auto* b : w.findChildren<QPushButton*>())
            if (b->text().toStdString() == caption) return b;
        return static_cast<QPushButton*>(nullptr);
    };
    std::string status;
    std::function<void(Corse_para&)> second = [&](Corse_para& dialog) {
        EXPECT_EQ(app.m.GraphKind, 4);
        captioned(dialog, app.m.LangText[104])->click();  // record
    };
    whenShown<Corse_para>([&](Corse_para& dialog) {
        EXPECT_EQ(dialog.windowTitle().toStdString(), app.m.LangText[99]);
        dialog.bar(2)->setValue(80);  // out G above in G: in G follows
        dialog.bar(1)->setValue(70);
        dialog.bar(3)->setValue(30);
        EXPECT_EQ(dialog.bar(2)->value(), 70);
        status = f.Label1.Caption;
        whenShown(second);
        captioned(dialog, app.m.LangText[103])->click();  // exec
    });
    app.ui.inputAnswers = {"window"};
    window->trigger(f.Corse_edit);
    EXPECT_EQ(std::tuple(app.m.HdrWord8, app.m.HdrByte10, app.m.SegMinLen), std::tuple(70, 70, 30));
    EXPECT_EQ(status, app.m.LangText[131]);
    EXPECT_TRUE(std::filesystem::exists(app.m.CorseDir + "/window.dat"));
    EXPECT_EQ(f.Label1.Caption.rfind(app.m.LangText[134], 0), 0u);

    // Loaded again through the file chooser, which lists the course folder's ".dat" files.
    const QStringList files = chooseInFileForm("window.dat", 1);
    window->trigger(f.Corse_in);
    EXPECT_EQ(files, QStringList{"window.dat"});
    EXPECT_EQ(f.namae.Caption, "window");
    EXPECT_TRUE(f.Corse_trans.Enabled);
    EXPECT_FALSE(f.seg_str[1].empty());
}

TEST_F(MainWindow, ParameterEditorShowsWithoutBlockingAndLoadsItsDefaultsEachTime) {
    window->trigger(f.MAIN_PARA_SET);
    MAIN_PARA* editor = shownParamEditor(*window);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(editor->isModal());
    EXPECT_EQ(editor->windowTitle().toStdString(), app.m.LangText[258]);
    EXPECT_THAT(editor->value(1)->toolTip().toStdString(), HasSubstr(" 1 - 600 sec"));
    editor->bar(15)->setValue(17);
    EXPECT_EQ(editor->value(15)->text().toStdString(), "H");
    editor->findChild<QRadioButton*>(QStringLiteral("TRANS1"))->click();
    EXPECT_TRUE(editor->state().TRANS[1].Checked);
    EXPECT_FALSE(editor->state().TRANS[0].Checked);
    // The port is closed: no sending or reading.
    EXPECT_FALSE(editor->findChild<QPushButton*>(QStringLiteral("Command1_2"))->isEnabled());

    window->trigger(f.MAIN_PARA_SET);  // shown again while open: the same window, as it was
    EXPECT_EQ(shownParamEditor(*window), editor);
    EXPECT_EQ(editor->value(15)->text().toStdString(), "H");
    QPointer<MAIN_PARA> closing = editor;  // closed and opened again: loaded with the defaults
    editor->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
    window->trigger(f.MAIN_PARA_SET);
    editor = shownParamEditor(*window);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->value(15)->text().toStdString(), "1");
}

// ---- the link, the test playing the logger on port 1 --------------------------------------------

class MainWindowLink : public MainWindow {
  protected:
    void SetUp() override { language(); }  // each test opens the window, wired
};

// Connected by its button (a live session through the window runs end to end against the
// simulated logger), a download's wait window shows how far it has come and its cancel button
// ends it, leaving no file and the window usable.
TEST_F(MainWindowLink, ADownloadShowsItsProgressAndItsCancelLeavesNoFile) {
    open(true);
    f.windows.Form_NAME = [&] { app.m.LogFileName = dir.file("day1"); };
    app.ui.inputAnswers = {"1"};
    // The logger holds two laps; on "LOGP" it sends the header, the lap table and some records.
    const std::vector<uint8_t> log = loggen::generateLog({.laps = 2}).memory->fileBytes();
    const size_t tableBlocks = 2 * layout::kLapPageBytes / 16;
    const std::array<uint8_t, 16> header = {0x06, 0x01, 0x27, 0x10, 0, 0, 0x05, 0xBE, 0, 50, 30, 1, 0, 200, 0, 200};
    std::string blocks;
    port().onWritten = [&](std::string_view bytes) {
        if (bytes == commandFrame("PARA")) port().receive(parameterFrame(header, 200));
        if (bytes != commandFrame("LOGP 1- 0")) return;
        for (size_t b = 0; b < 1 + tableBlocks + 400; ++b) {
            frame::Frame fr{};
            const uint8_t layoutByte = b == 0 ? 0 : b <= tableBlocks ? 1 : 255;
            fr[frame::kXLayout] = layoutByte;
            if (layoutByte != 1) layout::putWord(&fr[frame::kXCounter], static_cast<int>(b));
            std::copy_n(log.begin() + static_cast<long>(16 * b), 16, fr.begin() + frame::xDataAt(layoutByte));
            frame::seal(fr, frame::kDownload);
            blocks.append(fr.begin(), fr.end());
        }
    };
    window->button(f.dial_up)->click();
    ASSERT_EQ(app.m.LinkUp, kTrue);
    EXPECT_TRUE(window->action(f.mopen)->isChecked());
    EXPECT_FALSE(window->button(f.dial_up)->isEnabled());
    auto* para = window->findChild<para_disp*>();  // the parameters came and are shown
    ASSERT_NE(para, nullptr);
    EXPECT_TRUE(para->isVisible());
    window->action(f.One_Down)->trigger();
    ASSERT_FALSE(blocks.empty());
    for (size_t at = 0; at < blocks.size(); at += frame::kBytes) port().receive(blocks.substr(at, frame::kBytes));
    auto* wait = window->findChild<Form2*>();
    ASSERT_NE(wait, nullptr);
    EXPECT_TRUE(wait->isVisible());
    EXPECT_THAT(f.Form2.Label1.Caption,
                ::testing::StartsWith("block 460, " + std::to_string(16 * (1 + tableBlocks + 400)) + " bytes of " +
                                      std::to_string(log.size()) + " (36 %)"));
    EXPECT_EQ(f.data_cont.Caption, " 460");

    wait->findChild<QPushButton*>()->click();
    Timer1_Timer(app.m, app.f, app.s);  // the next tick ends it
    EXPECT_EQ(app.m.DownMode, 0);
    EXPECT_FALSE(wait->isVisible());
    EXPECT_TRUE(port().portOpen());
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(e.path().extension(), ".part") << e.path();
    EXPECT_FALSE(std::filesystem::exists(dir.file("day1.log")));
    EXPECT_TRUE(window->button(f.dial_down)->isEnabled());
    window->button(f.dial_down)->click();
    EXPECT_FALSE(port().portOpen());
    EXPECT_FALSE(window->action(f.mopen)->isChecked());
}

TEST_F(MainWindowLink, TheSettingsDialogShowsTheDeviceAndSavesTheChoice) {
    open(true);
    bool seen = false;
    whenShown<ConfigScrn>([&](ConfigScrn& dialog) {
        seen = true;
        EXPECT_EQ(dialog.windowTitle().toStdString(), lang(app.m, 94));
        EXPECT_NE(dialog.findChild<QLabel*>("DevicePath")->text().indexOf("COM1: memory"), -1);
        baud_Click(dialog.state(), 7);
        dialog.atCombo()->setEditText("at&f");
        dialog.ok();
    });
    window->action(f.MSettings1)->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(f.MSComm1->settings(), "115200,N,8,1");
    EXPECT_EQ(app.m.MainATCmd, "AT&F");
    EXPECT_EQ(readFile(dir.file("port_main.dat")).substr(0, 13), "1\r\n\"115200\"\r\n");
    EXPECT_EQ(f.Label1.Caption, "");
}

TEST_F(MainWindowLink, TheDialListWindowPicksAndAddsNumbers) {
    writeFile(dir.file("dial.dat"), "111\r\n222\r\n");
    open(true);
    whenShown<Form4>([&](Form4& dialog) {
        EXPECT_EQ(dialog.windowTitle().toStdString(), lang(app.m, 81));
        EXPECT_EQ(dialog.combo()->currentText().toStdString(), "222");
        dialog.combo()->setCurrentIndex(0);
        emit dialog.combo()->activated(0);
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == "OK") b->click();
    });
    window->action(f.tel_no_set)->trigger();
    EXPECT_EQ(app.m.TelNo, "111");
    EXPECT_EQ(readFile(dir.file("dial.dat")), "222\r\n111\r\n");
}

// ---- the runs over a lap: buttons, pointer and keys ---------------------------------------------

class ReplayWindow : public MainWindow {
  protected:
    void SetUp() override {
        language();
        app.pump.attach(f.Timer1);  // its ticks come from the virtual clock
        open(true);
        openGeneratedLap(app, dir, 2);
    }
    PictureBox* graph() { return window->picture(2); }
    void pointAt(double x, double y) {
        const QPointF at(x * graph()->scale(), y * graph()->scale());
        QMouseEvent e(QEvent::MouseMove, at, graph()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(graph(), &e);
    }
    void press(Qt::Key k) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(graph(), &e);
    }
    // Runs `step` once per pass of the events while a run lasts; the step returns false to stop.
    void duringRun(std::function<bool(int pass)> step) {
        auto pass = std::make_shared<int>(0);
        app.pump.hooks.push_back([this, step, pass] {
            if (app.m.ReplayOn == 0 && f.AnalyzeOn == 0) return;
            if (!step(++*pass) || *pass > 100000) window->button(f.Test_stop)->click();
        });
    }
};

TEST_F(ReplayWindow, AnalysisCursorFollowsThePointerAndTheArrowKeys) {
    EXPECT_TRUE(graph()->hasMouseTracking());
    QLabel* line = nullptr;  // the red cursor line over the graph
    for (QLabel* l : graph()->findChildren<QLabel*>())
        if (l->styleSheet().contains("#d01010")) line = l;
    ASSERT_NE(line, nullptr);
    const int atMiddle = static_cast<int>(app.m.RecCount / 452.0 * 226 - 1);
    std::vector<std::string> seen;
    duringRun([&](int pass) {
        if (pass > 1) seen.push_back(f.data_cont.Caption);
        if (pass == 2 || pass == 4) {
            EXPECT_EQ(line->x(), static_cast<int>(f.Label_Cur.Left * graph()->scale()));
        }
        switch (pass) {
            case 1:
                EXPECT_EQ(graph()->cursor().shape(), Qt::CrossCursor);
                EXPECT_TRUE(line->isVisibleTo(graph()));
                pointAt(226, 100);
                break;
            case 2:
                EXPECT_GT(f.Label_Cur.Left, 59);
                press(Qt::Key_Right);
                break;
            case 3:
                press(Qt::Key_Left);
                press(Qt::Key_Left);  // two presses before the run looks: one step
                break;
            default:
                return false;
        }
        return true;
    });
    window->button(f.Analize)->click();
    EXPECT_EQ(seen, (std::vector<std::string>{" " + std::to_string(atMiddle), " " + std::to_string(atMiddle + 1),
                                              " " + std::to_string(atMiddle)}));
    EXPECT_NE(graph()->cursor().shape(), Qt::CrossCursor);
    EXPECT_FALSE(line->isVisibleTo(graph()));
    EXPECT_TRUE(window->button(f.Analize)->isEnabled());
}

TEST_F(ReplayWindow, ClosingTheWindowEndsARun) {
    int passes = 0;
    duringRun([&](int pass) {
        passes = pass;
        if (pass == 50) {  // the window locked while the run lasts
            EXPECT_FALSE(window->button(f.Test_run)->isEnabled() || window->action(f.MFile)->isEnabled());
            EXPECT_TRUE(window->button(f.Test_stop)->isEnabled());
            EXPECT_TRUE(window->close());
        }
        return pass < 1000;
    });
    window->button(f.Test_run)->click();
    EXPECT_TRUE(window->unloaded());
    EXPECT_EQ(passes, 50);  // no pass after the close
    EXPECT_EQ(app.m.ReplayOn, 0);
    EXPECT_FALSE(f.Timer1.Enabled);
}

}  // namespace
}  // namespace vt::test
