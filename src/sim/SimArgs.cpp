#include "sim/SimArgs.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>

namespace vt::sim {

namespace {

// Options of both roles: the line and the journal.
const std::set<std::string> kLineValues = {"--device", "--link", "--baud", "--journal", "--rfc2217", "--tcp"};
const std::set<std::string> kLineFlags = {"--pty", "--help", "-h"};
// The logger's.
const std::set<std::string> kLoggerValues = {"--log",
                                             "--laps",
                                             "--segments",
                                             "--course",
                                             "--seed",
                                             "--car",
                                             "--speed-unit",
                                             "--mm-per-pulse",
                                             "--stream",
                                             "--corrupt",
                                             "--bad-end",
                                             "--drop",
                                             "--garbage",
                                             "--stall-after",
                                             "--stall",
                                             "--stall-after-frames",
                                             "--connect-delay",
                                             "--dial-results",
                                             "--drop-carrier-after",
                                             "--drop-carrier-at-frame"};
const std::set<std::string> kLoggerFlags = {"--events", "--no-loop", "--modem"};
const std::set<std::string> kModemOptions = {"--connect-delay", "--dial-results", "--drop-carrier-after",
                                             "--drop-carrier-at-frame"};
// The remote station's.
const std::set<std::string> kRemoteValues = {"--ring-after", "--send", "--hangup-after"};
const std::set<std::string> kGeneratorOptions = {"--laps", "--segments",   "--course",
                                                 "--car",  "--speed-unit", "--mm-per-pulse"};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool wholeNumber(const std::string& text, long long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        out.push_back(text.substr(from, comma - from));
        if (comma == std::string::npos) return out;
        from = comma + 1;
    }
}

int64_t secondsToMs(double s) { return std::llround(s * 1000.0); }

bool realNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

class Reader {
  public:
    explicit Reader(const std::map<std::string, std::string>& values) : values_(values) {}
    std::string error;

    bool has(const char* name) const { return values_.count(name) != 0; }
    const std::string& text(const char* name) const { return values_.at(name); }

    template <typename T>
    void whole(const char* name, T& field, long long lo, long long hi) {
        if (!has(name) || !error.empty()) return;
        long long v = 0;
        if (!wholeNumber(text(name), v) || v < lo || v > hi) {
            error = std::string(name) + " needs a whole number " + std::to_string(lo) + ".." + std::to_string(hi) +
                    ", not '" + text(name) + "'";
            return;
        }
        field = static_cast<T>(v);
    }
    void real(const char* name, double& field, double lo, double hi, const char* what) {
        if (!has(name) || !error.empty()) return;
        double v = 0;
        if (!realNumber(text(name), v) || v < lo || v > hi) {
            error = std::string(name) + " needs " + what + ", not '" + text(name) + "'";
            return;
        }
        field = v;
    }
    // A list with one entry a call, "-" for a call left alone.
    template <typename T, typename Read>
    void perCall(const char* name, std::vector<T>& field, Read read) {
        if (!has(name) || !error.empty()) return;
        std::vector<T> plan;
        for (const std::string& e : splitList(text(name))) {
            T v{};
            if (e == "-") {
                v = T(-1);
            } else if (!read(e, v)) {
                error = std::string(name) +
                        " takes one entry a call joined by commas ('-': that call keeps its carrier), not '" +
                        text(name) + "'";
                return;
            }
            plan.push_back(v);
        }
        field = std::move(plan);
    }
    template <typename T>
    void choice(const char* name, T& field, const std::map<std::string, T>& words, const char* list) {
        if (!has(name) || !error.empty()) return;
        const auto it = words.find(lower(text(name)));
        if (it == words.end()) {
            error = std::string(name) + " is " + list + ", not '" + text(name) + "'";
            return;
        }
        field = it->second;
    }

  private:
    const std::map<std::string, std::string>& values_;
};

}  // namespace

