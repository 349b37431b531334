#include <cstdio>

#include "Cli.h"
#include "course/LapChoice.h"
#include "display/Graphs.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"
#include "widgets/ImageCanvas.h"

namespace vt::cli {

namespace {

const char* const kGraphHelp =
    "usage: veltra graph LOG --lap N --kind 3|4|5|7 --png FILE [--scale S]\n"
    "\n"
    "Draws the graph the terminal shows after lap N of LOG is chosen in the lap list,\n"
    "and writes it to FILE as PNG.\n"
    "\n"
    "  --lap N      the lap to draw\n"
    "  --kind K     3 speed and rpm, 4 lateral G, steering and throttle,\n"
    "               5 temperatures, air/fuel and pressure, 7 speed and in-line G\n"
    "  --png FILE   the PNG to write\n"
    "  --scale S    image pixels per picture pixel, 1 to 8 (default 2)\n";

int graph(const Args& args) {
    long lap = 0, kind = 0;
    if (!args.values.count("--lap") || !toInt(args.value("--lap"), lap)) return args.usage("--lap needs a lap number");
    if (!toInt(args.value("--kind"), kind) || (kind != 3 && kind != 4 && kind != 5 && kind != 7))
        return args.usage("--kind must be 3, 4, 5 or 7");
    const std::string png = args.value("--png");
    if (png.empty()) return args.usage("--png needs a file name");
    double scale = 2;
    if (args.values.count("--scale")) {
        scale = Val(args.value("--scale"));
        if (!(scale >= 1 && scale <= 8)) return args.usage("--scale must be from 1 to 8");
    }

    Session session(scale);
    const std::string& log = args.positional[0];
    if (!session.loadLog(log)) return 1;
    Module1& m = session.m;
    // Checked here so that the tool says it in one line rather than through the message box.
    m.LapCur = static_cast<int16_t>(lap);
    if (lap < m.LapFirst || lap > m.LapLast || !locate_lap(m))
        return fail("graph: " + log + ": lap " + std::to_string(lap) + " cannot be located");
    if (!choose_lap(m, session.f, session.s, static_cast<int>(lap)))
        return fail("graph: " + log + ": lap " + std::to_string(lap) + " cannot be located");

    m.GraphKind = static_cast<int16_t>(kind);
    grf_refresh(m, session.f);
    auto* picture = dynamic_cast<ImageCanvas*>(session.f.Picture2.get());
    if (picture == nullptr || !picture->savePng(png)) return fail("graph: cannot write " + png);
    return 0;
}

}  // namespace

const CommandSpec kGraphCommand{"graph",    "LOG --lap N --kind 3|4|5|7 --png FILE   a graph of a lap",
                                kGraphHelp, {"--lap", "--kind", "--png", "--scale"},
                                {},         1,
                                1,          "LOG",
                                graph};

}  // namespace vt::cli
