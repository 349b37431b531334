// The ports' settings files and the settings dialog: defaults for a missing or bad file, the
// record applied to the port, and the dialog's rules for rates, redial wait and the AT list.
#include <filesystem>

#include <gtest/gtest.h>

#include "link/ConfigScrn.h"
#include "link/PortSettings.h"
#include "link/Ports.h"
#include "support/LinkTestApp.h"

namespace vt::test {
namespace {

const std::string kMainDefaults = "1\r\n\"9600\"\r\n2\r\n0\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"AT&F\"\r\n";

TEST(PortSettings, FirstOpenWritesTheDefaultsAndAppliesThem) {
    LinkTestApp app;
    ASSERT_TRUE(MOpen_Click(app.m, app.f, app.s));
    EXPECT_EQ(readFile(app.dir.file("port_main.dat")), kMainDefaults);
    EXPECT_EQ(app.f.MSComm1->commPort(), 1);
    EXPECT_EQ(app.f.MSComm1->settings(), "9600,N,8,1");
    EXPECT_EQ(app.f.MSComm1->handshaking(), 2);
    EXPECT_EQ(app.m.MainPortSet, 1);
    EXPECT_TRUE(app.f.mopen.Checked);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 162));
    // The sub port's defaults: COM2 and the answering command last.
    app.m.PortSel = 2;
    std::string error;
    ASSERT_TRUE(default_save(app.m, &error)) << error;
    EXPECT_EQ(readFile(app.dir.file("port_sub.dat")),
              "2\r\n\"9600\"\r\n2\r\n0\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"AT&FS0=1\"\r\n");
}

TEST(PortSettings, BadFilesGiveTheDefaultsWithoutAHang) {
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"unclosed quote", "3\r\n\"19200\r\n1\r\n5\r\n"},
        {"port out of range", "11\r\n\"9600\"\r\n2\r\n0\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n"},
        {"rate not digits", "1\r\n\"fast\"\r\n2\r\n0\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n"},
        {"huge", std::string(200000, '7')},
    };
    for (const auto& [what, bytes] : files) {
        LinkTestApp app;
        writeFile(app.dir.file("port_main.dat"), bytes);
        app.m.PortSel = 1;
        PortSettings rec;
        moniport_set(app.m, app.f, rec);
        SCOPED_TRACE(what);
        EXPECT_EQ(rec.BaudStr, "9600");
        EXPECT_EQ(rec.ComPortNo, 1);
        EXPECT_EQ(readFile(app.dir.file("port_main.dat")), kMainDefaults);
    }
}

TEST(PortSettings, AFileWithValuesOnOneLineAndQuotedCommasReadsBack) {
    LinkTestApp app;
    writeFile(app.dir.file("port_main.dat"),
              "4, \"38400\", 3, 15\r\n\"AT&F,X3\"\r\n\"ATZ\"\r\n\"\"\r\n\"\"\r\n\"AT&F\"\r\n");
    app.m.PortSel = 1;
    PortSettings rec;
    moniport_set(app.m, app.f, rec);
    EXPECT_EQ(rec.ComPortNo, 4);
    EXPECT_EQ(rec.FlowNo, 3);
    EXPECT_EQ(app.m.MainATCmd, "AT&F,X3");
    EXPECT_EQ(app.m.RetrySec, 15);
    EXPECT_EQ(app.f.MSComm1->settings(), "38400,N,8,1");
    // Written back, the same record reads again.
    PortSettings again;
    ASSERT_TRUE(parse_settings(settings_text(rec), again));
    EXPECT_EQ(again.ATList, rec.ATList);
}

