// The printed lap report: one page with the driver's name, the date, the lap number and time,
// the course drawing, the picture behind the gauges and the speed, G and temperature graphs.
#pragma once

#include "platform/Services.h"
#include "platform/UiServices.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// Page positions in twips (1/1440 inch) from the top-left corner of the printable area.
namespace page {
inline constexpr double kPicturesTop = 1200;  // the course and the panel picture
inline constexpr double kCourseLeft = 0;
inline constexpr double kPanelLeft = 3900;
inline constexpr double kGraphLeft = 2000;
inline constexpr double kGraphTops[3] = {5000, 8400, 11800};  // kinds 3, 4 and 5
inline constexpr int kGraphKinds[3] = {3, 4, 5};
inline constexpr int kHeaderPoints = 10;  // the blank first line and the name and date
inline constexpr int kLapPoints = 14;     // the lap number and the lap time
}  // namespace page

// The full-width colon of the lap lines (U+FF1A, UTF-8).
inline constexpr const char* kFullWidthColon = "\xEF\xBC\x9A";

// Builds the page: the header lines, Picture1 and Picture3 as they stand, and Picture2 drawn
// as graphs 3, 4 and 5 in turn. The graph kind on screen is restored and redrawn afterwards
// (with no graph chosen the graph picture is left empty). Pictures that draw no image are
// left off the page.
PrintPage form_print_page(Module1& m, MainformState& f);

// The print menu entry: the page through the printer dialog (or into a PDF file where there is
// no printer). A cancelled dialog or a failing printer ends quietly.
void form_print_Click(Module1& m, MainformState& f, Services& s);

}  // namespace vt
