#include "params/MainPara.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "link/Commands.h"
#include "logfiles/FileDialogs.h"
#include "platform/NumText.h"
#include "platform/WholeFile.h"

namespace vt {

namespace {

constexpr int kNameTexts = 265;  // Label1(0..17): language texts 265..282
constexpr char kReplyKind = 'Q';
constexpr int kReplyRounds = 11;  // seconds the reply may take

const char* const kCodeTexts[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
                                  "a", "b", "c", "d", "e", "f", "-", "H", "L"};

// The text of a table entry for a scroll value, or the number when it has none.
template <size_t N>
std::string pick(const char* const (&texts)[N], int v) {
    return v >= 0 && static_cast<size_t>(v) < N ? std::string(texts[v]) : Trim(Str(v));
}

// Scroll value of a slot: scaled slots divided by their factor, halves to even.
double scrollValueOf(const ParaRow& row, int32_t slot) {
    return row.factor == 1 ? static_cast<double>(slot) : Nearest(static_cast<double>(slot) / row.factor);
}

// A whole decimal number that fits 32 bits, with an optional sign, nothing else.
bool wholeNumber(const std::string& text, int32_t& out) {
    if (text.empty()) return false;
    size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i == text.size()) return false;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return false;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0 || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
    out = static_cast<int32_t>(v);
    return true;
}

std::string rowName(const Module1& m, int row) {
    static const int kNameOf[kMainParaRows] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, -1, -2, 16, 17};
    const int label = kNameOf[row];
    if (label == -1) return "TRANS SEGMENT";
    if (label == -2) return "SEPARATE";
    return lang(m, kNameTexts + label);
}

void failed(Module1& m, Services& s, const std::string& text) {
    s.ui.msg(text, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
    s.ui.beep();
}

}  // namespace

const std::array<ParaRow, kMainParaRows>& para_rows() {
    static const std::array<ParaRow, kMainParaRows> rows = {{
        {0, 0, 3, 1, "0 = OFF"},
        {19, 1, 600, 100,
         " 1 - 600 "
         "sec\n通常は1秒。センサーを休ませる時間を長くすると、埋設マグネットを無視してラップだけを計測できます。"},
        {1, 100, 2000, 1, "100 - 2000 mm"},
        {2, 0, 1, 1, "km/h m/h"},
        {3, 0, 8, 1, "P: 1 P:2 P:3 P:4 P:5 P:6 P:8 P:10 P:12"},
        {4, 10, 2000, 10, "100 - 20000"},
        {5, 10, 2000, 10, "100 - 20000"},
        {6, 0, 2, 1, "20 , 50 , 100"},
        {7, 0, 999, 1, "0.0 - 99.9"},
        {8, 0, 1999, 1, "0 - 1999"},
        {9, 0, 1999, 1, "0 - 1999"},
        {10, 0, 2, 1, "CAR BIKE N"},
        {11, 0, 1999, 1, "0.00 - 19.99"},
        {17, 0, 7, 1, " 1200 2400 4800 9600 19.2k 38.4k 57.6k 115k \n初期値は 9600 bps です。"},
        {12, 0, 6, 1, "0 - 6"},
        {13, 0, 18, 1,
         " 0 - 9 a b c d e f  - H L \n発信機を設置した場合はそのチャンネル番号を、埋設マグネットの場合は - "
         "を設定します。"},
        {14, 0, 16, 1,
         " 0 - 9 a b c d e f  - "
         "\n埋設マグネットでセグメントを計測する場合はセグメント数、設置した発信機の場合はチャンネル番号、"
         "それ以外は - を設定します。"},
        {15, 0, 16, 1,
         " 0 - 9 a b c d e f  -  "
         "\n通常は1。ラップ距離を等分してセグメントを計測する場合は分割数、コースデータで計測する場合は - "
         "を設定します。"},
        {16, 1, 600, 100, " 1 - 600 sec\n通常は600秒。設定すると、この時間内にラップを完了しなければなりません。"},
        {18, 0, 100, 1,
         " 0 - 100 km/h\n通常は0。速度でロギングをオン・オフする場合に設定し、そのときは LOG ON/OFF を約5秒にします。"},
    }};
    return rows;
}

MainParaBlock default_block() {
    MainParaBlock p{};
    p[19] = 100;
    p[1] = 999;
    p[3] = 1;
    p[4] = 16000;
    p[5] = 20000;
    p[8] = 200;
    p[9] = 200;
    p[11] = 100;
    p[17] = 3;
    p[13] = 1;
    p[14] = 16;
    p[15] = 1;
    p[16] = 60000;
    return p;
}

void para_default(MainParaState& st) { st.MainPara = default_block(); }

void scroll_to_para(MainParaState& st) {
    const auto& rows = para_rows();
    for (size_t i = 0; i < rows.size(); ++i)
        st.MainPara[static_cast<size_t>(rows[i].slot)] = st.HScroll1[i].Value * rows[i].factor;
    st.MainPara[kTransSlot] = st.TRANS[0].Checked ? 0 : 1;
}

