// The RFC 2217 client against a device server nobody here wrote: ser2net, started on loopback,
// between the terminal and the simulated logger's pseudo-terminal.
#include <fstream>

#include <gtest/gtest.h>

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include "dialup/DialUp.h"
#include "link/Commands.h"
#include "support/SimProcess.h"

namespace vt::test {
namespace {

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

TEST(Ser2netEndToEnd, TheLiveStreamThroughARealDeviceServer) {
    LiveApp app;
    SimProcess sim({"--course", shortCourse(app.dir)});
    ASSERT_FALSE(sim.device().empty());
    const quint16 port = freePort();
    const std::string config = app.dir.file("ser2net.yaml");
    {
        std::ofstream out(config);
        out << "connection: &logger\n"
            << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << port << "\n"
            << "  connector: serialdev," << sim.device() << ",9600n81,local\n"
            << "  options:\n"
            << "    kickolduser: true\n";
    }
    QProcess ser2net;
    ser2net.start("ser2net", {"-n", "-d", "-c", QString::fromStdString(config), "-P",
                              QString::fromStdString(app.dir.file("ser2net.pid"))});
    ASSERT_TRUE(ser2net.waitForStarted(5000)) << "ser2net is missing (scripts/setup installs it)";
    const std::string url = "rfc2217://127.0.0.1:" + std::to_string(port);
    // ser2net listens once it has read its configuration.
    ASSERT_TRUE(waitFor(
        [&] {
            QTcpSocket s;
            s.connectToHost("127.0.0.1", port);
            return s.waitForConnected(200);
        },
        5000))
        << ser2net.readAllStandardError().toStdString();

    app.useDevice(url);
    dial_up_Click(app.m, app.f, app.s);
    ASSERT_TRUE(app.f.MSComm1->portOpen()) << (app.ui.messages.empty() ? "" : app.ui.messages.back().text);
    ASSERT_TRUE(waitFor([&] { return std::count(app.kinds.begin(), app.kinds.end(), 'P') == 1; }, 8000));
    EXPECT_EQ(app.m.MmPerPulse, 200);
    tx_start_Click(app.m, app.f, app.s);
    ASSERT_TRUE(waitFor([&] { return std::count(app.kinds.begin(), app.kinds.end(), 'G') >= 20; }, 8000));
    EXPECT_EQ(app.f.ResyncOn, 0);
    tx_stop_Click(app.m, app.f, app.s);
    dial_down_Click(app.m, app.f, app.s);
    ser2net.terminate();
    if (!ser2net.waitForFinished(5000)) ser2net.kill();
}

}  // namespace
}  // namespace vt::test
