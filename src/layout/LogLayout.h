// The logger's data as it lies in its memory and in a log file: the 16-byte header, the lap
// table of 32-byte segment summaries, the 16-byte sample records and their markers, the memory
// sizes, and the factors that turn counts into units. Written down once, here, and used by
// decoding, the lists, the course layout, the log generator, the simulated logger and the link.
//
// Plain C++: the generator and the simulated logger use it without Qt. Multi-byte numbers are
// big-endian (high byte first).
#pragma once

#include <cstdint>

namespace vt::layout {

// ---- log header (16 bytes) ------------------------------------------------------------------

inline constexpr int kHeaderBytes = 16;
namespace header {
inline constexpr int kUnitAndLastLap = 0;  // bit 0: speed unit (1 = mph); bits 1..7: last lap held
inline constexpr int kTachoAndCourse = 1;  // bits 0..3: tacho pulse setting; bits 4..7: course number
inline constexpr int kRpmMax = 2;          // 2 bytes
inline constexpr int kPrsRange = 4;        // pressure sensor range 0..2
inline constexpr int kCarAndMemory = 5;    // bits 0..3: vehicle type; bits 4..7: memory size code
inline constexpr int kAFMode = 6;          // 2 bytes: air/fuel display mode
inline constexpr int kInG = 8;             // 2 bytes: in-G threshold of the course editor, 0.01 G
inline constexpr int kOutG = 10;           // out-G threshold of the course editor, 0.01 G
inline constexpr int kLapFirst = 11;       // number of the first lap held
inline constexpr int kTemp1Max = 12;       // 2 bytes, deg C
inline constexpr int kTemp2Max = 14;       // 2 bytes, deg C
}  // namespace header

// The highest lap number the header's seven bits can hold.
inline constexpr int kMaxLapInHeader = 127;

// Sample records of the logger's ring memory by the header's memory size code.
inline constexpr int kMemRecsSmall = 12288;   // code 1
inline constexpr int kMemRecsMedium = 20480;  // code 2
inline constexpr int kMemRecsLarge = 53248;   // any other code
constexpr int memRecsForCode(int code) {
    return code == 1 ? kMemRecsSmall : code == 2 ? kMemRecsMedium : kMemRecsLarge;
}

// ---- lap table ------------------------------------------------------------------------------

inline constexpr int kSegmentBytes = 32;
inline constexpr int kSegmentsPerLap = 15;
inline constexpr int kLapPageBytes = kSegmentBytes * kSegmentsPerLap;  // 480 bytes per lap

// Bytes of one segment summary; "seg 1" fields exist only in a lap's first segment.
namespace seg {
inline constexpr int kTime = 0;       // 2 bytes, 1/100 s; 0 ends the lap's segments
inline constexpr int kRpmMin = 2;     // 2 bytes, engine-speed count
inline constexpr int kRpmMax = 4;     // 2 bytes
inline constexpr int kSpeedLow = 6;   // 2 bytes, road-speed count
inline constexpr int kSpeedHigh = 8;  // 2 bytes
inline constexpr int kDeleted = 10;   // seg 1: kDeletedMark when the list window deleted the lap
inline constexpr int kPeakG = 11;     // signed lateral-G count
inline constexpr int kTemp1Min = 12;  // 2 bytes each
inline constexpr int kTemp1Max = 14;
inline constexpr int kTemp2Min = 16;
inline constexpr int kTemp2Max = 18;
inline constexpr int kPulses = 20;        // 2 bytes: distance pulses of the segment
inline constexpr int kShape = 27;         // 'L', 'R', anything else a straight
inline constexpr int kMmPerPulse = 28;    // seg 1: 2 bytes, distance per pulse of the lap
inline constexpr int kStartAddress = 30;  // seg 1: 2 bytes, ring address of the lap's first record
}  // namespace seg

inline constexpr uint8_t kDeletedMark = 51;

// ---- sample records -------------------------------------------------------------------------

inline constexpr int kRecordBytes = 16;
namespace rec {
inline constexpr int kLatG = 0;        // signed lateral-G count
inline constexpr int kAngle = 1;       // lean angle (signed) or battery voltage
inline constexpr int kAirFuel = 2;     // A/F or oxygen
inline constexpr int kMmPerPulse = 2;  // in a lap's first record: 2 bytes, distance per pulse
inline constexpr int kPressure = 3;
inline constexpr int kSteering = 4;    // 255: no sensor
inline constexpr int kThrottle = 5;    // 255: no sensor
inline constexpr int kTemp1 = 6;       // 2 bytes
inline constexpr int kKind = 6;        // kSegmentMarker or kLapMarker in a marker record
inline constexpr int kTemp2 = 8;       // 2 bytes
inline constexpr int kSegTime = 0;     // in a segment marker: 2 bytes, the segment's time
inline constexpr int kSegmentNo = 9;   // in a segment marker
inline constexpr int kRpm = 10;        // 2 bytes, engine-speed count
inline constexpr int kCarType = 11;    // in a lap marker
inline constexpr int kLapNumber = 13;  // in a lap marker
inline constexpr int kSpeed = 12;      // 2 bytes, road-speed count
inline constexpr int kPulses = 14;     // 2 bytes, distance pulses of the record
}  // namespace rec

inline constexpr uint8_t kSegmentMarker = 254;
inline constexpr uint8_t kLapMarker = 255;
inline constexpr bool isMarkerKind(uint8_t kind) { return kind >= kSegmentMarker; }

// A lap is taken as at most this many records.
inline constexpr int kMaxLapRecords = 5999;

// ---- units ----------------------------------------------------------------------------------

inline constexpr double kRecordSeconds = 0.1;          // ten records a second
inline constexpr double kKmhPerCountMm = 0.0036;       // km/h = distance per pulse (mm) x this x speed count
inline constexpr double kGPerCount = 0.383;            // m/s^2 per lateral-G count (course layout)
inline constexpr double kKmhToRecordMetres = 0.02777;  // metres covered in one record per km/h
inline constexpr double kAccelScale = 0.01;            // with the factor above: heading step = a x 0.1 s / v
inline constexpr double kMphPerKmh = 0.621;            // speeds in mile mode
inline constexpr double kMilesPerMetre = 0.000621;     // lengths in mile mode
inline constexpr double kMetresPerMile = 1610.2;       // a free course typed in miles

// Times are 1/100 s; this and above is no time (the lists' "not yet" best, "-:--.--").
inline constexpr int32_t kNoTime = 60000;

// ---- helpers --------------------------------------------------------------------------------

constexpr int word(const uint8_t* p) { return p[0] * 256 + p[1]; }
constexpr void putWord(uint8_t* p, long v) {
    p[0] = static_cast<uint8_t>((v >> 8) & 0xFF);
    p[1] = static_cast<uint8_t>(v & 0xFF);
}
constexpr int signedByte(uint8_t b) { return b < 128 ? b : b - 256; }

}  // namespace vt::layout
