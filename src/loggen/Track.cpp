#include "loggen/Track.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

namespace loggen {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kMinCourseLength = 100.0;    // metres; anything shorter cannot hold a lap of samples
constexpr double kMaxCourseLength = 50000.0;  // metres; a lap must stay below 5999 records anyway
constexpr int kSmoothingPasses = 32;          // binomial passes on the 1 m grid, about 4 m of blur
constexpr int kCurvatureHalfWindow = 3;

double wrapAngle(double a) {
    while (a > kPi) a -= 2.0 * kPi;
    while (a <= -kPi) a += 2.0 * kPi;
    return a;
}

std::string lowerCase(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

double closedLength(const std::vector<Point>& p) {
    double len = 0.0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Point& a = p[i];
        const Point& b = p[(i + 1) % p.size()];
        len += std::hypot(b.x - a.x, b.y - a.y);
    }
    return len;
}

// Evenly spaced points along the closed polyline, starting at its first point.
std::vector<Point> resampleClosed(const std::vector<Point>& p, double spacing) {
    const double total = closedLength(p);
    const size_t n = std::max<size_t>(8, size_t(std::llround(total / spacing)));
    const double step = total / double(n);
    std::vector<Point> out;
    out.reserve(n);
    size_t seg = 0;
    double segStart = 0.0;  // arc length at p[seg]
    double segLen = std::hypot(p[1].x - p[0].x, p[1].y - p[0].y);
    for (size_t i = 0; i < n; ++i) {
        const double s = double(i) * step;
        while (s > segStart + segLen && seg + 1 < p.size()) {
            segStart += segLen;
            ++seg;
            const Point& b = p[(seg + 1) % p.size()];
            segLen = std::hypot(b.x - p[seg].x, b.y - p[seg].y);
        }
        const Point& a = p[seg];
        const Point& b = p[(seg + 1) % p.size()];
        const double f = segLen > 0.0 ? std::clamp((s - segStart) / segLen, 0.0, 1.0) : 0.0;
        out.push_back({a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f});
    }
    return out;
}

void smoothClosed(std::vector<Point>& p, int passes) {
    const size_t n = p.size();
    std::vector<Point> tmp(n);
    for (int pass = 0; pass < passes; ++pass) {
        for (size_t i = 0; i < n; ++i) {
            const Point& a = p[(i + n - 1) % n];
            const Point& b = p[i];
            const Point& c = p[(i + 1) % n];
            tmp[i] = {(a.x + 2.0 * b.x + c.x) * 0.25, (a.y + 2.0 * b.y + c.y) * 0.25};
        }
        p.swap(tmp);
    }
}

// Builds a course from straights and arcs, the way a circuit designer would sketch one.
struct Piece {
    double length;   // straight length in metres (0 for an arc)
    double turnDeg;  // arc turn in degrees, positive = left (0 for a straight)
    double radius;   // arc radius in metres
};

std::vector<Point> sketch(const std::vector<Piece>& pieces, double step) {
    std::vector<Point> out;
    double x = 0.0, y = 0.0, h = 0.0;
    out.push_back({x, y});
    for (const Piece& pc : pieces) {
        if (pc.turnDeg == 0.0) {
            const int n = std::max(1, int(std::ceil(pc.length / step)));
            const double d = pc.length / n;
            for (int i = 0; i < n; ++i) {
                x += d * std::cos(h);
                y += d * std::sin(h);
                out.push_back({x, y});
            }
        } else {
            const double turn = pc.turnDeg * kPi / 180.0;
            const double arc = std::abs(turn) * pc.radius;
            const int n = std::max(1, int(std::ceil(arc / step)));
            const double dh = turn / n;
            const double chord = 2.0 * pc.radius * std::sin(std::abs(dh) / 2.0);
            for (int i = 0; i < n; ++i) {
                x += chord * std::cos(h + dh / 2.0);
                y += chord * std::sin(h + dh / 2.0);
                h += dh;
                out.push_back({x, y});
            }
        }
    }
    return out;
}

// Lengthens two non-parallel straights so that the sketch ends where it began.
std::vector<Point> closeSketch(std::vector<Piece> pieces, size_t adjA, size_t adjB) {
    auto headingBefore = [&](size_t idx) {
        double h = 0.0;
        for (size_t i = 0; i < idx; ++i) h += pieces[i].turnDeg * kPi / 180.0;
        return h;
    };
    const std::vector<Point> open = sketch(pieces, 0.5);
    const double gx = open.back().x, gy = open.back().y;
    const double ha = headingBefore(adjA), hb = headingBefore(adjB);
    const double ax = std::cos(ha), ay = std::sin(ha), bx = std::cos(hb), by = std::sin(hb);
    const double det = ax * by - ay * bx;
    const double da = (-gx * by + gy * bx) / det;
    const double db = (-ax * gy + ay * gx) / det;
    pieces[adjA].length += da;
    pieces[adjB].length += db;
    std::vector<Point> closed = sketch(pieces, 0.5);
    closed.pop_back();  // equals the start point now
    return closed;
}

std::vector<Point> ovalSketch() {
    // Counter-clockwise like most ovals; the start line sits in the middle of the front straight.
    const double straight = 300.0;
    const double radius = (1200.0 - 2.0 * straight) / (2.0 * kPi);
    const std::vector<Piece> pieces = {
        {straight / 2.0, 0, 0}, {0, 180, radius}, {straight, 0, 0}, {0, 180, radius}, {straight / 2.0, 0, 0},
    };
    std::vector<Point> pts = sketch(pieces, 0.5);
    pts.pop_back();
    return pts;
}

std::vector<Point> circuitSketch() {
    // Clockwise road circuit; mostly right-handers with a few lefts and radii from 25 m to 150 m.
    // The last right-hander takes whatever turn is left so the heading closes exactly.
    std::vector<Piece> pieces = {
        {300, 0, 0},                                                           // front straight after the line
        {0, -90, 40},  {150, 0, 0}, {0, 60, 80}, {120, 0, 0},  {0, -150, 25},  // hairpin
        {350, 0, 0},                                                           // back straight (adjusted)
        {0, -45, 150}, {100, 0, 0}, {0, 90, 60}, {0, -90, 50}, {200, 0, 0},    // adjusted
        {0, 0, 70},                                                            // closing corner, turn filled in below
        {250, 0, 0},                                                           // front straight up to the line
    };
    double sum = 0.0;
    for (const Piece& p : pieces) sum += p.turnDeg;
    pieces[12].turnDeg = -360.0 - sum;
    return closeSketch(pieces, 6, 11);
}

}  // namespace

