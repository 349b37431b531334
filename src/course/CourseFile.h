// Course files: one lap kept as reference in CorseDir (the log-file layout with one page: the
// header, the 15 segment entries, the lap's records), loading one, the free course known only
// by its length, and the segment texts the course transfer sends to the logger.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// A course file holds at least its header and its one page of segment entries.
constexpr int kCourseFileMinBytes = 16 + 480;

// The bytes corse_save writes: the header from the settings (the editor's in-G and out-G
// thresholds at bytes 8..10), entries 1..15 of page LapCur, records RecPtr .. RecPtr + RecCount.
// False with the reason when those records or the page lie outside the image.
bool course_file_bytes(const Module1& m, std::string& out, std::string* error);
// Writes them to `path` through a temporary renamed over it, so a failure leaves the old file.
bool course_write(const Module1& m, const std::string& path, std::string* error);

// Checks a course file's bytes before anything is loaded: the header and the page whole, one
// page only (`isLog` is set when there are more: a log, not a course), whole records after it,
// and a segment list that begins at entry 1 and whose segments each carry a direction letter
// (S, L or R) and a length. Empty when the file is a usable course; else the reason.
std::string course_check(const std::string& bytes, bool* isLog = nullptr);

// The transfer text of one segment: its letter and its length in whole metres, halves up (a
// left corner of 1234 pulses at 200 mm is 246.8 m, "L247"). Uses MmPerPulse.
std::string seg_text(const Module1& m, uint8_t letter, int pulses);
// seg_str(1..15) from the segments of page LapCur, up to the first entry whose presence word is
// 0; the first entry not filled (at most 16) is emptied. Lets events run at each entry.
void seg_text_build(Module1& m, MainformState& f, EventPump& pump);

// Corse_in_Click after the chooser: loads the course file at `path` and shows it (course list,
// layout, graph), builds seg_str and enables the course transfer. A file that cannot be read or
// is no course is said in a message box and nothing changes. False when nothing was loaded.
bool corse_open_path(Module1& m, MainformState& f, Services& s, const std::string& path);
// The menu entry: the chooser (f.windows.File_Form) over CorseDir, then the course chosen.
void Corse_in_Click(Module1& m, MainformState& f, Services& s);

// The free course's length typed as the prompt asks for it (metres, or miles in mile mode), in
// whole metres; 0 when it is outside 400 .. 10000 m.
int free_course_length(const Module1& m, const std::string& answer);
// The free course of `metres` (400 .. 10000): a circle of that length, laid out, no data.
void free_course(Module1& m, MainformState& f, Services& s, int metres);
// The menu entry: asks for the length until one fits (a beep for each that does not).
void Free_In_Click(Module1& m, MainformState& f, Services& s);

// Asks for a name (asked again after a name with a forbidden character) and writes the course
// file CorseDir/<name>.dat. False when the name was cancelled or the file could not be written.
bool corse_save(Module1& m, MainformState& f, Services& s);

}  // namespace vt
