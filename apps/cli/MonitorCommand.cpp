// veltra monitor: the terminal's own link sequence, headless, against a logger on a serial
// device: settings, open, connect as a direct line, the logger's parameters, the live stream
// printed one line per frame, then stop and hang up.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "Cli.h"
#include "dialup/DialUp.h"
#include "layout/FrameLayout.h"
#include "link/Commands.h"
#include "link/PortSettings.h"
#include "link/Ports.h"
#include "link/Receive.h"
#include "link/SubPort.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"
#include "serial/RealCommPort.h"
#include "shell/MainformProcs.h"

namespace vt::cli {

namespace {

const char* const kMonitorHelp =
    "usage: veltra monitor --port DEV [--baud B] [--flow 0-3] [--rate L|M|S] [--seconds S | --frames N]\n"
    "                      [--params-only] [--dial NUMBER [--at CMD] [--redial SECONDS]]\n"
    "                      [--sub-port DEV [--sub-at CMD]]\n"
    "\n"
    "Runs the terminal's link sequence against the logger on DEV (a serial device or pseudo-terminal):\n"
    "the main port's settings (port_main.dat of the current folder when present, else the defaults;\n"
    "the options override them), open, connect as a direct line, wait for the logger's parameter\n"
    "frame and print the parameter display as 'veltra params' does, send the start command, print one\n"
    "line per frame handed to the frame handler, then stop the stream and hang up (also on Ctrl-C).\n"
    "\n"
    "  --port DEV      the device the main port opens\n"
    "  --baud B        line speed: 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200\n"
    "  --flow F        0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both\n"
    "  --rate L|M|S    the logger's live transfer rate, sent before the start command\n"
    "  --seconds S     stream for S seconds (default: until Ctrl-C)\n"
    "  --frames N      stream until N frames were handled\n"
    "  --params-only   hang up after the parameters\n"
    "  --dial NUMBER   a modem line: initialise the modem (the AT command of port_main.dat, or --at),\n"
    "                  dial NUMBER (the dial list is not shown) and wait for CONNECT\n"
    "  --at CMD        the modem's initialisation command (default: port_main.dat's, else AT&F)\n"
    "  --redial S      after a lost carrier, count S seconds (5 ... 60) and dial again\n"
    "  --sub-port DEV  open the sub port on DEV and relay the live frames to a remote station there\n"
    "  --sub-at CMD    the sub port modem's initialisation command (default AT&FS0=1)\n"
    "\n"
    "Lines (one per frame): 'L <lap>', 'S <segment> <segment time>', 'T <event> <text shown>',\n"
    "'G <counter> <lap time or -> <Chan(0)>,...,<Chan(10)>', 'N ...' and 'Z ...' as G without the lap\n"
    "time, 'P' for a later parameter frame; 'resync' when a bad frame starts the resynchronisation,\n"
    "'watchdog' when 51 ticks pass without a frame; with a modem 'dial <result>' for each dial,\n"
    "'carrier lost' when the modem says NO CARRIER, 'redial <n>' for each step of the countdown; with\n"
    "a sub port 'relay <kind>' for each frame relayed to the remote station.\n"
    "Exit status 0 after a session; 1 when the port cannot be opened or no parameter frame comes\n"
    "within 5.1 s; 2 for a usage mistake.\n";

std::atomic<bool> interrupted{false};

// The last line of a modem's text, without its line ends: "CONNECT 9600" of "ATDT1\r\r\nCONNECT 9600\r\n".
std::string lastLine(const std::string& text) {
    const size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) return {};
    const size_t start = text.find_last_of("\r\n", end);
    return Trim(text.substr(start == std::string::npos ? 0 : start + 1,
                            end + 1 - (start == std::string::npos ? 0 : start + 1)));
}

void onInterrupt(int) { interrupted = true; }

// Message boxes are kept, not shown: the command says what failed in one line of its own.
class QuietUi : public NonInteractiveUi {
  public:
    MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon, const std::string&) override {
        last = text;
        return defaultAnswer(buttons);
    }
    std::string last;
};

std::string channels(const Module1& m) {
    std::string s;
    for (int i = 0; i <= 10; ++i) {
        if (i) s += ',';
        s += std::to_string(m.Chan[static_cast<size_t>(i)]);
    }
    return s;
}

