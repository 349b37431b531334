// veltra course / courselist: what choosing a lap in the lap list draws, as pictures and text.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Cli.h"
#include "course/CourseEdit.h"
#include "course/CourseFile.h"
#include "course/LapChoice.h"
#include "layout/LogLayout.h"
#include "link/Commands.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"
#include "widgets/ImageCanvas.h"

namespace vt::cli {

namespace {

const char* const kCourseHelp =
    "usage: veltra course LOG --lap N [--png FILE] [--points]\n"
    "\n"
    "Does what choosing lap N in the lap list does (course list, then course layout) and\n"
    "shows the laid-out course.\n"
    "  --png FILE   write the course picture to FILE (PNG)\n"
    "  --points     print 'course_pts <n>', one 'x y' line per course point (picture units\n"
    "               from the picture centre), then dist_step, dist_mark_last and CourseLen\n";

const char* const kCourselistHelp =
    "usage: veltra courselist LOG --lap N [--png FILE]\n"
    "\n"
    "Does what choosing lap N in the lap list does and prints the course list: one line per\n"
    "printed row (segments, then the totals), the texts at their columns as drawn.\n"
    "  --png FILE   write the course-list picture to FILE (PNG)\n";

const char* const kCoursedataHelp =
    "usage: veltra coursedata LOG --lap N [--in-g G] [--out-g G] [--min-length M] -o NAME.dat\n"
    "                         [--png FILE] [--list-png FILE]\n"
    "       veltra coursedata --show FILE.dat [--number D] [--png FILE] [--list-png FILE]\n"
    "\n"
    "The first form does what the course editor does with lap N of LOG chosen in the lap list:\n"
    "splits the lap into straights and left and right corners by its lateral G with the\n"
    "settings given (the editor's \"exec\"), then writes the course file NAME.dat (its\n"
    "\"record\", without asking for a name). It prints one line for the file, then one line per\n"
    "segment: its number, S, L or R, its length in metres, its distance pulses and where it\n"
    "ends along the lap.\n"
    "  --lap N          the lap to split\n"
    "  --in-g G         the in-G threshold in G, 0 to 5 (default 0.5): a corner starts here\n"
    "  --out-g G        the out-G threshold in G, 0 to --in-g (default 0.5): a corner ends here\n"
    "  --min-length M   the minimum segment length in metres, 0 to 999 (default 0)\n"
    "  -o NAME.dat      the course file to write (replaced whole when it exists)\n"
    "\n"
    "The second form loads a course file as the course menu's \"load\" does and prints its\n"
    "course list (one line per printed row), then the segment texts, 'seg_str(<n>) <text>',\n"
    "and the course transfer text the logger would be sent for course number D.\n"
    "  --number D       the course number of the transfer text, 0 to 9 (default 0)\n"
    "\n"
    "Both forms:\n"
    "  --png FILE       write the course picture to FILE (PNG)\n"
    "  --list-png FILE  write the course-list picture to FILE (PNG)\n";

// Passes every drawing on to the real picture and keeps the texts with their positions.
class TextTap : public Canvas {
  public:
    struct Text {
        float x, y;
        std::string text;
    };
    explicit TextTap(Canvas& inner) : Canvas(inner.width(), inner.height()), inner_(inner) {}
    std::vector<Text> texts;

  protected:
    void doClear(Color back) override {
        texts.clear();
        inner_.setBackColor(back);
    }
    void doLine(float x1, float y1, float x2, float y2, Color c, DrawStyle s) override {
        inner_.drawStyle = s;
        inner_.Line(x1, y1, x2, y2, c);
    }
    void doBox(float x1, float y1, float x2, float y2, Color c, bool filled, DrawStyle s) override {
        inner_.drawStyle = s;
        inner_.Box(x1, y1, x2, y2, c, filled);
    }
    void doPixel(float x, float y, Color c) override { inner_.PSet(x, y, c); }
    void doCircle(float x, float y, float r, Color c, DrawStyle s) override {
        inner_.drawStyle = s;
        inner_.Circle(x, y, r, c);
    }
    void doText(float x, float y, std::string_view text, Color c) override {
        texts.push_back({x, y, std::string(text)});
        inner_.CurrentX = x;
        inner_.CurrentY = y;
        inner_.ForeColor = c;
        inner_.Print({text}, false);
    }

