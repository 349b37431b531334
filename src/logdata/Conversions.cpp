#include "logdata/Conversions.h"

#include <cmath>

#include "layout/LogLayout.h"
#include "platform/NumText.h"

namespace vt {

int16_t G_conv(int16_t& x) {
    if (x > 127) x = static_cast<int16_t>(x - 256);
    return static_cast<int16_t>(x * 4);
}

int16_t Taco_conv(const Module1& m, int32_t x) {
    float c = static_cast<float>(x) * 75.0f;
    float rpm;
    switch (m.TachoPulse) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
            rpm = c / static_cast<float>(m.TachoPulse + 1);
            break;
        case 6:
            rpm = c / 8.0f;
            break;
        case 7:
            rpm = c / 10.0f;
            break;
        case 8:
            rpm = c / 12.0f;
            break;
        default:
            rpm = 0;
            break;
    }
    if (rpm > 20000.0f) rpm = 20000.0f;
    return static_cast<int16_t>(Int(rpm));
}

double speedOfCount(int mmPerPulse, int speedUnit, double count) {
    double speed = Int(mmPerPulse * 0.0036 * count);
    if (speedUnit == 0 && speed > 400) speed = 400;
    return speed;
}

bool Soku_conv(const Module1& m, int16_t& x) { return store16(x, speedOfCount(m.MmPerPulse, m.SpeedUnit, x)); }

float Kyori_conv(const Module1& m, float& x) {
    x = x / 100.0f * static_cast<float>(m.MmPerPulse);
    return x;
}

int16_t AF_conv(const AirFuelTable& table, int16_t& x) {
    if (x > 180) x = 180;
    if (x < 0) x = 0;
    x = table[static_cast<size_t>(x)];
    return x;
}

int16_t Sanso_conv(int16_t& x) {
    double v = Int((x - 104) * 1.694);
    x = static_cast<int16_t>(v < 0 ? 0 : v);
    return x;
}

void af_table_build(AirFuelTable& table) {
    for (int i = 0; i <= 180; ++i) {
        double d = i;
        double q = ((1.757634e-12 * d - 1.069192e-9) * d + 2.505113e-7) * d - 2.690226e-5;
        double p = (((q * d + 0.001363144) * d - 0.02802743) * d + 1.308927) * d + 259.0972;
        table[static_cast<size_t>(i)] = static_cast<int16_t>(Int(p));
    }
}

std::string timeText(int32_t t) {
    if (t >= layout::kNoTime || t < 0) return "-:--.--";
    char buf[12];
    int minutes = t / 6000 % 10;
    int seconds = (t % 6000) / 100;
    int hundredths = t % 100;
    buf[0] = static_cast<char>('0' + minutes);
    buf[1] = ':';
    buf[2] = static_cast<char>('0' + seconds / 10);
    buf[3] = static_cast<char>('0' + seconds % 10);
    buf[4] = '.';
    buf[5] = static_cast<char>('0' + hundredths / 10);
    buf[6] = static_cast<char>('0' + hundredths % 10);
    return std::string(buf, 7);
}

const std::string& time_conv(Module1& m, int32_t t) {
    m.TimeText = timeText(t);  // seven characters: no allocation
    return m.TimeText;
}

}  // namespace vt
