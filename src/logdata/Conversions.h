// Raw logger counts to engineering units, and the lap-time text.
//
// The in/out argument convention is the program's: Soku_conv, Kyori_conv, AF_conv and
// Sanso_conv overwrite their argument with the result, G_conv overwrites it with the
// sign-corrected raw value, Taco_conv leaves it alone.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "state/Module1.h"

namespace vt {

// Lateral G in 1/100 G from the signed acceleration byte (0..255).
int16_t G_conv(int16_t& x);
// Engine speed in rpm from the engine-speed count, by TachoPulse; at most 20000.
int16_t Taco_conv(const Module1& m, int32_t x);
// The road speed Soku_conv gives for a road-speed count of a lap logged with `mmPerPulse` and
// `speedUnit`: whole units, at most 400 in km/h; not yet checked against 16 bits.
double speedOfCount(int mmPerPulse, int speedUnit, double count);
// Road speed (km/h or miles per hour) from the road-speed count, by MmPerPulse. Returns
// false, leaving x unchanged, when the result does not fit 16 bits (miles per hour has no cap).
bool Soku_conv(const Module1& m, int16_t& x);
// Distance in 0.1 m from a distance pulse count.
float Kyori_conv(const Module1& m, float& x);
// The air/fuel sensor's curve: entries 0..180 hold the value of each raw count.
using AirFuelTable = std::array<int16_t, 201>;
// Air/fuel from the raw count (held to 0..180) by the table.
int16_t AF_conv(const AirFuelTable& table, int16_t& x);
// Oxygen in 0.1 % from the raw count.
int16_t Sanso_conv(int16_t& x);
// Fills entries 0..180 of the table from the sensor's curve.
void af_table_build(AirFuelTable& table);
// M:SS.CC of a time in 1/100 s into TimeText; "-:--.--" from ten minutes on.
const std::string& time_conv(Module1& m, int32_t t);
// The same text without touching the shared state.
std::string timeText(int32_t t);

}  // namespace vt