TEST(ConfigScrn, RatesRedialWaitAndTheComPortOfTheOtherPort) {
    LinkTestApp app;
    app.m.PortSel = 1;
    ConfigScrnState st;
    Form_Load(app.m, app.f, st);
    EXPECT_TRUE(st.baud[3].Checked);  // 9600
    EXPECT_TRUE(st.RTSFlow.Checked);
    baud_Click(st, 7);
    EXPECT_EQ(st.rec.BaudStr, "115200");
    std::vector<int> waits;
    for (int i = 0; i < 13; ++i) {
        RetryLabel_Click(st);
        waits.push_back(st.rec.RetryVal);
    }
    EXPECT_EQ(waits, (std::vector<int>{5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 0}));
    EXPECT_EQ(st.RetryLabel.Caption, " 0");

    // The sub port's dialog: the main port's COM number cannot be chosen, no redial.
    app.f.MSComm1->setCommPort(3);
    app.m.PortSel = 2;
    ConfigScrnState sub;
    Form_Load(app.m, app.f, sub);
    EXPECT_FALSE(sub.ComPort[3].Enabled);
    EXPECT_TRUE(sub.ComPort[2].Checked);
    EXPECT_FALSE(sub.Frame_retry.Enabled);
}

TEST(ConfigScrn, TheAtListIsMostRecentlyUsedFirstInUpperCase) {
    LinkTestApp app;
    app.m.PortSel = 1;
    writeFile(app.dir.file("port_main.dat"),
              "1\r\n\"9600\"\r\n2\r\n0\r\n\"atz\"\r\n\"AT1\"\r\n\"AT2\"\r\n\"AT3\"\r\n\"AT4\"\r\n");
    {
        // A command typed without clicking an entry becomes entry 0, upper-cased.
        ConfigScrnState st;
        Form_Load(app.m, app.f, st);
        st.ATsetText = "at&f";
        OKButton_Click(app.m, app.f, app.s, st);
        EXPECT_EQ(st.rec.ATList[0], "AT&F");
        EXPECT_EQ(app.m.MainATCmd, "AT&F");
        EXPECT_TRUE(st.Unloaded);
    }
    {
        // Entry 3 chosen: it moves up to 0 and the former entry 0 takes its place.
        ConfigScrnState st;
        Form_Load(app.m, app.f, st);
        ATset_Click(st, 3);
        OKButton_Click(app.m, app.f, app.s, st);
        EXPECT_EQ(st.rec.ATList, (std::array<std::string, 5>{"AT3", "AT1", "AT2", "AT&F", "AT4"}));
    }
    PortSettings saved;
    ASSERT_TRUE(parse_settings(readFile(app.dir.file("port_main.dat")), saved));
    EXPECT_EQ(saved.ATList[0], "AT3");
    // Cancel changes nothing on disk.
    const std::string before = readFile(app.dir.file("port_main.dat"));
    ConfigScrnState st;
    Form_Load(app.m, app.f, st);
    baud_Click(st, 7);
    CancelButton_Click(st);
    EXPECT_EQ(readFile(app.dir.file("port_main.dat")), before);
    // Defaults restore the file.
    shokiset_Click(app.m, app.f, app.s, st);
    EXPECT_EQ(readFile(app.dir.file("port_main.dat")), kMainDefaults);
    EXPECT_EQ(st.ATsetText, "");
}

TEST(Ports, AnOpenFailureIsShownAndTheMenusTellTheTruth) {
    LinkTestApp app;
    app.port1().failOpen = true;
    EXPECT_FALSE(MOpen_Click(app.m, app.f, app.s));
    ASSERT_FALSE(app.ui.messages.empty());
    EXPECT_EQ(app.ui.messages.back().text, "Port is in use");  // the port's own words
    EXPECT_FALSE(app.f.mopen.Checked);
    EXPECT_TRUE(app.f.dial_up.Enabled);
    EXPECT_FALSE(app.f.dial_down.Enabled);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 163));
    app.port1().failOpen = false;
    EXPECT_TRUE(MOpen_Click(app.m, app.f, app.s));
    EXPECT_TRUE(app.f.dial_down.Enabled);
    EXPECT_FALSE(app.f.MSettings1.Enabled);  // the settings only while the port is closed
}

}  // namespace
}  // namespace vt::test
