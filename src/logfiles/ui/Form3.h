// The list window: a fixed-pitch list with its column header, the best lap, the log's name
// and date, and the pick, print and edit buttons. Thin: events go to the procedures of
// ListWindow.h and the window shows Form3State.
#pragma once

#include <functional>

#include <QDialog>
#include <QPlainTextEdit>

#include "logfiles/Form3State.h"
#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"
#include "widgets/ControlBinder.h"

class QPushButton;

namespace vt {

// The list box: reports mouse presses, releases and double clicks after (or instead of) its
// own handling, with the pointer's vertical position.
class ListText : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit ListText(QWidget* parent);
    std::function<void(float y)> pressed, released;
    std::function<bool()> doubleClicked;  // true when taken (the box's word selection is skipped)

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

class Form3 : public QDialog {
    Q_OBJECT
  public:
    // Runs the window's load (the list for the mode in SelLap).
    Form3(Module1& m, MainformState& f, Services& s, Form3State& st, QWidget* parent);

    Form3State& state() { return st_; }
    ListText* text1() const { return text1_; }
    QPlainTextEdit* text2() const { return text2_; }
    QPushButton* button(const Control& c) const;

    // Cancel: also the close box and the Escape key.
    void reject() override;

  private:
    void syncText();
    void syncSelection();
    void readSelection();
    void afterEvent();
    void run(Control& c, const std::function<void()>& handler, bool busy = false);

    Module1& m_;
    MainformState& f_;
    Services& s_;
    Form3State& st_;
    ControlBinder binding_;
    ListText* text1_ = nullptr;
    QPlainTextEdit* text2_ = nullptr;
    std::vector<std::pair<const Control*, QPushButton*>> buttons_;
};

}  // namespace vt
