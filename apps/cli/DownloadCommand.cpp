// veltra download: the terminal's download of the logger's memory, headless: connect (a
// direct line, or a modem with --dial), the logger's parameters, the download of a lap range at
// the line's speed or fast, the file NAME.log, and optionally the memory cleared.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "Cli.h"
#include "dialup/DialUp.h"
#include "link/Download.h"
#include "link/PortSettings.h"
#include "link/Ports.h"
#include "link/Receive.h"
#include "serial/RealCommPort.h"
#include "shell/MainformProcs.h"

namespace vt::cli {

namespace {

const char* const kDownloadHelp =
    "usage: veltra download --port DEV -o NAME [--laps A-B] [--fast 38400|57600|115200] [--clear] [--replace]\n"
    "                       [--dial NUMBER [--at CMD]]\n"
    "\n"
    "Downloads the logger's memory as the terminal does and writes NAME.log: connects to the logger on\n"
    "DEV (a serial device, a pseudo-terminal, rfc2217://HOST:PORT or tcp://HOST:PORT; the main port's\n"
    "settings from port_main.dat of the current folder when present, else 9600 bit/s with RTS/CTS),\n"
    "asks for its parameters, then downloads the laps asked for. A progress line goes to standard\n"
    "error every second: blocks, bytes and percent of the range, bytes a second, time left.\n"
    "\n"
    "  --port DEV      the device of the main port\n"
    "  -o NAME         the log to write: NAME.log ('.log' may be given); written whole or not at all\n"
    "  --laps A-B      the laps (as the terminal's question takes them: '3' is lap 3 on, '2-5', '-4');\n"
    "                  default: every lap\n"
    "  --fast RATE     a fast download at 38400, 57600 or 115200 bit/s (a direct line only)\n"
    "  --clear         clear the logger's memory after a good download\n"
    "  --replace       replace NAME.log when it exists (otherwise that is refused)\n"
    "  --dial NUMBER   a modem line: initialise the modem (port_main.dat's command, or --at), dial\n"
    "                  NUMBER; the download then goes without acknowledgements\n"
    "  --at CMD        the modem's initialisation command (default: port_main.dat's, else AT&F)\n"
    "\n"
    "Exit status 0 when the file is complete (a line says so); 1 when frames were damaged or missing on a\n"
    "line without acknowledgements (the file is kept, the line counts them, the memory is not cleared),\n"
    "and with one line on a timeout, a cancel (Ctrl-C), a refused command, no connection or an existing\n"
    "NAME.log; 2 for a usage mistake.\n";

std::atomic<bool> interrupted{false};
void onInterrupt(int) { interrupted = true; }

// The answers the terminal's questions get from the options; boxes are kept, not shown.
class AnsweringUi : public NonInteractiveUi {
  public:
    std::string range;
    bool clear = false;
    bool replace = false;
    std::string last;
    MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon, const std::string&) override {
        last = text;
        if (buttons == MsgButtons::YesNo) {
            const bool replacing = text.find(".log") != std::string::npos;
            return (replacing ? replace : clear) ? MsgResult::Yes : MsgResult::No;
        }
        return defaultAnswer(buttons);
    }
    std::string inputBox(const std::string&, const std::string&, const std::string&) override { return range; }
};

int download(const Args& args) {
    if (!args.values.count("--port")) return args.usage("--port DEV is needed");
    std::string name = args.value("-o");
    if (name.empty()) return args.usage("-o NAME is needed");
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".log") == 0) name.resize(name.size() - 4);
    long fast = 0;
    int fastRate = -1;
    if (args.values.count("--fast")) {
        if (!toInt(args.value("--fast"), fast) || (fast != 38400 && fast != 57600 && fast != 115200))
            return args.usage("--fast is 38400, 57600 or 115200");
        fastRate = fast == 38400 ? 0 : fast == 57600 ? 1 : 2;
    }
    const std::string number = args.value("--dial");
    if (fastRate >= 0 && !number.empty()) return args.usage("a fast download needs a direct line, not --dial");
    if (args.values.count("--at") && number.empty()) return args.usage("--at goes with --dial");
    if (args.values.count("--at") && (args.value("--at").size() < 3 || args.value("--at").rfind("AT", 0) != 0))
        return args.usage("--at needs a modem command starting with AT");
    const std::string range = args.value("--laps", "1-0");
    int32_t from = 0, to = 0;
    if (!parse_range(range, from, to) || from == 0) return args.usage("--laps is A-B with laps 0 ... 100");
    std::error_code ec;
    if (std::filesystem::exists(name + ".log", ec) && !args.has("--replace"))
        return fail("download: " + name + ".log exists (--replace replaces it)");

    Session session;
    Module1& m = session.m;
    MainformState& f = session.f;
    SystemClock clock;
    QtEventPump pump;
    AnsweringUi ui;
    ui.range = range;
    ui.clear = args.has("--clear");
    ui.replace = args.has("--replace");
    Services live{ui, clock, pump};
    auto port = std::make_unique<RealCommPort>();
    port->setDevice(args.value("--port"));
    f.MSComm1 = std::move(port);
    port_init(f);
    wire_events(m, f, live);
    QtTimerDriver timer1(f.Timer1);

    m.CurDir = std::filesystem::current_path().string();
    m.PortSel = 1;
    PortSettings rec = port_load(m);
    if (number.empty()) {
        rec.ATCmd.clear();
    } else {
        if (args.values.count("--at")) rec.ATCmd = args.value("--at");
        if (rec.ATCmd.size() < 3 || rec.ATCmd.rfind("AT", 0) != 0) rec.ATCmd = "AT&F";
    }
    rec.RetryVal = 0;
    ComSet(m, f, rec);
    f.windows.Form4 = [&m, number] { m.TelNo = number; };
    f.windows.Form_NAME = [&m, name, fastRate, clear = ui.clear] {
        m.LogFileName = name;
        m.MemClearAsk = clear ? kTrue : kFalse;
        if (fastRate >= 0) m.FastRate = static_cast<uint8_t>(fastRate);
    };
    bool params = false;
    f.watch.afterFrame = [&] {
        if (m.RxKind[0] == 'P') params = true;
    };

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    const std::string device = args.value("--port");
    dial_up_Click(m, f, live);
    if (!f.MSComm1->portOpen())
        return fail("download: cannot open " + device + ": " + (ui.last.empty() ? "no such device" : ui.last));
    if (m.LinkUp == 0) {
        dial_down_Click(m, f, live);
        return fail("download: no connection on " + device);
    }
    const int64_t until = clock.msecs() + 5100;
    while (!params && !interrupted && f.MSComm1->portOpen() && clock.msecs() < until) pump.idle(20);
    if (!params) {
        dial_down_Click(m, f, live);
        return fail("download: no parameter frame from the logger on " + device);
    }

    if (fastRate >= 0)
        Fast_Down_Click(m, f, live);
    else
        One_Down_Click(m, f, live);
    if (m.DownMode == 0 && f.Label1.Caption != lang(m, 206)) {
        dial_down_Click(m, f, live);
        return fail("download: " + (ui.last.empty() ? f.Label1.Caption : ui.last));
    }
    int64_t nextLine = clock.msecs() + 1000;
    while (m.DownMode != 0 && !interrupted) {
        pump.idle(20);
        if (clock.msecs() >= nextLine) {
            nextLine += 1000;
            std::fprintf(stderr, "download: %s\n", down_progress(m, f, clock.msecs()).c_str());
        }
    }
    if (interrupted && m.DownMode != 0) down_cancel(m, f, live);
    const std::string said = f.Label1.Caption;
    const struct {
        bool complete;
        int64_t bytes;
        int damaged, missing;
    } d{f.Down.complete, f.Down.bytes, f.Down.damaged, f.Down.missing};
    dial_down_Click(m, f, live);
    if (!d.complete) return fail("download: " + said);
    std::printf("%s.log: %lld bytes", name.c_str(), static_cast<long long>(d.bytes));
    if (d.damaged + d.missing > 0) std::printf(", %d frames damaged, %d missing", d.damaged, d.missing);
    std::printf("\n");
    // The memory-clear question was answered from --clear; its command went at the end.
    if (ui.clear && d.damaged + d.missing == 0) std::printf("%s\n", said.c_str());
    return d.damaged + d.missing > 0 ? 1 : 0;
}

}  // namespace

const CommandSpec kDownloadCommand{"download",
                                   "--port DEV -o NAME [options]   the logger's memory into NAME.log",
                                   kDownloadHelp,
                                   {"--port", "-o", "--laps", "--fast", "--dial", "--at"},
                                   {"--clear", "--replace"},
                                   0,
                                   0,
                                   "",
                                   download};

}  // namespace vt::cli
