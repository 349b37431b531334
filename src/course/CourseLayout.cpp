#include "course/CourseLayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"

namespace vt {

namespace {

// The layout works in single precision with the logger's factors.
constexpr float kAccelPerCount = static_cast<float>(layout::kGPerCount);
constexpr float kDegToRad = 0.01745f;
// A bike leaning by an angle corners with g times its tangent: in counts of the acceleration
// byte that is 9.80665 / 0.383 per unit of tangent. (Taking the tangent as counts by itself
// would make every bike lap about 25 times too straight, and none would close.)
constexpr float kLeanToCounts = 9.80665f / kAccelPerCount;
constexpr float kKmhToRecord = static_cast<float>(layout::kKmhToRecordMetres);
constexpr float kAccelScale = static_cast<float>(layout::kAccelScale);
constexpr float kTurn = 6.28318f;
constexpr int kOffsetSamples = 10;
constexpr float kSteps = 180.0f;
constexpr float kSpan = 160.0f;  // picture units spanned by the larger extent
constexpr float kCentre = 126.0f;
constexpr int kMaxMarker = 16;

// What each pass needs of one record.
struct RecordReader {
    const Module1& m;
    float speed = 0;  // km/h; a count that gives no valid speed keeps the last one

    float lateral(int32_t n) const {
        const auto& r = m.LogMem[static_cast<size_t>(n)];
        int v = m.CarType == 1 ? r[layout::rec::kAngle] : r[layout::rec::kLatG];
        if (v > 127) v -= 256;
        if (m.CarType == 1) return std::tan(static_cast<float>(v) * kDegToRad) * kLeanToCounts;
        return static_cast<float>(v);
    }
    // Speed of record n in km/h (also kept in `speed`).
    float kmh(int32_t n) {
        int count = recWord(m, n, layout::rec::kSpeed);
        if (fits16(count)) {
            int16_t v = static_cast<int16_t>(count);
            if (Soku_conv(m, v)) speed = static_cast<float>(v);
        }
        return speed;
    }
};

// A float that fits a 16-bit table entry when rounded down; false leaves the entry alone.
bool storeFloor(int16_t& dst, float v) { return std::isfinite(v) && store16(dst, std::floor(v)); }

}  // namespace

CourseClosure course_closure(const Module1& m, const MainformState& f, EventPump& pump) {
    CourseClosure cl;
    // NORMAL takes no offset and no closure.
    if (m.CarType == 2 || m.RecCount <= 0) return cl;
    const int32_t first = std::clamp<int32_t>(m.RecPtr, 0, kMaxRecord);
    const int32_t last = std::min<int32_t>(m.RecPtr + m.RecCount - 1, kMaxRecord);  // inclusive

    // Zero offset: the mean of the first ten samples after the lap's first record. Near the
    // end of the image there may be fewer; then the mean of those found is taken.
    RecordReader rd{m};
    float sum = 0;
    int found = 0;
    for (int32_t n = first + 1; n <= kMaxRecord && found < kOffsetSamples; ++n) {
        pump.processEvents();
        if (isMarker(m, n)) continue;
        sum += rd.lateral(n) * kAccelPerCount;
        ++found;
    }
    if (found > 0) cl.offset = sum / static_cast<float>(found);
    if (f.CHK_AVR.Caption == "OFF") cl.offset = 0;
    if (m.CarType == 3) cl.offset = 0;
    const float offset = cl.offset;

    // Heading pass.
    float kaku = 0;
    int count = 0;
    rd.speed = 0;
    for (int32_t n = first; n <= last; ++n) {
        if (isMarker(m, n)) continue;
        float d = rd.kmh(n) * kKmhToRecord;
        if (d != 0) kaku += (rd.lateral(n) * kAccelPerCount - offset) * kAccelScale / d;
        ++count;
    }
    cl.headingSum = kaku;
    // Pull the heading sum to whole turns. One point or none: no correction.
    cl.wholeTurns = std::floor(std::fabs(kaku / kTurn) + 0.5f) * kTurn;
    if (kaku < 0) cl.wholeTurns = -cl.wholeTurns;
    if (count > 1) cl.heading = (kaku - cl.wholeTurns) / static_cast<float>(count - 1);

    // Position pass: the gap left at the end is spread over the lap.
    kaku = 0;
    float x = 0, y = 0;
    count = 0;
    rd.speed = 0;
    for (int32_t n = first; n <= last; ++n) {
        if (isMarker(m, n)) continue;
        float d = rd.kmh(n) * kKmhToRecord;
        if (d != 0) {
            kaku = kaku + (rd.lateral(n) * kAccelPerCount - offset) * kAccelScale / d - cl.heading;
            x += d * std::cos(kaku);
            y += d * std::sin(kaku);
        }
        ++count;
    }
    if (count > 1) {
        cl.x = x / static_cast<float>(count - 1);
        cl.y = y / static_cast<float>(count - 1);
    }
    return cl;
}

void Corse_layout(Module1& m, MainformState& f, EventPump& pump, const int16_t& length) {
    Canvas& pic = *f.Picture1;

    // Heading lines.
    f.PIT_IN_TIME.setCaption("");
    f.STOP_TIME.setCaption("");
    pic.Cls();
    pic.Print({"  *  Course Layout  *"});
    pic.CurrentY = 12;
    pic.Print({" COURSE LENGTH "}, false);
    if (m.SpeedUnit != 0)
        pic.Print({Format(static_cast<float>(length) * static_cast<float>(layout::kMilesPerMetre), "#0.000 M")});
    else
        pic.Print({printed(static_cast<int>(length)), "m"});
    pic.CurrentY = 22;
    pic.Print({" AVERAGE SPEED "});

    // Nothing to lay out: the tables of the last run stay.
    if (length == 0 || m.RecCount == 0) return;

    const int32_t first = std::clamp<int32_t>(m.RecPtr, 0, kMaxRecord);
    const int32_t last = std::min<int32_t>(m.RecPtr + m.RecCount - 1, kMaxRecord);  // inclusive

    const CourseClosure cl = course_closure(m, f, pump);
    const float offset = cl.offset, headCorr = cl.heading, xCorr = cl.x, yCorr = cl.y;

    // Final pass: the points, the distance steps and the segment boundaries.
    // marker_tbl(m, 0): course point of marker m; marker_tbl(m, 1): 1 when its segment is a corner.
    std::array<std::array<int16_t, 2>, kMaxMarker + 1> marker_tbl{};
    int markers = 0;
    f.dist_step = static_cast<float>(length) / kSteps;
    f.speed_sum = 0;
    float acc = 0, kaku = 0, x = 0, y = 0;
    int k = 0, c = 0, mk = 0;
    const size_t lap = static_cast<size_t>(std::clamp<int>(m.LapCur, 0, kMaxLap));
    RecordReader rd{m};
    for (int32_t n = first; n <= last; ++n) {
        if (isMarker(m, n)) {
            if (mk <= kMaxMarker) {
                const uint8_t letter =
                    mk + 1 <= 16 ? m.LapTbl[lap][static_cast<size_t>(mk + 1)][layout::seg::kShape] : uint8_t{0};
                marker_tbl[static_cast<size_t>(mk)][0] = static_cast<int16_t>(std::min(c, 32767));
                marker_tbl[static_cast<size_t>(mk)][1] = letter == 'L' || letter == 'R' ? 1 : 0;
                markers = mk + 1;
            }
            ++mk;
            continue;
        }
        float v = rd.kmh(n);
        f.speed_sum += v;
        float d = v * kKmhToRecord;
        if (d != 0) kaku = kaku + (rd.lateral(n) * kAccelPerCount - offset) * kAccelScale / d - headCorr;
        x = x + d * std::cos(kaku) - xCorr;
        y = y + d * std::sin(kaku) - yCorr;
        if (c <= kMaxCoursePoint) {
            storeFloor(f.course_x[static_cast<size_t>(c)], x);
            storeFloor(f.course_y[static_cast<size_t>(c)], y);
        }
        acc += d;
        if (acc > f.dist_step) {
            if (k <= kMaxDistMark) f.dist_mark[static_cast<size_t>(k)] = static_cast<int16_t>(std::min(c, 32767));
            acc -= f.dist_step;
            ++k;
        }
        ++c;
    }
    store16(f.dist_mark_last, k - 1);
    if (f.dist_mark_last + 1 != 0) f.dist_step = static_cast<float>(length) / static_cast<float>(f.dist_mark_last + 1);
    store16(f.course_pts, c);

    // Points beyond the table are neither stored nor drawn.
    const int points = std::min(c, kMaxCoursePoint + 1);
    if (points == 0) return;

    // Extents and scale.
    int xmin = 32767, xmax = 0, ymin = 0, ymax = 0;
    for (int i = 0; i < points; ++i) {
        xmin = std::min<int>(xmin, f.course_x[static_cast<size_t>(i)]);
        xmax = std::max<int>(xmax, f.course_x[static_cast<size_t>(i)]);
        ymin = std::min<int>(ymin, f.course_y[static_cast<size_t>(i)]);
        ymax = std::max<int>(ymax, f.course_y[static_cast<size_t>(i)]);
    }
    const int xr = std::abs(xmax - xmin), yr = std::abs(ymax - ymin);
    f.course_scale = static_cast<float>(xr) / kSpan;
    if (static_cast<float>(yr) / kSpan > f.course_scale) f.course_scale = static_cast<float>(yr) / kSpan;
    const float cx = static_cast<float>(xr) / 2 + static_cast<float>(xmin);
    const float cy = static_cast<float>(yr) / 2 + static_cast<float>(ymin);
    // A course of no extent (all points equal) is drawn unscaled: every point at the centre.
    const float scale = f.course_scale > 0 ? f.course_scale : 1.0f;

    // The path, corners thicker, a ring and number at each segment boundary.
    int corner = 1;
    mk = 0;
    float lastX = -1, lastY = -1;
    int lastCorner = -1;
    for (int i = 0; i < points; ++i) {
        int16_t& cxI = f.course_x[static_cast<size_t>(i)];
        int16_t& cyI = f.course_y[static_cast<size_t>(i)];
        storeFloor(cxI, (static_cast<float>(cxI) - cx) / scale);
        storeFloor(cyI, (static_cast<float>(cyI) - cy) / scale);
        const float px = static_cast<float>(cxI) + kCentre, py = static_cast<float>(cyI) + kCentre;
        // A lap has many more points than the picture has pixels along it: a point on the
        // pixels just set would change nothing.
        if (px != lastX || py != lastY || corner != lastCorner) {
            pic.PSet(px, py);
            if (corner == 1) {
                pic.PSet(px - 1, py);
                pic.PSet(px, py - 1);
            }
            lastX = px;
            lastY = py;
            lastCorner = corner;
        }
        // Markers on the same point (a boundary right after another) are each taken here, so a
        // later boundary is not lost.
        while (mk < markers && marker_tbl[static_cast<size_t>(mk)][0] == i) {
            corner = marker_tbl[static_cast<size_t>(mk)][1];
            pic.Circle(px, py, 1.5f);
            pic.Circle(px, py, 2.0f);
            if (mk != 0) pic.Print({printed(mk)});
            ++mk;
        }
    }

    // The start flag: a 3 x 3 chequer just above and left of the first point, and an arrow.
    const float fx = static_cast<float>(f.course_x[0]) + 120, fy = static_cast<float>(f.course_y[0]) + 115;
    const Color fc = pic.ForeColor;
    pic.Box(fx, fy, fx + 9, fy + 9, fc, false);
    pic.Box(fx, fy, fx + 3, fy + 3, fc, true);
    pic.Box(fx + 3, fy + 3, fx + 6, fy + 6, fc, true);
    pic.Box(fx + 6, fy + 6, fx + 9, fy + 9, fc, true);
    pic.Box(fx + 6, fy, fx + 9, fy + 3, fc, true);
    pic.Box(fx, fy + 6, fx + 3, fy + 9, fc, true);
    pic.CurrentX = fx + 9;
    pic.CurrentY = fy;
    pic.Print({"=>"});
}

void avr_speed_print(Module1& m, MainformState& f) {
    if (f.course_pts == 0) return;
    Canvas& pic = *f.Picture1;
    pic.CurrentX = 92;
    pic.CurrentY = 22;
    const float avr = f.speed_sum / static_cast<float>(f.course_pts);
    if (m.SpeedUnit != 0)
        pic.Print({Format(avr * static_cast<float>(layout::kMphPerKmh), "###0 M/h")});
    else
        pic.Print({printed(static_cast<long long>(Int(avr))), " Km/h"});
}

}  // namespace vt
