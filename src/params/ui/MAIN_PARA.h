// The logger parameter editor as a Qt window over MainParaState: twenty rows of name, scroll
// bar and value (its tooltip the row's range), the TRANS option pair, and the file and link
// buttons. Shown without blocking; it loads (the defaults) each time it is opened.
#pragma once

#include <array>

#include <QDialog>

#include "params/MainPara.h"
#include "platform/Services.h"
#include "widgets/ControlBinder.h"

class QLabel;
class QScrollBar;

namespace vt {

class MAIN_PARA : public QDialog {
    Q_OBJECT
  public:
    MAIN_PARA(Module1& m, MainformState& f, Services& s, QWidget* parent);
    MainParaState& state() { return st_; }
    QScrollBar* bar(int row) const { return bars_[static_cast<size_t>(row)]; }
    QLabel* value(int row) const { return values_[static_cast<size_t>(row)]; }
    // Presses button Command1(index) as the user would.
    void click(int index);

  private:
    Module1& m_;
    MainformState& f_;
    Services& s_;
    MainParaState st_;
    ControlBinder binding_;
    std::array<QScrollBar*, kMainParaRows> bars_{};
    std::array<QLabel*, kMainParaRows> values_{};
};

}  // namespace vt
