#include "shell/ui/ReplayMenus.h"

#include <memory>

#include <QCursor>

#include "display/Histogram.h"
#include "display/Printing.h"
#include "replay/ReplayRuns.h"
#include "shell/ui/mainform.h"

namespace vt {

void installReplayMenus(mainform& w, Module1& m, MainformState& f, Services& s) {
    w.setHandler(f.Test_run, [&m, &f, &s] { Test_run_Click(m, f, s); });
    w.setHandler(f.Analize, [&m, &f, &s] { Analize_Click(m, f, s); });
    w.setHandler(f.Test_stop, [&m, &f] { Test_stop_Click(m, f); });
    w.setHandler(f.grf_6, [&m, &f, &s] { grf_6_Click(m, f, s); });
    w.setHandler(f.form_print, [&m, &f, &s] { form_print_Click(m, f, s); });

    PictureBox* graph = w.picture(2);
    graph->setMouseTracking(true);  // the analysis cursor follows the pointer without a button held
    QObject::connect(graph, &PictureBox::mouseMoved, &w, [&f](double x, double y) { Picture2_MouseMove(f, x, y); });
    QObject::connect(graph, &PictureBox::keyPressed, &w, [&f](int code) { Picture2_KeyDown(f, code); });

    // The graph's pointer (a cross-hair during the analysis run) and the focus it is given.
    auto focusSeen = std::make_shared<int>(f.Picture2Box.focusRequests);
    const ChangeListeners::Id id = f.Picture2Box.changed.add([&f, graph, focusSeen] {
        if (f.Picture2Box.MousePointer == kCursorPointer)
            graph->setCursor(Qt::CrossCursor);
        else
            graph->unsetCursor();
        if (f.Picture2Box.focusRequests != *focusSeen) {
            *focusSeen = f.Picture2Box.focusRequests;
            if (!graph->hasFocus()) graph->setFocus(Qt::MouseFocusReason);
        }
    });
    QObject::connect(graph, &QObject::destroyed, [&f, id] { f.Picture2Box.changed.remove(id); });
}

}  // namespace vt
