#include "support/SimProcess.h"

#include <cmath>
#include <csignal>
#include <fstream>
#include <sstream>

#include <sys/prctl.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "link/PortSettings.h"
#include "link/Ports.h"
#include "serial/RealCommPort.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "widgets/ImageCanvas.h"

namespace vt::test {

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

std::string simPath() { return VELTRA_LOGGER_SIM_PATH; }

std::string shortCourse(const TempDir& dir) {
    const std::string path = dir.file("small.csv");
    std::ofstream out(path);
    for (int i = 0; i < 72; ++i) {
        const double a = 2 * M_PI * i / 72;
        out << 40 * std::cos(a) << "," << 40 * std::sin(a) << "\n";
    }
    return path;
}

SimProcess::SimProcess(const std::vector<std::string>& args, const std::string& journal) : journal_(journal) {
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    if (!journal.empty()) list << "--journal" << QString::fromStdString(journal);
    process_.setProgram(QString::fromStdString(simPath()));
    process_.setArguments(list);
    // The simulator ends with the test, even a test that crashes.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_.start();
    std::string out;
    waitFor(
        [&] {
            out += process_.readAllStandardOutput().toStdString();
            return out.find('\n') != std::string::npos || process_.state() == QProcess::NotRunning;
        },
        10000);
    // "veltra-logger-sim: /dev/pts/N"
    const size_t colon = out.find(": ");
    const size_t end = out.find('\n');
    if (colon != std::string::npos && end != std::string::npos) device_ = out.substr(colon + 2, end - colon - 2);
}

SimProcess::~SimProcess() {
    if (running()) stop();
    if (running()) kill();
}

bool SimProcess::running() const { return process_.state() != QProcess::NotRunning; }

void SimProcess::kill() {
    process_.kill();
    process_.waitForFinished(5000);
}

int SimProcess::stop() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
        return -1;
    }
    return process_.exitCode();
}

std::vector<std::string> SimProcess::journal() const {
    std::vector<std::string> lines;
    std::ifstream in(journal_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

LiveApp::LiveApp(bool timers, bool imagePictures)
    : fp(imagePictures ? makeMainformState(imageCanvases(1.0)) : makeRecordingMainformState()), m(*mp), f(*fp) {
    std::string fail;
    lang_load(m, sourceDir() + "/lang/en/LANG.TXT", &fail);
    set_folders(m, dir.path());
    f.MSComm1 = std::make_unique<RealCommPort>();
    f.MSComm2 = std::make_unique<RealCommPort>();
    wire_events(m, f, s);
    // The start-up's second's pause is the virtual clock's business elsewhere; here it is real.
    Form_Load(m, f, s);
    if (timers) {
        timer1_ = std::make_unique<QtTimerDriver>(f.Timer1);
        retry_ = std::make_unique<QtTimerDriver>(f.RETRY_TIMER);
    }
    f.watch.beforeFrame = [this] { kinds.push_back(static_cast<char>(m.RawRec[1])); };
}

LiveApp::~LiveApp() {
    std::string error;
    if (f.MSComm1->portOpen()) f.MSComm1->setPortOpen(false, &error);
    if (f.MSComm2->portOpen()) f.MSComm2->setPortOpen(false, &error);
}

void LiveApp::useDevice(const std::string& device, const std::string& baud) {
    static_cast<RealCommPort&>(*f.MSComm1).setDevice(device);
    m.PortSel = 1;
    PortSettings rec = defaultSettings(1);
    rec.BaudStr = baud;
    ComSet(m, f, rec);
}

}  // namespace vt::test