  private:
    Canvas& inner_;
};

// The texts of one picture as lines: one per row, each text at its column.
std::vector<std::string> textRows(const std::vector<TextTap::Text>& texts) {
    std::map<int, std::vector<const TextTap::Text*>> rows;
    for (const auto& t : texts) rows[static_cast<int>(std::lround(t.y))].push_back(&t);
    std::vector<std::string> out;
    for (auto& [y, items] : rows) {
        std::stable_sort(items.begin(), items.end(), [](const auto* a, const auto* b) { return a->x < b->x; });
        std::string line;
        for (const auto* t : items) {
            size_t col = static_cast<size_t>(std::lround(t->x / Canvas::kColumnWidth));
            if (line.size() < col) line.append(col - line.size(), ' ');
            line.replace(std::min(col, line.size()), t->text.size(), t->text);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out.push_back(line);
    }
    return out;
}

int course(const Args& args) {
    LapRequest req;
    if (int rc = lapRequest(args, req); rc != 0) return rc;
    Session session;
    if (int rc = chooseLap("course", session, req); rc != 0) return rc;
    MainformState& f = session.f;
    if (!req.png.empty())
        if (int rc = savePicture("course", *f.Picture1, req.png); rc != 0) return rc;
    if (req.points) {
        const int n = std::clamp<int>(f.course_pts, 0, kMaxCoursePoint + 1);
        std::printf("course_pts %d\n", f.course_pts);
        for (int i = 0; i < n; ++i)
            std::printf("%d %d\n", f.course_x[static_cast<size_t>(i)], f.course_y[static_cast<size_t>(i)]);
        std::printf("dist_step %.7g\n", static_cast<double>(f.dist_step));
        std::printf("dist_mark_last %d\n", f.dist_mark_last);
        std::printf("CourseLen %d\n", session.m.CourseLen);
    }
    return 0;
}

int courselist(const Args& args) {
    LapRequest req;
    if (int rc = lapRequest(args, req); rc != 0) return rc;
    Session session;
    MainformState& f = session.f;
    // Watch what the list prints on its picture while it draws there as usual.
    std::unique_ptr<Canvas> real = std::move(f.Picture3);
    auto tap = std::make_unique<TextTap>(*real);
    TextTap& texts = *tap;
    f.Picture3 = std::move(tap);
    int rc = chooseLap("courselist", session, req);
    std::vector<std::string> rows = textRows(texts.texts);
    f.Picture3 = std::move(real);
    if (rc != 0) return rc;
    if (!req.png.empty())
        if (int r = savePicture("courselist", *f.Picture3, req.png); r != 0) return r;
    for (const auto& row : rows) std::printf("%s\n", row.c_str());
    return 0;
}

// The pictures asked for by --png and --list-png.
int savePictures(const char* name, MainformState& f, const Args& args) {
    if (args.values.count("--png"))
        if (int rc = savePicture(name, *f.Picture1, args.value("--png")); rc != 0) return rc;
    if (args.values.count("--list-png"))
        if (int rc = savePicture(name, *f.Picture3, args.value("--list-png")); rc != 0) return rc;
    return 0;
}

// A threshold in G as the editor's bar holds it: 0.01 G steps, 0 to 5 G.
bool gSetting(const std::string& text, int& out) {
    const double v = Val(text);
    if (text.find_first_not_of("0123456789.") != std::string::npos || !(v >= 0 && v <= 5)) return false;
    out = static_cast<int>(Nearest(v * 100));
    return true;
}

int coursedataShow(const Args& args) {
    const std::string path = args.value("--show");
    long number = 0;
    if (args.values.count("--number") && (!toInt(args.value("--number"), number) || number < 0 || number > 9))
        return args.usage("--number must be 0 to 9");
    for (const char* option : {"--lap", "--in-g", "--out-g", "--min-length", "-o"})
        if (args.values.count(option)) return args.usage(std::string(option) + " goes with LOG, not with --show");
    if (!args.positional.empty()) return args.usage("--show takes the course file alone");

    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path)) return fail(path + ": no such file");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (const std::string wrong = course_check(bytes); !wrong.empty()) return fail(path + ": " + wrong);

