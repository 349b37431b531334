#include "course/CourseEdit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "course/CourseFile.h"
#include "course/CourseLayout.h"
#include "course/CourseList.h"
#include "display/Graphs.h"
#include "layout/LogLayout.h"
#include "platform/NumText.h"

namespace vt {

namespace {

constexpr int kMaxGSetting = 500;      // 5.00 G
constexpr int kMaxMinLength = 999;     // metres
constexpr double kCountsPerG = 0.254;  // counts of the acceleration byte per 0.01 G
constexpr int kMaxRows = kMaxCoursePoint + 1;
constexpr int kMaxSegment = layout::kSegmentsPerLap;
// The rebuilt records: one per row, the lap's first, and at most one marker per boundary.
constexpr int kMaxRebuildExtra = 1 + (kMaxSegment - 1);

using Entry = std::array<uint8_t, 33>;

int32_t lengthOf(const Entry& e) { return layout::word(&e[layout::seg::kPulses]); }
// A segment longer than the entry's 16 bits can say is kept at the most it can.
void setLength(Entry& e, int32_t pulses) { layout::putWord(&e[layout::seg::kPulses], std::clamp(pulses, 0, 65535)); }
void openEntry(Entry& e, uint8_t letter) {
    e[1] = 1;
    e[layout::seg::kShape] = letter;
}

std::string gText(int v) { return Str(static_cast<double>(v) / 100) + " G"; }

std::string lengthText(const Module1& m, int v) {
    if (m.SpeedUnit != 0) return Format(v * layout::kMilesPerMetre, "#.000M");
    return Str(v) + " m";
}

}  // namespace

// ---- Corse_para ------------------------------------------------------------------------------

void Form_Load(Module1& m, CorseParaState& st) {
    st.window.setCaption(lang(m, 99));
    st.Label4.setCaption(lang(m, 100));
    st.Label5.setCaption(lang(m, 101));
    st.Label6.setCaption(lang(m, 102));
    st.Corse_ok.setCaption(lang(m, 103));
    st.Corse_end.setCaption(lang(m, 104));
    st.Corse_cancel.setCaption(lang(m, text::kCancel));
    st.HScroll1.setRange(0, kMaxGSetting);
    st.HScroll2.setRange(0, kMaxGSetting);
    st.HScroll3.setRange(0, kMaxMinLength);
    // A setting the bar cannot show (from a file's header) is held to the bar's end.
    st.HScroll1.setValue(m.HdrWord8);
    HScroll1_Change(m, st);
    st.HScroll2.setValue(m.HdrByte10);
    HScroll2_Change(m, st);
    st.HScroll3.setValue(m.SegMinLen);
    HScroll3_Change(m, st);
    st.Result = "cancel";
    st.Unloaded = false;
}

void HScroll1_Change(Module1& m, CorseParaState& st) {
    m.HdrWord8 = static_cast<int16_t>(st.HScroll1.Value);
    st.Label1.setCaption(gText(m.HdrWord8));
    if (m.HdrByte10 > m.HdrWord8) {
        m.HdrByte10 = m.HdrWord8;
        st.HScroll2.setValue(m.HdrByte10);
        st.Label2.setCaption(gText(m.HdrByte10));
    }
}

void HScroll2_Change(Module1& m, CorseParaState& st) {
    m.HdrByte10 = static_cast<int16_t>(st.HScroll2.Value);
    st.Label2.setCaption(gText(m.HdrByte10));
    if (m.HdrByte10 > m.HdrWord8) {
        st.HScroll1.setValue(m.HdrByte10);
        HScroll1_Change(m, st);
    }
}

void HScroll3_Change(Module1& m, CorseParaState& st) {
    m.SegMinLen = static_cast<int16_t>(st.HScroll3.Value);
    st.Label3.setCaption(lengthText(m, m.SegMinLen));
}

void Corse_ok_Click(CorseParaState& st) {
    st.Result = "ok";
    st.Unloaded = true;
}
void Corse_end_Click(CorseParaState& st) {
    st.Result = "end";
    st.Unloaded = true;
}
void Corse_cancel_Click(CorseParaState& st) {
    st.Result = "cancel";
    st.Unloaded = true;
}

// ---- the procedures --------------------------------------------------------------------------

EditThresholds edit_thresholds(const Module1& m) {
    EditThresholds t;
    t.inC = static_cast<int>(Int(m.HdrWord8 * kCountsPerG));
    t.outC = static_cast<int>(Int(m.HdrByte10 * kCountsPerG));
    if (m.MmPerPulse > 0) t.minP = static_cast<int32_t>(Int(m.SegMinLen * 1000.0 / m.MmPerPulse));
    return t;
}

std::string edit_refusal(const Module1& m) {
    if (m.MmPerPulse <= 0)
        return "no distance per pulse is known for this lap, so the minimum length cannot be measured; choose the "
               "lap in the lap list again";
    if (m.RecPtr < 0 || m.RecCount < 0 || m.RecPtr + m.RecCount > kMaxRecord)
        return "the lap's records are not all in the image";
    int32_t rows = 0;
    for (int32_t i = 0; i <= m.RecCount; ++i)
        if (!layout::isMarkerKind(m.LogMem[static_cast<size_t>(m.RecPtr + i)][layout::rec::kKind])) ++rows;
    if (rows > kMaxRows)
        return "the lap has " + std::to_string(rows) + " sample records; the editor takes at most " +
               std::to_string(kMaxRows);
    const int32_t last = m.MemRecs + std::max(m.RecCount, rows + kMaxRebuildExtra - 1);
    if (m.MemRecs < 0 || last > kMaxRecord)
        return "the lap's working copy behind the logger memory (records " + std::to_string(m.MemRecs) + ".." +
               std::to_string(last) + ") would pass record " + std::to_string(kMaxRecord);
    return {};
}

void edit_prepare(Module1& m, MainformState& f, EventPump& pump) {
    auto& page0 = m.LapTbl[0];
    const auto& page = m.LapTbl[static_cast<size_t>(std::clamp<int>(m.LapCur, 0, kMaxLap))];
    for (int e = 1; e <= kMaxSegment; ++e) page0[static_cast<size_t>(e)] = page[static_cast<size_t>(e)];
    m.LapCur = 0;

    // The copy may overlap the lap itself: moved, not copied.
    std::memmove(m.LogMem[static_cast<size_t>(m.MemRecs)].data(), m.LogMem[static_cast<size_t>(m.RecPtr)].data(),
                 static_cast<size_t>(m.RecCount + 1) * layout::kRecordBytes);
    m.RecPtr = m.MemRecs;

    int32_t& n = f.EditCount;
    n = 0;
    for (int32_t i = 0; i <= m.RecCount && n < kMaxRows; ++i) {
        const auto& r = m.LogMem[static_cast<size_t>(m.RecPtr + i)];
        if (layout::isMarkerKind(r[layout::rec::kKind])) continue;
        f.edit_dat[static_cast<size_t>(n++)] = {
            layout::word(&r[layout::rec::kPulses]), layout::signedByte(r[layout::rec::kLatG]),
            layout::signedByte(r[layout::rec::kAngle]), layout::word(&r[layout::rec::kSpeed])};
    }
    if (n == 0) return;

    // Three-point smoothing in place; at the end of the lap it takes the first, already smoothed, rows.
    auto g = [&f](int32_t k) -> int32_t& { return f.edit_dat[static_cast<size_t>(k)][1]; };
    for (int32_t k = 0; k < n; ++k) g(k) = static_cast<int32_t>(Int((g(k) + g((k + 1) % n) + g((k + 2) % n)) / 3.0));

    // Zero offset: the mean of the first ten rows (of those there are, in a lap of fewer).
    const int32_t taken = std::min<int32_t>(10, n);
    double sum = 0;
    for (int32_t k = 0; k < taken; ++k) {
        pump.processEvents();
        sum += g(k);
    }
    int32_t offset = static_cast<int32_t>(Nearest(sum / taken));
    if (f.CHK_AVR.Caption == "OFF" || m.CarType == 3) offset = 0;
    for (int32_t k = 0; k < n; ++k) g(k) -= offset;
}

void edit_segment(Module1& m, MainformState& f) {
    m.DistCount = 0;
    m.CourseMmPerPulse = 0;
    const EditThresholds th = edit_thresholds(m);
    auto& page = m.LapTbl[0];
    auto entry = [&page](int e) -> Entry& { return page[static_cast<size_t>(e)]; };
    const int32_t n = std::clamp<int32_t>(f.EditCount, 0, kMaxRows);

    // Split pass.
    int s = 1;
    int32_t acc = 0;
    bool corner = false;
    openEntry(entry(1), 'S');
    for (int32_t k = 0; k < n; ++k) {
        const auto& row = f.edit_dat[static_cast<size_t>(k)];
        const int a = std::abs(row[1]);
        const uint8_t dir = row[1] < 0 ? 'L' : 'R';
        acc += row[0];
        if (s >= kMaxSegment) continue;  // the fifteenth segment takes the rest of the lap
        if (!corner) {
            if (a < th.inC) continue;
            corner = true;
            if (acc > th.minP) {
                setLength(entry(s), acc);
                openEntry(entry(++s), dir);
                acc = 0;
            } else if (s > 1 && entry(s - 1)[layout::seg::kShape] == dir) {
                // A straight too short between corners of one direction joins them.
                --s;
                acc += lengthOf(entry(s));
            } else {
                entry(s)[layout::seg::kShape] = dir;
            }
        } else {
            if (a > th.outC) continue;
            corner = false;
            if (acc > th.minP) {
                setLength(entry(s), acc);
                openEntry(entry(++s), 'S');
                acc = 0;
            } else if (s > 1 && entry(s - 1)[layout::seg::kShape] == 'S') {
                // A corner too short after a straight is part of that straight.
                --s;
                acc += lengthOf(entry(s));
            } else {
                entry(s)[layout::seg::kShape] = 'S';
            }
        }
    }
    setLength(entry(s), acc);
    entry(s + 1)[0] = 0;
    entry(s + 1)[1] = 0;

    // Rebuild pass: the rows as records behind the lap's first, a marker record as each
    // boundary is passed. Only boundaries of the list are marked, so the stale lengths of
    // entries after its end make no markers.
    int32_t j = 1;
    int t = 1;
    int32_t limit = lengthOf(entry(1));
    acc = 0;
    for (int32_t k = 0; k < n && m.RecPtr + j <= kMaxRecord; ++k) {
        const auto& row = f.edit_dat[static_cast<size_t>(k)];
        auto& r = m.LogMem[static_cast<size_t>(m.RecPtr + j)];
        layout::putWord(&r[layout::rec::kPulses], row[0]);
        layout::putWord(&r[layout::rec::kSpeed], row[3]);
        r[layout::rec::kLatG] = static_cast<uint8_t>(static_cast<int8_t>(std::clamp(row[1], -128, 127)));
        std::fill(r.begin() + 2, r.begin() + 12, uint8_t{0});
        acc += row[0];
        if (acc > limit && t < s && m.RecPtr + j + 1 <= kMaxRecord) {
            auto& mark = m.LogMem[static_cast<size_t>(m.RecPtr + j + 1)];
            mark[layout::rec::kKind] = layout::kSegmentMarker;
            mark[7] = 238;
            mark[layout::rec::kLatG] = 0;
            ++t;
            acc = 0;
            limit = lengthOf(entry(t));
            ++j;
        }
        ++j;
    }
    m.RecCount = j - 1;
}

void edit_exec(Module1& m, MainformState& f, Services& s) {
    for (Control* c : {&f.seg_d, &f.SEG_TIME, &f.lap_time, &f.lap_no, &f.namae}) c->setCaption("");
    edit_segment(m, f);
    const int32_t records = m.RecCount;
    m.RecCount = 0;
    grf_2_Click(m, f, s.pump);
    m.RecCount = records;
    Corse_layout(m, f, s.pump, m.CourseLen);
    if (m.CourseLen != 0) f.XScale = graphScale(m.CourseLen);
    m.GraphKind = 4;
    grf_refresh(m, f);
}

void Corse_edit_Click(Module1& m, MainformState& f, Services& s, CorseParaState& st) {
    s.ui.beep();
    if (m.CourseLen == 0 || m.RecCount == 0) {
        f.Label1.setCaption(lang(m, 130));
        return;
    }
    if (const std::string why = edit_refusal(m); !why.empty()) {
        s.ui.msg(lang(m, 99) + ": " + why, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return;
    }
    f.Label1.setCaption(lang(m, 131));
    f.XScale = graphScale(m.CourseLen);
    edit_prepare(m, f, s.pump);
    m.SegMinLen = 0;
    m.HdrWord8 = 50;
    m.HdrByte10 = 50;
    for (;;) {
        Form_Load(m, st);
        if (f.windows.Corse_para) f.windows.Corse_para();
        if (st.Result == "end") break;
        if (st.Result != "ok") return;
        edit_exec(m, f, s);
    }
    corse_save(m, f, s);
    m.RecCount = 0;
    m.GraphKind = 3;
}

}  // namespace vt
