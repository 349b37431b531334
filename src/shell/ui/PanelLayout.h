// Where the gauges and value labels sit on the panel picture (Picture3), in picture pixels,
// lined up with the scale texts that meter_set prints there.
#pragma once

#include <QtCore/qnamespace.h>

#include "state/MainformState.h"
#include "widgets/Gauge.h"

namespace vt {

struct GaugePlace {
    GaugeModel MainformState::*gauge;
    Gauge::Style style;
    int x, y, w, h;
    int zeroAt;  // centre mark value, or -1
};

// Text rows printed at CurrentY = y have their middle at y + 6, and Tab(n) starts at x = (n - 1) * 4.5.
// A vertical gauge of height h at top t puts its minimum at t + h - 1 and its maximum at t + 1,
// so t and h below put both ends on the middle of the first and last scale text.
inline const GaugePlace kGaugePlaces[] = {
    // Dials centred over their captions "Speed" (x 54..76) and "rpm" (x 166..180) at y 115.
    {&MainformState::Gauge4, Gauge::Style::Dial, 12, 4, 106, 106, -1},   // speed
    {&MainformState::Gauge1, Gauge::Style::Dial, 120, 4, 106, 106, -1},  // rpm
    // Left of the "100 / 50 / 0 %" scales at x 292 and 346 (rows 45..105), under "Steer" and "Throttle".
    {&MainformState::Gauge5, Gauge::Style::Vertical, 274, 50, 16, 62, 100},  // steering, 100 = straight
    {&MainformState::Gauge6, Gauge::Style::Vertical, 328, 50, 16, 62, -1},   // throttle
    // Left of the temperature numbers at x 396 and 441 (rows 37..177).
    {&MainformState::Gauge2, Gauge::Style::Vertical, 381, 42, 16, 142, -1},  // temperature 1
    {&MainformState::Gauge3, Gauge::Style::Vertical, 426, 42, 16, 142, -1},  // temperature 2
    // Right of the "+5G / 0 / -5G" and "+90 / 0 / -90" (or volt) scales, rows 164..232.
    {&MainformState::Gauge7, Gauge::Style::Vertical, 83, 169, 16, 70, 500},   // lateral G
    {&MainformState::Gauge8, Gauge::Style::Vertical, 159, 169, 16, 70, -1},   // angle or voltage
    {&MainformState::Gauge11, Gauge::Style::Vertical, 353, 169, 16, 70, 50},  // in-line G
    // No printed scale: over their captions (A/F at x 215..251, Kg/cm^2 at x 290..321).
    {&MainformState::Gauge9, Gauge::Style::Vertical, 227, 169, 16, 70, -1},   // air/fuel
    {&MainformState::Gauge10, Gauge::Style::Vertical, 298, 169, 16, 70, -1},  // pressure
};

struct LabelPlace {
    Control MainformState::*label;
    int x, y, w, h;
    Qt::Alignment align;
};

// Each value over its gauge (inside the dials for speed and rpm).
inline const LabelPlace kPanelLabels[] = {
    {&MainformState::sokudo, 20, 78, 90, 14, Qt::AlignCenter},
    {&MainformState::kaitensuu, 128, 78, 90, 14, Qt::AlignCenter},
    {&MainformState::handle, 262, 34, 40, 13, Qt::AlignCenter},
    {&MainformState::accel, 316, 34, 40, 13, Qt::AlignCenter},
    {&MainformState::ondo1, 369, 26, 40, 13, Qt::AlignCenter},
    {&MainformState::ondo2, 414, 26, 40, 13, Qt::AlignCenter},
    {&MainformState::kasoku, 65, 153, 52, 13, Qt::AlignCenter},
    {&MainformState::kaku_kasoku, 141, 153, 52, 13, Qt::AlignCenter},
    {&MainformState::af, 209, 153, 52, 13, Qt::AlignCenter},
    {&MainformState::prs, 280, 153, 52, 13, Qt::AlignCenter},
    {&MainformState::IL_G, 335, 153, 52, 13, Qt::AlignCenter},
    {&MainformState::kyori, 228, 130, 120, 14, Qt::AlignCenter},
    {&MainformState::data_cont, 408, 243, 60, 13, Qt::AlignLeft | Qt::AlignVCenter},
};

}  // namespace vt
