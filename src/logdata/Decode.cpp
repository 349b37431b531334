#include "logdata/Decode.h"

#include <cmath>
#include <cstring>

#include "layout/FrameLayout.h"
#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "platform/NumText.h"

namespace vt {

namespace {

namespace hdr = layout::header;
namespace rec = layout::rec;

int rawWord(const Module1& m, int at) { return layout::word(&m.RawRec[static_cast<size_t>(at)]); }

// Header byte i is RawRec(5 + i), as in the logger's parameter frame.
int hdrByte(const Module1& m, int i) { return m.RawRec[static_cast<size_t>(frame::kHeader + i)]; }
int hdrWord(const Module1& m, int i) { return rawWord(m, frame::kHeader + i); }

// Sample-record byte i is RawRec(7 + i), as in a live frame.
constexpr size_t at(int i) { return static_cast<size_t>(frame::kRecord + i); }

}  // namespace

void header_decode(Module1& m) {
    std::memcpy(m.HdrCopy.data(), m.RawRec.data(), frame::kBytes);
    store16(m.MmPerPulse, rawWord(m, frame::kMmPerPulse));
    m.SpeedUnit = static_cast<int16_t>(hdrByte(m, hdr::kUnitAndLastLap) & 1);
    m.TachoPulse = static_cast<int16_t>(hdrByte(m, hdr::kTachoAndCourse) & 15);
    store16(m.RpmMax, hdrWord(m, hdr::kRpmMax));
    m.PrsRange = static_cast<int16_t>(hdrByte(m, hdr::kPrsRange));
    m.CarType = static_cast<int16_t>(hdrByte(m, hdr::kCarAndMemory) & 15);
    m.MemRecs = layout::memRecsForCode(hdrByte(m, hdr::kCarAndMemory) >> 4);
    store16(m.AFMode, hdrWord(m, hdr::kAFMode));
    store16(m.HdrWord8, hdrWord(m, hdr::kInG));
    m.HdrByte10 = static_cast<int16_t>(hdrByte(m, hdr::kOutG));
    m.HdrHigh1 = static_cast<int16_t>(hdrByte(m, hdr::kTachoAndCourse) >> 4);
    store16(m.Temp1Max, hdrWord(m, hdr::kTemp1Max));
    store16(m.Temp2Max, hdrWord(m, hdr::kTemp2Max));
}

int32_t imageIndex(const Module1& m, int address) {
    int32_t p = address - lapWord(m, m.LapFirst, 1, layout::seg::kStartAddress);
    if (p < 0) p += m.MemRecs;
    return p;
}

bool find_distance_per_pulse(Module1& m, int32_t& ptr) {
    for (int attempt = 0; attempt < 3 && ptr >= 0 && ptr <= kMaxRecord; ++attempt) {
        const int mm = recWord(m, ptr, rec::kMmPerPulse);
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
    int s0 = lapWord(m, m.LapFirst, 1, layout::seg::kStartAddress);
    int s = lapWord(m, m.LapCur, 1, layout::seg::kStartAddress);
    if (s0 == 0 || s == 0) return false;
    m.RecPtr = imageIndex(m, s);
    // A start the image does not hold cannot be located.
    if (m.RecPtr < 0 || m.RecPtr > kMaxRecord) return false;

    if (!find_distance_per_pulse(m, m.RecPtr)) return false;
    if (m.LogMem[static_cast<size_t>(m.RecPtr)][rec::kCarType] > 2) m.CarType = 2;

    // The lap runs up to the record before the next lap marker, at most 5999 records.
    m.RecCount = 1;
    for (;;) {
        int32_t next = m.RecPtr + m.RecCount;
        if (next > kMaxRecord) break;
        uint8_t kind = m.LogMem[static_cast<size_t>(next)][rec::kKind];
        ++m.RecCount;
        if (kind == layout::kLapMarker || m.RecCount > layout::kMaxLapRecords) break;
    }
    --m.RecCount;
    return true;
}

void load_record(Module1& m, int32_t n) {
    std::memcpy(&m.RawRec[at(0)], m.LogMem[static_cast<size_t>(n)].data(), layout::kRecordBytes);
}

void nama_store(Module1& m, bool angle, float xScale, float& traceX) {
    auto& raw = m.RawRec;
    auto& ch = m.Chan;

    int16_t g = raw[at(rec::kLatG)];
    ch[0] = G_conv(g);

    int a = raw[at(rec::kAngle)];
    if (angle && a >= 128) a -= 256;
    ch[1] = static_cast<int16_t>(a);

    for (int i = rec::kAirFuel; i <= rec::kThrottle; ++i) ch[static_cast<size_t>(i)] = raw[at(i)];

    // 16-bit fields with a high byte of 128 or more do not fit a channel: skipped.
    store16(ch[6], layout::word(&raw[at(rec::kTemp1)]));
    store16(ch[7], layout::word(&raw[at(rec::kTemp2)]));
    int rpmCount = layout::word(&raw[at(rec::kRpm)]);
    if (fits16(rpmCount)) ch[8] = Taco_conv(m, rpmCount);
    int speedCount = layout::word(&raw[at(rec::kSpeed)]);
    if (fits16(speedCount)) {
        int16_t v = static_cast<int16_t>(speedCount);
        if (Soku_conv(m, v)) ch[9] = v;
    }

    store16(ch[19], static_cast<int>(ch[9]) - ch[18]);
    for (int i = 17; i >= 11; --i) ch[static_cast<size_t>(i + 1)] = ch[static_cast<size_t>(i)];
    ch[11] = ch[9];

    int d = layout::word(&raw[at(rec::kPulses)]);
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
    double x = Int(static_cast<float>(metres) * xScale);
    if (std::isfinite(x)) traceX = static_cast<float>(x);
}

}  // namespace vt
