#include "logdata/Decode.h"

#include <cmath>
#include <cstring>

#include "logdata/Conversions.h"
#include "platform/NumText.h"

namespace vt {

namespace {

int rawWord(const Module1& m, int at) { return m.RawRec[static_cast<size_t>(at)] * 256 + m.RawRec[static_cast<size_t>(at) + 1]; }

// Header byte i is RawRec(5 + i).
int hdrByte(const Module1& m, int i) { return m.RawRec[static_cast<size_t>(5 + i)]; }
int hdrWord(const Module1& m, int i) { return rawWord(m, 5 + i); }

}  // namespace

void header_decode(Module1& m) {
    std::memcpy(m.HdrCopy.data(), m.RawRec.data(), 25);
    store16(m.MmPerPulse, rawWord(m, 3));
    m.SpeedUnit = static_cast<int16_t>(hdrByte(m, 0) & 1);
    m.TachoPulse = static_cast<int16_t>(hdrByte(m, 1) & 15);
    store16(m.RpmMax, hdrWord(m, 2));
    m.PrsRange = static_cast<int16_t>(hdrByte(m, 4));
    m.CarType = static_cast<int16_t>(hdrByte(m, 5) & 15);
    switch (hdrByte(m, 5) >> 4) {
        case 1: m.MemRecs = 12288; break;
        case 2: m.MemRecs = 20480; break;
        default: m.MemRecs = 53248; break;
    }
    store16(m.AFMode, hdrWord(m, 6));
    store16(m.HdrWord8, hdrWord(m, 8));
    m.HdrByte10 = static_cast<int16_t>(hdrByte(m, 10));
    m.HdrHigh1 = static_cast<int16_t>(hdrByte(m, 1) >> 4);
    store16(m.Temp1Max, hdrWord(m, 12));
    store16(m.Temp2Max, hdrWord(m, 14));
}

int32_t imageIndex(const Module1& m, int address) {
    int32_t p = address - lapWord(m, m.LapFirst, 1, 30);
    if (p < 0) p += m.MemRecs;
    return p;
}

bool find_distance_per_pulse(Module1& m, int32_t& ptr) {
    for (int attempt = 0; attempt < 3 && ptr >= 0 && ptr <= kMaxRecord; ++attempt) {
        const int mm = recWord(m, ptr, 2);
        if (mm >= 10 && mm <= 999) {
            m.MmPerPulse = static_cast<int16_t>(mm);
            return true;
        }
        if (attempt == 2 || ptr == 0) break;
        --ptr;
    }
    m.MmPerPulse = 500;
    return false;
}

bool locate_lap(Module1& m) {
    if (m.LapCur < 0 || m.LapCur > kMaxLap || m.LapFirst < 0 || m.LapFirst > kMaxLap) return false;
    int s0 = lapWord(m, m.LapFirst, 1, 30);
    int s = lapWord(m, m.LapCur, 1, 30);
    if (s0 == 0 || s == 0) return false;
    m.RecPtr = imageIndex(m, s);
    // A start the image does not hold cannot be located.
    if (m.RecPtr < 0 || m.RecPtr > kMaxRecord) return false;

    if (!find_distance_per_pulse(m, m.RecPtr)) return false;
    if (m.LogMem[static_cast<size_t>(m.RecPtr)][11] > 2) m.CarType = 2;

    // The lap runs up to the record before the next lap marker, at most 5999 records.
    m.RecCount = 1;
    for (;;) {
        int32_t at = m.RecPtr + m.RecCount;
        if (at > kMaxRecord) break;
        uint8_t kind = m.LogMem[static_cast<size_t>(at)][6];
        ++m.RecCount;
        if (kind == 255 || m.RecCount >= 6000) break;
    }
    --m.RecCount;
    return true;
}

void load_record(Module1& m, int32_t n) { std::memcpy(&m.RawRec[7], m.LogMem[static_cast<size_t>(n)].data(), 16); }

void nama_store(Module1& m, MainformState& f) {
    auto& raw = m.RawRec;
    auto& ch = m.Chan;

    int16_t g = raw[7];
    ch[0] = G_conv(g);

    int a = raw[8];
    const bool angleMode = f.ANGL_CHK.Checked || m.ReplayOn != 0 || f.AnalyzeOn != 0;
    if (angleMode && a >= 128) a -= 256;
    ch[1] = static_cast<int16_t>(a);

    for (int i = 2; i <= 5; ++i) ch[static_cast<size_t>(i)] = raw[static_cast<size_t>(7 + i)];

    // 16-bit fields with a high byte of 128 or more do not fit a channel: skipped.
    store16(ch[6], raw[13] * 256 + raw[14]);
    store16(ch[7], raw[15] * 256 + raw[16]);
    int rpmCount = raw[17] * 256 + raw[18];
    if (fits16(rpmCount)) ch[8] = Taco_conv(m, rpmCount);
    int speedCount = raw[19] * 256 + raw[20];
    if (fits16(speedCount)) {
        int16_t v = static_cast<int16_t>(speedCount);
        if (Soku_conv(m, v)) ch[9] = v;
    }

    store16(ch[19], static_cast<int>(ch[9]) - ch[18]);
    for (int i = 17; i >= 11; --i) ch[static_cast<size_t>(i + 1)] = ch[static_cast<size_t>(i)];
    ch[11] = ch[9];

    int d = raw[21] * 256 + raw[22];
    if (m.RecCount != 0) {
        if (fits16(d)) m.DistCount += static_cast<float>(d);
    } else {
        m.DistCount = static_cast<float>(d);
    }

    float dist = m.DistCount;  // Kyori_conv overwrites its argument
    double metres = Int(Kyori_conv(m, dist) / 10.0f);
    if (!std::isfinite(metres)) return;
    const double len = m.CourseLen;
    if (len > 0 && metres > len + 1) {
        // Subtract whole course lengths until the distance is within the lap.
        double k = std::ceil((metres - len - 1) / len);
        metres -= k * len;
    }
    store16(ch[10], metres);
    double x = Int(static_cast<float>(metres) * f.XScale);
    if (std::isfinite(x)) f.TraceX = static_cast<float>(x);
}

}  // namespace vt
