// The main window's link controls on the offscreen platform: connect, the parameters, start,
// the live gauges, stop and hang up through its buttons and menus, with the test playing the
// logger on the in-memory port.
#include <filesystem>
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "dialup/ui/Form4.h"
#include "layout/FrameLayout.h"
#include "link/Download.h"
#include "link/Receive.h"
#include "link/ui/ConfigScrn.h"
#include "logfiles/ui/FileWindows.h"
#include "loggen/LogGenerator.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "shell/ui/mainform.h"
#include "support/LinkTestApp.h"

namespace vt::test {
namespace {

// The main window over a terminal in a temporary folder, its link on the in-memory port.
struct MainWindowLink : ::testing::Test {
    TestApp app{false};
    TempDir dir;
    std::unique_ptr<mainform> shown;
    void SetUp() override {
        std::string fail;
        ASSERT_TRUE(lang_load(app.m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
        set_folders(app.m, dir.path());
    }
    void open() {
        wire_events(app.m, app.f, app.s);
        shown = std::make_unique<mainform>(app.m, app.f, app.s);
        shown->show();
        shown->load();
    }
};

TEST_F(MainWindowLink, ConnectStartWatchStopAndHangUpThroughTheWindow) {
    open();

    // The logger: parameters on "PARA", a lap start and records on "STRT".
    const std::array<uint8_t, 16> header = {0x06, 0x01, 0x27, 0x10, 0, 0, 0x05, 0xBE, 0, 50, 30, 1, 0, 200, 0, 200};
    MemoryCommPort& port = app.port1();
    std::vector<std::string> commands;
    port.onWritten = [&](std::string_view bytes) {
        commands.emplace_back(bytes);
        if (bytes == commandFrame("PARA")) port.receive(parameterFrame(header, 200));
        if (bytes == commandFrame("STRT")) {
            port.receive(frameOf('L', {{20, 2}}));
            port.receive(recordFrame('G', {0, 0, 90, 40, 100, 120, 0, 85, 0, 70, 0x01, 0x0A, 0, 139, 0, 10}, 5, 6123));
        }
    };

    shown->button(app.f.dial_up)->click();  // connect: opens the port, stops, asks for the parameters
    ASSERT_TRUE(port.portOpen());
    EXPECT_EQ(app.m.LinkUp, kTrue);
    EXPECT_TRUE(shown->action(app.f.mopen)->isChecked());
    EXPECT_FALSE(shown->button(app.f.dial_up)->isEnabled());
    EXPECT_TRUE(shown->button(app.f.dial_down)->isEnabled());
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 204));  // the parameters came
    EXPECT_EQ(app.m.MmPerPulse, 200);
    auto* para = shown->findChild<para_disp*>();
    ASSERT_NE(para, nullptr);
    EXPECT_TRUE(para->isVisible());
    EXPECT_TRUE(shown->action(app.f.tx_start)->isEnabled());

    shown->action(app.f.tx_start)->trigger();
    EXPECT_EQ(commands.back(), commandFrame("STRT"));
    EXPECT_EQ(app.f.lap_no.Caption, " 2");
    EXPECT_EQ(app.f.lap_time.Caption, "1:01.23");
    EXPECT_EQ(app.f.sokudo.Caption, " 100 km/h");
    EXPECT_TRUE(app.f.Gauge4.Visible);
    EXPECT_EQ(app.f.Gauge4.Value, 100);
    EXPECT_FALSE(shown->action(app.f.MFile)->isEnabled());  // locked while streaming

    shown->action(app.f.tx_stop)->trigger();
    EXPECT_TRUE(port.portOpen());
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 147));
    EXPECT_TRUE(shown->action(app.f.MFile)->isEnabled());
    EXPECT_FALSE(app.f.Timer1.Enabled);

    shown->button(app.f.dial_down)->click();
    EXPECT_FALSE(port.portOpen());
    EXPECT_TRUE(shown->button(app.f.dial_up)->isEnabled());
    EXPECT_FALSE(shown->action(app.f.mopen)->isChecked());
    EXPECT_EQ(app.m.MainPortSet, 0);
}

