#include "logfiles/ListWindow.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "layout/FrameLayout.h"
#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "logfiles/FileDialogs.h"
#include "logfiles/LapLists.h"
#include "logfiles/LogFile.h"
#include "platform/NumText.h"
#include "platform/WholeFile.h"

namespace vt {

namespace {

const char* const kWrittenText = "ファイル書き込み終了しました。";
const char* const kInfoTitle = "インフォーメーション";

void invalidPick(Module1& m, Form3State& st, Services& s) {
    s.ui.beep();
    st.PickLap = 0;
    s.ui.msg(lang(m, 79), MsgIcon::Question, lang(m, text::kErrorTitle));
}

std::array<Control*, 5> editButtons(Form3State& st) {
    return {&st.Command1, &st.DEL, &st.Re_Save, &st.UN_DO, &st.TEXT_SAVE};
}

void clearSelection(Form3State& st) {
    st.SelStart = 0;
    st.SelLength = 0;
}

}  // namespace

void list_caption_load(const Module1& m, Form3State& st) {
    st.window.setCaption(lang(m, 68));
    st.Command1.setCaption(lang(m, 70));
    st.Command2.setCaption(lang(m, 71));
    st.UN_DO.setCaption(lang(m, 72));
    st.DEL.setCaption(lang(m, 73));
    st.Re_Save.setCaption(lang(m, 74));
    st.TEXT_SAVE.setCaption(lang(m, 75));
    st.Label8.setCaption(lang(m, 76));
    st.Label9.setCaption(lang(m, 77));
    st.Frame1.setCaption(lang(m, 78));
    st.REF_SET.setCaption(lang(m, text::kRefButton));
}

void Form_Load(Module1& m, const MainformState& f, Form3State& st) {
    list_caption_load(m, st);
    st.Label7.setCaption(f.namae.Caption);
    st.Label10.setCaption(f.hiniti.Caption);
    st.PickLap = 0;
    st.RefPick = 0;
    st.RefLabel.setCaption("");
    for (Control* c : editButtons(st)) c->setVisible(false);
    st.REF_SET.setVisible(false);
    st.Mode = m.SelLap;
    clearSelection(st);
    switch (m.SelLap) {
        case 1:
            seg_table_list(m, st);
            break;
        case 2:
            one_seg_list(m, st, m.SegListNo);
            break;
        default:
            lap_list(m, st);
            for (Control* c : editButtons(st)) c->setVisible(true);
            st.REF_SET.setVisible(true);
            break;
    }
    best_show(m, st);
}

bool pick_valid(const Module1& m, int lap) { return lap >= 1 && lap >= m.LapFirst && lap <= m.LapLast; }

void Text1_MouseDown(Form3State& st, int32_t caret, float y) {
    const auto len = static_cast<int32_t>(st.Text1.size());
    caret = std::clamp(caret, 0, len);
    st.SelStart = std::min(caret / kLapLineChars * kLapLineChars, len);
    st.SelLength = std::min(kLapLineChars, len - st.SelStart);
    st.MouseDownY = y;
}

void Text1_MouseUp(Module1& m, Form3State& st, Services& s, float y) {
    m.DelList[1] = 0;
    if (y < st.MouseDownY) st.SelLength = 0;
    const auto len = static_cast<int32_t>(st.Text1.size());
    st.SelStart = std::clamp(st.SelStart, 0, len);
    st.SelLength = std::clamp(st.SelLength, 0, len - st.SelStart);
    const int32_t selected = st.SelLength;
    if (selected >= 4) {
        int n = selected / kLapLineChars + (selected % kLapLineChars > 3 ? 1 : 0);
        // DelList holds laps from index 1 to 100, then the terminating 0 when there is room.
        n = std::min(n, kMaxLap);
        for (int i = 1; i <= n; ++i) {
            const size_t at = static_cast<size_t>(st.SelStart) + static_cast<size_t>((i - 1) * kLapLineChars);
            const size_t end = static_cast<size_t>(st.SelStart + selected);
            std::string_view five =
                at < end ? std::string_view(st.Text1).substr(at, std::min<size_t>(5, end - at)) : std::string_view();
            double v = Val(Trim(five));
            m.DelList[static_cast<size_t>(i)] = fits16(v) ? static_cast<int16_t>(v) : int16_t{0};
        }
        if (n + 1 <= kMaxLap) m.DelList[static_cast<size_t>(n + 1)] = 0;
    }
    st.PickLap = m.DelList[1];
    if (!pick_valid(m, st.PickLap)) invalidPick(m, st, s);
}

void Text1_DblClick(Module1& m, Form3State& st) {
    m.SelLap = st.PickLap;
    st.Unloaded = true;
}

void Command1_Click(Module1& m, Form3State& st, Services& s) {
    if (pick_valid(m, st.PickLap)) {
        m.SelLap = st.PickLap;
        st.Unloaded = true;
        return;
    }
    invalidPick(m, st, s);
}

void Command2_Click(Module1& m, Form3State& st, Services& s, const std::function<bool(std::string*)>& printWindow) {
    for (Control* c : {&st.Command2, &st.Command1, &st.DEL, &st.Re_Save, &st.UN_DO, &st.REF_SET}) c->setVisible(false);
    std::string error;
    const bool ok = printWindow ? printWindow(&error) : false;
    st.Command2.setVisible(true);
    if (st.Mode == 0)
        for (Control* c : {&st.Command1, &st.DEL, &st.Re_Save, &st.UN_DO, &st.REF_SET}) c->setVisible(true);
    if (!ok && !error.empty() && error != "cancelled")
        s.ui.msg(error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
}

void REF_SET_Click(Module1& m, Form3State& st, Services& s) {
    if (!pick_valid(m, st.PickLap)) {
        invalidPick(m, st, s);
        return;
    }
    st.RefPick = st.PickLap;
    st.RefLabel.setCaption(lang(m, text::kRefLabel) + std::to_string(st.RefPick));
}

void DEL_Click(Module1& m, Form3State& st, Services& s) {
    if (!pick_valid(m, st.PickLap)) {
        invalidPick(m, st, s);
        return;
    }
    for (int i = 1; i <= kMaxLap && m.DelList[static_cast<size_t>(i)] != 0; ++i) {
        const int lap = m.DelList[static_cast<size_t>(i)];
        if (lap >= m.LapFirst && lap <= m.LapLast && lap >= 0 && lap <= kMaxLap)
            m.LapTbl[static_cast<size_t>(lap)][1][layout::seg::kDeleted] = layout::kDeletedMark;
    }
    lap_list(m, st);
    clearSelection(st);
    st.Label4.setCaption(Str(st.BestLap) + " ");
    st.Label6.setCaption(time_conv(m, st.BestTime));
}

void UN_DO_Click(Module1& m, Form3State& st) {
    for (int lap = std::max<int>(m.LapFirst, 0); lap <= std::min<int>(m.LapLast, kMaxLap); ++lap)
        m.LapTbl[static_cast<size_t>(lap)][1][layout::seg::kDeleted] = 0;
    lap_list(m, st);
    clearSelection(st);
    best_show(m, st);
}

void Re_Save_Click(Module1& m, Form3State&, Services& s) {
    const std::string name = s.ui.inputBox("再登録するファイル名を入力してください", "ファイル名", "");
    if (name.empty()) {
        s.ui.beep();
        return;
    }
    // The name must stay a plain name in the log folder.
    if (!name_is_allowed(name)) {
        s.ui.msg(lang(m, text::kBadName), MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return;
    }
    m.LogFileName = m.LogDir + "/" + name + ".log";
    std::string error;
    if (!log_write(m, m.LogFileName, &error)) {
        s.ui.msg(m.LogFileName + ": " + error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return;
    }
    s.ui.beep();
    s.ui.msg(kWrittenText, MsgIcon::Exclamation, kInfoTitle);
}

void TEXT_SAVE_Click(Module1& m, MainformState& f, Form3State& st, Services& s) {
    if (m.TextFileName.empty()) {
        // No log file has been opened, so there is no name to export under.
        s.ui.beep();
        s.ui.msg(lang(m, text::kNoLog), MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return;
    }
    std::string error, notes;
    if (!text_export(m, f, st, s, m.TextFileName, nullptr, &error, &notes)) {
        s.ui.msg(m.TextFileName + ": " + error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return;
    }
    s.ui.beep();
    // A log whose own name ends in "txt" exports under another name: say which.
    bool adjusted = false;
    if (text_file_name(m.LogFileName, &adjusted) != m.TextFileName) adjusted = false;
    std::string said = adjusted ? kWrittenText + m.CrLfStr + m.TextFileName : std::string(kWrittenText);
    if (!notes.empty()) said += m.CrLfStr + notes;
    s.ui.msg(said, MsgIcon::Exclamation, kInfoTitle);
}

void export_line(Module1& m, MainformState& f, Form3State& st, std::string& out) {
    nama_store(m, angleDisplay(m, f), f.XScale, f.TraceX);
    const auto& ch = m.Chan;
    // Eleven fields of at most seven characters each (comma, sign, five digits).
    char buf[96];
    char* p = buf;
    auto field = [&p](int v) {
        *p++ = ',';
        if (v < 0) {
            *p++ = '-';
            v = -v;
        }
        char digits[12];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0 && n < 11);
        while (n > 0) *p++ = digits[--n];
    };
    auto optional = [&p, &field](int v) {
        if (v >= 255)
            *p++ = ',';
        else
            field(v);
    };
    field(ch[0]);
    field(ch[1]);
    field(ch[2]);
    int pressure = ch[3];
    switch (m.PrsRange) {
        case 0:
            pressure = static_cast<int>(std::floor(ch[3] * 0.939));
            break;
        case 1:
            pressure = static_cast<int>(std::floor(ch[3] * 2.35));
            break;
        case 2:
            pressure = static_cast<int>(std::floor(ch[3] * 4.69));
            break;
        default:
            break;
    }
    field(pressure);
    optional(ch[4]);
    optional(ch[5]);
    for (int i = 6; i <= 10; ++i) field(ch[static_cast<size_t>(i)]);
    st.ExportLine.assign(buf, static_cast<size_t>(p - buf));
    out += st.LinePrefix;
    out += st.ExportLine;
    out += "\r\n";
}

bool text_export(Module1& m, MainformState& f, Form3State& st, Services& s, const std::string& path, int64_t* lines,
                 std::string* error, std::string* notes) {
    std::error_code ec;
    if (!m.LogFileName.empty() && std::filesystem::equivalent(path, m.LogFileName, ec)) {
        if (error) *error = "that is the log file itself; the export would replace it";
        return false;
    }
    WholeFile file(path);
    if (!file.open(error)) return false;
    const int16_t keepCourseLen = m.CourseLen;
    // The export walks every lap through the current-lap state; the lap chosen in the main
    // window (its records, number and distance per pulse) must still be there afterwards, or
    // its replay and graphs would show another lap.
    const int32_t keepRecPtr = m.RecPtr, keepRecCount = m.RecCount;
    const int16_t keepLapCur = m.LapCur, keepMmPerPulse = m.MmPerPulse;
    m.CourseLen = 32760;  // distances must not wrap at a course length
    m.ReplayOn = kTrue;

    // Written in pieces: the buffer is made once and reused, so records allocate nothing.
    constexpr size_t kFlushAt = 1 << 16;
    std::string out;
    out.reserve(kFlushAt + 256);
    bool writeOk = true;
    auto flush = [&] {
        if (out.empty()) return;
        if (!file.write(out)) writeOk = false;
        out.clear();
    };

    int64_t count = 0;
    int sinceEvents = 0;
    const int s0 = lapWord(m, m.LapFirst, 1, layout::seg::kStartAddress);
    const int top = std::min<int>(m.LapLast, kMaxLap);
    // A lap is read up to the marker that closes it, but never past the records the file
    // holds, and a lap whose records an earlier lap has already gone through is left out: a
    // damaged lap table (laps sharing one start, markers missing) cannot make the export
    // longer than the file.
    const int32_t recordsEnd = std::min<int32_t>(m.RecLast, kMaxRecord);
    int32_t exportedTo = -1;
    std::vector<int> shared, unclosed;
    for (int lap = std::max<int>(m.LapFirst, 0); lap <= top && writeOk; ++lap) {
        if (lapDeleted(m, lap)) continue;
        m.LapCur = static_cast<int16_t>(lap);
        int32_t ptr = lapWord(m, lap, 1, layout::seg::kStartAddress) - s0;
        if (ptr < 0) ptr += m.MemRecs;
        // A start outside the ring, or past the image, has no records here.
        if (ptr < 0 || ptr > m.MemRecs || ptr > recordsEnd) continue;
        if (ptr < exportedTo) {
            shared.push_back(lap);
            continue;
        }
        if (!find_distance_per_pulse(m, ptr)) continue;
        m.RecPtr = ptr;
        m.RecCount = 100;  // nama_store sums the distance counts
        f.Label1.setCaption(" TEXT LAP_COUNT " + std::to_string(lap));
        s.pump.processEvents();

        int lapMarkers = 0;
        int32_t n = ptr;
        for (; n <= recordsEnd; ++n) {
            if (++sinceEvents >= 4096) {
                sinceEvents = 0;
                s.pump.processEvents();
            }
            load_record(m, n);
            const uint8_t kind = m.RawRec[frame::recordByte(layout::rec::kKind)];
            if (kind == layout::kSegmentMarker) {
                m.RxKind = "S";
                ++st.SegCount;
                const int seg = st.SegCount;
                const int t = seg >= 1 && seg <= 16 ? lapWord(m, lap, seg, layout::seg::kTime) : 0;
                st.LinePrefix = "S," + std::to_string(seg) + "," + Trim(time_conv(m, t));
                continue;
            }
            const bool lapMarker = kind == layout::kLapMarker;
            if (lapMarker) {
                m.RxKind = "L";
                st.SegCount = 1;
                ++lapMarkers;
                st.LinePrefix =
                    "L," + std::to_string(lap) + "," + Trim(time_conv(m, lapWord(m, lap, 1, layout::seg::kTime)));
            } else {
                m.RxKind = "G";
            }
            export_line(m, f, st, out);
            ++count;
            st.LinePrefix = "G,,";
            if (out.size() >= kFlushAt) flush();
            if (lapMarker && lapMarkers >= 2) break;
        }
        if (n > recordsEnd) unclosed.push_back(lap);
        exportedTo = std::min(n, recordsEnd);
    }
    flush();
    if (notes) {
        notes->clear();
        auto laps = [](const std::vector<int>& list) {
            std::string text = list.size() == 1 ? "lap " : "laps ";
            for (size_t i = 0; i < list.size(); ++i) text += (i ? ", " : "") + std::to_string(list[i]);
            return text;
        };
        if (!shared.empty())
            *notes += laps(shared) + (shared.size() == 1 ? " starts" : " start") +
                      " inside an earlier lap's records (a damaged lap table): left out";
        if (!unclosed.empty())
            *notes += std::string(notes->empty() ? "" : "; ") + laps(unclosed) +
                      " not closed by a lap marker: exported up to the last record of the file";
    }
    // A failed write is kept by the file and given by its commit, which then keeps the old file.
    const bool committed = file.commit(error);

    f.Label1.setCaption("");
    m.CourseLen = keepCourseLen;
    m.RecPtr = keepRecPtr;
    m.RecCount = keepRecCount;
    m.LapCur = keepLapCur;
    m.MmPerPulse = keepMmPerPulse;
    m.ReplayOn = kFalse;
    m.SelLap = 0;
    if (lines) *lines = count;
    return committed;
}

int32_t boxPosFromText1(const std::string& text1, int32_t pos) {
    const auto n = static_cast<int32_t>(text1.size());
    int32_t box = 0;
    for (int32_t i = 0; i < pos && i < n;) {
        if (text1[static_cast<size_t>(i)] == '\r' && i + 1 < n && text1[static_cast<size_t>(i) + 1] == '\n') {
            if (i + 2 > pos) break;  // between CR and LF: the end of the line
            i += 2;
        } else {
            ++i;
        }
        ++box;
    }
    return box;
}

int32_t text1PosFromBox(const std::string& text1, int32_t boxPos) {
    const auto n = static_cast<int32_t>(text1.size());
    int32_t i = 0;
    for (int32_t box = 0; box < boxPos && i < n; ++box) {
        if (text1[static_cast<size_t>(i)] == '\r' && i + 1 < n && text1[static_cast<size_t>(i) + 1] == '\n')
            i += 2;
        else
            ++i;
    }
    return i;
}

}  // namespace vt
