#include "display/Histogram.h"

#include <algorithm>

#include "display/Panel.h"
#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"

namespace vt {

namespace {

constexpr Color kBarColor = rgb(6, 0, 0);
constexpr float kBarLeft = 100;
constexpr double kLongestBar = 360;  // pixels of the band with the most records
constexpr int kRowPitch = 11;        // pixels from one band's row to the next

}  // namespace

int histo_band(int rpm, int bandWidth) {
    const int b = static_cast<int>(Int(static_cast<double>(rpm) / bandWidth)) + 1;
    return std::clamp(b, 1, kRpmBands);
}

RpmHistogram rpm_histogram(const Module1& m) {
    RpmHistogram h;
    h.bandWidth = histo_band_width(m.RpmMax);
    // Record 0 of the lap is not counted; nothing past the image is read.
    const int64_t last = std::min<int64_t>(int64_t{m.RecPtr} + m.RecCount - 1, kMaxRecord);
    for (int64_t i = std::max<int64_t>(int64_t{m.RecPtr} + 1, 0); i <= last; ++i) {
        const auto n = static_cast<int32_t>(i);
        if (isMarker(m, n)) continue;
        const int16_t rpm = Taco_conv(m, recWord(m, n, layout::rec::kRpm));
        ++h.count[static_cast<size_t>(histo_band(rpm, h.bandWidth))];
        ++h.total;
    }
    h.maxCount = *std::max_element(h.count.begin() + 1, h.count.end());
    return h;
}

std::string histo_range_text(const RpmHistogram& h, int band) {
    return Right("    " + Str((band - 1) * h.bandWidth), 6) + "~" + Right("   " + Str(band * h.bandWidth), 5);
}

std::string histo_percent_text(const RpmHistogram& h, int band) {
    // Tenths of a percent, halves up; a lap without counted records shows 0.0 everywhere.
    const double p =
        h.total == 0 ? 0.0 : Int(static_cast<double>(h.count[static_cast<size_t>(band)]) / h.total * 1000 + 0.5) / 10;
    std::string text = "    " + Str(p);
    if (text.find('.') == std::string::npos) text += ".0";
    return Right(text, 6);
}

void histo_draw(Canvas& pic, const RpmHistogram& h) {
    pic.Cls();
    pic.CurrentY = 2;
    pic.Print({Tab(35), "*   rpm Histogram   *"});
    for (int b = 1; b <= kRpmBands; ++b) {
        const int y0 = (b - 1) * kRowPitch;
        pic.CurrentX = 0;
        pic.CurrentY = static_cast<float>(y0 + 20);
        pic.Print({Spc(3), histo_range_text(h, b)}, false);
        // The longest bar is 360 pixels; with nothing counted every bar is empty (no scale).
        const int32_t n = h.count[static_cast<size_t>(b)];
        const double length = h.maxCount == 0 ? 0.0 : Int(n * kLongestBar / h.maxCount);
        pic.Box(kBarLeft, static_cast<float>(y0 + 21), static_cast<float>(kBarLeft + length),
                static_cast<float>(y0 + 30), kBarColor, false);
        // The share goes after the bar's end, one row up from its bottom edge.
        pic.CurrentY -= kRowPitch;
        pic.Print({histo_percent_text(h, b) + "%"});
    }
    if (h.total == 0) {
        pic.CurrentX = 150;
        pic.CurrentY = static_cast<float>(9 * kRowPitch + 20);
        pic.Print({"no rpm records in this lap (markers only)"});
    }
}

void grf_6_Click(Module1& m, MainformState& f, Services& s) {
    if (m.RecCount <= 0) {
        s.ui.beep();
        return;
    }
    meter_off(m, f);
    histo_draw(*f.Picture3, rpm_histogram(m));
}

}  // namespace vt
