#include "widgets/Gauge.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPainterPath>

namespace vt {

Gauge::Gauge(GaugeModel& model, Style style, QWidget* parent) : QWidget(parent), model_(model), style_(style) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    listener_ = model_.changed.add([this] { sync(); });
    sync();
}

Gauge::~Gauge() { model_.changed.remove(listener_); }

void Gauge::sync() {
    if (isHidden() == model_.Visible) setVisible(model_.Visible);
    update();
}

double Gauge::fraction() const {
    if (model_.Max == model_.Min) return 0;
    double f = double(model_.Value - model_.Min) / double(model_.Max - model_.Min);
    return std::clamp(f, 0.0, 1.0);
}

void Gauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double w = width(), h = height();
    const double f = fraction();
    if (style_ == Style::Dial) {
        // 270 degrees of sweep, from lower left through the top to lower right.
        QPointF c(w / 2, h / 2);
        double r = std::min(w, h) / 2 - 2;
        QPen track(QColor(40, 40, 40), std::max(1.5, r * 0.05));
        p.setPen(track);
        p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 225 * 16, -270 * 16);
        for (int i = 0; i <= 10; ++i) {
            double a = (225.0 - 27.0 * i) * M_PI / 180.0;
            double r0 = r * (i % 5 == 0 ? 0.80 : 0.88);
            p.drawLine(QPointF(c.x() + r0 * std::cos(a), c.y() - r0 * std::sin(a)),
                       QPointF(c.x() + r * std::cos(a), c.y() - r * std::sin(a)));
        }
        double a = (225.0 - 270.0 * f) * M_PI / 180.0;
        QPen pen(needle_, std::max(2.0, r * 0.06), Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(c, QPointF(c.x() + r * 0.92 * std::cos(a), c.y() - r * 0.92 * std::sin(a)));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 40));
        p.drawEllipse(c, r * 0.08, r * 0.08);
        return;
    }
    const bool vertical = style_ == Style::Vertical;
    const double len = vertical ? h : w;
    const double thick = vertical ? w : h;
    // Track along the middle of the widget.
    p.setPen(QPen(QColor(40, 40, 40), 1.0));
    p.setBrush(QColor(255, 255, 255, 140));
    QRectF track = vertical ? QRectF(w / 2 - thick * 0.15, 1, thick * 0.3, h - 2)
                            : QRectF(1, h / 2 - thick * 0.15, w - 2, thick * 0.3);
    p.drawRect(track);
    if (hasZero_ && model_.Max != model_.Min) {
        double z = std::clamp(double(zeroAt_ - model_.Min) / double(model_.Max - model_.Min), 0.0, 1.0);
        double pos = vertical ? h - 1 - z * (len - 2) : 1 + z * (len - 2);
        p.setPen(QPen(QColor(90, 90, 90), 1.0));
        if (vertical)
            p.drawLine(QPointF(0, pos), QPointF(w, pos));
        else
            p.drawLine(QPointF(pos, 0), QPointF(pos, h));
    }
    // The needle: a pointer across the track at the value.
    double pos = vertical ? h - 1 - f * (len - 2) : 1 + f * (len - 2);
    QPainterPath needle;
    if (vertical) {
        needle.moveTo(0, pos - thick * 0.22);
        needle.lineTo(w, pos);
        needle.lineTo(0, pos + thick * 0.22);
    } else {
        needle.moveTo(pos - thick * 0.22, h);
        needle.lineTo(pos, 0);
        needle.lineTo(pos + thick * 0.22, h);
    }
    needle.closeSubpath();
    p.setPen(QPen(needle_.darker(150), 1.0));
    p.setBrush(needle_);
    p.drawPath(needle);
}

}  // namespace vt
