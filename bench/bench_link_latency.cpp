// Latency of the live path over a pseudo-terminal: from a frame written on the logger's side to
// the panel's label holding its value, with the terminal's real port and event loop. Prints the
// median and the 99th percentile over 1000 frames, written every 20 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QTimer>

#include "display/Graphs.h"
#include "display/Panel.h"
#include "layout/FrameLayout.h"
#include "link/Receive.h"
#include "logdata/Conversions.h"
#include "platform/NumText.h"
#include "platform/UiServices.h"
#include "serial/RealCommPort.h"
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

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
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

    auto m = vt::makeModule1();
    auto f = vt::makeMainformState(vt::imageCanvases(1.0));
    vt::VirtualClock clock;  // only for the services the handlers carry; the port runs on Qt's loop
    vt::QtEventPump pump;
    vt::NonInteractiveUi ui;
    vt::Services s{ui, clock, pump};
    vt::af_table_build(f->AfTable);
    auto port = std::make_unique<vt::RealCommPort>();
    port->setDevice(name);
    f->MSComm1 = std::move(port);
    vt::install_link_events(*m, *f, s);
    std::string error;
    if (!f->MSComm1->setPortOpen(true, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
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
    QTimer writer;
    QObject::connect(&writer, &QTimer::timeout, [&] {
        if (next > kFrames) {
            QCoreApplication::quit();
            return;
        }
        const std::string fr = frameWithCounter(next);
        written[static_cast<size_t>(next)] = Clock::now();
        if (::write(master, fr.data(), fr.size()) != static_cast<ssize_t>(fr.size())) std::perror("write");
        ++next;
    });
    writer.start(20);
    QGuiApplication::exec();

    std::sort(latencyUs.begin(), latencyUs.end());
    if (latencyUs.empty()) {
        std::fprintf(stderr, "no frame reached the panel\n");
        return 1;
    }
    auto at = [&](double q) { return latencyUs[static_cast<size_t>(q * static_cast<double>(latencyUs.size() - 1))]; };
    std::printf("frames on the panel: %zu of %d\n", latencyUs.size(), kFrames);
    std::printf(
        "latency, write on the pseudo-terminal to the panel's label: median %.0f us, p99 %.0f us, max %.0f us\n",
        at(0.5), at(0.99), latencyUs.back());
    ::close(master);
    ::close(slave);
    return 0;
}
