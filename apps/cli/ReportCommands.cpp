// veltra histogram / report: the rpm histogram of a lap and the printed lap report.
#include <cstdio>
#include <string>

#include "Cli.h"
#include "display/Graphs.h"
#include "display/Histogram.h"
#include "display/Printing.h"
#include "widgets/QtUi.h"

namespace vt::cli {

namespace {

const char* const kHistogramHelp =
    "usage: veltra histogram LOG --lap N [--png FILE]\n"
    "\n"
    "Chooses lap N of LOG as the lap list does, then does what the ' rpm  Histo' button does:\n"
    "counts the lap's records (its first record and the segment and lap markers are not\n"
    "counted) into twenty engine-speed bands, 500 rpm wide when the logger's rpm maximum is\n"
    "10000 or less, else 1000, the last band taking every speed above it. Prints one line per\n"
    "band as the picture shows it: the band's range, then its share of the counted records in\n"
    "percent. A lap of markers only has nothing to count: every band shows 0.0% and a note\n"
    "goes to standard error.\n"
    "\n"
    "  --lap N      the lap to count\n"
    "  --png FILE   also write the histogram picture to FILE (PNG)\n";

const char* const kReportHelp =
    "usage: veltra report LOG --lap N --pdf FILE [--graph K]\n"
    "\n"
    "Chooses lap N of LOG as the lap list does and prints the lap report as the File menu's\n"
    "print entry does, into the PDF file FILE: the name, date, lap number and lap time, the\n"
    "course picture, the course list, and the speed and rpm, lateral G and steering, and\n"
    "temperature graphs.\n"
    "\n"
    "  --lap N      the lap to report\n"
    "  --pdf FILE   the PDF file to write\n"
    "  --graph K    the graph on screen before printing, 3, 4, 5 or 7 (default 3); the page\n"
    "               always carries graphs 3, 4 and 5\n";

constexpr double kHistogramScale = 2;  // image pixels per picture pixel of the PNG
constexpr double kReportScale = 3;     // the printed pictures at about 290 dots per inch

int histogram(const Args& args) {
    LapRequest req;
    if (int rc = lapRequest(args, req); rc != 0) return rc;
    Session session(kHistogramScale);
    if (int rc = chooseLap("histogram", session, req); rc != 0) return rc;
    Module1& m = session.m;
    grf_6_Click(m, session.f, session.s);
    const RpmHistogram h = rpm_histogram(m);
    if (!req.png.empty())
        if (int rc = savePicture("histogram", *session.f.Picture3, req.png); rc != 0) return rc;
    for (int b = 1; b <= kRpmBands; ++b)
        std::printf("%s %s%%\n", histo_range_text(h, b).c_str(), histo_percent_text(h, b).c_str());
    if (h.total == 0) std::fprintf(stderr, "veltra: histogram: lap %ld has no rpm records (markers only)\n", req.lap);
    return 0;
}

int report(const Args& args) {
    LapRequest req;
    if (int rc = lapRequest(args, req); rc != 0) return rc;
    const std::string pdf = args.value("--pdf");
    if (pdf.empty()) return args.usage("--pdf needs a file name");
    long kind = 3;
    if (args.values.count("--graph") &&
        (!toInt(args.value("--graph"), kind) || (kind != 3 && kind != 4 && kind != 5 && kind != 7)))
        return args.usage("--graph must be 3, 4, 5 or 7");
    Session session(kReportScale);
    if (int rc = chooseLap("report", session, req); rc != 0) return rc;
    Module1& m = session.m;
    m.GraphKind = static_cast<int16_t>(kind);
    grf_refresh(m, session.f);
    std::string error;
    if (!printPageToPdf(form_print_page(m, session.f), pdf, &error))
        return fail("report: cannot write " + pdf + (error.empty() ? "" : ": " + error));
    return 0;
}

}  // namespace

const CommandSpec kHistogramCommand{"histogram",
                                    "LOG --lap N [--png FILE]            the rpm histogram of a lap",
                                    kHistogramHelp,
                                    {"--lap", "--png"},
                                    {},
                                    1,
                                    1,
                                    "LOG",
                                    histogram};
const CommandSpec kReportCommand{"report",    "LOG --lap N --pdf FILE [--graph K]  the printed lap report as PDF",
                                 kReportHelp, {"--lap", "--pdf", "--graph"},
                                 {},          1,
                                 1,           "LOG",
                                 report};

}  // namespace vt::cli
