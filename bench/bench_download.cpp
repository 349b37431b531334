// Downloads at the speed of the line.
//
// 1. Acknowledgement turnaround: the bench plays the logger on a pseudo-terminal in this process
//    and times each "X" frame's last byte written to the terminal's "GD" read back (median, p99).
// 2. Efficiency: `veltra download` against veltra-logger-sim pacing like a real line; data bytes
//    a second into the file (the tool's last progress figure) over the line's bound (speed / 10
//    bytes a second x 16 data bytes per 25-byte frame): acknowledged (LOGP) and not (LOGN, a
//    modem line) at 9600 and 115200 bit/s, and a fast download (FASTC) from a 9600 line.
// 3. A full memory (40 laps of Monza, 52 202 of 53 248 records) fast at 115200 bit/s: wall time
//    and the tool's peak resident memory.
//
// usage: bench_download [--skip-full | --only-full]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include "layout/FrameLayout.h"
#include "link/PortSettings.h"
#include "link/Receive.h"
#include "platform/Clock.h"
#include "platform/UiServices.h"
#include "serial/RealCommPort.h"
#include "state/MainformState.h"
#include "state/Module1.h"
#include "widgets/ImageCanvas.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string xFrame(uint8_t layoutByte, int counter) {
    vt::frame::Frame f{};
    f[vt::frame::kXLayout] = layoutByte;
    vt::layout::putWord(&f[vt::frame::kXCounter], counter);
    for (int i = 0; i < 16; ++i) f[static_cast<size_t>(vt::frame::xDataAt(layoutByte) + i)] = uint8_t(i * 7 + counter);
    vt::frame::seal(f, vt::frame::kDownload);
    return std::string(reinterpret_cast<const char*>(f.data()), f.size());
}

// 1. The terminal's download state on the slave side of a pseudo-terminal, the bench writing
// frames on the master side and answering each "GD" with the next frame.
void turnaround() {
    int master = -1, slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return std::perror("openpty");
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    auto m = vt::makeModule1();
    auto f = vt::makeMainformState(vt::imageCanvases(1.0));
    vt::SystemClock clock;
    vt::QtEventPump pump;
    vt::NonInteractiveUi ui;
    vt::Services s{ui, clock, pump};
    auto port = std::make_unique<vt::RealCommPort>();
    port->setDevice(name);
    f->MSComm1 = std::move(port);
    vt::install_link_events(*m, *f, s);
    std::string error;
    if (!f->MSComm1->setPortOpen(true, &error)) return (void)std::fprintf(stderr, "%s\n", error.c_str());
    f->MSComm1->setInputMode(vt::InputModeKind::Binary);
    f->MSComm1->setInputLen(25);
    f->MSComm1->setRThreshold(25);
    const std::string file = std::filesystem::temp_directory_path() / "bench_download.part";
    f->Down.TempPath = file;
    f->Down.file = std::fopen(file.c_str(), "wb");
    m->DownMode = 1;
    m->AckMode = vt::kTrue;
    f->RxOn = vt::kTrue;

    constexpr int kFrames = 3000;
    std::vector<double> us;
    us.reserve(kFrames);
    int next = 0;
    Clock::time_point sent;
    QEventLoop loop;
    auto send = [&] {
        const std::string fr = xFrame(next == 0 ? 0 : 255, next);
        sent = Clock::now();
        if (::write(master, fr.data(), fr.size()) != static_cast<ssize_t>(fr.size())) std::perror("write");
        ++next;
    };
    std::string answer;
    QSocketNotifier notifier(master, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char buf[64];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) return;
        answer.append(buf, static_cast<size_t>(n));
        if (answer.size() < 2) return;
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
        answer.clear();
        if (next >= kFrames) return loop.quit();
        send();
    });
    QTimer::singleShot(0, [&] { send(); });
    QTimer::singleShot(60000, [&] { loop.quit(); });
    loop.exec();
    std::fclose(f->Down.file);
    f->Down.file = nullptr;
    std::filesystem::remove(file);
    f->MSComm1->setPortOpen(false, &error);
    ::close(master);
    ::close(slave);
    std::sort(us.begin(), us.end());
    if (us.empty()) return (void)std::printf("turnaround: no answer\n");
    std::printf("ack turnaround (pty, %zu frames): median %.0f us, p99 %.0f us, max %.0f us\n", us.size(),
                us[us.size() / 2], us[us.size() * 99 / 100], us.back());
}

struct Sim {
    QProcess p;
    std::string device;
    explicit Sim(const QStringList& args) {
        p.setProgram(QStringLiteral(VELTRA_SOURCE_DIR "/build/release/apps/veltra-logger-sim"));
        p.setArguments(args);
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start();
        p.waitForStarted();
        while (p.waitForReadyRead(5000)) {
            const QByteArray line = p.readLine();
            if (line.startsWith("veltra-logger-sim: ")) {
                device = line.mid(19).trimmed().toStdString();
                return;
            }
        }
    }
    ~Sim() {
        p.terminate();
        if (!p.waitForFinished(3000)) p.kill();
        p.waitForFinished();
    }
};

