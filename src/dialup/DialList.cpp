#include "dialup/DialList.h"

#include <filesystem>
#include <fstream>

#include <QString>

#include "platform/WholeFile.h"

namespace vt {

namespace {

constexpr size_t kMaxEntries = 1000;
constexpr size_t kMaxEntryLength = 200;

void selectLast(Form4State& st) {
    st.ListIndex = static_cast<int>(st.Combo1.size()) - 1;
    st.Combo1Text = st.Combo1.empty() ? std::string() : st.Combo1.back();
}

}  // namespace

std::string dialPath(const Module1& m) { return m.CurDir.empty() ? m.DialFile : m.CurDir + "/" + m.DialFile; }

std::vector<std::string> read_dial_list(const std::string& path) {
    std::vector<std::string> list;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return list;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    // Lines are read in pieces, so a file without line ends cannot make one huge entry.
    while (list.size() < kMaxEntries && in) {
        line.clear();
        char c;
        while (in.get(c) && c != '\n')
            if (line.size() < kMaxEntryLength) line += c;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!in && line.empty()) break;
        list.push_back(line);
    }
    return list;
}

void Form_Load(Module1& m, Form4State& st) {
    st.window.setCaption(lang(m, 81));
    st.Command1.setCaption("OK");
    st.Command2.setCaption(lang(m, 82));
    st.Delete_no.setCaption(lang(m, 73));
    st.PickChanged = false;
    m.TelNo.clear();
    st.Combo1 = read_dial_list(dialPath(m));
    st.LastIdx = static_cast<int>(st.Combo1.size()) - 1;
    selectLast(st);
    st.Unloaded = false;
}

void Combo1_Click(Form4State& st, int index) {
    if (index < 0 || index >= static_cast<int>(st.Combo1.size())) return;
    st.ListIndex = index;
    st.Combo1Text = st.Combo1[static_cast<size_t>(index)];
    if (index != st.LastIdx) st.PickChanged = true;
}

void Combo1_KeyDown(Module1& m, Form4State& st, Services& s, int keyCode) {
    if (keyCode == 13) Command1_Click(m, st, s);
}

void Command1_Click(Module1& m, Form4State& st, Services& s) {
    m.TelNo = st.Combo1Text;
    if (st.PickChanged && !st.Combo1.empty() && st.ListIndex >= 0 &&
        st.ListIndex < static_cast<int>(st.Combo1.size())) {
        // The entry picked moves to the end: the most recently used number is the last line.
        m.TelNo = st.Combo1[static_cast<size_t>(st.ListIndex)];
        st.Combo1.erase(st.Combo1.begin() + st.ListIndex);
        st.Combo1.push_back(m.TelNo);
        dial_save(m, st, s);
    }
    st.Unloaded = true;
}

void Command2_Click(Module1& m, Form4State& st, Services& s) {
    const std::string typed = st.Combo1Text.substr(0, kMaxEntryLength);
    if (s.ui.msgBox(typed + lang(m, 83) + lang(m, 84), MsgButtons::OKCancel, MsgIcon::None, "") == MsgResult::OK) {
        st.Combo1.push_back(typed);
        dial_save(m, st, s);
    }
    selectLast(st);
}

void Delete_no_Click(Module1& m, Form4State& st, Services& s) {
    if (st.ListIndex >= 0 && st.ListIndex < static_cast<int>(st.Combo1.size())) {
        const std::string ask = st.Combo1Text + " を削除します。" + "[OK] [Cancel]ボタンを選択してください。";
        if (s.ui.msgBox(ask, MsgButtons::OKCancel, MsgIcon::None, "") == MsgResult::OK) {
            st.Combo1.erase(st.Combo1.begin() + st.ListIndex);
            dial_save(m, st, s);
        }
    }
    if (st.Combo1.empty()) {
        st.Combo1Text.clear();
        st.ListIndex = -1;
        std::error_code ec;
        std::filesystem::remove(dialPath(m), ec);
    } else {
        selectLast(st);
    }
}

bool dial_save(Module1& m, Form4State& st, Services& s) {
    if (st.Combo1.empty()) return true;
    std::string text;
    for (const std::string& entry : st.Combo1) text += entry + "\r\n";
    std::string error;
    if (!write_whole_file(dialPath(m), text, &error)) {
        s.ui.msg(dialPath(m) + ": " + error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return false;
    }
    st.Combo1Text = st.Combo1.back();
    return true;
}

void tel_no_set_Click(MainformState& f) {
    if (f.windows.Form4) f.windows.Form4();
}

}  // namespace vt
