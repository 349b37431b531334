// The list window's procedures (Form3): loading in its three modes, picking and selecting
// lap lines, deleting and restoring laps, re-saving the image, the text export and print.
// UI-free: the Qt window passes its events here and shows Form3State.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "logfiles/Form3State.h"
#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// Captions from the language table (window 68, buttons 70..75, labels 76, 77, frame 78).
void list_caption_load(const Module1& m, Form3State& st);

// Loads the window for the list mode in SelLap (0 lap list, 1 lap-and-segment list,
// 2 one-segment list of SegListNo); the edit buttons are shown in the lap-list mode only.
void Form_Load(Module1& m, const MainformState& f, Form3State& st);

// True when `lap` can be picked: at least 1 and within LapFirst..LapLast.
bool pick_valid(const Module1& m, int lap);

// Mouse down at caret position `caret` (in characters of Text1) and height y: the whole line
// under the caret is selected.
void Text1_MouseDown(Form3State& st, int32_t caret, float y);
// Mouse up at height y, with the text box's selection in SelStart/SelLength: the laps of the
// selected lines go to DelList, the first becomes PickLap. A pointer moved upwards clears the
// selection. An invalid pick beeps and shows language text 79.
void Text1_MouseUp(Module1& m, Form3State& st, Services& s, float y);
void Text1_DblClick(Module1& m, Form3State& st);
void Command1_Click(Module1& m, Form3State& st, Services& s);
// Print: the buttons are hidden while `printWindow` prints the window's image.
void Command2_Click(Module1& m, Form3State& st, Services& s, const std::function<bool(std::string*)>& printWindow);
void DEL_Click(Module1& m, Form3State& st, Services& s);
// The reference button: the picked lap becomes the reference lap when the window closes (RefPick,
// shown in RefLabel); an invalid pick beeps and shows language text 79.
void REF_SET_Click(Module1& m, Form3State& st, Services& s);
void UN_DO_Click(Module1& m, Form3State& st);
// Re-saves the image as LogDir/<name>.log; a name with a forbidden character is refused.
void Re_Save_Click(Module1& m, Form3State& st, Services& s);
// Exports every lap to TextFileName, with the closing message; with no log opened it says so.
void TEXT_SAVE_Click(Module1& m, MainformState& f, Form3State& st, Services& s);

// The export itself: every lap not marked deleted, one comma-separated line per record, to
// `path` (written to a temporary and renamed over it). Lets events run every few thousand
// records. Never reads past the records the file holds; `notes` says which laps were left out
// (starting inside an earlier lap's records) or ran to the end of the file without a closing
// marker, empty when none. Returns false with the reason when the file cannot be written.
bool text_export(Module1& m, MainformState& f, Form3State& st, Services& s, const std::string& path, int64_t* lines,
                 std::string* error, std::string* notes = nullptr);
// Decodes the record in RawRec and appends LinePrefix, ExportLine and CR LF to `out`.
void export_line(Module1& m, MainformState& f, Form3State& st, std::string& out);

// Position mapping for a text box that counts a line end as one character (Text1 counts CR LF).
int32_t boxPosFromText1(const std::string& text1, int32_t pos);
int32_t text1PosFromBox(const std::string& text1, int32_t boxPos);

}  // namespace vt
