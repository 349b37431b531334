#include "logfiles/FileDialogs.h"

#include "platform/Clock.h"
#include "platform/NumText.h"

namespace vt {

bool name_is_allowed(std::string_view name) {
    return name.find_first_of(kForbiddenNameChars) == std::string_view::npos;
}

// ---- File_Form ---------------------------------------------------------------------------

void Form_Load(Module1& m, FileFormState& st) {
    st.Command2.setCaption(lang(m, text::kCancel));
    if (Right(m.LogFileName, 3) == "log") {
        st.Pattern = "*.log";
        st.window.setCaption(lang(m, 108));
    } else {
        st.Pattern = "*.dat";
        st.window.setCaption(lang(m, 109));
    }
    // Drives are the platform's business: on this system the start folder names it.
    st.DirPath = m.LogFileName;
    st.FilePath = m.LogFileName;
    m.LogFileName.clear();
}

void Dir1_Change(FileFormState& st, const std::string& dir) {
    st.DirPath = dir;
    st.FilePath = dir;
}

void File1_Click(Module1& m, FileFormState& st, const std::string& fileName) {
    std::string path = st.FilePath;
    if (path.empty() || path.back() != '/') path += '/';
    m.LogFileName = path + fileName;
}

void File1_DblClick(Module1& m, FileFormState& st, const std::string& fileName) {
    File1_Click(m, st, fileName);
    st.Unloaded = true;
}

void Command1_Click(FileFormState& st) { st.Unloaded = true; }

void Command2_Click(Module1& m, FileFormState& st) {
    m.LogFileName.clear();
    st.Unloaded = true;
}

// ---- Form_NAME ---------------------------------------------------------------------------

void Form_Load(Module1& m, FormNameState& st) {
    st.window.setCaption(lang(m, 112));
    st.Frame1.setCaption(lang(m, 113));
    st.Option1[0].setCaption(lang(m, 114));
    st.Option1[1].setCaption(lang(m, 115));
    st.Frame2.setCaption(lang(m, 116));
    st.Option2[0].setCaption(lang(m, 117));
    st.Option2[1].setCaption(lang(m, 118));
    st.Frame3.setCaption(lang(m, 119));
    st.Command2.setCaption(lang(m, text::kCancel));
    st.F_BOUD[0].setCaption("38400");
    st.F_BOUD[1].setCaption("57600");
    st.F_BOUD[2].setCaption("115200");
    st.Option1[0].setChecked(true);
    st.Option1[1].setChecked(false);
    st.Option2[0].setChecked(true);
    st.Option2[1].setChecked(false);
    m.LogFileName.clear();
    const bool fast = m.DownMode == 2;
    st.Frame3.setEnabled(fast);
    for (Control& b : st.F_BOUD) b.setEnabled(fast);
    // The speed last chosen is offered again.
    for (size_t k = 0; k < st.F_BOUD.size(); ++k) st.F_BOUD[k].setChecked(k == (m.FastRate <= 2 ? m.FastRate : 0));
}

void Option_Click(std::array<Control, 2>& group, int i, FormNameState& st) {
    for (size_t k = 0; k < group.size(); ++k) group[k].setChecked(static_cast<int>(k) == i);
    st.FocusText1 = true;
}

void F_BOUD_Click(FormNameState& st, int i) {
    for (size_t k = 0; k < st.F_BOUD.size(); ++k) st.F_BOUD[k].setChecked(static_cast<int>(k) == i);
    st.FocusText1 = true;
}

void Command1_Click(Module1& m, FormNameState& st, Services& s) {
    const std::string name = st.Text1;
    if (name.empty()) {
        m.LogFileName.clear();
        st.Unloaded = true;
        return;
    }
    if (!name_is_allowed(name)) {
        s.ui.msg(lang(m, text::kBadName), MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        st.FocusText1 = true;
        return;
    }
    std::string path = m.LogDir + "/";
    if (st.Option1[0].Checked) path += dateMDY(s.clock.now());
    m.LogFileName = path + name;
    m.MemClearAsk = st.Option2[1].Checked ? kTrue : kFalse;
    if (m.DownMode == 2) {
        for (size_t k = 0; k < st.F_BOUD.size(); ++k)
            if (st.F_BOUD[k].Checked) m.FastRate = static_cast<uint8_t>(k);
    }
    st.Unloaded = true;
}

void Command2_Click(Module1& m, FormNameState& st) {
    m.LogFileName.clear();
    st.Unloaded = true;
}

}  // namespace vt