double Course::headingAt(double s) const {
    const size_t n = heading.size();
    const double u = s / spacing - 0.5;
    const double k = std::floor(u);
    const double f = u - k;
    const long long ki = (long long)k;
    const long long nn = (long long)n;
    long long lap = ki >= 0 ? ki / nn : -((-ki + nn - 1) / nn);
    const size_t idx = size_t(ki - lap * nn);
    const double h0 = heading[idx] + double(lap) * totalTurn;
    const double h1 =
        idx + 1 < n ? heading[idx + 1] + double(lap) * totalTurn : heading[0] + double(lap + 1) * totalTurn;
    return h0 + (h1 - h0) * f;
}

double Course::curvatureAt(double s) const {
    const double m = std::fmod(s, length);
    const double u = (m < 0 ? m + length : m) / spacing;
    const size_t i = size_t(u) % curvature.size();
    const size_t j = (i + 1) % curvature.size();
    const double f = u - std::floor(u);
    return curvature[i] + (curvature[j] - curvature[i]) * f;
}

Point Course::positionAt(double s) const {
    const double m = std::fmod(s, length);
    const double u = (m < 0 ? m + length : m) / spacing;
    const size_t i = size_t(u) % points.size();
    const size_t j = (i + 1) % points.size();
    const double f = u - std::floor(u);
    return {points[i].x + (points[j].x - points[i].x) * f, points[i].y + (points[j].y - points[i].y) * f};
}

std::vector<std::string> builtInCourseNames() { return {"oval", "circuit"}; }

CourseResult builtInCourse(const std::string& name) {
    const std::string key = lowerCase(name);
    if (key == "oval") return makeCourse("oval", ovalSketch());
    if (key == "circuit") return makeCourse("circuit", circuitSketch());
    CourseResult r;
    r.error = "unknown built-in course '" + name + "' (known: oval, circuit)";
    return r;
}

