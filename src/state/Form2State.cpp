#include "state/Form2State.h"

namespace vt {

void Form2_Activate(const Module1& m, Form2State& w) {
    w.window.setCaption(lang(m, 63));
    w.Command1.setCaption(lang(m, text::kCancel));
}

void Command1_Click(Module1& m, Form2State& w) {
    m.WaitEnd = kTrue;
    w.window.setVisible(false);
}

}  // namespace vt
