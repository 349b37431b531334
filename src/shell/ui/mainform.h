// The main window: menus, the course picture, the gauge panel, the graph with its buttons,
// the lap, segment and time labels and the status line.
//
// It is thin: it shows the models of MainformState and passes its events to the UI-free
// procedures, which do the work over Module1.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QDialog>
#include <QMainWindow>

#include "platform/Services.h"
#include "platform/Timer.h"
#include "state/MainformState.h"
#include "state/Module1.h"
#include "widgets/ControlBinder.h"
#include "widgets/PictureBox.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace vt {

class Gauge;
class para_disp;

// The wait window while the logger link is busy.
class Form2 : public QDialog {
    Q_OBJECT
  public:
    Form2(Module1& m, Form2State& state, QWidget* parent);

  protected:
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent*) override;

  private:
    Module1& m_;
    Form2State& state_;
    ControlBinder binder_;
};

class mainform : public QMainWindow {
    Q_OBJECT
  public:
    mainform(Module1& m, MainformState& f, Services& s);
    ~mainform() override;

    // Form_Load: run once after the window is built (the start-up sequence shows it first).
    void load();
    // The picture boxes, for screenshots and tests.
    PictureBox* picture(int n) const;
    QAction* action(const Control& c) const;
    QPushButton* button(const Control& c) const;
    // True once the window has agreed to close (Form_Unload did not cancel).
    bool unloaded() const { return unloaded_; }

    // Menu and button handlers are looked up by control, so later features plug in here.
    void setHandler(Control& c, std::function<void()> handler);
    void trigger(Control& c);

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    void buildMenus();
    void buildCentre();
    QAction* addAction(QMenu* menu, Control& c);
    QPushButton* addButton(Control& c, QWidget* parent);
    QLabel* addLabel(Control& c, QWidget* parent, const char* style = nullptr);
    void bindAction(Control& c, QAction* a);
    void applyFont();
    void MFileExit_Click();

    Module1& m_;
    MainformState& f_;
    Services& s_;
    ControlBinder binder_;
    PictureBox* pic1_ = nullptr;
    PictureBox* pic2_ = nullptr;
    PictureBox* pic3_ = nullptr;
    Form2* form2_ = nullptr;
    para_disp* paraDisp_ = nullptr;
    std::unique_ptr<QtTimerDriver> timer1_, retryTimer_;
    bool busyShown_ = false;
    std::map<const Control*, QAction*> actions_;
    std::map<const Control*, QPushButton*> buttons_;
    std::map<const Control*, std::function<void()>> handlers_;
    std::vector<Gauge*> gauges_;
    bool unloaded_ = false;
};

// Picture-pixel scale for the window: VELTRA_ZOOM when set, else the largest of 2, 1.5
// and 1 that fits the screen.
double pictureScale();

}  // namespace vt
