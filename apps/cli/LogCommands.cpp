// veltra laps | segments | segment | params | export: the lists, the parameter display and the
// text export of a log, as the terminal shows or writes them right after opening it.
#include <cstdio>
#include <string>

#include "Cli.h"
#include "logdata/Conversions.h"
#include "logfiles/Form3State.h"
#include "logfiles/LapLists.h"
#include "logfiles/ListWindow.h"
#include "logfiles/ParaDisp.h"

namespace vt::cli {

namespace {

bool wantsHelp(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

int help(const char* usage) {
    std::fputs(usage, stdout);
    return 0;
}

int usageError(const char* usage, const std::string& text) {
    std::fprintf(stderr, "veltra: %s\n%s", text.c_str(), usage);
    return 2;
}

// Parses "COMMAND LOG [more...]" with no options beyond --help.
bool takeLog(int argc, char** argv, const char* usage, size_t positionals, Args& args, int& status) {
    std::string error;
    if (!parseArgs(argc, argv, {}, args, &error)) {
        status = usageError(usage, error);
        return false;
    }
    if (!args.flags.empty()) {
        status = usageError(usage, "unknown option " + *args.flags.begin());
        return false;
    }
    if (args.positional.size() != positionals) {
        status = usageError(usage, args.positional.size() < positionals ? "missing argument" : "too many arguments");
        return false;
    }
    return true;
}

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
    "characters. An existing file is replaced whole.\n"
    "\n"
    "  -o OUT   the file to write\n";

}  // namespace

int cmdLaps(int argc, char** argv) {
    if (wantsHelp(argc, argv)) return help(kLapsUsage);
    Args args;
    int status = 0;
    if (!takeLog(argc, argv, kLapsUsage, 1, args, status)) return status;
    Session session;
    if (!session.loadLog(args.positional[0])) return 1;
    if (session.m.LapLast == 0) return fail(args.positional[0] + ": " + lang(session.m, 128));
    return listCommand(session, 0, 0);
}

int cmdSegments(int argc, char** argv) {
    if (wantsHelp(argc, argv)) return help(kSegmentsUsage);
    Args args;
    int status = 0;
    if (!takeLog(argc, argv, kSegmentsUsage, 1, args, status)) return status;
    Session session;
    if (!session.loadLog(args.positional[0])) return 1;
    if (session.m.LapLast == 0) return fail(args.positional[0] + ": " + lang(session.m, 150));
    return listCommand(session, 1, 0);
}

int cmdSegment(int argc, char** argv) {
    if (wantsHelp(argc, argv)) return help(kSegmentUsage);
    Args args;
    int status = 0;
    if (!takeLog(argc, argv, kSegmentUsage, 2, args, status)) return status;
    const int seg = segment_number(args.positional[1]);
    if (seg == 0)
        return usageError(kSegmentUsage, "the segment number must be 1..15, not '" + args.positional[1] + "'");
    Session session;
    if (!session.loadLog(args.positional[0])) return 1;
    if (session.m.LapLast == 0) return fail(args.positional[0] + ": " + lang(session.m, 150));
    return listCommand(session, 2, seg);
}

int cmdParams(int argc, char** argv) {
    if (wantsHelp(argc, argv)) return help(kParamsUsage);
    Args args;
    int status = 0;
    if (!takeLog(argc, argv, kParamsUsage, 1, args, status)) return status;
    Session session;
    if (!session.loadLog(args.positional[0])) return 1;
    ParaDispState st;
    Form_Load(session.m, st);
    para_list_Click(session.m, st);
    for (const auto& box : ParaDispState::kBoxes) std::printf("%s: %s\n", box.name, (st.*(box.box)).Caption.c_str());
    return std::ferror(stdout) ? fail("cannot write the settings") : 0;
}

int cmdExport(int argc, char** argv) {
    if (wantsHelp(argc, argv)) return help(kExportUsage);
    Args args;
    std::string error;
    if (!parseArgs(argc, argv, {"-o", "--output"}, args, &error)) return usageError(kExportUsage, error);
    if (!args.flags.empty()) return usageError(kExportUsage, "unknown option " + *args.flags.begin());
    if (args.positional.size() != 1)
        return usageError(kExportUsage, args.positional.empty() ? "missing argument" : "too many arguments");
    const std::string log = args.positional[0];
    Session session;
    if (!session.loadLog(log)) return 1;
    Module1& m = session.m;
    std::string out = args.value("-o", args.value("--output"));
    if (out.empty()) out = m.TextFileName;
    if (out.empty()) return fail(log + ": no name to export under; give one with -o");

    // The export runs from the lap list, so the list is built first, as in the terminal.
    Form3State st;
    if (m.LapLast != 0) {
        m.SelLap = 0;
        Form_Load(m, session.f, st);
    }
    int64_t lines = 0;
    if (!text_export(m, session.f, st, session.s, out, &lines, &error)) return fail(out + ": " + error);
    return 0;
}

}  // namespace vt::cli