int monitor(const Args& args) {
    long baud = 0, flow = -1, seconds = -1, frames = -1;
    if (args.values.count("--baud")) {
        static const long kRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
        if (!toInt(args.value("--baud"), baud) ||
            std::find(std::begin(kRates), std::end(kRates), baud) == std::end(kRates))
            return args.usage("--baud must be one of 1200 ... 115200");
    }
    if (args.values.count("--flow") && (!toInt(args.value("--flow"), flow) || flow < 0 || flow > 3))
        return args.usage("--flow must be 0, 1, 2 or 3");
    if (args.values.count("--seconds") && (!toInt(args.value("--seconds"), seconds) || seconds < 0))
        return args.usage("--seconds needs a whole number of seconds");
    if (args.values.count("--frames") && (!toInt(args.value("--frames"), frames) || frames < 1))
        return args.usage("--frames needs a number of frames, 1 or more");
    if (seconds >= 0 && frames >= 0) return args.usage("give --seconds or --frames, not both");
    const std::string rate = args.value("--rate");
    if (!rate.empty() && rate != "L" && rate != "M" && rate != "S") return args.usage("--rate is L, M or S");
    if (!args.values.count("--port")) return args.usage("--port DEV is needed");
    const std::string device = args.value("--port");
    const std::string number = args.value("--dial");
    long redial = 0;
    if (args.values.count("--redial") &&
        (!toInt(args.value("--redial"), redial) || redial < 5 || redial > 60 || redial % 5 != 0))
        return args.usage("--redial is 5, 10, ... 60 seconds");
    if (number.empty() && (args.values.count("--at") || args.values.count("--redial")))
        return args.usage("--at and --redial go with --dial");
    if (args.values.count("--at") && (args.value("--at").size() < 3 || args.value("--at").rfind("AT", 0) != 0))
        return args.usage("--at needs a modem command starting with AT");

    // The terminal right after start-up, then the link on the real clock.
    Session session;
    Module1& m = session.m;
    MainformState& f = session.f;
    SystemClock clock;
    QtEventPump pump;
    QuietUi ui;
    Services live{ui, clock, pump};
    auto port = std::make_unique<RealCommPort>();
    port->setDevice(device);
    f.MSComm1 = std::move(port);
    port_init(f);
    wire_events(m, f, live);
    QtTimerDriver timer1(f.Timer1);

    // The main port's settings: the working folder's file when it is one, the options over it.
    m.CurDir = std::filesystem::current_path().string();
    m.PortSel = 1;
    PortSettings rec = port_load(m);
    if (baud > 0) rec.BaudStr = std::to_string(baud);
    if (flow >= 0) rec.FlowNo = static_cast<int16_t>(flow);
    if (number.empty()) {
        rec.ATCmd.clear();  // a direct line
    } else {
        if (args.values.count("--at")) rec.ATCmd = args.value("--at");
        if (rec.ATCmd.size() < 3 || rec.ATCmd.rfind("AT", 0) != 0) rec.ATCmd = "AT&F";
        rec.RetryVal = static_cast<int16_t>(redial);
    }
    ComSet(m, f, rec);
    // The dial list is not shown: the number given is the one chosen.
    f.windows.Form4 = [&m, number] { m.TelNo = number; };
    QtTimerDriver retryTimer(f.RETRY_TIMER);
    f.watch.dialResult = [](const std::string& result) {
        std::printf("dial %s\n", lastLine(result).c_str());
        std::fflush(stdout);
    };
    f.watch.carrierLost = [] {
        std::printf("carrier lost\n");
        std::fflush(stdout);
    };
    f.watch.redialStep = [](int n) {
        std::printf("redial %d\n", n);
        std::fflush(stdout);
    };
    f.watch.relayed = [](char kind) {
        std::printf("relay %c\n", kind);
        std::fflush(stdout);
    };

    // One line per frame.
    bool lapPending = false;
    long handled = 0;
    bool paramsSeen = false;
    f.watch.beforeFrame = [&] { lapPending = f.LapPending != 0; };
    f.watch.afterFrame = [&] {
        ++handled;
        const char kind = m.RxKind[0];
        const int counter = (m.RawRec[frame::kCounter] & 0xEF) * 256 + m.RawRec[frame::kCounter + 1];
        switch (kind) {
            case frame::kLapStart:
                std::printf("L %d\n", m.RawRec[frame::kLapNumber]);
                break;
            case frame::kSegment:
                std::printf("S %d %s\n", m.SegNo, f.SEG_TIME.Caption.c_str());
                break;
            case frame::kEvent: {
                const int event = m.RawRec[frame::kEventCode];
                const std::string shown = event == frame::kStopEnded ? f.STOP_TIME.Caption
                                          : event == frame::kPitOut  ? f.PIT_IN_TIME.Caption
                                                                     : f.Label1.Caption;
                std::printf("T %d %s\n", event, shown.c_str());
                break;
            }
            case frame::kLiveRecord:
                std::printf("G %d %s %s\n", counter, lapPending ? f.lap_time.Caption.c_str() : "-",
                            channels(m).c_str());
                break;
            case frame::kLoggingRecord:
            case frame::kRealTimeRecord:
                std::printf("%c %d %s\n", kind, counter, channels(m).c_str());
                break;
            case frame::kParameters:
                if (paramsSeen) std::printf("P\n");
                paramsSeen = true;
                break;
            default:
                std::printf("%c\n", kind);
                break;
        }
        std::fflush(stdout);
    };
    f.watch.resync = [] {
        std::printf("resync\n");
        std::fflush(stdout);
    };
    f.watch.watchdog = [] {
        std::printf("watchdog\n");
        std::fflush(stdout);
    };

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    auto hangUp = [&] {
        if (f.MSComm1->portOpen()) {
            if (f.RxOn != 0) tx_stop_Click(m, f, live);
            dial_down_Click(m, f, live);
        }
    };

    if (args.values.count("--sub-port")) {
        auto sub = std::make_unique<RealCommPort>();
        sub->setDevice(args.value("--sub-port"));
        f.MSComm2 = std::move(sub);
        port_init(f);
        install_link_events(m, f, live);
        m.PortSel = 2;
        PortSettings subRec = defaultSettings(2);
        subRec.ATCmd = args.values.count("--sub-at") ? args.value("--sub-at") : "AT&FS0=1";
        ComSet(m, f, subRec);
        m.PortSel = 1;
        sub_up_Click(m, f, live);
        if (!f.MSComm2->portOpen())
            return fail("monitor: cannot open the sub port " + args.value("--sub-port") + ": " + ui.last);
    }

    dial_up_Click(m, f, live);
    if (!f.MSComm1->portOpen())
        return fail("monitor: cannot open " + device + ": " + (ui.last.empty() ? "no such device" : ui.last));
    if (m.LinkUp == 0) {
        hangUp();
        return fail("monitor: no connection on " + device + (number.empty() ? "" : " to " + number));
    }
    // The parameters: within the watchdog's 5.1 s of the request.
    const int64_t until = clock.msecs() + 5100;
    while (!paramsSeen && !interrupted && f.MSComm1->portOpen() && clock.msecs() < until) pump.idle(20);
    if (!paramsSeen) {
        hangUp();
        return fail("monitor: no parameter frame from the logger on " + device);
    }
    ParaDispState& para = f.ParaDisp;
    for (const auto& box : ParaDispState::kBoxes) std::printf("%s: %s\n", box.name, (para.*(box.box)).Caption.c_str());
    std::fflush(stdout);
    if (args.has("--params-only") || interrupted) {
        hangUp();
        return 0;
    }

    if (!rate.empty()) send_command(m, f, live, "RAT" + rate);
    handled = 0;
    tx_start_Click(m, f, live);
    if (f.RxOn == 0) {
        hangUp();
        return fail("monitor: the start command was not sent: " + f.Label1.Caption);
    }
    const int64_t end = seconds >= 0 ? clock.msecs() + seconds * 1000 : -1;
    // A lost carrier with a redial wait closes the port for a while: the session goes on.
    auto goingOn = [&] { return f.MSComm1->portOpen() || m.RetryPending != 0; };
    while (!interrupted && goingOn()) {
        if (end >= 0 && clock.msecs() >= end) break;
        if (frames >= 0 && handled >= frames) break;
        pump.idle(20);
    }
    const bool lost = !f.MSComm1->portOpen() && !interrupted && !(end >= 0 && clock.msecs() >= end) &&
                      !(frames >= 0 && handled >= frames);
    hangUp();
    if (lost) return fail("monitor: " + device + ": " + (ui.last.empty() ? "the port closed" : ui.last));
    return 0;
}

}  // namespace

const CommandSpec kMonitorCommand{"monitor",
                                  "--port DEV [options]   the live stream of a logger, one line per frame",
                                  kMonitorHelp,
                                  {"--port", "--baud", "--flow", "--rate", "--seconds", "--frames", "--dial", "--at",
                                   "--redial", "--sub-port", "--sub-at"},
                                  {"--params-only"},
                                  0,
                                  0,
                                  "",
                                  monitor};

}  // namespace vt::cli