    Session session(2.0);
    MainformState& f = session.f;
    std::unique_ptr<Canvas> real = std::move(f.Picture3);
    auto tap = std::make_unique<TextTap>(*real);
    TextTap& texts = *tap;
    f.Picture3 = std::move(tap);
    const bool loaded = corse_open_path(session.m, f, session.s, path);
    std::vector<std::string> rows = textRows(texts.texts);
    f.Picture3 = std::move(real);
    if (!loaded) return fail(path + ": cannot be loaded as a course");
    if (int rc = savePictures("coursedata", f, args); rc != 0) return rc;
    for (const auto& row : rows) std::printf("%s\n", row.c_str());
    for (int e = 1; e <= 15 && !f.seg_str[static_cast<size_t>(e)].empty(); ++e)
        std::printf("seg_str(%d) %s\n", e, f.seg_str[static_cast<size_t>(e)].c_str());
    std::printf("%s\n", course_text(std::to_string(number), f).c_str());
    return 0;
}

int coursedata(const Args& args) {
    if (args.values.count("--show")) return coursedataShow(args);
    if (args.positional.size() != 1) return args.usage("give LOG --lap N ... -o NAME.dat, or --show FILE.dat");
    if (args.values.count("--number")) return args.usage("--number goes with --show");
    LapRequest req;
    if (int rc = lapRequest(args, req); rc != 0) return rc;
    int inG = 50, outG = 50;
    long minLength = 0;
    if (args.values.count("--in-g") && !gSetting(args.value("--in-g"), inG))
        return args.usage("--in-g must be a number of G from 0 to 5");
    if (args.values.count("--out-g") && !gSetting(args.value("--out-g"), outG))
        return args.usage("--out-g must be a number of G from 0 to 5");
    if (!args.values.count("--out-g") && outG > inG) outG = inG;
    if (outG > inG) return args.usage("--out-g must not be above --in-g (a corner ends at or below where it starts)");
    if (args.values.count("--min-length") &&
        (!toInt(args.value("--min-length"), minLength) || minLength < 0 || minLength > 999))
        return args.usage("--min-length must be 0 to 999 metres");
    const std::string out = args.value("-o");
    if (out.empty()) return args.usage("-o NAME.dat is needed");

    Session session(2.0);
    if (int rc = chooseLap("coursedata", session, req); rc != 0) return rc;
    Module1& m = session.m;
    MainformState& f = session.f;
    if (const std::string why = edit_refusal(m); !why.empty())
        return fail("coursedata: lap " + std::to_string(req.lap) + ": " + why);

    // The editor opened on the lap, its settings moved to those given, "exec", then "record".
    f.XScale = graphScale(m.CourseLen);
    edit_prepare(m, f, session.s.pump);
    m.HdrWord8 = static_cast<int16_t>(inG);
    m.HdrByte10 = static_cast<int16_t>(outG);
    m.SegMinLen = static_cast<int16_t>(minLength);
    edit_exec(m, f, session.s);
    std::string error;
    if (!course_write(m, out, &error)) return fail("coursedata: " + out + ": " + error);
    if (int rc = savePictures("coursedata", f, args); rc != 0) return rc;

    int segments = 0;
    while (segments < 15 && lapWord(m, 0, segments + 1, layout::seg::kTime) != 0) ++segments;
    std::printf("%s: %d segments, %d m, %d records, lap %ld of %s\n", out.c_str(), segments, m.CourseLen,
                m.RecCount + 1, req.lap, req.log.c_str());
    float along = 0;
    for (int e = 1; e <= segments; ++e) {
        const int pulses = lapWord(m, 0, e, layout::seg::kPulses);
        float length = static_cast<float>(pulses);
        Kyori_conv(m, length);  // 0.1 m; shown to the 0.1 m below, as the course list shows it
        along += length;
        std::printf("%2d %c %8.1f m %6d pulses  to %7.1f m\n", e,
                    static_cast<char>(m.LapTbl[0][static_cast<size_t>(e)][layout::seg::kShape]), Int(length) / 10,
                    pulses, Int(along) / 10);
    }
    return 0;
}

}  // namespace

const CommandSpec kCourseCommand{"course",
                                 "LOG --lap N [--png FILE] [--points]   the course layout of a lap",
                                 kCourseHelp,
                                 {"--lap", "--png"},
                                 {"--points"},
                                 1,
                                 1,
                                 "LOG",
                                 course};
const CommandSpec kCourselistCommand{"courselist",
                                     "LOG --lap N [--png FILE]            the course list of a lap",
                                     kCourselistHelp,
                                     {"--lap", "--png"},
                                     {},
                                     1,
                                     1,
                                     "LOG",
                                     courselist};

const CommandSpec kCoursedataCommand{
    "coursedata",
    "LOG --lap N [...] -o NAME.dat | --show FILE.dat   course data made, or shown",
    kCoursedataHelp,
    {"--lap", "--in-g", "--out-g", "--min-length", "-o", "--show", "--number", "--png", "--list-png"},
    {},
    0,
    1,
    "LOG",
    coursedata};

}  // namespace vt::cli
