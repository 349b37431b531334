// Choosing the reference lap of the lap comparison, and the Compare menu's entries: the best lap
// of the loaded log, a lap picked in the list window, a lap of another log file, clearing it,
// and what the course picture and the course list show of it.
#pragma once

#include <functional>
#include <string>

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// Captions and check marks of the Compare menu and the time-difference button.
void compare_caption_load(const Module1& m, MainformState& f);

// Loads the log file `path` by itself (the loaded log stays) and makes its lap `lap` the
// reference; lap 0 takes that log's best lap. False with the reason when it cannot.
bool load_reference_log(const std::string& path, int lap, RefLapState& ref, std::string* error);
// Makes lap `lap` of the loaded log the reference (0: its best lap); false with the reason.
bool reference_from_loaded(Module1& m, MainformState& f, int lap, std::string* error);

// Redraws what shows the comparison: with a lap chosen, the course list, course, and graph as
// choosing it does; otherwise the graph.
void compare_refresh(Module1& m, MainformState& f, Services& s);

// Ref_best: the loaded log's best lap becomes the reference.
void Ref_best_Click(Module1& m, MainformState& f, Services& s);
// Ref_file: `showChooser` shows the file chooser over LogFileName (which is kept); then the lap
// is asked for, the chosen log's best lap offered.
void Ref_file_Click(Module1& m, MainformState& f, Services& s, const std::function<void()>& showChooser);
// Ref_clear: no reference; everything is drawn as without the comparison.
void Ref_clear_Click(Module1& m, MainformState& f, Services& s);
// Ref_paint, Ref_list: switch the course colouring and the course list's difference columns.
void Ref_paint_Click(Module1& m, MainformState& f, Services& s);
void Ref_list_Click(Module1& m, MainformState& f, Services& s);
// The time-difference button: without a reference lap the loaded log's best lap becomes it.
void grf_8_button(Module1& m, MainformState& f, Services& s);
// After the list window: the lap its reference button picked (0: none) becomes the reference,
// redrawn at once when `redraw` (not when a lap is about to be chosen, which draws it anyway).
void list_reference_pick(Module1& m, MainformState& f, Services& s, int lap, bool redraw);

}  // namespace vt
