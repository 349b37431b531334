#include "sim/SimArgs.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

namespace vt::sim {

namespace {

const std::set<std::string> kValueOptions = {"--device",  "--link",        "--baud",       "--journal",
                                             "--log",     "--laps",        "--segments",   "--course",
                                             "--seed",    "--car",         "--speed-unit", "--mm-per-pulse",
                                             "--stream",  "--corrupt",     "--bad-end",    "--drop",
                                             "--garbage", "--stall-after", "--stall",      "--stall-after-frames"};
const std::set<std::string> kFlags = {"--pty", "--events", "--no-loop", "--help", "-h"};
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

ParsedArgs parseProgramArgs(const std::vector<std::string>& args) {
    ParsedArgs out;
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
        if (kFlags.count(name)) {
            if (inlineValue) {
                out.error = name + " takes no value";
                return out;
            }
            flags.insert(name);
            continue;
        }
        if (!kValueOptions.count(name)) {
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

    ProgramOptions& o = out.options;
    if (flags.count("--help") || flags.count("-h")) {
        o.help = true;
        return out;
    }
    auto fail = [&out](std::string text) {
        out.error = std::move(text);
        return out;
    };
    if (flags.count("--pty") && values.count("--device")) return fail("--pty and --device cannot be combined");
    if (values.count("--link") && values.count("--device"))
        return fail("--link names a pseudo-terminal; it cannot be combined with --device");
    if (values.count("--log")) {
        for (const std::string& g : kGeneratorOptions)
            if (values.count(g))
                return fail("--log takes the memory from a file; " + g + " cannot be combined with it");
    }
    if (values.count("--stall") && !values.count("--stall-after") && !values.count("--stall-after-frames"))
        return fail("--stall needs --stall-after or --stall-after-frames");

    o.device = values.count("--device") ? values["--device"] : "";
    o.link = values.count("--link") ? values["--link"] : "";
    o.journal = values.count("--journal") ? values["--journal"] : "";
    SimOptions& s = o.sim;
    s.logFile = values.count("--log") ? values["--log"] : "";
    s.events = flags.count("--events") != 0;
    s.loop = flags.count("--no-loop") == 0;

    Reader r(values);
    r.whole("--baud", s.baud, 50, 4000000);
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
    if (!r.error.empty()) return fail(r.error);
    if (s.logFile.empty()) {
        const std::string bad = loggen::validateOptions(s.gen);
        if (!bad.empty()) return fail(bad);
    }
    return out;
}

const char* helpText() {
    return "usage: veltra-logger-sim [options]\n"
           "\n"
           "A simulated lap timer and data logger. It speaks the logger's side of the wire protocol on\n"
           "a pseudo-terminal (or a serial device): it answers PARA with its parameter frame, streams\n"
           "its memory ten records a second after STRT until STOP, takes the transfer rate (RATL, RATM,\n"
           "RATS) and the main parameter block (MAIN), and can damage frames on request. The first line\n"
           "on standard output is 'veltra-logger-sim: PATH', the device to open in the terminal.\n"
           "SIGTERM or SIGINT ends it (exit 0).\n"
           "\n"
           "line:\n"
           "  --pty                 a new pseudo-terminal (default)\n"
           "  --link PATH           also a symlink PATH to it (a stale symlink is replaced, a file is not),\n"
           "                        removed on exit\n"
           "  --device DEV          an existing serial device instead, in raw mode at --baud\n"
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
           "  --stall-after S       after S seconds of streaming send nothing for a while, once a start\n"
           "  --stall-after-frames N  the same after N frames\n"
           "  --stall D             how long the stall lasts, seconds (default 6)\n"
           "\n"
           "journal: one JSON object a line, each with t (ms since the start) and event:\n"
           "  command   text, command (start stop parameters clear rate main-read main-write course\n"
           "            download memory-clear ack unknown); served:false for downloads (not served yet)\n"
           "  frame     kind (P L S G N Z T); record (memory index), pass (run through the memory, from 1),\n"
           "            lap; counter (G N Z); lapTime (G, 1/100 s); segment, segTime (S, 1/100 s);\n"
           "            code, duration (T, 1/10 s); mmPerPulse (P); fault (drop, or garbage, corrupt,\n"
           "            bad-end joined by '+') with garbage (bytes) and byte (index changed). A frame\n"
           "            without fault went out intact.\n"
           "  skipped   record, lap, pass, reason (rate: the transfer rate; line: the line was busy)\n"
           "  reply     text (the MAIN answer)\n"
           "  rejected  text, reason (a MAIN block that is not 27 whole numbers)\n"
           "  stall     seconds, until; resume; loop pass; end reason\n"
           "  overflow  bytes (nobody read the line and its buffer was full)\n"
           "\n"
           "exit status: 0 after SIGTERM or SIGINT (and for --help), 1 when the memory, the line or the\n"
           "journal cannot be had, 2 for a usage mistake.\n";
}

}  // namespace vt::sim
