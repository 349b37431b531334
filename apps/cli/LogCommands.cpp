// veltra laps | segments | segment | params | export: the lists, the parameter display and the
// text export of a log, as the terminal shows or writes them right after opening it.
#include <cstdio>
#include <string>

#include "Cli.h"
#include "logdata/Conversions.h"
#include "logfiles/Form3State.h"
#include "logfiles/LapLists.h"
#include "logfiles/ListWindow.h"
#include "logfiles/LogFile.h"
#include "logfiles/ParaDisp.h"

namespace vt::cli {

namespace {

// The list window's text as the tool prints it: the column header, the list one line per
// line, then the best lap.
void printList(const Form3State& st) {
    std::fputs(st.Text2.c_str(), stdout);
    std::fputc('\n', stdout);
    for (const std::string& line : list_lines(st.Text1)) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    if (st.BestLap != 0) std::printf("BEST %d %s\n", st.BestLap, timeText(st.BestTime).c_str());
}

// Loads the list window in `mode` over a freshly opened log and prints it.
int listCommand(Session& session, int mode, int seg) {
    Module1& m = session.m;
    Form3State st;
    m.SelLap = static_cast<int16_t>(mode);
    if (mode == 2) m.SegListNo = static_cast<int16_t>(seg);
    list_size(m, st);
    Form_Load(m, session.f, st);
    printList(st);
    return std::ferror(stdout) ? fail("cannot write the list") : 0;
}

const char* const kLapsUsage =
    "usage: veltra laps LOG\n"
    "\n"
    "Prints the lap list of LOG as the terminal's list window shows it: the column header,\n"
    "one line per lap from the last lap down, then 'BEST <lap> <time>' for the best lap.\n";

const char* const kSegmentsUsage =
    "usage: veltra segments LOG\n"
    "\n"
    "Prints the lap-and-segment list of LOG: every lap's segment times (the best time of each\n"
    "segment marked '*'), then the best lap, its theoretical best (THEO) and the delay per\n"
    "segment (DELA); then 'BEST <lap> <time>'.\n";

const char* const kSegmentUsage =
    "usage: veltra segment LOG N\n"
    "\n"
    "Prints segment N (1..15; a fraction is rounded, as the terminal's question does) of every\n"
    "lap of LOG: its time, engine-speed and road-speed range, peak G and temperatures.\n";

const char* const kParamsUsage =
    "usage: veltra params LOG\n"
    "\n"
    "Prints the logger settings of LOG's header as the parameter display shows them right\n"
    "after opening the log, one 'box: text' line per box.\n";

const char* const kExportUsage =
    "usage: veltra export LOG [-o OUT]\n"
    "\n"
    "Writes the comma-separated text export of every lap not marked deleted, byte for byte as\n"
    "the list window's export writes it, to OUT or to LOG's path with 'txt' for its last three\n"
    "characters (or, when that would be LOG itself, to LOG's path with '.txt' added). An existing\n"
    "file is replaced whole.\n"
    "\n"
    "  -o OUT   the file to write\n";

int laps(const Args& args) {
    Session session;
    if (!session.loadLog(args.positional[0])) return 1;
    if (session.m.LapLast == 0) return fail(args.positional[0] + ": " + lang(session.m, text::kNoLog));
    return listCommand(session, 0, 0);
}

int segments(const Args& args) {
    Session session;
    if (!session.loadLog(args.positional[0])) return 1;
    if (session.m.LapLast == 0) return fail(args.positional[0] + ": " + lang(session.m, text::kNoLogForLists));
    return listCommand(session, 1, 0);
}

int segment(const Args& args) {
    const int seg = segment_number(args.positional[1]);
    if (seg == 0) return args.usage("the segment number must be 1..15, not '" + args.positional[1] + "'");
    Session session;
    if (!session.loadLog(args.positional[0])) return 1;
    if (session.m.LapLast == 0) return fail(args.positional[0] + ": " + lang(session.m, text::kNoLogForLists));
    return listCommand(session, 2, seg);
}

int params(const Args& args) {
    Session session;
    if (!session.loadLog(args.positional[0])) return 1;
    ParaDispState st;
    Form_Load(session.m, st);
    para_list_Click(session.m, st);
    for (const auto& box : ParaDispState::kBoxes) std::printf("%s: %s\n", box.name, (st.*(box.box)).Caption.c_str());
    return std::ferror(stdout) ? fail("cannot write the settings") : 0;
}

int exportText(const Args& args) {
    const std::string log = args.positional[0];
    Session session;
    if (!session.loadLog(log)) return 1;
    Module1& m = session.m;
    std::string out = args.value("-o", args.value("--output"));
    if (out.empty()) {
        bool adjusted = false;
        out = text_file_name(log, &adjusted);
        if (out.empty()) return fail(log + ": no name to export under; give one with -o");
        if (adjusted)
            std::fprintf(stderr, "veltra: %s: the export goes to %s (the usual name would be the log's own)\n",
                         log.c_str(), out.c_str());
    }

    // The export runs from the lap list, so the list is built first, as in the terminal.
    Form3State st;
    if (m.LapLast != 0) {
        m.SelLap = 0;
        Form_Load(m, session.f, st);
    }
    int64_t lines = 0;
    std::string error, notes;
    if (!text_export(m, session.f, st, session.s, out, &lines, &error, &notes)) return fail(out + ": " + error);
    if (!notes.empty()) std::fprintf(stderr, "veltra: export: %s\n", notes.c_str());
    return 0;
}

}  // namespace

const CommandSpec kLapsCommand{"laps", "LOG                      the lap list", kLapsUsage, {}, {}, 1, 1, "LOG", laps};
const CommandSpec kSegmentsCommand{
    "segments", "LOG                  the lap and segment list", kSegmentsUsage, {}, {}, 1, 1, "LOG", segments};
const CommandSpec kSegmentCommand{
    "segment", "LOG N                 the list of segment N of every lap", kSegmentUsage, {}, {}, 2, 2, "LOG", segment};
const CommandSpec kParamsCommand{
    "params", "LOG                    the logger settings of the log's header", kParamsUsage, {}, {}, 1, 1, "LOG",
    params};
const CommandSpec kExportCommand{"export",
                                 "LOG [-o OUT]           the comma-separated text export",
                                 kExportUsage,
                                 {"-o", "--output"},
                                 {},
                                 1,
                                 1,
                                 "LOG",
                                 exportText};

}  // namespace vt::cli