// A download through the menu: the wait window shows how far it has come and its cancel button
// ends it, leaving no file and the window usable.
TEST_F(MainWindowLink, ADownloadShowsItsProgressAndItsCancelLeavesNoFile) {
    open();
    app.f.windows.Form_NAME = [&] { app.m.LogFileName = dir.file("day1"); };
    app.ui.inputAnswers = {"1"};

    // The logger holds two laps; on "LOGP" it sends the header, the lap table and some records.
    loggen::GenOptions o;
    o.laps = 2;
    const std::vector<uint8_t> log = loggen::generateLog(o).memory->fileBytes();
    const size_t tableBlocks = 2 * layout::kLapPageBytes / 16;
    const std::array<uint8_t, 16> header = {0x06, 0x01, 0x27, 0x10, 0, 0, 0x05, 0xBE, 0, 50, 30, 1, 0, 200, 0, 200};
    MemoryCommPort& port = app.port1();
    std::string blocks;  // what the logger sends once the command has gone
    port.onWritten = [&](std::string_view bytes) {
        if (bytes == commandFrame("PARA")) port.receive(parameterFrame(header, 200));
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
    shown->button(app.f.dial_up)->click();
    ASSERT_EQ(app.m.LinkUp, kTrue);

    shown->action(app.f.One_Down)->trigger();
    EXPECT_EQ(app.m.DownMode, 1);
    ASSERT_FALSE(blocks.empty());
    for (size_t at = 0; at < blocks.size(); at += frame::kBytes) port.receive(blocks.substr(at, frame::kBytes));
    auto* wait = shown->findChild<Form2*>();
    ASSERT_NE(wait, nullptr);
    EXPECT_TRUE(wait->isVisible());
    EXPECT_THAT(app.f.Form2.Label1.Caption,
                ::testing::StartsWith("block 460, " + std::to_string(16 * (1 + tableBlocks + 400)) + " bytes of " +
                                      std::to_string(log.size()) + " (36 %)"));
    EXPECT_EQ(app.f.data_cont.Caption, " 460");
    if (const char* shot = std::getenv("VELTRA_SHOT_DIR")) {
        shown->grab().save(QString::fromStdString(std::string(shot) + "/download-main.png"));
        wait->grab().save(QString::fromStdString(std::string(shot) + "/download-wait.png"));
    }

    wait->findChild<QPushButton*>()->click();
    Timer1_Timer(app.m, app.f, app.s);  // the next tick ends it
    EXPECT_EQ(app.m.DownMode, 0);
    EXPECT_FALSE(wait->isVisible());
    EXPECT_TRUE(port.portOpen());
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(e.path().extension(), ".part") << e.path();
    EXPECT_FALSE(std::filesystem::exists(dir.file("day1.log")));
    EXPECT_TRUE(shown->button(app.f.dial_down)->isEnabled());  // the window is usable again
}

TEST_F(MainWindowLink, TheSettingsDialogShowsTheDeviceAndSavesTheChoice) {
    open();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ConfigScrn*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_EQ(dialog->windowTitle().toStdString(), lang(app.m, 94));
        EXPECT_NE(dialog->findChild<QLabel*>("DevicePath")->text().indexOf("COM1: memory"), -1);
        if (const char* shot = std::getenv("VELTRA_SHOT_DIR"))
            dialog->grab().save(QString::fromStdString(std::string(shot) + "/configscrn.png"));
        baud_Click(dialog->state(), 7);
        dialog->atCombo()->setEditText("at&f");
        dialog->ok();
    });
    shown->action(app.f.MSettings1)->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(app.f.MSComm1->settings(), "115200,N,8,1");
    EXPECT_EQ(app.m.MainATCmd, "AT&F");
    EXPECT_EQ(readFile(dir.file("port_main.dat")).substr(0, 13), "1\r\n\"115200\"\r\n");
    EXPECT_EQ(app.f.Label1.Caption, "");
}

TEST_F(MainWindowLink, TheDialListWindowPicksAndAddsNumbers) {
    writeFile(dir.file("dial.dat"), "111\r\n222\r\n");
    open();
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<Form4*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle().toStdString(), lang(app.m, 81));
        EXPECT_EQ(dialog->combo()->currentText().toStdString(), "222");
        if (const char* shot = std::getenv("VELTRA_SHOT_DIR"))
            dialog->grab().save(QString::fromStdString(std::string(shot) + "/form4.png"));
        dialog->combo()->setCurrentIndex(0);
        emit dialog->combo()->activated(0);
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == "OK") b->click();
    });
    shown->action(app.f.tel_no_set)->trigger();
    EXPECT_EQ(app.m.TelNo, "111");
    EXPECT_EQ(readFile(dir.file("dial.dat")), "222\r\n111\r\n");
}

}  // namespace
}  // namespace vt::test
