// The course editor's settings dialog as a Qt window over CorseParaState: in G, out G and the
// minimum length on scroll bars, and the exec, record and cancel buttons.
#pragma once

#include <QDialog>

#include "course/CourseEdit.h"
#include "widgets/ControlBinder.h"

class QScrollBar;

namespace vt {

class Corse_para : public QDialog {
    Q_OBJECT
  public:
    // Shows `st` as the procedure loaded it; the button pressed leaves its result there.
    Corse_para(Module1& m, CorseParaState& st, QWidget* parent);
    QScrollBar* bar(int n) const { return bars_[n - 1]; }
    // Cancel: also the close box and the Escape key.
    void reject() override;

  private:
    void afterEvent();
    Module1& m_;
    CorseParaState& st_;
    ControlBinder binding_;
    QScrollBar* bars_[3] = {};
};

}  // namespace vt