std::string para_check(const Module1& m, const MainParaBlock& p) {
    const auto& rows = para_rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const ParaRow& row = rows[i];
        const int32_t slot = p[static_cast<size_t>(row.slot)];
        const double v = scrollValueOf(row, slot);
        if (v < row.min || v > row.max) {
            std::string range = std::to_string(row.min * row.factor) + ".." + std::to_string(row.max * row.factor);
            return "row " + std::to_string(i) + " (" + rowName(m, static_cast<int>(i)) + ") holds " +
                   std::to_string(slot) + ", outside " + range;
        }
    }
    return {};
}

void para_to_scroll(MainParaState& st) {
    const auto& rows = para_rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const double v = scrollValueOf(rows[i], st.MainPara[static_cast<size_t>(rows[i].slot)]);
        st.HScroll1[i].setValue(static_cast<int>(std::clamp<double>(v, rows[i].min, rows[i].max)));
        HScroll1_Change(st, static_cast<int>(i));
    }
    TRANS_Click(st, st.MainPara[kTransSlot] != 0 ? 1 : 0);
}

std::string row_value_text(int row, int v) {
    static const char* const kPulses[] = {"P:1", "P:2", "P:3", "P:4", "P:5", "P:6", "P:8", "P:10", "P:12"};
    static const char* const kPressure[] = {"20", "50", "100"};
    static const char* const kVehicle[] = {"CAR", "BIKE", "N"};
    static const char* const kRates[] = {"1200", "2400", "4800", "9600", "19.2k", "38.4k", "57.6k", "115k"};
    switch (row) {
        case 3:
            return v == 0 ? "km/h" : "m/h";
        case 4:
            return pick(kPulses, v);
        case 5:
        case 6:
            return Trim(Str(static_cast<long long>(v) * 10));
        case 7:
            return pick(kPressure, v);
        case 8:
            return Format(v / 10.0, "#0.0");
        case 11:
            return pick(kVehicle, v);
        case 12:
            return Format(v / 100.0, "#0.00");
        case 13:
            return pick(kRates, v);
        case 15:
        case 16:
        case 17:
            return pick(kCodeTexts, v);
        default:
            return Trim(Str(v));
    }
}

void HScroll1_Change(MainParaState& st, int index) {
    if (index < 0 || index >= kMainParaRows) return;
    st.Label2[static_cast<size_t>(index)].setCaption(
        row_value_text(index, st.HScroll1[static_cast<size_t>(index)].Value));
}

void TRANS_Click(MainParaState& st, int index) {
    st.TRANS[0].setChecked(index == 0);
    st.TRANS[1].setChecked(index != 0);
}

void Form_Load(Module1& m, MainformState& f, MainParaState& st) {
    st.window.setCaption(lang(m, 258));
    for (size_t i = 0; i < st.Command1.size(); ++i) st.Command1[i].setCaption(lang(m, 259 + static_cast<int>(i)));
    for (size_t i = 0; i <= 17; ++i) st.Label1[i].setCaption(lang(m, kNameTexts + static_cast<int>(i)));
    st.Label1[18].setCaption("TRANS");
    st.Label1[19].setCaption("ADDRESS");
    st.Label1[20].setCaption("SEGMENT");
    st.Label1[21].setCaption("SEPARATE");
    const auto& rows = para_rows();
    for (size_t i = 0; i < rows.size(); ++i) st.HScroll1[i].setRange(rows[i].min, rows[i].max);
    para_default(st);
    para_to_scroll(st);
    const bool open = f.MSComm1 && f.MSComm1->portOpen();
    st.Command1[2].setEnabled(open);
    st.Command1[3].setEnabled(open);
}

// ---- texts on the wire and the file ---------------------------------------------------------

std::string main_write_text(const MainParaBlock& p) {
    std::string text = "MAIN";
    for (int i = 0; i < kMainParaSent; ++i) text += "," + std::to_string(p[static_cast<size_t>(i)]);
    return text;
}

bool main_reply_parse(const std::string& text, MainParaBlock& p, std::string* why) {
    auto refuse = [why](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    if (text.empty() || text.back() != '\r') return refuse("the reply does not end with a carriage return");
    const auto commas = std::count(text.begin(), text.end(), ',');
    if (commas != kMainParaSent) return refuse("the reply holds " + std::to_string(commas) + " commas, not 27");
    if (text[0] != kReplyKind || text.size() < 2 || text[1] != ',') return refuse("the reply does not begin with Q,");
    MainParaBlock got = p;
    size_t at = 2;
    for (int i = 0; i < kMainParaSent; ++i) {
        const size_t end = i + 1 < kMainParaSent ? text.find(',', at) : text.size() - 1;
        const std::string field = text.substr(at, end - at);
        if (!wholeNumber(field, got[static_cast<size_t>(i)]))
            return refuse("value " + std::to_string(i) + " of the reply is not a whole number: \"" + field + "\"");
        at = end + 1;
    }
    p = got;
    return true;
}

std::string para_file_bytes(const MainParaBlock& p) {
    std::string bytes;
    bytes.reserve(kParaFileBytes);
    for (int32_t v : p) {
        const auto u = static_cast<uint32_t>(v);
        for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<char>((u >> (8 * b)) & 0xFF));
    }
    return bytes;
}