ParsedArgs parseProgramArgs(const std::vector<std::string>& all) {
    ParsedArgs out;
    ProgramOptions& o = out.options;
    std::vector<std::string> args = all;
    if (!args.empty() && args.front() == "remote") {
        o.role = Role::Remote;
        args.erase(args.begin());
    }
    const bool remote = o.role == Role::Remote;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (name.rfind("--", 0) == 0) {
            const size_t eq = name.find('=');
            if (eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.resize(eq);
                inlineValue = true;
            }
        }
        const bool loggerOnly = kLoggerValues.count(name) || kLoggerFlags.count(name);
        const bool remoteOnly = kRemoteValues.count(name) != 0;
        if (remote && loggerOnly) {
            out.error = name + " is the logger's; the remote station does not take it";
            return out;
        }
        if (!remote && remoteOnly) {
            out.error = name + " belongs to the remote station: veltra-logger-sim remote " + name + " ...";
            return out;
        }
        if (kLineFlags.count(name) || kLoggerFlags.count(name)) {
            if (inlineValue) {
                out.error = name + " takes no value";
                return out;
            }
            flags.insert(name);
            continue;
        }
        if (!kLineValues.count(name) && !loggerOnly && !remoteOnly) {
            out.error =
                name.rfind("-", 0) == 0 ? "unknown option '" + name + "'" : "unexpected argument '" + name + "'";
            return out;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                out.error = name + " needs a value";
                return out;
            }
            value = args[++i];
        }
        if (value.empty()) {
            out.error = name + " needs a value";
            return out;
        }
        values[name] = value;
    }

    if (flags.count("--help") || flags.count("-h")) {
        o.help = true;
        return out;
    }
    auto fail = [&out](std::string text) {
        out.error = std::move(text);
        return out;
    };
    std::vector<std::string> lines;
    for (const char* l : {"--pty", "--device", "--rfc2217", "--tcp"})
        if (flags.count(l) || values.count(l)) lines.emplace_back(l);
    if (lines.size() > 1) return fail(lines[0] + " and " + lines[1] + " cannot be combined");
    if (values.count("--link") && !lines.empty() && lines[0] != "--pty")
        return fail("--link names a pseudo-terminal; it cannot be combined with " + lines[0]);
    if (values.count("--log")) {
        for (const std::string& g : kGeneratorOptions)
            if (values.count(g))
                return fail("--log takes the memory from a file; " + g + " cannot be combined with it");
    }
    if (values.count("--stall") && !values.count("--stall-after") && !values.count("--stall-after-frames"))
        return fail("--stall needs --stall-after or --stall-after-frames");
    if (!flags.count("--modem")) {
        for (const std::string& m : kModemOptions)
            if (values.count(m)) return fail(m + " needs --modem");
    }

    o.device = values.count("--device") ? values["--device"] : "";
    o.link = values.count("--link") ? values["--link"] : "";
    o.journal = values.count("--journal") ? values["--journal"] : "";
    if (values.count("--device")) o.line = LineKind::Device;
    if (values.count("--rfc2217")) o.line = LineKind::Rfc2217;
    if (values.count("--tcp")) o.line = LineKind::Tcp;
    SimOptions& s = o.sim;
    s.logFile = values.count("--log") ? values["--log"] : "";
    s.events = flags.count("--events") != 0;
    s.loop = flags.count("--no-loop") == 0;

    Reader r(values);
    r.whole("--baud", s.baud, 50, 4000000);
    o.remote.baud = s.baud;
    r.whole("--rfc2217", o.port, 0, 65535);
    r.whole("--tcp", o.port, 0, 65535);
    r.whole("--laps", s.gen.laps, 1, loggen::kMaxLapNumber);
    r.whole("--segments", s.gen.segments, 1, loggen::kSegmentsPerLap);
    if (values.count("--course")) s.gen.course = values["--course"];
    r.whole("--seed", s.gen.seed, 0, 4294967295LL);
    s.faultSeed = s.gen.seed;
    r.choice<int>("--car", s.gen.carType, {{"car", loggen::kCar}, {"bike", loggen::kBike}, {"normal", loggen::kNormal}},
                  "car, bike or normal");
    r.choice<int>("--speed-unit", s.gen.speedUnit, {{"kmh", 0}, {"mph", 1}}, "kmh or mph");
    r.whole("--mm-per-pulse", s.gen.mmPerPulse, 100, 999);
    r.choice<StreamKind>(
        "--stream", s.stream,
        {{"lap", StreamKind::Lap}, {"logging", StreamKind::Logging}, {"realtime", StreamKind::RealTime}},
        "lap, logging or realtime");
    r.real("--corrupt", s.faults.corrupt, 0, 1, "a chance 0..1");
    r.real("--bad-end", s.faults.badEnd, 0, 1, "a chance 0..1");
    r.real("--drop", s.faults.drop, 0, 1, "a chance 0..1");
    r.real("--garbage", s.faults.garbage, 0, 1, "a chance 0..1");
    r.real("--stall-after", s.faults.stallAfterSeconds, 0, 1e6, "seconds, 0 or more");
    r.whole("--stall-after-frames", s.faults.stallAfterFrames, 0, 1000000000LL);
    r.real("--stall", s.faults.stallSeconds, 0, 3600, "seconds, 0..3600");
    if (flags.count("--modem")) {
        ModemOptions m;
        r.whole("--connect-delay", m.connectDelayMs, 0, 600000);
        r.perCall("--drop-carrier-after", m.dropAfterMs, [](const std::string& e, int64_t& v) {
            double sec = 0;
            if (!realNumber(e, sec) || sec < 0 || sec > 1e6) return false;
            v = secondsToMs(sec);
            return true;
        });
        r.perCall("--drop-carrier-at-frame", m.dropAtFrame, [](const std::string& e, long& v) {
            long long n = 0;
            if (!wholeNumber(e, n) || n < 1 || n > 1000000000LL) return false;
            v = long(n);
            return true;
        });
        if (r.error.empty() && values.count("--dial-results")) {
            m.dialResults.clear();
            for (const std::string& e : splitList(values["--dial-results"])) {
                DialResult d{};
                if (!parseDialResult(e, d))
                    return fail("--dial-results takes CONNECT, BUSY, NO CARRIER, NO DIALTONE or NO ANSWER, not '" + e +
                                "'");
                m.dialResults.push_back(d);
            }
        }
        s.modem = std::move(m);
    }

    RemoteOptions& rem = o.remote;
    double seconds = 0;
    if (values.count("--ring-after")) {
        r.real("--ring-after", seconds, 0, 1e6, "seconds, 0 or more");
        rem.ringAfterMs = secondsToMs(seconds);
    }
    if (values.count("--hangup-after")) {
        r.real("--hangup-after", seconds, 0, 1e6, "seconds, 0 or more");
        rem.hangupAfterMs = secondsToMs(seconds);
    }
    if (r.error.empty() && values.count("--send")) {
        for (const std::string& e : splitList(values["--send"])) {
            const std::size_t at = e.rfind('@');
            double sec = 0;
            if (at == std::string::npos || at == 0 || !realNumber(e.substr(at + 1), sec) || sec < 0 || sec > 1e6)
                return fail("--send takes COMMAND@SECONDS entries joined by commas, not '" + e + "'");
            rem.sends.push_back({e.substr(0, at), secondsToMs(sec)});
        }
    }
    if (!r.error.empty()) return fail(r.error);
    if (!remote && s.logFile.empty()) {
        const std::string bad = loggen::validateOptions(s.gen);
        if (!bad.empty()) return fail(bad);
    }
    return out;
}

