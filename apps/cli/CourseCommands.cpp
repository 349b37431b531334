// veltra course / courselist: what choosing a lap in the lap list draws, as pictures and text.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Cli.h"

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

}  // namespace vt::cli
