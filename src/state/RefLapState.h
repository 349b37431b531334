// The reference lap of a lap comparison: a copy of one lap of the loaded log or of another log
// file, with the settings its records are decoded by, so that loading another log or choosing
// another lap leaves it as it was. Nothing is compared (and every picture is drawn as before)
// until the user chooses one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vt {

struct RefLapState {
    bool On = false;   // a reference lap is chosen
    std::string Name;  // title of the log it came from (file name without folder and extension)
    std::string Path;  // that log's path
    int16_t Lap = 0;
    int32_t TimeCs = 0;             // lap time in 1/100 s, the sum of its segment times as the lap list shows it
    std::vector<int32_t> SegTimes;  // segment times in 1/100 s, segments 1..n
    // The settings of the log it came from (its records are decoded by these, not the loaded log's).
    int16_t MmPerPulse = 0, SpeedUnit = 0, TachoPulse = 0, RpmMax = 0, CarType = 0, AFMode = 0, PrsRange = 0;
    // The lap's records as the image held them: its first record (the lap marker) and the rest up
    // to the record before the next lap marker, at most 5999.
    std::vector<std::array<uint8_t, 16>> Records;
    // Where its first record fell after its start line, in records (0..1], worked out with the
    // laps logged with it (-1: unknown); and how many laps that took.
    float Phase = -1;
    int PhaseLaps = 0;

    // What the comparison shows besides the graphs (the Compare menu's check marks).
    bool PaintCourse = true;  // the course picture coloured by time gained and lost
    bool ListDiff = true;     // the course list's rpm column gives the difference per segment
};

// Language texts of the comparison.
namespace text {
inline constexpr int kCompareMenu = 287;   // menu Ref_com
inline constexpr int kRefBest = 288;       // menu Ref_best
inline constexpr int kRefFile = 289;       // menu Ref_file
inline constexpr int kRefClear = 290;      // menu Ref_clear
inline constexpr int kRefPaint = 291;      // menu Ref_paint
inline constexpr int kRefList = 292;       // menu Ref_list
inline constexpr int kRefButton = 293;     // list window button REF_SET
inline constexpr int kRefLabel = 294;      // list window label: 294 + lap number
inline constexpr int kRefLapPrompt = 295;  // input box prompt: 295 + " (first..last)"
inline constexpr int kRefLapTitle = 296;   // input box title
inline constexpr int kRefUnusable = 297;   // message: 297 + reason
}  // namespace text

}  // namespace vt
