#include "course/CourseList.h"

#include <algorithm>
#include <cmath>

#include "compare/LapCompare.h"
#include "course/CourseCompare.h"
#include "course/CourseLayout.h"
#include "display/Panel.h"
#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "platform/NumText.h"

namespace vt {

namespace {

// The list's number texts: a whole number right-aligned in `width` characters.
std::string rightNumber(long long v, size_t width) { return Right("     " + Str(v), width); }

// A road speed as the list shows it (miles per hour in miles mode), before cutting to width.
std::string speedText(const Module1& m, int16_t v) {
    if (m.SpeedUnit != 0) return Format(static_cast<double>(v) * layout::kMphPerKmh, "  ###0");
    return "     " + Str(v);
}

// Speed of a raw speed word; a word that gives no valid speed leaves `v` as it was.
void speedOf(const Module1& m, int word, int16_t& v) {
    if (!fits16(word)) return;
    int16_t x = static_cast<int16_t>(word);
    if (Soku_conv(m, x)) v = x;
}

// Engine speed of a raw word; a word beyond 16 bits leaves `v` as it was.
void rpmOf(const Module1& m, int word, int16_t& v) {
    if (fits16(word)) v = Taco_conv(m, word);
}

struct Extremes {
    int16_t rpmMin = 0, rpmMax = 0, speedMin = 0, speedMax = 0;
};

// rpm and speed columns of one row (or of the totals), from x = 355 and x = 430.
void printRanges(const Module1& m, Canvas& pic, int16_t r1, int16_t r2, int16_t sl, int16_t sh) {
    pic.CurrentX = 355;
    pic.Print({rightNumber(r1, 6)}, false);
    pic.Print({"~", rightNumber(r2, 6)}, false);
    pic.CurrentX = 430;
    pic.Print({Right(speedText(m, sl), 5)}, false);
    pic.Print({"~", Right(speedText(m, sh), 4)}, false);
}

// The difference columns that stand in place of the rpm columns when the list compares with the
// reference lap: what the segment added, then the running difference at its end.
void printDiffs(const Module1& m, Canvas& pic, const std::string& seg, const std::string& total, int16_t sl,
                int16_t sh) {
    pic.CurrentX = 355;
    pic.Print({Right("      " + seg, 6)}, false);
    pic.Print({" ", Right("      " + total, 6)}, false);
    pic.CurrentX = 430;
    pic.Print({Right(speedText(m, sl), 5)}, false);
    pic.Print({"~", Right(speedText(m, sh), 4)}, false);
}

constexpr const char* kListHead =
    "      SEG        STRAIGHT       LEFT         RIGHT        DISTANCE       TIME        rpm MIN~MAX  ";
// The same with the difference columns' heads over them.
constexpr const char* kDiffListHead =
    "      SEG        STRAIGHT       LEFT         RIGHT        DISTANCE       TIME     SEG  TOTAL      ";

}  // namespace

void dist_text(Module1& m, MainformState& f, const float& d) {
    if (m.SpeedUnit != 0) {
        f.dist_str = Format(static_cast<double>(d) / 10 * layout::kMilesPerMetre, "  ##0.000M ");
        return;
    }
    std::string s = "      " + Str(Int(d) / 10);
    if (s.find('.') == std::string::npos) s += ".0";
    f.dist_str = Right(s, 7) + "m ";
}

void grf_2_Click(Module1& m, MainformState& f, EventPump& pump) {
    const int lap = std::clamp<int>(m.LapCur, 0, kMaxLap);
    // An empty page leaves the picture alone.
    if (lapWord(m, lap, 1, layout::seg::kTime) == 0) return;

    // Compared with the reference lap (before MmPerPulse is lent to a loaded course).
    LapComparison cmp;
    const bool diffs = m.RecCount != 0 && f.RefLap.On && f.RefLap.ListDiff &&
                       (cmp = compare_current(m, f.RefLap)).ok() && !cmp.diff.segments.empty();

    meter_off(m, f);
    const int16_t savedMm = m.MmPerPulse;
    const bool courseMm = m.CourseMmPerPulse != 0;
    if (courseMm) m.MmPerPulse = m.CourseMmPerPulse;

    // Title and header.
    Canvas& pic = *f.Picture3;
    pic.Cls();
    pic.CurrentY = 2;
    pic.Print({Tab(35), "*   Course List   *"});
    pic.Print({diffs ? kDiffListHead : kListHead, m.SpeedUnit != 0 ? "     M/h" : "     km/h"});

    m.CumTime = 0;
    m.DistCount = 0;
    float straight = 0, left = 0, right = 0;
    Extremes ext;

    // One row per segment until a zero time.
    int16_t r1 = 0, r2 = 0, sl = 0, sh = 0;
    for (int e = 1; e <= 15; ++e) {
        pump.processEvents();
        m.SegTime = lapWord(m, lap, e, layout::seg::kTime);
        if (m.SegTime == 0) break;
        pic.CurrentX = 0;
        pic.CurrentY = static_cast<float>(32 + 13 * (e - 1));

        // Place: from boundary e - 1 to boundary e; the first row starts at the start line.
        pic.Print(
            {e == 1 ? std::string("  CONT") : Right("          " + Str(e - 1), 10), "~", Right("  " + Str(e), 2), "  "},
            false);

        // Length in the column of its kind, then the distance so far.
        float len = static_cast<float>(lapWord(m, lap, e, layout::seg::kPulses));
        Kyori_conv(m, len);
        m.DistCount += len;
        dist_text(m, f, len);
        const char letter =
            static_cast<char>(m.LapTbl[static_cast<size_t>(lap)][static_cast<size_t>(e)][layout::seg::kShape]);
        if (letter == 'L') {
            pic.CurrentX = 120;
            left += len;
        } else if (letter == 'R') {
            pic.CurrentX = 180;
            right += len;
        } else {
            pic.CurrentX = 60;
            straight += len;
        }
        pic.Print({f.dist_str}, false);
        dist_text(m, f, m.DistCount);
        pic.CurrentX = 240;
        pic.Print({f.dist_str}, false);

        // Time, rpm and speed only for a logged lap.
        if (m.RecCount != 0) {
            m.CumTime += m.SegTime;
            time_conv(m, m.SegTime);
            pic.CurrentX = 300;
            pic.Print({" ", m.TimeText, " "}, false);
            rpmOf(m, lapWord(m, lap, e, layout::seg::kRpmMin), r1);
            if (ext.rpmMin == 0 || ext.rpmMin > r1) ext.rpmMin = r1;
            rpmOf(m, lapWord(m, lap, e, layout::seg::kRpmMax), r2);
            if (r2 > ext.rpmMax) ext.rpmMax = r2;
            speedOf(m, lapWord(m, lap, e, layout::seg::kSpeedLow), sl);
            if (ext.speedMin == 0 || ext.speedMin > sl) ext.speedMin = sl;
            speedOf(m, lapWord(m, lap, e, layout::seg::kSpeedHigh), sh);
            if (sh > ext.speedMax) ext.speedMax = sh;
            const size_t seg = static_cast<size_t>(e - 1);
            if (diffs && seg < cmp.diff.segments.size())
                printDiffs(m, pic, diffText(cmp.diff.segments[seg].segDiff), diffText(cmp.diff.segments[seg].diff), sl,
                           sh);
            else
                printRanges(m, pic, r1, r2, sl, sh);
        }
    }

    // Totals under a rule.
    const float y1 = static_cast<float>(Nearest(pic.CurrentY + 16));
    pic.Line(10, y1, 480, y1, QBColor(6));
    pic.CurrentX = 0;
    pic.CurrentY = y1 + 4;
    pic.Print({Spc(11)}, false);
    const std::pair<float, float> sums[] = {{60.0f, straight}, {120.0f, left}, {180.0f, right}, {240.0f, m.DistCount}};
    for (const auto& [x, sum] : sums) {
        dist_text(m, f, sum);
        pic.CurrentX = x;
        pic.Print({f.dist_str}, false);
    }
    if (m.RecCount != 0) {
        time_conv(m, m.CumTime);
        pic.CurrentX = 300;
        pic.Print({" ", m.TimeText, " "}, false);
        f.lap_time.setCaption(m.TimeText);
        if (diffs)
            printDiffs(m, pic, "", diffText(cmp.diff.final), ext.speedMin, ext.speedMax);
        else
            printRanges(m, pic, ext.rpmMin, ext.rpmMax, ext.speedMin, ext.speedMax);
    }

    // The lap length in whole metres, halves up.
    store16(m.CourseLen, Int(m.DistCount / 10 + 0.5f));
    if (courseMm) m.MmPerPulse = savedMm;
}

void Picture1_Click(Module1& m, MainformState& f, EventPump& pump) {
    if (f.MSComm1 && f.MSComm1->portOpen()) return;
    if (m.RecCount == 0) return;
    f.CHK_AVR.setCaption(f.CHK_AVR.Caption != "ON" ? "ON" : "OFF");
    Corse_layout(m, f, pump, m.CourseLen);
    avr_speed_print(m, f);
    if (f.RefLap.On && f.RefLap.PaintCourse) course_gain_paint(m, f);
}

void Check1_Click(Module1& m, MainformState& f) { m.SpeedUnit = f.Check1.Checked ? 1 : 0; }

}  // namespace vt
