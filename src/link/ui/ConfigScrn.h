// The port settings dialog as a Qt window over ConfigScrnState.
#pragma once

#include <QDialog>

#include "link/ConfigScrn.h"
#include "platform/Services.h"
#include "widgets/ControlBinder.h"

class QComboBox;

namespace vt {

class ConfigScrn : public QDialog {
    Q_OBJECT
  public:
    // Runs the dialog's loading for the port PortSel names.
    ConfigScrn(Module1& m, MainformState& f, Services& s, QWidget* parent);
    ConfigScrnState& state() { return st_; }
    QComboBox* atCombo() const { return atset_; }
    void ok();
    void reject() override;

  private:
    void afterEvent();
    void showList();
    Module1& m_;
    MainformState& f_;
    Services& s_;
    ConfigScrnState st_;
    ControlBinder binding_;
    QComboBox* atset_ = nullptr;
};

}  // namespace vt
