#include "logfiles/LapLists.h"

#include <algorithm>
#include <cstdlib>

#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "platform/NumText.h"

namespace vt {

const char* const kLapListHeadKmh = "  LAP   TIME    rpm MIN~MAX   km/h   G MAX     TMP.1     TMP.2      LENGTH m";
const char* const kLapListHeadMph = "  LAP   TIME    rpm MIN~MAX   M/h    G MAX     TMP.1     TMP.2      LENGTH M";

namespace {

const std::string kContinuation = "\r\n" + std::string(14, ' ');

// Laps the image can hold, from LapLast down to LapFirst.
int topLap(const Module1& m) { return std::min<int>(m.LapLast, kMaxLap); }
int bottomLap(const Module1& m) { return std::max<int>(m.LapFirst, 0); }

int segWord(const Module1& m, int lap, int seg, int byte) { return lapWord(m, lap, seg, byte); }

// Summary words are shown as signed 16-bit values; one that does not fit is passed over.
bool segWord16(const Module1& m, int lap, int seg, int byte, int16_t& out) {
    int v = segWord(m, lap, seg, byte);
    return store16(out, v);
}

// Minimum and maximum scans: the minimum starts at -1 (none yet), the maximum at 0.
struct Range {
    int32_t min = -1, max = 0;
    void low(int32_t v) {
        if (min == -1 || v < min) min = v;
    }
    void high(int32_t v) {
        if (v > max) max = v;
    }
};

int16_t speedOf(const Module1& m, int lap, int seg, int byte, bool& ok) {
    int16_t x = 0;
    ok = segWord16(m, lap, seg, byte, x) && Soku_conv(m, x);
    return x;
}

void setLapMmPerPulse(Module1& m, int lap) {
    int mm = segWord(m, lap, 1, layout::seg::kMmPerPulse);
    m.MmPerPulse = static_cast<int16_t>(mm < 100 || mm > 999 ? 500 : mm);
}

int16_t gOf(const Module1& m, int lap, int seg) {
    int16_t x = m.LapTbl[static_cast<size_t>(lap)][static_cast<size_t>(seg)][layout::seg::kPeakG];
    return G_conv(x);
}

// The G column: the last six characters of four blanks, G / 100 as text and a blank.
void appendG(std::string& out, int16_t g) { out += Right("    " + Str(static_cast<double>(g) / 100.0) + " ", 6); }

// A segment time of the lap-and-segment list: mark, time and a blank, or nine blanks.
void appendSegTime(Module1& m, Form3State& st, int seg) {
    int32_t t = segWord(m, st.RowLap, seg, layout::seg::kTime);
    if (t == 0) {
        st.Text1.append(9, ' ');
        return;
    }
    st.Text1 += st.BestSegLap[static_cast<size_t>(seg)] == st.RowLap ? '*' : ' ';
    st.Text1 += time_conv(m, t);
    st.Text1 += ' ';
}

void appendFramedTime(Module1& m, Form3State& st, int32_t t) {
    st.Text1 += ' ';
    st.Text1 += time_conv(m, t);
    st.Text1 += ' ';
}

}  // namespace

bool lapDeleted(const Module1& m, int lap) {
    return m.LapTbl[static_cast<size_t>(lap)][1][layout::seg::kDeleted] == layout::kDeletedMark;
}

void list_size(const Module1& m, Form3State& st) {
    int rows = std::abs(m.LapLast - m.LapFirst);
    if (m.SelLap == 1) rows = rows * 2 + 8;
    rows = std::min(rows, 30);
    st.HeightTwips = rows * 180 + 2400;
}

bool lap_line_head(Module1& m, Form3State& st, int lap) {
    st.RowLap = static_cast<int16_t>(lap);
    if (lapDeleted(m, lap)) {
        st.Text1 += "  --   ";
        st.Text1.append(68, ' ');
        return false;
    }
    st.Text1 += Right("    " + Str(lap) + " ", 5);
    m.CumTime = 0;
    st.SegCount = 0;
    do {
        ++st.SegCount;
        m.SegTime = segWord(m, lap, st.SegCount, layout::seg::kTime);
        m.CumTime += m.SegTime;
    } while (m.SegTime != 0 && st.SegCount < 16);
    if (m.CumTime < st.BestTime) {
        st.BestTime = m.CumTime;
        st.BestLap = static_cast<int16_t>(lap);
    }
    st.Text1 += ' ';
    st.Text1 += time_conv(m, m.CumTime);
    st.Text1 += ' ';
    return true;
}

void min_max_text(const Module1& m, Form3State& st, int kind, int32_t min, int32_t max, int width) {
    std::string lo, hi;
    if (kind == 1 && m.SpeedUnit == 1) {
        lo = Format(min * layout::kMphPerKmh, "     ###0~");
        hi = Format(max * layout::kMphPerKmh, "     ###0 ");
    } else {
        lo = "     " + Str(static_cast<long long>(min)) + "~";
        hi = "     " + Str(static_cast<long long>(max)) + " ";
    }
    st.Text1 += Right(lo, static_cast<size_t>(width));
    st.Text1 += Right(hi, static_cast<size_t>(width));
}

void lap_rpm(Module1& m, Form3State& st) {
    Range r;
    for (int seg = 1; seg < st.SegCount; ++seg) {
        r.low(Taco_conv(m, segWord(m, st.RowLap, seg, layout::seg::kRpmMin)));
        r.high(Taco_conv(m, segWord(m, st.RowLap, seg, layout::seg::kRpmMax)));
    }
    min_max_text(m, st, 0, r.min, r.max, 6);
}

void lap_speed(Module1& m, Form3State& st) {
    setLapMmPerPulse(m, st.RowLap);
    Range r;
    for (int seg = 1; seg < st.SegCount; ++seg) {
        bool ok = false;
        int16_t lo = speedOf(m, st.RowLap, seg, 6, ok);
        if (ok) r.low(lo);
        int16_t hi = speedOf(m, st.RowLap, seg, 8, ok);
        if (ok) r.high(hi);
    }
    min_max_text(m, st, 1, r.min, r.max, 4);
}

void lap_g_temp(Module1& m, Form3State& st) {
    int16_t peak = 0;
    for (int seg = 1; seg < st.SegCount; ++seg) {
        int16_t g = gOf(m, st.RowLap, seg);
        if (std::abs(g) > std::abs(peak)) peak = g;
    }
    appendG(st.Text1, peak);
    for (int first : {12, 16}) {
        Range r;
        for (int seg = 1; seg < st.SegCount; ++seg) {
            int16_t v = 0;
            if (segWord16(m, st.RowLap, seg, first, v)) r.low(v);
            if (segWord16(m, st.RowLap, seg, first + 2, v)) r.high(v);
        }
        st.Text1 += ' ';
        min_max_text(m, st, 0, r.min, r.max, 5);
    }
}

void best_show(Module1& m, Form3State& st) {
    if (st.BestLap == 0) return;
    st.Label4.setCaption(Str(st.BestLap) + " ");
    st.Label6.setCaption(time_conv(m, st.BestTime));
}

void lap_list(Module1& m, Form3State& st) {
    st.Label2.setCaption(lang(m, 69));
    st.Text2 = m.SpeedUnit == 0 ? kLapListHeadKmh : kLapListHeadMph;
    st.Text1.clear();
    st.BestLap = 0;
    st.BestTime = layout::kNoTime;
    for (int lap = topLap(m); lap >= bottomLap(m); --lap) {
        if (lap_line_head(m, st, lap)) {
            st.Text1 += ' ';
            lap_rpm(m, st);
            lap_speed(m, st);
            st.Text1 += "  ";
            lap_g_temp(m, st);
            // Lap length over segments 1..SegCount: the terminating segment is summed too.
            float tenths = 0;
            for (int seg = 1; seg <= st.SegCount; ++seg) {
                float x = static_cast<float>(segWord(m, lap, seg, layout::seg::kPulses));
                tenths += Kyori_conv(m, x);
            }
            float metres = tenths / 10.0f;
            std::string len = m.SpeedUnit == 0 ? Format(metres, "    ####0.0")
                                               : Format(metres * layout::kMilesPerMetre, "    ##0.000");
            // Under 10 m the pattern gives seven characters; the line keeps its 75 so that
            // picking by position finds the right lap.
            st.Text1 += "  ";
            if (len.size() < 8) st.Text1.append(8 - len.size(), ' ');
            st.Text1 += Right(len, 8);
        }
        st.Text1 += "\r\n";
    }
}

void seg_table_list(Module1& m, Form3State& st) {
    const std::string crlf = "\r\n";
    st.Label2.setCaption(lang(m, 66));
    st.Text2 = std::string("  LAP   TIME    1.SEG    2.SEG    3.SEG    4.SEG    5.SEG   rpm MIN~MAX   ") +
               (m.SpeedUnit == 0 ? "km/h" : "M/h");
    st.Text1.clear();
    st.BestLap = 0;

    st.BestSegLap.fill(0);
    st.BestSegTime.fill(layout::kNoTime);
    for (int lap = topLap(m); lap >= bottomLap(m); --lap) {
        if (lapDeleted(m, lap)) continue;
        for (int seg = 1; seg <= 15; ++seg) {
            int32_t t = segWord(m, lap, seg, layout::seg::kTime);
            if (t != 0 && t < st.BestSegTime[static_cast<size_t>(seg)]) {
                st.BestSegTime[static_cast<size_t>(seg)] = t;
                st.BestSegLap[static_cast<size_t>(seg)] = static_cast<int16_t>(lap);
            }
        }
    }

    st.BestTime = layout::kNoTime;
    for (int lap = topLap(m); lap >= bottomLap(m); --lap) {
        if (lap_line_head(m, st, lap)) {
            for (int seg = 1; seg <= 5; ++seg) appendSegTime(m, st, seg);
            lap_rpm(m, st);
            lap_speed(m, st);
            if (segWord(m, lap, 6, layout::seg::kTime) != 0) {
                st.Text1 += kContinuation;
                for (int seg = 6; seg < st.SegCount; ++seg) {
                    if (segWord(m, lap, seg, layout::seg::kTime) == 0) break;
                    if (seg == 11) st.Text1 += kContinuation;
                    appendSegTime(m, st, seg);
                }
            }
        }
        st.Text1 += crlf;
    }

    st.Text1 += "  " + std::string(76, '-') + crlf;
    if (st.BestLap == 0) return;

    // The best lap's segments, its theoretical best and the delay per segment.
    const int best = st.BestLap;
    lap_line_head(m, st, best);
    const int segs = st.SegCount;  // segments 1..segs-1 hold times
    int32_t bestTotal = 0;
    for (int seg = 1; seg < segs; ++seg) {
        int32_t t = segWord(m, best, seg, layout::seg::kTime);
        if (t == 0) break;
        if (seg == 6 || seg == 11) st.Text1 += kContinuation;
        appendFramedTime(m, st, t);
        bestTotal += t;
    }

    int32_t theo = 0;
    for (int seg = 1; seg < segs; ++seg) theo += st.BestSegTime[static_cast<size_t>(seg)];
    st.Text1 += crlf + " THEO";
    appendFramedTime(m, st, theo);
    for (int seg = 1; seg < segs; ++seg) {
        if (seg == 6 || seg == 11) st.Text1 += kContinuation;
        appendFramedTime(m, st, st.BestSegTime[static_cast<size_t>(seg)]);
    }

    st.Text1 += crlf + " DELA";
    appendFramedTime(m, st, bestTotal - theo);
    for (int seg = 1; seg < segs; ++seg) {
        if (seg == 6 || seg == 11) st.Text1 += kContinuation;
        appendFramedTime(m, st, segWord(m, best, seg, layout::seg::kTime) - st.BestSegTime[static_cast<size_t>(seg)]);
    }
}

void one_seg_list(Module1& m, Form3State& st, int seg) {
    seg = std::clamp(seg, 1, 15);
    st.Label2.setCaption(lang(m, 67));
    st.Text2 = "  LAP   TIME     " + Right(Str(seg), 2) +
               (m.SpeedUnit == 0 ? ".SEG    rpm MIN~MAX   km/h    G MAX     TMP.1     TMP.2"
                                 : ".SEG    rpm MIN~MAX   M/h     G MAX     TMP.1     TMP.2");
    st.Text1.clear();
    st.BestTime = layout::kNoTime;
    for (int lap = topLap(m); lap >= bottomLap(m); --lap) {
        if (lap_line_head(m, st, lap)) {
            int32_t t = segWord(m, lap, seg, layout::seg::kTime);
            if (t != 0) {
                st.Text1 += "   ";
                st.Text1 += time_conv(m, t);
                st.Text1 += ' ';
            } else {
                st.Text1.append(11, ' ');
            }
            st.Text1 += ' ';
            min_max_text(m, st, 0, Taco_conv(m, segWord(m, lap, seg, layout::seg::kRpmMin)),
                         Taco_conv(m, segWord(m, lap, seg, layout::seg::kRpmMax)), 6);
            setLapMmPerPulse(m, lap);
            bool okLo = false, okHi = false;
            int16_t lo = speedOf(m, lap, seg, 6, okLo);
            int16_t hi = speedOf(m, lap, seg, 8, okHi);
            min_max_text(m, st, 1, okLo ? lo : -1, okHi ? hi : 0, 5);
            st.Text1 += "  ";
            appendG(st.Text1, gOf(m, lap, seg));
            for (int first : {12, 16}) {
                int16_t lo16 = -1, hi16 = 0;
                if (!segWord16(m, lap, seg, first, lo16)) lo16 = -1;
                if (!segWord16(m, lap, seg, first + 2, hi16)) hi16 = 0;
                st.Text1 += ' ';
                min_max_text(m, st, 0, lo16, hi16, 5);
            }
        }
        st.Text1 += "\r\n";
    }
}

int segment_number(std::string_view answer) {
    double v = Nearest(Val(answer));
    return v >= 1 && v <= 15 ? static_cast<int>(v) : 0;
}

int ask_segment(Module1& m, Services& s) {
    for (;;) {
        std::string answer = s.ui.inputBox(lang(m, 154), lang(m, 155), "1");
        if (answer.empty()) return 0;
        int seg = segment_number(answer);
        if (seg != 0) return seg;
        s.ui.beep();
        s.ui.msg(lang(m, 156), MsgIcon::Question, lang(m, text::kErrorTitle));
    }
}

std::vector<std::string> list_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at));
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

}  // namespace vt