struct ToolFigures {
    int code = -1;
    double wallS = 0, rate = 0;
    long peakKb = 0;
    std::string out;
};

// `veltra download ARGS` in `folder`: status, wall time, the last progress figure, peak RSS.
ToolFigures download(const std::string& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {VELTRA_SOURCE_DIR "/build/release/apps/veltra", "download"});
    int errPipe[2], outPipe[2];
    if (pipe(errPipe) != 0 || pipe(outPipe) != 0) return {};
    const auto t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        dup2(errPipe[1], 2);
        dup2(outPipe[1], 1);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(errPipe[1]);
    ::close(outPipe[1]);
    std::string err, out;
    char buf[4096];
    for (ssize_t n; (n = ::read(errPipe[0], buf, sizeof buf)) > 0;) err.append(buf, static_cast<size_t>(n));
    for (ssize_t n; (n = ::read(outPipe[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    ::close(errPipe[0]);
    ::close(outPipe[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    ToolFigures r;
    r.wallS = std::chrono::duration<double>(Clock::now() - t0).count();
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.peakKb = usage.ru_maxrss;
    r.out = out;
    static const std::regex rate(R"((\d+) bytes/s)");
    for (std::sregex_iterator i(err.begin(), err.end(), rate), end; i != end; ++i) r.rate = std::stod((*i)[1]);
    if (r.code != 0) std::fprintf(stderr, "%s%s", out.c_str(), err.c_str());
    return r;
}

// The main port's settings in `folder` at `baud` with RTS/CTS, as the terminal stores them.
void portFile(const std::string& folder, int baud) {
    vt::PortSettings rec = vt::defaultSettings(1);
    rec.BaudStr = std::to_string(baud);
    std::FILE* out = std::fopen((folder + "/port_main.dat").c_str(), "wb");
    if (!out) return std::perror("port_main.dat");
    const std::string text = vt::settings_text(rec);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
}

void efficiency(const std::string& folder, const std::string& log) {
    const struct {
        const char* what;
        int lineBaud, dataBaud;
        bool modem;
        const char* fast;
    } cases[] = {
        {"LOGP at 9600", 9600, 9600, false, nullptr},       {"LOGN at 9600 (modem)", 9600, 9600, true, nullptr},
        {"LOGP at 115200", 115200, 115200, false, nullptr}, {"LOGN at 115200 (modem)", 115200, 115200, true, nullptr},
        {"FASTC from 9600", 9600, 115200, false, "115200"},
    };
    for (const auto& c : cases) {
        QStringList simArgs{"--log", QString::fromStdString(log), "--baud", QString::number(c.lineBaud)};
        if (c.modem)
            simArgs << "--modem"
                    << "--connect-delay"
                    << "500";
        Sim sim(simArgs);
        portFile(folder, c.lineBaud);
        std::filesystem::remove(folder + "/eff.log");
        std::vector<std::string> args{"--port", sim.device, "-o", "eff", "--laps", c.lineBaud == 9600 ? "3" : "1"};
        if (c.modem) args.insert(args.end(), {"--dial", "123"});
        if (c.fast) args.insert(args.end(), {"--fast", c.fast});
        const ToolFigures r = download(folder, args);
        const double bound = c.dataBaud / 10.0 * 16 / 25;
        std::printf("%-24s %6.0f bytes/s of %6.0f: %5.1f %%  (status %d, %s)\n", c.what, r.rate, bound,
                    100 * r.rate / bound, r.code, r.out.empty() ? "-" : r.out.substr(0, r.out.find('\n')).c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const bool skipFull = argc > 1 && std::strcmp(argv[1], "--skip-full") == 0;
    const bool onlyFull = argc > 1 && std::strcmp(argv[1], "--only-full") == 0;
    if (!onlyFull) turnaround();

    const std::string folder = std::filesystem::temp_directory_path() / ("bench_download." + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string veltra = VELTRA_SOURCE_DIR "/build/release/apps/veltra";
    const std::string monza = VELTRA_SOURCE_DIR "/data/tracks/Monza.csv";
    auto generate = [&](const std::string& name, int laps) {
        const std::string cmd = veltra + " generate " + folder + "/" + name + " --laps " + std::to_string(laps) +
                                " --course " + monza + " > /dev/null";
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "generate failed\n");
        return folder + "/" + name;
    };
    if (!onlyFull) efficiency(folder, generate("three.log", 3));

    if (!skipFull) {
        const std::string full = generate("full.log", 40);
        Sim sim({"--log", QString::fromStdString(full)});
        portFile(folder, 9600);
        const ToolFigures r = download(folder, {"--port", sim.device, "-o", "copy", "--fast", "115200"});
        auto bytes = [](const std::string& path) {
            std::string b;
            if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
                char buf[65536];
                for (size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) b.append(buf, n);
                std::fclose(in);
            }
            return b;
        };
        const std::string got = bytes(folder + "/copy.log");
        std::printf("full memory fast at 115200: %s, %zu bytes in %.1f s (%.0f bytes/s), peak RSS %ld kB, status %d\n",
                    got == bytes(full) ? "byte-exact" : "DIFFERS", got.size(), r.wallS, r.rate, r.peakKb, r.code);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
