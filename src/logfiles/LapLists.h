// The lap list, the lap-and-segment list and the one-segment list: UI-free builders that
// append to the list window's Text1 the way the window shows them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "logfiles/Form3State.h"
#include "platform/Services.h"
#include "state/Module1.h"

namespace vt {

// The lap header strings for km/h (SpeedUnit 0) and miles per hour.
extern const char* const kLapListHeadKmh;
extern const char* const kLapListHeadMph;

// True when the list window marked the lap deleted (segment-1 byte 10 = 51).
bool lapDeleted(const Module1& m, int lap);

// The list window's height for the mode in SelLap: rows x 180 + 2400 twips.
void list_size(const Module1& m, Form3State& st);

// Lap number and lap time (14 characters), with best-lap tracking and SegCount set to the
// segment that ended the lap. A deleted lap gets its dashed line instead; returns false then.
bool lap_line_head(Module1& m, Form3State& st, int lap);
// The columns of lap RowLap over segments 1..SegCount-1: engine-speed range (12 characters),
// road-speed range (8; sets MmPerPulse from the lap), peak G and both temperature ranges (28).
void lap_rpm(Module1& m, Form3State& st);
void lap_speed(Module1& m, Form3State& st);
void lap_g_temp(Module1& m, Form3State& st);
// A range as "min~" and "max " texts of `width` characters each; kind 1 is a road speed,
// converted to miles per hour in mile mode.
void min_max_text(const Module1& m, Form3State& st, int kind, int32_t min, int32_t max, int width);
// The best lap's number and time in Label4 and Label6, when there is one.
void best_show(Module1& m, Form3State& st);

// Mode 0: one line per lap from LapLast down (language text 69 as the title).
void lap_list(Module1& m, Form3State& st);
// Mode 1: every lap's segment times with the best of each segment marked, then the best
// lap's detail, its theoretical best and the delay per segment.
void seg_table_list(Module1& m, Form3State& st);
// Mode 2: segment `seg` of every lap.
void one_seg_list(Module1& m, Form3State& st, int seg);

// The segment number typed for the one-segment list: its value rounded to a whole number,
// 1..15; 0 when it is outside.
int segment_number(std::string_view answer);
// seg_list_Click's question (language texts 154, 155, asked again with 156 until valid).
// Returns the segment, or 0 when the user cancels.
int ask_segment(Module1& m, Services& s);

// The lines of a list text, without their CR LF.
std::vector<std::string> list_lines(const std::string& text);

}  // namespace vt