const char* helpText() {
    return "usage: veltra-logger-sim [options]\n"
           "       veltra-logger-sim remote [options]\n"
           "\n"
           "A simulated lap timer and data logger. It speaks the logger's side of the wire protocol on\n"
           "a pseudo-terminal (or a serial device, or a TCP port): it answers PARA with its parameter\n"
           "frame, streams its memory ten records a second after STRT until STOP, takes the transfer\n"
           "rate (RATL, RATM, RATS) and the main parameter block (MAIN), serves downloads of lap ranges\n"
           "(LOGP, LOGN, FASTA, FASTB, FASTC) and clears its memory (MCLR), and can damage frames on\n"
           "request. With --modem a Hayes modem stands in front of it. With 'remote' first it is the\n"
           "remote station on the terminal's sub port instead: an answering modem that rings in, asks\n"
           "for the live stream and writes down every frame it gets. The first line on standard output\n"
           "is 'veltra-logger-sim: WHERE', what to open in the terminal: a device path, or\n"
           "rfc2217://127.0.0.1:PORT or tcp://127.0.0.1:PORT. SIGTERM or SIGINT ends it (exit 0).\n"
           "\n"
           "downloads: 'LOGP 1- 5' sends the log file of laps 1..5 (to 0: the last lap held), 16 bytes an\n"
           "X frame (header: layout 0, lap table: layout 1, records: layout 255), then one E frame; a range\n"
           "of no lap held sends only E. The first frame goes 100 ms after the command. LOGN sends the\n"
           "frames back to back, unanswered. LOGP and FASTA/B/C wait for GD (next frame) or NG (same\n"
           "frame again); no answer 1 s after a frame left sends it again, and after 5 sends without an\n"
           "answer the logger gives up. E goes the same way, but five unanswered sends of E still end the\n"
           "download as complete. FASTA/B/C switch the logger's line to 38400/57600/115200 bit/s 1 s after the command "
           "and\n"
           "back when the download ends (not behind a modem). MCLR empties the memory (the header then\n"
           "says first lap 1, last lap 0). The faults below apply to X and E frames too.\n"
           "\n"
           "line (both roles):\n"
           "  --pty                 a new pseudo-terminal (default)\n"
           "  --link PATH           also a symlink PATH to it (a stale symlink is replaced, a file is not),\n"
           "                        removed on exit\n"
           "  --device DEV          an existing serial device instead, in raw mode at --baud\n"
           "  --rfc2217 PORT        a Telnet com port server (RFC 2217) on 127.0.0.1:PORT (0: a free port),\n"
           "                        one client at a time; the client's baud rate sets the pacing, CD\n"
           "                        follows the modem's carrier (always on without one)\n"
           "  --tcp PORT            plain TCP on 127.0.0.1:PORT, bytes as they are, one client at a time\n"
           "  --baud N              line speed in bits a second, ten bits a byte (default 9600)\n"
           "  --journal FILE        what happens, one JSON line an event ('-': standard error)\n"
           "\n"
           "memory (default: the log generator's 5 laps of 'circuit'):\n"
           "  --log FILE            a log file (header, lap table, records) as the memory\n"
           "  --laps N              laps to generate (1..127, default 5)\n"
           "  --segments N          segments per lap (1..15, default 4)\n"
           "  --course NAME|FILE    'circuit', 'oval' or a centre-line file of x_m,y_m lines\n"
           "  --seed N              seed of the generator and of the faults (default 1)\n"
           "  --car TYPE            car, bike or normal (default car)\n"
           "  --speed-unit U        kmh or mph (default kmh)\n"
           "  --mm-per-pulse N      distance per pulse, 100..999 mm (default 200)\n"
           "\n"
           "stream:\n"
           "  --stream KIND         lap: L, S and G frames (default); logging: N frames; realtime: Z frames\n"
           "  --events              lap stream: after each L frame, T frames for pit-in (+2 s), stop (+3 s),\n"
           "                        stop ended after 3 s (+6 s) and pit-out after 6 s (+8 s)\n"
           "  --no-loop             end the stream at the end of the memory (default: start again)\n"
           "\n"
           "faults (per frame, from the seeded generator):\n"
           "  --corrupt P           chance 0..1 that one payload byte is changed (bad checksum)\n"
           "  --bad-end P           chance that byte 24 is not ETB\n"
           "  --drop P              chance that the frame is not sent\n"
           "  --garbage P           chance of 1..10 random bytes before the frame\n"
           "  --stall-after S       after S seconds of streaming (or of a download) send nothing for a\n"
           "                        while, once a start (or a download)\n"
           "  --stall-after-frames N  the same after N frames\n"
           "  --stall D             how long the stall lasts, seconds (default 6)\n"
           "\n"
           "modem (the logger behind a Hayes modem; the logger hears only what comes in a call):\n"
           "  --modem               AT commands with echo (ATE0/ATE1), ATZ, AT&F, ATH, ATO, ATSn=v, ATD/ATDT/\n"
           "                        ATDP; CONNECT <baud>; '+++' between a second of silence each side\n"
           "  --connect-delay MS    from the dial to its result (default 2000)\n"
           "  --dial-results LIST   one result a dial attempt, the last repeating: CONNECT, BUSY,\n"
           "                        NO CARRIER, NO DIALTONE, NO ANSWER, joined by commas (default CONNECT)\n"
           "  --drop-carrier-after LIST     per call, in order: the carrier drops S seconds after CONNECT\n"
           "  --drop-carrier-at-frame LIST  per call: ... once N frames of the call have left the line\n"
           "                        (entry k for the k-th call, '-' keeps that call up, calls past the list\n"
           "                        keep their carrier; e.g. '5' drops the first call only). On a drop the\n"
           "                        stream stops, what had not left is lost, NO CARRIER follows.\n"
           "\n"
           "remote station (veltra-logger-sim remote ...; the line options above, and):\n"
           "  --ring-after S        a call rings in S seconds after the terminal's AT line was answered OK\n"
           "                        (default 1): RING, then CONNECT <baud>, carrier on\n"
           "  --send LIST           commands sent as STX text ETB at seconds after CONNECT, e.g.\n"
           "                        'STRT@2,PARA@3,STOP@20'\n"
           "  --hangup-after S      the station hangs up S seconds after CONNECT (NO CARRIER); another\n"
           "                        AT line from the terminal brings another call\n"
           "\n"
           "journal: one JSON object a line, each with t (ms since the start) and event:\n"
           "  command   text, command (start stop parameters clear rate main-read main-write course\n"
           "            download memory-clear unknown)\n"
           "  frame     kind (P L S G N Z T X E); record (memory index), pass (run through the memory, from\n"
           "            1), lap; counter (G N Z, and X outside the lap table); lapTime (G, 1/100 s);\n"
           "            segment, segTime (S, 1/100 s); code, duration (T, 1/10 s); mmPerPulse (P); block\n"
           "            (X, from 0: the header), layout (X: 0, 1, 255); try (X E: 1 for the first send);\n"
           "            fault (drop, or garbage, corrupt, bad-end joined by '+') with garbage (bytes) and\n"
           "            byte (index changed). A frame without fault went out intact.\n"
           "  download  command (LOGP ...), from, to (the laps sent), blocks, bytes, acked, baud\n"
           "  ack       good, kind (X E), block; expected:false when no frame waited for one\n"
           "  resend    kind, block, reason (ng, timeout), try\n"
           "  speed     baud, reason (download: the fast rate; end: back to the logger's own)\n"
           "  download-end  result (complete gave-up interrupted), blocks (answered; LOGN: sent), reason\n"
           "  memory-clear  laps, records (what the memory held)\n"
           "  skipped   record, lap, pass, reason (rate: the transfer rate; line: the line was busy)\n"
           "  reply     text (the MAIN answer)\n"
           "  rejected  text, reason (a MAIN block that is not 27 whole numbers)\n"
           "  stall     seconds, until; resume; loop pass; end reason\n"
           "  overflow  bytes (nobody read the line and its buffer was full)\n"
           "  modem     text (an AT line), reply (OK, ERROR, ...); ignored:true for a line without AT\n"
           "  dial      number, attempt, result\n"
           "  carrier   on, reason (connect answer time frames hang-up reset dtr remote), call (from 1)\n"
           "  escape; hang-up call (whether one was up); ring\n"
           "  client    on, peer (a network client came or went)\n"
           "  telnet    got and sent (WILL WONT DO DONT), option; or dropped (bytes), reason\n"
           "  comport   command (set-baudrate, set-control, ...), value, reply; text; error\n"
           "  notify    modemstate (the NOTIFY-MODEMSTATE value sent)\n"
           "  sent      text (remote: a command sent)\n"
           "  received  kind, counter (G N Z), checksum (true when byte 23 fits), hex (all 25 bytes)\n"
           "  text      text (remote: bytes that were no frame)\n"
           "\n"
           "--version says the program's version.\n"
           "\n"
           "exit status: 0 after SIGTERM or SIGINT (and for --help and --version), 1 when the memory, the\n"
           "line or the journal cannot be had, 2 for a usage mistake.\n";
}

}  // namespace vt::sim
