// Latency of the live path: from a frame written on the logger's side to the panel's label
// holding its value, with the terminal's real port and event loop, over a pseudo-terminal and
// over RFC 2217 (a local server standing in for a device server), in the same run. Prints the
// median and the 99th percentile over 1000 frames written every 20 ms, and the process's CPU
// time a frame (everything: the writing side, the event loop, the port and the live path).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QEventLoop>
#include <QGuiApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "display/Graphs.h"
#include "display/Panel.h"
#include "layout/FrameLayout.h"
#include "link/Receive.h"
#include "logdata/Conversions.h"
#include "platform/NumText.h"
#include "platform/UiServices.h"
#include "serial/RealCommPort.h"
#include "serial/Rfc2217.h"
#include "state/MainformState.h"
#include "widgets/ImageCanvas.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string frameWithCounter(int counter) {
    vt::frame::Frame f{};
    vt::layout::putWord(&f[vt::frame::kCounter], counter);
    const uint8_t record[16] = {20, 0, 90, 40, 100, 120, 0, 85, 0, 70, 0x01, 0x0A, 0, 120, 0, 10};
    for (int i = 0; i < 16; ++i) f[static_cast<size_t>(vt::frame::kRecord + i)] = record[i];
    vt::frame::seal(f, vt::frame::kLiveRecord);
    return std::string(reinterpret_cast<const char*>(f.data()), f.size());
}

struct Figures {
    double medianUs, p99Us, maxUs, cpuUsPerFrame;
    size_t frames;
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the live path on `device`; `write` puts one frame on the logger's side.
Figures measure(const std::string& device, const std::function<void(const std::string&)>& write) {
    auto m = vt::makeModule1();
    auto f = vt::makeMainformState(vt::imageCanvases(1.0));
    vt::VirtualClock clock;  // only for the services the handlers carry; the port runs on Qt's loop
    vt::QtEventPump pump;
    vt::NonInteractiveUi ui;
    vt::Services s{ui, clock, pump};
    vt::af_table_build(f->AfTable);
    auto port = std::make_unique<vt::RealCommPort>();
    port->setDevice(device);
    f->MSComm1 = std::move(port);
    vt::install_link_events(*m, *f, s);
    std::string error;
    if (!f->MSComm1->setPortOpen(true, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return {};
    }
    f->MSComm1->setInputMode(vt::InputModeKind::Binary);
    f->MSComm1->setInputLen(25);
    f->MSComm1->setRThreshold(25);
    f->RxOn = vt::kTrue;
    m->MmPerPulse = 200;
    m->TachoPulse = 1;
    m->CourseLen = 2000;
    f->XScale = vt::graphScale(2000);
    vt::meter_set(*m, *f);
    vt::grf_refresh(*m, *f);

    constexpr int kFrames = 1000;
    std::vector<Clock::time_point> written(kFrames + 1);
    std::vector<double> latencyUs;
    latencyUs.reserve(kFrames);
    f->data_cont.changed.add([&] {
        const int counter = static_cast<int>(vt::Val(f->data_cont.Caption));
        if (counter >= 1 && counter <= kFrames)
            latencyUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - written[counter]).count());
    });
    int next = 1;
    QEventLoop loop;
    QTimer writer;
    QObject::connect(&writer, &QTimer::timeout, [&] {
        if (next > kFrames) {
            loop.quit();
            return;
        }
        const std::string fr = frameWithCounter(next);
        written[static_cast<size_t>(next)] = Clock::now();
        write(fr);
        ++next;
    });
    const double cpu0 = cpuSeconds();
    writer.start(20);
    loop.exec();
    const double cpu = cpuSeconds() - cpu0;
    f->MSComm1->setPortOpen(false, &error);
    std::sort(latencyUs.begin(), latencyUs.end());
    if (latencyUs.empty()) return {};
    auto at = [&](double q) { return latencyUs[static_cast<size_t>(q * static_cast<double>(latencyUs.size() - 1))]; };
    return {at(0.5), at(0.99), latencyUs.back(), cpu / kFrames * 1e6, latencyUs.size()};
}

void print(const char* path, const Figures& r) {
    std::printf("%-22s frames %4zu  latency median %5.0f us  p99 %5.0f us  max %6.0f us  cpu %5.1f us/frame\n", path,
                r.frames, r.medianUs, r.p99Us, r.maxUs, r.cpuUsPerFrame);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);

    // Over a pseudo-terminal.
    int master = -1, slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    const Figures pty = measure(name, [master](const std::string& fr) {
        if (::write(master, fr.data(), fr.size()) != static_cast<ssize_t>(fr.size())) std::perror("write");
    });
    ::close(master);
    ::close(slave);

    // Over RFC 2217: a local server that agrees to the COM port option and doubles 0xFF.
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    QTcpSocket* peer = nullptr;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const char agree[] = {char(255), char(253), char(44)};
        peer->write(agree, 3);
        QObject::connect(peer, &QTcpSocket::readyRead, [&] { peer->readAll(); });
    });
    const std::string url = "rfc2217://127.0.0.1:" + std::to_string(server.serverPort());
    const Figures net = measure(url, [&](const std::string& fr) {
        if (!peer) return;
        const std::string escaped = vt::Rfc2217Client::escape(fr);
        peer->write(escaped.data(), static_cast<qint64>(escaped.size()));
    });

    print("pseudo-terminal", pty);
    print("RFC 2217 (loopback)", net);
    return pty.frames > 0 && net.frames > 0 ? 0 : 1;
}
