#include "shell/ui/LogMenus.h"

#include <memory>

#include "course/LapChoice.h"
#include "course/RefChoice.h"
#include "logfiles/LapLists.h"
#include "logfiles/LogFile.h"
#include "logfiles/ui/FileWindows.h"
#include "logfiles/ui/Form3.h"
#include "shell/ui/mainform.h"

namespace vt {

namespace {

// Shows the list window modally in the mode set in SelLap; returns the lap its reference button
// picked (0: none).
int showList(mainform& w, Module1& m, MainformState& f, Services& s) {
    Form3State st;
    list_size(m, st);
    Form3 dialog(m, f, s, st, &w);
    dialog.exec();
    return st.RefPick;
}

void all_lap_list_Click(mainform& w, Module1& m, MainformState& f, Services& s) {
    if (m.LapLast == 0) {
        s.ui.msg(lang(m, text::kNoLog), MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return;
    }
    m.SelLap = 0;
    const int refPick = showList(w, m, f, s);
    // A reference picked with no lap chosen is shown at once; with a lap, choosing it shows both.
    list_reference_pick(m, f, s, refPick, m.SelLap == 0);
    if (m.SelLap == 0) return;
    choose_lap(m, f, s, m.SelLap);
}

bool logLoaded(Module1& m, MainformState& f, Services& s) {
    if (m.LapLast != 0) return true;
    s.ui.beep();
    f.Label1.setCaption(lang(m, text::kNoLogForLists));
    return false;
}

}  // namespace

void installLogMenus(mainform& w, Module1& m, MainformState& f, Services& s) {
    // The file chooser, for logs here and for course and parameter files.
    f.windows.File_Form = [&w, &m] {
        File_Form chooser(m, &w);
        chooser.exec();
    };
    w.setHandler(f.MOpenLog, [&m, &f, &s] { MOpenLog_Click(m, f, s, f.windows.File_Form); });
    w.setHandler(f.MCloseLog, [&m, &s] { MCloseLog_Click(m, s); });
    w.setHandler(f.all_lap_list, [&w, &m, &f, &s] { all_lap_list_Click(w, m, f, s); });
    w.setHandler(f.lap_seg_list, [&w, &m, &f, &s] {
        if (!logLoaded(m, f, s)) return;
        m.SelLap = 1;
        showList(w, m, f, s);
    });
    w.setHandler(f.seg_list, [&w, &m, &f, &s] {
        if (!logLoaded(m, f, s)) return;
        const int seg = ask_segment(m, s);
        if (seg == 0) return;
        m.SegListNo = static_cast<int16_t>(seg);
        m.SelLap = 2;
        showList(w, m, f, s);
    });
    // The parameter window (made by the main window over f.ParaDisp) shows itself when filled.
    w.setHandler(f.para_list, [&m, &f] { para_list_Click(m, f.ParaDisp); });
}

}  // namespace vt
