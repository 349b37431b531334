// The rpm histogram on Picture3: how long the engine spent in each of twenty engine-speed bands
// during the lap held in memory, a bar and a share in percent per band.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Canvas.h"
#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

constexpr int kRpmBands = 20;

// The counts of one lap: records per band (bands 1..20; index 0 unused) and the records
// counted. Marker records and the lap's record 0 are not counted.
struct RpmHistogram {
    int bandWidth = 500;  // rpm per band
    std::array<int32_t, kRpmBands + 1> count{};
    int32_t total = 0;
    int32_t maxCount = 0;
};

// 500 rpm per band up to an RpmMax of 10000, else 1000.
constexpr int histo_band_width(int rpmMax) { return rpmMax <= 10000 ? 500 : 1000; }
// The band (1..20) of an engine speed: band 20 also takes every speed above it.
int histo_band(int rpm, int bandWidth);
// Counts the records of the lap RecPtr..RecPtr + RecCount - 1 (never past the image).
RpmHistogram rpm_histogram(const Module1& m);
// The texts of band b as the picture prints them: its range ("     0~  500") and its share
// ("  33.3"; "   0.0" when nothing was counted).
std::string histo_range_text(const RpmHistogram& h, int band);
std::string histo_percent_text(const RpmHistogram& h, int band);
// Draws the histogram (title, a row per band, and a note when the lap had no rpm records).
void histo_draw(Canvas& pic, const RpmHistogram& h);

// The " rpm  Histo" button: the live panel off and the histogram of the lap on Picture3; only
// a beep when no lap is held.
void grf_6_Click(Module1& m, MainformState& f, Services& s);

}  // namespace vt
