// veltra generate: a log file from the vehicle model driving a course, for trying the terminal
// and the other commands without a logger.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Cli.h"
#include "loggen/LogGenerator.h"

namespace vt::cli {

namespace {

const char* const kGenerateUsage =
    "usage: veltra generate OUT.log [options]\n"
    "\n"
    "Writes a log file (header, lap table, sample records) of a vehicle model driving a course.\n"
    "\n"
    "options:\n"
    "  --laps N            laps to drive (1..127, default 5)\n"
    "  --first-lap N       number of the first lap (1..127, default 1)\n"
    "  --segments N        equal-distance segments per lap (1..15, default 4)\n"
    "  --course NAME|FILE  'oval', 'circuit' (default) or a centre-line file of x_m,y_m lines\n"
    "  --seed N            seed of the lap-to-lap variation and sensor noise (default 1)\n"
    "  --mem-code N        memory size code 0..15: 1 = 12288, 2 = 20480, else 53248 records (default 0)\n"
    "  --start-address N   ring address of the first lap's marker (default 16)\n"
    "  --speed-unit U      kmh or mph (or 0 / 1; default kmh)\n"
    "  --car TYPE          car, bike or normal (or 0 / 1 / 2; default car)\n"
    "  --tacho-pulse N     tacho pulse setting 0..8 (default 1)\n"
    "  --rpm-max N         rpm setting 1000..20000 (default 10000)\n"
    "  --mm-per-pulse N    distance per pulse in mm, 100..999 (default 200)\n"
    "  --af-mode N         A/F setting; 0 selects an oxygen sensor (default 1470)\n"
    "  --prs-range N       pressure sensor range 0..2 (default 0)\n"
    "  --temp1-max N       temperature 1 setting, deg.C (default 200)\n"
    "  --temp2-max N       temperature 2 setting, deg.C (default 200)\n"
    "  --course-number N   course number 0..15 in the header (default 0)\n"
    "  --in-g N            in-G threshold of the course editor (default 50)\n"
    "  --out-g N           out-G threshold of the course editor (default 30)\n"
    "  --noise X           lateral-G sensor noise, standard deviation in counts (default 0)\n"
    "  --offset N          constant lateral-G sensor offset in counts, -100..100 (default 0)\n"
    "  --lap-variation X   scale of the lap-to-lap variation, 0 for identical laps (default 1)\n"
    "  --no-steering       no steering sensor (its byte reads 255)\n"
    "  --no-throttle       no throttle sensor (its byte reads 255)\n"
    "  --slow-lap N        make lap N slower through one corner (default: none)\n"
    "  --slow-at M         where that corner is: metres into the lap (default 0)\n"
    "  --slow-length M     length of the slowed stretch around it, metres (default 100)\n"
    "  --slow-grip X       cornering grip there, a factor 0.3..1 (default 0.85)\n";

const std::set<std::string> kValueOptions = {
    "--laps",          "--first-lap",  "--segments",  "--course",        "--seed",          "--mem-code",
    "--start-address", "--speed-unit", "--car",       "--tacho-pulse",   "--rpm-max",       "--mm-per-pulse",
    "--af-mode",       "--prs-range",  "--temp1-max", "--temp2-max",     "--course-number", "--in-g",
    "--out-g",         "--noise",      "--offset",    "--lap-variation", "--slow-lap",      "--slow-at",
    "--slow-length",   "--slow-grip"};

bool toDouble(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (end == nullptr || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int generate(const Args& args) {
    const std::string out = args.positional[0];

    loggen::GenOptions o;
    std::string bad;
    auto integer = [&args, &bad](const char* name, int& field) {
        if (!args.values.count(name)) return;
        long v = 0;
        if (!toInt(args.value(name), v) || v < -1000000000L || v > 1000000000L) {
            if (bad.empty()) bad = std::string(name) + " needs a whole number, not '" + args.value(name) + "'";
            return;
        }
        field = static_cast<int>(v);
    };
    auto real = [&args, &bad](const char* name, double& field) {
        if (!args.values.count(name)) return;
        if (!toDouble(args.value(name), field) && bad.empty())
            bad = std::string(name) + " needs a number, not '" + args.value(name) + "'";
    };
    integer("--laps", o.laps);
    integer("--first-lap", o.firstLap);
    integer("--segments", o.segments);
    if (args.values.count("--course")) o.course = args.value("--course");
    if (args.values.count("--seed")) {
        long v = 0;
        if (!toInt(args.value("--seed"), v) || v < 0 || v > 4294967295L)
            bad = "--seed needs a whole number 0..4294967295, not '" + args.value("--seed") + "'";
        else
            o.seed = static_cast<std::uint32_t>(v);
    }
    integer("--mem-code", o.memCode);
    integer("--start-address", o.startAddress);
    if (args.values.count("--speed-unit")) {
        const std::string u = lower(args.value("--speed-unit"));
        if (u == "kmh" || u == "km/h" || u == "0")
            o.speedUnit = 0;
        else if (u == "mph" || u == "1")
            o.speedUnit = 1;
        else if (bad.empty())
            bad = "--speed-unit is kmh or mph, not '" + args.value("--speed-unit") + "'";
    }
    if (args.values.count("--car")) {
        const std::string c = lower(args.value("--car"));
        if (c == "car" || c == "0")
            o.carType = loggen::kCar;
        else if (c == "bike" || c == "1")
            o.carType = loggen::kBike;
        else if (c == "normal" || c == "2")
            o.carType = loggen::kNormal;
        else if (bad.empty())
            bad = "--car is car, bike or normal, not '" + args.value("--car") + "'";
    }
    integer("--tacho-pulse", o.tachoPulse);
    integer("--rpm-max", o.rpmMax);
    integer("--mm-per-pulse", o.mmPerPulse);
    integer("--af-mode", o.afMode);
    integer("--prs-range", o.prsRange);
    integer("--temp1-max", o.temp1Max);
    integer("--temp2-max", o.temp2Max);
    integer("--course-number", o.courseNumber);
    integer("--in-g", o.inG);
    integer("--out-g", o.outG);
    real("--noise", o.noise);
    integer("--offset", o.offset);
    real("--lap-variation", o.lapVariation);
    integer("--slow-lap", o.slowLap);
    real("--slow-at", o.slowAt);
    real("--slow-length", o.slowLength);
    real("--slow-grip", o.slowGrip);
    if (o.slowLap == 0 && (args.has("--slow-at") || args.has("--slow-length") || args.has("--slow-grip")) &&
        bad.empty())
        bad = "--slow-at, --slow-length and --slow-grip need --slow-lap N";
    if (args.flags.count("--no-steering")) o.steeringSensor = false;
    if (args.flags.count("--no-throttle")) o.throttleSensor = false;
    if (!bad.empty()) return args.usage(bad);

    loggen::GenResult result = loggen::generateLog(o);
    if (!result) return fail("generate: " + result.error);
    const loggen::LoggerMemory& mem = *result.memory;
    for (const std::string& w : mem.warnings) std::fprintf(stderr, "veltra: warning: %s\n", w.c_str());
    if (std::string werr = loggen::writeLogFile(mem, out); !werr.empty()) return fail(werr);

    std::printf("%s: laps %d..%d of course '%s' (%.0f m), %d segments per lap, %zu records from address %d of %d\n",
                out.c_str(), mem.lapFirst, mem.lapLast, mem.course.name.c_str(), mem.course.length, o.segments,
                mem.records.size(), mem.startAddress, mem.memRecs);
    return 0;
}

}  // namespace

const CommandSpec kGenerateCommand{"generate",
                                   "OUT.log [options]    a log from a vehicle model driving a course",
                                   kGenerateUsage,
                                   kValueOptions,
                                   {"--no-steering", "--no-throttle"},
                                   1,
                                   1,
                                   "the output file",
                                   generate};

}  // namespace vt::cli
