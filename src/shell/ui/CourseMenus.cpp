#include "shell/ui/CourseMenus.h"

#include "course/CourseList.h"
#include "shell/ui/mainform.h"

namespace vt {

void installCourseMenus(mainform& w, Module1& m, MainformState& f, Services& s) {
    w.setHandler(f.grf_2, [&m, &f, &s] { grf_2_Click(m, f, s.pump); });
    w.setHandler(f.Check1, [&m, &f] { Check1_Click(m, f); });
    if (PictureBox* course = w.picture(1))
        QObject::connect(course, &PictureBox::clicked, &w, [&m, &f, &s] { Picture1_Click(m, f, s.pump); });
}

}  // namespace vt