bool para_file_read(const std::string& path, MainParaBlock& p, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot be opened";
        return false;
    }
    char bytes[kParaFileBytes];
    in.read(bytes, kParaFileBytes);
    const auto got = in.gcount();
    if (got < kParaFileBytes) {
        if (error)
            *error =
                "not a whole parameter file: " + std::to_string(got) + " bytes, not " + std::to_string(kParaFileBytes);
        return false;
    }
    for (size_t i = 0; i < p.size(); ++i) {
        uint32_t u = 0;
        for (int b = 3; b >= 0; --b) u = (u << 8) | static_cast<uint8_t>(bytes[i * 4 + static_cast<size_t>(b)]);
        p[i] = static_cast<int32_t>(u);
    }
    return true;
}

bool para_file_write(const MainParaBlock& p, const std::string& path, std::string* error) {
    return write_whole_file(path, para_file_bytes(p), error);
}

// ---- the link ---------------------------------------------------------------------------------

int16_t main_send(Module1& m, MainformState& f, Services& s, const MainParaBlock& p) {
    return send_command(m, f, s, main_write_text(p));
}

bool main_read(Module1& m, MainformState& f, Services& s, MainParaBlock& p, std::string* why) {
    CommPort& port = *f.MSComm1;
    // The reply is text: the receive handler gathers it into ModemText while no frames are expected.
    port.setInputMode(InputModeKind::Text);
    port.setInputLen(0);
    port.setRThreshold(1);
    m.ModemText.clear();
    bool sent = !txFailed(send_command(m, f, s, "MAIN"));
    bool ended = false;
    const auto endsLine = [&m] { return !m.ModemText.empty() && m.ModemText.back() == '\r'; };
    // Up to 11 seconds, looked at ten times a second so a reply ends the wait at once.
    for (int round = 0; sent && !ended && round < kReplyRounds * 10; ++round) {
        s.pump.processEvents();
        Pause(s, 0.1f);
        ended = endsLine();
    }
    port.setInputMode(InputModeKind::Binary);
    port.setInputLen(25);
    port.setRThreshold(25);
    if (!sent) {
        if (why) *why = "the command was not sent";
        return false;
    }
    if (!ended) {
        if (why) *why = "no reply within " + std::to_string(kReplyRounds) + " s";
        return false;
    }
    const std::string reply = m.ModemText;
    m.ModemText.clear();
    return main_reply_parse(reply, p, why);
}

void Command1_Click(Module1& m, MainformState& f, Services& s, MainParaState& st, int index) {
    switch (index) {
        case 0: {
            scroll_to_para(st);
            std::string name;
            for (;;) {
                name = s.ui.inputBox(lang(m, 285), lang(m, 286), "");
                if (name.empty()) return;
                // The name must stay a plain name in the parameter folder.
                if (name_is_allowed(name)) break;
                s.ui.msg(lang(m, text::kBadName), MsgIcon::Exclamation, lang(m, text::kErrorTitle));
            }
            const std::string path = m.ParaDir + "/PARA_" + name + ".dat";
            std::string error;
            if (!para_file_write(st.MainPara, path, &error)) {
                s.ui.msg(path + ": " + error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
                return;
            }
            s.ui.beep();
            return;
        }
        case 1: {
            m.LogFileName = m.ParaDir;
            if (f.windows.File_Form)
                f.windows.File_Form();
            else
                m.LogFileName.clear();
            if (m.LogFileName.empty()) return;
            const std::string path = m.LogFileName;
            MainParaBlock p = st.MainPara;
            std::string error;
            if (!para_file_read(path, p, &error)) {
                s.ui.msg(path + ": " + error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
                return;
            }
            // A value the editor cannot show is said, and the editor keeps what it shows.
            if (const std::string wrong = para_check(m, p); !wrong.empty()) {
                s.ui.msg(path + ": " + wrong, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
                return;
            }
            st.MainPara = p;
            para_to_scroll(st);
            s.ui.beep();
            return;
        }
        case 2:
            scroll_to_para(st);
            if (txFailed(main_send(m, f, s, st.MainPara))) failed(m, s, lang(m, text::kSendFailed));
            return;
        case 3: {
            MainParaBlock p = st.MainPara;
            std::string why;
            if (!main_read(m, f, s, p, &why)) {
                failed(m, s, lang(m, text::kSendFailed) + " (" + why + ")");
                return;
            }
            if (const std::string wrong = para_check(m, p); !wrong.empty()) {
                failed(m, s, lang(m, 258) + ": " + wrong);
                return;
            }
            st.MainPara = p;
            para_to_scroll(st);
            return;
        }
        default:
            return;
    }
}

void MAIN_PARA_SET_Click(MainformState& f) {
    if (f.windows.MAIN_PARA) f.windows.MAIN_PARA();
}

}  // namespace vt
