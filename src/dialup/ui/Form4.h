// The dial list as a Qt window over Form4State.
#pragma once

#include <QDialog>

#include "dialup/DialList.h"
#include "widgets/ControlBinder.h"

class QComboBox;

namespace vt {

class Form4 : public QDialog {
    Q_OBJECT
  public:
    Form4(Module1& m, Services& s, QWidget* parent);
    Form4State& state() { return st_; }
    QComboBox* combo() const { return combo_; }

  private:
    void showList();
    void afterEvent();
    Module1& m_;
    Services& s_;
    Form4State st_;
    ControlBinder binding_;
    QComboBox* combo_ = nullptr;
};

}  // namespace vt
