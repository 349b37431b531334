#include "course/LapChoice.h"

#include "course/CourseCompare.h"
#include "course/CourseLayout.h"
#include "course/CourseList.h"
#include "display/Graphs.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"

namespace vt {

bool choose_lap(Module1& m, MainformState& f, Services& s, int lap) {
    m.LapCur = static_cast<int16_t>(lap);
    if (!locate_lap(m)) {
        s.ui.msg(lang(m, 129), MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return false;
    }
    f.lap_no.setCaption(Str(lap) + " ");
    post_load(m, f, s);
    f.Corse_trans.setEnabled(false);
    return true;
}

void post_load(Module1& m, MainformState& f, Services& s) {
    if (m.RecCount < 1) return;
    m.CourseMmPerPulse = 0;
    grf_2_Click(m, f, s.pump);
    if (m.CourseLen == 0) {
        s.ui.msg(lang(m, 168), MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return;
    }
    f.XScale = graphScale(m.CourseLen);
    Corse_layout(m, f, s.pump, m.CourseLen);
    avr_speed_print(m, f);
    if (f.RefLap.On && f.RefLap.PaintCourse) course_gain_paint(m, f);
    grf_refresh(m, f);
    f.Test_run.setEnabled(true);
    f.Analize.setEnabled(true);
}

}  // namespace vt
