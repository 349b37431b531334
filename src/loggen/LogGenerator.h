// The log generator: a vehicle model drives a course and the result is the logger's memory, byte for
// byte: the 16-byte header, the 32-byte segment summaries of each lap and the ring of 16-byte
// records sampled ten times a second. Tests, benchmarks, the demo and the simulated logger all take
// their data from here, since no recorded logs exist.
//
// Conventions of the generated data:
// - Lateral G byte: signed, 1 count = kGPerCount m/s^2, positive = turning right (clockwise seen
//   from above, y north). Laying a lap out by dead reckoning (heading += g*kGPerCount*0.1 s / v, v from the
//   whole-km/h speed) therefore gives the course mirrored top to bottom; negate y to compare it
//   with the reference centre line.
// - Road-speed count = distance pulses per second; the speed count and the G byte of each record are
//   chosen so that the dead reckoning above tracks the driven line (the rounding left over is carried
//   on to the next record), so a clean lap laid out that way closes on itself.
// - Distance pulses per record carry their fractional remainder, so pulse totals are exact.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "layout/LogLayout.h"
#include "loggen/Track.h"

namespace loggen {

// The logger's layouts (layout/LogLayout.h) under the generator's names.
inline constexpr int kHeaderBytes = vt::layout::kHeaderBytes;
inline constexpr int kRecordBytes = vt::layout::kRecordBytes;
inline constexpr int kSegmentBytes = vt::layout::kSegmentBytes;
inline constexpr int kSegmentsPerLap = vt::layout::kSegmentsPerLap;
inline constexpr int kLapTableBytes = vt::layout::kLapPageBytes;
inline constexpr int kMaxLapRecords = vt::layout::kMaxLapRecords;  // the terminal takes no more records for one lap
inline constexpr int kImageRecords = 65001;                        // record slots of the terminal's image
inline constexpr int kMaxLapNumber = vt::layout::kMaxLapInHeader;
inline constexpr std::uint8_t kSegmentMarker = vt::layout::kSegmentMarker;
inline constexpr std::uint8_t kLapMarker = vt::layout::kLapMarker;

enum CarType : int { kCar = 0, kBike = 1, kNormal = 2 };

using Record = std::array<std::uint8_t, kRecordBytes>;

// Records per memory-size code of header byte 5 (high nibble): 1 -> 12288, 2 -> 20480, else 53248.
int memRecsForCode(int memCode);

struct GenOptions {
    int laps = 5;
    int firstLap = 1;                // LapLast = firstLap + laps - 1, at most 127
    int segments = 4;                // equal-distance segments per lap, 1..15
    std::string course = "circuit";  // built-in name or path of a centre-line file
    std::uint32_t seed = 1;
    int memCode = 0;        // memory-size code 0..15
    int startAddress = 16;  // ring address of lap firstLap's marker; 0 would read as "no lap" to the terminal
    int speedUnit = 0;      // 0 km/h, 1 mph (header only; counts do not change)
    int carType = kCar;     // 0 CAR, 1 BIKE, 2 NORMAL
    int tachoPulse = 1;     // 0..8 -> 1,2,3,4,5,6,8,10,12 pulses per revolution
    int rpmMax = 10000;     // rpm setting; the engine revs to about 92 % of it
    int mmPerPulse = 200;   // distance per pulse, 100..999
    int afMode = 1470;      // 0 selects an oxygen sensor, anything else an A/F (or lambda) sensor
    int prsRange = 0;       // 0..2
    int temp1Max = 200;     // deg C settings; the temperatures stay below them
    int temp2Max = 200;
    int courseNumber = 0;  // 0..15, high nibble of header byte 1
    int inG = 50;          // course-editing thresholds carried in the header
    int outG = 30;
    double noise = 0.0;          // standard deviation of lateral-G sensor noise, counts
    int offset = 0;              // constant lateral-G sensor offset, counts
    double lapVariation = 1.0;   // scale of the seeded lap-to-lap variation; 0 drives identical laps
    bool steeringSensor = true;  // false writes 255 (no sensor)
    bool throttleSensor = true;
    // One lap made slower through one corner: lap slowLap (0: none) takes the stretch of
    // slowLength metres centred slowAt metres into the lap with its cornering grip times
    // slowGrip, so it brakes earlier, turns slower and leaves the corner slower.
    int slowLap = 0;
    double slowAt = 0.0;
    double slowLength = 100.0;
    double slowGrip = 0.85;
};

// What the generator knows about each lap beyond the bytes (handy for tests and the demo).
struct LapInfo {
    int number = 0;
    int address = 0;      // ring address of the lap marker
    int firstRecord = 0;  // index of the lap marker in LoggerMemory::records
    int recordCount = 0;  // lap marker up to the record before the next lap marker
    int timeCs = 0;       // lap time in 1/100 s (sum of the segment times)
    std::vector<int> segmentTimesCs;
};

struct LoggerMemory {
    std::array<std::uint8_t, kHeaderBytes> header{};
    int lapFirst = 0;
    int lapLast = 0;
    std::vector<std::uint8_t> lapTable;  // 480 bytes per lap, laps lapFirst..lapLast
    std::vector<Record> records;         // logging order, from lap lapFirst's marker to the closing lap marker
    int memRecs = 0;
    int startAddress = 0;  // ring address of records[0]
    std::vector<LapInfo> laps;
    Course course;                      // the reference line the laps were driven on (metres, y north)
    std::vector<std::string> warnings;  // data the terminal will treat specially, e.g. a lap at address 0

    // Header, lap table, records: the exact bytes of a log file.
    std::vector<std::uint8_t> fileBytes() const;
    // The logger's ring: memRecs records, the generated ones at their addresses, the rest zero.
    std::vector<Record> ring() const;
    // Ring address of records[index].
    int addressOf(int index) const { return (startAddress + index) % memRecs; }
    // The 32-byte summary of segment seg (1..15) of lap (lapFirst..lapLast); nullptr outside.
    const std::uint8_t* segmentSummary(int lap, int seg) const;
};

struct GenResult {
    std::optional<LoggerMemory> memory;
    std::string error;  // set when memory is empty
    explicit operator bool() const { return memory.has_value(); }
};

// Checks the options without driving; empty when they are usable (the course is not loaded here).
std::string validateOptions(const GenOptions& options);

// Drives the course and builds the logger memory. Never throws; failures come back in error.
GenResult generateLog(const GenOptions& options);
// Same, on a course already built (lets callers reuse one course for many logs).
GenResult generateLog(const GenOptions& options, const Course& course);

// Writes fileBytes() to path; returns an error text, empty on success. An existing file is
// replaced only by a whole new one.
std::string writeLogFile(const LoggerMemory& memory, const std::string& path);
// Writes `size` bytes to a temporary beside `path` and renames it over `path`; on failure the
// temporary is removed and `path` is left as it was. Returns an error text, empty on success.
std::string writeFileReplacing(const std::string& path, const std::uint8_t* data, std::size_t size);

}  // namespace loggen