CourseResult makeCourse(const std::string& name, const std::vector<Point>& rawPoints, double spacing) {
    CourseResult r;
    r.course.name = name;
    if (!(spacing >= 0.1 && spacing <= 10.0)) {
        r.error = "course spacing must be between 0.1 and 10 m";
        return r;
    }
    // Drop repeated points, including a last point that repeats the first.
    std::vector<Point> pts;
    for (const Point& p : rawPoints) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            r.error = "course '" + name + "' holds a point that is not a finite number";
            return r;
        }
        if (pts.empty() || std::hypot(p.x - pts.back().x, p.y - pts.back().y) > 1e-6) pts.push_back(p);
    }
    while (pts.size() > 1 && std::hypot(pts.back().x - pts[0].x, pts.back().y - pts[0].y) <= 1e-6) pts.pop_back();
    if (pts.size() < 4) {
        r.error = "course '" + name + "' needs at least 4 distinct points, it has " + std::to_string(pts.size());
        return r;
    }
    const double rawLen = closedLength(pts);
    if (rawLen < kMinCourseLength || rawLen > kMaxCourseLength) {
        std::ostringstream os;
        os << "course '" << name << "' is " << std::llround(rawLen) << " m long; it must be between "
           << kMinCourseLength << " and " << kMaxCourseLength << " m";
        r.error = os.str();
        return r;
    }

    std::vector<Point> line = resampleClosed(pts, spacing);
    smoothClosed(line, int(std::lround(kSmoothingPasses / (spacing * spacing))) + 1);
    line = resampleClosed(line, spacing);

    Course& c = r.course;
    const size_t n = line.size();
    c.points = line;
    c.length = closedLength(line);
    c.spacing = c.length / double(n);

    std::vector<double> raw(n);
    for (size_t i = 0; i < n; ++i) {
        const Point& a = line[i];
        const Point& b = line[(i + 1) % n];
        raw[i] = std::atan2(b.y - a.y, b.x - a.x);
    }
    c.heading.resize(n);
    std::vector<double> turn(n);  // turn at point i, between chord i - 1 and chord i
    c.heading[0] = raw[0];
    for (size_t i = 0; i < n; ++i) {
        turn[i] = wrapAngle(raw[i] - raw[(i + n - 1) % n]);
        // A turn this sharp on a metre grid is a spike or a doubled-back line, not a corner.
        if (std::abs(turn[i]) > 0.5 * c.spacing) {
            std::ostringstream os;
            os << "course '" << name << "' folds back on itself near " << std::llround(double(i) * c.spacing)
               << " m from the start (radius below 2 m)";
            r.error = os.str();
            return r;
        }
        if (i > 0) c.heading[i] = c.heading[i - 1] + turn[i];
    }
    c.totalTurn = c.heading[n - 1] + turn[0] - c.heading[0];

    c.curvature.assign(n, 0.0);
    const int w = kCurvatureHalfWindow;
    for (size_t i = 0; i < n; ++i) {
        double sum = 0.0;
        for (int k = -w; k <= w; ++k) sum += turn[size_t((long long)(i + n) + k) % n];
        c.curvature[i] = sum / double(2 * w + 1) / c.spacing;
    }
    return r;
}

CourseResult loadCourseFile(const std::string& path) {
    CourseResult r;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        r.error = "cannot open course file '" + path + "'";
        return r;
    }
    std::vector<Point> pts;
    std::string line;
    int lineNo = 0;
    auto trim = [](std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
        return s;
    };
    auto parse = [](std::string_view s, double& v) {
        if (!s.empty() && s.front() == '+') s.remove_prefix(1);
        const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
        return res.ec == std::errc() && res.ptr == s.data() + s.size() && std::isfinite(v);
    };
    while (std::getline(in, line)) {
        ++lineNo;
        std::string_view v = line;
        if (lineNo == 1 && v.starts_with("\xEF\xBB\xBF")) v.remove_prefix(3);
        v = trim(v);
        if (v.empty() || v.front() == '#') continue;
        const size_t c1 = v.find(',');
        const size_t c2 = c1 == std::string_view::npos ? c1 : v.find(',', c1 + 1);
        Point p;
        const bool good = c1 != std::string_view::npos && parse(trim(v.substr(0, c1)), p.x) &&
                          parse(trim(v.substr(c1 + 1, c2 == std::string_view::npos ? c2 : c2 - c1 - 1)), p.y);
        if (!good) {
            std::string shown(v.substr(0, 40));
            if (v.size() > 40) shown += "...";
            r.error = "course file '" + path + "', line " + std::to_string(lineNo) +
                      ": expected \"x_m,y_m,...\" but found \"" + shown + "\"";
            return r;
        }
        pts.push_back(p);
    }
    if (in.bad()) {
        r.error = "error while reading course file '" + path + "'";
        return r;
    }
    if (pts.empty()) {
        r.error = "course file '" + path + "' holds no points";
        return r;
    }
    std::string name = path;
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
    return makeCourse(name, pts);
}

CourseResult resolveCourse(const std::string& nameOrPath) {
    const std::string key = lowerCase(nameOrPath);
    for (const std::string& n : builtInCourseNames()) {
        if (key == n) return builtInCourse(n);
    }
    if (nameOrPath.empty()) {
        CourseResult r;
        r.error = "no course given";
        return r;
    }
    return loadCourseFile(nameOrPath);
}

}  // namespace loggen
