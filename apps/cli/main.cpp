// veltra: the terminal's procedures, headless. See README.md for examples.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QGuiApplication>

#include "Cli.h"
#include "platform/UiServices.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int, char**);
    const char* summary;
};

const Command kCommands[] = {
    {"laps", vt::cli::cmdLaps, "LOG                      the lap list"},
    {"segments", vt::cli::cmdSegments, "LOG                  the lap and segment list"},
    {"segment", vt::cli::cmdSegment, "LOG N                 the list of segment N of every lap"},
    {"params", vt::cli::cmdParams, "LOG                    the logger settings of the log's header"},
    {"export", vt::cli::cmdExport, "LOG [-o OUT]           the comma-separated text export"},
    {"generate", vt::cli::cmdGenerate, "OUT.log [options]    a log from a vehicle model driving a course"},
    {"course", vt::cli::cmdCourse, "LOG --lap N [--png FILE] [--points]   the course layout of a lap"},
    {"courselist", vt::cli::cmdCourselist, "LOG --lap N [--png FILE]            the course list of a lap"},
    {"graph", vt::cli::cmdGraph, "LOG --lap N --kind 3|4|5|7 --png FILE   a graph of a lap"},
};

void usage(FILE* to) {
    std::fprintf(to, "usage: veltra COMMAND [options]\n\ncommands:\n");
    for (const auto& c : kCommands) std::fprintf(to, "  %-11s %s\n", c.name, c.summary);
    std::fprintf(to, "\n'veltra COMMAND --help' describes each command.\n");
}

}  // namespace

int main(int argc, char** argv) {
    // Headless: pictures are drawn off screen.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    vt::quietRuntimeDir();
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "help") == 0) {
        usage(stdout);
        return 0;
    }
    for (const auto& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0) {
            int qtArgc = 1;
            QGuiApplication app(qtArgc, argv);
            return c.run(argc - 2, argv + 2);
        }
    }
    std::fprintf(stderr, "veltra: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return 2;
}
