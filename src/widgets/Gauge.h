// The needle gauge widget over a GaugeModel.
//
// Round dials for the large instruments (speed, rpm) and straight scales with a needle for
// the rest; both only draw the needle and its track, so the scale texts printed on the
// picture behind them show through.
#pragma once

#include <QWidget>

#include "platform/Controls.h"

namespace vt {

class Gauge : public QWidget {
    Q_OBJECT
  public:
    enum class Style { Dial, Vertical, Horizontal };
    Gauge(GaugeModel& model, Style style, QWidget* parent = nullptr);
    ~Gauge() override;
    GaugeModel& model() { return model_; }
    // The needle's colour (the track stays dark grey).
    void setNeedleColor(const QColor& c) { needle_ = c; }
    void setZeroAt(int v) {
        zeroAt_ = v;
        hasZero_ = true;
    }  // a centre mark (G, steering)

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    void sync();
    double fraction() const;
    GaugeModel& model_;
    ChangeListeners::Id listener_ = 0;
    Style style_;
    QColor needle_{220, 40, 30};
    int zeroAt_ = 0;
    bool hasZero_ = false;
};

}  // namespace vt
