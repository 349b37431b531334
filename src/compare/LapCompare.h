// Lap comparison: where along the lap one lap gained or lost time against another.
//
// Each lap becomes a table of elapsed time against distance from the start line (LapTrace):
// the start line, every sample record and every segment line. Records are 0.1 s apart and the
// lines fall between them, so the records' place in time is fixed by the lap's own timing: the
// segment and lap times (1/100 s) say between which records each line was crossed, and that
// bounds where the first record fell after the start line. Distances come from the records'
// distance pulses with the lap's own distance per pulse. Then the current lap's distance is
// carried onto the reference lap's (segment line to segment line when both have the same
// segments, else the whole lap scaled to the current lap's length) and the reference's time at
// that distance is taken from the current lap's time there (LapDiff).
//
// Plain computation over the image or a copied reference lap; the graphs, the course picture
// and the course list draw from it, the tool prints it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "state/Module1.h"
#include "state/RefLapState.h"

namespace vt {

// One lap's records and what they are read by.
struct LapSource {
    const std::array<uint8_t, 16>* records = nullptr;  // the lap's first record (its marker) and the rest
    int32_t count = 0;
    int mmPerPulse = 0;  // the lap's own distance per pulse
    int speedUnit = 0;   // 0 km/h, 1 miles per hour (speeds are km/h figures either way; this sets the cap)
    std::array<int32_t, 16> segTimes{};  // 1/100 s, segments 1..segments
    int segments = 0;
    float phase = -1;   // where the first sample fell after the start line, in records (-1: unknown)
    int phaseLaps = 0;  // laps that phase was worked out from
};
// Where the first sample of lap `lap` of the image fell after its start line, in records (0..1],
// worked out from the lines of every lap logged with it without a break (records run on at ten a
// second across the lines, so the lines of all those laps narrow one phase); -1 when the lap's
// records cannot be found. `laps` tells how many laps that took.
float log_phase(const Module1& m, int lap, int* laps = nullptr);

// The lap chosen in the image (LapCur at RecPtr, RecCount records).
LapSource currentLap(const Module1& m);
// The reference lap's copy.
LapSource referenceLap(const RefLapState& r);

// A lap as time against distance.
struct LapTrace {
    // Points in time order: the start line (0, 0), each sample record and each segment line,
    // the finish line last. Distances never decrease; a record at standstill adds time only.
    std::vector<float> t;               // seconds since the start line
    std::vector<float> d;               // metres since the start line
    std::vector<float> kmh;             // road speed there, km/h figures
    std::vector<int32_t> samplePoint;   // the point of each sample record, in order
    std::vector<int32_t> sampleRecord;  // the record (offset from the lap's first) of each sample
    std::vector<int32_t> linePoint;     // the point of line 0 (start) .. segments (finish)
    float length = 0;                   // metres to the finish line
    int32_t timeCs = 0;                 // lap time in 1/100 s, the sum of the segment times
    float phase = 0;                    // where the first sample fell after the start line, in records (0..1]
    int phaseLaps = 0;                  // laps whose lines that was worked out from
    std::string error;                  // why the lap cannot be compared; empty when it can

    bool ok() const { return error.empty(); }
    // Elapsed time when the lap first reaches `x` metres (the finish time from the finish on).
    float timeAt(float x) const;
    // Road speed at `x` metres, km/h figures.
    float speedAt(float x) const;
};
LapTrace lap_trace(const LapSource& lap);

// One segment line of the current lap.
struct SegmentDiff {
    float end = 0;      // metres into the current lap
    float time = 0;     // current lap's time there, s
    float refTime = 0;  // reference lap's time at the same place, s
    float diff = 0;     // time - refTime: running difference at the line
    float segDiff = 0;  // what this segment alone added to it
};

// The current lap against the reference.
struct LapDiff {
    std::string error;            // empty when the laps could be compared
    bool aligned = false;         // matched segment line to segment line (same number of segments)
    std::vector<float> x;         // each point of the current lap's trace: its distance
    std::vector<float> delta;     // current minus reference there, s (negative: the current lap is ahead)
    std::vector<float> from, to;  // the distance map: knots on the current lap and on the reference
    float length = 0;             // current lap's length, metres
    float refLength = 0;
    float final = 0;  // (current lap time - reference lap time) / 100, exactly as the lists show
    std::vector<SegmentDiff> segments;

    bool ok() const { return error.empty(); }
    // The reference's distance at `x` metres of the current lap.
    float refDistance(float x) const;
    // The running difference at `x` metres (first arrival there; the final difference from the finish on).
    float at(float x) const;
};
LapDiff compare_laps(const LapTrace& cur, const LapTrace& ref);

// Carries `x` along the piecewise-linear map with knots `from` (increasing) onto `to`; `hint`
// lets a walk with growing x go on where the last call stopped (start it at 0).
float map_distance(const std::vector<float>& from, const std::vector<float>& to, float x, size_t& hint);

// What each of `n` equal stretches of the current lap added to the difference (s; positive: time
// lost in that stretch).
std::vector<float> stretch_gains(const LapDiff& diff, int n);

// One line of the comparison table: distance into the current lap (m), both laps' elapsed
// times (s) and speeds (km/h figures) there, and the difference.
struct CompareRow {
    float distance, time, refTime, speed, refSpeed, diff;
};
// A row every `step` metres from the start line, then one at the finish.
std::vector<CompareRow> compare_rows(const LapTrace& cur, const LapTrace& ref, const LapDiff& diff, float step);

// Both laps traced and compared: the current lap of the image against the reference.
struct LapComparison {
    LapTrace cur, ref;
    LapDiff diff;
    bool ok() const { return diff.ok(); }
};
LapComparison compare_current(const Module1& m, const RefLapState& ref);

// The best lap as the lap list finds it (laps from LapLast down, a strictly lower time wins, laps
// marked deleted left out), among laps that have a time; 0 when there is none.
int best_lap(const Module1& m);

// Copies lap `lap` of the image `src` into `ref` (located as the lap list locates a lap; the
// image's current lap is left as it was). `name` and `path` say which log it came from. The
// comparison settings of `ref` are kept. False with the reason when the lap cannot be a
// reference: not in the log, not located, no time or no sample records.
bool reference_from_image(Module1& src, int lap, const std::string& name, const std::string& path, RefLapState& ref,
                          std::string* error);

// The difference as the graphs and lists print it: "+0.25", "-1.30", " 0.00"; `decimals` 0..2.
std::string diffText(float seconds, int decimals = 2);

}  // namespace vt
