#include "shell/ui/CourseMenus.h"

#include <memory>

#include "course/CourseEdit.h"
#include "course/CourseFile.h"
#include "course/CourseList.h"
#include "course/ui/Corse_para.h"
#include "shell/ui/mainform.h"

namespace vt {

void installCourseMenus(mainform& w, Module1& m, MainformState& f, Services& s) {
    w.setHandler(f.grf_2, [&m, &f, &s] { grf_2_Click(m, f, s.pump); });
    w.setHandler(f.Check1, [&m, &f] { Check1_Click(m, f); });
    if (PictureBox* course = w.picture(1))
        QObject::connect(course, &PictureBox::clicked, &w, [&m, &f, &s] { Picture1_Click(m, f, s.pump); });

    w.setHandler(f.Corse_in, [&m, &f, &s] { Corse_in_Click(m, f, s); });
    w.setHandler(f.Free_In, [&m, &f, &s] { Free_In_Click(m, f, s); });
    // The editor's dialog state lives as long as the window's handlers.
    auto editor = std::make_shared<CorseParaState>();
    w.setHandler(f.Corse_edit, [&m, &f, &s, editor] { Corse_edit_Click(m, f, s, *editor); });
    f.windows.Corse_para = [&w, &m, editor] {
        Corse_para dialog(m, *editor, &w);
        dialog.exec();
    };
}

}  // namespace vt
