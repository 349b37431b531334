// Where the gauges and value labels sit on the panel picture (Picture3), in picture pixels,
// lined up with the scale texts that meter_set prints there.
#pragma once

#include <QtCore/qnamespace.h>

#include "platform/Gauge.h"
#include "state/MainformState.h"

namespace vt {

struct GaugePlace {
    GaugeModel MainformState::*gauge;
    Gauge::Style style;
    int x, y, w, h;
    int zeroAt;  // centre mark value, or -1
};

inline const GaugePlace kGaugePlaces[] = {
    {&MainformState::Gauge4, Gauge::Style::Dial, 10, 2, 110, 110, -1},          // speed
    {&MainformState::Gauge1, Gauge::Style::Dial, 122, 2, 110, 110, -1},         // rpm
    {&MainformState::Gauge5, Gauge::Style::Vertical, 309, 46, 16, 70, 100},     // steering
    {&MainformState::Gauge6, Gauge::Style::Vertical, 363, 46, 16, 70, -1},      // throttle
    {&MainformState::Gauge2, Gauge::Style::Vertical, 378, 40, 16, 146, -1},     // temperature 1
    {&MainformState::Gauge3, Gauge::Style::Vertical, 423, 40, 16, 146, -1},     // temperature 2
    {&MainformState::Gauge7, Gauge::Style::Vertical, 84, 166, 16, 76, 500},     // lateral G
    {&MainformState::Gauge8, Gauge::Style::Vertical, 160, 166, 16, 76, -1},     // angle or voltage
    {&MainformState::Gauge9, Gauge::Style::Vertical, 226, 166, 16, 76, -1},     // air/fuel
    {&MainformState::Gauge10, Gauge::Style::Vertical, 298, 166, 16, 76, -1},    // pressure
    {&MainformState::Gauge11, Gauge::Style::Vertical, 354, 166, 16, 76, 50},    // in-line G
};

struct LabelPlace {
    Control MainformState::*label;
    int x, y, w, h;
    Qt::Alignment align;
};

inline const LabelPlace kPanelLabels[] = {
    {&MainformState::sokudo, 20, 80, 90, 14, Qt::AlignCenter},
    {&MainformState::kaitensuu, 132, 80, 90, 14, Qt::AlignCenter},
    {&MainformState::handle, 297, 30, 40, 13, Qt::AlignCenter},
    {&MainformState::accel, 351, 30, 40, 13, Qt::AlignCenter},
    {&MainformState::ondo1, 366, 24, 40, 13, Qt::AlignCenter},
    {&MainformState::ondo2, 411, 24, 40, 13, Qt::AlignCenter},
    {&MainformState::kasoku, 66, 150, 52, 13, Qt::AlignCenter},
    {&MainformState::kaku_kasoku, 142, 150, 52, 13, Qt::AlignCenter},
    {&MainformState::af, 208, 150, 52, 13, Qt::AlignCenter},
    {&MainformState::prs, 280, 150, 52, 13, Qt::AlignCenter},
    {&MainformState::IL_G, 336, 150, 52, 13, Qt::AlignCenter},
    {&MainformState::kyori, 236, 130, 70, 13, Qt::AlignLeft | Qt::AlignVCenter},
    {&MainformState::data_cont, 408, 243, 60, 13, Qt::AlignLeft | Qt::AlignVCenter},
};

}  // namespace vt
