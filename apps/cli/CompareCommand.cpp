// veltra compare: a lap against a reference lap, the time difference at each segment line and at
// the finish, a table over the distance, and the comparison's pictures.
#include <cmath>
#include <cstdio>
#include <string>

#include "Cli.h"
#include "compare/LapCompare.h"
#include "course/RefChoice.h"
#include "display/Graphs.h"
#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "platform/NumText.h"

namespace vt::cli {

namespace {

const char* const kCompareHelp =
    "usage: veltra compare LOG --lap N [--ref LOG2] [--ref-lap M] [--png FILE] [--csv FILE]\n"
    "                      [--kind K] [--course-png FILE] [--list-png FILE] [--scale S]\n"
    "\n"
    "Chooses lap N of LOG as the lap list does and compares it with a reference lap: lap M of\n"
    "LOG2 (default LOG), by default the best lap of that log. Prints both laps, how they were\n"
    "lined up, then one line per segment line of lap N: the distance into the lap, lap N's\n"
    "time there, the reference's time at the same place, their difference (lap N minus the\n"
    "reference; negative: lap N is ahead) and what that segment alone added; the last line is\n"
    "the finish, whose difference is the two lap times' as the lap list shows them.\n"
    "\n"
    "  --lap N            the lap to compare\n"
    "  --ref LOG2         the log of the reference lap (default LOG); its distance per pulse\n"
    "                     and speed unit are its own\n"
    "  --ref-lap M        the reference lap (default: that log's best lap)\n"
    "  --csv FILE         write a row every 10 m and one at the finish: distance_m, time_s,\n"
    "                     ref_time_s, speed and ref_speed (km/h, or mph for a log in miles),\n"
    "                     diff_s\n"
    "  --png FILE         write the time-difference graph to FILE (PNG)\n"
    "  --kind K           the graph --png writes: 8 the time difference (default), or 3, 4, 5,\n"
    "                     7 with the reference lap's curves over lap N's\n"
    "  --course-png FILE  write the course coloured by time lost (red) and gained (green)\n"
    "  --list-png FILE    write the course list with the difference per segment\n"
    "  --scale S          image pixels per picture pixel, 1 to 8 (default 2)\n";

// A distance as the course list gives it: metres, or miles for a log in miles.
std::string distanceText(const Module1& m, float metres) {
    char buf[32];
    if (m.SpeedUnit != 0)
        std::snprintf(buf, sizeof buf, "%8.3f", static_cast<double>(metres) * layout::kMilesPerMetre);
    else
        std::snprintf(buf, sizeof buf, "%8.1f", static_cast<double>(metres));
    return buf;
}

int32_t centis(float seconds) { return static_cast<int32_t>(std::lround(static_cast<double>(seconds) * 100.0)); }

std::string csvText(const Module1& m, const LapComparison& c) {
    const bool miles = m.SpeedUnit != 0;
    const double perKmh = miles ? layout::kMphPerKmh : 1.0;
    std::string out = miles ? "distance_m,time_s,ref_time_s,speed_mph,ref_speed_mph,diff_s\n"
                            : "distance_m,time_s,ref_time_s,speed_kmh,ref_speed_kmh,diff_s\n";
    char buf[160];
    for (const CompareRow& r : compare_rows(c.cur, c.ref, c.diff, 10.0f)) {
        std::snprintf(buf, sizeof buf, "%.1f,%.3f,%.3f,%.1f,%.1f,%.3f\n", static_cast<double>(r.distance),
                      static_cast<double>(r.time), static_cast<double>(r.refTime), r.speed * perKmh,
                      r.refSpeed * perKmh, static_cast<double>(r.diff));
        out += buf;
    }
    return out;
}

int compare(const Args& args) {
    LapRequest req;
    if (int rc = lapRequest(args, req); rc != 0) return rc;
    long refLap = 0;
    if (args.values.count("--ref-lap") && (!toInt(args.value("--ref-lap"), refLap) || refLap < 1 || refLap > kMaxLap))
        return args.usage("--ref-lap needs a lap number 1..100");
    long kind = 8;
    if (args.values.count("--kind")) {
        if (!toInt(args.value("--kind"), kind) || (kind != 3 && kind != 4 && kind != 5 && kind != 7 && kind != 8))
            return args.usage("--kind must be 3, 4, 5, 7 or 8");
        if (req.png.empty()) return args.usage("--kind needs --png FILE");
    }
    double scale = 2;
    if (args.values.count("--scale")) {
        scale = Val(args.value("--scale"));
        if (!(scale >= 1 && scale <= 8)) return args.usage("--scale must be from 1 to 8");
    }

    Session session(scale);
    if (int rc = chooseLap("compare", session, req); rc != 0) return rc;
    Module1& m = session.m;
    MainformState& f = session.f;
    std::string why;
    const std::string refLog = args.value("--ref", req.log);
    const bool ok = args.values.count("--ref") ? load_reference_log(refLog, static_cast<int>(refLap), f.RefLap, &why)
                                               : reference_from_loaded(m, f, static_cast<int>(refLap), &why);
    if (!ok) return fail("compare: " + why);
    const LapComparison c = compare_current(m, f.RefLap);
    if (!c.ok()) return fail("compare: " + c.diff.error);

    // What the terminal shows with this reference: the course list, the course and the graph.
    compare_refresh(m, f, session.s);
    if (!req.png.empty()) {
        m.GraphKind = static_cast<int16_t>(kind);
        grf_refresh(m, f);
        if (int rc = savePicture("compare", *f.Picture2, req.png); rc != 0) return rc;
    }
    if (args.values.count("--course-png"))
        if (int rc = savePicture("compare", *f.Picture1, args.value("--course-png")); rc != 0) return rc;
    if (args.values.count("--list-png"))
        if (int rc = savePicture("compare", *f.Picture3, args.value("--list-png")); rc != 0) return rc;
    if (args.values.count("--csv")) {
        const std::string csv = csvText(m, c);
        const std::string error = loggen::writeFileReplacing(
            args.value("--csv"), reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size());
        if (!error.empty()) return fail("compare: " + error);
    }

    const std::string unit = m.SpeedUnit != 0 ? "M" : "m";
    std::printf("LAP %3ld  %s  %s\n", req.lap, timeText(c.cur.timeCs).c_str(), req.log.c_str());
    std::printf("REF %3d  %s  %s\n", f.RefLap.Lap, timeText(c.ref.timeCs).c_str(), refLog.c_str());
    if (c.diff.aligned)
        std::printf("ALIGN segment lines (%zu segments)\n", c.diff.segments.size());
    else
        std::printf("ALIGN lap length (%s %s onto %s %s)\n", Trim(distanceText(m, c.diff.refLength)).c_str(),
                    unit.c_str(), Trim(distanceText(m, c.diff.length)).c_str(), unit.c_str());
    std::printf(" SEG   END %s     TIME      REF     DIFF      SEG\n", unit.c_str());
    int32_t before = 0;
    for (size_t j = 0; j < c.diff.segments.size(); ++j) {
        const SegmentDiff& s = c.diff.segments[j];
        const bool finish = j + 1 == c.diff.segments.size();
        // Whole 1/100 s, as the lists show times; the difference is theirs, so the line adds up.
        const int32_t time = centis(s.time), diff = finish ? c.cur.timeCs - c.ref.timeCs : centis(s.diff);
        const int32_t ref = time - diff;
        std::printf("%4s %s  %s  %s  %7s  %7s\n", finish ? "FIN" : std::to_string(j + 1).c_str(),
                    distanceText(m, s.end).c_str(), timeText(time).c_str(), timeText(ref).c_str(),
                    diffText(static_cast<float>(diff) / 100.0f).c_str(),
                    diffText(static_cast<float>(diff - before) / 100.0f).c_str());
        before = diff;
    }
    return 0;
}

}  // namespace

const CommandSpec kCompareCommand{
    "compare",
    "LOG --lap N [--ref LOG2] [--ref-lap M]  a lap against a reference lap",
    kCompareHelp,
    {"--lap", "--ref", "--ref-lap", "--png", "--csv", "--kind", "--course-png", "--list-png", "--scale"},
    {},
    1,
    1,
    "LOG",
    compare};

}  // namespace vt::cli
